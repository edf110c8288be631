// The subset map writer: what a new compact map holds (chained object blocks, the symbols,
// the information text, the parameter strings), read back by the test-only reader at literal
// offsets; and what it never does: write over a file in use, or leave a target changed or a
// file behind after a failed write.
#include "DocumentFixture.h"

#include "../support/TestMapReader.h"
#include "core/FileClass.h"
#include "document/Subset.h"

#include <QFile>

#include <csignal>
#include <sys/resource.h>

using namespace zemo;
using namespace zemo::test;

namespace {

class SubsetTest : public DocTest {
protected:
    void TearDown() override
    {
        AbandonSubsetFile();
        DocTest::TearDown();
    }
    QString Target() const { return MapPath(QStringLiteral("subset.zmd")); }
    // Every live object of the current map appended.
    static int AppendAll()
    {
        int appended = 0;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, CurElement)) {
                EXPECT_TRUE(SubsetAppendObject(CurElement)) << n;
                ++appended;
            }
        return appended;
    }
    ReadMap Written() const
    {
        const ReadMap m = ReadMapBytes(ReadAll(Target()));
        EXPECT_TRUE(m.Sound()) << m.Problems();
        return m;
    }
    // Nothing but the files the test made: no new file left beside the target.
    QStringList Folder() const { return FilesIn(dir.path() + QStringLiteral("/maps")); }
};

TEST(TestMapReader, FindsTheSamplesSoundAndNamesDamage)
{
    for (int version : {6, 7, 8}) {
        const ReadMap m = ReadMapBytes(TestMapWriter::Sample(version).Build());
        EXPECT_TRUE(m.Sound()) << version << "\n" << m.Problems();
        EXPECT_EQ(m.header.version, version);
        EXPECT_FALSE(m.objects.empty());
    }
    struct Case {
        const char* name;
        std::function<void(TestMapWriter&)> damage;
    } cases[] = {
        {"cyclic object chain", [](TestMapWriter& w) { w.objectChainEnd = ChainEnd::ToSelf; }},
        {"symbol chain past the end", [](TestMapWriter& w) { w.symbolChainEnd = ChainEnd::PastEnd; }},
        {"point outside its rectangle", [](TestMapWriter& w) { w.objects[0].bounds = TestRect{0, 0, 1, 1}; }},
        {"counts above the length", [](TestMapWriter& w) { w.objects[1].nItemField = 400; }},
        {"text without its end", [](TestMapWriter& w) { w.objects[3].terminate = false; }},
        {"entry into the colour block", [](TestMapWriter& w) { w.objects[2].entryPosition = FilePos::At(100); }},
    };
    for (const Case& c : cases) {
        TestMapWriter w = TestMapWriter::Sample(8);
        c.damage(w);
        EXPECT_FALSE(ReadMapBytes(w.Build()).Sound()) << c.name;
    }
    TestMapWriter old = TestMapWriter::Sample(6);
    old.objects[1].cords[1].y |= DashFlag;
    EXPECT_FALSE(ReadMapBytes(old.Build()).Sound()) << "dash point in version 6";
}

TEST_F(SubsetTest, TheTwoHundredFiftySeventhObjectChainsASecondBlockAndDegenerateOnesAreLeftOut)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(10), TestSymbol::Line(20), TestSymbol::Area(30)};
    for (int i = 0; i < 257; ++i) {
        w.objects.push_back(TestObject::Point(10, i * mm, -i * mm));
        // Left out and not counted: a line of one point, an area of two.
        if (i == 100)
            w.objects.push_back(TestObject::Line(20, {{0, 0}}));
        if (i == 200)
            w.objects.push_back(TestObject::Area(30, {{0, 0}, {mm, 0}}));
    }
    Open(w);
    ASSERT_TRUE(CreateSubsetFile(Target(), 2, Z().Setup));
    EXPECT_EQ(AppendAll(), 259);
    EXPECT_EQ(SubsetObjectCount(), 257);
    ASSERT_TRUE(SubsetWriteSymbols(true));
    ASSERT_TRUE(CloseSubsetFile());

    const ReadMap m = Written();
    const std::vector<uint8_t> b = ReadAll(Target());
    ASSERT_EQ(m.objectSlots, 512);
    ASSERT_EQ(m.objects.size(), 257u);
    const int32_t first = GetI32(b, hdr::ObjectIndex), second = GetI32(b, size_t(first));
    // The second block starts right behind the last record of the first, and ends the chain.
    EXPECT_EQ(second, m.objects[255].pos + 40);
    EXPECT_EQ(GetI32(b, size_t(second)), 0);
    EXPECT_EQ(m.objects[256].pos, second + int32_t(kObjectIndexBlockSize));
    for (int i = 0; i < 257; ++i) {
        const ReadObject& o = m.objects[size_t(i)];
        EXPECT_EQ(o.number, i + 1);
        EXPECT_EQ(o.type, 1);
        EXPECT_EQ(o.cords[0].x, i * mm);
        EXPECT_EQ(o.cords[0].y, -i * mm);
        EXPECT_EQ(o.entryLength, 1);
    }
    EXPECT_EQ(m.symbols.size(), 3u);
    EXPECT_EQ(Folder(), QStringList({"subset.zmd"}));
}

TEST_F(SubsetTest, OnlyTheSymbolsTheObjectsUseAreWrittenWhenAskedAndTheirRecordsAreWhole)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(10), TestSymbol::Line(20), TestSymbol::Area(30), TestSymbol::Text(40)};
    w.symbols[1].status = 0x12;  // protected, and the used mark that only memory keeps
    w.objects = {TestObject::Line(20, {{0, 0}, {mm, mm}}), TestObject::Area(30, {{0, 0}, {mm, 0}, {0, mm}})};
    Open(w);
    const SymbolBytes line = Z().Symbols[1];
    for (bool all : {false, true}) {
        ASSERT_TRUE(CreateSubsetFile(Target(), 2, Z().Setup));
        AppendAll();
        ASSERT_TRUE(SubsetWriteSymbols(all));
        ASSERT_TRUE(CloseSubsetFile());
        const ReadMap m = Written();
        std::vector<int> numbers;
        for (const ReadSymbol& s : m.symbols)
            numbers.push_back(s.number10);
        EXPECT_EQ(numbers, all ? std::vector<int>({10, 20, 30, 40}) : std::vector<int>({20, 30}));
        const ReadSymbol* s = m.Symbol(20);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->bytes.size(), line.size());
        EXPECT_EQ(s->bytes[11], 0x02) << "status kept, used mark dropped";
        EXPECT_EQ(GetI32(s->bytes, 16), s->pos);
        EXPECT_TRUE(std::equal(line.begin() + 20, line.end(), s->bytes.begin() + 20));
    }
}

TEST_F(SubsetTest, WithoutSymbolsNoSymbolBlockIsWrittenAndHeaderAndColoursStayWhole)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.symbols.clear();
    Open(w);
    const std::vector<uint8_t> before = FileBytes();
    ASSERT_TRUE(CreateSubsetFile(Target(), 3, Z().Setup));
    AppendAll();
    ASSERT_TRUE(SubsetWriteSymbols(true));
    ASSERT_TRUE(CloseSubsetFile());
    const std::vector<uint8_t> b = ReadAll(Target());
    const ReadMap m = Written();
    EXPECT_EQ(m.header.symbolIndex, 0);
    EXPECT_TRUE(m.symbols.empty());
    EXPECT_EQ(m.header.fileType, 3);
    EXPECT_EQ(m.header.version, 8);
    EXPECT_EQ(m.header.setupPos, 19272);
    EXPECT_EQ(m.header.setupSize, 1348);
    EXPECT_EQ(m.header.stringIndex, 0);
    for (size_t at = 36; at < 48; ++at)
        EXPECT_EQ(b[at], 0) << at;
    EXPECT_TRUE(std::equal(before.begin() + 48, before.begin() + 19272, b.begin() + 48)) << "colour block";
}

TEST_F(SubsetTest, TheInformationTextIsCopiedBehindTheSetupUpTo65528Bytes)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(10)};
    w.objects = {TestObject::Point(10, 0, 0)};
    // Room for any information text the header may claim, behind everything else.
    w.trailing.assign(70000, 'i');
    Open(w);
    const int32_t trailing = int32_t(FileBytes().size() - 70000);
    const struct {
        int32_t size;
        int32_t pos;  // expected in the new file; 0: no text
    } cases[] = {{512, 20620}, {65528, 20620}, {65529, 0}, {0, 0}};
    for (const auto& c : cases) {
        Z().Header.InfoPos = c.size ? trailing : 0;
        Z().Header.InfoSize = c.size;
        ASSERT_TRUE(CreateSubsetFile(Target(), 2, Z().Setup));
        AppendAll();
        ASSERT_TRUE(SubsetWriteSymbols(true));
        ASSERT_TRUE(CloseSubsetFile());
        const std::vector<uint8_t> b = ReadAll(Target());
        EXPECT_EQ(GetI32(b, hdr::InfoPos), c.pos) << c.size;
        EXPECT_EQ(GetI32(b, hdr::InfoSize), c.pos ? c.size : 0) << c.size;
        if (c.pos) {
            // The text ends within its block.
            EXPECT_EQ(std::string(b.begin() + c.pos, b.begin() + c.pos + c.size),
                      std::string(size_t(c.size - 1), 'i') + '\0');
        }
        // The object block follows the text, or the setup record.
        EXPECT_EQ(GetI32(b, hdr::ObjectIndex), 20620 + (c.pos ? c.size : 0)) << c.size;
    }
}

TEST_F(SubsetTest, StringsAreCopiedWithTheirObjectsOrFollowThemButEmptyOnesAreNot)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(10)};
    w.objects = {TestObject::Point(10, 0, 0), TestObject::Point(10, mm, 0), TestObject::Point(10, 2 * mm, 0)};
    w.strings = {TestPString::Make(1, 1, "Start\tS1"), TestPString::Make(2, 0, std::string(5000, 'c')),
                 TestPString::Make(1, 3, "Finish"), TestPString::Make(1031, 0, ""),
                 TestPString::Make(5, 2, "link")};
    Open(w);
    const struct {
        bool renumber;
        std::vector<std::pair<int, std::string>> expected;  // object and text, in order
        int dropped;
    } cases[] = {
        {false, {{1, "Start\tS1"}, {0, std::string(5000, 'c')}, {3, "Finish"}, {2, "link"}}, 0},
        // Object 2 left out: 3 becomes 2, the string of 2 goes.
        {true, {{1, "Start\tS1"}, {0, std::string(5000, 'c')}, {2, "Finish"}}, 1},
    };
    for (const auto& c : cases) {
        const std::vector<int> numbers = {0, 1, 0, 2};
        ASSERT_TRUE(CreateSubsetFile(Target(), 2, Z().Setup));
        AppendAll();
        int dropped = 0;
        ASSERT_TRUE(SubsetCopyPStrings(c.renumber ? &numbers : nullptr, &dropped));
        ASSERT_TRUE(SubsetWriteSymbols(true));
        ASSERT_TRUE(CloseSubsetFile());
        const ReadMap m = Written();
        std::vector<std::pair<int, std::string>> got;
        for (const ReadString& s : m.strings)
            got.emplace_back(s.object, s.text);
        EXPECT_EQ(got, c.expected) << c.renumber;
        EXPECT_EQ(dropped, c.dropped);
        // The long string keeps the room it had.
        EXPECT_EQ(m.strings[1].reserved, 5056);
        // And the store reads it back.
        CloseCurrentMap(zmd);
        auto again = OpenAsCurrentMap(QFile::encodeName(Target()).toStdString());
        EXPECT_EQ(again->Courses.Count(), 1);
        CloseCurrentMap(again);
        OpenFile();
    }
}

TEST_F(SubsetTest, AStringThatFillsItsRecordIsCopiedWithItsEnd)
{
    TestMapWriter w(8);
    TestPString full = TestPString::Make(3, 0, "Men 21");
    full.terminate = false;
    w.strings = {full};
    Open(w);
    ASSERT_EQ(Z().Classes.Count(), 1);
    const QString text = Z().Classes.Strings(0);
    ASSERT_TRUE(CreateSubsetFile(Target(), 2, Z().Setup));
    ASSERT_TRUE(SubsetCopyPStrings());
    ASSERT_TRUE(CloseSubsetFile());
    const ReadMap m = Written();
    ASSERT_EQ(m.strings.size(), 1u);
    EXPECT_EQ(QString::fromLatin1(m.strings[0].text.c_str()), text);
    EXPECT_EQ(m.strings[0].reserved % 64, 0);
}

TEST_F(SubsetTest, ATargetInUseIsRefusedBeforeAnythingIsWritten)
{
    Open(TestMapWriter::Sample(8));
    const std::vector<uint8_t> old(100, 'x');
    WriteBytes(old, QStringLiteral("subset.zmd"));
    // Held by another file object (another program, or a map open in this one).
    {
        TFileClass holder;
        holder.Open(Target());
        EXPECT_FALSE(CreateSubsetFile(Target(), 2, Z().Setup));
        EXPECT_EQ(messages.CountOf(TextKey::ReadOnlyWrite), 1);
        EXPECT_EQ(messages.Last().params, MsgParamList{Target()});
    }
    EXPECT_EQ(ReadAll(Target()), old);
    // The file of an open document, though not locked by a working copy.
    messages.Clear();
    ASSERT_TRUE(OpenMapFile(Write(TestMapWriter::Sample(8), QStringLiteral("open.zmd")),
                            MapPath(QStringLiteral("open.zmd")), false, true));
    EXPECT_FALSE(CreateSubsetFile(MapPath(QStringLiteral("open.zmd")), 2, Z().Setup));
    EXPECT_EQ(messages.CountOf(TextKey::ReadOnlyWrite), 1);
    EXPECT_EQ(Folder(), QStringList({"open.zmd", "subset.zmd"}));
}

TEST_F(SubsetTest, AFailedWriteLeavesAnOldTargetByteForByteAndNoFileBehind)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(10)};
    // More than the writer keeps in memory before it writes.
    for (int i = 0; i < 30000; ++i)
        w.objects.push_back(TestObject::Point(10, i * mm / 100, 0));
    Open(w);
    const std::vector<uint8_t> old(30000, 'o');
    WriteBytes(old, QStringLiteral("subset.zmd"));
    // A full device: writes beyond 40000 bytes fail.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{40000, 40000};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    ASSERT_TRUE(CreateSubsetFile(Target(), 2, Z().Setup));
    int refused = 0;
    for (int n = 1; n <= Z().HighestObject; ++n)
        if (ReadElement(n, CurElement) && !SubsetAppendObject(CurElement))
            ++refused;
    EXPECT_GT(refused, 0);
    EXPECT_FALSE(SubsetWriteSymbols(true));
    EXPECT_FALSE(CloseSubsetFile());
    EXPECT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotWrite);
    EXPECT_EQ(messages.Last().params, MsgParamList{Target()});
    EXPECT_EQ(ReadAll(Target()), old);
    EXPECT_EQ(Folder(), QStringList({"subset.zmd"}));
}

} // namespace
