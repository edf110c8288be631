// PrintSys: the printer page that printing and the one-page placement work with, as the last
// checked or started printer reported it.
#pragma once

namespace zemo {

struct PrintSysState {
    // Device pixels per inch, and the printable page in whole millimetres.
    int LOGPIXELSX = 0;
    int LOGPIXELSY = 0;
    int HORZSIZE = 0;
    int VERTSIZE = 0;
};

extern PrintSysState PrintSys;

void ResetPrintSysUnit();

} // namespace zemo
