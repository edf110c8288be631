// Symbol > Enlarge: every length of the current symbol, of the selected symbols or of all
// symbols multiplied by a factor from 20 % to 500 % (ScaleSymbol), each written at once and
// the objects of the symbols touched measured again in one pass.
#pragma once

namespace zemo {

inline constexpr int EnlargeSymbolHelpContext = 163;
inline constexpr double MinEnlargePercent = 20;
inline constexpr double MaxEnlargePercent = 500;

struct EnlargeValues {
    double Percent = 100;
    bool AllSymbols = false;
};

// Scales and writes the symbols the values name: without AllSymbols the current symbol, or
// the selected ones when there is none. Returns how many were scaled; a percent outside
// 20..500 or a write failure stops it.
int EnlargeSymbolsBy(const EnlargeValues& v);
// The worker: the dialog (port RunEnlargeDialog), then EnlargeSymbolsBy.
void EnlargeSymbols();
// Registers Symbol > Enlarge (and its pop-up twin) with the command frame.
void RegisterEnlargeWorker();

} // namespace zemo
