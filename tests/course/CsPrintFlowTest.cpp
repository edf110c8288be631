// Printing the test event's courses through the running program: File > Print opens the
// course print dialog; each course, leg and team prints as a job of its own over the preview
// built for it (each job into a PDF file of its own, drawn by pdftoppm at 150 dpi); a
// declined hidden-symbol warning prints nothing; the dialog's fields checked in order.
#include "CourseEvent.h"
#include "core/FieldChecks.h"
#include "core/Messages.h"
#include "course/Courses.h"
#include "course/CsPrint.h"
#include "course/widgets/CoursePanel.h"
#include "course/Ports.h"
#include "course/Variation.h"
#include "course/widgets/CsPrintDlg.h"
#include "io/Ports.h"
#include "io/PrintSys.h"
#include "io/widgets/QtPrinters.h"
#include "shell/CommandFrame.h"
#include "symbols/store/SymbolRecords.h"
#include "symbols/store/SymbolLayout.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>

namespace zemo::test {
namespace {

constexpr int Dpi = 150;

// Each job into a PDF file of its own, job-1.pdf, job-2.pdf, ...
class PdfPerJob final : public PrinterSystem {
public:
    explicit PdfPerJob(const QString& folder)
        : folder_(folder), probe_(QStringLiteral("PDF"), folder + QStringLiteral("/probe.pdf"))
    {
    }
    QString File(int n) const { return folder_ + QStringLiteral("/job-%1.pdf").arg(n); }
    QStringList titles;

    QStringList Names() override { return probe_.Names(); }
    int SystemDefault() override { return 0; }
    void Select(int i) override { probe_.Select(i); }
    void EditProperties(int) override {}
    bool Check(int i, PrinterPage& p) override { return probe_.Check(i, p); }
    bool SupportsCopies(int) override { return false; }
    std::unique_ptr<PrintJob> Start(int, const QString& title, const QString& f, int c, bool pass, PrinterPage& p) override
    {
        titles << title;
        printers_.push_back(std::make_unique<QtPrinters>(QStringLiteral("PDF"), File(int(titles.size()))));
        return printers_.back()->Start(0, title, f, c, pass, p);
    }

private:
    QString folder_;
    QtPrinters probe_;
    std::vector<std::unique_ptr<QtPrinters>> printers_;
};

class CsPrintFlow : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        printers = std::make_unique<PdfPerJob>(TempPath({}));
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
        Stp()->PrintScale = Stp()->MapScale * 2;
        Stp()->PrintIntensity = Stp()->PrintLineWidth = 100;
        ASSERT_TRUE(CheckPrinter(0));
    }
    void TearDown() override
    {
        CourseEventTest::TearDown();
        IoPorts().Printers.Bind([] { return static_cast<PrinterSystem*>(nullptr); });
    }

    // Options with the entries chosen and nothing else.
    static CsPrintOptions Options(std::initializer_list<int> entries, int range = CsPartialMap)
    {
        CsPrintOptions o = CsPrintDialogOptions();
        o.Printer = 0;
        o.Range = range;
        o.Selected.assign(o.Selected.size(), false);
        for (int e : entries)
            o.Selected[size_t(e)] = true;
        return o;
    }
    // Prints through File > Print with the dialog answered by `answer`.
    void PrintThroughMenu(const std::function<void(CsPrintOptions&)>& answer)
    {
        CoursePorts().RunCsPrintDialog.Bind([answer](CsPrintOptions& o) {
            answer(o);
            return true;
        });
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(Cmd::FilePrint)->isEnabled());
        Trigger(Cmd::FilePrint);
    }
    QImage Page(int job)
    {
        QProcess p;
        const QString png = TempPath(QStringLiteral("page"));
        p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-png"),
                                             QStringLiteral("-singlefile"), printers->File(job), png});
        EXPECT_TRUE(p.waitForFinished(60000));
        QImage img(png + QStringLiteral(".png"));
        QFile::remove(png + QStringLiteral(".png"));
        return img;
    }
    // A map point on the course-alone page: the sheet's corner (x1, y1), the factor f of the
    // print scale, the page's printable area at its offset on the sheet.
    static QPointF At(MmPoint p, MmPoint corner, double f)
    {
        const double leftMm = PrintSys.Page.PrintableLeftPt / 72 * 25.4;
        const double topMm = PrintSys.Page.PrintableTopPt / 72 * 25.4;
        const double x = leftMm + (p.x - corner.x) * f;
        const double y = topMm + PrintSys.VERTSIZE - (p.y - corner.y) * f;
        return {x / 25.4 * Dpi, y / 25.4 * Dpi};
    }
    // Inked pixels within `mm` of paper around a point.
    static int InkAround(const QImage& img, QPointF at, double mm)
    {
        const int r = int(mm / 25.4 * Dpi);
        int n = 0;
        for (int y = int(at.y()) - r; y <= int(at.y()) + r; ++y)
            for (int x = int(at.x()) - r; x <= int(at.x()) + r; ++x)
                if (img.valid(x, y) && qGray(img.pixel(x, y)) < 200)
                    ++n;
        return n;
    }

    std::unique_ptr<PdfPerJob> printers;
};

TEST_F(CsPrintFlow, EachLegOfATeamPrintsItsOwnBranches)
{
    const int relay = CourseIndex(QStringLiteral("Relay"));
    ASSERT_GE(relay, 0);
    // The course alone, at half the map's size, the sheet's corner 150 mm left of and 50 mm
    // below the start: the whole event lies on the page.
    const MmPoint corner{-150, -50};
    SaveTypedPString(QStringLiteral("\tb0\tm0"), PrintSettingsType);
    Stp()->PrintRange = {corner.x * CsMm, corner.y * CsMm, 0, 0};
    PrintThroughMenu([relay](CsPrintOptions& o) {
        o.Printer = 0;
        o.Range = CsCourseAlone;
        o.Selected.assign(o.Selected.size(), false);
        o.Selected[size_t(relay + 1)] = true;
        o.Legs.AllLegs = true;
        o.Legs.AllNumbers = false;
        o.Legs.Numbers = QStringLiteral("101");
    });
    // Named by course, team and leg, as the start number on the page.
    EXPECT_EQ(printers->titles, (QStringList{Text(TextKey::Untitled) + QStringLiteral("Relay 101.1.prn"),
                                             Text(TextKey::Untitled) + QStringLiteral("Relay 101.2.prn"),
                                             Text(TextKey::Untitled) + QStringLiteral("Relay 101.3.prn")}));
    ASSERT_EQ(printers->titles.size(), 3);
    const QString course = Z().Courses.Strings(relay);
    const QString branchCodes[] = {QStringLiteral("47"), QStringLiteral("48"), QStringLiteral("49"),
                                   QStringLiteral("51"), QStringLiteral("52"), QStringLiteral("53"),
                                   QStringLiteral("54"), QStringLiteral("55"), QStringLiteral("44"),
                                   QStringLiteral("45")};
    for (int leg = 1; leg <= 3; ++leg) {
        SCOPED_TRACE(leg);
        const QStringList run = ExpandCourseText(course, leg, 101).split(u'\t');
        const QImage img = Page(leg);
        ASSERT_FALSE(img.isNull());
        int shown = 0;
        for (const QString& code : branchCodes) {
            const bool runs = run.contains(QStringLiteral("c") + code);
            shown += runs;
            const int ink = InkAround(img, At(ControlAt(code.toInt()), corner, 0.5), 2.0);
            if (runs)
                EXPECT_GT(ink, 20) << code.toStdString();
            else
                EXPECT_EQ(ink, 0) << code.toStdString();
        }
        // One of three, one of two or none, and one of two.
        EXPECT_EQ(shown, leg == 3 ? 3 : 5);
        // The start and the finish on every leg.
        EXPECT_GT(InkAround(img, At(StartAt, corner, 0.5), 2.0), 20);
        EXPECT_GT(InkAround(img, At(FinishAt, corner, 0.5), 2.0), 20);
    }
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    QFile::remove(samples + QStringLiteral("/relay-101-leg-1.pdf"));
    QFile::copy(printers->File(1), samples + QStringLiteral("/relay-101-leg-1.pdf"));
    // The preview of the current course is back, the course's generated objects gone.
    EXPECT_FALSE(Z().CoursePreviewOn);
}

TEST_F(CsPrintFlow, AllControlsFirstThenEachCourseOnce)
{
    const int longCourse = CourseIndex(QStringLiteral("Long")), shortCourse = CourseIndex(QStringLiteral("Short"));
    Stp()->PrintRange = {-10 * CsMm, -10 * CsMm, 10 * CsMm, 10 * CsMm};
    CsPrintOptions o = Options({0, longCourse + 1, shortCourse + 1});
    // The relay page does not touch normal courses.
    o.Legs.AllLegs = false;
    o.Legs.Leg = 3;
    Z().Modified = 0; // as saved
    PrintCourses(o);
    EXPECT_FALSE(Z().Modified) << "printing is no change of the map";
    // The job names: the map's folder and the course (the map is untitled here).
    const QString untitled = Text(TextKey::Untitled);
    EXPECT_EQ(printers->titles, (QStringList{untitled + Text(TextKey::AllControls) + QStringLiteral(".prn"),
                                             untitled + QStringLiteral("Long.prn"), untitled + QStringLiteral("Short.prn")}));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(CsPrintFlow, NothingPrintsWhenTheHiddenWarningIsDeclinedOrACourseFailsItsCheck)
{
    SetSymU8(Z().Symbols[size_t(SymbolPos(CrossingSymbol))], SymStatus, 2);
    ProgramConfig.HiddenExportWarning = true;
    messages.QueueAnswer(IdCancel);
    PrintCourses(Options({0}));
    EXPECT_EQ(messages.CountOf(TextKey::HiddenWarning), 1);
    EXPECT_TRUE(printers->titles.isEmpty());

    // A relay without legs fails its check: the other course does not print either.
    SetSymU8(Z().Symbols[size_t(SymbolPos(CrossingSymbol))], SymStatus, 0);
    messages.Clear();
    AddCourse({QStringLiteral("Broken"), 0, 0, 1, CourseKind::Relay, 0, 1, 1}, Sequence({"sS1", "fF1"}));
    const int broken = CourseIndex(QStringLiteral("Broken"));
    PrintCourses(Options({CourseIndex(QStringLiteral("Long")) + 1, broken + 1}));
    EXPECT_EQ(messages.Count(), 1);
    EXPECT_TRUE(printers->titles.isEmpty());
}

TEST_F(CsPrintFlow, TheDialogChecksItsFieldsInOrderAndTheStartNumbers)
{
    CsPrintOptions o = CsPrintDialogOptions();
    TCsPrintDlg dlg(nullptr, o);
    auto* scale = dlg.findChild<QComboBox*>(QStringLiteral("PrintScaleB"));
    auto* copies = dlg.findChild<QLineEdit*>(QStringLiteral("CopiesE"));
    auto* intensity = dlg.findChild<QLineEdit*>(QStringLiteral("IntensityE"));
    auto* lineWidth = dlg.findChild<QLineEdit*>(QStringLiteral("LineWidthE"));
    auto* pages = dlg.findChild<QTabWidget*>(QStringLiteral("PageControl"));
    ASSERT_TRUE(scale && copies && intensity && lineWidth && pages);
    ASSERT_NE(dlg.findChild<QWidget*>(QStringLiteral("RelayTab")), nullptr);
    const double map = o.MapScale;
    // Every field wrong: each is reported in turn as the one before is put right.
    scale->setEditText(QString::number(map * 10.01, 'f', 2));
    copies->setText(QStringLiteral("0"));
    intensity->setText(QStringLiteral("5"));
    lineWidth->setText(QStringLiteral("155"));
    const struct {
        std::function<void()> fix;
        QWidget* page;
    } order[] = {
        {[&] { scale->setEditText(QString::number(map * 10, 'f', 0)); }, dlg.findChild<QWidget*>(QStringLiteral("GeneralTab"))},
        {[&] { copies->setText(QStringLiteral("2")); }, dlg.findChild<QWidget*>(QStringLiteral("GeneralTab"))},
        {[&] { intensity->setText(QStringLiteral("10")); }, dlg.findChild<QWidget*>(QStringLiteral("OptionsTab"))},
        {[&] { lineWidth->setText(QStringLiteral("150")); }, dlg.findChild<QWidget*>(QStringLiteral("OptionsTab"))},
    };
    for (const auto& step : order) {
        messages.Clear();
        dlg.findChild<QPushButton*>(QStringLiteral("PrintBtn"))->click();
        EXPECT_FALSE(dlg.Printed());
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(pages->currentWidget(), step.page);
        step.fix();
    }
    // A start number that is no number keeps the dialog open on the relay page.
    dlg.findChild<QRadioButton*>(QStringLiteral("SelNumB"))->setChecked(true);
    dlg.findChild<QLineEdit*>(QStringLiteral("StartNumE"))->setText(QStringLiteral("x"));
    messages.Clear();
    dlg.findChild<QPushButton*>(QStringLiteral("PrintBtn"))->click();
    EXPECT_FALSE(dlg.Printed());
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::NoNumber);
    EXPECT_EQ(pages->currentWidget(), dlg.findChild<QWidget*>(QStringLiteral("RelayTab")));
    dlg.findChild<QLineEdit*>(QStringLiteral("StartNumE"))->setText(QStringLiteral("105-108"));
    messages.Clear();
    messages.QueueAnswer(IdOk);
    dlg.findChild<QPushButton*>(QStringLiteral("PrintBtn"))->click();
    EXPECT_TRUE(dlg.Printed());
    // Only the question about printing at ten times the map scale.
    EXPECT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.CountOf(TextKey::PrintScaleDiffers), 1);
    // Exactly ten times the map scale was taken.
    EXPECT_EQ(o.PrintScale, map * 10);
    EXPECT_EQ(Stp()->PrintScale, map * 10);
    EXPECT_EQ(o.Legs.Numbers, "105-108");
    EXPECT_FALSE(o.Legs.AllNumbers);
    EXPECT_EQ(CsPrt.Legs.Numbers, "105-108");
}

TEST_F(CsPrintFlow, APrintScaleOtherThanTheMapScaleIsAskedAboutOnceAndKept)
{
    const double map = Stp()->MapScale;
    Stp()->PrintScale = map * 1.5;
    dialogs.QueueAnswer(true, TempPath(QStringLiteral("event.zmd")));
    Trigger(Cmd::FileSaveAs);
    // Print pressed, the question answered: how often it was asked, and whether it printed.
    const auto print = [this](int answer) {
        CsPrintOptions o = CsPrintDialogOptions();
        TCsPrintDlg dlg(nullptr, o);
        messages.Clear();
        messages.QueueAnswer(answer);
        dlg.findChild<QPushButton*>(QStringLiteral("PrintBtn"))->click();
        return std::pair(messages.CountOf(TextKey::PrintScaleDiffers), dlg.Printed());
    };
    EXPECT_EQ(print(IdCancel), std::pair(1, false));
    EXPECT_EQ(messages.Last().params, QStringLiteral("1:%1;1:%2").arg(ScaleComboText(map * 1.5), ScaleComboText(map)));
    EXPECT_EQ(print(IdOk), std::pair(1, true));
    EXPECT_EQ(print(IdOk), std::pair(0, true));
    Stp()->MapScale = map * 2; // Options > Scales
    EXPECT_EQ(print(IdOk), std::pair(1, true));
    EXPECT_EQ(Stp()->PrintScale, map * 1.5);
}

TEST_F(CsPrintFlow, TheCoursesChosenLastComeBackByNameAndTheShownCourseFirst)
{
    const auto offered = [this] {
        QStringList chosen;
        CoursePorts().RunCsPrintDialog.Bind([&chosen](CsPrintOptions& o) {
            for (size_t i = 0; i < o.Selected.size(); ++i)
                if (o.Selected[i])
                    chosen << o.Entries[qsizetype(i)];
            return false;
        });
        Frame().UpdateCommandStates();
        Trigger(Cmd::FilePrint);
        return chosen;
    };
    const auto entry = [](const char* course) { return CourseListItems()[CourseIndex(QLatin1String(course)) + 1]; };
    EXPECT_EQ(offered(), QStringList{CourseListItems()[0]});
    SaveCsPrintOptions(Options({CourseIndex(QStringLiteral("Long")) + 1, CourseIndex(QStringLiteral("Solo")) + 1}));
    // A course sorted first moves every place; a rename through the Course dialog.
    AddCourse({QStringLiteral("Aaa Short")}, Sequence({"sS1", "c31", "fF1"}));
    UpdateCourses();
    auto* panel = static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
    panel->CsPageControl->setCurrentIndex(CsCoursesPage);
    SelectCourse(CourseIndex(QStringLiteral("Long")) + 1);
    CoursePorts().RunCourseDialog.Bind([](CourseProps& p, int, int, bool) {
        p.Name = QStringLiteral("Long A");
        return true;
    });
    panel->CoursePropBtn->click();
    // The Courses tab showing offers its course.
    SelectCourse(CourseIndex(QStringLiteral("Short")) + 1);
    EXPECT_EQ(offered(), QStringList{entry("Short")});
    panel->CsPageControl->setCurrentIndex(CsObjectsPage);
    EXPECT_EQ(offered(), (QStringList{entry("Long A"), entry("Solo")}));
}

TEST_F(CsPrintFlow, ACourseWithoutAStartOrAFinishPrintsOnlyWhenTheUserSaysSo)
{
    AddCourse({QStringLiteral("Open")}, Sequence({"sS1", "c31", "c32"}));
    UpdateCourses();
    Stp()->PrintRange = {-10 * CsMm, -10 * CsMm, 10 * CsMm, 10 * CsMm};
    for (int answer : {IdCancel, IdOk}) {
        messages.Clear();
        messages.QueueAnswer(answer);
        PrintThroughMenu([](CsPrintOptions& o) {
            o = Options({CourseIndex(QStringLiteral("Open")) + 1, CourseIndex(QStringLiteral("Short")) + 1});
        });
        ASSERT_EQ(messages.CountOf(TextKey::PrintIncomplete), 1);
        EXPECT_EQ(MessageText(messages.Last()), Text(TextKey::Course) + QStringLiteral(": Open\r\n")
                                                    + Text(TextKey::CourseWithoutFinish) + u' '
                                                    + Text(TextKey::PrintIncomplete).mid(1));
    }
    EXPECT_EQ(printers->titles, (QStringList{Text(TextKey::Untitled) + QStringLiteral("Open.prn"),
                                             Text(TextKey::Untitled) + QStringLiteral("Short.prn")}));
}

TEST_F(CsPrintFlow, SetupButtonsOpenTheirDialogsAndDefineClosesBoth)
{
    CsPrintOptions o = CsPrintDialogOptions();
    o.Printer = 0;
    const struct {
        const char* button;
        const char* range;
        int workMode;
    } rows[] = {{"CourseSetupBtn", "CourseOnlyB", WorkModes::CourseRange},
                {"PartialSetupBtn", "PartialB", WorkModes::PrintRange}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        CoursePorts().RunCourseOnlyDialog.Bind([](CourseOnlyEdit&) { return CourseOnlyAnswer::Define; });
        IoPorts().RunPrintRangeDialog.Bind([](PrintRangeEdit& e) {
            e.Store(e.Fields());
            return RangeAnswer::Define;
        });
        ProgramConfig.WorkMode = WorkModes::EditObject;
        TCsPrintDlg dlg(nullptr, o);
        dlg.show();
        EXPECT_EQ(dlg.HelpContext(), CsPrintHelpContext);
        dlg.findChild<QPushButton*>(QString::fromLatin1(row.button))->click();
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_FALSE(dlg.Printed());
        EXPECT_TRUE(dlg.findChild<QRadioButton*>(QString::fromLatin1(row.range))->isChecked());
        EXPECT_EQ(ProgramConfig.WorkMode, row.workMode);
        EXPECT_TRUE(printers->titles.isEmpty());
    }
    // The help by page.
    TCsPrintDlg dlg(nullptr, o);
    auto* pages = dlg.findChild<QTabWidget*>(QStringLiteral("PageControl"));
    pages->setCurrentIndex(1);
    EXPECT_EQ(dlg.HelpContext(), CsPrintOptionsHelpContext);
    pages->setCurrentIndex(2);
    EXPECT_EQ(dlg.HelpContext(), CsPrintRelayHelpContext);
}

} // namespace
} // namespace zemo::test
