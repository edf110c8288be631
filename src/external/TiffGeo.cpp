#include "external/TiffGeo.h"

#include "core/Errors.h"
#include "core/FieldChecks.h"
#include "core/FileClass.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/StringX.h"
#include "external/Ports.h"
#include "external/TempResol.h"
#include "external/Template.h"
#include "render/Scale.h"

#include <QFileInfo>

#include <cmath>
#include <numbers>

namespace zemo {

namespace {

constexpr uint16_t SetupTrue = 0xFFFF;
// The real-world grid a map gets when it had none.
constexpr double DefaultRealGrid = 1000;

bool Finite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

QString Label(TextKey k)
{
    return Text(k).remove(u'&');
}

double Number(const QString& text)
{
    double v = 0;
    if (!TrimBlanks(text).isEmpty())
        TryPointStrToFloat(text, v);
    return v;
}

QString SizeText(TextKey axis, double centre, int pixels, double scale)
{
    const double half = pixels * scale / 2;
    return Text(axis) + QStringLiteral(": ") + FloatToFixedStr(0, centre - half) + QStringLiteral("..")
         + FloatToFixedStr(0, centre + half) + QStringLiteral(",  ") + FloatToFixedStr(2, scale)
         + QStringLiteral(" m/Pixel");
}

} // namespace

bool TiffGeoref::Placed() const
{
    return Finite({ScaleX, ScaleY, CentreX, CentreY, Angle}) && ScaleX > 0 && ScaleY > 0;
}

TiffGeoref GeorefFromTags(int width, int height, const std::vector<double>& pixelScale,
                          const std::vector<double>& tiePoint, const std::vector<double>& transformation)
{
    TiffGeoref g;
    if (pixelScale.size() >= 2) {
        g.ScaleX = pixelScale[0];
        g.ScaleY = pixelScale[1];
        if (tiePoint.size() >= 5) {
            g.CentreX = tiePoint[3] + width * g.ScaleX / 2;
            g.CentreY = tiePoint[4] - height * g.ScaleY / 2;
        }
    } else if (transformation.size() >= 8) {
        const double m0 = transformation[0], m1 = transformation[1], m3 = transformation[3];
        const double m4 = transformation[4], m5 = transformation[5], m7 = transformation[7];
        g.ScaleX = std::hypot(m0, m4);
        g.ScaleY = std::hypot(m1, m5);
        // The column's direction on the ground is the image's turn; the angle is its opposite,
        // as a world file's is.
        g.Angle = -VectorAngle(m0, m4);
        const double c = std::cos(g.Angle), s = std::sin(g.Angle);
        g.CentreX = m3 + width * c * g.ScaleX / 2 - height * s * g.ScaleY / 2;
        g.CentreY = m7 - width * s * g.ScaleX / 2 - height * c * g.ScaleY / 2;
    }
    return g;
}

QString WorldFileOf(const QString& tiffName)
{
    const QFileInfo info(tiffName);
    const QString base = info.path() + u'/' + info.completeBaseName();
    for (const char* ext : {".tfw", ".TFW", ".tifw", ".TIFW"}) {
        const QString name = base + QLatin1String(ext);
        if (QFileInfo(name).isFile())
            return name;
    }
    return {};
}

bool ReadWorldFile(const QString& worldName, int width, int height, TiffGeoref& g)
{
    double v[6] = {};
    try {
        TFileClass f;
        f.OpenRead(worldName);
        for (double& x : v) {
            QByteArray line;
            if (f.Eof() || !f.ReadLn(line) || !TryPointStrToFloat(QString::fromLatin1(line), x))
                return false;
        }
    } catch (const EAbort&) {
        return false;
    }
    const double a = v[0], d = v[1], b = v[2], e = v[3], c = v[4], f = v[5];
    TiffGeoref w;
    w.ScaleX = std::hypot(a, d);
    w.ScaleY = std::hypot(b, e);
    w.Angle = -VectorAngle(a, d);
    const double cs = std::cos(w.Angle), sn = std::sin(w.Angle);
    w.CentreX = c + (width - 1) * cs * w.ScaleX / 2 - (height - 1) * sn * w.ScaleY / 2;
    w.CentreY = f - (width - 1) * sn * w.ScaleX / 2 - (height - 1) * cs * w.ScaleY / 2;
    g = w;
    return true;
}

// ---- The dialog ----

TiffDlgFields TiffDlgFieldsOf(const TiffGeoref& g, int width, int height, const SetupRecord& s)
{
    TiffDlgFields f;
    f.sizeH = SizeText(TextKey::Horizontally, g.CentreX, width, g.ScaleX);
    f.sizeV = SizeText(TextKey::Vertically, g.CentreY, height, g.ScaleY);
    f.newOffset = s.RealWorldOffsetX == 0;
    f.horOfs = FloatToFixedStr(0, std::nearbyint(g.CentreX / 1000) * 1000);
    f.verOfs = FloatToFixedStr(0, std::nearbyint(g.CentreY / 1000) * 1000);
    f.angle = FloatToFixedStr(2, g.Angle * 180 / std::numbers::pi);
    f.mapScale = ScaleComboText(s.MapScale);
    f.existing = u'(' + FloatToTrimStr(0, 2, s.RealWorldOffsetX) + QStringLiteral(" / ")
               + FloatToTrimStr(0, 2, s.RealWorldOffsetY) + QStringLiteral(" / ")
               + FloatToTrimStr(0, 2, s.RealWorldAngle) + u')';
    return f;
}

TiffDlgField CheckTiffDlgFields(const TiffDlgFields& f)
{
    if (!CheckRealText(f.horOfs, Label(TextKey::HorOffset), -TiffMaxOffset, TiffMaxOffset))
        return TiffDlgField::HorOfs;
    if (!CheckRealText(f.verOfs, Label(TextKey::VerOffset), -TiffMaxOffset, TiffMaxOffset))
        return TiffDlgField::VerOfs;
    if (!CheckNumberText(f.angle, Label(TextKey::Angle)))
        return TiffDlgField::Angle;
    if (!CheckRealText(f.mapScale, Label(TextKey::MapScale), 1, MaxTemplateMapScale))
        return TiffDlgField::MapScale;
    return TiffDlgField::None;
}

void PlaceGeoreferenced(const TiffDlgFields& f, const TiffGeoref& g, SetupRecord& s, TTmp& t)
{
    if (f.newOffset) {
        s.RealWorldOffsetX = Number(f.horOfs);
        s.RealWorldOffsetY = Number(f.verOfs);
        s.RealWorldAngle = WrapSetupAngle(Number(f.angle));
        if (s.RealWorldGridDistance == 0)
            s.RealWorldGridDistance = DefaultRealGrid;
        s.MapScale = Number(f.mapScale);
    }
    const RealWorldRef ref{s.MapScale, s.RealWorldOffsetX, s.RealWorldOffsetY, s.RealWorldAngle};
    Cord centre{};
    RealWorldToCord(g.CentreX, g.CentreY, ref, centre);
    t.X = centre.x;
    t.Y = centre.y;
    t.U = g.ScaleX / s.MapScale * 100000;
    t.V = g.ScaleY / s.MapScale * 100000;
    t.Angle = s.RealWorldAngle * std::numbers::pi / 180 - g.Angle;
    t.Dim = 0;
    t.SpotColor = -1;
    t.Transparent = false;
    t.RenderSpot = false;
    s.RealWorldCoords = SetupTrue;
}

bool AskTiffPlacement(const TiffGeoref& g, int width, int height)
{
    TZmd* z = Index.ActiveZmd;
    TTmp* t = TemplateUnit.CurrentTemplate;
    if (!z || !t)
        return false;
    TiffDlgFields f = TiffDlgFieldsOf(g, width, height, z->Setup);
    if (!ExternalPorts().RunTiffDlg(f))
        return false;
    PlaceGeoreferenced(f, g, z->Setup, *t);
    WriteSetup();
    return true;
}

} // namespace zemo
