#include "shell/MenuModel.h"

#include "core/Config.h"
#include "core/StringX.h"

#include <array>

namespace zemo {

namespace {

constexpr const char* CmdNames[] = {
#define ZEMO_SHELL_ITEM_NAME(name) #name,
    ZEMO_SHELL_ITEMS(ZEMO_SHELL_ITEM_NAME)
#undef ZEMO_SHELL_ITEM_NAME
};
static_assert(std::size(CmdNames) == CmdCount);

constexpr TextKey Fixed = TextKey::Count;

// Rows: item, tree, level, key, dots, fixed caption, help context, shortcut, hidden, handler.
#define M(id, lvl, key, dots, help, sc, handler) \
    {Cmd::id, MenuTree::Main, lvl, TextKey::key, dots, nullptr, help, sc, false, Cmd::handler}
#define MF(id, lvl, caption, help, sc, hidden, handler) \
    {Cmd::id, MenuTree::Main, lvl, Fixed, false, caption, help, sc, hidden, Cmd::handler}
#define SP(id, lvl, key, dots, help, sc, handler) \
    {Cmd::id, MenuTree::SymPopUp, lvl, TextKey::key, dots, nullptr, help, sc, false, Cmd::handler}
#define WP(id, key, help, handler) \
    {Cmd::id, MenuTree::WorkPopUp, 0, TextKey::key, false, nullptr, help, "", false, Cmd::handler}

const MenuItemDef Items[] = {
    M(FileMnu, 0, FileMnu, false, 111, "", None),
    M(FileNew, 1, FileNew, true, 112, "Ctrl+N", FileNew),
    M(FileOpen, 1, FileOpen, true, 113, "Ctrl+O", FileOpen),
    M(FileClose, 1, FileClose, false, 195, "", FileClose),
    M(FileSave, 1, FileSave, false, 114, "Ctrl+S", FileSave),
    M(FileSaveAs, 1, FileSaveAs, true, 115, "", FileSaveAs),
    M(FileInfo, 1, FileInfo, true, 11, "", FileInfo),
    M(FilePrint, 1, FilePrint, true, 117, "Ctrl+P", FilePrint),
    M(FilePrintCDs, 1, FilePrintCds, true, 278, "", FilePrintCDs),
    M(FileImport, 1, FileImport, true, 39, "", FileImport),
    M(FileExport, 1, FileExport, false, 45, "", None),
    MF(FileExportAi, 2, "AI (Adobe Illustrator)...", 143, "", false, FileExportAi),
    MF(FileExportBmp, 2, "BMP...", 25, "", false, FileExportBmp),
    MF(FileExportDxf, 2, "DXF...", 46, "", false, FileExportDxf),
    MF(FileExportEps, 2, "EPS...", 0, "", false, FileExportEps),
    MF(FileExportGif, 2, "GIF...", 291, "", false, FileExportGif),
    MF(FileExportJpeg, 2, "JPEG...", 0, "", false, FileExportJpeg),
    MF(FileExportKiv, 2, "KIV (ZEMO Internet Map)...", 290, "", false, FileExportKiv),
    MF(FileExportPdf, 2, "PDF...", 0, "", true, FileExportPdf),
    MF(FileExportSvg, 2, "SVG...", 0, "", true, FileExportSvg),
    MF(FileExportTiff, 2, "TIFF...", 0, "", false, FileExportTiff),
    MF(FileExportShape, 2, "Shape...", 323, "", false, FileExportShape),
    MF(FileExportWmf, 2, "WMF (Windows Metafile)", 0, "", true, None),
    MF(FileExportEmf, 2, "EMF (Enhanced Metafile)", 0, "", true, None),
    M(FileExportCourses, 1, FileExportCourses, true, 282, "", FileExportCourses),
    M(FileExportCsMaps, 1, FileExportCsMaps, true, 346, "", FileExportCsMaps),
    M(FileBackup, 1, FileBackup, true, 127, "", FileBackup),
    M(FileRestore, 1, FileRestore, true, 135, "", FileRestore),
    M(FileExit, 1, FileExit, false, 145, "Alt+F4", FileExit),
    MF(FileList1, 1, "&1", 147, "", true, FileList1),
    MF(FileList2, 1, "&2", 147, "", true, FileList2),
    MF(FileList3, 1, "&3", 147, "", true, FileList3),
    MF(FileList4, 1, "&4", 147, "", true, FileList4),
    MF(FileList5, 1, "&5", 147, "", true, FileList5),

    M(EditMnu, 0, EditMnu, false, 148, "", None),
    M(EditUndo, 1, EditUndo, false, 149, "Ctrl+Z", EditUndo),
    M(EditRedo, 1, EditRedo, false, 5, "Ctrl+Y", EditRedo),
    M(EditCut, 1, EditCut, false, 6, "Ctrl+X", EditCut),
    M(EditCopy, 1, EditCopy, false, 7, "Ctrl+C", EditCopy),
    M(EditPaste, 1, EditPaste, false, 8, "Ctrl+V", EditPaste),
    M(EditDelete, 1, EditDelete, false, 150, "", EditDelete),
    M(EditJoin, 1, EditJoin, false, 151, "", EditJoin),
    M(EditMerge, 1, EditMerge, false, 32, "", EditMerge),
    M(EditToCurve, 1, EditToCurve, false, 62, "", EditToCurve),
    M(EditToGraphics, 1, EditToGraphics, false, 126, "", EditToGraphics),
    M(EditMeasure, 1, EditMeasure, true, 153, "", EditMeasure),
    M(EditRotate, 1, RotateHint, true, 222, "", EditRotate),

    M(ViewMnu, 0, ViewMnu, false, 154, "", None),
    M(ViewSpot, 1, ViewSpot, false, 198, "", ViewSpot),
    M(ViewSpotOpt, 1, ViewSpotOpt, true, 333, "", ViewSpotOpt),
    M(ViewHatch, 1, ViewHatch, false, 249, "", ViewHatch),
    M(ViewTransp, 1, ViewTransp, false, 317, "", ViewTransp),
    M(ViewTranspOpt, 1, ViewTranspOpt, true, 329, "", ViewTranspOpt),
    M(ViewRedraw, 1, ViewRedraw, false, 155, "F5", ViewRedraw),
    M(ViewMove, 1, ViewMove, false, 156, "F6", ViewMove),
    M(ViewMoveTo, 1, ViewMoveTo, true, 330, "", ViewMoveTo),
    M(ViewZoomIn, 1, ViewZoomIn, false, 69, "F7", ViewZoomIn),
    M(ViewZoomOut, 1, ViewZoomOut, false, 70, "F8", ViewZoomOut),
    M(ViewEntire, 1, ViewEntire, false, 68, "", ViewEntire),
    MF(View025X, 1, "&0.25X", 157, "Shift+F5", false, View025X),
    MF(View05X, 1, "0.&5X", 157, "Shift+F6", false, View05X),
    MF(View1X, 1, "&1X", 157, "Shift+F7", false, View1X),
    MF(View2X, 1, "&2X", 157, "Shift+F8", false, View2X),
    MF(View4X, 1, "&4X", 157, "Shift+F9", false, View4X),
    MF(View8X, 1, "&8X", 157, "Shift+F10", false, View8X),
    MF(View16X, 1, "1&6X", 157, "Shift+F11", false, View16X),
    MF(View32X, 1, "&32X", 157, "Shift+F12", false, View32X),
    M(ViewStandard, 1, ViewStandard, false, 247, "", ViewStandard),
    M(ViewEdit, 1, ViewEdit, false, 248, "", ViewEdit),

    M(SymbolMnu, 0, SymbolMnu, false, 158, "", None),
    M(SymbolNew, 1, SymbolNew, true, 159, "", SymbolNew),
    M(SymbolEdit, 1, SymbolEdit, true, 160, "", SymbolEdit),
    M(SymbolIcon, 1, SymbolIcon, true, 161, "", SymbolIcon),
    M(SymbolEnlarge, 1, SymbolEnlarge, true, 163, "", SymbolEnlarge),
    M(SymbolCopy, 1, SymbolCopy, false, 164, "", SymbolCopy),
    M(SymbolPaste, 1, SymbolPaste, false, 165, "", SymbolPaste),
    M(SymbolDelete, 1, SymbolDelete, false, 166, "", SymbolDelete),
    M(SymbolDuplicate, 1, SymbolDuplicate, false, 167, "", SymbolDuplicate),
    M(SymbolSort, 1, SymbolSort, false, 265, "", None),
    M(SymbolSortNum, 2, SymbolSortNum, false, 0, "", SymbolSortNum),
    M(SymbolSortCol, 2, SymbolSortCol, false, 0, "", SymbolSortCol),
    M(SymbolSelect, 1, SymbolSelect, false, 200, "", None),
    M(SymbolSelUsed, 2, SymbolSelUsed, false, 0, "", SymbolSelUsed),
    M(SymbolSelUnused, 2, SymbolSelUnused, false, 0, "", SymbolSelUnused),
    M(SymbolSelInvert, 2, SymbolSelInvert, false, 0, "", SymbolSelInvert),
    M(SymbolSelAll, 2, SymbolSelAll, false, 0, "", SymbolSelAll),
    M(SymbolColors, 1, SymbolColors, true, 169, "", SymbolColors),
    M(SymbolSpotColors, 1, SymbolSpotColors, true, 171, "", SymbolSpotColors),
    M(SymbolLoadCol, 1, SymbolLoadCol, true, 197, "", SymbolLoadCol),
    M(SymbolLoad, 1, SymbolLoad, true, 172, "", SymbolLoad),
    M(SymbolNormal, 1, SymbolNormal, false, 18, "F2", SymbolNormal),
    M(SymbolProtect, 1, SymbolProtect, false, 19, "F3", SymbolProtect),
    M(SymbolHide, 1, SymbolHide, false, 20, "F4", SymbolHide),

    M(ExtrasMnu, 0, ExtrasMnu, false, 173, "", None),
    M(ExtrasOptimize, 1, ExtrasOptimize, false, 174, "", ExtrasOptimize),
    M(ExtrasMove, 1, ExtrasMove, true, 176, "", ExtrasMove),
    M(ExtrasChangeScale, 1, ExtrasChScale, true, 15, "", ExtrasChangeScale),
    M(ExtrasStretch, 1, ExtrasStretch, true, 177, "", ExtrasStretch),
    M(ExtrasRotate, 1, ExtrasRotate, true, 178, "", ExtrasRotate),
    M(ExtrasSelectSym, 1, ExtrasSelectSym, true, 246, "", ExtrasSelectSym),
    M(ExtrasChangeSym, 1, ExtrasChangeSym, true, 179, "", ExtrasChangeSym),
    M(ExtrasConvertLayers, 1, ExtrasConvertLayers, true, 289, "", ExtrasConvertLayers),
    M(ExtrasExportSym, 1, ExtrasExportSym, true, 181, "", ExtrasExportSym),
    M(ExtrasDeleteSym, 1, ExtrasDeleteSym, true, 182, "", ExtrasDeleteSym),
    M(ExtrasToCurveSym, 1, ExtrasToCurveSym, true, 63, "", ExtrasToCurveSym),
    M(ExtrasTextScript, 1, ExtrasTextScript, true, 345, "", ExtrasTextScript),
    M(ExtrasPartial, 1, ExtrasPartial, true, 9, "", ExtrasPartial),
    M(ExtrasGridLine, 1, ExtrasGridLine, true, 99, "", ExtrasGridLine),

    M(CourseMnu, 0, CourseMnu, false, 125, "", None),
    M(CourseStat, 1, CourseStat, true, 61, "", CourseStat),
    M(CourseOptions, 1, CourseOpt, true, 14, "", CourseOptions),

    M(DatabaseMnu, 0, Database, false, 294, "", None),
    M(DbDataset, 1, DbDataset, false, 283, "", DbDataset),
    MF(DbDBase, 1, "dBase...", 284, "", false, DbDBase),
    MF(DbOdbc, 1, "ODBC...", 285, "", false, DbOdbc),
    M(DbCreateLinks, 1, DbCreateLinks, true, 286, "", DbCreateLinks),
    M(DbAssign, 1, DbAssign, false, 315, "", None),
    M(AssignSym, 2, DbAssignSym, true, 287, "", AssignSym),
    M(AssignText, 2, DbAssignText, true, 316, "", AssignText),
    M(AssignAngle, 2, DbAssignAngle, true, 318, "", AssignAngle),
    M(DbOpenLinks, 1, DbOpenLinks, false, 288, "", DbOpenLinks),
    M(DbNameIndex, 1, DbNameIndex, true, 264, "", DbNameIndex),

    M(TemplateMnu, 0, TemplateMnu, false, 271, "", None),
    M(TemplateScan, 1, TemplateScan, false, 242, "", None),
    M(TemplateAcquire, 2, Acquire, false, 0, "", TemplateAcquire),
    M(TemplateSelectSource, 2, SelectSource, false, 0, "", TemplateSelectSource),
    M(TemplateOpen, 1, FileOpen, true, 190, "", TemplateOpen),
    M(TemplateReopen, 1, TemplateReopen, true, 292, "", TemplateReopen),
    M(TemplateClose, 1, FileClose, false, 191, "", TemplateClose),
    M(TemplateAdjust, 1, TemplateAdjust, false, 193, "F9", TemplateAdjust),
    M(TemplateHide, 1, TemplateHide, false, 58, "F10", TemplateHide),
    M(TemplateOptions, 1, TemplateOptions, true, 243, "", TemplateOptions),

    M(OptionsMnu, 0, OptionsMnu, false, 187, "", None),
    M(OptionsPref, 1, OptionsPref, true, 188, "", OptionsPref),
    M(OptionsShortCuts, 1, OptionsShortcuts, true, 236, "", OptionsShortCuts),
    M(OptionsColorCor, 1, OptionsColorCor, true, 241, "", OptionsColorCor),
    M(OptionsScales, 1, OptionsScales, true, 189, "", OptionsScales),
    M(OptionsOpenGps, 1, OptionsOpenGps, false, 54, "", OptionsOpenGps),
    M(OptionsCloseGps, 1, OptionsCloseGps, false, 57, "", OptionsCloseGps),
    M(OptionsAdjGps, 1, OptionsAdjGps, false, 22, "", OptionsAdjGps),

    M(WindowMnu, 0, WindowMnu, false, 152, "", None),
    M(WindowTile, 1, WindowTile, false, 0, "", WindowTile),
    M(WindowCascade, 1, WindowCascade, false, 0, "", WindowCascade),

    M(HelpMnu, 0, Help, false, 199, "", None),
    M(HelpContents, 1, HelpContents, true, 199, "", HelpContents),
    M(HelpMenu, 1, HelpMenu, true, 110, "", HelpMenu),
    M(HelpToolbar, 1, HelpToolbar, true, 204, "", HelpToolbar),
    M(HelpHome, 1, HelpHome, true, 260, "", HelpHome),
    M(HelpMap, 1, HelpMapInfo, true, 201, "", HelpMap),
    M(HelpAbout, 1, HelpAbout, true, 202, "", HelpAbout),

    SP(SymbolNewPop, 0, SymbolNew, true, 159, "", SymbolNew),
    SP(SymbolEditPop, 0, SymbolEdit, true, 160, "", SymbolEdit),
    SP(SymbolIconPop, 0, SymbolIcon, true, 161, "", SymbolIcon),
    SP(SymbolEnlargePop, 0, SymbolEnlarge, true, 163, "", SymbolEnlarge),
    SP(SymbolCopyPop, 0, SymbolCopy, false, 164, "", SymbolCopy),
    SP(SymbolPastePop, 0, SymbolPaste, false, 165, "", SymbolPaste),
    SP(SymbolDeletePop, 0, SymbolDelete, false, 166, "", SymbolDelete),
    SP(SymbolDuplicatePop, 0, SymbolDuplicate, false, 167, "", SymbolDuplicate),
    SP(SymbolSortPop, 0, SymbolSort, false, 265, "", None),
    SP(SymbolSortNumPop, 1, SymbolSortNum, false, 0, "", SymbolSortNum),
    SP(SymbolSortColPop, 1, SymbolSortCol, false, 0, "", SymbolSortCol),
    SP(SymbolSelectPop, 0, SymbolSelect, false, 200, "", None),
    SP(SymbolSelUsedPop, 1, SymbolSelUsed, false, 0, "", SymbolSelUsed),
    SP(SymbolSelUnusedPop, 1, SymbolSelUnused, false, 0, "", SymbolSelUnused),
    SP(SymbolSelInvertPop, 1, SymbolSelInvert, false, 0, "", SymbolSelInvert),
    SP(SymbolSelAllPop, 1, SymbolSelAll, false, 0, "", SymbolSelAll),
    SP(SymbolNormalPop, 0, SymbolNormal, false, 18, "F2", SymbolNormal),
    SP(SymbolProtectPop, 0, SymbolProtect, false, 19, "F3", SymbolProtect),
    SP(SymbolHidePop, 0, SymbolHide, false, 20, "F4", SymbolHide),

    {Cmd::WorkDraw, MenuTree::WorkPopUp, 0, Fixed, false, "Draw curve", 0, "", false, Cmd::WorkDraw},
    WP(WorkEditPoint, EditPoint, 225, EditPointBtn),
    WP(WorkEditObj, EditObj, 224, EditObjBtn),
    WP(WorkMove, ViewMove, 156, ViewMove),
    WP(WorkZoomIn, ViewZoomIn, 69, ViewZoomIn),
    WP(WorkZoomOut, ViewZoomOut, 70, ViewZoomOut),
    WP(WorkEntire, ViewEntire, 68, ViewEntire),
};

#undef M
#undef MF
#undef SP
#undef WP

// Rows: button, toolbar, repeated item, own hint key, group, all up allowed, handler,
// WorkMode, LineMode.
#define SB(id, from, handler) \
    {Cmd::id, ToolbarId::Standard, Cmd::from, Fixed, 0, false, Cmd::handler, 0, 0}
#define SH(id, key, handler) \
    {Cmd::id, ToolbarId::Standard, Cmd::None, TextKey::key, 0, false, Cmd::handler, 0, 0}
#define EB(id, key, wm, lm) \
    {Cmd::id, ToolbarId::Edit, Cmd::None, TextKey::key, 1, true, Cmd::id, wm, lm}

const ButtonDef Buttons[] = {
    SB(NewBtn, FileNew, FileNew),
    SB(OpenBtn, FileOpen, FileOpen),
    SB(SaveBtn, FileSave, FileSave),
    SB(PrintBtn, FilePrint, PrintBtn),
    SB(UndoBtn, EditUndo, UndoBtn),
    SB(RedoBtn, EditRedo, EditRedo),
    SB(DeleteBtn, EditDelete, EditDelete),
    SH(DuplicateBtn, DuplicateHint, DuplicateBtn),
    SH(ChangeBtn, ChangeHint, ChangeBtn),
    SH(ChangeAllSymBtn, ChangeAllHint, ExtrasChangeSym),
    SH(FillBtn, FillHint, FillBtn),
    SH(ReverseBtn, ReverseHint, ReverseBtn),
    SB(JoinBtn, EditJoin, EditJoin),
    SB(MergeBtn, EditMerge, EditMerge),
    SB(ToCurveBtn, EditToCurve, EditToCurve),
    SB(ToGraphicsBtn, EditToGraphics, EditToGraphics),
    SB(MeasureBtn, EditMeasure, EditMeasure),
    SB(MoveBtn, ViewMove, ViewMove),
    SB(ZoomInBtn, ViewZoomIn, ViewZoomIn),
    SB(ZoomOutBtn, ViewZoomOut, ViewZoomOut),
    SB(ZoomEntireBtn, ViewEntire, ViewEntire),
    {Cmd::GridBtn, ToolbarId::Standard, Cmd::None, TextKey::GridHint, 2, true, Cmd::GridBtn, 0, 0},
    {Cmd::AutoJoinBtn, ToolbarId::Standard, Cmd::None, TextKey::AutojoinHint, 3, true,
     Cmd::AutoJoinBtn, 0, 0},
    {Cmd::Smooth0Btn, ToolbarId::Standard, Cmd::None, TextKey::SmoothHint, 4, false,
     Cmd::Smooth0Btn, 0, 0},
    {Cmd::Smooth1Btn, ToolbarId::Standard, Cmd::None, TextKey::SmoothHint, 4, false,
     Cmd::Smooth1Btn, 0, 0},
    {Cmd::Smooth2Btn, ToolbarId::Standard, Cmd::None, TextKey::SmoothHint, 4, false,
     Cmd::Smooth2Btn, 0, 0},

    EB(EditPointBtn, EditPoint, WorkModes::EditPoint, WorkModes::None),
    EB(EditObjBtn, EditObj, WorkModes::EditObject, WorkModes::None),
    EB(CurveBtn, CurveHint, WorkModes::Curve, WorkModes::Curve),
    EB(EllipseBtn, EllipseHint, WorkModes::Ellipse, WorkModes::Ellipse),
    EB(CircleBtn, CircleHint, WorkModes::Circle, WorkModes::Circle),
    EB(RectangularBtn, RectangularHint, WorkModes::Rectangular, WorkModes::Rectangular),
    EB(StraightBtn, StraightHint, WorkModes::Straight, WorkModes::Straight),
    EB(FreehandBtn, FreehandHint, WorkModes::Freehand, WorkModes::Freehand),
    EB(CutBtn, CutHint, WorkModes::Cut, WorkModes::None),
    EB(CutHoleBtn, CutHoleHint, WorkModes::CutHole, WorkModes::None),
    EB(RotateBtn, RotateHint, WorkModes::Rotate, WorkModes::None),
    EB(DirectionBtn, DirectionHint, WorkModes::Direction, WorkModes::None),
    EB(NormalPtBtn, NormalPtHint, WorkModes::NormalPoint, WorkModes::None),
    EB(CornerPtBtn, CornerPtHint, WorkModes::CornerPoint, WorkModes::None),
    EB(DashPtBtn, DashPtHint, WorkModes::DashPoint, WorkModes::None),
    EB(RemovePtBtn, RemovePtHint, WorkModes::RemovePoint, WorkModes::None),
    {Cmd::MoveParallelBtn, ToolbarId::Edit, Cmd::None, TextKey::MoveParallel, 1, true,
     Cmd::MoveParallelBtn, WorkModes::MoveParallel, WorkModes::None},
};

#undef SB
#undef SH
#undef EB

struct RouteRow {
    Cmd handler;
    Route route;
};

// Every command a click can run, with its route.
const RouteRow Routes[] = {
    {Cmd::FileNew, Route::Frame}, {Cmd::FileOpen, Route::Frame}, {Cmd::FileClose, Route::Guard},
    {Cmd::FileSave, Route::Frame}, {Cmd::FileSaveAs, Route::Frame}, {Cmd::FileInfo, Route::Frame},
    {Cmd::FilePrint, Route::Frame}, {Cmd::PrintBtn, Route::Frame},
    {Cmd::FilePrintCDs, Route::Frame}, {Cmd::FileImport, Route::Frame},
    {Cmd::FileExportAi, Route::Frame}, {Cmd::FileExportBmp, Route::Frame},
    {Cmd::FileExportDxf, Route::Frame}, {Cmd::FileExportEps, Route::Frame},
    {Cmd::FileExportGif, Route::Frame}, {Cmd::FileExportJpeg, Route::Frame},
    {Cmd::FileExportKiv, Route::Frame}, {Cmd::FileExportPdf, Route::Frame},
    {Cmd::FileExportSvg, Route::Frame}, {Cmd::FileExportTiff, Route::Frame},
    {Cmd::FileExportShape, Route::Frame}, {Cmd::FileExportCourses, Route::Frame},
    {Cmd::FileExportCsMaps, Route::Frame}, {Cmd::FileBackup, Route::Frame},
    {Cmd::FileRestore, Route::Frame}, {Cmd::FileExit, Route::Guard},
    {Cmd::FileList1, Route::Frame}, {Cmd::FileList2, Route::Frame},
    {Cmd::FileList3, Route::Frame}, {Cmd::FileList4, Route::Frame},
    {Cmd::FileList5, Route::Frame},
    {Cmd::EditUndo, Route::Frame}, {Cmd::UndoBtn, Route::Tool}, {Cmd::EditRedo, Route::Frame},
    {Cmd::EditCut, Route::GuardThenFrame}, {Cmd::EditCopy, Route::GuardThenFrame},
    {Cmd::EditPaste, Route::GuardThenFrame}, {Cmd::EditDelete, Route::GuardThenFrame},
    {Cmd::EditJoin, Route::Frame}, {Cmd::EditMerge, Route::Frame},
    {Cmd::EditToCurve, Route::Frame}, {Cmd::EditToGraphics, Route::Frame},
    {Cmd::EditMeasure, Route::Frame}, {Cmd::EditRotate, Route::Frame},
    {Cmd::DuplicateBtn, Route::Frame},
    {Cmd::ChangeBtn, Route::Frame}, {Cmd::FillBtn, Route::Frame},
    {Cmd::ReverseBtn, Route::Frame},
    {Cmd::View025X, Route::Guard}, {Cmd::View05X, Route::Guard}, {Cmd::View1X, Route::Guard},
    {Cmd::View2X, Route::Guard}, {Cmd::View4X, Route::Guard}, {Cmd::View8X, Route::Guard},
    {Cmd::View16X, Route::Guard}, {Cmd::View32X, Route::Guard},
    {Cmd::ViewMove, Route::Guard}, {Cmd::ViewMoveTo, Route::Guard},
    {Cmd::ViewZoomIn, Route::Guard}, {Cmd::ViewZoomOut, Route::Guard},
    {Cmd::ViewEntire, Route::Guard}, {Cmd::ViewRedraw, Route::Guard},
    {Cmd::ViewSpot, Route::Frame}, {Cmd::ViewTransp, Route::Guard},
    {Cmd::ViewHatch, Route::Guard}, {Cmd::ViewSpotOpt, Route::Frame},
    {Cmd::ViewTranspOpt, Route::Frame}, {Cmd::ViewStandard, Route::Guard},
    {Cmd::ViewEdit, Route::Guard},
    {Cmd::SymbolNew, Route::Frame}, {Cmd::SymbolEdit, Route::Frame},
    {Cmd::SymbolIcon, Route::Frame}, {Cmd::SymbolEnlarge, Route::Frame},
    {Cmd::SymbolCopy, Route::Frame}, {Cmd::SymbolPaste, Route::Frame},
    {Cmd::SymbolDelete, Route::Frame}, {Cmd::SymbolDuplicate, Route::Frame},
    {Cmd::SymbolSortNum, Route::Frame}, {Cmd::SymbolSortCol, Route::Frame},
    {Cmd::SymbolSelUsed, Route::Frame}, {Cmd::SymbolSelUnused, Route::Frame},
    {Cmd::SymbolSelInvert, Route::Frame}, {Cmd::SymbolSelAll, Route::Frame},
    {Cmd::SymbolNormal, Route::Tool}, {Cmd::SymbolProtect, Route::Tool},
    {Cmd::SymbolHide, Route::Tool}, {Cmd::SymbolColors, Route::Frame},
    {Cmd::SymbolSpotColors, Route::Frame}, {Cmd::SymbolLoadCol, Route::Frame},
    {Cmd::SymbolLoad, Route::Frame},
    {Cmd::ExtrasOptimize, Route::Frame}, {Cmd::ExtrasMove, Route::Frame},
    {Cmd::ExtrasStretch, Route::Frame}, {Cmd::ExtrasRotate, Route::Frame},
    {Cmd::ExtrasChangeScale, Route::Frame}, {Cmd::ExtrasSelectSym, Route::Frame},
    {Cmd::ExtrasChangeSym, Route::Frame}, {Cmd::ExtrasConvertLayers, Route::Frame},
    {Cmd::ExtrasExportSym, Route::Frame}, {Cmd::ExtrasDeleteSym, Route::Frame},
    {Cmd::ExtrasToCurveSym, Route::Frame}, {Cmd::ExtrasTextScript, Route::Frame},
    {Cmd::ExtrasPartial, Route::Frame}, {Cmd::ExtrasGridLine, Route::Frame},
    {Cmd::CourseStat, Route::Frame}, {Cmd::CourseOptions, Route::Frame},
    {Cmd::DbDataset, Route::Frame}, {Cmd::DbDBase, Route::Frame}, {Cmd::DbOdbc, Route::Frame},
    {Cmd::DbCreateLinks, Route::Frame}, {Cmd::AssignSym, Route::Frame},
    {Cmd::AssignText, Route::Frame}, {Cmd::AssignAngle, Route::Frame},
    {Cmd::DbOpenLinks, Route::Frame}, {Cmd::DbNameIndex, Route::Frame},
    {Cmd::TemplateAcquire, Route::Frame}, {Cmd::TemplateSelectSource, Route::Frame},
    {Cmd::TemplateOpen, Route::Frame}, {Cmd::TemplateReopen, Route::Frame},
    {Cmd::TemplateClose, Route::Frame}, {Cmd::TemplateAdjust, Route::Tool},
    {Cmd::TemplateHide, Route::Guard}, {Cmd::TemplateOptions, Route::Frame},
    {Cmd::OptionsPref, Route::Frame}, {Cmd::OptionsShortCuts, Route::Frame},
    {Cmd::OptionsColorCor, Route::Frame}, {Cmd::OptionsScales, Route::Frame},
    {Cmd::OptionsOpenGps, Route::Frame}, {Cmd::OptionsCloseGps, Route::Guard},
    {Cmd::OptionsAdjGps, Route::Frame},
    {Cmd::WindowTile, Route::Tool}, {Cmd::WindowCascade, Route::Tool},
    {Cmd::HelpContents, Route::Guard}, {Cmd::HelpMenu, Route::Guard},
    {Cmd::HelpToolbar, Route::Guard}, {Cmd::HelpHome, Route::Frame},
    {Cmd::HelpMap, Route::Frame}, {Cmd::HelpAbout, Route::Frame},
    {Cmd::WorkDraw, Route::Tool}, {Cmd::EditObjBtn, Route::Tool},
    {Cmd::EditPointBtn, Route::Tool},
    {Cmd::CurveBtn, Route::Tool}, {Cmd::EllipseBtn, Route::Tool}, {Cmd::CircleBtn, Route::Tool},
    {Cmd::RectangularBtn, Route::Tool}, {Cmd::StraightBtn, Route::Tool},
    {Cmd::FreehandBtn, Route::Tool}, {Cmd::CutBtn, Route::Tool}, {Cmd::CutHoleBtn, Route::Tool},
    {Cmd::RotateBtn, Route::Tool}, {Cmd::DirectionBtn, Route::Tool},
    {Cmd::NormalPtBtn, Route::Tool}, {Cmd::CornerPtBtn, Route::Tool},
    {Cmd::DashPtBtn, Route::Tool}, {Cmd::RemovePtBtn, Route::Tool},
    {Cmd::MoveParallelBtn, Route::Tool},
    {Cmd::GridBtn, Route::Tool}, {Cmd::AutoJoinBtn, Route::Guard},
    {Cmd::Smooth0Btn, Route::Guard}, {Cmd::Smooth1Btn, Route::Guard},
    {Cmd::Smooth2Btn, Route::Guard},
};

// The menu items behind each configurable shortcut, in the configuration's order.
const ShortCutTarget ShortCutTargets[] = {
    {Cmd::EditJoin, Cmd::None}, {Cmd::EditMerge, Cmd::None}, {Cmd::EditToCurve, Cmd::None},
    {Cmd::EditToGraphics, Cmd::None}, {Cmd::EditMeasure, Cmd::None},
    {Cmd::ViewSpot, Cmd::None}, {Cmd::ViewHatch, Cmd::None}, {Cmd::ViewTransp, Cmd::None},
    {Cmd::ViewRedraw, Cmd::None}, {Cmd::ViewMove, Cmd::None}, {Cmd::ViewZoomIn, Cmd::None},
    {Cmd::ViewZoomOut, Cmd::None}, {Cmd::ViewEntire, Cmd::None},
    {Cmd::View025X, Cmd::None}, {Cmd::View05X, Cmd::None}, {Cmd::View1X, Cmd::None},
    {Cmd::View2X, Cmd::None}, {Cmd::View4X, Cmd::None}, {Cmd::View8X, Cmd::None},
    {Cmd::View16X, Cmd::None}, {Cmd::View32X, Cmd::None},
    {Cmd::SymbolNormal, Cmd::SymbolNormalPop}, {Cmd::SymbolProtect, Cmd::SymbolProtectPop},
    {Cmd::SymbolHide, Cmd::SymbolHidePop},
    {Cmd::ExtrasSelectSym, Cmd::None}, {Cmd::ExtrasChangeSym, Cmd::None},
    {Cmd::ExtrasExportSym, Cmd::None}, {Cmd::ExtrasDeleteSym, Cmd::None},
    {Cmd::ExtrasToCurveSym, Cmd::None},
    {Cmd::TemplateAcquire, Cmd::None}, {Cmd::TemplateOpen, Cmd::None},
    {Cmd::TemplateReopen, Cmd::None}, {Cmd::TemplateClose, Cmd::None},
    {Cmd::TemplateAdjust, Cmd::None}, {Cmd::TemplateHide, Cmd::None},
    {Cmd::TemplateOptions, Cmd::None}, {Cmd::OptionsPref, Cmd::None},
    {Cmd::OptionsScales, Cmd::None},
};
static_assert(std::size(ShortCutTargets) == ShortCutCount);

QString ReplacePrefix(const QString& text, const QString& from, const QString& to)
{
    if (from.isEmpty() || !text.startsWith(from))
        return text;
    return to + text.mid(from.size());
}

} // namespace

const char* CmdName(Cmd c)
{
    const int i = static_cast<int>(c);
    return i >= 0 && i < CmdCount ? CmdNames[i] : "";
}

Cmd CmdFromName(const QString& name)
{
    for (int i = 0; i < CmdCount; ++i)
        if (name == QLatin1String(CmdNames[i]))
            return static_cast<Cmd>(i);
    return Cmd::None;
}

std::span<const MenuItemDef> MenuItems()
{
    return Items;
}

std::span<const ButtonDef> ToolButtons()
{
    return Buttons;
}

const MenuItemDef* FindMenuItem(Cmd c)
{
    for (const MenuItemDef& d : Items)
        if (d.id == c)
            return &d;
    return nullptr;
}

const ButtonDef* FindButton(Cmd c)
{
    for (const ButtonDef& d : Buttons)
        if (d.id == c)
            return &d;
    return nullptr;
}

Cmd ParentItem(Cmd c)
{
    const MenuItemDef* self = FindMenuItem(c);
    if (!self || self->level == 0)
        return Cmd::None;
    // The nearest item above it in the same tree with one level less.
    for (const MenuItemDef* d = self; d != Items;) {
        --d;
        if (d->tree == self->tree && d->level == self->level - 1)
            return d->id;
    }
    return Cmd::None;
}

Route RouteOf(Cmd handler)
{
    for (const RouteRow& r : Routes)
        if (r.handler == handler)
            return r.route;
    return Route::None;
}

QString MenuCaption(const MenuItemDef& d)
{
    QString caption = d.key == Fixed ? QString::fromLatin1(d.fixed) : Text(d.key);
    if (d.dots)
        caption += QStringLiteral("...");
    return caption;
}

QString ButtonHint(const ButtonDef& d)
{
    if (d.hintFrom != Cmd::None) {
        const MenuItemDef* item = FindMenuItem(d.hintFrom);
        if (item)
            return RemoveAmpersands(item->key == Fixed ? QString::fromLatin1(item->fixed)
                                                       : Text(item->key));
    }
    if (d.id == Cmd::Smooth0Btn || d.id == Cmd::Smooth1Btn || d.id == Cmd::Smooth2Btn) {
        const int n = static_cast<int>(d.id) - static_cast<int>(Cmd::Smooth0Btn);
        return MergeMsgParams(Text(TextKey::SmoothHint), QString::number(n));
    }
    return Text(d.hintKey);
}

const ShortCutTarget& ShortCutTargetOf(int index)
{
    static const ShortCutTarget none{Cmd::None, Cmd::None};
    if (index < 0 || index >= ShortCutCount)
        return none;
    return ShortCutTargets[index];
}

QString ToStoredShortCut(const QString& shown)
{
    const QString shift = Text(TextKey::Shift);
    const QString ctrl = Text(TextKey::Ctrl);
    if (!shift.isEmpty() && shown.startsWith(shift))
        return ReplacePrefix(shown, shift, QStringLiteral("Shift"));
    return ReplacePrefix(shown, ctrl, QStringLiteral("Ctrl"));
}

QString ToShownShortCut(const QString& stored)
{
    if (stored.startsWith(QLatin1String("Shift")))
        return ReplacePrefix(stored, QStringLiteral("Shift"), Text(TextKey::Shift));
    return ReplacePrefix(stored, QStringLiteral("Ctrl"), Text(TextKey::Ctrl));
}

} // namespace zemo
