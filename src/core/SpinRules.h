// The value rules of the spin controls beside dialog edits: how the edit's text reads as a
// value, how a value is written back, and where a click on the arrows moves it.
#pragma once

#include <QString>

namespace zemo {

// The edit's text as a value: "." and the locale's separator both read as the decimal
// point; text that is no number gives min when min > 0, max when max < 0, else 0; a number
// is limited to min..max.
double RealSpinRead(const QString& text, double min, double max);
// The value limited to min..max, rounded to 11 significant digits and written with exactly
// decimals (0..20) decimals and the locale's separator.
QString RealSpinText(double value, double min, double max, int decimals);
// One click: up moves to the next multiple of increment above value (down: below), a value
// between two multiples to the nearer one on that side, the result limited to min..max.
// False when the click changes nothing: value already at the limit, or an increment that
// is not a positive number.
bool RealSpinStep(double value, double increment, bool up, double min, double max,
                  double& result);

// The integer control: its position is a 16-bit value within min..max.
int IntSpinClamp(int value, int min, int max);

} // namespace zemo
