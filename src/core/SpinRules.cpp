#include "core/SpinRules.h"

#include "core/StringX.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zemo {

namespace {

double Limit(double v, double min, double max)
{
    // min above max cannot be honoured both ways; min wins, as the read rule does.
    if (v > max)
        v = max;
    if (v < min)
        v = min;
    return v;
}

} // namespace

double RealSpinRead(const QString& text, double min, double max)
{
    double v = 0;
    QString t = text;
    t.replace(QLatin1Char('.'), QLocale().decimalPoint());
    if (!TryPointStrToFloat(t, v))
        return min > 0 ? min : max < 0 ? max : 0.0;
    return Limit(v, min, max);
}

QString RealSpinText(double value, double min, double max, int decimals)
{
    if (!std::isfinite(value))
        value = 0;
    value = Limit(value, min, max);
    decimals = std::clamp(decimals, 0, 20);
    char buf[400];
    // 11 significant digits first, so 0.1 + 0.2 does not show as 0.30000000000000004.
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 10);
    std::from_chars(buf, r.ptr, value);
    r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    QString s = QString::fromLatin1(buf, int(r.ptr - buf));
    if (s.startsWith(QLatin1Char('-')) && !s.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        s.remove(0, 1);
    s.replace(QLatin1Char('.'), QLocale().decimalPoint());
    return s;
}

bool RealSpinStep(double value, double increment, bool up, double min, double max,
                  double& result)
{
    // An increment of 0 (the default until a form sets one) would divide by zero.
    if (!(increment > 0) || !std::isfinite(increment) || !std::isfinite(value))
        return false;
    double v;
    if (up) {
        if (!(value < max))
            return false;
        v = (std::nearbyint(value / increment - 0.4999) + 1) * increment;
    } else {
        if (!(value > min))
            return false;
        v = (std::nearbyint(value / increment + 0.4999) - 1) * increment;
    }
    result = Limit(v, min, max);
    return true;
}

int IntSpinClamp(int value, int min, int max)
{
    value = std::clamp(value, -32768, 32767);
    if (value > max)
        value = max;
    if (value < min)
        value = min;
    return value;
}

} // namespace zemo
