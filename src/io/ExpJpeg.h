// ExpJpeg: File > Export JPEG over libjpeg(-turbo), and the glue the JPEG template reader shares
// with it: an error manager that ends the library call by a jump back with the library's own
// message (never exit()), and a compressor whose bytes reach the export file without C++
// exceptions crossing the library's frames. Pixels go in and out as blue, green, red, the
// render band's order, through the library's extended colour space.
#pragma once

#include "core/Cord.h"
#include "io/ExpGif.h"
#include "io/ExpRaster.h"

#include <QString>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace zemo {

inline constexpr int ExpJpegHelpContext = 332;

// The library's error manager with the way back. Set `jump` with setjmp before each call
// into the library; on an error the library's message is in `message`, warnings gather in
// `warnings`.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
    int warnings;
};

// Installs the handlers into `e` and returns its library part.
jpeg_error_mgr* JpegErrorInit(JpegErrorManager& e);

// One JPEG file made from rows of blue, green, red pixels.
class JpegStripWriter final : public StripWriter {
public:
    JpegStripWriter();
    ~JpegStripWriter() override;
    JpegStripWriter(const JpegStripWriter&) = delete;
    JpegStripWriter& operator=(const JpegStripWriter&) = delete;

    bool Begin(ExportFile& file, int width, int height) override;
    bool WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int firstRow, int count) override;
    bool Finish(ExportFile& file) override;

    struct Destination;

private:
    bool Failed();
    void Flush(ExportFile& file);

    jpeg_compress_struct cinfo_{};
    JpegErrorManager error_{};
    Destination* dest_ = nullptr;
    bool created_ = false;
};

RasterResult RenderJpeg(const CordRect& extent, const QString& fileName, bool antiAlias, bool showProgress,
                        bool colorCorrection, int dpi);

RasterExpOptions& JpegOptions();
void ResetExpJpegUnit();

// File > Export JPEG.
void ExportJpeg();

} // namespace zemo
