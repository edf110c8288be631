// The templates of a map: their strings, the loaded raster records shared between maps, the
// list kept by the store, missing files, and the extent of a map with its templates.
#include "TemplateFixture.h"

#include "core/Numeric.h"

#include <cmath>
#include <numbers>

namespace zemo::test {
namespace {

// ---- Strings ----

TEST_F(TemplateTest, StringFieldsReadWithTheirDefaultsAndRanges)
{
    ASSERT_NE(Open(WriteMap(MapWith({}, 2), InMaps("m.zmd"))), nullptr);
    TTmp t;
    TemplateUnit.CurrentTemplate = &t;
    struct Row {
        const char* text;
        int32_t x, y;
        double angle, u, v;
        int dim, spot;
        bool transparent, spotRender;
    };
    const double pi = std::numbers::pi;
    const Row rows[] = {
        {"a.tpx\ts1", 0, 0, 0, 10.0, 10.0, 0, -1, false, false},
        {"a.tpx\ts1\td150", 0, 0, 0, 10.0, 10.0, 0, -1, false, false},
        {"a.tpx\td100\tp1", 0, 0, 0, 10.0, 10.0, 100, 1, false, false},
        {"a.tpx\td-1\tp3", 0, 0, 0, 10.0, 10.0, 0, -1, false, false},
        {"a.tpx\tp2", 0, 0, 0, 10.0, 10.0, 0, -1, false, false},
        {"a.tpx\tp-5\td50", 0, 0, 0, 10.0, 10.0, 50, -1, false, false},
        {"a.tpx\tx100.4\ty-3\ta90", 25702, -768, pi / 2, 10.0, 10.0, 0, -1, false, false},
        {"a.tpx\tx1e12\ty-1e12", SafeRoundMax, SafeRoundMin, 0, 10.0, 10.0, 0, -1, false, false},
        {"a.tpx\tu2.5\tv0", 0, 0, 0, 2.5, 0.0, 0, -1, false, false},
        {"a.tpx\tuinf\tvnan", 0, 0, 0, 10.0, 10.0, 0, -1, false, false},
        {"a.tpx\tt1\to1", 0, 0, 0, 10.0, 10.0, 0, -1, true, true},
        {"a.tpx\tt0\to0\td7x", 0, 0, 0, 10.0, 10.0, 0, -1, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        t = TTmp{};
        ParseTemplateParams(QString::fromLatin1(r.text));
        EXPECT_EQ(t.X, r.x);
        EXPECT_EQ(t.Y, r.y);
        EXPECT_DOUBLE_EQ(t.Angle, r.angle);
        EXPECT_DOUBLE_EQ(t.U, r.u);
        EXPECT_DOUBLE_EQ(t.V, r.v);
        EXPECT_EQ(t.Dim, r.dim);
        EXPECT_EQ(t.SpotColor, r.spot);
        EXPECT_EQ(t.Transparent, r.transparent);
        EXPECT_EQ(t.RenderSpot, r.spotRender);
    }
    TemplateUnit.CurrentTemplate = nullptr;

    // Shown only with s "1"; a missing s hides.
    EXPECT_TRUE(TemplateShown(QStringLiteral("a.tpx\ts1")));
    EXPECT_FALSE(TemplateShown(QStringLiteral("a.tpx\tx1")));
    EXPECT_FALSE(TemplateShown(QStringLiteral("a.tpx\ts0")));
    EXPECT_FALSE(TemplateShown(QStringLiteral("a.tpx\tx1\ts2")));
    EXPECT_TRUE(IsMapTemplate(QStringLiteral("Other.ZMD\ts1")));
    EXPECT_FALSE(IsMapTemplate(QStringLiteral("zmd.tpx\ts1")));
}

TEST_F(TemplateTest, AKnownRecordIsWrittenFieldByField)
{
    TTmp t;
    t.X = 25702;   // 100.4 mm x 256: whole 0.01 mm, cut
    t.Y = -769;    // -3.004: cut toward zero
    t.Angle = 30 * std::numbers::pi / 180;
    t.U = 2540.0 / 300;
    t.V = 10;
    t.Dim = 50;
    t.SpotColor = 1;
    t.Transparent = true;
    TemplateUnit.CurrentTemplate = &t;
    EXPECT_EQ(FormatTemplateParams(),
              QStringLiteral("\ts1\tx100\ty-3\ta30.000000\tu8.46666667\tv10.00000000\td50\tp1\tt1\to0"));
    TemplateUnit.CurrentTemplate = nullptr;
    EXPECT_EQ(FormatTemplateParams(), QString());
}

TEST_F(TemplateTest, BoundsOfATurnedTemplate)
{
    TTmp t;
    // Pixels twice as high as wide.
    t.Width = 200;
    t.Height = 50;
    t.X = 1000;
    t.Y = -2000;
    t.U = 10;
    t.V = 20;
    TemplateUnit.CurrentTemplate = &t;
    // Half extents in 0.01 mm at each angle: 1000 x 500 turned.
    const struct {
        double degrees;
        int ex, ey;
    } rows[] = {{0, 1000, 500}, {90, 500, 1000}, {45, 1061, 1061}, {30, 1116, 933}, {-30, 1116, 933}, {180, 1000, 500}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.degrees);
        t.Angle = r.degrees * std::numbers::pi / 180;
        CordRect b;
        ASSERT_TRUE(TemplateBounds(b));
        EXPECT_EQ(b, (CordRect{1000 - r.ex * 256, -2000 - r.ey * 256, 1000 + r.ex * 256, -2000 + r.ey * 256}));
    }
    // No pixel size: nothing to draw, no bounds.
    t.U = 0;
    CordRect b;
    EXPECT_FALSE(TemplateBounds(b));
    t.U = 1e300;
    t.Angle = 0;
    ASSERT_TRUE(TemplateBounds(b));
    EXPECT_EQ(b.x1, INT32_MIN);
    EXPECT_EQ(b.x2, INT32_MAX);
    TemplateUnit.CurrentTemplate = nullptr;
}

// ---- Loading and sharing ----

TEST_F(TemplateTest, TwoMapsShareOneRecordAndClosingOneKeepsItForTheOther)
{
    WriteRaster(InMaps("t.tpx"));
    const std::string shown = "t.tpx\ts1\tx0\ty0\tu10\tv10";
    TZmd* a = Open(WriteMap(MapWith({shown}), InMaps("a.zmd")));
    TZmd* b = Open(WriteMap(MapWith({shown}), InMaps("b.zmd")));
    ASSERT_TRUE(a && b);
    ASSERT_EQ(TemplateUnit.LoadedTemplates.size(), 1u);
    TTmp* rec = FindLoadedTemplate(InMaps("t.tpx"));
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->RefCount, 2);
    EXPECT_EQ(TestTemplateReader::Get().reads, 1);

    CloseWindowOf(a);
    ASSERT_EQ(FindLoadedTemplate(InMaps("t.tpx")), rec);
    EXPECT_EQ(rec->RefCount, 1);
    // The other map still draws it from the record it shares.
    SetCurrentMap(b);
    Graph.OutputMode = BitmapOutput;
    Scale.ViewScaleX = 1.0 / 2560;
    Scale.ViewScaleY = -1.0 / 2560;
    Scale.ViewOrigin = {-4 * 2560, 2 * 2560};
    EXPECT_TRUE(DrawTemplates(QRect(0, 0, 8, 4), false, 0, {}, false));
    EXPECT_EQ(BandRow(0, TemplateDraw.BandHeight - 1 - 2)[3 * 5], uint8_t(5 + 14));
    EXPECT_EQ(TestTemplateReader::Get().reads, 1);

    CloseWindowOf(b);
    EXPECT_TRUE(TemplateUnit.LoadedTemplates.empty());
}

TEST_F(TemplateTest, ACancelledReadAgainLeavesTheSharedPixelsAsTheyWere)
{
    WriteRaster(InMaps("t.tpx"));
    const std::string shown = "t.tpx\ts1";
    TZmd* a = Open(WriteMap(MapWith({shown}), InMaps("a.zmd")));
    Open(WriteMap(MapWith({shown}), InMaps("b.zmd")));
    TTmp* rec = FindLoadedTemplate(InMaps("t.tpx"));
    ASSERT_NE(rec, nullptr);
    const std::vector<uint8_t> before(rec->Row(0), rec->Row(0) + rec->RowBytes() * rec->Height);
    const uint8_t* memory = rec->Row(0);

    // The file changes; adding it again to map a reads it again, and the placement is
    // cancelled: the record the other map draws keeps its pixels.
    WriteRaster(InMaps("t.tpx"), 8, 4, 8, 100);
    SetCurrentMap(a);
    TestTemplateReader::Get().cancelPlacement = true;
    EXPECT_FALSE(AddTemplate(InMaps("t.tpx")));
    EXPECT_EQ(TemplateUnit.CurrentTemplate, nullptr);
    ASSERT_EQ(FindLoadedTemplate(InMaps("t.tpx")), rec);
    EXPECT_EQ(rec->Row(0), memory);
    EXPECT_EQ(std::vector<uint8_t>(rec->Row(0), rec->Row(0) + rec->RowBytes() * rec->Height), before);
    EXPECT_EQ(rec->RefCount, 2);
    EXPECT_EQ(Texts(a), QStringList{QString::fromStdString(shown)});

    // Read again for real: both maps see the new pixels in the same record, still counted
    // once per map.
    TestTemplateReader::Get().cancelPlacement = false;
    EXPECT_TRUE(AddTemplate(InMaps("t.tpx")));
    ASSERT_EQ(FindLoadedTemplate(InMaps("t.tpx")), rec);
    EXPECT_EQ(rec->Row(0)[0], 100);
    EXPECT_EQ(rec->RefCount, 2);
}

TEST_F(TemplateTest, ReAddingMovesTheTemplateToTheTopAsOneRecordAlsoAfterReloading)
{
    WriteRaster(InMaps("a.tpx"));
    WriteRaster(InMaps("b.tpx"));
    TZmd* z = Open(WriteMap(MapWith({"a.tpx\ts1\tx5", "b.tpx\ts1\tx6"}), InMaps("m.zmd")));
    ASSERT_NE(z, nullptr);
    TestTemplateReader::Get().x = 25600 * 3;
    ASSERT_TRUE(AddTemplate(InMaps("b.tpx")));
    EXPECT_EQ(Names(z), (QStringList{"b.tpx", "a.tpx"}));
    EXPECT_EQ(GetParamInt(Texts(z)[0], u'x', 0), 300);
    EXPECT_EQ(z->Templates.Count(), 2);
    // Counted once for this map: closing it frees both records.
    EXPECT_EQ(FindLoadedTemplate(InMaps("b.tpx"))->RefCount, 1);
    EXPECT_FALSE(z->Setup.TemplatesHidden);

    ASSERT_TRUE(SaveMap(false));
    CloseWindowOf(z);
    EXPECT_TRUE(TemplateUnit.LoadedTemplates.empty());
    z = Open(InMaps("m.zmd"));
    EXPECT_EQ(Names(z), (QStringList{"b.tpx", "a.tpx"}));
    int records = 0;
    for (const auto& block : z->StringBlocks)
        for (const auto& e : block.Entries)
            records += e.Type == TemplateType;
    EXPECT_EQ(records, 2);

    // A new file goes on top too; the folder of a file elsewhere is remembered.
    QDir().mkpath(Folder(QStringLiteral("elsewhere")));
    const QString other = WriteRaster(Folder(QStringLiteral("elsewhere")) + QStringLiteral("/c.tpx"));
    ASSERT_TRUE(AddTemplate(other));
    EXPECT_EQ(Names(z), (QStringList{other, "b.tpx", "a.tpx"}));
    EXPECT_EQ(ProgramConfig.TemplateFolder, Folder(QStringLiteral("elsewhere")));
}

TEST_F(TemplateTest, ABareNameFollowsMapAndTemplateMovedTogether)
{
    WriteRaster(InMaps("t.tpx"));
    WriteMap(MapWith({"t.tpx\ts1"}), InMaps("m.zmd"));
    const QString moved = Folder(QStringLiteral("moved"));
    ASSERT_TRUE(QDir().rename(Folder(), moved));
    TZmd* z = Open(moved + QStringLiteral("/m.zmd"));
    ASSERT_NE(z, nullptr);
    EXPECT_NE(FindLoadedTemplate(moved + QStringLiteral("/t.tpx")), nullptr);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(Texts(z), QStringList{"t.tpx\ts1"});
}

TEST_F(TemplateTest, AMissingFileIsSearchedForAndSwitchedOffWhenNotFound)
{
    WriteMap(MapWith({"gone.tpx\ts1\tx7", "C:\\old\\found.tpx\ts1\tx8"}), InMaps("m.zmd"));
    const QString found = WriteRaster(InMaps("found.tpx"));
    // The search for the second (loaded first, from the bottom) picks the file in the map's
    // folder; the first is not searched for.
    messages.QueueAnswer(IdOk);
    dialogs.QueueAnswer(true, found);
    messages.QueueAnswer(IdCancel);
    TZmd* z = Open(InMaps("m.zmd"));
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(messages.CountOf(TextKey::TemplateSearch), 2);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].initialFolder, Folder());
    EXPECT_EQ(dialogs.Requests()[0].fileName, QStringLiteral("found.tpx"));
    EXPECT_EQ(dialogs.Requests()[0].helpContext, OpenTemplateHelpContext);
    EXPECT_EQ(Texts(z), (QStringList{"gone.tpx\ts0\tx7", "found.tpx\ts1\tx8"}));
    EXPECT_NE(FindLoadedTemplate(found), nullptr);

    // Saved switched off: the next opening asks nothing.
    ASSERT_TRUE(SaveMap(false));
    CloseWindowOf(z);
    messages.Clear();
    z = Open(InMaps("m.zmd"));
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(Texts(z)[0], "gone.tpx\ts0\tx7");
}

TEST_F(TemplateTest, FilesNoReaderTakesAndCourseMapsAreRefused)
{
    TZmd* z = Open(WriteMap(MapWith({}), InMaps("m.zmd")));
    ASSERT_NE(z, nullptr);
    QFile(InMaps("x.qqq")).open(QIODevice::WriteOnly);
    // Silently while a map opens or draws; with the name when the user adds it.
    EXPECT_FALSE(LoadTemplateFile(InMaps("x.qqq"), TemplateLoadSilent));
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_FALSE(AddTemplate(InMaps("x.qqq")));
    ASSERT_EQ(messages.CountOf(TextKey::UnknownFormat), 1);
    EXPECT_EQ(messages.Last().params, InMaps("x.qqq"));
    EXPECT_EQ(z->Templates.Count(), 0);

    TestMapWriter course = MapWith({});
    course.fileType = 3;
    WriteMap(course, InMaps("course.zmd"));
    EXPECT_FALSE(AddTemplate(InMaps("course.zmd")));
    EXPECT_EQ(messages.CountOf(TextKey::CourseNotTemplate), 1);
    EXPECT_EQ(FindDocument(InMaps("course.zmd")), nullptr);
    EXPECT_EQ(Index.ActiveZmd, z);
    EXPECT_EQ(z->Templates.Count(), 0);
}

TEST_F(TemplateTest, NamesCompareCaseSensitivelyAndBackslashesReadAsSlashes)
{
    Open(WriteMap(MapWith({}), InMaps("m.zmd")));
    WriteRaster(InMaps("t.tpx"));
    WriteRaster(InMaps("T.tpx"), 8, 4, 8, 50);
    ASSERT_TRUE(LoadTemplateFile(QStringLiteral("t.tpx"), TemplateLoadSilent));
    ASSERT_TRUE(LoadTemplateFile(QStringLiteral("T.tpx"), TemplateLoadSilent));
    EXPECT_EQ(TemplateUnit.LoadedTemplates.size(), 2u);
    EXPECT_NE(FindLoadedTemplate(InMaps("t.tpx")), FindLoadedTemplate(InMaps("T.tpx")));
    EXPECT_EQ(ExpandTemplateName(QStringLiteral("D:\\maps\\t.tpx")), QStringLiteral("D:/maps/t.tpx"));
    EXPECT_EQ(ExpandTemplateName(QStringLiteral("t.tpx")), InMaps("t.tpx"));
    // The full name through a backslash path is the same record.
    QString backslashed = InMaps("t.tpx");
    backslashed.replace(u'/', u'\\');
    ASSERT_TRUE(LoadTemplateFile(backslashed, TemplateLoadSilent));
    EXPECT_EQ(TemplateUnit.CurrentTemplate, FindLoadedTemplate(InMaps("t.tpx")));
    EXPECT_EQ(TemplateUnit.CurrentTemplate->RefCount, 2);
}

TEST_F(TemplateTest, AnUntitledMapTakesBareNamesFromTheMapFolderFallback)
{
    QDir().mkpath(Folder(QStringLiteral("fallback")));
    ProgramConfig.MapFolder = Folder(QStringLiteral("fallback"));
    TestMapWriter w = MapWith({"t.tpx\ts1"});
    ASSERT_TRUE(w.WriteTo(QFile::encodeName(InMaps("m.zmd")).toStdString()));
    // Opened as a map without a name of its own (the copy of a damaged map is one).
    ASSERT_TRUE(OpenMapFile(InMaps("m.zmd"), QString(), true, true));
    EXPECT_EQ(DocumentPath(Index.ActiveZmd), QString());
    EXPECT_EQ(TemplateNameFolder(), Folder(QStringLiteral("fallback")) + u'/');
    EXPECT_EQ(TemplateFullName(0), Folder(QStringLiteral("fallback")) + QStringLiteral("/t.tpx"));
    // A search starts there.
    messages.QueueAnswer(IdOk);
    EXPECT_FALSE(SearchTemplate(0));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].initialFolder, Folder(QStringLiteral("fallback")));
    EXPECT_EQ(dialogs.Requests()[0].fileName, QStringLiteral("t.tpx"));
}

// ---- Extent ----

TEST_F(TemplateTest, FullExtentTakesInShownTemplatesUnlessTemplatesAreHidden)
{
    // 8 x 4 pixels of 1 mm about (100, 50) mm.
    WriteRaster(InMaps("t.tpx"));
    TestMapWriter other = MapWith({});
    other.objects[0] = TestObject::Line(10, {{-300 * Mm, 0}, {-200 * Mm, 0}});
    WriteMap(other, InMaps("other.zmd"));
    TZmd* z = Open(WriteMap(MapWith({"t.tpx\ts1\tx10000\ty5000\tu100\tv100", "other.zmd\ts0"}), InMaps("m.zmd")));
    ASSERT_NE(z, nullptr);
    CordRect objects;
    ASSERT_TRUE(GetMapExtent(objects));
    CordRect r;
    ASSERT_TRUE(GetFullExtent(r));
    EXPECT_EQ(r.x1, objects.x1);
    EXPECT_EQ(r.y1, objects.y1);
    EXPECT_EQ(r.x2, 104 * Mm);
    EXPECT_EQ(r.y2, 52 * Mm);

    // A shown map template adds its objects' extent.
    z->Templates.SetString(1, QStringLiteral("other.zmd\ts1"));
    ASSERT_TRUE(GetFullExtent(r));
    EXPECT_LT(r.x1, -300 * Mm);
    EXPECT_EQ(r.x2, 104 * Mm);

    z->Setup.TemplatesHidden = true;
    ASSERT_TRUE(GetFullExtent(r));
    EXPECT_EQ(r, objects);
    z->Setup.TemplatesHidden = false;
    z->Templates.SetString(0, QStringLiteral("t.tpx\ts0\tx10000\ty5000\tu100\tv100"));
    z->Templates.SetString(1, QStringLiteral("other.zmd\ts0"));
    ASSERT_TRUE(GetFullExtent(r));
    EXPECT_EQ(r, objects);
    // Nothing stays loaded or open for the extent.
    EXPECT_EQ(FindDocument(InMaps("other.zmd")), nullptr);
}

TEST_F(TemplateTest, AMapWithoutObjectsHasTheExtentOfItsTemplates)
{
    WriteRaster(InMaps("t.tpx"));
    TestMapWriter w = MapWith({"t.tpx\ts1\tx10000\ty5000\tu100\tv100"});
    w.objects.clear();
    TZmd* z = Open(WriteMap(w, InMaps("m.zmd")));
    ASSERT_NE(z, nullptr);
    CordRect r;
    EXPECT_TRUE(GetFullExtent(r));
    EXPECT_EQ(r, (CordRect{96 * Mm, 48 * Mm, 104 * Mm, 52 * Mm}));
    z->Setup.TemplatesHidden = true;
    EXPECT_FALSE(GetFullExtent(r));
}

} // namespace
} // namespace zemo::test
