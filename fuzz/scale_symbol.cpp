// A symbol record of arbitrary bytes scaled by a factor from 0.2 to 5 (the first two bytes of
// the input choose it). The record sits in a buffer of exactly its bytes, so that a read or
// write outside it meets the sanitizer. Scaling keeps the record's size, its list counts and
// every element's kind, colour and count; bytes behind the size word never change, and a
// record the scaling refuses stays as it was.
#include "core/ByteIO.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"
#include "symbols/store/SymbolScale.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace zemo;

[[noreturn]] void Fail(const char* why)
{
    std::fprintf(stderr, "scale_symbol: %s\n", why);
    std::abort();
}

int16_t I16At(const std::vector<uint8_t>& r, size_t at)
{
    return at + 2 <= r.size() ? LoadLE<int16_t>(r.data() + at) : 0;
}

// The bytes scaling must keep: the list counts of the record's type and, for every whole
// element of its lists, the element's head apart from width and diameter.
std::vector<size_t> KeptBytes(const std::vector<uint8_t>& r, size_t size)
{
    std::vector<size_t> kept;
    const auto keep = [&](size_t field) {
        kept.push_back(field);
        kept.push_back(field + 1);
    };
    std::vector<std::pair<size_t, int>> lists;
    const int type = I16At(r, SymObjectType);
    if (type == 1) {
        keep(PointSymbolSlotsOffset);
        lists.emplace_back(PointSymbolFixedBytes, I16At(r, PointSymbolSlotsOffset));
    } else if (type == 2 && r.size() > SymTextFlag && r[SymTextFlag] != 1) {
        size_t at = LsElementLists;
        for (size_t k = 0; k < 5; ++k) {
            keep(LsMainSymCount + 2 * k);
            const int slots = I16At(r, LsMainSymCount + 2 * k);
            lists.emplace_back(at, slots);
            at += size_t(std::max(slots, 0)) * 8;
        }
    } else if (type == 3) {
        keep(AreaStructSlots);
        lists.emplace_back(AreaSymbolFixedBytes, I16At(r, AreaStructSlots));
    }
    for (auto [start, slots] : lists) {
        if (slots < 0)
            continue;
        const size_t end = std::min(start + size_t(slots) * 8, size);
        size_t at = start;
        while (at + 16 <= end) {
            const int16_t count = I16At(r, at + ElemCount);
            if (count < 0 || at + 16 + size_t(count) * 8 > end)
                break;
            for (size_t f : {ElemKind, ElemStyle, ElemColor, ElemCount, size_t(12), size_t(14)})
                keep(at + f);
            at += 16 + size_t(count) * 8;
        }
    }
    return kept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const double factor = 0.2 + 4.8 * (LoadLE<uint16_t>(data) / 65535.0);
    const std::vector<uint8_t> before(data + 2, data + size);
    // Exactly the record's bytes on the heap, nothing beside them.
    const size_t n = before.size();
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[n ? n : 1]);
    std::copy(before.begin(), before.end(), buffer.get());
    const std::span<uint8_t> rec(buffer.get(), n);

    const bool scaled = ScaleSymbol(rec, factor);
    const std::vector<uint8_t> after(rec.begin(), rec.end());
    if (!scaled) {
        if (after != before)
            Fail("a refused record changed");
        return 0;
    }
    const int16_t sizeWord = I16At(before, SymSize);
    if (sizeWord < SymbolHeadBytes)
        Fail("a record smaller than its head was scaled");
    const size_t recordBytes = std::min(n, size_t(sizeWord));
    if (!std::equal(before.begin() + long(recordBytes), before.end(),
                    after.begin() + long(recordBytes)))
        Fail("bytes behind the size word changed");
    for (size_t at : KeptBytes(before, recordBytes))
        if (at < recordBytes && before[at] != after[at])
            Fail("a size, count or element head changed");
    // The head apart from its derived fields stays.
    for (size_t at = 0; at < size_t(SymbolHeadBytes); ++at) {
        const bool derived = at == SymExtent || at == SymExtent + 1
            || (at >= SymColorSet && at < SymColorSet + SymColorSetBytes);
        if (!derived && before[at] != after[at])
            Fail("a head field that is no length changed");
    }
    return 0;
}
