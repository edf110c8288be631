#include "render/RectClip.h"

#include "render/HalfPlane.h"

#include <algorithm>
#include <vector>

namespace zemo {

namespace {

using Path = std::vector<FramePt>;

int64_t CeilGrid(int64_t v) { return -FloorGrid(-v); }

// Four stages, each keeping x <= bound in a frame turned one more quarter turn: x <= x2,
// y >= y1, x >= x1, y <= y2. Pieces stay in map orientation between the stages.
class RectClipper {
public:
    RectClipper(const CordRect& r, const PathPieceFn& callback) : callback_(callback)
    {
        bound_[0] = FloorGrid(r.x2);
        bound_[1] = FloorGrid(-int64_t(r.y1));
        bound_[2] = FloorGrid(-int64_t(r.x1));
        bound_[3] = FloorGrid(r.y2);
        gx1_ = CeilGrid(r.x1);
        gx2_ = FloorGrid(r.x2);
        gy1_ = CeilGrid(r.y1);
        gy2_ = FloorGrid(r.y2);
    }

    void Stage(int e, const Path& path)
    {
        if (e == 4) {
            Emit(path);
            return;
        }
        const int64_t c = bound_[e];
        const int n = int(path.size());
        Path cur;
        bool open = false;
        auto flush = [&] {
            if (open && cur.size() >= 2)
                Stage(e + 1, cur);
            cur.clear();
            open = false;
        };
        KeptPart parts[MaxKeptParts];
        for (int i = 0; i < n;) {
            // A point with HoleFlag starts a new sub-path: nothing joins it to the point before.
            if (i + 1 >= n || (path[i + 1].fy & HoleFlag)) {
                flush();
                ++i;
                continue;
            }
            FramePt seg[4];
            int len = 2;
            if (i + 3 < n && (path[i + 1].fx & FirstBezierFlag) && !(path[i + 2].fy & HoleFlag)
                && !(path[i + 3].fy & HoleFlag))
                len = 4;
            for (int k = 0; k < len; ++k)
                seg[k] = Turn(path[i + k], e);
            i += len - 1;
            const int np = ClipSegment(seg, len, c, parts);
            if (np == 0) {
                flush();
                continue;
            }
            const int back = (4 - e) & 3;
            for (int k = 0; k < np; ++k) {
                const KeptPart& p = parts[k];
                if (p.startsAtCut)
                    flush();
                if (!open) {
                    cur.assign(1, Turn(p.pts[0], back));
                    open = true;
                }
                for (int j = 1; j < p.n; ++j)
                    cur.push_back(Turn(p.pts[j], back));
                if (p.endsAtCut)
                    flush();
            }
        }
        flush();
    }

private:
    void Emit(const Path& path)
    {
        out_.clear();
        for (const FramePt& p : path) {
            int64_t x = p.x, y = p.y;
            // A crossing is found on a curve that earlier stages already cut, so it can stray a
            // few units; the rectangle is the promise.
            if (p.cut && gx1_ <= gx2_ && gy1_ <= gy2_) {
                x = std::clamp(x, gx1_, gx2_);
                y = std::clamp(y, gy1_, gy2_);
            }
            out_.push_back({int32_t(x) | p.fx, int32_t(y) | p.fy});
        }
        callback_(out_.data(), int(out_.size()));
    }

    const PathPieceFn& callback_;
    int64_t bound_[4];
    int64_t gx1_, gx2_, gy1_, gy2_;
    std::vector<Cord> out_;
};

} // namespace

void ClipLineToRect(const Cord* points, int count, const CordRect& rect, const PathPieceFn& callback)
{
    if (count < 2)
        return;
    Path path(count);
    for (int i = 0; i < count; ++i)
        path[i] = ToFrame(points[i]);
    RectClipper clipper(rect, callback);
    clipper.Stage(0, path);
}

} // namespace zemo
