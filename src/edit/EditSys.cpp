#include "edit/EditSys.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Bezier.h"
#include "render/Redraw.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <numbers>

namespace zemo {

EditSysState EditSys;

namespace {

void SetUpXor(Device& dc)
{
    dc.setPen({PenStyle::Solid, {255, 255, 255}, 1, PenJoin::Bevel, PenCap::Flat, false});
    dc.setBrush({});
    dc.setRasterOp(RasterOp::Xor);
    dc.setBackground(BackgroundMode::Transparent, {255, 255, 255});
}

QPoint Dev(Cord c)
{
    return CordToDevice(c);
}

void Poly(std::initializer_list<QPoint> pts)
{
    Device* dc = GetEditDC();
    if (!dc)
        return;
    std::vector<QPointF> v;
    v.reserve(pts.size());
    for (const QPoint& p : pts)
        v.emplace_back(p);
    dc->polyline(v);
}

void PolyV(const std::vector<QPoint>& pts)
{
    Device* dc = GetEditDC();
    if (!dc || pts.size() < 2)
        return;
    std::vector<QPointF> v(pts.begin(), pts.end());
    dc->polyline(v);
}

void EllipseBox(int l, int t, int r, int b)
{
    if (Device* dc = GetEditDC())
        dc->ellipse(QRectF(l, t, r - l, b - t));
}

void RectangleBox(int l, int t, int r, int b)
{
    if (Device* dc = GetEditDC())
        dc->rectangle(QRectF(l, t, r - l, b - t));
}

int ClientW()
{
    return Work.ActiveView ? Work.ActiveView->ClientWidth : 0;
}

int ClientH()
{
    return Work.ActiveView ? Work.ActiveView->ClientHeight : 0;
}

bool NextIsHole(const ElementRecord& e, int i, int n)
{
    return i + 1 < n && (e.Cords()[i + 1].y & HoleFlag);
}

// The vertex mark of vertex i with the object taken as n vertices long.
void MarkPointN(const ElementRecord& e, int i, int n)
{
    const Cord c = e.Cords()[i];
    const QPoint p = Dev(c);
    const int x = p.x(), y = p.y();
    if (x < -5 || x > ClientW() + 5 || y < -5 || y > ClientH() + 5)
        return;
    const bool control = c.x & (FirstBezierFlag | SecondBezierFlag);
    if (ProgramConfig.WorkMode == WorkModes::EditObject) {
        if (!control)
            RectangleBox(x - 3, y - 3, x + 3, y + 3);
        return;
    }
    if (control) {
        EllipseBox(x - 3, y - 3, x + 4, y + 4);
    } else if (c.y & DashFlag) {
        Poly({{x - 5, y}, {x, y + 5}, {x + 5, y}, {x, y - 5}, {x - 5, y}});
    } else if ((c.y & (CornerFlag | HoleFlag)) || e.ObjectType == RectangleObject) {
        XorRect(x - 3, y - 3, y + 3, x + 3);
    } else if (i == 0) {
        XorRect(x - 4, y - 4, y + 4, x + 4);
        XorRect(x - 5, y - 5, y + 5, x + 5);
    } else if (i < n - 1 && !NextIsHole(e, i, n)) {
        for (int k = -2; k <= 2; ++k)
            Line(x - 2, y + k, x + 3, y + k);
    } else {
        Line(x - 3, y - 3, x + 4, y + 4);
        Line(x - 3, y + 3, x + 4, y - 4);
    }
}

void DrawElementMarks(const ElementRecord& e)
{
    const int n = e.nItem;
    switch (e.ObjectType) {
    case PointObject:
        if (n > 0)
            MarkPoint(e, 0);
        break;
    case LineObject:
        if (EditSys.TypingActive) {
            MarkCaret();
            break;
        }
        for (int i = 0; i < n; ++i)
            MarkPoint(e, i);
        break;
    case AreaObject: {
        int from = 0, to = n;
        const int hole = Index.SelectedHoleStart;
        if (hole > 0 && hole < n) {
            from = hole;
            to = hole + 1;
            while (to < n && !(e.Cords()[to].y & HoleFlag))
                ++to;
        }
        for (int i = from; i < to; ++i)
            MarkPoint(e, i);
        break;
    }
    case TextObject: MarkText(e); break;
    case RectangleObject: MarkRect(e); break;
    default: break;
    }
}

void DrawMulti(int dx, int dy)
{
    if (!Index.ActiveZmd || CountObjects() == 0)
        return;
    StartElementScan(0);
    while (NextSelectedElement())
        MarkMultiElt(dx, dy);
}

void DrawStretchBox(const CordRect& b)
{
    const int32_t e = Masked(SafeRound(8 / Scale.ViewScaleX));
    const int32_t mx = int32_t((int64_t(b.x1) + b.x2) / 2), my = int32_t((int64_t(b.y1) + b.y2) / 2);
    const Cord handles[8] = {{b.x1 - e, b.y1 - e}, {mx, b.y1 - e}, {b.x2 + e, b.y1 - e},
                             {b.x2 + e, my},       {b.x2 + e, b.y2 + e}, {mx, b.y2 + e},
                             {b.x1 - e, b.y2 + e}, {b.x1 - e, my}};
    for (const Cord& h : handles) {
        const QPoint p = Dev(h);
        for (int y = p.y() - 3; y <= p.y() + 3; ++y)
            Line(p.x() - 3, y, p.x() + 4, y);
    }
}

void DrawGps()
{
    const QPoint p = Dev(EditSys.GpsPosition);
    const int x = p.x(), y = p.y();
    Line(x - 15, y, x + 15, y);
    Line(x, y - 15, x, y + 15);
    EllipseBox(x - 7, y - 7, x + 8, y + 8);
    if (EditSys.GpsMarkOld) {
        Line(x - 11, y - 11, x + 12, y + 12);
        Line(x - 11, y + 11, x + 12, y - 12);
    }
}

void DrawPassPoints()
{
    const std::vector<Cord>& points = EditSys.PassPoints;
    for (size_t i = 0; i < points.size(); ++i) {
        const QPoint p = Dev(points[i]);
        if (i % 2 == 0) {
            RectangleBox(p.x() - 5, p.y() - 5, p.x() + 5, p.y() + 5);
            continue;
        }
        const QPoint t = Dev(points[i - 1]);
        EllipseBox(p.x() - 6, p.y() - 6, p.x() + 7, p.y() + 7);
        if ((p - t).manhattanLength() > 12)
            Line(t.x(), t.y(), p.x(), p.y());
    }
}

void DrawScreenWin()
{
    QPoint a = Dev(EditSys.ScreenWinRect[0]), b = Dev(EditSys.ScreenWinRect[1]);
    const int l = std::min(a.x(), b.x()), r = std::max(a.x(), b.x());
    const int t = std::min(a.y(), b.y()), bo = std::max(a.y(), b.y());
    XorRect(l, t, bo, r);
    for (const QPoint& c : {QPoint(l, t), QPoint(r, t), QPoint(r, bo), QPoint(l, bo)})
        RectangleBox(c.x() - 3, c.y() - 3, c.x() + 3, c.y() + 3);
}

void DrawAnchor()
{
    const QPoint p = Dev(EditSys.AnchorPos);
    const int x = p.x(), y = p.y();
    Line(x - 10, y, x + 10, y);
    Line(x, y - 10, x, y + 10);
    EllipseBox(x - 5, y - 5, x + 5, y + 5);
}

// Every mark whose flag is set, drawn once more (shows or removes them all).
void DrawShownMarks()
{
    if (Index.SelectedIndex > 0)
        ReadElement(Index.SelectedIndex, Index.DrawElement);
    if (EditSys.MarksShown)
        DrawElementMarks(Index.DrawElement);
    if (EditSys.MultiMarksShown)
        DrawMulti(0, 0);
    if (EditSys.DraftShown)
        MarkDraft();
    if (EditSys.StretchShown)
        DrawStretchBox(EditSys.StretchBox);
    if (EditSys.CourseMarksShown)
        MarkCs();
    if (EditSys.GpsMarkShown)
        DrawGps();
    if (EditSys.PassPointsShown)
        DrawPassPoints();
    if (EditSys.ScreenWinShown)
        DrawScreenWin();
    if (EditSys.AnchorShown)
        DrawAnchor();
}

CordRect UnionRect(const CordRect& a, const CordRect& b)
{
    return {std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2), std::max(a.y2, b.y2)};
}

} // namespace

// Erasing and repainting one object draws in copy mode straight into the surface.
void RedrawCurrent(bool erase)
{
    MapView* v = Work.ActiveView;
    if (!v || !v->Form || !v->MapShown)
        return;
    ReleaseEditDC();
    PainterDevice dc(&v->Form->Surface());
    if (!dc.isActive())
        return;
    RedrawView rv;
    rv.Dc = &dc;
    rv.SymbolGraphics = v->SymbolGraphicsMode;
    rv.ShowRepeats = v->PatternPreview;
    rv.CellWidth = v->PatternWidth;
    rv.CellHeight = v->PatternHeight;
    rv.OffsetRows = v->PatternHalfShift;
    rv.PatternCos = v->PatternCos;
    rv.PatternSin = v->PatternSin;
    if (erase)
        EraseElement(rv);
    else
        PaintElement(rv);
    Graph.OutputDC = nullptr;
    dc.finish();
    v->Form->SurfaceChanged({0, 0, v->ClientWidth, v->ClientHeight});
}

void ResetEditSys()
{
    EditSys.OwnedDC.reset();
    EditSys.EditDC = nullptr;
    EditSys.DCView = nullptr;
    EditSys.MarksShown = EditSys.MultiMarksShown = EditSys.DraftShown = EditSys.StretchShown = false;
    EditSys.CourseMarksShown = EditSys.GpsMarkShown = EditSys.ScreenWinShown = EditSys.AnchorShown = false;
    EditSys.MarkedCourse.clear();
    EditSys.DraftStart = 0;
    EditSys.StretchBox = {};
    EditSys.GpsPosition = {};
    EditSys.ScreenWinRect[0] = EditSys.ScreenWinRect[1] = {};
    EditSys.AnchorPos = {};
    EditSys.ElementChanged = EditSys.EditBackupValid = false;
    EditSys.EditOldRect = {};
    EditSys.TypingActive = false;
    EditSys.CaretPoints.clear();
}

// ---- The edit device ----

Device* GetEditDC()
{
    if (!EditSys.EditDC) {
        MapView* v = Work.ActiveView;
        if (!v || !v->Form || !v->MapShown)
            return nullptr;
        EditSys.OwnedDC = std::make_unique<PainterDevice>(&v->Form->Surface());
        if (!EditSys.OwnedDC->isActive()) {
            EditSys.OwnedDC.reset();
            return nullptr;
        }
        SetUpXor(*EditSys.OwnedDC);
        EditSys.EditDC = EditSys.OwnedDC.get();
        EditSys.DCView = v;
    }
    // Marks drawn between paints change the window's image: its screen copy follows at the
    // next refresh, not only when the device is released (a move releases nothing).
    if (EditSys.OwnedDC && EditSys.DCView && EditSys.DCView->Form) {
        const MapView& v = *EditSys.DCView;
        v.Form->SurfaceChanged({0, 0, v.ClientWidth, v.ClientHeight});
    }
    return EditSys.EditDC;
}

void ReleaseEditDC()
{
    if (!EditSys.OwnedDC)
        return;
    EditSys.OwnedDC.reset();
    EditSys.EditDC = nullptr;
    MapView* v = EditSys.DCView;
    EditSys.DCView = nullptr;
    const auto& views = MapViews();
    if (v && v->Form && std::find(views.begin(), views.end(), v) != views.end())
        v->Form->SurfaceChanged({0, 0, v->ClientWidth, v->ClientHeight});
}

void UsePaintDC(Device* dc, MapView* v)
{
    ReleaseEditDC();
    if (!dc)
        return;
    dc->save();
    SetUpXor(*dc);
    EditSys.EditDC = dc;
    EditSys.DCView = v;
}

void EndPaintDC()
{
    if (EditSys.OwnedDC || !EditSys.EditDC)
        return;
    EditSys.EditDC->restore();
    EditSys.EditDC = nullptr;
    EditSys.DCView = nullptr;
}

// ---- Primitives ----

void Line(int x1, int y1, int x2, int y2)
{
    Poly({{x1, y1}, {x2, y2}});
}

void XorRect(int left, int top, int bottom, int right)
{
    Poly({{left, top}, {left, bottom}, {right, bottom}, {right, top}, {left, top}});
}

void MarkPoint(const ElementRecord& e, int i)
{
    if (i < 0 || i >= e.nItem)
        return;
    GuardEvent("EditSys", "MarkPoint", [&] { MarkPointN(e, i, e.nItem); });
}

void MarkCaret()
{
    const auto& c = EditSys.CaretPoints;
    Device* dc = GetEditDC();
    if (!dc || c.empty())
        return;
    if (c.size() < 3) {
        dc->save();
        dc->setPen({PenStyle::Solid, {255, 255, 255}, 2, PenJoin::Bevel, PenCap::Flat, false});
        PolyV(c);
        dc->restore();
        return;
    }
    dc->save();
    dc->setPen(NullPen);
    dc->setBrush({BrushStyle::Solid, {255, 255, 255}, HatchStyle::Horizontal});
    std::vector<QPointF> v(c.begin(), c.end());
    dc->polygon(v);
    dc->restore();
}

void MarkText(const ElementRecord& e)
{
    if (EditSys.TypingActive) {
        MarkCaret();
        return;
    }
    MarkPoint(e, 0);
    if (e.nItem >= 5) {
        std::vector<QPoint> f;
        for (int i = 1; i <= 4; ++i)
            f.push_back(Dev(e.Cords()[i]));
        f.push_back(f.front());
        PolyV(f);
    }
}

void MarkRect(const ElementRecord& e)
{
    if (EditSys.TypingActive) {
        MarkCaret();
        return;
    }
    if (e.nItem < 4)
        return;
    std::vector<QPoint> f;
    for (int i = 0; i < 4; ++i)
        f.push_back(Dev(e.Cords()[i]));
    f.push_back(f.front());
    PolyV(f);
    for (int i = 0; i < 4; ++i)
        MarkPoint(e, i);
}

void MarkElement(const ElementRecord& e)
{
    GuardEvent("EditSys", "MarkElement", [&] { DrawElementMarks(e); });
    EditSys.MarksShown = true;
}

void UnmarkElement(const ElementRecord& e)
{
    if (!EditSys.MarksShown)
        return;
    GuardEvent("EditSys", "UnmarkElement", [&] { DrawElementMarks(e); });
    EditSys.MarksShown = false;
}

void MarkMultiElt(int dx, int dy)
{
    const ObjectIndexEntry& entry = Index.CurIndex;
    SymbolBytes* sym = nullptr;
    GetSymbol(entry.Symbol, sym);
    int32_t e = 0;
    const int type = sym ? SymI16(*sym, SymObjectType) : 0;
    if (type != 1 && sym) {
        const int k = type == 3 ? 1 : 3;
        e = Masked(SafeRound(double(SymI16(*sym, SymExtent)) * 256 - std::nearbyint(k / Scale.ViewScaleX)));
    }
    const CordRect r = entry.Rect;
    const Cord corners[4] = {{r.x1 + e, r.y1 + e}, {r.x1 + e, r.y2 - e}, {r.x2 - e, r.y2 - e},
                             {r.x2 - e, r.y1 + e}};
    std::vector<QPoint> f;
    for (const Cord& c : corners)
        f.push_back(Dev(c) + QPoint(dx, dy));
    f.push_back(f.front());
    PolyV(f);
}

void MarkMulti(int dx, int dy)
{
    GuardEvent("EditSys", "MarkMulti", [&] { DrawMulti(dx, dy); });
    EditSys.MultiMarksShown = true;
}

void UnmarkMulti(int dx, int dy)
{
    GuardEvent("EditSys", "UnmarkMulti", [&] { DrawMulti(dx, dy); });
    EditSys.MultiMarksShown = false;
}

void MarkStretch()
{
    const bool single = Index.SelectedIndex > 0;
    const ElementRecord& e = Index.CurElement;
    if (!ProgramConfig.ObjectStretch || ProgramConfig.WorkMode != WorkModes::EditObject
        || (single && e.ObjectType == PointObject)) {
        EditSys.StretchShown = false;
        return;
    }
    if (single && e.nItem > 0) {
        int from = 0, to = e.nItem;
        if (e.ObjectType == AreaObject && Index.SelectedHoleStart > 0 && Index.SelectedHoleStart < to) {
            from = Index.SelectedHoleStart;
            int k = from + 1;
            while (k < to && !(e.Cords()[k].y & HoleFlag))
                ++k;
            to = k;
        }
        CordRect b{Masked(e.Cords()[from].x), Masked(e.Cords()[from].y), Masked(e.Cords()[from].x),
                   Masked(e.Cords()[from].y)};
        for (int i = from + 1; i < to; ++i) {
            const int32_t x = Masked(e.Cords()[i].x), y = Masked(e.Cords()[i].y);
            b = {std::min(b.x1, x), std::min(b.y1, y), std::max(b.x2, x), std::max(b.y2, y)};
        }
        SymbolBytes* sym = nullptr;
        GetSymbol(e.Symbol, sym);
        const int32_t ext = sym ? int32_t(SymI16(*sym, SymExtent)) * 256 : 0;
        EditSys.StretchBox = {b.x1 - ext, b.y1 - ext, b.x2 + ext, b.y2 + ext};
    }
    GuardEvent("EditSys", "MarkStretch", [&] { DrawStretchBox(EditSys.StretchBox); });
    EditSys.StretchShown = true;
}

void UnmarkStretch()
{
    if (!EditSys.StretchShown)
        return;
    GuardEvent("EditSys", "UnmarkStretch", [&] { DrawStretchBox(EditSys.StretchBox); });
    EditSys.StretchShown = false;
}

void MarkLine(const ElementRecord& e, int i)
{
    if (i < 0 || i + 1 >= e.nItem)
        return;
    const QPoint a = Dev(e.Cords()[i]), b = Dev(e.Cords()[i + 1]);
    Line(a.x(), a.y(), b.x(), b.y());
}

void MarkBezier(const ElementRecord& e, int i)
{
    if (i < 0 || i + 3 >= e.nItem)
        return;
    Cord out[4];
    const int n = FlattenBezier(e.Cords() + i, out, 2, 0);
    std::vector<QPoint> pts{Dev(e.Cords()[i])};
    for (int k = 0; k < n; ++k)
        pts.push_back(Dev(out[k]));
    PolyV(pts);
}

void MarkDraft()
{
    GuardEvent("EditSys", "MarkDraft", [&] {
        const ElementRecord& e = Index.CurElement;
        const int n = e.nItem;
        int i = std::max(EditSys.DraftStart, 0);
        auto first = [&](int k) { return k >= 0 && k < n && (e.Cords()[k].x & FirstBezierFlag); };
        while (i < n - 1) {
            if (first(i + 1) && i < n - 3) {
                MarkBezier(e, i);
                i += 3;
                continue;
            }
            MarkLine(e, i);
            if (first(i + 1))
                MarkPointN(e, i, i > 0 ? n + 1 : n);
            if (first(i - 2) && i > EditSys.DraftStart + 2 && !(e.Cords()[i].y & CornerFlag))
                for (int k = i - 3; k < i; ++k)
                    MarkPointN(e, k, n);
            i += 1;
        }
    });
}

void MarkCs()
{
    GuardEvent("EditSys", "MarkCs", [] {
        if (!Index.ActiveZmd || EditSys.MarkedCourse.isEmpty())
            return;
        const QStringList fields = EditSys.MarkedCourse.split(QLatin1Char('\t'));
        bool havePrev = false;
        Cord prev;
        int32_t prevCut = 0;
        bool startPending = false;
        Cord startAt;
        auto leg = [&](Cord a, int32_t cutA, Cord b, int32_t cutB) {
            const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
            const double len = std::hypot(dx, dy);
            if (len <= double(cutA) + cutB || len <= 0)
                return;
            const Cord p0{SafeRound(a.x + dx / len * cutA), SafeRound(a.y + dy / len * cutA)};
            const Cord p1{SafeRound(b.x - dx / len * cutB), SafeRound(b.y - dy / len * cutB)};
            const QPoint d0 = Dev(p0), d1 = Dev(p1);
            Line(d0.x(), d0.y(), d1.x(), d1.y());
        };
        auto triangle = [&](Cord at, Cord toward, int32_t cut) {
            const QPoint c = Dev(at);
            const QPoint t = Dev(toward);
            const double ang = std::atan2(double(t.y() - c.y()), double(t.x() - c.x()));
            const double r = std::max(6.0, cut * Scale.ViewScaleX);
            std::vector<QPoint> pts;
            for (int k = 0; k < 3; ++k) {
                const double a = ang + k * 2 * std::numbers::pi / 3;
                pts.emplace_back(int(std::lround(c.x() + r * std::cos(a))), int(std::lround(c.y() + r * std::sin(a))));
            }
            pts.push_back(pts.front());
            PolyV(pts);
        };
        for (const QString& f : fields) {
            if (f.isEmpty())
                continue;
            const QChar code = f.at(0);
            if (code != QLatin1Char('s') && code != QLatin1Char('c') && code != QLatin1Char('f')
                && code != QLatin1Char('m'))
                continue;
            const int n = EditPorts().FindCsObject(f.mid(1));
            // The course's own buffer: CurElement may hold a line being drawn.
            ElementRecord& e = EditSys.CourseElement;
            if (n <= 0 || !ReadElement(n, e) || e.nItem == 0)
                continue;
            const Cord at = code == QLatin1Char('m') ? e.Cords()[e.nItem - 1] : e.Cords()[0];
            const Cord p{Masked(at.x), Masked(at.y)};
            SymbolBytes* sym = nullptr;
            GetSymbol(e.Symbol, sym);
            const int32_t cut = sym ? std::max(0, SymI16(*sym, SymExtent) - 17) * 256 : 0;
            if (havePrev)
                leg(prev, prevCut, p, cut);
            if (startPending) {
                triangle(startAt, p, prevCut);
                startPending = false;
            }
            if (code == QLatin1Char('s')) {
                startPending = true;
                startAt = p;
            } else if (code != QLatin1Char('m')) {
                const QPoint c = Dev(p);
                const int r = std::max(4, int(std::lround(cut * Scale.ViewScaleX)));
                EllipseBox(c.x() - r, c.y() - r, c.x() + r, c.y() + r);
            }
            prev = p;
            prevCut = code == QLatin1Char('m') ? 0 : cut;
            havePrev = true;
        }
        if (startPending)
            triangle(startAt, {startAt.x, startAt.y + 256}, prevCut);
    });
}

void ShowCourseMarks()
{
    if (EditSys.CourseMarksShown)
        return;
    const TZmd* z = Index.ActiveZmd;
    const bool course = z && !z->CoursePreviewOn && z->CurrentCourse >= 0 && z->CurrentCourse < z->Courses.Count();
    EditSys.MarkedCourse = course ? z->Courses.Strings(z->CurrentCourse) : QString();
    MarkCs();
    EditSys.CourseMarksShown = true;
}

void HideCourseMarks()
{
    if (!EditSys.CourseMarksShown)
        return;
    MarkCs();
    EditSys.CourseMarksShown = false;
    EditSys.MarkedCourse.clear();
}

void MarkGps()
{
    GuardEvent("EditSys", "MarkGps", [] { DrawGps(); });
    EditSys.GpsMarkShown = true;
}

void UnmarkGps()
{
    if (!EditSys.GpsMarkShown)
        return;
    GuardEvent("EditSys", "UnmarkGps", [] { DrawGps(); });
    EditSys.GpsMarkShown = false;
}

void MarkPassPoints()
{
    if (EditSys.PassPointsShown)
        return;
    GuardEvent("EditSys", "MarkPassPoints", [] { DrawPassPoints(); });
    EditSys.PassPointsShown = true;
}

void UnmarkPassPoints()
{
    if (!EditSys.PassPointsShown)
        return;
    GuardEvent("EditSys", "UnmarkPassPoints", [] { DrawPassPoints(); });
    EditSys.PassPointsShown = false;
}

void MarkScreenWin()
{
    GuardEvent("EditSys", "MarkScreenWin", [] {
        if (Device* dc = GetEditDC())
            SetUpXor(*dc);
        DrawScreenWin();
    });
}

void MarkAnchor()
{
    GuardEvent("EditSys", "MarkAnchor", [] { DrawAnchor(); });
}

void Mark()
{
    GuardEvent("EditSys", "Mark", [] { DrawShownMarks(); });
}

void HideMark()
{
    MapView* v = Work.ActiveView;
    if (!Index.MapOpen || !v || !v->MapShown)
        return;
    GuardEvent("EditSys", "HideMark", [] { DrawShownMarks(); });
}

// ---- Updates ----

void UpdateRect(const CordRect& rect)
{
    GuardEvent("EditSys", "UpdateRect", [&] {
        MapView* v = Work.ActiveView;
        if (!v || !v->Form)
            return;
        v->Form->FocusSurface();
        CordRect r = rect;
        if (v->SymbolGraphicsMode && v->PatternPreview) {
            const int32_t wx = v->PatternWidth * 256, wy = v->PatternHeight * 256;
            r = {r.x1 - wx, r.y1 - wy, r.x2 + wx, r.y2 + wy};
        }
        const QPoint a = Dev({r.x1, r.y1}), b = Dev({r.x2, r.y2});
        PixRect p{std::min(a.x(), b.x()) - 2, std::min(a.y(), b.y()) - 2, std::max(a.x(), b.x()) + 2,
                  std::max(a.y(), b.y()) + 2};
        if (v->PendingValid)
            p = {std::min(p.left, v->PendingRect.left), std::min(p.top, v->PendingRect.top),
                 std::max(p.right, v->PendingRect.right), std::max(p.bottom, v->PendingRect.bottom)};
        v->Form->InvalidateRect(p);
    });
}

void UpdateElement()
{
    if (!EditSys.ElementChanged || !EditSys.EditBackupValid)
        return;
    GuardEvent("EditSys", "UpdateElement", [] {
        if (ProgramConfig.RedrawBackground) {
            UpdateRect(UnionRect(EditSys.EditOldRect, Index.CurIndex.Rect));
        } else {
            Index.CurElement = Index.AuxElement3;
            RedrawCurrent(true);
            ReadElement(Index.SelectedIndex, Index.CurElement);
            RedrawCurrent(false);
        }
    });
    EditSys.ElementChanged = false;
}

void UpdateMulti()
{
    UpdateRect(UnionRect(EditSys.EditOldRect, EditSys.StretchBox));
}

void HideElement()
{
    GuardEvent("EditSys", "HideElement", [] {
        if (EditSys.ElementChanged && EditSys.EditBackupValid)
            Index.CurElement = Index.AuxElement3;
        RedrawCurrent(true);
        ReadElement(Index.SelectedIndex, Index.CurElement);
    });
    EditSys.ElementChanged = false;
}

bool DelayedUpdate()
{
    const int type = Index.CurElement.ObjectType;
    return (type == LineObject && ProgramConfig.LineUpdate) || (type == AreaObject && ProgramConfig.AreaUpdate);
}

// ---- Line helpers ----

int LineItems(const ElementRecord& e)
{
    for (int i = 0; i < e.nItem; ++i)
        if (e.Cords()[i].y & HoleFlag)
            return i;
    return e.nItem;
}

namespace {

int Direction(Cord p0, Cord p1, bool fromNorth)
{
    const int64_t dx = int64_t(Masked(p1.x)) - Masked(p0.x);
    const int64_t dy = int64_t(Masked(p1.y)) - Masked(p0.y);
    if (std::llabs(dx) <= 3 * 256 && std::llabs(dy) <= 3 * 256)
        return 0;
    int a;
    if (dx != 0)
        a = int(std::nearbyint(std::atan(double(dy) / double(dx)) * 1800 / std::numbers::pi)) - (fromNorth ? 900 : 0);
    else if (fromNorth)
        a = dy < 1 ? -1800 : 0;
    else
        a = dy < 1 ? -900 : 900;
    if (dx < 0)
        a += 1800;
    return a;
}

} // namespace

int LGetDirection(Cord p0, Cord p1) { return Direction(p0, p1, true); }
int LGetHorDir(Cord p0, Cord p1) { return Direction(p0, p1, false); }

// ---- Join ----

bool Join(int i, int ownIndexNo, bool* closedOnSelf)
{
    if (closedOnSelf)
        *closedOnSelf = false;
    ElementRecord& e = Index.CurElement;
    if (i < 0 || i >= e.nItem)
        return false;
    bool moved = false;
    GuardEvent("EditSys", "Join", [&] {
        int64_t t = std::clamp(ProgramConfig.JoinTolerance, 0, 100);
        SymbolBytes* sym = nullptr;
        GetSymbol(e.Symbol, sym);
        if (sym && SymI16(*sym, SymObjectType) == 2 && SymU8(*sym, SymTextFlag) == 0 && sym->size() >= 424) {
            t = std::max<int64_t>(t, SymI16(*sym, 350));
            if (SymI16(*sym, 374) != 0)
                t = std::max<int64_t>(t, SymI16(*sym, 384));
        }
        const int64_t tu = t * 256;
        const Cord v = e.Cords()[i];
        const int64_t vx = Masked(v.x), vy = Masked(v.y);
        auto sat = [](int64_t a) { return int32_t(std::clamp<int64_t>(a, INT32_MIN, INT32_MAX)); };
        const CordRect r{sat(vx - tu), sat(vy - tu), sat(vx + tu), sat(vy + tu)};

        bool found = false, self = false;
        int64_t best = 0;
        Cord bestCord;
        auto check = [&](Cord c, bool own) {
            const int64_t dx = int64_t(Masked(c.x)) - vx, dy = int64_t(Masked(c.y)) - vy;
            if (std::llabs(dx) > tu || std::llabs(dy) > tu)
                return;
            const int64_t d = std::llround(std::sqrt(double(dx) * double(dx) + double(dy) * double(dy)));
            if (!found || d < best) {
                found = true;
                best = d;
                bestCord = c;
                self = own;
            }
        };
        const bool graphics = Index.SymbolGraphics && Index.SymbolGraphics->Active;
        StartElementScan(0);
        while (NextElementInRect(r, -1)) {
            if (Index.CurIndexNo == ownIndexNo)
                continue;
            ElementRecord& o = Index.AuxElement1;
            if (!ReadElement(Index.CurIndexNo, o) || o.nItem == 0 || o.Symbol != e.Symbol)
                continue;
            if (graphics && (o.Angle != e.Angle || o.Word10 != e.Word10 || o.Word12 != e.Word12))
                continue;
            check(o.Cords()[0], false);
            check(o.Cords()[o.nItem - 1], false);
        }
        if (i > 2)
            check(e.Cords()[0], true);
        if (found) {
            e.Cords()[i] = {Masked(bestCord.x) | Flags(v.x), Masked(bestCord.y) | Flags(v.y)};
            moved = true;
            if (closedOnSelf)
                *closedOnSelf = self;
        }
    });
    return moved;
}

void JoinMain(int ownIndexNo)
{
    ElementRecord& e = Index.CurElement;
    if (e.nItem <= 1)
        return;
    bool closed = false;
    Join(e.nItem - 1, ownIndexNo, &closed);
    // A line just closed on itself keeps its first point where the last one met it.
    if (!closed)
        Join(0, ownIndexNo);
}

void AutoJoin()
{
    const SymbolBytes* s = CurrentSymbol();
    if (!s || SymI16(*s, SymObjectType) != 2)
        return;
    JoinMain(0);
}

} // namespace zemo
