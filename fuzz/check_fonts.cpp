// Symbol records of another map, arbitrary bytes, through the font check on fixed lists of
// installed fonts. Input: a signed byte each for the first and last list position checked,
// then records, each a 16-bit little-endian length and that many bytes. The check never reads
// or writes outside a record, changes nothing but the font name and the character set of the
// text and line-text records in its range, leaves a name of at most 31 characters, lists one
// line per missing font at most, and finds nothing more to do when it runs again.
#include "shell/ChkFonts.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace zemo;

[[noreturn]] void Fail(const char* why)
{
    std::fprintf(stderr, "check_fonts: %s\n", why);
    std::abort();
}

const InstalledFonts& Lists()
{
    static const InstalledFonts fonts = [] {
        InstalledFonts f;
        f.families = {{QStringLiteral("Arial"), {0, 238, 204, 161}},
                      {QStringLiteral("Liberation Sans"), {0, 238, 204, 161}},
                      {QStringLiteral("OCR"), {2}},
                      {QStringLiteral("Times New Roman"), {0, 238, 204}}};
        f.faces = {{QStringLiteral("Arial Bold"), QStringLiteral("Arial"), {0, 238}},
                   {QStringLiteral("Arial Bold Italic"), QStringLiteral("Arial"), {0}},
                   {QStringLiteral("Liberation Sans Regular"), QStringLiteral("Liberation Sans"), {0}},
                   {QStringLiteral("Orphan Face"), QStringLiteral("Not Listed"), {204}},
                   {QStringLiteral("Times New Roman Italic"), QStringLiteral("Times New Roman"), {238}}};
        return f;
    }();
    return fonts;
}

bool MayChange(size_t offset)
{
    return (offset >= TsFontName && offset < TsFontName + String31Bytes) || offset == TsCharset;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int first = int8_t(data[0]);
    const int last = int8_t(data[1]);
    std::vector<SymbolBytes> symbols;
    for (size_t at = 2; at + 2 <= size && symbols.size() < 64;) {
        const size_t length = std::min<size_t>(data[at] | data[at + 1] << 8, size - at - 2);
        symbols.emplace_back(data + at + 2, data + at + 2 + length);
        at += 2 + length;
    }
    const std::vector<SymbolBytes> before = symbols;
    const QStringList missing = CheckSymbolFonts(symbols, first, last, Lists());

    int checked = 0;
    for (size_t i = 0; i < symbols.size(); ++i) {
        const bool inRange = int(i) >= first && int(i) <= last;
        const bool named = inRange && NamesFont(before[i]);
        checked += named;
        if (symbols[i].size() != before[i].size())
            Fail("a record changed its length");
        for (size_t b = 0; b < symbols[i].size(); ++b)
            if (symbols[i][b] != before[i][b] && !(named && MayChange(b)))
                Fail("a byte outside the font name and set changed");
        const bool renamed = named && !std::equal(symbols[i].begin() + TsFontName, symbols[i].begin() + TsCharset,
                                                  before[i].begin() + TsFontName);
        if (renamed && symbols[i][TsFontName] > 31)
            Fail("a name longer than its field");
    }
    if (missing.size() > checked)
        Fail("more missing lines than records checked");
    std::vector<SymbolBytes> again = symbols;
    if (CheckSymbolFonts(again, first, last, Lists()) != missing || again != symbols)
        Fail("a second check changed something");
    return 0;
}
