// Union, clip and separation of arbitrary outline pairs: every flag combination, rings of any
// size, touching, coincident and crossed outlines. Each operation must come back, and what it
// hands on must be an outline of one object: at most MaxOutlinePoints points, the first
// without HoleFlag. The sanitizers watch the buffers.
//
// Input: one byte that splits the points between A and B, then five bytes a point: x and y as
// signed 16-bit steps of 0.04 mm, and a flag byte (bit 0 FirstBezierFlag, bit 1
// SecondBezierFlag, bit 2 HoleFlag, bit 3 CornerFlag).
#include "core/Cord.h"
#include "render/PolyClip.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace zemo;

constexpr int32_t Step = 1024;

[[noreturn]] void Fail(const char* why)
{
    std::fprintf(stderr, "area_set_ops: %s\n", why);
    std::abort();
}

void Check(const Cord* p, int n)
{
    if (n < 0 || n > MaxOutlinePoints)
        Fail("an outline larger than one object");
    if (n > 0 && (p[0].y & HoleFlag))
        Fail("an outline starting with a hole");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t count = std::min<size_t>((size - 1) / 5, 4000);
    std::vector<Cord> points;
    for (size_t k = 0; k < count; ++k) {
        const uint8_t* q = data + 1 + 5 * k;
        const int16_t x = int16_t(uint16_t(q[0] | q[1] << 8));
        const int16_t y = int16_t(uint16_t(q[2] | q[3] << 8));
        const uint8_t f = q[4];
        const int32_t fy = ((f & 4) ? HoleFlag : 0) | ((f & 8) ? CornerFlag : 0);
        points.push_back({int32_t(x) * Step | (f & 3), int32_t(y) * Step | fy});
    }
    const int na = int(count * data[0] / 256);
    const int nb = int(count) - na;
    const Cord* a = points.data();
    const Cord* b = points.data() + na;

    std::vector<std::vector<Cord>> results;
    const auto keep = [&results](const Cord* p, int n) {
        Check(p, n);
        results.emplace_back(p, p + n);
    };
    UniteAreas(a, b, na, keep, nb);
    ClipAreaToArea(a, b, na, keep, nb);
    ClipAreaToArea(b, a, nb, keep, na);
    ClipLineToArea(a, b, na, [](const Cord* p, int n) { Check(p, n); }, nb);
    SeparateAreas(a, na, [](const Cord* p, int n) { Check(p, n); });
    for (const std::vector<Cord>& r : results)
        SeparateAreas(r.data(), int(r.size()), [](const Cord* p, int n) { Check(p, n); });
    return 0;
}
