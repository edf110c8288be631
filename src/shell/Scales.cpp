#include "shell/Scales.h"

#include "core/FieldChecks.h"
#include "core/LangTexts.h"
#include "core/StringX.h"

namespace zemo {

namespace {

constexpr uint16_t SetupTrue = 0xFFFF;

QString Label(TextKey k)
{
    return Text(k).remove(u'&');
}

bool InRange(const QString& text, TextKey label, const ScalesRange& r, const QString& unit)
{
    return bool(CheckRealSpinText(text, Label(label), r.min, r.max, r.decimals, unit));
}

// Checked text: empty reads as 0.
double ValueOf(const QString& text)
{
    double v = 0;
    if (!TrimBlanks(text).isEmpty())
        TryPointStrToFloat(text, v);
    return v;
}

} // namespace

ScalesFields ScalesFieldsOf(const SetupRecord& s)
{
    ScalesFields f;
    f.scale = ScaleComboText(s.MapScale);
    f.gridDist = FloatToFixedStr(GridDistRange.decimals, s.PaperGridDistance);
    f.horOfs = FloatToFixedStr(OffsetRange.decimals, s.RealWorldOffsetX);
    f.verOfs = FloatToFixedStr(OffsetRange.decimals, s.RealWorldOffsetY);
    f.angle = FloatToTrimStr(AngleMinDecimals, AngleMaxDecimals, s.RealWorldAngle);
    f.realGrid = FloatToFixedStr(RealGridRange.decimals, s.RealWorldGridDistance);
    f.realWorld = s.RealWorldCoords != 0;
    return f;
}

ScalesField CheckScalesFields(const ScalesFields& f, const ScalesFields* shown)
{
    const QString mm = QStringLiteral("mm");
    const QString m = QStringLiteral("m");
    const auto kept = [shown](const QString ScalesFields::*field, const ScalesFields& g) {
        return shown && g.*field == shown->*field;
    };
    if (!kept(&ScalesFields::scale, f)
        && !CheckRealText(f.scale, Label(TextKey::MapScale), MapScaleRange.min, MapScaleRange.max))
        return ScalesField::Scale;
    if (!kept(&ScalesFields::gridDist, f) && !InRange(f.gridDist, TextKey::GridDist, GridDistRange, mm))
        return ScalesField::GridDist;
    if (!kept(&ScalesFields::horOfs, f) && !InRange(f.horOfs, TextKey::HorOffset, OffsetRange, m))
        return ScalesField::HorOfs;
    if (!kept(&ScalesFields::verOfs, f) && !InRange(f.verOfs, TextKey::VerOffset, OffsetRange, m))
        return ScalesField::VerOfs;
    if (!kept(&ScalesFields::angle, f) && !CheckNumberText(f.angle, Label(TextKey::Angle)))
        return ScalesField::Angle;
    if (!kept(&ScalesFields::realGrid, f) && !InRange(f.realGrid, TextKey::GridDist, RealGridRange, m))
        return ScalesField::RealGrid;
    return ScalesField::None;
}

void StoreScalesFields(const ScalesFields& f, SetupRecord& s, const ScalesFields* shown)
{
    const auto changed = [&](const QString ScalesFields::*field) { return !shown || f.*field != shown->*field; };
    if (changed(&ScalesFields::scale))
        s.MapScale = ValueOf(f.scale);
    if (changed(&ScalesFields::gridDist))
        s.PaperGridDistance = ValueOf(f.gridDist);
    if (changed(&ScalesFields::horOfs))
        s.RealWorldOffsetX = ValueOf(f.horOfs);
    if (changed(&ScalesFields::verOfs))
        s.RealWorldOffsetY = ValueOf(f.verOfs);
    if (changed(&ScalesFields::angle))
        s.RealWorldAngle = WrapSetupAngle(ValueOf(f.angle));
    if (changed(&ScalesFields::realGrid))
        s.RealWorldGridDistance = ValueOf(f.realGrid);
    if (!shown || f.realWorld != shown->realWorld)
        s.RealWorldCoords = f.realWorld ? SetupTrue : 0;
}

} // namespace zemo
