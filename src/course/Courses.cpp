#include "course/Courses.h"

#include "core/Folders.h"
#include "core/Messages.h"
#include "course/CsLength.h"
#include "course/CsObject.h"
#include "course/CsPrint.h"
#include "course/CsPreview.h"
#include "course/Ports.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"

#include <algorithm>

namespace zemo {

CoursesState CsCourses;

void ResetCourses()
{
    CsCourses = CoursesState{};
}

namespace {

const QChar Tab = QLatin1Char('\t');

void Changed()
{
    CoursePorts().CoursesChanged();
}

// The course marks of the work windows follow the current course.
void ShowMarksOrPreview()
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    if (z->CoursePreviewOn) {
        RefreshCoursePreview();
        return;
    }
    HideCourseMarks();
    if (CourseTabVisible())
        ShowCourseMarks();
}

void SortCourses(TZmd& z)
{
    z.Courses.SetSorted(true);
}

int FindCourse(const TZmd& z, const QString& text)
{
    for (int i = 0; i < z.Courses.Count(); ++i)
        if (z.Courses.Strings(i) == text)
            return i;
    return -1;
}

// A record rewritten in the store and the list alike; false when the store refused it.
bool SaveRecord(TNumStringList& list, int index, const QString& text)
{
    if (list.Strings(index) == text)
        return true;
    if (!SavePString(list.GetNumber(index), text))
        return false;
    list.SetString(index, text);
    return true;
}

void CaretToEnd()
{
    CsCourses.Click = {CaretEndClick, CaretEndClick};
    CsCourses.Caret = CaretAtEnd(CurrentCourseText());
    CsCourses.Remembered = CsCourses.Caret;
}

bool HasCurrentCourse(const TZmd& z)
{
    return z.CurrentCourse >= 0 && z.CurrentCourse < z.Courses.Count();
}

// The current course's text replaced (the caret already placed by the edit).
void StoreCurrentCourse(const QString& text)
{
    TZmd* z = CourseSettingMap();
    if (!z || !HasCurrentCourse(*z))
        return;
    const int caret = CsCourses.Caret;
    if (!SaveRecord(z->Courses, z->CurrentCourse, text))
        return;
    z->CurrentCourse = FindCourse(*z, text);
    CsCourses.Caret = caret;
    CsCourses.Remembered = caret;
    CsCourses.Click = {-1, -1};
    z->Modified = 1;
}

} // namespace

TZmd* CourseSettingMap()
{
    TZmd* z = Index.ActiveZmd;
    return z && z->CourseMap ? z : nullptr;
}

QString CurrentCourseText()
{
    const TZmd* z = CourseSettingMap();
    return z && HasCurrentCourse(*z) ? z->Courses.Strings(z->CurrentCourse) : QString();
}

int CurrentCourseItem()
{
    const TZmd* z = CourseSettingMap();
    return z && HasCurrentCourse(*z) ? z->CurrentCourse + 1 : 0;
}

bool CourseTabVisible()
{
    return CourseSettingMap() && CsCourses.PanelShown && CsCourses.Page == CsCoursesPage;
}

bool StoreCourseProps(int course, const CourseProps& p)
{
    TZmd* z = CourseSettingMap();
    if (!z || course < 0 || course >= z->Courses.Count())
        return false;
    CourseProps clean = p;
    clean.Name = CleanCourseName(p.Name);
    const QString text = RebuildCourse(z->Courses.Strings(course), clean);
    if (!SaveRecord(z->Courses, course, text))
        return false;
    SortCourses(*z);
    z->CurrentCourse = FindCourse(*z, text);
    z->Modified = 1;
    UpdateCourses();
    return true;
}

void NewCourse()
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    CourseProps p;
    p.Legs = 0;
    if (!CoursePorts().RunCourseDialog(p, -1, 0, false))
        return;
    const QString name = CleanCourseName(p.Name);
    const QString text = ParamNameStr(name);
    const int s = AddPString(text, CourseType, 0);
    if (s <= 0)
        return;
    const int at = z->Courses.AddNumber(text, s);
    z->CoursesExist = 1;
    StoreCourseProps(at, p);
}

void EditCourse()
{
    TZmd* z = CourseSettingMap();
    if (!z || !HasCurrentCourse(*z))
        return;
    const QString old = z->Courses.Strings(z->CurrentCourse);
    CourseProps p = ReadCourseProps(old);
    const int storedLegs = p.Legs;
    if (!CoursePorts().RunCourseDialog(p, z->CurrentCourse, storedLegs, CourseHasVariation(old)))
        return;
    const QString oldName = GetParamName(old);
    if (!StoreCourseProps(z->CurrentCourse, p))
        return;
    const QString newName = GetParamName(CurrentCourseText());
    if (newName != oldName) {
        // The print dialog's choice follows the course.
        for (QString& kept : CsPrt.CoursesKept)
            if (kept.compare(oldName, Qt::CaseInsensitive) == 0)
                kept = newName;
        for (int i = 0; i < z->CsObjectLinks.Count(); ++i) {
            const QString& link = z->CsObjectLinks.Strings(i);
            if (GetParamName(link) == oldName)
                SaveRecord(z->CsObjectLinks, i, ParamNameStr(newName) + link.mid(oldName.size()));
        }
        for (int i = 0; i < z->Classes.Count(); ++i) {
            const QString& c = z->Classes.Strings(i);
            if (ClassCourse(c) == oldName) {
                PString t = c;
                SetParam(t, QLatin1Char('c'), newName);
                SaveRecord(z->Classes, i, t);
            }
        }
        UpdateClassList();
        UpdateCourses();
    }
    if (z->CoursePreviewOn)
        RefreshCoursePreview();
}

void DuplicateCourse()
{
    TZmd* z = CourseSettingMap();
    if (!z || !HasCurrentCourse(*z))
        return;
    const QString old = z->Courses.Strings(z->CurrentCourse);
    const QString oldName = GetParamName(old);
    CourseProps p = ReadCourseProps(old);
    if (!CoursePorts().RunCourseDialog(p, -1, p.Legs, false))
        return;
    const int s = AddPString(old, CourseType, 0);
    if (s <= 0)
        return;
    const int at = z->Courses.AddNumber(old, s);
    if (!StoreCourseProps(at, p))
        return;
    const QString newName = GetParamName(CurrentCourseText());
    // The links of moved numbers and lines go with the copy; each copied object is stored
    // as the preview stores its objects, so that it is linked and hidden also while the
    // preview is off.
    struct Copy {
        int Object;
        QString Tag;
    };
    std::vector<Copy> copies;
    {
        const ObjectIndexEntry keep = Index.CurIndex;
        const int keepNo = Index.CurIndexNo;
        for (int i = 0; i < z->CsObjectLinks.Count(); ++i) {
            const QString& link = z->CsObjectLinks.Strings(i);
            const int tab = int(link.indexOf(Tab));
            if (GetParamName(link) != oldName || tab < 0 || tab + 1 >= link.size())
                continue;
            if (IndexFromStIndex(z->CsObjectLinks.GetNumber(i)))
                copies.push_back({Index.CurIndexNo, link.mid(tab)});
        }
        Index.CurIndex = keep;
        Index.CurIndexNo = keepNo;
    }
    const uint8_t preview = z->CoursePreviewOn;
    const QString tag = z->CurrentCourseTag;
    const std::vector<int> tagged = z->TaggedObjects;
    z->CoursePreviewOn = 1;
    for (const Copy& c : copies) {
        if (!ReadElement(c.Object, Index.CurElement))
            continue;
        z->CurrentCourseTag = ParamNameStr(newName) + c.Tag;
        if (AppendElement() && !preview)
            SetIndexMark(Index.CurIndexNo); // hidden here too, as the file has it
    }
    z->CoursePreviewOn = preview;
    z->CurrentCourseTag = tag;
    if (!preview)
        z->TaggedObjects = tagged;
    if (z->CoursePreviewOn)
        RefreshCoursePreview();
}

void DeleteCourseLinks(const QString& name)
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    std::vector<int> links;
    for (int i = 0; i < z->CsObjectLinks.Count(); ++i)
        if (GetParamName(z->CsObjectLinks.Strings(i)) == name)
            links.push_back(z->CsObjectLinks.GetNumber(i));
    const ObjectIndexEntry keep = Index.CurIndex;
    const int keepNo = Index.CurIndexNo;
    for (int s : links) {
        if (IndexFromStIndex(s)) {
            const CordRect r = Index.CurIndex.Rect;
            DeleteElement(Index.CurIndexNo);
            UpdateRect(r);
        }
        if (const int at = z->CsObjectLinks.IndexOfNumber(s); at >= 0) {
            DeletePString(s);
            z->CsObjectLinks.Delete(at);
        }
    }
    Index.CurIndex = keep;
    Index.CurIndexNo = keepNo;
}

void DeleteCurrentCourse()
{
    TZmd* z = CourseSettingMap();
    if (!z || !HasCurrentCourse(*z))
        return;
    const QString name = GetParamName(CurrentCourseText());
    if (OkCancelMsg(TextKey::DeleteCourse, {name}, CourseHelpContext) != IdOk)
        return;
    DeleteCourseLinks(name);
    DeletePString(z->Courses.GetNumber(z->CurrentCourse));
    z->Courses.Delete(z->CurrentCourse);
    z->CurrentCourse = std::min(z->CurrentCourse, z->Courses.Count() - 1);
    z->CoursesExist = z->Courses.Count() > 0;
    z->Modified = 1;
    UpdateCourses();
}

void UpdateCourses()
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    SortCourses(*z);
    if (z->CurrentCourse >= z->Courses.Count())
        z->CurrentCourse = z->Courses.Count() - 1;
    CaretToEnd();
    if (CourseTabVisible())
        ShowMarksOrPreview();
    LayoutCurrentCourse();
    Changed();
}

void PrepareCourses()
{
    if (TZmd* z = CourseSettingMap()) {
        // Stored courses are in order already; the list is sorted again as the panel stores.
        if (CsCourses.Page != CsCoursesPage || z->CurrentCourse >= z->Courses.Count())
            z->CurrentCourse = -1;
        CsCourses.SelectedClass = z->Classes.Count() > 0 ? 0 : -1;
        CsPreview.ButtonDown = z->CoursePreviewOn;
    }
    CaretToEnd();
    LayoutCurrentCourse();
    Changed();
}

void CheckCourseMapRead()
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    const uint8_t modified = z->Modified;
    const int removed = RemoveLeftPreviewObjects();
    z->Modified = modified;
    if (removed > 0) {
        const QString path = CurrentMapPath();
        WarningMsg(removed == 1 ? TextKey::PreviewObjectRemoved : TextKey::PreviewObjectsRemoved,
                   (path.isEmpty() ? Text(TextKey::Untitled) : path) + u';' + QString::number(removed));
    }
    QStringList damaged;
    for (int i = 0; i < z->Courses.Count(); ++i) {
        const QString& record = z->Courses.Strings(i);
        // A course not yet set holds no objects: it lacks nothing yet.
        if (!CourseHasObjects(record))
            continue;
        const QStringList defects = CourseDefects(record);
        if (!defects.isEmpty())
            damaged.append(GetParamName(record) + QStringLiteral(": ") + defects.join(u' '));
    }
    if (!damaged.isEmpty())
        WarningMsg(TextKey::DamagedCourses, QStringLiteral("\r\n") + damaged.join(QStringLiteral("\r\n")));
}

void SelectCourse(int listIndex)
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    z->CurrentCourse = std::clamp(listIndex - 1, -1, z->Courses.Count() - 1);
    CaretToEnd();
    ShowMarksOrPreview();
    LayoutCurrentCourse();
    Changed();
}

void StepCourse(int how)
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    const int old = z->CurrentCourse;
    int c = old;
    switch (how) {
    case 0: c = -1; break;
    case 1: c = std::max(-1, c - 1); break;
    case 2: c = std::min(z->Courses.Count() - 1, c + 1); break;
    default: c = z->Courses.Count() - 1; break;
    }
    z->CurrentCourse = c;
    CaretToEnd();
    if (c != old)
        ShowMarksOrPreview();
    LayoutCurrentCourse();
    Changed();
}

void ChangeCsPage(int page)
{
    TZmd* z = CourseSettingMap();
    // The Objects tab is hidden by now: what was typed there is stored all the same.
    if (CsCourses.Page == CsObjectsPage && page != CsObjectsPage)
        course::StoreCsObjectProps();
    const bool wasCourses = CsCourses.Page == CsCoursesPage;
    CsCourses.Page = page;
    if (!z)
        return;
    if (wasCourses && page != CsCoursesPage) {
        CsCourses.KeptItem = CurrentCourseItem();
        z->CurrentCourse = -1;
        if (z->CoursePreviewOn)
            RefreshCoursePreview();
        else
            HideCourseMarks();
    } else if (page == CsCoursesPage) {
        // The list kept its item while another page showed.
        z->CurrentCourse = std::clamp(CsCourses.KeptItem - 1, -1, z->Courses.Count() - 1);
        CaretToEnd();
        ShowMarksOrPreview();
        LayoutCurrentCourse();
    }
    Changed();
}

void LayoutCurrentCourse()
{
    const QString text = CurrentCourseText();
    if (text.isEmpty()) {
        CsCourses.Diagram = {};
        CsCourses.LengthText.clear();
        CsCourses.VariationEnabled = false;
        return;
    }
    const bool clicked = CsCourses.Click.x() >= 0;
    CourseDiagram d = LayoutCourse(text, clicked ? CsCourses.Click : QPoint(CaretEndClick, CaretEndClick),
                                   CsCourses.FitWidth);
    if (clicked) {
        CsCourses.Caret = d.Caret;
        CsCourses.Remembered = d.Caret;
        CsCourses.Click = {-1, -1};
    } else {
        // The caret an edit left: its place is found among the layout's positions.
        CsCourses.Caret = ValidCaret(text, CsCourses.Caret);
        d = LayoutCourseAtCaret(text, CsCourses.Caret, CsCourses.FitWidth);
    }
    CsCourses.Diagram = d;
    CsCourses.VariationEnabled = d.CaretLegCount > 1;
    int leg = 1;
    if (!TryTrimStrToInt(d.CaretLegs.section(QLatin1Char('-'), 0, 0), leg) || leg < 1)
        leg = 1;
    QString length;
    if (const TZmd* z = CourseSettingMap(); z && CourseLength(z->CurrentCourse, leg, 0, length, false))
        CsCourses.LengthText = length + QStringLiteral(" km");
}

void RelayoutCourse()
{
    if (!CourseSettingMap())
        return;
    CsCourses.Click = {-1, -1};
    LayoutCurrentCourse();
    Changed();
}

void SetCourseCaretPoint(QPoint p)
{
    CsCourses.Click = p;
    LayoutCurrentCourse();
    Changed();
}

void InsertCourseControl()
{
    TZmd* z = CourseSettingMap();
    if (!z || !CourseTabVisible() || !HasCurrentCourse(*z) || CsObj.Selected < 0
        || CsObj.Selected >= z->CsObjects.Count())
        return;
    const QString record = z->CsObjects.Strings(CsObj.Selected);
    QString letter = CsObjectLetter(record);
    if (letter.isEmpty())
        letter = QStringLiteral("c");
    QString text = CurrentCourseText();
    int caret = CsCourses.Caret;
    if (!InsertCourseField(text, caret, Tab + letter + CsObjectCode(record)))
        return;
    CsCourses.Caret = caret;
    StoreCurrentCourse(text);
    ShowMarksOrPreview();
    LayoutCurrentCourse();
    Changed();
}

void InsertSelectedCsObject()
{
    CsCourses.Caret = CsCourses.Remembered;
    InsertCourseControl();
}

void InsertPickedCsObject()
{
    TZmd* z = CourseSettingMap();
    if (!z || CsObj.Selected < 0 || CsObj.Selected >= z->CsObjects.Count())
        return;
    // Only the object the user double-clicked is the selected course object.
    if (z->CsObjects.GetNumber(CsObj.Selected) <= 0)
        return;
    QString record;
    const int n = FindCsObjectNumber(CsObjectCode(z->CsObjects.Strings(CsObj.Selected)), record);
    if (n <= 0 || n != Index.SelectedIndex)
        return;
    InsertSelectedCsObject();
}

void RemoveCourseControl()
{
    TZmd* z = CourseSettingMap();
    if (!z || !HasCurrentCourse(*z))
        return;
    QString text = CurrentCourseText();
    int caret = CsCourses.Caret;
    const RemoveResult r = RemoveCourseField(text, caret, [] {
        return OkCancelMsg(TextKey::RemoveSplit, {}, CourseHelpContext) == IdOk;
    });
    if (r == RemoveResult::Refused) {
        ErrorMsg(TextKey::ControlBetweenVar, {}, CourseHelpContext);
        return;
    }
    if (r != RemoveResult::Removed)
        return;
    CsCourses.Caret = caret;
    StoreCurrentCourse(text);
    ShowMarksOrPreview();
    LayoutCurrentCourse();
    Changed();
}

void InsertVariationAtCaret()
{
    TZmd* z = CourseSettingMap();
    if (!z || !HasCurrentCourse(*z))
        return;
    QString text = CurrentCourseText();
    const int caret = ValidCaret(text, CsCourses.Caret);
    if (!CanInsertVariation(text, caret)) {
        ErrorMsg(TextKey::ControlBetweenVar, {}, CourseHelpContext);
        return;
    }
    const CourseDiagram d = LayoutCourseAtCaret(text, caret);
    QString variation = DefaultLegVariation(d.CaretLegs);
    if (!CoursePorts().RunVariationDialog(variation, d.CaretLegCount))
        return;
    int at = caret;
    InsertCourseVariation(text, at, variation);
    CsCourses.Caret = at;
    StoreCurrentCourse(text);
    ShowMarksOrPreview();
    LayoutCurrentCourse();
    Changed();
}

void LocateCsObjectInCourse()
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    CsCourses.Remembered = CsCourses.Caret;
    if (!HasCurrentCourse(*z) || CsObj.Selected < 0 || CsObj.Selected >= z->CsObjects.Count())
        return;
    const QString record = z->CsObjects.Strings(CsObj.Selected);
    QString letter = CsObjectLetter(record);
    if (letter.isEmpty())
        letter = QStringLiteral("c");
    const QString field = Tab + letter + CsObjectCode(record);
    const QString text = CurrentCourseText();
    // The last whole field: followed by a TAB or the end.
    for (qsizetype from = text.size(); from >= 0;) {
        const qsizetype at = text.lastIndexOf(field, from);
        if (at < 0)
            break;
        const qsizetype end = at + field.size();
        if (end == text.size() || text.at(end) == Tab) {
            CsCourses.Caret = end == text.size() ? CaretAtEnd(text) : int(end) + 1;
            LayoutCurrentCourse();
            Changed();
            return;
        }
        from = at - 1;
    }
}

// ---- Classes ----

QStringList ClassListItems()
{
    QStringList items;
    if (const TZmd* z = CourseSettingMap())
        for (int i = 0; i < z->Classes.Count(); ++i) {
            const QString& c = z->Classes.Strings(i);
            items << GetParamName(c) + Tab + ClassCourse(c);
        }
    return items;
}

void UpdateClassList()
{
    const TZmd* z = CourseSettingMap();
    CsCourses.SelectedClass = z && z->Classes.Count() > 0 ? 0 : -1;
    Changed();
}

int StoreClass(int edited, const QString& typed, int course)
{
    TZmd* z = CourseSettingMap();
    if (!z || !CheckClassDialog(typed, course, edited).Accepted())
        return -1;
    QString text = CleanCourseName(typed);
    if (course >= 0 && course < z->Courses.Count())
        text += Tab + QLatin1Char('c') + GetParamName(z->Courses.Strings(course));
    int at = edited;
    if (edited >= 0 && edited < z->Classes.Count()) {
        if (!SaveRecord(z->Classes, edited, text))
            return -1;
    } else {
        const int s = AddPString(text, ClassType, 0);
        if (s <= 0)
            return -1;
        at = z->Classes.AddNumber(text, s);
    }
    z->Modified = 1;
    at = z->Classes.IndexOf(text);
    CsCourses.SelectedClass = at;
    UpdateCourses();
    return at;
}

void NewClass()
{
    if (!CourseSettingMap())
        return;
    QString name;
    int course = -1;
    if (CoursePorts().RunClassDialog(name, course, -1))
        StoreClass(-1, name, course);
    Changed();
}

void EditClass()
{
    TZmd* z = CourseSettingMap();
    if (!z || CsCourses.SelectedClass < 0 || CsCourses.SelectedClass >= z->Classes.Count())
        return;
    const int edited = CsCourses.SelectedClass;
    const QString& c = z->Classes.Strings(edited);
    QString name = GetParamName(c);
    int course = -1;
    for (int i = 0; i < z->Courses.Count(); ++i)
        if (GetParamName(z->Courses.Strings(i)) == ClassCourse(c))
            course = i;
    if (CoursePorts().RunClassDialog(name, course, edited))
        StoreClass(edited, name, course);
    Changed();
}

void DeleteSelectedClass()
{
    TZmd* z = CourseSettingMap();
    if (!z)
        return;
    if (CsCourses.SelectedClass < 0 || CsCourses.SelectedClass >= z->Classes.Count()) {
        ErrorMsg(TextKey::NoClassSelected, {}, ClassHelpContext);
        return;
    }
    const int at = CsCourses.SelectedClass;
    if (OkCancelMsg(TextKey::DeleteClass, {GetParamName(z->Classes.Strings(at))}, ClassHelpContext) != IdOk)
        return;
    DeletePString(z->Classes.GetNumber(at));
    z->Classes.Delete(at);
    z->Modified = 1;
    UpdateClassList();
    UpdateCourses();
}

} // namespace zemo
