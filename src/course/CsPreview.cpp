#include "course/CsPreview.h"

#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Element.h"
#include "core/Errors.h"
#include "core/Numeric.h"
#include "core/StringX.h"
#include "course/Courses.h"
#include "course/CsData.h"
#include "course/CsObject.h"
#include "course/CsOptions.h"
#include "course/DescriptionScale.h"
#include "course/Ports.h"
#include "course/Variation.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/Texts.h"
#include "symbols/SymbolMenu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace zemo {

CsPreviewState CsPreview;

void ResetCsPreview()
{
    CsPreview = CsPreviewState{};
}

namespace {

const QChar Tab = QLatin1Char('\t');
constexpr double Pi = std::numbers::pi;
// Horizontal numbers stand this much further out (1.5 mm).
constexpr int32_t NumberSideShift = 150 * UnitsPerHundredthMm;

class KeepIndex {
public:
    KeepIndex() : entry_(Index.CurIndex), number_(Index.CurIndexNo) {}
    ~KeepIndex()
    {
        Index.CurIndex = entry_;
        Index.CurIndexNo = number_;
    }
    KeepIndex(const KeepIndex&) = delete;
    KeepIndex& operator=(const KeepIndex&) = delete;

private:
    ObjectIndexEntry entry_;
    int number_;
};

// The link text the store gives what is appended or saved, for a scope.
class LinkText {
public:
    LinkText(TZmd& z, const QString& text) : z_(z), old_(z.CurrentCourseTag) { z.CurrentCourseTag = text; }
    ~LinkText() { z_.CurrentCourseTag = old_; }
    LinkText(const LinkText&) = delete;
    LinkText& operator=(const LinkText&) = delete;

private:
    TZmd& z_;
    QString old_;
};

int32_t ToUnits(double v)
{
    // Whole 0.01 mm: the low bits of a coordinate are its flags.
    const double hundredths = std::nearbyint(v / UnitsPerHundredthMm);
    return int32_t(std::clamp(hundredths, -8388607.0, 8388607.0)) * UnitsPerHundredthMm;
}

Cord Plain(Cord c)
{
    return {Masked(c.x), Masked(c.y)};
}

Cord Middle(Cord a, Cord b)
{
    return {ToUnits((double(Masked(a.x)) + Masked(b.x)) / 2), ToUnits((double(Masked(a.y)) + Masked(b.y)) / 2)};
}

// An object is shown or hidden by the mark of its index entry (in memory only).
void ShowObject(int n, bool shown)
{
    KeepIndex keep;
    if (!GetIndex(n))
        return;
    if (shown)
        ClearIndexMark(n);
    else
        SetIndexMark(n);
}

// A generated object that belongs to no course: kept in memory only.
void AppendTemporary()
{
    TZmd& z = *Index.ActiveZmd;
    const LinkText none(z, QString());
    if (!StoreGeneratedElement())
        throw EAbort();
}

// The tag stored once per generation.
bool FirstPlacing(const QString& tag)
{
    return CsPreview.Placed.insert(tag).second;
}

void AppendTagged(const QString& tag)
{
    if (FirstPlacing(tag) && !AppendPreviewObject(tag))
        throw EAbort();
}

// The course object of a code, with a defined symbol; its object is left in DrawElement.
bool FindShownObject(const QString& code, PreviewObject& o, int& number)
{
    QString record;
    number = FindCsObjectNumber(code, record);
    if (number <= 0)
        return false;
    SymbolBytes* sym = nullptr;
    if (!GetSymbol(DrawElement.Symbol, sym))
        return false;
    const CsPreviewState& g = CsPreview;
    const int extent = SymI16(*sym, SymExtent);
    o.Exists = true;
    o.Point = Plain(DrawElement.Cords()[0]);
    o.Symbol = DrawElement.Symbol;
    o.Gap = extent + g.LineDistance;
    o.NumberDistance = extent + g.NumberDistance;
    o.Code = code;
    return true;
}

void PlaceNumber(const PreviewObject& p, double outgoing)
{
    CsPreviewState& g = CsPreview;
    const double a = NumberDirection(g.Incoming, outgoing);
    const Cord anchor{p.Point.x + ToUnits(std::nearbyint(p.NumberDistance * std::cos(a)) * UnitsPerHundredthMm),
                      p.Point.y + ToUnits(std::nearbyint(p.NumberDistance * std::sin(a)) * UnitsPerHundredthMm)};
    QString text = QString::number(g.Number++);
    if (g.PrintCodes)
        text += QLatin1Char('-') + p.Code;
    const QString tag = NumberTag(p.Code);
    // The fork of a team variation is passed once per branch: its number stands once.
    if (!FirstPlacing(tag))
        return;
    ElementRecord& e = CurElement;
    InitElement(e, int16_t(ControlNumberSymbol), TextObject, 5, 0, 0);
    std::fill(e.Cords(), e.Cords() + 5, anchor);
    SetElementText8(e, text);
    MeasureTextObject(e);
    const Cord box[4] = {e.Cords()[1], e.Cords()[2], e.Cords()[3], e.Cords()[4]};
    const Cord ref = NumberReference(box, a);
    MoveElement(e, ToUnits(double(anchor.x) - ref.x), ToUnits(double(anchor.y) - ref.y));
    if (!AppendPreviewObject(tag))
        throw EAbort();
}

// The step from the previous object P to this one, Q.
void Connect(const PreviewObject& p, const PreviewObject& q)
{
    CsPreviewState& g = CsPreview;
    const double dx = double(q.Point.x) - p.Point.x, dy = double(q.Point.y) - p.Point.y;
    const double distance = std::hypot(dx, dy);
    // A step onto the same place (a join control met again, a route leaving its control) has
    // no direction of its own: the leg that came in goes on.
    const double angle = distance > 0 ? std::atan2(dy, dx) : g.Incoming;
    ElementRecord& e = CurElement;
    if (g.State == DrawAfterStart && p.Symbol > 0) {
        InitElement(e, int16_t(p.Symbol), PointObject, 1, 0, int16_t(StartTriangleAngle(angle)));
        e.Cords()[0] = p.Point;
        AppendTemporary();
    }
    // A line only where more than 1 mm of it would remain.
    if (distance > (double(p.Gap) + q.Gap - 34) * UnitsPerHundredthMm + 25600) {
        const double ux = dx / distance, uy = dy / distance;
        const double from = (p.Gap - 17) * double(UnitsPerHundredthMm);
        const double to = (q.Gap - 17) * double(UnitsPerHundredthMm);
        InitElement(e, int16_t(ConnectionLineSymbol), LineObject, 2, 0, 0);
        e.Cords()[0] = {ToUnits(p.Point.x + ux * from), ToUnits(p.Point.y + uy * from)};
        e.Cords()[1] = {ToUnits(q.Point.x - ux * to), ToUnits(q.Point.y - uy * to)};
        AppendTagged(LineTag(p.Code, q.Code));
    }
    if (g.State == DrawAfterControl && p.Symbol > 0)
        PlaceNumber(p, angle);
    g.Incoming = angle;
}

// Every course object's map object hidden.
void HideCourseObjects(TZmd& z)
{
    KeepIndex keep;
    for (int i = 0; i < z.CsObjects.Count(); ++i)
        if (IndexFromStIndex(z.CsObjects.GetNumber(i)))
            SetIndexMark(Index.CurIndexNo);
}

void ReadOptions()
{
    const CourseOptions o = CurrentCourseOptions();
    CsPreviewState& g = CsPreview;
    g.PrintCodes = o.PrintCodes;
    g.NumberDistance = int(std::nearbyint(o.NumberDistance * 100));
    g.LineDistance = int(std::nearbyint(o.LineDistance * 100));
}

void StartGeneration(const QString& name)
{
    CsPreviewState& g = CsPreview;
    g.Name = name;
    g.State = DrawNothing;
    g.Previous = {};
    g.Incoming = 0;
    g.Number = g.SavedNumber = 1;
    g.SavedState = DrawNothing;
    g.Placed.clear();
    ReadOptions();
}

// Titles, start numbers and description sheets of a course.
void PlaceCourseTexts(TZmd& z, int course, int leg, int team)
{
    const int title = CurrentCourseOptions().Title;
    for (int i = 0; i < z.CsObjects.Count(); ++i) {
        const QString record = z.CsObjects.Strings(i);
        const int type = CsObjectTypeOf(record);
        if (type != CsDescriptionBox && type != CsCourseTitle && type != CsStartNumber)
            continue;
        if (type == CsStartNumber && team < 1)
            continue;
        int n = 0;
        {
            KeepIndex keep;
            if (!IndexFromStIndex(z.CsObjects.GetNumber(i)))
                continue;
            n = Index.CurIndexNo;
        }
        if (!ReadElement(n, CurElement) || CurElement.nItem == 0)
            continue;
        SymbolBytes* sym = nullptr;
        if (!GetSymbol(CurElement.Symbol, sym))
            continue;
        if (type == CsDescriptionBox) {
            const bool text = GetParamText(record, QLatin1Char('o')) == QLatin1String("t");
            CoursePorts().BuildPreviewSheet(course, leg, team, text, Plain(CurElement.Cords()[0]));
            continue;
        }
        SetElementText8(CurElement, type == CsCourseTitle ? CourseTitleText(course, title)
                                                          : QString::number(team) + QLatin1Char('.') + QString::number(leg));
        AppendTemporary();
    }
}

// The index and symbols read back from the working file, which drops every generated object
// and the symbols' scaling. Deleted objects stay deleted in memory: read back as free entries,
// their records would be taken by the next objects stored, and undo would bring those back.
void ReadIndexBack(TZmd& z)
{
    std::vector<std::pair<int, ObjectIndexEntry>> deleted;
    for (int n = 1; n <= z.HighestObject; ++n)
        if (z.Entry(n).Symbol == DeletedSymbol)
            deleted.emplace_back(n, z.Entry(n));
    ReindexFromFile();
    for (const auto& [n, e] : deleted)
        if (n <= z.BlockCount() * 256)
            z.Entry(n) = e;
    CsBox.BoxSize = StandardBoxUnits;
    // What the preview wrote is given back, unless the user kept something of it.
    if (z.PreviewTail > 0) {
        ReleaseFileTail(z.PreviewTail);
        z.PreviewTail = 0;
    }
}

// A start right before the end: the generator drew nothing for it.
void ShowLoneStart(int startObject)
{
    if (CsPreview.State == DrawAfterStart && startObject > 0)
        ShowObject(startObject, true);
}

} // namespace

QString LineTag(const QString& from, const QString& to)
{
    return Tab + QLatin1Char('f') + from + Tab + QLatin1Char('t') + to;
}

QString NumberTag(const QString& code)
{
    return Tab + QLatin1Char('d') + code;
}

double NumberDirection(double incoming, double outgoing)
{
    double a = (incoming + outgoing) / 2 + Pi / 2;
    // Beside a straight leg the product is 0 but for rounding: the number stays on the left.
    if (std::cos(a) * std::cos(outgoing) + std::sin(a) * std::sin(outgoing) > 1e-9)
        a += Pi;
    return a;
}

Cord NumberReference(const Cord box[4], double direction)
{
    const double s = std::sin(direction), c = std::cos(direction);
    const Cord bottomLeft = Plain(box[0]), bottomRight = Plain(box[1]), topRight = Plain(box[2]),
               topLeft = Plain(box[3]);
    if (c > -0.5 && c < 0.5)
        return s > 0 ? Middle(bottomLeft, bottomRight) : Middle(topLeft, topRight);
    if (c >= 0.5) {
        if (s >= 0.5)
            return bottomLeft;
        if (s <= -0.5)
            return topLeft;
        const Cord m = Middle(bottomLeft, topLeft);
        return {m.x - NumberSideShift, m.y};
    }
    if (s >= 0.5)
        return bottomRight;
    if (s <= -0.5)
        return topRight;
    const Cord m = Middle(bottomRight, topRight);
    return {m.x + NumberSideShift, m.y};
}

int StartTriangleAngle(double direction)
{
    return int(std::nearbyint(direction * 1800 / Pi)) - 900;
}

void SetElementText8(ElementRecord& e, const QString& text)
{
    const QByteArray bytes = EncodeCodePage(1252, text);
    const size_t room = ElementSlotCapacity - std::min<size_t>(e.nItem, ElementSlotCapacity);
    const size_t slots = std::min<size_t>({size_t(bytes.size()) / 8 + 1, size_t(MaxElementTextSlots), room});
    e.Flags &= uint8_t(~ElementUtf16Flag);
    e.nText = uint16_t(slots);
    uint8_t* t = e.TextBytes();
    std::memset(t, 0, slots * 8);
    std::memcpy(t, bytes.constData(), std::min(size_t(bytes.size()), slots * 8 - 1));
}

QString CourseTitleText(int course, int mode)
{
    const TZmd* z = Index.ActiveZmd;
    if (!z || course < 0 || course >= z->Courses.Count())
        return {};
    const QString name = GetParamName(z->Courses.Strings(course));
    QStringList classes;
    for (int i = 0; i < z->Classes.Count(); ++i)
        if (ClassCourse(z->Classes.Strings(i)) == name)
            classes << GetParamName(z->Classes.Strings(i));
    const QString lineEnd = QStringLiteral("\r\n");
    if (mode == TitleAuto)
        return classes.isEmpty() ? name : classes.join(lineEnd);
    if (mode == TitleBoth)
        return (QStringList{name} + classes).join(lineEnd);
    return name;
}

bool AppendPreviewObject(const QString& tag)
{
    TZmd& z = *Index.ActiveZmd;
    const QString link = CsPreview.Name + tag;
    const QString fresh = QLatin1Char('~') + link;
    std::vector<int> found;
    for (int i = 0; i < z.CsObjectLinks.Count(); ++i)
        if (const QString& s = z.CsObjectLinks.Strings(i); s == link || s == fresh)
            found.push_back(i);
    if (!found.empty()) {
        const bool number = tag.startsWith(Tab + QLatin1Char('d'));
        QString text;
        if (CurElement.nText > 0 && !(CurElement.Flags & ElementUtf16Flag))
            text = DecodeCodePage(1252, reinterpret_cast<const char*>(CurElement.TextBytes()),
                                  qsizetype(strnlen(reinterpret_cast<const char*>(CurElement.TextBytes()),
                                                    size_t(CurElement.nText) * 8)));
        const bool hasText = CurElement.nText > 0;
        bool shown = false;
        for (size_t k = found.size(); k-- > 0;) {
            const int s = z.CsObjectLinks.GetNumber(found[k]);
            int n = 0;
            {
                KeepIndex keep;
                if (IndexFromStIndex(s))
                    n = Index.CurIndexNo;
            }
            // A link whose object has gone (a damaged map) would stop every preview of its
            // course: it goes, and the others are used.
            if (n == 0 || (number && shown)) {
                if (n != 0) {
                    KeepIndex keep;
                    GetIndex(n);
                    EraseIndexEntry(n);
                }
                ClearPString(s);
                z.CsObjectLinks.Delete(found[k]);
                continue;
            }
            ShowObject(n, true);
            z.TaggedObjects.push_back(n);
            shown = true;
            if (hasText) {
                if (!ReadElement(n, CurElement))
                    return false;
                SetElementText8(CurElement, text);
                const LinkText kept(z, link);
                if (!SaveElement(n))
                    return false;
            }
        }
        if (shown)
            return true;
    }
    const LinkText generated(z, fresh);
    return StoreGeneratedElement();
}

bool StoreGeneratedElement()
{
    TZmd& z = *Index.ActiveZmd;
    if (z.PreviewTail == 0)
        z.PreviewTail = z.WorkFile.Size();
    return AppendElement();
}

void EndPreview()
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    KeepIndex keep;
    for (int i = z->CsObjectLinks.Count(); i-- > 0;) {
        const QString& text = z->CsObjectLinks.Strings(i);
        const int s = z->CsObjectLinks.GetNumber(i);
        const bool exists = IndexFromStIndex(s);
        if (text.startsWith(QLatin1Char('~'))) {
            // Outside a preview an untouched link is left over from a map saved during one:
            // its object was never written, and its number may belong to another object now.
            if (exists && z->CoursePreviewOn)
                EraseIndexEntry(Index.CurIndexNo);
            ClearPString(s);
            z->CsObjectLinks.Delete(i);
        } else if (exists) {
            SetIndexMark(Index.CurIndexNo);
        } else {
            // A kept link whose object has gone: its number would be taken by the next
            // object stored, which the preview would then take for the kept one.
            ClearPString(s);
            z->CsObjectLinks.Delete(i);
        }
    }
    z->TaggedObjects.clear();
}

void DropGeneratedObjects()
{
    if (!Index.ActiveZmd)
        return;
    EndPreview();
    ReadIndexBack(*Index.ActiveZmd);
}

int RemoveLeftPreviewObjects()
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !z->CourseMap || z->CoursePreviewOn)
        return 0;
    // Hidden: stored with the course-only mark.
    const auto generated = [](const ObjectIndexEntry& e) {
        if (e.Length == 0 || int16_t(e.Symbol) <= 0 || !(e.Symbol & CourseOnlyMark))
            return false;
        const int symbol = e.Symbol & ~CourseOnlyMark;
        return symbol == ConnectionLineSymbol || symbol == ControlNumberSymbol || symbol == ControlCodeSymbol;
    };
    KeepIndex keep;
    int removed = 0;
    // A preview that never ended (a save or a crash during it) left its untouched objects.
    for (int i = z->CsObjectLinks.Count(); i-- > 0;) {
        if (!z->CsObjectLinks.Strings(i).startsWith(QLatin1Char('~')))
            continue;
        const int s = z->CsObjectLinks.GetNumber(i);
        if (IndexFromStIndex(s) && generated(Index.CurIndex)) {
            EraseIndexEntry(Index.CurIndexNo);
            ++removed;
        }
        ClearPString(s);
        z->CsObjectLinks.Delete(i);
    }
    std::set<int> linked;
    for (int i = 0; i < z->CsObjectLinks.Count(); ++i)
        if (IndexFromStIndex(z->CsObjectLinks.GetNumber(i)))
            linked.insert(Index.CurIndexNo);
    for (int n = 1; n <= z->HighestObject; ++n)
        if (generated(z->Entry(n)) && !linked.contains(n) && GetIndex(n)) {
            EraseIndexEntry(n);
            ++removed;
        }
    return removed;
}

bool GeneratePreview(int course, int leg, int team)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || course < 0 || course >= z->Courses.Count())
        return false;
    const UndoSuspend noUndo;
    const LinkText none(*z, QString());
    CsPreviewState& g = CsPreview;
    try {
        HideCourseObjects(*z);
        const QString text = z->Courses.Strings(course);
        StartGeneration(GetParamName(text));
        const QString expansion = ExpandCourseText(text, leg, team);
        int startObject = 0;
        for (const QString& field : expansion.split(Tab, Qt::SkipEmptyParts)) {
            const QChar letter = field.at(0);
            if (letter == u'h') {
                g.SavedNumber = g.Number;
                g.SavedState = g.State;
            } else if (letter == u'i') {
                g.Number = g.SavedNumber;
                g.State = g.SavedState;
                // Without a fork control a branch starts on its own.
                g.Previous.Exists = false;
            }
            PreviewObject o;
            int n = 0;
            if (!FindShownObject(field.mid(1), o, n))
                continue;
            const Cord end = Plain(DrawElement.Cords()[DrawElement.nItem - 1]);
            switch (letter.unicode()) {
            case u's':
                if (g.Previous.Exists)
                    Connect(g.Previous, o);
                g.State = DrawAfterStart;
                startObject = n;
                break;
            case u'c':
            case u'f':
            case u'm':
                ShowObject(n, true);
                if (g.Previous.Exists)
                    Connect(g.Previous, o);
                g.State = letter == u'm' ? DrawAfterRoute : DrawAfterControl;
                break;
            case u'j':
                if (g.Previous.Exists)
                    Connect(g.Previous, o);
                g.State = DrawAfterJoin;
                break;
            case u'h':
            case u'i':
                break;
            default:
                continue;
            }
            o.Point = end;
            g.Previous = o;
        }
        ShowLoneStart(startObject);
        PlaceCourseTexts(*z, course, leg, team);
    } catch (const EAbort&) {
        return false;
    }
    return true;
}

bool PreviewAllControls()
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return false;
    const UndoSuspend noUndo;
    const LinkText none(*z, QString());
    StartGeneration(AllControlsName);
    struct Code {
        QString code;
        Cord at;
    };
    std::vector<Code> codes;
    for (int i = 0; i < z->CsObjects.Count(); ++i) {
        const QString record = z->CsObjects.Strings(i);
        int n = 0;
        {
            KeepIndex keep;
            if (!IndexFromStIndex(z->CsObjects.GetNumber(i)))
                continue;
            n = Index.CurIndexNo;
        }
        const int type = CsObjectTypeOf(record);
        const bool shown = type == CsStart || type == CsControl || type == CsFinish || type == CsMarkedRoute;
        ShowObject(n, shown);
        const QString code = CsObjectCode(record);
        if (!shown || code.isEmpty() || !ReadElement(n, DrawElement) || DrawElement.ObjectType != PointObject
            || DrawElement.nItem == 0)
            continue;
        SymbolBytes* sym = nullptr;
        GetSymbol(DrawElement.Symbol, sym);
        const int32_t shift = ToUnits(std::nearbyint(SymI16(*sym, SymExtent) * 0.7) * UnitsPerHundredthMm);
        const Cord p = Plain(DrawElement.Cords()[0]);
        codes.push_back({code, {p.x + shift, p.y + shift}});
    }
    try {
        for (const Code& c : codes) {
            ElementRecord& e = CurElement;
            InitElement(e, int16_t(ControlCodeSymbol), TextObject, 5, 0, 0);
            std::fill(e.Cords(), e.Cords() + 5, c.at);
            SetElementText8(e, c.code);
            AppendTagged(NumberTag(c.code));
        }
    } catch (const EAbort&) {
        return false;
    }
    return true;
}

namespace course {

bool PreviewAllows(int n)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !z->CoursePreviewOn)
        return true;
    if (std::find(z->TaggedObjects.begin(), z->TaggedObjects.end(), n) == z->TaggedObjects.end())
        return false;
    KeepIndex keep;
    for (int i = 0; i < z->CsObjectLinks.Count(); ++i)
        if (IndexFromStIndex(z->CsObjectLinks.GetNumber(i)) && Index.CurIndexNo == n) {
            QString text = z->CsObjectLinks.Strings(i);
            if (text.startsWith(QLatin1Char('~')))
                text.remove(0, 1);
            z->CurrentCourseTag = text;
            break;
        }
    return true;
}

bool EndCoursePreview()
{
    TZmd* z = CourseSettingMap();
    if (!z || !z->CoursePreviewOn || CsPreview.Refreshing)
        return false;
    const uint8_t modified = z->Modified;
    DropSelection();
    z->CurrentCourseTag.clear();
    DropGeneratedObjects();
    z->CoursePreviewOn = 0;
    z->Modified = modified;
    return true;
}

void RefreshCoursePreview()
{
    TZmd* z = CourseSettingMap();
    CsPreviewState& g = CsPreview;
    if (!z || g.Refreshing)
        return;
    // The preview shows the description as typed.
    course::StoreCsObjectProps();
    g.Refreshing = true;
    // Showing a course is no change of the map.
    const uint8_t modified = z->Modified;
    EditPortSet& edit = EditPorts();
    const bool busy = edit.CommandBusy();
    edit.SetCommandBusy(true);
    DropSelection();
    z->CurrentCourseTag.clear();
    EndPreview();
    if (z->CoursePreviewOn)
        ReadIndexBack(*z);
    if (CourseTabVisible() && g.ButtonDown && CheckCourse(z->CurrentCourse)) {
        z->CoursePreviewOn = 1;
        ScaleDescriptionSymbols(CurrentCourseOptions().BoxSize);
        if (z->CurrentCourse >= 0)
            GeneratePreview(z->CurrentCourse, 0, 0);
        else
            PreviewAllControls();
    } else {
        z->CoursePreviewOn = 0;
        g.ButtonDown = false;
        if (z->SymbolCount() > 1)
            SetCurrentSymbolPos(0);
    }
    if (Work.ActiveView)
        UpdateViewOf(*Work.ActiveView);
    // The placing tools of other ranges do not survive a new picture.
    switch (ProgramConfig.WorkMode) {
    case WorkModes::PrintRange:
    case WorkModes::CourseRange:
    case WorkModes::PartialMap:
    case WorkModes::TemplateAdjust:
    case WorkModes::GpsAdjust:
        ProgramConfig.WorkMode = WorkModes::EditPoint;
        break;
    default:
        break;
    }
    RedrawMapWindows();
    z->Modified = modified;
    edit.SetCommandBusy(busy);
    g.Refreshing = false;
    CoursePorts().CoursesChanged();
}

} // namespace course

} // namespace zemo
