// What the map store and the editing layers ask of course setting and of the external-data
// features (templates, GPS, database links). Those libraries sit above the store: each call
// goes through its port (document/Ports.h), which does the least its caller needs until the
// wiring root binds it.
#pragma once

#include "core/Cord.h"

#include <QString>

namespace zemo {

// The calls. Until their port is bound: CheckCsObject keeps the object; the deletion of
// an object's course-object string and database link deletes that string restorably and
// takes it out of its list; GetFullExtent is the objects' extent; the rest do nothing. The
// other template calls are the ports themselves (document/Ports.h).
bool CheckCsObject();
void RepaintCourse();
void DeleteCsObjectOfElement(int n);
void StoreCsObjectProps();
void SortCsObjects();
void ShowCsObjectProps();
void RefreshCoursePreview();
// A map was opened or its window activated: the course panel shows its lists.
void PrepareCoursePanel();
// A course-setting map was read: what a preview or damage left in it is put right and reported.
void CheckCourseMap();
// Ends the active map's course preview, whose generated objects no saved file may hold; true
// when one was on. The map stays as changed as it was.
bool EndCoursePreview();
// For its life the active map shows no course preview (a copy of its file is made); the
// preview is built again afterwards.
class CoursePreviewPause {
public:
    CoursePreviewPause() : on_(EndCoursePreview()) {}
    ~CoursePreviewPause();
    CoursePreviewPause(const CoursePreviewPause&) = delete;
    CoursePreviewPause& operator=(const CoursePreviewPause&) = delete;

private:
    bool on_;
};
bool GetFullExtent(CordRect& r);
void DeleteObjectLink(int n);
void GetData();
void ShowObjectRecord();
void ResetDbLinks();
void WriteSymbolField(int n);
void LoadMapTemplates();
void UnloadTemplate();

// Template strings (type 8) as the store keeps them: the name field, then coded fields.
// The name with "\" read as "/".
QString TemplateFileName(const QString& text);
// The name ends in ".zmd", any case: the template is another map.
bool IsMapTemplateName(const QString& text);
// Field s is "1".
bool TemplateShown(const QString& text);

} // namespace zemo
