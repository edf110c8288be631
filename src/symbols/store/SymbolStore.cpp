#include "symbols/store/SymbolStore.h"

#include "core/ByteIO.h"
#include "core/Errors.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

namespace zemo {

namespace {
SymbolStore* currentStore = nullptr;
constexpr int SymbolCapacityStep = 32;
} // namespace

MapFileHeader ReadMapHeaderBytes(std::span<const uint8_t> bytes)
{
    ByteReader r(bytes);
    MapFileHeader h;
    h.Mark = r.U16(0);
    h.FileType = r.U16(2);
    h.Version = r.U16(4);
    h.SubVersion = r.U16(6);
    h.SymbolIndexPos = r.I32(8);
    h.ObjectIndexPos = r.I32(12);
    h.SetupPos = r.I32(16);
    h.SetupSize = r.I32(20);
    h.InfoPos = r.I32(24);
    h.InfoSize = r.I32(28);
    h.StringIndexPos = r.I32(32);
    r.CopyBytes(36, h.Reserved);
    return h;
}

std::array<uint8_t, MapHeaderBytes> WriteMapHeaderBytes(const MapFileHeader& h)
{
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.PutU16(0, h.Mark);
    w.PutU16(2, h.FileType);
    w.PutU16(4, h.Version);
    w.PutU16(6, h.SubVersion);
    w.PutI32(8, h.SymbolIndexPos);
    w.PutI32(12, h.ObjectIndexPos);
    w.PutI32(16, h.SetupPos);
    w.PutI32(20, h.SetupSize);
    w.PutI32(24, h.InfoPos);
    w.PutI32(28, h.InfoSize);
    w.PutI32(32, h.StringIndexPos);
    w.PutBytes(36, h.Reserved);
    std::array<uint8_t, MapHeaderBytes> a{};
    std::memcpy(a.data(), out.data(), a.size());
    return a;
}

bool MapHeaderValid(const MapFileHeader& h)
{
    return h.Mark == MapFileMark && h.Version >= 3 && h.Version <= 8;
}

SymbolStore::SymbolStore()
{
    NumberTable.fill(-1);
}

void SymbolStore::WriteBytesAt(int64_t pos, std::span<const uint8_t> bytes)
{
    WorkFile.Seek(pos);
    WorkFile.Write(bytes.data(), int64_t(bytes.size()));
}

bool SymbolStore::ReadBytesAt(int64_t pos, std::span<uint8_t> bytes)
{
    WorkFile.Seek(pos);
    return WorkFile.Read(bytes.data(), int64_t(bytes.size()));
}

void SymbolStore::WriteHeader()
{
    WriteBytesAt(0, WriteMapHeaderBytes(Header));
}

void SymbolStore::BuildNumberTable(int skip)
{
    NumberTable.fill(-1);
    for (int i = 0; i < SymbolCount(); ++i) {
        const int n = SymI16(Symbols[size_t(i)], SymNumber);
        if (i != skip && n >= 1 && n <= MaxSymbolNumber)
            NumberTable[size_t(n)] = int16_t(i);
    }
}

void SymbolStore::ReadSymbolIndex()
{
    const int64_t fileSize = WorkFile.Size();
    std::vector<uint8_t> block(SymbolIndexBlockBytes);
    std::unordered_set<int64_t> visited;
    std::unordered_set<int64_t> records;
    UnreadSymbolRecords.clear();
    int64_t pos = Header.SymbolIndexPos;
    while (pos > 0 && InVariablePart(pos, SymbolIndexBlockBytes, fileSize)
           && visited.insert(pos).second) {
        ReadBytesAt(pos, block);
        for (int slot = 0; slot < SlotsPerIndexBlock; ++slot) {
            if (SymbolCount() >= MaxSymbols)
                break;
            const int32_t recPos = LoadLE<int32_t>(block.data() + 4 + size_t(slot) * 4);
            if (recPos <= 0 || !InVariablePart(recPos, SymbolHeadBytes, fileSize))
                continue;
            SymbolBytes rec(SymbolHeadBytes);
            ReadBytesAt(recPos, rec);
            const int16_t size = SymI16(rec, SymSize);
            const int64_t whole = std::max<int64_t>(size, SymbolHeadBytes);
            if ((size < MinSymbolBytes || size > MaxSymbolBytes) && InVariablePart(recPos, whole, fileSize)
                && ClearOfSetupAndInfo(Header, recPos, whole) && records.insert(recPos).second) {
                UnreadSymbolRecords.push_back(recPos);
                continue;
            }
            // Two slots naming one record would make two symbols write the same bytes.
            if (size < MinSymbolBytes || size > MaxSymbolBytes
                || !InVariablePart(recPos, size, fileSize)
                || !ClearOfSetupAndInfo(Header, recPos, size) || !records.insert(recPos).second)
                continue;
            rec.resize(size_t(size));
            ReadBytesAt(recPos + SymbolHeadBytes,
                        std::span(rec).subspan(SymbolHeadBytes, size_t(size - SymbolHeadBytes)));
            SetSymU8(rec, SymSelected, 0);
            SetSymI32(rec, SymFilePos, recPos);
            NormalizeSymbol(rec);
            AppendSymbolRecord(rec);
        }
        pos = LoadLE<int32_t>(block.data());
    }
    // A first block that could not be read: the index rewrite starts a sound chain.
    if (visited.empty())
        Header.SymbolIndexPos = 0;
}

bool SymbolStore::AppendSymbolRecord(std::span<const uint8_t> rec)
{
    if (SymbolCount() >= MaxSymbols)
        return false;
    const int16_t size = SymI16(rec, SymSize);
    if (size < SymbolHeadBytes || size > MaxSymbolBytes || size_t(size) > rec.size())
        return false;
    if (Symbols.size() == Symbols.capacity())
        Symbols.reserve(Symbols.size() + SymbolCapacityStep);
    Symbols.emplace_back(rec.begin(), rec.begin() + size);
    return true;
}

void SymbolStore::AssignFreeSymbolNumber(int i)
{
    if (i < 0 || i >= SymbolCount())
        return;
    SymbolBytes& rec = Symbols[size_t(i)];
    int n = std::clamp<int>(SymI16(rec, SymNumber), 1, MaxSymbolNumber);
    for (int tries = 0; tries < MaxSymbolNumber && NumberTable[size_t(n)] >= 0; ++tries)
        n = n >= MaxSymbolNumber ? 1 : n + 1;
    SetSymI16(rec, SymNumber, int16_t(n));
    NumberTable[size_t(n)] = int16_t(i);
}

namespace {
void ClearPlacement(SymbolBytes& rec)
{
    SetSymU8(rec, SymSelected, 0);
    SetSymU8(rec, SymStatus, 0);
    SetSymI32(rec, SymFilePos, 0);
}
} // namespace

int SymbolStore::AddNewSymbol(std::span<const uint8_t> rec)
{
    if (!AppendSymbolRecord(rec))
        return 0;
    const int i = SymbolCount() - 1;
    AssignFreeSymbolNumber(i);
    ClearPlacement(Symbols[size_t(i)]);
    WriteSymbol(i);
    return SymI16(Symbols[size_t(i)], SymNumber);
}

int SymbolStore::InsertSymbol(std::span<const uint8_t> rec, int i)
{
    if (i < 0 || i >= SymbolCount() || !AppendSymbolRecord(rec))
        return 0;
    std::rotate(Symbols.begin() + i + 1, Symbols.end() - 1, Symbols.end());
    // The positions behind i moved up: the table must follow before a number is chosen.
    BuildNumberTable(i + 1);
    AssignFreeSymbolNumber(i + 1);
    SymbolBytes& r = Symbols[size_t(i + 1)];
    ClearPlacement(r);
    try {
        WriteRecord(r);
        Modified = 1;
    } catch (const EAbort&) {
        ++WriteFailures;
        // The file object has reported it; the index rewrite places the record later.
        SetSymI32(r, SymFilePos, 0);
    }
    return SymI16(r, SymNumber);
}

int SymbolStore::FindOrAddSymbol(std::span<const uint8_t> rec, int i)
{
    const int16_t size = SymI16(rec, SymSize);
    if (size >= SymbolHeadBytes && size_t(size) <= rec.size()) {
        const int number = SymI16(rec, SymNumber);
        int best = -1;
        int bestDiff = 0;
        for (int k = 0; k < SymbolCount(); ++k) {
            const SymbolBytes& s = Symbols[size_t(k)];
            const int diff = std::abs(SymI16(s, SymNumber) - number);
            if (diff >= 20 || s.size() != size_t(size))
                continue;
            if (SymI16(s, SymObjectType) != SymI16(rec, SymObjectType)
                || s[SymTextFlag] != rec[SymTextFlag] || s[SymCsRole] != rec[SymCsRole]
                || s[SymCsType] != rec[SymCsType] || s[SymCdColumns] != rec[SymCdColumns])
                continue;
            if (!std::equal(s.begin() + SymbolHeadBytes, s.end(), rec.begin() + SymbolHeadBytes))
                continue;
            if (best < 0 || diff < bestDiff) {
                best = k;
                bestDiff = diff;
            }
        }
        if (best >= 0)
            return SymI16(Symbols[size_t(best)], SymNumber);
    }
    return i >= 0 ? InsertSymbol(rec, i) : AddNewSymbol(rec);
}

void SymbolStore::OverwriteSymbol(std::span<const uint8_t> rec, int i)
{
    const int16_t size = SymI16(rec, SymSize);
    if (i < 0 || i >= SymbolCount() || size < SymbolHeadBytes || size > MaxSymbolBytes
        || size_t(size) > rec.size())
        return;
    SymbolBytes& old = Symbols[size_t(i)];
    const int32_t pos = SymI32(old, SymFilePos);
    const bool grew = size_t(size) > old.size();
    old.assign(rec.begin(), rec.begin() + size);
    SetSymI32(old, SymFilePos, grew ? 0 : pos);
    WriteSymbol(i);
}

void SymbolStore::WriteRecord(SymbolBytes& rec)
{
    int64_t pos = SymI32(rec, SymFilePos);
    if (pos < VariablePartPos) {
        pos = WorkFile.Size();
        SetSymI32(rec, SymFilePos, int32_t(pos));
    }
    // The selected byte and the used bit live in memory only.
    SymbolBytes out = rec;
    SetSymU8(out, SymSelected, 0);
    SetSymU8(out, SymStatus, uint8_t(SymU8(out, SymStatus) & SymbolStatusMask));
    WriteBytesAt(pos, out);
}

void SymbolStore::WriteSymbol(int i)
{
    if (i < 0 || i >= SymbolCount())
        return;
    SymbolBytes& rec = Symbols[size_t(i)];
    try {
        const bool place = SymI32(rec, SymFilePos) < VariablePartPos;
        WriteRecord(rec);
        Modified = 1;
        if (place)
            WriteSymbolIndex();
    } catch (const EAbort&) {
        ++WriteFailures;
        // Reported by the file object.
    }
}

void SymbolStore::WriteSymbolIndex()
{
    try {
        // A record that has no place yet (new, or grown by the repairs after reading) is
        // appended first, so that the index never drops a symbol.
        for (int k = 0; k < SymbolCount(); ++k) {
            if (SymI32(Symbols[size_t(k)], SymFilePos) < VariablePartPos)
                WriteRecord(Symbols[size_t(k)]);
        }
        WriteBytesAt(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(ColorBlock));

        std::array<uint8_t, SymbolIndexBlockBytes - 4> positions{};
        std::unordered_set<int64_t> visited;
        int64_t link = 8;  // header field of the first block
        int64_t fileSize = WorkFile.Size();
        // An existing block is reused only when it is whole, in the variable part and not
        // met before; otherwise the chain continues with a new block.
        auto usable = [&](int64_t p) {
            return p > 0 && InVariablePart(p, SymbolIndexBlockBytes, fileSize)
                && !visited.count(p);
        };
        int64_t next = Header.SymbolIndexPos;
        std::vector<int32_t> slots;
        slots.reserve(Symbols.size() + UnreadSymbolRecords.size());
        for (const SymbolBytes& rec : Symbols)
            slots.push_back(SymI32(rec, SymFilePos));
        slots.insert(slots.end(), UnreadSymbolRecords.begin(), UnreadSymbolRecords.end());
        const int count = int(slots.size());
        for (int k = 0; k < count; ++k) {
            StoreLE(positions.data() + size_t(k % 256) * 4, slots[size_t(k)]);
            if (k != count - 1 && k % 256 != 255)
                continue;
            int64_t blockPos;
            if (!usable(next)) {
                blockPos = WorkFile.Size();
                std::array<uint8_t, 4> p{};
                StoreLE(p.data(), int32_t(blockPos));
                WriteBytesAt(link, p);
                if (k < 256)
                    Header.SymbolIndexPos = int32_t(blockPos);
                WriteBytesAt(blockPos, std::array<uint8_t, 4>{});
                next = 0;
            } else {
                blockPos = next;
                std::array<uint8_t, 4> n{};
                ReadBytesAt(blockPos, n);
                next = LoadLE<int32_t>(n.data());
            }
            visited.insert(blockPos);
            WriteBytesAt(blockPos + 4, positions);
            fileSize = std::max(fileSize, blockPos + SymbolIndexBlockBytes);
            positions.fill(0);
            link = blockPos;
        }
        // Blocks of the old chain behind the last symbol keep their links and lose their slots.
        while (usable(next)) {
            visited.insert(next);
            std::array<uint8_t, 4> n{};
            ReadBytesAt(next, n);
            WriteBytesAt(next + 4, positions);
            next = LoadLE<int32_t>(n.data());
        }
    } catch (const EAbort&) {
        ++WriteFailures;
        // Reported by the file object.
    }
    BuildNumberTable();
    Modified = 1;
}

void SymbolStore::FreeSymbols()
{
    UnreadSymbolRecords.clear();
    Symbols.clear();
    Symbols.shrink_to_fit();
}

// ---- On the current map ----

SymbolStore* CurrentSymbolStore() { return currentStore; }
void SetCurrentSymbolStore(SymbolStore* store) { currentStore = store; }

bool AppendSymbolRecord(std::span<const uint8_t> rec)
{
    return currentStore && currentStore->AppendSymbolRecord(rec);
}
void AssignFreeSymbolNumber(int i)
{
    if (currentStore)
        currentStore->AssignFreeSymbolNumber(i);
}
int AddNewSymbol(std::span<const uint8_t> rec)
{
    return currentStore ? currentStore->AddNewSymbol(rec) : 0;
}
int InsertSymbol(std::span<const uint8_t> rec, int i)
{
    return currentStore ? currentStore->InsertSymbol(rec, i) : 0;
}
int FindOrAddSymbol(std::span<const uint8_t> rec, int i)
{
    return currentStore ? currentStore->FindOrAddSymbol(rec, i) : 0;
}
void OverwriteSymbol(std::span<const uint8_t> rec, int i)
{
    if (currentStore)
        currentStore->OverwriteSymbol(rec, i);
}
void WriteSymbol(int i)
{
    if (currentStore)
        currentStore->WriteSymbol(i);
}
void WriteSymbolIndex()
{
    if (currentStore)
        currentStore->WriteSymbolIndex();
}
void FreeSymbols()
{
    if (currentStore)
        currentStore->FreeSymbols();
}

} // namespace zemo
