// The fonts of text and line-text symbols checked against the installed ones: on injected
// lists record by record, then in the running program after File > Open and Symbol > Load
// symbols, with the missing-fonts dialog, and on the shipped orienteering set with Debian's
// fonts.
#include "ShellFixture.h"
#include "../support/MapSnapshot.h"

#include "ModalDialog.h"

#include "../support/TestMapReader.h"
#include "core/Folders.h"
#include "core/Help.h"
#include "shell/ChkFonts.h"
#include "shell/widgets/ChkFontsDlg.h"
#include "symbols/store/SymbolRecords.h"


namespace zemo::test {
namespace {

SymbolBytes RecordOf(const TestSymbol& s)
{
    TestMapWriter w(8);
    w.symbols.push_back(s);
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);
    const size_t pos = size_t(l.symbolRecords[0]);
    return SymbolBytes(b.begin() + long(pos), b.begin() + long(pos + s.Size()));
}

TestSymbol WithSet(TestSymbol s, uint8_t charset)
{
    s.SetU8(387, charset);
    return s;
}

std::string FontOf(const SymbolBytes& rec)
{
    return ShortFieldText(std::span(rec).subspan(348, 32));
}

InstalledFonts Lists()
{
    InstalledFonts f;
    f.families = {{QStringLiteral("Family"), {0, 238}},
                  {QStringLiteral("Other"), {204, 0}}};
    f.faces = {{QStringLiteral("Family Bold"), QStringLiteral("Family"), {0}},
               {QStringLiteral("Family Bold Italic"), QStringLiteral("Family"), {0, 238}},
               {QStringLiteral("Orphan Face"), QStringLiteral("Gone"), {0}}};
    return f;
}

TEST(CheckFonts, NamesAndSetsAreRepairedFromTheListsAndMissingFontsListed)
{
    struct Row {
        const char* what;
        TestSymbol symbol;
        const char* font;   // afterwards
        uint8_t charset;    // afterwards
        const char* line;   // of the missing list, or nullptr
    };
    const Row rows[] = {
        {"a family with its set", WithSet(TestSymbol::Text(400, "Family"), 238), "Family", 238, nullptr},
        {"names compare without case", TestSymbol::Text(400, "fAMILY"), "fAMILY", 0, nullptr},
        {"a set the family lacks becomes its default", WithSet(TestSymbol::Text(400, "Other"), 238),
         "Other", 204, nullptr},
        {"a face becomes its family's name", TestSymbol::Text(400, "Family Bold"), "Family", 0, nullptr},
        {"a face of two style words too, keeping a set it offers",
         WithSet(TestSymbol::Text(400, "Family Bold Italic"), 238), "Family", 238, nullptr},
        {"a face's set it lacks becomes its default", WithSet(TestSymbol::Text(400, "Family Bold"), 238),
         "Family", 0, nullptr},
        {"a line text is checked as well", TestSymbol::LineText(450, "Family Bold"), "Family", 0, nullptr},
        {"a face whose family is not listed is missing", WithSet(TestSymbol::Text(400, "Orphan Face"), 238),
         "Orphan Face", 0, "40.0: Orphan Face"},
        {"a font of neither list is missing and kept", WithSet(TestSymbol::Text(405, "NoSuchFont"), 161),
         "NoSuchFont", 161, "40.5: NoSuchFont"},
        {"no blank is cut off a missing name", TestSymbol::Text(400, "Family Extra"), "Family Extra", 0,
         "40.0: Family Extra"},
    };
    const InstalledFonts lists = Lists();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<SymbolBytes> symbols{RecordOf(r.symbol)};
        const QStringList missing = CheckSymbolFonts(symbols, 0, 0, lists);
        EXPECT_EQ(FontOf(symbols[0]), r.font);
        EXPECT_EQ(symbols[0][387], r.charset);
        EXPECT_EQ(symbols[0][380], 0) << "the font colour is not the set";
        EXPECT_EQ(missing, r.line ? QStringList{QString::fromLatin1(r.line)} : QStringList{});
    }
}

TEST(CheckFonts, OnlyTextAndLineTextRecordsOfTheirFullSizeInTheRangeAreLookedAt)
{
    // A plain line symbol, a text record too short by 4 bytes and a line text of a wrong size
    // word carry a missing name where a text symbol has it: none is touched.
    TestSymbol line = TestSymbol::Line(200);
    line.body.resize(588 - 348);
    line.SetShortString(348, "NoSuchFont", 31);
    TestSymbol shortText = TestSymbol::Text(410, "NoSuchFont");
    shortText.body.resize(584 - 348);
    TestSymbol lineText = TestSymbol::LineText(420, "NoSuchFont");
    std::vector<SymbolBytes> symbols{RecordOf(line), RecordOf(shortText), RecordOf(lineText),
                                     RecordOf(TestSymbol::Text(430, "NoSuchFont")),
                                     RecordOf(TestSymbol::Text(440, "NoSuchFont"))};
    SetSymI16(symbols[2], 0, 436);
    const std::vector<SymbolBytes> before = symbols;
    const InstalledFonts lists = Lists();
    EXPECT_TRUE(CheckSymbolFonts(symbols, 0, 2, lists).isEmpty());
    EXPECT_EQ(symbols, before);
    // The same missing font in two symbols gives two lines; the range is cut to the list.
    EXPECT_EQ(CheckSymbolFonts(symbols, -5, 99, lists),
              (QStringList{QStringLiteral("43.0: NoSuchFont"), QStringLiteral("44.0: NoSuchFont")}));
    EXPECT_TRUE(CheckSymbolFonts(symbols, 4, 3, lists).isEmpty());
}

class CheckFontsFlow : public ShellTest {
protected:
    QString WriteFontMap(const QString& name, std::vector<TestSymbol> symbols)
    {
        TestMapWriter w(8);
        w.symbols = std::move(symbols);
        const QString path = TempPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        return path;
    }
    // The list the missing-fonts dialog shows while `open` runs; empty when it does not come.
    QString ShownList(const std::function<void()>& open)
    {
        QString list;
        AnswerDialog<TChkFontsDlg>([&] { open(); Settle(); }, [&](TChkFontsDlg& d) {
            EXPECT_EQ(d.windowTitle(), Text(TextKey::FontsNotFound));
            list = d.ListText();
            Press(d, "HelpBtn");
            Press(d, "OKBtn");
        });
        return list;
    }
    static ReadMap WorkingFile() { return ReadMapBytes(WorkingFileBytes(*Index.ActiveZmd)); }
};

TEST_F(CheckFontsFlow, OpenedMapsAndLoadedSymbolsListTheirMissingFontsAndTakeFacesAsFamilies)
{
    RecordingHelp help;
    const QString path = WriteFontMap(QStringLiteral("fonts.zmd"),
                                      {TestSymbol::Line(200), TestSymbol::Text(400, "NoSuchFont"),
                                       TestSymbol::Text(410, "Liberation Sans Bold"),
                                       TestSymbol::LineText(420, "NoSuchFont")});
    EXPECT_EQ(ShownList([&] { ASSERT_TRUE(OpenMap(path)); }), QStringLiteral("40.0: NoSuchFont\n42.0: NoSuchFont"));
    EXPECT_EQ(help.Topics(), std::vector<int>{ChkFontsHelpContext});
    EXPECT_EQ(FontOf(Index.ActiveZmd->Symbols[2]), "Liberation Sans");
    EXPECT_EQ(FontOf(WorkingFile().Symbol(410)->bytes), "Liberation Sans Bold") << "the file keeps its names";

    const QString other = WriteFontMap(QStringLiteral("other.zmd"), {TestSymbol::Text(700, "Frutiger 55")});
    messages.SetDefaultAnswer(IdOk);
    dialogs.QueueAnswer(true, other);
    EXPECT_EQ(ShownList([&] { Choose(Cmd::SymbolLoad); }), QStringLiteral("70.0: Frutiger 55"));
}

TEST_F(CheckFontsFlow, TheOrienteeringSetOpensWithoutTheDialogAndKeepsArial)
{
    const QString map = DataFolder() + QStringLiteral("SYMBOL/orienteering-15000.zmd");
    const ReadMap shipped = ReadMapFile(QFile::encodeName(map).toStdString());
    EXPECT_EQ(ShownList([&] { ASSERT_TRUE(OpenMap(map)); }), QString());
    const ReadMap work = WorkingFile();
    int arial = 0;
    for (const ReadSymbol& s : shipped.symbols) {
        const int pos = Index.ActiveZmd->NumberTable[size_t(s.number10)];
        ASSERT_GE(pos, 0) << s.number10;
        const SymbolBytes& rec = Index.ActiveZmd->Symbols[size_t(pos)];
        if (!NamesFont(rec))
            continue;
        // Found under its Windows name: no name of the free font replaces it, nor its set.
        EXPECT_EQ(FontOf(rec), FontOf(s.bytes)) << s.number10;
        EXPECT_EQ(rec[387], s.bytes[387]) << s.number10;
        EXPECT_EQ(FontOf(work.Symbol(s.number10)->bytes), FontOf(s.bytes)) << s.number10;
        arial += FontOf(s.bytes) == "Arial";
    }
    EXPECT_GT(arial, 3);
}

} // namespace
} // namespace zemo::test
