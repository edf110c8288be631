// Symbols taken from a map with another colour table keep their colour numbers: pasting
// objects or symbols and importing the map say once which of those numbers name other
// colours here, or none at all; a paste within one map says nothing. The import says too
// what it left out.
#include "../support/ProgramFixture.h"
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
    static constexpr const char* Lines = "Colour 5: Blue in the source, Grey in this map\r\n"
                                         "Colour 7: Brown in the source, not in this map";
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
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::ColoursByNumber);
    EXPECT_EQ(messages.Last().kind, MsgKind::Warning);
    EXPECT_EQ(Said(), QStringLiteral("The symbols from the clipboard keep their colour numbers, and these colours have "
                                     "other names in this map:\r\n")
                          + QLatin1String(Lines));

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
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_TRUE(Said().endsWith(QLatin1String(Lines))) << Said().toStdString();
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
    EXPECT_EQ(messages.Last().key, TextKey::ColoursByNumber);
    EXPECT_TRUE(Said().startsWith(QLatin1String("The symbols from source.zmd keep")));
    EXPECT_TRUE(Said().endsWith(QLatin1String(Lines))) << Said().toStdString();
}

} // namespace
} // namespace zemo::test
