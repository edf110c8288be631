#include "app/Install.h"

#include "core/CodePage.h"
#include "document/Ports.h"
#include "render/AreaSplt.h"
#include "render/GraphSys.h"
#include "render/RectLabels.h"
#include "render/Texts.h"
#include "symbols/store/Ports.h"
#include "symbols/store/SymbolRecords.h"

#include <QRawFont>

#include <cmath>

namespace zemo {

void InstallRender()
{
    // The text layout for the map store: a text object's extent before it is stored and the
    // text-metric height of a text symbol's font.
    DocumentPorts().MeasureText.Bind([](ElementRecord& e) { MeasureTextObject(e); });
    DocumentPorts().RectLabelsBox.Bind([](const ElementRecord& e, CordRect& box) { return RectLabelsBox(e, box); });
    SymbolStorePorts().TextSymbolHeight.Bind([](std::span<const uint8_t> rec) { return TextSymbolHeight(rec); });
    // Saving in older versions: texts as the layout reads them, areas cut into smaller ones.
    DocumentPorts().PrepareText.Bind([](const ElementRecord& e) {
        PrepareTextSymbol(e);
        PreparedText t{Texts.TextBuffer, CodePageOfCharset(SymU8(Texts.Symbol, TsCharset))};
        RestoreTextColor();
        return t;
    });
    DocumentPorts().SplitArea.Bind([](const Cord* points, int count, const AreaPieceFn& accept) {
        return SplitArea(points, count, accept);
    });
    // The frame of a converted old text: the map font at its character height, measured in
    // whole device units as the screen measures it.
    DocumentPorts().MeasureFrameText.Bind([](const QString& font, int height, const std::u32string& chars) {
        const QRawFont f = CreateMapFont(font, height, 400, false);
        FrameTextMetrics m;
        if (!f.isValid())
            return EmFrameTextMetrics(font, height, chars);
        const double ascent = std::nearbyint(f.ascent());
        const double leading = std::nearbyint(f.ascent() + f.descent() - f.pixelSize());
        m.AscentLeading = int32_t(ascent + leading);
        for (char32_t c : chars) {
            const QList<quint32> glyphs = f.glyphIndexesForString(QString::fromUcs4(&c, 1));
            const QList<QPointF> advances = f.advancesForGlyphIndexes(glyphs);
            double w = 0;
            for (const QPointF& a : advances)
                w += a.x();
            m.Advances.push_back(int32_t(std::nearbyint(w)));
        }
        return m;
    });
}

} // namespace zemo
