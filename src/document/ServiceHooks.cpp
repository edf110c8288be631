#include "document/ServiceHooks.h"

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
bool GetFullExtent(CordRect& r) { return DocumentPorts().GetFullExtent(r); }
void DeleteObjectLink(int n) { DocumentPorts().DeleteObjectLink(n); }
void GetData() { DocumentPorts().GetData(); }
void ShowObjectRecord() { DocumentPorts().ShowObjectRecord(); }
void ResetDbLinks() { DocumentPorts().ResetDbLinks(); }
void WriteSymbolField(int n) { DocumentPorts().WriteSymbolField(n); }
void LoadMapTemplates() { DocumentPorts().LoadMapTemplates(); }

} // namespace zemo
