// The program as a whole: the start-up before any window exists, the main frame and the
// event loop.
#pragma once

class QApplication;
class QFont;
class QMessageBox;
class QSplashScreen;

namespace zemo {

class TMainFm;

// The box shown when the language texts cannot be read; its text is fixed (there are no
// texts to take it from).
inline constexpr const char* StringResourceError = "Error in string resource.";
QMessageBox* MakeStringResourceErrorBox();

// `base` in the face the language file names, with a Japanese-capable face behind it when
// the file is Japanese.
QFont LanguageFont(const QFont& base);
// The units' own start-up once the ports are bound: the language texts and the program's
// font from them, then the configuration. False when the texts cannot be read.
bool StartProgramUnits();
// Shows the frame maximised, lets the splash screen (if any) finish and the wait cursor go,
// then starts the start-up.
void ShowMainFrame(TMainFm& frame, QSplashScreen* splash);
// Runs the program on its bound ports; the result is the process's exit code.
int RunProgram(QApplication& app);

} // namespace zemo
