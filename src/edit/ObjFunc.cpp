#include "edit/ObjFunc.h"

#include "core/Config.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Reverse.h"
#include "edit/Work.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"
#include "render/Scale.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zemo {

namespace {

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

bool GraphicsEditing()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}

int SymbolType(const SymbolBytes& s)
{
    return SymI16(s, SymObjectType);
}

// The symbol a fill or change uses: the window's drawing symbol; outside symbol-graphics
// editing only while the map has symbols and one is current.
const SymbolBytes* TargetSymbol()
{
    const SymbolBytes* s = CurrentSymbol();
    if (!s || s->size() < size_t(SymbolHeadBytes))
        return nullptr;
    if (!GraphicsEditing() && (Index.ActiveZmd->SymbolCount() == 0 || CurrentSymbolPos() < 0))
        return nullptr;
    return s;
}

// In symbol-graphics editing the panel's element parameters must be in range before anything
// is made or changed; otherwise the command does nothing.
bool GraphicParamsReady()
{
    if (!GraphicsEditing())
        return true;
    static ElementRecord probe;  // 256 KB: off the stack
    return EditPorts().ReadGraphicObjectParams(probe);
}

// One past the last point of the ring that starts at `start`.
int RingEndAt(const ElementRecord& e, int start)
{
    int k = start + 1;
    while (k < e.nItem && !(e.Cords()[k].y & HoleFlag))
        ++k;
    return k;
}

// A valid selected hole of the area e: the index of its first point, else 0.
int HoleOf(const ElementRecord& e, int holeStart)
{
    if (e.ObjectType != AreaObject || holeStart <= 0 || holeStart >= e.nItem
        || !(e.Cords()[holeStart].y & HoleFlag))
        return 0;
    return holeStart;
}

// Selects the objects (the selection was dropped before): one becomes SelectedIndex.
void SelectObjects(const std::vector<int>& objects)
{
    for (int n : objects)
        if (GetIndex(n) && !IsSelected(n))
            ToggleSelection(n);
    SetSelectionBox();
}

// Commands that add objects record one step. In symbol-graphics mode it is the buffer's copy
// taken before the change; for map objects the list of the new objects taken after it.
void RecordAddedBefore()
{
    if (GraphicsEditing()) {
        RecordUndo(UndoStart, 0);
        RecordUndo(UndoAddMany, -1);
    }
}

void RecordAddedAfter()
{
    if (!GraphicsEditing()) {
        RecordUndo(UndoStart, 0);
        RecordUndo(UndoAddMany, -1);
    }
}

// The picture of CurElement leaves the screen: its area redrawn, or erased on top.
void ErasePicture(const CordRect& r)
{
    if (ProgramConfig.RedrawBackground)
        UpdateRect(r);
    else
        RedrawCurrent(true);
}

// The selection after some of its members were deleted: one left is SelectedIndex again.
void SettleSelection()
{
    if (Index.SelectionCount == 0) {
        ClearSelection();
        return;
    }
    if (Index.SelectionCount == 1) {
        StartElementScan(0);
        if (NextSelectedElement())
            Index.SelectedIndex = Index.CurIndexNo;
    }
}

// Appends CurElement; its number joins `made`.
bool AppendMade(std::vector<int>& made)
{
    if (!AppendElement())
        return false;
    made.push_back(Index.CurIndexNo);
    return true;
}

} // namespace

// ---- Shared ----

std::vector<int> ObjectTargets()
{
    std::vector<int> objects = SelectedObjects();
    if (objects.empty() && Index.SelectedIndex > 0)
        objects.push_back(Index.SelectedIndex);
    return objects;
}

CordRect ObjectsRect(const std::vector<int>& objects)
{
    CordRect r{};
    bool first = true;
    for (int n : objects) {
        if (!GetIndex(n))
            continue;
        if (first)
            r = Index.CurIndex.Rect;
        else
            ExtendRect(r, Index.CurIndex.Rect);
        first = false;
    }
    return r;
}

bool BeginObjectEdit(int n)
{
    if (EditSys.ElementChanged)
        UpdateElement();
    if (!ReadElement(n, CurElement) || CurElement.nItem == 0)
        return false;
    if (EditSys.MarksShown && n == Index.SelectedIndex) {
        UnmarkElement(CurElement);
        EditSys.MarksShown = false;
    }
    BeginElementEdit(n);
    EditSys.EditOldRect = Index.KeptIndex.Rect;
    EditSys.EditBackupValid = true;
    return true;
}

bool SaveObjectEdit(int n)
{
    if (!SaveElement(n))
        return false;
    EditSys.ElementChanged = true;
    UpdateElement();
    return true;
}

void CopyElement(ElementRecord& dst, const ElementRecord& src)
{
    if (&dst == &src)
        return;
    dst.Symbol = src.Symbol;
    dst.ObjectType = src.ObjectType;
    dst.Flags = src.Flags;
    dst.nItem = src.nItem;
    dst.nText = src.nText;
    dst.Angle = src.Angle;
    dst.Word10 = src.Word10;
    dst.Word12 = src.Word12;
    dst.Word14 = src.Word14;
    dst.LayerName = src.LayerName;
    std::copy_n(src.Slots.begin(), std::min(src.SlotCount(), ElementSlotCapacity), dst.Slots.begin());
}

void RemoveCords(ElementRecord& e, int from, int to)
{
    const int slots = int(std::min(e.SlotCount(), ElementSlotCapacity));
    from = std::clamp(from, 0, int(e.nItem));
    to = std::clamp(to, from, int(e.nItem));
    if (to == from)
        return;
    std::move(e.Slots.begin() + to, e.Slots.begin() + slots, e.Slots.begin() + from);
    std::fill(e.Slots.begin() + slots - (to - from), e.Slots.begin() + slots, Cord{});
    e.nItem = uint16_t(e.nItem - (to - from));
}

Cord DuplicateOffset()
{
    auto step = [](double scale) {
        return scale == 0 || !std::isfinite(scale) ? 0 : Masked(SafeRound(30 / scale));
    };
    return {step(Scale.ViewScaleX), step(Scale.ViewScaleY)};
}

// ---- Rules ----

bool FillObject(const ElementRecord& source, int holeStart, const SymbolBytes& s, std::vector<int>& made)
{
    const int st = SymbolType(s), et = source.ObjectType;
    if (st != et && !(st == LineObject && et == AreaObject) && !(st == AreaObject && et == LineObject))
        return false;
    // The part of the source that is filled: the selected hole alone, as an area of its own.
    static ElementRecord part;  // 256 KB: off the stack
    CopyElement(part, source);
    if (const int hole = HoleOf(source, holeStart)) {
        const int end = RingEndAt(source, hole);
        RemoveCords(part, end, part.nItem);
        RemoveCords(part, 0, hole);
        part.Cords()[0].y &= ~HoleFlag;
        part.Angle = 0;
    }
    const int16_t number = SymI16(s, SymNumber);
    ElementRecord& e = CurElement;
    if (st != LineObject || et != AreaObject) {
        CopyElement(e, part);
        e.Symbol = number;
        e.ObjectType = uint8_t(st);
        if (GraphicsEditing() && !EditPorts().ReadGraphicObjectParams(e))
            return false;
        return AppendMade(made);
    }
    // Every ring becomes a closed line.
    bool any = false;
    for (int start = 0; start < part.nItem;) {
        const int end = RingEndAt(part, start);
        if (end - start < 2) {  // a lone point makes no line
            start = end;
            continue;
        }
        InitElement(e, number, LineObject, 0, 0, 0);
        for (int i = start; i < end; ++i) {
            const Cord c = part.Cords()[i];
            e.Cords()[e.nItem++] = {c.x, Masked(c.y) | (c.y & CornerFlag)};
        }
        const Cord first = e.Cords()[0];
        if (!CordsEqual(e.Cords()[e.nItem - 1], first) && e.nItem < MaxElementItems)
            e.Cords()[e.nItem++] = {Masked(first.x), Masked(first.y) | (first.y & CornerFlag)};
        start = end;
        if (GraphicsEditing() && !EditPorts().ReadGraphicObjectParams(e))
            return any;
        any = AppendMade(made) || any;
    }
    return any;
}

bool ChangeSymbol(ElementRecord& e, const SymbolBytes& s)
{
    // An element keeps its kind: only the quick editor's fields change it.
    if (GraphicsEditing())
        return EditPorts().ReadGraphicObjectParams(e);
    const int st = SymbolType(s), et = e.ObjectType;
    if (st != et) {
        if (st == LineObject && et == AreaObject)
            RemoveCords(e, LineItems(e), e.nItem);  // the outer ring only
        else if (!(st == AreaObject && et == LineObject)
                 && !(st == TextObject && et == RectangleObject && e.nText > 0))
            return false;
    }
    e.Symbol = SymI16(s, SymNumber);
    if (et >= PointObject && et <= AreaObject)
        e.ObjectType = uint8_t(st);
    if (GraphicsEditing() && !EditPorts().ReadGraphicObjectParams(e))
        return false;
    if (st == LineObject && SymU8(s, SymTextFlag) != 1)
        e.nText = 0;
    return true;
}

// ---- Commands ----

void DeleteObjects()
{
    TZmd* z = Map();
    if (!z || z->CoursePreviewOn)
        return;
    GetData();
    if (Index.SelectionCount >= 2) {
        const std::vector<int> objects = ObjectTargets();
        const CordRect box = ObjectsRect(objects);
        RecordUndo(UndoStart, 0);
        RecordUndo(UndoDeleteMany, -1);
        DropSelection();
        {
            UndoSuspend combined;
            // From the highest number down: symbol-graphics elements behind a deleted one
            // move down a place.
            for (auto it = objects.rbegin(); it != objects.rend(); ++it)
                DeleteElement(*it);
        }
        EditSys.EditOldRect = EditSys.StretchBox = box;
        UpdateMulti();
    } else if (const int n = Index.SelectedIndex; n > 0) {
        const int hole = Index.SelectedHoleStart;
        if (!BeginObjectEdit(n))
            return;
        if (const int h = HoleOf(CurElement, hole)) {
            RemoveCords(CurElement, h, RingEndAt(CurElement, h));
            Index.SelectedHoleStart = 0;
            SaveObjectEdit(n);
        } else {
            const CordRect r = Index.CurIndex.Rect;
            DropSelection();
            ErasePicture(r);
            DeleteElement(n);
            Index.SelectedIndex = 0;
        }
    }
    FlushMapFile();
    ShowObjectRecord();
    // A deleted control leaves its course shorter.
    RepaintCourse();
}

void DuplicateObjects()
{
    TZmd* z = Map();
    if (!z || z->CoursePreviewOn)
        return;
    const Cord d = DuplicateOffset();
    if (Index.SelectionCount >= 2) {
        const std::vector<int> objects = ObjectTargets();
        EditSys.EditOldRect = ObjectsRect(objects);
        RecordAddedBefore();
        DropSelection();
        std::vector<int> made;
        {
            UndoSuspend combined;
            for (int n : objects)
                if (ReadElement(n, CurElement) && CurElement.nItem > 0) {
                    MoveElement(CurElement, d.x, d.y);
                    AppendMade(made);
                }
        }
        SelectObjects(made);
        RecordAddedAfter();
        UpdateMulti();
    } else if (const int n = Index.SelectedIndex; n > 0) {
        if (EditSys.ElementChanged)
            UpdateElement();
        DropSelection();
        if (!ReadElement(n, CurElement) || CurElement.nItem == 0)
            return;
        BeginElementEdit(0);
        MoveElement(CurElement, d.x, d.y);
        if (!AppendElement())
            return;
        const int copy = Index.CurIndexNo;
        SelectOnly(copy);
        GetIndex(copy);
        if (ProgramConfig.RedrawBackground)
            UpdateRect(Index.CurIndex.Rect);
        else
            RedrawCurrent(false);
    } else {
        return;
    }
    ProgramConfig.WorkMode = WorkModes::EditObject;
    FlushMapFile();
}

void ReverseObjects()
{
    if (!Map())
        return;
    auto reversible = [](const ElementRecord& e) { return e.ObjectType == LineObject && e.nItem >= 2; };
    if (Index.SelectionCount >= 2) {
        const std::vector<int> objects = ObjectTargets();
        EditSys.EditOldRect = EditSys.StretchBox = ObjectsRect(objects);
        BeginElementEdit(-1);
        {
            UndoSuspend combined;
            for (int n : objects)
                if (ReadElement(n, CurElement) && reversible(CurElement)) {
                    ReverseLine(CurElement);
                    SaveElement(n);
                }
        }
        UpdateMulti();
    } else if (const int n = Index.SelectedIndex; n > 0) {
        if (!ReadElement(n, AuxElement1) || !reversible(AuxElement1) || !BeginObjectEdit(n))
            return;
        ReverseLine(CurElement);
        SaveObjectEdit(n);
    } else {
        return;
    }
    FlushMapFile();
}

void JoinObject()
{
    const int n = Index.SelectedIndex;
    if (!Map() || n <= 0 || Index.SelectionCount >= 2)
        return;
    if (!ReadElement(n, AuxElement1) || AuxElement1.ObjectType != LineObject || !BeginObjectEdit(n))
        return;
    JoinMain(n);
    const ElementRecord& kept = Index.AuxElement3;
    if (std::equal(kept.Cords(), kept.Cords() + kept.nItem, CurElement.Cords()))
        return;  // no end met another: nothing to save
    SaveObjectEdit(n);
    FlushMapFile();
}

void FillObjects()
{
    TZmd* z = Map();
    const SymbolBytes* s = z && !z->CoursePreviewOn ? TargetSymbol() : nullptr;
    if (!s || !GraphicParamsReady())
        return;
    const SymbolBytes symbol = *s;  // appending may add to the symbol list
    const bool multi = Index.SelectionCount >= 2;
    const std::vector<int> objects = ObjectTargets();
    if (objects.empty())
        return;
    const int hole = multi ? 0 : Index.SelectedHoleStart;
    const CordRect before = ObjectsRect(objects);
    RecordAddedBefore();
    DropSelection();
    std::vector<int> made;
    {
        UndoSuspend combined;
        static ElementRecord source;  // 256 KB: off the stack
        for (int n : objects)
            if (ReadElement(n, source) && source.nItem > 0)
                FillObject(source, hole, symbol, made);
    }
    SelectObjects(made);
    if (!made.empty())
        RecordAddedAfter();
    if (multi) {
        EditSys.EditOldRect = before;
        UpdateMulti();
    } else {
        // The new object may be drawn wider than the source: its symbol's extent around it.
        const int64_t w = int64_t(std::max<int16_t>(SymI16(symbol, SymExtent), 0)) * 256;
        auto widen = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
        UpdateRect({widen(before.x1 - w), widen(before.y1 - w), widen(before.x2 + w), widen(before.y2 + w)});
    }
    FlushMapFile();
}

void ChangeObjectSymbol()
{
    TZmd* z = Map();
    if (!z)
        return;
    GetData();
    const SymbolBytes* s = GraphicParamsReady() ? TargetSymbol() : nullptr;
    if (!s) {
        ShowObjectRecord();
        return;
    }
    const SymbolBytes symbol = *s;
    if (Index.SelectionCount >= 2) {
        const std::vector<int> objects = ObjectTargets();
        EditSys.EditOldRect = ObjectsRect(objects);
        BeginElementEdit(-1);
        {
            UndoSuspend combined;
            for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
                const int n = *it;
                if (!ReadElement(n, CurElement) || CurElement.nItem == 0)
                    continue;
                if (ChangeSymbol(CurElement, symbol) && SaveElement(n)) {
                    WriteSymbolField(n);
                } else {
                    if (IsSelected(n))
                        ToggleSelection(n);
                    DeleteElement(n);
                }
            }
        }
        SettleSelection();
        SetSelectionBox();
        UpdateMulti();
    } else if (const int n = Index.SelectedIndex; n > 0) {
        if (!BeginObjectEdit(n))
            return;
        if (ChangeSymbol(CurElement, symbol) && SaveObjectEdit(n)) {
            WriteSymbolField(n);
        } else {
            // Not saved: the store still holds the object as it was.
            ReadElement(n, CurElement);
            const CordRect r = Index.CurIndex.Rect;
            DropSelection();
            ErasePicture(r);
            DeleteElement(n);
            Index.SelectedIndex = 0;
        }
    }
    FlushMapFile();
    ShowObjectRecord();
    // A deleted control leaves its course shorter.
    RepaintCourse();
}

void ObjectsToGraphics()
{
    TZmd* z = Map();
    if (!z || GraphicsEditing())
        return;
    const bool multi = Index.SelectionCount >= 2;
    const std::vector<int> objects = ObjectTargets();
    if (objects.empty())
        return;
    CordRect area = ObjectsRect(objects);
    RecordUndo(UndoStart, 0);
    if (multi)
        RecordUndo(UndoDeleteMany, -1);
    DropSelection();

    std::vector<int> made;
    const ScaleState view = Scale;
    QImage scratch(8, 8, QImage::Format_RGB32);
    {
        UndoSuspend combined;
        PainterDevice dc(&scratch);
        Graph.OutputDC = &dc;
        Graph.OutputMode = NewObjectOutput;
        Graph.ClipRect = {-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit};
        Graph.AppendElementHook = [&made](ElementRecord& e) {
            CopyElement(CurElement, e);
            AppendMade(made);
        };
        SetOutputAdjust(100, 100, false);
        BeginDrawing(false);
        for (int n : objects) {
            if (!ReadElement(n, DrawElement) || DrawElement.nItem == 0)
                continue;
            SymbolBytes* rec = nullptr;
            GetSymbol(DrawElement.Symbol, rec);
            DrawSymbol = rec ? rec->data() : Index.DefaultSymbol.data();
            DrawObjectColorPasses([](uint32_t cmyk) { return cmyk; });
            if (multi)
                DeleteElement(n);
        }
        EndDrawing();
        Graph.AppendElementHook = nullptr;
        Graph.OutputMode = ScreenOutput;
        Graph.OutputDC = nullptr;
    }
    Scale = view;
    if (!multi)
        DeleteElement(objects.front());
    SelectObjects(made);
    FlushMapFile();
    z->WriteSymbolIndex();
    RecordUndo(UndoAddMany, -1);
    ExtendRect(area, ObjectsRect(made));
    DocumentPorts().SymbolsChanged();
    UpdateRect(area);
}

} // namespace zemo
