#include "course/CourseEdit.h"

#include "core/StringX.h"
#include "course/Variation.h"
#include "document/Index.h"

#include <algorithm>

namespace zemo {

namespace {

const QChar Tab = QLatin1Char('\t');

// One field of a course after its name: its TAB's position, its letter and value.
struct Field {
    int Tab = 0;
    int End = 0; // one past its last character
    QChar Code;
    QString Value;
    int Caret() const { return Tab + 1; }
};

std::vector<Field> Fields(const QString& course)
{
    std::vector<Field> out;
    int i = int(course.indexOf(Tab));
    while (i >= 0) {
        int next = int(course.indexOf(Tab, i + 1));
        const int end = next < 0 ? int(course.size()) : next;
        Field f;
        f.Tab = i;
        f.End = end;
        f.Code = end > i + 1 ? course.at(i + 1) : QChar();
        f.Value = course.mid(i + 2, std::max(0, end - i - 2));
        out.push_back(f);
        i = next;
    }
    return out;
}

bool IsHeader(QChar c)
{
    return c.isUpper();
}
bool IsVarStart(QChar c)
{
    return c == QLatin1Char('l') || c == QLatin1Char('r');
}
bool IsVarEnd(QChar c)
{
    return c == QLatin1Char('p') || c == QLatin1Char('q');
}
bool IsBranch(QChar c)
{
    return c == QLatin1Char('b') || c == QLatin1Char('v');
}

// The index of the field the caret stands before (fields.size() at the end).
size_t FieldAtCaret(const std::vector<Field>& fields, int caret)
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].Caret() == caret)
            return i;
    return fields.size();
}

// The caret behind field i.
int CaretBehind(const std::vector<Field>& fields, size_t i, const QString& course)
{
    return i + 1 < fields.size() ? fields[i + 1].Caret() : CaretAtEnd(course);
}

int LegCount(const QString& legs)
{
    return legs.isEmpty() ? 0 : int(legs.count(QLatin1Char('-'))) + 1;
}

class Layout {
public:
    // `right`: the room a column takes right of its codes' centre; `gap`: the space between
    // a variation's columns.
    Layout(const QString& course, QPoint click, int caret = 0, int right = DiagramColumnRight,
           int gap = DiagramBranchGap)
        : course_(course), fields_(Fields(course)), click_(click), given_(caret), right_(right), gap_(gap)
    {
    }

    CourseDiagram Run()
    {
        const int legs = std::max(1, GetParamInt(course_, QLatin1Char('L'), 1));
        QStringList all;
        for (int i = 1; i <= std::min(legs, 1000); ++i)
            all << QString::number(i);
        legs_ = all.join(QLatin1Char('-'));
        size_t i = 0;
        while (i < fields_.size() && IsHeader(fields_[i].Code))
            ++i;
        d_.Caret = i < fields_.size() ? fields_[i].Caret() : CaretAtEnd(course_);
        d_.CaretAt = {DiagramCodeX, DiagramLine / 2};
        d_.CaretLegs = legs_;
        int y = DiagramLine / 2;
        int number = 1;
        Sequence(i, DiagramCodeX, y, legs_, number, 0);
        d_.CaretLegCount = std::max(1, LegCount(d_.CaretLegs));
        return std::move(d_);
    }

private:
    void Candidate(int x, int y, int caret, const QString& legs)
    {
        const bool take = given_ > 0 ? caret == given_ && !found_ : x - 12 < click_.x() && y - 7 < click_.y();
        if (take) {
            found_ = given_ > 0;
            d_.Caret = caret;
            d_.CaretAt = {x, y};
            d_.CaretLegs = legs;
        }
    }
    void Stretch(int x, int y)
    {
        d_.Width = std::max(d_.Width, x + right_);
        d_.Height = std::max(d_.Height, y + 20);
    }

    // Lays out fields from i until a branch ends (at its marker) or the text ends. Returns
    // how far right it reached.
    int Sequence(size_t& i, int x, int& y, const QString& legs, int& number, int depth)
    {
        int reach = x + right_;
        for (;;) {
            const int caret = i < fields_.size() ? fields_[i].Caret() : CaretAtEnd(course_);
            Candidate(x, y, caret, legs);
            if (i >= fields_.size())
                return reach;
            const Field& f = fields_[i];
            if (IsBranch(f.Code) || IsVarEnd(f.Code))
                return reach;
            if (IsCsObjectField(f.Code)) {
                if (x < DiagramMainLineEnd && f.Code == QLatin1Char('c'))
                    d_.Texts.push_back({DiagramNumberX, y, QString::number(number++) + QLatin1Char('.'), false});
                d_.Texts.push_back({x, y, f.Value, false});
                Stretch(x, y);
                y += DiagramLine;
                ++i;
                Candidate(x, y, CaretBehind(fields_, i - 1, course_), legs);
                continue;
            }
            if (IsVarStart(f.Code) && depth < MaxVariationDepth) {
                reach = std::max(reach, Variation(i, x, y, legs, number, depth));
                continue;
            }
            ++i; // headers and unknown letters
        }
    }

    // A variation's branches side by side, each right of the fork's column and of the
    // branches before it; a later variation below starts again beside its own fork.
    int Variation(size_t& i, int x, int& y, const QString& legs, int& number, int depth)
    {
        const bool leg = fields_[i].Code == QLatin1Char('l');
        const int forkY = y - DiagramLine / 2;
        ++i;
        std::vector<QPoint> ends;
        int lowest = y;
        int reach = x + right_;
        while (i < fields_.size() && IsBranch(fields_[i].Code)) {
            const QString branchLegs = leg ? fields_[i].Value : legs;
            const int bx = reach + gap_;
            int by = y;
            // Beside the codes, not through them.
            d_.Lines.push_back({{x + 10, forkY}, {bx - 10, by - DiagramLine / 2}, leg});
            if (leg)
                for (const QString& n : fields_[i].Value.split(QLatin1Char('-'), Qt::SkipEmptyParts)) {
                    d_.Texts.push_back({bx, by, n, true});
                    Stretch(bx, by);
                    by += DiagramLine;
                }
            ++i;
            // Running numbers belong to the main line.
            reach = std::max(reach, Sequence(i, bx, by, branchLegs, number, depth + 1));
            Stretch(bx, by - DiagramLine);
            ends.push_back({bx, by});
            lowest = std::max(lowest, by);
        }
        if (i < fields_.size() && IsVarEnd(fields_[i].Code))
            ++i;
        // Each branch comes down its own column, then runs below every branch to the join:
        // no line crosses a code or a leg number.
        const int below = lowest - DiagramLine / 2 + 3;
        for (const QPoint& e : ends) {
            QPoint from(e.x() - 10, e.y() - DiagramLine / 2);
            if (e.y() < lowest) {
                d_.Lines.push_back({from, {from.x(), below}, leg});
                from.setY(below);
            }
            d_.Lines.push_back({from, {x + 10, lowest}, leg});
        }
        y = lowest + DiagramLine / 2;
        return reach;
    }

    const QString& course_;
    std::vector<Field> fields_;
    QPoint click_;
    int given_ = 0;
    bool found_ = false;
    int right_;
    int gap_;
    QString legs_;
    CourseDiagram d_;
};

} // namespace

int ValidCaret(const QString& course, int caret)
{
    if (caret >= 1 && caret <= int(course.size()) && course.at(caret - 1) == Tab)
        return caret;
    return CaretAtEnd(course);
}

namespace {

// The layout at its standard spacing, or, when that is wider than `fit` pixels, with its
// columns as close as needed and as their codes allow.
CourseDiagram FittedLayout(const QString& course, QPoint click, int caret, int fit)
{
    CourseDiagram d = Layout(course, click, caret).Run();
    if (fit <= 0 || d.Width <= fit)
        return d;
    // The texts of the columns keep apart; the running numbers stand left of them all.
    qsizetype longest = 0;
    for (const DiagramText& t : d.Texts)
        if (t.X >= DiagramCodeX)
            longest = std::max(longest, t.Text.size());
    const int standard = DiagramColumnRight + DiagramBranchGap;
    const int closest = std::max(DiagramClosestPitch, int(longest) * 7 + 6);
    for (int pitch = standard - 1; pitch >= closest; --pitch) {
        const int right = std::max(pitch * DiagramColumnRight / standard, pitch - DiagramBranchGap);
        d = Layout(course, click, caret, right, pitch - right).Run();
        if (d.Width <= fit)
            break;
    }
    return d;
}

} // namespace

CourseDiagram LayoutCourse(const QString& course, QPoint click, int fit)
{
    return FittedLayout(course, click, 0, fit);
}

CourseDiagram LayoutCourseAtCaret(const QString& course, int caret, int fit)
{
    return FittedLayout(course, {}, ValidCaret(course, caret), fit);
}

bool InsertCourseField(QString& course, int& caret, const QString& field)
{
    caret = ValidCaret(course, caret);
    const std::vector<Field> fields = Fields(course);
    const size_t at = FieldAtCaret(fields, caret);
    if (at > 0) {
        const Field& before = fields[at - 1];
        if (course.mid(before.Tab, before.End - before.Tab) == field)
            return false;
    }
    if (at >= fields.size()) {
        course += field;
        caret = CaretAtEnd(course);
    } else {
        course.insert(caret - 1, field);
        caret += int(field.size());
    }
    return true;
}

bool CanInsertVariation(const QString& course, int caret)
{
    caret = ValidCaret(course, caret);
    const std::vector<Field> fields = Fields(course);
    const size_t at = FieldAtCaret(fields, caret);
    for (size_t i = at; i-- > 0;) {
        const QChar c = fields[i].Code;
        if (IsVarEnd(c))
            return false;
        if (IsCsObjectField(c) || IsHeader(c))
            break;
    }
    for (size_t i = at; i < fields.size(); ++i) {
        const QChar c = fields[i].Code;
        if (IsVarStart(c))
            return false;
        if (IsCsObjectField(c))
            break;
    }
    return true;
}

QString DefaultLegVariation(const QString& legs)
{
    QString s = QStringLiteral("\tl\tb");
    for (QChar c : legs)
        s += c == QLatin1Char('-') ? QStringLiteral("\tb") : QString(c);
    return s + QStringLiteral("\tp");
}

void InsertCourseVariation(QString& course, int& caret, const QString& variation)
{
    caret = ValidCaret(course, caret);
    const int pos = caret > int(course.size()) ? int(course.size()) : caret - 1;
    course.insert(pos, variation);
    // Behind the first branch marker: the second field of the markers.
    const int first = int(variation.indexOf(Tab, 1));
    const int second = first < 0 ? -1 : int(variation.indexOf(Tab, first + 1));
    caret = pos + (second < 0 ? int(variation.size()) : second) + 1;
    caret = ValidCaret(course, caret);
}

RemoveResult RemoveCourseField(QString& course, int& caret, const std::function<bool()>& confirmSplit)
{
    caret = ValidCaret(course, caret);
    std::vector<Field> fields = Fields(course);
    size_t at = FieldAtCaret(fields, caret);
    // At a branch start the variation is behind the end that closes it; bounded by the fields.
    for (size_t guard = 0; guard <= fields.size(); ++guard) {
        if (at == 0)
            return RemoveResult::Nothing;
        const Field& f = fields[at - 1];
        if (IsHeader(f.Code) || f.Code.isNull())
            return RemoveResult::Nothing;
        if (IsCsObjectField(f.Code)) {
            const bool endBefore = at >= 2 && IsVarEnd(fields[at - 2].Code);
            const bool startAfter = at < fields.size() && IsVarStart(fields[at].Code);
            if (endBefore && startAfter)
                return RemoveResult::Refused;
            const int to = at < fields.size() ? fields[at].Tab : int(course.size());
            course.remove(f.Tab, to - f.Tab);
            caret = ValidCaret(course, f.Tab + 1);
            return RemoveResult::Removed;
        }
        if (IsVarEnd(f.Code)) {
            int depth = 0;
            size_t start = at - 1;
            for (;;) {
                const QChar c = fields[start].Code;
                if (IsVarEnd(c))
                    ++depth;
                else if (IsVarStart(c) && --depth == 0)
                    break;
                if (start == 0 || IsHeader(c))
                    return RemoveResult::Nothing; // no start: a damaged course stays as it is
                --start;
            }
            if (!confirmSplit())
                return RemoveResult::Cancelled;
            const int to = at < fields.size() ? fields[at].Tab : int(course.size());
            course.remove(fields[start].Tab, to - fields[start].Tab);
            caret = ValidCaret(course, fields[start].Tab + 1);
            return RemoveResult::Removed;
        }
        if (IsBranch(f.Code) || IsVarStart(f.Code)) {
            // Behind the end of the enclosing variation.
            int depth = IsVarStart(f.Code) ? 1 : 0;
            size_t j = at;
            for (; j < fields.size(); ++j) {
                const QChar c = fields[j].Code;
                if (IsVarStart(c))
                    ++depth;
                else if (IsVarEnd(c) && depth-- == 0)
                    break;
            }
            if (j >= fields.size())
                return RemoveResult::Nothing;
            at = j + 1;
            caret = CaretBehind(fields, j, course);
            continue;
        }
        return RemoveResult::Nothing;
    }
    return RemoveResult::Nothing;
}

QString CleanCourseName(const QString& typed)
{
    return CleanCsCode(typed);
}

bool CourseHasVariation(const QString& course)
{
    for (const Field& f : Fields(course))
        if (IsVarStart(f.Code))
            return true;
    return false;
}

DialogRefusal CheckCourseDialog(const CourseProps& v, int editedCourse, int storedLegs, bool hasVariation)
{
    const QString name = CleanCourseName(v.Name);
    if (name.isEmpty())
        return {TextKey::NoCourseName, {}, CourseField::Name};
    if (const TZmd* z = Index.ActiveZmd)
        for (int i = 0; i < z->Courses.Count(); ++i)
            if (i != editedCourse
                && GetParamName(z->Courses.Strings(i)).compare(name, Qt::CaseInsensitive) == 0)
                return {TextKey::CourseExists, name, CourseField::Name};
    if (IsRelay(v.Kind) && v.LastStart < v.FirstStart)
        return {TextKey::LastGreater, {}, CourseField::LastStart};
    if (hasVariation && editedCourse >= 0) {
        if (!IsRelay(v.Kind))
            return {TextKey::SwitchOffRelay, {}, CourseField::Kind};
        if (v.Legs != storedLegs)
            return {TextKey::ChangeLegs, {}, CourseField::Legs};
    }
    return {};
}

DialogRefusal CheckClassDialog(const QString& typed, int course, int editedClass)
{
    const QString name = CleanCourseName(typed);
    if (name.isEmpty())
        return {TextKey::ClassNameEmpty, {}, CourseField::Name};
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return {};
    for (int i = 0; i < z->Classes.Count(); ++i)
        if (i != editedClass && GetParamName(z->Classes.Strings(i)) == name)
            return {TextKey::ClassNameExists, {}, CourseField::Name};
    if (course >= 0 && course < z->Courses.Count()) {
        const QString& record = z->Courses.Strings(course);
        // Only a course marked "n" is free for many classes; no kind counts as a relay here.
        if (GetParamText(record, QLatin1Char('Y')) != QLatin1String("n")) {
            const QString courseName = GetParamName(record);
            for (int i = 0; i < z->Classes.Count(); ++i)
                if (i != editedClass && ClassCourse(z->Classes.Strings(i)) == courseName)
                    return {TextKey::OneClassRelayCourse, {}, CourseField::None};
        }
    }
    return {};
}

QStringList CourseListItems()
{
    QStringList items;
    items << QLatin1Char('<') + Text(TextKey::AllControls) + QLatin1Char('>');
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return items;
    for (int i = 0; i < z->Courses.Count(); ++i) {
        const QString name = GetParamName(z->Courses.Strings(i));
        QString item = name;
        bool first = true;
        for (int k = 0; k < z->Classes.Count(); ++k) {
            const QString& c = z->Classes.Strings(k);
            if (ClassCourse(c) != name)
                continue;
            item += (first ? QStringLiteral(": ") : QStringLiteral("-")) + GetParamName(c);
            first = false;
        }
        items << item;
    }
    return items;
}

} // namespace zemo
