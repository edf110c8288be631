// The one place where the libraries are joined. Each library names what it needs from the
// libraries above it as ports; InstallProgram binds them all, library by library from the
// bottom up, and registers the commands' workers. main and the program test fixture call it
// once, after the application object exists and before the main frame is made.
#pragma once

namespace zemo {

void InstallProgram();

} // namespace zemo
