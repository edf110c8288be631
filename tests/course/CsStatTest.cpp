// Control statistics: runners counted through relays and their variations, and the dialog
// reached through Course > Control statistics.
#include "../shell/ModalDialog.h"
#include "CourseEvent.h"

#include "course/CsStat.h"

#include <QListWidget>

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

TEST(CsStatCount, RunnersTimesTheLegsRunningEachPlace)
{
    struct Row {
        const char* course;
        const char* code;
        int64_t count;
        int passes;
    };
    const Row rows[] = {
        // A normal course: its runners once; the start counts like a control.
        {"A\tYn\tR20\tsS1\tc31\tfF1", "31", 20, 1},
        {"A\tYn\tR20\tsS1\tc31\tfF1", "S1", 20, 1},
        {"A\tYn\tR20\tsS1\tc31\tfF1", "3", 0, 0},
        {"A\tYn\tR20\tsS1\tc31\tfF1", "F1", 0, 0},
        // Legs of a normal course do not count.
        {"A\tYn\tR5\tL3\tc31", "31", 5, 1},
        // A relay's common part: every leg; a one-man relay alike.
        {"B\tYs\tR10\tL3\tF1\tT5\tc31", "31", 30, 1},
        {"B\tYo\tR10\tL2\tF1\tT5\tc31", "31", 20, 1},
        // No legs or a negative count of runners count as one leg and no runners.
        {"B\tYs\tR10\tL0\tc31", "31", 10, 1},
        {"B\tYs\tR-4\tL3\tc31", "31", 0, 1},
        // Without runners: nothing, but the course still passes.
        {"C\tYn\tsS1\tc31", "31", 0, 1},
        // Twice in one course.
        {"A\tYn\tR20\tc31\tc32\tc31", "31", 40, 2},
        // A leg variation: each branch by the legs it lists; after it the whole team again.
        {"B\tYs\tR10\tL3\tl\tb1-3\tc31\tb2\tc32\tp\tc33", "31", 20, 1},
        {"B\tYs\tR10\tL3\tl\tb1-3\tc31\tb2\tc32\tp\tc33", "32", 10, 1},
        {"B\tYs\tR10\tL3\tl\tb1-3\tc31\tb2\tc32\tp\tc33", "33", 30, 1},
        // Fields between the marker and its first branch are passed over.
        {"B\tYs\tR10\tL3\tl\tc31\tb1\tc32\tp", "31", 0, 0},
        // A team variation: each branch once per team.
        {"B\tYs\tR10\tL3\tr2\tv\tc31\tv\tc32\tq\tc33", "31", 10, 1},
        {"B\tYs\tR10\tL3\tr2\tv\tc31\tv\tc32\tq\tc33", "33", 30, 1},
        // Nested: a team variation inside a leg branch, the branch going on after it.
        {"B\tYs\tR10\tL3\tl\tb1-2\tc31\tr2\tv\tc32\tv\tc33\tq\tc34\tb3\tc35\tp\tc36", "31", 20, 1},
        {"B\tYs\tR10\tL3\tl\tb1-2\tc31\tr2\tv\tc32\tv\tc33\tq\tc34\tb3\tc35\tp\tc36", "33", 10, 1},
        {"B\tYs\tR10\tL3\tl\tb1-2\tc31\tr2\tv\tc32\tv\tc33\tq\tc34\tb3\tc35\tp\tc36", "34", 20, 1},
        {"B\tYs\tR10\tL3\tl\tb1-2\tc31\tr2\tv\tc32\tv\tc33\tq\tc34\tb3\tc35\tp\tc36", "35", 10, 1},
        {"B\tYs\tR10\tL3\tl\tb1-2\tc31\tr2\tv\tc32\tv\tc33\tq\tc34\tb3\tc35\tp\tc36", "36", 30, 1},
        // An unterminated team variation ends at the leg branch that follows.
        {"B\tYs\tR10\tL3\tl\tb1-2\tr2\tv\tc31\tb3\tc32\tp\tc33", "31", 10, 1},
        {"B\tYs\tR10\tL3\tl\tb1-2\tr2\tv\tc31\tb3\tc32\tp\tc33", "32", 10, 1},
        {"B\tYs\tR10\tL3\tl\tb1-2\tr2\tv\tc31\tb3\tc32\tp\tc33", "33", 30, 1},
        // Variations left open run to the course's end; one without branches ends it.
        {"B\tYs\tR10\tL3\tl\tb1-2\tc31", "31", 20, 1},
        {"B\tYs\tR10\tL3\tr2\tv\tc31", "31", 10, 1},
        {"B\tYs\tR10\tL3\tr2\tc31", "31", 0, 0},
        // An end marker outside any variation ends the course's walk.
        {"A\tYn\tR20\tc31\tq\tc31", "31", 20, 1},
        // An empty leg branch lists no legs.
        {"B\tYs\tR10\tL3\tl\tb\tc31\tp", "31", 0, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.course) + " / " + r.code);
        int passes = -1;
        EXPECT_EQ(CountInCourse(QString::fromLatin1(r.course), QString::fromLatin1(r.code), passes), r.count);
        EXPECT_EQ(passes, r.passes);
    }
}

class CsStatFlow : public CourseEventTest {};

TEST_F(CsStatFlow, TheDialogListsStartsAndControlsWithTheirCourses)
{
    BuildEvent();
    EXPECT_EQ(CountControlUse(QStringLiteral("S1")), 40 + 60 + 20 * 3 + 10 * 2);
    // Relay: 43 after the leg variation (every leg); Short and Long once.
    EXPECT_EQ(CountControlUse(QStringLiteral("43")), 40 + 60 + 60);
    // Relay's team variation at the end, Long's plain pass.
    EXPECT_EQ(CountControlUse(QStringLiteral("44")), 40 + 20);
    // Relay: in the branch of legs 1 and 2; a team variation inside it once.
    EXPECT_EQ(CountControlUse(QStringLiteral("51")), 40);
    EXPECT_EQ(CountControlUse(QStringLiteral("52")), 20);
    EXPECT_EQ(CountControlUse(QStringLiteral("55")), 20);
    // Solo's leg branch of one leg, Relay's team branch.
    EXPECT_EQ(CountControlUse(QStringLiteral("47")), 10 + 20);

    QStringList items, for43, forFirst;
    const bool seen = AnswerDialog<QDialog>([&] { Frame().UpdateCommandStates(); Trigger(Cmd::CourseStat); },
                                            [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("CsStatDlg"));
        auto* controls = d.findChild<QListWidget*>(QStringLiteral("ControlsB"));
        auto* courses = d.findChild<QListWidget*>(QStringLiteral("CoursesB"));
        for (int i = 0; i < controls->count(); ++i)
            items.append(controls->item(i)->text());
        EXPECT_EQ(controls->currentRow(), 0);
        for (int i = 0; i < courses->count(); ++i)
            forFirst.append(courses->item(i)->text());
        const int row = int(items.indexOf(QStringLiteral("43\t160")));
        ASSERT_GE(row, 0);
        controls->setCurrentRow(row);
        for (int i = 0; i < courses->count(); ++i)
            for43.append(courses->item(i)->text());
        Press(d, "OKBtn");
    });
    ASSERT_TRUE(seen);
    // The start and the 25 controls, no finish, marked route, box, title or number.
    ASSERT_EQ(items.size(), 26);
    EXPECT_EQ(items.first(), QStringLiteral("S1\t180"));
    EXPECT_TRUE(items.contains(QStringLiteral("31\t100")));
    EXPECT_TRUE(items.contains(QStringLiteral("50\t80")));
    EXPECT_EQ(forFirst, (QStringList{"Long", "Short", "Relay", "Solo"}));
    EXPECT_EQ(for43, (QStringList{"Long", "Short", "Relay"}));
}

} // namespace
