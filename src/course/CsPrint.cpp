#include "course/CsPrint.h"

#include "core/Config.h"
#include "core/FieldChecks.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "course/CourseEdit.h"
#include "course/CsObject.h"
#include "course/Courses.h"
#include "course/CsOptions.h"
#include "course/CsPreview.h"
#include "course/DescriptionScale.h"
#include "course/Ports.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/ServiceHooks.h"
#include "edit/Ports.h"
#include "io/Export.h"
#include "io/Print.h"
#include "io/PrintSys.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"
#include "symbols/SymbolMenu.h"

#include <QFileInfo>

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

// A course without a start or a finish prints only when the user says so.
bool PrintIncompleteCourse(const QString& record)
{
    const QStringList missing = CourseEndsMissing(record);
    if (missing.isEmpty())
        return true;
    return OkCancelMsg(TextKey::PrintIncomplete,
                       Text(TextKey::Course) + QStringLiteral(": ") + GetParamName(record) + QStringLiteral("\r\n")
                           + missing.join(u' '),
                       CsPrintHelpContext)
           == IdOk;
}

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
    o.Printer = OpeningPrinterIndex(ProgramConfig.PrintPrinter);
    const SetupRecord& s = z.Setup;
    o.MapScale = s.MapScale;
    o.PrintScale = ShownPrintScale(s);
    o.Copies = std::clamp(CsPrt.Copies, MinPrintCopies, MaxPrintCopies);
    o.Entries = CourseListItems();
    o.Selected.assign(size_t(o.Entries.size()), false);
    const bool coursesShown = CourseTabVisible() && CsCourses.Page == CsCoursesPage;
    if (coursesShown) {
        o.Selected[size_t(std::clamp<qsizetype>(z.CurrentCourse + 1, 0, o.Entries.size() - 1))] = true;
    } else if (CsPrt.SelectionKept && !o.Selected.empty()) {
        o.Selected[0] = CsPrt.AllControlsKept;
        for (int i = 0; i < z.Courses.Count() && i + 1 < o.Entries.size(); ++i)
            o.Selected[size_t(i + 1)] = CsPrt.CoursesKept.contains(GetParamName(z.Courses.Strings(i)), Qt::CaseInsensitive);
    }
    if (!o.Selected.empty() && std::find(o.Selected.begin(), o.Selected.end(), true) == o.Selected.end())
        o.Selected[0] = true;
    o.Range = InRange(CsPrt.Range, CsEntireMap, CsCourseAlone) ? CsPrt.Range : CsEntireMap;
    o.Intensity = ShownIntensity(s);
    o.LineWidth = ShownLineWidth(s);
    o.Grid = s.PrintGrid;
    o.GridColor = s.PrintGridColor;
    o.Relay = z.CourseMap != 0;
    o.Legs = CsPrt.Legs;
    return o;
}

void SaveCsPrintOptions(const CsPrintOptions& o)
{
    CsPrt.Copies = o.Copies;
    CsPrt.SelectionKept = true;
    CsPrt.AllControlsKept = !o.Selected.empty() && o.Selected[0];
    CsPrt.CoursesKept.clear();
    CsPrt.Range = o.Range;
    CsPrt.Legs = o.Legs;
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    for (int i = 0; i < z->Courses.Count() && size_t(i + 1) < o.Selected.size(); ++i)
        if (o.Selected[size_t(i + 1)])
            CsPrt.CoursesKept.append(GetParamName(z->Courses.Strings(i)));
    StorePrintSetup(o.PrintScale, o.Intensity, o.LineWidth, o.Grid, o.GridColor);
    if (o.Printer >= 0 && o.Printer < o.Printers.size()) {
        ProgramConfig.PrintPrinter = o.Printers[o.Printer];
        WriteConfig();
    }
}

bool ConfirmPrintScale(const CsPrintOptions& o)
{
    const TZmd* z = Index.ActiveZmd;
    if (!z || std::fabs(o.PrintScale - o.MapScale) < 0.5)
        return true;
    const QString path = DocumentPath(z);
    QString file;
    if (!path.isEmpty()) {
        const QFileInfo info(path);
        file = info.canonicalFilePath();
        if (file.isEmpty())
            file = info.absoluteFilePath();
    }
    const CsPrintState::AgreedScale asked{file, o.PrintScale, o.MapScale};
    if (!file.isEmpty()
        && std::find(CsPrt.ScalesAgreed.begin(), CsPrt.ScalesAgreed.end(), asked) != CsPrt.ScalesAgreed.end())
        return true;
    const QString both = QStringLiteral("1:") + ScaleComboText(o.PrintScale) + u';' + QStringLiteral("1:")
                         + ScaleComboText(o.MapScale);
    if (OkCancelMsg(TextKey::PrintScaleDiffers, both, CsPrintHelpContext) != IdOk)
        return false;
    if (!file.isEmpty())
        CsPrt.ScalesAgreed.push_back(asked);
    return true;
}

void PrintCourseSetting()
{
    if (!Index.ActiveZmd)
        return;
    course::StoreCsObjectProps();
    CsPrintOptions o = CsPrintDialogOptions();
    bool chosen = false;
    {
        const PaintsBehindDialog painted;
        chosen = CoursePorts().RunCsPrintDialog(o);
    }
    if (chosen)
        PrintCourses(o);
}

void PrintCourses(const CsPrintOptions& o)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !ConfirmHiddenSymbols())
        return;
    // Printing changes nothing in the map.
    const uint8_t modified = z->Modified;
    // Printing draws the course preview, not the whole course-setting map.
    z->CoursePreviewOn = 1;
    std::vector<CheckedEntry> checked;
    bool passed = true;
    for (int i = 0; i < int(o.Selected.size()) && passed; ++i)
        if (o.Selected[size_t(i)]) {
            passed = CheckCourse(i - 1) && (i == 0 || PrintIncompleteCourse(z->Courses.Strings(i - 1)));
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
            if (built)
                PrintCourseJob(o, CourseJobName(j));
            return true;
        });
    }
    course::RefreshCoursePreview();
    z->Modified = modified;
}

QString CourseJobName(const CsPrintJob& j)
{
    const TZmd* z = Index.ActiveZmd;
    if (j.Entry == 0 || !z || j.Entry > z->Courses.Count())
        return Text(TextKey::AllControls);
    const QString name = GetParamName(z->Courses.Strings(j.Entry - 1));
    // As the relay start number on the page: team "." leg.
    return j.Leg > 0 ? name + u' ' + QString::number(j.StartNumber) + u'.' + QString::number(j.Leg) : name;
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
