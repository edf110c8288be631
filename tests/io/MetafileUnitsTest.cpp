// Metafiles imported by File > Import in the running program: a box drawn in each fixed map
// mode of an enhanced metafile (libEMF's), metric, English and twips, lands at its size in
// inches, 25.4 mm each; enhanced and Windows metafiles that save two drawing states and
// restore one by its absolute level draw in the state saved at that level.
#include "../support/ProgramFixture.h"
#include "../support/WmfBuilder.h"
#include "EmfDrawing.h"

#include "document/Index.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QFile>

#include <utility>
#include <vector>

namespace zemo::test {
namespace {

using Offsets = std::vector<std::pair<int, int>>;

class MetafileUnits : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
    }
    // File > Import of the file; the points of the objects it brought, each in 0.01 mm from
    // the first point of the first (the drawing is placed on the view).
    std::vector<Offsets> Import(const QString& path)
    {
        const int before = Index.ActiveZmd->HighestObject;
        dialogs.QueueAnswer(true, path);
        Frame().UpdateCommandStates();
        Trigger(Cmd::FileImport);
        Settle();
        std::vector<Offsets> out;
        Cord origin{};
        for (int n = before + 1; n <= Index.ActiveZmd->HighestObject; ++n) {
            if (!GetIndex(n) || !ReadElement(n, AuxElement1))
                continue;
            if (out.empty())
                origin = AuxElement1.Cords()[0];
            Offsets& o = out.emplace_back();
            for (int k = 0; k < AuxElement1.nItem; ++k)
                o.emplace_back((Masked(AuxElement1.Cords()[k].x) - Masked(origin.x)) / 256,
                               (Masked(AuxElement1.Cords()[k].y) - Masked(origin.y)) / 256);
        }
        return out;
    }
    // A box w x h in 0.01 mm from its first corner, y upward as the map has it.
    static Offsets Box(int w, int h) { return {{0, 0}, {w, 0}, {w, h}, {0, h}}; }
};

// One inch by half an inch in the units of each mode; the device of the header (96 dpi) plays
// no part in them.
TEST_F(MetafileUnits, EachFixedMapModeGivesABoxItsSizeInInches)
{
    const struct {
        int mode;
        const char* name;
        int w, h;  // an inch by half an inch in the mode's units
    } modes[] = {{2, "lometric", 254, 127}, {3, "himetric", 2540, 1270}, {4, "loenglish", 100, 50},
                 {5, "hienglish", 1000, 500}, {6, "twips", 1440, 720}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.name);
        const QString path = TempPath(QStringLiteral("box-%1.emf").arg(QString::fromLatin1(m.name)));
        {
            EmfDrawing d(path.toStdString(), 0, 0, 5000, 5000);
            d.MapMode(m.mode).Polygon({{0, 0}, {m.w, 0}, {m.w, m.h}, {0, m.h}});
        }
        const std::vector<Offsets> o = Import(path);
        ASSERT_EQ(o.size(), 1u);
        EXPECT_EQ(o[0], Box(2540, 1270));
    }
}

// Three states: 0.1 mm a unit (saved at level 1), 0.01 inch (saved at level 2), then twips.
// Restoring level 1 or 2 draws the next box 100 x 50 units in that level's units; a restore
// of a level never saved, or one back from the bottom, changes nothing.
TEST_F(MetafileUnits, AnEnhancedMetafileRestoresTheStateSavedAtTheLevelGiven)
{
    const struct {
        int level;
        Offsets box, after;  // the box drawn after the restore, and after one more back
    } cases[] = {{1, Box(1000, 500), Box(1000, 500)}, {2, Box(2540, 1270), Box(1000, 500)},
                 {3, Box(176, 88), Box(2540, 1270)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        const QString path = TempPath(QStringLiteral("levels-%1.emf").arg(c.level));
        {
            EmfDrawing d(path.toStdString(), 0, 0, 5000, 5000);
            d.MapMode(2).Save().MapMode(4).Save().MapMode(6).Restore(c.level);
            d.Polygon({{0, 0}, {100, 0}, {100, 50}, {0, 50}});
            // Nothing is left to restore after level 1, level 1 after level 2, and both after
            // a level never saved.
            d.Restore(-1).Polygon({{0, 0}, {100, 0}, {100, 50}, {0, 50}});
        }
        const std::vector<Offsets> o = Import(path);
        ASSERT_EQ(o.size(), 2u);
        EXPECT_EQ(o[0], c.box);
        ASSERT_EQ(o[1].size(), 4u);
        for (size_t k = 0; k < 4; ++k)
            EXPECT_EQ(std::pair(o[1][k].first - o[1][0].first, o[1][k].second - o[1][0].second), c.after[k]) << k;
    }
}

// The same in a placeable Windows metafile of 0.01 mm device units: window extents of 1000,
// 500 and 250 for a viewport of 1000 make a unit 1, 2 and 4 hundredths of a millimetre.
TEST_F(MetafileUnits, AWindowsMetafileRestoresTheStateSavedAtTheLevelGiven)
{
    const struct {
        int level;
        int unit;
    } cases[] = {{1, 1}, {2, 2}, {3, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        WmfBuilder b(0, 0, 1000, 1000, 2540);
        b.Record(259, {8}).Record(524, {1000, 1000}).Record(526, {1000, 1000});
        b.Record(30, {}).Record(524, {500, 500}).Record(30, {}).Record(524, {250, 250});
        b.Record(295, {c.level});
        b.Poly(805, {{0, 0}, {100, 0}, {100, 50}});
        const QString path = TempPath(QStringLiteral("levels-%1.wmf").arg(c.level));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b.Bytes());
        f.close();
        const std::vector<Offsets> o = Import(path);
        ASSERT_EQ(o.size(), 1u);
        // y downward in the file.
        EXPECT_EQ(o[0], (Offsets{{0, 0}, {100 * c.unit, 0}, {100 * c.unit, -50 * c.unit}}));
    }
}

} // namespace
} // namespace zemo::test
