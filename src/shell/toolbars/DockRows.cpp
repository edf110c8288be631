#include "shell/toolbars/DockRows.h"

#include <algorithm>
#include <map>

namespace zemo {

std::vector<int> ArrangeRows(std::vector<DockedBar*>& bars)
{
    std::stable_sort(bars.begin(), bars.end(), [](const DockedBar* a, const DockedBar* b) {
        return a->DockRow != b->DockRow ? a->DockRow < b->DockRow : a->DockPos < b->DockPos;
    });
    // Rows numbered without gaps, whatever numbers they came with.
    std::map<int, int> renumbered;
    for (const DockedBar* b : bars)
        renumbered.emplace(b->DockRow, int(renumbered.size()));
    std::vector<int> rowSizes(renumbered.size(), MinRowSize);
    std::vector<int> running(renumbered.size(), 0);
    for (DockedBar* b : bars) {
        const int row = renumbered[b->DockRow];
        b->DockRow = row;
        b->DockPos = running[size_t(row)];
        running[size_t(row)] += std::max(b->Length, 0);
        rowSizes[size_t(row)] = std::max(rowSizes[size_t(row)], b->RowSize);
    }
    return rowSizes;
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
