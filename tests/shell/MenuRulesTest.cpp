#include "core/LangTexts.h"
#include "shell/CommandState.h"

#include <gtest/gtest.h>

using namespace zemo;

namespace {

const ItemState& At(const std::vector<ItemState>& r, Cmd c)
{
    return r[static_cast<size_t>(c)];
}

ShellState NoMap()
{
    return ShellState{};
}

ShellState AMap()
{
    ShellState s;
    s.mapOpen = true;
    s.printersAvailable = true;
    return s;
}

ShellState ACourseMap()
{
    ShellState s = AMap();
    s.courseMap = true;
    return s;
}

void ExpectEnabled(const std::vector<ItemState>& r, std::initializer_list<Cmd> cmds, bool on)
{
    for (Cmd c : cmds)
        EXPECT_EQ(At(r, c).enabled, on) << CmdName(c);
}

void ExpectVisible(const std::vector<ItemState>& r, std::initializer_list<Cmd> cmds, bool on)
{
    for (Cmd c : cmds)
        EXPECT_EQ(At(r, c).visible, on) << CmdName(c);
}

} // namespace

TEST(MenuRules, WithoutAMapOnlyTheMapFreeCommandsAreOffered)
{
    const auto r = MenuRules(NoMap());
    ExpectEnabled(r, {Cmd::FileClose, Cmd::FileInfo, Cmd::FileSave, Cmd::FileSaveAs,
                      Cmd::FileBackup, Cmd::EditUndo, Cmd::EditPaste, Cmd::ViewZoomIn,
                      Cmd::ViewStandard, Cmd::SymbolNew, Cmd::SymbolSortNum, Cmd::ExtrasMove,
                      Cmd::CourseStat, Cmd::DbDataset, Cmd::TemplateOpen, Cmd::TemplateAcquire,
                      Cmd::OptionsScales, Cmd::WindowTile, Cmd::HelpMap},
                  false);
    ExpectEnabled(r, {Cmd::FileNew, Cmd::FileOpen, Cmd::FileRestore, Cmd::FileExit,
                      Cmd::DbDBase, Cmd::DbOdbc, Cmd::OptionsPref, Cmd::OptionsShortCuts,
                      Cmd::HelpAbout},
                  true);
    ExpectVisible(r, {Cmd::FilePrint, Cmd::FilePrintCDs, Cmd::FileImport, Cmd::FileExport,
                      Cmd::FileExportCourses, Cmd::FileExportCsMaps},
                  false);
    EXPECT_FALSE(At(r, Cmd::ViewStandard).checked) << "no map: every View item unticked";
}

TEST(MenuRules, AnOrdinaryMapOffersPrintImportAndExportButNoCourseItems)
{
    const auto r = MenuRules(AMap());
    ExpectVisible(r, {Cmd::FilePrint, Cmd::FileImport, Cmd::FileExport}, true);
    ExpectVisible(r, {Cmd::FilePrintCDs, Cmd::FileExportCourses, Cmd::FileExportCsMaps}, false);
    ExpectEnabled(r, {Cmd::FileSave, Cmd::FilePrint, Cmd::FileImport, Cmd::FileExportGif,
                      Cmd::ExtrasPartial, Cmd::DbDataset, Cmd::DbNameIndex, Cmd::WindowTile,
                      Cmd::TemplateOpen, Cmd::OptionsScales, Cmd::HelpMap},
                  true);
    ExpectEnabled(r, {Cmd::CourseStat, Cmd::CourseOptions, Cmd::DbCreateLinks, Cmd::DbAssign,
                      Cmd::TemplateClose, Cmd::TemplateHide, Cmd::TemplateScan},
                  false);
    ExpectVisible(r, {Cmd::FileExportPdf, Cmd::FileExportSvg, Cmd::FileExportWmf,
                      Cmd::FileExportEmf},
                  false);

    ShellState withDataset = AMap();
    withDataset.datasetCount = 1;
    ExpectEnabled(MenuRules(withDataset), {Cmd::DbCreateLinks, Cmd::DbAssign}, true);
}

TEST(MenuRules, ACourseSettingMapSwapsImportForTheCourseItems)
{
    const auto r = MenuRules(ACourseMap());
    ExpectVisible(r, {Cmd::FilePrint, Cmd::FilePrintCDs, Cmd::FileExportCourses,
                      Cmd::FileExportCsMaps},
                  true);
    ExpectVisible(r, {Cmd::FileImport}, false);
    ExpectEnabled(r, {Cmd::CourseStat, Cmd::CourseOptions, Cmd::FilePrintCDs}, true);
    ExpectEnabled(r, {Cmd::ExtrasPartial, Cmd::DbDataset, Cmd::DbOpenLinks}, false);
    ExpectEnabled(r, {Cmd::ExtrasMove}, true);

    ShellState preview = ACourseMap();
    preview.preview = true;
    const auto p = MenuRules(preview);
    ExpectEnabled(p, {Cmd::SymbolNew, Cmd::ExtrasMove, Cmd::TemplateOpen}, false);
    ExpectEnabled(p, {Cmd::TemplateMnu, Cmd::OptionsScales}, true);
}

TEST(MenuRules, NoPrintersLeavesPrintVisibleButDisabled)
{
    ShellState s = ACourseMap();
    s.printersAvailable = false;
    const auto r = MenuRules(s);
    ExpectVisible(r, {Cmd::FilePrint, Cmd::FilePrintCDs}, true);
    ExpectEnabled(r, {Cmd::FilePrint, Cmd::FilePrintCDs}, false);
    ExpectEnabled(r, {Cmd::FileExport, Cmd::FileSave}, true);
}

TEST(MenuRules, SymbolGraphicsEditingClosesTheMapWideCommands)
{
    ShellState s = AMap();
    s.graphics = true;
    s.selectedIndex = 3;
    s.objectType = 2;
    s.clipSymbolGraphics = true;
    const auto r = MenuRules(s);
    ExpectEnabled(r, {Cmd::FileSave, Cmd::FilePrint, Cmd::FileExport, Cmd::FileExportGif,
                      Cmd::SymbolNew, Cmd::ExtrasMove, Cmd::EditToGraphics, Cmd::HelpMap},
                  false);
    ExpectEnabled(r, {Cmd::FileClose, Cmd::EditCut, Cmd::EditJoin, Cmd::EditPaste}, true);
}

TEST(MenuRules, EditItemsFollowSelectionTypingAndClipboard)
{
    ShellState s = AMap();
    ExpectEnabled(MenuRules(s), {Cmd::EditCut, Cmd::EditCopy, Cmd::EditDelete, Cmd::EditJoin,
                                 Cmd::EditToCurve, Cmd::EditToGraphics, Cmd::EditPaste},
                  false);
    s.selectedIndex = 7;
    s.objectType = 3;
    auto r = MenuRules(s);
    ExpectEnabled(r, {Cmd::EditCut, Cmd::EditCopy, Cmd::EditDelete, Cmd::EditToCurve}, true);
    ExpectEnabled(r, {Cmd::EditJoin}, false);
    s.objectType = 1;
    ExpectEnabled(MenuRules(s), {Cmd::EditToCurve}, false);
    s.selectedIndex = 0;
    s.selectionCount = 2;
    ExpectEnabled(MenuRules(s), {Cmd::EditToCurve, Cmd::EditCut}, true);

    s.clipText = true;
    ExpectEnabled(MenuRules(s), {Cmd::EditPaste}, false);
    s.textEditActive = true;
    ExpectEnabled(MenuRules(s), {Cmd::EditPaste}, true);
    s.textEditActive = false;
    s.clipObject = true;
    ExpectEnabled(MenuRules(s), {Cmd::EditPaste}, true);
}

TEST(MenuRules, ViewTicksFollowTheMap)
{
    ShellState s = AMap();
    s.zoom = 0.25;
    s.hatchAreas = true;
    s.viewSpot = true;
    s.editToolbarVisible = false;
    auto r = MenuRules(s);
    EXPECT_TRUE(At(r, Cmd::View025X).checked);
    EXPECT_FALSE(At(r, Cmd::View05X).checked);
    EXPECT_TRUE(At(r, Cmd::ViewHatch).checked);
    EXPECT_FALSE(At(r, Cmd::ViewSpot).checked) << "no spot colours: unticked";
    ExpectEnabled(r, {Cmd::ViewSpot, Cmd::ViewSpotOpt}, false);
    EXPECT_TRUE(At(r, Cmd::ViewStandard).checked);
    EXPECT_FALSE(At(r, Cmd::ViewEdit).checked);

    s.zoom = 0.2500001;
    s.spotColorCount = 2;
    r = MenuRules(s);
    for (Cmd c : {Cmd::View025X, Cmd::View05X, Cmd::View1X, Cmd::View32X})
        EXPECT_FALSE(At(r, c).checked) << "only an exact factor is ticked";
    EXPECT_TRUE(At(r, Cmd::ViewSpot).checked);
    ExpectEnabled(r, {Cmd::ViewSpot, Cmd::ViewSpotOpt}, true);
}

TEST(MenuRules, SymbolPasteNeedsASymbolAndNoObjectOnTheClipboard)
{
    ShellState s = AMap();
    s.clipSymbol = true;
    ExpectEnabled(MenuRules(s), {Cmd::SymbolPaste, Cmd::SymbolPastePop}, true);
    s.clipObject = true;
    auto r = MenuRules(s);
    ExpectEnabled(r, {Cmd::SymbolPaste}, false);
    ExpectEnabled(r, {Cmd::SymbolPastePop}, true);
}

TEST(MenuRules, TemplateItemsFollowTheTemplates)
{
    ShellState s = AMap();
    s.anyTemplateShown = true;
    s.templatesHidden = true;
    auto r = MenuRules(s);
    ExpectEnabled(r, {Cmd::TemplateClose, Cmd::TemplateHide, Cmd::TemplateOptions}, true);
    ExpectEnabled(r, {Cmd::TemplateAdjust, Cmd::TemplateReopen}, false);
    EXPECT_TRUE(At(r, Cmd::TemplateHide).checked);
    s.anyRasterTemplateShown = true;
    s.anyTemplateHidden = true;
    ExpectEnabled(MenuRules(s), {Cmd::TemplateAdjust, Cmd::TemplateReopen}, true);
}

TEST(MenuRules, RecentFilesAreCaptionedAndEmptyOnesHidden)
{
    ShellState s;
    s.recentFiles[0] = QStringLiteral("/maps/a.zmd");
    s.recentFiles[2] = QStringLiteral("/very/long/folder/name/that/goes/on/and/on/forest.zmd");
    const auto r = MenuRules(s);
    EXPECT_TRUE(At(r, Cmd::FileList1).visible);
    EXPECT_EQ(At(r, Cmd::FileList1).caption, QStringLiteral("&1 /maps/a.zmd"));
    EXPECT_FALSE(At(r, Cmd::FileList2).visible);
    EXPECT_EQ(At(r, Cmd::FileList3).caption, QStringLiteral("&3 ...\\forest.zmd"));
    EXPECT_EQ(RecentFileCaption(4, QString(48, u'x')), QStringLiteral("&4 ") + QString(48, u'x'));
}

TEST(MenuRules, MapWindowMenuOffersDrawingWithTheCurrentSymbol)
{
    LoadTexts();
    ShellState s = AMap();
    s.workMode = 12;
    s.symbolCount = 5;
    s.currentSymbolIndex = -1;
    EXPECT_FALSE(At(MenuRules(s), Cmd::WorkDraw).visible);
    s.currentSymbolIndex = 2;
    s.currentSymbolType = 4;
    auto r = MenuRules(s);
    EXPECT_TRUE(At(r, Cmd::WorkDraw).visible);
    EXPECT_EQ(At(r, Cmd::WorkDraw).caption, Text(TextKey::Text));
    EXPECT_FALSE(At(r, Cmd::WorkEditObj).visible);
    EXPECT_TRUE(At(r, Cmd::WorkEditPoint).visible);

    s.currentSymbolType = 2;
    s.lineMode = 8;
    r = MenuRules(s);
    EXPECT_EQ(At(r, Cmd::WorkDraw).caption, Text(TextKey::CircleHint));
    EXPECT_EQ(At(r, Cmd::WorkDraw).image, DrawImage::Circle);
    s.lineMode = 3;
    EXPECT_TRUE(At(MenuRules(s), Cmd::WorkDraw).caption.isEmpty()) << "keeps the last caption";

    s.workMode = 10;
    EXPECT_FALSE(At(MenuRules(s), Cmd::WorkDraw).visible) << "already drawing";
}
