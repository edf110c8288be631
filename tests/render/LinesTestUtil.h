// Line painter tests: line symbol records built at literal offsets, a line object in
// DrawElement, and a transform of one device unit per 0.01 mm (y up), so that the recorded
// device coordinates read directly as map lengths in 0.01 mm.
#pragma once

#include "core/Config.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "render/GraphSys.h"
#include "render/Lines.h"
#include "render/PathWalk.h"
#include "render/Scale.h"
#include "platform/RecordingDevice.h"

#include <QPointF>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zemo::lntest {

// One SymbolElement: kind, style, colour, width, diameter, Cords (in 0.01 mm).
inline std::vector<uint8_t> Element(int kind, int style, int color, int width, int diameter,
                                    std::initializer_list<std::pair<int, int>> cords)
{
    std::vector<uint8_t> b(16, 0);
    const auto put16 = [&b](size_t at, int v) {
        b[at] = uint8_t(v & 0xFF);
        b[at + 1] = uint8_t((v >> 8) & 0xFF);
    };
    put16(0, kind);
    put16(2, style);
    put16(4, color);
    put16(6, width);
    put16(8, diameter);
    put16(10, int(cords.size()));
    for (auto [x, y] : cords) {
        const int32_t cx = x * 256, cy = y * 256;
        for (int k = 0; k < 4; ++k)
            b.push_back(uint8_t((uint32_t(cx) >> (8 * k)) & 0xFF));
        for (int k = 0; k < 4; ++k)
            b.push_back(uint8_t((uint32_t(cy) >> (8 * k)) & 0xFF));
    }
    return b;
}

// A line symbol record: fields by literal offset, the five lists in order.
struct LineSym {
    std::map<size_t, int> Fields;
    std::vector<uint8_t> Lists[5];
    int SizeAdjust = 0;                // a wrong stated size
    std::map<int, int> CountOverride;  // list index -> stated slot count
    std::vector<uint8_t> Bytes;

    LineSym& Set(size_t offset, int v)
    {
        Fields[offset] = v;
        return *this;
    }

    const uint8_t* Build()
    {
        size_t listBytes = 0;
        for (const auto& l : Lists)
            listBytes += l.size();
        Bytes.assign(424 + listBytes + 64, 0);
        const auto put16 = [this](size_t at, int v) {
            Bytes[at] = uint8_t(v & 0xFF);
            Bytes[at + 1] = uint8_t((v >> 8) & 0xFF);
        };
        put16(0, int(424 + listBytes) + SizeAdjust);
        put16(2, 1010);
        put16(4, 2);
        Bytes[6] = 0;
        for (auto [off, v] : Fields)
            put16(off, v);
        size_t at = 424;
        for (int i = 0; i < 5; ++i) {
            const auto it = CountOverride.find(i);
            put16(412 + 2 * size_t(i), it != CountOverride.end() ? it->second : int(Lists[i].size() / 8));
            if (!Lists[i].empty())
                std::memcpy(Bytes.data() + at, Lists[i].data(), Lists[i].size());
            at += Lists[i].size();
        }
        return Bytes.data();
    }
};

// Literal offsets of the fields the tests set.
enum : size_t {
    OLineColor = 348, OLineWidth = 350, OStyleBits = 352, ODistFromStart = 354, ODistToEnd = 356,
    OMainLength = 358, OEndLength = 360, OMainGap = 362, OSecGap = 364, OEndGap = 366,
    OMinSym = 368, ONPrimSym = 370, OPrimSymDist = 372, ODblMode = 374, ODblFlags = 376,
    ODblFillColor = 378, ODblLeftColor = 380, ODblRightColor = 382, ODblWidth = 384,
    ODblLeftWidth = 386, ODblRightWidth = 388, ODblLength = 390, ODblGap = 392,
    ODecMode = 400, ODecLast = 402, OFrColor = 406, OFrWidth = 408, OFrStyle = 410,
};

struct Pt {
    int x, y;        // 0.01 mm
    int fx = 0, fy = 0;  // flags
};

inline void SetLine(std::initializer_list<Pt> pts)
{
    DrawElement = ElementRecord{};
    DrawElement.ObjectType = LineObject;
    DrawElement.Symbol = 1010;
    int i = 0;
    for (const Pt& p : pts)
        DrawElement.Slots[size_t(i++)] = Cord{p.x * 256 | p.fx, p.y * 256 | p.fy};
    DrawElement.nItem = uint16_t(i);
}

// Map 0.01 mm = 1 device unit, y up; a large clip so nothing is cut.
inline void MapUnitTransform()
{
    ResetScaleState();
    Scale.ViewOrigin = Cord{0, 0};
    Scale.ViewScaleX = 1.0 / 256;
    Scale.ViewScaleY = 1.0 / 256;
    Scale.FlattenTolerance = 1;
    Scale.DrawRect = CordRect{-20000 * 256, -20000 * 256, 20000 * 256, 20000 * 256};
    Graph.ClipRect = Scale.DrawRect;
}

inline void ResetPainter()
{
    ProgramConfig = ConfigRecord{};
    ResetGraphSysState();
    ResetPathWalkState();
    ResetLinesState();
    MapUnitTransform();
    Graph.OutputCmyk = 200u << 24;
}

inline std::vector<QPointF> PointsOf(const std::string& line, size_t skip)
{
    std::vector<QPointF> pts;
    std::istringstream in(line.substr(skip));
    std::string tok;
    while (in >> tok) {
        const size_t comma = tok.find(',');
        if (comma == std::string::npos)
            continue;
        double x = 0, y = 0;
        std::from_chars(tok.data(), tok.data() + comma, x);
        std::from_chars(tok.data() + comma + 1, tok.data() + tok.size(), y);
        pts.emplace_back(x, y);
    }
    return pts;
}

inline std::vector<std::vector<QPointF>> Recorded(const RecordingDevice& rec, const char* what = "polyline ")
{
    std::vector<std::vector<QPointF>> out;
    const std::string prefix = what;
    for (const std::string& line : rec.lines())
        if (line.rfind(prefix, 0) == 0)
            out.push_back(PointsOf(line, prefix.size()));
    return out;
}

inline std::vector<std::string> Pens(const RecordingDevice& rec)
{
    std::vector<std::string> out;
    for (const std::string& line : rec.lines())
        if (line.rfind("pen solid", 0) == 0)
            out.push_back(line);
    return out;
}

} // namespace zemo::lntest
