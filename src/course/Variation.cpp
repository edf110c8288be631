#include "course/Variation.h"

#include "core/StringX.h"
#include "course/Ports.h"
#include "document/Index.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace zemo {

VariationState Variation;

void ResetVariation()
{
    Variation = VariationState{};
}

namespace {

// The remainder of a by b (b > 0) in 0..b-1, also for negative a.
int64_t NonNegativeMod(int64_t a, int64_t b)
{
    const int64_t r = a % b;
    return r < 0 ? r + b : r;
}

bool IsObject(QChar c)
{
    return c == u's' || c == u'c' || c == u'f' || c == u'm';
}
bool IsStart(QChar c) { return c == u'l' || c == u'r'; }
bool IsEnd(QChar c) { return c == u'p' || c == u'q'; }
bool IsBranch(QChar c) { return c == u'b' || c == u'v'; }

// One expansion: the course's fields after its name, read once from the front; every loop
// moves forward and stops at the end of the fields.
class Expander {
public:
    Expander(const QString& course, int leg, int team) : leg_(leg), team_(team)
    {
        fields_ = course.split(QLatin1Char('\t'));
        if (!fields_.isEmpty())
            fields_.removeFirst();
        n_ = int(fields_.size());
    }

    QString Run()
    {
        branch(0, 0, true);
        return out_;
    }

private:
    QChar letter(int i) const
    {
        return i < n_ && !fields_[i].isEmpty() ? fields_[i].at(0) : QChar(u' ');
    }

    // Expands fields from i until the marker that ends the branch (returned, not passed) or
    // the end. At the top there is no branch to end: a stray marker is passed over.
    int branch(int i, int depth, bool top)
    {
        while (i < n_) {
            const QChar c = letter(i);
            if (IsObject(c)) {
                out_ += u'\t' + fields_[i];
                last_ = fields_[i].mid(1);
                ++i;
            } else if (IsBranch(c) || IsEnd(c)) {
                if (!top)
                    return i;
                ++i;
            } else if (IsStart(c)) {
                i = variation(i, depth);
            } else {
                ++i;
            }
        }
        return i;
    }

    // The variation starting at i; returns the field behind it.
    int variation(int start, int depth)
    {
        const bool team = letter(start) == u'r';
        if (depth >= MaxVariationDepth) {
            skipWhole(start);
            return std::min(endOf(start) + 1, n_);
        }
        int branches = 1;
        if (team && (!TryTrimStrToInt(fields_[start].mid(1), branches) || branches < 1))
            branches = 1;
        const QChar marker = team ? u'v' : u'b';
        int i = skipBranch(start + 1);
        if (leg_ == 0) {
            const QString fork = last_;
            const QString join = joinCode(endOf(start) + 1);
            bool first = true;
            while (letter(i) == marker) {
                out_ += (first ? QStringLiteral("\th") : QStringLiteral("\ti")) + fork;
                first = false;
                i = branch(i + 1, depth + 1, false);
                out_ += QStringLiteral("\tj") + join;
            }
        } else if (team) {
            const int chosen = VariationBranch(int(std::clamp<int64_t>(int64_t(team_) + k_, INT32_MIN, INT32_MAX)),
                                               leg_, branches);
            for (int counter = 0; letter(i) == marker; ++counter)
                i = counter == chosen ? branch(i + 1, depth + 1, false) : skipBranch(i + 1);
        } else {
            bool taken = false;
            while (letter(i) == marker) {
                if (!taken && runsLeg(fields_[i].mid(1))) {
                    taken = true;
                    i = branch(i + 1, depth + 1, false);
                } else {
                    i = skipBranch(i + 1);
                }
            }
        }
        if (team)
            ++k_;
        return letter(i) == (team ? u'q' : u'p') ? i + 1 : i;
    }

    bool runsLeg(const QString& legs) const
    {
        for (const QString& s : legs.split(QLatin1Char('-'))) {
            int v = 0;
            if (TryTrimStrToInt(s, v) && v == leg_)
                return true;
        }
        return false;
    }

    // From the first field of a branch to the marker that ends it at the same depth (or the
    // end); the team variations passed on the way are counted.
    int skipBranch(int i)
    {
        int depth = 0;
        for (; i < n_; ++i) {
            const QChar c = letter(i);
            if (IsStart(c)) {
                if (c == u'r')
                    ++k_;
                ++depth;
            } else if (IsEnd(c)) {
                if (depth == 0)
                    return i;
                --depth;
            } else if (IsBranch(c) && depth == 0) {
                return i;
            }
        }
        return n_;
    }

    // The team variations of a variation passed over whole are counted too.
    void skipWhole(int start)
    {
        const int end = std::min(endOf(start), n_ - 1);
        for (int i = start; i <= end; ++i)
            if (letter(i) == u'r')
                ++k_;
    }

    // The end marker of the variation starting at i, or the end of the fields.
    int endOf(int start) const
    {
        int depth = 0;
        for (int i = start + 1; i < n_; ++i) {
            const QChar c = letter(i);
            if (IsStart(c)) {
                ++depth;
            } else if (IsEnd(c)) {
                if (depth == 0)
                    return i;
                --depth;
            }
        }
        return n_;
    }

    // The first course object behind a variation's end; where the enclosing branch ends
    // first, the search goes on behind the enclosing variation.
    QString joinCode(int i) const
    {
        int depth = 0;
        for (; i < n_; ++i) {
            const QChar c = letter(i);
            if (IsObject(c))
                return fields_[i].mid(1);
            if (IsStart(c)) {
                ++depth;
            } else if (IsEnd(c)) {
                if (depth > 0)
                    --depth;
            } else if (IsBranch(c) && depth == 0) {
                // The other branches of the enclosing variation are no way on.
                int nested = 0;
                for (++i; i < n_; ++i) {
                    const QChar e = letter(i);
                    if (IsStart(e))
                        ++nested;
                    else if (IsEnd(e) && nested-- == 0)
                        break;
                }
            }
        }
        return {};
    }

    QStringList fields_;
    int n_ = 0;
    int leg_ = 0;
    int team_ = 0;
    int64_t k_ = 0;  // team variations passed
    QString last_;   // the code of the last course object written
    QString out_;
};

} // namespace

int Permutation(int k, int p, int n)
{
    if (n > MaxPermutedBranches || n <= 0 || p < 0 || p >= n)
        return p;
    std::array<bool, MaxPermutedBranches> taken{};
    int64_t f = 1;
    for (int i = 2; i <= n; ++i)
        f *= i;
    int64_t r = NonNegativeMod(k, f);
    int element = 0;
    for (int i = 0; i <= p; ++i) {
        f /= n - i;
        int64_t d = r / f;
        r %= f;
        for (int v = 0; v < n; ++v) {
            if (taken[size_t(v)])
                continue;
            if (d-- == 0) {
                taken[size_t(v)] = true;
                element = v;
                break;
            }
        }
    }
    return element;
}

int VariationBranch(int team, int leg, int n)
{
    if (team == 0 || leg == 0 || n <= 0)
        return 0;
    const int bits = std::popcount(uint8_t(int64_t(team) * 3));
    const int64_t offset = bits % 2 == 0 ? int64_t(leg) - 1 : int64_t(n) - leg;
    const int position = int(NonNegativeMod(int64_t(team) + offset, n));
    return Permutation(team / n, position, n);
}

QString ExpandCourseText(const QString& course, int leg, int team)
{
    return Expander(course, leg, team).Run();
}

void ExpandCourse(int course, int leg, int team)
{
    const TZmd* z = Index.ActiveZmd;
    Variation.Expansion = z && course >= 0 && course < z->Courses.Count()
        ? ExpandCourseText(z->Courses.Strings(course), leg, team)
        : QString();
}

bool RunVariationDialog(QString& text, int legs)
{
    if (legs < 1 || legs > MaxVariationLegs)
        return false;
    return CoursePorts().RunVariationDialog(text, legs);
}

// ---- The grid ----

void VariationGrid::Fill(int legs, const QString& text)
{
    legs_ = std::clamp(legs, 0, MaxVariationLegs);
    cells_.assign(size_t(legs_) * size_t(legs_ + 1), QString());
    int column = 0;
    const QStringList fields = text.mid(3).split(QLatin1Char('\t'));
    for (const QString& f : fields) {
        if (f.size() < 2 || column >= legs_)
            continue;
        const QStringList values = f.mid(1).split(QLatin1Char('-'));
        for (int row = 0; row < int(values.size()) && row < Rows(); ++row)
            at(column, row) = values[row];
        ++column;
    }
}

QString VariationGrid::Cell(int column, int row) const
{
    if (column < 0 || column >= Columns() || row < 0 || row >= Rows())
        return {};
    return at(column, row);
}

bool VariationGrid::Drop(int fromColumn, int fromRow, int toColumn, int toRow)
{
    if (Cell(fromColumn, fromRow).isEmpty() || toColumn < 0 || toColumn >= Columns() || toRow < 0
        || toRow >= Rows())
        return false;
    int row = toRow;
    while (row < Rows() - 1 && !at(toColumn, row).isEmpty())
        ++row;
    if (!at(toColumn, row).isEmpty())
        return false;
    while (row > 0 && at(toColumn, row - 1).isEmpty())
        --row;
    const QString leg = at(fromColumn, fromRow);
    at(fromColumn, fromRow).clear();
    at(toColumn, row) = leg;
    compact();
    return true;
}

void VariationGrid::compact()
{
    // Until nothing moves: one pass leaves a branch dropped right of two empty columns in
    // the middle one.
    for (bool moved = true; moved;) {
        moved = false;
        for (int c = 0; c < Columns(); ++c)
            for (int r = 1; r < Rows(); ++r)
                if (at(c, r - 1).isEmpty() && !at(c, r).isEmpty()) {
                    std::swap(at(c, r - 1), at(c, r));
                    moved = true;
                }
        for (int c = 0; c + 1 < Columns(); ++c)
            if (at(c, 0).isEmpty() && !at(c + 1, 0).isEmpty()) {
                for (int r = 0; r < Rows(); ++r)
                    std::swap(at(c, r), at(c + 1, r));
                moved = true;
            }
    }
}

QString VariationGrid::Result(bool team) const
{
    if (team) {
        QString s = QStringLiteral("\tr") + QString::number(legs_);
        for (int i = 0; i < legs_; ++i)
            s += QStringLiteral("\tv");
        return s + QStringLiteral("\tq");
    }
    QString s = QStringLiteral("\tl");
    for (int c = 0; c < Columns(); ++c) {
        if (at(c, 0).isEmpty())
            continue;
        s += QStringLiteral("\tb") + at(c, 0);
        for (int r = 1; r < Rows() - 1; ++r)
            if (!at(c, r).isEmpty())
                s += u'-' + at(c, r);
    }
    return s + QStringLiteral("\tp");
}

} // namespace zemo
