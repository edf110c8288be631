// Point and line symbol records from another map, arbitrary bytes, opened by the editors'
// models and stored again. The record stored has its size word as its length, slot counts
// that add up to it and the element lists taken from where the stored record kept them;
// storing what was stored gives it back; and nothing past the input's size word is read (the
// same record with other bytes behind it stores the same).
#include "symbols/LineSym.h"
#include "symbols/PointSym.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace zemo;

namespace {

[[noreturn]] void Fail(const char* why)
{
    std::fprintf(stderr, "symbol_editor_open: %s\n", why);
    std::abort();
}

const std::vector<int16_t>& Table()
{
    static const std::vector<int16_t> table = [] {
        std::vector<int16_t> t(MaxSymbolNumber + 1, -1);
        t[10] = 0;  // 1.0 is taken: a new record gets 1.1
        return t;
    }();
    return table;
}

// Stored, then opened and stored again: the same bytes.
SymbolBytes Store(SymbolEditorKind kind, const SymbolBytes& rec)
{
    const SymbolEditSession s = kind == SymbolEditorKind::Point ? OpenPointSymbol(&rec, 0, Table())
                                                                : OpenLineSymbol(&rec, 0, Table());
    for (const ElementList& l : s.Lists)
        if (l.Bytes.size() % 8 != 0 || (l.Editable != (l.Slots() <= MaxElementListSlots)))
            Fail("a list of part slots, or editable beyond the buffer");
    return kind == SymbolEditorKind::Point ? BuildPointSymbol(s) : BuildLineSymbol(s);
}

void CheckPoint(const SymbolBytes& in, const SymbolBytes& out)
{
    if (out.size() < size_t(PointSymbolFixedBytes) || SymI16(out, SymSize) != int16_t(out.size()))
        Fail("point: the size word is not the length");
    const int slots = SymI16(out, PointSymbolSlotsOffset);
    if (size_t(PointSymbolFixedBytes) + 8 * size_t(std::max(slots, -1)) != out.size())
        Fail("point: slots and size disagree");
    const size_t inSize = std::min(in.size(), size_t(std::max<int>(SymI16(in, SymSize), 0)));
    if (inSize < size_t(PointSymbolFixedBytes)) {
        if (slots != 0 || SymI16(out, SymNumber) != 11)
            Fail("point: a short record is not a new one");
        return;
    }
    if (SymI16(out, SymNumber) != SymI16(in, SymNumber))
        Fail("point: the number changed");
    // The list is the stored one, or none when the stored one did not fit.
    if (slots > 0 && !std::equal(out.begin() + PointSymbolFixedBytes, out.end(), in.begin() + PointSymbolFixedBytes))
        Fail("point: the list is not the stored one");
}

void CheckLine(const SymbolBytes& in, const SymbolBytes& out)
{
    if (out.size() < size_t(LineSymbolFixedBytes) || SymI16(out, SymSize) != int16_t(out.size()))
        Fail("line: the size word is not the length");
    size_t total = LineSymbolFixedBytes;
    for (int k = 0; k < LineSymbolListCount; ++k) {
        const int slots = SymI16(out, LsMainSymCount + 2 * size_t(k));
        if (slots < 0)
            Fail("line: a negative slot count");
        total += 8 * size_t(slots);
    }
    if (total != out.size())
        Fail("line: slots and size disagree");
    const size_t inSize = std::min(in.size(), size_t(std::max<int>(SymI16(in, SymSize), 0)));
    if (inSize < size_t(LineSymbolFixedBytes))
        return;
    if (SymI16(out, SymNumber) != SymI16(in, SymNumber))
        Fail("line: the number changed");
    for (size_t o : {size_t(394), size_t(396), size_t(398), size_t(404)})
        if (SymI16(out, o) != SymI16(in, o))
            Fail("line: a kept word changed");
    // Lists come from the front of the stored lists, in order, as far as they fitted.
    if (!std::equal(out.begin() + LineSymbolFixedBytes, out.end(), in.begin() + LineSymbolFixedBytes))
        Fail("line: the lists are not the stored ones");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > size_t(MaxSymbolBytes) + 64)
        return 0;
    const SymbolBytes in(data, data + size);
    // The same record with other bytes behind its size word.
    SymbolBytes other = in;
    // The size word itself belongs to the record, whatever it says.
    const size_t claimed = size_t(std::clamp<int>(SymI16(in, SymSize), 2, int(size)));
    for (size_t i = claimed; i < other.size(); ++i)
        other[i] = uint8_t(~other[i]);
    for (SymbolEditorKind kind : {SymbolEditorKind::Point, SymbolEditorKind::Line}) {
        const SymbolBytes out = Store(kind, in);
        if (out.empty() || out.size() > size_t(MaxSymbolBytes))
            Fail("a record that cannot be stored");
        if (kind == SymbolEditorKind::Point)
            CheckPoint(in, out);
        else
            CheckLine(in, out);
        if (Store(kind, other) != out)
            Fail("bytes past the size word changed the record");
        if (Store(kind, out) != out)
            Fail("storing the stored record changed it");
    }
    return 0;
}
