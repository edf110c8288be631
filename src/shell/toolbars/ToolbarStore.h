// The saved layout of a form's tool windows: one section per tool window, named after it,
// holding text values in this order:
//   Rev          2; any other value (or none) makes the section ignored
//   Visible      1 or 0
//   DockedTo     the dock's name; "+" when floating; empty when its dock allows no dragging
//   DockRow      row in the dock
//   DockPos      offset along the dock
//   FloatLeft    floating position, screen coordinates
//   FloatTop
//   FloatRightX  toolbars only: the floating wrap width, 0 for one line
// Numbers are decimal text; an unreadable number reads as the value the window has.
#pragma once

#include <QString>

#include <functional>

namespace zemo {

inline constexpr int ToolbarLayoutRev = 2;
// Saved floating positions farther out than this are brought to it: no screen lies there, and
// the window is moved onto a screen anyway.
inline constexpr int FarthestFloatPosition = 1 << 20;

// Where a tool window is and how it looks, as saved.
struct ToolWindowPlace {
    bool visible = true;
    bool floating = false;
    QString dock;          // docked: its dock's name; empty when that dock allows no dragging
    int dockRow = 0;
    int dockPos = -1;
    int floatLeft = 0;
    int floatTop = 0;
    int floatRightX = 0;
    bool hasFloatRightX = false; // a toolbar: the value is written and read
};

// How a section was taken.
enum class LoadedPlace {
    Ignored,     // no section of revision 2: the window stays as designed
    VisibleOnly, // empty or unknown dock: only Visible applies, the place stays
    Floating,
    Docked,
};

// Reads a value of the section as text; false when there is none.
using ReadLayoutText = std::function<bool(const char* value, QString& text)>;
using WriteLayoutText = std::function<void(const char* value, const QString& text)>;

// Reads a section over the place the window has now. knownDock tells whether the form has a
// dock of that name that allows dragging.
LoadedPlace ReadToolWindowPlace(const ReadLayoutText& read,
                                const std::function<bool(const QString&)>& knownDock,
                                ToolWindowPlace& place);
// Writes the section's values in their order.
void WriteToolWindowPlace(const WriteLayoutText& write, const ToolWindowPlace& place);

} // namespace zemo
