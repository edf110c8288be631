// Extras > Text script in the running program: the script byte (+387) of the selected text and
// line-text symbols whose fonts offer the script, the questions for fonts that do not or are
// not installed, and nothing written without a text symbol.
#include "EditorFlow.h"
#include "core/Messages.h"
#include "shell/widgets/ChkFontsDlg.h"
#include "symbols/TextScript.h"
#include "symbols/widgets/UnicodeDlg.h"

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int Cyrillic = 204;
constexpr int Thai = 222;

class TextScriptFlow : public EditorFlow {
protected:
    // The dialog's entry of a character set.
    static int EntryOf(int charset)
    {
        const std::vector<TextScript>& scripts = TextScripts();
        for (size_t i = 0; i < scripts.size(); ++i)
            if (scripts[i].charset == charset)
                return int(i);
        ADD_FAILURE() << "no script " << charset;
        return -1;
    }
    static QString NameOf(int charset) { return TextScripts().at(size_t(EntryOf(charset))).name; }
    // The symbols at these list positions selected, none current.
    void SelectSymbols(std::initializer_list<int> positions)
    {
        TZmd& z = *Index.ActiveZmd;
        for (SymbolBytes& s : z.Symbols)
            SetSymU8(s, SymSelected, 0);
        for (int k : positions)
            SetSymU8(z.Symbols[size_t(k)], SymSelected, 1);
        MakeCurrent(-1);
    }
    void RunScript(int charset)
    {
        script.Then<TUnicodeDlg>([charset](TUnicodeDlg& d) {
            auto* combo = Find<QComboBox>(d, "ScriptB");
            EXPECT_EQ(combo->currentIndex(), 0) << "the first script on every showing";
            combo->setCurrentIndex(EntryOf(charset));
            Press(d, "OKBtn");
        });
        RunCommand(Cmd::ExtrasTextScript);
    }
    static int ScriptByte(int k) { return StoredRecord(k).at(387); }
};

} // namespace

TEST(TextScripts, TheShippedListNamesEachWindowsSetOnce)
{
    const std::vector<TextScript>& scripts = TextScripts();
    ASSERT_GE(scripts.size(), 10u);
    EXPECT_EQ(scripts.front().charset, 0);
    std::set<int> sets;
    for (const TextScript& s : scripts) {
        EXPECT_TRUE(sets.insert(s.charset).second) << s.charset;
        EXPECT_FALSE(s.name.isEmpty());
    }
    for (int c : {0, 238, 204, 161, 162, 177, 178, 186, 163, 222, 128, 134, 136, 129, 130, 2})
        EXPECT_TRUE(sets.count(c)) << c;
    // Lines the reader leaves out.
    const std::vector<TextScript> parsed =
        ParseTextScripts(QStringLiteral("# comment\n\n204 Cyrillic # here\r\n256 Too big\nx Name\n-1 Negative\n7\n 161  Greek \n"));
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].charset, 204);
    EXPECT_EQ(parsed[0].name, QStringLiteral("Cyrillic"));
    EXPECT_EQ(parsed[1].charset, 161);
    EXPECT_EQ(parsed[1].name, QStringLiteral("Greek"));
}

TEST_F(TextScriptFlow, APointSymbolCurrentIsNoTextSymbolAndNothingIsWritten)
{
    ASSERT_TRUE(Open(MapWith({TestSymbol::Point(101), TestSymbol::Text(401, "Liberation Sans")})));
    const std::vector<uint8_t> before = WorkFile();
    // The text symbol is selected too: the current symbol stands alone.
    SetSymU8(Index.ActiveZmd->Symbols[1], SymSelected, 1);
    MakeCurrent(0);
    RunScript(Cyrillic);
    EXPECT_EQ(messages.CountOf(TextKey::TextSymRequired), 1);
    EXPECT_EQ(messages.Count(), 1);
    EXPECT_EQ(WorkFile(), before);
    EXPECT_EQ(SymU8(Index.ActiveZmd->Symbols[1], SymSelected), 0);
}

TEST_F(TextScriptFlow, AFontThatOffersTheScriptGetsIt)
{
    ASSERT_TRUE(Open(MapWith({TestSymbol::Text(401, "Liberation Sans"), TestSymbol::Point(101),
                              TestSymbol::LineText(451, "Arial"), TestSymbol::Text(402, "DejaVu Serif")})));
    SelectSymbols({0, 1, 2});
    RunScript(Cyrillic);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(ScriptByte(0), Cyrillic);
    EXPECT_EQ(ScriptByte(2), Cyrillic) << "a Windows name by its substitute";
    EXPECT_EQ(ScriptByte(3), 0) << "not selected";
    EXPECT_EQ(SymU8(Index.ActiveZmd->Symbols[0], TsCharset), Cyrillic);

    // Back to the Western set by the current symbol alone.
    MakeCurrent(0);
    RunScript(0);
    EXPECT_EQ(ScriptByte(0), 0);
    EXPECT_EQ(ScriptByte(2), Cyrillic);
}

TEST_F(TextScriptFlow, AScriptTheFontLacksAsksAndCancelLeavesTheLaterSymbols)
{
    // Opening lists the missing font.
    script.Then<TChkFontsDlg>([](TChkFontsDlg& d) { Press(d, "OKBtn"); });
    ASSERT_TRUE(Open(MapWith({TestSymbol::Text(401, "Liberation Sans"), TestSymbol::Text(402, "DejaVu Math TeX Gyre"),
                              TestSymbol::Text(403, "Liberation Serif"), TestSymbol::Text(404, "No Such Font")})));
    ASSERT_FALSE(FontOffersCharset(QStringLiteral("DejaVu Math TeX Gyre"), Cyrillic)) << "the test needs a font without it";
    SelectSymbols({0, 1, 2, 3});
    // Thai: no installed font has it; each font is asked about until Cancel.
    messages.QueueAnswer(IdOk);
    messages.QueueAnswer(IdCancel);
    RunScript(Thai);
    ASSERT_EQ(messages.CountOf(TextKey::ScriptNotSupported), 2);
    EXPECT_EQ(messages.Last().params, QStringLiteral("DejaVu Math TeX Gyre;") + NameOf(Thai));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(ScriptByte(k), 0) << k;

    // Cyrillic: the first gets it, Cancel at the second leaves the third as it was.
    messages.Clear();
    messages.QueueAnswer(IdCancel);
    RunScript(Cyrillic);
    EXPECT_EQ(messages.CountOf(TextKey::ScriptNotSupported), 1);
    EXPECT_EQ(ScriptByte(0), Cyrillic);
    EXPECT_EQ(ScriptByte(2), 0);

    // A font that is not installed is asked about; OK goes on.
    messages.Clear();
    SelectSymbols({3, 2});
    messages.QueueAnswer(IdOk);
    RunScript(Cyrillic);
    EXPECT_EQ(messages.CountOf(TextKey::FontNotFound), 1);
    EXPECT_EQ(messages.Last().params, QStringLiteral("No Such Font"));
    EXPECT_EQ(ScriptByte(2), Cyrillic);
    EXPECT_EQ(ScriptByte(3), 0);
}
