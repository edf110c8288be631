#include "io/ExpKiv.h"

#include "core/ByteIO.h"
#include "core/Errors.h"
#include "core/FieldChecks.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/ServiceHooks.h"
#include "io/ExpGif.h"
#include "io/ExpRaster.h"
#include "io/Export.h"
#include "io/KivViewer.h"
#include "io/Ports.h"
#include "render/Texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace zemo {

ExpKivState KivUnit;

void ResetExpKivUnit()
{
    KivUnit = {};
}

namespace {

constexpr int FileNotFoundHelpContext = 26;
constexpr double CordsPerMetre = 2.56e7;

QString SettingsOf(int type)
{
    const int slot = MapSettingsSlot(type);
    return slot >= 0 && Index.ActiveZmd ? Index.ActiveZmd->MapSettings[size_t(slot)] : QString();
}

QString Label(TextKey k)
{
    return RemoveAmpersands(Text(k));
}

void PutBE(QByteArray& b, int at, uint64_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
        b[at + i] = char(v & 0xFF);
}

void PutBE16(QByteArray& b, int at, int64_t v)
{
    PutBE(b, at, uint64_t(uint16_t(v)), 2);
}

void PutBEDouble(QByteArray& b, int at, double v)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    PutBE(b, at, bits, 8);
}

// Real-world metres of a map coordinate, without the setup's rotation.
double RealWorld(double offset, double scale, double cord)
{
    return offset + scale * cord / CordsPerMetre;
}

// Whole metres, halves to even.
QString Metres(double v)
{
    return std::isfinite(v) ? QString::number(int64_t(std::clamp(std::nearbyint(v), -9e18, 9e18))) : QStringLiteral("0");
}

bool SameFile(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// The map a level is drawn from, current while this lives; the main map comes back after it.
class LevelMap {
public:
    explicit LevelMap(const QString& stored) : own_(Index.ActiveZmd), ownOpen_(Index.MapOpen)
    {
        if (stored.isEmpty())
            return;
        const QString full = ExpandMapPath(stored);
        if (SameFile(full, CurrentMapPath()))
            return;
        if (!QFileInfo::exists(full)) {
            ErrorMsg(TextKey::FileNotFound, full, FileNotFoundHelpContext);
            ok_ = false;
            return;
        }
        if (!OpenMapFile(full, full, true, true)) {
            Restore();
            ok_ = false;
            return;
        }
        full_ = full;
    }
    ~LevelMap()
    {
        if (full_.isEmpty())
            return;
        Restore();
        CloseMapFile(full_);
    }
    LevelMap(const LevelMap&) = delete;
    LevelMap& operator=(const LevelMap&) = delete;

    bool Ok() const { return ok_; }
    // The level map's coordinates for the main map's: the ratio of the scales.
    double Ratio(const KivLevel& level) const
    {
        if (full_.isEmpty())
            return 1;
        const double s = Index.ActiveZmd->Setup.MapScale;
        const double q = level.Scale / s * level.Zoom;
        return s > 0 && std::isfinite(q) && q > 0 ? q : 1;
    }

private:
    void Restore()
    {
        SetCurrentMap(own_);
        Index.MapOpen = ownOpen_;
    }

    TZmd* own_;
    bool ownOpen_;
    QString full_;
    bool ok_ = true;
};

// Where a linked object stands on the page: its rectangle's centre, or the anchor of a line's
// text.
Cord PlaceOf(int n)
{
    const CordRect r = Index.CurIndex.Rect;
    Cord p{int32_t((int64_t(r.x1) + r.x2) / 2), int32_t((int64_t(r.y1) + r.y2) / 2)};
    if (ReadElement(n, Index.DrawElement) && Index.DrawElement.ObjectType == LineObject && Index.DrawElement.nText > 0)
        TextAnchorPoint(p);
    return {Masked(p.x), Masked(p.y)};
}

std::vector<KivPlace> LinkedPlaces(const QString& dataset, const QString& field, bool sorted)
{
    std::vector<KivPlace> places;
    TNumStringList values;
    values.SetSorted(sorted);
    if (!IoPorts().CollectLinkedValues(dataset, field, values))
        return places;
    const SetupRecord& s = Index.ActiveZmd->Setup;
    for (const TNumStringList::Item& item : values.Items()) {
        if (TrimBlanks(item.Text).isEmpty() || !IndexFromStIndex(item.Number))
            continue;
        const Cord p = PlaceOf(Index.CurIndexNo);
        places.push_back({item.Text, RealWorld(s.RealWorldOffsetX, s.MapScale, p.x),
                          RealWorld(s.RealWorldOffsetY, s.MapScale, p.y)});
    }
    return places;
}

// A tile's or level's file of this export: the page's name without extension, then the rest.
QString Sibling(const QString& page, const QString& rest)
{
    return ReplaceExtension(page, QString()) + rest;
}

QString TileName(const QString& stem, int64_t number)
{
    return stem + u'_' + QString::number(number) + QStringLiteral(".gif");
}

} // namespace

// ---- Settings ----

KivOptions KivDialogOptions()
{
    KivOptions o;
    const QString s = SettingsOf(KivSettingsType);
    o.FileName = GetParamName(s);
    o.Width = std::clamp(GetParamInt(s, u'w', o.Width), MinAppletSide, MaxAppletSide);
    o.Height = std::clamp(GetParamInt(s, u'h', o.Height), MinAppletSide, MaxAppletSide);
    const QString r = GetParamText(s, u'r');
    if (!r.isEmpty())
        o.Resolution = r;
    o.Levels = std::clamp(GetParamInt(s, u'z', o.Levels), MinKivLevels, MaxKivLevels);
    o.AntiAlias = GetParamBool(s, u'a', true);
    o.ZoomOut = GetParamBool(s, u'o', false);
    o.HtmlOnly = GetParamBool(s, u'm', false);
    o.FindDataset = GetParamText(s, u's');
    o.NameField = GetParamText(s, u'n');
    o.FindBox = !o.FindDataset.isEmpty();
    o.LinkDataset = GetParamText(s, u'l');
    o.LinkField = GetParamText(s, u'u');
    o.Hotspots = !o.LinkDataset.isEmpty();
    o.ColorCorrection = KivUnit.ColorCorrection;
    if (const TZmd* z = Index.ActiveZmd)
        for (const TNumStringList::Item& item : z->Datasets.Items())
            o.Datasets << GetParamName(item.Text);
    return o;
}

QString KivSettingsString(const KivOptions& o)
{
    QString s = ParamNameStr(o.FileName) + IntParamStr(u'w', o.Width) + IntParamStr(u'h', o.Height)
                + TextParamStr(u'r', DecSepToPoint(TrimBlanks(o.Resolution))) + IntParamStr(u'z', o.Levels)
                + BoolParamStr(u'a', o.AntiAlias) + BoolParamStr(u'o', o.ZoomOut) + BoolParamStr(u'm', o.HtmlOnly);
    if (o.FindBox)
        s += TextParamStr(u's', o.FindDataset) + TextParamStr(u'n', o.NameField);
    if (o.Hotspots)
        s += TextParamStr(u'l', o.LinkDataset) + TextParamStr(u'u', o.LinkField);
    return s;
}

KivPage PageOfField(KivField f)
{
    switch (f) {
    case KivField::FindDataset:
    case KivField::NameField: return KivPage::Find;
    case KivField::LinkDataset:
    case KivField::LinkField: return KivPage::Hotspots;
    default: return KivPage::General;
    }
}

KivField CheckKivDialog(const KivOptions& o)
{
    for (const auto& [v, field] : {std::pair{o.Width, KivField::Width}, std::pair{o.Height, KivField::Height}})
        if (v < MinAppletSide || v > MaxAppletSide) {
            ShowMustBetween(Label(TextKey::AppletSize), 0, MinAppletSide, MaxAppletSide, Label(TextKey::Pixels));
            return field;
        }
    if (!CheckDpiText(o.Resolution, Label(TextKey::Resolution), MinKivDpi, MaxKivDpi))
        return KivField::Resolution;
    if (o.Levels < MinKivLevels || o.Levels > MaxKivLevels) {
        ShowMustBetween(Label(TextKey::ZoomLevels), 0, MinKivLevels, MaxKivLevels);
        return KivField::Levels;
    }
    double f = 0;
    if (!ComputeKivZoom(o, f)) {
        ErrorMsg(TextKey::ResTooLowZoom, {}, ResTooLowZoomHelpContext);
        return KivField::Resolution;
    }
    const struct {
        bool on;
        const QString& dataset;
        const QString& field;
        KivField datasetField;
        KivField fieldField;
    } boxes[] = {{o.FindBox, o.FindDataset, o.NameField, KivField::FindDataset, KivField::NameField},
                 {o.Hotspots, o.LinkDataset, o.LinkField, KivField::LinkDataset, KivField::LinkField}};
    for (const auto& b : boxes) {
        if (!b.on)
            continue;
        if (!IoPorts().OpenDataset(b.dataset))
            return b.datasetField;
        if (!IoPorts().DatasetHasField(b.field)) {
            ErrorMsg(TextKey::FieldNotFound, b.field);
            return b.fieldField;
        }
    }
    return KivField::None;
}

// ---- Levels ----

bool ComputeKivZoom(const CordRect& e, int appletWidth, int appletHeight, int dpi, int levels, double& f)
{
    // One level is the map at full resolution: nothing to fit.
    if (levels <= 1) {
        f = 1;
        return true;
    }
    const double tw = appletWidth / 2, th = appletHeight / 2;
    const double w = double((int64_t(e.x2) - e.x1) / 256) * dpi / 2540;
    const double h = double((int64_t(e.y2) - e.y1) / 256) * dpi / 2540;
    const double ratio = h / th < w / tw ? 2 * tw / w : 2 * th / h;
    f = std::pow(ratio, 1.0 / (levels - 1));
    return std::isfinite(f) && f > 0 && f < MaxKivZoom;
}

bool ComputeKivZoom(const KivOptions& o, double& f)
{
    int dpi = 0;
    CordRect e;
    return TryTrimStrToInt(o.Resolution, dpi) && dpi > 0 && GetFullExtent(e)
           && ComputeKivZoom(e, o.Width, o.Height, dpi, o.Levels, f);
}

bool PlanKivLevels(const CordRect& e, int appletWidth, int appletHeight, int dpi, int levels, double f,
                   double mapScale, KivPlan& plan)
{
    plan = {};
    plan.TileWidth = appletWidth / 2;
    plan.TileHeight = appletHeight / 2;
    plan.Dpi = dpi;
    if (plan.TileWidth < 1 || plan.TileHeight < 1 || dpi < 1 || levels < 1)
        return false;
    const double hundredthsX = double((int64_t(e.x2) - e.x1) / 256);
    const double hundredthsY = double((int64_t(e.y2) - e.y1) / 256);
    int64_t first = 0;
    for (int k = levels - 1; k >= 0; --k) {
        KivLevel l;
        l.K = k;
        l.Zoom = std::pow(f, k);
        if (!std::isfinite(l.Zoom) || l.Zoom <= 0)
            return false;
        l.Scale = mapScale / l.Zoom;
        const double w = std::nearbyint(hundredthsX * dpi / 2540 * l.Zoom);
        const double h = std::nearbyint(hundredthsY * dpi / 2540 * l.Zoom);
        l.StepX = int64_t(std::nearbyint(double(plan.TileWidth) / dpi * 2540 / l.Zoom)) * 256;
        l.StepY = int64_t(std::nearbyint(double(plan.TileHeight) / dpi * 2540 / l.Zoom)) * 256;
        l.Columns = std::max<int64_t>(int64_t(w) - 1, 0) / plan.TileWidth + 1;
        l.Rows = std::max<int64_t>(int64_t(h) - 1, 0) / plan.TileHeight + 1;
        l.FirstTile = first;
        if (l.Columns > MaxKivCount || l.Rows > MaxKivCount || l.FirstTile > MaxKivCount || l.StepX < 256
            || l.StepY < 256)
            return false;
        l.X0 = e.x1 - (double(l.Columns) * double(l.StepX) - (double(e.x2) - e.x1)) / 2;
        l.Y0 = e.y1 - (double(l.Rows) * double(l.StepY) - (double(e.y2) - e.y1)) / 2;
        first += l.Columns * l.Rows;
        plan.Levels.push_back(l);
    }
    plan.Tiles = first;
    return true;
}

CordRect KivTileRect(const KivLevel& l, int64_t column, int64_t row, double q)
{
    const auto cut = [](double v) { return int64_t(Masked(SafeRound(v))); };
    const int64_t x = cut((double(column) * double(l.StepX) + l.X0) * q);
    const int64_t y = cut((double(row) * double(l.StepY) + l.Y0) * q);
    const int64_t w = cut(double(l.StepX) * q), h = cut(double(l.StepY) * q);
    const auto fit = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax) & CoordMask); };
    return {fit(x), fit(y), fit(x + w), fit(y + h)};
}

QByteArray KivHeader(int version, int subVersion, const KivPlan& plan, bool zoomOut)
{
    QByteArray b(KivHeaderBytes, '\0');
    auto* p = reinterpret_cast<uint8_t*>(b.data());
    StoreLE(p, KivMark);
    StoreLE(p + 2, KivFormat);
    StoreLE(p + 4, uint16_t(version));
    StoreLE(p + 6, uint16_t(subVersion));
    PutBE16(b, 8, plan.TileWidth);
    PutBE16(b, 10, plan.TileHeight);
    PutBE16(b, 12, 2 * plan.TileWidth);
    PutBE16(b, 14, 2 * plan.TileHeight);
    PutBE16(b, 16, zoomOut ? 1 : 0);
    PutBE16(b, 18, plan.Dpi);
    return b;
}

QByteArray KivLevelRecord(const KivLevel& l, double centreX, double centreY)
{
    QByteArray b(KivLevelBytes, '\0');
    PutBE16(b, 0, 1);
    PutBE16(b, 2, l.FirstTile);
    PutBE16(b, 4, l.Columns);
    PutBE16(b, 6, l.Rows);
    PutBEDouble(b, 8, l.Scale);
    PutBEDouble(b, 16, centreX);
    PutBEDouble(b, 24, centreY);
    return b;
}

// ---- The page ----

QString ScriptString(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += u'\\';
            out += c;
        } else if (u < 0x20 || u >= 0x7F || u == u'<' || u == u'>' || u == u'&') {
            // "<" never closes the script; UTF-16 units as they are, pairs included.
            out += QStringLiteral("\\u") + QString::number(uint(u), 16).toUpper().rightJustified(4, u'0');
        } else {
            out += c;
        }
    }
    return out;
}

QString HtmlText(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (const char32_t u : s.toUcs4()) {
        switch (u) {
        case U'&': out += QStringLiteral("&amp;"); break;
        case U'<': out += QStringLiteral("&lt;"); break;
        case U'>': out += QStringLiteral("&gt;"); break;
        case U'"': out += QStringLiteral("&quot;"); break;
        default:
            if (u < 0x20 || u == 0x7F)
                out += u' ';
            else if (u > 0x7F)
                out += QStringLiteral("&#%1;").arg(uint(u));
            else
                out += QChar(char16_t(u));
        }
    }
    return out;
}

QStringList KivPageLines(const KivPageContent& c)
{
    QStringList l;
    l << QStringLiteral("<HTML>") << QStringLiteral("<HEAD>") << QStringLiteral("  <TITLE>ZEMO Applet</TITLE>");
    if (c.Hotspots) {
        l << QStringLiteral(" <SCRIPT LANGUAGE = \"JavaScript\">") << QStringLiteral("  <!--")
          << QStringLiteral("    function showHotspots() {") << QStringLiteral("      document.map.resetHotspot();")
          << QStringLiteral("      document.map.setHotspotColor(0, 0, 255);");
        // The outline of a hotspot, a circle of radius 5 pixels.
        static constexpr int outline[16][2] = {{1, -5}, {3, -4}, {4, -3}, {5, -1}, {5, 1}, {4, 3}, {3, 4}, {1, 5},
                                               {-1, 5}, {-3, 4}, {-4, 3}, {-5, 1}, {-5, -1}, {-4, -3}, {-3, -4}, {-1, -5}};
        for (const auto& p : outline)
            l << QStringLiteral("      document.map.drawHotspot(%1, %2);").arg(p[0]).arg(p[1]);
        l << QStringLiteral("      document.map.clearHotspots();");
        for (const KivPlace& p : c.Spots)
            l << QStringLiteral("      document.map.addHotspot(") + Metres(p.X) + QStringLiteral(", ") + Metres(p.Y)
                     + QStringLiteral(", \"") + ScriptString(p.Text) + QStringLiteral("\");");
        l << QStringLiteral("      document.map.repaint();") << QStringLiteral("    }") << QStringLiteral("  //-->")
          << QStringLiteral("  </SCRIPT>");
    }
    l << QStringLiteral("</HEAD>");
    l << (c.Hotspots ? QStringLiteral("<BODY OnLoad=\"showHotspots()\">") : QStringLiteral("<BODY>"));
    l << QStringLiteral("  <APPLET NAME=map ARCHIVE=ZEMO.jar CODE=ZEMO.class WIDTH=%1 HEIGHT=%2>")
             .arg(c.AppletWidth + 20)
             .arg(c.AppletHeight + 20);
    l << QStringLiteral("    <PARAM NAME=FileName VALUE=\"") + HtmlText(c.FileName) + QStringLiteral("\">");
    if (c.ZoomOut)
        l << QStringLiteral("    <PARAM NAME=ZoomOut VALUE=\"") + HtmlText(Text(TextKey::ZoomOut)) + QStringLiteral("\">");
    // The viewer below takes the applet's place; without scripts this text shows.
    l << QStringLiteral("    Browser does not support JavaScript!") << QStringLiteral("  </APPLET>");
    l << QStringLiteral("  <SCRIPT>") << KivViewerLines(c.LevelFile) << QStringLiteral("  </SCRIPT>");
    if (c.FindBox) {
        l << QStringLiteral("  <FORM NAME=\"findForm\">");
        if (!c.Names.empty()) {
            l << QStringLiteral("    <SELECT NAME=\"selectName\" SIZE=1")
              << QStringLiteral("      onChange=\"document.map.setPointerFromString(options[selectedIndex].value)\">")
              << QStringLiteral("      <OPTION SELECTED>") + HtmlText(Text(TextKey::FindBtn));
            for (const KivPlace& p : c.Names)
                l << QStringLiteral("      <OPTION VALUE=\"%1,").arg(c.Levels - 1) + Metres(p.X) + u',' + Metres(p.Y)
                         + QStringLiteral("\">") + HtmlText(p.Text);
            l << QStringLiteral("    </SELECT>");
        }
        l << QStringLiteral("  </FORM>");
    }
    l << QStringLiteral("</BODY>") << QStringLiteral("</HTML>");
    return l;
}

// ---- Level maps ----

KivMapsEdit KivMapsOf(int levels)
{
    KivMapsEdit e;
    e.OwnPath = CurrentMapPath();
    levels = std::clamp(levels, MinKivLevels, MaxKivLevels);
    for (int r = 0; r < levels; ++r)
        e.Rows << QString();
    if (const TZmd* z = Index.ActiveZmd)
        for (int k = 0; k < levels && k < z->InternetMaps.Count(); ++k) {
            const QString& name = z->InternetMaps.Strings(k);
            e.Rows[levels - 1 - k] = SameFile(ExpandMapPath(name), e.OwnPath) ? QString() : name;
        }
    return e;
}

QString KivMapShown(const KivMapsEdit& e, int row)
{
    if (row < 0 || row >= e.Rows.size())
        return {};
    const QString& name = e.Rows[row];
    if (!name.isEmpty())
        return ExpandMapPath(name);
    return e.OwnPath.isEmpty() ? Text(TextKey::Untitled) : e.OwnPath;
}

bool ChooseKivMap(KivMapsEdit& e, int row)
{
    if (row < 0 || row >= e.Rows.size())
        return false;
    QString name = e.Rows[row].isEmpty() ? e.OwnPath : ExpandMapPath(e.Rows[row]);
    const QString filter = Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|") + Text(TextKey::AllFiles)
                           + QStringLiteral(" (*.*)|*.*");
    if (!ExecOpenDialog(Text(TextKey::OpenMapFile), filter, QStringLiteral("zmd"), OpenMapFileHelpContext, name))
        return false;
    if (!QFileInfo(name).isFile()) {
        ErrorMsg(TextKey::FileNotFound, name, FileNotFoundHelpContext);
        return false;
    }
    e.Rows[row] = SameFile(name, e.OwnPath) ? QString() : name;
    return true;
}

bool CheckKivMaps(const KivMapsEdit& e)
{
    for (const QString& name : e.Rows) {
        if (name.isEmpty())
            continue;
        const QString full = ExpandMapPath(name);
        if (!QFileInfo(full).isFile()) {
            ErrorMsg(TextKey::FileNotFound, full, FileNotFoundHelpContext);
            return false;
        }
    }
    return true;
}

void SaveKivMaps(const KivMapsEdit& e)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    for (const TNumStringList::Item& item : z->InternetMaps.Items())
        ClearPString(item.Number);
    z->InternetMaps.Clear();
    QStringList texts;
    for (qsizetype r = e.Rows.size() - 1; r >= 0; --r)
        texts << e.Rows[r];
    std::vector<int> numbers;
    for (const QString& t : texts) {
        const int n = AddPString(t, InternetMapType, 0);
        if (n < 0)
            return;
        numbers.push_back(n);
    }
    // The map reads them back in the order of their records: a freed record of another
    // length may have put a later level before an earlier one.
    if (!std::is_sorted(numbers.begin(), numbers.end())) {
        std::sort(numbers.begin(), numbers.end());
        for (size_t k = 0; k < numbers.size(); ++k)
            SavePString(numbers[k], texts[qsizetype(k)]);
    }
    for (size_t k = 0; k < numbers.size(); ++k)
        z->InternetMaps.AddNumber(texts[qsizetype(k)], numbers[k]);
}

bool EditKivMaps(int levels)
{
    KivMapsEdit e = KivMapsOf(levels);
    if (!IoPorts().RunKivMapsDialog(e))
        return false;
    SaveKivMaps(e);
    return true;
}

// ---- The export ----

QByteArray ExistingLevelFile(const QString& page)
{
    QFile f(Sibling(page, QStringLiteral(".kiv")));
    constexpr qint64 most = KivHeaderBytes + KivLevelBytes * MaxKivLevels;
    if (!f.open(QIODevice::ReadOnly) || f.size() > most)
        return {};
    const QByteArray b = f.read(most + 1);
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData());
    if (b.size() < KivHeaderBytes + KivLevelBytes || (b.size() - KivHeaderBytes) % KivLevelBytes != 0
        || LoadLE<uint16_t>(p) != KivMark || LoadLE<uint16_t>(p + 2) != KivFormat)
        return {};
    return b;
}

bool WriteKiv(const KivOptions& o)
{
    TZmd* const own = Index.ActiveZmd;
    int dpi = 0;
    CordRect extent;
    if (!own || !TryTrimStrToInt(o.Resolution, dpi) || dpi < MinKivDpi || dpi > MaxKivDpi || !GetFullExtent(extent))
        return false;
    double f = 1;
    if (!ComputeKivZoom(extent, o.Width, o.Height, dpi, o.Levels, f)) {
        ErrorMsg(TextKey::ResTooLowZoom, {}, ResTooLowZoomHelpContext);
        return false;
    }
    const SetupRecord setup = own->Setup;
    KivPlan plan;
    // The page alone does not depend on the tiles.
    if (!PlanKivLevels(extent, o.Width, o.Height, dpi, o.Levels, f, setup.MapScale, plan) && !o.HtmlOnly) {
        ErrorMsg(TextKey::BmpResTooHigh, {}, BmpResTooHighHelpContext);
        return false;
    }

    const QString page = o.FileName;
    const QString folder = QFileInfo(page).absolutePath();
    const QString stem = QFileInfo(ReplaceExtension(page, QString())).fileName();
    KivPageContent content;
    content.FileName = stem;
    content.AppletWidth = 2 * plan.TileWidth;
    content.AppletHeight = 2 * plan.TileHeight;
    content.Levels = o.Levels;
    content.ZoomOut = o.ZoomOut;
    content.FindBox = o.FindBox;
    if (o.FindBox)
        content.Names = LinkedPlaces(o.FindDataset, o.NameField, true);
    content.Hotspots = o.Hotspots;
    if (o.Hotspots)
        content.Spots = LinkedPlaces(o.LinkDataset, o.LinkField, false);
    const double centreX = RealWorld(setup.RealWorldOffsetX, setup.MapScale, (double(extent.x1) + extent.x2) / 2);
    const double centreY = RealWorld(setup.RealWorldOffsetY, setup.MapScale, (double(extent.y1) + extent.y2) / 2);
    // The page alone shows the tiles that are there, as their level file tells.
    if (o.HtmlOnly)
        content.LevelFile = ExistingLevelFile(page);
    if (content.LevelFile.isEmpty() && !plan.Levels.empty()) {
        content.LevelFile = KivHeader(own->Header.Version, own->Header.SubVersion, plan, o.ZoomOut);
        for (const KivLevel& level : plan.Levels)
            content.LevelFile += KivLevelRecord(level, centreX, centreY);
    }

    // The tiles are rendered here and moved beside the page once all of them are there.
    QTemporaryDir tiles(folder + QStringLiteral("/.zemo-kiv-XXXXXX"));
    ExportFile kiv;
    ExportFile archive;
    ExportFile html;
    try {
        if (!o.HtmlOnly) {
            if (!tiles.isValid()) {
                ErrorMsg(TextKey::CannotWrite, page);
                return false;
            }
            if (!kiv.Begin(Sibling(page, QStringLiteral(".kiv"))))
                return false;
            QStringList levelMaps;
            for (const TNumStringList::Item& item : own->InternetMaps.Items())
                levelMaps << item.Text;

            ScopedProgress progress(TextKey::Exporting, TextKey::ObjDrawn, CountObjects(), 1);
            const int total = CountObjects();
            int64_t done = 0;
            RasterSettings s;
            s.AntiAlias = o.AntiAlias;
            s.ColorCorrection = o.ColorCorrection;
            s.ShowProgress = false;
            s.Pixels = QSize(plan.TileWidth, plan.TileHeight);
            for (const KivLevel& level : plan.Levels) {
                const LevelMap map(level.K < levelMaps.size() ? levelMaps[level.K] : QString());
                if (!map.Ok())
                    return false;
                const double q = map.Ratio(level);
                s.DpiExact = dpi * level.Zoom / q;
                int64_t number = level.FirstTile;
                for (int64_t r = level.Rows - 1; r >= 0; --r)
                    for (int64_t c = 0; c < level.Columns; ++c) {
                        const QString tile = tiles.filePath(TileName(stem, number++));
                        // Esc ends the whole export, after the renderer's one message.
                        if (RenderGif(KivTileRect(level, c, r, q), tile, s) != RasterResult::Written)
                            return false;
                        const int position = int(std::nearbyint(double(total) * double(++done) / double(plan.Tiles)));
                        UpdateProgress(position, position);
                    }
            }
            kiv.Write(content.LevelFile);
            const QString archiveFolder = KivUnit.ArchiveFolder.isEmpty() ? DataFolder() : KivUnit.ArchiveFolder;
            const QString source = QDir(archiveFolder).filePath(KivArchiveName);
            if (QFileInfo(source).isFile() && QDir(archiveFolder).absolutePath() != QDir(folder).absolutePath()) {
                QFile in(source);
                if (!in.open(QIODevice::ReadOnly)) {
                    ErrorMsg(TextKey::CannotRead, source);
                    return false;
                }
                const QByteArray bytes = in.readAll();
                if (in.error() != QFileDevice::NoError) {
                    ErrorMsg(TextKey::CannotRead, source);
                    return false;
                }
                if (!archive.Begin(QDir(folder).filePath(KivArchiveName)))
                    return false;
                archive.Write(bytes);
            }
        }
        if (!html.Begin(page))
            return false;
        for (const QString& line : KivPageLines(content))
            html.WriteLine(line.toLatin1());
    } catch (const EAbort&) {
        return false;
    }

    // Everything is written: into place.
    if (!o.HtmlOnly) {
        for (int64_t n = 0; n < plan.Tiles; ++n) {
            const QString target = QDir(folder).filePath(TileName(stem, n));
            if (std::rename(QFile::encodeName(tiles.filePath(TileName(stem, n))).constData(),
                            QFile::encodeName(target).constData())
                != 0) {
                ErrorMsg(TextKey::CannotWrite, target);
                return false;
            }
        }
        if (!kiv.Commit() || (!archive.Target().isEmpty() && !archive.Commit()))
            return false;
    }
    return html.Commit();
}

void ExportKiv()
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    KivOptions o = KivDialogOptions();
    if (!IoPorts().RunKivDialog(o))
        return;
    KivUnit.ColorCorrection = o.ColorCorrection;
    QString proposed = o.FileName;
    if (proposed.endsWith(QStringLiteral(".kiv"), Qt::CaseInsensitive))
        proposed = ReplaceExtension(proposed, QStringLiteral(".html"));
    if (proposed.isEmpty()) {
        const QString path = CurrentMapPath();
        proposed = path.isEmpty() ? GetMapFolder() + Text(TextKey::Untitled) + QStringLiteral(".html")
                                  : ReplaceExtension(path, QStringLiteral(".html"));
    }
    QString name;
    if (!AskExportFileName(ExportFormatOf(ExportKind::Kiv), name, proposed))
        return;
    o.FileName = name;
    SaveTypedPString(KivSettingsString(o), KivSettingsType);
    if (!EditKivMaps(o.Levels))
        return;
    WriteKiv(o);
}

} // namespace zemo
