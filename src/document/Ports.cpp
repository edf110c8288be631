#include "document/Ports.h"

#include "document/Index.h"

namespace zemo {

DocumentPortSet& DocumentPorts()
{
    static DocumentPortSet ports;
    return ports;
}

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

// ---- The least of the ports ----

bool GetMapExtentLeast(CordRect& r)
{
    return GetMapExtent(r);
}

void DeleteCsObjectStringOf(int n)
{
    if (Index.ActiveZmd)
        DeleteStringOfObject(Index.ActiveZmd->CsObjects, CsObjectType, n);
}

void DeleteObjectLinkStringOf(int n)
{
    if (Index.ActiveZmd)
        DeleteStringOfObject(Index.ActiveZmd->ObjectLinks, ObjectLinkType, n);
}

FrameTextMetrics EmFrameTextMetrics(const QString&, int height, const std::u32string& chars)
{
    return FrameTextMetrics{height, std::vector<int32_t>(chars.size(), height / 2)};
}

} // namespace zemo
