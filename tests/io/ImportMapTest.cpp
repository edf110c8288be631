// File > Import: the dispatch by content, and the import of another map: exact offsets,
// symbols merged, hidden symbols, the selection rule, one undo step, and damaged sources.
#include "IoFixture.h"
#include "core/ByteIO.h"
#include "core/FileClass.h"
#include "io/Import.h"
#include "io/Ports.h"
#include "symbols/store/SymbolLayout.h"

#include <QDir>

namespace zemo::test {
namespace {

class ImportMapTest : public IoTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010), TestSymbol::Point(1120)};
        ASSERT_NE(Open(w, QStringLiteral("target.zmd")), nullptr);
        SetActiveUndoRing(&ring);
        ASSERT_TRUE(CreateUndoFile(false));
    }
    void TearDown() override
    {
        SetActiveUndoRing(nullptr);
        IoTest::TearDown();
    }
    QString Source(const TestMapWriter& w, const QString& name = QStringLiteral("source.zmd"))
    {
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(InMaps(name)).toStdString()));
        return InMaps(name);
    }
    int Import(const QString& path, const ImportMapOptions& o)
    {
        TFileClass f;
        f.OpenRead(path);
        return ImportMap(f, o);
    }
    static ImportMapOptions ByOffset(double x, double y)
    {
        return {false, x, y};
    }
    static std::vector<std::vector<Cord>> Cords()
    {
        std::vector<std::vector<Cord>> out;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, AuxElement1))
                out.emplace_back(AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem);
        return out;
    }
    static std::vector<int> Symbols()
    {
        std::vector<int> out;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, AuxElement1))
                out.push_back(AuxElement1.Symbol);
        return out;
    }
    static int OpenFiles()
    {
        return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
    }
    UndoRing ring;
};

TEST_F(ImportMapTest, AnOffsetMovesEveryCoordinateExactlyAndMergesIdenticalSymbols)
{
    for (int version : {8, 7, 6}) {
        SCOPED_TRACE(version);
        ResetOpenUnit();
        SetUp();
        TestMapWriter src(version);
        TestSymbol hidden = TestSymbol::Point(1130, {TestElement::Dot(0, 100)});
        hidden.status = 2;
        src.symbols = {TestSymbol::Line(1010), TestSymbol::Line(1020), TestSymbol::Point(1120), hidden};
        src.objects = {TestObject::Line(1010, {{0, 0}, {1000 * 256 | 1, 2000 * 256}, {3000 * 256 | 2, -256}, {4000 * 256, 1000 * 256 | 2}}),
                       TestObject::Line(1020, {{-5 * Mm, 0}, {5 * Mm, 1}}),
                       TestObject::Point(1120, 5 * Mm, 6 * Mm), TestObject::Point(1130, 0, 0)};
        const QString path = Source(src);
        const int symbols = Index.ActiveZmd->SymbolCount();
        ASSERT_EQ(Import(path, ByOffset(10.5, -3)), 3);
        const int32_t dx = 1050 * 256, dy = -300 * 256;
        const auto c = Cords();
        ASSERT_EQ(c.size(), 3u);
        EXPECT_EQ(c[0], (std::vector<Cord>{{dx, dy}, {(1000 * 256 + dx) | 1, 2000 * 256 + dy},
                                           {(3000 * 256 + dx) | 2, -256 + dy}, {4000 * 256 + dx, (1000 * 256 + dy) | 2}}));
        EXPECT_EQ(c[1], (std::vector<Cord>{{-5 * Mm + dx, dy}, {5 * Mm + dx, dy | 1}}));
        EXPECT_EQ(c[2], (std::vector<Cord>{{5 * Mm + dx, 6 * Mm + dy}}));
        EXPECT_EQ(Symbols(), (std::vector<int>{1010, 1010, 1120})) << "both lines take the map's own symbol";
        EXPECT_EQ(Index.ActiveZmd->SymbolCount(), symbols);
        EXPECT_EQ(Index.SelectionCount, 3);
        ASSERT_TRUE(CanUndo());
        UndoEdit();
        EXPECT_EQ(CountObjects(), 0) << "one undo takes the whole import back";
    }
}

TEST_F(ImportMapTest, UpTo999ObjectsStaySelected)
{
    for (int count : {999, 1000}) {
        SCOPED_TRACE(count);
        ResetOpenUnit();
        SetUp();
        TestMapWriter src(8);
        src.symbols = {TestSymbol::Point(1120)};
        for (int i = 0; i < count; ++i)
            src.objects.push_back(TestObject::Point(1120, (i % 40) * Mm, (i / 40) * Mm));
        ASSERT_EQ(Import(Source(src), ByOffset(1, 1)), count);
        EXPECT_EQ(Index.SelectionCount, count == 999 ? 999 : 0);
        EXPECT_EQ(CountObjects(), count);
    }
}

TEST_F(ImportMapTest, ForgedCountsCyclesAndObjectsPushedOutsideEndCleanly)
{
    for (int version : {8, 7}) {
        SCOPED_TRACE(version);
        ResetOpenUnit();
        SetUp();
        TestMapWriter src(version);
        src.symbols = {TestSymbol::Line(1010), TestSymbol::Point(1120)};
        TestObject forged = TestObject::Line(1010, {{0, 0}, {Mm, Mm}});
        forged.nItemField = 30000;
        TestObject badType = TestObject::Point(1120, 0, 0);
        badType.type = 9;
        TestObject shortEntry = TestObject::Point(1120, 0, 0);
        shortEntry.entryLength = version == 8 ? 0 : 20;
        TestObject farOut = TestObject::Point(1120, 1950 * Mm, 0);
        src.objects = {forged, badType, shortEntry, farOut, TestObject::Point(1120, Mm, Mm)};
        src.objectChainEnd = ChainEnd::ToFirst;
        src.symbolChainEnd = ChainEnd::ToSelf;
        ASSERT_EQ(Import(Source(src), ByOffset(100, 0)), 1);
        EXPECT_EQ(Cords(), (std::vector<std::vector<Cord>>{{{101 * Mm, Mm}}}));
    }
}

TEST_F(ImportMapTest, OldTextSymbolsAreConvertedAsOpeningConvertsThem)
{
    TestMapWriter src(7);
    // A frame drawn in another font: the conversion turns it into a line frame.
    TestSymbol text = TestSymbol::Text(2010, "Arial", 120);
    text.SetU8(TsFramingMode, 1);
    text.SetShortString(TsOldFramingFont, "Wingdings", 31);
    src.symbols = {text};
    src.objects = {TestObject::Text(2010, 0, 0, "Hill")};
    const QString path = Source(src);
    ASSERT_EQ(Import(path, ByOffset(0, 0)), 1);
    SymbolBytes* imported = nullptr;
    ASSERT_TRUE(GetSymbol(2010, imported));
    const SymbolBytes mine(imported->begin() + SymbolHeadBytes, imported->end());
    messages.QueueAnswer(IdOk);
    ASSERT_TRUE(OpenMapByName(path));
    SymbolBytes* opened = nullptr;
    ASSERT_TRUE(GetSymbol(2010, opened));
    EXPECT_EQ(mine, SymbolBytes(opened->begin() + SymbolHeadBytes, opened->end()));
}

TEST_F(ImportMapTest, DispatchByContentClosesTheFileOnEveryRoad)
{
    InitImportUnit();
    int mapDialogs = 0;
    int dxfDialogs = 0;
    IoPorts().RunImportDialog.Bind([&](ImportMapOptions&) { return ++mapDialogs, false; });
    IoPorts().RunImpDxfDialog.Bind([&](ImpDxfOptions&) { return ++dxfDialogs, false; });
    TestMapWriter v5(8);
    v5.headerVersion = 5;
    WriteFile(InMaps("text.zmd"), "just some text\n");
    WriteFile(InMaps("drawing.dxf"), "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n");
    WriteFile(InMaps("drawing.txt"), "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n");
    struct Case {
        QString path;
        TextKey message;
        int mapDialogs;
        int dxfDialogs;
    };
    const Case cases[] = {
        {Source(v5, "v5.zmd"), TextKey::NotZEMO6Format, 0, 0},
        {Source(TestMapWriter(6), "v6.zmd"), TextKey::Count, 1, 0},
        {Source(TestMapWriter(7), "v7.zmd"), TextKey::Count, 1, 0},
        {Source(TestMapWriter(8), "v8.zmd"), TextKey::Count, 1, 0},
        {InMaps("text.zmd"), TextKey::UnknownFormat, 0, 0},
        {InMaps("drawing.dxf"), TextKey::Count, 0, 1},
        {InMaps("drawing.txt"), TextKey::UnknownFormat, 0, 0},
    };
    const int files = OpenFiles();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        messages.Clear();
        mapDialogs = dxfDialogs = 0;
        ImportFileByName(c.path);
        EXPECT_EQ(messages.Count(), c.message == TextKey::Count ? 0 : 1);
        if (c.message != TextKey::Count && messages.Count() > 0) {
            EXPECT_EQ(messages.Last().key, c.message);
        }
        EXPECT_EQ(mapDialogs, c.mapDialogs);
        EXPECT_EQ(dxfDialogs, c.dxfDialogs);
        EXPECT_EQ(OpenFiles(), files);
    }
}

TEST_F(ImportMapTest, HiddenSymbolsAskFirstAndCancelImportsNothing)
{
    InitImportUnit();
    IoPorts().RunImportDialog.Bind([](ImportMapOptions& o) { return o = ByOffset(0, 0), true; });
    TestMapWriter src(8);
    TestSymbol hidden = TestSymbol::Point(1130);
    hidden.status = 2;
    src.symbols = {TestSymbol::Point(1120), hidden};
    src.objects = {TestObject::Point(1120, 0, 0), TestObject::Point(1130, 0, 0)};
    // Only objects of the hidden symbol: nothing comes in, and there is nothing to undo.
    TestMapWriter onlyHidden = src;
    onlyHidden.objects = {TestObject::Point(1130, 0, 0)};
    messages.QueueAnswer(IdOk);
    ImportFileByName(Source(onlyHidden));
    EXPECT_EQ(CountObjects(), 0);
    EXPECT_FALSE(CanUndo());
    const QString path = Source(src);
    messages.QueueAnswer(IdCancel);
    ImportFileByName(path);
    EXPECT_EQ(messages.CountOf(TextKey::ImportHidden), 2);
    EXPECT_EQ(CountObjects(), 0);
    messages.QueueAnswer(IdOk);
    ImportFileByName(path);
    EXPECT_EQ(CountObjects(), 1) << "the hidden symbol's object stays out";
    ProgramConfig.HiddenImportWarning = false;
    messages.Clear();
    ImportFileByName(path);
    EXPECT_EQ(messages.CountOf(TextKey::ImportHidden), 0);
    EXPECT_EQ(CountObjects(), 2);
}

} // namespace
} // namespace zemo::test
