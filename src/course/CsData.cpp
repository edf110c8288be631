#include "course/CsData.h"

#include "core/Messages.h"
#include "course/CsObject.h"
#include "document/Index.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace zemo {

CsDataState CsData;

void ResetCsData()
{
    CsData = CsDataState{};
}

namespace {

constexpr QChar Tab = QLatin1Char('\t');
// Stored letters by type number.
constexpr char TypeLetters[] = "scfmdnt";
constexpr int SortDigits[] = {0, 1, 3, 2, 4, 5, 6, 7};
constexpr TextKey DisplayTexts[] = {TextKey::StartLetter,  TextKey::ControlLetter,
                                    TextKey::FinishLetter, TextKey::MarkedLetter,
                                    TextKey::CdLetter,     TextKey::ClassNameLetter,
                                    TextKey::StartNumLetter};
constexpr TextKey CaptionTexts[] = {TextKey::StartType, TextKey::Control,   TextKey::Finish,
                                    TextKey::MarkedRoute, TextKey::CdType, TextKey::CourseTitle,
                                    TextKey::StartNumber};

bool KnownType(int type)
{
    return type >= CsStart && type < CsOther;
}

// The fields of a record after its name, each with the position of its TAB.
struct Field {
    qsizetype tab = 0;
    QString text;
};
std::vector<Field> FieldsAfterName(const QString& record)
{
    std::vector<Field> out;
    qsizetype tab = record.indexOf(Tab);
    while (tab >= 0) {
        const qsizetype next = record.indexOf(Tab, tab + 1);
        out.push_back({tab, record.mid(tab + 1, next < 0 ? -1 : next - tab - 1)});
        tab = next;
    }
    return out;
}

// The record with the fields after its name mapped one by one.
template <class Map>
QString MapFields(const QString& record, Map&& map)
{
    QString out = GetParamName(record);
    for (const Field& f : FieldsAfterName(record))
        out += Tab + map(f.text);
    return out;
}

bool StrictInt(const QString& text, int& value)
{
    return TryTrimStrToInt(text, value);
}

void Fail(TextKey label, const QString& name, TextKey text, const QString& param = {})
{
    CsData.LastFailure = {label, name, text, param};
    ShownMessage m;
    m.kind = MsgKind::Error;
    m.label = CourseCheckText(CsData.LastFailure);
    ShowMsg(m);
}

// The map object of a course object exists and its symbol is defined; else the failure shown.
bool ObjectUsable(const QString& code, const QString& course, bool allControls)
{
    QString record;
    const int n = FindCsObjectNumber(code, record);
    if (n <= 0) {
        if (allControls)
            Fail(TextKey::Count, {}, TextKey::ObjectNotFound, code);
        else
            Fail(TextKey::Course, course, TextKey::ObjectNotFound, code);
        return false;
    }
    SymbolBytes* sym = nullptr;
    if (!GetSymbol(Index.DrawElement.Symbol, sym)) {
        Fail(TextKey::Object, code, TextKey::SymbolNotDefined);
        return false;
    }
    return true;
}

} // namespace

uint8_t CsColumnBit(int column)
{
    return column >= 0 && column < DescColumns ? uint8_t(0x80 >> column) : 0;
}

QChar CsTypeLetter(int type)
{
    return KnownType(type) ? QLatin1Char(TypeLetters[type]) : QLatin1Char('o');
}

int CsTypeOfLetter(QChar letter)
{
    for (int t = CsStart; t < CsOther; ++t)
        if (letter == QLatin1Char(TypeLetters[t]))
            return t;
    return CsOther;
}

int CsSortDigit(int type)
{
    return SortDigits[KnownType(type) ? type : CsOther];
}

QChar CsDisplayLetter(int type)
{
    if (!KnownType(type))
        return QLatin1Char('O');
    const QString t = Text(DisplayTexts[type]);
    return t.isEmpty() ? QLatin1Char('O') : t.at(0);
}

bool CsTypeCaption(int type, TextKey& key)
{
    if (!KnownType(type))
        return false;
    key = CaptionTexts[type];
    return true;
}

bool CsSymbolAdmits(int objectType, int type)
{
    switch (type) {
    case CsStart: case CsControl: case CsFinish: case CsDescriptionBox:
        return objectType == 1;
    case CsMarkedRoute:
        return objectType == 2;
    case CsCourseTitle: case CsStartNumber:
        return objectType == 4;
    default:
        return false;
    }
}

int CsTypeOfSymbol(std::span<const uint8_t> rec)
{
    if (SymU8(rec, SymCsRole) != CsRoleCourse)
        return CsOther;
    const int type = SymU8(rec, SymCsType);
    // A line-text symbol is a line symbol with text: no marked route.
    const int objectType = SymU8(rec, SymTextFlag) && SymI16(rec, SymObjectType) == 2
        ? 0 : SymI16(rec, SymObjectType);
    return CsSymbolAdmits(objectType, type) ? type : CsOther;
}

bool IsCsObjectField(QChar code)
{
    return QStringLiteral("scdfmnot").contains(code);
}

// ---- CsObjectString ----

QString CleanCsCode(const QString& typed)
{
    QString s = typed;
    for (QChar& c : s)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return TrimBlanks(s);
}

QString NewCsObjectRecord(const QString& code, int type)
{
    return CleanCsCode(code) + Tab + QLatin1Char('Y') + CsTypeLetter(type);
}

QString CsObjectCode(const QString& record)
{
    return GetParamName(record);
}

QString CsObjectLetter(const QString& record)
{
    return GetParamText(record, QLatin1Char('Y')).left(1);
}

int CsObjectTypeOf(const QString& record)
{
    const QString letter = CsObjectLetter(record);
    return letter.isEmpty() ? CsOther : CsTypeOfLetter(letter.at(0));
}

QString RenameCsObjectRecord(const QString& record, const QString& code)
{
    const qsizetype tab = record.indexOf(Tab);
    return CleanCsCode(code) + (tab < 0 ? QString() : record.mid(tab));
}

QChar CsColumnCode(int column)
{
    return QLatin1Char(char('a' + column));
}

void SetCsColumnField(QString& record, int column, int symbolNumber10)
{
    const QChar code = CsColumnCode(column);
    // Every field of the column goes, not only the first a damaged record may hold.
    for (QString before; before != record;) {
        before = record;
        DeleteParam(record, code);
    }
    if (symbolNumber10 > 0)
        record += IntParamStr(code, symbolNumber10);
}

int CsColumnSymbol(const QString& record, int column)
{
    const int n = GetParamInt(record, CsColumnCode(column), 0);
    return n > 0 ? n : 0;
}

// ---- CourseString ----

CourseKind CourseKindOf(const QString& record)
{
    const QString y = GetParamText(record, QLatin1Char('Y'));
    if (y == QLatin1String("s"))
        return CourseKind::Relay;
    if (y == QLatin1String("o"))
        return CourseKind::OneManRelay;
    return CourseKind::Normal;
}

QChar CourseKindLetter(CourseKind kind)
{
    switch (kind) {
    case CourseKind::Relay: return QLatin1Char('s');
    case CourseKind::OneManRelay: return QLatin1Char('o');
    default: return QLatin1Char('n');
    }
}

CourseProps ReadCourseProps(const QString& record)
{
    CourseProps p;
    p.Name = GetParamName(record);
    p.ExtraKm = GetParamFloat(record, QLatin1Char('E'), 0);
    p.ClimbM = GetParamFloat(record, QLatin1Char('C'), 0);
    p.Runners = GetParamInt(record, QLatin1Char('R'), 0);
    p.Kind = CourseKindOf(record);
    p.Legs = GetParamInt(record, QLatin1Char('L'), 1);
    p.FirstStart = GetParamInt(record, QLatin1Char('F'), 1);
    p.LastStart = GetParamInt(record, QLatin1Char('T'), 1);
    return p;
}

QString RebuildCourse(const QString& old, const CourseProps& p)
{
    QString out = ParamNameStr(p.Name) + FloatParamStr(QLatin1Char('E'), 2, p.ExtraKm)
        + FloatParamStr(QLatin1Char('C'), 0, p.ClimbM) + IntParamStr(QLatin1Char('R'), p.Runners)
        + Tab + QLatin1Char('Y') + CourseKindLetter(p.Kind);
    if (IsRelay(p.Kind))
        out += IntParamStr(QLatin1Char('L'), p.Legs) + IntParamStr(QLatin1Char('F'), p.FirstStart)
            + IntParamStr(QLatin1Char('T'), p.LastStart);
    for (const Field& f : FieldsAfterName(old))
        if (!f.text.isEmpty() && f.text.at(0) >= QLatin1Char('a'))
            out += Tab + f.text;
    return out;
}

QString RenameInCourse(const QString& course, QChar letter, const QString& from, const QString& to)
{
    const QString old = QString(letter) + from;
    return MapFields(course, [&](const QString& f) { return f == old ? QString(letter) + to : f; });
}

// ---- CourseObjectLink ----

bool LinkNamesCode(const QString& link, const QString& code)
{
    const auto fields = FieldsAfterName(link);
    return std::any_of(fields.begin(), fields.end(),
                       [&](const Field& f) { return !f.text.isEmpty() && f.text.mid(1) == code; });
}

QString RenameInLink(const QString& link, const QString& from, const QString& to)
{
    return MapFields(link, [&](const QString& f) {
        return !f.isEmpty() && f.mid(1) == from ? f.left(1) + to : f;
    });
}

QString ClassCourse(const QString& record)
{
    return GetParamText(record, QLatin1Char('c'));
}

// ---- Sorting ----

QString CsSortKey(const QString& record)
{
    const QString code = CsObjectCode(record);
    const QString tail = code.size() > 3 ? code.right(3) : QString(3 - code.size(), QLatin1Char('0')) + code;
    return QString::number(CsSortDigit(CsObjectTypeOf(record))) + tail;
}

void SortCsObjectList(int& selected)
{
    TZmd* z = Index.ActiveZmd;
    if (!z) {
        selected = -1;
        return;
    }
    TNumStringList& list = z->CsObjects;
    const int count = list.Count();
    const bool hadSelection = selected >= 0 && selected < count;
    const QString selectedText = hadSelection ? list.Strings(selected) : QString();
    std::vector<QString> keys;
    keys.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        keys.push_back(CsSortKey(list.Strings(i)));
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return QString::compare(keys[size_t(a)], keys[size_t(b)], Qt::CaseInsensitive) < 0;
    });
    TNumStringList sorted;
    QStringList codes;
    for (int i : order) {
        sorted.AddNumber(list.Strings(i), list.GetNumber(i));
        codes.append(CsObjectCode(list.Strings(i)));
    }
    list = sorted;
    z->CsObjectKeys = codes;
    if (count == 0)
        selected = -1;
    else if (hadSelection)
        selected = std::max(list.IndexOf(selectedText), 0);
    else if (selected >= count)
        selected = count - 1;
}

int CsCodeIndex(const QString& code)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return -1;
    for (int i = 0; i < z->CsObjectKeys.size(); ++i)
        if (QString::compare(z->CsObjectKeys[i], code, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// ---- The course check ----

QString CourseCheckText(const CourseCheckFailure& f)
{
    QString text = f.Text == TextKey::Count ? QString() : Text(f.Text);
    if (!f.Param.isEmpty())
        text += QLatin1Char(' ') + f.Param;
    if (f.Label == TextKey::Count)
        return text;
    return Text(f.Label) + QStringLiteral(": ") + f.Name + QStringLiteral("\r\n") + text;
}

QStringList CourseEndsMissing(const QString& record)
{
    bool start = false, finish = false;
    for (const Field& f : FieldsAfterName(record)) {
        start = start || f.text.startsWith(QLatin1Char('s'));
        finish = finish || f.text.startsWith(QLatin1Char('f'));
    }
    QStringList out;
    if (!start)
        out.append(Text(TextKey::CourseWithoutStart));
    if (!finish)
        out.append(Text(TextKey::CourseWithoutFinish));
    return out;
}

bool CourseHasObjects(const QString& record)
{
    for (const Field& f : FieldsAfterName(record))
        if (!f.text.isEmpty() && IsCsObjectField(f.text.at(0)))
            return true;
    return false;
}

QStringList CourseDefects(const QString& record)
{
    QStringList out = CourseEndsMissing(record);
    for (const Field& f : FieldsAfterName(record)) {
        if (f.text.isEmpty() || !IsCsObjectField(f.text.at(0)))
            continue;
        QString found;
        if (FindCsObjectNumber(f.text.mid(1), found) <= 0)
            out.append(Text(TextKey::ObjectNotFound) + QLatin1Char(' ') + f.text.mid(1));
    }
    return out;
}

bool CheckCourse(int course)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return false;
    CsData.Checked = CheckedCourse{};
    CsData.LastFailure = CourseCheckFailure{};
    if (course < 0) {
        for (int i = 0; i < z->CsObjects.Count(); ++i) {
            const QString code = CsObjectCode(z->CsObjects.Strings(i));
            if (!IndexFromStIndex(z->CsObjects.GetNumber(i))) {
                Fail(TextKey::Count, {}, TextKey::ObjectNotFound, code);
                return false;
            }
            if (!ReadElement(Index.CurIndexNo, Index.DrawElement)) {
                Fail(TextKey::Count, {}, TextKey::ObjectNotFound, code);
                return false;
            }
            SymbolBytes* sym = nullptr;
            if (!GetSymbol(Index.DrawElement.Symbol, sym)) {
                Fail(TextKey::Object, code, TextKey::SymbolNotDefined);
                return false;
            }
        }
        CsData.Checked.Course = -1;
        return true;
    }
    if (course >= z->Courses.Count())
        return false;
    const QString text = z->Courses.Strings(course);
    const QString name = GetParamName(text);
    CheckedCourse c;
    c.Course = course;
    c.Text = text;
    c.Kind = CourseKindOf(text);
    if (IsRelay(c.Kind)) {
        if (!StrictInt(GetParamText(text, QLatin1Char('L')), c.Legs) || c.Legs < 1) {
            Fail(TextKey::Course, name, TextKey::NumLegsNotDefined);
            return false;
        }
        // The start numbers are team numbers of 1 to 32767: a file may hold anything.
        if (!StrictInt(GetParamText(text, QLatin1Char('F')), c.FirstStart)
            || !StrictInt(GetParamText(text, QLatin1Char('T')), c.LastStart)
            || c.FirstStart < 1 || c.LastStart > MaxStartNumber || c.LastStart < c.FirstStart) {
            Fail(TextKey::Class, name, TextKey::StartNumNotCorrect);
            return false;
        }
        int classes = 0;
        for (int i = 0; i < z->Classes.Count(); ++i)
            if (ClassCourse(z->Classes.Strings(i)) == name)
                ++classes;
        if (classes > 1) {
            Fail(TextKey::Course, name, TextKey::OneClassRelayCourse);
            return false;
        }
    } else {
        c.Legs = 1;
        c.FirstStart = c.LastStart = 1;
    }
    for (const Field& f : FieldsAfterName(text)) {
        if (f.text.isEmpty() || !IsCsObjectField(f.text.at(0)))
            continue;
        if (!ObjectUsable(f.text.mid(1), name, false))
            return false;
    }
    CsData.Checked = c;
    return true;
}

} // namespace zemo
