// DrCircle: the circle tool (tool mode 6). A circle is dragged as a diameter, or from its
// centre with Shift held; a click asks for a radius. The outline is four cubic segments, 13
// coordinates, stored as a new line or area, or as a hole in the selected area. The outline
// itself is shared with the ellipse tool (DrEllips).
#pragma once

#include "core/Cord.h"

#include <array>

namespace zemo {

inline constexpr int OutlinePoints = 13;
// A circle or ellipse needs this many free coordinates past the count.
inline constexpr int OutlineRoom = 10;

inline constexpr int CircleHelpContext = 228;

// The outline about `centre` with half-axes a (along the turned x axis) and b, turned by
// `angle` (radians, counter-clockwise): 13 points from the end of the a axis that lies
// opposite its direction, all round. An ellipse's far axis end is a corner.
std::array<Cord, OutlinePoints> BuildOutline(Cord centre, double a, double b, double angle, bool ellipse);

// The outline as XOR polyline on the edit device.
void XorOutline(const std::array<Cord, OutlinePoints>& outline);

// An outline shown in XOR while it is dragged.
struct OutlinePreview {
    std::array<Cord, OutlinePoints> Outline{};
    bool Shown = false;
    void Show();  // unless shown
    void Hide();  // when shown
};

// Appends the outline to CurElement and stores it: as a hole of the selected area behind its
// startCount points (the hole's first point flagged), else as a new object.
void StoreOutline(const std::array<Cord, OutlinePoints>& outline, bool hole, int startCount);

struct DrCircleState {
    int CircleState = 0;        // 0 idle, 1 dragging
    Cord CircleA;               // the press
    Cord CircleB;               // the pointer
    bool CircleFromCentre = false;
    bool CircleHole = false;
    int StartCount = 0;
    OutlinePreview Preview;
};

extern DrCircleState DrCircle;

void ResetDrCircle();
// Enters the tool's seven procedures in the tool table (tool mode 6).
void RegisterCircleTool();

void CircleStart(int flag);
void CircleEnd();
void CircleMouseDown();
void CircleMoveBefore();
void CircleMoveAfter();
void CircleMouseUp();
void CircleKey(int ch);

// The outline from CircleA and CircleB: a diameter, or a radius from the centre.
void BuildCircle();
// The Draw Circle dialog: on OK a circle of its radius about the press. One that would leave
// the map area is refused with CircleOut. True when the outline was built.
bool RunDrawCircleDialog();

} // namespace zemo
