#include "render/RectLabels.h"

#include "core/CodePage.h"
#include "core/Numeric.h"
#include "render/GraphSys.h"
#include "render/Rects.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <numbers>
#include <string_view>

namespace zemo {

void DrawRectLabel(const std::string& text, Cord pos, Cord centre, int angle)
{
    if (text.empty())
        return;
    SelectMapFont(QStringLiteral("Arial"), RectLabelFontSize, RectLabelFontWeight, false);
    ApplyMapFont();
    const QString wide = DecodeCodePage(1252, QByteArray::fromStdString(text));
    MeasureText(std::u16string_view(reinterpret_cast<const char16_t*>(wide.utf16()), size_t(wide.size())));

    const double a = angle / 1800.0 * std::numbers::pi;
    const double cosA = angle == 0 ? 1.0 : std::cos(a);
    const double sinA = angle == 0 ? 0.0 : std::sin(a);
    const double mx = Masked(centre.x), my = Masked(centre.y);
    const double y = Masked(pos.y);
    // 64 bits: a long text near the edge of the map must not wrap round.
    int64_t x = Masked(pos.x);
    const MapFontState& m = MapFont;
    for (size_t i = 0; i < m.TextClasses.size() && m.TextClasses[i] != TextEndClass; ++i) {
        const uint8_t cls = m.TextClasses[i];
        if (cls >= 33) {
            int32_t px = Masked(SafeRound(double(x)));
            int32_t py = Masked(pos.y);
            if (angle != 0) {
                const double dx = double(x) - mx, dy = y - my;
                px = Masked(SafeRound(mx + std::nearbyint(dx * cosA - dy * sinA)));
                py = Masked(SafeRound(my + std::nearbyint(dy * cosA + dx * sinA)));
            }
            DrawMapChar(px, py, angle, m.TextChars[i]);
            x += m.TextAdvances[i];
        } else if (cls == SpaceClass) {
            // Measuring gives a blank no advance of its own.
            x += m.SpaceWidth;
        }
    }
}

} // namespace zemo
