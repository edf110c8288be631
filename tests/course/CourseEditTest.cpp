// The course diagram's caret, the edits at it, the Course and Class dialogs' checks, the
// course list, and the course options string with its dialog.
#include "CourseEvent.h"

#include "course/CourseEdit.h"
#include "course/CsOptions.h"
#include "course/widgets/CsOptionsDlg.h"
#include "shell/CommandFrame.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QRadioButton>

namespace zemo::test {
namespace {

QString Seq(std::initializer_list<const char*> fields)
{
    QString s = QStringLiteral("X\tE0.00\tC0\tR0\tYn");
    for (const char* f : fields)
        s += QLatin1Char('\t') + QString::fromLatin1(f);
    return s;
}

// The caret that stands before the n-th field after the header (0-based).
int CaretBefore(const QString& course, const char* field)
{
    const int at = int(course.indexOf(QLatin1Char('\t') + QString::fromLatin1(field)));
    EXPECT_GE(at, 0) << field;
    return at + 1;
}

TEST(CourseCaret, AClickPicksTheLastPositionAboveAndLeftOfIt)
{
    const QString c = Seq({"sS1", "c31", "c32", "fF1"});
    // Positions run down x = 35 from y = 7 by 14: before S1, 31, 32, F1 and the end.
    struct Case {
        QPoint click;
        const char* before; // nullptr: the end
    };
    const Case cases[] = {
        {{0, 0}, "sS1"},         // no position qualifies: the first
        {{24, 1}, "sS1"},        // 35 - 12 < 24, 7 - 7 < 1
        {{23, 30}, "sS1"},       // x not past 23
        {{24, 14}, "sS1"},       // y 21 - 7 = 14 is not below 14
        {{24, 15}, "c31"},
        {{200, 43}, "fF1"},
        {{200, 57}, nullptr},
        {{CaretEndClick, CaretEndClick}, nullptr},
    };
    for (const Case& k : cases) {
        const CourseDiagram d = LayoutCourse(c, k.click);
        const int want = k.before ? CaretBefore(c, k.before) : CaretAtEnd(c);
        EXPECT_EQ(d.Caret, want) << k.click.x() << "," << k.click.y();
    }
    const CourseDiagram d = LayoutCourse(c, {0, 0});
    ASSERT_EQ(d.Texts.size(), 6u); // four codes and two running numbers
    EXPECT_EQ(d.Texts[1].Text, QStringLiteral("1."));
    EXPECT_EQ(d.Texts[1].X, DiagramNumberX);
    EXPECT_EQ(d.Texts[2].Text, QStringLiteral("31"));
    EXPECT_EQ(d.Texts[2].X, DiagramCodeX);
    EXPECT_EQ(d.Width, DiagramCodeX + 40);
    EXPECT_EQ(d.Height, 7 + 3 * DiagramLine + 20);
}

TEST(CourseCaret, BranchesStandBesideEachOtherAndGiveTheirLegsAtTheCaret)
{
    const QString c = QStringLiteral("R\tYs\tL3") + QStringLiteral("\tsS1\tc46\tl\tb1-2\tc51\tb3\tc55\tp\tc43\tfF1");
    const CourseDiagram main = LayoutCourse(c, {CaretEndClick, CaretEndClick});
    EXPECT_EQ(main.CaretLegs, QStringLiteral("1-2-3"));
    EXPECT_EQ(main.CaretLegCount, 3);
    // Leg numbers in blue, branches right of the main line, each 25 beyond the widest so far.
    std::vector<DiagramText> blue;
    for (const DiagramText& t : main.Texts)
        if (t.Blue)
            blue.push_back(t);
    ASSERT_EQ(blue.size(), 3u);
    EXPECT_EQ(blue[0].Text, QStringLiteral("1"));
    EXPECT_EQ(blue[0].X, DiagramCodeX + 40 + DiagramBranchGap);
    EXPECT_GT(blue[2].X, blue[0].X + 40);
    // A click just below-right of control 51 lands in branch 1-2 behind it.
    const DiagramText* c51 = nullptr;
    for (const DiagramText& t : main.Texts)
        if (t.Text == QLatin1String("51"))
            c51 = &t;
    ASSERT_TRUE(c51);
    const CourseDiagram in = LayoutCourse(c, {c51->X - 11, c51->Y + DiagramLine - 6});
    EXPECT_EQ(in.Caret, CaretBefore(c, "b3"));
    EXPECT_EQ(in.CaretLegs, QStringLiteral("1-2"));
    EXPECT_EQ(in.CaretLegCount, 2);
    // Fork and join lines of a leg variation are blue: one fork and one join per branch, and
    // the shorter branch comes down its own column first.
    ASSERT_EQ(main.Lines.size(), 5u);
    for (const DiagramLineSeg& l : main.Lines)
        EXPECT_TRUE(l.Blue);
}

TEST(CourseCaret, InsertingRefusesAnObjectTwiceInARow)
{
    struct Case {
        const char* before; // nullptr: the end
        const char* field;
        bool inserted;
        QString result;
    };
    const QString c = Seq({"sS1", "c31", "fF1"});
    const Case cases[] = {
        {"fF1", "\tc31", false, c},
        {"fF1", "\tc32", true, Seq({"sS1", "c31", "c32", "fF1"})},
        {nullptr, "\tfF1", false, c},
        {nullptr, "\tc33", true, Seq({"sS1", "c31", "fF1", "c33"})},
        {"c31", "\tc31", true, Seq({"sS1", "c31", "c31", "fF1"})}, // behind it is allowed
    };
    for (const Case& k : cases) {
        QString s = c;
        int caret = k.before ? CaretBefore(s, k.before) : CaretAtEnd(s);
        const int old = caret;
        EXPECT_EQ(InsertCourseField(s, caret, QString::fromLatin1(k.field)), k.inserted) << k.field;
        EXPECT_EQ(s, k.result) << k.field;
        if (k.inserted) // the caret behind the new field
            EXPECT_EQ(s.mid(caret - 1 - int(strlen(k.field)), int(strlen(k.field))), QString::fromLatin1(k.field));
        else
            EXPECT_EQ(caret, old);
    }
}

TEST(CourseCaret, RemovingTakesTheObjectOrTheWholeVariation)
{
    struct Case {
        const char* name;
        QString course;
        const char* before; // nullptr: the end
        bool confirm;
        RemoveResult result;
        QString after;
        bool asked;
    };
    const QString var = Seq({"sS1", "c46", "l", "b1", "c47", "b2", "c48", "p", "c50", "fF1"});
    const QString between = Seq({"sS1", "r2", "v", "c1", "v", "q", "c50", "r2", "v", "v", "q", "fF1"});
    const Case cases[] = {
        {"control", Seq({"sS1", "c31", "fF1"}), "fF1", true, RemoveResult::Removed, Seq({"sS1", "fF1"}), false},
        {"at the end", Seq({"sS1", "c31", "fF1"}), nullptr, true, RemoveResult::Removed, Seq({"sS1", "c31"}), false},
        {"after the header", Seq({"sS1", "fF1"}), "sS1", true, RemoveResult::Nothing, Seq({"sS1", "fF1"}), false},
        {"variation end", var, "c50", true, RemoveResult::Removed, Seq({"sS1", "c46", "c50", "fF1"}), true},
        {"cancelled", var, "c50", false, RemoveResult::Cancelled, var, true},
        {"branch start", var, "c48", true, RemoveResult::Removed, Seq({"sS1", "c46", "c50", "fF1"}), true},
        {"between variations", between, "r2\tv\tv", true, RemoveResult::Refused, between, false},
    };
    for (const Case& k : cases) {
        QString s = k.course;
        int caret = k.before ? CaretBefore(s, k.before) : CaretAtEnd(s);
        if (k.before && std::string(k.before) == "r2\tv\tv") // the second variation's start
            caret = int(s.lastIndexOf(QStringLiteral("\tr2"))) + 1;
        bool asked = false;
        EXPECT_EQ(RemoveCourseField(s, caret, [&] { asked = true; return k.confirm; }), k.result) << k.name;
        EXPECT_EQ(s, k.after) << k.name;
        EXPECT_EQ(asked, k.asked) << k.name;
        EXPECT_EQ(ValidCaret(s, caret), caret) << k.name;
    }
}

TEST(CourseCaret, AVariationNeedsAControlBetweenItAndAnother)
{
    const QString c = Seq({"sS1", "c46", "r2", "v", "c47", "v", "c48", "q", "c50", "fF1"});
    EXPECT_TRUE(CanInsertVariation(c, CaretBefore(c, "c50")) == false);   // right after q
    EXPECT_FALSE(CanInsertVariation(c, CaretBefore(c, "r2")));             // right before r
    EXPECT_TRUE(CanInsertVariation(c, CaretBefore(c, "fF1")));
    EXPECT_TRUE(CanInsertVariation(c, CaretBefore(c, "c46")));
    EXPECT_EQ(DefaultLegVariation(QStringLiteral("1-2-3")), QStringLiteral("\tl\tb1\tb2\tb3\tp"));

    QString s = Seq({"sS1", "c31"});
    int caret = CaretAtEnd(s);
    InsertCourseVariation(s, caret, QStringLiteral("\tr2\tv\tv\tq"));
    EXPECT_EQ(s, Seq({"sS1", "c31", "r2", "v", "v", "q"}));
    ASSERT_TRUE(InsertCourseField(s, caret, QStringLiteral("\tc32")));
    EXPECT_EQ(s, Seq({"sS1", "c31", "r2", "v", "c32", "v", "q"})); // into the first branch
}

class CourseDialogs : public CourseEventTest {};

TEST_F(CourseDialogs, TheCourseAndClassChecksRefuseInTheirOrder)
{
    BuildEvent();
    const int relay = CourseIndex(QStringLiteral("Relay"));
    struct Case {
        const char* name;
        CourseProps v;
        int edited;
        bool variation;
        TextKey key;
    };
    const Case cases[] = {
        {"empty", {QStringLiteral(" \t ")}, -1, false, TextKey::NoCourseName},
        {"case", {QStringLiteral("long")}, -1, false, TextKey::CourseExists},
        {"itself", {QStringLiteral("relay"), 0, 0, 0, CourseKind::Relay, 3, 101, 120}, relay, true, TextKey::Count},
        {"last", {QStringLiteral("New"), 0, 0, 0, CourseKind::Relay, 3, 5, 4}, -1, false, TextKey::LastGreater},
        {"off", {QStringLiteral("Relay")}, relay, true, TextKey::SwitchOffRelay},
        {"legs", {QStringLiteral("Relay"), 0, 0, 0, CourseKind::Relay, 4, 101, 120}, relay, true, TextKey::ChangeLegs},
    };
    for (const Case& k : cases)
        EXPECT_EQ(CheckCourseDialog(k.v, k.edited, 3, k.variation).Key, k.key) << k.name;
    EXPECT_EQ(CheckCourseDialog(cases[1].v, -1, 0, false).Param, QStringLiteral("long"));

    EXPECT_EQ(CheckClassDialog(QStringLiteral("m21"), -1, -1).Key, TextKey::Count); // case counts
    EXPECT_EQ(CheckClassDialog(QStringLiteral(" M21 "), -1, -1).Key, TextKey::ClassNameExists);
    EXPECT_EQ(CheckClassDialog(QStringLiteral("\r\n"), -1, -1).Key, TextKey::ClassNameEmpty);
    EXPECT_EQ(CheckClassDialog(QStringLiteral("H21"), relay, -1).Key, TextKey::OneClassRelayCourse);
    EXPECT_EQ(CheckClassDialog(QStringLiteral("H21"), CourseIndex(QStringLiteral("Long")), -1).Key, TextKey::Count);
    EXPECT_EQ(CleanCourseName(QStringLiteral(" A\tB\r\nC ")), QStringLiteral("A B  C"));
}

TEST_F(CourseDialogs, TheCourseListNamesTheClassesOfEachCourse)
{
    BuildEvent();
    AddRecord(Z().Classes, ClassType, QStringLiteral("H21\tcLong"));
    const QStringList items = CourseListItems();
    ASSERT_EQ(items.size(), Z().Courses.Count() + 1);
    EXPECT_EQ(items[0], QStringLiteral("<All controls>"));
    EXPECT_TRUE(items.contains(QStringLiteral("Long: M21-H21")) || items.contains(QStringLiteral("Long: H21-M21")));
    EXPECT_TRUE(items.contains(QStringLiteral("Short: W21")));
}

TEST(CourseOptionsText, DefaultsAndShownValues)
{
    struct Case {
        const char* stored;
        CourseOptions shown;
    };
    const Case cases[] = {
        {"", {false, 1.0, 0.0, TitleAuto, 6.0}},
        {"\tc1\tn2.50\tl0.30\tt2\ts8.00", {true, 2.5, 0.3, TitleCourseOnly, 8.0}},
        {"\ts12", {false, 1.0, 0.0, TitleAuto, 6.0}},
        {"\ts2.99\tt3", {false, 1.0, 0.0, TitleAuto, 6.0}},
        {"\ts3\tt-1\tn50", {false, 50.0, 0.0, TitleAuto, 3.0}},
        {"\tnnan\tl51", {false, 1.0, 0.0, TitleAuto, 6.0}},
    };
    for (const Case& k : cases)
        EXPECT_EQ(ParseCourseOptions(QString::fromLatin1(k.stored)), k.shown) << k.stored;
    EXPECT_EQ(CourseOptionsText(ParseCourseOptions(QStringLiteral("\ts12"))),
              QStringLiteral("\tc0\tn1.00\tl0.00\tt0\ts6.00"));
}

class CourseOptionsDialog : public CourseEventTest {};

TEST_F(CourseOptionsDialog, ANewMapShowsTheDefaultsAndOkWritesAllFiveFields)
{
    ASSERT_TRUE(HasWorker(Cmd::CourseOptions));
    TCsOptionsDlg dlg(nullptr, CurrentCourseOptions());
    EXPECT_FALSE(dlg.findChild<QCheckBox*>(QStringLiteral("PrintCodesB"))->isChecked());
    EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("DistNumE"))->text(), QStringLiteral("1.00"));
    EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("DistLineE"))->text(), QStringLiteral("0.00"));
    EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("SizeE"))->text(), QStringLiteral("6.00"));
    EXPECT_TRUE(dlg.findChild<QRadioButton*>(QStringLiteral("TitleItem0"))->isChecked());
    dlg.findChild<QCheckBox*>(QStringLiteral("PrintCodesB"))->setChecked(true);
    dlg.findChild<QRadioButton*>(QStringLiteral("TitleItem1"))->setChecked(true);
    dlg.findChild<QLineEdit*>(QStringLiteral("SizeE"))->setText(QStringLiteral("7.5"));
    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    ASSERT_TRUE(StoreCourseOptions(dlg.Values()));
    EXPECT_EQ(Z().MapSettings[size_t(MapSettingsSlot(CourseOptionsType))],
              QStringLiteral("\tc1\tn1.00\tl0.00\tt1\ts7.50"));
}

TEST_F(CourseOptionsDialog, ABoxOutOfRangeKeepsItOpenAndResetRemovesLinksAtOnce)
{
    BuildEvent();
    // A kept number of course Long: its object and link.
    const int n = Store(ControlSymbol, MmPoint{200, 200});
    ASSERT_GT(n, 0);
    const int s = AddPString(QStringLiteral("Long\td31"), CourseObjectLinkType, n);
    ASSERT_GT(s, 0);
    Z().CsObjectLinks.AddNumber(QStringLiteral("Long\td31"), s);
    TCsOptionsDlg dlg(nullptr, CurrentCourseOptions());
    dlg.findChild<QLineEdit*>(QStringLiteral("SizeE"))->setText(QStringLiteral("12"));
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    dlg.findChild<QPushButton*>(QStringLiteral("StandardBtn"))->click();
    EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("SizeE"))->text(), QStringLiteral("6.00"));
    dlg.findChild<QPushButton*>(QStringLiteral("ResetBtn"))->click();
    dlg.reject();
    EXPECT_EQ(Z().CsObjectLinks.Count(), 0);
    EXPECT_FALSE(IndexFromStIndex(s));
}

} // namespace
} // namespace zemo::test
