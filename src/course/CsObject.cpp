#include "course/CsObject.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "course/CsData.h"
#include "course/Ports.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/View.h"
#include "edit/Work.h"

#include <algorithm>
#include <cstring>

namespace zemo {

CsObjectState CsObj;

void ResetCsObject()
{
    CsObj = CsObjectState{};
}

namespace {

constexpr int FirstControlCode = 31;
// Placeholders of a new course title and relay start number, replaced per course by the
// preview.
constexpr const char16_t* TitlePlaceholder = u"H12";
constexpr const char16_t* StartNumberPlaceholder = u"51.1";
constexpr int SizeColumn = 5;   // F
constexpr int SizeHintColumn = 4; // E

TZmd* CourseMap()
{
    TZmd* z = Index.ActiveZmd;
    return z && z->CourseMap ? z : nullptr;
}

bool SymbolGraphicsOn()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}

bool SelectionValid(const TZmd& z)
{
    return CsObj.Selected >= 0 && CsObj.Selected < z.CsObjects.Count();
}

void PanelChanged()
{
    CoursePorts().CsPanelChanged();
}

// The current index entry and number, kept over a look-up that moves them.
class KeepCurrentIndex {
public:
    KeepCurrentIndex() : entry_(Index.CurIndex), number_(Index.CurIndexNo) {}
    ~KeepCurrentIndex()
    {
        Index.CurIndex = entry_;
        Index.CurIndexNo = number_;
    }
    KeepCurrentIndex(const KeepCurrentIndex&) = delete;
    KeepCurrentIndex& operator=(const KeepCurrentIndex&) = delete;

private:
    ObjectIndexEntry entry_;
    int number_;
};

// A record rewritten in the store and the list alike.
void SaveCsRecord(TNumStringList& list, int index, const QString& text)
{
    if (list.Strings(index) == text)
        return;
    if (SavePString(list.GetNumber(index), text))
        list.SetString(index, text);
}

bool CodeInUse(const QString& code)
{
    return CsCodeIndex(code) >= 0;
}

// The lowest number from `from` on whose text is no code, as a code.
QString FreeNumberFrom(qint64 from, const QString& prefix = {})
{
    // Every step passes a code in use, so the list's length bounds the walk.
    qint64 v = std::max<qint64>(from, 0);
    while (CodeInUse(prefix + QString::number(v)))
        ++v;
    return prefix + QString::number(v);
}

qint64 FirstControlStart()
{
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return FirstControlCode;
    for (const QString& code : z->CsObjectKeys) {
        if (code.isEmpty() || !code.at(0).isDigit())
            continue;
        int v = 0;
        if (TryTrimStrToInt(code, v))
            return v;
    }
    return FirstControlCode;
}

// The text of a new title or start number, as the typing writes text: wide characters after
// the points, in whole runs of 8 slots with room for the terminator.
void WritePlaceholder(ElementRecord& e, const char16_t* text)
{
    const std::u16string s(text);
    const size_t slots = 8 * ((s.size() + 32) / 32);
    e.Flags |= ElementUtf16Flag;
    e.nText = uint16_t(slots);
    uint8_t* t = e.TextBytes();
    std::memset(t, 0, slots * 8);
    for (size_t k = 0; k < s.size(); ++k) {
        t[2 * k] = uint8_t(s[k] & 0xFF);
        t[2 * k + 1] = uint8_t(s[k] >> 8);
    }
}

void RecordControlCode(TZmd& z, int type, const QString& code)
{
    int v = 0;
    if (type == CsControl && TryTrimStrToInt(code, v))
        z.LastControlCode = v;
}

SymbolBytes* SymbolOfNumber(int number10)
{
    SymbolBytes* rec = nullptr;
    return number10 > 0 && GetSymbol(number10, rec) ? rec : nullptr;
}

void ClosePicker()
{
    CsObj.PickerColumn = -1;
    CsObj.Panel.SizeVisible = false;
}

} // namespace

// ---- Codes ----

QString FirstFreeCode(int type)
{
    if (type == CsControl)
        return FreeNumberFrom(FirstControlStart());
    return FreeNumberFrom(1, CsDisplayLetter(type));
}

QString NextFreeCode(int type, const QString& field)
{
    if (type == CsControl) {
        int v = 0;
        return FreeNumberFrom(TryTrimStrToInt(field, v) ? qint64(v) + 1 : FirstControlStart());
    }
    int v = 0;
    const qint64 from = TryTrimStrToInt(field.mid(1, 8), v) ? qint64(v) + 1 : 1;
    return FreeNumberFrom(from, CsDisplayLetter(type));
}

bool AcceptCsCode(QString& code, int editedIndex)
{
    code = CleanCsCode(code);
    if (code.isEmpty()) {
        ErrorMsg(TextKey::NoCode);
        return false;
    }
    const int at = CsCodeIndex(code);
    if (at >= 0 && at != editedIndex) {
        ErrorMsg(TextKey::CodeExists, code);
        return false;
    }
    return true;
}

QString CsObjectDialogCaption(int type)
{
    QString caption = Text(TextKey::CourseObject);
    TextKey key;
    if (CsTypeCaption(type, key))
        caption += QStringLiteral(": ") + Text(key);
    return caption.remove(QLatin1Char('&'));
}

// ---- The object and its record ----

int FindCsObjectNumber(const QString& code, QString& record)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || SymbolGraphicsOn())
        return 0;
    const QString wanted = code.trimmed();
    for (int i = 0; i < z->CsObjects.Count(); ++i) {
        const QString& text = z->CsObjects.Strings(i);
        if (QString::compare(CsObjectCode(text), wanted, Qt::CaseInsensitive) != 0)
            continue;
        KeepCurrentIndex keep;
        if (!IndexFromStIndex(z->CsObjects.GetNumber(i)))
            return 0;
        const int n = Index.CurIndexNo;
        if (!ReadElement(n, Index.DrawElement) || Index.DrawElement.nItem == 0)
            return 0;
        record = text;
        return n;
    }
    return 0;
}

bool FindCsObject(const QString& code, QString& record)
{
    return FindCsObjectNumber(code, record) > 0;
}

bool RenameCsObject(int index, const QString& code)
{
    TZmd* z = CourseMap();
    if (!z || index < 0 || index >= z->CsObjects.Count())
        return false;
    const QString old = z->CsObjects.Strings(index);
    const QString oldCode = CsObjectCode(old);
    const QString newCode = CleanCsCode(code);
    if (newCode.isEmpty() || newCode == oldCode)
        return false;
    const int type = CsObjectTypeOf(old);
    const QString letter = CsObjectLetter(old);
    SaveCsRecord(z->CsObjects, index, RenameCsObjectRecord(old, newCode));
    RecordControlCode(*z, type, newCode);
    CsObj.Selected = index;
    course::SortCsObjects();
    course::ShowCsObjectProps();
    if (!letter.isEmpty())
        for (int i = 0; i < z->Courses.Count(); ++i)
            SaveCsRecord(z->Courses, i, RenameInCourse(z->Courses.Strings(i), letter.at(0), oldCode, newCode));
    for (int i = 0; i < z->CsObjectLinks.Count(); ++i)
        SaveCsRecord(z->CsObjectLinks, i, RenameInLink(z->CsObjectLinks.Strings(i), oldCode, newCode));
    return true;
}

void EditCsObjectProps()
{
    TZmd* z = CourseMap();
    if (!z || !SelectionValid(*z))
        return;
    course::StoreCsObjectProps();
    const int index = CsObj.Selected;
    const QString record = z->CsObjects.Strings(index);
    const int type = CsObjectTypeOf(record);
    if (type == CsOther)
        return;
    QString code = CsObjectCode(record);
    if (CoursePorts().RunCsObjectDialog(type, index, code))
        RenameCsObject(index, code);
}

void PrepareCourseMap()
{
    // The selection and the picker belonged to the map before.
    CsObj.Selected = -1;
    ClosePicker();
    if (CourseMap()) {
        course::SortCsObjects();
        RefreshCsObjectList();
    }
    course::ShowCsObjectProps();
}

void RefreshCsObjectList()
{
    TZmd* z = CourseMap();
    // While a symbol's graphics are edited no record finds its object: none is dropped then.
    if (!Index.MapOpen || !z || !CsObj.PanelVisible || SymbolGraphicsOn())
        return;
    ClosePicker();
    {
        KeepCurrentIndex keep;
        for (int i = z->CsObjects.Count() - 1; i >= 0; --i)
            if (!IndexFromStIndex(z->CsObjects.GetNumber(i))) {
                DeletePString(z->CsObjects.GetNumber(i));
                z->CsObjects.Delete(i);
            }
    }
    course::SortCsObjects();
    course::ShowCsObjectProps();
}

void ClickCsObjectList(int index)
{
    TZmd* z = CourseMap();
    if (!z || index < 0 || index >= z->CsObjects.Count())
        return;
    EndCurrentTool();
    course::StoreCsObjectProps();
    CsObj.Selected = index;
    course::ShowCsObjectProps();
    if (!z->CoursePreviewOn) {
        int n = 0;
        {
            KeepCurrentIndex keep;
            if (IndexFromStIndex(z->CsObjects.GetNumber(index)))
                n = Index.CurIndexNo;
        }
        if (n > 0)
            CenterOnObject(n);
        else
            DropSelection();
    }
    StartCurrentTool();
}

void SelectCsObjectItem(int n)
{
    TZmd* z = CourseMap();
    int pos = -1;
    if (!z || n <= 0 || !FindPString(n, CsObjectType, z->CsObjects, pos))
        return;
    CsObj.Selected = pos;
    PanelChanged();
}

QString SelectedCsRecord()
{
    TZmd* z = CourseMap();
    return z && SelectionValid(*z) ? z->CsObjects.Strings(CsObj.Selected) : QString();
}

// ---- The description row and its picker ----

std::vector<int> CsPickerCandidates(int column)
{
    std::vector<int> out;
    const TZmd* z = Index.ActiveZmd;
    const uint8_t bit = CsColumnBit(column);
    if (!z || column < FirstDescColumn || column > LastDescColumn)
        return out;
    for (int i = 0; i < z->SymbolCount(); ++i) {
        const SymbolBytes& s = z->Symbols[size_t(i)];
        if (SymU8(s, SymCsRole) == CsRoleDescription && (SymU8(s, SymCdColumns) & bit))
            out.push_back(i);
    }
    return out;
}

int CsPickerRows(int count)
{
    return std::max(count, 0) / CsPickerPerRow + 1;
}

void ClickCsObjGrid(int column)
{
    TZmd* z = CourseMap();
    if (!z || !SelectionValid(*z))
        return;
    if (column < FirstDescColumn || column > LastDescColumn || column == CsObj.PickerColumn) {
        ClosePicker();
        PanelChanged();
        return;
    }
    CsObj.PickerColumn = column;
    CsObjectPanel& p = CsObj.Panel;
    p.SizeVisible = column == SizeColumn;
    if (p.SizeVisible) {
        const QString sizes = GetParamText(SelectedCsRecord(), QLatin1Char('s'));
        qsizetype at = sizes.indexOf(QLatin1Char('/'));
        p.SizeDiagonal = at >= 0;
        if (at < 0)
            at = sizes.indexOf(QLatin1Char(';'));
        p.Size1 = at < 0 ? sizes : sizes.left(at);
        p.Size2 = at < 0 ? QString() : sizes.mid(at + 1);
    }
    PanelChanged();
}

void ClickCsSelGrid(int cell)
{
    TZmd* z = CourseMap();
    const int column = CsObj.PickerColumn;
    if (!z || !SelectionValid(*z) || column < FirstDescColumn)
        return;
    const std::vector<int> candidates = CsPickerCandidates(column);
    QString record = z->CsObjects.Strings(CsObj.Selected);
    int number10 = 0;
    if (cell >= 0 && cell < int(candidates.size()))
        number10 = SymI16(z->Symbols[size_t(candidates[size_t(cell)])], SymNumber);
    SetCsColumnField(record, column, number10);
    if (column == SizeColumn) {
        CsObjectPanel& p = CsObj.Panel;
        p.Size1.clear();
        p.Size2.clear();
        p.SizeDiagonal = false;
        DeleteParam(record, QLatin1Char('s'));
    }
    SaveCsRecord(z->CsObjects, CsObj.Selected, record);
    z->Modified = 1;
    ClosePicker();
    PanelChanged();
}

void StoreCsObjectSize()
{
    TZmd* z = CourseMap();
    if (!z || !SelectionValid(*z))
        return;
    const CsObjectPanel& p = CsObj.Panel;
    const QString a = TrimBlanks(p.Size1), b = TrimBlanks(p.Size2);
    QString sizes;
    if (p.SizeDiagonal)
        sizes = a + QLatin1Char('/') + b;
    else if (!a.isEmpty() && !b.isEmpty())
        sizes = a + QLatin1Char(';') + b;
    else
        sizes = a.isEmpty() ? b : a;
    QString record = z->CsObjects.Strings(CsObj.Selected);
    SetParam(record, QLatin1Char('s'), sizes);
    SetCsColumnField(record, SizeColumn, 0);
    SaveCsRecord(z->CsObjects, CsObj.Selected, record);
    PanelChanged();
}

QString CsObjGridHint(int column)
{
    const QString record = SelectedCsRecord();
    if (record.isEmpty() || column < FirstDescColumn || column > LastDescColumn)
        return {};
    if (column == SizeColumn) {
        const SymbolBytes* e = SymbolOfNumber(CsColumnSymbol(record, SizeHintColumn));
        if (e && (SymU8(*e, SymCdColumns) & CsSizeHintBit))
            return GetParamText(record, QLatin1Char('s'));
    }
    const SymbolBytes* s = SymbolOfNumber(CsColumnSymbol(record, column));
    return s ? SymbolDescription(*s) : QString();
}

QString CsSelGridHint(int cell)
{
    const std::vector<int> candidates = CsPickerCandidates(CsObj.PickerColumn);
    if (cell < 0 || cell >= int(candidates.size()))
        return {};
    return SymbolDescription(Index.ActiveZmd->Symbols[size_t(candidates[size_t(cell)])]);
}

// ---- The store's calls ----

namespace course {

bool CheckCsObject()
{
    TZmd* z = CourseMap();
    if (!z || SymbolGraphicsOn() || z->SymbolCount() == 0 || CurrentSymbolPos() < 0)
        return true;
    const int n = Index.CurIndexNo;
    StoreCsObjectProps();
    const SymbolBytes* symbol = CurrentSymbolRecord();
    if (!symbol)
        return true;
    const int type = CsTypeOfSymbol(*symbol);
    if (type == CsOther)
        return true;
    QString code;
    if (type == CsControl && z->LastControlCode > 0)
        code = NextFreeCode(type, QString::number(z->LastControlCode));
    else
        code = FirstFreeCode(type);
    const bool ok = CoursePorts().RunCsObjectDialog(type, -1, code);
    // A paint while the dialog was up may have moved the current index.
    GetIndex(n);
    if (!ok)
        return false;
    code = CleanCsCode(code);
    ElementRecord& e = Index.CurElement;
    if ((type == CsCourseTitle || type == CsStartNumber) && (e.ObjectType == TextObject || e.nText > 0)) {
        WritePlaceholder(e, type == CsCourseTitle ? TitlePlaceholder : StartNumberPlaceholder);
        SaveElement(n);
    }
    const QString record = NewCsObjectRecord(code, type);
    const int number = AddPString(record, CsObjectType, n);
    if (number < 0)
        throw EAbort();
    CsObj.Selected = z->CsObjects.AddNumber(record, number);
    RecordControlCode(*z, type, code);
    SortCsObjects();
    ShowCsObjectProps();
    return true;
}

void DeleteCsObjectOfElement(int n)
{
    TZmd* z = CourseMap();
    int pos = -1;
    if (!z || !FindPString(n, CsObjectType, z->CsObjects, pos))
        return;
    StoreCsObjectProps();
    const QString code = CsObjectCode(z->CsObjects.Strings(pos));
    const int number = z->CsObjects.GetNumber(pos);
    std::vector<int> links;
    for (int i = 0; i < z->CsObjectLinks.Count(); ++i)
        if (LinkNamesCode(z->CsObjectLinks.Strings(i), code))
            links.push_back(z->CsObjectLinks.GetNumber(i));
    {
        KeepCurrentIndex keep;
        for (int s : links) {
            // An object deleted on the way (a damaged file may link one course object to
            // another) finds its links gone or its object deleted already.
            if (z->CsObjectLinks.IndexOfNumber(s) < 0)
                continue;
            if (IndexFromStIndex(s) && Index.CurIndexNo != n) {
                const int object = Index.CurIndexNo;
                const CordRect r = Index.CurIndex.Rect;
                DeleteElement(object);
                UpdateRect(r);
            }
            if (const int at = z->CsObjectLinks.IndexOfNumber(s); at >= 0) {
                DeletePString(s);
                z->CsObjectLinks.Delete(at);
            }
        }
    }
    const int at = z->CsObjects.IndexOfNumber(number);
    if (at >= 0) {
        DeletePString(number);
        z->CsObjects.Delete(at);
    }
    if (CsObj.Selected >= z->CsObjects.Count())
        CsObj.Selected = z->CsObjects.Count() - 1;
    SortCsObjects();
    ShowCsObjectProps();
}

void StoreCsObjectProps()
{
    TZmd* z = CourseMap();
    if (!Index.MapOpen || !z || !SelectionValid(*z))
        return;
    CsObjectPanel& p = CsObj.Panel;
    // The fields belong to the selected record of this map, and are shown or were edited.
    if (p.Map != z || p.Number != z->CsObjects.GetNumber(CsObj.Selected) || (!CsObj.PanelVisible && !p.Edited))
        return;
    p.Edited = false;
    QString record = z->CsObjects.Strings(CsObj.Selected);
    if (p.DescVisible)
        SetParam(record, QLatin1Char('t'), p.DescText);
    if (p.FunnelVisible) {
        if (p.Funnel)
            SetParam(record, QLatin1Char('m'), QStringLiteral("f"));
        else
            DeleteParam(record, QLatin1Char('m'));
    }
    if (p.TextCdVisible) {
        if (p.TextCd)
            SetParam(record, QLatin1Char('o'), QStringLiteral("t"));
        else
            DeleteParam(record, QLatin1Char('o'));
    }
    SaveCsRecord(z->CsObjects, CsObj.Selected, record);
    ClosePicker();
    PanelChanged();
}

void SortCsObjects()
{
    SortCsObjectList(CsObj.Selected);
    PanelChanged();
}

void ShowCsObjectProps()
{
    CsObjectPanel& p = CsObj.Panel;
    const QString record = SelectedCsRecord();
    const QString letter = CsObjectLetter(record);
    const auto is = [&](const char* letters) {
        return !record.isEmpty() && !letter.isEmpty() && QLatin1String(letters).contains(letter.at(0));
    };
    p.DescVisible = is("scm");
    p.GridVisible = is("sc");
    p.FunnelVisible = is("m");
    p.TextCdVisible = is("d");
    p.DescText = GetParamText(record, QLatin1Char('t'));
    p.Funnel = GetParamText(record, QLatin1Char('m')) == QLatin1String("f");
    p.TextCd = GetParamText(record, QLatin1Char('o')) == QLatin1String("t");
    const TZmd* z = CourseMap();
    p.Map = record.isEmpty() ? nullptr : z;
    p.Number = p.Map ? z->CsObjects.GetNumber(CsObj.Selected) : 0;
    p.Edited = false;
    PanelChanged();
}

} // namespace course

} // namespace zemo
