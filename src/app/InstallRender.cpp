#include "app/Install.h"

#include "core/CodePage.h"
#include "document/Ports.h"
#include "render/AreaSplt.h"
#include "render/Texts.h"
#include "symbols/store/Ports.h"
#include "symbols/store/SymbolRecords.h"

namespace zemo {

void InstallRender()
{
    // The text layout for the map store: a text object's extent before it is stored and the
    // text-metric height of a text symbol's font.
    DocumentPorts().MeasureText.Bind([](ElementRecord& e) { MeasureTextObject(e); });
    SymbolStorePorts().TextSymbolHeight.Bind([](std::span<const uint8_t> rec) { return TextSymbolHeight(rec); });
    // Saving in older versions: texts as the layout reads them, areas cut into smaller ones.
    DocumentPorts().PrepareText.Bind([](const ElementRecord& e) {
        PrepareTextSymbol(e);
        PreparedText t{Texts.TextBuffer, CodePageOfCharset(SymU8(Texts.Symbol, TsCharset))};
        RestoreTextColor();
        return t;
    });
    DocumentPorts().SplitArea.Bind([](const Cord* points, int count, const AreaPieceFn& accept) {
        return SplitArea(points, count, accept);
    });
}

} // namespace zemo
