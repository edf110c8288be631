// The Template menu in the running program: its items' states, Open, Close with and without the
// list dialog, Reopen, Hide, the options dialog and the adjust tool driven by clicks and keys.
#include "../support/ProgramFixture.h"
#include "../support/TestTemplates.h"
#include "core/Config.h"
#include "core/Help.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Open.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "external/AdjTemp.h"
#include "external/widgets/TempOptDlg.h"
#include "external/widgets/TemplateDlg.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

class TemplateMenu : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        TestTemplateReader::Install();
    }
    // A 100 x 50 template of 0.1 mm pixels and a map beside it in the temporary folder.
    QString Raster(const QString& name = QStringLiteral("t.tpx"))
    {
        TestRaster r = TestRaster::Grey(100, 50, 8);
        std::fill(r.pixels.begin(), r.pixels.end(), 60);
        EXPECT_TRUE(WriteTestRaster(TempPath(name), r));
        return TempPath(name);
    }
    bool OpenWith(const std::vector<std::string>& templates, int separations = 0)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 40)};
        w.objects.push_back(TestObject::Line(10, {{-8 * Mm, 8 * Mm}, {-4 * Mm, 8 * Mm}}));
        for (const std::string& t : templates)
            w.strings.push_back(TestPString::Make(8, 0, t));
        for (int i = 0; i < separations; ++i) {
            TestSeparation s;
            s.name = "Spot" + std::to_string(i);
            w.separations.push_back(s);
        }
        return OpenWritten(w, QStringLiteral("map.zmd"));
    }
    static QStringList Texts()
    {
        QStringList l;
        for (const auto& item : Index.ActiveZmd->Templates.Items())
            l << item.Text;
        return l;
    }
    bool Enabled(Cmd c)
    {
        Frame().UpdateCommandStates();
        return Frame().Action(c)->isEnabled();
    }
    // The command through its menu item, a dialog of type D worked by `steps` once it is up.
    template <class D>
    bool RunDialog(Cmd c, const std::function<void(D&)>& steps)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<D*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        Frame().UpdateCommandStates();
        Trigger(c);
        Settle();
        return ran;
    }
};

TEST_F(TemplateMenu, ItemsFollowTheTemplatesOfTheMap)
{
    Raster();
    struct Row {
        std::vector<std::string> templates;
        bool reopen, close, adjust;
    };
    const Row rows[] = {
        {{}, false, false, false},
        {{"t.tpx\ts1"}, false, true, true},
        {{"t.tpx\ts0"}, true, false, false},
        {{"other.zmd\ts0", "t.tpx\ts1"}, true, true, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.templates.size());
        ASSERT_TRUE(OpenWith(r.templates));
        EXPECT_TRUE(Enabled(Cmd::TemplateOpen));
        EXPECT_EQ(Enabled(Cmd::TemplateReopen), r.reopen);
        EXPECT_EQ(Enabled(Cmd::TemplateClose), r.close);
        EXPECT_EQ(Enabled(Cmd::TemplateHide), r.close);
        EXPECT_EQ(Enabled(Cmd::TemplateOptions), r.close);
        EXPECT_EQ(Enabled(Cmd::TemplateAdjust), r.adjust);
        Trigger(Cmd::FileClose);
        Settle();
    }
}

TEST_F(TemplateMenu, OpenAddsAMapOnTopAndCloseWithOneShownTakesNoDialog)
{
    TestMapWriter other(8);
    other.symbols = {TestSymbol::Line(10, 0, 40)};
    other.objects.push_back(TestObject::Line(10, {{-8 * Mm, 0}, {8 * Mm, 0}}));
    ASSERT_TRUE(other.WriteTo(QFile::encodeName(TempPath(QStringLiteral("other.zmd"))).toStdString()));
    ASSERT_TRUE(OpenWith({}));
    TZmd* own = Index.ActiveZmd;
    dialogs.QueueAnswer(true, TempPath(QStringLiteral("other.zmd")));
    Frame().UpdateCommandStates();
    Trigger(Cmd::TemplateOpen);
    Settle();
    ASSERT_FALSE(dialogs.Requests().empty());
    EXPECT_EQ(dialogs.Requests().back().helpContext, OpenTemplateHelpContext);
    EXPECT_EQ(Texts(), QStringList{"other.zmd\ts1"});
    EXPECT_EQ(Index.ActiveZmd, own);
    ASSERT_NE(FindDocument(TempPath(QStringLiteral("other.zmd"))), nullptr);
    EXPECT_EQ(ProgramConfig.TemplateFolder, QString());
    // Its line is painted under the map's own.
    ShowAtTenthMillimetres();
    EXPECT_EQ(ActiveChild()->Surface().pixel(At(0, 0)), qRgb(0, 0, 0));

    // One shown template: closed at once.
    bool listShown = false;
    QTimer::singleShot(0, [&] { listShown = dynamic_cast<TTemplateDlg*>(QApplication::activeModalWidget()); });
    Frame().UpdateCommandStates();
    Trigger(Cmd::TemplateClose);
    Settle();
    EXPECT_FALSE(listShown);
    EXPECT_EQ(Texts(), QStringList{"other.zmd\ts0"});
    EXPECT_EQ(FindDocument(TempPath(QStringLiteral("other.zmd"))), nullptr);
    EXPECT_EQ(ActiveChild()->Surface().pixel(At(0, 0)), qRgb(255, 255, 255));
}

TEST_F(TemplateMenu, CloseAndReopenChooseFromTheListAndReopenedGoesOnTop)
{
    Raster(QStringLiteral("a.tpx"));
    Raster(QStringLiteral("b.tpx"));
    ASSERT_TRUE(OpenWith({"a.tpx\ts1", "b.tpx\ts1"}));
    // Two shown: the list, the second chosen alone.
    EXPECT_TRUE(RunDialog<TTemplateDlg>(Cmd::TemplateClose, [](TTemplateDlg& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("ListB"));
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(0)->text(), "a.tpx");
        EXPECT_TRUE(list->item(0)->isSelected());
        list->clearSelection();
        list->item(1)->setSelected(true);
        d.accept();
    }));
    EXPECT_EQ(Texts(), (QStringList{"a.tpx\ts1", "b.tpx\ts0"}));
    EXPECT_EQ(FindLoadedTemplate(TempPath(QStringLiteral("b.tpx"))), nullptr);
    EXPECT_NE(FindLoadedTemplate(TempPath(QStringLiteral("a.tpx"))), nullptr);

    // Reopen offers the one not shown, also alone; hidden templates come back with it.
    Trigger(Cmd::TemplateHide);
    Settle();
    EXPECT_TRUE(Index.ActiveZmd->Setup.TemplatesHidden);
    Frame().UpdateCommandStates();
    EXPECT_TRUE(Frame().Action(Cmd::TemplateHide)->isChecked());
    EXPECT_TRUE(RunDialog<TTemplateDlg>(Cmd::TemplateReopen, [](TTemplateDlg& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("ListB"));
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text(), "b.tpx");
        d.accept();
    }));
    EXPECT_EQ(Texts(), (QStringList{"b.tpx\ts1", "a.tpx\ts1"}));
    EXPECT_FALSE(Index.ActiveZmd->Setup.TemplatesHidden);
    EXPECT_NE(FindLoadedTemplate(TempPath(QStringLiteral("b.tpx"))), nullptr);
}

TEST_F(TemplateMenu, TheOptionsDialogWritesDimTransparencySpotAndRendering)
{
    Raster();
    ASSERT_TRUE(OpenWith({"t.tpx\ts1\td20"}, 2));
    EXPECT_TRUE(RunDialog<TTempOptDlg>(Cmd::TemplateOptions, [](TTempOptDlg& d) {
        EXPECT_EQ(d.windowTitle(), TempOptCaption(QStringLiteral("t.tpx")).remove(u'&'));
        auto* dim = d.findChild<QLineEdit*>(QStringLiteral("DimE"));
        EXPECT_EQ(dim->text(), "20");
        EXPECT_FALSE(d.findChild<QCheckBox*>(QStringLiteral("RenderB"))->isEnabled());
        auto* spot = d.findChild<QComboBox*>(QStringLiteral("SpotB"));
        ASSERT_EQ(spot->count(), 2);
        EXPECT_FALSE(d.findChild<QCheckBox*>(QStringLiteral("AssignB"))->isChecked());
        dim->setText(QStringLiteral("30"));
        d.findChild<QCheckBox*>(QStringLiteral("TranspB"))->setChecked(true);
        spot->setCurrentIndex(1);
        Q_EMIT spot->activated(1);
        EXPECT_TRUE(d.findChild<QCheckBox*>(QStringLiteral("AssignB"))->isChecked());
        d.accept();
    }));
    EXPECT_EQ(Texts(), QStringList{"t.tpx\ts1\td30\tt1\tp1\to0"});

    // Out of range: the dialog stays with its message, nothing is written.
    EXPECT_TRUE(RunDialog<TTempOptDlg>(Cmd::TemplateOptions, [this](TTempOptDlg& d) {
        d.findChild<QLineEdit*>(QStringLiteral("DimE"))->setText(QStringLiteral("101"));
        d.accept();
        EXPECT_TRUE(d.isVisible());
        EXPECT_GE(messages.Count(), 1);
    }));
    EXPECT_EQ(Texts(), QStringList{"t.tpx\ts1\td30\tt1\tp1\to0"});
}

TEST_F(TemplateMenu, TheOptionsDialogClosedWithOkOnWhatItShowedChangesNothing)
{
    Raster();
    ASSERT_TRUE(OpenWith({"t.tpx\ts1\td20"}, 2));
    const QString path = TempPath(QStringLiteral("map.zmd"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    EXPECT_TRUE(RunDialog<TTempOptDlg>(Cmd::TemplateOptions, [](TTempOptDlg& d) { d.accept(); }));
    EXPECT_EQ(Texts(), QStringList{"t.tpx\ts1\td20"}) << "kept as the map has it";
    EXPECT_FALSE(Index.ActiveZmd->Modified);
    messages.Clear();
    Trigger(Cmd::FileClose);
    Settle();
    EXPECT_EQ(Index.ActiveZmd, nullptr);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(TemplateMenu, AMapTemplateTakesOnlyRenderingInSpotColours)
{
    TestMapWriter other(8);
    other.symbols = {TestSymbol::Line(10, 0, 40)};
    ASSERT_TRUE(other.WriteTo(QFile::encodeName(TempPath(QStringLiteral("other.zmd"))).toStdString()));
    ASSERT_TRUE(OpenWith({"other.zmd\ts1"}, 1));
    EXPECT_FALSE(Enabled(Cmd::TemplateAdjust));
    EXPECT_TRUE(RunDialog<TTempOptDlg>(Cmd::TemplateOptions, [](TTempOptDlg& d) {
        EXPECT_FALSE(d.findChild<QCheckBox*>(QStringLiteral("AssignB"))->isEnabled());
        EXPECT_FALSE(d.findChild<QComboBox*>(QStringLiteral("SpotB"))->isEnabled());
        auto* render = d.findChild<QCheckBox*>(QStringLiteral("RenderB"));
        EXPECT_TRUE(render->isEnabled());
        render->setChecked(true);
        d.accept();
    }));
    EXPECT_EQ(Texts(), QStringList{"other.zmd\ts1\td0\tt0\tp-1\to1"});
}

TEST_F(TemplateMenu, TheAdjustToolMovesTheTemplatePointOntoTheMapPoint)
{
    Raster();
    ASSERT_TRUE(OpenWith({"t.tpx\ts1\tx0\ty0\tu10\tv10\ta0"}));
    ShowAtTenthMillimetres();
    const int before = ProgramConfig.WorkMode;
    Frame().UpdateCommandStates();
    Trigger(Cmd::TemplateAdjust);
    Settle();
    EXPECT_EQ(Work.ToolMode, ToolModes::Template);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::TemplateAdjust);
    EXPECT_EQ(KeptStatusText(), Text(TextKey::MarkTemplate));

    Click(Surface(), At(2, 1));
    EXPECT_EQ(KeptStatusText(), Text(TextKey::MarkMap));
    // Halfway between the two points: the line that joins them.
    const QRgb halfway = ActiveChild()->Surface().pixel(At(3.5, -1));
    Click(Surface(), At(5, -3));
    EXPECT_NE(ActiveChild()->Surface().pixel(At(3.5, -1)), halfway);
    EXPECT_EQ(KeptStatusText(), Text(TextKey::MarkTemplateOr));
    // Each counted click is marked where it landed: the template point and its map point.
    EXPECT_TRUE(EditSys.PassPointsShown);
    EXPECT_EQ(EditSys.PassPoints, (std::vector<Cord>{{200 * 256, 100 * 256}, {500 * 256, -300 * 256}}));
    Key(Surface(), Qt::Key_Return);
    EXPECT_FALSE(EditSys.PassPointsShown);
    EXPECT_TRUE(EditSys.PassPoints.empty());
    EXPECT_EQ(Texts()[0].section(u'\t', 2, 3), "x300\ty-400");
    EXPECT_EQ(GetParamFloat(Texts()[0], u'u', 0), 10.0);
    EXPECT_EQ(GetParamFloat(Texts()[0], u'a', 1), 0.0);
    EXPECT_NE(Work.ToolMode, ToolModes::Template);
    EXPECT_EQ(ProgramConfig.WorkMode, before);

    // Enter between a template point and its map point ends the tool without a fit.
    const QStringList placed = Texts();
    Frame().UpdateCommandStates();
    Trigger(Cmd::TemplateAdjust);
    Settle();
    ASSERT_EQ(Work.ToolMode, ToolModes::Template);
    Click(Surface(), At(1, 1));
    Key(Surface(), Qt::Key_Return);
    EXPECT_EQ(Texts(), placed);
    EXPECT_NE(Work.ToolMode, ToolModes::Template);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(TemplateMenu, PointsTooCloseTogetherFitNothing)
{
    Raster();
    ASSERT_TRUE(OpenWith({"t.tpx\ts1\tx0\ty0\tu10\tv10"}));
    ShowAtTenthMillimetres();
    const QStringList placed = Texts();
    Frame().UpdateCommandStates();
    Trigger(Cmd::TemplateAdjust);
    Settle();
    // Two template points 4 mm apart, both put on the same map point.
    Click(Surface(), At(-2, 0));
    Click(Surface(), At(3, 3));
    Click(Surface(), At(2, 0));
    Click(Surface(), At(3, 3));
    Key(Surface(), Qt::Key_Return);
    EXPECT_EQ(messages.CountOf(TextKey::AdjTooClose), 1);
    EXPECT_EQ(messages.Last().helpContext, AdjTooCloseHelpContext);
    EXPECT_EQ(Texts(), placed);
    EXPECT_NE(Work.ToolMode, ToolModes::Template);
}

} // namespace

namespace {

TEST_F(TemplateMenu, TheDialogsAndTheToolOpenTheirHelpPages)
{
    const struct {
        int context;
        const char* page;
    } rows[] = {{OpenTemplateHelpContext, "template-menu.html"}, {CloseTemplateHelpContext, "template-menu.html"},
                {ReopenTemplateHelpContext, "template-menu.html"}, {TemplateOptionsHelpContext, "template-options.html"},
                {AdjustTemplateHelpContext, "template-adjust.html"}, {AdjTooCloseHelpContext, "template-adjust.html"}};
    for (const auto& r : rows) {
        const HelpTarget t = FindHelpPage(r.context);
        EXPECT_TRUE(t.exact) << r.context;
        EXPECT_EQ(QFileInfo(t.path).fileName(), QLatin1String(r.page)) << r.context;
    }
}

} // namespace
