// Options > Scales: the map's scale, real-world frame and grids as the dialog's fields show
// them, the checks OK runs on them, and how they go back into the setup record. The dialog
// (shell/widgets/ScalesDlg.h) shows these rules.
//
// The checks take only what the setup record keeps: a value it would replace when it is
// written (a scale above 10,000,000, a real-world grid below 10 m) is refused here, and an
// angle beyond a full turn is brought back by whole turns, so that OK never stores something
// else than the user sees.
#pragma once

#include "core/Setup.h"

#include <QString>

namespace zemo {

inline constexpr int ScalesHelpContext = 189;

// The range, decimals and step of a field.
struct ScalesRange {
    double min;
    double max;
    int decimals;
    double step;
};
inline constexpr ScalesRange MapScaleRange{1, 10000000, 0, 0};
inline constexpr ScalesRange GridDistRange{0.05, 100, 4, 5};
inline constexpr ScalesRange OffsetRange{-10000000, 10000000, 0, 1000};
inline constexpr ScalesRange RealGridRange{10, 100000, 0, 50};
inline constexpr int AngleMinDecimals = 2;
inline constexpr int AngleMaxDecimals = 8;

// The texts of the fields.
struct ScalesFields {
    QString scale;
    QString gridDist;     // mm on paper
    QString horOfs;       // m
    QString verOfs;
    QString angle;        // degrees
    QString realGrid;     // m
    bool realWorld = false;
};

ScalesFields ScalesFieldsOf(const SetupRecord& s);

enum class ScalesField { None, Scale, GridDist, HorOfs, VerOfs, Angle, RealGrid };

// The checks in the dialog's order; the first failure shows its message (NoNumber or
// MustBetween with the field's label, limits and unit) and is returned. A field still as
// shown passes: it holds what the map holds.
ScalesField CheckScalesFields(const ScalesFields& f, const ScalesFields* shown = nullptr);

// Checked fields into the record, in the dialog's order; with shown, only the fields the
// user changed, so that a value the texts would round stays as the map holds it.
void StoreScalesFields(const ScalesFields& f, SetupRecord& s, const ScalesFields* shown = nullptr);

} // namespace zemo
