#include "document/IndexPrivate.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <unordered_set>
namespace zemo {

using namespace index_private;

IndexState Index;

namespace {

QString DecodeText(const QByteArray& bytes)
{
    return DecodeCodePage(TextCodePage, bytes);
}

} // namespace

namespace index_private {

SymbolBytes MakeDefaultSymbol()
{
    SymbolBytes rec(SymbolHeadBytes, 0);
    SetSymI16(rec, SymSize, SymbolHeadBytes);
    SetSymI16(rec, SymExtent, 32);
    return rec;
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

// The highest object number: the map's, or the element count in symbol-graphics mode.
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

} // namespace index_private

namespace {

constexpr int FormatNotCorrHelp = 27;

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
    if (bytes.size() < size_t(ObjectIndexBlockBytes)) {
        for (size_t i = 0; i < 256; ++i)
            b.Entries[i] = LoadedEntry(ReadObjectIndexEntry(bytes.subspan(std::min(bytes.size(), 4 + i * 24))),
                                       h, fileSize, damaged);
        return;
    }
    // A million entries pass here as a map opens: their fields are read where they lie.
    const uint8_t* p = bytes.data() + 4;
    for (size_t i = 0; i < 256; ++i, p += ObjectIndexEntryBytes) {
        ObjectIndexEntry e;
        e.Rect = {LoadLE<int32_t>(p), LoadLE<int32_t>(p + 4), LoadLE<int32_t>(p + 8), LoadLE<int32_t>(p + 12)};
        e.Pos = LoadLE<int32_t>(p + 16);
        e.Length = LoadLE<uint16_t>(p + 20);
        e.Symbol = LoadLE<uint16_t>(p + 22);
        b.Entries[i] = LoadedEntry(e, h, fileSize, damaged);
    }
}

// A chain walk ended at `pos`: anything but a sound end or a block already read leads out of
// the file, and what that block held is lost.
bool ChainCut(int64_t pos, const std::unordered_set<int64_t>& visited)
{
    return pos != 0 && !visited.contains(pos);
}

// The symbol index slots that name a record; the store skips what it cannot take, so the
// difference to the symbols loaded, less the records the reader's rules skip, is what the
// damage cost. A record of a size the rules refuse is a rule skip only where it lies whole in
// the file.
int NamedSymbolSlots(TZmd& z, bool& cut, std::vector<SkippedSymbol>& ruleSkips)
{
    const int64_t size = z.WorkFile.Size();
    std::vector<uint8_t> block(SymbolIndexBlockBytes);
    std::array<uint8_t, 4> head{};
    std::unordered_set<int64_t> visited;
    int named = 0;
    int64_t pos = z.Header.SymbolIndexPos;
    while (pos > 0 && InVariablePart(pos, SymbolIndexBlockBytes, size) && visited.insert(pos).second) {
        z.ReadBytesAt(pos, block);
        for (size_t slot = 0; slot < SlotsPerIndexBlock; ++slot) {
            const int32_t at = LoadLE<int32_t>(block.data() + 4 + slot * 4);
            if (at <= 0)
                continue;
            ++named;
            if (!InVariablePart(at, SymbolHeadBytes, size))
                continue;
            z.ReadBytesAt(at, head);
            const int16_t recSize = LoadLE<int16_t>(head.data());
            const int16_t number = LoadLE<int16_t>(head.data() + 2);
            if ((recSize < MinSymbolBytes || recSize > MaxSymbolBytes)
                && InVariablePart(at, std::max<int64_t>(recSize, SymbolHeadBytes), size)
                && ClearOfSetupAndInfo(z.Header, at, std::max<int64_t>(recSize, SymbolHeadBytes)))
                ruleSkips.push_back({number, recSize});
        }
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
} // namespace

// ---- Records ----

ObjectIndexEntry ReadObjectIndexEntry(std::span<const uint8_t> bytes)
{
    // A whole entry, as every one of a block is: read without a check per field.
    if (bytes.size() >= ObjectIndexEntryBytes) {
        const uint8_t* p = bytes.data();
        ObjectIndexEntry e;
        e.Rect = {LoadLE<int32_t>(p), LoadLE<int32_t>(p + 4), LoadLE<int32_t>(p + 8), LoadLE<int32_t>(p + 12)};
        e.Pos = LoadLE<int32_t>(p + 16);
        e.Length = LoadLE<uint16_t>(p + 20);
        e.Symbol = LoadLE<uint16_t>(p + 22);
        return e;
    }
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

// ---- TTmp ----

namespace {

// More than any image a template reader is meant to hold.
constexpr int64_t MaxTemplatePixelBytes = int64_t(1) << 32;
// A band holds as many rows as fit in this (a power of two of them), or one row.
constexpr int64_t TemplateBandBytes = int64_t(1) << 20;

} // namespace

int64_t TTmp::RowBytes() const
{
    if (Width <= 0 || BitsPerPixel <= 0)
        return 0;
    return (int64_t(Width) * BitsPerPixel + 7) / 8;
}

int64_t TTmp::BytesToHold(int64_t rows) const
{
    const int64_t row = RowBytes();
    const bool fresh = heldRows_ == 0 || int64_t(rowBytes_) != row || heldRows_ > Height;
    if (row <= 0 || (!fresh && rows <= heldRows_))
        return 0;
    // Whole bands from the first one not yet taken, the last cut at the height.
    int shift = bandShift_;
    const int64_t held = fresh ? 0 : heldRows_;
    if (fresh)
        for (shift = 0; shift < 30 && (row << (shift + 1)) <= TemplateBandBytes; ++shift) {
        }
    const int64_t bandRows = int64_t(1) << shift;
    const int64_t from = (held + bandRows - 1) / bandRows * bandRows;
    const int64_t to = std::min<int64_t>((rows + bandRows - 1) / bandRows * bandRows, Height);
    return std::max<int64_t>(to - from, 0) * row;
}

bool TTmp::HoldRows(int64_t rows)
{
    // Rows held for another size are given up.
    if (heldRows_ > 0 && (int64_t(rowBytes_) != RowBytes() || heldRows_ > Height))
        ReleasePixels();
    if (rows <= heldRows_)
        return true;
    const bool depth = BitsPerPixel == 1 || BitsPerPixel == 4 || BitsPerPixel == 8 || BitsPerPixel == 24;
    const int64_t row = RowBytes();
    if (!depth || row <= 0 || Height <= 0 || rows > Height || row > MaxTemplatePixelBytes / Height)
        return false;
    if (heldRows_ == 0) {
        bands_.clear();
        heldBytes_ = 0;
        rowBytes_ = size_t(row);
        for (bandShift_ = 0; bandShift_ < 30 && (row << (bandShift_ + 1)) <= TemplateBandBytes; ++bandShift_) {
        }
        bandMask_ = (1 << bandShift_) - 1;
    }
    const int64_t bandRows = int64_t(1) << bandShift_;
    try {
        while (int64_t(bands_.size()) * bandRows < rows) {
            const int64_t n = std::min<int64_t>(bandRows, Height - int64_t(bands_.size()) * bandRows) * row;
            bands_.push_back(std::make_unique<uint8_t[]>(size_t(n)));
            heldBytes_ += n;
        }
    } catch (const std::bad_alloc&) {
        heldRows_ = int32_t(std::min<int64_t>(int64_t(bands_.size()) * bandRows, rows));
        return false;
    }
    heldRows_ = int32_t(rows);
    return true;
}

void TTmp::KeepRows(int64_t rows)
{
    if (rows >= heldRows_)
        return;
    if (rows <= 0) {
        ReleasePixels();
        return;
    }
    const int64_t bandRows = int64_t(1) << bandShift_;
    const size_t bands = size_t((rows + bandRows - 1) / bandRows);
    while (bands_.size() > bands) {
        const int64_t first = int64_t(bands_.size() - 1) * bandRows;
        heldBytes_ -= std::min<int64_t>(bandRows, Height - first) * int64_t(rowBytes_);
        bands_.pop_back();
    }
    const int64_t end = std::min<int64_t>(heldRows_, int64_t(bands) * bandRows);
    for (int64_t y = rows; y < end; ++y)
        std::fill_n(Row(int(y)), rowBytes_, uint8_t(0));
    heldRows_ = int32_t(rows);
}

bool TTmp::AllocatePixels()
{
    ReleasePixels();
    return HoldRows(Height);
}

void TTmp::ReleasePixels()
{
    bands_.clear();
    bands_.shrink_to_fit();
    heldRows_ = 0;
    heldBytes_ = 0;
}

bool TTmp::HasPixels() const
{
    return heldRows_ > 0 && heldRows_ <= Height && int64_t(rowBytes_) == RowBytes();
}

int MapSettingsSlot(int type)
{
    static constexpr int order[11] = {1024, 1025, 1026, 1027, 1028, 1029, 1032, 1033, 1030, 1031, 1034};
    for (int i = 0; i < 11; ++i)
        if (order[i] == type)
            return i;
    return -1;
}

void InitIndexUnit()
{
    Index.DefaultSymbol = MakeDefaultSymbol();
    Index.GraphicsEditSymbol = MakeDefaultSymbol();
    Index.CurSymbol = Index.DrawSymbol = &Index.DefaultSymbol;
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
    InitIndexUnit();
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
        ErrorMsg(TextKey::FormatNotCorr, z.WorkFile.ShownName() + QStringLiteral("\r\n"),
                 FormatNotCorrHelp);
        throw EAbort();
    }
    z.OpenedVersion = z.Header.Version;
    z.Skipped = {};
    z.Repaired = {};
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
    const auto stored = WriteSetupBytes(z.Setup);
    CheckSetup(z.Setup);
    z.Repaired.Setup = WriteSetupBytes(z.Setup) != stored;
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
    const auto stored = WriteSymbolHeaderBytes(z.ColorBlock);
    CheckSymbolHeader(z.ColorBlock);
    z.Repaired.Colors = WriteSymbolHeaderBytes(z.ColorBlock) != stored;
    z.FreeSymbols();
    const int named = NamedSymbolSlots(z, z.Skipped.SymbolChainCut, z.Skipped.RuleSymbols);
    z.ReadSymbolIndex();
    z.Skipped.Symbols = std::max(named - z.SymbolCount() - int(z.Skipped.RuleSymbols.size()), 0);
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
    z.StringBlocksFull = 0;
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
    const std::vector<ColorSet> colours = SymbolColorsByPlace();
    int64_t pos = z.Header.ObjectIndexPos;
    while (pos > 0 && z.BlockCount() < MaxObjectBlocks
           && InVariablePart(pos, ObjectIndexBlockBytes, size) && visited.insert(pos).second) {
        z.ReadBytesAt(pos, bytes);
        auto block = std::make_unique<ObjectIndexBlock>();
        block->EntriesPos = int32_t(pos + 4);
        ParseObjectBlock(bytes, *block, z.Header, size, &z.Skipped.Objects);
        UpdateBlockSummary(*block, colours);
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

namespace {

// Ends the chain that starts at the header field `link` where it leaves the file or meets a
// block already passed.
void EndChainInFile(int64_t link, int blockBytes)
{
    TZmd& z = Z();
    const int64_t size = z.WorkFile.Size();
    std::unordered_set<int64_t> visited;
    std::array<uint8_t, 4> next{};
    for (;;) {
        z.ReadBytesAt(link, next);
        const int64_t pos = LoadLE<int32_t>(next.data());
        if (pos == 0)
            return;
        if (!InVariablePart(pos, blockBytes, size) || !visited.insert(pos).second) {
            WriteI32At(link, 0);
            return;
        }
        link = pos;
    }
}

} // namespace

void DropDamagedParts()
{
    TZmd& z = Z();
    if (!z.Skipped.Any())
        return;
    z.WriteHeader();
    for (const auto& block : z.ObjectBlocks) {
        std::vector<uint8_t> entries(size_t(256) * ObjectIndexEntryBytes);
        for (size_t i = 0; i < 256; ++i) {
            const auto e = WriteObjectIndexEntry(block->Entries[i]);
            std::copy(e.begin(), e.end(), entries.begin() + long(i) * ObjectIndexEntryBytes);
        }
        z.WriteBytesAt(block->EntriesPos, entries);
    }
    for (int b = 0; b < int(z.StringBlocks.size()); ++b)
        WriteStringEntries(b);
    // The symbols as loaded; records the rules skipped are not part of this map.
    z.WriteSymbolIndex();
    z.WriteHeader();
    EndChainInFile(8, SymbolIndexBlockBytes);
    EndChainInFile(12, ObjectIndexBlockBytes);
    EndChainInFile(32, PStringIndexBlockBytes);
}

void ReindexFromFile()
{
    TZmd& z = Z();
    const int64_t size = z.WorkFile.Size();
    std::vector<uint8_t> bytes(ObjectIndexBlockBytes);
    z.UsedColors.reset();
    const std::vector<ColorSet> colours = SymbolColorsByPlace();
    for (auto& block : z.ObjectBlocks) {
        const int64_t pos = int64_t(block->EntriesPos) - 4;
        if (!InVariablePart(pos, ObjectIndexBlockBytes, size))
            continue;
        z.ReadBytesAt(pos, bytes);
        ParseObjectBlock(bytes, *block, z.Header, size);
        UpdateBlockSummary(*block, colours);
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

bool StoreSetup(const SetupRecord& edited)
{
    if (!Index.MapOpen || !Index.ActiveZmd)
        return false;
    SetupRecord& s = Z().Setup;
    if (WriteSetupBytes(edited) == WriteSetupBytes(s))
        return false;
    s = edited;
    return WriteSetup();
}

bool WriteViewSetup()
{
    KeepChangedFlag unchanged(Index.ActiveZmd);
    return WriteSetup();
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

int CurrentSymbolPos()
{
    if (!Index.ActiveZmd)
        return -1;
    const int i = Z().Setup.CurrentSymbolIndex;
    return i >= 0 && i < Z().SymbolCount() ? i : -1;
}

SymbolBytes* CurrentSymbolRecord()
{
    const int i = CurrentSymbolPos();
    return i >= 0 ? &Z().Symbols[size_t(i)] : nullptr;
}

void SetCurrentSymbolPos(int pos)
{
    if (!Index.ActiveZmd)
        return;
    if (pos < 0 || pos >= Z().SymbolCount())
        pos = -1;
    Z().Setup.CurrentSymbolIndex = int16_t(pos);
    ShowCurrentSymbolStatus();
    DocumentPorts().CurrentSymbolChanged();
}

void ShowCurrentSymbolStatus()
{
    if (const SymbolBytes* rec = CurrentSymbolRecord())
        ShowCurrentSymbol(SymI16(*rec, SymNumber), SymbolDescription(*rec));
    else
        ClearSymbolStatus();
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
    // A block's summary is made once its objects are done, also when a write failure ends
    // the pass; a symbol's colours are counted once.
    struct PendingSummary {
        std::vector<ColorSet> colours = SymbolColorsByPlace();
        ObjectIndexBlock* block = nullptr;
        void MoveTo(ObjectIndexBlock* next)
        {
            if (block && block != next)
                UpdateBlockSummary(*block, colours);
            block = next;
        }
        ~PendingSummary() { MoveTo(nullptr); }
    } pending;
    std::vector<bool> counted(65536, false);
    for (int n = 1; n <= z.HighestObject; ++n) {
        const ObjectIndexEntry& e = z.Entry(n);
        const int sym = e.Symbol & ~CourseOnlyMark;
        if (e.Length == 0 || sym == 0 || sym < from || sym > to)
            continue;
        if (!counted[e.Symbol]) {
            counted[e.Symbol] = true;
            GetSymbol(e.Symbol, Index.DrawSymbol);
            z.UsedColors |= SymColors(*Index.DrawSymbol);
        }
        if (!ReadElement(n, Index.CurElement))
            continue;
        ElementExtent(Index.CurElement);
        ObjectIndexEntry& entry = z.Entry(n);
        entry.Rect = Index.CurIndex.Rect;
        ObjectIndexBlock& block = BlockOf(n);
        pending.MoveTo(&block);
        const int64_t at = block.EntriesPos + 24 * int64_t((n - 1) & 255);
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

} // namespace zemo
