// The shipped orienteering symbol set's hatched and structured areas in the SVG export: a map
// made by File > New with a square of each, every third one turned by 25 degrees, drawn by
// rsvg-convert as the bitmap export draws it.
#include "../support/ProgramFixture.h"
#include "BlendCompare.h"
#include "MarkerMap.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "io/ExpBmp.h"
#include "io/ExpSvg.h"
#include "io/Export.h"
#include "shell/widgets/MainFm.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"

#include <QImage>
#include <QProcess>

namespace zemo::test {
namespace {

class SvgShippedSymbols : public ProgramFixture {};

TEST_F(SvgShippedSymbols, HatchedAndStructuredAreasAsTheBitmapDrawsThem)
{
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    // A square of 10 mm for every area symbol with a hatch or a structure, in rows of five.
    std::vector<QPoint> squares;
    for (const SymbolBytes& rec : Index.ActiveZmd->Symbols) {
        if (SymI16(rec, SymObjectType) != AreaObject)
            continue;
        const int hatch = SymI16(rec, AreaHatchMode), structure = SymI16(rec, AreaStructMode);
        if (hatch != 1 && hatch != 2 && structure != 1 && structure != 2)
            continue;
        const int i = int(squares.size());
        const QPoint at(12 * (i % 5), -12 * (i / 5));
        const std::vector<Cord> ring{{at.x() * Mm, at.y() * Mm}, {(at.x() + 10) * Mm, at.y() * Mm},
                                     {(at.x() + 10) * Mm, (at.y() - 10) * Mm}, {at.x() * Mm, (at.y() - 10) * Mm}};
        ASSERT_TRUE(InitElement(CurElement, SymI16(rec, SymNumber), AreaObject, uint16_t(ring.size()), 0, 0));
        CurElement.Angle = int16_t(i % 3 == 1 ? 250 : 0);
        std::copy(ring.begin(), ring.end(), CurElement.Cords());
        ASSERT_TRUE(AppendElement());
        squares.push_back(at);
    }
    ASSERT_GE(squares.size(), 6u);
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    const QString svg = Samples() + QStringLiteral("/orienteering-15000-patterns.svg");
    ASSERT_TRUE(WriteSvgFile(svg));
    // 30 pixels a millimetre: the thinnest hatch (0.14 mm) is four pixels wide, so that
    // anti-aliasing leaves its middle in full colour.
    const QString bmp = Samples() + QStringLiteral("/orienteering-15000-patterns-762dpi.bmp");
    ASSERT_EQ(RenderBmp(extent, bmp, false, false, 762), RasterResult::Written);
    const QString png = Samples() + QStringLiteral("/orienteering-15000-patterns-rsvg-762dpi.png");
    QProcess rsvg;
    rsvg.start(QStringLiteral("rsvg-convert"), {QStringLiteral("-d"), QStringLiteral("762"), QStringLiteral("-p"),
                                                 QStringLiteral("762"), QStringLiteral("-b"), QStringLiteral("white"),
                                                 QStringLiteral("-o"), png, svg});
    ASSERT_TRUE(rsvg.waitForFinished(120000));
    ASSERT_EQ(rsvg.exitCode(), 0) << rsvg.readAllStandardError().toStdString();
    const QImage ours = QImage(bmp).convertToFormat(QImage::Format_RGB32);
    const QImage theirs = QImage(png).convertToFormat(QImage::Format_RGB32);
    ASSERT_LE(std::abs(ours.width() - theirs.width()), 1);
    ASSERT_LE(std::abs(ours.height() - theirs.height()), 1);
    for (const QPoint at : squares) {
        SCOPED_TRACE(at.x() * 1000 - at.y());
        const int left = int(std::lround(double(at.x() * Mm - extent.x1) * 30 / Mm));
        const int top = int(std::lround(double(extent.y2 - at.y() * Mm) * 30 / Mm));
        const QRect r(left + 15, top + 15, 270, 270);
        ASSERT_TRUE(QRect(QPoint(0, 0), theirs.size()).contains(r));
        EXPECT_LE(Unexplained(ours, theirs, r), r.width() * r.height() / 50);
    }
    EXPECT_EQ(messages.Count(), 0);
}

} // namespace
} // namespace zemo::test
