#include "app/Install.h"

#include "document/Ports.h"
#include "edit/Ports.h"
#include "shell/widgets/Ports.h"
#include "symbols/Ports.h"
#include "symbols/SymbolBoxModel.h"
#include "symbols/SymbolMenu.h"
#include "symbols/widgets/SymbolFeatures.h"

namespace zemo {

void InstallSymbols()
{
    ShellWidgetsPorts().FillSymbolPanel.Bind(AttachSymbolBox);
    SymbolsPortSet& symbols = SymbolsPorts();
    symbols.RefreshSymbolBox.Bind(RefreshFrameSymbolBox);
    symbols.RepaintSymbolBox.Bind(RepaintFrameSymbolBox);
    // Colours or symbols loaded from another map.
    DocumentPorts().SymbolsChanged.Bind(SymbolsReplaced);
    DocumentPorts().CurrentSymbolChanged.Bind(ShowFrameCurrentSymbol);
    EditPorts().ShowSymbolInBox.Bind(ShowSymbolInBox);
    RegisterSymbolWorkers();
    RegisterSymbolBoxWorkers();
}

} // namespace zemo
