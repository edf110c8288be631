#include "course/CsStat.h"

#include "core/StringX.h"
#include "course/CsData.h"
#include "course/Ports.h"
#include "document/Index.h"

#include <algorithm>
#include <vector>

namespace zemo {

namespace {

// Where the walk is: the course itself, or a branch of a leg or a team variation.
enum class Frame { Course, Leg, Team };

struct Level {
    Frame frame;
    int64_t legs; // runners per team passing this branch
};

// The number of legs a leg-variation branch lists ("1-3" runs legs 1 and 3).
int64_t BranchLegs(const QString& value)
{
    int64_t n = 0;
    for (const QString& part : value.split(QLatin1Char('-')))
        if (!TrimBlanks(part).isEmpty())
            ++n;
    return n;
}

QChar CodeOf(const QString& field)
{
    return field.isEmpty() ? QChar(u' ') : field.at(0);
}

} // namespace

int64_t CountInCourse(const QString& course, const QString& code, int& passes)
{
    passes = 0;
    QStringList fields = course.split(QLatin1Char('\t'));
    fields.removeFirst(); // the name
    const CourseKind kind = CourseKindOf(course);
    const int64_t runners = std::max(0, GetParamInt(course, QLatin1Char('R'), 0));
    const int64_t teamLegs = IsRelay(kind) ? std::max(1, GetParamInt(course, QLatin1Char('L'), 1)) : 1;

    // An explicit stack, so that deep nesting in a damaged course cannot exhaust ours.
    std::vector<Level> levels{{Frame::Course, teamLegs}};
    int64_t count = 0;
    qsizetype i = 0;
    // Moves i to the first field with this code at or after `from`; false when there is none.
    const auto skipTo = [&](qsizetype from, QChar letter) {
        while (from < fields.size() && CodeOf(fields[from]) != letter)
            ++from;
        i = from;
        return from < fields.size();
    };
    while (i < fields.size()) {
        const QString& f = fields[i];
        const QChar c = CodeOf(f);
        const Frame frame = levels.back().frame;
        if (c == u'c' || c == u's') {
            if (f.mid(1) == code) {
                count += runners * levels.back().legs;
                ++passes;
            }
            ++i;
        } else if (c == u'l') {
            if (!skipTo(i + 1, QLatin1Char('b')))
                break;
            levels.push_back({Frame::Leg, BranchLegs(fields[i].mid(1))});
            ++i;
        } else if (c == u'r') {
            if (!skipTo(i + 1, QLatin1Char('v')))
                break;
            levels.push_back({Frame::Team, 1});
            ++i;
        } else if (c == u'b' || c == u'p' || c == u'v' || c == u'q') {
            // Ends the branch that meets it; its variation looks at the field.
            if (frame == Frame::Course)
                break;
            if (frame == Frame::Leg && c == u'b') {
                levels.back().legs = BranchLegs(f.mid(1));
                ++i;
            } else if (frame == Frame::Team && c == u'v') {
                ++i;
            } else {
                levels.pop_back();
                // A variation's own end is taken; another end is left to the enclosing one.
                if ((frame == Frame::Leg && c == u'p') || (frame == Frame::Team && c == u'q'))
                    ++i;
            }
        } else {
            ++i;
        }
    }
    return count;
}

int64_t CountControlUse(const QString& code, QStringList* courses)
{
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return 0;
    int64_t total = 0;
    for (int c = 0; c < z->Courses.Count(); ++c) {
        const QString& course = z->Courses.Strings(c);
        int passes = 0;
        total += CountInCourse(course, code, passes);
        if (courses)
            for (int k = 0; k < passes; ++k)
                courses->append(GetParamName(course));
    }
    return total;
}

QStringList ControlStatItems()
{
    QStringList items;
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return items;
    for (int i = 0; i < z->CsObjects.Count(); ++i) {
        const QString& record = z->CsObjects.Strings(i);
        const int type = CsObjectTypeOf(record);
        if (type != CsStart && type != CsControl)
            continue;
        const QString code = CsObjectCode(record);
        items.append(code + QLatin1Char('\t') + QString::number(CountControlUse(code)));
    }
    return items;
}

QStringList CoursesOfStatItem(const QString& item)
{
    QStringList courses;
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return courses;
    const QString code = item.section(QLatin1Char('\t'), 0, 0);
    for (int i = 0; i < z->CsObjects.Count(); ++i)
        if (CsObjectCode(z->CsObjects.Strings(i)) == code) {
            CountControlUse(code, &courses);
            break;
        }
    return courses;
}

void ShowCourseStatistics()
{
    if (Index.ActiveZmd)
        CoursePorts().RunCsStatDlg();
}

} // namespace zemo
