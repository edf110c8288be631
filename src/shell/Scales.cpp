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

ScalesField CheckScalesFields(const ScalesFields& f)
{
    const QString mm = QStringLiteral("mm");
    const QString m = QStringLiteral("m");
    if (!CheckRealText(f.scale, Label(TextKey::MapScale), MapScaleRange.min, MapScaleRange.max))
        return ScalesField::Scale;
    if (!InRange(f.gridDist, TextKey::GridDist, GridDistRange, mm))
        return ScalesField::GridDist;
    if (!InRange(f.horOfs, TextKey::HorOffset, OffsetRange, m))
        return ScalesField::HorOfs;
    if (!InRange(f.verOfs, TextKey::VerOffset, OffsetRange, m))
        return ScalesField::VerOfs;
    if (!CheckNumberText(f.angle, Label(TextKey::Angle)))
        return ScalesField::Angle;
    if (!InRange(f.realGrid, TextKey::GridDist, RealGridRange, m))
        return ScalesField::RealGrid;
    return ScalesField::None;
}

void StoreScalesFields(const ScalesFields& f, SetupRecord& s)
{
    s.MapScale = ValueOf(f.scale);
    s.PaperGridDistance = ValueOf(f.gridDist);
    s.RealWorldOffsetX = ValueOf(f.horOfs);
    s.RealWorldOffsetY = ValueOf(f.verOfs);
    s.RealWorldAngle = WrapSetupAngle(ValueOf(f.angle));
    s.RealWorldGridDistance = ValueOf(f.realGrid);
    s.RealWorldCoords = f.realWorld ? SetupTrue : 0;
}

} // namespace zemo
