// What the shell's logic needs from its windows above it. Each port does the documented least
// until the wiring root binds it.
#pragma once

#include "core/Port.h"

#include <QStringList>

namespace zemo {

struct ShellPortSet {
    // Lists the fonts of text symbols that are not installed, one line each ("40.0: Frutiger"),
    // in the missing-fonts dialog. Least: nothing is shown; the symbols keep the names they
    // have and are drawn in a substitute font.
    Port<void(const QStringList& lines)> ShowMissingFonts{"shell.ShowMissingFonts",
                                                          [](const QStringList&) {}};
};

ShellPortSet& ShellPorts();

} // namespace zemo
