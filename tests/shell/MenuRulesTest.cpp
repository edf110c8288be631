#include "core/LangTexts.h"
#include "shell/CommandState.h"

#include <gtest/gtest.h>

using namespace zemo;

namespace {

const ItemState& At(const std::vector<ItemState>& r, Cmd c)
{
    return r[static_cast<size_t>(c)];
}

// A map open (with printers), then changed by f.
template <class F>
ShellState Map(F f)
{
    ShellState s;
    s.mapOpen = true;
    s.printersAvailable = true;
    f(s);
    return s;
}

ShellState Map()
{
    return Map([](ShellState&) {});
}

ShellState Course(bool preview = false, bool printers = true)
{
    return Map([&](ShellState& s) {
        s.courseMap = true;
        s.preview = preview;
        s.printersAvailable = printers;
    });
}

} // namespace

TEST(MenuRules, EnabledAndShownItemsFollowTheMapTheSelectionAndTheClipboard)
{
    using L = std::vector<Cmd>;
    const struct {
        const char* name;
        ShellState state;
        L on, off, shown, hidden;
    } rows[] = {
        {"no map", ShellState{},
         {Cmd::FileNew, Cmd::FileOpen, Cmd::FileRestore, Cmd::FileExit, Cmd::DbDBase, Cmd::DbOdbc,
          Cmd::OptionsPref, Cmd::OptionsShortCuts, Cmd::HelpAbout},
         {Cmd::FileClose, Cmd::FileInfo, Cmd::FileSave, Cmd::FileSaveAs, Cmd::FileBackup,
          Cmd::EditUndo, Cmd::EditPaste, Cmd::ViewZoomIn, Cmd::ViewStandard, Cmd::SymbolNew,
          Cmd::SymbolSortNum, Cmd::ExtrasMove, Cmd::CourseStat, Cmd::DbDataset, Cmd::TemplateOpen,
          Cmd::TemplateAcquire, Cmd::OptionsScales, Cmd::WindowTile, Cmd::HelpMap},
         {},
         {Cmd::FilePrint, Cmd::FilePrintCDs, Cmd::FileImport, Cmd::FileExport,
          Cmd::FileExportCourses, Cmd::FileExportCsMaps}},
        {"an ordinary map", Map(),
         {Cmd::FileSave, Cmd::FilePrint, Cmd::FileImport, Cmd::FileExportGif, Cmd::ExtrasPartial,
          Cmd::DbDataset, Cmd::DbNameIndex, Cmd::WindowTile, Cmd::TemplateOpen, Cmd::OptionsScales,
          Cmd::HelpMap},
         {Cmd::CourseStat, Cmd::CourseOptions, Cmd::DbCreateLinks, Cmd::DbAssign,
          Cmd::TemplateClose, Cmd::TemplateHide, Cmd::TemplateScan},
         {Cmd::FilePrint, Cmd::FileImport, Cmd::FileExport},
         {Cmd::FilePrintCDs, Cmd::FileExportCourses, Cmd::FileExportCsMaps, Cmd::FileExportPdf,
          Cmd::FileExportSvg, Cmd::FileExportWmf, Cmd::FileExportEmf}},
        {"a map with one dataset", Map([](ShellState& s) { s.datasetCount = 1; }),
         {Cmd::DbCreateLinks, Cmd::DbAssign}, {}, {}, {}},
        {"a course-setting map", Course(),
         {Cmd::CourseStat, Cmd::CourseOptions, Cmd::FilePrintCDs, Cmd::ExtrasMove},
         {Cmd::ExtrasPartial, Cmd::DbDataset, Cmd::DbOpenLinks},
         {Cmd::FilePrint, Cmd::FilePrintCDs, Cmd::FileExportCourses, Cmd::FileExportCsMaps},
         {Cmd::FileImport}},
        {"a course preview", Course(true), {Cmd::TemplateMnu, Cmd::OptionsScales},
         {Cmd::SymbolNew, Cmd::ExtrasMove, Cmd::TemplateOpen}, {}, {}},
        {"no printers", Course(false, false), {Cmd::FileExport, Cmd::FileSave},
         {Cmd::FilePrint, Cmd::FilePrintCDs}, {Cmd::FilePrint, Cmd::FilePrintCDs}, {}},
        {"symbol graphics", Map([](ShellState& s) {
             s.graphics = true;
             s.selectedIndex = 3;
             s.objectType = 2;
             s.clipSymbolGraphics = true;
         }),
         {Cmd::FileClose, Cmd::EditCut, Cmd::EditJoin, Cmd::EditPaste},
         {Cmd::FileSave, Cmd::FilePrint, Cmd::FileExport, Cmd::FileExportGif, Cmd::SymbolNew,
          Cmd::ExtrasMove, Cmd::EditToGraphics, Cmd::HelpMap},
         {}, {}},
        {"nothing selected", Map(), {},
         {Cmd::EditCut, Cmd::EditCopy, Cmd::EditDelete, Cmd::EditJoin, Cmd::EditToCurve,
          Cmd::EditToGraphics, Cmd::EditPaste},
         {}, {}},
        {"one area", Map([](ShellState& s) { s.selectedIndex = 7, s.objectType = 3; }),
         {Cmd::EditCut, Cmd::EditCopy, Cmd::EditDelete, Cmd::EditToCurve}, {Cmd::EditJoin}, {}, {}},
        {"one point", Map([](ShellState& s) { s.selectedIndex = 7, s.objectType = 1; }), {},
         {Cmd::EditToCurve}, {}, {}},
        {"two objects", Map([](ShellState& s) { s.selectionCount = 2, s.objectType = 1; }),
         {Cmd::EditToCurve, Cmd::EditCut}, {}, {}, {}},
        {"text on the clipboard", Map([](ShellState& s) { s.clipText = true; }), {},
         {Cmd::EditPaste}, {}, {}},
        {"text on the clipboard while typing",
         Map([](ShellState& s) { s.clipText = s.textEditActive = true; }), {Cmd::EditPaste}, {}, {},
         {}},
        {"objects on the clipboard", Map([](ShellState& s) { s.clipObject = true; }),
         {Cmd::EditPaste}, {}, {}, {}},
        {"a symbol on the clipboard", Map([](ShellState& s) { s.clipSymbol = true; }),
         {Cmd::SymbolPaste, Cmd::SymbolPastePop}, {}, {}, {}},
        {"a symbol and objects on the clipboard",
         Map([](ShellState& s) { s.clipSymbol = s.clipObject = true; }), {Cmd::SymbolPastePop},
         {Cmd::SymbolPaste}, {}, {}},
        {"templates shown, none hidden, no raster",
         Map([](ShellState& s) { s.anyTemplateShown = s.templatesHidden = true; }),
         {Cmd::TemplateClose, Cmd::TemplateHide, Cmd::TemplateOptions},
         {Cmd::TemplateAdjust, Cmd::TemplateReopen}, {}, {}},
        {"a raster template shown and one hidden", Map([](ShellState& s) {
             s.anyTemplateShown = s.anyRasterTemplateShown = s.anyTemplateHidden = true;
         }),
         {Cmd::TemplateAdjust, Cmd::TemplateReopen}, {}, {}, {}},
    };
    for (const auto& r : rows) {
        const auto rules = MenuRules(r.state);
        for (const auto& [list, enabled] : {std::pair{&r.on, true}, std::pair{&r.off, false}})
            for (Cmd c : *list)
                EXPECT_EQ(At(rules, c).enabled, enabled) << r.name << ": " << CmdName(c);
        for (const auto& [list, visible] : {std::pair{&r.shown, true}, std::pair{&r.hidden, false}})
            for (Cmd c : *list)
                EXPECT_EQ(At(rules, c).visible, visible) << r.name << ": " << CmdName(c);
    }
    EXPECT_FALSE(At(MenuRules(ShellState{}), Cmd::ViewStandard).checked) << "no map: every View item unticked";
    EXPECT_TRUE(At(MenuRules(rows[16].state), Cmd::TemplateHide).checked);
}

TEST(MenuRules, ViewTicksFollowTheMap)
{
    ShellState s = Map();
    s.zoom = 0.25;
    s.hatchAreas = true;
    s.viewSpot = true;
    s.editToolbarVisible = false;
    auto r = MenuRules(s);
    EXPECT_TRUE(At(r, Cmd::View025X).checked);
    EXPECT_FALSE(At(r, Cmd::View05X).checked);
    EXPECT_TRUE(At(r, Cmd::ViewHatch).checked);
    EXPECT_FALSE(At(r, Cmd::ViewSpot).checked) << "no spot colours: unticked";
    EXPECT_FALSE(At(r, Cmd::ViewSpot).enabled);
    EXPECT_FALSE(At(r, Cmd::ViewSpotOpt).enabled);
    EXPECT_TRUE(At(r, Cmd::ViewStandard).checked);
    EXPECT_FALSE(At(r, Cmd::ViewEdit).checked);

    s.zoom = 0.2500001;
    s.spotColorCount = 2;
    r = MenuRules(s);
    for (Cmd c : {Cmd::View025X, Cmd::View05X, Cmd::View1X, Cmd::View32X})
        EXPECT_FALSE(At(r, c).checked) << "only an exact factor is ticked";
    EXPECT_TRUE(At(r, Cmd::ViewSpot).checked);
    EXPECT_TRUE(At(r, Cmd::ViewSpot).enabled);
    EXPECT_TRUE(At(r, Cmd::ViewSpotOpt).enabled);
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
    ShellState s = Map();
    s.workMode = WorkModes::EditObject;
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
    s.lineMode = WorkModes::Circle;
    r = MenuRules(s);
    EXPECT_EQ(At(r, Cmd::WorkDraw).caption, Text(TextKey::CircleHint));
    EXPECT_EQ(At(r, Cmd::WorkDraw).image, DrawImage::Circle);
    s.lineMode = 3;
    EXPECT_TRUE(At(MenuRules(s), Cmd::WorkDraw).caption.isEmpty()) << "keeps the last caption";

    s.workMode = WorkModes::Curve;
    EXPECT_FALSE(At(MenuRules(s), Cmd::WorkDraw).visible) << "already drawing";
}
