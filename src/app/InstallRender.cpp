#include "app/Install.h"

#include "document/Ports.h"
#include "render/Texts.h"
#include "symbols/store/Ports.h"

namespace zemo {

void InstallRender()
{
    // The text layout for the map store: a text object's extent before it is stored and the
    // text-metric height of a text symbol's font.
    DocumentPorts().MeasureText.Bind([](ElementRecord& e) { MeasureTextObject(e); });
    SymbolStorePorts().TextSymbolHeight.Bind([](std::span<const uint8_t> rec) { return TextSymbolHeight(rec); });
}

} // namespace zemo
