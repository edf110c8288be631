#include "document/Index.h"

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

IndexState Index;

namespace {

constexpr int MaxSlots = MaxElementItems;       // nItem + nText of one object
constexpr int TextCodePage = 1252;
constexpr int FormatNotCorrHelp = 27;
constexpr int MaxObjectsHelp = 35;

void RecordUndoStep(int kind, int n)
{
    RecordUndo(kind, n);
}

SymbolBytes MakeDefaultSymbol()
{
    SymbolBytes rec(SymbolHeadBytes, 0);
    SetSymI16(rec, SymSize, SymbolHeadBytes);
    SetSymI16(rec, SymExtent, 32);
    return rec;
}

TZmd& Z()
{
    return *Index.ActiveZmd;
}

int64_t FileSize()
{
    return Z().WorkFile.Size();
}

void WriteI32At(int64_t pos, int32_t v)
{
    std::array<uint8_t, 4> b{};
    StoreLE(b.data(), v);
    Z().WriteBytesAt(pos, b);
}

bool GraphicsMode();
int CountGraphicsElements();

// The highest object number: the map's, or the element count in symbol-graphics mode.
int Highest()
{
    if (GraphicsMode())
        return CountGraphicsElements();
    return Index.ActiveZmd ? Z().HighestObject : 0;
}

bool ValidNumber(int n)
{
    return (Index.ActiveZmd || GraphicsMode()) && n >= 1 && n <= Highest();
}

ObjectIndexBlock& BlockOf(int n)
{
    return *Z().ObjectBlocks[size_t((n - 1) >> 8)];
}

void UniteRect(CordRect& r, const CordRect& b, bool first)
{
    if (first) {
        r = b;
        return;
    }
    ExtendRect(r, b);
}

int32_t Clamp32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

QString DecodeText(const QByteArray& bytes)
{
    return DecodeCodePage(TextCodePage, bytes);
}

QByteArray EncodeText(const QString& text)
{
    return EncodeCodePage(TextCodePage, text);
}

// The reserved length of a string record: room for the text and at least one NUL.
int32_t StringReserve(qsizetype length)
{
    return int32_t((length + 64) / 64 * 64);
}

PStringIndexEntry* StringEntry(int n)
{
    if (!Index.ActiveZmd || n < 0 || n >= int(Z().StringBlocks.size()) * 256)
        return nullptr;
    return &Z().StringBlocks[size_t(n >> 8)].Entries[size_t(n & 255)];
}

void WriteStringEntries(int block)
{
    const PStringIndexBlock& b = Z().StringBlocks[size_t(block)];
    std::vector<uint8_t> out;
    out.reserve(256 * PStringIndexEntryBytes);
    for (const auto& e : b.Entries) {
        const auto bytes = WritePStringIndexEntry(e);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    Z().WriteBytesAt(int64_t(b.Pos) + 4, out);
}

// The text of a string record: its bytes up to the first NUL, read within the file and the
// bound. False for a record that cannot be read.
bool ReadStringRecord(const PStringIndexEntry& e, int64_t fileSize, QString& text)
{
    if (e.Length <= 0 || !InVariablePart(e.Pos, e.Length, fileSize))
        return false;
    const int32_t n = std::min<int32_t>(e.Length, MaxPStringBytes);
    std::vector<uint8_t> buf{};
    buf.resize(size_t(n));
    Z().ReadBytesAt(e.Pos, buf);
    const auto nul = std::find(buf.begin(), buf.end(), uint8_t(0));
    if (nul == buf.end() && e.Length > MaxPStringBytes)
        return false;  // longer than we take back; it stays in the file
    text = DecodeText(QByteArray(reinterpret_cast<const char*>(buf.data()), nul - buf.begin()));
    return true;
}

// Puts a loaded or restored string into the list of its type.
void SortIntoList(TZmd& z, int type, const QString& text, int number)
{
    switch (type) {
    case CsObjectType:
        z.CsObjects.AddNumber(text, number);
        break;
    case CourseType:
        z.Courses.AddNumber(text, number);
        break;
    case ClassType:
        if (!text.contains(QChar('\t')) && text.toLower().contains(QStringLiteral(".zmd")))
            z.InternetMaps.AddNumber(text, number);
        else
            z.Classes.AddNumber(text, number);
        break;
    case DatasetType:
        if (!z.CourseMap)
            z.Datasets.AddNumber(text, number);
        break;
    case ObjectLinkType:
        if (!z.CourseMap)
            z.ObjectLinks.AddNumber(text, number);
        break;
    case InternetMapType:
        z.InternetMaps.AddNumber(text, number);
        break;
    case CourseObjectLinkType:
        if (z.CourseMap)
            z.CsObjectLinks.AddNumber(text, number);
        break;
    case TemplateType:
        z.Templates.AddNumber(text, number);
        break;
    default: {
        const int slot = MapSettingsSlot(type);
        if (slot >= 0)
            z.MapSettings[size_t(slot)] = text;
        break;
    }
    }
}

// A stored entry as memory keeps it: deleted objects (0x8000) and entries whose record cannot
// lie in the file are empty; an object among the latter is counted in `damaged`.
ObjectIndexEntry LoadedEntry(ObjectIndexEntry e, const MapFileHeader& h, int64_t fileSize,
                             int* damaged)
{
    const int version = h.Version;
    if (version < 8) {
        if (e.Length < 40)
            return {};
        e.Length = uint16_t((e.Length - 32) / 8);
    }
    if (e.Symbol == DeletedSymbol)
        e.Symbol = 0;
    if (e.Length != 0
        && (e.Length > MaxSlots || !InVariablePart(e.Pos, 32 + 8 * int64_t(e.Length), fileSize)
            || !ClearOfSetupAndInfo(h, e.Pos, 32 + 8 * int64_t(e.Length)))) {
        if (damaged && e.Symbol != 0)
            ++*damaged;
        return {};
    }
    return e;
}

void ParseObjectBlock(std::span<const uint8_t> bytes, ObjectIndexBlock& b, const MapFileHeader& h,
                      int64_t fileSize, int* damaged = nullptr)
{
    for (size_t i = 0; i < 256; ++i)
        b.Entries[i] = LoadedEntry(
            ReadObjectIndexEntry(bytes.subspan(4 + i * ObjectIndexEntryBytes, ObjectIndexEntryBytes)),
            h, fileSize, damaged);
}

// A chain walk ended at `pos`: anything but a sound end or a block already read leads out of
// the file, and what that block held is lost.
bool ChainCut(int64_t pos, const std::unordered_set<int64_t>& visited)
{
    return pos != 0 && !visited.contains(pos);
}

// The symbol index slots that name a record; the store skips what it cannot take, so the
// difference to the symbols loaded is what was left out.
int NamedSymbolSlots(TZmd& z, bool& cut)
{
    const int64_t size = z.WorkFile.Size();
    std::vector<uint8_t> block(SymbolIndexBlockBytes);
    std::unordered_set<int64_t> visited;
    int named = 0;
    int64_t pos = z.Header.SymbolIndexPos;
    while (pos > 0 && InVariablePart(pos, SymbolIndexBlockBytes, size) && visited.insert(pos).second) {
        z.ReadBytesAt(pos, block);
        for (size_t slot = 0; slot < SlotsPerIndexBlock; ++slot)
            named += LoadLE<int32_t>(block.data() + 4 + slot * 4) > 0 ? 1 : 0;
        pos = LoadLE<int32_t>(block.data());
    }
    cut = ChainCut(pos, visited);
    return named;
}

void ComputeHighest(TZmd& z)
{
    z.HighestObject = 0;
    for (size_t b = z.ObjectBlocks.size(); b-- > 0 && z.HighestObject == 0;)
        for (int i = 255; i >= 0; --i)
            if (z.ObjectBlocks[b]->Entries[size_t(i)].Length != 0) {
                z.HighestObject = int(b) * 256 + i + 1;
                break;
            }
}

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

bool EntryInScan(const ObjectIndexEntry& e, const CordRect& r, int colour)
{
    return EntryLive(e) && RectsOverlap(e.Rect, r) && EntryHasColour(e, colour);
}

// Object records read with the one before them in a rectangle scan, kept until the file
// changes.
struct RecordsReadAhead {
    const TFileClass* file = nullptr;
    uint64_t stamp = 0;
    int64_t start = 0;
    std::vector<uint8_t> bytes;
};
RecordsReadAhead ReadAhead;

// A record's bytes from what was read ahead, or null.
const uint8_t* ReadAheadRecord(const TFileClass& f, int64_t pos, int64_t size)
{
    const RecordsReadAhead& a = ReadAhead;
    if (a.file != &f || a.stamp != f.ChangeStamp() || pos < a.start
        || pos + size > a.start + int64_t(a.bytes.size()))
        return nullptr;
    return a.bytes.data() + (pos - a.start);
}

// How far the read of object n's record at [pos, end) reaches: on over the records of the
// entries of its block that the scan which found n visits next, while each begins at most
// a small gap behind the last (a gap costs less to read than a call of its own).
int64_t ReadAheadEnd(int n, int64_t pos, int64_t end)
{
    constexpr int64_t MaxGap = 2048, MaxSpan = 65536;
    if (n != Index.ScanFound || Index.ScanFinished)
        return end;
    TZmd& z = Z();
    const ObjectIndexBlock& b = BlockOf(n);
    const int64_t fileSize = FileSize();
    const int last = std::min(256, z.HighestObject - ((n - 1) & ~255));
    for (int i = ((n - 1) & 255) + 1; i < last; ++i) {
        const ObjectIndexEntry& e = b.Entries[size_t(i)];
        if (!EntryInScan(e, Index.ScanRect, Index.ScanColour))
            continue;
        const int64_t size = 32 + 8 * int64_t(std::min<int>(e.Length, MaxSlots));
        if (e.Length == 0 || e.Pos < end || e.Pos - end > MaxGap || e.Pos + size - pos > MaxSpan
            || !InVariablePart(e.Pos, size, fileSize))
            break;
        end = e.Pos + size;
    }
    return end;
}

void ZeroHead(ElementRecord& e)
{
    e.Symbol = 0;
    e.ObjectType = 0;
    e.Flags = 0;
    e.nItem = 0;
    e.nText = 0;
    e.Angle = 0;
    e.Word10 = 0;
    e.Word12 = 0;
    e.Word14 = 0;
    e.LayerName.fill(0);
}

void ParseElement(std::span<const uint8_t> bytes, int length, ElementRecord& e)
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


// ---- Symbol-graphics mode: the elements of the view's buffer stand for objects ----

constexpr int SymbolTooComplexHelp = 33;
constexpr uint16_t GraphicsSymbolBase = 32752;

bool GraphicsMode()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}



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
        ErrorMsg(TextKey::SymbolTooComplex, {}, SymbolTooComplexHelp);
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

} // namespace

// ---- Records ----

bool EntryLive(const ObjectIndexEntry& e)
{
    return e.Length != 0 && (e.Symbol & 0x7FFF) != 0 && int16_t(e.Symbol) < 10000;
}

ObjectIndexEntry ReadObjectIndexEntry(std::span<const uint8_t> bytes)
{
    ByteReader r(bytes);
    ObjectIndexEntry e;
    e.Rect = {r.I32(0), r.I32(4), r.I32(8), r.I32(12)};
    e.Pos = r.I32(16);
    e.Length = r.U16(20);
    e.Symbol = r.U16(22);
    return e;
}

std::array<uint8_t, ObjectIndexEntryBytes> WriteObjectIndexEntry(const ObjectIndexEntry& e)
{
    std::array<uint8_t, ObjectIndexEntryBytes> a{};
    StoreLE(a.data() + 0, e.Rect.x1);
    StoreLE(a.data() + 4, e.Rect.y1);
    StoreLE(a.data() + 8, e.Rect.x2);
    StoreLE(a.data() + 12, e.Rect.y2);
    StoreLE(a.data() + 16, e.Pos);
    StoreLE(a.data() + 20, e.Length);
    StoreLE(a.data() + 22, e.Symbol);
    return a;
}

PStringIndexEntry ReadPStringIndexEntry(std::span<const uint8_t> bytes)
{
    ByteReader r(bytes);
    return {r.I32(0), r.I32(4), r.I32(8), r.I32(12)};
}

std::array<uint8_t, PStringIndexEntryBytes> WritePStringIndexEntry(const PStringIndexEntry& e)
{
    std::array<uint8_t, PStringIndexEntryBytes> a{};
    StoreLE(a.data() + 0, e.Pos);
    StoreLE(a.data() + 4, e.Length);
    StoreLE(a.data() + 8, e.Type);
    StoreLE(a.data() + 12, e.Object);
    return a;
}

std::vector<uint8_t> ElementRecordBytes(const ElementRecord& e, int length)
{
    length = std::clamp<int>(length, 0, int(ElementSlotCapacity));
    std::vector<uint8_t> out(32 + size_t(length) * 8, 0);
    ByteWriter w(out);
    w.PutI16(0, e.Symbol);
    w.PutU8(2, e.ObjectType);
    w.PutU8(3, e.Flags);
    w.PutU16(4, e.nItem);
    w.PutU16(6, e.nText);
    w.PutI16(8, e.Angle);
    w.PutI16(10, e.Word10);
    w.PutI16(12, e.Word12);
    w.PutI16(14, e.Word14);
    w.PutBytes(16, e.LayerName);
    const int cords = std::min<int>(e.nItem, length);
    for (int i = 0; i < cords; ++i) {
        w.PutI32(32 + size_t(i) * 8, e.Slots[size_t(i)].x);
        w.PutI32(36 + size_t(i) * 8, e.Slots[size_t(i)].y);
    }
    // Text slots (and reserved slots behind them) are raw bytes.
    if (length > cords)
        std::memcpy(out.data() + 32 + size_t(cords) * 8, e.Slots.data() + cords,
                    size_t(length - cords) * 8);
    return out;
}

// ---- TZmd ----

TZmd::TZmd() = default;
TZmd::~TZmd()
{
    if (Index.ActiveZmd == this)
        SetCurrentMap(nullptr);
}

int MapSettingsSlot(int type)
{
    static constexpr int order[11] = {1024, 1025, 1026, 1027, 1028, 1029, 1032, 1033, 1030, 1031, 1034};
    for (int i = 0; i < 11; ++i)
        if (order[i] == type)
            return i;
    return -1;
}

void ResetIndexState()
{
    Index.ActiveZmd = nullptr;
    Index.MapOpen = false;
    for (ElementRecord* e : {&Index.CurElement, &Index.AuxElement1, &Index.AuxElement2,
                             &Index.DrawElement, &Index.AuxElement3}) {
        ZeroHead(*e);
        e->Slots.fill(Cord{});
    }
    Index.CurIndex = {};
    Index.CurIndexNo = 0;
    Index.KeptIndex = {};
    Index.KeptRect = {};
    Index.EditCopyKept = false;
    Index.ScanPos = Index.ScanEnd = 0;
    Index.ScanFinished = true;
    Index.ScanFound = 0;
    Index.SelectionCount = Index.SelectedIndex = Index.SelectedHoleStart = 0;
    Index.SelectionRect = {};
    Index.GraphicsSelection.fill(0);
    Index.DefaultSymbol = MakeDefaultSymbol();
    Index.GraphicsEditSymbol = MakeDefaultSymbol();
    Index.CurSymbol = Index.DrawSymbol = &Index.DefaultSymbol;
    Index.SymbolGraphics = nullptr;
    SetCurrentSymbolStore(nullptr);
}

// ---- Document ----

void SetCurrentMap(TZmd* zmd)
{
    Index.ActiveZmd = zmd;
    SetCurrentSymbolStore(zmd);
    if (Index.DefaultSymbol.size() < size_t(SymbolHeadBytes))
        Index.DefaultSymbol = MakeDefaultSymbol();
}

SetupRecord* Stp()
{
    if (!Index.ActiveZmd) {
        ErrorMsg(QStringLiteral(": Index.Stp"));
        return nullptr;
    }
    return &Z().Setup;
}

void LoadMap()
{
    if (!Index.ActiveZmd)
        throw EAbort();
    TZmd& z = Z();
    const int64_t size = z.WorkFile.Size();
    std::array<uint8_t, MapHeaderBytes> head{};
    if (size >= MapHeaderBytes)
        z.ReadBytesAt(0, head);
    z.Header = ReadMapHeaderBytes(head);
    if (size < MapHeaderBytes || !MapHeaderValid(z.Header)) {
        ErrorMsg(TextKey::FormatNotCorr, z.WorkFile.FileName() + QStringLiteral("\r\n"),
                 FormatNotCorrHelp);
        throw EAbort();
    }
    z.OpenedVersion = z.Header.Version;
    z.Skipped = {};
    ReadSymbols();
    ReadIndexBlocks();
    DefaultSetup(z.Setup);
    const int64_t pos = z.Header.SetupPos;
    if (pos >= VariablePartPos && pos < size && z.Header.SetupSize > 0) {
        const int64_t n = std::min<int64_t>({z.Header.SetupSize, int64_t(SetupRecordBytes), size - pos});
        std::vector<uint8_t> bytes;
        bytes.resize(size_t(n));
        z.ReadBytesAt(pos, bytes);
        z.Setup = ReadSetupBytes(bytes);
    }
    CheckSetup(z.Setup);
    // Places that cannot be in this file are forgotten, so that the next write appends.
    if (!InVariablePart(z.Header.SetupPos, 1, size))
        z.Header.SetupPos = z.Header.SetupSize = 0;
    if (!InVariablePart(z.Header.InfoPos, 1, size) || z.Header.InfoSize <= 0
        || z.Header.InfoSize > MaxInfoTextBytes)
        z.Header.InfoPos = z.Header.InfoSize = 0;
}

void ReadSymbols()
{
    TZmd& z = Z();
    const int64_t size = z.WorkFile.Size();
    std::vector<uint8_t> block(size_t(std::clamp<int64_t>(size - SymbolHeaderBlockPos, 0, SymbolHeaderBlockBytes)));
    if (!block.empty())
        z.ReadBytesAt(SymbolHeaderBlockPos, block);
    z.ColorBlock = ReadSymbolHeaderBytes(block);
    CheckSymbolHeader(z.ColorBlock);
    z.FreeSymbols();
    const int named = NamedSymbolSlots(z, z.Skipped.SymbolChainCut);
    z.ReadSymbolIndex();
    z.Skipped.Symbols = std::max(named - z.SymbolCount(), 0);
    BuildSymbolTable();
}

void BuildSymbolTable()
{
    TZmd& z = Z();
    z.BuildNumberTable();
    SymbolBytes& d = Index.DefaultSymbol;
    if (d.size() < size_t(SymbolHeadBytes))
        d = MakeDefaultSymbol();
    ColorSet set;
    if (z.ColorBlock.Colors[0].Number <= 255)
        set.set(z.ColorBlock.Colors[0].Number);
    SetSymColors(d, set);
    SetShortFieldText(std::span(d).subspan(SymDescription, 32), TextBytes(TextKey::Undefined).toStdString());
}

void ReadIndexBlocks()
{
    TZmd& z = Z();
    const int64_t size = z.WorkFile.Size();
    const int version = z.Header.Version;
    z.ObjectBlocks.clear();
    z.StringBlocks.clear();
    z.HighestObject = 0;
    for (TNumStringList* l : {&z.Datasets, &z.CsObjects, &z.Courses, &z.Classes, &z.CsObjectLinks,
                              &z.ObjectLinks, &z.Templates, &z.InternetMaps})
        l->Clear();
    z.CsObjectKeys.clear();
    z.TaggedObjects.clear();
    for (QString& s : z.MapSettings)
        s.clear();
    z.UsedColors.reset();
    z.CourseMap = version == 8 && (z.Header.FileType & CourseMapFileBit);

    z.Skipped.Objects = z.Skipped.Strings = 0;
    // Object chain: within the file, each block once.
    std::vector<uint8_t> bytes(ObjectIndexBlockBytes);
    std::unordered_set<int64_t> visited;
    int64_t pos = z.Header.ObjectIndexPos;
    while (pos > 0 && z.BlockCount() < MaxObjectBlocks
           && InVariablePart(pos, ObjectIndexBlockBytes, size) && visited.insert(pos).second) {
        z.ReadBytesAt(pos, bytes);
        auto block = std::make_unique<ObjectIndexBlock>();
        block->EntriesPos = int32_t(pos + 4);
        ParseObjectBlock(bytes, *block, z.Header, size, &z.Skipped.Objects);
        UpdateBlockSummary(*block);
        z.ObjectBlocks.push_back(std::move(block));
        pos = LoadLE<int32_t>(bytes.data());
    }
    z.Skipped.ObjectChainCut = ChainCut(pos, visited);
    ComputeHighest(z);
    z.UsedColors |= SymColors(Index.DefaultSymbol);
    // A first block that could not be read: the next header write starts a sound chain.
    if (z.ObjectBlocks.empty())
        z.Header.ObjectIndexPos = 0;

    if (version < 8)
        z.Header.StringIndexPos = 0;
    bytes.resize(PStringIndexBlockBytes);
    visited.clear();
    pos = z.Header.StringIndexPos;
    while (pos > 0 && InVariablePart(pos, PStringIndexBlockBytes, size)
           && visited.insert(pos).second) {
        z.ReadBytesAt(pos, bytes);
        PStringIndexBlock block;
        block.Pos = int32_t(pos);
        for (size_t i = 0; i < 256; ++i) {
            PStringIndexEntry e = ReadPStringIndexEntry(std::span(bytes).subspan(4 + i * 16, 16));
            if (e.Type < 0)
                e.Type = 0;
            // A record that cannot lie in the file: the slot is taken as free.
            if (e.Pos != 0 ? e.Length < 0 || !InVariablePart(e.Pos, e.Length, size) : e.Type != 0) {
                z.Skipped.Strings += e.Type > 0 ? 1 : 0;
                e = {};
            }
            block.Entries[i] = e;
        }
        z.StringBlocks.push_back(block);
        const int b = int(z.StringBlocks.size()) - 1;
        for (size_t i = 0; i < 256; ++i) {
            const PStringIndexEntry& e = z.StringBlocks[size_t(b)].Entries[i];
            QString text;
            if (e.Type <= 0 || e.Pos == 0)
                continue;
            if (!ReadStringRecord(e, size, text)) {
                ++z.Skipped.Strings;
                continue;
            }
            if (MapSettingsSlot(e.Type) >= 0 && !z.MapSettings[size_t(MapSettingsSlot(e.Type))].isEmpty())
                continue;  // the first of a settings type counts
            SortIntoList(z, e.Type, text, b * 256 + int(i));
        }
        pos = LoadLE<int32_t>(bytes.data());
    }
    z.Skipped.StringChainCut = ChainCut(pos, visited);
    if (z.StringBlocks.empty())
        z.Header.StringIndexPos = 0;
    z.DatasetsPresent = z.Datasets.Count() > 0;
}

void ReindexFromFile()
{
    TZmd& z = Z();
    const int64_t size = z.WorkFile.Size();
    std::vector<uint8_t> bytes(ObjectIndexBlockBytes);
    z.UsedColors.reset();
    for (auto& block : z.ObjectBlocks) {
        const int64_t pos = int64_t(block->EntriesPos) - 4;
        if (!InVariablePart(pos, ObjectIndexBlockBytes, size))
            continue;
        z.ReadBytesAt(pos, bytes);
        ParseObjectBlock(bytes, *block, z.Header, size);
        UpdateBlockSummary(*block);
    }
    ComputeHighest(z);
    z.UsedColors |= SymColors(Index.DefaultSymbol);
    for (SymbolBytes& rec : z.Symbols) {
        const int32_t pos = SymI32(rec, SymFilePos);
        if (!InVariablePart(pos, int64_t(rec.size()), size))
            continue;
        z.ReadBytesAt(pos, rec);
        SetSymI32(rec, SymFilePos, pos);
    }
}

bool WriteSetup()
{
    if (!Index.MapOpen || !Index.ActiveZmd)
        return false;
    TZmd& z = Z();
    CheckSetup(z.Setup);
    if (z.Header.SetupPos < VariablePartPos || z.Header.SetupSize < int32_t(SetupRecordBytes))
        z.Header.SetupPos = int32_t(z.WorkFile.Size());
    z.Header.SetupSize = int32_t(SetupRecordBytes);
    z.WriteBytesAt(z.Header.SetupPos, WriteSetupBytes(z.Setup));
    z.WriteHeader();
    z.Modified = 1;
    return true;
}

void FlushMapFile()
{
    if (Index.ActiveZmd)
        Z().WorkFile.Flush();
}

int CountObjects()
{
    if (!Index.ActiveZmd)
        return 0;
    int n = 0;
    for (const auto& b : Z().ObjectBlocks)
        n += b->LiveCount;
    return n;
}

bool GetMapExtent(CordRect& r)
{
    if (GraphicsMode()) {
        r = {-256, 256, 256, -256};
        for (int slot : GraphicsElementSlots())
            ExtendRect(r, GraphicsEntry(slot).Rect);
        if (G().RepeatPattern) {
            const int64_t w = int64_t(G().CellWidth / 2) * 256, h = int64_t(G().CellHeight / 2) * 256;
            r = {Clamp32(r.x1 - w), Clamp32(r.y1 - h), Clamp32(r.x2 + w), Clamp32(r.y2 + h)};
        }
        return true;
    }
    bool any = false;
    if (Index.ActiveZmd)
        for (const auto& b : Z().ObjectBlocks)
            if (b->LiveCount > 0) {
                UniteRect(r, b->Summary, !any);
                any = true;
            }
    if (!any)
        r = {-256000, -256000, 256000, 256000};
    constexpr int64_t w = 12800;
    r.x1 = int32_t(std::max<int64_t>(int64_t(r.x1) - w, -MapAreaLimit));
    r.y1 = int32_t(std::max<int64_t>(int64_t(r.y1) - w, -MapAreaLimit));
    r.x2 = int32_t(std::min<int64_t>(int64_t(r.x2) + w, MapAreaLimit));
    r.y2 = int32_t(std::min<int64_t>(int64_t(r.y2) + w, MapAreaLimit));
    return any;
}

QByteArray ReadInfoText()
{
    if (!Index.ActiveZmd)
        return {};
    TZmd& z = Z();
    const int64_t size = z.WorkFile.Size();
    const int32_t n = z.Header.InfoSize;
    if (n <= 0 || n > MaxInfoTextBytes || z.Header.InfoPos < VariablePartPos
        || z.Header.InfoPos >= size)
        return {};
    std::vector<uint8_t> buf(size_t(std::min<int64_t>(n, size - z.Header.InfoPos)));
    z.ReadBytesAt(z.Header.InfoPos, buf);
    const auto nul = std::find(buf.begin(), buf.end(), uint8_t(0));
    return QByteArray(reinterpret_cast<const char*>(buf.data()), nul - buf.begin());
}

void WriteInfoText(const QByteArray& text)
{
    TZmd& z = Z();
    const qsizetype len = std::min<qsizetype>(text.size(), MaxInfoTextBytes - 1);
    const int32_t newSize = int32_t((len / 256 + 1) * 256);
    const int32_t oldSize = z.Header.InfoSize <= MaxInfoTextBytes ? z.Header.InfoSize : 0;
    if (z.Header.InfoPos < VariablePartPos || newSize > oldSize)
        z.Header.InfoPos = int32_t(z.WorkFile.Size());
    z.Header.InfoSize = newSize;
    std::vector<uint8_t> out(size_t(newSize), 0);
    std::memcpy(out.data(), text.constData(), size_t(len));
    z.WriteBytesAt(z.Header.InfoPos, out);
    z.WriteHeader();
    z.Modified = 1;
}

// ---- Symbols ----

bool GetSymbol(int number, SymbolBytes*& rec)
{
    if (GraphicsMode()) {
        FillGraphicsEditSymbol();
        rec = &Index.GraphicsEditSymbol;
        return true;
    }
    const int v = int16_t(uint16_t(number) & ~CourseOnlyMark);
    if (Index.ActiveZmd && v >= 1 && v <= MaxSymbolNumber) {
        const int pos = Z().NumberTable[size_t(v)];
        if (pos >= 0 && pos < Z().SymbolCount()) {
            rec = &Z().Symbols[size_t(pos)];
            return true;
        }
    }
    rec = &Index.DefaultSymbol;
    return false;
}

void ClearUsedSymbolMarks()
{
    if (!Index.ActiveZmd)
        return;
    for (SymbolBytes& rec : Z().Symbols)
        SetSymU8(rec, SymStatus, uint8_t(SymU8(rec, SymStatus) & SymbolStatusMask));
}

void MarkUsedSymbols()
{
    ClearUsedSymbolMarks();
    if (!Index.ActiveZmd)
        return;
    for (const auto& b : Z().ObjectBlocks) {
        if (b->LiveCount == 0)
            continue;
        for (const auto& e : b->Entries) {
            SymbolBytes* rec = nullptr;
            if (e.Symbol >= 1 && e.Symbol <= MaxSymbolNumber && GetSymbol(e.Symbol, rec))
                SetSymU8(*rec, SymStatus, uint8_t(SymU8(*rec, SymStatus) | SymbolUsedBit));
        }
    }
}

void UpdateObjectsOfSymbols(int from, int to)
{
    if (!Index.ActiveZmd || GraphicsMode())
        return;
    TZmd& z = Z();
    for (int n = 1; n <= z.HighestObject; ++n) {
        const ObjectIndexEntry& e = z.Entry(n);
        const int sym = e.Symbol & ~CourseOnlyMark;
        if (e.Length == 0 || sym == 0 || sym < from || sym > to)
            continue;
        GetSymbol(e.Symbol, Index.DrawSymbol);
        z.UsedColors |= SymColors(*Index.DrawSymbol);
        if (!ReadElement(n, Index.CurElement))
            continue;
        ElementExtent(Index.CurElement);
        ObjectIndexEntry& entry = z.Entry(n);
        entry.Rect = Index.CurIndex.Rect;
        UpdateBlockSummary(BlockOf(n));
        const int64_t at = BlockOf(n).EntriesPos + 24 * int64_t((n - 1) & 255);
        const auto bytes = WriteObjectIndexEntry(entry);
        z.WriteBytesAt(at, std::span(bytes).first(16));
        const ElementRecord& el = Index.CurElement;
        if (el.nText > 0) {
            std::vector<uint8_t> cords(size_t(el.nItem) * 8);
            for (size_t i = 0; i < el.nItem; ++i) {
                StoreLE(cords.data() + i * 8, el.Slots[i].x);
                StoreLE(cords.data() + i * 8 + 4, el.Slots[i].y);
            }
            z.WriteBytesAt(int64_t(entry.Pos) + 32, cords);
        }
    }
    z.Modified = 1;
}

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

void UpdateBlockSummary(ObjectIndexBlock& block)
{
    block.LiveCount = 0;
    block.Colors.reset();
    int lastSymbol = -1;  // neighbours mostly share a symbol: its colours are added once
    for (const auto& e : block.Entries) {
        if (!EntryLive(e))
            continue;
        UniteRect(block.Summary, e.Rect, block.LiveCount == 0);
        ++block.LiveCount;
        if (e.Symbol == lastSymbol)
            continue;
        lastSymbol = e.Symbol;
        // An object whose symbol is not defined draws with the default symbol and must be
        // found by its colours too.
        SymbolBytes* rec = nullptr;
        GetSymbol(e.Symbol, rec);
        block.Colors |= SymColors(*rec);
    }
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
        const int64_t end = ReadAheadEnd(n, ci.Pos, ci.Pos + size);
        RecordsReadAhead& a = ReadAhead;
        a.file = nullptr;  // until the read succeeded
        a.bytes.resize(size_t(end - ci.Pos));
        z.ReadBytesAt(ci.Pos, a.bytes);
        a.file = &z.WorkFile;
        a.stamp = z.WorkFile.ChangeStamp();
        a.start = ci.Pos;
        record = a.bytes.data();
    }
    Index.ScanFound = 0;
    ParseElement({record, size_t(size)}, length, e);
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
        RecordUndoStep(8, 0);
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
    if (z.CourseMap) {
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
    RecordUndoStep(1, Index.CurIndexNo);
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

bool SaveElement(int n)
{
    if (GraphicsMode()) {
        if (!ValidNumber(n))
            return false;
        RecordUndoStep(8, n);
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
    RecordUndoStep(2, n);
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
        RecordUndoStep(8, n);
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
    RecordUndoStep(3, n);
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
    RecordUndoStep(0, n);
    if (n >= 0) {
        Index.KeptIndex = Index.CurIndex;
        Index.AuxElement3 = Index.CurElement;
    } else {
        Index.KeptRect = Index.SelectionRect;
        RecordUndoStep(6, n);
    }
    Index.EditCopyKept = true;
}

// ---- Scans and selection ----

int CountSymbolGraphicsElements()
{
    return GraphicsMode() ? CountGraphicsElements() : 0;
}

void StartElementScan(int n)
{
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
        if (!blockOk(block)) {
            if (Index.ScanEnd >= p && Index.ScanEnd <= last) {
                Index.ScanPos = Index.ScanEnd;
                Index.ScanFinished = true;
                break;
            }
            Index.ScanPos = last;
            continue;
        }
        Index.ScanPos = p;
        if (p == Index.ScanEnd)
            Index.ScanFinished = true;
        const size_t i = size_t((p - 1) & 255);
        if (entryOk(block, i)) {
            Index.CurIndex = block.Entries[i];
            Index.CurIndexNo = p;
            return true;
        }
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
    const bool found = NextInScan(
        [&](const ObjectIndexBlock& b) {
            return b.LiveCount > 0 && RectsOverlap(b.Summary, r)
                && (colour < 0 || b.Colors.test(size_t(colour)));
        },
        [&](const ObjectIndexBlock& b, size_t i) { return EntryInScan(b.Entries[i], r, colour); });
    if (found) {
        Index.ScanRect = r;
        Index.ScanColour = colour;
        Index.ScanFound = Index.CurIndexNo;
    }
    return found;
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
}

// ---- Parameter strings ----

int AddPString(const QString& text, int type, int object)
{
    if (!Index.ActiveZmd)
        return -1;
    TZmd& z = Z();
    const QByteArray bytes = EncodeText(text);
    const int32_t length = StringReserve(bytes.size());
    int number = -1;
    int64_t pos = 0;
    for (size_t b = 0; b < z.StringBlocks.size() && number < 0; ++b)
        for (size_t i = 0; i < 256; ++i) {
            const PStringIndexEntry& e = z.StringBlocks[b].Entries[i];
            if (e.Type == 0 && (e.Length == 0 || e.Length == length)) {
                number = int(b) * 256 + int(i);
                if (e.Length == length && e.Pos >= VariablePartPos)
                    pos = e.Pos;
                break;
            }
        }
    if (number < 0) {
        const int64_t at = z.WorkFile.Size();
        z.WriteBytesAt(at, std::vector<uint8_t>(PStringIndexBlockBytes, 0));
        if (z.StringBlocks.empty()) {
            z.Header.StringIndexPos = int32_t(at);
            z.WriteHeader();
        } else {
            WriteI32At(z.StringBlocks.back().Pos, int32_t(at));
        }
        PStringIndexBlock block;
        block.Pos = int32_t(at);
        z.StringBlocks.push_back(block);
        number = int(z.StringBlocks.size() - 1) * 256;
    }
    if (pos == 0)
        pos = z.WorkFile.Size();
    *StringEntry(number) = {int32_t(pos), length, type, object};
    WriteStringEntries(number >> 8);
    std::vector<uint8_t> record(size_t(length), 0);
    std::memcpy(record.data(), bytes.constData(), size_t(bytes.size()));
    z.WriteBytesAt(pos, record);
    z.Modified = 1;
    return number;
}

bool SavePString(int n, const QString& text)
{
    PStringIndexEntry* e = StringEntry(n);
    if (!e) {
        ErrorMsg(QStringLiteral(": Index.SavePString (n:;)"), QString::number(n));
        return false;
    }
    TZmd& z = Z();
    const QByteArray bytes = EncodeText(text);
    std::vector<uint8_t> out(bytes.begin(), bytes.end());
    if (bytes.size() + 1 <= e->Length && e->Pos >= VariablePartPos) {
        out.push_back(0);
    } else {
        e->Pos = int32_t(z.WorkFile.Size());
        e->Length = StringReserve(bytes.size());
        WriteStringEntries(n >> 8);
        out.resize(size_t(e->Length), 0);
    }
    z.WriteBytesAt(e->Pos, out);
    z.Modified = 1;
    return true;
}

bool SaveTypedPString(const QString& text, int type)
{
    if (!Index.ActiveZmd)
        return false;
    TZmd& z = Z();
    const int slot = MapSettingsSlot(type);
    for (size_t b = 0; b < z.StringBlocks.size(); ++b)
        for (size_t i = 0; i < 256; ++i) {
            const PStringIndexEntry& e = z.StringBlocks[b].Entries[i];
            if (e.Pos != 0 && e.Type == type) {
                if (!SavePString(int(b) * 256 + int(i), text))
                    return false;
                if (slot >= 0)
                    z.MapSettings[size_t(slot)] = text;
                return true;
            }
        }
    if (!text.isEmpty()) {
        AddPString(text, type, 0);
        if (slot >= 0)
            z.MapSettings[size_t(slot)] = text;
    }
    return true;
}

bool DeletePString(int n)
{
    PStringIndexEntry* e = StringEntry(n);
    if (!e) {
        ErrorMsg(QStringLiteral(": DeletePString (n:;)"), QString::number(n));
        return false;
    }
    const int32_t old = e->Type;
    e->Type = 0;
    WriteStringEntries(n >> 8);
    e->Type = -old;
    Z().Modified = 1;
    return true;
}

bool ClearPString(int n)
{
    PStringIndexEntry* e = StringEntry(n);
    if (!e) {
        ErrorMsg(QStringLiteral(": ClearPString (n:;)"), QString::number(n));
        return false;
    }
    e->Type = 0;
    WriteStringEntries(n >> 8);
    Z().Modified = 1;
    return true;
}

bool FindPString(int object, int type, const TNumStringList& list, int& listPos)
{
    if (!Index.ActiveZmd)
        return false;
    if (listPos >= 0 && listPos < list.Count()) {
        const PStringIndexEntry* e = StringEntry(list.GetNumber(listPos));
        if (e && e->Object == object && e->Type == type)
            return true;
    }
    listPos = -1;
    TZmd& z = Z();
    for (size_t b = 0; b < z.StringBlocks.size(); ++b)
        for (size_t i = 0; i < 256; ++i) {
            const PStringIndexEntry& e = z.StringBlocks[b].Entries[i];
            if (e.Pos == 0 || e.Type != type || e.Object != object)
                continue;
            const int k = list.IndexOfNumber(int(b) * 256 + int(i));
            if (k >= 0) {
                listPos = k;
                return true;
            }
        }
    return false;
}

QString ReadPString(int n)
{
    const PStringIndexEntry* e = StringEntry(n);
    QString text;
    if (e)
        ReadStringRecord(*e, FileSize(), text);
    return text;
}

} // namespace zemo
