// Course printing's plan and the course alone: the jobs that the courses, legs and start
// numbers make; the course-only settings string beside the print dialog's field; the sheet
// and page centre at the scales, inside the map area whatever the scales; the course-only
// dialog offscreen.
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "shell/widgets/MainFm.h"
#include "core/Config.h"
#include "core/Messages.h"
#include "course/CourseOnly.h"
#include "course/CsPrint.h"
#include "course/Ports.h"
#include "course/widgets/CourseOnlyDlg.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "io/ExpRange.h"
#include "io/Print.h"
#include "io/PrintSys.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

CheckedCourse Relay(int legs, int first, int last)
{
    CheckedCourse c;
    c.Kind = CourseKind::Relay;
    c.Legs = legs;
    c.FirstStart = first;
    c.LastStart = last;
    return c;
}

std::vector<CsPrintJob> Jobs(std::vector<CheckedEntry> entries, const CsLegChoice& choice)
{
    std::vector<CsPrintJob> jobs;
    ForEachPrintJob(entries, choice, [&jobs](const CsPrintJob& j) {
        jobs.push_back(j);
        return true;
    });
    return jobs;
}

TEST(CsPrintPlan, JobsByCourseLegAndStartNumber)
{
    const CheckedCourse relay = Relay(3, 101, 120);
    const CheckedCourse normal;
    const auto numbers = [](const char* text) {
        CsLegChoice c;
        c.AllNumbers = false;
        c.Numbers = QString::fromLatin1(text);
        return c;
    };
    CsLegChoice leg4;
    leg4.AllLegs = false;
    leg4.Leg = 4;
    CsLegChoice leg0 = leg4;
    leg0.Leg = 0;
    CsLegChoice leg2 = numbers("119-200");
    leg2.AllLegs = false;
    leg2.Leg = 2;
    std::vector<CsPrintJob> relay105to108;
    for (int leg = 1; leg <= 3; ++leg)
        for (int t = 105; t <= 108; ++t)
            relay105to108.push_back({2, leg, t});
    const struct {
        const char* name;
        std::vector<CheckedEntry> entries;
        CsLegChoice choice;
        std::vector<CsPrintJob> jobs;
    } rows[] = {
        {"all legs, 105-108", {{2, relay}}, numbers("105-108"), relay105to108},
        {"a leg above the course's legs", {{2, relay}}, leg4, {}},
        {"leg 0", {{2, relay}}, leg0, {}},
        {"leg 2, numbers cut to the course's last", {{2, relay}}, leg2, {{2, 2, 119}, {2, 2, 120}}},
        {"all controls first, then two courses", {{0, normal}, {1, normal}, {3, normal}}, {}, {{0, 0, 0}, {1, 0, 0}, {3, 0, 0}}},
        {"a normal course whatever the relay page says", {{1, normal}}, leg4, {{1, 0, 0}}},
        {"numbers in falling order", {{2, relay}}, numbers("7-3"), {}},
        {"number 0", {{2, relay}}, numbers("0"), {}},
        {"one number", {{2, Relay(1, 1, 10)}}, numbers(" 4 "), {{2, 1, 4}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Jobs(row.entries, row.choice), row.jobs);
    }
    // Every number of every leg with no choice made.
    EXPECT_EQ(Jobs({{1, Relay(2, 1, 3)}}, {}).size(), 6u);
}

TEST(CsPrintPlan, StartNumberTexts)
{
    const struct {
        const char* text;
        bool ok;
        int from;
        int to;
    } rows[] = {
        {"105-108", true, 105, 108}, {"7", true, 7, 7},   {" 3 - 9 ", true, 3, 9}, {"x", false, 0, 0},
        {"1-x", false, 0, 0},        {"-5", false, 0, 0}, {"", false, 0, 0},      {"1-2-3", false, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        int a = 0, b = 0;
        EXPECT_EQ(ParseStartNumbers(QString::fromLatin1(row.text), a, b), row.ok);
        if (row.ok) {
            EXPECT_EQ(a, row.from);
            EXPECT_EQ(b, row.to);
        }
    }
}

TEST(CourseOnlySettingsText, FieldsKeepThePrintDialogsRange)
{
    const CourseOnlySettings empty = ReadCourseOnlySettings({});
    EXPECT_FALSE(empty.Black);
    EXPECT_FALSE(empty.Mirror);
    EXPECT_EQ(empty.HorScale, "100");
    EXPECT_EQ(empty.VerScale, "100");
    CourseOnlySettings s;
    s.Black = true;
    s.HorScale = QStringLiteral("97.5");
    s.VerScale = QStringLiteral("102");
    EXPECT_EQ(WriteCourseOnlySettings(QStringLiteral("\tr1\ts50\tm1"), s), "\tb1\tm0\ts97.5\tt102\tr1");
    EXPECT_EQ(WriteCourseOnlySettings({}, s), "\tb1\tm0\ts97.5\tt102");
    // Another field is kept as it stands, a CR in it too.
    EXPECT_EQ(WriteCourseOnlySettings(QStringLiteral("\tr1\rx"), s), "\tb1\tm0\ts97.5\tt102\tr1\rx");
    const CourseOnlySettings back = ReadCourseOnlySettings(QStringLiteral("\tb1\tm1\ts97.5\tt102\tr1"));
    EXPECT_TRUE(back.Black && back.Mirror);
    EXPECT_EQ(back.HorScale, "97.5");
    EXPECT_EQ(GetParamInt(WriteCourseOnlySettings(QStringLiteral("\tr2"), back), u'r', 0), 2);

    // A stored scale that is no usable percentage counts as 100.
    const struct {
        const char* text;
        double percent;
    } rows[] = {{"0", 100},   {"x", 100},       {"", 100},     {"9.99", 100}, {"10", 10},
                {"1000", 1000}, {"1000.01", 100}, {"97.5", 97.5}, {"nan", 100},  {"-50", 100}};
    for (const auto& row : rows)
        EXPECT_EQ(CourseOnlyPercent(QString::fromLatin1(row.text)), row.percent) << row.text;
}

TEST(CourseOnlySheetGeometry, SheetAndCentreStayInsideTheMapArea)
{
    SetupRecord s;
    s.MapScale = 10000;
    const struct {
        double printScale;
        double percent;
        double left;
        int horz;
        int32_t x2;
        int32_t centreX;
    } rows[] = {
        // One page at the map's scale: 190 mm across, centred 95 mm in.
        {10000, 100, 10, 190, 200 * Mm, 105 * Mm},
        // At 50 % the page covers twice the map.
        {10000, 50, 10, 190, 390 * Mm, 200 * Mm},
        // 10 % at ten times the map scale: 1189 mm cover 1189 m of paper, cut at 2000 mm.
        {100000, 10, -2000, 1189, MapAreaLimit, MapAreaLimit},
        {100000, 10, 2000, 1189, MapAreaLimit, MapAreaLimit},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.percent);
        s.PrintScale = row.printScale;
        const CourseOnlyFactors f = CourseOnlyFactorsOf(row.percent, row.percent, s);
        const CordRect sheet = CourseOnlySheet(row.left, 0, f, row.horz, 277);
        EXPECT_EQ(sheet.x1, MmToCord(row.left));
        EXPECT_EQ(sheet.x2, row.x2);
        EXPECT_LE(sheet.y2, MapAreaLimit);
        EXPECT_EQ(CourseOnlyPageCentre(sheet, f, row.horz, 277).x, row.centreX);
    }
    // Corners typed beyond the area are taken at its edge.
    const CordRect far = CourseOnlySheet(3000, -3000, {1, 1}, 190, 277);
    EXPECT_EQ(far.x1, MapAreaLimit);
    EXPECT_EQ(far.y1, -MapAreaLimit);
    EXPECT_EQ(far.x2, MapAreaLimit);
}

class CourseOnlyDlgTest : public ProgramFixture {
protected:
    // A 1:10000 map with a line from (0, 0) to (100, 60) mm; print scale 1:20000; an A4 page.
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50)};
        w.objects.push_back(TestObject::Line(10, {{0, 0}, {100 * Mm, 60 * Mm}}));
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("map.zmd")));
        Stp()->MapScale = 10000;
        Stp()->PrintScale = 20000;
        Stp()->PrintRange = {-10 * Mm, 5 * Mm, 0, 0};
        PrintSys.HORZSIZE = 190;
        PrintSys.VERTSIZE = 277;
    }
    static QString Settings()
    {
        return Index.ActiveZmd->MapSettings[size_t(MapSettingsSlot(PrintSettingsType))];
    }
    template <class W>
    static W* Child(QWidget& d, const char* name)
    {
        W* w = d.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static QLineEdit* Edit(QWidget& d, const char* name) { return Child<QLineEdit>(d, name); }
    // Runs the dialog through EditCourseOnlyPrint with `act` on it.
    static CourseOnlyAnswer Run(const std::function<void(TCourseOnlyDlg&)>& act)
    {
        CoursePorts().RunCourseOnlyDialog.Bind([act](CourseOnlyEdit& e) {
            TCourseOnlyDlg dlg(nullptr, e);
            act(dlg);
            return dlg.result() == QDialog::Accepted ? dlg.Answer() : CourseOnlyAnswer::Cancel;
        });
        return EditCourseOnlyPrint();
    }
};

TEST_F(CourseOnlyDlgTest, AnEmptyStringShowsFullScaleAndOkStoresOnePageAtTheScales)
{
    const CourseOnlyAnswer a = Run([](TCourseOnlyDlg& d) {
        EXPECT_EQ(Edit(d, "HorScalE")->text(), "100");
        EXPECT_EQ(Edit(d, "VerScalE")->text(), "100");
        EXPECT_EQ(Edit(d, "LeftE")->text(), "-10.00");
        EXPECT_EQ(Edit(d, "BottomE")->text(), "5.00");
        EXPECT_FALSE(Child<QCheckBox>(d, "BlackB")->isChecked());
        EXPECT_FALSE(Child<QCheckBox>(d, "MirrorB")->isChecked());
        Edit(d, "HorScalE")->setText(QStringLiteral("50"));
        Child<QCheckBox>(d, "MirrorB")->setChecked(true);
        d.accept();
    });
    EXPECT_EQ(a, CourseOnlyAnswer::Ok);
    EXPECT_EQ(Settings(), "\tb0\tm1\ts50\tt100");
    // fx = 0.5 x 0.5: 190 mm cover 760 mm of map paper; fy = 0.5: 277 mm cover 554 mm.
    EXPECT_EQ(Stp()->PrintRange, (CordRect{-10 * Mm, 5 * Mm, 750 * Mm, 559 * Mm}));
}

TEST_F(CourseOnlyDlgTest, FieldRangesAndTheLocalesSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const struct {
        const char* field;
        const char* value;
        bool accepted;
        const char* stored;  // the settings string after OK
    } rows[] = {
        {"HorScalE", "10", true, "\tb0\tm0\ts10\tt100"},
        {"HorScalE", "9,99", false, nullptr},
        {"VerScalE", "97,5", true, "\tb0\tm0\ts100\tt97.5"},
        {"VerScalE", "1000,01", false, nullptr},
        {"LeftE", "-2000", true, nullptr},
        {"BottomE", "2000", true, nullptr},
        {"LeftE", "2000,01", false, nullptr},
        {"BottomE", "-3000", false, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.field + std::string("=") + row.value);
        SaveTypedPString({}, PrintSettingsType);
        messages.Clear();
        const CourseOnlyAnswer a = Run([&row](TCourseOnlyDlg& d) {
            Edit(d, row.field)->setText(QString::fromLatin1(row.value));
            d.accept();
        });
        EXPECT_EQ(a == CourseOnlyAnswer::Ok, row.accepted);
        EXPECT_EQ(messages.Count(), row.accepted ? 0 : 1);
        if (!row.accepted)
            EXPECT_EQ(messages.Last().key, TextKey::MustBetween);
        if (row.stored)
            EXPECT_EQ(Settings(), QString::fromLatin1(row.stored));
    }
    QLocale::setDefault(QLocale::c());
}

TEST_F(CourseOnlyDlgTest, ResetCentresTheMapOnThePageAndDefinePlacesTheSheet)
{
    CordRect e;
    ASSERT_TRUE(GetFullExtent(e));
    const CourseOnlyAnswer a = Run([&e](TCourseOnlyDlg& d) {
        // The factors as typed: 50 % at 1:20000 gives 0.25; the page covers 760 x 1108 mm.
        Edit(d, "HorScalE")->setText(QStringLiteral("50"));
        Edit(d, "VerScalE")->setText(QStringLiteral("50"));
        Child<QPushButton>(d, "ResetBtn")->click();
        EXPECT_EQ(Edit(d, "HorScalE")->text(), "100");
        EXPECT_EQ(Edit(d, "VerScalE")->text(), "100");
        const double left = (double(e.x1) + e.x2) / 2 / Mm - 190 / 2.0 / 0.25;
        const double bottom = (double(e.y1) + e.y2) / 2 / Mm - 277 / 2.0 / 0.25;
        EXPECT_EQ(Edit(d, "LeftE")->text(), QString::number(left, 'f', 2));
        EXPECT_EQ(Edit(d, "BottomE")->text(), QString::number(bottom, 'f', 2));
        Child<QPushButton>(d, "DefineBtn")->click();
    });
    EXPECT_EQ(a, CourseOnlyAnswer::Define);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::CourseRange);
    // Stored at 100 %: at 1:20000 the page covers 380 mm of map paper.
    const CordRect& r = Stp()->PrintRange;
    EXPECT_EQ(int64_t(r.x2) - r.x1, 380 * Mm);
    EXPECT_EQ(int64_t(r.y2) - r.y1, 554 * Mm);
}

TEST_F(CourseOnlyDlgTest, CancelKeepsTheStringAndTheRectangle)
{
    SaveTypedPString(QStringLiteral("\tr1\ts0"), PrintSettingsType);
    const CordRect before = Stp()->PrintRange;
    const CourseOnlyAnswer a = Run([](TCourseOnlyDlg& d) {
        // A stored 0 shows as it was stored; it is refused, not divided by.
        EXPECT_EQ(Edit(d, "HorScalE")->text(), "0");
        Edit(d, "LeftE")->setText(QStringLiteral("55"));
        d.reject();
    });
    EXPECT_EQ(a, CourseOnlyAnswer::Cancel);
    EXPECT_EQ(Settings(), "\tr1\ts0");
    EXPECT_EQ(Stp()->PrintRange, before);
}

} // namespace
} // namespace zemo::test
