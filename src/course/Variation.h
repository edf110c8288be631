// Relay variations: which branch each team and leg runs, the expansion of a course into the
// running order of one team's leg (or into every branch, for drawing), and the Insert
// Variation dialog's grid of legs and branches.
//
// Markers in a course: "r"n starts a team variation of n branches, "v" starts each of its
// branches, "q" ends it; "l" starts a leg variation, "b"legs (joined by "-") starts the branch
// those legs run, "p" ends it. Variations may stand inside branches of others.
#pragma once

#include <QString>

#include <vector>

namespace zemo {

// Permutations are built for fewer than 13 elements (13! does not fit 32 bits).
inline constexpr int MaxPermutedBranches = 12;
// The element at position p (0-based) of the k-th permutation of 0..n-1 in lexicographic
// order; p itself for n of 13 or more, or for a position outside 0..n-1.
int Permutation(int k, int p, int n);
// The branch (0-based) the runner of leg `leg` (1-based) of team `team` takes at a variation
// of n branches; 0 when team, leg or n is 0.
int VariationBranch(int team, int leg, int n);

// Variations nested deeper than this are passed over whole.
inline constexpr int MaxVariationDepth = 32;
// The course's fields after its name in running order for one team's leg, or with every
// branch for leg 0: course objects s, c, f and m as "\t" + field, and for leg 0 before each
// branch "\th" (first) or "\ti" (others) + the code before the variation and after it
// "\tj" + the code behind it.
QString ExpandCourseText(const QString& course, int leg, int team);

struct VariationState {
    QString Expansion;  // the last ExpandCourse's text
};
extern VariationState Variation;
void ResetVariation();
// Fills Variation.Expansion for a course (an index into the current map's course list).
void ExpandCourse(int course, int leg, int team);

// The dialog over this many legs at most: more columns than a screen holds.
inline constexpr int MaxVariationLegs = 100;
inline constexpr int VariationHelpContext = 272;
// The Insert Variation dialog: `text` holds the default leg variation, and on OK the markers
// to insert; false on Cancel (text unchanged) and for a number of legs outside 1..100.
bool RunVariationDialog(QString& text, int legs);

// The dialog's grid: one column per branch of a leg variation, holding its legs top down;
// n columns and n + 1 rows for n legs.
class VariationGrid {
public:
    // The default leg variation ("\tl\tb1\tb2...\tp"): each branch field a column.
    void Fill(int legs, const QString& text);
    int Legs() const { return legs_; }
    int Columns() const { return legs_; }
    int Rows() const { return legs_ + 1; }
    QString Cell(int column, int row) const;
    // A leg dragged from one cell and dropped on another: it lands below the last leg of the
    // target column, then legs move up into empty cells and branches left into empty
    // columns. False when nothing moved (an empty source, a cell outside the grid).
    bool Drop(int fromColumn, int fromRow, int toColumn, int toRow);
    // The markers for a team variation (n empty branches) or the leg variation of the grid.
    QString Result(bool team) const;

private:
    QString& at(int column, int row) { return cells_[size_t(row) * size_t(legs_) + size_t(column)]; }
    const QString& at(int column, int row) const
    {
        return cells_[size_t(row) * size_t(legs_) + size_t(column)];
    }
    void compact();

    int legs_ = 0;
    std::vector<QString> cells_;
};

} // namespace zemo
