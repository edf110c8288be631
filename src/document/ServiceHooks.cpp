#include "document/ServiceHooks.h"

#include "document/Index.h"

namespace zemo {

CourseServices CourseHooks;
ExternalServices ExternalHooks;

namespace {

// Deletes the string of `type` that belongs to object n restorably and drops it from its list.
void DeleteStringOfObject(TNumStringList& list, int type, int n)
{
    int pos = -1;
    if (!Index.ActiveZmd || !FindPString(n, type, list, pos))
        return;
    DeletePString(list.GetNumber(pos));
    list.Delete(pos);
}

} // namespace

bool CheckCsObject()
{
    return CourseHooks.CheckCsObject ? CourseHooks.CheckCsObject() : true;
}

void RepaintCourse()
{
    if (CourseHooks.RepaintCourse)
        CourseHooks.RepaintCourse();
}

void DeleteCsObjectOfElement(int n)
{
    if (CourseHooks.DeleteCsObjectOfElement)
        CourseHooks.DeleteCsObjectOfElement(n);
    else if (Index.ActiveZmd)
        DeleteStringOfObject(Index.ActiveZmd->CsObjects, CsObjectType, n);
}

void StoreCsObjectProps()
{
    if (CourseHooks.StoreCsObjectProps)
        CourseHooks.StoreCsObjectProps();
}

void SortCsObjects()
{
    if (CourseHooks.SortCsObjects)
        CourseHooks.SortCsObjects();
}

void ShowCsObjectProps()
{
    if (CourseHooks.ShowCsObjectProps)
        CourseHooks.ShowCsObjectProps();
}

void RefreshCoursePreview()
{
    if (CourseHooks.RefreshCoursePreview)
        CourseHooks.RefreshCoursePreview();
}

bool GetFullExtent(CordRect& r)
{
    return ExternalHooks.GetFullExtent ? ExternalHooks.GetFullExtent(r) : GetMapExtent(r);
}

void DeleteObjectLink(int n)
{
    if (ExternalHooks.DeleteObjectLink)
        ExternalHooks.DeleteObjectLink(n);
    else if (Index.ActiveZmd)
        DeleteStringOfObject(Index.ActiveZmd->ObjectLinks, ObjectLinkType, n);
}

void GetData()
{
    if (ExternalHooks.GetData)
        ExternalHooks.GetData();
}

void ShowObjectRecord()
{
    if (ExternalHooks.ShowObjectRecord)
        ExternalHooks.ShowObjectRecord();
}

void ResetDbLinks()
{
    if (ExternalHooks.ResetDbLinks)
        ExternalHooks.ResetDbLinks();
}

void WriteSymbolField(int n)
{
    if (ExternalHooks.WriteSymbolField)
        ExternalHooks.WriteSymbolField(n);
}

void LoadMapTemplates()
{
    if (ExternalHooks.LoadMapTemplates)
        ExternalHooks.LoadMapTemplates();
}

} // namespace zemo
