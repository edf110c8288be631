// Independent reference geometry for the render tests: curves are evaluated from their
// polynomial in double precision, never through the production flattener.
#pragma once

#include "core/Cord.h"

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace zemo::testgeo {

struct Pt {
    double x = 0;
    double y = 0;
};

inline Pt Bare(Cord c) { return {double(Masked(c.x)), double(Masked(c.y))}; }

inline Pt CubicPoint(const Pt* p, double t)
{
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x,
            a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y};
}

// Rings of an outline as dense polygons (64 steps per curve); lines if `closed` is false.
inline std::vector<std::vector<Pt>> DenseRings(const Cord* pts, int n, bool closed = true,
                                               int steps = 64)
{
    std::vector<std::vector<Pt>> rings;
    int s = 0;
    while (s < n) {
        int e = s + 1;
        while (e < n && !(pts[e].y & HoleFlag))
            ++e;
        std::vector<Pt> ring;
        ring.push_back(Bare(pts[s]));
        int i = s;
        while (i + 1 < e) {
            if (i + 3 < e && (pts[i + 1].x & FirstBezierFlag)) {
                const Pt q[4] = {Bare(pts[i]), Bare(pts[i + 1]), Bare(pts[i + 2]), Bare(pts[i + 3])};
                for (int k = 1; k <= steps; ++k)
                    ring.push_back(CubicPoint(q, double(k) / steps));
                i += 3;
            } else {
                ring.push_back(Bare(pts[i + 1]));
                ++i;
            }
        }
        if (closed)
            ring.push_back(ring.front());
        rings.push_back(std::move(ring));
        s = e;
    }
    return rings;
}

inline double Shoelace(const std::vector<Pt>& ring)
{
    double s = 0;
    for (size_t k = 0; k + 1 < ring.size(); ++k)
        s += ring[k].x * ring[k + 1].y - ring[k + 1].x * ring[k].y;
    return s / 2;
}

// Area of an outline whose first ring holds all the others as disjoint holes.
inline double OuterMinusHoles(const Cord* pts, int n)
{
    const auto rings = DenseRings(pts, n);
    double a = 0;
    for (size_t r = 0; r < rings.size(); ++r)
        a += (r == 0 ? 1 : -1) * std::abs(Shoelace(rings[r]));
    return a;
}

inline double SegmentDistance(Pt p, Pt a, Pt b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double l2 = dx * dx + dy * dy;
    double t = l2 == 0 ? 0 : ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2;
    t = std::fmax(0, std::fmin(1, t));
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

inline int32_t Grid(double v) { return int32_t(std::floor(v / 256)) * 256; }

// A star-shaped ring round (cx, cy): radii between rMin and rMax, every other edge a gentle
// curve (bulge at most 5 % of the chord), so the ring never crosses itself.
inline void AppendStarRing(std::vector<Cord>& out, std::mt19937& rng, double cx, double cy,
                           double rMin, double rMax, int n, bool hole, bool clockwise)
{
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<Pt> v(n);
    for (int k = 0; k < n; ++k) {
        const double a = 2 * M_PI * (k + 0.4 * (u(rng) - 0.5)) / n * (clockwise ? -1 : 1);
        const double r = rMin + (rMax - rMin) * u(rng);
        v[k] = {cx + r * std::cos(a), cy + r * std::sin(a)};
    }
    const size_t first = out.size();
    for (int k = 0; k < n; ++k) {
        const Pt a = v[k];
        const Pt b = v[(k + 1) % n];
        out.push_back({Grid(a.x), Grid(a.y)});
        if (k % 2 == 1 && k + 1 < n) {
            const double bulge = 0.05 * (2 * u(rng) - 1);
            const double nx = -(b.y - a.y), ny = b.x - a.x;
            out.push_back({Grid(a.x + (b.x - a.x) / 3 + nx * bulge) | FirstBezierFlag,
                           Grid(a.y + (b.y - a.y) / 3 + ny * bulge)});
            out.push_back({Grid(a.x + 2 * (b.x - a.x) / 3 + nx * bulge) | SecondBezierFlag,
                           Grid(a.y + 2 * (b.y - a.y) / 3 + ny * bulge)});
        }
    }
    if (hole)
        out[first].y |= HoleFlag;
}

} // namespace zemo::testgeo
