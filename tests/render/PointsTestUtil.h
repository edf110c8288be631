// Builders for painter tests: symbol records and element lists written with literal offsets,
// a map-unit transform (one device unit per 0.01 mm, y up) and readers of what the output
// layer produced.
#pragma once

#include "core/Config.h"
#include "core/Element.h"
#include "core/Folders.h"
#include "render/GraphSys.h"
#include "render/Scale.h"

#include <QImage>

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace zemo::ptest {

inline constexpr int32_t Mm = 25600;   // one millimetre in coordinate units

inline void Put16(std::vector<uint8_t>& b, size_t at, int v)
{
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = uint8_t(v & 0xFF);
    b[at + 1] = uint8_t((v >> 8) & 0xFF);
}

inline void Put32(std::vector<uint8_t>& b, size_t at, int32_t v)
{
    if (b.size() < at + 4)
        b.resize(at + 4);
    for (int k = 0; k < 4; ++k)
        b[at + size_t(k)] = uint8_t(uint32_t(v) >> (8 * k));
}

inline int Get16(const uint8_t* p) { return int16_t(uint16_t(p[0] | (p[1] << 8))); }
inline int32_t Get32(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// An element list built element by element (kind, style, colour, width, diameter, Cords).
struct ElementList {
    static constexpr int NoOverride = 1 << 20;
    std::vector<uint8_t> bytes;
    int Slots() const { return int(bytes.size() / 8); }
    ElementList& Add(int kind, int style, int color, int width, int diameter,
                     std::initializer_list<Cord> cords, int countOverride = NoOverride)
    {
        const size_t at = bytes.size();
        bytes.resize(at + 16 + cords.size() * 8, 0);
        Put16(bytes, at, kind);
        Put16(bytes, at + 2, style);
        Put16(bytes, at + 4, color);
        Put16(bytes, at + 6, width);
        Put16(bytes, at + 8, diameter);
        Put16(bytes, at + 10, countOverride == NoOverride ? int(cords.size()) : countOverride);
        size_t p = at + 16;
        for (Cord c : cords) {
            Put32(bytes, p, c.x);
            Put32(bytes, p + 4, c.y);
            p += 8;
        }
        return *this;
    }
};

inline void SetColors(std::vector<uint8_t>& rec, std::initializer_list<int> colors)
{
    for (int c : colors)
        rec[size_t(20 + c / 8)] |= uint8_t(1u << (c % 8));
}

inline std::vector<uint8_t> PointSymbol(int number, const ElementList& list, std::initializer_list<int> colors)
{
    std::vector<uint8_t> rec(352, 0);
    rec.insert(rec.end(), list.bytes.begin(), list.bytes.end());
    Put16(rec, 0, int(rec.size()));
    Put16(rec, 2, number);
    Put16(rec, 4, 1);
    Put16(rec, 348, list.Slots());
    SetColors(rec, colors);
    return rec;
}

struct AreaFields {
    int fillOn = 0, fillColor = 0;
    int hatchMode = 0, hatchColor = 0, hatchWidth = 0, hatchDist = 0, hatchAngle1 = 0, hatchAngle2 = 0;
    int structMode = 0, structWidth = 0, structHeight = 0, structAngle = 0;
};

inline std::vector<uint8_t> AreaSymbol(int number, const AreaFields& f, const ElementList& list,
                                       std::initializer_list<int> colors)
{
    std::vector<uint8_t> rec(380, 0);
    rec.insert(rec.end(), list.bytes.begin(), list.bytes.end());
    Put16(rec, 0, int(rec.size()));
    Put16(rec, 2, number);
    Put16(rec, 4, 3);
    Put16(rec, 350, f.fillOn);
    Put16(rec, 352, f.fillColor);
    Put16(rec, 354, f.hatchMode);
    Put16(rec, 356, f.hatchColor);
    Put16(rec, 358, f.hatchWidth);
    Put16(rec, 360, f.hatchDist);
    Put16(rec, 362, f.hatchAngle1);
    Put16(rec, 364, f.hatchAngle2);
    Put16(rec, 368, f.structMode);
    Put16(rec, 370, f.structWidth);
    Put16(rec, 372, f.structHeight);
    Put16(rec, 374, f.structAngle);
    Put16(rec, 378, list.Slots());
    SetColors(rec, colors);
    return rec;
}

inline std::vector<uint8_t> RectSymbol(int number, int color, int width, int radius, int gridFlags,
                                       int cellW, int cellH, int unnumbered = 0, const std::string& text = "")
{
    std::vector<uint8_t> rec(416, 0);
    Put16(rec, 0, 416);
    Put16(rec, 2, number);
    Put16(rec, 4, 5);
    Put16(rec, 348, color);
    Put16(rec, 350, width);
    Put16(rec, 352, radius);
    Put16(rec, 354, gridFlags);
    Put16(rec, 356, cellW);
    Put16(rec, 358, cellH);
    Put16(rec, 364, unnumbered);
    rec[366] = uint8_t(text.size());
    for (size_t i = 0; i < text.size() && i < 3; ++i)
        rec[367 + i] = uint8_t(text[i]);
    SetColors(rec, {color});
    return rec;
}

inline void SetObject(ElementRecord& e, int symbol, int type, std::initializer_list<Cord> cords, int angle = 0)
{
    e.Symbol = int16_t(symbol);
    e.ObjectType = uint8_t(type);
    e.Flags = 0;
    e.nItem = uint16_t(cords.size());
    e.nText = 0;
    e.Angle = int16_t(angle);
    e.Word10 = e.Word12 = e.Word14 = 0;
    size_t i = 0;
    for (Cord c : cords)
        e.Slots[i++] = c;
}

// One device unit per 0.01 mm, y up, origin at the map origin; the clip covers +-1 m.
inline void MapUnitTransform()
{
    ResetScaleState();
    Scale.ViewOrigin = Cord{0, 0};
    Scale.ViewScaleX = 1.0 / 256;
    Scale.ViewScaleY = 1.0 / 256;
    Scale.DrawRect = CordRect{-1000 * Mm, -1000 * Mm, 1000 * Mm, 1000 * Mm};
    Scale.FlattenTolerance = 1;
    Graph.ClipRect = Scale.DrawRect;
}

// The pixel transform of an image `height` pixels high: 1 pixel per 0.01 mm, y up.
inline void PixelTransform(int width, int height)
{
    ResetScaleState();
    Scale.ViewOrigin = Cord{0, height * 256};
    Scale.ViewScaleX = 1.0 / 256;
    Scale.ViewScaleY = -1.0 / 256;
    Scale.DrawRect = CordRect{0, 0, width * 256, height * 256};
    Scale.FlattenTolerance = 1;
    Graph.ClipRect = Scale.DrawRect;
}

inline void ResetLayer()
{
    ProgramConfig = ConfigRecord{};
    ResetGraphSysState();
    Graph.OutputCmyk = 200u << 24;
}

// The elements collected in output mode 7, read at their literal offsets.
struct Collected {
    int kind, style, color, width, diameter;
    std::vector<Cord> cords;
};

inline std::vector<Collected> CollectedElements()
{
    std::vector<Collected> out;
    const uint8_t* b = Graph.SymbolElementBuffer.data();
    int slot = 0;
    while (slot < Graph.SymbolElementSlots) {
        const uint8_t* p = b + size_t(slot) * 8;
        Collected c{Get16(p), Get16(p + 2), Get16(p + 4), Get16(p + 6), Get16(p + 8), {}};
        const int n = Get16(p + 10);
        for (int i = 0; i < n; ++i)
            c.cords.push_back({Get32(p + 16 + 8 * i), Get32(p + 20 + 8 * i)});
        out.push_back(std::move(c));
        slot += n + 2;
    }
    return out;
}

inline void StartCollecting()
{
    Graph.OutputMode = SymbolElementOutput;
    Graph.SymbolElementSlots = 0;
}

// The points of the recorded lines that start with `what` ("polyline", "polygon").
inline std::vector<std::vector<std::pair<double, double>>> Recorded(const std::vector<std::string>& lines,
                                                                    const std::string& what)
{
    std::vector<std::vector<std::pair<double, double>>> out;
    for (const std::string& l : lines) {
        if (l.rfind(what + " ", 0) != 0)
            continue;
        std::istringstream in(l.substr(what.size()));
        std::vector<std::pair<double, double>> pts;
        std::string tok;
        while (in >> tok) {
            const size_t comma = tok.find(',');
            if (comma == std::string::npos)
                continue;
            pts.push_back({std::stod(tok.substr(0, comma)), std::stod(tok.substr(comma + 1))});
        }
        out.push_back(std::move(pts));
    }
    return out;
}

} // namespace zemo::ptest
