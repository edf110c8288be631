#include "course/CourseExport.h"

#include "core/CodePage.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "course/CsData.h"
#include "course/CsLength.h"
#include "course/Ports.h"
#include "document/FileReplace.h"
#include "course/CsObject.h"
#include "document/Index.h"

#include <QDir>

namespace zemo {

namespace {

constexpr int CoursesTextCodePage = 1252;

bool CheckAllCourses()
{
    const TZmd* z = Index.ActiveZmd;
    for (int c = 0; z && c < z->Courses.Count(); ++c)
        if (!CheckCourse(c))
            return false;
    return z != nullptr;
}

} // namespace

QString CourseExportField(const QString& text)
{
    QString out = text;
    return out.replace(QLatin1Char(';'), QLatin1Char(','));
}

QStringList CourseExportLines(int course, const QString& className)
{
    QStringList lines;
    if (!CheckCourse(course))
        return lines;
    const CheckedCourse k = CsData.Checked;
    const QString head = CourseExportField(className) + QLatin1Char(';')
                         + CourseExportField(GetParamName(Index.ActiveZmd->Courses.Strings(course)))
                         + QLatin1Char(';');
    const bool relay = k.Kind == CourseKind::Relay;
    const int legs = relay ? k.Legs : 1;
    const int first = IsRelay(k.Kind) ? k.FirstStart : 0;
    const int last = IsRelay(k.Kind) ? k.LastStart : 0;
    for (int team = first; team <= last; ++team)
        for (int leg = 1; leg <= legs; ++leg) {
            QString length;
            CourseLength(course, leg, team, length, true);
            QString line = head + QString::number(team);
            if (relay)
                line += QLatin1Char('.') + QString::number(leg);
            lines.append(line + QLatin1Char(';') + length);
        }
    return lines;
}

bool BuildCoursesText(int by, QByteArray& bytes)
{
    bytes.clear();
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return false;
    const auto add = [&](int course, const QString& className) {
        const QStringList lines = CourseExportLines(course, className);
        if (lines.isEmpty())
            return false;
        for (const QString& line : lines)
            bytes += EncodeCodePage(CoursesTextCodePage, line) + "\r\n";
        return true;
    };
    if (by == ExportByClass) {
        for (int k = 0; k < z->Classes.Count(); ++k) {
            const QString& cls = z->Classes.Strings(k);
            const QString course = ClassCourse(cls);
            for (int c = 0; c < z->Courses.Count(); ++c)
                if (GetParamName(z->Courses.Strings(c)) == course && !add(c, GetParamName(cls)))
                    return false;
        }
    } else {
        for (int c = 0; c < z->Courses.Count(); ++c)
            if (!add(c, QString()))
                return false;
    }
    return true;
}

bool WriteCoursesText(const QString& fileName, int by)
{
    // Everything is built before the file is begun: a failing course leaves it as it was.
    QByteArray bytes;
    if (!BuildCoursesText(by, bytes))
        return false;
    TReplacingFile file;
    if (!file.Begin(fileName))
        return false;
    file.Append({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
    return file.Commit();
}

bool AcceptExportCoursesBy(int by)
{
    if (by == ExportByClass && (!Index.ActiveZmd || Index.ActiveZmd->Classes.Count() == 0)) {
        ErrorMsg(TextKey::NoClassesDefined, {}, ExportCoursesHelpContext);
        return false;
    }
    return true;
}

void ExportCoursesText()
{
    const TZmd* z = Index.ActiveZmd;
    course::StoreCsObjectProps();
    if (!z || !CheckAllCourses())
        return;
    const QString mapPath = CurrentMapPath();
    QString name = QDir(mapPath.isEmpty() ? GetMapFolder() : ExtractFileDir(mapPath))
                       .filePath(QStringLiteral("Courses.txt"));
    int by = z->Classes.Count() > 0 ? ExportByClass : ExportByCourse;
    if (!CoursePorts().RunExpCourseDlg(by))
        return;
    const QString filter = Text(TextKey::TextFiles) + QStringLiteral(" (*.txt)|*.txt|") + Text(TextKey::AllFiles)
                           + QStringLiteral(" (*.*)|*.*");
    if (!ExecSaveDialog(Text(TextKey::ExportCourses), filter, QStringLiteral("txt"), ExportCoursesHelpContext, name))
        return;
    WriteCoursesText(name, by);
}

} // namespace zemo
