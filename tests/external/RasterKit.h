// What the raster reader tests share: a temporary folder, recorded messages, a record read by
// one of the readers as the template feature reads it (silently, load mode 2), and the record's
// pixels expanded through its palette for comparison with an independent decoder.
#pragma once

#include "../support/RasterRefs.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "external/Template.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace zemo::test {

using RasterReader = bool (*)(const QString& name, int mode);

// The record's held rows as 0xRRGGBB values, palette indexes through the palette.
inline RgbPicture ExpandTemplate(const TTmp& t)
{
    RgbPicture p{t.Width, t.HeldRows(), {}};
    if (!t.HasPixels())
        return {};
    p.pixels.reserve(size_t(t.Width) * size_t(t.HeldRows()));
    const auto entry = [&t](unsigned i) { return uint32_t(t.Red[i]) << 16 | uint32_t(t.Green[i]) << 8 | t.Blue[i]; };
    for (int y = 0; y < t.HeldRows(); ++y) {
        const uint8_t* row = t.Row(y);
        for (int x = 0; x < t.Width; ++x) {
            switch (t.BitsPerPixel) {
            case 24: p.pixels.push_back(uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x]); break;
            case 8: p.pixels.push_back(entry(row[x])); break;
            case 4: p.pixels.push_back(entry((row[x / 2] >> (x & 1 ? 0 : 4)) & 0x0F)); break;
            default: p.pixels.push_back(entry((row[x / 8] >> (7 - x % 8)) & 1)); break;
            }
        }
    }
    return p;
}

class RasterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ResetTemplateUnit();
    }
    void TearDown() override { TemplateUnit.CurrentTemplate = nullptr; }

    QString Path(const QString& name) const { return dir.filePath(name); }
    bool WriteBytes(const QString& name, const QByteArray& bytes) const
    {
        QFile f(Path(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    // A fresh record read from the file; null when the reader failed.
    std::unique_ptr<TTmp> Read(RasterReader reader, const QString& path, int mode = TemplateLoadSilent)
    {
        auto t = std::make_unique<TTmp>();
        TemplateUnit.CurrentTemplate = t.get();
        const bool ok = reader(path, mode);
        TemplateUnit.CurrentTemplate = nullptr;
        if (!ok)
            return nullptr;
        return t;
    }

    QTemporaryDir dir;
    RecordingMessages messages;
};

// Little-endian bytes appended to a file being built.
inline void PutLe(QByteArray& b, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char(v >> (8 * i) & 0xFF));
}

} // namespace zemo::test
