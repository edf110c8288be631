// Set-up shared by the render tests: symbol records and element lists written at literal
// offsets (apart from the painters' own readers), the map-to-device transforms, and readers of
// what the output layer produced.
#pragma once

#include "core/Config.h"
#include "core/Element.h"
#include "core/FileClass.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "platform/PainterDevice.h"
#include "platform/RecordingDevice.h"
#include "render/GraphSys.h"
#include "render/Lines.h"
#include "render/PathWalk.h"
#include "render/Scale.h"

#include <QFile>
#include <QImage>
#include <QPointF>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zemo::rtest {

inline constexpr int32_t Mm = 25600;           // one millimetre in coordinate units
inline constexpr uint32_t Black = 200u << 24;  // CMYK in half percent


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

// An element list: kind, style, colour, width, diameter, count, 4 bytes, then the Cords.
struct ElementList {
    static constexpr int NoOverride = 1 << 20;
    std::vector<uint8_t> bytes;
    int Slots() const { return int(bytes.size() / 8); }
    ElementList& Add(int kind, int style, int color, int width, int diameter,
                     std::initializer_list<Cord> cords, int countOverride = NoOverride)
    {
        const size_t at = bytes.size();
        bytes.resize(at + 16 + cords.size() * 8, 0);
        const int fields[6] = {kind, style, color, width, diameter,
                               countOverride == NoOverride ? int(cords.size()) : countOverride};
        for (size_t k = 0; k < 6; ++k)
            Put16(bytes, at + 2 * k, fields[k]);
        size_t p = at + 16;
        for (Cord c : cords) {
            Put32(bytes, p, c.x);
            Put32(bytes, p + 4, c.y);
            p += 8;
        }
        return *this;
    }
};

inline std::vector<uint8_t> Head(size_t size, int number, int type, std::initializer_list<int> colors)
{
    std::vector<uint8_t> rec(size, 0);
    Put16(rec, 0, int(size));
    Put16(rec, 2, number);
    Put16(rec, 4, type);
    for (int c : colors)
        rec[size_t(20 + c / 8)] |= uint8_t(1u << (c % 8));
    return rec;
}

inline std::vector<uint8_t> WithList(std::vector<uint8_t> rec, size_t countAt, const ElementList& list)
{
    Put16(rec, countAt, list.Slots());
    rec.insert(rec.end(), list.bytes.begin(), list.bytes.end());
    Put16(rec, 0, int(rec.size()));
    return rec;
}

inline std::vector<uint8_t> PointSymbol(int number, const ElementList& list, std::initializer_list<int> colors)
{
    return WithList(Head(352, number, 1, colors), 348, list);
}

struct AreaFields {
    int fillOn = 0, fillColor = 0;
    int hatchMode = 0, hatchColor = 0, hatchWidth = 0, hatchDist = 0, hatchAngle1 = 0, hatchAngle2 = 0;
    int structMode = 0, structWidth = 0, structHeight = 0, structAngle = 0;
};

inline std::vector<uint8_t> AreaSymbol(int number, const AreaFields& f, const ElementList& list,
                                       std::initializer_list<int> colors)
{
    std::vector<uint8_t> rec = Head(380, number, 3, colors);
    const int v[] = {f.fillOn, f.fillColor, f.hatchMode, f.hatchColor, f.hatchWidth, f.hatchDist,
                     f.hatchAngle1, f.hatchAngle2};
    for (size_t k = 0; k < 8; ++k)
        Put16(rec, 350 + 2 * k, v[k]);
    Put16(rec, 368, f.structMode);
    Put16(rec, 370, f.structWidth);
    Put16(rec, 372, f.structHeight);
    Put16(rec, 374, f.structAngle);
    return WithList(rec, 378, list);
}

inline std::vector<uint8_t> RectSymbol(int number, int color, int width, int radius, int gridFlags,
                                       int cellW, int cellH, int unnumbered = 0, const std::string& text = "")
{
    std::vector<uint8_t> rec = Head(416, number, 5, {color});
    const int v[] = {color, width, radius, gridFlags, cellW, cellH};
    for (size_t k = 0; k < 6; ++k)
        Put16(rec, 348 + 2 * k, v[k]);
    Put16(rec, 364, unnumbered);
    rec[366] = uint8_t(text.size());
    for (size_t i = 0; i < text.size() && i < 3; ++i)
        rec[367 + i] = uint8_t(text[i]);
    return rec;
}

inline void SetObject(ElementRecord& e, int symbol, int type, const std::vector<Cord>& cords, int angle = 0)
{
    e = ElementRecord{};
    e.Symbol = int16_t(symbol);
    e.ObjectType = uint8_t(type);
    e.nItem = uint16_t(cords.size());
    e.Angle = int16_t(angle);
    std::copy(cords.begin(), cords.end(), e.Slots.begin());
}

// The output layer and the line walker at their start-up state, black ink.
inline void ResetLayer()
{
    ProgramConfig = ConfigRecord{};
    ResetGraphSysState();
    ResetPathWalkState();
    ResetLinesState();
    Graph.OutputCmyk = Black;
}

// One device unit per 0.01 mm, y up, origin at the map origin; the clip covers +-1 m.
inline void MapUnitTransform()
{
    ResetScaleState();
    Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 256;
    Scale.DrawRect = CordRect{-1000 * Mm, -1000 * Mm, 1000 * Mm, 1000 * Mm};
    Scale.FlattenTolerance = 1;
    Graph.ClipRect = Scale.DrawRect;
}

// An image `height` pixels high: 1 pixel per 0.01 mm, y up; the image is the clip.
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

// The map point on pixel corner (px, py) of an image `height` pixels high.
inline Cord At(double px, double py, int height = 100)
{
    return Cord{Masked(int32_t(std::lround(px * 256))), Masked(int32_t(std::lround((height - py) * 256)))};
}

inline void Path(std::initializer_list<Cord> points)
{
    Graph.WorkPoints2Count = 0;
    for (Cord c : points)
        GraphLineTo(c.x, c.y);
}

// Runs draw between BeginDrawing and EndDrawing on a fresh white image.
template <class F>
QImage DrawImage(int w, int h, F draw, int mode = BitmapOutput)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    Graph.OutputMode = mode;
    Graph.OutputDC = &dev;
    BeginDrawing(false);
    Graph.OutputCmyk = Black;
    draw();
    EndDrawing();
    dev.finish();
    Graph.OutputDC = nullptr;
    return img;
}

inline bool Painted(const QImage& img, int x, int y) { return img.pixel(x, y) != qRgb(255, 255, 255); }
inline QRect PaintedBounds(const QImage& img)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (Painted(img, x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}
inline int PaintedCount(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += Painted(img, x, y);
    return n;
}
inline std::string Rgb(uint32_t cmyk)
{
    const DeviceColor c = ColorToDevice(cmyk);
    return "rgb(" + std::to_string(c.r) + ',' + std::to_string(c.g) + ',' + std::to_string(c.b) + ')';
}

// The elements collected in output mode 7, read at their literal offsets.
struct Collected {
    int kind, style, color, width, diameter;
    std::vector<Cord> cords;
};
inline void StartCollecting()
{
    Graph.OutputMode = SymbolElementOutput;
    Graph.SymbolElementSlots = 0;
}
inline std::vector<Collected> CollectedElements()
{
    std::vector<Collected> out;
    for (int slot = 0; slot < Graph.SymbolElementSlots;) {
        const uint8_t* p = Graph.SymbolElementBuffer.data() + size_t(slot) * 8;
        Collected c{Get16(p), Get16(p + 2), Get16(p + 4), Get16(p + 6), Get16(p + 8), {}};
        const int n = Get16(p + 10);
        for (int i = 0; i < n; ++i)
            c.cords.push_back({Get32(p + 16 + 8 * i), Get32(p + 20 + 8 * i)});
        out.push_back(std::move(c));
        slot += n + 2;
    }
    return out;
}

// The points of the recorded lines that start with `what` ("polyline", "polygon").
inline std::vector<std::vector<QPointF>> Recorded(const RecordingDevice& rec, const std::string& what = "polyline")
{
    std::vector<std::vector<QPointF>> out;
    for (const std::string& l : rec.lines()) {
        if (l.rfind(what + " ", 0) != 0)
            continue;
        std::istringstream in(l.substr(what.size()));
        std::vector<QPointF> pts;
        std::string tok;
        while (in >> tok)
            if (const size_t comma = tok.find(','); comma != std::string::npos)
                pts.emplace_back(std::stod(tok.substr(0, comma)), std::stod(tok.substr(comma + 1)));
        out.push_back(std::move(pts));
    }
    return out;
}
inline std::vector<std::string> LinesStarting(const RecordingDevice& rec, const std::string& what)
{
    std::vector<std::string> out;
    for (const std::string& l : rec.lines())
        if (l.rfind(what, 0) == 0)
            out.push_back(l);
    return out;
}

// "glyphs "F" px at X,Y angle A rgb(..) G@dx,dy" in device terms.
struct Glyph {
    std::string family;
    double pixels = 0, x = 0, y = 0, angle = 0;
    std::string color;
    uint32_t glyph = 0;
};
inline std::vector<Glyph> Glyphs(const RecordingDevice& rec)
{
    std::vector<Glyph> out;
    for (const std::string& l : LinesStarting(rec, "glyphs \"")) {
        Glyph g;
        const size_t q = l.find('"', 8);
        g.family = l.substr(8, q - 8);
        char color[64] = {};
        double dx = 0, dy = 0;
        EXPECT_EQ(std::sscanf(l.c_str() + q + 1, " %lf at %lf,%lf angle %lf %63s %u@%lf,%lf", &g.pixels, &g.x,
                              &g.y, &g.angle, color, &g.glyph, &dx, &dy), 8) << l;
        g.color = color;
        out.push_back(g);
    }
    return out;
}

// The advance of a character in the font file's own units, read with FreeType.
inline int DesignAdvance(const QString& path, char32_t ch, int& unitsPerEm)
{
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    int adv = 0;
    if (FT_Init_FreeType(&lib) == 0 && FT_New_Face(lib, QFile::encodeName(path).constData(), 0, &face) == 0) {
        unitsPerEm = face->units_per_EM;
        if (FT_Load_Char(face, FT_ULong(ch), FT_LOAD_NO_SCALE) == 0)
            adv = int(face->glyph->advance.x);
        FT_Done_Face(face);
    }
    if (lib)
        FT_Done_FreeType(lib);
    return adv;
}

struct TextSink final : OutputSink {
    std::string text;
    void Write(QByteArrayView bytes) override { text.append(bytes.data(), size_t(bytes.size())); }
};

} // namespace zemo::rtest
