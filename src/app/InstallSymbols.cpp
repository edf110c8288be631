#include "app/Install.h"

#include "document/Ports.h"
#include "edit/Ports.h"
#include "shell/widgets/Ports.h"
#include "symbols/Colors.h"
#include "symbols/EnlargeSym.h"
#include "symbols/SpotColors.h"
#include "symbols/BySymbol.h"
#include "symbols/ConvLay.h"
#include "symbols/Ports.h"
#include "symbols/SymEdit.h"
#include "symbols/SymbolBoxModel.h"
#include "symbols/SymbolMenu.h"
#include "symbols/widgets/BySymbolDlg.h"
#include "symbols/widgets/ColorCorDlg.h"
#include "symbols/widgets/ConvLayDlg.h"
#include "symbols/widgets/ColorsDlg.h"
#include "symbols/widgets/EditIconDlg.h"
#include "symbols/widgets/EnlargeSymDlg.h"
#include "symbols/widgets/GraphicsPanel.h"
#include "symbols/widgets/NewSymDlg.h"
#include "symbols/widgets/SpotColorsDlg.h"
#include "symbols/widgets/SpotViewOptDlg.h"
#include "symbols/widgets/SymDlg.h"
#include "symbols/widgets/SymbolFeatures.h"
#include "symbols/widgets/TranspOptDlg.h"
#include "symbols/widgets/UnicodeDlg.h"

namespace zemo {

namespace {

// The colour, spot-colour and enlarge dialogs, and their commands.
void InstallColourDialogs()
{
    SymbolsPortSet& symbols = SymbolsPorts();
    symbols.RunEnlargeDialog.Bind(
        [](EnlargeValues& v) { return ExecEnlargeSymDlg(SymbolDialogParent(), v); });
    symbols.RunColorsDialog.Bind(
        [](ColorTable& t) { return ExecColorsDlg(SymbolDialogParent(), t); });
    symbols.RunSpotColorsDialog.Bind(
        [](SpotColorsEdit& e) { ExecSpotColorsDlg(SymbolDialogParent(), e); });
    symbols.RunSpotViewOptDialog.Bind([](const QStringList& names, std::vector<bool>& shown) {
        return ExecSpotViewOptDlg(SymbolDialogParent(), names, shown);
    });
    symbols.RunTranspOptDialog.Bind([](const std::vector<ComboColor>& colours, int& opaque) {
        return ExecTranspOptDlg(SymbolDialogParent(), colours, opaque);
    });
    symbols.RunColorCorDialog.Bind([](int& color, int& gamma) {
        return ExecColorCorDlg(SymbolDialogParent(), color, gamma);
    });
    RegisterEnlargeWorker();
    RegisterColorsWorker();
    RegisterSpotColorWorkers();
}

} // namespace

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
    // The symbol editors, their dialogs and the quick editor's panel.
    symbols.HasEditor.Bind(HasSymbolEditor);
    symbols.OpenEditor.Bind(OpenSymbolEditor);
    symbols.RunIconEditor.Bind([](SymbolBytes& rec) { return ExecEditIconDlg(SymbolDialogParent(), rec); });
    symbols.RunNewSymbolDialog.Bind(ExecNewSymDlg);
    symbols.RunSymbolDialog.Bind(ExecSymbolDialog);
    symbols.PrepareGraphicsPanel.Bind(PrepareGraphicsPanel);
    // The quick editor's Close button shows the editor again; a closing window stores.
    ShellWidgetsPorts().EndSymbolGraphicsEdit.Bind([] { EndSymbolGraphicsEdit(true); });
    EditPorts().EndSymbolGraphicsEdit.Bind([] { EndSymbolGraphicsEdit(false); });
    EditPorts().ReadGraphicObjectParams.Bind(ReadGraphicObjectParams);
    EditPorts().ShowGraphicsElement.Bind(ShowGraphicsElement);
    RegisterSymbolWorkers();
    RegisterSymbolBoxWorkers();
    RegisterSymbolEditorWorkers();
    InstallColourDialogs();
    // Extras > Text script, Select and Delete objects by symbol.
    symbols.RunTextScriptDialog.Bind([](const QStringList& scripts) { return ExecUnicodeDlg(SymbolDialogParent(), scripts); });
    symbols.RunBySymbolDialog.Bind([](bool deleting, BySymbolRequest& r) {
        return ExecBySymbolDlg(SymbolDialogParent(), deleting, r);
    });
    symbols.RunConvLayDialog.Bind([] { return ExecConvLayDlg(SymbolDialogParent()); });
    RegisterExtrasSymbolWorkers();
    RegisterConvLayWorker();
}

} // namespace zemo
