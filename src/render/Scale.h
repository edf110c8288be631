// The three coordinate systems and the conversions between them: map coordinates (Cord),
// device coordinates (pixels or another output's units) and real-world metres on the ground.
#pragma once

#include "core/Cord.h"

#include <QPoint>

#include <cstdint>

namespace zemo {

// 25,600 coordinate units make one millimetre of paper, 2.56e7 one metre.
inline constexpr double UnitsPerMetre = 2.56e7;
// Real-world positions are limited to this many units from the origin on the way in.
inline constexpr double RealWorldUnitLimit = 2.048e8;

// The process-wide view transform. Printing and the exports overwrite the origin and the two
// scales for their run; the screen gets them back from UpdateViewTransform.
struct ScaleState {
    Cord ViewOrigin{};          // map point shown at device (0, 0)
    double ViewScaleX = 1.0;    // device units per coordinate unit
    double ViewScaleY = 1.0;    // negative on screen: device y grows downward
    CordRect DrawRect{};        // map rectangle of the view
    int FlattenTolerance = 0;   // 0.01 mm
    int PickTolerance = 0;      // coordinate units
    int16_t ScreenPixelsPerInchX = 96;
    int16_t ScreenPixelsPerInchY = 96;
    // Rotation cache of the real-world transform.
    double CachedAngle = 0;
    double CachedSin = 0;
    double CachedCos = 1.0;
};

extern ScaleState Scale;

// Back to the start-up state: identity transform, empty cache.
void ResetScaleState();

// What the screen transform needs from the map's setup, the window and the settings. Zoom and
// the view centre are written back (raised zoom, clamped centre) as the setup expects.
struct ViewParams {
    double Zoom = 1.0;
    int32_t CenterX = 0;
    int32_t CenterY = 0;
    int Width = 0;             // drawing surface in pixels
    int Height = 0;
    int SelectTolerance = 3;   // pixels
    // Outputs: scroll bar positions in whole millimetres.
    int HScrollPos = 0;
    int VScrollPos = 0;
};

// Recomputes the screen transform from the zoom and window size. Refuses (returns false and
// changes nothing) a zoom that is 0, negative or not finite, a negative window size or a screen
// resolution that is not positive.
bool UpdateViewTransform(ViewParams& params);

// Map to device: rounded with 16-bit saturation (32767 .. -32764). Flags are not masked.
void CordToDevice(const Cord* src, QPoint* dst, int n);
QPoint CordToDevice(Cord c);
// Device to map: rounded with 30-bit saturation and masked. A scale of 0 leaves the origin.
void DeviceToCord(const QPoint* src, Cord* dst, int n);
Cord DeviceToCord(QPoint p);

// The map's real-world reference.
struct RealWorldRef {
    double MapScale = 15000;     // scale number
    double OffsetEast = 0;       // metres
    double OffsetNorth = 0;      // metres
    double GridAngle = 0;        // degrees
};

// False for a map scale that is 0, negative or not finite, or a grid angle or position that is
// not finite; the output is then untouched.
bool RealWorldToCord(double east, double north, const RealWorldRef& ref, Cord& out);
bool CordToRealWorld(Cord c, const RealWorldRef& ref, double& east, double& north);

// A real-world box: minimum east, minimum north, maximum east, maximum north.
struct RealWorldBox {
    double MinEast = 0;
    double MinNorth = 0;
    double MaxEast = 0;
    double MaxNorth = 0;
};

// Widens the box to contain the map point (x, y).
bool ExtendRealWorldBox(int32_t x, int32_t y, const RealWorldRef& ref, RealWorldBox& box);
// The real-world box of a map extent, corner by corner (the first corner starts the box).
bool RealWorldExtent(const CordRect& extent, const RealWorldRef& ref, RealWorldBox& box);

} // namespace zemo
