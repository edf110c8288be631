#include "course/CsOptions.h"

#include "core/StringX.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/EditSys.h"

#include <vector>

namespace zemo {

namespace {

bool InRange(double v, double lo, double hi)
{
    return v >= lo && v <= hi;
}

} // namespace

CourseOptions ParseCourseOptions(const QString& text)
{
    const PString p = text;
    CourseOptions o;
    o.PrintCodes = GetParamBool(p, QLatin1Char('c'), false);
    o.NumberDistance = GetParamFloat(p, QLatin1Char('n'), 1.0);
    o.LineDistance = GetParamFloat(p, QLatin1Char('l'), 0.0);
    o.Title = GetParamInt(p, QLatin1Char('t'), TitleAuto);
    if (o.Title < TitleAuto || o.Title > TitleCourseOnly)
        o.Title = TitleAuto;
    o.BoxSize = GetParamFloat(p, QLatin1Char('s'), StandardBoxSize);
    if (!InRange(o.BoxSize, MinBoxSize, MaxBoxSize))
        o.BoxSize = StandardBoxSize;
    // Distances a damaged string puts out of the dialog's range are shown as their defaults,
    // so that OK never stores what the fields would refuse.
    if (!InRange(o.NumberDistance, 0, MaxCourseDistance))
        o.NumberDistance = 1.0;
    if (!InRange(o.LineDistance, 0, MaxCourseDistance))
        o.LineDistance = 0.0;
    return o;
}

QString CourseOptionsText(const CourseOptions& o)
{
    return BoolParamStr(QLatin1Char('c'), o.PrintCodes) + FloatParamStr(QLatin1Char('n'), 2, o.NumberDistance)
           + FloatParamStr(QLatin1Char('l'), 2, o.LineDistance) + IntParamStr(QLatin1Char('t'), o.Title)
           + FloatParamStr(QLatin1Char('s'), 2, o.BoxSize);
}

CourseOptions CurrentCourseOptions()
{
    const TZmd* z = Index.ActiveZmd;
    const int slot = MapSettingsSlot(CourseOptionsType);
    return ParseCourseOptions(z && slot >= 0 ? z->MapSettings[size_t(slot)] : QString());
}

bool StoreCourseOptions(const CourseOptions& o)
{
    TZmd* z = Index.ActiveZmd;
    // Options as the map holds them (stored or not) leave it unchanged.
    if (z && CourseOptionsText(o) == CourseOptionsText(CurrentCourseOptions()))
        return true;
    if (!z || !SaveTypedPString(CourseOptionsText(o), CourseOptionsType))
        return false;
    if (z->CoursePreviewOn)
        RefreshCoursePreview();
    return true;
}

int ResetCourseObjects()
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return 0;
    const ObjectIndexEntry keepEntry = Index.CurIndex;
    const int keepNumber = Index.CurIndexNo;
    std::vector<int> links;
    for (int i = 0; i < z->CsObjectLinks.Count(); ++i)
        links.push_back(z->CsObjectLinks.GetNumber(i));
    for (int s : links) {
        // Erasing an object may take other links with it.
        if (z->CsObjectLinks.IndexOfNumber(s) < 0)
            continue;
        if (IndexFromStIndex(s)) {
            const CordRect r = Index.CurIndex.Rect;
            DeleteElement(Index.CurIndexNo);
            UpdateRect(r);
        }
        if (const int at = z->CsObjectLinks.IndexOfNumber(s); at >= 0) {
            DeletePString(s);
            z->CsObjectLinks.Delete(at);
        }
    }
    z->CsObjectLinks.Clear();
    Index.CurIndex = keepEntry;
    Index.CurIndexNo = keepNumber;
    if (z->CoursePreviewOn)
        RefreshCoursePreview();
    return int(links.size());
}

} // namespace zemo
