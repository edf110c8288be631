#include "external/AdjGps.h"
#include "external/Ports.h"

#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Cord.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "edit/Cursors.h"
#include "edit/EditSys.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "external/Gps.h"
#include "external/Ports.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zemo {

AdjGpsState AdjGps;

namespace {

// The map length in 0.01 mm of one degree on a sphere of radius 6378160 m, times the scale.
constexpr double DegreeLength = std::numbers::pi * 637816000000.0 / 180;
constexpr double MinSpread = 1e-7;
constexpr double MapLimit = 200000;
// The code page of the points' names in the map.
constexpr int NameCodePage = 1252;

double Radians(double degrees) { return degrees * std::numbers::pi / 180; }

// A map coordinate in 0.01 mm (div 256, toward zero).
double Hundredths(int32_t v) { return double(Masked(v) / 256); }

void ReturnToPreviousTool()
{
    const int wm = AdjGps.ReturnWorkMode;
    ProgramConfig.WorkMode = wm >= WorkModes::Freehand && wm <= WorkModes::MoveParallel ? wm : WorkModes::EditPoint;
    AdjGpsEnd();
}

} // namespace

void ResetAdjGpsUnit() { AdjGps = AdjGpsState{}; }

void GpsToMap(double latitude, double longitude, double& x, double& y)
{
    const GpsTransform& t = AdjGps.Fit;
    const double dx = (longitude - t.RefLongitude) * t.Kx, dy = latitude - t.RefLatitude;
    x = std::clamp((dx * t.C - dy * t.S) * t.Fx + t.RefX, -MapLimit, MapLimit);
    y = std::clamp((dy * t.C + dx * t.S) * t.Fy + t.RefY, -MapLimit, MapLimit);
}

bool FitGpsTransformation()
{
    SetupRecord* st = Stp();
    const int n = std::clamp(int(st->GpsAdjustPointCount), 0, MaxGpsAdjustPoints);
    if (n == 0)
        return true;
    GpsTransform t;
    if (n == 1) {
        const GpsAdjustPoint& p = st->GpsAdjustPoints[0];
        t.RefLatitude = p.Latitude;
        t.RefLongitude = p.Longitude;
        t.RefX = Hundredths(p.X);
        t.RefY = Hundredths(p.Y);
        t.Kx = std::cos(Radians(p.Latitude));
        t.Fx = t.Fy = st->MapScale > 0 ? DegreeLength / st->MapScale : 0;
        t.C = std::cos(Radians(st->GpsAngle));
        t.S = std::sin(Radians(st->GpsAngle));
        AdjGps.Fit = t;
        return true;
    }
    double mx = 0, my = 0, mla = 0, mlo = 0;
    for (int i = 0; i < n; ++i) {
        const GpsAdjustPoint& p = st->GpsAdjustPoints[size_t(i)];
        mx += Hundredths(p.X);
        my += Hundredths(p.Y);
        mla += p.Latitude;
        mlo += p.Longitude;
    }
    mx /= n;
    my /= n;
    t.RefLatitude = mla / n;
    t.RefLongitude = mlo / n;
    t.RefX = std::nearbyint(mx);
    t.RefY = std::nearbyint(my);
    t.Kx = std::cos(Radians(t.RefLatitude));
    double spq = 0, sap = 0, sbq = 0, spb = 0, saq = 0, sbb = 0;
    for (int i = 0; i < n; ++i) {
        const GpsAdjustPoint& pt = st->GpsAdjustPoints[size_t(i)];
        const double a = Hundredths(pt.X) - mx, b = Hundredths(pt.Y) - my;
        const double p = (pt.Longitude - t.RefLongitude) * t.Kx, q = pt.Latitude - t.RefLatitude;
        spq += p * p + q * q;
        sap += a * p;
        sbq += b * q;
        spb += p * b;
        saq += a * q;
        sbb += b * b;
    }
    double k = 1;
    double A = 0, B = 0;
    if (spq >= MinSpread) {
        const double d = spb * spb + sbq * sbq - sbb * spq;
        if (n >= 3 && d != 0)
            k = std::clamp((spb * saq - sbq * sap) / d, 0.5, 2.0);
        A = (sbq * k + sap) / spq;
        B = (spb * k - saq) / spq;
    }
    t.Fx = std::sqrt(A * A + B * B);
    // Positions apart on one map point give no scale at all: nothing to divide by.
    if (spq < MinSpread || !(t.Fx > 0) || !std::isfinite(t.Fx)) {
        ErrorMsg(TextKey::AdjTooClose, {}, GpsTooCloseHelpContext);
        return false;
    }
    t.Fy = t.Fx / k;
    t.S = B / t.Fx;
    t.C = A / t.Fx;
    st->GpsAngle = VectorAngle(A, B) * 180 / std::numbers::pi;
    AdjGps.Fit = t;
    return true;
}

void ShowAdjustGpsDialog()
{
    SetupRecord* st = Stp();
    if (st->GpsAdjustPointCount < 1 || st->GpsAdjustPointCount > MaxGpsAdjustPoints)
        st->GpsAdjustPointCount = 0;
    const AdjustGpsResult r = ExternalPorts().RunAdjustGps();
    SetupRecord edited = *st;
    edited.GpsAngle = std::clamp(r.Angle, -360.0, 360.0);
    StoreSetup(edited);
    if (st->GpsAdjustPointCount > 0)
        FitGpsTransformation();
    if (r.NewPoint) {
        AdjGps.ReturnWorkMode = ProgramConfig.WorkMode;
        ProgramConfig.WorkMode = WorkModes::GpsAdjust;
    }
}

bool GpsNewPointAllowed()
{
    return ProgramConfig.GpsEnabled && Index.ActiveZmd && Stp()->GpsAdjustPointCount < MaxGpsAdjustPoints;
}

void DeleteGpsPoint(int i)
{
    SetupRecord* st = Stp();
    const int n = std::clamp(int(st->GpsAdjustPointCount), 0, MaxGpsAdjustPoints);
    if (i < 0 || i >= n)
        return;
    std::move(st->GpsAdjustPoints.begin() + i + 1, st->GpsAdjustPoints.begin() + n, st->GpsAdjustPoints.begin() + i);
    st->GpsAdjustPoints[size_t(n - 1)] = GpsAdjustPoint{};
    st->GpsAdjustPointCount = n - 1;
}

QString GpsPointName(int i)
{
    return DecodeCodePage(NameCodePage, QByteArray::fromStdString(Stp()->GpsAdjustPoints[size_t(i)].Name));
}

void SetGpsPointName(int i, const QString& name)
{
    Stp()->GpsAdjustPoints[size_t(i)].Name = EncodeCodePage(NameCodePage, name).left(GpsPointNameLength).toStdString();
}

void RegisterAdjGpsTool()
{
    RegisterTool(ToolModes::GpsAdjust,
                 {[](const ToolStartArgs&) { AdjGpsStart(); }, AdjGpsEnd, AdjGpsMouseDown, {}, {}, AdjGpsMouseUp,
                  AdjGpsKeyPress});
}

// ---- Tool procedures ----

void AdjGpsStart()
{
    Work.ToolMode = ToolModes::GpsAdjust;
    AdjGps.Clicked = false;
    SetStatusText(Text(TextKey::AdjustGps));
    SetToolCursor(AdjGpsCursor);
    ShowHintNow(Text(TextKey::PressF1));
    EditPorts().SetHelpContext(AdjustGpsHelpContext);
}

void AdjGpsEnd()
{
    if (Work.ToolMode != ToolModes::GpsAdjust)
        return;
    ClearStatusText();
    Work.ToolMode = ToolModes::None;
    RestoreRightStatus();
    SetToolCursor(StandardCursor);
}

void AdjGpsMouseDown()
{
    AdjGps.Clicked = true;
    SetupRecord* st = Stp();
    const int n = std::clamp(int(st->GpsAdjustPointCount), 0, MaxGpsAdjustPoints);
    if (Gps.MeanCount < 1 || n >= MaxGpsAdjustPoints) {
        ErrorMsg(TextKey::NoValidGps);
        return;
    }
    GpsAdjustPoint& p = st->GpsAdjustPoints[size_t(n)];
    p.X = Masked(Work.CursorMapPos.x);
    p.Y = Masked(Work.CursorMapPos.y);
    p.Latitude = Gps.MeanLatitude;
    p.Longitude = Gps.MeanLongitude;
    SetGpsPointName(n, Text(TextKey::Point) + u' ' + QString::number(n + 1));
    st->GpsAdjustPointCount = n + 1;
    FitGpsTransformation();
    UnmarkGps();
    double x = 0, y = 0;
    GpsToMap(Gps.MeanLatitude, Gps.MeanLongitude, x, y);
    EditSys.GpsPosition = Cord{int32_t(std::nearbyint(x)) * 256, int32_t(std::nearbyint(y)) * 256};
    MarkGps();
}

void AdjGpsMouseUp()
{
    if (!AdjGps.Clicked)
        return;
    AdjGps.Clicked = false;
    WriteSetup();
    ReturnToPreviousTool();
}

void AdjGpsKeyPress(int ch)
{
    if (ch == 27)
        ReturnToPreviousTool();
}

} // namespace zemo

namespace zemo {

double StoredGpsAngle() { return Index.ActiveZmd ? Stp()->GpsAngle : 0; }

} // namespace zemo
