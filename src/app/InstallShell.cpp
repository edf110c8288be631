#include "app/Install.h"
#include "app/Wiring.h"

#include "document/Ports.h"
#include "edit/Ports.h"
#include "edit/Rotate.h"
#include "edit/widgets/Ports.h"
#include "shell/ChkFonts.h"
#include "shell/CommandFrame.h"
#include "shell/Ports.h"
#include "shell/widgets/ChkFontsDlg.h"
#include "shell/widgets/DocumentCommands.h"
#include "shell/widgets/DocumentLinks.h"
#include "shell/widgets/ExtrasCommands.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/ObjectCommands.h"
#include "shell/widgets/Ports.h"
#include "shell/widgets/SettingsCommands.h"
#include "shell/widgets/ShortCutDlg.h"
#include "shell/widgets/UndoCommands.h"
#include "shell/widgets/ViewCommands.h"

#include <QGuiApplication>

namespace zemo {

namespace {

// The document windows in the main frame: its busy flags and command frame, tool buttons,
// help context, view timer, MDI area and the map's pop-up menu.
void BindDocumentWindows()
{
    EditPortSet& edit = EditPorts();
    edit.CommandBusy.Bind([] { return CommandBusy; });
    // A closing window's question keeps the commands away while it is up.
    edit.SetCommandBusy.Bind([](bool on) { CommandBusy = on; });
    edit.PaintBusyChanged.Bind([](bool on) { PaintBusy = on; });
    edit.RunInFrame.Bind([](const std::function<void()>& work) { RunInFrame(work, "Work"); });
    edit.UpdateToolButtons.Bind(NotifyStateChanged);
    edit.SetHelpContext.Bind(SetFrameHelpContext);
    edit.HelpContext.Bind(FrameHelpContext);
    edit.AppActive.Bind([] { return QGuiApplication::applicationState() == Qt::ApplicationActive; });
    edit.SetViewTimer.Bind(SetViewTimer);
    EditWidgetsPortSet& windows = EditWidgetsPorts();
    windows.AddWindow.Bind(AddDocumentWindow);
    windows.ShowWorkPopUp.Bind(ShowWorkPopUpAt);
    windows.LayOutFrame.Bind(LayOutFrameForState);
}

} // namespace

void InstallShell()
{
    BindDocumentWindows();
    ShellWidgetsPorts().StartUnits.Bind(StartUnits);
    // The undo buttons follow the active ring (the map store's undo).
    DocumentPorts().UpdateUndoButtons.Bind([] { NotifyStateChanged(); });
    // The fonts of an opened map's symbols, checked by the shell with its dialog.
    DocumentPorts().CheckFonts.Bind(CheckFonts);
    ShellPorts().ShowMissingFonts.Bind(ShowMissingFonts);
    RegisterFrameCommands();
    RegisterDocumentCommands();
    RegisterViewCommands();
    RegisterUndoCommands();
    RegisterExtrasCommands();
    RegisterWorker(Cmd::EditRotate, RotateByAngle);
    RegisterObjectCommands();
    RegisterWorker(Cmd::OptionsShortCuts, ShowShortCutDlg);
    RegisterSettingsCommands();
}

} // namespace zemo
