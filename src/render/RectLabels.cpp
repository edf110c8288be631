#include "render/RectLabels.h"

#include "core/CodePage.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "render/GraphSys.h"
#include "render/Rects.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <numbers>
#include <string_view>

namespace zemo {

namespace {

// The label's characters and advances into MapFont, in the labels' font.
void MeasureRectLabel(const std::string& text)
{
    SelectMapFont(QStringLiteral("Arial"), RectLabelFontSize, RectLabelFontWeight, false);
    ApplyMapFont();
    const QString wide = DecodeCodePage(1252, QByteArray::fromStdString(text));
    MeasureText(std::u16string_view(reinterpret_cast<const char16_t*>(wide.utf16()), size_t(wide.size())));
}

} // namespace

void DrawRectLabel(const std::string& text, Cord pos, Cord centre, int angle)
{
    if (text.empty())
        return;
    MeasureRectLabel(text);

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

bool RectLabelsBox(const ElementRecord& e, CordRect& box)
{
    SymbolBytes* sym = nullptr;
    if (e.ObjectType != RectangleObject || e.nText > 0 || !GetSymbol(e.Symbol, sym) || !sym)
        return false;
    const std::span<const uint8_t> rec(*sym);
    RectFrame f;
    if (rec.size() != size_t(RectSymbolBytes) || SymI16(rec, SymObjectType) != RectangleObject
        || !RectangleFrame(e, f))
        return false;
    const std::vector<RectGridLabel> labels = RectGridLabels(f, rec);
    if (labels.empty())
        return false;
    const MapFontState& m = MapFont;
    const double a = f.Angle / 1800.0 * std::numbers::pi;
    const double cosA = std::cos(a), sinA = std::sin(a);
    const double mx = f.Centre.x, my = f.Centre.y;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool any = false;
    for (const RectGridLabel& label : labels) {
        MeasureRectLabel(label.Text);
        // As DrawRectLabel advances.
        double width = 0;
        for (size_t i = 0; i < m.TextClasses.size() && m.TextClasses[i] != TextEndClass; ++i)
            width += m.TextClasses[i] >= 33 ? m.TextAdvances[i] : m.TextClasses[i] == SpaceClass ? m.SpaceWidth : 0;
        const double x = Masked(label.Pos.x), y = Masked(label.Pos.y);
        const double cx[4] = {x, x + width, x + width, x};
        const double cy[4] = {y - m.FontDescent, y - m.FontDescent, y + m.FontAscent, y + m.FontAscent};
        for (int k = 0; k < 4; ++k) {
            const double dx = cx[k] - mx, dy = cy[k] - my;
            const double px = mx + dx * cosA - dy * sinA, py = my + dy * cosA + dx * sinA;
            x1 = any ? std::min(x1, px) : px;
            y1 = any ? std::min(y1, py) : py;
            x2 = any ? std::max(x2, px) : px;
            y2 = any ? std::max(y2, py) : py;
            any = true;
        }
    }
    // A unit of room on each side for the rounding of the glyphs' pixels.
    box = {Masked(SafeRound(x1)) - 256, Masked(SafeRound(y1)) - 256, Masked(SafeRound(x2)) + 256,
           Masked(SafeRound(y2)) + 256};
    return true;
}

} // namespace zemo
