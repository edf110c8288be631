// A clipboard block of copied symbols from another process, arbitrary bytes. The parse either
// refuses the whole block or gives records of sizes a map file allows that fill the block up
// to its zero word; packing them again and parsing gives the same records. A block that
// parses is pasted into a small map twice (before the current symbol, then at the end): the
// map gains exactly those records, each usable, and its working file loads again with them.
#include "FuzzScratch.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "symbols/SymbolMenu.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace {

using namespace zemo;

constexpr const char* Target = "symbol_paste";

[[noreturn]] void Fail(const char* why) { fuzz::Fail(Target, why); }

// A map without colours, as File > New starts it, with two empty point symbols, 10 and 20, of
// blank icons.
test::TestMapWriter BaseMap()
{
    test::TestMapWriter w(8);
    w.colors.clear();
    for (int16_t number : {100, 200}) {
        test::TestSymbol s = test::TestSymbol::Raw(number, 1, 352);
        s.icon.fill(0);
        w.symbols.push_back(s);
    }
    return w;
}

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_symbol_paste";
        static char* argv[] = {name, nullptr};
        static QGuiApplication app(argc, argv);
        return fuzz::SetUpMaps(Target, BaseMap());
    }();
    return scratch;
}

// The record is one a map holds: its size word is its length, a multiple of 4, in range.
bool Usable(const SymbolBytes& rec)
{
    const int16_t size = SymI16(rec, SymSize);
    return size >= MinSymbolBytes && size <= MaxSymbolBytes && size_t(size) == rec.size()
        && size % 4 == 0;
}

void Paste(const QByteArray& block, int current, size_t records)
{
    TZmd& z = *Index.ActiveZmd;
    SetCurrentSymbolPos(current);
    const int before = z.SymbolCount();
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(SymbolMimeType), block);
    QGuiApplication::clipboard()->setMimeData(mime);
    const bool pasted = PasteSymbol();
    if (pasted != (records > 0 && before < MaxSymbols))
        Fail("a parsed block was not pasted");
    if (z.SymbolCount() != std::min(before + int(records), MaxSymbols))
        Fail("the paste did not add every record");
    for (const SymbolBytes& s : z.Symbols)
        if (!Usable(s))
            Fail("a pasted symbol is not usable");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::MapScratch& scratch = Scratch();
    const QByteArray block(reinterpret_cast<const char*>(data), qsizetype(size));

    std::vector<SymbolBytes> records;
    if (!UnpackSymbolClipboard(block, records)) {
        if (!records.empty())
            Fail("a refused block gave records");
        return 0;
    }
    size_t total = 0;
    for (const SymbolBytes& r : records) {
        const int16_t s = SymI16(r, SymSize);
        if (s < MinSymbolBytes || s > MaxSymbolBytes || size_t(s) != r.size())
            Fail("a record of a size no map allows");
        total += r.size();
    }
    if (total + 2 > size || data[total] != 0 || data[total + 1] != 0)
        Fail("the records do not end at the zero word");
    {
        std::vector<std::span<const uint8_t>> spans(records.begin(), records.end());
        std::vector<SymbolBytes> again;
        if (!UnpackSymbolClipboard(PackSymbolClipboard(spans), again)
            || again.size() != records.size())
            Fail("a packed block does not parse again");
        for (size_t i = 0; i < again.size(); ++i)
            if (again[i].size() != records[i].size()
                || SymI16(again[i], SymNumber) != SymI16(records[i], SymNumber))
                Fail("a packed block parses to other records");
    }

    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    if (!OpenMapByName(scratch.base))
        Fail("the base map does not open");
    TZmd* const z = Index.ActiveZmd;
    Paste(block, 0, records.size());
    Paste(block, -1, records.size());
    const int symbols = z->SymbolCount();
    fuzz::ReloadWorkingFile(Target, scratch.copy, [&](TZmd& again) {
        if (again.SymbolCount() != symbols)
            Fail("the map loads with other symbols after the paste");
    });
    CloseDocument(z);
    fuzz::CheckAllClosed(Target);
    return 0;
}
