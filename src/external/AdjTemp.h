// AdjTemp: fitting a raster template to the map by pairs of points (tool mode 16). The user
// clicks a point on the template, then the place on the map where it belongs, up to 12
// pairs; Enter (or the twelfth pair) fits the template's position, angle and pixel sizes to
// them and writes them into its string.
#pragma once

#include <array>
#include <cstdint>

namespace zemo {

inline constexpr int MaxAdjustPairs = 12;
// The question's help context when the points lie too close together.
inline constexpr int AdjTooCloseHelpContext = 51;

struct AdjTempState {
    int TemplateIndex = -1;      // chosen by Template > Adjust
    int ReturnWorkMode = 0;      // the tool selected before
    // The placement read at the tool's start (map coordinates, 0.01 mm, radians).
    double X = 0;
    double Y = 0;
    double U = 10;
    double V = 10;
    double Angle = 0;
    int Phase = 0;               // 0: a template point next, 1: its map point
    int Pairs = 0;
    std::array<double, MaxAdjustPairs> Lx{};  // template points, pixels from the centre
    std::array<double, MaxAdjustPairs> Ly{};
    std::array<double, MaxAdjustPairs> MapX{}; // map points, coordinate units
    std::array<double, MaxAdjustPairs> MapY{};
};

extern AdjTempState AdjTemp;

void ResetAdjTempUnit();
// Enters the tool's procedures in the tool table (tool mode 16).
void RegisterAdjTemplateTool();

// Template > Adjust (the tool route): the chosen raster template for the tool, the tool
// selected now kept to return to, and the template-adjust tool selected.
void AdjustTemplate();

// ---- Tool procedures ----
void AdjTemplateStart();
void AdjTemplateEnd();
void AdjTemplateMouseDown();
void AdjTemplateMouseUp();
void AdjTemplateKeyPress(int ch);

// The fit of the recorded pairs into the template's string (x, y, a, u, v); false with
// "AdjTooClose" when the points are too close together to give finite, non-zero pixel sizes.
bool FitTemplate();

// The placement a fit computes from the pairs, without writing it.
struct TemplateFit {
    double X = 0;
    double Y = 0;
    double U = 0;
    double V = 0;
    double Angle = 0;
};
bool ComputeTemplateFit(const AdjTempState& s, TemplateFit& fit);

} // namespace zemo
