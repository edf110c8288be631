#include "edit/Merge.h"

#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/EditTransform.h"
#include "edit/ObjFunc.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Reverse.h"
#include "render/PolyClip.h"
#include "render/Texts.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace zemo {

MergeUnitState Merge;

namespace {

// Texts of one merged object: fewer characters than this, with their line breaks.
constexpr int MostMergedChars = 8192;
// The key that sorts texts from top to bottom, from the height in 0.01 mm.
constexpr int64_t TopKeyBase = 400000;

bool GraphicsEditing()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}

ElementRecord& Scratch()
{
    static ElementRecord e;
    return e;
}

// What object n would merge as, and its symbol.
int KindOf(int n, int& symbol)
{
    int type = 0;
    bool text = false;
    ElementRecord& e = Scratch();
    if (GraphicsEditing()) {
        if (!ReadElement(n, e))
            return MergeNothing;
        symbol = e.Symbol;
        type = e.ObjectType;
        text = e.nText > 0;
    } else {
        TZmd* z = Index.ActiveZmd;
        if (!z || n < 1 || n > z->HighestObject || !EntryLive(z->Entry(n)))
            return MergeNothing;
        const uint16_t word = z->Entry(n).Symbol;
        symbol = int16_t(word & ~CourseOnlyMark);
        SymbolBytes* s = nullptr;
        if (!GetSymbol(word, s) || !s || s->size() < size_t(SymbolHeadBytes))
            return MergeNothing;
        type = SymI16(*s, SymObjectType);
        text = type == TextObject || (type == LineObject && SymU8(*s, SymTextFlag) == 1);
        // A rectangle carries text or not by itself.
        if (type == RectangleObject) {
            if (!ReadElement(n, e))
                return MergeNothing;
            text = e.nText > 0;
        }
    }
    if (type == LineObject)
        return text ? MergeNothing : MergeLineKind;
    if (type == AreaObject)
        return MergeAreaKind;
    if (type >= TextObject && text)
        return MergeTextKind;
    return MergeNothing;
}

bool Meets(Cord a, Cord b)
{
    return CordsWithinUnits(a, b, MergeJoinTolerance);
}

// The symbol of the one object left becomes the one drawn with.
void MakeSymbolCurrent(int16_t symbol)
{
    TZmd* z = Index.ActiveZmd;
    const int v = int16_t(uint16_t(symbol) & ~CourseOnlyMark);
    if (!z || GraphicsEditing() || v < 1 || v > MaxSymbolNumber)
        return;
    const int pos = z->NumberTable[size_t(v)];
    if (pos >= 0 && pos < z->SymbolCount())
        SetCurrentSymbolPos(pos);
}

// The merged objects become the selection (a single one its own); the screen follows.
void SelectMerged(const std::vector<int>& made, CordRect area)
{
    for (int n : made)
        if (GetIndex(n)) {
            ExtendRect(area, Index.CurIndex.Rect);
            if (!IsSelected(n))
                ToggleSelection(n);
        }
    SetSelectionBox();
    EditSys.EditOldRect = area;
    UpdateRect(area);
    if (made.size() == 1 && ReadElement(made.front(), Index.CurElement)) {
        GetSymbol(Index.CurElement.Symbol, Index.CurSymbol);
        MakeSymbolCurrent(Index.CurElement.Symbol);
    }
    FlushMapFile();
    DocumentPorts().UpdateUndoButtons();
}

class Hourglass {
public:
    Hourglass()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(true);
    }
    ~Hourglass()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(false);
    }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

// The side flags of a joint's segment come from the segment that goes on from it.
void CarrySideFlags(Cord& joint, Cord from)
{
    joint.x = (joint.x & ~NoLeftLineFlag) | (from.x & NoLeftLineFlag);
    joint.y = (joint.y & ~NoRightLineFlag) | (from.y & NoRightLineFlag);
}

// An area's outline ready for the union (which turns the rings its way): coincident points
// gone.
void PrepareArea(ElementRecord& e)
{
    e.nItem = uint16_t(RemoveDuplicatePoints(e.Cords(), e.nItem));
    e.nText = 0;
}

struct TextEntry {
    int n = 0;
    int64_t key = 0;
};

} // namespace

void ResetMergeUnit()
{
    Merge = MergeUnitState{};
}

int StoredObjectType(int n)
{
    const KeepCurrentEntry keep;
    if (GraphicsEditing()) {
        ElementRecord& e = Scratch();
        return ReadElement(n, e) ? e.ObjectType : 0;
    }
    TZmd* z = Index.ActiveZmd;
    if (!z || n < 1 || n > z->HighestObject || !EntryLive(z->Entry(n)))
        return 0;
    SymbolBytes* s = nullptr;
    if (!GetSymbol(z->Entry(n).Symbol, s) || !s || s->size() < size_t(SymbolHeadBytes))
        return 0;
    return SymI16(*s, SymObjectType);
}

bool CanMerge()
{
    Merge.MergeKind = MergeNothing;
    if (!Index.MapOpen || !Index.ActiveZmd || Index.SelectedIndex > 0 || Index.SelectionCount < 2)
        return false;
    const KeepCurrentEntry keep;
    const std::vector<int> objects = SelectedObjects();
    if (objects.size() < 2)
        return false;
    int symbol = 0;
    const int kind = KindOf(objects.front(), symbol);
    if (kind == MergeNothing)
        return false;
    for (size_t k = 1; k < objects.size(); ++k) {
        int other = 0;
        if (KindOf(objects[k], other) != kind || other != symbol)
            return false;
    }
    Merge.MergeKind = kind;
    return true;
}

void MergeObjects()
{
    if (!CanMerge())
        return;
    switch (Merge.MergeKind) {
    case MergeLineKind: MergeLines(); break;
    case MergeAreaKind: MergeAreas(); break;
    case MergeTextKind: MergeTexts(); break;
    default: break;
    }
}

void MergeLines()
{
    std::vector<int> list = SelectedObjects();
    if (list.size() < 2)
        return;
    const CordRect area = ObjectsRect(list);
    // One step keeps every selected object as it is.
    BeginElementEdit(-1);
    DropSelection();
    std::vector<int> made;
    {
        const UndoSuspend combined;
        static ElementRecord m;  // 256 KB: off the stack
        ElementRecord& c = Index.CurElement;
        while (!list.empty()) {
            int target = list.front();
            list.erase(list.begin());
            if (!ReadElement(target, m) || m.nItem < 1)
                continue;
            m.nText = 0;
            for (bool joined = true; joined && !list.empty();) {
                joined = false;
                for (size_t k = 0; k < list.size();) {
                    if (!ReadElement(list[k], c) || c.nItem < 1 || m.nItem + c.nItem - 1 > MaxElementItems) {
                        ++k;
                        continue;
                    }
                    c.nText = 0;
                    if (Meets(c.Cords()[0], m.Cords()[0]) || Meets(c.Cords()[c.nItem - 1], m.Cords()[m.nItem - 1]))
                        ReverseLine(c);
                    Cord* mp = m.Cords();
                    const Cord* cp = c.Cords();
                    if (Meets(mp[0], cp[c.nItem - 1])) {
                        // C in front: its last point stands for the joint.
                        const Cord first = mp[0];
                        std::move_backward(mp + 1, mp + m.nItem, mp + m.nItem + c.nItem - 1);
                        std::copy(cp, cp + c.nItem, mp);
                        CarrySideFlags(mp[c.nItem - 1], first);
                    } else if (Meets(mp[m.nItem - 1], cp[0])) {
                        CarrySideFlags(mp[m.nItem - 1], cp[0]);
                        std::copy(cp + 1, cp + c.nItem, mp + m.nItem);
                    } else {
                        ++k;
                        continue;
                    }
                    m.nItem = uint16_t(m.nItem + c.nItem - 1);
                    const int gone = list[k];
                    DeleteElement(gone);
                    list.erase(list.begin() + std::ptrdiff_t(k));
                    // Symbol-graphics elements behind a deleted one move down a place.
                    if (GraphicsEditing()) {
                        for (int& n : list)
                            n -= n > gone ? 1 : 0;
                        for (int& n : made)
                            n -= n > gone ? 1 : 0;
                        target -= target > gone ? 1 : 0;
                    }
                    joined = true;
                }
            }
            CopyRecord(m, c);
            if (SaveElement(target))
                made.push_back(target);
        }
    }
    SelectMerged(made, area);
}

bool MergeAreas()
{
    const std::vector<int> objects = SelectedObjects();
    if (objects.size() < 2)
        return false;
    const Hourglass busy;
    ElementRecord& acc = Index.DrawElement;
    ElementRecord& cur = Index.CurElement;
    if (!ReadElement(objects.front(), acc))
        return false;
    PrepareArea(acc);
    std::vector<Cord> united;
    for (size_t k = 1; k < objects.size(); ++k) {
        if (!ReadElement(objects[k], cur))
            return false;
        PrepareArea(cur);
        if (acc.nItem + cur.nItem - 1 > MaxElementItems) {
            ErrorMsg(TextKey::TooManyMerge, {}, MergeHelpContext);
            return false;
        }
        united.clear();
        const bool ok = UniteAreas(acc.Cords(), cur.Cords(), acc.nItem,
                                   [&united](const Cord* p, int n) { united.assign(p, p + n); }, cur.nItem);
        if (!ok || united.empty()) {
            // Beyond one object's points, or outlines whose crossings do not close.
            const bool full = int(PolyClip.Result.size()) >= MaxOutlinePoints;
            ErrorMsg(full ? TextKey::TooManyMerge : TextKey::CannotMergeAreas, {}, MergeHelpContext);
            return false;
        }
        std::copy(united.begin(), united.end(), acc.Cords());
        acc.nItem = uint16_t(united.size());
    }
    // The union holds: the originals go, its areas come.
    const CordRect area = ObjectsRect(objects);
    RecordUndo(UndoStart, 0);
    RecordUndo(UndoDeleteMany, -1);
    DropSelection();
    {
        const UndoSuspend combined;
        for (auto it = objects.rbegin(); it != objects.rend(); ++it)
            DeleteElement(*it);
    }
    std::vector<int> made;
    SeparateAreas(acc.Cords(), acc.nItem, [&](const Cord* p, int n) {
        // The head of the last object read.
        std::copy(p, p + n, cur.Cords());
        cur.nItem = uint16_t(n);
        cur.nText = 0;
        if (AppendElement())
            made.push_back(Index.CurIndexNo);
    });
    SelectMerged(made, area);
    return true;
}

void MergeTexts()
{
    const std::vector<int> objects = SelectedObjects();
    if (objects.size() < 2)
        return;
    ElementRecord& e = Index.CurElement;
    // Each text's top left corner turned back into the first one's frame; the widest width.
    bool box = false;
    Cord reference{};
    double cosA = 1, sinA = 0;
    double widest = 0;
    std::vector<TextEntry> order;
    for (size_t k = 0; k < objects.size(); ++k) {
        if (!ReadElement(objects[k], e) || e.nItem < 1)
            continue;
        box = box || e.ObjectType == RectangleObject;
        const Cord anchor = e.Cords()[e.nItem - 1];
        if (e.nItem >= 2)
            widest = std::max(widest, std::nearbyint(PointDistance(Cord{Masked(anchor.x), Masked(anchor.y)},
                                                                    Cord{Masked(e.Cords()[e.nItem - 2].x),
                                                                         Masked(e.Cords()[e.nItem - 2].y)})));
        if (order.empty()) {
            reference = {Masked(anchor.x), Masked(anchor.y)};
            const double a = e.Angle * std::numbers::pi / 1800;
            cosA = std::cos(a);
            sinA = std::sin(a);
        }
        Cord back{Masked(anchor.x), Masked(anchor.y)};
        RotatePointsBack(reference.x, reference.y, &back, 1, cosA, sinA, &back);
        order.push_back({objects[k], TopKeyBase - int64_t(Masked(back.y)) / 256});
    }
    if (order.size() < 2)
        return;
    // Texts at one height keep their order and are all kept.
    std::stable_sort(order.begin(), order.end(), [](const TextEntry& a, const TextEntry& b) { return a.key < b.key; });

    std::u16string text;
    std::vector<int> taken;
    for (const TextEntry& t : order) {
        if (!ReadElement(t.n, e))
            continue;
        PrepareTextSymbol(e);
        RestoreTextColor();
        const std::u16string part = Texts.TextBuffer;
        const size_t sep = text.empty() ? 0 : 2;
        if (part.empty()) {
            taken.push_back(t.n);
            continue;
        }
        // A text that would not fit stays an object of its own.
        if (text.size() + sep + part.size() >= size_t(MostMergedChars))
            continue;
        if (sep)
            text += u"\r\n";
        text += part;
        taken.push_back(t.n);
    }
    if (taken.size() < 2)
        return;

    // The topmost text is the base of the new object.
    if (!ReadElement(order.front().n, e))
        return;
    Cord* c = e.Cords();
    if (box && e.ObjectType != RectangleObject) {
        if (e.nItem >= 5)
            std::copy(c + 1, c + 5, c);
        else
            std::fill(c + 1, c + 4, c[0]);
        e.nItem = 4;
        e.ObjectType = RectangleObject;
    }
    if (e.ObjectType == RectangleObject && e.nItem >= 4) {
        // Widened to the widest text, about the top left corner.
        const Cord pivot{Masked(c[3].x), Masked(c[3].y)};
        const double a = e.Angle * std::numbers::pi / 1800;
        RotatePointsBack(pivot.x, pivot.y, c, 4, std::cos(a), std::sin(a), c);
        const int32_t add = Masked(SafeRound(widest + 256));
        c[1].x = Masked(SafeRound(double(Masked(c[0].x)) + add)) | Flags(c[1].x);
        c[2].x = Masked(SafeRound(double(Masked(c[3].x)) + add)) | Flags(c[2].x);
        RotatePoints(pivot.x, pivot.y, c, 4, std::cos(a), std::sin(a), c);
    }
    e.Flags |= ElementUtf16Flag;
    uint8_t* bytes = e.TextBytes();
    for (size_t k = 0; k < text.size(); ++k) {
        bytes[2 * k] = uint8_t(text[k] & 0xFF);
        bytes[2 * k + 1] = uint8_t(text[k] >> 8);
    }
    bytes[2 * text.size()] = bytes[2 * text.size() + 1] = 0;
    e.nText = uint16_t((text.size() + 4) / 4);

    const CordRect area = ObjectsRect(objects);
    RecordUndo(UndoStart, 0);
    if (!AppendElement())
        return;
    const int made = Index.CurIndexNo;
    // The originals whose text went into it are the selection that is deleted.
    DropSelection();
    for (int n : taken)
        if (GetIndex(n))
            ToggleSelection(n);
    RecordUndo(UndoDeleteMany, -1);
    DropSelection();
    {
        const UndoSuspend combined;
        for (auto it = taken.rbegin(); it != taken.rend(); ++it)
            DeleteElement(*it);
    }
    SelectMerged({made}, area);
}

} // namespace zemo
