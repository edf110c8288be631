// Symbol-set descriptions over arbitrary text: parsing never crashes, a failure names a line
// inside the text, and every accepted symbol is a whole record its painters can use.
#include "symbolset/SymbolSetText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SymbolSetDescription set;
    SymbolSetError error;
    if (!ParseSymbolSet(text, QStringLiteral("fuzz.txt"), set, error)) {
        size_t lines = 1;
        for (char c : text)
            lines += c == '\n';
        if (error.Line < 1 || size_t(error.Line) > lines || error.Message.isEmpty())
            std::abort();
        return 0;
    }
    if (set.Colors.ColorCount < 1 || set.Colors.ColorCount > MaxColors)
        std::abort();
    for (const SymbolBytes& rec : set.Symbols) {
        if (rec.size() < size_t(MinSymbolBytes) || rec.size() > size_t(MaxSymbolBytes)
            || size_t(SymI16(rec, SymSize)) != rec.size() || rec.size() % 4 != 0)
            std::abort();
        // Already in the form the reader's repairs give.
        SymbolBytes again = rec;
        NormalizeSymbol(again);
        if (again.size() != rec.size())
            std::abort();
    }
    return 0;
}
