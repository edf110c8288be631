// Selection and status belong to their window: whichever way another map window becomes
// current, the old one lets go of its selection and marks, and the status line shows the
// current window's symbol; File > Exit ends the program whatever windows are open.
#include "ShellFixture.h"

#include "core/Status.h"
#include "core/widgets/QtServices.h"
#include "core/widgets/QtStatusBar.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "render/Scale.h"
#include "shell/widgets/Panels.h"

#include <QApplication>
#include <QLabel>
#include <QMdiSubWindow>

using namespace zemo;
using namespace zemo::test;

namespace {

class WindowSwitch : public ShellTest {
protected:
    // Symbols 10.1 (point), 20.1 (line) and 30.1 (text), the one at `current` current; lines
    // of 10 mm through the origin, one for each entry of `across` (its y offset in mm).
    QString WriteMap(const QString& name, int current, std::vector<int> across = {0})
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201), TestSymbol::Text(301)};
        for (int y : across)
            w.objects.push_back(TestObject::Line(201, {{-5 * Mm, (y - 5) * Mm}, {5 * Mm, (y + 5) * Mm}}));
        PutI16(w.setup, setup::CurrentSymbolIndex, int16_t(current));
        const QString path = TempPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        return path;
    }
    // The edit tool on the active map at 1 pixel = 0.1 mm.
    void EditTool()
    {
        ShowAtTenthMillimetres();
        Trigger(Cmd::EditObjBtn);
        ASSERT_EQ(Work.ToolMode, ToolModes::Edit);
    }
    // The map's first line picked by a click on its middle.
    void SelectLine()
    {
        EditTool();
        Click(Surface(), At(0, 0));
        ASSERT_EQ(Index.SelectedIndex, 1);
        ASSERT_TRUE(EditSys.MarksShown);
    }
    // The window shows nothing that a repaint of it leaves out: no mark, no half of one.
    static bool Clean(TMdiChild* c)
    {
        const QImage shown = c->Surface().copy();
        c->InvalidateRect({0, 0, c->View().ClientWidth, c->View().ClientHeight});
        Settle();
        return c->Surface() == shown;
    }
    QMdiSubWindow* Sub(TMdiChild* c) const { return qobject_cast<QMdiSubWindow*>(c->parentWidget()); }
    QString Panel(StatusPanel s) const { return PanelsOf(Frame())->Status->Panel(s)->text(); }
    // "20.1 " for the current map's current symbol 20.1; "" without a map.
    static QString SymbolShown()
    {
        const SymbolBytes* r = Index.MapOpen ? CurrentSymbolRecord() : nullptr;
        return r ? QString::number(SymI16(*r, SymNumber) / 10.0, 'f', 1) + u' ' : QString();
    }
    static int SelectedInStore()
    {
        int n = 0;
        for (const auto& b : Index.ActiveZmd->ObjectBlocks)
            n += int(b->Selected.count());
        return n + (Index.SelectedIndex > 0 ? 1 : 0) + Index.SelectionCount;
    }
};

} // namespace

TEST_F(WindowSwitch, EveryWayAnotherWindowBecomesCurrentEndsTheOldSelectionAndTheStatusFollows)
{
    enum class Way { New, Open, Activate, CloseOther };
    // Each map keeps the current symbol it was written with: picking does not change it.
    ProgramConfig.AutoSelectSym = false;
    ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("a.zmd"), 1)));
    TMdiChild* a = ActiveChild();
    TMdiChild* b = nullptr;
    for (Way way : {Way::New, Way::Open, Way::Activate, Way::CloseOther}) {
        const char* what = way == Way::New ? "File > New" : way == Way::Open ? "File > Open"
                           : way == Way::Activate ? "another window activated" : "another window closed";
        // Side by side, as the marks were seen left on the other map.
        Trigger(Cmd::WindowTile);
        TMdiChild* old = way == Way::Activate || way == Way::CloseOther ? b : a;
        if (ActiveChild() != old)
            Activate(Sub(old));
        SelectLine();
        // The other windows paint meanwhile, each in its own view.
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
            if (auto* c = qobject_cast<TMdiChild*>(w->widget()); c && c != old)
                c->InvalidateRect({0, 0, c->View().ClientWidth, c->View().ClientHeight});
        Settle();
        messages.Clear();
        switch (way) {
        case Way::New: ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd"))); break;
        case Way::Open: ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("b.zmd"), 2))); b = ActiveChild(); break;
        case Way::Activate: Activate(Sub(a)); break;
        case Way::CloseOther: Choose(Cmd::FileClose); break;
        }
        Settle();
        ASSERT_NE(ActiveChild(), old) << what;
        EXPECT_EQ(messages.CountOf(TextKey::InternalError), 0) << what;
        EXPECT_EQ(SelectedInStore(), 0) << what;
        EXPECT_FALSE(EditSys.MarksShown || EditSys.MultiMarksShown || EditSys.StretchShown) << what;
        if (way != Way::CloseOther)
            EXPECT_TRUE(Clean(old)) << what << ": marks left on the window before";
        ASSERT_FALSE(SymbolShown().isEmpty()) << what;
        EXPECT_TRUE(Panel(StatusPanel::Right).startsWith(SymbolShown()))
            << what << ": " << Panel(StatusPanel::Right).toStdString();
        if (way == Way::Activate) {
            EXPECT_EQ(SymbolShown(), QStringLiteral("20.1 "));
            // Back to the other map: its own store kept nothing of the selection either.
            Activate(Sub(b));
            EXPECT_EQ(SelectedInStore(), 0);
            EXPECT_TRUE(Panel(StatusPanel::Right).startsWith(QStringLiteral("30.1 ")))
                << Panel(StatusPanel::Right).toStdString();
        }
    }
    // The last map closed: no symbol is shown.
    for (int i = 0; i < 3 && Windows() > 0; ++i)
        Choose(Cmd::FileClose);
    ASSERT_EQ(Windows(), 0);
    EXPECT_EQ(Panel(StatusPanel::Right), QString());
}

TEST_F(WindowSwitch, TheStatusSaysHowManyObjectsAreSelectedInTheSingularForOne)
{
    ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("a.zmd"), 1, {0, 20})));
    EditTool();
    DragPoint(Surface(), At(-8, -8), At(8, 8));
    EXPECT_EQ(Index.SelectedIndex, 1);
    EXPECT_EQ(Panel(StatusPanel::Left), QStringLiteral("1 object selected"));
    DragPoint(Surface(), At(-8, -8), At(8, 28));
    EXPECT_EQ(Index.SelectionCount, 2);
    EXPECT_EQ(Panel(StatusPanel::Left), QStringLiteral("2 objects selected"));
}

TEST_F(WindowSwitch, FileExitEndsTheProgramWhileTheHelpWindowIsOpen)
{
    ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("a.zmd"), 0)));
    auto* viewer = dynamic_cast<HelpViewer*>(CurrentHelpService());
    ASSERT_NE(viewer, nullptr);
    Trigger(Cmd::HelpContents);
    ASSERT_TRUE(viewer->Window() && viewer->Window()->isVisible());
    Trigger(Cmd::FileExit);
    QStringList open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            open << w->objectName() + u'/' + QString::fromLatin1(w->metaObject()->className());
    EXPECT_TRUE(open.isEmpty()) << open.join(u' ').toStdString();
}
