// Our LZW streams against independent codecs: Qt's GIF reader and libtiff's LZW.
#include "core/Lzw.h"

#include "../support/GifTestFile.h"
#include "LzwTestCodec.h"
#include "../support/LzwTestStreams.h"
#include "../support/TiffLzwStrips.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

namespace zemo {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<uint32_t> distinctPalette(int size)
{
    std::vector<uint32_t> palette;
    for (int i = 0; i < size; ++i)
        palette.push_back(uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t((i * 7) & 0xFF));
    return palette;
}

TEST(LzwInterop, GifFormStreamsDecodePixelExactWithQt)
{
    ASSERT_TRUE(QImageReader::supportedImageFormats().contains("gif"));
    struct Case {
        const char* name;
        int width, height, codeSize;
        bool writeClear;
        bool lowEntropy;
    };
    const Case cases[] = {
        {"low entropy, 8 bits", 800, 700, 8, true, true},
        {"high entropy, 8 bits", 640, 512, 8, true, false},
        {"no leading clear", 300, 200, 8, false, true},
        {"2 bits", 257, 130, 2, true, false},
        {"3 bits", 200, 150, 3, true, true},
        {"4 bits", 211, 190, 4, true, false},
        {"5 bits", 180, 160, 5, true, false},
        {"6 bits", 190, 170, 6, true, true},
        {"7 bits", 230, 170, 7, true, false},
    };
    for (const auto& c : cases) {
        const size_t count = size_t(c.width) * size_t(c.height);
        const Bytes pixels = c.lowEntropy ? test::LowEntropyBytes(count, 21, c.codeSize)
                                          : test::HighEntropyBytes(count, 22, c.codeSize);
        const Bytes stream = test::EncodeGifForm(pixels, c.codeSize, c.writeClear);
        ASSERT_FALSE(stream.empty()) << c.name;
        const auto palette = distinctPalette(1 << c.codeSize);
        const Bytes file = test::MakeGifFile(c.width, c.height, palette, c.codeSize, stream);

        QByteArray data(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
        QBuffer buffer(&data);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        QImageReader reader(&buffer, "gif");
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << c.name << ": " << reader.errorString().toStdString();
        ASSERT_EQ(image.width(), c.width);
        ASSERT_EQ(image.height(), c.height);
        size_t wrong = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint8_t index = pixels[size_t(y) * size_t(c.width) + size_t(x)];
                wrong += (image.pixel(x, y) & 0xFFFFFFu) != palette[index];
            }
        EXPECT_EQ(wrong, 0u) << c.name;
    }
}

struct TiffCase {
    const char* name;
    int width, height, rowsPerStrip;
    Bytes pixels;
};

std::vector<TiffCase> tiffCases()
{
    std::vector<TiffCase> cases;
    cases.push_back({"low entropy", 1024, 600, 256, test::LowEntropyBytes(1024 * 600, 31)});
    cases.push_back({"high entropy", 777, 500, 200, test::HighEntropyBytes(777 * 500, 32)});
    cases.push_back({"single byte codes", 512, 16, 16, test::DistinctPairBytes(512 * 16)});
    return cases;
}

Bytes stripOf(const TiffCase& c, int strip)
{
    const size_t begin = size_t(strip) * size_t(c.rowsPerStrip) * size_t(c.width);
    const size_t end = std::min(c.pixels.size(), begin + size_t(c.rowsPerStrip) * size_t(c.width));
    return Bytes(c.pixels.begin() + long(begin), c.pixels.begin() + long(end));
}

int stripCount(const TiffCase& c)
{
    return (c.height + c.rowsPerStrip - 1) / c.rowsPerStrip;
}

TEST(LzwInterop, TiffFormStripsReadPixelExactWithLibtiff)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : tiffCases()) {
        test::TiffStrips compressed;
        for (int s = 0; s < stripCount(c); ++s) {
            compressed.push_back(test::EncodeTiffForm(stripOf(c, s)));
            ASSERT_FALSE(compressed.back().empty());
        }
        const std::string path = dir.filePath("ours.tif").toStdString();
        ASSERT_TRUE(test::WriteTiffRawLzwStrips(path, c.width, c.height, c.rowsPerStrip, compressed))
            << c.name;
        const auto decoded = test::ReadTiffDecodedStrips(path);
        ASSERT_EQ(decoded.size(), size_t(stripCount(c))) << c.name;
        for (int s = 0; s < stripCount(c); ++s)
            EXPECT_TRUE(decoded[size_t(s)] == stripOf(c, s)) << c.name << " strip " << s;
    }
}

TEST(LzwInterop, LibtiffStripsDecodeWithOurDecoder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : tiffCases()) {
        const std::string path = dir.filePath("libtiff.tif").toStdString();
        ASSERT_TRUE(test::WriteTiffLzwImage(path, c.width, c.height, c.rowsPerStrip, c.pixels))
            << c.name;
        const auto raw = test::ReadTiffRawStrips(path);
        ASSERT_EQ(raw.size(), size_t(stripCount(c))) << c.name;
        for (int s = 0; s < stripCount(c); ++s) {
            const auto decoded = test::DecodeTiffForm(raw[size_t(s)]);
            EXPECT_TRUE(decoded.ended) << c.name << " strip " << s;
            EXPECT_TRUE(decoded.bytes == stripOf(c, s)) << c.name << " strip " << s;
        }
    }
}

} // namespace
} // namespace zemo
