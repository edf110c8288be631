// What the menus and toolbar buttons may do at this moment: the program's state gathered in
// one record, and the rules that turn it into enabled, visible, checked and pressed states.
// The rules are plain functions of the record, so any state can be tried without a map.
#pragma once

#include "core/Config.h"
#include "shell/MenuModel.h"

#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace zemo {

struct ShellState {
    // The map
    bool mapOpen = false;
    bool courseMap = false;        // a course-setting map
    bool preview = false;          // the map shows a course preview
    bool graphics = false;         // symbol-graphics editing in the active view
    int symbolCount = 0;
    int spotColorCount = 0;
    int datasetCount = 0;
    bool viewSpot = false;         // field s of the view settings
    bool viewTransp = false;       // field t of the view settings
    bool hatchAreas = false;
    bool templatesHidden = false;
    double zoom = 1.0;
    bool anyTemplateHidden = false;     // a template whose field s is not "1"
    bool anyTemplateShown = false;      // raster or map template
    bool anyRasterTemplateShown = false;
    // Selection and current object
    int selectedIndex = 0;         // the single selected object, 0 none
    int selectionCount = 0;
    int selectedHoleStart = 0;
    int objectType = 0;            // of the current object: 1 point ... 5 rectangle
    bool rectangleHasText = false; // a type-5 object that carries text
    // Current symbol
    int currentSymbolIndex = -1;   // the setup's index, -1 none
    bool hasCurrentSymbol = false; // a drawing tool has a symbol to draw with
    int currentSymbolType = 0;     // its object type
    // Tools
    int workMode = WorkModes::None;
    int lineMode = WorkModes::Curve;
    bool textEditActive = false;
    // Undo and redo, then tests of the editing tools (false until the tool that answers
    // exists)
    bool canUndo = false;
    bool canRedo = false;
    bool canMerge = false;
    bool canMeasure = false;
    bool canSetDirection = false;
    bool isCuttableCircle = false;
    // Clipboard
    bool clipText = false;
    bool clipSymbolGraphics = false;
    bool clipObject = false;
    bool clipMetafile = false;
    bool clipSymbol = false;
    // Environment
    bool printersAvailable = false;
    bool scannerAvailable = false;
    bool standardToolbarVisible = true;
    bool editToolbarVisible = true;
    std::array<QString, 5> recentFiles;
};

// The state of this moment, read from the configuration, the map store, the active view,
// the undo ring and the clipboard; the toolbars' visibility is the main frame's to add.
// What the clipboard holds is read once after each change of it (see ClipboardChanged).
ShellState CurrentDocumentState();
// The clipboard's contents changed: the next state reads them again. Reading them asks the
// window system (another program may own them), and the state is gathered after every step.
void ClipboardChanged();
// Whether the tool of a work mode (a tool button's number, 5 to 26) exists; a button whose
// tool does not is disabled, and a symbol asking for such a drawing method keeps the tool.
bool WorkModeBuilt(int workMode);
// Whether the tool that draws with the current symbol exists (the map menu's draw item).
bool DrawingToolBuilt();
// Drops the whole selection; drops the selected hole.
void ClearEditSelection();
void ClearSelectedHole();

// The pictures of the map window menu's draw item: those of the drawing buttons, and the
// object kinds that have no button of their own.
enum class DrawImage { None, Curve, Ellipse, Circle, Rectangular, Straight, Freehand, Point, Text, Rectangle };

struct ItemState {
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    bool checkable = false;
    QString caption;      // non-empty: replaces the item's caption
    DrawImage image = DrawImage::None; // the picture the item shows
};

// The state of every menu item (index: static_cast<int>(Cmd)) as the pop-up rules give it;
// entries for buttons are left at their defaults.
std::vector<ItemState> MenuRules(const ShellState& s);

// The recent-file caption: "&n name", a long name shown as "...\" and its file name.
QString RecentFileCaption(int n, const QString& fileName);

struct ButtonState {
    bool enabled = true;
    bool down = false;
};

struct ToolButtonStates {
    std::vector<ButtonState> buttons; // index: static_cast<int>(Cmd)
    bool clearHole = false;           // the selected hole is to be dropped
    const ButtonState& operator[](Cmd c) const { return buttons[static_cast<int>(c)]; }
};

// The buttons' enabled and pressed states after a command or a selection change.
// grid, autoJoin and smoothing are the configuration's option buttons.
ToolButtonStates ToolButtonRules(const ShellState& s, bool grid, bool autoJoin, int smoothing);

} // namespace zemo
