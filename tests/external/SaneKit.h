// SANE's test backend for scanning tests: a configuration folder of the test's own (named by
// SANE_CONFIG_DIR) whose dll.conf names only "test", or nothing for a machine without scanners,
// and scanimage's reading of the same device as the reference.
#pragma once

#include "document/Index.h"
#include "external/Scan.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cctype>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace zemo::test {

struct SaneTestDevice {
    bool present = true;
    int devices = 1;
    bool threePass = false;
    // Each read hands over at most this many bytes (0: no limit), so that a scan takes many.
    int readLimit = 0;
};

// The backend's settings, read with dashes (keys it does not know it passes over in silence):
// a colour pattern, so that a swapped channel or row shows.
inline void ConfigureSane(const QString& dir, const SaneTestDevice& d = {})
{
    QDir().mkpath(dir);
    QFile dll(dir + "/dll.conf");
    ASSERT_TRUE(dll.open(QIODevice::WriteOnly));
    if (d.present)
        dll.write("test\n");
    dll.close();
    QFile conf(dir + "/test.conf");
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("number_of_devices " + QByteArray::number(d.devices) + "\ntest-picture \"Color pattern\"\n");
    conf.write(d.threePass ? "three-pass true\n" : "three-pass false\n");
    if (d.readLimit > 0)
        conf.write("read-limit true\nread-limit-size " + QByteArray::number(d.readLimit) + "\n");
    conf.close();
    qputenv("SANE_CONFIG_DIR", dir.toLocal8Bit());
    ResetScanUnit();
}

// A PNM file as scanimage writes it: P4, P5 or P6, samples of 1, 8 or 16 bits.
struct Pnm {
    int width = 0, height = 0, maxval = 1;
    char kind = 0;
    QByteArray data;
};

inline bool ParsePnm(const QByteArray& b, Pnm& p)
{
    if (b.size() < 3 || b[0] != 'P')
        return false;
    p.kind = b[1];
    int pos = 2;
    std::vector<int> nums;
    const int want = p.kind == '4' ? 2 : 3;
    while (int(nums.size()) < want && pos < b.size()) {
        while (pos < b.size() && (std::isspace(uint8_t(b[pos])) || b[pos] == '#')) {
            if (b[pos] == '#')
                while (pos < b.size() && b[pos] != '\n')
                    ++pos;
            else
                ++pos;
        }
        int v = 0;
        while (pos < b.size() && std::isdigit(uint8_t(b[pos])))
            v = v * 10 + (b[pos++] - '0');
        nums.push_back(v);
    }
    if (int(nums.size()) < want)
        return false;
    ++pos;
    p.width = nums[0];
    p.height = nums[1];
    p.maxval = want == 3 ? nums[2] : 1;
    p.data = b.mid(pos);
    return true;
}

// scanimage's scan of the device with these options.
inline bool ScanImageReads(const QStringList& options, Pnm& p, const QString& device = QStringLiteral("test:0"))
{
    QProcess proc;
    proc.start("scanimage", QStringList{"-d", device, "--format=pnm"} + options);
    if (!proc.waitForFinished(60000) || proc.exitCode() != 0)
        return false;
    return ParsePnm(proc.readAllStandardOutput(), p);
}

// Samples of a 24-bit scan (blue, green, red) that differ from scanimage's 8-bit colour PNM.
inline int ColourDifferences(const TTmp& t, const Pnm& ref)
{
    int diffs = 0;
    for (int y = 0; y < t.Height; ++y)
        for (qsizetype x = 0; x < t.Width; ++x)
            for (int k = 0; k < 3; ++k)
                diffs += y >= t.HeldRows() || t.Row(y)[x * 3 + 2 - k] != uint8_t(ref.data[(y * qsizetype(t.Width) + x) * 3 + k]);
    return diffs;
}

} // namespace zemo::test
