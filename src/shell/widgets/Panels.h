// The main frame's panels beside and below the document windows: the symbol panel on the
// right (the symbol box above, the course or database panel below it), the quick symbol
// editor used while a symbol's graphics are edited, and the status line.
//
// The symbol box and the panels' contents belong to libraries above the shell; they come in
// through the ports of shell/widgets/Ports.h.
#pragma once

class QButtonGroup;
class QComboBox;
class QDockWidget;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSplitter;
class QToolButton;
class QWidget;

namespace zemo {

class StatusLine;
class TMainFm;
class TZSplitter;

inline constexpr int SymPanelDefaultWidth = 248;
inline constexpr int SymEditPanelWidth = 126;
inline constexpr int SymSplitterSize = 6;
// The element kinds of the quick editor's drawing buttons and their pseudo-symbol numbers.
inline constexpr int PseudoSymbolBase = 32752;
enum class GraphicsElementKind { Line = 1, Area = 2, Circle = 3, Dot = 4 };
// The diameter field's value (mm) until the user sets another.
inline constexpr double DefaultGraphicsDiameter = 1.0;

struct MainFramePanels {
    QDockWidget* SymDock = nullptr;
    QWidget* SymPanel = nullptr;         // the dock's content, as wide as the dock
    // Over the panel's left edge: dragging it sets the dock's width.
    TZSplitter* SymSplitter = nullptr;
    QSplitter* SymBoxSplitter = nullptr; // the box above, the lower panels below
    // Over the handle below the box (the splitter's own handles are off): sets its height.
    TZSplitter* SymBoxSplitterBar = nullptr;
    QWidget* SymbolBoxHolder = nullptr;  // the box goes in here
    QWidget* CsPanel = nullptr;
    QWidget* DbPanel = nullptr;
    // Set by course setting and by database links once they fill their panel; until then a
    // course-setting map or a map with datasets leaves the whole panel to the symbol box.
    bool CsPanelBuilt = false;
    bool DbPanelBuilt = false;

    QDockWidget* EditDock = nullptr;
    QWidget* SymEditPanel = nullptr;
    QLabel* SymEditorL = nullptr;
    QToolButton* SymLineBtn = nullptr;
    QToolButton* SymAreaBtn = nullptr;
    QToolButton* SymCircleBtn = nullptr;
    QToolButton* SymDotBtn = nullptr;
    QComboBox* SymColB = nullptr;
    QDoubleSpinBox* SymWidthE = nullptr;
    QDoubleSpinBox* SymDiamE = nullptr;
    QButtonGroup* SymStyleB = nullptr;
    QPushButton* SymApplyBtn = nullptr;
    QPushButton* SymCloseBtn = nullptr;
    QPushButton* SymHelpBtn = nullptr;

    StatusLine* Status = nullptr;
};

// Builds the panels into the frame (hidden until a map is open), installs the status line
// as the program's status display and fills the symbol panel.
MainFramePanels& InstallPanels(TMainFm& frame);
// The panels of a frame; nullptr before InstallPanels.
MainFramePanels* PanelsOf(const TMainFm& frame);

// Shows the panels that suit the moment (the symbol box refreshes the rest).
void ShowSymbolPanels(MainFramePanels& p, bool symPanel, bool editPanel);
// Hides the edit panel, the symbol panel and its splitter.
void HideSymbolPanels(MainFramePanels& p);

// The left status field's width: half of what the centre field leaves, never below 0.
int LeftStatusWidth(int statusWidth, int centerWidth);

// The quick editor's drawing buttons: the active window's current symbol becomes the
// pseudo-symbol of the element kind (type 2 line, 3 area, 1 circle and dot).
void ChooseGraphicsElement(GraphicsElementKind kind);

} // namespace zemo
