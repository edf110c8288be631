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
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <set>
#include <unordered_set>
namespace zemo {

using namespace index_private;

namespace {

constexpr int MaxObjectsHelp = 35;

// Object records read with the one before them in a rectangle scan, kept until the file
// changes.
struct RecordsReadAhead {
    const TFileClass* file = nullptr;
    uint64_t stamp = 0;
    int64_t start = 0;
    int64_t length = 0;  // of the bytes read; the buffer only grows, never filled anew
    std::unique_ptr<uint8_t[]> bytes;
    size_t capacity = 0;
};
RecordsReadAhead ReadAhead;

// A record's bytes from what was read ahead, or null.
const uint8_t* ReadAheadRecord(const TFileClass& f, int64_t pos, int64_t size)
{
    const RecordsReadAhead& a = ReadAhead;
    if (a.file != &f || a.stamp != f.ChangeStamp() || pos < a.start
        || pos + size > a.start + a.length)
        return nullptr;
    return a.bytes.get() + (pos - a.start);
}

// How far the read of object n's record at [pos, end) reaches: on over the records of the
// entries of its block that the scan which found n visits next, while each begins at most
// a gap behind the last (a few pages cost less to copy than a call of their own: a paint of
// part of a big map needs every tenth record or so), in blocks of up to a quarter megabyte.
int64_t ReadAheadEnd(int n, int64_t pos, int64_t end)
{
    constexpr int64_t MaxGap = 8192, MaxSpan = 262144;
    if (n != Index.ScanFound || Index.ScanFinished)
        return end;
    const int64_t fileSize = FileSize();
    // Takes e's record along when it begins close behind the last; false where the read ends.
    const auto takeAlong = [&](const ObjectIndexEntry& e) {
        const int64_t size = 32 + 8 * int64_t(std::min<int>(e.Length, MaxSlots));
        if (e.Length == 0 || e.Pos < end || e.Pos - end > MaxGap || e.Pos + size - pos > MaxSpan
            || !InVariablePart(e.Pos, size, fileSize))
            return false;
        end = e.Pos + size;
        return true;
    };
    // A listed scan knows the records it reads next.
    if (const ElementsInRect* list = Index.ScanList) {
        const std::vector<int>& numbers =
            Index.ScanColour < 0 ? list->numbers : list->byColour[size_t(Index.ScanColour)];
        for (size_t k = list->at; k < numbers.size(); ++k) {
            const int m = numbers[k];
            if (!ValidNumber(m) || !takeAlong(BlockOf(m).Entries[size_t((m - 1) & 255)]))
                break;
        }
        return end;
    }
    TZmd& z = Z();
    const ObjectIndexBlock& b = BlockOf(n);
    const int last = std::min(256, z.HighestObject - ((n - 1) & ~255));
    for (int i = ((n - 1) & 255) + 1; i < last; ++i) {
        const ObjectIndexEntry& e = b.Entries[size_t(i)];
        if (EntryInScan(e, Index.ScanRect, Index.ScanColour) && !takeAlong(e))
            break;
    }
    return end;
}

} // namespace

void ParseElementRecord(std::span<const uint8_t> bytes, int length, ElementRecord& e)
{
    ByteReader r(bytes);
    e.Symbol = r.I16(0);
    e.ObjectType = r.U8(2);
    e.Flags = r.U8(3);
    e.nItem = r.U16(4);
    e.nText = r.U16(6);
    e.Angle = r.I16(8);
    e.Word10 = r.I16(10);
    e.Word12 = r.I16(12);
    e.Word14 = r.I16(14);
    r.CopyBytes(16, e.LayerName);
    // Counts beyond the stored length: the text behind them is stale.
    if (e.nItem > length) {
        e.nItem = uint16_t(length);
        e.nText = 0;
    } else if (e.nItem + e.nText > length) {
        e.nText = uint16_t(length - e.nItem);
    }
    Cord* c = e.Cords();
    for (int i = 0; i < e.nItem; ++i) {
        c[i].x = LoadLE<int32_t>(bytes.data() + 32 + size_t(i) * 8);
        c[i].y = LoadLE<int32_t>(bytes.data() + 36 + size_t(i) * 8);
    }
    if (e.nText > 0) {
        uint8_t* t = e.TextBytes();
        const size_t n = size_t(e.nText) * 8;
        std::memcpy(t, bytes.data() + 32 + size_t(e.nItem) * 8, n);
        // Always terminated, whatever the record held.
        t[n - 1] = 0;
        if (e.Flags & ElementUtf16Flag)
            t[n - 2] = 0;
    }
}

namespace {

// Recomputes nText from the text of an object: the characters up to the terminator, the
// terminator and zero padding to whole 64-byte runs, at most MaxElementTextSlots slots.
void FitText(ElementRecord& e)
{
    const size_t capacity = ElementSlotCapacity;
    if (e.nItem >= capacity - 1)
        return;
    const bool wide = e.Flags & ElementUtf16Flag;
    size_t oldSlots = std::min<size_t>(e.nText, capacity - e.nItem - 1);
    e.Slots[e.nItem + oldSlots] = Cord{};  // a text running to its end stops here
    uint8_t* t = e.TextBytes();
    const size_t scan = (oldSlots + 1) * 8;
    size_t chars = 0;  // before the terminator
    if (wide) {
        while (chars * 2 + 1 < scan && (t[chars * 2] | t[chars * 2 + 1]))
            ++chars;
    } else {
        while (chars < scan && t[chars])
            ++chars;
    }
    const size_t perRun = wide ? 32 : 64;  // characters of 64 bytes
    size_t slots = 8 * ((chars + perRun) / perRun);
    const size_t maxSlots = std::min<size_t>(MaxElementTextSlots, capacity - e.nItem - 1);
    if (slots > maxSlots) {
        slots = maxSlots;
        chars = std::min(chars, slots * 8 / (wide ? 2 : 1) - 1);
    }
    const size_t used = chars * (wide ? 2 : 1);
    std::memset(t + used, 0, slots * 8 - used);
    e.nText = uint16_t(slots);
    e.Slots[e.nItem + slots] = Cord{};
}

// A rectangle object's corners: counter-clockwise, square to the direction of its first side.
void SquareRectangle(ElementRecord& e)
{
    Cord* c = e.Cords();
    if (!RingIsCcw(c, 4, 0))
        ReverseRing(c, 4, 0);
    const double a = VectorAngle(double(Masked(c[1].x)) - Masked(c[0].x),
                                 double(Masked(c[1].y)) - Masked(c[0].y));
    e.Angle = SafeRoundSmall(1800.0 * a / std::numbers::pi);
    if (a == 0)
        return;
    const double cosA = std::cos(a), sinA = std::sin(a);
    Cord t[4];
    RotatePointsBack(0, 0, c, 4, cosA, sinA, t);
    auto set = [](int32_t& v, int32_t from) { v = Masked(from) | Flags(v); };
    set(t[1].y, t[0].y);
    set(t[2].x, t[1].x);
    set(t[2].y, t[3].y);
    set(t[3].x, t[0].x);
    RotatePoints(0, 0, t, 4, cosA, sinA, c);
}

void WriteElementAt(int64_t pos, const ElementRecord& e, int length)
{
    Z().WriteBytesAt(pos, ElementRecordBytes(e, length));
}
} // namespace

// ---- Index entries ----

bool GetIndex(int n)
{
    Index.CurIndex = {};
    if (!ValidNumber(n)) {
        ErrorMsg(QStringLiteral(": Index.GetIndex ;"), QString::number(n));
        return false;
    }
    if (GraphicsMode()) {
        Index.CurIndex = GraphicsEntry(GraphicsElementSlots()[size_t(n - 1)]);
        Index.CurIndexNo = n;
        return true;
    }
    Index.CurIndex = Z().Entry(n);
    Index.CurIndexNo = n;
    return Index.CurIndex.Length > 0 && Index.CurIndex.Symbol != 0
        && Index.CurIndex.Symbol != DeletedSymbol;
}

void UpdateIndexTable(int n)
{
    if (GraphicsMode())
        return;  // element entries are computed, not stored
    if (!ValidNumber(n)) {
        ErrorMsg(QStringLiteral(": Index.UpdateIndexTable ;"), QString::number(n));
        return;
    }
    Z().Entry(n) = Index.CurIndex;
    UpdateBlockSummary(BlockOf(n));
}

void WriteIndexEntry(int n)
{
    if (GraphicsMode())
        return;
    if (!ValidNumber(n)) {
        UpdateIndexTable(n);  // reports it
        return;
    }
    UpdateIndexTable(n);
    TZmd& z = Z();
    ObjectIndexEntry out = Index.CurIndex;
    if (out.Symbol == DeletedSymbol)
        out.Symbol = 0;
    if (z.CoursePreviewOn) {
        if (z.CurrentCourseTag.isEmpty())
            out.Symbol = 0;
        else if (int16_t(out.Symbol) > 0)
            out.Symbol |= CourseOnlyMark;
    }
    z.WriteBytesAt(BlockOf(n).EntriesPos + 24 * int64_t((n - 1) & 255), WriteObjectIndexEntry(out));
}

bool IndexFromStIndex(int stringNumber)
{
    const PStringIndexEntry* e = StringEntry(stringNumber);
    if (!e || GraphicsMode() || !ValidNumber(e->Object))
        return false;
    Index.CurIndexNo = e->Object;
    Index.CurIndex = Z().Entry(e->Object);
    return (Index.CurIndex.Symbol & 0x7FFF) != 0;
}

void EraseIndexEntry(int n)
{
    Index.CurIndex.Symbol = 0;
    WriteIndexEntry(n);
}

void SetIndexMark(int n)
{
    Index.CurIndex.Symbol |= CourseOnlyMark;
    UpdateIndexTable(n);
}

void ClearIndexMark(int n)
{
    Index.CurIndex.Symbol &= uint16_t(~CourseOnlyMark);
    UpdateIndexTable(n);
}

void MarkAllIndexEntries()
{
    ReindexFromFile();
    for (auto& b : Z().ObjectBlocks) {
        for (auto& e : b->Entries)
            if (e.Length > 0 && int16_t(e.Symbol) > 0)
                e.Symbol |= CourseOnlyMark;
        UpdateBlockSummary(*b);
    }
}

std::vector<ColorSet> SymbolColorsByPlace()
{
    std::vector<ColorSet> sets;
    if (!Index.ActiveZmd || GraphicsMode())
        return sets;
    sets.reserve(Z().Symbols.size() + 1);
    for (const SymbolBytes& rec : Z().Symbols)
        sets.push_back(SymColors(rec));
    sets.push_back(SymColors(Index.DefaultSymbol));
    return sets;
}

void UpdateBlockSummary(ObjectIndexBlock& block) { UpdateBlockSummary(block, {}); }

void UpdateBlockSummary(ObjectIndexBlock& block, const std::vector<ColorSet>& colorsByPlace)
{
    block.Colors.reset();
    int lastSymbol = -1;  // neighbours mostly share a symbol: its colours are added once
    // A million objects pass here as a map opens: united in registers from the widest
    // start, without a branch or a call, and stored into the block once.
    int live = 0;
    int32_t x1 = INT32_MAX, y1 = INT32_MAX, x2 = INT32_MIN, y2 = INT32_MIN;
    for (const auto& e : block.Entries) {
        if (!EntryLive(e))
            continue;
        x1 = std::min(x1, e.Rect.x1);
        y1 = std::min(y1, e.Rect.y1);
        x2 = std::max(x2, e.Rect.x2);
        y2 = std::max(y2, e.Rect.y2);
        ++live;
        if (e.Symbol == lastSymbol)
            continue;
        lastSymbol = e.Symbol;
        // An object whose symbol is not defined draws with the default symbol and must be
        // found by its colours too.
        if (!colorsByPlace.empty()) {
            const int v = int16_t(uint16_t(e.Symbol) & ~CourseOnlyMark);
            const int at = v >= 1 && v <= MaxSymbolNumber ? Z().NumberTable[size_t(v)] : -1;
            const size_t last = colorsByPlace.size() - 1;
            block.Colors |= colorsByPlace[at >= 0 && size_t(at) < last ? size_t(at) : last];
            continue;
        }
        SymbolBytes* rec = nullptr;
        GetSymbol(e.Symbol, rec);
        block.Colors |= SymColors(*rec);
    }
    block.LiveCount = live;
    if (live > 0)
        block.Summary = {x1, y1, x2, y2};
    if (Index.ActiveZmd)
        Z().UsedColors |= block.Colors;
}

// ---- Objects ----

bool ReadElement(int n, ElementRecord& e)
{
    ZeroHead(e);
    e.Slots[32767] = Cord{};
    if (GraphicsMode()) {
        if (!GetIndex(n))
            return false;
        ReadSymbolElement(GraphicsElementSlots()[size_t(n - 1)], e);
        return true;
    }
    if (!Index.ActiveZmd)
        return false;
    GetIndex(n);
    const ObjectIndexEntry ci = Index.CurIndex;
    if (!ValidNumber(n) || ci.Length == 0 || ci.Pos <= 0)
        return false;
    const int length = std::min<int>(ci.Length, MaxSlots);
    // An entry whose record cannot lie in the file is a damaged entry: nothing is read.
    if (!InVariablePart(ci.Pos, 32 + 8 * int64_t(length), FileSize()))
        return false;
    const int64_t size = 32 + 8 * int64_t(length);
    TZmd& z = Z();
    const uint8_t* record = ReadAheadRecord(z.WorkFile, ci.Pos, size);
    if (!record) {
        // Reading ahead saves trips through the kernel; a mapped file makes none.
        const int64_t end = z.WorkFile.ReadsMapped() ? ci.Pos + size : ReadAheadEnd(n, ci.Pos, ci.Pos + size);
        RecordsReadAhead& a = ReadAhead;
        a.file = nullptr;  // until the read succeeded
        const auto length = size_t(end - ci.Pos);
        if (a.capacity < length) {
            a.bytes = std::make_unique_for_overwrite<uint8_t[]>(length);
            a.capacity = length;
        }
        int64_t got = 0;
        if (end > ci.Pos + size) {
            z.WorkFile.Seek(ci.Pos);
            got = z.WorkFile.ReadBlock(a.bytes.get(), int64_t(length));
        }
        // A record the file no longer holds (another program cut it short) is left out, said
        // once; the paint goes on with the others.
        if (got < size && !z.WorkFile.ReadAtOrSkip(a.bytes.get(), size, ci.Pos)) {
            Index.ScanFound = 0;
            return false;
        }
        a.file = &z.WorkFile;
        a.stamp = z.WorkFile.ChangeStamp();
        a.start = ci.Pos;
        a.length = std::max(got, size);
        record = a.bytes.get();
    }
    Index.ScanFound = 0;
    ParseElementRecord({record, size_t(size)}, length, e);
    if (e.nItem == 0) {
        ZeroHead(e);
        return true;
    }
    Cord* c = e.Cords();
    c[0].y &= ~HoleFlag;
    c[e.nItem - 1].x &= ~FirstBezierFlag;
    if (e.nItem >= 2)
        c[e.nItem - 2].x &= ~FirstBezierFlag;
    return true;
}

void ElementExtent(ElementRecord& e)
{
    GetSymbol(e.Symbol, Index.CurSymbol);
    if (e.ObjectType == RectangleObject && e.nItem >= 4)
        SquareRectangle(e);
    if (e.ObjectType == TextObject || e.nText > 0) {
        FitText(e);
        DocumentPorts().MeasureText(e);
    }
    Index.CurIndex.Symbol = uint16_t(e.Symbol);
    CordRect r{};
    const int n = e.ObjectType == PointObject ? std::min<int>(e.nItem, 1) : e.nItem;
    for (int i = 0; i < n; ++i) {
        const int32_t x = Masked(e.Slots[size_t(i)].x), y = Masked(e.Slots[size_t(i)].y);
        if (i == 0) {
            r = {x, y, x, y};
        } else {
            r.x1 = std::min(r.x1, x);
            r.y1 = std::min(r.y1, y);
            r.x2 = std::max(r.x2, x);
            r.y2 = std::max(r.y2, y);
        }
    }
    const int64_t w = int64_t(SymI16(*Index.CurSymbol, SymExtent)) * 256;
    Index.CurIndex.Rect = {Clamp32(r.x1 - w), Clamp32(r.y1 - w), Clamp32(r.x2 + w), Clamp32(r.y2 + w)};
    // Cell numbers larger than their cells stick out; a repaint of the extent alone would cut them.
    CordRect labels;
    if (e.ObjectType == RectangleObject && e.nText == 0 && DocumentPorts().RectLabelsBox(e, labels)) {
        CordRect& x = Index.CurIndex.Rect;
        x = {std::min(x.x1, labels.x1), std::min(x.y1, labels.y1), std::max(x.x2, labels.x2),
             std::max(x.y2, labels.y2)};
    }
}

namespace {

bool CheckCounts(const char* label, const ElementRecord& e)
{
    if (e.nItem >= 1 && e.nItem <= MaxElementItems && int(e.nItem) + e.nText <= MaxSlots)
        return true;
    ErrorMsg(QString::fromLatin1(label),
             QStringLiteral("nItem: %1, nText: %2").arg(e.nItem).arg(e.nText));
    return false;
}

// The course-object link of object n gets the current course tag.
void RetagCourseLink(int n)
{
    TZmd& z = Z();
    const ObjectIndexEntry keep = Index.CurIndex;
    const int keepNo = Index.CurIndexNo;
    for (int i = 0; i < z.CsObjectLinks.Count(); ++i) {
        const int s = z.CsObjectLinks.GetNumber(i);
        if (IndexFromStIndex(s) && Index.CurIndexNo == n) {
            SavePString(s, z.CurrentCourseTag);
            z.CsObjectLinks.SetString(i, z.CurrentCourseTag);
            break;
        }
    }
    Index.CurIndex = keep;
    Index.CurIndexNo = keepNo;
}

} // namespace

bool AppendElement()
{
    if (GraphicsMode()) {
        RecordUndo(UndoGraphics, 0);
        const ElementRecord& e = Index.CurElement;
        if (e.nItem > MaxElementListSlots || !SpliceGraphics(UsedGraphicsSlots(), 0, WriteSymbolElement(e)))
            return false;
        return GetIndex(Highest());
    }
    if (!Index.ActiveZmd)
        return false;
    TZmd& z = Z();
    ElementRecord& e = Index.CurElement;
    constexpr const char* label = ": Index.AppendElement (;).";
    if (!CheckCounts(label, e))
        return false;
    ElementExtent(e);
    if (!CheckCounts(label, e))
        return false;
    const uint16_t length = uint16_t(e.nItem + e.nText);
    Index.CurIndex.Length = length;
    Index.CurIndexNo = 0;

    int64_t pos = 0;
    // A preview's objects go past the file's end, which is given back when it ends: a dead
    // record taken for one would stay overwritten.
    if (z.CourseMap && !z.CoursePreviewOn) {
        for (int n = 1; n <= z.HighestObject && !Index.CurIndexNo; ++n) {
            const ObjectIndexEntry& old = z.Entry(n);
            if (old.Symbol == 0 && old.Length == length && old.Pos >= VariablePartPos) {
                Index.CurIndexNo = n;
                pos = old.Pos;
            }
        }
    }
    if (!Index.CurIndexNo) {
        if (z.HighestObject >= MaxObjectNumber) {
            ErrorMsg(TextKey::MaxObjects, {}, MaxObjectsHelp);
            return false;
        }
        if (z.WorkFile.Size() < 128) {
            ErrorMsg(QString::fromLatin1(label), QStringLiteral("Invalid temporary file"));
            return false;
        }
        const int n = z.HighestObject + 1;
        pos = z.WorkFile.Size();
        if ((n - 1) / 256 >= z.BlockCount()) {
            // A new block at the end, linked from the previous one or from the header.
            auto block = std::make_unique<ObjectIndexBlock>();
            block->EntriesPos = int32_t(pos + 4);
            z.WriteBytesAt(pos, std::vector<uint8_t>(ObjectIndexBlockBytes, 0));
            if (z.ObjectBlocks.empty()) {
                z.Header.ObjectIndexPos = int32_t(pos);
                z.WriteHeader();
            } else {
                WriteI32At(int64_t(z.ObjectBlocks.back()->EntriesPos) - 4, int32_t(pos));
            }
            z.ObjectBlocks.push_back(std::move(block));
            pos += ObjectIndexBlockBytes;
        }
        Index.CurIndexNo = n;
        z.HighestObject = n;
    }
    Index.CurIndex.Pos = int32_t(pos);
    WriteElementAt(pos, e, length);
    WriteIndexEntry(Index.CurIndexNo);
    z.Modified = 1;
    RecordUndo(UndoAppend, Index.CurIndexNo);
    if (z.CoursePreviewOn && !z.CurrentCourseTag.isEmpty()) {
        const int n = Index.CurIndexNo;
        const ObjectIndexEntry keep = Index.CurIndex;
        const int s = AddPString(z.CurrentCourseTag, CourseObjectLinkType, n);
        z.CsObjectLinks.AddNumber(z.CurrentCourseTag, s);
        z.TaggedObjects.push_back(n);
        Index.CurIndex = keep;
        Index.CurIndexNo = n;
    }
    return true;
}

bool ReleaseFileTail(int64_t from)
{
    if (!Index.ActiveZmd || GraphicsMode())
        return false;
    TZmd& z = Z();
    const int64_t size = z.WorkFile.Size();
    if (from < VariablePartPos || from >= size || !z.WorkFile.IsOpen())
        return false;
    const auto reaches = [from](int64_t pos, int64_t bytes) { return pos > 0 && pos + bytes > from; };
    // What the map holds must lie before it: header records, symbols and their chain.
    const MapFileHeader& h = z.Header;
    if (reaches(h.SetupPos, h.SetupSize) || reaches(h.InfoPos, h.InfoSize))
        return false;
    for (const SymbolBytes& rec : z.Symbols)
        if (reaches(SymI32(rec, SymFilePos), int64_t(rec.size())))
            return false;
    for (int32_t pos : z.UnreadSymbolRecords)
        if (reaches(pos, 1))
            return false;
    {
        std::set<int64_t> visited;
        for (int64_t p = h.SymbolIndexPos; p > 0 && visited.insert(p).second && p + 4 <= size;) {
            if (reaches(p, SymbolIndexBlockBytes))
                return false;
            std::array<uint8_t, 4> next{};
            if (!z.ReadBytesAt(p, next))
                return false;
            p = LoadLE<int32_t>(next.data());
        }
    }
    // Objects, deleted ones that undo may bring back included, and strings, restorable ones
    // included; a block there may hold nothing but free entries.
    size_t objectBlocks = z.ObjectBlocks.size();
    while (objectBlocks > 0 && z.ObjectBlocks[objectBlocks - 1]->EntriesPos - 4 >= from)
        --objectBlocks;
    for (size_t b = 0; b < z.ObjectBlocks.size(); ++b) {
        const ObjectIndexBlock& block = *z.ObjectBlocks[b];
        if (b < objectBlocks && reaches(block.EntriesPos - 4, ObjectIndexBlockBytes))
            return false;
        for (const ObjectIndexEntry& e : block.Entries)
            if (e.Symbol != 0 && (b >= objectBlocks || reaches(e.Pos, int64_t(ElementHeadBytes) + 8 * e.Length)))
                return false;
    }
    size_t stringBlocks = z.StringBlocks.size();
    while (stringBlocks > 0 && z.StringBlocks[stringBlocks - 1].Pos >= from)
        --stringBlocks;
    for (size_t b = 0; b < z.StringBlocks.size(); ++b) {
        const PStringIndexBlock& block = z.StringBlocks[b];
        if (b < stringBlocks && reaches(block.Pos, PStringIndexBlockBytes))
            return false;
        for (const PStringIndexEntry& e : block.Entries)
            if (e.Type != 0 && (b >= stringBlocks || reaches(e.Pos, e.Length)))
                return false;
    }

    // Free entries that point there forget their place; the blocks there leave the chains.
    for (size_t b = 0; b < objectBlocks; ++b) {
        ObjectIndexBlock& block = *z.ObjectBlocks[b];
        for (size_t i = 0; i < block.Entries.size(); ++i)
            if (ObjectIndexEntry& e = block.Entries[i]; e.Pos >= from) {
                e = {};
                z.WriteBytesAt(int64_t(block.EntriesPos) + ObjectIndexEntryBytes * int64_t(i),
                               WriteObjectIndexEntry(e));
            }
    }
    if (objectBlocks < z.ObjectBlocks.size()) {
        z.ObjectBlocks.resize(objectBlocks);
        if (objectBlocks == 0) {
            z.Header.ObjectIndexPos = 0;
            z.WriteHeader();
        } else {
            WriteI32At(int64_t(z.ObjectBlocks.back()->EntriesPos) - 4, 0);
        }
    }
    for (size_t b = 0; b < stringBlocks; ++b) {
        bool changed = false;
        for (PStringIndexEntry& e : z.StringBlocks[b].Entries)
            if (e.Pos >= from) {
                e = {};
                changed = true;
            }
        if (changed)
            WriteStringEntries(int(b));
    }
    if (stringBlocks < z.StringBlocks.size()) {
        z.StringBlocks.resize(stringBlocks);
        if (stringBlocks == 0) {
            z.Header.StringIndexPos = 0;
            z.WriteHeader();
        } else {
            WriteI32At(z.StringBlocks.back().Pos, 0);
        }
    }
    z.StringBlocksFull = std::min(z.StringBlocksFull, z.StringBlocks.size());
    z.HighestObject = std::min(z.HighestObject, int(objectBlocks) * 256);
    while (z.HighestObject > 0 && z.Entry(z.HighestObject).Length == 0)
        --z.HighestObject;
    z.WorkFile.Truncate(from);
    return true;
}

bool SaveElement(int n)
{
    if (GraphicsMode()) {
        if (!ValidNumber(n))
            return false;
        RecordUndo(UndoGraphics, n);
        const int slot = GraphicsElementSlots()[size_t(n - 1)];
        if (Index.CurElement.nItem > MaxElementListSlots
            || !SpliceGraphics(slot, GraphicsElementSize(slot), WriteSymbolElement(Index.CurElement)))
            return false;
        return GetIndex(n);
    }
    if (!Index.ActiveZmd)
        return false;
    TZmd& z = Z();
    if (!ValidNumber(n)) {
        ErrorMsg(QStringLiteral(": SaveElement (Invalid n:;)."), QString::number(n));
        return false;
    }
    ElementRecord& e = Index.CurElement;
    constexpr const char* label = ": SaveElement (;).";
    if (!CheckCounts(label, e))
        return false;
    GetIndex(n);
    const ObjectIndexEntry old = Index.CurIndex;
    ElementExtent(e);
    if (!CheckCounts(label, e))
        return false;
    if (int16_t(old.Symbol) > 0)
        Index.CurIndex.Symbol |= old.Symbol & CourseOnlyMark;
    Index.CurIndex.Pos = old.Pos;
    if (old.Pos <= VariablePartPos) {
        ErrorMsg(QStringLiteral(": SaveElement (Pos:;)."), QString::number(old.Pos));
        return false;
    }
    const int oldLength = std::min<int>(old.Length, MaxSlots);
    const int need = e.nItem + e.nText;
    if (need > oldLength && FileSize() > int64_t(old.Pos) + 32 + 8 * int64_t(oldLength))
        Index.CurIndex.Pos = int32_t(FileSize());
    const int length = std::max(oldLength, need);
    Index.CurIndex.Length = uint16_t(length);
    WriteElementAt(Index.CurIndex.Pos, e, length);
    WriteIndexEntry(n);
    RecordUndo(UndoChange, n);
    if (z.CoursePreviewOn)
        RetagCourseLink(n);
    z.Modified = 1;
    return true;
}

void DeleteElement(int n)
{
    if (!ValidNumber(n)) {
        GetIndex(n);  // reports it
        return;
    }
    if (GraphicsMode()) {
        RecordUndo(UndoGraphics, n);
        const int count = Highest();
        const int slot = GraphicsElementSlots()[size_t(n - 1)];
        SpliceGraphics(slot, GraphicsElementSize(slot), {});
        if (Index.SelectionCount > 0 && n == Index.ScanPos) {
            --Index.ScanPos;
            --Index.ScanEnd;
        }
        auto& sel = Index.GraphicsSelection;
        const size_t last = std::min<size_t>(size_t(count), sel.size());
        if (size_t(n) <= last) {
            std::move(sel.begin() + n, sel.begin() + long(last), sel.begin() + n - 1);
            sel[last - 1] = 0;
        }
        if (Index.SelectedIndex > n)
            --Index.SelectedIndex;
        return;
    }
    TZmd& z = Z();
    GetIndex(n);
    RecordUndo(UndoDelete, n);
    if ((Index.CurIndex.Symbol & CourseOnlyMark) && int16_t(Index.CurIndex.Symbol) > 0)
        z.DeletedCourseOnly.insert(n);
    Index.CurIndex.Symbol = DeletedSymbol;
    WriteIndexEntry(n);
    if (z.CourseMap)
        DeleteCsObjectOfElement(n);
    if (z.DatasetsPresent)
        DeleteObjectLink(n);
    z.Modified = 1;
}

bool RestoreElement(int n)
{
    if (GraphicsMode())
        return false;
    if (!ValidNumber(n)) {
        ErrorMsg(QStringLiteral(": Index.RestoreElement (l =;)."), QString::number(n));
        return false;
    }
    TZmd& z = Z();
    Index.CurIndex = z.Entry(n);
    Index.CurIndexNo = n;
    std::array<uint8_t, 2> sym{};
    if (!InVariablePart(Index.CurIndex.Pos, 32, FileSize()))
        return false;
    z.ReadBytesAt(Index.CurIndex.Pos, sym);
    Index.CurIndex.Symbol = LoadLE<uint16_t>(sym.data());
    if (z.DeletedCourseOnly.erase(n) && int16_t(Index.CurIndex.Symbol) > 0)
        Index.CurIndex.Symbol |= CourseOnlyMark;
    WriteIndexEntry(n);
    for (size_t b = 0; b < z.StringBlocks.size(); ++b) {
        for (size_t i = 0; i < 256; ++i) {
            PStringIndexEntry& e = z.StringBlocks[b].Entries[i];
            if (e.Type >= 0 || e.Object != n)
                continue;
            e.Type = -e.Type;
            WriteStringEntries(int(b));
            QString text;
            if (ReadStringRecord(e, FileSize(), text)) {
                SortIntoList(z, e.Type, text, int(b) * 256 + int(i));
                if (e.Type == CsObjectType) {
                    StoreCsObjectProps();
                    SortCsObjects();
                    ShowCsObjectProps();
                }
            }
            z.Modified = 1;
            return true;
        }
    }
    z.Modified = 1;
    return true;
}

void BeginElementEdit(int n)
{
    RecordUndo(UndoStart, n);
    if (n >= 0) {
        Index.KeptIndex = Index.CurIndex;
        Index.AuxElement3 = Index.CurElement;
    } else {
        Index.KeptRect = Index.SelectionRect;
        RecordUndo(UndoExchange, n);
    }
    Index.EditCopyKept = true;
}

} // namespace zemo
