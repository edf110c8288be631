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
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <unordered_set>
namespace zemo {

using namespace index_private;

namespace {

// Is the symbol of entry e drawn with `colour`? (-1 any; 256 or more none)
bool EntryHasColour(const ObjectIndexEntry& e, int colour)
{
    if (colour < 0)
        return true;
    if (colour > 255)
        return false;
    SymbolBytes* rec = nullptr;
    GetSymbol(e.Symbol, rec);
    // The one bit, read where it is stored: a scan asks this of every entry it passes.
    return SymColorSet + 32 <= rec->size() && ((*rec)[SymColorSet + size_t(colour) / 8] >> (colour % 8) & 1) != 0;
}
} // namespace

namespace index_private {

bool EntryInScan(const ObjectIndexEntry& e, const CordRect& r, int colour)
{
    // The rectangle first: most entries of a scan lie outside it.
    return RectsOverlap(e.Rect, r) && EntryLive(e) && EntryHasColour(e, colour);
}
} // namespace index_private

// ---- Scans and selection ----

int CountSymbolGraphicsElements()
{
    return GraphicsMode() ? CountGraphicsElements() : 0;
}

void StartElementScan(int n)
{
    // Its reads go no further than the file now reaches, should another program have cut it.
    if (Index.ActiveZmd)
        Index.ActiveZmd->WorkFile.RecheckSize();
    Index.ScanFound = 0;
    Index.ScanPos = n;
    Index.ScanEnd = n == 0 ? Highest() : n;
    Index.ScanFinished = false;
}

namespace {

// The shared walk: blocks failing `blockOk` are skipped whole; entries tested by `entryOk`.
// The same walk over the elements of symbol-graphics mode.
template <typename Ok>
bool NextInGraphicsScan(Ok ok)
{
    const std::vector<int> slots = GraphicsElementSlots();
    const int highest = int(slots.size());
    while (!Index.ScanFinished) {
        if (highest == 0 || Index.ScanEnd < 1 || Index.ScanEnd > highest) {
            Index.ScanFinished = true;
            break;
        }
        int p = Index.ScanPos + 1;
        if (p > highest || p < 1)
            p = 1;
        Index.ScanPos = p;
        if (p == Index.ScanEnd)
            Index.ScanFinished = true;
        const ObjectIndexEntry e = GraphicsEntry(slots[size_t(p - 1)]);
        if (ok(e, p)) {
            Index.CurIndex = e;
            Index.CurIndexNo = p;
            return true;
        }
    }
    return false;
}

template <typename BlockOk, typename EntryOk>
bool NextInScan(BlockOk blockOk, EntryOk entryOk)
{
    if (!Index.ActiveZmd)
        return false;
    TZmd& z = Z();
    const int highest = z.HighestObject;
    while (!Index.ScanFinished) {
        if (highest == 0 || Index.ScanEnd < 1 || Index.ScanEnd > highest) {
            Index.ScanFinished = true;
            break;
        }
        int p = Index.ScanPos + 1;
        if (p > highest || p < 1)
            p = 1;
        const size_t b = size_t((p - 1) >> 8);
        const int last = std::min(int(b) * 256 + 256, highest);
        const ObjectIndexBlock& block = *z.ObjectBlocks[b];
        const bool endHere = Index.ScanEnd >= p && Index.ScanEnd <= last;
        const int stop = endHere ? Index.ScanEnd : last;
        if (blockOk(block)) {
            // The block's entries in a tight loop; the scan's state is written once.
            for (int q = p; q <= stop; ++q) {
                const size_t i = size_t((q - 1) & 255);
                if (entryOk(block, i)) {
                    Index.ScanPos = q;
                    Index.ScanFinished = q == Index.ScanEnd;
                    Index.CurIndex = block.Entries[i];
                    Index.CurIndexNo = q;
                    return true;
                }
            }
        }
        Index.ScanPos = stop;
        if (endHere)
            Index.ScanFinished = true;
    }
    return false;
}

} // namespace

bool NextElementInRect(const CordRect& r, int colour)
{
    if (colour > 255)
        return false;
    if (GraphicsMode())
        return NextInGraphicsScan([&](const ObjectIndexEntry& e, int p) {
            if (!RectsOverlap(e.Rect, r))
                return false;
            if (colour < 0)
                return true;
            const int slot = GraphicsElementSlots()[size_t(p - 1)];
            return GraphicsU16(slot, 2) == colour;
        });
    Index.ScanFound = 0;
    Index.ScanList = nullptr;
    const bool found = NextInScan(
        [&](const ObjectIndexBlock& b) {
            return b.LiveCount > 0 && RectsOverlap(b.Summary, r)
                && (colour < 0 || b.Colors.test(size_t(colour)));
        },
        [&](const ObjectIndexBlock& b, size_t i) {
            return RectsOverlap(b.Entries[i].Rect, r) && EntryInScan(b.Entries[i], r, colour);
        });
    if (found) {
        Index.ScanRect = r;
        Index.ScanColour = colour;
        Index.ScanFound = Index.CurIndexNo;
    }
    return found;
}

ElementsInRect::~ElementsInRect()
{
    if (Index.ScanList == this)
        Index.ScanList = nullptr;
}

bool CollectElementsInRect(const CordRect& r, ElementsInRect& list)
{
    list.rect = r;
    list.numbers.clear();
    for (std::vector<int>& v : list.byColour)
        v.clear();
    list.at = 0;
    if (GraphicsMode() || !Index.ActiveZmd)
        return false;
    TZmd& z = Z();
    const int highest = z.HighestObject;
    // The colours of the last symbol met, as EntryInScan reads them: neighbours mostly share
    // their symbol.
    int lastSymbol = -1;
    std::array<uint8_t, 256> colours{};
    size_t colourCount = 0;
    for (int first = 1; first <= highest; first += 256) {
        const ObjectIndexBlock& block = BlockOf(first);
        if (block.LiveCount <= 0 || !RectsOverlap(block.Summary, r))
            continue;
        const int count = std::min(256, highest - first + 1);
        for (int i = 0; i < count; ++i) {
            const ObjectIndexEntry& e = block.Entries[size_t(i)];
            if (!RectsOverlap(e.Rect, r) || !EntryLive(e))
                continue;
            list.numbers.push_back(first + i);
            if (e.Symbol != lastSymbol) {
                lastSymbol = e.Symbol;
                colourCount = 0;
                SymbolBytes* rec = nullptr;
                GetSymbol(e.Symbol, rec);
                if (rec->size() >= SymColorSet + 32)
                    for (size_t k = 0; k < 32; ++k)
                        for (unsigned bits = (*rec)[SymColorSet + k]; bits != 0; bits &= bits - 1)
                            colours[colourCount++] = uint8_t(8 * k + size_t(std::countr_zero(bits)));
            }
            // Each of them that the block counts.
            for (size_t c = 0; c < colourCount; ++c)
                if (block.Colors.test(colours[c]))
                    list.byColour[colours[c]].push_back(first + i);
        }
    }
    return true;
}

bool NextListedElement(ElementsInRect& list, int colour)
{
    Index.ScanFound = 0;
    if (colour > 255 || GraphicsMode() || !Index.ActiveZmd)
        return false;
    const std::vector<int>& numbers = colour < 0 ? list.numbers : list.byColour[size_t(colour)];
    // While an object is drawn, the entry of one a few further on and the record of the next
    // come from memory: each is far from the one before.
    constexpr size_t EntriesAhead = 4;
    if (list.at + EntriesAhead < numbers.size() && ValidNumber(numbers[list.at + EntriesAhead])) {
        const int ahead = numbers[list.at + EntriesAhead];
        __builtin_prefetch(&BlockOf(ahead).Entries[size_t((ahead - 1) & 255)]);
    }
    if (list.at + 1 < numbers.size() && ValidNumber(numbers[list.at + 1])) {
        const int ahead = numbers[list.at + 1];
        const ObjectIndexEntry& e = BlockOf(ahead).Entries[size_t((ahead - 1) & 255)];
        Z().WorkFile.Prefetch(e.Pos, 32 + 8 * int64_t(e.Length));
    }
    while (list.at < numbers.size()) {
        const int n = numbers[list.at++];
        // Only an object deleted meanwhile is passed over.
        if (!ValidNumber(n) || !EntryLive(BlockOf(n).Entries[size_t((n - 1) & 255)]))
            continue;
        Index.CurIndex = BlockOf(n).Entries[size_t((n - 1) & 255)];
        Index.CurIndexNo = n;
        Index.ScanRect = list.rect;
        Index.ScanColour = colour;
        Index.ScanFinished = list.at == numbers.size();
        Index.ScanFound = n;
        Index.ScanList = &list;
        return true;
    }
    return false;
}

bool NextSelectedElement()
{
    if (GraphicsMode())
        return NextInGraphicsScan([](const ObjectIndexEntry&, int p) {
            return p <= 256 && Index.GraphicsSelection[size_t(p - 1)] != 0;
        });
    return NextInScan([](const ObjectIndexBlock& b) { return b.Selected.any(); },
                      [](const ObjectIndexBlock& b, size_t i) { return b.Selected.test(i); });
}

bool IsSelected(int n)
{
    if (!GraphicsMode() && !Index.ActiveZmd)
        return false;
    if (GraphicsMode())
        return ValidNumber(n) && n <= 256 && Index.GraphicsSelection[size_t(n - 1)] != 0;
    return ValidNumber(n) && BlockOf(n).Selected.test(size_t((n - 1) & 255));
}

void ToggleSelection(int n)
{
    if (!ValidNumber(n))
        return;
    if (GraphicsMode()) {
        if (n > 256)
            return;
        uint8_t& bit = Index.GraphicsSelection[size_t(n - 1)];
        if (bit) {
            bit = 0;
            --Index.SelectionCount;
            return;
        }
        bit = 1;
    } else {
        auto& bits = BlockOf(n).Selected;
        const size_t i = size_t((n - 1) & 255);
        if (bits.test(i)) {
            bits.reset(i);
            --Index.SelectionCount;
            return;
        }
        bits.set(i);
    }
    ++Index.SelectionCount;
    if (Index.SelectionCount == 1) {
        Index.SelectionRect = Index.CurIndex.Rect;
        Index.SelectedIndex = n;
    } else {
        ExtendRect(Index.SelectionRect, Index.CurIndex.Rect);
        Index.SelectedIndex = 0;
    }
}

void SelectOnly(int n)
{
    ClearSelection();
    ToggleSelection(n);
}

void ClearSelectionBits()
{
    if (Index.ActiveZmd)
        for (auto& b : Z().ObjectBlocks)
            b->Selected.reset();
    Index.GraphicsSelection.fill(0);
    Index.SelectionCount = 0;
}

void ClearSelection()
{
    ClearSelectionBits();
    Index.SelectedIndex = 0;
    Index.SelectedHoleStart = 0;
}

} // namespace zemo
