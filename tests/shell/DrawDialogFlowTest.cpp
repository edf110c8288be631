// Drawing tools and their dialogs in the running program: a rectangle needs a size both ways,
// a closed line moved parallel stays closed, and a cancelled Draw line dialog leaves nothing
// behind.
#include "ShellFixture.h"
#include "../support/ImageDiff.h"

#include "core/Help.h"
#include "core/widgets/QtServices.h"
#include "document/Undo.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "edit/widgets/DrRectDlg.h"
#include "edit/widgets/DrawLineDlg.h"
#include "render/Scale.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <set>

using namespace zemo;
using namespace zemo::test;

namespace {

class DrawDialogFlow : public ShellTest {
protected:
    // Symbols 10.1 (point), 20.1 (line), 30.1 (text) and 40.1 (rectangle); no objects.
    void OpenEmpty()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201), TestSymbol::Text(301), TestSymbol::Rect(401)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("empty.zmd")));
        ShowAtTenthMillimetres();
    }
    void Tool(int symbolPos, Cmd button)
    {
        ChooseSymbol(symbolPos);
        Trigger(button);
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {5, 5});
    }
    // Runs `steps` on the dialog D once it is up; a dialog they leave open is cancelled.
    template <class D>
    void WhenUp(std::function<void(D&)> steps)
    {
        QTimer::singleShot(0, [this, steps] {
            auto* d = dynamic_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            ran_ = true;
            steps(*d);
            if (d->isVisible())
                d->reject();
        });
    }
    static void Press(QDialog& d, const char* name) { d.findChild<QPushButton*>(QLatin1String(name))->click(); }
    static void SetText(QDialog& d, const char* name, const QString& t) { d.findChild<QLineEdit*>(QLatin1String(name))->setText(t); }
    // Live objects of the map, each as its points without flags.
    static std::vector<std::vector<Cord>> Objects()
    {
        std::vector<std::vector<Cord>> all;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (EntryLive(Index.ActiveZmd->Entry(n)) && ReadElement(n, AuxElement1)) {
                std::vector<Cord> pts;
                for (int i = 0; i < AuxElement1.nItem; ++i)
                    pts.push_back({Masked(AuxElement1.Cords()[i].x), Masked(AuxElement1.Cords()[i].y)});
                all.push_back(pts);
            }
        return all;
    }
    bool ran_ = false;
};

} // namespace

TEST_F(DrawDialogFlow, TheRectangleDialogRefusesAHeightOfZeroAsItDoesAWidthOfZero)
{
    OpenEmpty();
    Tool(3, Cmd::CurveBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlacePoint);
    WhenUp<TDrRectDlg>([this](TDrRectDlg& d) {
        for (const char* zero : {"WidthE", "HeightE"}) {
            SetText(d, "WidthE", QStringLiteral("10"));
            SetText(d, "HeightE", QStringLiteral("5"));
            SetText(d, zero, QStringLiteral("0.001"));
            messages.Clear();
            Press(d, "OKBtn");
            EXPECT_TRUE(d.isVisible()) << zero;
            ASSERT_EQ(messages.CountOf(TextKey::NotZero), 1) << zero;
            EXPECT_EQ(MergeMsgParams(Text(TextKey::NotZero), messages.Last().params),
                      QStringLiteral("The value of %1 must not be 0").arg(zero[0] == 'W' ? "Width" : "Height"));
            EXPECT_EQ(d.focusWidget(), d.findChild<QLineEdit*>(QLatin1String(zero)));
        }
        SetText(d, "HeightE", QStringLiteral("-5"));
        Press(d, "OKBtn");
    });
    Click(Surface(), At(0, 0));
    ASSERT_TRUE(ran_);
    const auto objects = Objects();
    ASSERT_EQ(objects.size(), 1u);
    const int32_t mm = 25600;
    EXPECT_EQ(objects[0], (std::vector<Cord>{{0, -5 * mm}, {10 * mm, -5 * mm}, {10 * mm, 0}, {0, 0}}));
}

TEST_F(DrawDialogFlow, AClosedLineMovedParallelStaysClosed)
{
    OpenEmpty();
    Tool(1, Cmd::RectangularBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Rectangular);
    DragPoint(Surface(), At(-10, -10), At(10, -10));
    DragPoint(Surface(), At(10, 10), At(11, 10));
    Click(Surface(), At(-10, 12));
    ASSERT_EQ(Objects().size(), 1u);
    const std::vector<Cord> drawn = Objects()[0];
    ASSERT_GE(drawn.size(), 5u);
    ASSERT_EQ(drawn.front(), drawn.back()) << "the rectangular tool closes its figure";
    ASSERT_GT(Index.SelectedIndex, 0);

    Trigger(Cmd::MoveParallelBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PointEdit);
    // A corner dragged 20 pixels (2 mm) out.
    const QPoint corner = CordToDevice(drawn[1]);
    DragPoint(Surface(), corner, corner + QPoint(20, 0));
    ASSERT_EQ(Objects().size(), 1u);
    const std::vector<Cord> moved = Objects()[0];
    ASSERT_EQ(moved.size(), drawn.size());
    EXPECT_EQ(moved.front(), moved.back()) << "the line still ends where it starts";
    for (size_t i = 0; i < moved.size(); ++i)
        EXPECT_NE(moved[i], drawn[i]) << "point " << i << " moved with the rest";
}

TEST_F(DrawDialogFlow, TheLineToolsHelpPageAndEveryOtherSayEachThingOnce)
{
    auto* viewer = dynamic_cast<HelpViewer*>(CurrentHelpService());
    ASSERT_NE(viewer, nullptr);
    OpenEmpty();
    Tool(1, Cmd::StraightBtn);
    Key(Surface(), Qt::Key_F1);
    EXPECT_EQ(QFileInfo(viewer->ShownFile()).fileName(), QStringLiteral("line-tools.html"));
    if (viewer->Window())
        viewer->Window()->close();
    // No two sentences of a page begin with the same eight words.
    const QDir help(HelpFolder());
    const QStringList pages = help.entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_GT(pages.size(), 50);
    for (const QString& page : pages) {
        QFile f(help.filePath(page));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QString text = QString::fromLatin1(f.readAll());
        text.replace(QRegularExpression(QStringLiteral("<[^>]*>")), QStringLiteral(" "));
        std::set<QStringList> openings;
        for (const QString& sentence : text.split(QRegularExpression(QStringLiteral("[.!?]\\s")))) {
            const QStringList words = sentence.toLower().split(QRegularExpression(QStringLiteral("\\W+")),
                                                               Qt::SkipEmptyParts);
            if (words.size() >= 8)
                EXPECT_TRUE(openings.insert(words.mid(0, 8)).second)
                    << page.toStdString() << ": " << sentence.simplified().toStdString();
        }
    }
}

TEST_F(DrawDialogFlow, ACancelledDrawLineDialogLeavesNoObjectNoUndoStepAndNoMarks)
{
    OpenEmpty();
    Tool(1, Cmd::StraightBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::Freehand);
    const int current = ActiveUndoRing()->Current, last = ActiveUndoRing()->Last;
    const QImage clean = ActiveChild()->Surface().copy();
    // A click, and a double click, that came while the map painted: the paint hands them on
    // when it ends, posted, so that what followed the first release arrives while the dialog
    // it opened is up.
    for (int clicks : {1, 2}) {
        int dialogs = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* d = dynamic_cast<TDrawLineDlg*>(QApplication::activeModalWidget()); d && d->isVisible()) {
                ++dialogs;
                Settle();  // what was posted behind the click reaches the window now
                Press(*d, "CancelBtn");
            }
        });
        watch.start(5);
        const QPoint p = At(0, 0), q = At(4, 3);
        const auto post = [this](QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
            QCoreApplication::postEvent(Surface(), new QMouseEvent(type, QPointF(at), Surface()->mapToGlobal(QPointF(at)),
                                                                   b, held, Qt::NoModifier));
        };
        for (int i = 0; i < clicks; ++i) {
            post(QEvent::MouseButtonPress, i ? q : p, Qt::LeftButton, Qt::LeftButton);
            post(QEvent::MouseButtonRelease, i ? q : p, Qt::LeftButton, Qt::NoButton);
        }
        post(QEvent::MouseMove, q + QPoint(30, 20), Qt::NoButton, Qt::NoButton);
        Settle(20);
        watch.stop();
        EXPECT_EQ(dialogs, 1) << clicks;
        EXPECT_TRUE(Objects().empty()) << clicks;
        EXPECT_FALSE(CanUndo()) << clicks;
        EXPECT_EQ(ActiveUndoRing()->Current, current) << clicks << ": no step left";
        EXPECT_EQ(ActiveUndoRing()->Last, last) << clicks;
        EXPECT_FALSE(EditSys.DraftShown) << clicks;
        EXPECT_TRUE(ActiveChild()->Surface() == clean) << clicks << ": marks left";
        EXPECT_EQ(Work.ToolMode, ToolModes::Freehand) << "the tool goes on";
    }
}

TEST_F(DrawDialogFlow, CellNumbersLargerThanTheirCellsAreWholeOnTheFirstPaint)
{
    // Cells of 3 mm: the 15 pt numbers reach beyond the last column and row.
    TestMapWriter w(8);
    TestSymbol grid = TestSymbol::Rect(401);
    grid.SetI16(RectGridFlags, RectGridOnBit);
    grid.SetI16(RectCellWidth, 300);
    grid.SetI16(RectCellHeight, 300);
    w.symbols = {TestSymbol::Point(101), grid};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("grid.zmd")));
    ShowAtTenthMillimetres();
    Frame().UpdateCommandStates();
    if (Frame().Action(Cmd::GridBtn)->isChecked())
        Trigger(Cmd::GridBtn);
    Tool(1, Cmd::CurveBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlacePoint);
    DragPoint(Surface(), At(-20, 15), At(20, -15));
    ASSERT_EQ(Objects().size(), 1u);
    const QImage first = ActiveChild()->Surface().copy();
    Trigger(Cmd::ViewRedraw);
    const QRect diff = DifferingPixels(first, ActiveChild()->Surface());
    EXPECT_TRUE(diff.isEmpty()) << diff.x() << "," << diff.y() << " " << diff.width() << "x" << diff.height();
    // The numbers drawn beyond the outline are within the object's extent.
    GetIndex(1);
    const CordRect r = Index.CurIndex.Rect;
    EXPECT_GT(r.x2, 20 * Mm + 2 * Mm);
    EXPECT_LT(r.y1, -15 * Mm - Mm);
}

TEST_F(DrawDialogFlow, ACancelledDrawLineDialogWhileContinuingALineLeavesNoUndoStep)
{
    // A line of the file: nothing to undo yet.
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201)};
    w.objects.push_back(TestObject::Line(201, {{-10 * Mm, 0}, {10 * Mm, 0}}));
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("line.zmd")));
    ShowAtTenthMillimetres();
    Tool(1, Cmd::StraightBtn);
    const auto stored = Objects();
    const int current = ActiveUndoRing()->Current, last = ActiveUndoRing()->Last;
    int dialogs = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* d = dynamic_cast<TDrawLineDlg*>(QApplication::activeModalWidget()); d && d->isVisible()) {
            ++dialogs;
            Press(*d, "CancelBtn");
        }
    });
    watch.start(5);
    // Shift pressed on either end continues the line; let go before the button, the click
    // asks for the next point by the dialog.
    for (int end : {10, -10}) {
        Mouse(Surface(), QEvent::MouseButtonPress, At(end, 0), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
        Mouse(Surface(), QEvent::MouseButtonRelease, At(end, 0), Qt::LeftButton, Qt::NoButton);
        Settle(20);
        EXPECT_GE(dialogs, 1) << end;
        EXPECT_EQ(Objects(), stored) << end;
        EXPECT_EQ(ActiveUndoRing()->Current, current) << end << ": no step left";
        EXPECT_EQ(ActiveUndoRing()->Last, last) << end;
        EXPECT_FALSE(CanUndo()) << end;
        const QImage shown = ActiveChild()->Surface().copy();
        Trigger(Cmd::ViewRedraw);
        EXPECT_TRUE(ActiveChild()->Surface() == shown) << end << ": marks left";
        dialogs = 0;
    }
    watch.stop();
    // The next continuation is a step of its own, and Undo gives the line back as it was.
    Mouse(Surface(), QEvent::MouseButtonPress, At(10, 0), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    Mouse(Surface(), QEvent::MouseMove, At(15, 5), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    Mouse(Surface(), QEvent::MouseButtonRelease, At(20, 10), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    Click(Surface(), At(20, 10));
    ASSERT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Objects()[0].size(), 3u);
    ASSERT_TRUE(CanUndo());
    Trigger(Cmd::EditUndo);
    EXPECT_EQ(Objects(), stored);
}
