#include "external/Gps.h"

#include "core/Config.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/Ports.h"
#include "external/AdjGps.h"
#include "external/Comm.h"
#include "external/Ports.h"

#include <QList>
#include <QTimer>

#include <charconv>
#include <cmath>
#include <memory>

namespace zemo {

GpsUnitState Gps;

namespace {

std::unique_ptr<TComm> comm;
// Restarted by every position; runs out when none came for GpsOldAfterMs.
std::unique_ptr<QTimer> oldTimer;

constexpr int MinSatellites = 4;
// The field numbers of the two sentences.
namespace Gga {
inline constexpr int Latitude = 2, NorthSouth = 3, Longitude = 4, EastWest = 5, Quality = 6, Satellites = 7,
                     DgpsAge = 13;
}
namespace Rmc {
inline constexpr int Status = 2, Latitude = 3, NorthSouth = 4, Longitude = 5, EastWest = 6;
}

bool ParseNumber(const QByteArray& text, double& v)
{
    if (text.isEmpty())
        return false;
    const char* b = text.constData();
    const char* e = b + text.size();
    const auto r = std::from_chars(b, e, v, std::chars_format::fixed);
    return r.ec == std::errc{} && r.ptr == e && std::isfinite(v);
}

double NumberOr0(const QByteArray& text)
{
    double v = 0;
    return ParseNumber(text, v) ? v : 0;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The sentence without its "*hh"; false when the checksum is there and wrong. A sentence
// without "*" stands as it is.
bool CheckedSentence(const QByteArray& line, QByteArray& body)
{
    const qsizetype star = line.lastIndexOf('*');
    if (star < 0) {
        body = line;
        return true;
    }
    body = line.left(star);
    const QByteArray hh = line.mid(star + 1).trimmed();
    if (hh.size() != 2 || HexDigit(hh[0]) < 0 || HexDigit(hh[1]) < 0)
        return false;
    uint8_t sum = 0;
    for (qsizetype i = body.startsWith('$') ? 1 : 0; i < body.size(); ++i)
        sum ^= uint8_t(body[i]);
    return sum == uint8_t(HexDigit(hh[0]) * 16 + HexDigit(hh[1]));
}

// The position fields: latitude, its hemisphere, longitude and its; status NoFix when one of
// the numbers cannot be read.
void ReadPosition(const QList<QByteArray>& f, int lat, GpsPositionRecord& p)
{
    double la = 0, lo = 0;
    if (!ParseNmeaAngle(f[lat], la) || !ParseNmeaAngle(f[lat + 2], lo)) {
        p.Status = GpsStatus::NoFix;
        return;
    }
    p.Latitude = f[lat + 1] == "S" ? -la : la;
    p.Longitude = f[lat + 3] == "W" ? -lo : lo;
}

QString DegreesText(double v)
{
    const double a = std::fabs(v);
    const double d = std::floor(a);
    return QStringLiteral("%1%2\u00b0 %3'")
        .arg(v < 0 ? QStringLiteral("-") : QString())
        .arg(int(d))
        .arg((a - d) * 60, 0, 'f', 4);
}

} // namespace

void ResetGpsUnit()
{
    if (comm)
        comm->SetEnabled(false);
    if (oldTimer)
        oldTimer->stop();
    Gps = GpsUnitState{};
}

TComm& GpsComm()
{
    if (!comm) {
        comm = std::make_unique<TComm>();
        comm->OnLine = CommLine;
        comm->OnLost = GpsReceiverLost;
        comm->OnReconnect = GpsReceiverBack;
        oldTimer = std::make_unique<QTimer>();
        oldTimer->setSingleShot(true);
        oldTimer->setInterval(GpsOldAfterMs);
        QObject::connect(oldTimer.get(), &QTimer::timeout, [] { GpsPositionOld(); });
    }
    return *comm;
}

bool ParseNmeaAngle(const QByteArray& field, double& degrees)
{
    const qsizetype dot = field.indexOf('.');
    // The dot at the fifth character or later: at least two digits of degrees and two of minutes.
    if (dot < 4)
        return false;
    double d = 0, m = 0;
    const QByteArray deg = field.left(dot - 2);
    if (!ParseNumber(deg, d) || !ParseNumber(field.mid(dot - 2), m) || deg.startsWith('-') || deg.startsWith('+'))
        return false;
    degrees = d + m / 60;
    return true;
}

void CommLine(const QByteArray& line)
{
    Gps.LastLine = line;
    QByteArray body;
    if (CheckedSentence(line, body) && body.size() >= 6) {
        const QByteArray type = body.mid(3, 3);
        QList<QByteArray> f = body.split(',');
        // A truncated sentence: its missing fields read as empty.
        while (f.size() <= Gga::DgpsAge)
            f.append(QByteArray());
        GpsPositionRecord& p = Gps.Position;
        bool used = false;
        if (type == "GGA") {
            used = true;
            p.GgaSeen = true;
            p.Status = GpsStatus::Valid;
            ReadPosition(f, Gga::Latitude, p);
            if (f[Gga::Quality] == "0")
                p.Status = GpsStatus::NoFix;
            p.Dgps = f[Gga::Quality] == "2";
            const double sats = NumberOr0(f[Gga::Satellites]);
            p.Satellites = sats >= 0 && sats < 1000 ? int(sats) : 0;
            p.DgpsAge = NumberOr0(f[Gga::DgpsAge]);
            if (p.Status == GpsStatus::Valid) {
                if (ProgramConfig.GpsDgpsRequired) {
                    if (!p.Dgps || p.DgpsAge > MaxDgpsAge)
                        p.Status = GpsStatus::NoDgps;
                } else if (ProgramConfig.GpsMin4Sat && p.Satellites < MinSatellites) {
                    p.Status = GpsStatus::FewSatellites;
                }
            }
        } else if (type == "RMC" && !p.GgaSeen) {
            used = true;
            if (f[Rmc::Status] == "V") {
                p.Status = GpsStatus::NoFix;
            } else {
                p.Status = GpsStatus::Valid;
                ReadPosition(f, Rmc::Latitude, p);
            }
        }
        if (used) {
            if (oldTimer)
                oldTimer->start();
            if (Gps.TestOpen)
                ExternalPorts().GpsTestChanged();
            else
                UpdateGpsPosition(p.Latitude, p.Longitude);
        }
    }
    if (!ProgramConfig.GpsEnabled) {
        ProgramConfig.GpsEnabled = true;
        WriteConfig();
    }
}

QString GpsStatusText()
{
    const GpsPositionRecord& p = Gps.Position;
    switch (p.Status) {
    case GpsStatus::Valid: {
        QString t = p.Dgps ? QStringLiteral("DGPS ") : QStringLiteral("GPS ");
        if (p.Satellites > 0)
            t += QString::number(p.Satellites) + u' ' + Text(TextKey::Satellites);
        return t;
    }
    case GpsStatus::FewSatellites: return Text(TextKey::OnlySat) + QStringLiteral(": ") + QString::number(p.Satellites);
    case GpsStatus::NoDgps: return Text(TextKey::NoDgps);
    default: return Text(TextKey::NoFix);
    }
}

QString GpsTestLatitude() { return DegreesText(Gps.Position.Latitude); }
QString GpsTestLongitude() { return DegreesText(Gps.Position.Longitude); }

QString GpsTestMode()
{
    const GpsPositionRecord& p = Gps.Position;
    if (p.Status == GpsStatus::NoFix)
        return Text(TextKey::NoFix);
    return (p.Dgps ? QStringLiteral("DGPS ") : QString()) + QString::number(p.Satellites) + u' ' +
           Text(TextKey::Satellites);
}

void UpdateGpsPosition(double latitude, double longitude)
{
    if (!ProgramConfig.GpsEnabled)
        return;
    UnmarkGps();
    EditSys.GpsMarkOld = false;
    Gps.Old = false;
    const bool valid = Gps.Position.Status == GpsStatus::Valid;
    if (ProgramConfig.GpsFilter) {
        for (int i = GpsHistorySize - 1; i > 0; --i)
            Gps.History[size_t(i)] = Gps.History[size_t(i - 1)];
        Gps.History[0] = {latitude, longitude, valid};
        double la = 0, lo = 0;
        int n = 0;
        for (const GpsHistoryEntry& e : Gps.History) {
            if (e.Valid) {
                la += e.Latitude;
                lo += e.Longitude;
                ++n;
            }
        }
        Gps.MeanCount = n;
        Gps.MeanLatitude = n ? la / n : 0;
        Gps.MeanLongitude = n ? lo / n : 0;
    } else {
        Gps.MeanCount = valid ? 1 : 0;
        Gps.MeanLatitude = valid ? latitude : 0;
        Gps.MeanLongitude = valid ? longitude : 0;
    }
    if (Gps.MeanCount > 0 && Index.ActiveZmd) {
        double x = 0, y = 0;
        GpsToMap(Gps.MeanLatitude, Gps.MeanLongitude, x, y);
        EditSys.GpsPosition = Cord{int32_t(std::nearbyint(x)) * 256, int32_t(std::nearbyint(y)) * 256};
        MarkGps();
    }
    ShowGpsText(GpsStatusText());
}

namespace {

// The mark, when shown, drawn again as old.
void MarkOld()
{
    const bool shown = EditSys.GpsMarkShown;
    UnmarkGps();
    EditSys.GpsMarkOld = true;
    if (shown)
        MarkGps();
}

} // namespace

void GpsPositionOld()
{
    if (!GpsComm().Enabled() || Gps.TestOpen)
        return;
    Gps.Old = true;
    MarkOld();
    ShowGpsText(Text(TextKey::GpsNoData));
}

void GpsReceiverLost()
{
    if (oldTimer)
        oldTimer->stop();
    Gps.Lost = true;
    Gps.Old = true;
    MarkOld();
    ShowGpsText(Text(TextKey::GpsLost));
    EditPorts().UpdateToolButtons();
}

void GpsReceiverBack()
{
    Gps.Lost = false;
    ShowGpsText(Text(TextKey::GpsReconnected));
    if (oldTimer)
        oldTimer->start();
    EditPorts().UpdateToolButtons();
}

bool StartGpsPort()
{
    ProgramConfig.GpsEnabled = false;
    WriteConfig();
    Gps.Position = GpsPositionRecord{};
    Gps.History = {};
    Gps.MeanCount = 0;
    Gps.Old = false;
    Gps.Lost = false;
    EditSys.GpsMarkOld = false;
    TComm& c = GpsComm();
    c.Mode = CommMode::Lines;
    c.SetPort(ProgramConfig.GpsPort, ProgramConfig.GpsSpeed, 8, CommParity::None);
    c.SetEnabled(true);
    const bool ok = c.Enabled();
    if (!ok) {
        ErrorMsg(TextKey::CannotOpen, ProgramConfig.GpsPort, CannotOpenGpsHelpContext);
    } else {
        if (Index.ActiveZmd && Stp()->GpsAdjustPointCount > 0)
            FitGpsTransformation();
        ShowGpsText(Text(TextKey::NoFix));
        oldTimer->start();
    }
    EditPorts().UpdateToolButtons();
    return ok;
}

void CloseGpsReceiver()
{
    UnmarkGps();
    EditSys.GpsMarkOld = false;
    GpsComm().SetEnabled(false);
    oldTimer->stop();
    Gps.Position = GpsPositionRecord{};
    Gps.Old = false;
    Gps.Lost = false;
    EditPorts().UpdateToolButtons();
    ProgramConfig.GpsEnabled = false;
    WriteConfig();
    ShowGpsText(QString());
}

void RunGpsTest()
{
    const bool opened = !ProgramConfig.GpsEnabled;
    if (opened && !StartGpsPort())
        return;
    Gps.TestOpen = true;
    ExternalPorts().RunTestGps();
    Gps.TestOpen = false;
    if (opened && !ProgramConfig.GpsEnabled)
        GpsComm().SetEnabled(false);
}

void OpenGpsReceiver()
{
    if (ExternalPorts().RunOpenGps())
        StartGpsPort();
}

} // namespace zemo
