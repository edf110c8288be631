// The GIF export of one colour on white without anti-aliasing: two palette entries in use,
// white and the colour exact, the other 254 black, and the decoded picture of those two alone.
#include "MarkerMap.h"
#include "io/ExpGif.h"

#include <QImage>

#include <set>

namespace zemo::test {
namespace {

class GifPalette : public MarkerMapTest {};

TEST_F(GifPalette, OneColourOnWhiteTakesTwoEntries)
{
    TestMapWriter w(8);
    w.colors = {TestColor::Cmyk(0, "Blue", 200, 100, 0, 0)};
    w.symbols = {TestSymbol::Line(10, 0, 100)};
    w.objects = {TestObject::Line(10, {{0, 0}, {40 * Mm, -20 * Mm}}), TestObject::Line(10, {{0, -20 * Mm}, {40 * Mm, 0}})};
    ASSERT_NE(Open(w), nullptr);
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    const QString path = Samples() + QStringLiteral("/one-colour-on-white.gif");
    ASSERT_EQ(RenderGif(extent, path, false, true, false, Dpi), RasterResult::Written);
    const QByteArray b = Read(path);
    ASSERT_GT(b.size(), 13 + 768);
    const QImage image = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(image.isNull());
    std::set<QRgb> used;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            used.insert(image.pixel(x, y) & 0xFFFFFF);
    ASSERT_EQ(used.size(), 2u);
    EXPECT_TRUE(used.count(0xFFFFFF));
    const QRgb blue = *used.begin() == 0xFFFFFF ? *used.rbegin() : *used.begin();
    EXPECT_NE(blue, 0u);
    // The global table: those two, each once, and black in every other entry.
    int white = 0, colour = 0, black = 0;
    for (int i = 0; i < 256; ++i) {
        const QRgb e = uint8_t(b[13 + 3 * i]) << 16 | uint8_t(b[14 + 3 * i]) << 8 | uint8_t(b[15 + 3 * i]);
        white += e == 0xFFFFFF;
        colour += e == blue;
        black += e == 0;
    }
    EXPECT_EQ(white, 1);
    EXPECT_EQ(colour, 1);
    EXPECT_EQ(black, 254);
}

} // namespace
} // namespace zemo::test
