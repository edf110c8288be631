// Fonts and characters of the output layer: the font list, the current map font and its
// metrics in coordinate units, measured texts, glyph outlines and single characters drawn as
// device glyphs, filled outlines or framed outlines.
#include "render/GraphSys.h"

#include "core/CodePage.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "platform/Device.h"
#include "render/AreaRings.h"
#include "render/Scale.h"

#include <QPainterPath>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zemo {

MapFontState MapFont;

namespace {

bool IsDeviceTextMode(int mode) { return mode == ScreenOutput || mode == BitmapOutput; }

int32_t ToCoord(double v) { return Masked(SafeRound(v)); }

// ---- Overlapping contours ----

QPainterPath ContourPath(const OutlineContour& c)
{
    QPainterPath p;
    p.moveTo(c.start);
    for (const OutlineSegment& s : c.segments) {
        switch (s.kind) {
        case OutlineSegment::Kind::Line: p.lineTo(s.to); break;
        case OutlineSegment::Kind::Quadratic: p.quadTo(s.c1, s.to); break;
        case OutlineSegment::Kind::Cubic: p.cubicTo(s.c1, s.c2, s.to); break;
        }
    }
    p.closeSubpath();
    return p;
}

// Twice the signed area of the control polygon; positive counter-clockwise (y up).
double ContourArea(const OutlineContour& c)
{
    double sum = 0;
    QPointF a = c.start;
    const auto add = [&](QPointF b) {
        sum += a.x() * b.y() - b.x() * a.y();
        a = b;
    };
    for (const OutlineSegment& s : c.segments) {
        if (s.kind != OutlineSegment::Kind::Line)
            add(s.c1);
        if (s.kind == OutlineSegment::Kind::Cubic)
            add(s.c2);
        add(s.to);
    }
    add(c.start);
    return sum;
}

// Whether the font's (non-zero) filling of the contours differs from an odd-even filling:
// when boundaries cross, or when a region inside nested contours has a winding number whose
// being zero disagrees with the parity of its depth.
bool ContoursNeedMerge(const std::vector<OutlineContour>& contours)
{
    const size_t n = contours.size();
    if (n < 2)
        return false;
    std::vector<QPainterPath> paths;
    std::vector<QRectF> boxes;
    std::vector<int> dir;
    for (const OutlineContour& c : contours) {
        paths.push_back(ContourPath(c));
        boxes.push_back(paths.back().controlPointRect());
        const double a = ContourArea(c);
        dir.push_back(a > 0 ? 1 : a < 0 ? -1 : 0);
    }
    // inside[j] lists the contours that contain contour j.
    std::vector<std::vector<size_t>> inside(n);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            if (!boxes[i].intersects(boxes[j]))
                continue;
            if (paths[i].contains(paths[j]))
                inside[j].push_back(i);
            else if (paths[j].contains(paths[i]))
                inside[i].push_back(j);
            else if (paths[i].intersects(paths[j]))
                return true;
        }
    for (size_t k = 0; k < n; ++k) {
        int winding = dir[k];
        for (size_t p : inside[k])
            winding += dir[p];
        const bool nonZero = winding != 0;
        const bool odd = (inside[k].size() + 1) % 2 == 1;
        if (nonZero != odd)
            return true;
    }
    return false;
}

// The union of the contours under non-zero filling, as polygons without crossing edges.
std::vector<OutlineContour> MergeContours(const std::vector<OutlineContour>& contours)
{
    QPainterPath all;
    all.setFillRule(Qt::WindingFill);
    for (const OutlineContour& c : contours)
        all.addPath(ContourPath(c));
    const QPainterPath merged = all.simplified();
    std::vector<OutlineContour> out;
    for (int i = 0; i < merged.elementCount(); ++i) {
        const QPainterPath::Element e = merged.elementAt(i);
        if (e.isMoveTo()) {
            out.emplace_back();
            out.back().start = QPointF(e.x, e.y);
            continue;
        }
        if (out.empty())
            continue;
        OutlineSegment s;
        if (e.isCurveTo() && i + 2 < merged.elementCount()) {
            s.kind = OutlineSegment::Kind::Cubic;
            s.c1 = QPointF(e.x, e.y);
            s.c2 = QPointF(merged.elementAt(i + 1).x, merged.elementAt(i + 1).y);
            s.to = QPointF(merged.elementAt(i + 2).x, merged.elementAt(i + 2).y);
            i += 2;
        } else {
            s.to = QPointF(e.x, e.y);
        }
        out.back().segments.push_back(s);
    }
    for (OutlineContour& c : out) {
        if (c.segments.empty() || c.segments.back().to != c.start)
            c.segments.push_back(OutlineSegment{OutlineSegment::Kind::Line, {}, {}, c.start});
    }
    std::erase_if(out, [](const OutlineContour& c) { return c.segments.size() < 2; });
    return out;
}

uint32_t GlyphOfCode(uint32_t code)
{
    return MapFont.UnicodePlatform ? code : MapFont.Font.GlyphIndex(char32_t(code));
}

// A map's texts use a few hundred glyphs; past this many the kept ones are made anew.
constexpr size_t MaxKeptGlyphs = 8192;

// The contours of the code's glyph as odd-even filling draws them: overlapping contours are
// filled by the font's non-zero rule, so they are merged first.
const std::vector<OutlineContour>& FillableContours(uint32_t code)
{
    MapFontState& m = MapFont;
    const auto fillable = [](std::vector<OutlineContour> contours) {
        return ContoursNeedMerge(contours) ? MergeContours(contours) : contours;
    };
    if (m.GlyphSource) {
        m.SourceOutline = fillable(m.GlyphSource(code));
        return m.SourceOutline;
    }
    auto face = std::find_if(m.KeptOutlines.begin(), m.KeptOutlines.end(), [&](const MapFontState::FaceOutlines& f) {
        return f.face == m.Font.faceIndex && f.file == m.Font.filePath;
    });
    if (face == m.KeptOutlines.end()) {
        m.KeptOutlines.push_back({m.Font.filePath, m.Font.faceIndex, {}});
        face = m.KeptOutlines.end() - 1;
    }
    const uint32_t glyph = GlyphOfCode(code);
    auto kept = face->glyphs.find(glyph);
    if (kept == face->glyphs.end()) {
        if (m.KeptGlyphCount >= MaxKeptGlyphs) {
            for (MapFontState::FaceOutlines& f : m.KeptOutlines)
                f.glyphs.clear();
            m.KeptGlyphCount = 0;
        }
        kept = face->glyphs.emplace(glyph, fillable(m.Font.GlyphContours(glyph))).first;
        ++m.KeptGlyphCount;
    }
    return kept->second;
}

void TurnOutline(int32_t x, int32_t y, int angle)
{
    const std::vector<Cord>& src = MapFont.CharOutline;
    std::vector<Cord>& dst = MapFont.CharOutlineTurned;
    dst.resize(src.size());
    if (angle == 0) {
        std::copy(src.begin(), src.end(), dst.begin());
        return;
    }
    if (angle != MapFont.OutlineAngle) {
        const double a = angle / 10.0 * std::numbers::pi / 180.0;
        MapFont.OutlineAngle = angle;
        MapFont.OutlineCos = std::cos(a);
        MapFont.OutlineSin = std::sin(a);
    }
    RotatePoints(x, y, src.data(), int(src.size()), MapFont.OutlineCos, MapFont.OutlineSin,
                 dst.data());
}

bool IsControlPoint(Cord c) { return (c.x & (FirstBezierFlag | SecondBezierFlag)) != 0; }

void StrokePiece(const std::vector<Cord>& ring, size_t from, size_t to, int width)
{
    const int n = int(to - from + 1);
    if (n < 2)
        return;
    EnsureWorkPoints2(n);
    std::copy_n(ring.begin() + ptrdiff_t(from), n, WorkPoints2.begin());
    Graph.WorkPoints2Count = n;
    GraphStroke(2 * width, 4);
}

} // namespace

void ResetMapFontState() { MapFont = MapFontState{}; }

void InitFonts()
{
    MapFont.FontNames = FontService::Instance().FontList();
    MapFont.Installed = FontService::Instance().Installed();
    MapFont.MeasuringReady = false;
    if (!MapFont.FontNames.isEmpty() && MapFont.FontName.isEmpty())
        MapFont.FontName = MapFont.FontNames.first();
}

void FreeFonts()
{
    MapFont.FontNames.clear();
    MapFont.Installed = InstalledFonts{};
    MapFont.Font = ResolvedFont{};
    MapFont.MeasuringReady = false;
    MapFont.DeviceFont = QRawFont();
    MapFont.DeviceFontValid = false;
}

int CharsetToCodePage(int charset)
{
    // The multi-byte East Asian sets have no table here, but their code pages are known.
    switch (charset) {
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    default: break;
    }
    if (charset == 0 || charset == 1 || charset == 2 || charset == 238 || charset == 204
        || charset == 161 || charset == 162 || charset == 177 || charset == 178 || charset == 186
        || charset == 163 || charset == 222 || charset == 255)
        return CodePageOfCharset(charset);
    return 0;
}

int CodePageToCharset(int codePage)
{
    return CharsetOfCodePage(codePage);
}

void SelectMapFont(const QString& name, int size, int weight, bool italic)
{
    MapFont.FontName = name;
    MapFont.FontSize = size;
    MapFont.FontWeight = weight;
    MapFont.FontItalic = italic;
}

QRawFont CreateMapFont(const QString& name, int height, int weight, bool italic)
{
    const ResolvedFont f = FontService::Instance().FindFont(name, IsBoldWeight(weight), italic);
    const int h = height == 0 ? 1 : std::abs(height);
    return f.RawFont(h);
}

void MapUnicodeChar(char16_t ch, int& charset, int& code)
{
    if (MapFont.UnicodePlatform) {
        charset = 1;
        code = 0;
        return;
    }
    charset = 0;
    code = ch < 256 ? ch : '?';
}

void ApplyMapFont()
{
    MapFontState& m = MapFont;
    const bool bold = IsBoldWeight(m.FontWeight);
    if (!m.MeasuringReady || m.MeasuringName != m.FontName || m.MeasuringBold != bold
        || m.MeasuringItalic != m.FontItalic) {
        m.Font = FontService::Instance().FindFont(m.FontName, bold, m.FontItalic);
        m.MeasuringName = m.FontName;
        m.MeasuringBold = bold;
        m.MeasuringItalic = m.FontItalic;
        m.MeasuringReady = true;
    }
    const ResolvedFont& font = m.Font;
    if (!font.IsValid() || font.unitsPerEm <= 0) {
        m.Factor = 0;
        m.FontAscent = m.FontDescent = m.SpaceWidth = m.DigitWidth = m.CapHeight = 0;
        return;
    }
    // f = size / 72 x 254 / em (0.01 mm per design unit); 256 coordinate units per 0.01 mm.
    const double f = m.FontSize / 72.0 * 254.0 / font.unitsPerEm;
    m.Factor = f * 256;
    m.FontAscent = SafeRound(std::nearbyint((font.winAscent + font.internalLeading) * f) * 256);
    m.FontDescent = SafeRound(std::nearbyint(font.winDescent * f) * 256);
    m.SpaceWidth = SafeRound(font.Advance(U' ') * m.Factor);
    m.DigitWidth = SafeRound(font.Advance(U'8') * m.Factor);
    m.CapHeight = SafeRound(font.BlackBox(U'A').Height() * m.Factor);
}

int32_t MeasureChar(char32_t ch)
{
    if (!MapFont.Font.IsValid())
        return 0;
    return SafeRound(MapFont.Font.Advance(ch) * MapFont.Factor);
}

void MeasureText(std::u16string_view text)
{
    MapFontState& m = MapFont;
    const size_t n = text.size();
    m.TextClasses.assign(n + 1, 0);
    m.TextChars.assign(n + 1, 0);
    m.TextAdvances.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c == 0)
            break;  // the end mark is already there
        if (c < 33) {
            m.TextClasses[i] = uint8_t(c);
            continue;
        }
        char32_t ch = c;
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1]);
        if (pair)
            ch = QChar::surrogateToUcs4(c, text[i + 1]);
        if (m.UnicodePlatform) {
            const uint32_t glyph = m.Font.IsValid() ? m.Font.GlyphIndex(ch) : 0;
            m.TextClasses[i] = GlyphClass;
            m.TextChars[i] = uint16_t(glyph <= 0xFFFF ? glyph : 0);
            m.TextAdvances[i] = m.Font.IsValid() ? SafeRound(m.Font.GlyphAdvance(glyph) * m.Factor) : 0;
        } else {
            m.TextClasses[i] = CharacterClass;
            m.TextChars[i] = uint16_t(ch <= 0xFFFF ? ch : '?');
            m.TextAdvances[i] = MeasureChar(ch);
        }
        if (pair) {
            // The second half of a pair is one more code of the same character: not drawn.
            ++i;
            m.TextClasses[i] = 1;
        }
    }
}

void MeasureAnsiText(QByteArrayView text)
{
    std::u16string wide;
    wide.reserve(size_t(text.size()));
    for (char b : text)
        wide.push_back(char16_t(uint8_t(b)));
    MeasureText(wide);
}

void CharOutlinePath(int32_t x, int32_t y, int angle, uint32_t code)
{
    MapFontState& m = MapFont;
    m.CharOutline.clear();
    m.CharOutlineTurned.clear();
    if (!m.GlyphSource && !m.Font.IsValid())
        return;
    const std::vector<OutlineContour>& contours = FillableContours(code);

    const double k = m.Factor;
    const auto at = [&](QPointF p, int32_t xFlag) {
        return Cord{ToCoord(double(x) + p.x() * k) | xFlag, ToCoord(double(y) + p.y() * k)};
    };
    size_t total = 0;
    for (const OutlineContour& c : contours)
        total += 1 + 3 * c.segments.size();
    m.CharOutline.reserve(total);
    for (const OutlineContour& c : contours) {
        if (c.segments.empty())
            continue;
        Cord first = at(c.start, 0);
        if (!m.CharOutline.empty())
            first.y |= HoleFlag;
        m.CharOutline.push_back(first);
        QPointF a = c.start;
        for (const OutlineSegment& s : c.segments) {
            switch (s.kind) {
            case OutlineSegment::Kind::Line:
                m.CharOutline.push_back(at(s.to, 0));
                break;
            case OutlineSegment::Kind::Quadratic: {
                // The cubic with the same curve: controls (A + 2B) / 3 and (C + 2B) / 3.
                const QPointF b = s.c1, cc = s.to;
                m.CharOutline.push_back(at((a + 2 * b) / 3, FirstBezierFlag));
                m.CharOutline.push_back(at((cc + 2 * b) / 3, SecondBezierFlag));
                m.CharOutline.push_back(at(cc, 0));
                break;
            }
            case OutlineSegment::Kind::Cubic:
                m.CharOutline.push_back(at(s.c1, FirstBezierFlag));
                m.CharOutline.push_back(at(s.c2, SecondBezierFlag));
                m.CharOutline.push_back(at(s.to, 0));
                break;
            }
            a = s.to;
        }
    }
    TurnOutline(x, y, angle);
}

void DrawMapChar(int32_t x, int32_t y, int angle, uint32_t code)
{
    MapFontState& m = MapFont;
    const int mode = Graph.OutputMode;
    const double emMm = m.FontSize / 72.0 * 254.0;  // 0.01 mm
    const double deviceHeight = emMm * Scale.ViewScaleX * 256;
    if (!IsDeviceTextMode(mode) || m.TextAsOutlines || Graph.Mirror || std::abs(deviceHeight) <= 5) {
        CharOutlinePath(x, y, angle, code);
        if (m.CharOutlineTurned.size() >= 3)
            GraphFillArea(m.CharOutlineTurned.data(), int(m.CharOutlineTurned.size()), false);
        return;
    }
    Device* dc = Graph.OutputDC;
    if (!dc || !m.Font.IsValid())
        return;
    const double pixels = std::abs(std::nearbyint(emMm * Scale.ViewScaleY * 256));
    if (pixels < 1)
        return;
    if (!m.DeviceFontValid || m.DeviceFontFile != m.Font.filePath
        || m.DeviceFontFace != m.Font.faceIndex || m.DeviceFontPixels != pixels) {
        m.DeviceFont = m.Font.RawFont(pixels);
        m.DeviceFontFile = m.Font.filePath;
        m.DeviceFontFace = m.Font.faceIndex;
        m.DeviceFontPixels = pixels;
        m.DeviceFontValid = true;
    }
    if (!m.DeviceFont.isValid())
        return;
    const QPointF o = CordToDeviceF({x, y});
    const QPointF origin(std::nearbyint(o.x()), std::nearbyint(o.y()));
    // A glyph whose origin lies more than a few heights outside the visible box cannot show.
    const QPointF c1 = CordToDeviceF({Graph.ClipRect.x1, Graph.ClipRect.y1});
    const QPointF c2 = CordToDeviceF({Graph.ClipRect.x2, Graph.ClipRect.y2});
    const double margin = 4 * pixels + 2;
    if (origin.x() < std::min(c1.x(), c2.x()) - margin || origin.x() > std::max(c1.x(), c2.x()) + margin
        || origin.y() < std::min(c1.y(), c2.y()) - margin || origin.y() > std::max(c1.y(), c2.y()) + margin)
        return;
    m.TextColorValid = true;
    m.TextColorCmyk = Graph.OutputCmyk;
    const uint32_t glyph = GlyphOfCode(code);
    const QPointF at(0, 0);
    dc->drawGlyphs(m.DeviceFont, std::span(&glyph, 1), std::span(&at, 1), origin, angle / 10.0,
                   ColorToDevice(Graph.OutputCmyk));
}

void DrawMapCharOutline(int32_t x, int32_t y, int angle, int width, uint32_t code)
{
    MapFontState& m = MapFont;
    CharOutlinePath(x, y, angle, code);
    std::vector<Cord>& outline = m.CharOutlineTurned;
    const int n = int(outline.size());
    if (n < 3)
        return;
    OrientAreaRings(outline.data(), n);
    GraphFillArea(outline.data(), n, false);
    // Each ring closed with its first segment repeated, then stroked in pieces that break at
    // sharp turns, so that mitres make no spikes there.
    int start = 0;
    while (start < n) {
        const int end = RingEnd(outline.data(), n, start);
        std::vector<Cord>& ring = m.FrameRing;
        ring.assign(outline.begin() + start, outline.begin() + end);
        for (Cord& c : ring)
            c.y &= ~HoleFlag;
        start = end;
        if (ring.size() < 2)
            continue;
        if (!CordsEqual(ring.front(), ring.back()))
            ring.push_back(ring.front());
        ring.push_back(ring[1]);
        if ((ring[1].x & FirstBezierFlag) && ring.size() >= 5) {
            ring.push_back(ring[2]);
            ring.push_back(ring[3]);
        }
        size_t from = 0;
        for (size_t k = 1; k + 1 < ring.size(); ++k) {
            if (IsControlPoint(ring[k]))
                continue;
            const Cord p = ring[k - 1], c = ring[k], q = ring[k + 1];
            if (DotProduct(p, c, c, q) < 0 && CrossProduct(p, c, c, q) > 0) {
                StrokePiece(ring, from, k, width);
                from = k;
            }
        }
        StrokePiece(ring, from, ring.size() - 1, width);
    }
}

void ResetFontCache()
{
    MapFont.DeviceFontValid = false;
    MapFont.DeviceFont = QRawFont();
    MapFont.TextColorValid = false;
}

void ReleaseMeasuringContext() { MapFont.MeasuringReady = false; }

} // namespace zemo
