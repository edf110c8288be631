// Area, text, line-text and rectangle symbol records from another map, arbitrary bytes, opened
// by the editors' models and stored again. The record stored has its size word as its length
// and the size of its type (an area's 380 plus its structure's slots, the structure only while
// one is on), its type and text byte, an extent that did not wrap, at most 32 tabs read back;
// storing what was stored gives it back; and nothing past the input's size word is read (the
// same record with other bytes behind it stores the same).
#include "core/Element.h"
#include "symbols/AreaSym.h"
#include "symbols/LTextSym.h"
#include "symbols/RectSym.h"
#include "symbols/TextSym.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace zemo;

namespace {

[[noreturn]] void Fail(SymbolEditorKind kind, const char* why)
{
    static constexpr const char* Names[] = {"none", "point", "line", "area", "text", "line-text", "rectangle"};
    std::fprintf(stderr, "text_symbol_open: %s: %s\n", Names[int(kind)], why);
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

SymbolBytes Store(SymbolEditorKind kind, const SymbolBytes& rec)
{
    switch (kind) {
    case SymbolEditorKind::Area: {
        const SymbolEditSession s = OpenAreaSymbol(&rec, 0, Table());
        if (s.Lists[0].Bytes.size() % 8 != 0)
            Fail(kind, "a list of part slots");
        return BuildAreaSymbol(s);
    }
    case SymbolEditorKind::Text: return BuildTextSymbol(OpenTextSymbol(&rec, 0, Table()));
    case SymbolEditorKind::LineText: return BuildLineTextSymbol(OpenLineTextSymbol(&rec, 0, Table()));
    default: return BuildRectSymbol(OpenRectSymbol(&rec, 0, Table()));
    }
}

struct Shape {
    SymbolEditorKind kind;
    size_t fixed;
    int16_t type;
    uint8_t textFlag;
};
constexpr Shape Shapes[] = {
    {SymbolEditorKind::Area, size_t(AreaSymbolFixedBytes), AreaObject, 0},
    {SymbolEditorKind::Text, TextSymbolBytes, TextObject, 1},
    {SymbolEditorKind::LineText, LineTextSymbolBytes, LineObject, 1},
    {SymbolEditorKind::Rect, size_t(RectSymbolBytes), RectangleObject, 0},
};

void Check(const Shape& t, const SymbolBytes& in, const SymbolBytes& out)
{
    const SymbolEditorKind k = t.kind;
    if (out.size() < t.fixed || SymI16(out, SymSize) != int16_t(out.size()))
        Fail(k, "the size word is not the length");
    if (SymI16(out, SymObjectType) != t.type || SymU8(out, SymTextFlag) != t.textFlag)
        Fail(k, "type or text byte");
    size_t expected = t.fixed;
    if (k == SymbolEditorKind::Area) {
        const int slots = SymI16(out, AreaStructSlots);
        if (slots < 0 || (slots > 0 && SymI16(out, AreaStructMode) < StructRect))
            Fail(k, "structure elements without a structure");
        expected += 8 * size_t(slots);
    }
    if (out.size() != expected)
        Fail(k, "slots and size disagree");
    if (k == SymbolEditorKind::Text && SymI16(out, SymExtent) < 0)
        Fail(k, "the extent wrapped");
    if (k == SymbolEditorKind::Text && ReadTabs(out).size() > size_t(MaxTabPositions))
        Fail(k, "more tabs than the table holds");
    const size_t inSize = std::min(in.size(), size_t(std::max<int>(SymI16(in, SymSize), 0)));
    if (inSize < t.fixed) {
        if (SymI16(out, SymNumber) != 11)
            Fail(k, "a short record is not a new one");
        return;
    }
    if (SymI16(out, SymNumber) != SymI16(in, SymNumber))
        Fail(k, "the number changed");
    // The type's own fields come as they were stored, apart from the derived ones.
    if (k == SymbolEditorKind::Rect || k == SymbolEditorKind::Area) {
        const size_t end = k == SymbolEditorKind::Area ? size_t(AreaStructSlots) : t.fixed;
        if (!std::equal(out.begin() + SymTypePart, out.begin() + ptrdiff_t(end), in.begin() + SymTypePart))
            Fail(k, "a field of the type changed");
    }
    if (k == SymbolEditorKind::Area && out.size() > t.fixed
        && !std::equal(out.begin() + ptrdiff_t(t.fixed), out.end(), in.begin() + ptrdiff_t(t.fixed)))
        Fail(k, "the structure is not the stored one");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A longer record is never read from a map.
    if (size < 2 || size > size_t(MaxSymbolBytes))
        return 0;
    const SymbolBytes in(data, data + size);
    SymbolBytes other = in;
    const size_t claimed = size_t(std::clamp<int>(SymI16(in, SymSize), 2, int(size)));
    for (size_t i = claimed; i < other.size(); ++i)
        other[i] = uint8_t(~other[i]);
    for (const Shape& t : Shapes) {
        const SymbolBytes out = Store(t.kind, in);
        if (out.empty() || out.size() > size_t(MaxSymbolBytes))
            Fail(t.kind, "a record that cannot be stored");
        Check(t, in, out);
        if (Store(t.kind, other) != out)
            Fail(t.kind, "bytes past the size word changed the record");
        if (Store(t.kind, out) != out)
            Fail(t.kind, "storing the stored record changed it");
    }
    return 0;
}
