// The main frame's menus and toolbars as data: every menu item, pop-up item and toolbar
// button with its caption or hint key, help context, default shortcut and the command its
// click runs. The widgets build themselves from these tables; nothing here needs a window.
#pragma once

#include "core/LangTexts.h"

#include <QString>

#include <cstdint>
#include <span>

namespace zemo {

// Every menu item and toolbar button, by its component name.
#define ZEMO_SHELL_ITEMS(X) \
    X(FileMnu) X(FileNew) X(FileOpen) X(FileClose) X(FileSave) X(FileSaveAs) X(FileInfo) \
    X(FilePrint) X(FilePrintCDs) X(FileImport) X(FileExport) X(FileExportAi) X(FileExportBmp) \
    X(FileExportDxf) X(FileExportEps) X(FileExportGif) X(FileExportJpeg) X(FileExportKiv) \
    X(FileExportPdf) X(FileExportSvg) X(FileExportTiff) X(FileExportShape) X(FileExportWmf) \
    X(FileExportEmf) X(FileExportCourses) X(FileExportCsMaps) X(FileBackup) X(FileRestore) \
    X(FileExit) X(FileList1) X(FileList2) X(FileList3) X(FileList4) X(FileList5) \
    X(EditMnu) X(EditUndo) X(EditRedo) X(EditCut) X(EditCopy) X(EditPaste) X(EditDelete) \
    X(EditJoin) X(EditMerge) X(EditToCurve) X(EditToGraphics) X(EditMeasure) X(EditRotate) \
    X(ViewMnu) X(ViewSpot) X(ViewSpotOpt) X(ViewHatch) X(ViewTransp) X(ViewTranspOpt) \
    X(ViewRedraw) X(ViewMove) X(ViewMoveTo) X(ViewZoomIn) X(ViewZoomOut) X(ViewEntire) \
    X(View025X) X(View05X) X(View1X) X(View2X) X(View4X) X(View8X) X(View16X) X(View32X) \
    X(ViewStandard) X(ViewEdit) \
    X(SymbolMnu) X(SymbolNew) X(SymbolEdit) X(SymbolIcon) X(SymbolEnlarge) X(SymbolCopy) \
    X(SymbolPaste) X(SymbolDelete) X(SymbolDuplicate) X(SymbolSort) X(SymbolSortNum) \
    X(SymbolSortCol) X(SymbolSelect) X(SymbolSelUsed) X(SymbolSelUnused) X(SymbolSelInvert) \
    X(SymbolSelAll) X(SymbolColors) X(SymbolSpotColors) X(SymbolLoadCol) X(SymbolLoad) \
    X(SymbolNormal) X(SymbolProtect) X(SymbolHide) \
    X(ExtrasMnu) X(ExtrasOptimize) X(ExtrasMove) X(ExtrasChangeScale) X(ExtrasStretch) \
    X(ExtrasRotate) X(ExtrasSelectSym) X(ExtrasChangeSym) X(ExtrasConvertLayers) \
    X(ExtrasExportSym) X(ExtrasDeleteSym) X(ExtrasToCurveSym) X(ExtrasTextScript) \
    X(ExtrasPartial) X(ExtrasGridLine) \
    X(CourseMnu) X(CourseStat) X(CourseOptions) \
    X(DatabaseMnu) X(DbDataset) X(DbDBase) X(DbOdbc) X(DbCreateLinks) X(DbAssign) \
    X(AssignSym) X(AssignText) X(AssignAngle) X(DbOpenLinks) X(DbNameIndex) \
    X(TemplateMnu) X(TemplateScan) X(TemplateAcquire) X(TemplateSelectSource) X(TemplateOpen) \
    X(TemplateReopen) X(TemplateClose) X(TemplateAdjust) X(TemplateHide) X(TemplateOptions) \
    X(OptionsMnu) X(OptionsPref) X(OptionsShortCuts) X(OptionsColorCor) X(OptionsScales) \
    X(OptionsOpenGps) X(OptionsCloseGps) X(OptionsAdjGps) \
    X(WindowMnu) X(WindowTile) X(WindowCascade) \
    X(HelpMnu) X(HelpContents) X(HelpMenu) X(HelpToolbar) X(HelpHome) X(HelpMap) X(HelpAbout) \
    X(SymbolNewPop) X(SymbolEditPop) X(SymbolIconPop) X(SymbolEnlargePop) X(SymbolCopyPop) \
    X(SymbolPastePop) X(SymbolDeletePop) X(SymbolDuplicatePop) X(SymbolSortPop) \
    X(SymbolSortNumPop) X(SymbolSortColPop) X(SymbolSelectPop) X(SymbolSelUsedPop) \
    X(SymbolSelUnusedPop) X(SymbolSelInvertPop) X(SymbolSelAllPop) X(SymbolNormalPop) \
    X(SymbolProtectPop) X(SymbolHidePop) \
    X(WorkDraw) X(WorkEditPoint) X(WorkEditObj) X(WorkMove) X(WorkZoomIn) X(WorkZoomOut) \
    X(WorkEntire) \
    X(NewBtn) X(OpenBtn) X(SaveBtn) X(PrintBtn) X(UndoBtn) X(RedoBtn) X(DeleteBtn) \
    X(DuplicateBtn) X(ChangeBtn) X(ChangeAllSymBtn) X(FillBtn) X(ReverseBtn) X(JoinBtn) \
    X(MergeBtn) X(ToCurveBtn) X(ToGraphicsBtn) X(MeasureBtn) X(MoveBtn) X(ZoomInBtn) \
    X(ZoomOutBtn) X(ZoomEntireBtn) X(GridBtn) X(AutoJoinBtn) X(Smooth0Btn) X(Smooth1Btn) \
    X(Smooth2Btn) \
    X(EditPointBtn) X(EditObjBtn) X(CurveBtn) X(EllipseBtn) X(CircleBtn) X(RectangularBtn) \
    X(StraightBtn) X(FreehandBtn) X(CutBtn) X(CutHoleBtn) X(RotateBtn) X(DirectionBtn) \
    X(NormalPtBtn) X(CornerPtBtn) X(DashPtBtn) X(RemovePtBtn) X(MoveParallelBtn)

enum class Cmd : uint16_t {
#define ZEMO_SHELL_ITEM_ENUM(name) name,
    ZEMO_SHELL_ITEMS(ZEMO_SHELL_ITEM_ENUM)
#undef ZEMO_SHELL_ITEM_ENUM
    None
};

inline constexpr int CmdCount = static_cast<int>(Cmd::None);

const char* CmdName(Cmd c);
// Cmd::None when the name is unknown.
Cmd CmdFromName(const QString& name);

// How a click reaches its worker.
enum class Route : uint8_t {
    None,           // menus that only open: no guard
    Frame,          // IsBusy -> return; BeginCommand; worker; EndCommand
    Tool,           // IsBusy -> return; EndTool; action; StartTool
    Guard,          // IsBusy -> return; worker
    GuardThenFrame, // IsBusy -> return; typing: text worker; otherwise the worker in the frame
};

enum class MenuTree : uint8_t { Main, SymPopUp, WorkPopUp };

struct MenuItemDef {
    Cmd id;
    MenuTree tree;
    int level;              // 0 a menu of the bar (or a pop-up's top item), 1 beneath it, ...
    TextKey key;            // TextKey::Count: the caption is fixed
    bool dots;              // "..." appended: the item opens a dialog
    const char* fixed;      // the fixed caption, when key is TextKey::Count
    int helpContext;        // 0: none
    const char* shortcut;   // default shortcut in portable form, "" for none
    bool hidden;            // hidden until a rule shows it (or for good)
    Cmd handler;            // the command its click runs; Cmd::None for menus that only open
};

enum class ToolbarId : uint8_t { Standard, Edit };

struct ButtonDef {
    Cmd id;
    ToolbarId toolbar;
    Cmd hintFrom;       // the menu item whose text is repeated, or Cmd::None
    TextKey hintKey;    // used when hintFrom is Cmd::None
    int group;          // 0 plain; buttons of one group above 0 are exclusive
    bool allowAllUp;    // the group is a toggle
    Cmd handler;
    int workMode;       // tool buttons: the WorkMode they select, else 0
    int lineMode;       // drawing buttons: the LineMode they set, else 0
};

std::span<const MenuItemDef> MenuItems();
std::span<const ButtonDef> ToolButtons();
// nullptr when the command is not a menu item / not a button.
const MenuItemDef* FindMenuItem(Cmd c);
const ButtonDef* FindButton(Cmd c);
// The menu item directly above an item in its tree, Cmd::None for a top item.
Cmd ParentItem(Cmd c);

// The route of a handler command (Route::None for menus that only open and unknown ones).
Route RouteOf(Cmd handler);

// The menu item's caption: its text, or its fixed caption, with "..." where it opens a dialog.
QString MenuCaption(const MenuItemDef& d);
// The button's hint: the repeated menu item's text without "&", or its own text; the three
// smoothing buttons fill the parameter of SmoothHint with 0, 1 and 2.
QString ButtonHint(const ButtonDef& d);

// The configurable shortcuts: the menu items (one or two, a pop-up twin) of each index of
// the configuration's shortcut texts.
struct ShortCutTarget {
    Cmd item;
    Cmd twin; // Cmd::None when there is none
};
const ShortCutTarget& ShortCutTargetOf(int index);

// Text forms of a shortcut: stored with the English words "Shift" and "Ctrl", shown with
// the language's words.
QString ToStoredShortCut(const QString& shown);
QString ToShownShortCut(const QString& stored);

} // namespace zemo
