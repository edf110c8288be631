// A map file of arbitrary bytes opened the way File > Open does it: the version switch, the
// conversion of versions 3 to 5 (an input that says version 3 is split into its ".elt" file
// and the ".idx" behind it, whose length the last 4 bytes give), the working copy in the
// state folder and the upgrade of version 6 and 7 maps in it, the set-up
// after the open, reading every object, closing. Then the same bytes as the other map that
// symbols and colours are taken from, on a small valid map. None of it may crash, hang or
// read outside the file; a refused open says why; what an open wrote into its working copy
// is a map again; and no working copy is left behind.
#include "FuzzScratch.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdint>

namespace {

using namespace zemo;
using test::TestObject;

constexpr const char* Target = "open_map";

[[noreturn]] void Fail(const char* why) { fuzz::Fail(Target, why); }

void ReadEverything()
{
    fuzz::ReadEverything();
    CountObjects();
}

// The current map's working file loaded on its own: what the open or the loads wrote must be a
// map again. With sameSymbols, also with the same symbols: not asked of an input map, whose
// symbol records may overlap its setup record, which the open rewrites.
void ReloadWorkingFile(const fuzz::MapScratch& scratch, bool sameSymbols)
{
    const int symbols = Index.ActiveZmd->SymbolCount();
    fuzz::ReloadWorkingFile(Target, scratch.copy, [&](TZmd& again) {
        ReadEverything();
        if (sameSymbols && again.SymbolCount() != symbols)
            Fail("the working file loads with other symbols");
    });
}

// The map that takes symbols and colours from the input: a valid current-version map as
// File > New makes it before its symbols come (no colours, no symbols), with a point, a line
// and a text. Their rectangles are the store's for objects whose symbol the map lacks: the
// points widened by 0.32 mm.
test::TestMapWriter BaseMap()
{
    constexpr int32_t mm = test::kUnitsPerMm, e = 32 * 256;
    test::TestMapWriter w(8);
    w.colors.clear();
    w.objects = {TestObject::Point(10, 10 * mm, 20 * mm),
                 TestObject::Line(20, {{0, 0}, {5 * mm, 0}, {10 * mm, 5 * mm}}),
                 TestObject::Text(40, mm, mm, "Hill")};
    w.objects[0].bounds = {10 * mm - e, 20 * mm - e, 10 * mm + e, 20 * mm + e};
    w.objects[1].bounds = {-e, -e, 10 * mm + e, 5 * mm + e};
    w.objects[2].bounds = {mm - e, mm - e, mm + e, mm + e};
    return w;
}

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = fuzz::SetUpMaps(Target, BaseMap());
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::MapScratch& scratch = Scratch();
    QString input = scratch.dir + QStringLiteral("/input.zmd");
    const QString index = scratch.dir + QStringLiteral("/input.idx");
    // Version 3 (the mark and 3 where a map header has its version): the pair.
    const bool pair = size >= 10 && data[0] == 0x71 && data[1] == 0x5E && data[4] == 3 && data[5] == 0;
    if (pair) {
        const size_t idxSize = std::min<size_t>(size - 4, size_t(data[size - 4]) | size_t(data[size - 3]) << 8
                                                              | size_t(data[size - 2]) << 16 | size_t(data[size - 1]) << 24);
        input = scratch.dir + QStringLiteral("/input.elt");
        fuzz::WriteInput(Target, input, data, size - 4 - idxSize);
        fuzz::WriteInput(Target, index, data + (size - 4 - idxSize), idxSize);
    } else {
        fuzz::WriteInput(Target, input, data, size);
    }

    // File > Open: version 6 and 7 maps are opened when asked.
    {
        RecordingMessages messages;
        messages.SetDefaultAnswer(IdOk);
        if (OpenMapByName(input)) {
            if (!Index.ActiveZmd || !Index.MapOpen)
                Fail("an open map is not current");
            ReadEverything();
            ReloadWorkingFile(scratch, false);
            CloseDocument(Index.ActiveZmd);
        } else if (messages.Count() == 0) {
            Fail("a refused open says nothing");
        }
        fuzz::CheckAllClosed(Target);
    }

    // The input as the other map of the symbol and colour loads.
    {
        RecordingMessages messages;
        messages.SetDefaultAnswer(IdOk);
        if (!OpenMapByName(scratch.base))
            Fail("the base map does not open");
        TZmd* const z = Index.ActiveZmd;
        if (LoadSymbolFile(input)) {
            UpdateObjectsOfSymbols(1, 9999);
            ReadEverything();
        }
        LoadColorsFromFile(input);
        ReloadWorkingFile(scratch, true);
        CloseDocument(z);
        fuzz::CheckAllClosed(Target);
    }
    QFile::remove(input);
    QFile::remove(index);
    return 0;
}
