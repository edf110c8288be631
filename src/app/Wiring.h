// The one place where the libraries are joined. Each library names what it needs from the
// libraries above it as ports; InstallProgram binds them all, library by library from the
// bottom up, and registers the commands' workers. main and the program test fixture call it
// once, after the application object exists and before the main frame is made.
#pragma once

namespace zemo {

void InstallProgram();

// The units' start-up, run by the program's start-up once the single-instance check let this
// start go on and the language texts are read, in the libraries' order: the map store's
// default symbol, the output layer's grey stand-in colour and screen tables, the font list
// and the screen's resolution for the view transform.
void StartUnits();

} // namespace zemo
