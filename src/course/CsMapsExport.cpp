#include "course/CsMapsExport.h"

#include "core/Folders.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "course/CourseEdit.h"
#include "course/CsData.h"
#include "course/CsOptions.h"
#include "course/CsPreview.h"
#include "course/DescriptionScale.h"
#include "course/Ports.h"
#include "course/CsObject.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/ServiceHooks.h"
#include "document/Subset.h"
#include "document/Undo.h"

#include <QSet>

namespace zemo {

namespace {

// Course maps are ordinary maps.
constexpr uint16_t OrdinaryMapType = 2;

QString Entry(int course)
{
    if (course < 0)
        return QStringLiteral("All");
    QString name = GetParamName(Index.ActiveZmd->Courses.Strings(course));
    for (QChar& c : name) {
        const char16_t u = c.unicode();
        const bool kept = (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z')
                          || u == u'-' || u == u'_';
        if (!kept)
            c = u'_';
    }
    return name;
}

// The objects the preview leaves shown, in index order, into the subset file; each object's
// new number by its old one (0: not written).
bool AppendShownObjects(std::vector<int>& numbers)
{
    TZmd& z = *Index.ActiveZmd;
    numbers.assign(size_t(z.HighestObject) + 1, 0);
    for (int n = 1; n <= z.HighestObject; ++n) {
        const ObjectIndexEntry& e = z.Entry(n);
        if (int16_t(e.Symbol) <= 0 || e.Symbol >= 10000 || e.Length == 0)
            continue;
        if (!ReadElement(n, AuxElement3))
            continue;
        const int before = SubsetObjectCount();
        if (!SubsetAppendObject(AuxElement3))
            return false;
        if (SubsetObjectCount() > before)
            numbers[size_t(n)] = SubsetObjectCount();
    }
    return true;
}

} // namespace

QString CourseMapName(int course)
{
    return QStringLiteral("Cs_") + Entry(course) + QStringLiteral(".zmd");
}

QStringList CourseMapNames(const std::vector<int>& entries)
{
    QStringList names;
    QSet<QString> taken;
    for (int entry : entries) {
        const QString base = CourseMapName(entry - 1);
        QString name = base;
        for (int k = 2; taken.contains(name.toLower()); ++k)
            name = base.left(base.size() - 4) + u'_' + QString::number(k) + QStringLiteral(".zmd");
        taken.insert(name.toLower());
        names << name;
    }
    return names;
}

bool ExportCourseMap(int course, const QString& path)
{
    TZmd& z = *Index.ActiveZmd;
    if (!CreateSubsetFile(path, OrdinaryMapType, z.Setup))
        return false;
    DropGeneratedObjects();
    z.CoursePreviewOn = 1;
    z.CurrentCourseTag.clear();
    ScaleDescriptionSymbols(CurrentCourseOptions().BoxSize);
    const bool generated = course >= 0 ? GeneratePreview(course, 0, 0) : PreviewAllControls();
    std::vector<int> numbers;
    if (!generated || !AppendShownObjects(numbers) || !SubsetCopyPStrings(&numbers) || !SubsetWriteSymbols(false)) {
        AbandonSubsetFile();
        return false;
    }
    return CloseSubsetFile();
}

int ExportCourseMapsOf(const std::vector<bool>& chosen)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || !z->CourseMap)
        return 0;
    std::vector<int> entries;
    for (size_t i = 0; i < chosen.size() && int(i) <= z->Courses.Count(); ++i)
        if (chosen[i])
            entries.push_back(int(i));
    for (int entry : entries)
        if (!CheckCourse(entry - 1))
            return 0;
    const QStringList names = CourseMapNames(entries);
    const QString folder = ExtractFileDir(CurrentMapPath());
    const uint8_t modified = z->Modified;
    const bool undo = UndoEnabled;
    UndoEnabled = false;
    int written = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!CheckCourse(entries[i] - 1) || !ExportCourseMap(entries[i] - 1, folder + u'/' + names[qsizetype(i)]))
            break;
        ++written;
    }
    DropGeneratedObjects();
    z->CoursePreviewOn = 0;
    UndoEnabled = undo;
    z->Modified = modified;
    RefreshCoursePreview();
    return written;
}

void ExportCourseMaps()
{
    TZmd* z = Index.ActiveZmd;
    course::StoreCsObjectProps();
    if (!z || !z->CourseMap || !EnsureMapSaved())
        return;
    const QStringList items = CourseListItems();
    std::vector<bool> chosen(size_t(items.size()), false);
    if (!CoursePorts().RunExpCsMapsDlg(items, chosen))
        return;
    ExportCourseMapsOf(chosen);
}

} // namespace zemo
