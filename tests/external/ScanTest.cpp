// Scanning through SANE's test backend, configured by the test's own SANE_CONFIG_DIR: colour,
// grey, line art, 16-bit and three-pass scans equal what scanimage reads with the same options,
// pixel for pixel; the BMP file holds them with the resolution; a failed write leaves no file.
#include "SaneKit.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "external/Scan.h"
#include "external/widgets/ScanDlg.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>

namespace zemo::test {
namespace {

uint32_t U32(const QByteArray& b, int at)
{
    return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

QString SamplesDir()
{
    const QString d = QCoreApplication::applicationDirPath() + "/../samples";
    QDir().mkpath(d);
    return d;
}

TEST(Scan, NoDeviceWithAnEmptyList)
{
    QTemporaryDir dir;
    ConfigureSane(dir.path(), {.present = false});
    EXPECT_FALSE(ScannerAvailable());
    EXPECT_TRUE(CurrentScanDevice().isEmpty());
}

TEST(Scan, ScansEqualScanimagePixelForPixelAndTheBmpHoldsThem)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QString mode;
        int depth;
        bool threePass;
        int bits;
    };
    const Case cases[] = {
        {"colour", "Color", 8, false, 24},   {"grey", "Gray", 8, false, 8},
        {"line-art", "Gray", 1, false, 1},   {"grey-16", "Gray", 16, false, 8},
        {"colour-16", "Color", 16, false, 24}, {"three-pass", "Color", 8, true, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigureSane(dir.path(), {.threePass = c.threePass});
        ASSERT_TRUE(ScannerAvailable());
        ASSERT_EQ(CurrentScanDevice(), "test:0");
        EXPECT_TRUE(ScanModes("test:0").contains(c.mode));
        ScanSettings s;
        s.Mode = c.mode;
        s.Depth = c.depth;
        s.Resolution = 40;
        ScanImage img;
        ASSERT_TRUE(ScanWithDevice("test:0", s, img));
        EXPECT_EQ(img.Bits, c.bits);
        EXPECT_EQ(img.Resolution, 40);
        Pnm ref;
        ASSERT_TRUE(ScanImageReads({"--mode", c.mode, "--depth", QString::number(c.depth), "--resolution", "40"}, ref));
        ASSERT_EQ(img.Width, ref.width);
        ASSERT_EQ(img.Height, ref.height);
        const int samples = c.bits == 24 ? 3 : 1;
        const int bytesPer = ref.maxval > 255 ? 2 : 1;
        int diffs = 0;
        for (int y = 0; y < img.Height; ++y) {
            if (c.bits == 1) {
                const int rb = (img.Width + 7) / 8;
                diffs += img.Data.mid(qsizetype(y) * rb, rb) != ref.data.mid(qsizetype(y) * rb, rb);
                continue;
            }
            for (int x = 0; x < img.Width; ++x)
                for (int k = 0; k < samples; ++k) {
                    // Ours is blue, green, red; the PNM red, green, blue, 16 bits big-endian.
                    const uint8_t mine = uint8_t(img.Data[(qsizetype(y) * img.Width + x) * samples + (samples - 1 - k)]);
                    const uint8_t theirs = uint8_t(ref.data[((qsizetype(y) * img.Width + x) * samples + k) * bytesPer]);
                    diffs += mine != theirs;
                }
        }
        EXPECT_EQ(diffs, 0);
        // Something to compare: a plain picture would hide swapped channels and rows.
        const std::set<char> values(img.Data.cbegin(), img.Data.cend());
        EXPECT_GE(values.size(), c.bits == 1 ? 2u : 6u);

        // The file: its header at literal offsets, rows bottom up, padded to four bytes.
        const QString path = SamplesDir() + "/scan-" + c.name + ".bmp";
        ASSERT_TRUE(WriteScanBmp(img, path));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray b = f.readAll();
        ASSERT_GE(b.size(), 54);
        EXPECT_EQ(b.left(2), "BM");
        EXPECT_EQ(U32(b, 2), uint32_t(b.size()));
        EXPECT_EQ(int(U32(b, 18)), img.Width);
        EXPECT_EQ(int(U32(b, 22)), img.Height);
        EXPECT_EQ(uint8_t(b[28]), c.bits);
        EXPECT_EQ(U32(b, 38), 1575u) << "40 dpi in pixels per metre";
        EXPECT_EQ(U32(b, 42), 1575u);
        const uint32_t offset = U32(b, 10);
        EXPECT_EQ(offset, 54u + (c.bits == 24 ? 0 : 4u << c.bits));
        const int stride = (img.RowBytes() + 3) / 4 * 4;
        ASSERT_EQ(b.size(), qsizetype(offset) + qsizetype(stride) * img.Height);
        for (int y : {0, img.Height / 2, img.Height - 1})
            EXPECT_EQ(b.mid(offset + qsizetype(img.Height - 1 - y) * stride, img.RowBytes()),
                      img.Data.mid(qsizetype(y) * img.RowBytes(), img.RowBytes()));
        if (c.bits == 1) {
            EXPECT_EQ(U32(b, 54), 0x00FFFFFFu) << "0 is white";
            EXPECT_EQ(U32(b, 58), 0u) << "1 is black";
        }
    }
}

TEST(Scan, WriteFailureLeavesNoFile)
{
    ScanImage img{2, 2, 8, 100, QByteArray(4, 'x')};
    QTemporaryDir dir;
    EXPECT_FALSE(WriteScanBmp(img, dir.path() + "/missing/s.bmp"));
    EXPECT_FALSE(WriteScanBmp(ScanImage{}, dir.path() + "/empty.bmp"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/empty.bmp"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
}

} // namespace
} // namespace zemo::test
