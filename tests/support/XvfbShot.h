// Screenshots on a real X server: a test starts its own binary again under xvfb-run with
// one gtest filter; the inner run sees the output path in an environment variable, draws
// and saves what the screen shows.
#pragma once

#include <QString>

namespace zemo::test {

// Lets the event loop run for about ms milliseconds (windows map, menus open, paints end).
void SettleEvents(int ms);

// The output path when this process is the inner run (the variable is set), else empty.
QString InnerShotPath(const char* variable);

struct XvfbRun {
    QString skipped;   // why the run could not be made (xvfb-run missing); empty when it ran
    QString output;    // <build>/screenshots/<file>
    int exitCode = -1;
    QString log;
};

// Runs this test binary under xvfb-run (1280x800x24) with `filter`, a fresh configuration
// and state folder, and `variable` pointing at <build>/screenshots/<file>.
XvfbRun RunSelfUnderXvfb(const char* variable, const QString& file, const QString& filter);

} // namespace zemo::test
