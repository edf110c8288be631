// Symbol records for the editor tests, laid out at literal offsets from the test writer's
// symbols (independent of the store's codec), and the walk of a map file's symbol chain.
#pragma once

#include "../support/TestMapWriter.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace zemo::test {

// The record as a map file holds it (file position 0).
inline std::vector<uint8_t> RecordBytes(const TestSymbol& s)
{
    std::vector<uint8_t> r(kSymbolHeadSize, 0);
    PutI16(r, 0, int16_t(s.Size()));
    PutI16(r, 2, s.number10);
    PutI16(r, 4, s.type);
    PutU8(r, 6, s.textFlag);
    PutU8(r, 7, s.flags);
    PutI16(r, 8, s.extent);
    PutU8(r, 12, s.tool);
    PutU8(r, 13, s.csRole);
    PutU8(r, 14, s.csType);
    PutU8(r, 15, s.byte15);
    std::memcpy(r.data() + 20, s.colorSet.data(), 32);
    PutShortString(r, 52, s.description, 31);
    std::memcpy(r.data() + 84, s.icon.data(), 264);
    r.insert(r.end(), s.body.begin(), s.body.end());
    return r;
}

// A line symbol with all five lists (main, secondary, corner, start, end) and the words the
// editor keeps (+394, +396, +398, +404) set to marker values.
inline TestSymbol LineWithLists(int16_t number10, const std::vector<std::vector<TestElement>>& lists)
{
    TestSymbol s = TestSymbol::Line(number10, 1, 35);
    s.body.resize(424 - kSymbolHeadSize);
    for (size_t k = 0; k < lists.size() && k < 5; ++k) {
        s.SetI16(412 + 2 * k, int16_t(ElementListSlots(lists[k])));
        const std::vector<uint8_t> bytes = ElementListBytes(lists[k]);
        s.body.insert(s.body.end(), bytes.begin(), bytes.end());
    }
    if (!lists.empty() && !lists[0].empty())
        s.SetI16(370, 1);  // one main symbol to a group
    s.SetI16(394, 0x1357);
    s.SetI16(396, 0x2468);
    s.SetI16(398, 0x0ACE);
    s.SetI16(404, 0x0BDF);
    return s;
}

// The record position of list position k, by the map file's own symbol chain.
inline int32_t SymbolRecordPos(const std::vector<uint8_t>& file, int k)
{
    int32_t block = GetI32(file, 8);
    for (int i = 0; i < k / 256; ++i)
        block = GetI32(file, size_t(block));
    return GetI32(file, size_t(block) + 4 + 4 * size_t(k % 256));
}

} // namespace zemo::test
