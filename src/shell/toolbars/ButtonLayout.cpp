#include "shell/toolbars/ButtonLayout.h"

#include <algorithm>

namespace zemo {

namespace {

bool Stacked(const ButtonContent& c)
{
    return (c.layout == GlyphLayout::Top || c.layout == GlyphLayout::Bottom) && !c.glyph.isEmpty();
}

} // namespace

int CaptionWrapWidth(const ButtonContent& c)
{
    int width = c.face.width();
    if (c.arrow)
        width -= InlineArrowSize.width();
    if (!Stacked(c) && !c.glyph.isEmpty())
        width -= c.glyph.width() + (c.spacing == -1 ? 4 : c.spacing);
    const int margin = c.margin != -1 ? c.margin : (c.spacing != -1 ? c.spacing : 4);
    return std::max(width - 2 * margin, 0);
}

ButtonContentPlaces PlaceButtonContent(const ButtonContent& c)
{
    const bool stacked = Stacked(c);
    const bool hasGlyph = !c.glyph.isEmpty();
    const bool hasCaption = !c.caption.isEmpty();
    const QSize arrow = c.arrow ? InlineArrowSize : QSize(0, 0);
    // Along the content's run: x side by side, y stacked.
    const int room = stacked ? c.face.height() : c.face.width();
    const int glyphLen = hasGlyph ? (stacked ? c.glyph.height() : c.glyph.width()) : 0;
    const int captionLen = hasCaption ? (stacked ? c.caption.height() : c.caption.width()) : 0;
    const int arrowLen = stacked ? 0 : arrow.width();
    int spacing = hasGlyph && hasCaption ? c.spacing : 0;
    int margin = c.margin;
    if (margin == -1 && spacing == -1) {
        const int part = (room - glyphLen - captionLen - arrowLen) / 3;
        margin = part;
        spacing = part;
    } else if (margin == -1) {
        margin = (room - glyphLen - spacing - captionLen - arrowLen) / 2;
    } else if (spacing == -1) {
        spacing = (room - margin - glyphLen - captionLen - arrowLen) / 2;
    }

    ButtonContentPlaces out;
    if (!stacked) {
        const auto midY = [&](int h) { return (c.face.height() - h) / 2; };
        int glyphX = 0;
        int captionX = 0;
        int arrowX = 0;
        if (c.layout == GlyphLayout::Right && hasGlyph) {
            arrowX = c.face.width() - margin - arrow.width();
            glyphX = arrowX - glyphLen;
            captionX = glyphX - spacing - captionLen;
        } else {
            glyphX = margin;
            captionX = margin + glyphLen + spacing;
            arrowX = captionX + captionLen;
        }
        if (hasGlyph)
            out.glyph = QRect(QPoint(glyphX, midY(c.glyph.height())), c.glyph);
        if (hasCaption)
            out.caption = QRect(QPoint(captionX, midY(c.caption.height())), c.caption);
        if (c.arrow) {
            const QRect on = hasGlyph ? out.glyph : out.caption;
            const int y = on.isValid() ? on.top() + (on.height() - arrow.height()) / 2
                                       : midY(arrow.height());
            out.arrow = QRect(QPoint(arrowX, y), arrow);
        }
        return out;
    }
    // Stacked: glyph and arrow centred together across, the caption centred on its own.
    const int glyphRun = c.glyph.width() + arrow.width();
    const int glyphX = (c.face.width() - glyphRun) / 2;
    int glyphY = margin;
    int captionY = margin + glyphLen + spacing;
    if (c.layout == GlyphLayout::Bottom) {
        glyphY = c.face.height() - margin - glyphLen;
        captionY = glyphY - spacing - captionLen;
    }
    out.glyph = QRect(QPoint(glyphX, glyphY), c.glyph);
    if (hasCaption)
        out.caption = QRect(QPoint((c.face.width() - c.caption.width()) / 2, captionY), c.caption);
    if (c.arrow)
        out.arrow = QRect(QPoint(glyphX + c.glyph.width(),
                                 glyphY + (c.glyph.height() - arrow.height()) / 2),
                          arrow);
    return out;
}

} // namespace zemo
