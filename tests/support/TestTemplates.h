// Raster templates for tests, without any real image format: a test-only file format
// (".tpx": "TPX1", width, height and bits as 32-bit little-endian numbers, 3 x 256 palette
// bytes red, green, blue, then the packed rows top first) and its reader in the program's
// reader table. In mode 1 the reader places the template as TestTemplateReader says, or
// fails as a cancelled placement would.
#pragma once

#include "core/Status.h"
#include "external/Template.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zemo::test {

struct TestRaster {
    int width = 0;
    int height = 0;
    int bits = 8;
    std::array<uint8_t, 256> red{}, green{}, blue{};
    std::vector<uint8_t> pixels;  // packed rows, top first

    int64_t RowBytes() const { return (int64_t(width) * bits + 7) / 8; }
    // A grey ramp palette (entry i is grey i) and zeroed pixels.
    static TestRaster Grey(int width, int height, int bits)
    {
        TestRaster r;
        r.width = width;
        r.height = height;
        r.bits = bits;
        for (int i = 0; i < 256; ++i)
            r.red[size_t(i)] = r.green[size_t(i)] = r.blue[size_t(i)] = uint8_t(i);
        r.pixels.assign(size_t(r.RowBytes() * height), 0);
        return r;
    }
    uint8_t* Row(int y) { return pixels.data() + size_t(RowBytes()) * size_t(y); }
};

inline bool WriteTestRaster(const QString& path, const TestRaster& r)
{
    QByteArray b("TPX1");
    const auto put = [&b](int32_t v) {
        for (int i = 0; i < 4; ++i)
            b.append(char(uint32_t(v) >> (8 * i) & 0xFF));
    };
    put(r.width);
    put(r.height);
    put(r.bits);
    b.append(reinterpret_cast<const char*>(r.red.data()), 256);
    b.append(reinterpret_cast<const char*>(r.green.data()), 256);
    b.append(reinterpret_cast<const char*>(r.blue.data()), 256);
    b.append(reinterpret_cast<const char*>(r.pixels.data()), qsizetype(r.pixels.size()));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
}

// The placement a mode-1 load gives, the reads it counted, and whether it is cancelled.
struct TestTemplateReader {
    int32_t x = 0;
    int32_t y = 0;
    double u = 10;
    double v = 10;
    double angle = 0;
    bool cancelPlacement = false;
    int reads = 0;

    static TestTemplateReader& Get()
    {
        static TestTemplateReader reader;
        return reader;
    }

    static bool Read(const QString& name, int mode)
    {
        TestTemplateReader& self = Get();
        TTmp* t = TemplateUnit.CurrentTemplate;
        QFile f(name);
        if (!t || !f.open(QIODevice::ReadOnly))
            return false;
        const QByteArray b = f.readAll();
        if (b.size() < 16 + 768 || !b.startsWith("TPX1"))
            return false;
        const auto get = [&b](int at) {
            uint32_t v = 0;
            for (int i = 0; i < 4; ++i)
                v |= uint32_t(uint8_t(b[at + i])) << (8 * i);
            return int32_t(v);
        };
        ++self.reads;
        if (mode == TemplateLoadAsk && self.cancelPlacement)
            return false;
        t->Width = get(4);
        t->Height = get(8);
        t->BitsPerPixel = get(12);
        for (int i = 0; i < 256; ++i) {
            t->Red[size_t(i)] = uint8_t(b[16 + i]);
            t->Green[size_t(i)] = uint8_t(b[16 + 256 + i]);
            t->Blue[size_t(i)] = uint8_t(b[16 + 512 + i]);
        }
        const qsizetype rowBytes = qsizetype(t->RowBytes());
        if (!t->AllocatePixels() || b.size() - 784 < rowBytes * t->Height)
            return false;
        for (int y = 0; y < t->Height; ++y)
            std::copy_n(b.begin() + 784 + y * rowBytes, rowBytes, t->Row(y));
        if (mode == TemplateLoadAsk) {
            t->X = self.x;
            t->Y = self.y;
            t->U = self.u;
            t->V = self.v;
            t->Angle = self.angle;
            t->Dim = 0;
            t->SpotColor = -1;
            t->Transparent = false;
            t->RenderSpot = false;
        }
        return true;
    }

    // Enters the reader for ".tpx" files, with a fresh placement and count.
    static void Install()
    {
        Get() = TestTemplateReader{};
        RegisterTemplateReader(QStringLiteral(".tpx"), &TestTemplateReader::Read);
    }
};

} // namespace zemo::test
