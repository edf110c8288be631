// AdjGps: GPS adjustment. Points of the map clicked where the receiver stood (at most 12,
// kept in the map's setup) fix the GPS transformation that places positions on the map, and
// the adjust tool (tool mode 19) records them.
#pragma once

#include <QString>

namespace zemo {

inline constexpr int MaxGpsAdjustPoints = 12;
inline constexpr int AdjustGpsHelpContext = 22;
inline constexpr int GpsTooCloseHelpContext = 36;
inline constexpr int GpsPointNameLength = 15;

// The fitted transformation: a position (latitude, longitude) to 0.01 mm on the map.
struct GpsTransform {
    double RefLatitude = 0;
    double RefLongitude = 0;
    double Kx = 0;        // cos(reference latitude): a degree of longitude against latitude
    double RefX = 0;      // 0.01 mm
    double RefY = 0;
    double Fx = 0;        // 0.01 mm per degree of latitude
    double Fy = 0;
    double C = 0;         // cosine and sine of the angle
    double S = 0;
};

struct AdjGpsState {
    GpsTransform Fit;
    int ReturnWorkMode = 0;  // the tool selected before New
    bool Clicked = false;    // a press was taken: its release ends the tool
};

extern AdjGpsState AdjGps;

void ResetAdjGpsUnit();
// The fit of the map's points; false (with "AdjTooClose") when they cannot give one, the
// previous fit then kept. No points leave it as it is.
bool FitGpsTransformation();
// A position in 0.01 mm on the map, each axis held in -200000..200000.
void GpsToMap(double latitude, double longitude, double& x, double& y);

// Options > Adjust GPS: the dialog, then the angle stored and the points fitted again; New
// selects the adjust tool, the tool selected before kept to return to.
void ShowAdjustGpsDialog();
// The dialog's New: data arriving and room for another point.
bool GpsNewPointAllowed();
// The dialog's Delete: the later points move up.
void DeleteGpsPoint(int i);
// A point's name as shown, and a name as the map keeps it: code page 1252, at most
// GpsPointNameLength bytes.
QString GpsPointName(int i);
void SetGpsPointName(int i, const QString& name);
void RegisterAdjGpsTool();

// ---- Tool procedures ----
void AdjGpsStart();
void AdjGpsEnd();
void AdjGpsMouseDown();
void AdjGpsMouseUp();
void AdjGpsKeyPress(int ch);

} // namespace zemo
