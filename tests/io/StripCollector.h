// A strip writer for tests: gathers the rows the raster road hands it into an image (as red,
// green, blue) and writes them to the file as they come; can fail at a chosen strip.
#pragma once

#include "io/ExpRaster.h"

#include <QImage>

#include <utility>
#include <vector>

namespace zemo::test {

class CollectingWriter final : public StripWriter {
public:
    bool Begin(ExportFile& file, int width, int height) override
    {
        began = true;
        image = QImage(width, height, QImage::Format_RGB888);
        image.fill(Qt::magenta);
        file.WriteLine(QByteArray::number(width) + ' ' + QByteArray::number(height));
        return true;
    }
    bool WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int firstRow, int count) override
    {
        strips.push_back({firstRow, count});
        if (int(strips.size()) == failAt)
            return false;
        for (int r = 0; r < count; ++r) {
            const uint8_t* bgr = rows + size_t(r) * size_t(rowBytes);
            uchar* out = image.scanLine(firstRow + r);
            for (int x = 0; x < image.width(); ++x) {
                out[3 * x] = bgr[3 * x + 2];
                out[3 * x + 1] = bgr[3 * x + 1];
                out[3 * x + 2] = bgr[3 * x];
            }
            file.Write(std::span(bgr, size_t(rowBytes)));
        }
        return true;
    }
    bool Finish(ExportFile& file) override
    {
        finished = true;
        file.WriteLine("end");
        return true;
    }

    bool began = false;
    bool finished = false;
    int failAt = 0;
    std::vector<std::pair<int, int>> strips;  // first row, count
    QImage image;
};

} // namespace zemo::test
