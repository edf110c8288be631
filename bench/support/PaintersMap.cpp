#include "PaintersMap.h"

#include "BenchMap.h"

#include "core/Element.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace zemo::bench {

namespace {

std::vector<uint8_t> Element(int kind, int color, int width, int diameter, std::vector<std::pair<int, int>> cords)
{
    std::vector<uint8_t> e(16 + 8 * cords.size(), 0);
    const auto put = [&e](size_t at, int v) {
        e[at] = uint8_t(v & 0xFF);
        e[at + 1] = uint8_t((v >> 8) & 0xFF);
    };
    put(0, kind);
    put(4, color);
    put(6, width);
    put(8, diameter);
    put(10, int(cords.size()));
    for (size_t i = 0; i < cords.size(); ++i) {
        const int32_t x = cords[i].first * 256, y = cords[i].second * 256;
        std::memcpy(e.data() + 16 + 8 * i, &x, 4);
        std::memcpy(e.data() + 20 + 8 * i, &y, 4);
    }
    return e;
}

Record LineSymbol(int number, int color, int width, std::vector<std::pair<size_t, int>> fields,
                  std::vector<uint8_t> mainList = {})
{
    Record r(424 + mainList.size());
    r.put(2, number);
    r.put(4, LineObject);
    r.color(color);
    r.put(348, color);
    r.put(350, width);
    for (auto [at, v] : fields)
        r.put(at, v);
    r.put(412, int(mainList.size() / 8));
    if (!mainList.empty())
        r.bytes(424, mainList);
    return r;
}

Cord C(double x, double y)
{
    return {Masked(int32_t(std::lround(x * 256))), Masked(int32_t(std::lround(y * 256)))};
}

} // namespace

GeneratedMap GeneratePaintersMap()
{
    GeneratedMap m;
    // 0 contour, 1 dashed path, 2 fence with ticks, 3 road (double line with fill)
    m.symbols.push_back(LineSymbol(1010, 2, 14, {}));
    m.symbols.push_back(LineSymbol(5050, 0, 25, {{358, 300}, {360, 150}, {362, 60}}));
    {
        Record r = LineSymbol(5240, 0, 18, {{358, 200}, {360, 100}, {370, 1}},
                              Element(1, 0, 18, 0, {{0, 0}, {0, 60}}));
        m.symbols.push_back(r);
    }
    {
        Record r = LineSymbol(5020, 0, 0, {{374, 1}, {376, 1}, {378, 5}, {380, 0}, {382, 0},
                                           {384, 60}, {386, 15}, {388, 15}});
        r.color(5);
        m.symbols.push_back(r);
    }
    // 4 point: a black ring; 5 point: a green dot
    {
        const auto list = Element(3, 0, 15, 60, {{0, 0}});
        Record r(352 + list.size());
        r.put(4, PointObject);
        r.put(348, int(list.size() / 8));
        r.bytes(352, list);
        r.color(0);
        m.symbols.push_back(r);
    }
    {
        const auto list = Element(4, 3, 0, 50, {{0, 0}});
        Record r(352 + list.size());
        r.put(4, PointObject);
        r.put(348, int(list.size() / 8));
        r.bytes(352, list);
        r.color(3);
        m.symbols.push_back(r);
    }
    // 6 yellow open land, 7 green forest: plain fills
    for (int color : {4, 3}) {
        Record r(380);
        r.put(4, AreaObject);
        r.put(350, -1);
        r.put(352, color);
        r.color(color);
        m.symbols.push_back(r);
    }
    for (const Record& r : m.symbols) {
        std::vector<bool> has(ColorCount);
        for (int c = 0; c < ColorCount; ++c)
            has[size_t(c)] = (r.b[20 + size_t(c) / 8] >> (c % 8)) & 1;
        m.symbolColors.push_back(has);
    }

    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> ux(0, MapWidth), uy(0, MapHeight), unit(0, 1);
    m.objects.reserve(ObjectCount);
    for (int i = 0; i < ObjectCount; ++i) {
        MapObject o;
        const double x0 = ux(rng), y0 = uy(rng);
        const int kind = i % 20;   // 8 contours, 3 paths, 1 fence, 1 road, 4 points, 3 areas
        if (kind < 13) {
            o.type = LineObject;
            o.symbol = kind < 8 ? 0 : kind < 11 ? 1 : kind < 12 ? 2 : 3;
            double x = x0, y = y0, a = unit(rng) * 6.283;
            const int n = 8 + int(unit(rng) * 12);
            for (int k = 0; k < n; ++k) {
                o.cords.push_back(C(x, y));
                a += (unit(rng) - 0.5) * 0.8;
                const double step = 100 + unit(rng) * 200;
                x = std::clamp(x + step * std::cos(a), 0.0, double(MapWidth));
                y = std::clamp(y + step * std::sin(a), 0.0, double(MapHeight));
            }
            o.cords.back().y |= CornerFlag;
        } else if (kind < 17) {
            o.type = PointObject;
            o.symbol = kind < 15 ? 4 : 5;
            o.cords.push_back(C(x0, y0));
        } else {
            o.type = AreaObject;
            o.symbol = kind < 19 ? 6 : 7;
            const int n = 6 + int(unit(rng) * 6);
            const double r = 150 + unit(rng) * 400;
            for (int k = 0; k < n; ++k) {
                const double a = k * 6.283 / n;
                const double rr = r * (0.7 + 0.3 * unit(rng));
                o.cords.push_back(C(x0 + rr * std::cos(a), y0 + rr * std::sin(a)));
            }
            o.cords.push_back(o.cords.front());
        }
        m.objects.push_back(std::move(o));
    }
    return m;
}

std::string WritePaintersMapFile(const std::string& stem)
{
    const GeneratedMap g = GeneratePaintersMap();
    BenchMap map;
    std::vector<std::array<uint8_t, 4>> cmyk;
    for (uint32_t ink : Inks)
        cmyk.push_back({uint8_t(ink), uint8_t(ink >> 8), uint8_t(ink >> 16), uint8_t(ink >> 24)});
    map.colours = BenchColours(cmyk);
    map.setup.MapScale = 15000;
    map.setup.PrintScale = 15000;
    std::vector<int16_t> numbers;
    for (size_t i = 0; i < g.symbols.size(); ++i) {
        SymbolBytes r = g.symbols[i].b;
        int16_t number = int16_t(r[2] | r[3] << 8);
        if (number == 0) {
            number = int16_t(7000 + 10 * i);
            r[2] = uint8_t(number & 0xFF);
            r[3] = uint8_t(number >> 8);
        }
        numbers.push_back(number);
        map.symbols.push_back(std::move(r));
    }
    map.objectCount = int(g.objects.size());
    map.object = [g, numbers](int i) {
        const MapObject& o = g.objects[size_t(i)];
        return BenchObject{numbers[size_t(o.symbol)], o.type, o.cords};
    };
    return WriteBenchMap(stem, map);
}

} // namespace zemo::bench
