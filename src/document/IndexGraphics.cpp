#include "document/IndexPrivate.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <unordered_set>
namespace zemo {

using namespace index_private;

namespace {

constexpr uint16_t GraphicsSymbolBase = 32752;
} // namespace

namespace index_private {

// ---- Symbol-graphics mode: the elements of the view's buffer stand for objects ----



SymbolGraphicsBuffer& G()
{
    return *Index.SymbolGraphics;
}

int UsedGraphicsSlots()
{
    int& used = G().UsedSlots;
    if (used < 0 || used > SymbolGraphicsSlots)
        used = 0;
    return used;
}

uint16_t GraphicsU16(int slot, int word)
{
    return LoadLE<uint16_t>(G().Slots.data() + size_t(slot) * 8 + size_t(word) * 2);
}

// Slot of each element, in order; an element of fewer than 2 slots or running past the used
// slots ends the walk.
std::vector<int> GraphicsElementSlots()
{
    std::vector<int> slots;
    const int used = UsedGraphicsSlots();
    for (int s = 0; s + 2 <= used;) {
        const int16_t count = int16_t(GraphicsU16(s, 5));
        if (count < 0 || s + 2 + count > used)
            break;
        slots.push_back(s);
        s += 2 + count;
    }
    return slots;
}

int CountGraphicsElements()
{
    return int(GraphicsElementSlots().size());
}

int GraphicsElementSize(int slot)
{
    return 2 + GraphicsU16(slot, 5);
}

ObjectIndexEntry GraphicsEntry(int slot)
{
    ObjectIndexEntry e;
    const uint16_t type = GraphicsU16(slot, 0);
    const int count = GraphicsU16(slot, 5);
    e.Symbol = uint16_t(GraphicsSymbolBase + (type >= 1 && type <= 4 ? type : 1));
    e.Length = uint16_t(count + 2);
    e.Pos = slot;
    int64_t w = 0;
    if (type == 1)
        w = int64_t(GraphicsU16(slot, 3) / 2 + 1) * 256;
    else if (type == 3 || type == 4)
        w = int64_t(GraphicsU16(slot, 4) / 2 + 1) * 256;
    for (int i = 0; i < count; ++i) {
        const uint8_t* p = G().Slots.data() + size_t(slot + 2 + i) * 8;
        const int32_t x = Masked(LoadLE<int32_t>(p)), y = Masked(LoadLE<int32_t>(p + 4));
        CordRect r{x, y, x, y};
        UniteRect(e.Rect, r, i == 0);
    }
    e.Rect = {Clamp32(e.Rect.x1 - w), Clamp32(e.Rect.y1 - w), Clamp32(e.Rect.x2 + w), Clamp32(e.Rect.y2 + w)};
    return e;
}

void ReadSymbolElement(int slot, ElementRecord& e)
{
    const uint16_t type = GraphicsU16(slot, 0);
    e.Symbol = int16_t(type >= 15 ? 0 : GraphicsSymbolBase + type);
    e.ObjectType = type == 1 ? LineObject : type == 2 ? AreaObject : PointObject;
    e.Word12 = int16_t(GraphicsU16(slot, 1));
    e.Angle = int16_t(GraphicsU16(slot, 2));
    e.Word10 = int16_t(GraphicsU16(slot, 3));
    e.Word14 = int16_t(GraphicsU16(slot, 4));
    const int count = GraphicsU16(slot, 5);
    e.nItem = uint16_t(count > MaxElementListSlots ? 0 : count);
    for (int i = 0; i < e.nItem; ++i) {
        const uint8_t* p = G().Slots.data() + size_t(slot + 2 + i) * 8;
        e.Slots[size_t(i)] = {LoadLE<int32_t>(p), LoadLE<int32_t>(p + 4)};
    }
}

// The element bytes of an object (head and Cords).
std::vector<uint8_t> WriteSymbolElement(const ElementRecord& e)
{
    std::vector<uint8_t> out(16 + size_t(e.nItem) * 8, 0);
    ByteWriter w(out);
    w.PutU16(0, uint16_t(uint16_t(e.Symbol) - GraphicsSymbolBase));
    w.PutU16(2, uint16_t(e.Word12));
    w.PutU16(4, uint16_t(e.Angle));
    w.PutU16(6, uint16_t(e.Word10));
    w.PutU16(8, uint16_t(e.Word14));
    w.PutU16(10, e.nItem);
    for (int i = 0; i < e.nItem; ++i) {
        w.PutI32(16 + size_t(i) * 8, e.Slots[size_t(i)].x);
        w.PutI32(20 + size_t(i) * 8, e.Slots[size_t(i)].y);
    }
    return out;
}

// Replaces `oldSlots` slots at `slot` by `bytes`; the elements behind move. False when the
// buffer would overflow.
bool SpliceGraphics(int slot, int oldSlots, const std::vector<uint8_t>& bytes)
{
    const int used = UsedGraphicsSlots();
    const int newSlots = int(bytes.size() / 8);
    if (used - oldSlots + newSlots > SymbolGraphicsSlots) {
        ErrorMsg(TextKey::SymbolTooComplex, {}, SymbolTooComplexHelpContext);
        return false;
    }
    uint8_t* base = G().Slots.data();
    std::memmove(base + size_t(slot + newSlots) * 8, base + size_t(slot + oldSlots) * 8,
                 size_t(used - slot - oldSlots) * 8);
    if (!bytes.empty())
        std::memcpy(base + size_t(slot) * 8, bytes.data(), bytes.size());
    G().UsedSlots = used - oldSlots + newSlots;
    return true;
}

void FillGraphicsEditSymbol()
{
    const ElementRecord& e = Index.CurElement;
    SymbolBytes& rec = Index.GraphicsEditSymbol;
    rec = MakeDefaultSymbol();
    SetSymI16(rec, SymNumber, e.Symbol);
    SetSymI16(rec, SymObjectType, e.ObjectType);
    ColorSet set;
    if (e.Angle >= 0 && e.Angle <= 255)
        set.set(size_t(e.Angle));
    SetSymColors(rec, set);
    int extent = 0;
    if (uint16_t(e.Symbol) == GraphicsSymbolBase + 1)
        extent = e.Word10 / 2 + 1;
    else if (uint16_t(e.Symbol) == GraphicsSymbolBase + 3 || uint16_t(e.Symbol) == GraphicsSymbolBase + 4)
        extent = e.Word14 / 2 + 1;
    SetSymI16(rec, SymExtent, int16_t(extent));
}
} // namespace index_private

} // namespace zemo
