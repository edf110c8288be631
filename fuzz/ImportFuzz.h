// What the fuzz targets of the drawing importers share: a scratch map with one line symbol,
// opened afresh for each input; the import run on it with every question answered OK; then
// every object it appended read back, the map read through and closed.
#pragma once

#include "FuzzScratch.h"

#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"

#include <functional>

namespace zemo::fuzz {

inline void ImportIntoScratch(const char* target, const uint8_t* data, size_t size,
                              const std::function<void(const QByteArray&)>& import)
{
    static const MapScratch scratch = [target] {
        test::TestMapWriter w(8);
        w.symbols = {test::TestSymbol::Line(1010)};
        return SetUpMaps(target, w);
    }();
    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    if (!OpenMapByName(scratch.base))
        Fail(target, "the base map does not open");
    import(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    TZmd& z = *Index.ActiveZmd;
    for (int n = 1; n <= z.HighestObject; ++n)
        if (GetIndex(n) && !ReadElement(n, Index.DrawElement))
            Fail(target, "an appended object does not read back");
    ReadEverything();
    CloseDocument(Index.ActiveZmd);
    CheckAllClosed(target);
}

} // namespace zemo::fuzz
