// Course-setting records as a map file may hold them, arbitrary: course objects, courses,
// classes and links, one a line ("1", "2", "3" or "7" and the record's text), added to a small
// course-setting map. Then the course objects are sorted, every course checked, rebuilt,
// expanded for every leg of a few teams and for all branches, and every course object renamed.
// Nothing may hang, overflow or read outside its text; the lists keep the store's text, the
// code list follows the sorted list, a rebuild keeps the control sequence, and a renamed code
// is named by no course any more. Every course has a length for each leg and team. Control
// statistics count every start and control: never below zero, and a course is listed once per
// pass it counts. Description sheets of every course measure the same twice and store nothing
// while measuring; a column of all controls always moves on; a line "9" is the settings string
// of the description printing, whose title and box size read back as they were stored. Every
// course is generated as its preview and as a relay's printout would ask, and all controls:
// afterwards no generated object is shown and no untouched link is left.
#include "FuzzScratch.h"

#include "core/Messages.h"
#include "core/StringX.h"
#include "course/CdPrint.h"
#include "course/CourseOnly.h"
#include "course/CsPrint.h"
#include "io/Print.h"
#include "course/CdSheets.h"
#include "course/CourseEdit.h"
#include "course/CsOptions.h"
#include "course/CsData.h"
#include "course/CsLength.h"
#include "course/CsObject.h"
#include "course/CsPreview.h"
#include "course/CsStat.h"
#include "course/Variation.h"
#include "document/Index.h"
#include "document/Open.h"

#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

using namespace zemo;

constexpr const char* Target = "course_text";

[[noreturn]] void Fail(const char* why) { fuzz::Fail(Target, why); }

// A course-setting map with a start, a control and a finish symbol and an object of each.
test::TestMapWriter BaseMap()
{
    test::TestMapWriter w(8);
    w.fileType = 3;
    const auto course = [](test::TestSymbol s, int type) {
        s.csRole = CsRoleCourse;
        s.csType = uint8_t(type);
        return s;
    };
    w.symbols = {course(test::TestSymbol::Point(7010), CsStart), course(test::TestSymbol::Point(7020), CsControl),
                 course(test::TestSymbol::Point(7030), CsFinish), test::TestSymbol::Point(100)};
    w.objects = {test::TestObject::Point(7010, 0, 0), test::TestObject::Point(7020, 25600, 0),
                 test::TestObject::Point(7020, 0, 25600), test::TestObject::Point(7030, 25600, 25600)};
    return w;
}

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_course_text";
        static char* argv[] = {name, nullptr};
        static QGuiApplication app(argc, argv);
        return fuzz::SetUpMaps(Target, BaseMap());
    }();
    return scratch;
}

// The input's lines as 8-bit texts the store keeps as they are: no NUL, ASCII only.
QStringList Lines(const uint8_t* data, size_t size)
{
    QString text;
    text.reserve(qsizetype(size));
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        text += b == 0 ? QChar(u' ') : b >= 0x80 ? QChar(char16_t(u'a' + b % 26)) : QChar(char16_t(b));
    }
    return text.split(QLatin1Char('\n'));
}

void ExpectListsEqualStore(const TZmd& z)
{
    for (const TNumStringList* list : {&z.CsObjects, &z.Courses, &z.Classes, &z.CsObjectLinks})
        for (int i = 0; i < list->Count(); ++i)
            if (ReadPString(list->GetNumber(i)) != list->Strings(i))
                Fail("a list holds another text than the store");
}

// The fields of a course's control sequence, in order (empty fields left out).
QStringList Sequence(const QString& course)
{
    QStringList out;
    const QStringList fields = course.split(QLatin1Char('\t'));
    for (qsizetype i = 1; i < fields.size(); ++i)
        if (!fields[i].isEmpty() && fields[i].at(0) >= QLatin1Char('a'))
            out.append(fields[i]);
    return out;
}

// The panel's diagram and every edit at every caret of a course: carets stay on field
// starts, nothing but the edited field or variation changes, a cancelled removal changes
// nothing.
void EditAtEveryCaret(const QString& course)
{
    for (QPoint click : {QPoint(0, 0), QPoint(30, 30), QPoint(200, 90), QPoint(CaretEndClick, CaretEndClick)}) {
        const CourseDiagram d = LayoutCourse(course, click);
        if (ValidCaret(course, d.Caret) != d.Caret || d.CaretLegCount < 1)
            Fail("the layout's caret is no field start");
    }
    std::vector<int> carets;
    for (qsizetype i = 0; i < course.size() && carets.size() < 48; ++i)
        if (course.at(i) == QLatin1Char('\t'))
            carets.push_back(int(i) + 1);
    carets.push_back(CaretAtEnd(course));
    for (int caret : carets) {
        const CourseDiagram d = LayoutCourseAtCaret(course, caret);
        if (d.Caret != caret && ValidCaret(course, d.Caret) != d.Caret)
            Fail("the layout lost the given caret");
        QString text = course;
        int at = caret;
        const QString field = QStringLiteral("\tc99");
        if (InsertCourseField(text, at, field) ? text.size() != course.size() + field.size() : text != course)
            Fail("an insertion changed more than its field");
        if (ValidCaret(text, at) != at)
            Fail("the caret after an insertion is no field start");
        text = course;
        at = caret;
        bool asked = false;
        const RemoveResult cancelled = RemoveCourseField(text, at, [&asked] {
            asked = true;
            return false;
        });
        if (asked && (cancelled != RemoveResult::Cancelled || text != course))
            Fail("a cancelled removal changed the course");
        text = course;
        at = caret;
        const RemoveResult r = RemoveCourseField(text, at, [] { return true; });
        if ((r == RemoveResult::Removed) == (text == course) || text.size() > course.size()
            || ValidCaret(text, at) != at)
            Fail("a removal changed the course wrongly");
        if (CanInsertVariation(course, caret)) {
            text = course;
            at = caret;
            InsertCourseVariation(text, at, DefaultLegVariation(d.CaretLegs.left(40)));
            if (ValidCaret(text, at) != at)
                Fail("the caret after a variation is no field start");
        }
    }
}

// Every course's sheets for a few legs and teams, measured only, and the sheets of all
// controls in columns of a few heights; then the printing settings read and stored again.
void MeasureSheets(const TZmd& z)
{
    const int highest = z.HighestObject;
    for (int c = 0; c < z.Courses.Count(); ++c)
        for (int leg : {0, 1, 3})
            for (int team : {0, 1, 32767}) {
                const SheetRequest r{c, leg, team, QStringLiteral("T")};
                const int32_t h = SymbolSheet(r, false, {});
                const SheetExtent e = TextSheet(r, false, {});
                if (h <= 0 || h != SymbolSheet(r, false, {}) || e.Height < 0 || e.Width < 0)
                    Fail("a sheet measures no height or differently twice");
            }
    for (bool text : {false, true})
        for (int32_t height : {0, 153600, 1 << 30}) {
            const int count = AllControlsCount(text);
            for (int first = 0, columns = 0; first < count; ++columns) {
                SheetExtent e;
                const int next = text ? AllControlsTextColumn(first, height, false, {}, e)
                                      : AllControlsColumn(first, height, false, {}, e);
                if (next <= first || next > count || columns > count)
                    Fail("a column of all controls does not move on");
                first = next;
            }
        }
    if (z.HighestObject != highest)
        Fail("measuring a sheet stored objects");
    CdPrintOptions o = CdPrintDialogOptions();
    if (!(o.BoxSize >= MinBoxSize && o.BoxSize <= MaxBoxSize) || o.Selected.size() != size_t(o.Items.size()))
        Fail("the printing dialog's values are out of range");
    StoreCdPrintSettings(o);
    const CdPrintOptions again = CdPrintDialogOptions();
    if (again.Title != CleanParamText(o.Title.trimmed()) || std::abs(again.BoxSize - o.BoxSize) > 0.006)
        Fail("the printing settings do not read back as stored");
}

int LiveObjects(const TZmd& z)
{
    int live = 0;
    for (int n = 1; n <= z.HighestObject; ++n)
        live += EntryLive(const_cast<TZmd&>(z).Entry(n)) ? 1 : 0;
    return live;
}

// The generator over every course, as the preview and as printing run it, then all controls;
// each run ends as a preview ends, with the index read back.
void GenerateEveryCourse(TZmd& z)
{
    const int live = LiveObjects(z);
    EndPreview(); // the untouched links a saved preview left
    z.CoursePreviewOn = 1;
    for (int c = 0; c < z.Courses.Count() && c < 8; ++c)
        for (const auto& [leg, team] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{3, 32767}}) {
            GeneratePreview(c, leg, team);
            DropGeneratedObjects();
        }
    PreviewAllControls();
    DropGeneratedObjects();
    z.CoursePreviewOn = 0;
    if (LiveObjects(z) > live || !z.TaggedObjects.empty())
        Fail("a generated object outlived its preview");
    for (int i = 0; i < z.CsObjectLinks.Count(); ++i)
        if (z.CsObjectLinks.Strings(i).startsWith(QLatin1Char('~')))
            Fail("an untouched generated link outlived its preview");
}

// The course-only settings of the print settings string: percentages a factor may divide
// by, a sheet and page centre inside the map area, the fields written as read back and the
// print dialog's fields kept.
void CourseAloneSettings(const TZmd& z)
{
    const QString text = z.MapSettings[size_t(MapSettingsSlot(PrintSettingsType))];
    const CourseOnlySettings s = ReadCourseOnlySettings(text);
    const double h = CourseOnlyPercent(s.HorScale), v = CourseOnlyPercent(s.VerScale);
    if (!(h >= MinCourseOnlyPercent && h <= MaxCourseOnlyPercent && v >= MinCourseOnlyPercent && v <= MaxCourseOnlyPercent))
        Fail("a course-only scale outside 10 to 1000 percent");
    SetupRecord setup = z.Setup;
    for (double printScale : {setup.PrintScale, setup.MapScale * 10, setup.MapScale / 10, 0.0}) {
        setup.PrintScale = printScale;
        const CourseOnlyFactors f = CourseOnlyFactorsOf(h, v, setup);
        const CordRect sheet = CourseOnlySheet(setup.PrintRange.x1 / 25600.0, setup.PrintRange.y1 / 25600.0, f, 1189, 841);
        const Cord c = CourseOnlyPageCentre(z.Setup.PrintRange, f, 1189, 841);
        for (int32_t u : {sheet.x1, sheet.y1, sheet.x2, sheet.y2, c.x, c.y})
            if (u < -MapAreaLimit || u > MapAreaLimit)
                Fail("a course-only sheet leaves the map area");
    }
    const QString written = WriteCourseOnlySettings(text, s);
    const CourseOnlySettings back = ReadCourseOnlySettings(written);
    if (back.Black != s.Black || back.Mirror != s.Mirror || back.HorScale != CleanParamText(s.HorScale)
        || back.VerScale != CleanParamText(s.VerScale) || GetParamText(written, u'r') != GetParamText(text, u'r'))
        Fail("the course-only settings do not read back as written");
}

// The jobs of a checked course for a choice: legs and start numbers within the course's, in
// increasing order.
void PlanJobs(int course, const CheckedCourse& k, const QString& choiceText)
{
    CsLegChoice choice;
    choice.AllLegs = !choiceText.startsWith(u'L');
    choice.Leg = int(choiceText.size() % 6);
    choice.AllNumbers = choiceText.isEmpty();
    choice.Numbers = choiceText.mid(1);
    int from = 0, to = 0;
    const bool numbers = ParseStartNumbers(choice.Numbers, from, to);
    const CheckedEntry entry{course + 1, k};
    int count = 0;
    CsPrintJob last{0, 0, -1};
    ForEachPrintJob(std::span(&entry, 1), choice, [&](const CsPrintJob& j) {
        if (!IsRelay(k.Kind)) {
            if (j.Leg != 0 || j.StartNumber != 0 || count > 0)
                Fail("a normal course makes more than one job");
        } else if (j.Leg < 1 || j.Leg > k.Legs || j.StartNumber < k.FirstStart || j.StartNumber > k.LastStart
                   || (!choice.AllLegs && j.Leg != choice.Leg)
                   || (!choice.AllNumbers && (!numbers || j.StartNumber < from || j.StartNumber > to))
                   || j.Leg < last.Leg || (j.Leg == last.Leg && j.StartNumber <= last.StartNumber)) {
            Fail("a job outside the course's legs and start numbers, or out of order");
        }
        last = j;
        return ++count < 5000;
    });
}

void Run(const fuzz::MapScratch& scratch, const QStringList& lines)
{
    if (!OpenMapByName(scratch.base))
        Fail("the base map does not open");
    TZmd* const z = Index.ActiveZmd;
    if (!z->CourseMap)
        Fail("the base map is no course-setting map");
    QString choiceText;
    for (qsizetype i = 0; i < lines.size() && i < 64; ++i) {
        const QString& line = lines[i];
        if (line.isEmpty())
            continue;
        const QString text = line.mid(1);
        const int object = int(i % 6); // 0, the four objects, and one that does not exist
        TNumStringList* list = nullptr;
        int type = 0;
        switch (line.at(0).unicode()) {
        case u'1': list = &z->CsObjects; type = CsObjectType; break;
        case u'2': list = &z->Courses; type = CourseType; break;
        case u'3': list = &z->Classes; type = ClassType; break;
        case u'7': list = &z->CsObjectLinks; type = CourseObjectLinkType; break;
        case u'9': SaveTypedPString(text, CdPrintSettingsType); continue;
        case u'P': SaveTypedPString(text, PrintSettingsType); continue;
        case u'N': choiceText = text; continue;
        default: continue;
        }
        const int number = AddPString(text, type, type == CourseType || type == ClassType ? 0 : object);
        if (number >= 0)
            list->AddNumber(text, number);
    }

    int selected = int(lines.size()) % 7 - 1;
    SortCsObjectList(selected);
    if (z->CsObjectKeys.size() != z->CsObjects.Count())
        Fail("the code list and the course-object list differ in length");
    for (int i = 0; i < z->CsObjects.Count(); ++i) {
        if (z->CsObjectKeys[i] != CsObjectCode(z->CsObjects.Strings(i)))
            Fail("the code list does not follow the sorted list");
        if (i > 0 && QString::compare(CsSortKey(z->CsObjects.Strings(i - 1)), CsSortKey(z->CsObjects.Strings(i)),
                                      Qt::CaseInsensitive) > 0)
            Fail("the course objects are out of order");
    }
    if (selected < -1 || selected >= z->CsObjects.Count() || (z->CsObjects.Count() == 0 && selected != -1))
        Fail("the selection left the list");

    CheckCourse(-1);
    for (int c = 0; c < z->Courses.Count(); ++c) {
        const QString course = z->Courses.Strings(c);
        if (CheckCourse(c)) {
            const CheckedCourse& k = CsData.Checked;
            if (IsRelay(k.Kind) && (k.Legs < 1 || k.FirstStart < 1 || k.LastStart < k.FirstStart
                                    || k.LastStart > MaxStartNumber))
                Fail("a relay passed the check with legs or start numbers out of range");
            PlanJobs(c, k, choiceText);
        }
        const QString rebuilt = RebuildCourse(course, ReadCourseProps(course));
        if (Sequence(rebuilt) != Sequence(course))
            Fail("the rebuild changed the control sequence");
        const int legs = std::clamp(ReadCourseProps(course).Legs, 0, 4);
        for (int team : {1, 2, 7, 32767})
            for (int leg = 0; leg <= legs; ++leg) {
                ExpandCourse(c, leg, team);
                QString length;
                if (!CourseLength(c, leg, team, length, true) || length.isEmpty())
                    Fail("a course of the list has no length");
            }
        EditAtEveryCaret(course);
    }

    MeasureSheets(*z);
    GenerateEveryCourse(*z);
    CourseAloneSettings(*z);

    for (const QString& item : ControlStatItems()) {
        if (item.section(QLatin1Char('\t'), 1).toLongLong() < 0)
            Fail("a control is passed by fewer than no runners");
        const QString code = item.section(QLatin1Char('\t'), 0, 0);
        int passes = 0;
        for (int c = 0; c < z->Courses.Count(); ++c) {
            int inCourse = 0;
            CountInCourse(z->Courses.Strings(c), code, inCourse);
            passes += inCourse;
        }
        if (CoursesOfStatItem(item).size() != passes)
            Fail("the courses of a control differ from its passes");
    }

    for (int i = 0; i < z->CsObjects.Count(); ++i) {
        const QString record = z->CsObjects.Strings(i);
        const QString letter = CsObjectLetter(record);
        const QString from = CsObjectCode(record);
        const QString to = from + QStringLiteral("x");
        if (!RenameCsObject(i, to) || letter.isEmpty())
            continue;
        for (int c = 0; c < z->Courses.Count(); ++c)
            if (z->Courses.Strings(c).split(QLatin1Char('\t')).mid(1).contains(letter + from))
                Fail("a course still names a renamed code");
        // The list was sorted again: go on from the start, each code renamed once at most.
        if (i > 4)
            break;
    }
    ExpectListsEqualStore(*z);
    CloseDocument(z);
    fuzz::CheckAllClosed(Target);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::MapScratch& scratch = Scratch();
    RecordingMessages messages;
    messages.SetDefaultAnswer(IdNo);
    ResetCsData();
    ResetCsObject();
    ResetVariation();
    Run(scratch, Lines(data, size));
    return 0;
}
