#include "io/Partial.h"

#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "document/Subset.h"
#include "edit/Work.h"
#include "io/Export.h"
#include "io/Ports.h"
#include "render/AreaRings.h"
#include "render/AreaSplt.h"
#include "render/PolyClip.h"

#include <algorithm>
#include <vector>

namespace zemo {

namespace {

constexpr double CordPerMm = 25600;

// The pieces are written from here: the head of the object they come from, their own points.
ElementRecord& PieceBuffer()
{
    static ElementRecord piece;
    return piece;
}

struct Bounds {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

Bounds BoundsOf(const Cord* p, int n)
{
    Bounds b{Masked(p[0].x), Masked(p[0].y), Masked(p[0].x), Masked(p[0].y)};
    for (int i = 1; i < n; ++i) {
        b.x1 = std::min(b.x1, Masked(p[i].x));
        b.y1 = std::min(b.y1, Masked(p[i].y));
        b.x2 = std::max(b.x2, Masked(p[i].x));
        b.y2 = std::max(b.y2, Masked(p[i].y));
    }
    return b;
}

class PartialWriter {
public:
    PartialWriter(std::vector<Cord> boundary, const CordRect& rect, bool rectangle)
        : boundary_(std::move(boundary)), rect_(rect), rectangle_(rectangle)
    {
    }

    int Pieces() const { return pieces_; }

    // The object in AuxElement2, cut to the boundary.
    void Handle()
    {
        const ElementRecord& e = AuxElement2;
        const Cord* p = e.Cords();
        const int n = e.nItem;
        if (n < 1)
            return;
        if (rectangle_ && Inside(BoundsOf(p, n))) {
            WriteWhole();
            return;
        }
        switch (e.ObjectType) {
        case AreaObject:
            if (rectangle_)
                ClipAreaAtEdges(p, n);
            else
                ClipAreaToArea(p, Boundary(), n, [this](const Cord* q, int m) { Separate(q, m); }, BoundaryCount());
            break;
        case PointObject:
            if (PointInArea(p[0], Boundary(), BoundaryCount()))
                WriteWhole();
            break;
        case LineObject:
            if (e.nText == 0) {
                ClipLineToArea(p, Boundary(), n, [this](const Cord* q, int m) { WritePiece(q, m); },
                               BoundaryCount());
                break;
            }
            [[fallthrough]];
        default:
            for (int i = 0; i < n; ++i)
                if (PointInArea(p[i], Boundary(), BoundaryCount())) {
                    WriteWhole();
                    break;
                }
            break;
        }
    }

private:
    const Cord* Boundary() const { return boundary_.data(); }
    int BoundaryCount() const { return int(boundary_.size()); }

    bool Inside(const Bounds& b) const
    {
        return b.x1 >= rect_.x1 && b.x2 <= rect_.x2 && b.y1 >= rect_.y1 && b.y2 <= rect_.y2;
    }

    void WriteWhole()
    {
        SubsetAppendObject(AuxElement2);
        ++pieces_;
    }

    void WritePiece(const Cord* q, int m)
    {
        if (m < 2 || m > MaxElementItems)
            return;
        ElementRecord& piece = PieceBuffer();
        const ElementRecord& e = AuxElement2;
        piece.Symbol = e.Symbol;
        piece.ObjectType = e.ObjectType;
        piece.Flags = e.Flags;
        piece.Angle = e.Angle;
        piece.Word10 = e.Word10;
        piece.Word12 = e.Word12;
        piece.Word14 = e.Word14;
        piece.LayerName = e.LayerName;
        piece.nItem = uint16_t(m);
        piece.nText = 0;
        std::copy_n(q, m, piece.Cords());
        SubsetAppendObject(piece);
        ++pieces_;
    }

    void Separate(const Cord* q, int m)
    {
        SeparateAreas(q, m, [this](const Cord* a, int k) { WritePiece(a, k); });
    }

    // The area cut at the rectangle's edges in turn, left, right, bottom, top, each cut keeping
    // the inner side; an edge that does not cross what is left is skipped.
    void ClipAreaAtEdges(const Cord* p, int n)
    {
        std::vector<Cord> piece(p, p + n);
        const struct {
            int32_t cut;
            int side;
        } edges[4] = {{rect_.x1, KeepXAbove}, {rect_.x2, KeepXBelow}, {rect_.y1, KeepYAbove},
                      {rect_.y2, KeepYBelow}};
        for (const auto& edge : edges) {
            const Bounds b = BoundsOf(piece.data(), int(piece.size()));
            const bool alongX = edge.side == KeepXAbove || edge.side == KeepXBelow;
            const int32_t lo = alongX ? b.x1 : b.y1, hi = alongX ? b.x2 : b.y2;
            const bool keepAbove = edge.side == KeepXAbove || edge.side == KeepYAbove;
            if (keepAbove ? lo >= edge.cut : hi <= edge.cut)
                continue;
            if (keepAbove ? hi <= edge.cut : lo >= edge.cut)
                return;
            piece = ClipAreaAtAxis(piece.data(), int(piece.size()), edge.cut, edge.side);
            if (piece.size() < 3)
                return;
        }
        WritePiece(piece.data(), int(piece.size()));
    }

    std::vector<Cord> boundary_;
    CordRect rect_;
    bool rectangle_;
    int pieces_ = 0;
};

bool ObjectBoundaryAllowed()
{
    if (Index.SelectionCount != 1 || Index.SelectedIndex < 1 || !GetIndex(Index.SelectedIndex))
        return false;
    if (!ReadElement(Index.SelectedIndex, AuxElement2))
        return false;
    return AuxElement2.ObjectType == LineObject || AuxElement2.ObjectType == AreaObject;
}

} // namespace

// ---- The dialog's edit ----

PartialEdit::PartialEdit(const SetupRecord& setup, bool objectAllowed)
    : rect_(setup.PartialRange), objectAllowed_(objectAllowed)
{
    if (rect_ == CordRect{})
        EntireMap();
}

RangeFields PartialEdit::Fields() const
{
    return {rect_.x1 / CordPerMm, rect_.x2 / CordPerMm, rect_.y1 / CordPerMm, rect_.y2 / CordPerMm};
}

void PartialEdit::Store(const RangeFields& f)
{
    rect_ = {MmToCord(f.Left), MmToCord(f.Bottom), MmToCord(f.Right), MmToCord(f.Top)};
}

void PartialEdit::EntireMap()
{
    CordRect r;
    if (GetFullExtent(r))
        rect_ = r;
}

// ---- Writing ----

bool WritePartialMap(const QString& name, int boundaryObject, const CordRect* range)
{
    SetupRecord* s = Stp();
    if (!s)
        return false;
    TZmd& z = *Index.ActiveZmd;
    std::vector<Cord> boundary;
    CordRect rect = range ? *range : s->PartialRange;
    if (boundaryObject > 0) {
        if (!ReadElement(boundaryObject, CurElement) || CurElement.nItem < 3)
            return false;
        boundary.assign(CurElement.Cords(), CurElement.Cords() + CurElement.nItem);
        OrientAreaRings(boundary.data(), int(boundary.size()));
        const Bounds b = BoundsOf(boundary.data(), int(boundary.size()));
        rect = {b.x1, b.y1, b.x2, b.y2};
        SetupRecord edited = *s;
        edited.PartialRange = rect;
        StoreSetup(edited);
    } else {
        NormalizeRect(rect);
        boundary = {{rect.x1, rect.y1}, {rect.x2, rect.y1}, {rect.x2, rect.y2}, {rect.x1, rect.y2}};
    }
    if (!CreateSubsetFile(name, z.Header.FileType, *s))
        return false;
    PartialWriter writer(std::move(boundary), rect, boundaryObject <= 0);
    AbortRequested = false;
    {
        ScopedProgress progress(TextKey::ExportPartial, TextKey::ObjExported, z.HighestObject, 10);
        for (int n = 1; n <= z.HighestObject && !Subset.Failed && !AbortRequested; ++n) {
            if (n == boundaryObject || !GetIndex(n) || !EntryLive(Index.CurIndex)
                || !RectsOverlap(Index.CurIndex.Rect, rect))
                continue;
            if (ReadElement(n, AuxElement2))
                writer.Handle();
            UpdateProgress(writer.Pieces(), n);
            PollEscape();
        }
    }
    if (AbortRequested) {
        AbandonSubsetFile();
        ErrorMsg(TextKey::ExportAborted, {}, 0);
        return false;
    }
    SubsetWriteSymbols(false);
    const bool written = CloseSubsetFile();
    if (Index.SelectedIndex >= 1)
        ReadElement(Index.SelectedIndex, CurElement);
    return written;
}

void ExportPartialMap()
{
    SetupRecord* s = Stp();
    if (!s)
        return;
    PartialEdit edit(*s, ObjectBoundaryAllowed());
    const CordRect shown = edit.Rect();
    const RangeAnswer answer = IoPorts().RunPartialDialog(edit);
    if (answer == RangeAnswer::Cancel)
        return;
    // A range left as it was shown is no change of the map.
    if (answer == RangeAnswer::Define || (!edit.ObjectBoundary && edit.Rect() != shown)) {
        SetupRecord edited = *s;
        edited.PartialRange = edit.Rect();
        StoreSetup(edited);
    }
    if (answer == RangeAnswer::Define) {
        ProgramConfig.WorkMode = WorkModes::PartialMap;
        return;
    }
    QString name = GetExportFileName(QStringLiteral("-partial.zmd"));
    const QString filter = Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|")
                           + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
    if (!ExecSaveDialog(Text(TextKey::ExportPartial), filter, QStringLiteral("zmd"), PartialHelpContext, name))
        return;
    const int boundary = edit.ObjectBoundary && edit.ObjectAllowed() ? Index.SelectedIndex : 0;
    // The range shown is the one exported, whether or not the map holds it.
    const CordRect range = edit.Rect();
    WritePartialMap(name, boundary, &range);
}

} // namespace zemo
