// What the map store and the editing layers ask of course setting and of the external-data
// features (templates, GPS, database links). Those libraries sit above the store and register
// their routines here at start-up; until they do, each call does the least its caller needs.
#pragma once

#include "core/Cord.h"

#include <functional>

namespace zemo {

struct CourseServices {
    // After a drawing tool appended and selected a new object: false = it must not remain.
    std::function<bool()> CheckCsObject;
    std::function<void()> RepaintCourse;
    // After object n of a course-setting map was deleted.
    std::function<void(int n)> DeleteCsObjectOfElement;
    std::function<void()> StoreCsObjectProps;
    std::function<void()> SortCsObjects;
    std::function<void()> ShowCsObjectProps;
    std::function<void()> RefreshCoursePreview;
};

struct ExternalServices {
    std::function<bool(CordRect& r)> GetFullExtent;
    std::function<void(int n)> DeleteObjectLink;
    std::function<void()> GetData;
    std::function<void()> ShowObjectRecord;
    std::function<void()> ResetDbLinks;
    std::function<void(int n)> WriteSymbolField;
    std::function<void()> LoadMapTemplates;
};

extern CourseServices CourseHooks;
extern ExternalServices ExternalHooks;

// The calls. Without a registered routine: CheckCsObject keeps the object; the deletion of
// an object's course-object string and database link deletes that string restorably and
// takes it out of its list; GetFullExtent is the objects' extent; the rest do nothing.
bool CheckCsObject();
void RepaintCourse();
void DeleteCsObjectOfElement(int n);
void StoreCsObjectProps();
void SortCsObjects();
void ShowCsObjectProps();
void RefreshCoursePreview();
bool GetFullExtent(CordRect& r);
void DeleteObjectLink(int n);
void GetData();
void ShowObjectRecord();
void ResetDbLinks();
void WriteSymbolField(int n);
void LoadMapTemplates();

} // namespace zemo
