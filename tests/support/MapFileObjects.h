// Objects and setup fields of a map file read at their literal offsets, through the header's
// index chain: what a saved or flushed map holds, independent of the map store.
#pragma once

#include "TestMapWriter.h"
#include "core/Cord.h"

#include <optional>
#include <vector>

namespace zemo::test {

// An object as the file holds it.
struct FileObject {
    int16_t symbol = 0;
    uint8_t type = 0;
    uint16_t nItem = 0;
    uint16_t nText = 0;
    int16_t angle = 0;
    std::vector<Cord> cords;
};

// Where object n's index entry lies, through the header's index chain.
inline size_t ObjectEntryInFile(const std::vector<uint8_t>& b, int n)
{
    int32_t block = GetI32(b, hdr::ObjectIndex);
    for (int k = (n - 1) / 256; k > 0; --k)
        block = GetI32(b, size_t(block));
    return size_t(block) + 4 + kObjectEntrySize * size_t((n - 1) % 256);
}

// Where object n's record ends in the file.
inline int64_t RecordEndInFile(const std::vector<uint8_t>& b, int n)
{
    const size_t entry = ObjectEntryInFile(b, n);
    return GetI32(b, entry + 16) + 32 + 8 * int64_t(GetU16(b, entry + 22));
}

// Object n through the header's index chain; nothing for an empty or deleted entry.
inline std::optional<FileObject> ObjectInFile(const std::vector<uint8_t>& b, int n)
{
    const size_t entry = ObjectEntryInFile(b, n);
    if (GetU16(b, entry + 22) == 0)
        return std::nullopt;
    const size_t pos = size_t(GetI32(b, entry + 16));
    FileObject o;
    o.symbol = GetI16(b, pos);
    o.type = b[pos + 2];
    o.nItem = GetU16(b, pos + 4);
    o.nText = GetU16(b, pos + 6);
    o.angle = GetI16(b, pos + 8);
    for (size_t i = 0; i < o.nItem; ++i)
        o.cords.push_back({GetI32(b, pos + 32 + 8 * i), GetI32(b, pos + 36 + 8 * i)});
    return o;
}

// The entries of the object index chain (256 a block; the chain is followed at most 65536 blocks).
inline int ObjectSlotsInFile(const std::vector<uint8_t>& b)
{
    int blocks = 0;
    for (int32_t block = GetI32(b, hdr::ObjectIndex); block > 0 && blocks < 65536; block = GetI32(b, size_t(block)))
        ++blocks;
    return blocks * 256;
}

// A field of the setup record in the file.
inline double SetupF64(const std::vector<uint8_t>& b, size_t offset)
{
    return GetF64(b, size_t(GetI32(b, hdr::SetupPos)) + offset);
}

} // namespace zemo::test
