// Relay variations: the branch of every team and leg, the expansion of the event's relays for
// one leg and with every branch, malformed course texts, and the Insert Variation dialog
// driven by dragged legs.
#include "CourseEvent.h"

#include "course/Variation.h"

#include <QRadioButton>

#include <bit>
#include <functional>
#include <set>

using namespace zemo;
using namespace zemo::test;

namespace {

TEST(Variations, PermutationsAreTakenInLexicographicOrder)
{
    struct Row {
        int k, n;
        std::vector<int> elements;
    };
    const Row rows[] = {
        {0, 3, {0, 1, 2}}, {1, 3, {0, 2, 1}}, {2, 3, {1, 0, 2}}, {5, 3, {2, 1, 0}},
        {6, 3, {0, 1, 2}},  // k counts modulo n!
        {1, 2, {1, 0}},    {23, 4, {3, 2, 1, 0}}, {1, 1, {0}},
        {479001599, 12, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},  // 12! - 1
        {-1, 3, {2, 1, 0}}, // a negative k counts from the end
    };
    for (const Row& r : rows)
        for (int p = 0; p < r.n; ++p)
            EXPECT_EQ(Permutation(r.k, p, r.n), r.elements[size_t(p)]) << r.k << " " << p << " " << r.n;
    // From 13 elements on, and outside the list, the position itself.
    EXPECT_EQ(Permutation(5, 7, 13), 7);
    EXPECT_EQ(Permutation(5, 3, 3), 3);
    EXPECT_EQ(Permutation(5, -1, 3), -1);
}

TEST(Variations, BranchesOfTheWorkedCases)
{
    struct Row {
        int team, leg, n, branch;
    };
    const Row rows[] = {
        {1, 1, 3, 1}, {2, 1, 3, 2}, {3, 1, 3, 0},   // the worked cases
        {0, 1, 3, 0}, {1, 0, 3, 0}, {1, 1, 0, 0},   // nothing to choose
        {101, 1, 3, 2}, {101, 2, 3, 1}, {101, 3, 3, 0},  // odd bit count: legs backwards
        {7, 12, 2, 0},  // "n - leg" below -team: a non-negative remainder
    };
    for (const Row& r : rows)
        EXPECT_EQ(VariationBranch(r.team, r.leg, r.n), r.branch) << r.team << " " << r.leg << " " << r.n;
}

TEST(Variations, EveryTeamsLegsTakeDifferentBranchesWithinTheVariation)
{
    for (int n = 1; n <= 12; ++n)
        for (int team = 1; team <= 500; ++team) {
            std::set<int> taken;
            for (int leg = 1; leg <= n + 12; ++leg) {
                const int b = VariationBranch(team, leg, n);
                ASSERT_GE(b, 0) << team << " " << leg << " " << n;
                ASSERT_LT(b, n) << team << " " << leg << " " << n;
                if (leg <= n)
                    taken.insert(b);
            }
            ASSERT_EQ(int(taken.size()), n) << team << " " << n;
        }
    // Too many branches to permute: the position.
    for (int team : {1, 2, 3, 20, 101})
        for (int leg = 1; leg <= 15; ++leg) {
            const int bits = std::popcount(uint8_t(team * 3));
            const int offset = bits % 2 == 0 ? leg - 1 : 13 - leg;
            EXPECT_EQ(VariationBranch(team, leg, 13), ((team + offset) % 13 + 13) % 13) << team << " " << leg;
        }
}

// ---- Expansion ----

QString Fields(std::initializer_list<const char*> fields)
{
    QString s;
    for (const char* f : fields)
        s += QLatin1Char('\t') + QString::fromLatin1(f);
    return s;
}

QString Nested(const char* open, const char* branch, const char* close, int depth)
{
    QString s;
    for (int i = 0; i < depth; ++i)
        s += Fields({open, branch});
    s += Fields({"c31"});
    for (int i = 0; i < depth; ++i)
        s += Fields({close});
    return s;
}

TEST(Variations, MalformedCourseTextsExpandWithinTheirFields)
{
    struct Row {
        const char* what;
        QString course;
        int leg, team;
        QString expansion;
    };
    const Row rows[] = {
        {"r0 counts as one branch", QStringLiteral("X") + Fields({"sS1", "r0", "v", "c1", "v", "c2", "q", "fF1"}),
         2, 5, Fields({"sS1", "c1", "fF1"})},
        {"r-3 counts as one branch", QStringLiteral("X") + Fields({"sS1", "r-3", "v", "c1", "v", "c2", "q", "fF1"}),
         1, 9, Fields({"sS1", "c1", "fF1"})},
        {"r without a number", QStringLiteral("X") + Fields({"sS1", "rx", "v", "c1", "q"}), 1, 9,
         Fields({"sS1", "c1"})},
        {"an unterminated team variation, skipped to the end", QStringLiteral("X") + Fields({"sS1", "r2", "v", "c1"}),
         1, 2, Fields({"sS1"})},
        {"an unterminated team variation, every branch", QStringLiteral("X") + Fields({"sS1", "r2", "v", "c1", "v", "c2"}),
         0, 1, Fields({"sS1", "hS1", "c1", "j", "iS1", "c2", "j"})},
        {"an unterminated leg variation", QStringLiteral("X") + Fields({"sS1", "l", "b2", "c1", "b1"}), 1, 1,
         Fields({"sS1"})},
        {"b without l", QStringLiteral("X") + Fields({"sS1", "b1", "c1", "p", "q", "v", "fF1"}), 1, 1,
         Fields({"sS1", "c1", "fF1"})},
        {"no fields", QStringLiteral("X"), 1, 1, QString()},
        {"an empty text", QString(), 0, 1, QString()},
        {"header fields and d, n, o, t pass", QStringLiteral("X\tYs\tL2\tF1\tT3") + Fields({"sS1", "dD1", "nN1", "tT1", "oO1", "c1", "mM1", "fF1"}),
         1, 1, Fields({"sS1", "c1", "mM1", "fF1"})},
        {"20 nested leg variations", QStringLiteral("X") + Nested("l", "b1", "p", 20), 1, 1, Fields({"c31"})},
        {"300 nested leg variations", QStringLiteral("X") + Nested("l", "b1", "p", 300), 1, 1, QString()},
        {"300 nested team variations", QStringLiteral("X") + Nested("r1", "v", "q", 300), 1, 1, QString()},
        {"300 nested, every branch: 32 levels", QStringLiteral("X") + Nested("l", "b1", "p", 300) + Fields({"c32"}),
         0, 1, QStringLiteral("\th").repeated(32) + QStringLiteral("\tj32").repeated(32) + Fields({"c32"})},
        {"300 unterminated starts", QStringLiteral("X") + QString(Fields({"l"})).repeated(300) + Fields({"c31"}), 1, 1,
         QString()},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ExpandCourseText(r.course, r.leg, r.team), r.expansion) << r.what;
}

class RelayExpansion : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
    }
};

TEST_F(RelayExpansion, TheEventsRelaysExpandForEveryTeamAndLeg)
{
    const int relay = CourseIndex(QStringLiteral("Relay"));
    ASSERT_TRUE(CheckCourse(relay));
    ASSERT_EQ(CsData.Checked.FirstStart, 101);
    ASSERT_EQ(CsData.Checked.LastStart, 120);
    // Worked out by hand from the rule: the team variations inside the first legs' branch
    // and behind it take team + 1 and team + 2, also when leg 3 passes the first over.
    const std::pair<int, const char*> golden[] = {
        {101, "sS1 c46 c49 c50 c51 c52 c54 c43 c44 fF1|sS1 c46 c48 c50 c51 c53 c54 c43 c45 fF1|sS1 c46 c47 c50 c55 c43 c44 fF1"},
        {102, "sS1 c46 c48 c50 c51 c52 c54 c43 c45 fF1|sS1 c46 c47 c50 c51 c53 c54 c43 c44 fF1|sS1 c46 c49 c50 c55 c43 c45 fF1"},
        {103, "sS1 c46 c47 c50 c51 c53 c54 c43 c44 fF1|sS1 c46 c48 c50 c51 c52 c54 c43 c45 fF1|sS1 c46 c49 c50 c55 c43 c44 fF1"},
        {104, "sS1 c46 c47 c50 c51 c52 c54 c43 c44 fF1|sS1 c46 c49 c50 c51 c53 c54 c43 c45 fF1|sS1 c46 c48 c50 c55 c43 c44 fF1"},
        {105, "sS1 c46 c47 c50 c51 c52 c54 c43 c44 fF1|sS1 c46 c48 c50 c51 c53 c54 c43 c45 fF1|sS1 c46 c49 c50 c55 c43 c44 fF1"},
        {106, "sS1 c46 c49 c50 c51 c52 c54 c43 c44 fF1|sS1 c46 c47 c50 c51 c53 c54 c43 c45 fF1|sS1 c46 c48 c50 c55 c43 c44 fF1"},
    };
    const auto tabbed = [](const QString& spaced) {
        return QLatin1Char('\t') + QString(spaced).replace(QLatin1Char(' '), QLatin1Char('\t'));
    };
    for (const auto& [team, legs] : golden) {
        const QStringList perLeg = QString::fromLatin1(legs).split(QLatin1Char('|'));
        for (int leg = 1; leg <= 3; ++leg) {
            ExpandCourse(relay, leg, team);
            EXPECT_EQ(Variation.Expansion, tabbed(perLeg[leg - 1])) << team << " leg " << leg;
        }
    }
    ExpandCourse(relay, 0, 101);
    EXPECT_EQ(Variation.Expansion,
              tabbed(QStringLiteral("sS1 c46 h46 c47 j50 i46 c48 j50 i46 c49 j50 c50 h50 c51 h51 c52 j54 "
                                    "i51 c53 j54 c54 j43 i50 c55 j43 c43 h43 c44 jF1 i43 c45 jF1 fF1")));
    // In every team the three legs run the first team variation's three branches once each.
    for (int team = 101; team <= 120; ++team) {
        std::multiset<QString> first;
        for (int leg = 1; leg <= 3; ++leg) {
            ExpandCourse(relay, leg, team);
            first.insert(Variation.Expansion.split(QLatin1Char('\t')).at(3));
        }
        EXPECT_EQ(first, (std::multiset<QString>{QStringLiteral("c47"), QStringLiteral("c48"), QStringLiteral("c49")}))
            << team;
    }

    const int solo = CourseIndex(QStringLiteral("Solo"));
    ASSERT_TRUE(CheckCourse(solo));
    ExpandCourse(solo, 2, 4);
    EXPECT_EQ(Variation.Expansion, tabbed(QStringLiteral("sS1 c46 c48 c50 fF1")));
    ExpandCourse(solo, 0, 4);
    EXPECT_EQ(Variation.Expansion, tabbed(QStringLiteral("sS1 c46 h46 c47 j50 i46 c48 j50 c50 fF1")));
    ExpandCourse(99, 1, 1);
    EXPECT_TRUE(Variation.Expansion.isEmpty());
}

// ---- The dialog ----

TEST(VariationGrids, DroppedLegsLandBelowTheColumnsLastLegAndMoveLeft)
{
    struct Drop {
        int fromColumn, fromRow, toColumn, toRow;
    };
    struct Row {
        const char* what;
        int legs;
        const char* text;
        std::vector<Drop> drops;
        std::vector<const char*> columns;  // legs of each column, top down, joined by "-"
        const char* result;
    };
    const Row rows[] = {
        {"one leg onto another's column", 3, "\tl\tb1\tb2\tb3\tp", {{1, 0, 0, 0}}, {"1-2", "3", ""},
         "\tl\tb1-2\tb3\tp"},
        {"below the last leg, not at the bottom", 3, "\tl\tb1\tb2\tb3\tp", {{2, 0, 0, 3}}, {"1-3", "2", ""},
         "\tl\tb1-3\tb2\tp"},
        {"right of empty columns: the leftmost", 4, "\tl\tb1-2-3-4\tp", {{0, 3, 3, 2}}, {"1-2-3", "4", "", ""},
         "\tl\tb1-2-3\tb4\tp"},
        {"then the next beside it", 4, "\tl\tb1-2-3-4\tp", {{0, 3, 3, 2}, {0, 2, 2, 0}}, {"1-2", "4", "3", ""},
         "\tl\tb1-2\tb4\tb3\tp"},
        {"a column emptied moves the others left", 3, "\tl\tb1\tb2\tb3\tp", {{0, 0, 1, 0}}, {"2-1", "3", ""},
         "\tl\tb2-1\tb3\tp"},
        {"a leg taken from the middle: the others move up", 3, "\tl\tb1-2-3\tp", {{0, 1, 1, 0}}, {"1-3", "2", ""},
         "\tl\tb1-3\tb2\tp"},
        {"an empty cell drops nothing", 3, "\tl\tb1\tb2\tb3\tp", {{0, 2, 1, 0}}, {"1", "2", "3"},
         "\tl\tb1\tb2\tb3\tp"},
        {"outside the grid", 3, "\tl\tb1\tb2\tb3\tp", {{0, 0, 3, 0}, {0, 0, 0, 4}}, {"1", "2", "3"},
         "\tl\tb1\tb2\tb3\tp"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        VariationGrid g;
        g.Fill(r.legs, QLatin1String(r.text));
        for (const Drop& d : r.drops)
            g.Drop(d.fromColumn, d.fromRow, d.toColumn, d.toRow);
        for (int c = 0; c < r.legs; ++c) {
            QStringList legs;
            for (int row = 0; row < g.Rows(); ++row)
                if (!g.Cell(c, row).isEmpty())
                    legs.append(g.Cell(c, row));
            EXPECT_EQ(legs.join(QLatin1Char('-')), QLatin1String(r.columns[size_t(c)])) << "column " << c;
        }
        EXPECT_EQ(g.Result(false), QLatin1String(r.result));
    }
    VariationGrid g;
    g.Fill(3, QStringLiteral("\tl\tb1\tb2\tb3\tp"));
    EXPECT_EQ(g.Result(true), QStringLiteral("\tr3\tv\tv\tv\tq"));
}

class VariationDialog : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ASSERT_TRUE(NewMapFrom(QStringLiteral("course-setting.zmd")));
    }

    // Runs the dialog as the course panel does; `answer` works it while it is up.
    bool Run(QString& text, int legs, const std::function<void(QDialog&, QWidget& grid)>& answer)
    {
        bool answered = false;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (answered || !dlg || dlg->objectName() != QLatin1String("VariationDlg"))
                return;
            answered = true;
            answer(*dlg, *dlg->findChild<QWidget*>(QStringLiteral("VarB")));
        });
        timer.start();
        const bool ok = RunVariationDialog(text, legs);
        EXPECT_TRUE(answered || legs < 1 || legs > MaxVariationLegs);
        return ok;
    }
    // The centre of a cell of the grid.
    static QPoint Cell(int column, int row) { return {column * 30 + 15, row * 18 + 9}; }
    static void Press(QDialog& dlg, const char* name) { dlg.findChild<QAbstractButton*>(QLatin1String(name))->click(); }
};

TEST_F(VariationDialog, LegsDraggedIntoBranchesGiveTheLegVariation)
{
    QString text = QStringLiteral("\tl\tb1\tb2\tb3\tp");
    ASSERT_TRUE(Run(text, 3, [](QDialog& dlg, QWidget& grid) {
        Press(dlg, "LegB");
        DragPoint(&grid, Cell(1, 0), Cell(0, 2));   // leg 2 under leg 1
        DragPoint(&grid, Cell(0, 0), QPoint(-20, 5)); // dropped outside: nothing
        Press(dlg, "OKBtn");
    }));
    EXPECT_EQ(text, QStringLiteral("\tl\tb1-2\tb3\tp"));

    text = QStringLiteral("\tl\tb1-2-3-4\tp");
    ASSERT_TRUE(Run(text, 4, [](QDialog& dlg, QWidget& grid) {
        Press(dlg, "LegB");
        DragPoint(&grid, Cell(0, 3), Cell(3, 1)); // right of two empty columns: lands in the first
        DragPoint(&grid, Cell(0, 2), Cell(2, 0)); // next to it, not below it
        Press(dlg, "OKBtn");
    }));
    EXPECT_EQ(text, QStringLiteral("\tl\tb1-2\tb4\tb3\tp"));

    text = QStringLiteral("\tl\tb1\tb2\tp");
    ASSERT_TRUE(Run(text, 2, [](QDialog& dlg, QWidget&) { Press(dlg, "OKBtn"); }));
    EXPECT_EQ(text, QStringLiteral("\tr2\tv\tv\tq"));

    text = QStringLiteral("\tl\tb1\tb2\tp");
    EXPECT_FALSE(Run(text, 2, [](QDialog& dlg, QWidget& grid) {
        Press(dlg, "LegB");
        DragPoint(&grid, Cell(1, 0), Cell(0, 1));
        Press(dlg, "CancelBtn");
    }));
    EXPECT_EQ(text, QStringLiteral("\tl\tb1\tb2\tp"));
    EXPECT_FALSE(Run(text, 0, [](QDialog&, QWidget&) {}));
}

} // namespace
