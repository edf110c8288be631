// What the shell's logic needs from the libraries above it (its windows, the templates). Each
// port does the documented least until the wiring root binds it.
#pragma once

#include "core/Port.h"

#include <QStringList>

namespace zemo {

// The current map's templates, for the Template menu.
struct TemplateMenuState {
    bool anyHidden = false;      // a template that is not shown
    bool anyShown = false;       // a raster or map template shown
    bool anyRasterShown = false;
    bool scanner = false;        // a local scanning device
};

struct ShellPortSet {
    // Lists the fonts of text symbols that are not installed, one line each ("40.0: Frutiger"),
    // in the missing-fonts dialog. Least: nothing is shown; the symbols keep the names they
    // have and are drawn in a substitute font.
    Port<void(const QStringList& lines)> ShowMissingFonts{"shell.ShowMissingFonts",
                                                          [](const QStringList&) {}};
    // The templates the Template menu's items depend on. Least: no template feature, so no
    // template is shown or hidden.
    Port<TemplateMenuState()> TemplateState{"shell.TemplateState", [] { return TemplateMenuState{}; }};
    // The Template menu opens: the scanning devices are looked up, so that its state can say
    // whether there is one. Least: nothing to look up.
    Port<void()> TemplateMenuOpens{"shell.TemplateMenuOpens", [] {}};
    // Whether any printer is there to print on. Least: none, so nothing offers to print.
    Port<bool()> PrintersAvailable{"shell.PrintersAvailable", [] { return false; }};
};

ShellPortSet& ShellPorts();

} // namespace zemo
