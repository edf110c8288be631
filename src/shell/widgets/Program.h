// The program as a whole: the start-up before any window exists, the main frame and the
// event loop.
#pragma once

class QMessageBox;

namespace zemo {

// The box shown when the language texts cannot be read; its text is fixed (there are no
// texts to take it from).
inline constexpr const char* StringResourceError = "Error in string resource.";
QMessageBox* MakeStringResourceErrorBox();

// Runs the program; the result is the process's exit code.
int RunProgram(int argc, char* argv[]);

} // namespace zemo
