#include "shell/toolbars/DockRows.h"

#include <algorithm>
#include <climits>
#include <map>

namespace zemo {

namespace {

int HighestRow(const std::vector<DockedBar*>& bars)
{
    int highest = -1;
    for (const DockedBar* b : bars)
        highest = std::max(highest, b->DockRow);
    return highest;
}

int InRow(const std::vector<DockedBar*>& bars, int row)
{
    return int(std::count_if(bars.begin(), bars.end(), [row](const DockedBar* b) { return b->DockRow == row; }));
}

int Saturated(long long v)
{
    return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// Within a row the windows keep their order and do not overlap: one that would start before
// the end of the one before it starts there.
void NoOverlap(std::vector<DockedBar*>& bars, int row)
{
    long long pos = 0;
    for (DockedBar* b : bars) {
        if (b->DockRow != row)
            continue;
        if (b->DockPos <= pos)
            b->DockPos = Saturated(pos);
        else
            pos = b->DockPos;
        pos += std::max(b->Length, 0);
    }
}

} // namespace

DockRowsLayout ArrangeRows(std::vector<DockedBar*>& bars, const DockRowsOptions& options)
{
    DockRowsLayout out;
    if (bars.empty()) {
        out.Thickness = options.FixAlign ? 1 : 0;
        return out;
    }
    std::stable_sort(bars.begin(), bars.end(), [](const DockedBar* a, const DockedBar* b) {
        return a->DockRow != b->DockRow ? a->DockRow < b->DockRow : a->DockPos < b->DockPos;
    });
    // One row is the dock's own rule: a full-size window in it shares the row like any other.
    if (options.LimitToOneRow)
        for (DockedBar* b : bars) {
            b->DockRow = 0;
            if (bars.size() > 1)
                b->FullSize = false;
        }
    // Rows numbered without gaps, whatever numbers they came with.
    std::map<int, int> renumbered;
    for (const DockedBar* b : bars)
        renumbered.emplace(b->DockRow, 0);
    int next = 0;
    for (auto& [row, number] : renumbered)
        number = next++;
    for (DockedBar* b : bars)
        b->DockRow = renumbered[b->DockRow];

    // A FullSize window that shares its row sends the others of the row, and every later row,
    // one row down; the others of a row follow one another.
    for (int row = 0; row <= HighestRow(bars); ++row) {
        for (DockedBar* b : bars) {
            if (b->DockRow != row || !b->FullSize || InRow(bars, row) == 1)
                continue;
            for (DockedBar* other : bars)
                if (other != b && other->DockRow >= row)
                    ++other->DockRow;
        }
        NoOverlap(bars, row);
    }

    const int rows = HighestRow(bars) + 1;
    out.RowSizes.assign(size_t(rows), MinRowSize);
    for (const DockedBar* b : bars)
        out.RowSizes[size_t(b->DockRow)] = std::max(out.RowSizes[size_t(b->DockRow)], b->RowSize);

    // A row that runs past the dock's end: each window is pulled back by the overhang of the
    // last one of its row (itself included) that overhangs; the windows before it then stop
    // the pull where they end.
    for (size_t i = 0; i < bars.size(); ++i) {
        DockedBar* b = bars[i];
        if (b->FullSize) {
            b->DockPos = 0;
            continue;
        }
        for (size_t j = bars.size(); j-- > i;) {
            const DockedBar* last = bars[j];
            const long long end = (long long)last->DockPos + last->Length;
            if (last->DockRow == b->DockRow && end > options.ClientLength) {
                b->DockPos = Saturated((long long)b->DockPos - (end - options.ClientLength));
                break;
            }
        }
    }

    int across = 0;
    for (int row = 0; row < rows; ++row) {
        NoOverlap(bars, row);
        const int thickness = out.RowSizes[size_t(row)] + 2 * DockedFrame;
        for (DockedBar* b : bars)
            if (b->DockRow == row)
                b->Place = QRect(b->DockPos, across, b->FullSize ? options.ClientLength : b->Length, thickness);
        across += thickness;
    }
    out.Thickness = across;
    return out;
}

RowHit RowOfPoint(std::span<const int> rowSizes, int position)
{
    const int rows = int(rowSizes.size());
    long long start = 0;
    for (int i = 0;; ++i) {
        if (position <= start + NewRowEdge)
            return {i, true};
        if (i == rows)
            return {i, false};
        const long long end = start + rowSizes[size_t(i)] + 2 * DockedFrame;
        if (position < end - NewRowEdge)
            return {i, false};
        start = end;
    }
}

} // namespace zemo
