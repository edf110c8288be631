// What the map store and the editing layers ask of course setting and of the external-data
// features (templates, GPS, database links). Those libraries sit above the store: each call
// goes through its port (document/Ports.h), which does the least its caller needs until the
// wiring root binds it.
#pragma once

#include "core/Cord.h"

namespace zemo {

// The calls. Until their port is bound: CheckCsObject keeps the object; the deletion of
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
