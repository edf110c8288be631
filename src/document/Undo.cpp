#include "document/Undo.h"

#include "core/ByteIO.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zemo {

bool UndoEnabled = true;
UndoState UndoUnit;

namespace {

int Next(int i) { return (i + 1) % UndoRingSize; }
int Prev(int i) { return (i + UndoRingSize - 1) % UndoRingSize; }

bool GraphicsMode()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}

int Highest()
{
    return Index.ActiveZmd ? Index.ActiveZmd->HighestObject : 0;
}

bool ObjectNumberOk(int n)
{
    return n >= 1 && n <= Highest();
}

bool EntryDeleted(const ObjectIndexEntry& e)
{
    return e.Symbol == DeletedSymbol || (e.Symbol & 0x7FFF) == 0;
}

void Redraw(const CordRect& r)
{
    DocumentPorts().UpdateRect(r);
}

void UpdateButtons()
{
    DocumentPorts().UpdateUndoButtons();
}

// One message per walk for steps whose kept data cannot be used.
struct RefusalReport {
    bool shown = false;
    void operator()()
    {
        if (!shown)
            ErrorMsg(QStringLiteral(": Undo (;)."), QStringLiteral("damaged undo data"));
        shown = true;
    }
};

// ---- The undo file ----

int64_t UndoFileSize()
{
    struct stat st {};
    if (UndoUnit.FileHandle < 0 || ::fstat(UndoUnit.FileHandle, &st) != 0)
        return -1;
    return int64_t(st.st_size);
}

void ReportUndoWriteFailure()
{
    if (!UndoUnit.FileFailed)
        ErrorMsg(TextKey::CannotWrite, UndoUnit.FileName);
    UndoUnit.FileFailed = true;
}

// Appends at the end of the undo file; a failed run leaves the file as it was.
class UndoFileWriter {
public:
    UndoFileWriter()
    {
        if (UndoUnit.FileHandle < 0)
            CreateUndoFile(false);
        start_ = pos_ = UndoFileSize();
        ok_ = start_ >= 0;
    }
    void Put(const uint8_t* data, size_t count)
    {
        while (ok_ && count > 0) {
            const ssize_t done = ::pwrite(UndoUnit.FileHandle, data, count, off_t(pos_));
            if (done < 0 && errno == EINTR)
                continue;
            if (done <= 0) {
                ok_ = false;
                break;
            }
            data += done;
            count -= size_t(done);
            pos_ += done;
        }
    }
    void Put(std::span<const uint8_t> bytes) { Put(bytes.data(), bytes.size()); }
    void PutI32(int32_t v)
    {
        uint8_t b[4];
        StoreLE(b, v);
        Put(b, 4);
    }
    // The start of what was written, or -1 (reported) when any write failed.
    int64_t Finish()
    {
        if (ok_)
            return start_;
        if (start_ >= 0 && UndoUnit.FileHandle >= 0) {
            [[maybe_unused]] const int r = ::ftruncate(UndoUnit.FileHandle, off_t(start_));
        }
        ReportUndoWriteFailure();
        return -1;
    }

private:
    int64_t start_ = -1;
    int64_t pos_ = -1;
    bool ok_ = false;
};

// Exactly count bytes at pos, all of them inside the file.
bool ReadUndoBytes(int64_t pos, uint8_t* buffer, int64_t count, int64_t fileSize)
{
    if (pos < 0 || count < 0 || count > fileSize || pos > fileSize - count)
        return false;
    while (count > 0) {
        const ssize_t got = ::pread(UndoUnit.FileHandle, buffer, size_t(count), off_t(pos));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        buffer += got;
        count -= got;
        pos += got;
    }
    return true;
}

// A list of object numbers ended by 0. Refused whole when it runs past the file or holds a
// number that is no object of the map.
bool ReadUndoList(int64_t pos, std::vector<int>& numbers)
{
    numbers.clear();
    const int64_t size = UndoFileSize();
    if (size < 0 || pos < 0)
        return false;
    std::vector<uint8_t> chunk;
    while (true) {
        const int64_t left = size - pos;
        if (left < 4)
            return false;
        chunk.resize(size_t(std::min<int64_t>(left, 65536) / 4 * 4));
        if (!ReadUndoBytes(pos, chunk.data(), int64_t(chunk.size()), size))
            return false;
        for (size_t i = 0; i < chunk.size(); i += 4) {
            const int32_t n = LoadLE<int32_t>(chunk.data() + i);
            if (n == 0)
                return true;
            if (!ObjectNumberOk(n))
                return false;
            numbers.push_back(n);
        }
        pos += int64_t(chunk.size());
    }
}

// The numbers of the selected objects; CurIndex and the scan are left as they were.
std::vector<int> SelectedNumbers()
{
    const ObjectIndexEntry keepIndex = Index.CurIndex;
    const int keepNo = Index.CurIndexNo;
    const int keepPos = Index.ScanPos, keepEnd = Index.ScanEnd;
    const bool keepFinished = Index.ScanFinished;
    std::vector<int> numbers;
    StartElementScan(0);
    while (NextSelectedElement())
        numbers.push_back(Index.CurIndexNo);
    Index.CurIndex = keepIndex;
    Index.CurIndexNo = keepNo;
    Index.ScanPos = keepPos;
    Index.ScanEnd = keepEnd;
    Index.ScanFinished = keepFinished;
    return numbers;
}

// ---- Element records as bytes ----

std::vector<uint8_t> RecordBytesOf(const ElementRecord& e)
{
    return ElementRecordBytes(e, int(e.nItem) + e.nText);
}

// An element record from kept bytes; false when its counts do not fit the bytes or the
// element buffer.
bool ParseRecord(std::span<const uint8_t> bytes, ElementRecord& e)
{
    if (bytes.size() < ElementHeadBytes)
        return false;
    ByteReader r(bytes);
    const uint16_t nItem = r.U16(4);
    const uint16_t nText = r.U16(6);
    const size_t slots = size_t(nItem) + nText;
    if (nItem < 1 || slots > size_t(MaxElementItems) || slots > ElementSlotCapacity
        || ElementHeadBytes + slots * 8 > bytes.size())
        return false;
    e.Symbol = r.I16(0);
    e.ObjectType = r.U8(2);
    e.Flags = r.U8(3);
    e.nItem = nItem;
    e.nText = nText;
    e.Angle = r.I16(8);
    e.Word10 = r.I16(10);
    e.Word12 = r.I16(12);
    e.Word14 = r.I16(14);
    r.CopyBytes(16, e.LayerName);
    for (size_t i = 0; i < nItem; ++i) {
        e.Slots[i].x = LoadLE<int32_t>(bytes.data() + 32 + i * 8);
        e.Slots[i].y = LoadLE<int32_t>(bytes.data() + 36 + i * 8);
    }
    if (nText > 0)
        std::memcpy(e.Slots.data() + nItem, bytes.data() + 32 + size_t(nItem) * 8, size_t(nText) * 8);
    return true;
}

// The raw record of an object as the working file holds it (32 + 8 x length bytes).
bool ReadObjectRecord(const ObjectIndexEntry& entry, std::vector<uint8_t>& bytes)
{
    TZmd& z = *Index.ActiveZmd;
    const int length = std::min<int>(entry.Length, MaxElementItems);
    const int64_t size = 32 + 8 * int64_t(length);
    if (!InVariablePart(entry.Pos, size, z.WorkFile.Size()))
        return false;
    bytes.resize(size_t(size));
    return z.ReadBytesAt(entry.Pos, bytes);
}

// Number, index entry and record of object n, as a kind-6 copy.
void PutObjectCopy(UndoFileWriter& w, int n)
{
    const ObjectIndexEntry entry = Index.ActiveZmd->Entry(n);
    std::vector<uint8_t> record;
    ObjectIndexEntry stored = entry;
    if (!ReadObjectRecord(entry, record)) {
        // Nothing readable: kept as an empty, deleted copy.
        stored.Length = 0;
        stored.Symbol = DeletedSymbol;
        record.assign(32, 0);
    }
    stored.Length = uint16_t(std::min<int>(stored.Length, MaxElementItems));
    w.PutI32(n);
    w.Put(WriteObjectIndexEntry(stored));
    w.Put(record);
}

struct ObjectCopy {
    int n = 0;
    ObjectIndexEntry entry;
    int64_t recordPos = 0;
    int length = 0;
};

// The copies of a kind-6 step; refused whole when one of them runs past the file, claims
// more slots than an element holds or has counts beyond its own length.
bool ReadObjectCopies(int64_t pos, std::vector<ObjectCopy>& copies)
{
    copies.clear();
    const int64_t size = UndoFileSize();
    if (size < 0)
        return false;
    uint8_t head[4 + ObjectIndexEntryBytes + ElementHeadBytes];
    while (true) {
        uint8_t num[4];
        if (!ReadUndoBytes(pos, num, 4, size))
            return false;
        const int32_t n = LoadLE<int32_t>(num);
        if (n == 0)
            return true;
        if (!ObjectNumberOk(n) || !ReadUndoBytes(pos, head, sizeof head, size))
            return false;
        ObjectCopy c;
        c.n = n;
        c.entry = ReadObjectIndexEntry(std::span<const uint8_t>(head + 4, ObjectIndexEntryBytes));
        c.length = c.entry.Length;
        if (c.length > MaxElementItems)
            return false;
        c.recordPos = pos + 4 + ObjectIndexEntryBytes;
        const int64_t recordSize = 32 + 8 * int64_t(c.length);
        if (c.recordPos > size - recordSize)
            return false;
        const uint8_t* rh = head + 4 + ObjectIndexEntryBytes;
        const int nItem = LoadLE<uint16_t>(rh + 4), nText = LoadLE<uint16_t>(rh + 6);
        if (!EntryDeleted(c.entry) && (nItem < 1 || nItem + nText > c.length))
            return false;
        copies.push_back(c);
        pos = c.recordPos + recordSize;
    }
}

// ---- Taking steps back and doing them again ----

void SelectObject(int n)
{
    if (!IsSelected(n) && GetIndex(n))
        ToggleSelection(n);
}

void DeleteObject(int n)
{
    if (!ObjectNumberOk(n))
        return;
    TZmd& z = *Index.ActiveZmd;
    if (EntryDeleted(z.Entry(n)))
        return;
    Redraw(z.Entry(n).Rect);
    DeleteElement(n);
}

void RestoreObject(int n, bool select)
{
    if (!ObjectNumberOk(n))
        return;
    if (EntryDeleted(Index.ActiveZmd->Entry(n)))
        RestoreElement(n);
    Redraw(Index.ActiveZmd->Entry(n).Rect);
    if (select)
        SelectObject(n);
}

// Moves by sign x (dx, dy) with the flag bits of the distance dropped, so that a move and its
// reverse cancel exactly.
void MoveObject(int n, int32_t dx, int32_t dy, int sign)
{
    if (!ObjectNumberOk(n) || !ReadElement(n, Index.CurElement) || Index.CurElement.nItem == 0)
        return;
    const CordRect before = Index.CurIndex.Rect;
    ElementRecord& e = Index.CurElement;
    const int64_t mx = sign * int64_t(Masked(dx)), my = sign * int64_t(Masked(dy));
    auto shift = [](int32_t v, int64_t d) {
        const int64_t m = std::clamp<int64_t>(int64_t(Masked(v)) + d, Masked(SafeRoundMin), Masked(SafeRoundMax));
        return int32_t(m) | Flags(v);
    };
    // A point object's further coordinates are no positions (a cut circle's gap angles).
    const int count = e.ObjectType == PointObject ? 1 : e.nItem;
    for (int i = 0; i < count; ++i) {
        e.Slots[size_t(i)].x = shift(e.Slots[size_t(i)].x, mx);
        e.Slots[size_t(i)].y = shift(e.Slots[size_t(i)].y, my);
    }
    if (SaveElement(n)) {
        Redraw(before);
        Redraw(Index.CurIndex.Rect);
        SelectObject(n);
    }
}

// UndoChange: the kept copy and the object's current state change places.
void ExchangeCopy(UndoStep& s, RefusalReport& refuse)
{
    const int n = s.Object;
    ElementRecord& cur = Index.CurElement;
    if (!ObjectNumberOk(n) || !ReadElement(n, cur) || cur.nItem == 0) {
        refuse();
        return;
    }
    const CordRect currentRect = Index.CurIndex.Rect;
    Index.AuxElement3 = cur;
    if (!ParseRecord(s.Data, cur)) {
        refuse();
        return;
    }
    if (!SaveElement(n))
        return;
    Redraw(s.Rect);
    Redraw(Index.CurIndex.Rect);
    s.Data = RecordBytesOf(Index.AuxElement3);
    s.Rect = currentRect;
}

// UndoExchange: the objects' current states go to the undo file, the kept copies come back.
void ExchangeObjects(UndoStep& s, RefusalReport& refuse)
{
    std::vector<ObjectCopy> copies;
    if (!ReadObjectCopies(s.FilePos, copies)) {
        refuse();
        return;
    }
    UndoFileWriter w;
    for (const ObjectCopy& c : copies)
        PutObjectCopy(w, c.n);
    w.PutI32(0);
    const int64_t now = w.Finish();
    if (now < 0)
        return;  // reported; without the current states the step could not be redone
    const int64_t size = UndoFileSize();
    std::vector<uint8_t> record;
    for (const ObjectCopy& c : copies) {
        if (EntryDeleted(c.entry)) {
            DeleteObject(c.n);
            continue;
        }
        record.resize(32 + 8 * size_t(c.length));
        if (!ReadUndoBytes(c.recordPos, record.data(), int64_t(record.size()), size)
            || !ParseRecord(record, Index.CurElement)) {
            refuse();
            continue;
        }
        if (EntryDeleted(Index.ActiveZmd->Entry(c.n))) {
            // Brings its strings back too; the record is then written over it.
            ElementRecord keep = Index.CurElement;
            RestoreElement(c.n);
            Index.CurElement = keep;
        }
        Redraw(Index.ActiveZmd->Entry(c.n).Rect);
        if (SaveElement(c.n)) {
            Redraw(Index.CurIndex.Rect);
            SelectObject(c.n);
        }
    }
    s.FilePos = now;
}

// UndoGraphics: the symbol-graphics buffer and the kept copy change places.
void ExchangeGraphics(UndoStep& s)
{
    SymbolGraphicsBuffer* g = Index.SymbolGraphics;
    if (!g)
        return;
    const int used = std::clamp(g->UsedSlots, 0, SymbolGraphicsSlots);
    std::vector<uint8_t> current(g->Slots.begin(), g->Slots.begin() + used * 8);
    const size_t slots = std::min<size_t>(s.Data.size() / 8, SymbolGraphicsSlots);
    std::fill(g->Slots.begin(), g->Slots.end(), 0);
    std::copy_n(s.Data.begin(), slots * 8, g->Slots.begin());
    g->UsedSlots = int(slots);
    s.Data = std::move(current);
    DocumentPorts().RepaintWindow();
}

// UndoSetup: the map's scale and real-world placement change places with the kept copy; the
// rest of the setup (the view among it) stays as it is now.
void ExchangeSetup(UndoStep& s)
{
    SetupRecord* now = Index.ActiveZmd ? &Index.ActiveZmd->Setup : nullptr;
    if (!now || s.Data.size() != SetupRecordBytes)
        return;
    SetupRecord kept = ReadSetupBytes(s.Data);
    std::swap(now->MapScale, kept.MapScale);
    std::swap(now->RealWorldOffsetX, kept.RealWorldOffsetX);
    std::swap(now->RealWorldOffsetY, kept.RealWorldOffsetY);
    std::swap(now->RealWorldAngle, kept.RealWorldAngle);
    std::swap(now->RealWorldGridDistance, kept.RealWorldGridDistance);
    std::swap(now->RealWorldCoords, kept.RealWorldCoords);
    const auto bytes = WriteSetupBytes(kept);
    s.Data.assign(bytes.begin(), bytes.end());
    WriteSetup();
    DocumentPorts().RepaintWindow();
}

void ForList(const UndoStep& s, RefusalReport& refuse, const std::function<void(int)>& f)
{
    std::vector<int> numbers;
    if (!ReadUndoList(s.FilePos, numbers)) {
        refuse();
        return;
    }
    for (int n : numbers)
        f(n);
}

void TakeBack(UndoStep& s, RefusalReport& refuse)
{
    switch (s.Kind) {
    case UndoAppend:
        DeleteObject(s.Object);
        break;
    case UndoChange:
        ExchangeCopy(s, refuse);
        break;
    case UndoDelete:
        RestoreObject(s.Object, false);
        break;
    case UndoAddMany:
        ForList(s, refuse, [](int n) { DeleteObject(n); });
        break;
    case UndoMoveMany:
        ForList(s, refuse, [&s](int n) { MoveObject(n, s.Arg1, s.Arg2, -1); });
        break;
    case UndoExchange:
        ExchangeObjects(s, refuse);
        break;
    case UndoDeleteMany:
        ForList(s, refuse, [](int n) { RestoreObject(n, true); });
        break;
    case UndoGraphics:
        ExchangeGraphics(s);
        break;
    case UndoSetup:
        ExchangeSetup(s);
        break;
    default:
        break;
    }
}

void DoAgain(UndoStep& s, RefusalReport& refuse)
{
    switch (s.Kind) {
    case UndoAppend:
        RestoreObject(s.Object, false);
        break;
    case UndoChange:
        ExchangeCopy(s, refuse);
        break;
    case UndoDelete:
        DeleteObject(s.Object);
        break;
    case UndoAddMany:
        ForList(s, refuse, [](int n) { RestoreObject(n, true); });
        break;
    case UndoMoveMany:
        ForList(s, refuse, [&s](int n) { MoveObject(n, s.Arg1, s.Arg2, 1); });
        break;
    case UndoExchange:
        ExchangeObjects(s, refuse);
        break;
    case UndoDeleteMany:
        ForList(s, refuse, [](int n) { DeleteObject(n); });
        break;
    case UndoGraphics:
        ExchangeGraphics(s);
        break;
    case UndoSetup:
        ExchangeSetup(s);
        break;
    default:
        break;
    }
}

// Writes the step's list (UndoAddMany, UndoMoveMany, UndoDeleteMany) or copies (UndoExchange) to
// the undo file.
bool RecordSelection(UndoStep& s)
{
    s.Rect = Index.SelectionRect;
    UndoFileWriter w;
    for (int n : SelectedNumbers()) {
        if (s.Kind == UndoExchange)
            PutObjectCopy(w, n);
        else
            w.PutI32(n);
    }
    w.PutI32(0);
    s.FilePos = w.Finish();
    return s.FilePos >= 0;
}

bool RecordGraphics(UndoStep& s)
{
    const SymbolGraphicsBuffer& g = *Index.SymbolGraphics;
    const int used = std::clamp(g.UsedSlots, 0, SymbolGraphicsSlots);
    s.Data.assign(g.Slots.begin(), g.Slots.begin() + used * 8);
    if (Index.SelectedIndex > 0) {
        s.Object = Index.SelectedIndex;
    } else if (Index.SelectionCount > 0) {
        s.Object = -1;
        UndoFileWriter w;
        for (int i = 0; i < int(Index.GraphicsSelection.size()); ++i)
            if (Index.GraphicsSelection[size_t(i)])
                w.PutI32(i + 1);
        w.PutI32(0);
        s.FilePos = w.Finish();
        return s.FilePos >= 0;
    } else {
        s.Object = 0;
    }
    return true;
}

} // namespace

void ResetUndoState()
{
    CloseUndoFile();
    UndoEnabled = true;
    UndoUnit = {};
}

void SetActiveUndoRing(UndoRing* ring)
{
    UndoUnit.ActiveRing = ring;
}

UndoRing* ActiveUndoRing()
{
    return UndoUnit.ActiveRing;
}

bool CreateUndoFile(bool removeStale)
{
    CloseUndoFile();
    const QString folder = StateFolder();
    if (removeStale) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({QStringLiteral("undo*.tmp")}, QDir::Files | QDir::Hidden))
            QFile::remove(dir.filePath(name));
    }
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    // Without O_TMPFILE on this file system: a free numbered name, unlinked at once.
    for (int i = 0; fd < 0 && i <= 9999; ++i) {
        const QString name = folder + QStringLiteral("undo%1.tmp").arg(i, 4, 10, QLatin1Char('0'));
        const QByteArray encoded = QFile::encodeName(name);
        fd = ::open(encoded.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::unlink(encoded.constData());
        else if (errno != EEXIST)
            break;
    }
    UndoUnit.FileName = folder + QStringLiteral("undo.tmp");
    UndoUnit.FileFailed = false;
    UndoUnit.FileHandle = fd;
    if (fd < 0)
        ReportUndoWriteFailure();
    return fd >= 0;
}

void CloseUndoFile()
{
    if (UndoUnit.FileHandle >= 0)
        ::close(UndoUnit.FileHandle);
    UndoUnit.FileHandle = -1;
}

// A tool that started and stored nothing (a press without a drag) leaves a start with no step
// after it: there is nothing to take back, so it must not take an Undo of its own.
bool EmptyActionOnTop(const UndoRing& ring)
{
    return !GraphicsMode() && ring.Current == ring.Last && ring.Current != ring.First
           && ring.Steps[size_t(ring.Current)].Kind == UndoStart;
}

void DropEmptyAction(UndoRing& ring)
{
    if (EmptyActionOnTop(ring)) {
        ring.Steps[size_t(ring.Current)] = UndoStep{};
        ring.Current = ring.Last = Prev(ring.Current);
    }
}

void RecordUndo(int kind, int n, int arg1, int arg2)
{
    UndoRing* ring = UndoUnit.ActiveRing;
    if (!UndoEnabled || !ring)
        return;
    const bool graphics = GraphicsMode();
    if (kind == UndoStart)
        DropEmptyAction(*ring);
    // In symbol-graphics mode one snapshot follows each start.
    if (graphics && kind != UndoStart && ring->Steps[size_t(ring->Current)].Kind != UndoStart)
        return;
    ring->Current = Next(ring->Current);
    ring->Last = ring->Current;
    if (ring->Current == ring->First)
        ring->First = Next(ring->First);
    UndoStep& s = ring->Steps[size_t(ring->Current)];
    s = UndoStep{};
    s.Kind = graphics && kind != UndoStart ? UndoGraphics : kind;
    s.Object = n;
    s.Arg1 = arg1;
    s.Arg2 = arg2;
    s.Rect = Index.KeptIndex.Rect;
    if (!graphics && n > 0 && Index.CurIndexNo == n)
        ExtendRect(s.Rect, Index.CurIndex.Rect);
    bool ok = true;
    switch (s.Kind) {
    case UndoChange: {
        const ElementRecord& kept = Index.AuxElement3;
        if (kept.nItem >= 1 && int(kept.nItem) + kept.nText <= MaxElementItems)
            s.Data = RecordBytesOf(kept);
        break;
    }
    case UndoAddMany:
    case UndoMoveMany:
    case UndoExchange:
    case UndoDeleteMany:
        ok = Index.ActiveZmd && RecordSelection(s);
        break;
    case UndoGraphics:
        ok = RecordGraphics(s);
        break;
    case UndoSetup:
        if (Index.ActiveZmd) {
            const auto bytes = WriteSetupBytes(Index.ActiveZmd->Setup);
            s.Data.assign(bytes.begin(), bytes.end());
        }
        break;
    default:
        break;
    }
    // A step whose list could not be kept must not be taken back half: nothing before it can
    // be undone either.
    if (!ok)
        ClearUndo(*ring);
}

void ExtendUndoRect(const CordRect& r)
{
    if (UndoRing* ring = UndoUnit.ActiveRing)
        ExtendRect(ring->Steps[size_t(ring->Current)].Rect, r);
}

bool DropEmptyUndoStep()
{
    UndoRing* ring = UndoUnit.ActiveRing;
    if (!ring || !EmptyActionOnTop(*ring))
        return false;
    DropEmptyAction(*ring);
    return true;
}

bool CanUndo()
{
    const UndoRing* ring = UndoUnit.ActiveRing;
    if (!Index.MapOpen || !ring)
        return false;
    if (GraphicsMode() && ring->Steps[size_t(ring->Current)].Kind != UndoGraphics)
        return false;
    int i = ring->Current;
    if (EmptyActionOnTop(*ring))
        i = Prev(i);
    for (; i != ring->First; i = Prev(i))
        if (ring->Steps[size_t(i)].Kind == UndoStart)
            return true;
    return false;
}

bool CanRedo()
{
    const UndoRing* ring = UndoUnit.ActiveRing;
    if (!Index.MapOpen || !ring || ring->Current == ring->Last)
        return false;
    return !GraphicsMode() || ring->Steps[size_t(Next(Next(ring->Current)))].Kind == UndoGraphics;
}

void UndoEdit()
{
    if (!CanUndo())
        return;
    UndoRing& ring = *UndoUnit.ActiveRing;
    DropEmptyAction(ring);
    ClearSelection();
    UndoSuspend suspend;
    RefusalReport refuse;
    try {
        int i = ring.Current;
        while (i != ring.First && ring.Steps[size_t(i)].Kind != UndoStart) {
            TakeBack(ring.Steps[size_t(i)], refuse);
            i = Prev(i);
        }
        ring.Current = Prev(i);
    } catch (...) {
        // The working file failed part way: no step can be trusted any more.
        ClearUndo(ring);
        throw;
    }
    UpdateButtons();
    // Objects of the current course may stand elsewhere now: its diagram and length follow.
    RepaintCourse();
}

void RedoEdit()
{
    if (!CanRedo())
        return;
    UndoRing& ring = *UndoUnit.ActiveRing;
    ClearSelection();
    UndoSuspend suspend;
    RefusalReport refuse;
    try {
        int i = Next(ring.Current);  // the action's start
        ring.Current = i;
        while (i != ring.Last) {
            const int j = Next(i);
            if (ring.Steps[size_t(j)].Kind == UndoStart)
                break;
            DoAgain(ring.Steps[size_t(j)], refuse);
            i = j;
            ring.Current = i;
        }
    } catch (...) {
        ClearUndo(ring);
        throw;
    }
    UpdateButtons();
    RepaintCourse();
}

void ClearUndo(UndoRing& ring)
{
    for (UndoStep& s : ring.Steps)
        s = UndoStep{};
    ring.First = ring.Last = ring.Current = 0;
}

void ClearUndo()
{
    if (UndoRing* ring = UndoUnit.ActiveRing)
        ClearUndo(*ring);
}

void SkipEmptyUndoSteps()
{
    UndoRing* ring = UndoUnit.ActiveRing;
    if (!ring)
        return;
    while (ring->Last != ring->First
           && (ring->Steps[size_t(ring->Last)].Kind == UndoStart
               || ring->Steps[size_t(ring->Last)].Kind == UndoGraphics))
        ring->Last = Prev(ring->Last);
    ring->Current = ring->Last;
}

} // namespace zemo
