#include "course/CsPrint.h"

#include "core/Config.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "course/CourseEdit.h"
#include "course/Courses.h"
#include "course/CsOptions.h"
#include "course/CsPreview.h"
#include "course/DescriptionScale.h"
#include "course/Ports.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/Ports.h"
#include "io/Export.h"
#include "io/Print.h"
#include "io/PrintSys.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"
#include "symbols/SymbolMenu.h"

#include <algorithm>
#include <cmath>

namespace zemo {

CsPrintState CsPrt;

namespace {

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

QString PrintSettings(const TZmd& z)
{
    const int slot = MapSettingsSlot(PrintSettingsType);
    return slot >= 0 ? z.MapSettings[size_t(slot)] : QString();
}

// The map's folder and the course's name: the job's name, and the proposed file name.
QString JobName(const QString& courseName)
{
    const QString path = CurrentMapPath();
    const QString folder = path.isEmpty() ? GetProgramFolder() + u'/' + Text(TextKey::Untitled)
                                          : path.left(path.size() - ExtractFileName(path).size());
    return folder + SafeFileNamePart(courseName) + QStringLiteral(".prn");
}

// Ends the job in every case; aborted when a page failed or Esc was pressed.
struct JobCloser {
    bool failed = false;
    ~JobCloser()
    {
        if (failed)
            AbortRequested = true;
        EndPrintJob();
        Graph.Mirror = false;
    }
};

} // namespace

void ResetCsPrintUnit()
{
    CsPrt = CsPrintState{};
}

bool ParseStartNumbers(const QString& text, int& from, int& to)
{
    const qsizetype dash = text.indexOf(u'-');
    int a = 0, b = 0;
    if (dash < 0) {
        if (!TryTrimStrToInt(text, a))
            return false;
        b = a;
    } else if (!TryTrimStrToInt(text.left(dash), a) || !TryTrimStrToInt(text.mid(dash + 1), b)) {
        return false;
    }
    from = a;
    to = b;
    return true;
}

bool ForEachCourseJob(int entry, const CheckedCourse& relay, const CsLegChoice& choice,
                      const std::function<bool(const CsPrintJob&)>& visit)
{
    if (entry == 0 || !IsRelay(relay.Kind))
        return visit({entry, 0, 0});
    int firstLeg = 1, lastLeg = relay.Legs;
    if (!choice.AllLegs) {
        if (choice.Leg < 1 || choice.Leg > relay.Legs)
            return true;
        firstLeg = lastLeg = choice.Leg;
    }
    int first = relay.FirstStart, last = relay.LastStart;
    if (!choice.AllNumbers) {
        int a = 0, b = 0;
        if (!ParseStartNumbers(choice.Numbers, a, b))
            return true;
        first = std::max(first, a);
        last = std::min(last, b);
    }
    for (int leg = firstLeg; leg <= lastLeg; ++leg)
        for (int t = first; t <= last; ++t)
            if (!visit({entry, leg, t}))
                return false;
    return true;
}

bool ForEachPrintJob(std::span<const CheckedEntry> entries, const CsLegChoice& choice,
                     const std::function<bool(const CsPrintJob&)>& visit)
{
    for (const CheckedEntry& e : entries)
        if (!ForEachCourseJob(e.Entry, e.Course, choice, visit))
            return false;
    return true;
}

CsPrintOptions CsPrintDialogOptions()
{
    CsPrintOptions o;
    TZmd& z = *Index.ActiveZmd;
    o.Printers = PrinterList();
    o.Printer = DefaultPrinterIndex();
    const qsizetype kept = o.Printers.indexOf(ProgramConfig.PrintPrinter);
    if (kept >= 0)
        o.Printer = int(kept);
    SetupRecord& s = z.Setup;
    o.MapScale = s.MapScale;
    o.PrintScale = s.PrintScale > 0 ? s.PrintScale : s.MapScale;
    o.Copies = std::clamp(CsPrt.Copies, MinPrintCopies, MaxPrintCopies);
    o.Entries = CourseListItems();
    o.Selected.assign(size_t(o.Entries.size()), false);
    if (CsPrt.SelectionKept && CsPrt.Selected.size() == o.Selected.size()) {
        o.Selected = CsPrt.Selected;
    } else {
        const bool coursesShown = CourseTabVisible() && CsCourses.Page == CsCoursesPage;
        const int entry = coursesShown ? z.CurrentCourse + 1 : 0;
        o.Selected[size_t(std::clamp<qsizetype>(entry, 0, o.Entries.size() - 1))] = true;
    }
    o.Range = InRange(CsPrt.Range, CsEntireMap, CsCourseAlone) ? CsPrt.Range : CsEntireMap;
    o.Intensity = InRange(s.PrintIntensity, MinPrintIntensity, MaxPrintIntensity) ? s.PrintIntensity : 100;
    o.LineWidth = InRange(s.PrintLineWidth, MinPrintLineWidth, MaxPrintLineWidth) ? s.PrintLineWidth : 100;
    o.Grid = s.PrintGrid;
    o.GridColor = s.PrintGridColor;
    o.Relay = z.CourseMap != 0;
    o.Legs = CsPrt.Legs;
    return o;
}

void SaveCsPrintOptions(const CsPrintOptions& o)
{
    CsPrt.Copies = o.Copies;
    CsPrt.Selected = o.Selected;
    CsPrt.SelectionKept = true;
    CsPrt.Range = o.Range;
    CsPrt.Legs = o.Legs;
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    StorePrintSetup(z->Setup, o.PrintScale, o.Intensity, o.LineWidth, o.Grid, o.GridColor);
    if (o.Printer >= 0 && o.Printer < o.Printers.size()) {
        ProgramConfig.PrintPrinter = o.Printers[o.Printer];
        WriteConfig();
    }
}

void PrintCourseSetting()
{
    if (!Index.ActiveZmd)
        return;
    CsPrintOptions o = CsPrintDialogOptions();
    if (CoursePorts().RunCsPrintDialog(o))
        PrintCourses(o);
}

void PrintCourses(const CsPrintOptions& o)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !ConfirmHiddenSymbols())
        return;
    // Printing draws the course preview, not the whole course-setting map.
    z->CoursePreviewOn = 1;
    std::vector<CheckedEntry> checked;
    bool passed = true;
    for (int i = 0; i < int(o.Selected.size()) && passed; ++i)
        if (o.Selected[size_t(i)]) {
            passed = CheckCourse(i - 1);
            if (passed)
                checked.push_back({i, CsData.Checked});
        }
    if (passed) {
        const double box = CurrentCourseOptions().BoxSize;
        ForEachPrintJob(checked, o.Legs, [&](const CsPrintJob& j) {
            DropGeneratedObjects();
            ScaleDescriptionSymbols(box);
            // A job stopped by Esc stops only itself.
            AbortRequested = false;
            const bool built = j.Entry == 0 ? PreviewAllControls() : GeneratePreview(j.Entry - 1, j.Leg, j.StartNumber);
            const QString name = j.Entry == 0 ? Text(TextKey::AllControls) : GetParamName(z->Courses.Strings(j.Entry - 1));
            if (built)
                PrintCourseJob(o, name);
            return true;
        });
    }
    course::RefreshCoursePreview();
}

bool PrintCourseJob(const CsPrintOptions& o, const QString& courseName)
{
    int copies = std::clamp(o.Copies, MinPrintCopies, MaxPrintCopies);
    if (!StartPrintJob(o.Printer, JobName(courseName), false, copies))
        return false;
    SavedOutputState saved;
    JobCloser closer;
    const SetupRecord& s = *Stp();
    const CourseOnlySettings alone = ReadCourseOnlySettings(PrintSettings(*Index.ActiveZmd));
    // The course alone: no templates, the map is on the sheet already.
    Graph.OutputColorMode = o.Range != CsCourseAlone ? CompositeColors : alone.Black ? OwnColorsBlack : OwnColorsOnly;
    CountPrintBands();
    Prt.BandCounter = 0;
    Prt.Intensity = std::clamp(o.Intensity, MinPrintIntensity, MaxPrintIntensity);
    Prt.Grid = o.Grid;
    Prt.CurrentSeparation = -1;
    bool ok = false;
    if (o.Range == CsCourseAlone) {
        const CourseOnlyFactors f =
            CourseOnlyFactorsOf(CourseOnlyPercent(alone.HorScale), CourseOnlyPercent(alone.VerScale), s);
        double scaleY = -(PrintSys.LOGPIXELSY * f.Y / 2540 / 256);
        if (alone.Mirror) {
            scaleY = -scaleY;
            Graph.Mirror = true;
        }
        const Cord centre = CourseOnlyPageCentre(s.PrintRange, f, PrintSys.HORZSIZE, PrintSys.VERTSIZE);
        ok = PrintOnePageAt(centre, PrintSys.LOGPIXELSX * f.X / 2540 / 256, scaleY, copies);
    } else {
        ok = PrintRectPages(o.Range == CsPartialMap, copies);
    }
    closer.failed = !ok;
    return ok;
}

} // namespace zemo
