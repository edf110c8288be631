#include "io/ImpWmf.h"

#include "core/ByteIO.h"
#include "core/Element.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "io/Import.h"
#include "io/MetafileStates.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <queue>
#include <vector>

namespace zemo {

namespace {

constexpr int PlaceableBytes = 22;
constexpr int StandardHeaderBytes = 18;

enum WmfRecord : uint16_t {
    WmfEof = 0,
    WmfSaveDc = 30,
    WmfSetMapMode = 259,
    WmfRestoreDc = 295,
    WmfSelectObject = 301,
    WmfDeleteObject = 496,
    WmfSetWindowOrg = 523,
    WmfSetWindowExt = 524,
    WmfSetViewportOrg = 525,
    WmfSetViewportExt = 526,
    WmfOffsetWindowOrg = 527,
    WmfOffsetViewportOrg = 529,
    WmfScaleWindowExt = 1040,
    WmfScaleViewportExt = 1042,
    WmfLineTo = 531,
    WmfMoveTo = 532,
    WmfPolygon = 804,
    WmfPolyline = 805,
    WmfExcludeClipRect = 1045,
    WmfEllipse = 1048,
    WmfRectangle = 1051,
    WmfRoundRect = 1564,
    WmfTextOut = 1313,
    WmfPolyPolygon = 1336,
    WmfExtTextOut = 2610,
    // Records that make an object in the table (pens and brushes among them).
    WmfCreatePalette = 247,
    WmfDibCreatePatternBrush = 322,
    WmfCreatePatternBrush = 505,
    WmfCreatePen = 762,
    WmfCreateFont = 763,
    WmfCreateBrush = 764,
    WmfCreateRegion = 1791,
};
constexpr std::array<uint16_t, 5> WmfBitmapRecords = {2338, 2368, 2851, 2881, 3907};
// Drawings this reader leaves out, named in the report by their record's name.
constexpr std::array<std::pair<uint16_t, const char*>, 7> WmfOtherDrawings = {{{2071, "ARC"}, {2074, "PIE"},
    {2096, "CHORD"}, {1049, "FLOODFILL"}, {1352, "EXTFLOODFILL"}, {1055, "SETPIXEL"}, {1065, "PATBLT"}}};
constexpr uint16_t EtoOpaque = 2, EtoClipped = 4;
constexpr int PenStyleNull = 5, BrushStyleNull = 1;

class WmfReader {
public:
    explicit WmfReader(const QByteArray& d) : Data(d) {}

    MetafileObjects Out{"WMF "};
    double Upi = 200;

    // What SaveDC keeps and RestoreDC brings back: the mapping, the pen and the brush.
    struct State {
        int MapMode = 1;
        double WinX = 1000, WinY = 1000, ViewX = 1000, ViewY = 1000;
        // Window origin in logical units, viewport origin in device units.
        double WinOrgX = 0, WinOrgY = 0, ViewOrgX = 0, ViewOrgY = 0;
        bool NullPen = false, NullBrush = false;
    };
    State S;

    // Logical units to 0.01 mm; where the drawing lands is decided when it is whole.
    void Recompute()
    {
        double unit = Upi;
        if (S.MapMode == 1) {
            unit = 72;
            Out.Sx = 2540.0 / 72;
            Out.Sy = -2540.0 / 72;
        } else if (S.WinX != 0 && S.WinY != 0 && Upi != 0) {
            Out.Sx = 2540 / Upi * S.ViewX / S.WinX;
            Out.Sy = -2540 / Upi * S.ViewY / S.WinY;
        }
        // A device unit in logical units, for the viewport origin.
        OrgX = Out.Sx != 0 && unit != 0 ? 2540 / unit / Out.Sx : 0;
        OrgY = Out.Sy != 0 && unit != 0 ? -2540 / unit / Out.Sy : 0;
    }

    // Reads up to the end record. Data that stops before it, even between two records, or a
    // record that cannot be whole leaves the rest unread: the file is cut (Esc is no cut).
    void Run(qsizetype pos)
    {
        bool ended = false;
        while (!ended && pos + 6 <= Data.size()) {
            const uint32_t words = LoadLE<uint32_t>(Bytes(pos));
            const uint16_t fn = LoadLE<uint16_t>(Bytes(pos + 4));
            if (fn == WmfEof) {
                ended = true;
                break;
            }
            // A record under 3 words or running past the end ends the reading.
            if (words < 3 || int64_t(words) * 2 > Data.size() - pos)
                break;
            if (fn != WmfLineTo)
                EndStroke();
            Record(fn, pos + 6, qsizetype(words) * 2 - 6);
            pos += qsizetype(words) * 2;
            ended = MetafileObjects::Stopped();
        }
        Out.Report.Cut = !ended;
        EndStroke();
    }

private:
    enum class Kind : uint8_t { Other, Pen, Brush };
    struct TableObject {
        Kind kind = Kind::Other;
        bool null = false;
    };
    const QByteArray& Data;
    bool Skip = false;
    // The object table: an object takes the lowest free slot, kept at hand so that a file of
    // many objects is not searched for one at every record.
    std::vector<std::optional<TableObject>> Table;
    std::priority_queue<size_t, std::vector<size_t>, std::greater<>> Free;
    double OrgX = 1, OrgY = 1;
    MetafileStates<State> Saved;
    // The pen's stroke drawn by move-to and line-to records.
    std::vector<MetafilePoint> Stroke;
    MetafilePoint At{};

    // A logical point through the origins (the extents are in Out's scale).
    bool Convert(double x, double y, MetafilePoint& c) const
    {
        return Out.Convert(x - S.WinOrgX + S.ViewOrgX * OrgX, y - S.WinOrgY + S.ViewOrgY * OrgY, c);
    }

    void Restore(int32_t level)
    {
        if (Saved.Restore(level, S))
            Recompute();
    }

    // Extents scaled by x and y fractions (y denominator, y numerator, x denominator, x
    // numerator).
    void ScaleExtent(qsizetype p, qsizetype len, double& x, double& y)
    {
        if (Word(p, len, 0) == 0 || Word(p, len, 2) == 0)
            return;
        const double nx = x * Word(p, len, 3) / Word(p, len, 2), ny = y * Word(p, len, 1) / Word(p, len, 0);
        if (nx == 0 || ny == 0)
            return;
        x = nx;
        y = ny;
        Recompute();
    }

    const uint8_t* Bytes(qsizetype at) const { return reinterpret_cast<const uint8_t*>(Data.constData() + at); }
    int16_t Word(qsizetype p, qsizetype len, int k) const
    {
        return 2 * k + 2 <= len ? LoadLE<int16_t>(Bytes(p + 2 * k)) : 0;
    }

    void EndStroke()
    {
        if (Stroke.size() >= 2 && !S.NullPen && !Skip)
            Out.Add(LineObject, std::move(Stroke));
        Stroke.clear();
    }

    void Create(Kind kind, bool null)
    {
        if (!Free.empty()) {
            Table[Free.top()] = TableObject{kind, null};
            Free.pop();
        } else if (Table.size() < 65535) {
            // A table past the handles any writer declares is a damaged file, not a drawing.
            Table.push_back(TableObject{kind, null});
        }
    }

    void Select(int k)
    {
        ++Out.Styles;
        if (k < 0 || size_t(k) >= Table.size() || !Table[size_t(k)])
            return;
        const TableObject& o = *Table[size_t(k)];
        if (o.kind == Kind::Pen)
            S.NullPen = o.null;
        else if (o.kind == Kind::Brush)
            S.NullBrush = o.null;
    }

    // Points k.. of a run of x, y words.
    bool Points(qsizetype p, qsizetype len, int first, int n, std::vector<MetafilePoint>& pts, bool hole)
    {
        for (int k = 0; k < n; ++k) {
            MetafilePoint c;
            if (!Convert(Word(p, len, first + 2 * k), Word(p, len, first + 2 * k + 1), c))
                return false;
            if (hole && k == 0)
                c.fy |= HoleFlag;
            pts.push_back(c);
        }
        return true;
    }

    // A polygon as the brush and pen draw it: an area where it is filled, a closed line where
    // only the pen draws its outline, nothing where neither does.
    void Shape(uint8_t type, std::vector<std::vector<MetafilePoint>> rings)
    {
        if (type == AreaObject && !S.NullBrush) {
            std::vector<MetafilePoint> area;
            for (std::vector<MetafilePoint>& r : rings) {
                if (!area.empty() && !r.empty())
                    r.front().fy |= HoleFlag;
                area.insert(area.end(), r.begin(), r.end());
            }
            Out.Add(AreaObject, std::move(area));
            return;
        }
        if (S.NullPen)
            return;
        for (std::vector<MetafilePoint>& r : rings)
            Out.Add(LineObject, type == AreaObject ? ClosedOutline(std::move(r)) : std::move(r));
    }

    void Poly(uint8_t type, qsizetype p, qsizetype len)
    {
        if (Skip)
            return;
        const int n = len < 2 ? 0 : uint16_t(Word(p, len, 0));
        // A count beyond the record skips it.
        if (2 + qsizetype(n) * 4 > len || n < 2) {
            Out.Report.Skip(TextKey::DamagedRecords);
            return;
        }
        std::vector<MetafilePoint> pts;
        if (Points(p, len, 1, n, pts, false))
            Shape(type, {std::move(pts)});
    }

    // One area; the first point of every polygon after the first starts a hole.
    void PolyPolygon(qsizetype p, qsizetype len)
    {
        if (Skip)
            return;
        const int polys = len < 2 ? 0 : uint16_t(Word(p, len, 0));
        int64_t total = 0;
        for (int k = 0; k < polys; ++k)
            total += uint16_t(Word(p, len, 1 + k));
        if (polys < 1 || 2 + 2 * qsizetype(polys) + total * 4 > len || total < 3) {
            Out.Report.Skip(TextKey::DamagedRecords);
            return;
        }
        std::vector<std::vector<MetafilePoint>> rings;
        for (int k = 0, first = 1 + polys; k < polys; ++k) {
            const int n = uint16_t(Word(p, len, 1 + k));
            if (!Points(p, len, first, n, rings.emplace_back(), false))
                return;
            first += 2 * n;
        }
        Shape(AreaObject, std::move(rings));
    }

    void Text(double x, double y, qsizetype at, int count, qsizetype end)
    {
        if (count <= 0 || at + count > end) {
            Out.Report.Skip(TextKey::DamagedRecords);
            return;
        }
        QByteArray text(Data.constData() + at, count);
        const qsizetype nul = text.indexOf('\0');
        if (nul >= 0)
            text.truncate(nul);
        text = text.left(MaxElementTextSlots * 8 - 1);
        MetafilePoint c;
        if (text.isEmpty() || !Convert(x, y, c))
            return;
        Out.Add(TextObject, {c, c, c, c, c}, text);
    }

    void Record(uint16_t fn, qsizetype p, qsizetype len)
    {
        switch (fn) {
        case WmfSetMapMode:
            S.MapMode = Word(p, len, 0);
            Recompute();
            break;
        case WmfSaveDc:
            Saved.Save(S);
            break;
        case WmfRestoreDc:
            Skip = false;
            Restore(Word(p, len, 0));
            break;
        case WmfSetWindowOrg:
            S.WinOrgY = Word(p, len, 0);
            S.WinOrgX = Word(p, len, 1);
            break;
        case WmfSetViewportOrg:
            S.ViewOrgY = Word(p, len, 0);
            S.ViewOrgX = Word(p, len, 1);
            break;
        case WmfOffsetWindowOrg:
            S.WinOrgY += Word(p, len, 0);
            S.WinOrgX += Word(p, len, 1);
            break;
        case WmfOffsetViewportOrg:
            S.ViewOrgY += Word(p, len, 0);
            S.ViewOrgX += Word(p, len, 1);
            break;
        case WmfScaleWindowExt: ScaleExtent(p, len, S.WinX, S.WinY); break;
        case WmfScaleViewportExt: ScaleExtent(p, len, S.ViewX, S.ViewY); break;
        case WmfSelectObject: Select(uint16_t(Word(p, len, 0))); break;
        case WmfDeleteObject:
            if (size_t k = uint16_t(Word(p, len, 0)); k < Table.size() && Table[k]) {
                Table[k].reset();
                Free.push(k);
            }
            break;
        case WmfCreatePen: Create(Kind::Pen, Word(p, len, 0) == PenStyleNull); break;
        case WmfCreateBrush: Create(Kind::Brush, Word(p, len, 0) == BrushStyleNull); break;
        case WmfCreatePatternBrush:
        case WmfDibCreatePatternBrush: Create(Kind::Brush, false); break;
        case WmfCreateFont:
        case WmfCreatePalette:
        case WmfCreateRegion: Create(Kind::Other, false); break;
        case WmfSetWindowExt:
            if (Word(p, len, 0) != 0 && Word(p, len, 1) != 0) {
                S.WinY = Word(p, len, 0);
                S.WinX = Word(p, len, 1);
                Recompute();
            }
            break;
        case WmfSetViewportExt:
            // A zero extent would flatten every point onto the origin.
            if (Word(p, len, 0) != 0 && Word(p, len, 1) != 0) {
                S.ViewY = Word(p, len, 0);
                S.ViewX = Word(p, len, 1);
                Recompute();
            }
            break;
        case WmfMoveTo:
            Convert(Word(p, len, 1), Word(p, len, 0), At);
            break;
        case WmfLineTo: {
            MetafilePoint c;
            if (!Convert(Word(p, len, 1), Word(p, len, 0), c))
                break;
            if (Stroke.empty())
                Stroke.push_back(At);
            Stroke.push_back(c);
            At = c;
            break;
        }
        case WmfPolygon: Poly(AreaObject, p, len); break;
        case WmfPolyline: Poly(LineObject, p, len); break;
        case WmfPolyPolygon: PolyPolygon(p, len); break;
        case WmfExcludeClipRect: Skip = true; break;
        case WmfRectangle:
        case WmfEllipse:
        case WmfRoundRect: {
            // bottom, right, top, left, after the corners' height and width for a round one.
            const int k = fn == WmfRoundRect ? 2 : 0;
            if (Skip)
                break;
            if (len < 2 * (k + 4)) {
                Out.Report.Skip(TextKey::DamagedRecords);
                break;
            }
            const double rx = fn == WmfEllipse ? -1 : k ? Word(p, len, 1) / 2.0 : 0;
            const double ry = fn == WmfEllipse ? -1 : k ? Word(p, len, 0) / 2.0 : 0;
            std::vector<MetafilePoint> ring;
            for (const BoxPoint& b : BoxOutline(Word(p, len, k + 3), Word(p, len, k + 2), Word(p, len, k + 1),
                                                Word(p, len, k), rx, ry)) {
                MetafilePoint c;
                if (!Convert(b.x, b.y, c))
                    return;
                c.fx = b.flag;
                ring.push_back(c);
            }
            Shape(AreaObject, {std::move(ring)});
            break;
        }
        case WmfTextOut: {
            // The position follows the string (padded to whole words).
            const int n = Word(p, len, 0);
            const qsizetype padded = (qsizetype(n) + 1) / 2 * 2;
            if (n <= 0 || 2 + padded + 4 > len) {
                Out.Report.Skip(TextKey::DamagedRecords);
                return;
            }
            Text(Word(p, len, int(1 + padded / 2 + 1)), Word(p, len, int(1 + padded / 2)), p + 2, n, p + len);
            break;
        }
        case WmfExtTextOut: {
            const int n = Word(p, len, 2);
            const uint16_t options = uint16_t(Word(p, len, 3));
            const qsizetype at = p + 8 + ((options & (EtoOpaque | EtoClipped)) ? 8 : 0);
            if (len < 8) {
                Out.Report.Skip(TextKey::DamagedRecords);
                return;
            }
            Text(Word(p, len, 1), Word(p, len, 0), at, n, p + len);
            break;
        }
        default:
            if (std::find(WmfBitmapRecords.begin(), WmfBitmapRecords.end(), fn) != WmfBitmapRecords.end()) {
                Out.Report.Skip(TextKey::BitmapRecords);
            } else if (const auto* o = std::find_if(WmfOtherDrawings.begin(), WmfOtherDrawings.end(),
                                                    [fn](const auto& d) { return d.first == fn; });
                       o != WmfOtherDrawings.end()) {
                Out.Report.Skip(TextKey::UnreadDrawingRecords, 1, QString::fromLatin1(o->second));
            }
            break;
        }
    }
};

} // namespace

bool IsWmfFile(const QString& name, const QByteArray& head)
{
    if (QFileInfo(name).suffix().toLower() != QStringLiteral("wmf") || head.size() < 4)
        return false;
    const auto* b = reinterpret_cast<const uint8_t*>(head.constData());
    if (LoadLE<uint32_t>(b) == WmfPlaceableKey)
        return true;
    return head.size() >= StandardHeaderBytes && LoadLE<uint16_t>(b) <= 1 && LoadLE<uint16_t>(b + 2) == 9;
}

std::vector<BoxPoint> BoxOutline(double left, double top, double right, double bottom, double rx, double ry)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    // The control points of a quarter circle lie this far along its tangents.
    constexpr double K = 0.5522847498307936;
    const double a = (right - left) / 2, b = (bottom - top) / 2;
    if (rx < 0) {
        rx = a;
        ry = b;
    }
    rx = std::clamp(rx, 0.0, a);
    ry = std::clamp(ry, 0.0, b);
    if (rx == 0 || ry == 0)
        return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    std::vector<BoxPoint> out;
    // Corner k: its centre and the directions from there to its first and last point.
    const struct {
        double cx, cy, ux, uy, vx, vy;
    } corners[] = {{right - rx, top + ry, 0, -1, 1, 0},
                   {right - rx, bottom - ry, 1, 0, 0, 1},
                   {left + rx, bottom - ry, 0, 1, -1, 0},
                   {left + rx, top + ry, -1, 0, 0, -1}};
    for (const auto& c : corners) {
        const BoxPoint from{c.cx + c.ux * rx, c.cy + c.uy * ry, 0};
        if (out.empty() || out.back().x != from.x || out.back().y != from.y)
            out.push_back(from);
        out.push_back({from.x + c.vx * K * rx, from.y + c.vy * K * ry, FirstBezierFlag});
        const BoxPoint to{c.cx + c.vx * rx, c.cy + c.vy * ry, 0};
        out.push_back({to.x + c.ux * K * rx, to.y + c.uy * K * ry, SecondBezierFlag});
        out.push_back(to);
    }
    return out;
}

std::vector<MetafilePoint> ClosedOutline(std::vector<MetafilePoint> ring)
{
    if (ring.size() >= 2 && (ring.back().x != ring.front().x || ring.back().y != ring.front().y)) {
        MetafilePoint first = ring.front();
        first.fx = 0;
        first.fy &= ~HoleFlag;
        ring.push_back(first);
    }
    return ring;
}

bool MetafileObjects::Convert(double x, double y, MetafilePoint& p) const
{
    const double mx = std::nearbyint(x * Sx), my = std::nearbyint(y * Sy);
    // Far beyond any map, and kept well inside 64 bits for the extent's sums.
    constexpr double Beyond = 1e15;
    if (!(std::abs(mx) < Beyond && std::abs(my) < Beyond))
        return false;
    p = {int64_t(mx), int64_t(my), 0, 0};
    return true;
}

void MetafileObjects::Add(uint8_t type, std::vector<MetafilePoint> pts, const QByteArray& text)
{
    // The map keeps rings open: a ring's closing point goes.
    if (type == AreaObject) {
        std::vector<MetafilePoint> open;
        open.reserve(pts.size());
        for (size_t i = 0, end; i < pts.size(); i = end) {
            for (end = i + 1; end < pts.size() && !(pts[end].fy & HoleFlag);)
                ++end;
            // A ring ending on its start by a curve keeps that end: the curve's control points
            // need it, and the closing line the map adds would cut the curve off.
            const bool closed = end - i > 1 && pts[end - 1].x == pts[i].x && pts[end - 1].y == pts[i].y
                                && !(end - i > 2 && (pts[end - 2].fx & SecondBezierFlag));
            open.insert(open.end(), pts.begin() + long(i), pts.begin() + long(closed ? end - 1 : end));
        }
        pts = std::move(open);
    }
    if (pts.empty())
        return;
    if (int64_t(pts.size()) > MaxElementItems) {
        Report.Skip(TextKey::ObjectsWithTooManyPoints);
        return;
    }
    const auto [x1, x2] = std::minmax_element(pts.begin(), pts.end(), [](auto& a, auto& b) { return a.x < b.x; });
    const auto [y1, y2] = std::minmax_element(pts.begin(), pts.end(), [](auto& a, auto& b) { return a.y < b.y; });
    // Wider than the map area: no placing brings it in.
    constexpr int64_t Span = 2 * int64_t(MapAreaLimit / UnitsPerHundredthMm);
    if (x2->x - x1->x > Span || y2->y - y1->y > Span) {
        Report.Skip(TextKey::ObjectsReachingOutside);
        return;
    }
    Objects.push_back({type, (Prefix + QByteArray::number(Styles)).left(15), text, std::move(pts)});
}

void MetafileObjects::Place()
{
    if (Objects.empty())
        return;
    int64_t x1 = INT64_MAX, y1 = INT64_MAX, x2 = INT64_MIN, y2 = INT64_MIN;
    for (const Kept& o : Objects)
        for (const MetafilePoint& p : o.pts) {
            x1 = std::min(x1, p.x);
            x2 = std::max(x2, p.x);
            y1 = std::min(y1, p.y);
            y2 = std::max(y2, p.y);
        }
    // The drawing's middle on the view's centre, in whole 0.01 mm.
    const SetupRecord& st = *Stp();
    const int64_t dx = Masked(st.ViewCenterX) / UnitsPerHundredthMm - int64_t(std::nearbyint((double(x1) + double(x2)) / 2));
    const int64_t dy = Masked(st.ViewCenterY) / UnitsPerHundredthMm - int64_t(std::nearbyint((double(y1) + double(y2)) / 2));
    constexpr int64_t Limit = MapAreaLimit / UnitsPerHundredthMm;
    std::vector<Cord> cords;
    for (const Kept& o : Objects) {
        cords.clear();
        for (const MetafilePoint& p : o.pts) {
            const int64_t x = p.x + dx, y = p.y + dy;
            if (x < -Limit || x > Limit || y < -Limit || y > Limit)
                break;
            cords.push_back({int32_t(x * UnitsPerHundredthMm) | p.fx, int32_t(y * UnitsPerHundredthMm) | p.fy});
        }
        if (cords.size() != o.pts.size()) {
            Report.Skip(TextKey::ObjectsReachingOutside);
            continue;
        }
        const int slots = o.text.isEmpty() ? 0 : int(o.text.size() + 8) / 8;
        ElementRecord& e = CurElement;
        if (!InitElement(e, -1, o.type, uint16_t(cords.size()), uint16_t(slots), 0))
            continue;
        std::copy(cords.begin(), cords.end(), e.Cords());
        if (slots > 0) {
            uint8_t* t = e.TextBytes();
            std::fill(t, t + size_t(slots) * 8, uint8_t(0));
            std::copy(o.text.begin(), o.text.end(), t);
        }
        e.LayerName[0] = uint8_t(o.layer.size());
        std::copy(o.layer.begin(), o.layer.end(), e.LayerName.begin() + 1);
        // The map takes no more (it said why once): the rest is not brought in.
        if (!AppendElement())
            break;
        ToggleSelection(Index.ActiveZmd->HighestObject);
        Report.Read(o.type);
        if (Report.ReadCount() % 10 == 0)
            UpdateProgress(Report.ReadCount(), 0);
    }
    Objects.clear();
}

bool MetafileObjects::Stopped()
{
    DispatchKeyMessages();
    return AbortRequested;
}

void ConvertMetafile(MetafileObjects& m, qsizetype total, const QString& source, const std::function<void()>& records)
{
    ClearSelection();
    AbortRequested = false;
    StartProgress(TextKey::Importing, TextKey::ObjImported, int(std::min<qsizetype>(total, INT32_MAX)), 10, true);
    records();
    {
        UndoSuspend quiet;
        m.Place();
    }
    if (m.Report.Skipped(TextKey::BitmapRecords) > 0)
        WarningMsg(TextKey::CannotImportBitmap, {}, CannotImportBitmapHelpContext);
    EndImportStep(m.Report.ReadCount(), MaxKeptMetafileSelection);
    FlushMapFile();
    EndProgress();
    ShowImportReport(m.Report, source);
}

bool ImportWmfHandle(const QByteArray& data, int* count, const QString& source)
{
    if (count)
        *count = 0;
    if (!Index.ActiveZmd)
        return false;
    const auto* b = reinterpret_cast<const uint8_t*>(data.constData());
    WmfReader r(data);
    qsizetype at = 0;
    if (data.size() >= PlaceableBytes && LoadLE<uint32_t>(b) == WmfPlaceableKey) {
        const int16_t left = LoadLE<int16_t>(b + 6), top = LoadLE<int16_t>(b + 8);
        const int16_t right = LoadLE<int16_t>(b + 10), bottom = LoadLE<int16_t>(b + 12);
        r.S.WinX = r.S.ViewX = double(right) - left;
        r.S.WinY = r.S.ViewY = double(bottom) - top;
        r.Upi = LoadLE<uint16_t>(b + 14);
        at = PlaceableBytes;
    }
    const bool header = data.size() - at >= StandardHeaderBytes && LoadLE<uint16_t>(b + at) <= 1
        && LoadLE<uint16_t>(b + at + 2) == 9;
    if (!header) {
        ErrorMsg(TextKey::CannotOpenWmf, {}, 0);
        return false;
    }
    ConvertMetafile(r.Out, data.size(), source, [&] {
        r.Recompute();
        r.Run(at + StandardHeaderBytes);
    });
    if (count)
        *count = r.Out.Report.ReadCount();
    return true;
}

void InitImpWmfUnit()
{
    RegisterImporter(ImportSlot::Wmf, {[](const QString& name, TFileClass& f) {
                                           std::array<char, 40> head{};
                                           if (!f.Seek(0))
                                               return false;
                                           const int64_t got = f.ReadBlock(head.data(), int64_t(head.size()));
                                           return IsWmfFile(name, QByteArray(head.data(), qsizetype(got)));
                                       },
                                       [](const QString& name, TFileClass& f) {
                                           QByteArray data(qsizetype(f.Size()), '\0');
                                           if (!f.Seek(0) || !f.Read(data.data(), data.size()))
                                               return;
                                           ImportWmfHandle(data, nullptr, name);
                                       }});
}

} // namespace zemo
