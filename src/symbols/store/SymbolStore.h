// The symbol part of an open map: its working file, the 48-byte map header, the colour block,
// the symbol list with its number table, and the symbol index chain in the file.
//
// The map document derives from SymbolStore; every operation here writes the working file at
// once. The free functions act on the current map's store.
#pragma once

#include "core/FileClass.h"
#include "symbols/store/SymbolRecords.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace zemo {

// ---- Map file header ----
inline constexpr uint16_t MapFileMark = 0x5E71;
inline constexpr int MapHeaderBytes = 48;
inline constexpr int32_t SymbolHeaderBlockPos = 48;
// The first byte behind the fixed part (header and colour block).
inline constexpr int32_t VariablePartPos = 19272;
inline constexpr int CurrentMapVersion = 8;
inline constexpr uint16_t CourseMapFileBit = 1;
inline constexpr uint16_t BackgroundCopyFlag = 0x100;

inline constexpr int SymbolIndexBlockBytes = 1028;
inline constexpr int SlotsPerIndexBlock = 256;

struct MapFileHeader {
    uint16_t Mark = MapFileMark;
    uint16_t FileType = 2;
    uint16_t Version = CurrentMapVersion;
    uint16_t SubVersion = 0;
    int32_t SymbolIndexPos = 0;
    int32_t ObjectIndexPos = 0;
    int32_t SetupPos = 0;
    int32_t SetupSize = 0;
    int32_t InfoPos = 0;
    int32_t InfoSize = 0;
    int32_t StringIndexPos = 0;
    std::array<uint8_t, 12> Reserved{};
    friend bool operator==(const MapFileHeader&, const MapFileHeader&) = default;
};

MapFileHeader ReadMapHeaderBytes(std::span<const uint8_t> bytes);
std::array<uint8_t, MapHeaderBytes> WriteMapHeaderBytes(const MapFileHeader& h);
// The mark and a version from 3 to 8.
bool MapHeaderValid(const MapFileHeader& h);

// A block or record of `length` bytes at `pos` lies in the variable part of a file of
// `fileSize` bytes (64-bit arithmetic: no stored value can overflow it).
inline bool InVariablePart(int64_t pos, int64_t length, int64_t fileSize)
{
    return pos >= VariablePartPos && length >= 0 && pos + length <= fileSize;
}

// A record of `length` bytes at `pos` stays clear of the setup record and the information
// text, which are rewritten in place: a record that overlaps them is damaged.
inline bool ClearOfSetupAndInfo(const MapFileHeader& h, int64_t pos, int64_t length)
{
    const auto overlaps = [&](int64_t start, int64_t size) {
        return start > 0 && size > 0 && pos < start + size && start < pos + length;
    };
    return !overlaps(h.SetupPos, h.SetupSize) && !overlaps(h.InfoPos, h.InfoSize);
}

class SymbolStore {
public:
    SymbolStore();
    virtual ~SymbolStore() = default;
    SymbolStore(const SymbolStore&) = delete;
    SymbolStore& operator=(const SymbolStore&) = delete;

    TFileClass WorkFile;              // the working file of the map
    MapFileHeader Header;
    SymbolHeaderBlock ColorBlock;
    std::vector<SymbolBytes> Symbols; // list order = symbol box order
    // Records whole in the file whose size the reader's rules refuse: never read, their bytes
    // stay where they are and the index keeps a slot for each, after the symbols'.
    std::vector<int32_t> UnreadSymbolRecords;
    std::array<int16_t, MaxSymbolNumber + 1> NumberTable; // number x 10 -> list position, -1
    uint8_t Modified = 0;
    // Counts the file errors the writes below met (each already reported by the file
    // object), so that a command can stop after one instead of carrying on.
    int WriteFailures = 0;

    int SymbolCount() const { return int(Symbols.size()); }
    // Number table from the list; `skip` (a list position) is left out.
    void BuildNumberTable(int skip = -1);

    // The colour block at 48 and the symbol chain of the working file (Header read before).
    // Slots pointing outside the variable part, records of a size outside 349..20904 and
    // records running past the end of the file are skipped; the chain is followed with a
    // visited set and within the file.
    void ReadSymbolIndex();

    bool AppendSymbolRecord(std::span<const uint8_t> rec);
    void AssignFreeSymbolNumber(int i);
    int AddNewSymbol(std::span<const uint8_t> rec);
    int InsertSymbol(std::span<const uint8_t> rec, int i);
    int FindOrAddSymbol(std::span<const uint8_t> rec, int i);
    void OverwriteSymbol(std::span<const uint8_t> rec, int i);
    void WriteSymbol(int i);
    void WriteSymbolIndex();
    void FreeSymbols();

    // The header's 48 bytes at offset 0.
    void WriteHeader();
    // Working-file access at a position (failures are reported by the file object, which
    // then raises the silent abort).
    void WriteBytesAt(int64_t pos, std::span<const uint8_t> bytes);
    bool ReadBytesAt(int64_t pos, std::span<uint8_t> bytes);

protected:
    // Writes a record at its own position; one without a place goes to the end of the file.
    void WriteRecord(SymbolBytes& rec);
};

// The store of the current map (set by the map document when it becomes current).
SymbolStore* CurrentSymbolStore();
void SetCurrentSymbolStore(SymbolStore* store);

// The same operations on the current map's store; without one they do nothing and return 0.
bool AppendSymbolRecord(std::span<const uint8_t> rec);
void AssignFreeSymbolNumber(int i);
int AddNewSymbol(std::span<const uint8_t> rec);
int InsertSymbol(std::span<const uint8_t> rec, int i);
int FindOrAddSymbol(std::span<const uint8_t> rec, int i);
void OverwriteSymbol(std::span<const uint8_t> rec, int i);
void WriteSymbol(int i);
void WriteSymbolIndex();
void FreeSymbols();

} // namespace zemo
