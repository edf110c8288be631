#include "io/ImpEmf.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Element.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "io/ImpWmf.h"
#include "io/Import.h"
#include "io/MetafileStates.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <vector>

namespace zemo {

namespace {

// The header record:
// | offset | size | meaning                                         |
// |--------|------|-------------------------------------------------|
// | 0      | 4    | record type, 1                                  |
// | 4      | 4    | record size in bytes                            |
// | 8      | 16   | bounds left, top, right, bottom (device pixels) |
// | 24     | 16   | frame (0.01 mm)                                 |
// | 40     | 4    | signature " EMF"                                |
// | 44     | 12   | version, file size, record count                |
// | 56     | 16   | handles, reserved, description, palette size    |
// | 72     | 8    | device size in pixels, x and y                  |
// | 80     | 8    | device size in millimetres, x and y             |
constexpr qsizetype HeaderBytes = 88;
constexpr qsizetype HdrType = 0, HdrSize = 4, HdrBounds = 8, HdrDevicePixels = 72, HdrDeviceMm = 80;

// Every record: type (4), size in bytes (4), then its parameters.
constexpr qsizetype RecordHeadBytes = 8;
// Polygons, polylines and Bezier runs: bounds (16), point count (4), the points.
constexpr qsizetype PolyCount = 24, PolyPoints = 28;
// Poly-polygons and poly-polylines: bounds (16), polygon count (4), total point count (4),
// the counts, the points.
constexpr qsizetype PolysCount = 24, PolysTotal = 28, PolysCounts = 32;
// Wide text: bounds (16), graphics mode, x and y scale (12), reference point (8), character
// count (4), string offset from the record's start (4), options, rectangle, spacing offset.
constexpr qsizetype TextReference = 36, TextChars = 44, TextOffset = 48;
// Pens and brushes: the table index (4), then the style (4). An extended pen has four words
// of its bitmap's place before the style.
constexpr qsizetype CreateIndex = 8, CreateStyle = 12, ExtPenStyle = 28;
// The world transform: six 32-bit floats m11, m12, m21, m22, dx, dy, and for the modifying
// record the mode.
constexpr qsizetype XformBytes = 24, XformMode = 32;

enum EmfRecord : uint32_t {
    EmfHeader = 1,
    EmfPolyBezier = 2,
    EmfPolygon = 3,
    EmfPolyline = 4,
    EmfPolyBezierTo = 5,
    EmfPolylineTo = 6,
    EmfPolyPolyline = 7,
    EmfPolyPolygon = 8,
    EmfSetWindowExt = 9,
    EmfSetWindowOrg = 10,
    EmfSetViewportExt = 11,
    EmfSetViewportOrg = 12,
    EmfEof = 14,
    EmfSetMapMode = 17,
    EmfMoveTo = 27,
    EmfScaleViewportExt = 31,
    EmfScaleWindowExt = 32,
    EmfSaveDc = 33,
    EmfRestoreDc = 34,
    EmfSetWorldTransform = 35,
    EmfModifyWorldTransform = 36,
    EmfSelectObject = 37,
    EmfCreatePen = 38,
    EmfCreateBrush = 39,
    EmfDeleteObject = 40,
    EmfLineTo = 54,
    EmfBeginPath = 59,
    EmfEndPath = 60,
    EmfCloseFigure = 61,
    EmfFillPath = 62,
    EmfStrokeAndFillPath = 63,
    EmfStrokePath = 64,
    EmfSelectClipPath = 67,
    EmfAbortPath = 68,
    EmfFirstBitmap = 77,
    EmfLastBitmap = 81,
    EmfEllipse = 42,
    EmfRectangle = 43,
    EmfRoundRect = 44,
    EmfExtTextOutA = 83,
    EmfExtTextOutW = 84,
    EmfPolyBezier16 = 85,
    EmfPolygon16 = 86,
    EmfPolyline16 = 87,
    EmfPolyBezierTo16 = 88,
    EmfPolylineTo16 = 89,
    EmfPolyPolyline16 = 90,
    EmfPolyPolygon16 = 91,
    EmfCreateMonoBrush = 93,
    EmfCreateDibBrush = 94,
    EmfExtCreatePen = 95,
};
// Drawings this reader leaves out, named in the report by their record's name.
constexpr std::array<std::pair<uint32_t, const char*>, 17> EmfOtherDrawings = {{
    {15, "SETPIXELV"}, {41, "ANGLEARC"}, {45, "ARC"}, {46, "CHORD"}, {47, "PIE"}, {53, "EXTFLOODFILL"},
    {55, "ARCTO"}, {56, "POLYDRAW"}, {71, "FILLRGN"}, {72, "FRAMERGN"}, {73, "INVERTRGN"}, {74, "PAINTRGN"},
    {92, "POLYDRAW16"}, {96, "POLYTEXTOUTA"}, {97, "POLYTEXTOUTW"}, {108, "SMALLTEXTOUT"}, {118, "GRADIENTFILL"},
}};
constexpr int MapModeText = 1, MapModeLoMetric = 2, MapModeHiMetric = 3, MapModeLoEnglish = 4,
              MapModeHiEnglish = 5, MapModeTwips = 6, MapModeIsotropic = 7;
constexpr double ScreenInch = 96;
constexpr uint32_t StockObject = 0x80000000u, StockNullBrush = 5, StockNullPen = 8, StockLastBrush = 5,
                   StockFirstPen = 6, StockLastPen = 8, StockDcBrush = 18, StockDcPen = 19;
constexpr uint32_t PenStyleNull = 5, PenStyleMask = 0xF, BrushStyleNull = 1;

// One figure of a path, or the pen's stroke outside one.
struct Figure {
    std::vector<MetafilePoint> pts;
    bool closed = false;
};

class EmfReader {
public:
    explicit EmfReader(const QByteArray& d) : Data(d) {}

    MetafileObjects Out{"EMF "};
    double UpiX = 0, UpiY = 0;

    // What SaveDC keeps and RestoreDC brings back: the mapping, the world transform, the pen
    // and brush, the current position.
    struct State {
        int MapMode = MapModeText;
        double WinX = 0, WinY = 0, ViewX = 0, ViewY = 0;
        // Window origin in logical units, viewport origin in device pixels.
        double WinOrgX = 0, WinOrgY = 0, ViewOrgX = 0, ViewOrgY = 0;
        // A viewport set to 96 by 96 pixels is the logical inch of a screen: a drawing mapped
        // onto it gives its window extent per inch, whatever resolution the header's reference
        // device has (a writer whose reference device is not a screen still drew for one).
        bool LogicalInch = false;
        // m11, m12, m21, m22, dx, dy.
        std::array<double, 6> World{1, 0, 0, 1, 0, 0};
        bool NullPen = false, NullBrush = false;
        double CurX = 0, CurY = 0;
    };
    State S;

    void Recompute()
    {
        const bool extents = S.MapMode >= MapModeIsotropic || S.MapMode < MapModeText;
        const double ux = extents && S.LogicalInch ? ScreenInch : UpiX;
        const double uy = extents && S.LogicalInch ? ScreenInch : UpiY;
        // Fixed modes: logical units of a set size, y upward.
        static constexpr std::array<double, 7> fixed{0, 0, 10, 1, 25.4, 2.54, 2540.0 / 1440};
        if (S.MapMode == MapModeText) {
            Out.Sx = 2540 / UpiX;
            Out.Sy = -2540 / UpiY;
        } else if (S.MapMode >= MapModeLoMetric && S.MapMode <= MapModeTwips) {
            Out.Sx = Out.Sy = fixed[size_t(S.MapMode)];
        } else if (S.WinX != 0 && S.WinY != 0) {
            Out.Sx = 2540 / ux * S.ViewX / S.WinX;
            Out.Sy = -2540 / uy * S.ViewY / S.WinY;
            // Units as wide as they are high: the smaller scale in both directions.
            if (S.MapMode == MapModeIsotropic) {
                const double m = std::min(std::fabs(Out.Sx), std::fabs(Out.Sy));
                Out.Sx = std::copysign(m, Out.Sx);
                Out.Sy = std::copysign(m, Out.Sy);
            }
        }
        // A device pixel in logical units, for the viewport origin.
        OrgX = Out.Sx != 0 ? 2540 / ux / Out.Sx : 0;
        OrgY = Out.Sy != 0 ? -2540 / uy / Out.Sy : 0;
    }

    // Reads up to the end record. Data that stops before it, even between two records, or a
    // record that cannot be whole leaves the rest unread: the file is cut (Esc is no cut).
    void Run(qsizetype pos)
    {
        bool ended = false;
        while (!ended && pos + RecordHeadBytes <= Data.size()) {
            const uint32_t type = Dword(pos);
            const uint32_t size = Dword(pos + 4);
            if (type == EmfEof) {
                ended = true;
                break;
            }
            // A record under 8 bytes, of a size not a multiple of 4 or running past the end
            // ends the reading.
            if (size < RecordHeadBytes || size % 4 != 0 || int64_t(size) > Data.size() - pos)
                break;
            if (!Continues(type))
                EndStroke();
            Record(type, pos, qsizetype(size));
            pos += qsizetype(size);
            ended = MetafileObjects::Stopped();
        }
        Out.Report.Cut = !ended;
        EndStroke();
    }

    uint32_t Dword(qsizetype at) const { return LoadLE<uint32_t>(Bytes(at)); }
    int32_t Int(qsizetype at) const { return LoadLE<int32_t>(Bytes(at)); }

private:
    const QByteArray& Data;
    // Pens and brushes by table index: true for the null ones.
    QHash<uint32_t, std::pair<bool, bool>> Table;
    double OrgX = 1, OrgY = 1;
    MetafileStates<State> Saved;
    bool InPath = false;
    std::vector<Figure> Path;
    // The pen's stroke of line and curve records outside a path.
    Figure Stroke;
    double StartX = 0, StartY = 0;

    const uint8_t* Bytes(qsizetype at) const { return reinterpret_cast<const uint8_t*>(Data.constData() + at); }
    float Float(qsizetype at) const { return std::bit_cast<float>(Dword(at)); }

    static bool Continues(uint32_t type)
    {
        return type == EmfLineTo || type == EmfPolylineTo || type == EmfPolylineTo16 || type == EmfPolyBezierTo
            || type == EmfPolyBezierTo16;
    }

    bool Convert(double x, double y, MetafilePoint& c, int32_t fx = 0) const
    {
        // World to page, then page to device by the origins (the extents are in Out's scale).
        const auto& m = S.World;
        if (!Out.Convert(x * m[0] + y * m[2] + m[4] - S.WinOrgX + S.ViewOrgX * OrgX,
                         x * m[1] + y * m[3] + m[5] - S.WinOrgY + S.ViewOrgY * OrgY, c))
            return false;
        c.fx = fx;
        return true;
    }

    // Point k of a run at `at`, 32-bit or 16-bit.
    std::pair<double, double> Logical(qsizetype at, int64_t k, bool wide) const
    {
        if (wide)
            return {Int(at + k * 8), Int(at + k * 8 + 4)};
        return {LoadLE<int16_t>(Bytes(at + k * 4)), LoadLE<int16_t>(Bytes(at + k * 4 + 2))};
    }

    // The point count of a run record, or -1 (counted as damaged) when the points do not fit.
    int64_t RunCount(qsizetype p, qsizetype size, bool wide, int64_t least)
    {
        const int64_t n = size < PolyPoints ? -1 : int64_t(Dword(p + PolyCount));
        if (n < least || PolyPoints + n * (wide ? 8 : 4) > size) {
            Out.Report.Skip(TextKey::DamagedRecords);
            return -1;
        }
        return n;
    }

    // The figure that line and curve records add to.
    Figure& Current()
    {
        if (!InPath)
            return Stroke;
        if (Path.empty() || Path.back().closed)
            Path.push_back({});
        return Path.back();
    }

    void Start(Figure& f)
    {
        if (f.pts.empty()) {
            StartX = S.CurX;
            StartY = S.CurY;
            MetafilePoint c;
            if (Convert(S.CurX, S.CurY, c))
                f.pts.push_back(c);
        }
    }

    void EndStroke()
    {
        if (Stroke.pts.size() >= 2 && !S.NullPen)
            Out.Add(LineObject, std::move(Stroke.pts));
        Stroke = {};
    }

    void MoveTo(double x, double y)
    {
        S.CurX = x;
        S.CurY = y;
        if (InPath)
            Path.push_back({});
    }

    // Points of a run (k from `first`), each with its flag, at the end of the current figure;
    // Bezier runs flag their control points.
    void Extend(qsizetype at, int64_t first, int64_t n, bool wide, bool bezier)
    {
        Figure& f = Current();
        Start(f);
        for (int64_t k = first; k < n; ++k) {
            const auto [x, y] = Logical(at, k, wide);
            const int64_t j = k - first;
            const int32_t flag = !bezier ? 0 : j % 3 == 0 ? FirstBezierFlag : j % 3 == 1 ? SecondBezierFlag : 0;
            MetafilePoint c;
            if (Convert(x, y, c, flag))
                f.pts.push_back(c);
            S.CurX = x;
            S.CurY = y;
        }
    }

    void Poly(uint8_t type, qsizetype p, qsizetype size, bool wide)
    {
        const int64_t n = RunCount(p, size, wide, 2);
        if (n < 0)
            return;
        Figure f;
        for (int64_t k = 0; k < n; ++k) {
            const auto [x, y] = Logical(p + PolyPoints, k, wide);
            MetafilePoint c;
            if (!Convert(x, y, c))
                return;
            f.pts.push_back(c);
        }
        f.closed = type == AreaObject;
        // Inside a path the points make a figure of it.
        if (InPath) {
            Path.push_back(std::move(f));
            return;
        }
        std::vector<Figure> figures{std::move(f)};
        Draw(figures, type == AreaObject && !S.NullBrush, true);
    }

    // A Bezier run from its own first point: a line, or a figure of the path.
    void PolyBezier(qsizetype p, qsizetype size, bool wide)
    {
        const int64_t n = RunCount(p, size, wide, 4);
        if (n < 0)
            return;
        EndStroke();
        const auto [x, y] = Logical(p + PolyPoints, 0, wide);
        MoveTo(x, y);
        Extend(p + PolyPoints, 1, n, wide, true);
        EndStroke();
    }

    void PolyTo(qsizetype p, qsizetype size, bool wide, bool bezier)
    {
        const int64_t n = RunCount(p, size, wide, 1);
        if (n >= 0)
            Extend(p + PolyPoints, 0, n, wide, bezier);
    }

    // The counts of a poly-polygon or poly-polyline, or empty (counted as damaged).
    std::vector<int64_t> Counts(qsizetype p, qsizetype size, bool wide, int64_t least)
    {
        if (size < PolysCounts) {
            Out.Report.Skip(TextKey::DamagedRecords);
            return {};
        }
        const int64_t polys = Dword(p + PolysCount), total = Dword(p + PolysTotal);
        const qsizetype points = PolysCounts + polys * 4;
        std::vector<int64_t> counts;
        if (polys >= 1 && total >= least && points + total * (wide ? 8 : 4) <= size) {
            int64_t sum = 0;
            for (int64_t k = 0; k < polys; ++k)
                sum += counts.emplace_back(Dword(p + PolysCounts + k * 4));
            if (sum == total)
                return counts;
        }
        Out.Report.Skip(TextKey::DamagedRecords);
        return {};
    }

    // One area; the first point of every polygon after the first starts a hole. Poly-
    // polylines give a line each.
    void PolyPoly(uint8_t type, qsizetype p, qsizetype size, bool wide)
    {
        const std::vector<int64_t> counts = Counts(p, size, wide, type == AreaObject ? 3 : 2);
        if (counts.empty())
            return;
        const qsizetype at = p + PolysCounts + qsizetype(counts.size()) * 4;
        std::vector<Figure> figures;
        for (int64_t k = 0, i = 0; k < int64_t(counts.size()); ++k) {
            Figure& f = figures.emplace_back();
            f.closed = type == AreaObject;
            for (int64_t j = 0; j < counts[size_t(k)]; ++j, ++i) {
                const auto [x, y] = Logical(at, i, wide);
                MetafilePoint c;
                if (!Convert(x, y, c))
                    return;
                f.pts.push_back(c);
            }
        }
        if (InPath)
            std::move(figures.begin(), figures.end(), std::back_inserter(Path));
        else
            Draw(figures, type == AreaObject && !S.NullBrush, true);
    }

    // Rectangles, rounded ones and ellipses: a closed figure in the box at +8 (left, top,
    // right, bottom), the corners' width and height at +24.
    void Box(uint32_t type, qsizetype p, qsizetype size)
    {
        if (size < (type == EmfRoundRect ? 32 : 24)) {
            Out.Report.Skip(TextKey::DamagedRecords);
            return;
        }
        const double rx = type == EmfEllipse ? -1 : type == EmfRoundRect ? Int(p + 24) / 2.0 : 0;
        const double ry = type == EmfEllipse ? -1 : type == EmfRoundRect ? Int(p + 28) / 2.0 : 0;
        Figure f;
        f.closed = true;
        for (const BoxPoint& b : BoxOutline(Int(p + 8), Int(p + 12), Int(p + 16), Int(p + 20), rx, ry)) {
            MetafilePoint c;
            if (!Convert(b.x, b.y, c, b.flag))
                return;
            f.pts.push_back(c);
        }
        if (InPath) {
            Path.push_back(std::move(f));
            return;
        }
        std::vector<Figure> figures{std::move(f)};
        Draw(figures, !S.NullBrush, true);
    }

    // Figures filled as one area (the later ones its holes) and/or stroked as lines, as the
    // pen and brush show them; a fill of no area draws nothing.
    void Draw(std::vector<Figure>& figures, bool fill, bool stroke)
    {
        if (fill && !(S.NullBrush && S.NullPen)) {
            std::vector<MetafilePoint> area;
            for (Figure& f : figures) {
                if (f.pts.size() < 3)
                    continue;
                if (!area.empty())
                    f.pts.front().fy |= HoleFlag;
                area.insert(area.end(), f.pts.begin(), f.pts.end());
            }
            if (!area.empty())
                Out.Add(AreaObject, std::move(area));
            return;
        }
        if (!stroke || S.NullPen)
            return;
        for (Figure& f : figures) {
            if (f.closed)
                f.pts = ClosedOutline(std::move(f.pts));
            if (f.pts.size() >= 2)
                Out.Add(LineObject, std::move(f.pts));
        }
    }

    void EndPath(uint32_t type)
    {
        InPath = false;
        std::vector<Figure> figures = std::move(Path);
        Path.clear();
        if (type == EmfFillPath)
            Draw(figures, !S.NullBrush, false);
        else if (type == EmfStrokePath)
            Draw(figures, false, true);
        else
            Draw(figures, !S.NullBrush, true);
    }

    // Wide texts are UTF-16; 8-bit ones are in the writer's code page, taken as 1252.
    void Text(qsizetype p, qsizetype size, bool wide)
    {
        if (size < TextOffset + 4) {
            Out.Report.Skip(TextKey::DamagedRecords);
            return;
        }
        const int64_t chars = Dword(p + TextChars);
        const int64_t at = Dword(p + TextOffset) / 4 * 4;
        if (chars <= 0 || at + chars * (wide ? 2 : 1) > size) {
            Out.Report.Skip(TextKey::DamagedRecords);
            return;
        }
        QByteArray text;
        if (wide) {
            QString w;
            w.reserve(qsizetype(chars));
            for (int64_t k = 0; k < chars; ++k)
                w += QChar(LoadLE<uint16_t>(Bytes(p + at + k * 2)));
            text = EncodeCodePage(1252, w);
        } else {
            text = Data.mid(p + at, qsizetype(chars));
        }
        const qsizetype nul = text.indexOf('\0');
        if (nul >= 0)
            text.truncate(nul);
        text = text.left(MaxEmfTextBytes);
        MetafilePoint c;
        if (text.isEmpty() || !Convert(Int(p + TextReference), Int(p + TextReference + 4), c))
            return;
        Out.Add(TextObject, {c, c, c, c, c}, text);
    }

    void Restore(int32_t level)
    {
        if (Saved.Restore(level, S))
            Recompute();
    }

    // Extents scaled by x and y fractions (numerator, denominator each).
    void ScaleExtent(qsizetype p, qsizetype size, double& x, double& y)
    {
        if (size < 24 || Int(p + 12) == 0 || Int(p + 20) == 0)
            return;
        const double nx = x * Int(p + 8) / Int(p + 12), ny = y * Int(p + 16) / Int(p + 20);
        if (nx == 0 || ny == 0)
            return;
        x = nx;
        y = ny;
        Recompute();
    }

    void Extent(qsizetype p, qsizetype size, double& x, double& y)
    {
        // A zero would divide the scale by zero.
        if (size < 16 || Int(p + 8) == 0 || Int(p + 12) == 0)
            return;
        x = Int(p + 8);
        y = Int(p + 12);
        Recompute();
    }

    // Sets, or multiplies into, the world transform; a transform of no area or not finite
    // is passed over.
    void Transform(qsizetype p, qsizetype size, bool modify)
    {
        if (size < 8 + XformBytes + (modify ? 4 : 0))
            return;
        std::array<double, 6> t;
        for (size_t k = 0; k < 6; ++k)
            t[k] = Float(p + 8 + qsizetype(k) * 4);
        const uint32_t mode = modify ? Dword(p + XformMode) : 4;
        const auto& w = S.World;
        if (mode == 1) {
            S.World = {1, 0, 0, 1, 0, 0};
            return;
        }
        std::array<double, 6> r;
        if (mode == 2) // t before the world transform
            r = {t[0] * w[0] + t[1] * w[2], t[0] * w[1] + t[1] * w[3], t[2] * w[0] + t[3] * w[2],
                 t[2] * w[1] + t[3] * w[3], t[4] * w[0] + t[5] * w[2] + w[4], t[4] * w[1] + t[5] * w[3] + w[5]};
        else if (mode == 3) // t after it
            r = {w[0] * t[0] + w[1] * t[2], w[0] * t[1] + w[1] * t[3], w[2] * t[0] + w[3] * t[2],
                 w[2] * t[1] + w[3] * t[3], w[4] * t[0] + w[5] * t[2] + t[4], w[4] * t[1] + w[5] * t[3] + t[5]};
        else if (mode == 4)
            r = t;
        else
            return;
        if (std::all_of(r.begin(), r.end(), [](double v) { return std::isfinite(v); }) && r[0] * r[3] - r[1] * r[2] != 0)
            S.World = r;
    }

    void Select(uint32_t k)
    {
        ++Out.Styles;
        if (k & StockObject) {
            const uint32_t stock = k & ~StockObject;
            // The device context's own pen and brush draw in the colour it is given.
            if (stock <= StockLastBrush || stock == StockDcBrush)
                S.NullBrush = stock == StockNullBrush;
            else if ((stock >= StockFirstPen && stock <= StockLastPen) || stock == StockDcPen)
                S.NullPen = stock == StockNullPen;
            return;
        }
        const auto it = Table.constFind(k);
        if (it == Table.cend())
            return;
        if (it->first)
            S.NullPen = it->second;
        else
            S.NullBrush = it->second;
    }

    void Record(uint32_t type, qsizetype p, qsizetype size)
    {
        switch (type) {
        case EmfPolygon: Poly(AreaObject, p, size, true); break;
        case EmfPolygon16: Poly(AreaObject, p, size, false); break;
        case EmfPolyline: Poly(LineObject, p, size, true); break;
        case EmfPolyline16: Poly(LineObject, p, size, false); break;
        case EmfPolyPolygon: PolyPoly(AreaObject, p, size, true); break;
        case EmfPolyPolygon16: PolyPoly(AreaObject, p, size, false); break;
        case EmfPolyPolyline: PolyPoly(LineObject, p, size, true); break;
        case EmfPolyPolyline16: PolyPoly(LineObject, p, size, false); break;
        case EmfPolyBezier: PolyBezier(p, size, true); break;
        case EmfPolyBezier16: PolyBezier(p, size, false); break;
        case EmfPolyBezierTo: PolyTo(p, size, true, true); break;
        case EmfPolyBezierTo16: PolyTo(p, size, false, true); break;
        case EmfPolylineTo: PolyTo(p, size, true, false); break;
        case EmfPolylineTo16: PolyTo(p, size, false, false); break;
        case EmfMoveTo:
            if (size >= 16)
                MoveTo(Int(p + 8), Int(p + 12));
            break;
        case EmfLineTo:
            if (size >= 16) {
                Figure& f = Current();
                Start(f);
                S.CurX = Int(p + 8);
                S.CurY = Int(p + 12);
                MetafilePoint c;
                if (Convert(S.CurX, S.CurY, c))
                    f.pts.push_back(c);
            }
            break;
        case EmfBeginPath:
            InPath = true;
            Path.clear();
            break;
        case EmfCloseFigure:
            if (InPath && !Path.empty() && !Path.back().closed) {
                Path.back().closed = true;
                // The next line starts where the figure began.
                Path.push_back({});
                S.CurX = StartX;
                S.CurY = StartY;
            }
            break;
        case EmfEndPath: InPath = false; break;
        case EmfAbortPath:
        case EmfSelectClipPath:
            InPath = false;
            Path.clear();
            break;
        case EmfFillPath:
        case EmfStrokePath:
        case EmfStrokeAndFillPath: EndPath(type); break;
        case EmfSetWindowExt: Extent(p, size, S.WinX, S.WinY); break;
        case EmfSetWindowOrg:
            if (size >= 16) {
                S.WinOrgX = Int(p + 8);
                S.WinOrgY = Int(p + 12);
            }
            break;
        case EmfSetViewportOrg:
            if (size >= 16) {
                S.ViewOrgX = Int(p + 8);
                S.ViewOrgY = Int(p + 12);
            }
            break;
        case EmfScaleWindowExt: ScaleExtent(p, size, S.WinX, S.WinY); break;
        case EmfScaleViewportExt: ScaleExtent(p, size, S.ViewX, S.ViewY); break;
        case EmfSaveDc:
            Saved.Save(S);
            break;
        case EmfRestoreDc:
            if (size >= 12)
                Restore(Int(p + 8));
            break;
        case EmfSetViewportExt:
            S.LogicalInch = size >= 16 && Int(p + 8) == ScreenInch && Int(p + 12) == ScreenInch;
            Extent(p, size, S.ViewX, S.ViewY);
            break;
        case EmfSetMapMode:
            if (size >= 12) {
                S.MapMode = Int(p + 8);
                Recompute();
            }
            break;
        case EmfSetWorldTransform: Transform(p, size, false); break;
        case EmfModifyWorldTransform: Transform(p, size, true); break;
        case EmfSelectObject:
            if (size >= 12)
                Select(Dword(p + 8));
            break;
        case EmfCreatePen:
            if (size >= 16)
                Table.insert(Dword(p + CreateIndex), {true, (Dword(p + CreateStyle) & PenStyleMask) == PenStyleNull});
            break;
        case EmfExtCreatePen:
            if (size >= ExtPenStyle + 4)
                Table.insert(Dword(p + CreateIndex), {true, (Dword(p + ExtPenStyle) & PenStyleMask) == PenStyleNull});
            break;
        case EmfCreateBrush:
            if (size >= 16)
                Table.insert(Dword(p + CreateIndex), {false, Dword(p + CreateStyle) == BrushStyleNull});
            break;
        case EmfCreateMonoBrush:
        case EmfCreateDibBrush:
            if (size >= 12)
                Table.insert(Dword(p + CreateIndex), {false, false});
            break;
        case EmfDeleteObject:
            if (size >= 12)
                Table.remove(Dword(p + CreateIndex));
            break;
        case EmfExtTextOutW: Text(p, size, true); break;
        case EmfExtTextOutA: Text(p, size, false); break;
        case EmfRectangle:
        case EmfEllipse:
        case EmfRoundRect: Box(type, p, size); break;
        default:
            if (type >= EmfFirstBitmap && type <= EmfLastBitmap) {
                Out.Report.Skip(TextKey::BitmapRecords);
            } else if (const auto* o = std::find_if(EmfOtherDrawings.begin(), EmfOtherDrawings.end(),
                                                    [type](const auto& d) { return d.first == type; });
                       o != EmfOtherDrawings.end()) {
                Out.Report.Skip(TextKey::UnreadDrawingRecords, 1, QString::fromLatin1(o->second));
            }
            break;
        }
    }
};

} // namespace

bool IsEmfFile(const QString& name, const QByteArray& head)
{
    return QFileInfo(name).suffix().toLower() == QStringLiteral("emf") && head.size() >= EmfSignatureAt + 4
        && LoadLE<uint32_t>(reinterpret_cast<const uint8_t*>(head.constData() + EmfSignatureAt)) == EmfSignature;
}

bool ImportEmfHandle(const QByteArray& data, int* count, const QString& source)
{
    if (count)
        *count = 0;
    if (!Index.ActiveZmd)
        return false;
    EmfReader r(data);
    const auto refuse = [] {
        ErrorMsg(TextKey::CannotOpenEmf, {}, 0);
        return false;
    };
    if (data.size() < HeaderBytes || r.Dword(HdrType) != EmfHeader
        || r.Dword(EmfSignatureAt) != EmfSignature)
        return refuse();
    const uint32_t headerSize = r.Dword(HdrSize);
    if (headerSize < HeaderBytes || headerSize % 4 != 0 || headerSize > uint32_t(data.size()))
        return refuse();
    // A device of no size has no resolution.
    const int32_t px = r.Int(HdrDevicePixels), py = r.Int(HdrDevicePixels + 4);
    const int32_t mmx = r.Int(HdrDeviceMm), mmy = r.Int(HdrDeviceMm + 4);
    if (px <= 0 || py <= 0 || mmx <= 0 || mmy <= 0)
        return refuse();
    r.UpiX = std::nearbyint(double(px) / mmx * 25.4);
    r.UpiY = std::nearbyint(double(py) / mmy * 25.4);
    if (r.UpiX == 0 || r.UpiY == 0)
        return refuse();
    r.S.WinX = r.S.ViewX = double(r.Int(HdrBounds + 8)) - r.Int(HdrBounds);
    r.S.WinY = r.S.ViewY = double(r.Int(HdrBounds + 12)) - r.Int(HdrBounds + 4);
    ConvertMetafile(r.Out, data.size(), source, [&] {
        r.Recompute();
        r.Run(qsizetype(headerSize));
    });
    if (count)
        *count = r.Out.Report.ReadCount();
    return true;
}

void InitImpEmfUnit()
{
    RegisterImporter(ImportSlot::Emf, {[](const QString& name, TFileClass& f) {
                                           std::array<char, EmfSignatureAt + 4> head{};
                                           if (!f.Seek(0))
                                               return false;
                                           const int64_t got = f.ReadBlock(head.data(), int64_t(head.size()));
                                           return IsEmfFile(name, QByteArray(head.data(), qsizetype(got)));
                                       },
                                       [](const QString& name, TFileClass& f) {
                                           QByteArray data(qsizetype(f.Size()), '\0');
                                           if (!f.Seek(0) || !f.Read(data.data(), data.size()))
                                               return;
                                           ImportEmfHandle(data, nullptr, name);
                                       }});
}

} // namespace zemo
