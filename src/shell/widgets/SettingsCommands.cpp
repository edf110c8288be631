#include "shell/widgets/SettingsCommands.h"

#include "shell/CommandFrame.h"
#include "shell/widgets/AboutDlg.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/MapInfoDlg.h"
#include "shell/widgets/PreferencesDlg.h"
#include "shell/widgets/ScalesDlg.h"

namespace zemo {

void RegisterSettingsCommands()
{
    RegisterWorker(Cmd::OptionsPref, [] { RunPreferences(MainFrame()); });
    RegisterWorker(Cmd::OptionsScales, [] { RunScales(MainFrame()); });
    RegisterWorker(Cmd::HelpMap, [] { ShowMapInfo(MainFrame()); });
    RegisterWorker(Cmd::HelpAbout, [] { ShowAbout(MainFrame()); });
}

} // namespace zemo
