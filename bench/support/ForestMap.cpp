#include "ForestMap.h"

#include "core/Element.h"

#include <cmath>
#include <memory>
#include <random>

namespace zemo::bench {

namespace {

// Symbols by number x 10, each with its share of the objects in per mille.
struct Share {
    int16_t symbol;
    uint8_t type;
    int perMille;
};
constexpr Share Shares[] = {
    // Round joins and caps: contours, index contours, watercourses, roads.
    {1010, LineObject, 200}, {1020, LineObject, 40}, {3040, LineObject, 20}, {3050, LineObject, 30},
    {5030, LineObject, 20},
    // Dashed lines: form lines and small paths.
    {1030, LineObject, 30}, {5060, LineObject, 30},
    // Hatched areas: undergrowth, marsh, impassable.
    {4070, AreaObject, 50}, {4090, AreaObject, 50}, {3080, AreaObject, 20}, {3090, AreaObject, 40},
    {5290, AreaObject, 10},
    // Structures: boulder fields, stony ground, indistinct marsh, scattered trees, orchards, fields.
    {2080, AreaObject, 30}, {2100, AreaObject, 30}, {3110, AreaObject, 30}, {4020, AreaObject, 40},
    {4120, AreaObject, 20}, {4150, AreaObject, 20},
    // Plain fills: open land, green.
    {4030, AreaObject, 40}, {4060, AreaObject, 50}, {4080, AreaObject, 40}, {4100, AreaObject, 20},
    // Points: knolls, depressions, boulders, trees.
    {1090, PointObject, 60}, {1110, PointObject, 30}, {2060, PointObject, 30}, {4180, PointObject, 20},
};

// Of a map with names, the share of the objects that are names, in per mille.
constexpr int NamesPerMille = 60;

constexpr const char* PlaceNames[] = {"Birch Hill", "Old Mill", "Stone Ridge", "Black Marsh", "Fox Hollow",
                                      "Lakeside", "Deer Meadow", "North Gate", "Pine Knoll", "Mossy Bank"};

BenchObject ObjectOf(std::mt19937& rng, const Share& share)
{
    std::uniform_real_distribution<double> ux(-ForestWidthMm / 2, ForestWidthMm / 2),
        uy(-ForestHeightMm / 2, ForestHeightMm / 2), unit(0, 1);
    double x = ux(rng), y = uy(rng);
    BenchObject o;
    o.symbol = share.symbol;
    o.type = share.type;
    if (share.type == LineObject) {
        // Wandering in steps of 0.3 to 1.2 mm, a corner at every step.
        double heading = unit(rng) * 6.2832;
        for (int k = 0, n = 20 + int(unit(rng) * 80); k < n; ++k) {
            o.cords.push_back(AtMm(x, y));
            heading += (unit(rng) - 0.5) * 0.9;
            const double step = 0.3 + unit(rng) * 0.9;
            x += step * std::cos(heading);
            y += step * std::sin(heading);
        }
    } else if (share.type == AreaObject) {
        const int n = 20 + int(unit(rng) * 40);
        const double r = 2 + unit(rng) * 6;
        for (int k = 0; k < n; ++k) {
            const double a = k * 6.2832 / n;
            const double rr = r * (0.7 + 0.3 * unit(rng));
            o.cords.push_back(AtMm(x + rr * std::cos(a), y + rr * std::sin(a)));
        }
        o.cords.push_back(o.cords.front());
    } else {
        o.cords.push_back(AtMm(x, y));
    }
    return o;
}

// A place name (half of them), a spot height or a contour value along a short straight line.
BenchObject NameOf(std::mt19937& rng)
{
    std::uniform_real_distribution<double> ux(-ForestWidthMm / 2, ForestWidthMm / 2),
        uy(-ForestHeightMm / 2, ForestHeightMm / 2);
    const double x = ux(rng), y = uy(rng);
    const unsigned pick = rng() % 4;
    BenchObject o;
    if (pick < 2) {
        o = {9010, TextObject, {AtMm(x, y)}, PlaceNames[rng() % std::size(PlaceNames)]};
    } else if (pick == 2) {
        o = {9050, TextObject, {AtMm(x, y)}, std::to_string(100 + rng() % 300)};
    } else {
        o = {9120, LineObject, {AtMm(x, y), AtMm(x + 4, y + 1)}, std::to_string(50 + 5 * (rng() % 40))};
    }
    return o;
}

} // namespace

BenchMap ForestMap(int objectCount, bool withNames)
{
    BenchMap map = OrienteeringSymbols();
    if (map.symbols.empty())
        return map;
    map.objectCount = objectCount;
    auto rng = std::make_shared<std::mt19937>(45);
    map.object = [rng, withNames](int) {
        if (withNames && int((*rng)() % 1000) < NamesPerMille)
            return NameOf(*rng);
        int pick = int((*rng)() % 1000);
        for (const Share& share : Shares) {
            if (pick < share.perMille)
                return ObjectOf(*rng, share);
            pick -= share.perMille;
        }
        return ObjectOf(*rng, Shares[0]);
    };
    return map;
}

} // namespace zemo::bench
