#include "external/TempResol.h"

#include "core/FieldChecks.h"
#include "core/LangTexts.h"
#include "core/StringX.h"
#include "external/Ports.h"
#include "external/Template.h"

#include <cmath>
#include <numbers>

namespace zemo {

namespace {

QString Label(TextKey k)
{
    return Text(k).remove(u'&');
}

double Number(const QString& text)
{
    double v = 0;
    TryPointStrToFloat(text, v);
    return v;
}

int Dpi(const QString& text)
{
    int v = 0;
    TryTrimStrToInt(text, v);
    return v;
}

} // namespace

TempResolFields TempResolFieldsOf(int dpi, const SetupRecord& setup, const QString& settings)
{
    TempResolFields f;
    f.noResolution = dpi < MinTemplateDpi || dpi > MaxTemplateDpi;
    f.resol = QString::number(f.noResolution ? 0 : dpi);
    const double draft = GetParamFloat(settings, u's', setup.MapScale);
    f.draftScale = ScaleComboText(std::isfinite(draft) ? draft : setup.MapScale);
    f.angle = QStringLiteral("0.0");
    f.mapScale = ScaleComboText(setup.MapScale);
    return f;
}

TempResolField CheckTempResolFields(const TempResolFields& f)
{
    if (!CheckRealText(f.mapScale, Label(TextKey::MapScale), 1, MaxTemplateMapScale))
        return TempResolField::MapScale;
    if (!CheckDpiText(f.resol, Label(TextKey::Resolution), MinTemplateDpi, MaxTemplateDpi))
        return TempResolField::Resol;
    const double mapScale = Number(f.mapScale);
    if (!CheckRealText(f.draftScale, Label(TextKey::DraftScale), mapScale / 10, mapScale * 10))
        return TempResolField::DraftScale;
    if (!CheckNumberText(f.angle, Label(TextKey::Angle)))
        return TempResolField::Angle;
    return TempResolField::None;
}

void PlaceByResolution(const TempResolFields& f, SetupRecord& setup, QString& settings, TTmp& t)
{
    const double mapScale = Number(f.mapScale);
    const double draft = Number(f.draftScale);
    const int dpi = Dpi(f.resol);
    setup.MapScale = mapScale;
    SetParam(settings, u's', FloatToPointStr(draft == std::nearbyint(draft) ? 0 : 4, draft));
    t.X = setup.ViewCenterX;
    t.Y = setup.ViewCenterY;
    t.Angle = Number(f.angle) * std::numbers::pi / 180;
    t.U = t.V = 2540.0 / dpi * draft / mapScale;
    t.Dim = 0;
    t.SpotColor = -1;
    t.Transparent = false;
    t.RenderSpot = false;
}

bool AskTemplateResolution(int dpi)
{
    TZmd* z = Index.ActiveZmd;
    TTmp* t = TemplateUnit.CurrentTemplate;
    const int slot = MapSettingsSlot(TempResolSettingsType);
    if (!z || !t || slot < 0)
        return false;
    TempResolFields f = TempResolFieldsOf(dpi, z->Setup, z->MapSettings[size_t(slot)]);
    if (!ExternalPorts().RunTempResol(f))
        return false;
    QString settings = z->MapSettings[size_t(slot)];
    const double scale = z->Setup.MapScale;
    PlaceByResolution(f, z->Setup, settings, *t);
    if (z->Setup.MapScale != scale)
        WriteSetup();
    SaveTypedPString(settings, TempResolSettingsType);
    return true;
}

} // namespace zemo
