#include "course/CdPrint.h"

#include "core/Config.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "course/CdSheets.h"
#include "course/CourseEdit.h"
#include "course/CsPreview.h"
#include "course/CsData.h"
#include "course/CsOptions.h"
#include "course/DescriptionScale.h"
#include "course/Ports.h"
#include "course/CsObject.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"
#include "io/Export.h"
#include "io/Print.h"
#include "io/PrintSys.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"

#include <algorithm>
#include <cmath>

namespace zemo {

CdPrintState CdPrint;

void ResetCdPrint()
{
    CdPrint = {};
}

namespace {

QString CdSettings()
{
    const TZmd* z = Index.ActiveZmd;
    const int slot = MapSettingsSlot(CdPrintSettingsType);
    return z && slot >= 0 ? z->MapSettings[size_t(slot)] : QString();
}

double BoxSizeOf(const QString& settings)
{
    const double s = GetParamFloat(settings, u's', StandardBoxSize);
    return s >= MinBoxSize && s <= MaxBoxSize ? s : StandardBoxSize;
}

SheetRequest RequestOf(const CdPrintOptions& o, int course)
{
    SheetRequest r;
    r.Course = course;
    r.Title = o.Title.trimmed();
    return r;
}

bool Chosen(const CdPrintOptions& o, int item)
{
    return item >= 0 && size_t(item) < o.Selected.size() && o.Selected[size_t(item)] && item < o.Items.size();
}

// Puts back what printing changed in the map's memory: its own objects and symbols as the
// file has them, the flags, the setup fields borrowed, undo.
class PrintScope {
public:
    PrintScope() : z_(*Index.ActiveZmd)
    {
        preview_ = z_.CoursePreviewOn;
        tag_ = z_.CurrentCourseTag;
        modified_ = z_.Modified;
        templatesHidden_ = z_.Setup.TemplatesHidden;
        lineWidth_ = z_.Setup.PrintLineWidth;
        undo_ = UndoEnabled;
        UndoEnabled = false;
        z_.CoursePreviewOn = 1;
        z_.CurrentCourseTag.clear();
        z_.Setup.TemplatesHidden = true;
        z_.Setup.PrintLineWidth = 100;
        DropGeneratedObjects();
    }
    ~PrintScope()
    {
        DropGeneratedObjects();
        z_.CoursePreviewOn = preview_;
        z_.CurrentCourseTag = tag_;
        z_.Modified = modified_;
        z_.Setup.TemplatesHidden = templatesHidden_;
        z_.Setup.PrintLineWidth = lineWidth_;
        UndoEnabled = undo_;
    }

private:
    TZmd& z_;
    uint8_t preview_;
    QString tag_;
    uint8_t modified_;
    bool templatesHidden_;
    int16_t lineWidth_;
    bool undo_;
};

// The last page's sheets dropped and every object of the map hidden. Deleted objects stay
// deleted: read back as free entries, their records would take the sheets' objects, and undo
// would bring those back in their place.
void HideEveryObject()
{
    DropGeneratedObjects();
    for (auto& b : Index.ActiveZmd->ObjectBlocks) {
        for (ObjectIndexEntry& e : b->Entries)
            if (e.Length > 0 && int16_t(e.Symbol) > 0)
                e.Symbol |= CourseOnlyMark;
        UpdateBlockSummary(*b);
    }
}

// The height a column of sheets has on a page: the sheets' drawing reaching past their frames
// stays inside the printable area at its top and bottom.
int32_t ColumnHeight(int32_t pageHeight)
{
    return std::max<int32_t>(0, pageHeight - 2 * SheetReach());
}

void DrawSheet(const CdPrintOptions& o, const PlacedSheet& s, int32_t pageHeight)
{
    const Cord at{s.X, -s.Y};
    SheetExtent extent;
    const bool text = o.Kind == TextSheets;
    if (s.What == PlacedSheet::ControlsColumn) {
        if (text)
            AllControlsTextColumn(s.Index, pageHeight, true, at, extent);
        else
            AllControlsColumn(s.Index, pageHeight, true, at, extent);
    } else if (text) {
        TextSheet(RequestOf(o, s.Index), true, at);
    } else {
        SymbolSheet(RequestOf(o, s.Index), true, at);
    }
}

// Each page: every object hidden, its sheets generated, the page printed as the map at 1:1
// with the page's top-left corner at the map's origin.
bool PrintPages(const CdPrintOptions& o, const std::vector<PlacedSheet>& placed, int pages)
{
    const int32_t w = PrintSys.HORZSIZE * 100 * UnitsPerHundredthMm;
    const int32_t h = PrintSys.VERTSIZE * 100 * UnitsPerHundredthMm;
    SavedOutputState saved;
    Graph.OutputColorMode = CompositeColors;
    Prt.CurrentSeparation = -1;
    Prt.Intensity = 100;
    Prt.Grid = false;
    Prt.PrintRect = {0, -h, w, 0};
    bool ok = true;
    ScopedProgress progress(TextKey::Printing, TextKey::Count, pages, 1);
    for (int page = 0; page < pages && ok && !AbortRequested; ++page) {
        HideEveryObject();
        ScaleDescriptionSymbols(o.BoxSize);
        for (const PlacedSheet& s : placed)
            if (s.Page == page)
                DrawSheet(o, s, ColumnHeight(h));
        Scale.ViewScaleX = PrintSys.LOGPIXELSX / 2540.0 / UnitsPerHundredthMm;
        Scale.ViewScaleY = -(PrintSys.LOGPIXELSY / 2540.0 / UnitsPerHundredthMm);
        ok = PrintPage({w / 2, -(h / 2)});
        UpdateProgress(page + 1, page + 1);
    }
    return ok;
}

} // namespace

CdPrintOptions CdPrintDialogOptions()
{
    CdPrintOptions o;
    o.Printers = PrinterList();
    o.Printer = OpeningPrinterIndex(ProgramConfig.CdPrintPrinter);
    o.Items = CourseListItems();
    o.Selected.assign(size_t(o.Items.size()), false);
    o.Selected[o.Items.size() > 1 ? 1 : 0] = true;
    const QString settings = CdSettings();
    o.Title = GetParamText(settings, u't');
    o.BoxSize = BoxSizeOf(settings);
    return o;
}

void SelectAllCourses(CdPrintOptions& o)
{
    o.Selected.assign(size_t(o.Items.size()), true);
    if (!o.Selected.empty())
        o.Selected[0] = false;
}

void StoreCdPrintSettings(const CdPrintOptions& o)
{
    if (!Index.ActiveZmd)
        return;
    const double size = o.BoxSize >= MinBoxSize && o.BoxSize <= MaxBoxSize ? o.BoxSize : StandardBoxSize;
    const QString title = CleanParamText(o.Title.trimmed());
    const QString stored = CdSettings();
    // Written only when a value differs from the one shown: a map without the string keeps
    // having none while the title is empty and the box standard.
    if (title != GetParamText(stored, u't') || FloatToPointStr(2, size) != FloatToPointStr(2, BoxSizeOf(stored)))
        SaveTypedPString(QStringLiteral("\tt") + title + QStringLiteral("\ts") + FloatToPointStr(2, size),
                         CdPrintSettingsType);
    if (o.Printer >= 0 && o.Printer < o.Printers.size()) {
        ProgramConfig.CdPrintPrinter = o.Printers[o.Printer];
        WriteConfig();
    }
}

std::vector<PlacedSheet> LayOutSheets(const CdPrintOptions& o, int32_t printableWidth, int32_t printableHeight)
{
    // The sheets lie inside the printable area with what their drawing reaches past their
    // frames: the outer lines and the circles on the left edge are printed whole.
    const int32_t reach = SheetReach();
    const int32_t pageWidth = std::max<int32_t>(0, printableWidth - 2 * reach);
    const int32_t pageHeight = ColumnHeight(printableHeight);
    const int32_t b = CsBox.BoxSize;
    const int64_t gap = 2 * int64_t(b);
    const bool text = o.Kind == TextSheets;
    const int copies = std::clamp(o.Copies, MinCdCopies, MaxCdCopies);

    // The sheets in print order, measured.
    std::vector<PlacedSheet> sheets;
    if (Chosen(o, 0)) {
        const int count = AllControlsCount(text);
        for (int c = 0; c < copies; ++c)
            for (int first = 0; first < count;) {
                SheetExtent e;
                const int next = text ? AllControlsTextColumn(first, pageHeight, false, {}, e)
                                      : AllControlsColumn(first, pageHeight, false, {}, e);
                sheets.push_back({PlacedSheet::ControlsColumn, first, 0, 0, 0, e.Width, e.Height});
                first = std::max(next, first + 1);
            }
    }
    for (int item = 1; item < o.Items.size(); ++item) {
        if (!Chosen(o, item))
            continue;
        SheetExtent e;
        if (text)
            e = TextSheet(RequestOf(o, item - 1), false, {});
        else
            e = {8 * b, SymbolSheet(RequestOf(o, item - 1), false, {})};
        for (int c = 0; c < copies; ++c)
            sheets.push_back({PlacedSheet::CourseSheet, item - 1, 0, 0, 0, e.Width, e.Height});
    }
    int64_t column = text ? 0 : 8 * int64_t(b);
    for (const PlacedSheet& s : sheets)
        column = std::max<int64_t>(column, s.Width);

    // Down a column with two boxes between sheets, then the next column two boxes to the
    // right, then the next page. A column of all controls stands alone in its column.
    std::vector<PlacedSheet> placed;
    int page = 0;
    int64_t x = 0, y = 0;
    bool columnUsed = false, columnFull = false, pageUsed = false;
    const auto newPage = [&] {
        if (pageUsed)
            ++page;
        x = y = 0;
        columnUsed = columnFull = pageUsed = false;
    };
    for (PlacedSheet s : sheets) {
        if (s.Width > pageWidth || s.Height > pageHeight) {
            // Never fits anywhere: alone on a page from its top-left corner.
            newPage();
            s.Page = page;
            s.Alone = true;
            s.X = s.Y = reach;
            placed.push_back(s);
            pageUsed = true;
            newPage();
            continue;
        }
        int64_t top = columnUsed ? y + gap : 0;
        const bool ownColumn = s.What == PlacedSheet::ControlsColumn;
        if (columnUsed && (columnFull || ownColumn || top + s.Height > pageHeight)) {
            x += column + gap;
            top = 0;
            columnUsed = false;
        }
        if (x + s.Width > pageWidth) {
            newPage();
            top = 0;
        }
        s.Page = page;
        s.X = int32_t(x) + reach;
        s.Y = int32_t(top) + reach;
        y = top + s.Height;
        columnUsed = pageUsed = true;
        columnFull = ownColumn;
        placed.push_back(s);
    }
    return placed;
}

bool PrintDescriptionSheets(const CdPrintOptions& o)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !z->CourseMap)
        return false;
    StoreCdPrintSettings(o);
    bool any = false;
    for (int item = 0; item < o.Items.size(); ++item) {
        if (Chosen(o, item) && !CheckCourse(item - 1))
            return false;
        any = any || Chosen(o, item);
    }
    if (!any)
        return false;
    SetStatusText(Text(TextKey::Printing) + QStringLiteral("..."));
    int copies = 1;
    AbortRequested = false;
    if (!StartPrintJob(o.Printer, CurrentMapPath(), false, copies)) {
        ClearStatusText();
        RefreshCoursePreview();
        return false;
    }
    bool ok = false;
    {
        PrintScope scope;
        ScaleDescriptionSymbols(o.BoxSize);
        const int32_t w = PrintSys.HORZSIZE * 100 * UnitsPerHundredthMm;
        const int32_t h = PrintSys.VERTSIZE * 100 * UnitsPerHundredthMm;
        CdPrint.Placed = LayOutSheets(o, w, h);
        CdPrint.Pages = CdPrint.Placed.empty() ? 0 : CdPrint.Placed.back().Page + 1;
        try {
            ok = PrintPages(o, CdPrint.Placed, CdPrint.Pages);
        } catch (...) {
            AbortRequested = true;
            EndPrintJob();
            throw;
        }
        if (!ok)
            AbortRequested = true;
        EndPrintJob();
    }
    ClearStatusText();
    RefreshCoursePreview();
    return ok;
}

void PrintControlDescriptions()
{
    TZmd* z = Index.ActiveZmd;
    course::StoreCsObjectProps();
    if (!z || !z->CourseMap || !EnsureMapSaved())
        return;
    CoursePorts().RunCdPrintDlg();
}

} // namespace zemo
