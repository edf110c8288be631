#include "document/ServiceHooks.h"

#include "core/Errors.h"
#include "core/StringX.h"
#include "document/Ports.h"

namespace zemo {

// ---- The calls ----

bool CheckCsObject() { return DocumentPorts().CheckCsObject(); }
void RepaintCourse() { DocumentPorts().RepaintCourse(); }
void DeleteCsObjectOfElement(int n) { DocumentPorts().DeleteCsObjectOfElement(n); }
void StoreCsObjectProps() { DocumentPorts().StoreCsObjectProps(); }
void SortCsObjects() { DocumentPorts().SortCsObjects(); }
void ShowCsObjectProps() { DocumentPorts().ShowCsObjectProps(); }
void RefreshCoursePreview() { DocumentPorts().RefreshCoursePreview(); }
void PrepareCoursePanel() { DocumentPorts().PrepareCoursePanel(); }
void CheckCourseMap() { DocumentPorts().CheckCourseMap(); }
bool EndCoursePreview() { return DocumentPorts().EndCoursePreview(); }

CoursePreviewPause::~CoursePreviewPause()
{
    if (!on_)
        return;
    try {
        RefreshCoursePreview();
    } catch (const EAbort&) {
        // Reported where it failed; the map shows no preview.
    }
}
bool GetFullExtent(CordRect& r) { return DocumentPorts().GetFullExtent(r); }
void DeleteObjectLink(int n) { DocumentPorts().DeleteObjectLink(n); }
void GetData() { DocumentPorts().GetData(); }
void ShowObjectRecord() { DocumentPorts().ShowObjectRecord(); }
void ResetDbLinks() { DocumentPorts().ResetDbLinks(); }
void WriteSymbolField(int n) { DocumentPorts().WriteSymbolField(n); }
void LoadMapTemplates() { DocumentPorts().LoadMapTemplates(); }
void UnloadTemplate() { DocumentPorts().UnloadTemplate(); }

// ---- Template strings ----

QString TemplateFileName(const QString& text)
{
    QString name = GetParamName(text);
    name.replace(u'\\', u'/');
    return name;
}

bool IsMapTemplateName(const QString& text)
{
    return TemplateFileName(text).endsWith(QLatin1String(".zmd"), Qt::CaseInsensitive);
}

bool TemplateShown(const QString& text)
{
    return GetParamText(text, u's') == QLatin1String("1");
}

} // namespace zemo
