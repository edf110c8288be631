// Gps: the GPS receiver on the serial port. NMEA sentences GGA and RMC give the last position
// with its quality; an optional filter averages the last ten; the GPS transformation (AdjGps)
// puts the position on the map as the GPS mark and the status line describes it.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace zemo {

class TComm;

namespace GpsStatus {
inline constexpr int Valid = 0;
inline constexpr int NoFix = 1;
inline constexpr int FewSatellites = 2;
inline constexpr int NoDgps = 3;
} // namespace GpsStatus

inline constexpr int GpsHistorySize = 10;
// Differential data older than this (seconds) does not count.
inline constexpr double MaxDgpsAge = 3;
inline constexpr int CannotOpenGpsHelpContext = 59;
inline constexpr int OpenGpsHelpContext = 54;
inline constexpr int TestGpsHelpContext = 55;
// No position sentence for this long makes the position old.
inline constexpr int GpsOldAfterMs = 3000;

struct GpsPositionRecord {
    double Latitude = 0;   // degrees, south negative
    double Longitude = 0;  // degrees, west negative
    int Status = GpsStatus::NoFix;
    bool Dgps = false;
    int Satellites = 0;
    double DgpsAge = 0;    // seconds
    bool GgaSeen = false;
};

struct GpsHistoryEntry {
    double Latitude = 0;
    double Longitude = 0;
    bool Valid = false;
};

struct GpsUnitState {
    GpsPositionRecord Position;
    std::array<GpsHistoryEntry, GpsHistorySize> History{};
    double MeanLatitude = 0;
    double MeanLongitude = 0;
    int MeanCount = 0;      // valid entries behind the mean
    bool TestOpen = false;  // the test dialog shows the lines
    QByteArray LastLine;    // the last line received
    bool Old = false;       // no position of late
    bool Lost = false;      // the receiver hung up or failed
};

extern GpsUnitState Gps;

void ResetGpsUnit();
// The receiver's port, made on first use; its OnLine is CommLine.
TComm& GpsComm();

// One received line.
void CommLine(const QByteArray& line);
// Filter, map position, mark and status text of a new position (only while data arrives).
void UpdateGpsPosition(double latitude, double longitude);
// "ddmm.mmmm" (or "dddmm.mmmm") to degrees; false when the field is no such number.
bool ParseNmeaAngle(const QByteArray& field, double& degrees);
// The status line's text of the current position.
QString GpsStatusText();
// The test dialog's texts: degrees, "° ", minutes with 4 decimals and "'"; the fix.
QString GpsTestLatitude();
QString GpsTestLongitude();
QString GpsTestMode();

// No position came for GpsOldAfterMs: the mark and the status line say the position is old.
void GpsPositionOld();
// The port hung up or failed: the status line says the receiver is lost, the mark stays as old.
void GpsReceiverLost();
// The lost port opened again by itself: the status line says so, and positions go on from
// the next sentence.
void GpsReceiverBack();

// Opens the configured port; false (with "CannotOpen") when it cannot be had.
bool StartGpsPort();
// Options > Close GPS: the mark and the status line's GPS text go.
void CloseGpsReceiver();
// The test dialog's road: the port opened when no data arrived yet, closed again after the
// dialog when still none came.
void RunGpsTest();
// Options > Open GPS.
void OpenGpsReceiver();

} // namespace zemo
