// The symbol box's logic: the grid of 23-pixel cells, choosing the current symbol and the
// multi-selection with the mouse, dragging symbols to another place in the list, the sorts
// and the selection commands, and the box's settings string (type 1024). The widget in
// symbols/widgets draws the cells and feeds the mouse in; nothing here needs a display.
#pragma once

#include "core/StringX.h"

#include <vector>

namespace zemo {

inline constexpr int SymbolCellSize = 23;
inline constexpr int SymBoxSettingsType = 1024;

struct SymbolBoxGrid {
    int columns = 1;
    int rows = 0;
    bool scrollBar = false; // the columns were counted without the scroll bar's width
};
// Columns from the box's width; when the rows reach the height the scroll bar's width is
// taken off first.
SymbolBoxGrid LayoutSymbolGrid(int width, int height, int symbols, int scrollBarWidth);
// List position of a cell (column, row) or -1 beyond the list.
int SymbolAtCell(const SymbolBoxGrid& g, int column, int row, int symbols);

// Process-wide state of the box.
struct SymbolBoxState {
    int Anchor = -1;     // of a shift-range
    int DragSource = -1;
    int InsertMark = -1; // -1: none
    bool Dragging = false;
};
SymbolBoxState& SymBox();
void ResetSymbolBox();

// Drawing method of a symbol's preferred tool (1 curve .. 6 freehand), 0 for none.
int DrawingMethodOfTool(int preferredTool);

// ---- The new order of a drag (pure: old positions in their new order) ----
// The symbol at `from` moved to insertion mark `mark` (before the symbol at `mark`; the
// list's length puts it last).
std::vector<int> MovedOrder(int count, int from, int mark);
// The selected symbols before `mark` gather directly before it, those at or after it
// directly behind them, each group in its order.
std::vector<int> GatheredOrder(const std::vector<bool>& selected, int mark);

// ---- Mouse, on the current map ----
struct ClickKeys {
    bool shift = false;
    bool ctrl = false;
};
// A left press on list position pos (a cell beyond the list does nothing).
void SymbolBoxLeftDown(int pos, ClickKeys keys);
// While dragging: the insertion mark goes to pos (0 .. count). True when it moved.
bool SymbolBoxDragMove(int pos);
// The release; true when the order changed.
bool SymbolBoxLeftUp();
// A right press: true when the Symbol menu is to pop up.
bool SymbolBoxRightDown(int pos);

// ---- Commands ----
void SortSymbolsByNumber();
void SortSymbolsByColor();
void SelectUsedSymbols();
void SelectUnusedSymbols();
void InvertSymbolSelection();
void SelectAllSymbols();
// After a selection command: one selected symbol becomes current, else there is none.
void ResolveSymbolSelection();
// Commands that work on the selected symbols: the current symbol, when there is one, becomes
// the only selected one.
void SelectCurrentSymbolAlone();
// Makes a symbol current by its number (multi-selection cleared); false when not found.
bool ShowSymbolInBox(int number);
// The hint of a list position: the number with one decimal, a blank, the description.
QString SymbolBoxHint(int pos);
// Registers the sorts and the selection commands with the command frame.
void RegisterSymbolBoxWorkers();

// ---- The box's settings string (fields 'v' panel width, 'h' box height) ----
// Values replaced by a default or a cap are written back into the string.
int SymPanelWidthSetting(PString& s, int scrollBarWidth, int clientWidth);
int SymBoxHeightSetting(PString& s, int panelHeight);

// While a splitter is dragged: the proposed panel width (field 'v') or box height (field 'h')
// goes into the current map's string; nothing without a map.
void SaveSymSplitterPos(int panelWidth);
void SaveSymBoxSplitterPos(int boxHeight);
// After the panel splitter moved: the string is stored with the map.
bool SaveSymBoxSettings();
// After the box splitter moved: the height the box keeps (a collapsed box gets field 'h',
// 30 without one); the string is stored with the map.
int ApplySymBoxSplitterPos(int boxHeight);
// The largest box height the string accepts in a panel of that height.
int MaxSymBoxHeight(int panelHeight);

// What RefreshSymbolBox shows.
struct SymbolPanelLayout {
    bool symPanel = false;
    bool editPanel = false;
    bool csPanel = false;
    bool dbPanel = false;
    bool boxSplitter = false;
    int panelWidth = 0;
    int minWidth = 0;
    int boxHeight = 0;  // the full panel height when neither lower panel shows
};
struct SymbolPanelInput {
    bool mapOpen = false;
    bool graphicsEditing = false;
    bool courseMap = false; // a course-setting map, with its course panel to show
    bool datasets = false;  // a map with datasets, with its database panel to show
    int scrollBarWidth = 0;
    int clientWidth = 0;
    int panelHeight = 0;
};
// Reads and repairs the settings string of the current map (when one is open).
SymbolPanelLayout ComputeSymbolPanelLayout(const SymbolPanelInput& in, PString& settings);

} // namespace zemo
