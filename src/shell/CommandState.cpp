#include "shell/CommandState.h"

#include "core/Config.h"
#include "core/Folders.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "edit/Cut.h"
#include "edit/EdPoint.h"
#include "edit/EditSys.h"
#include "edit/Measure.h"
#include "edit/Merge.h"
#include "edit/ObjClip.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "shell/Ports.h"
#include "symbols/store/SymbolRecords.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <initializer_list>
#include <optional>

namespace zemo {

namespace {

constexpr int ViewSettingsType = 1030;

bool ViewSetting(const TZmd& z, char field)
{
    const int slot = MapSettingsSlot(ViewSettingsType);
    return slot >= 0 && GetParamInt(z.MapSettings[size_t(slot)], QLatin1Char(field), 0) == 1;
}

void MapState(ShellState& s)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !Index.MapOpen)
        return;
    s.mapOpen = true;
    s.courseMap = z->CourseMap != 0;
    s.preview = z->CoursePreviewOn != 0;
    s.symbolCount = z->SymbolCount();
    s.spotColorCount = z->ColorBlock.SeparationCount;
    s.datasetCount = z->Datasets.Count();
    s.viewSpot = ViewSetting(*z, 's');
    s.viewTransp = ViewSetting(*z, 't');
    s.hatchAreas = z->Setup.HatchView;
    s.templatesHidden = z->Setup.TemplatesHidden;
    s.zoom = z->Setup.Zoom;
    const TemplateMenuState templates = ShellPorts().TemplateState();
    s.anyTemplateHidden = templates.anyHidden;
    s.anyTemplateShown = templates.anyShown;
    s.anyRasterTemplateShown = templates.anyRasterShown;
    s.scannerAvailable = templates.scanner;

    s.selectedIndex = Index.SelectedIndex;
    s.selectionCount = Index.SelectionCount;
    s.selectedHoleStart = Index.SelectedHoleStart;
    if (Index.SelectedIndex > 0) {
        s.objectType = Index.CurElement.ObjectType;
        s.rectangleHasText = s.objectType == RectangleObject && Index.CurElement.nText > 0;
    }

    s.currentSymbolIndex = CurrentSymbolPos();
    s.graphics = Work.ActiveView && Work.ActiveView->SymbolGraphicsMode;
    // The symbol a drawing tool would use: the edited graphics, else the map's.
    const SymbolBytes* drawn = CurrentSymbol();
    s.hasCurrentSymbol = drawn != nullptr;
    if (drawn && drawn->size() >= size_t(SymbolHeadBytes))
        s.currentSymbolType = SymI16(*drawn, SymObjectType);
    s.canUndo = CanUndo();
    s.canRedo = CanRedo();
    s.canSetDirection = CanSetDirection();
    s.isCuttableCircle = IsCuttableCircle();
    s.canMerge = CanMerge();
    s.canMeasure = CanMeasure();
}

// What the clipboard held when it was last read; unread after a change.
struct ClipboardKinds {
    bool text = false, object = false, symbol = false, symbolGraphics = false, metafile = false;
};
std::optional<ClipboardKinds> KnownClipboard;

void ClipboardState(ShellState& s)
{
    if (!KnownClipboard) {
        ClipboardKinds k;
        if (const QMimeData* mime = QGuiApplication::clipboard()->mimeData()) {
            k.text = mime->hasText();
            k.object = mime->hasFormat(QStringLiteral("application/x-zemo6-object"));
            k.symbol = mime->hasFormat(QStringLiteral("application/x-zemo6-symbol"));
            k.symbolGraphics = mime->hasFormat(QStringLiteral("application/x-zemo6-symbol-graphics"));
            k.metafile = MetafilePastable(*mime);
        }
        KnownClipboard = k;
    }
    s.clipText = KnownClipboard->text;
    s.clipObject = KnownClipboard->object;
    s.clipSymbol = KnownClipboard->symbol;
    s.clipSymbolGraphics = KnownClipboard->symbolGraphics;
    s.clipMetafile = KnownClipboard->metafile;
}

struct Rules {
    std::vector<ItemState> items = std::vector<ItemState>(CmdCount + 1);
    ItemState& operator[](Cmd c) { return items[static_cast<int>(c)]; }
    void Enable(std::initializer_list<Cmd> cmds, bool on)
    {
        for (Cmd c : cmds)
            (*this)[c].enabled = on;
    }
    // Every item beneath a menu of the main tree.
    void EnableUnder(Cmd menu, bool on)
    {
        bool inside = false;
        for (const MenuItemDef& d : MenuItems()) {
            if (d.tree != MenuTree::Main)
                continue;
            if (d.level == 0)
                inside = d.id == menu;
            else if (inside)
                (*this)[d.id].enabled = on;
        }
    }
    void Check(Cmd c, bool on)
    {
        (*this)[c].checkable = true;
        (*this)[c].checked = on;
    }
};

constexpr Cmd ZoomItems[] = {Cmd::View025X, Cmd::View05X, Cmd::View1X, Cmd::View2X,
                             Cmd::View4X,   Cmd::View8X,  Cmd::View16X, Cmd::View32X};
constexpr double ZoomFactors[] = {0.25, 0.5, 1, 2, 4, 8, 16, 32};

void FileRules(Rules& r, const ShellState& s)
{
    const bool map = s.mapOpen;
    const bool mapNoGraphics = map && !s.graphics;
    r.Enable({Cmd::FileClose, Cmd::FileInfo}, map);
    r.Enable({Cmd::FileSave, Cmd::FileSaveAs, Cmd::FileBackup}, mapNoGraphics);
    r[Cmd::FilePrint].visible = map;
    r[Cmd::FilePrint].enabled = map && s.printersAvailable && !s.graphics;
    const bool course = map && s.courseMap;
    r[Cmd::FilePrintCDs].visible = course;
    r[Cmd::FilePrintCDs].enabled = course && s.printersAvailable && !s.graphics;
    r[Cmd::FileImport].visible = map && !s.courseMap;
    r[Cmd::FileImport].enabled = map && !s.courseMap && !s.graphics;
    r[Cmd::FileExport].visible = map;
    r[Cmd::FileExport].enabled = mapNoGraphics;
    r.Enable({Cmd::FileExportGif, Cmd::FileExportKiv, Cmd::FileExportShape}, mapNoGraphics);
    for (Cmd c : {Cmd::FileExportCourses, Cmd::FileExportCsMaps}) {
        r[c].visible = course;
        r[c].enabled = course && !s.graphics;
    }
    for (Cmd c : {Cmd::FileExportPdf, Cmd::FileExportSvg, Cmd::FileExportWmf, Cmd::FileExportEmf})
        r[c].visible = false;
    for (int n = 1; n <= 5; ++n) {
        ItemState& item = r[static_cast<Cmd>(static_cast<int>(Cmd::FileList1) + n - 1)];
        const QString& name = s.recentFiles[size_t(n - 1)];
        item.visible = !name.isEmpty();
        if (item.visible)
            item.caption = RecentFileCaption(n, name);
    }
}

void EditRules(Rules& r, const ShellState& s)
{
    r.EnableUnder(Cmd::EditMnu, false);
    if (!s.mapOpen)
        return;
    const bool selected = s.selectedIndex >= 1 || s.selectionCount > 1;
    const bool single = s.selectedIndex >= 1;
    r[Cmd::EditUndo].enabled = s.canUndo;
    r[Cmd::EditRedo].enabled = s.canRedo;
    r.Enable({Cmd::EditCut, Cmd::EditCopy, Cmd::EditDelete}, selected);
    if (s.textEditActive)
        r[Cmd::EditPaste].enabled = s.clipText;
    else if (s.graphics)
        r[Cmd::EditPaste].enabled = s.clipSymbolGraphics;
    else
        r[Cmd::EditPaste].enabled = s.clipObject || s.clipMetafile;
    r[Cmd::EditJoin].enabled = single && s.objectType == 2;
    r[Cmd::EditMerge].enabled = s.canMerge;
    r[Cmd::EditToCurve].enabled =
        (single && (s.objectType == 2 || s.objectType == 3)) || s.selectionCount >= 2;
    r[Cmd::EditToGraphics].enabled = !s.graphics && selected;
    r[Cmd::EditMeasure].enabled = !s.graphics && s.canMeasure;
    // As the rotate button.
    r[Cmd::EditRotate].enabled = single || (!s.preview && s.selectionCount > 1);
}

void ViewRules(Rules& r, const ShellState& s)
{
    for (Cmd c : {Cmd::ViewSpot, Cmd::ViewHatch, Cmd::ViewTransp, Cmd::ViewStandard,
                  Cmd::ViewEdit})
        r.Check(c, false);
    for (Cmd c : ZoomItems)
        r.Check(c, false);
    r.EnableUnder(Cmd::ViewMnu, s.mapOpen);
    if (!s.mapOpen)
        return;
    if (s.spotColorCount == 0) {
        r.Enable({Cmd::ViewSpot, Cmd::ViewSpotOpt}, false);
    } else {
        r.Check(Cmd::ViewSpot, s.viewSpot);
    }
    r.Check(Cmd::ViewHatch, s.hatchAreas);
    r.Check(Cmd::ViewTransp, s.viewTransp);
    for (size_t i = 0; i < std::size(ZoomItems); ++i)
        r.Check(ZoomItems[i], s.zoom == ZoomFactors[i]);
    r.Check(Cmd::ViewStandard, s.standardToolbarVisible);
    r.Check(Cmd::ViewEdit, s.editToolbarVisible);
}

void SymbolRules(Rules& r, const ShellState& s)
{
    const bool on = s.mapOpen && !s.graphics && !s.preview;
    r.EnableUnder(Cmd::SymbolMnu, on);
    if (on)
        r[Cmd::SymbolPaste].enabled = s.clipSymbol && !s.clipObject;
    r[Cmd::SymbolPastePop].enabled = s.clipSymbol;
}

void ExtrasRules(Rules& r, const ShellState& s)
{
    const bool on = s.mapOpen && !s.graphics && !s.preview;
    r.EnableUnder(Cmd::ExtrasMnu, on);
    if (on && s.courseMap)
        r[Cmd::ExtrasPartial].enabled = false;
}

void OtherMenuRules(Rules& r, const ShellState& s)
{
    const bool course = s.mapOpen && s.courseMap;
    r.Enable({Cmd::CourseStat, Cmd::CourseOptions}, course);

    const bool plainMap = s.mapOpen && !s.courseMap;
    r.Enable({Cmd::DbDataset, Cmd::DbOpenLinks, Cmd::DbNameIndex}, plainMap);
    r.Enable({Cmd::DbCreateLinks, Cmd::DbAssign}, plainMap && s.datasetCount >= 1);
    r.Enable({Cmd::DbDBase, Cmd::DbOdbc}, true);

    r.EnableUnder(Cmd::TemplateMnu, s.mapOpen);
    r.Check(Cmd::TemplateHide, false);
    if (s.mapOpen) {
        const bool live = !s.preview;
        r[Cmd::TemplateScan].enabled = live && s.scannerAvailable;
        r[Cmd::TemplateOpen].enabled = live;
        r[Cmd::TemplateReopen].enabled = live && s.anyTemplateHidden;
        const bool shown = live && s.anyTemplateShown;
        r.Enable({Cmd::TemplateClose, Cmd::TemplateHide, Cmd::TemplateOptions}, shown);
        r[Cmd::TemplateAdjust].enabled = live && s.anyRasterTemplateShown;
        r.Check(Cmd::TemplateHide, s.templatesHidden);
    }

    r.Enable({Cmd::OptionsColorCor, Cmd::OptionsScales, Cmd::OptionsOpenGps,
              Cmd::OptionsCloseGps, Cmd::OptionsAdjGps},
             s.mapOpen);
    r.Enable({Cmd::OptionsPref, Cmd::OptionsShortCuts}, true);

    r.EnableUnder(Cmd::WindowMnu, s.mapOpen);
    r[Cmd::HelpMap].enabled = s.mapOpen && !s.graphics;
}

void WorkPopUpRules(Rules& r, const ShellState& s)
{
    ItemState& draw = r[Cmd::WorkDraw];
    draw.visible = s.workMode > WorkModes::Curve &&
                   (s.graphics || (s.symbolCount >= 1 && s.currentSymbolIndex >= 0));
    if (draw.visible) {
        struct Look {
            TextKey key;
            DrawImage image;
        };
        auto byLineMode = [&](int mode) -> std::optional<Look> {
            switch (mode) {
            case 5: return Look{TextKey::FreehandHint, DrawImage::Freehand};
            case 6: return Look{TextKey::StraightHint, DrawImage::Straight};
            case 7: return Look{TextKey::RectangularHint, DrawImage::Rectangular};
            case 8: return Look{TextKey::CircleHint, DrawImage::Circle};
            case 9: return Look{TextKey::EllipseHint, DrawImage::Ellipse};
            case 10: return Look{TextKey::CurveHint, DrawImage::Curve};
            default: return std::nullopt;
            }
        };
        std::optional<Look> look;
        switch (s.currentSymbolType) {
        case 1: look = Look{TextKey::PointObject, DrawImage::Point}; break;
        case 4: look = Look{TextKey::Text, DrawImage::Text}; break;
        case 5: look = Look{TextKey::Rectangle, DrawImage::Rectangle}; break;
        case 2:
        case 3: look = byLineMode(s.lineMode); break;
        default: break;
        }
        if (look) {
            draw.caption = Text(look->key);
            draw.image = look->image;
        }
    }
    r[Cmd::WorkEditPoint].visible = s.workMode != WorkModes::EditPoint;
    r[Cmd::WorkEditObj].visible = s.workMode != WorkModes::EditObject;
}

} // namespace

bool WorkModeBuilt(int workMode)
{
    // The edit library's tool table: the tool each work mode starts.
    auto built = [](int toolMode) { return bool(ToolOf(toolMode).Start); };
    switch (workMode) {
    case WorkModes::Freehand: case WorkModes::Straight: return built(ToolModes::Freehand);
    case WorkModes::Rectangular: return built(ToolModes::Rectangular);
    case WorkModes::Circle: return built(ToolModes::Circle);
    case WorkModes::Ellipse: return built(ToolModes::Ellipse);
    case WorkModes::Curve: return built(ToolModes::Curve);
    case WorkModes::EditPoint: case WorkModes::EditObject: return built(ToolModes::Edit);
    case WorkModes::Cut: return built(ToolModes::CutLine);
    // A hole is cut with the drawing method of the moment.
    case WorkModes::CutHole:
        return ProgramConfig.LineMode >= WorkModes::Freehand &&
               ProgramConfig.LineMode <= WorkModes::Curve && WorkModeBuilt(ProgramConfig.LineMode);
    case WorkModes::Rotate: return built(ToolModes::Rotate);
    case WorkModes::Direction: case WorkModes::NormalPoint: case WorkModes::CornerPoint:
    case WorkModes::DashPoint: case WorkModes::RemovePoint: case WorkModes::MoveParallel:
        return built(ToolModes::PointEdit);
    default: return false;
    }
}

bool DrawingToolBuilt()
{
    // Points and rectangles are placed by one tool, texts by another.
    switch (CurrentDocumentState().currentSymbolType) {
    case PointObject: case RectangleObject: return bool(ToolOf(ToolModes::PlacePoint).Start);
    case TextObject: return bool(ToolOf(ToolModes::PlaceText).Start);
    case LineObject: case AreaObject: return WorkModeBuilt(ProgramConfig.LineMode);
    default: return false;
    }
}

void ClearEditSelection()
{
    DropSelection();
}

void ClearSelectedHole()
{
    Index.SelectedHoleStart = 0;
}

void ClipboardChanged()
{
    KnownClipboard.reset();
}

ShellState CurrentDocumentState()
{
    ShellState s;
    s.workMode = ProgramConfig.WorkMode;
    s.lineMode = ProgramConfig.LineMode;
    s.recentFiles = ProgramConfig.RecentFiles;
    s.textEditActive = EditSys.TypingActive;
    s.printersAvailable = ShellPorts().PrintersAvailable();
    MapState(s);
    ClipboardState(s);
    return s;
}

QString RecentFileCaption(int n, const QString& fileName)
{
    QString shown = fileName;
    if (shown.size() > 48)
        shown = QStringLiteral("...\\") + ExtractFileName(fileName);
    return QStringLiteral("&") + QString::number(n) + u' ' + shown;
}

std::vector<ItemState> MenuRules(const ShellState& s)
{
    Rules r;
    for (const MenuItemDef& d : MenuItems())
        if (d.hidden)
            r[d.id].visible = false;
    FileRules(r, s);
    EditRules(r, s);
    ViewRules(r, s);
    SymbolRules(r, s);
    ExtrasRules(r, s);
    OtherMenuRules(r, s);
    WorkPopUpRules(r, s);
    return std::move(r.items);
}

ToolButtonStates ToolButtonRules(const ShellState& s, bool grid, bool autoJoin, int smoothing)
{
    ToolButtonStates out;
    out.buttons.resize(CmdCount + 1);
    auto set = [&](Cmd c, bool on) { out.buttons[static_cast<int>(c)].enabled = on; };
    auto setAll = [&](std::initializer_list<Cmd> cmds, bool on) {
        for (Cmd c : cmds)
            set(c, on);
    };

    static const std::initializer_list<Cmd> Ruled = {
        Cmd::SaveBtn, Cmd::PrintBtn, Cmd::ChangeAllSymBtn, Cmd::UndoBtn, Cmd::RedoBtn,
        Cmd::DeleteBtn, Cmd::DuplicateBtn, Cmd::FillBtn, Cmd::ChangeBtn, Cmd::ReverseBtn,
        Cmd::JoinBtn, Cmd::MergeBtn, Cmd::ToCurveBtn, Cmd::ToGraphicsBtn, Cmd::MeasureBtn,
        Cmd::MoveBtn, Cmd::ZoomInBtn, Cmd::ZoomOutBtn, Cmd::ZoomEntireBtn, Cmd::EditPointBtn,
        Cmd::EditObjBtn, Cmd::RemovePtBtn, Cmd::DashPtBtn, Cmd::CornerPtBtn, Cmd::NormalPtBtn,
        Cmd::DirectionBtn, Cmd::RotateBtn, Cmd::CutHoleBtn, Cmd::CutBtn, Cmd::MoveParallelBtn,
        Cmd::CurveBtn, Cmd::EllipseBtn, Cmd::CircleBtn, Cmd::RectangularBtn, Cmd::StraightBtn,
        Cmd::FreehandBtn};

    if (!s.mapOpen) {
        setAll(Ruled, false);
    } else {
        const bool multi = !s.preview && s.selectionCount > 1;
        const bool one = s.selectedIndex > 0;
        int holeStart = s.selectedHoleStart;
        if ((one && s.objectType != 3) || s.selectionCount >= 2) {
            out.clearHole = holeStart != 0;
            holeStart = 0;
        }
        const bool hole = holeStart != 0;
        const int type = s.objectType;
        const bool lineOrArea = type == 2 || type == 3;

        setAll({Cmd::SaveBtn, Cmd::PrintBtn, Cmd::ChangeAllSymBtn}, !s.graphics);
        set(Cmd::UndoBtn, s.canUndo);
        set(Cmd::RedoBtn, s.canRedo);
        set(Cmd::DeleteBtn, one || multi);
        set(Cmd::DuplicateBtn, (!s.preview && one && !hole) || multi);

        const bool haveSymbol = s.currentSymbolIndex >= 0 && s.hasCurrentSymbol;
        const int st = s.currentSymbolType;
        const bool fits = st == type || (type == 2 && st == 3) || (type == 3 && st == 2) ||
                          (type == 5 && s.rectangleHasText && st == 4);
        const bool fill = (!s.preview && one && haveSymbol && fits) || multi;
        set(Cmd::FillBtn, fill);
        set(Cmd::ChangeBtn, fill && !hole);
        set(Cmd::ReverseBtn, (one && type == 2) || multi);
        set(Cmd::JoinBtn, one || multi);
        set(Cmd::MergeBtn, s.canMerge);
        set(Cmd::ToCurveBtn, one || multi);
        set(Cmd::ToGraphicsBtn, !s.graphics && (one || multi));
        set(Cmd::MeasureBtn, !s.graphics && s.canMeasure);
        setAll({Cmd::MoveBtn, Cmd::ZoomInBtn, Cmd::ZoomOutBtn, Cmd::ZoomEntireBtn,
                Cmd::EditPointBtn, Cmd::EditObjBtn},
               true);
        setAll({Cmd::RemovePtBtn, Cmd::DashPtBtn, Cmd::CornerPtBtn, Cmd::NormalPtBtn},
               one && lineOrArea);
        set(Cmd::DirectionBtn, (one || multi) && s.canSetDirection);
        set(Cmd::RotateBtn, one || multi);
        set(Cmd::CutHoleBtn, one && type == 3 && !hole);
        set(Cmd::CutBtn, one && (s.isCuttableCircle || lineOrArea) && !hole);
        set(Cmd::MoveParallelBtn, one && lineOrArea && !hole);
        setAll({Cmd::CurveBtn, Cmd::EllipseBtn, Cmd::CircleBtn, Cmd::RectangularBtn,
                Cmd::StraightBtn, Cmd::FreehandBtn},
               !s.preview && s.currentSymbolIndex >= 0);
    }

    Cmd pressed = Cmd::None;
    switch (s.workMode) {
    case 5: pressed = Cmd::FreehandBtn; break;
    case 6: pressed = Cmd::StraightBtn; break;
    case 7: pressed = Cmd::RectangularBtn; break;
    case 8: pressed = Cmd::CircleBtn; break;
    case 9: pressed = Cmd::EllipseBtn; break;
    case 10: pressed = Cmd::CurveBtn; break;
    case 11: pressed = Cmd::EditPointBtn; break;
    case 12: pressed = Cmd::EditObjBtn; break;
    case 15: pressed = Cmd::RotateBtn; break;
    case 16: pressed = Cmd::DirectionBtn; break;
    case 17: pressed = Cmd::NormalPtBtn; break;
    case 18: pressed = Cmd::CornerPtBtn; break;
    case 20: pressed = Cmd::RemovePtBtn; break;
    default: break;
    }
    if (pressed != Cmd::None)
        out.buttons[static_cast<int>(pressed)].down = true;
    out.buttons[static_cast<int>(Cmd::GridBtn)].down = grid;
    out.buttons[static_cast<int>(Cmd::AutoJoinBtn)].down = autoJoin;
    if (smoothing >= 0 && smoothing <= 2)
        out.buttons[static_cast<int>(Cmd::Smooth0Btn) + smoothing].down = true;
    return out;
}

} // namespace zemo
