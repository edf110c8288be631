#include "external/AdjTemp.h"

#include "core/Config.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/Cursors.h"
#include "edit/EditSys.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "external/Template.h"

#include <cmath>
#include <numbers>

namespace zemo {

AdjTempState AdjTemp;

namespace {

// The pixel sizes times the pairs' spread below this (0.01 mm squared): too close together.
constexpr double MinSpread = 20000;
// While the map point of a pair is awaited.
constexpr int MapPointCursor = DrawPointCursor;
// Set by the press that completed the twelfth pair: its release fits.
bool twelfthJustMarked = false;

// The angle of a vector, straight up and down included.
double AdjustAngle(double dx, double dy)
{
    if (dx == 0)
        return dy > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    const double a = std::atan(dy / dx);
    return dx < 0 ? a + std::numbers::pi : a;
}

bool TemplateChosen()
{
    const TZmd* z = Index.ActiveZmd;
    const int i = AdjTemp.TemplateIndex;
    if (!z || i < 0 || i >= z->Templates.Count())
        return false;
    const QString& text = z->Templates.Strings(i);
    return TemplateShown(text) && !IsMapTemplateName(text);
}

// The tool selected before Template > Adjust, where it is a tool of its own.
void ReturnToPreviousTool()
{
    const int wm = AdjTemp.ReturnWorkMode;
    ProgramConfig.WorkMode = wm >= WorkModes::Freehand && wm <= WorkModes::MoveParallel ? wm : WorkModes::EditPoint;
    AdjTemplateEnd();
}

void FitAndRedraw()
{
    if (FitTemplate())
        RedrawTemplateWindow();
}

} // namespace

void ResetAdjTempUnit()
{
    AdjTemp = AdjTempState{};
    twelfthJustMarked = false;
}

void RegisterAdjTemplateTool()
{
    RegisterTool(ToolModes::Template, {[](const ToolStartArgs&) { AdjTemplateStart(); }, AdjTemplateEnd,
                                       AdjTemplateMouseDown, {}, {}, AdjTemplateMouseUp, AdjTemplateKeyPress});
}

void AdjustTemplate()
{
    const int current = ProgramConfig.WorkMode;
    int index = -1;
    if (!ChooseTemplateToAdjust(index))
        return;
    AdjTemp.TemplateIndex = index;
    AdjTemp.ReturnWorkMode = current;
    ProgramConfig.WorkMode = WorkModes::TemplateAdjust;
}

// ---- Tool procedures ----

void AdjTemplateStart()
{
    if (!TemplateChosen())
        return;
    const QString& text = Index.ActiveZmd->Templates.Strings(AdjTemp.TemplateIndex);
    AdjTemp.X = SafeRound(GetParamFloat(text, u'x', 0) * 256);
    AdjTemp.Y = SafeRound(GetParamFloat(text, u'y', 0) * 256);
    AdjTemp.U = GetParamFloat(text, u'u', DefaultTemplatePixelSize);
    AdjTemp.V = GetParamFloat(text, u'v', DefaultTemplatePixelSize);
    AdjTemp.Angle = GetParamFloat(text, u'a', 0) * std::numbers::pi / 180;
    AdjTemp.Phase = 0;
    AdjTemp.Pairs = 0;
    twelfthJustMarked = false;
    UnmarkPassPoints();
    EditSys.PassPoints.clear();
    Work.ToolMode = ToolModes::Template;
    SetStatusText(Text(TextKey::MarkTemplate));
    SetToolCursor(AdjTemplateCursor);
    ShowHintNow(Text(TextKey::PressF1));
    EditPorts().SetHelpContext(AdjustTemplateHelpContext);
}

void AdjTemplateEnd()
{
    if (Work.ToolMode != ToolModes::Template)
        return;
    UnmarkPassPoints();
    EditSys.PassPoints.clear();
    ClearStatusText();
    Work.ToolMode = ToolModes::None;
    RestoreRightStatus();
    SetToolCursor(StandardCursor);
}

void AdjTemplateMouseDown()
{
    AdjTempState& s = AdjTemp;
    const double x = Masked(Work.CursorMapPos.x), y = Masked(Work.CursorMapPos.y);
    if (s.Phase == 0 && s.Pairs >= MaxAdjustPairs)
        return;
    // Every counted click shows where it landed.
    UnmarkPassPoints();
    EditSys.PassPoints.push_back(Cord{int32_t(x), int32_t(y)});
    MarkPassPoints();
    if (s.Phase == 0) {
        const double dx = (x - s.X) / 256, dy = (y - s.Y) / 256;
        const double c = std::cos(s.Angle), sn = std::sin(s.Angle);
        s.Lx[size_t(s.Pairs)] = (dx * c + dy * sn) / s.U;
        s.Ly[size_t(s.Pairs)] = (-dx * sn + dy * c) / s.V;
        SetToolCursor(MapPointCursor);
        SetStatusText(Text(TextKey::MarkMap));
        s.Phase = 1;
        return;
    }
    s.MapX[size_t(s.Pairs)] = x;
    s.MapY[size_t(s.Pairs)] = y;
    ++s.Pairs;
    if (s.Pairs < MaxAdjustPairs) {
        SetToolCursor(AdjTemplateCursor);
        SetStatusText(Text(TextKey::MarkTemplateOr));
    } else {
        ClearStatusText();
        twelfthJustMarked = true;
    }
    s.Phase = 0;
}

void AdjTemplateMouseUp()
{
    if (!twelfthJustMarked)
        return;
    twelfthJustMarked = false;
    // A fit that fails waits for a key.
    if (FitTemplate()) {
        RedrawTemplateWindow();
        ReturnToPreviousTool();
    }
}

void AdjTemplateKeyPress(int ch)
{
    if (ch == 13 && AdjTemp.Pairs >= 1 && AdjTemp.Phase == 0)
        FitAndRedraw();
    ReturnToPreviousTool();
}

// ---- The fit ----

bool ComputeTemplateFit(const AdjTempState& s, TemplateFit& fit)
{
    fit = {s.X, s.Y, s.U, s.V, s.Angle};
    const int n = std::clamp(s.Pairs, 0, MaxAdjustPairs);
    if (n == 0)
        return true;
    if (n == 1) {
        const double c = std::cos(s.Angle), sn = std::sin(s.Angle);
        fit.X = std::nearbyint(s.MapX[0] - 256 * (s.Lx[0] * s.U * c - s.Ly[0] * s.V * sn));
        fit.Y = std::nearbyint(s.MapY[0] - 256 * (s.Lx[0] * s.U * sn + s.Ly[0] * s.V * c));
        return true;
    }
    // The turn between template and map, from the farthest consecutive pair of map points.
    int far = 0;
    double best = 0;
    for (int i = 0; i + 1 < n; ++i) {
        const double dx = s.MapX[size_t(i + 1)] - s.MapX[size_t(i)], dy = s.MapY[size_t(i + 1)] - s.MapY[size_t(i)];
        if (dx * dx + dy * dy > best) {
            best = dx * dx + dy * dy;
            far = i;
        }
    }
    const size_t i0 = size_t(far), i1 = size_t(far + 1);
    const double r = AdjustAngle(s.MapX[i1] - s.MapX[i0], s.MapY[i1] - s.MapY[i0])
                   - AdjustAngle(s.Lx[i1] - s.Lx[i0], s.Ly[i1] - s.Ly[i0]);
    const double cr = std::cos(r), sr = std::sin(r);
    std::array<double, MaxAdjustPairs> tx{}, ty{};
    double mX = 0, mY = 0, mU = 0, mV = 0;
    for (size_t k = 0; k < size_t(n); ++k) {
        tx[k] = std::nearbyint(s.MapX[k] * cr + s.MapY[k] * sr);
        ty[k] = std::nearbyint(-s.MapX[k] * sr + s.MapY[k] * cr);
        mX += tx[k];
        mY += ty[k];
        mU += s.Lx[k];
        mV += s.Ly[k];
    }
    mX /= n;
    mY /= n;
    mU /= n;
    mV /= n;
    double Spq = 0, Sap = 0, Sbq = 0, Spb = 0, Saq = 0, Sbb = 0;
    for (size_t k = 0; k < size_t(n); ++k) {
        const double a = tx[k] - mX, b = ty[k] - mY, p = s.Lx[k] - mU, q = s.Ly[k] - mV;
        Spq += p * p + q * q;
        Sap += a * p;
        Sbq += b * q;
        Spb += p * b;
        Saq += a * q;
        Sbb += b * b;
    }
    if (!(Spq * s.U * s.V >= MinSpread))
        return false;
    const double D = Sbq * Sbq + Spb * Spb - Sbb * Spq;
    const double k = n > 2 && D != 0 ? (Spb * Saq - Sbq * Sap) / D : 1;
    const double A = (Sbq * k + Sap) / Spq, B = (Spb * k - Saq) / Spq;
    const double u = std::sqrt(A * A + B * B) / 256, v = u / k;
    // Coincident map points give no size at all (and k = 0 an endless one).
    if (!std::isfinite(u) || !std::isfinite(v) || u == 0 || v == 0)
        return false;
    const double a0 = AdjustAngle(A, B);
    const double dx = (mU * std::cos(a0) - mV * std::sin(a0)) * u;
    const double dy = (mV * std::cos(a0) + mU * std::sin(a0)) * v;
    const double cx = mX - 256 * dx, cy = mY - 256 * dy;
    fit.X = std::nearbyint(cx * cr - cy * sr);
    fit.Y = std::nearbyint(cx * sr + cy * cr);
    fit.U = u;
    fit.V = v;
    fit.Angle = a0 + r;
    return true;
}

bool FitTemplate()
{
    TemplateFit fit;
    if (!ComputeTemplateFit(AdjTemp, fit)) {
        ErrorMsg(TextKey::AdjTooClose, {}, AdjTooCloseHelpContext);
        return false;
    }
    if (!TemplateChosen())
        return false;
    TZmd& z = *Index.ActiveZmd;
    const int i = AdjTemp.TemplateIndex;
    QString text = z.Templates.Strings(i);
    const auto whole = [](double v) { return QString::number(int64_t(std::trunc(v / 256))); };
    SetParam(text, u'x', whole(fit.X));
    SetParam(text, u'y', whole(fit.Y));
    SetParam(text, u'a', FloatToPointStr(8, fit.Angle * 180 / std::numbers::pi));
    SetParam(text, u'u', FloatToPointStr(8, fit.U));
    SetParam(text, u'v', FloatToPointStr(8, fit.V));
    if (SavePString(z.Templates.GetNumber(i), text))
        z.Templates.SetString(i, text);
    return true;
}

} // namespace zemo
