#include "OpenFixture.h"

#include "document/NewMap.h"

namespace zemo::test {

namespace {

TestMapWriter SymbolSet(int version)
{
    TestMapWriter w(version);
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Brown", 0, 112, 200, 36),
                TestColor::Cmyk(2, "Blue", 200, 0, 0, 0)};
    w.symbols = {TestSymbol::Point(10, {TestElement::Circle(0, 100), TestElement::Dot(1, 40)}),
                 TestSymbol::Line(20, 1, 35, {TestElement::Dot(1, 50)}),
                 TestSymbol::Area(30, 2, {TestElement::Dot(0, 30)}),
                 TestSymbol::Text(40, "Arial", 120),
                 TestSymbol::LineText(50, "Arial", 100),
                 TestSymbol::Rect(60, 0, 25)};
    PutI32(w.setup, setup::ViewCenterX, 123456);
    PutI32(w.setup, setup::ViewCenterY, -654321);
    PutF64(w.setup, setup::MapScale, 15000);
    PutF64(w.setup, setup::RealWorldOffsetX, 600000);
    PutShortString(w.setup, setup::TemplateFile, "old.bmp", 255);
    PutI16(w.setup, setup::TemplateMode, 1);
    PutF64(w.setup, setup::Zoom, 8);
    PutI32(w.setup, setup::ViewHistoryCount, 3);
    PutI16(w.setup, setup::PrintGrid, -1);
    PutShortString(w.setup, setup::MapPath, "/somewhere/set.zmd", 255);
    w.info = "A symbol set";
    return w;
}

} // namespace

class NewMapTest : public OpenTest {};

TEST_F(NewMapTest, ANewMapFromAVersion6SetIsAVersion8MapWithItsColoursAndSymbols)
{
    const QString set = Write(SymbolSet(6), "set6.zmd");
    ASSERT_TRUE(CreateNewMap(set, false));
    TZmd& z = Active();
    EXPECT_TRUE(Index.MapOpen);
    EXPECT_TRUE(DocumentPath(&z).isEmpty());
    EXPECT_EQ(z.Modified, 0);
    ASSERT_EQ(WorkingCopies().size(), 1);
    EXPECT_EQ(z.ColorBlock.ColorCount, 3);
    EXPECT_EQ(ShortFieldText(z.ColorBlock.Colors[1].Name), "Brown");
    ASSERT_EQ(z.SymbolCount(), 6);
    EXPECT_EQ(z.HighestObject, 0);
    const SetupRecord& s = z.Setup;
    EXPECT_EQ(s.ViewCenterX, 0);
    EXPECT_EQ(s.ViewCenterY, 0);
    EXPECT_EQ(s.MapScale, 15000);
    EXPECT_EQ(s.RealWorldOffsetX, 0);
    EXPECT_TRUE(s.TemplateFile.empty());
    EXPECT_EQ(s.TemplateMode, 0);
    EXPECT_EQ(s.TemplateScaleX, 15000);
    EXPECT_EQ(s.PrintScale, 15000);
    EXPECT_EQ(s.Zoom, 4.0);
    EXPECT_EQ(s.ViewHistoryCount, 0);
    EXPECT_TRUE(s.MapPath.empty());

    // Saved and read back by a fresh document: a version-8 map whose symbols are all usable.
    const QString saved = MapPath("new.zmd");
    dialogs.QueueAnswer(true, saved);
    ASSERT_TRUE(SaveMap(true));
    const auto bytes = ReadAll(saved);
    EXPECT_EQ(GetU16(bytes, hdr::Version), 8);
    EXPECT_EQ(GetU16(bytes, hdr::FileType), 2);
    EXPECT_EQ(GetI16(bytes, 48), 3);
    CloseAllDocuments();
    TZmd fresh;
    fresh.WorkFile.Open(saved);
    SetCurrentMap(&fresh);
    LoadMap();
    EXPECT_EQ(fresh.Header.Version, 8);
    ASSERT_EQ(fresh.SymbolCount(), 6);
    for (const SymbolBytes& rec : fresh.Symbols)
        EXPECT_TRUE(SymbolUsable(rec)) << SymI16(rec, SymNumber);
    SetCurrentMap(nullptr);
}

TEST_F(NewMapTest, CourseSettingTypeNeedsAVersion8CourseSet)
{
    TestMapWriter course = SymbolSet(8);
    course.fileType = 3;
    const QString folder = MapPath("");
    Write(SymbolSet(6), "a6.zmd");
    Write(SymbolSet(7), "b7.zmd");
    Write(SymbolSet(8), "c8.zmd");
    const QString cs = Write(course, "d8course.zmd");
    ASSERT_TRUE(WriteFileBytes(QFile::encodeName(folder + "e.zmd").toStdString(), std::vector<uint8_t>(60, 1)));
    EXPECT_EQ(ListSymbolSetFiles(folder, false), QStringList({"a6.zmd", "b7.zmd", "c8.zmd"}));
    EXPECT_EQ(ListSymbolSetFiles(folder, true), QStringList({"d8course.zmd"}));

    ASSERT_TRUE(CreateNewMap(cs, true));
    EXPECT_EQ(Active().Header.FileType, 3);
    EXPECT_TRUE(Active().CourseMap);
    EXPECT_FALSE(Active().Setup.PrintGrid);
    EXPECT_EQ(GetU16(ReadAll(Active().WorkFile.FileName()), hdr::FileType), 3);

    // An ordinary map from the same set.
    ASSERT_TRUE(CreateNewMap(cs, false));
    EXPECT_EQ(Active().Header.FileType, 2);
    EXPECT_FALSE(Active().CourseMap);
    EXPECT_EQ(Opening.OpenDocuments.size(), 2u);
}

TEST_F(NewMapTest, AnUnusableSetCreatesNothing)
{
    const QString junk = MapPath("junk.zmd");
    ASSERT_TRUE(WriteFileBytes(QFile::encodeName(junk).toStdString(), std::vector<uint8_t>(60, 1)));
    EXPECT_FALSE(CreateNewMap(junk, false));
    EXPECT_EQ(messages.Last().key, TextKey::NotZEMO6Format);
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_EQ(Index.ActiveZmd, nullptr);
}

TEST_F(NewMapTest, InformationTextSizesAtTheirBoundaries)
{
    ASSERT_TRUE(CreateNewMap(Write(SymbolSet(8), "set.zmd"), false));
    TZmd& z = Active();
    const auto infoSize = [&] { return GetI32(ReadAll(z.WorkFile.FileName()), hdr::InfoSize); };
    const auto infoPos = [&] { return GetI32(ReadAll(z.WorkFile.FileName()), hdr::InfoPos); };

    SetFileInfoText(QString(255, u'a'));
    EXPECT_EQ(infoSize(), 256);
    const int32_t pos = infoPos();
    EXPECT_EQ(GetFileInfoText(), QString(255, u'a'));
    // Shorter: rewritten in place.
    SetFileInfoText("short");
    EXPECT_EQ(infoPos(), pos);
    EXPECT_EQ(infoSize(), 256);
    EXPECT_EQ(GetFileInfoText(), "short");
    // 256 characters need the next block, which goes to the end of the file.
    const int64_t end = z.WorkFile.Size();
    SetFileInfoText(QString(256, u'b'));
    EXPECT_EQ(infoSize(), 512);
    EXPECT_EQ(infoPos(), end);
    // The largest text: 32767 characters and the NUL.
    SetFileInfoText(QString(40000, u'c'));
    EXPECT_EQ(infoSize(), 32768);
    EXPECT_EQ(GetFileInfoText(), QString(32767, u'c'));
    // Line breaks are stored as CR LF and come back as they were typed.
    SetFileInfoText("one\ntwo");
    const auto b = ReadAll(z.WorkFile.FileName());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()) + infoPos(), 8), std::string("one\r\ntwo"));
    EXPECT_EQ(GetFileInfoText(), "one\ntwo");
    EXPECT_EQ(z.Modified, 1);
}

TEST_F(NewMapTest, TheInformationOfASetIsReadWithinItsBounds)
{
    TestMapWriter w = SymbolSet(7);
    const QString set = Write(w, "info.zmd");
    EXPECT_EQ(ReadFileInfoOf(set), "A symbol set");
    for (int32_t size : {0, 32769}) {
        TestMapWriter bad = SymbolSet(8);
        bad.infoSize = FilePos::At(size);
        EXPECT_TRUE(ReadFileInfoOf(Write(bad, "bad.zmd")).isEmpty()) << size;
    }
    TestMapWriter past = SymbolSet(8);
    past.infoPos = FilePos::FromEnd(4);
    EXPECT_TRUE(ReadFileInfoOf(Write(past, "past.zmd")).isEmpty());
    EXPECT_TRUE(ReadFileInfoOf(MapPath("none.zmd")).isEmpty());
}

} // namespace zemo::test
