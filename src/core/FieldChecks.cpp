#include "core/FieldChecks.h"

#include "core/Messages.h"
#include "core/StringX.h"
#include "platform/Fonts.h"

#include <algorithm>
#include <cmath>

namespace zemo {

namespace {

QString Params(std::initializer_list<QString> parts)
{
    QStringList l;
    for (const QString& p : parts)
        l << p;
    return l.join(QLatin1Char(';'));
}

// Empty reads as 0; false for anything else that is not a number.
bool ReadOptionalNumber(const QString& text, double& value)
{
    if (TrimBlanks(text).isEmpty()) {
        value = 0;
        return true;
    }
    return TryPointStrToFloat(text, value);
}

} // namespace

void ShowNoNumber(const QString& label)
{
    ErrorMsg(TextKey::NoNumber, RemoveColon(label));
}

void ShowMustBetween(const QString& label, int decimals, double min, double max,
                     const QString& unit)
{
    QString p = Params({RemoveColon(label), FloatToFixedStr(decimals, min),
                        FloatToFixedStr(decimals, max)});
    if (!unit.isEmpty())
        p += QLatin1Char(';') + unit;
    ErrorMsg(TextKey::MustBetween, p);
}

FieldCheck CheckNumberText(const QString& text, const QString& label)
{
    double v = 0;
    if (TryPointStrToFloat(text, v))
        return {};
    ShowNoNumber(label);
    return {false, FieldFocus::Edit};
}

FieldCheck CheckRealText(const QString& text, const QString& label, double min, double max)
{
    double v = 0;
    if (!ReadOptionalNumber(text, v)) {
        ShowNoNumber(label);
        return {false, FieldFocus::Edit};
    }
    if (v < min || v > max) {
        ShowMustBetween(label, 0, min, max);
        return {false, FieldFocus::Edit};
    }
    return {};
}

FieldCheck CheckDpiText(const QString& text, const QString& label, int min, int max)
{
    int v = 0;
    if (!TryTrimStrToInt(text, v)) {
        ShowNoNumber(label);
        return {false, FieldFocus::Edit};
    }
    if (v < min || v > max) {
        ShowMustBetween(label, 0, min, max, QStringLiteral("dpi"));
        return {false, FieldFocus::Edit};
    }
    return {};
}

FieldCheck CheckIntSpinText(const QString& text, const QString& label, int min, int max)
{
    int v = 0;
    if (!TrimBlanks(text).isEmpty() && !TryTrimStrToInt(text, v)) {
        ShowNoNumber(label);
        return {false, FieldFocus::Edit};
    }
    if (v < min || v > max) {
        ShowMustBetween(label, 0, min, max);
        return {false, FieldFocus::Spin};
    }
    return {};
}

FieldCheck CheckRealSpinText(const QString& text, const QString& label, double min, double max,
                             int decimals, const QString& unit)
{
    double v = 0;
    if (!ReadOptionalNumber(text, v)) {
        ShowNoNumber(label);
        return {false, FieldFocus::Edit};
    }
    if (v < min || v > max) {
        ShowMustBetween(label, decimals, min, max, unit);
        return {false, FieldFocus::Spin};
    }
    return {};
}

FieldCheck CheckSymbolNumberText(const QString& text, bool checkUnique, int ownIndex,
                                 const std::vector<int>& numbers, int* number)
{
    double v = 0;
    if (!TryPointStrToFloat(text, v)) {
        ErrorMsg(TextKey::SymNumNotCorr);
        return {false, FieldFocus::Edit};
    }
    if (!(v >= 0.09 && v <= 999.91)) {
        ErrorMsg(TextKey::SymNumRange);
        return {false, FieldFocus::Edit};
    }
    const int n = int(std::nearbyint(v * 10));
    if (checkUnique) {
        for (size_t i = 0; i < numbers.size(); ++i) {
            if (int(i) != ownIndex && numbers[i] == n) {
                ErrorMsg(TextKey::SymNumExists, {}, SymbolNumberHelpContext);
                return {false, FieldFocus::Edit};
            }
        }
    }
    if (number)
        *number = n;
    return {};
}

bool FontNameInstalled(const QString& name, const QStringList& installedFonts)
{
    if (installedFonts.contains(name))
        return true;
    // Maps name Windows families; the metric-compatible free family draws them.
    const QString substitute = FontService::SubstituteFamily(name);
    return !substitute.isEmpty() && installedFonts.contains(substitute, Qt::CaseInsensitive);
}

FieldCheck CheckFontName(const QString& text, const QStringList& installedFonts)
{
    if (FontNameInstalled(text, installedFonts))
        return {};
    ErrorMsg(TextKey::FontNotFound, text, FontNotFoundHelpContext);
    return {false, FieldFocus::Edit};
}

const std::vector<int>& StandardScales()
{
    static const std::vector<int> scales{500,   750,   1000,  2000,  2500,  5000,  7500, 10000,
                                         12500, 15000, 20000, 25000, 50000, 75000, 100000};
    return scales;
}

QStringList ScaleComboItems()
{
    QStringList l;
    for (int s : StandardScales())
        l << QString::number(s);
    return l;
}

QString ScaleComboText(double scale) { return FloatToFixedStr(0, scale); }

QStringList ComboItemsFromList(const QString& text)
{
    return text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

int ColorComboIndex(const std::vector<ComboColor>& colors, int colorNumber)
{
    int index = colors.empty() ? -1 : 0;
    for (size_t i = 0; i < colors.size(); ++i)
        if (colors[i].number == colorNumber)
            index = int(i);
    return index;
}

int ComboColorNumber(const std::vector<ComboColor>& colors, int index)
{
    if (index < 0 || size_t(index) >= colors.size())
        return 0;
    return colors[size_t(index)].number;
}

QStringList FontComboItems(const QStringList& installedFonts, const QString& fontName,
                           int* selected)
{
    QStringList l;
    for (const QString& f : installedFonts)
        if (l.isEmpty() || l.back() != f)
            l << f;
    qsizetype i = l.indexOf(fontName);
    if (i < 0 && FontNameInstalled(fontName, installedFonts)) {
        // The name as the map has it, in its place among the others.
        i = std::find_if(l.begin(), l.end(), [&](const QString& f) {
                return QString::compare(f, fontName, Qt::CaseInsensitive) > 0;
            }) - l.begin();
        l.insert(i, fontName);
    } else if (i < 0) {
        ErrorMsg(TextKey::FontNotFound, fontName, FontNotFoundHelpContext);
        l << fontName;
        i = l.size() - 1;
    }
    if (selected)
        *selected = int(i);
    return l;
}

} // namespace zemo
