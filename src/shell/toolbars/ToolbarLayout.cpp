#include "shell/toolbars/ToolbarLayout.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace zemo {

namespace {

// Floating margins: left, top, right, bottom. Docked toolbars have none (the dock frame
// gives the room).
constexpr int FloatLeft = 4;
constexpr int FloatTop = 2;
constexpr int FloatRight = 4;
constexpr int FloatBottom = 1;
// The gap between two lines of groups, where the etched line goes.
constexpr int LineGap = 6;
// Room a wrapped toolbar keeps beside its widest control; the length of an empty toolbar.
constexpr int WrapSlack = 8;
constexpr int EmptyLength = 8;

int LengthIn(const ToolbarControl& c, DockType type)
{
    if (c.separator)
        return type == DockType::Vertical ? c.sizeVert : c.sizeHorz;
    return type == DockType::Vertical ? c.size.height() : c.size.width();
}

} // namespace

int MinimumRowSize(std::span<const ToolbarControl> controls, DockType type)
{
    int size = 8;
    for (const ToolbarControl& c : controls)
        if (!c.separator && c.shown)
            size = std::max(size, type == DockType::Vertical ? c.size.width() : c.size.height());
    return size;
}

ToolbarArrangement OrderControls(std::span<const ToolbarControl> controls, DockType type,
                                 int floatRightX, int crossSize)
{
    const bool floating = type == DockType::Floating;
    const bool vertical = type == DockType::Vertical;
    const int rowSize = MinimumRowSize(controls, type);
    const int cross = crossSize > 0 ? crossSize : rowSize;
    int wrap = INT_MAX;
    if (floating && floatRightX != 0) {
        int widest = 0;
        for (const ToolbarControl& c : controls)
            if (!c.separator && c.shown)
                widest = std::max(widest, c.size.width());
        wrap = std::max(floatRightX, widest + WrapSlack);
    }
    const int left = floating ? FloatLeft : 0;
    const int top = floating ? FloatTop : 0;
    const int right = floating ? FloatRight : 0;
    const int bottom = floating ? FloatBottom : 0;

    ToolbarArrangement out;
    out.places.assign(controls.size(), QRect());
    const auto place = [&](size_t i, int pos, int line) {
        const ToolbarControl& c = controls[i];
        const int len = LengthIn(c, type);
        QRect r;
        if (c.separator)
            r = vertical ? QRect(line, pos, cross, len) : QRect(pos, line, len, cross);
        else if (vertical)
            r = QRect(line + (cross - c.size.width()) / 2, pos, c.size.width(), c.size.height());
        else
            r = QRect(pos, line + (cross - c.size.height()) / 2, c.size.width(), c.size.height());
        out.places[i] = r;
    };

    // Groups: runs of the controls that take part, each ended by a separator.
    std::vector<std::vector<size_t>> groups(1);
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!controls[i].shown)
            continue;
        groups.back().push_back(i);
        if (controls[i].separator)
            groups.emplace_back();
    }
    if (groups.back().empty())
        groups.pop_back();

    long long pos = left;
    int line = top;
    long long extent = left;
    bool forced = false;
    long long trailingSep = -1; // the separator that ended the previous group
    for (const std::vector<size_t>& group : groups) {
        long long groupLength = 0;
        for (size_t i : group)
            if (!controls[i].separator)
                groupLength += LengthIn(controls[i], type);
        if (floating && pos > left && (forced || pos + groupLength + right > wrap)) {
            line += rowSize + LineGap;
            if (trailingSep >= 0) {
                // The line between the lines stands for the separator.
                const ToolbarControl& sep = controls[size_t(trailingSep)];
                pos -= LengthIn(sep, type);
                QRect& r = out.places[size_t(trailingSep)];
                r.setWidth(0);
                out.lineSeps.push_back({line, sep.blank});
            }
            extent = std::max(extent, pos);
            pos = left;
        }
        forced = false;
        for (size_t i : group) {
            const ToolbarControl& c = controls[i];
            const int len = LengthIn(c, type);
            if (floating && !c.separator && pos > left && pos + len + right > wrap) {
                extent = std::max(extent, pos);
                pos = left;
                line += rowSize;
                forced = true;
            }
            place(i, int(std::min<long long>(pos, INT_MAX)), line);
            pos += len;
        }
        trailingSep = controls[group.back()].separator ? (long long)group.back() : -1;
    }
    extent = std::max(extent, pos);
    if (groups.empty())
        extent += EmptyLength;
    const int length = int(std::min<long long>(extent + right, INT_MAX));
    const int across = line + rowSize + bottom;
    out.size = vertical ? QSize(across, length) : QSize(length, across);
    return out;
}

std::vector<FloatSize> PossibleFloatSizes(std::span<const ToolbarControl> controls,
                                          QSize frameExtra)
{
    const QSize one = OrderControls(controls, DockType::Floating, 0).size;
    std::vector<FloatSize> sizes{{one + frameExtra, 0}};
    const int lowest = MinimumRowSize(controls, DockType::Floating) + WrapSlack;
    int last = one.width();
    for (int candidate = one.width() - 1; candidate >= lowest; --candidate) {
        if (candidate > last)
            continue;
        const QSize s = OrderControls(controls, DockType::Floating, candidate).size;
        if (s.width() == candidate) {
            const FloatSize f{s + frameExtra, candidate};
            if (std::find(sizes.begin(), sizes.end(), f) == sizes.end()) {
                if (sizes.back().outer.height() == f.outer.height())
                    sizes.back() = f;
                else
                    sizes.push_back(f);
            }
        } else if (s.width() < candidate) {
            candidate = s.width() + 1; // the wraps between give this same layout
        }
        last = s.width();
    }
    return sizes;
}

FloatSizeStepper::FloatSizeStepper(std::vector<FloatSize> sizes, QSize current,
                                   bool horizontalEdge)
    : sizes_(std::move(sizes)), horizontal_(horizontalEdge)
{
    std::stable_sort(sizes_.begin(), sizes_.end(), [this](const FloatSize& a, const FloatSize& b) {
        return Extent(a) > Extent(b);
    });
    own_ = {current, 0};
    start_ = Extent(own_);
    for (size_t i = 0; i < sizes_.size(); ++i) {
        if (sizes_[i].outer != current)
            continue;
        chosen_ = int(i);
        if (i > 0)
            tolerance_ = std::min(tolerance_, Extent(sizes_[i - 1]) - start_ - 1);
        if (i + 1 < sizes_.size())
            tolerance_ = std::min(tolerance_, start_ - Extent(sizes_[i + 1]) - 1);
        tolerance_ = std::max(tolerance_, 0);
        break;
    }
}

const FloatSize& FloatSizeStepper::Step(int distance)
{
    if (sizes_.empty())
        return own_;
    const int direction = distance > start_ ? 1 : distance < start_ ? -1 : 0;
    if (direction != 0 && direction != direction_) {
        direction_ = direction;
        changedSinceTurn_ = false;
    }
    if (!changedSinceTurn_ && std::abs(distance - start_) <= tolerance_)
        distance = start_;
    int pick = -1;
    if (distance > start_) {
        // Growing: the smallest size beyond the cursor, or the largest.
        for (int i = int(sizes_.size()) - 1; i >= 0 && pick < 0; --i)
            if (Extent(sizes_[size_t(i)]) > distance)
                pick = i;
        if (pick < 0)
            pick = 0;
    } else {
        // Shrinking or staying: the largest size within the cursor, or the smallest.
        for (int i = 0; i < int(sizes_.size()) && pick < 0; ++i)
            if (Extent(sizes_[size_t(i)]) <= distance)
                pick = i;
        if (pick < 0)
            pick = int(sizes_.size()) - 1;
    }
    if (pick != chosen_) {
        chosen_ = pick;
        changedSinceTurn_ = true;
    }
    return sizes_[size_t(chosen_)];
}

} // namespace zemo
