// Where a toolbar button puts its glyph, its caption and the small arrow of a drop-down
// button inside its face.
#pragma once

#include <QRect>
#include <QSize>

namespace zemo {

enum class GlyphLayout { Left, Right, Top, Bottom };

// The inline arrow of a drop-down button that is not a combo.
inline constexpr QSize InlineArrowSize{9, 3};

struct ButtonContent {
    QSize face;        // the room inside the border
    QSize glyph;       // empty: no glyph
    QSize caption;     // empty: no caption
    bool arrow = false;
    GlyphLayout layout = GlyphLayout::Left;
    int margin = -1;   // -1 centres the content
    int spacing = 4;   // -1 spreads glyph and caption evenly
};

struct ButtonContentPlaces {
    QRect glyph;
    QRect caption;
    QRect arrow;
};

// The width a word-wrapped caption may take in that face.
int CaptionWrapWidth(const ButtonContent& c);

ButtonContentPlaces PlaceButtonContent(const ButtonContent& c);

} // namespace zemo
