// The Courses and Classes tabs through the running program: courses made, edited,
// duplicated and deleted through their dialogs, objects inserted from the list, variations
// through the Insert Variation dialog, classes through the Class dialog.
#include "CourseEvent.h"

#include "course/Courses.h"
#include "course/widgets/CoursePanel.h"
#include "course/widgets/VariationDlg.h"
#include "shell/widgets/Panels.h"

#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>

#include <functional>

namespace zemo::test {
namespace {

class CoursePanelTest : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        Settle();
        panel = static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
        ASSERT_TRUE(panel);
    }

    // Answers the modal dialogs shown while it lives, each by the next of `answers`.
    class Answering {
    public:
        explicit Answering(std::vector<std::function<void(QDialog&)>> answers) : answers_(std::move(answers))
        {
            timer_.setInterval(0);
            QObject::connect(&timer_, &QTimer::timeout, [this] {
                auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!dlg || dlg->property("answered").toBool() || next_ >= answers_.size())
                    return;
                dlg->setProperty("answered", true);
                answers_[next_++](*dlg);
                if (dlg->isVisible() && dlg->result() != QDialog::Accepted)
                    dlg->reject();
            });
            timer_.start();
        }
        size_t Used() const { return next_; }

    private:
        std::vector<std::function<void(QDialog&)>> answers_;
        size_t next_ = 0;
        QTimer timer_;
    };

    static void Type(QDialog& d, const char* name, const QString& text)
    {
        auto* e = d.findChild<QLineEdit*>(QLatin1String(name));
        ASSERT_TRUE(e) << name;
        e->setText(text);
    }
    static void Ok(QDialog& d)
    {
        d.findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
    }
    static std::function<void(QDialog&)> CourseAnswer(const CourseProps& p)
    {
        return [p](QDialog& d) {
            Type(d, "NameB", p.Name);
            Type(d, "ExtraE", QString::number(p.ExtraKm, 'f', 2));
            Type(d, "ClimbE", QString::number(p.ClimbM, 'f', 0));
            Type(d, "RunnersE", QString::number(p.Runners));
            d.findChild<QComboBox*>(QStringLiteral("TypeB"))
                ->setCurrentIndex(p.Kind == CourseKind::Relay ? 1 : p.Kind == CourseKind::OneManRelay ? 2 : 0);
            if (IsRelay(p.Kind)) {
                Type(d, "LegsE", QString::number(p.Legs));
                Type(d, "FromE", QString::number(p.FirstStart));
                Type(d, "ToE", QString::number(p.LastStart));
            }
            Ok(d);
        };
    }

    void ShowCoursesTab()
    {
        panel->CsPageControl->setCurrentIndex(CsCoursesPage);
        Settle();
    }
    // Inserts the course objects of a field list at the end; "l" inserts the default leg
    // variation through the dialog, "b" goes on in the next branch (a click below its last
    // object would do the same).
    void InsertFields(std::initializer_list<const char*> codes)
    {
        for (const char* c : codes) {
            const QString code = QString::fromLatin1(c);
            if (code == QLatin1String("l")) {
                Answering a({[](QDialog& d) {
                    d.findChild<QRadioButton*>(QStringLiteral("LegB"))->setChecked(true);
                    Ok(d);
                }});
                panel->VariationBtn->click();
                ASSERT_EQ(a.Used(), 1u);
                continue;
            }
            if (code.startsWith(QLatin1Char('>'))) { // the caret before a field, or at the end
                const QString text = CurrentCourseText();
                CsCourses.Caret = code == QLatin1String(">$") ? CaretAtEnd(text)
                                                               : int(text.indexOf(QLatin1Char('\t') + code.mid(1))) + 1;
                CsCourses.Remembered = CsCourses.Caret; // as a click leaves it
                continue;
            }
            const int row = CsIndex(code);
            ASSERT_GE(row, 0) << c;
            QListWidgetItem* item = panel->CsCodeB->item(row);
            ASSERT_TRUE(item);
            Q_EMIT panel->CsCodeB->itemDoubleClicked(item);
        }
    }

    TCoursePanel* panel = nullptr;
};

TEST_F(CoursePanelTest, TheEventRebuiltThroughThePanelGivesTheSameRecords)
{
    BuildEvent();
    const QStringList wantCourses = [] {
        QStringList l;
        for (int i = 0; i < Z().Courses.Count(); ++i)
            l << Z().Courses.Strings(i);
        return l;
    }();
    // Take the courses and classes away, then make Short, Solo and their classes anew.
    while (Z().Classes.Count()) {
        CsCourses.SelectedClass = 0;
        messages.QueueAnswer(IdOk);
        DeleteSelectedClass();
    }
    ShowCoursesTab();
    for (const char* name : {"Short", "Solo"}) {
        SelectCourse(CourseIndex(QString::fromLatin1(name)) + 1);
        messages.QueueAnswer(IdOk);
        panel->CourseDeleteBtn->click();
    }
    ASSERT_EQ(CourseIndex(QStringLiteral("Short")), -1);
    {
        Answering a({CourseAnswer({QStringLiteral("Short"), 0, 120, 60})});
        panel->CourseNewBtn->click();
        ASSERT_EQ(a.Used(), 1u);
    }
    InsertFields({"S1", "31", "33", "35", "37", "39", "41", "42", "43", "F1"});
    {
        Answering a({CourseAnswer({QStringLiteral("Solo"), 0, 0, 10, CourseKind::OneManRelay, 2, 1, 10})});
        panel->CourseNewBtn->click();
    }
    InsertFields({"S1", "46", "l", "47", ">p", "48", ">$", "50", "F1"});
    EXPECT_EQ(CurrentCourseText().toStdString(), wantCourses[CourseIndex(QStringLiteral("Solo"))].toStdString());

    panel->CsPageControl->setCurrentIndex(CsClassesPage);
    Settle();
    const std::pair<const char*, const char*> classes[] = {
        {"M21", "Long"}, {"W21", "Short"}, {"M Relay", "Relay"}, {"W Solo", "Solo"}};
    for (const auto& [name, course] : classes) {
        const int item = CourseIndex(QString::fromLatin1(course)) + 1;
        Answering a({[name, item](QDialog& d) {
            Type(d, "NameB", QString::fromLatin1(name));
            d.findChild<QListWidget*>(QStringLiteral("CourseB"))->setCurrentRow(item);
            Ok(d);
        }});
        panel->NewClassBtn->click();
        ASSERT_EQ(a.Used(), 1u);
    }
    QStringList courses, classTexts;
    for (int i = 0; i < Z().Courses.Count(); ++i)
        courses << Z().Courses.Strings(i);
    for (int i = 0; i < Z().Classes.Count(); ++i)
        classTexts << Z().Classes.Strings(i);
    // The panel keeps the list sorted by name; the fixture adds in its own order.
    QStringList want = wantCourses;
    want.sort(Qt::CaseInsensitive);
    EXPECT_EQ(courses.join(QLatin1Char('|')).toStdString(), want.join(QLatin1Char('|')).toStdString());
    EXPECT_EQ(classTexts, (QStringList{"M21\tcLong", "W21\tcShort", "M Relay\tcRelay", "W Solo\tcSolo"}));
    EXPECT_TRUE(CourseListItems().contains(QStringLiteral("Long: M21")));
}

TEST_F(CoursePanelTest, RenameDuplicateAndDeleteCarryTheLinks)
{
    BuildEvent();
    ShowCoursesTab();
    // Two kept objects of Long (a moved number and a line) and a generated one ("~").
    auto keep = [](const QString& link) {
        const int n = Store(CrossingSymbol, MmPoint{300, 300});
        EXPECT_GT(n, 0);
        const int s = AddPString(link, CourseObjectLinkType, n);
        Z().CsObjectLinks.AddNumber(link, s);
        return n;
    };
    keep(QStringLiteral("Long\td31"));
    keep(QStringLiteral("Long\tf31\tt32"));
    keep(QStringLiteral("~Long\td33"));
    keep(QStringLiteral("Long"));
    SelectCourse(CourseIndex(QStringLiteral("Long")) + 1);
    {
        Answering a({[](QDialog& d) {
            Type(d, "NameB", QStringLiteral("Lang\tA"));
            Ok(d);
        }});
        panel->CoursePropBtn->click();
        ASSERT_EQ(a.Used(), 1u);
    }
    const QString lang = QStringLiteral("Lang A");
    ASSERT_GE(CourseIndex(lang), 0);
    EXPECT_TRUE(CourseListItems().contains(QStringLiteral("Lang A: M21")));
    auto linksOf = [](const QString& name) {
        QStringList l;
        for (int i = 0; i < Z().CsObjectLinks.Count(); ++i)
            if (GetParamName(Z().CsObjectLinks.Strings(i)) == name)
                l << Z().CsObjectLinks.Strings(i);
        l.sort();
        return l;
    };
    EXPECT_EQ(linksOf(lang), (QStringList{"Lang A", "Lang A\td31", "Lang A\tf31\tt32"}));

    // Duplicate with the preview off: only the tagged links are copied, each linked and
    // stored hidden, so that it shows with its own course only.
    ASSERT_FALSE(Z().CoursePreviewOn);
    {
        Answering a({[](QDialog& d) {
            Type(d, "NameB", QStringLiteral("Copy"));
            Ok(d);
        }});
        panel->CourseDupBtn->click();
        ASSERT_EQ(a.Used(), 1u);
    }
    ASSERT_EQ(GetParamName(CurrentCourseText()), QStringLiteral("Copy"));
    EXPECT_EQ(CurrentCourseText().mid(4), Z().Courses.Strings(CourseIndex(lang)).mid(lang.size()));
    EXPECT_EQ(linksOf(QStringLiteral("Copy")), (QStringList{"Copy\td31", "Copy\tf31\tt32"}));
    for (int i = 0; i < Z().CsObjectLinks.Count(); ++i) {
        if (GetParamName(Z().CsObjectLinks.Strings(i)) != QLatin1String("Copy"))
            continue;
        ASSERT_TRUE(IndexFromStIndex(Z().CsObjectLinks.GetNumber(i)));
        EXPECT_TRUE(Index.CurIndex.Symbol & CourseOnlyMark);
    }
    EXPECT_TRUE(Z().TaggedObjects.empty());

    // Delete drops the course with its links and their objects.
    std::vector<int> objects;
    for (int i = 0; i < Z().CsObjectLinks.Count(); ++i)
        if (GetParamName(Z().CsObjectLinks.Strings(i)) == QLatin1String("Copy")
            && IndexFromStIndex(Z().CsObjectLinks.GetNumber(i)))
            objects.push_back(Index.CurIndexNo);
    ASSERT_EQ(objects.size(), 2u);
    messages.QueueAnswer(IdOk);
    panel->CourseDeleteBtn->click();
    EXPECT_EQ(messages.CountOf(TextKey::DeleteCourse), 1);
    EXPECT_EQ(CourseIndex(QStringLiteral("Copy")), -1);
    EXPECT_TRUE(linksOf(QStringLiteral("Copy")).isEmpty());
    for (int n : objects) {
        ElementRecord e;
        GetIndex(n);
        EXPECT_EQ(Index.CurIndex.Symbol & 0x7FFF, DeletedSymbol & 0x7FFF) << n;
    }
    EXPECT_EQ(linksOf(lang).size(), 3);
}

TEST_F(CoursePanelTest, TheVariationButtonFollowsTheLegsAtTheCaret)
{
    BuildEvent();
    ShowCoursesTab();
    struct Case {
        const char* course;
        bool enabled;
    };
    for (const Case& k : {Case{"Long", false}, Case{"Relay", true}, Case{"Solo", true}}) {
        panel->CourseSelB->setCurrentIndex(CourseIndex(QString::fromLatin1(k.course)) + 1);
        Q_EMIT panel->CourseSelB->activated(panel->CourseSelB->currentIndex());
        EXPECT_EQ(panel->VariationBtn->isEnabled(), k.enabled) << k.course;
    }
    // At the end of a branch of legs 1-2 two legs run; a click in branch 3 finds one.
    const int relay = CourseIndex(QStringLiteral("Relay"));
    panel->CourseSelB->setCurrentIndex(relay + 1);
    Q_EMIT panel->CourseSelB->activated(relay + 1);
    CsCourses.Caret = int(CurrentCourseText().indexOf(QStringLiteral("\tb3"))) + 1;
    CsCourses.Click = {-1, -1};
    LayoutCurrentCourse();
    EXPECT_EQ(CsCourses.Diagram.CaretLegs, QStringLiteral("1-2"));
    CsCourses.Caret = int(CurrentCourseText().indexOf(QStringLiteral("\tp"))) + 1;
    LayoutCurrentCourse();
    EXPECT_EQ(CsCourses.Diagram.CaretLegs, QStringLiteral("3"));
    EXPECT_FALSE(CsCourses.VariationEnabled);
    // Leaving the tab leaves all controls.
    panel->CsPageControl->setCurrentIndex(CsClassesPage);
    EXPECT_EQ(Z().CurrentCourse, -1);
    // A double-clicked control goes in only twice apart.
    panel->CsPageControl->setCurrentIndex(CsCoursesPage);
    SelectCourse(CourseIndex(QStringLiteral("Short")) + 1);
    CsCourses.Caret = CaretAtEnd(CurrentCourseText());
    const QString before = CurrentCourseText();
    InsertFields({"F1"});
    EXPECT_EQ(CurrentCourseText(), before);
}

} // namespace
} // namespace zemo::test
