// Extras > Convert layers: the rows' checks, exact layer names, line and area conversions,
// the last row winning, one undo step, and the layer table's load and save.
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Undo.h"
#include "symbols/ConvLay.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zemo::test {
namespace {

constexpr int32_t Mm = kUnitsPerMm;

TestObject OnLayer(TestObject o, const char* layer)
{
    o.layerName = layer;
    o.symbol10 = -1;
    return o;
}

class ConvLayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_STATE_HOME", (dir.path() + "/state").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        ResetOpenUnit();
        ResetIndexState();
        ResetUndoState();
        ResetConvLayUnit();
        DefaultConfig(ProgramConfig);
        ProgramConfig.AutoSave = false;
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010), TestSymbol::Area(4050), TestSymbol::Point(1120), TestSymbol::Text(2010)};
        w.objects = {
            OnLayer(TestObject::Line(1010, {{0, 0}, {Mm, 0}, {Mm, Mm}}), "water"),
            OnLayer(TestObject::Area(4050, {{0, 0}, {4 * Mm, 0}, {4 * Mm, 4 * Mm}, {Mm, Mm | 2}, {2 * Mm, Mm}, {2 * Mm, 2 * Mm}}), "roads"),
            OnLayer(TestObject::Point(1120, 0, 0), "Water"),
            OnLayer(TestObject::Point(1120, 0, 0), "trees"),
        };
        const QString path = dir.filePath(QStringLiteral("map.zmd"));
        ASSERT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        ASSERT_TRUE(OpenMapByName(path));
        SetActiveUndoRing(&ring);
        ASSERT_TRUE(CreateUndoFile(false));
    }
    void TearDown() override
    {
        SetActiveUndoRing(nullptr);
        ResetOpenUnit();
        ResetIndexState();
    }
    struct Obj {
        int symbol;
        int type;
        int points;
        friend bool operator==(const Obj&, const Obj&) = default;
    };
    static std::vector<Obj> Objects()
    {
        std::vector<Obj> out;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, AuxElement1))
                out.push_back({AuxElement1.Symbol, AuxElement1.ObjectType, AuxElement1.nItem});
        return out;
    }
    QTemporaryDir dir;
    RecordingMessages messages;
    RecordingFileDialogs dialogs;
    UndoRing ring;
};

TEST_F(ConvLayTest, RowsConvertByExactLayerAndTheLastRowWins)
{
    const std::vector<Obj> before = Objects();
    struct Case {
        const char* name;
        std::vector<LayerRef> rows;
        int converted;
        std::vector<Obj> after;
    };
    const std::vector<Case> cases = {
        {"0.05 stops before any change", {{"trees", "112.0"}, {"water", "0.05"}}, -1, before},
        {"a line given an area symbol becomes an area; other case, no match",
         {{"water", "405.0 Lake"}}, 1, {{4050, 3, 3}, before[1], before[2], before[3]}},
        {"an area given a line symbol keeps its outer ring",
         {{"roads", "101.0"}}, 1, {before[0], {1010, 2, 3}, before[2], before[3]}},
        {"the last matching row wins", {{"trees", "112.0"}, {"trees", "777.0"}}, 1,
         {before[0], before[1], before[2], {7770, 1, 1}}},
        {"a point symbol does not take a line", {{"water", "112.0"}}, 0, before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        messages.Clear();
        EXPECT_EQ(ConvertLayers(c.rows), c.converted);
        EXPECT_EQ(Objects(), c.after);
        EXPECT_EQ(messages.CountOf(TextKey::SymNumNotValid), c.converted < 0 ? 1 : 0);
        if (c.converted > 0) {
            ASSERT_TRUE(CanUndo());
            UndoEdit();
            EXPECT_EQ(Objects(), before) << "one undo takes the conversion back";
            EXPECT_FALSE(CanUndo()) << "and nothing before it";
        }
    }
}

TEST_F(ConvLayTest, LayerTablesLoadAndSave)
{
    const QString crt = dir.filePath(QStringLiteral("in.crt"));
    QFile f(crt);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("101.5  Roads main\r\n0 zero\n1000 big\nnoblank\n0.02 tenths of none\n999.96 past\n405 Lakes\n");
    f.close();
    dialogs.QueueAnswer(true, crt);
    ASSERT_TRUE(LoadLayerTable());
    ASSERT_EQ(ConvLay.Rows.size(), 2u);
    EXPECT_EQ(ConvLay.Rows[0].Layer, QStringLiteral("Roads main"));
    EXPECT_EQ(ConvLay.Rows[0].Symbol, QStringLiteral("101.5"));
    EXPECT_TRUE(ConvLay.Rows[1].Symbol.startsWith(QStringLiteral("405.0 "))) << "with the map's description";
    const QString out = dir.filePath(QStringLiteral("out.crt"));
    dialogs.QueueAnswer(true, out);
    ASSERT_TRUE(SaveLayerTable(true));
    QFile saved(out);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "101.5 Roads main\r\n405.0 Lakes\r\n");
    EXPECT_EQ(MapLayers(), (QStringList{"Water", "roads", "trees", "water"}));
}

} // namespace
} // namespace zemo::test
