// Flattening curves and splitting a large area into small hole-free pieces.
#include "render/AreaSplt.h"
#include "render/Bezier.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using namespace zemo;

constexpr int32_t Mm = 25600;

void BM_FlattenBezier(benchmark::State& state)
{
    const int depth = int(state.range(0));
    const Cord seg[4] = {{0, 0}, {100 * Mm | FirstBezierFlag, 200 * Mm}, {300 * Mm | SecondBezierFlag, -100 * Mm},
                         {400 * Mm, 0}};
    std::vector<Cord> out(size_t(1) << depth);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FlattenBezier(seg, out.data(), depth, 4));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FlattenBezier)->Arg(4)->Arg(5)->Arg(7);

// A 10,000-point outline (wavy star with every third edge a curve) with three holes.
std::vector<Cord> LargeArea()
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<Cord> a;
    const int n = 5460;  // with the curves' control points and the holes: 10,000 points
    const double r = 400 * Mm;
    for (int k = 0; k < n; ++k) {
        const double t = 2 * std::numbers::pi * k / n;
        const double rr = r * (0.9 + 0.05 * std::sin(37 * t) + 0.001 * u(rng));
        a.push_back({int32_t(rr * std::cos(t)) & CoordMask, int32_t(rr * std::sin(t)) & CoordMask});
        if (k % 3 == 1 && k + 1 < n) {
            const double t2 = t + 2 * std::numbers::pi / n / 3;
            a.push_back({(int32_t(rr * std::cos(t2) * 1.0005) & CoordMask) | FirstBezierFlag,
                         int32_t(rr * std::sin(t2) * 1.0005) & CoordMask});
            const double t3 = t + 4 * std::numbers::pi / n / 3;
            a.push_back({(int32_t(rr * std::cos(t3) * 1.0005) & CoordMask) | SecondBezierFlag,
                         int32_t(rr * std::sin(t3) * 1.0005) & CoordMask});
        }
    }
    for (int h = 0; h < 3; ++h) {
        const double cx = 150 * Mm * std::cos(2.1 * h), cy = 150 * Mm * std::sin(2.1 * h);
        const size_t first = a.size();
        for (int k = 0; k < 300; ++k) {
            const double t = -2 * std::numbers::pi * k / 300;
            a.push_back({int32_t(cx + 50 * Mm * std::cos(t)) & CoordMask, int32_t(cy + 50 * Mm * std::sin(t)) & CoordMask});
        }
        a[first].y |= HoleFlag;
    }
    return a;
}

void BM_SplitArea10000(benchmark::State& state)
{
    const std::vector<Cord> area = LargeArea();
    long pieces = 0;
    for (auto _ : state) {
        pieces = 0;
        SplitArea(area.data(), int(area.size()), [&](const Cord* p, int n) {
            if (n > 128)
                return false;
            for (int k = 1; k < n; ++k)
                if (p[k].y & HoleFlag)
                    return false;
            ++pieces;
            return true;
        });
    }
    state.counters["points"] = double(area.size());
    state.counters["pieces"] = double(pieces);
}
BENCHMARK(BM_SplitArea10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
