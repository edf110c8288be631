// Symbol-graphics editing in the running program: Edit... hands a symbol's element list to
// the window, the drawing tools draw elements with the quick editor's values, and the Close
// button (or the window's close) gives the list back to the editor, which stores it; the
// window and the map are then as they were.
#include "EditorFlow.h"
#include "document/Undo.h"
#include "symbols/SymEdit.h"
#include "symbols/widgets/LineSymDlg.h"
#include "symbols/widgets/PointSymDlg.h"

#include <QButtonGroup>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

class GraphicsEditFlow : public EditorFlow {
protected:
    // A point symbol with one dot, a line symbol with a list in each of its five places, and
    // a line object of the line symbol off the origin.
    static TestMapWriter Sample()
    {
        TestElement dot = TestElement::Dot(2, 150);
        TestSymbol point = TestSymbol::Point(101, {dot});
        TestSymbol line = LineWithLists(201, {{TestElement::Dot(1, 40)}, {TestElement::Circle(2, 60)},
                                              {TestElement::Dot(3, 30)}, {TestElement::Dot(4, 30)},
                                              {TestElement::Dot(5, 20)}});
        TestMapWriter w = MapWith({point, line});
        w.objects.push_back(TestObject::Line(201, {{40 * Mm, 30 * Mm}, {90 * Mm, 30 * Mm}}));
        PutF64(w.setup, setup::Zoom, 2.0);
        PutI32(w.setup, setup::ViewCenterX, 60 * Mm);
        PutI32(w.setup, setup::ViewCenterY, 25 * Mm);
        return w;
    }
    struct MapState {
        double zoom;
        int32_t x, y;
        int highest, objects;
        ColorSet used;
        uint8_t preview;
        bool canUndo;
        friend bool operator==(const MapState&, const MapState&) = default;
    };
    static MapState State()
    {
        const TZmd& z = *Index.ActiveZmd;
        return {z.Setup.Zoom, z.Setup.ViewCenterX, z.Setup.ViewCenterY, z.HighestObject, CountObjects(),
                z.UsedColors, z.CoursePreviewOn, CanUndo()};
    }
    // The quick editor's values for the next element: colour, width in mm, line style button.
    void PanelValues(int color, double width, int style)
    {
        MainFramePanels& p = Panels();
        p.SymColB->setCurrentIndex(p.SymColB->findData(color));
        p.SymWidthE->setValue(width);
        p.SymStyleB->button(style)->setChecked(true);
    }
    // A line of three points with the curve tool, ended by a click on its last point.
    void DrawLine()
    {
        Panels().SymLineBtn->click();
        Trigger(Cmd::CurveBtn);
        ASSERT_EQ(Work.ToolMode, ToolModes::Curve);
        if (View().SwallowClick)
            Click(Surface(), {5, 5});
        const QPoint pts[] = {{100, 120}, {220, 100}, {320, 180}};
        for (QPoint p : pts)
            DragPoint(Surface(), p, p + QPoint(30, 10));
        Click(Surface(), pts[2] + QPoint(30, 10));
        Settle();
    }
    // Four head words (by their offsets) of each element of the window's buffer.
    static std::vector<std::array<int, 4>> HeadWords(std::array<size_t, 4> at)
    {
        std::vector<std::array<int, 4>> out;
        const SymbolGraphicsBuffer& g = Work.ActiveView->SymbolGraphics;
        const std::vector<uint8_t> b(g.Slots.begin(), g.Slots.begin() + g.UsedSlots * 8);
        for (size_t s = 0; s + 16 <= b.size();) {
            out.push_back({GetU16(b, s + at[0]), GetU16(b, s + at[1]), GetU16(b, s + at[2]), GetU16(b, s + at[3])});
            s += 16 + 8 * size_t(GetU16(b, s + 10));
        }
        return out;
    }
    // (kind, colour, width, diameter) of each element.
    static std::vector<std::array<int, 4>> Heads() { return HeadWords({0, 4, 6, 8}); }
    // (kind, style, colour, width) of each element.
    static std::vector<std::array<int, 4>> Elements() { return HeadWords({0, 2, 4, 6}); }
};

} // namespace

TEST_F(GraphicsEditFlow, ALineDrawnInTheWindowBecomesAnElementOfThePointSymbol)
{
    ASSERT_TRUE(Open(Sample()));
    Settle();
    const MapState before = State();
    const size_t fileEnd = WorkFile().size();
    const std::vector<uint8_t> old = StoredRecord(0);
    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) { Press(d, "EditBtn"); });
    RunCommand(Cmd::SymbolEdit);

    ASSERT_TRUE(View().SymbolGraphicsMode);
    EXPECT_TRUE(Panels().SymEditPanel->isVisible());
    EXPECT_FALSE(Panels().SymDock->isVisible());
    EXPECT_EQ(Index.ActiveZmd->Setup.Zoom, 32.0);
    EXPECT_EQ(Index.ActiveZmd->Setup.ViewCenterX, 0);
    EXPECT_EQ(Panels().SymColB->count(), 6) << "the map's colours";
    EXPECT_EQ(CountObjects(), 1) << "the dot of the symbol";

    // 0.29 mm is 29 hundredths, though 0.29 x 100 falls just short of 29.
    PanelValues(4, 0.29, 1);
    DrawLine();
    const auto elements = Elements();
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[1], (std::array<int, 4>{1, 1, 4, 29}));
    // Selected again after the editor moved on to mitred joins, the line shows its round ones.
    Panels().SymStyleB->button(2)->setChecked(true);
    Trigger(Cmd::EditObjBtn);
    if (View().SwallowClick)
        Click(Surface(), {5, 5});
    Click(Surface(), {100, 20}); // off the new line, which was selected
    ASSERT_EQ(Index.SelectedIndex, 0);
    Click(Surface(), {100, 120});
    ASSERT_GT(Index.SelectedIndex, 0);
    EXPECT_EQ(Panels().SymStyleB->checkedId(), 1);

    script.Then<TPointSymDlg>([](TPointSymDlg& d) { Press(d, "OKBtn"); });
    Panels().SymCloseBtn->click();
    Settle();
    EXPECT_TRUE(script.Done());
    EXPECT_FALSE(View().SymbolGraphicsMode);
    EXPECT_FALSE(Panels().SymEditPanel->isVisible());
    EXPECT_TRUE(Panels().SymDock->isVisible());
    EXPECT_EQ(State(), before) << "zoom, position, objects, colours, preview and undo as before";

    int32_t pos = 0;
    const std::vector<uint8_t> rec = StoredRecord(0, &pos);
    EXPECT_GE(size_t(pos), fileEnd) << "the grown record goes to the end of the file";
    ASSERT_GT(rec.size(), old.size());
    EXPECT_EQ(GetI16(rec, 348), int16_t((rec.size() - 352) / 8));
    EXPECT_TRUE(std::equal(old.begin() + 352, old.end(), rec.begin() + 352)) << "the dot first";
    EXPECT_EQ(GetU16(rec, old.size()), 1);       // a line element
    EXPECT_EQ(GetU16(rec, old.size() + 2), 1);   // style 1
    EXPECT_EQ(GetU16(rec, old.size() + 4), 4);   // colour 4
    EXPECT_EQ(GetU16(rec, old.size() + 6), 29);  // 0.29 mm
    EXPECT_EQ(rec[20], (1 << 2) | (1 << 4));
}

TEST_F(GraphicsEditFlow, CancelAfterGraphicsEditingLeavesTheFileAsItWas)
{
    ASSERT_TRUE(Open(Sample()));
    Settle();
    const std::vector<uint8_t> before = WorkFile();
    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) {
        SetText(d, "DescriptionB", QStringLiteral("Changed"));
        Press(d, "EditBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    PanelValues(3, 0.3, 0);
    DrawLine();
    script.Then<TPointSymDlg>([](TPointSymDlg& d) {
        EXPECT_EQ(Find<QLineEdit>(d, "DescriptionB")->text(), QStringLiteral("Changed"));
        Press(d, "CancelBtn");
    });
    Panels().SymCloseBtn->click();
    Settle();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(WorkFile(), before);
}

TEST_F(GraphicsEditFlow, ClosingTheWindowStoresTheSymbolWithoutTheDialog)
{
    ASSERT_TRUE(Open(Sample()));
    Settle();
    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) {
        SetText(d, "DescriptionB", QStringLiteral("Closed"));
        Press(d, "EditBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    PanelValues(1, 0.2, 2);
    DrawLine();
    // No editor may come up; the question about the changed map keeps the window.
    bool dialogShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            dialogShown = true;
            w->close();
        }
    });
    watch.start(5);
    messages.QueueAnswer(IdCancel);
    ActiveChild()->parentWidget()->close();
    Settle();
    watch.stop();
    EXPECT_FALSE(dialogShown);
    ASSERT_EQ(Windows(), 1);
    EXPECT_FALSE(View().SymbolGraphicsMode);
    const std::vector<uint8_t> rec = StoredRecord(0);
    EXPECT_EQ(ShortFieldText(std::span(rec).subspan(52, 32)), "Closed");
    EXPECT_EQ(GetI16(rec, 348), int16_t((rec.size() - 352) / 8));
    EXPECT_EQ(GetU16(rec, 352 + 24 + 4), 1) << "the new element's colour";
    EXPECT_EQ(GetU16(rec, 352 + 24 + 2), 4) << "style 2";
}

TEST_F(GraphicsEditFlow, TheCornerButtonEditsTheCornerListAlone)
{
    ASSERT_TRUE(Open(Sample()));
    Settle();
    const std::vector<uint8_t> old = StoredRecord(1);
    MakeCurrent(1);
    script.Then<TLineSymDlg>([](TLineSymDlg& d) {
        SetChecked(d, "CornerSymB", false);  // the button checks it again
        Press(d, "CornerSymBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    ASSERT_TRUE(View().SymbolGraphicsMode);
    ASSERT_EQ(Elements().size(), 1u);
    EXPECT_EQ(Elements()[0][2], 3) << "the corner list's dot";
    PanelValues(5, 0.25, 0);
    DrawLine();
    script.Then<TLineSymDlg>([](TLineSymDlg& d) {
        EXPECT_TRUE(Find<QCheckBox>(d, "CornerSymB")->isChecked());
        Press(d, "OKBtn");
    });
    Panels().SymCloseBtn->click();
    Settle();
    EXPECT_TRUE(script.Done());
    const std::vector<uint8_t> rec = StoredRecord(1);
    const int grown = GetI16(rec, 416) - 3;
    ASSERT_GT(grown, 0);
    EXPECT_EQ(rec.size(), old.size() + 8 * size_t(grown));
    for (size_t k : {412, 414, 418, 420})
        EXPECT_EQ(GetI16(rec, k), GetI16(old, k)) << k;
    // Main and secondary lists, then the old corner dot, then the new line; start and end
    // lists behind it unchanged.
    EXPECT_TRUE(std::equal(old.begin() + 424, old.begin() + 424 + 8 * 9, rec.begin() + 424));
    EXPECT_EQ(GetU16(rec, 424 + 8 * 9 + 4), 5);
    EXPECT_TRUE(std::equal(old.end() - 8 * 6, old.end(), rec.end() - 8 * 6));
    EXPECT_EQ(GetI16(rec, 394), 0x1357);
}

TEST_F(GraphicsEditFlow, AnotherMapWindowShowsItsOwnPanelsAndTheEditedOneItsEditor)
{
    ASSERT_TRUE(Open(Sample()));
    Settle();
    QMdiSubWindow* first = Frame().MdiArea()->activeSubWindow();
    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) { Press(d, "EditBtn"); });
    RunCommand(Cmd::SymbolEdit);
    ASSERT_TRUE(View().SymbolGraphicsMode);

    ASSERT_TRUE(Open(Sample(), QStringLiteral("second.zmd")));
    Settle();
    ASSERT_EQ(Windows(), 2);
    EXPECT_FALSE(View().SymbolGraphicsMode);
    EXPECT_TRUE(Panels().SymDock->isVisible());
    EXPECT_FALSE(Panels().SymEditPanel->isVisible());
    EXPECT_EQ(Index.ActiveZmd->Setup.Zoom, 2.0);

    Frame().MdiArea()->setActiveSubWindow(first);
    Settle();
    EXPECT_TRUE(View().SymbolGraphicsMode);
    EXPECT_TRUE(Panels().SymEditPanel->isVisible());
    EXPECT_FALSE(Panels().SymDock->isVisible());
    script.Then<TPointSymDlg>([](TPointSymDlg& d) { Press(d, "CancelBtn"); });
    Panels().SymCloseBtn->click();
    Settle();
    EXPECT_TRUE(script.Done());
    EXPECT_FALSE(View().SymbolGraphicsMode);
}

TEST_F(GraphicsEditFlow, AWiderLinePaintsItsObjectsWithWiderInk)
{
    TestMapWriter w = MapWith({TestSymbol::Line(201, 0, 35)});
    w.objects.push_back(TestObject::Line(201, {{-40 * Mm, 0}, {40 * Mm, 0}}));
    PutF64(w.setup, setup::Zoom, 4.0);
    ProgramConfig.ScreenGrid = false;
    ASSERT_TRUE(Open(w));
    Settle();
    const auto inkAcross = [this] {
        // Dark pixels in the middle column of the surface, where the line crosses it.
        const QImage& img = ActiveChild()->Surface();
        int dark = 0;
        for (int y = 0; y < img.height(); ++y)
            dark += qGray(img.pixel(img.width() / 2, y)) < 100;
        return dark;
    };
    const int thin = inkAcross();
    ASSERT_GT(thin, 0);
    MakeCurrent(0);
    script.Then<TLineSymDlg>([](TLineSymDlg& d) {
        SetText(d, "LineWidthE", QStringLiteral("1.00"));
        Press(d, "OKBtn");
    });
    RunCommand(Cmd::SymbolEdit);
    Settle();
    const int wide = inkAcross();
    // 1.00 against 0.35 mm: nearly three times the ink.
    EXPECT_GE(wide * 100, thin * 250) << thin << " " << wide;
    EXPECT_LE(wide * 100, thin * 350) << thin << " " << wide;
}

TEST_F(GraphicsEditFlow, TheQuickEditorShowsThePressedKindStartsWithAVisibleDiameterAndApplyKeepsTheKind)
{
    ASSERT_TRUE(Open(Sample()));
    Settle();
    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) { Press(d, "EditBtn"); });
    RunCommand(Cmd::SymbolEdit);
    ASSERT_TRUE(View().SymbolGraphicsMode);
    MainFramePanels& p = Panels();
    const auto pressed = [&p] {
        std::vector<bool> down;
        for (QToolButton* b : {p.SymLineBtn, p.SymAreaBtn, p.SymCircleBtn, p.SymDotBtn})
            down.push_back(b->isChecked());
        return down;
    };
    EXPECT_EQ(pressed(), (std::vector<bool>{true, false, false, false})) << "a line at first";
    EXPECT_EQ(p.SymDiamE->value(), DefaultGraphicsDiameter);

    // A circle placed with the field as it starts: it has a size.
    p.SymCircleBtn->click();
    Settle();
    EXPECT_EQ(pressed(), (std::vector<bool>{false, false, true, false}));
    if (View().SwallowClick)
        Click(Surface(), {5, 5});
    const QPoint circleAt = Surface()->rect().center() + QPoint(80, 0);
    Click(Surface(), circleAt);
    auto heads = Heads();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[1], (std::array<int, 4>{3, 0, 0, int(DefaultGraphicsDiameter * 100)}));

    // Selected, the circle presses its own button and shows its values; the dot button pressed
    // after that and Apply change the circle's fields, not its kind.
    Trigger(Cmd::EditObjBtn);
    if (View().SwallowClick)
        Click(Surface(), {5, 5});
    p.SymDiamE->setValue(0.3);
    Click(Surface(), circleAt + QPoint(0, 100));  // the new circle was selected: not any more
    ASSERT_EQ(Index.SelectedIndex, 0);
    Click(Surface(), circleAt);
    ASSERT_GT(Index.SelectedIndex, 0);
    EXPECT_EQ(pressed(), (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(p.SymDiamE->value(), DefaultGraphicsDiameter);
    p.SymDotBtn->click();
    Settle();
    EXPECT_EQ(pressed(), (std::vector<bool>{false, false, false, true}));
    p.SymColB->setCurrentIndex(p.SymColB->findData(4));
    p.SymDiamE->setValue(2.5);
    p.SymApplyBtn->click();
    Settle();
    heads = Heads();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[0], (std::array<int, 4>{4, 2, 0, 150})) << "the symbol's own dot is untouched";
    EXPECT_EQ(heads[1], (std::array<int, 4>{3, 4, 0, 250})) << "still a circle, in colour 4, 2.50 mm";
}
