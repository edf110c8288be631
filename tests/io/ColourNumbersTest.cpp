// Symbols taken from a map with another colour table take this map's colours: pasting objects
// or symbols and importing the map add the colours this map lacks and say so once, or refuse
// when the table has no room; a paste within one map says nothing. The import says too what it
// left out.
#include "../support/ProgramFixture.h"
#include "core/ByteIO.h"
#include "core/Element.h"
#include "document/Index.h"
#include "io/widgets/ImportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class ColourNumbers : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        // A water line in blue with brown dots; colour 0 is black in both maps.
        TestMapWriter source(8);
        source.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(5, "Blue", 200, 0, 0, 0),
                         TestColor::Cmyk(7, "Brown", 0, 100, 200, 40)};
        source.symbols = {TestSymbol::Line(1010, 5, 50, {TestElement::Dot(7, 60)}), TestSymbol::Line(1020, 0)};
        source.objects = {TestObject::Line(1010, {{-10 * Mm, 0}, {10 * Mm, 0}}),
                          TestObject::Line(1020, {{-10 * Mm, 5 * Mm}, {10 * Mm, 5 * Mm}}),
                          TestObject::Line(3030, {{-10 * Mm, 9 * Mm}, {10 * Mm, 9 * Mm}})};  // no such symbol
        sourcePath = TempPath(QStringLiteral("source.zmd"));
        ASSERT_TRUE(source.WriteTo(QFile::encodeName(sourcePath).toStdString()));
        TestMapWriter target(8);
        target.colors = {TestColor::Cmyk(0, "black ", 0, 0, 0, 200), TestColor::Cmyk(5, "Grey", 0, 0, 0, 100)};
        target.symbols = {TestSymbol::Line(2010, 0)};
        ASSERT_TRUE(OpenWritten(target, QStringLiteral("target.zmd")));
        ASSERT_TRUE(OpenMap(sourcePath));
    }
    QMdiSubWindow* Window(int k) const { return Frame().MdiArea()->subWindowList().value(k); }
    // The water line picked with the edit tool in the source map.
    void PickWater()
    {
        Activate(Window(1));
        ShowAtTenthMillimetres();
        Trigger(Cmd::EditObjBtn);
        Click(Surface(), At(0, 0));
        ASSERT_EQ(Index.SelectedIndex, 1);
    }
    QString Said() const { return messages.Count() ? MessageText(messages.Last()) : QString(); }
    static constexpr const char* Lines = "Colour 5 Blue of the source is added to this map as colour 1\r\n"
                                         "Colour 7 Brown of the source is added to this map as colour 2";
    // The water line's symbol here draws in the colours added for it: line 1, dots 2.
    static void ExpectWaterColours(int16_t number10)
    {
        SymbolBytes* sym = nullptr;
        ASSERT_TRUE(GetSymbol(number10, sym));
        EXPECT_EQ(LoadLE<int16_t>(sym->data() + 348), 1);
        EXPECT_EQ(LoadLE<int16_t>(sym->data() + 424 + 4), 2);
        const SymbolHeaderBlock& b = Index.ActiveZmd->ColorBlock;
        ASSERT_EQ(b.ColorCount, 4);
        std::vector<std::pair<int, std::string>> table;
        for (int i = 0; i < 4; ++i)
            table.emplace_back(b.Colors[size_t(i)].Number, ShortFieldText(b.Colors[size_t(i)].Name));
        EXPECT_EQ(table, (std::vector<std::pair<int, std::string>>{{0, "black "}, {1, "Blue"}, {2, "Brown"}, {5, "Grey"}}));
    }
    QString sourcePath;
};

TEST_F(ColourNumbers, PastedObjectsAndSymbolsNameTheColoursThatDifferOnce)
{
    PickWater();
    Trigger(Cmd::EditCopy);
    messages.Clear();
    Trigger(Cmd::EditPaste);
    EXPECT_EQ(messages.Count(), 0) << "the same colour table: nothing to say";

    Activate(Window(0));
    messages.Clear();
    Trigger(Cmd::EditPaste);
    ASSERT_EQ(Index.ActiveZmd->HighestObject, 1);
    ASSERT_TRUE(ReadElement(1, AuxElement1));
    EXPECT_GT(AuxElement1.Symbol, 0) << "the symbol came along";
    ExpectWaterColours(AuxElement1.Symbol);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::ColoursMapped);
    EXPECT_EQ(messages.Last().kind, MsgKind::Warning);
    EXPECT_EQ(Said(), QStringLiteral("The symbols from the clipboard take this map's colours:\r\n") + QLatin1String(Lines));
    messages.Clear();
    Trigger(Cmd::EditPaste);
    EXPECT_EQ(messages.Count(), 0) << "the colours are here now";
    EXPECT_EQ(Index.ActiveZmd->SymbolCount(), 2) << "and so is the symbol";

    // Symbol > Copy of a symbol of the source, Symbol > Paste here.
    const auto pasteSymbol = [this](int16_t pos) {
        Activate(Window(1));
        Index.ActiveZmd->Setup.CurrentSymbolIndex = pos;
        Trigger(Cmd::SymbolCopy);
        Activate(Window(0));
        messages.Clear();
        Trigger(Cmd::SymbolPaste);
    };
    pasteSymbol(1);
    EXPECT_EQ(messages.Count(), 0) << "black is black, whatever its case and blanks";
    pasteSymbol(0);
    EXPECT_EQ(messages.Count(), 0);
    ASSERT_EQ(Index.ActiveZmd->SymbolCount(), 4);
    SymbolBytes& pasted = Index.ActiveZmd->Symbols.back();
    EXPECT_EQ(LoadLE<int16_t>(pasted.data() + 348), 1);
    EXPECT_EQ(LoadLE<int16_t>(pasted.data() + 424 + 4), 2);
}

// A map whose colour table is full takes no symbol that needs a colour it lacks: nothing is
// pasted, and the message says why.
TEST_F(ColourNumbers, AFullColourTableRefusesThePasteAndSaysWhy)
{
    TestMapWriter full(8);
    full.colors.clear();
    for (int n = 0; n < 256; ++n)
        full.colors.push_back(TestColor::Cmyk(uint16_t(n), "Grey " + std::to_string(n), 0, 0, 0, 100));
    ASSERT_TRUE(OpenWritten(full, QStringLiteral("full.zmd")));
    QMdiSubWindow* fullWindow = Frame().MdiArea()->activeSubWindow();
    PickWater();
    Trigger(Cmd::EditCopy);
    Activate(fullWindow);
    messages.Clear();
    Trigger(Cmd::EditPaste);
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 0);
    EXPECT_EQ(Index.ActiveZmd->SymbolCount(), 0);
    EXPECT_EQ(Index.ActiveZmd->ColorBlock.ColorCount, 256);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::ColoursRefused);
    EXPECT_EQ(Said(), QStringLiteral("The symbols from the clipboard cannot take this map's colours, and nothing was "
                                     "brought in:\r\nThey need 2 colours this map does not have, and its colour "
                                     "table has room for 0 more."));
}

TEST_F(ColourNumbers, AnImportedMapSaysWhatItBroughtAndTheColoursThatDiffer)
{
    Activate(Window(1));
    Trigger(Cmd::FileClose);
    ASSERT_EQ(Frame().MdiArea()->subWindowList().size(), 1);
    messages.Clear();
    dialogs.QueueAnswer(true, sourcePath);
    // The import dialog as it opens: placed by the mouse.
    QTimer::singleShot(0, [] {
        if (auto* dlg = dynamic_cast<TImportDlg*>(QApplication::activeModalWidget()))
            dlg->accept();
    });
    Trigger(Cmd::FileImport);
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 2);
    ASSERT_EQ(messages.Count(), 2);
    EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::ImportReportRead);
    EXPECT_EQ(messages.Entries()[0].msg.kind, MsgKind::Warning);
    EXPECT_TRUE(MessageText(messages.Entries()[0].msg)
                    .endsWith(QLatin1String("Line objects: 2\r\nLeft out:\r\n") + Text(TextKey::ObjectsWithoutSymbol)
                              + QLatin1String(": 1")));
    EXPECT_EQ(messages.Last().key, TextKey::ColoursMapped);
    EXPECT_EQ(Said(), QStringLiteral("The symbols from source.zmd take this map's colours:\r\n") + QLatin1String(Lines));
    ASSERT_TRUE(ReadElement(1, AuxElement1));
    ExpectWaterColours(AuxElement1.Symbol);
}

} // namespace
} // namespace zemo::test
