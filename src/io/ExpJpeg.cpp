#include "io/ExpJpeg.h"

#include "core/Messages.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "io/Ports.h"

#include <cstring>
#include <vector>

namespace zemo {

namespace {

constexpr size_t OutputChunk = 1 << 16;

struct JpegUnitState {
    RasterExpOptions Options;
};
JpegUnitState JpegUnit;

extern "C" void JpegErrorExit(j_common_ptr cinfo)
{
    auto* e = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

// Warnings (a file that ends early) are kept for the caller; nothing goes to stderr.
extern "C" void JpegOutputMessage(j_common_ptr cinfo)
{
    auto* e = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->warning);
    ++e->warnings;
}

} // namespace

jpeg_error_mgr* JpegErrorInit(JpegErrorManager& e)
{
    jpeg_error_mgr* pub = jpeg_std_error(&e.pub);
    pub->error_exit = JpegErrorExit;
    pub->output_message = JpegOutputMessage;
    e.message[0] = 0;
    e.warning[0] = 0;
    e.warnings = 0;
    return pub;
}

// The destination: a fixed buffer whose full chunks gather in `pending` until the writer hands
// them to the export file between library calls.
struct JpegStripWriter::Destination {
    jpeg_destination_mgr pub;
    std::vector<uint8_t> buffer;
    std::vector<uint8_t> pending;
};

namespace {

extern "C" void InitDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<JpegStripWriter::Destination*>(cinfo->dest);
    d->pub.next_output_byte = d->buffer.data();
    d->pub.free_in_buffer = d->buffer.size();
}

extern "C" boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<JpegStripWriter::Destination*>(cinfo->dest);
    d->pending.insert(d->pending.end(), d->buffer.begin(), d->buffer.end());
    d->pub.next_output_byte = d->buffer.data();
    d->pub.free_in_buffer = d->buffer.size();
    return TRUE;
}

extern "C" void TermDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<JpegStripWriter::Destination*>(cinfo->dest);
    const size_t used = d->buffer.size() - d->pub.free_in_buffer;
    d->pending.insert(d->pending.end(), d->buffer.begin(), d->buffer.begin() + ptrdiff_t(used));
}

} // namespace

JpegStripWriter::JpegStripWriter() : dest_(new Destination{})
{
    dest_->buffer.resize(OutputChunk);
    dest_->pub.init_destination = InitDestination;
    dest_->pub.empty_output_buffer = EmptyOutputBuffer;
    dest_->pub.term_destination = TermDestination;
}

JpegStripWriter::~JpegStripWriter()
{
    if (created_)
        jpeg_destroy_compress(&cinfo_);
    delete dest_;
}

bool JpegStripWriter::Failed()
{
    ShownMessage m;
    m.kind = MsgKind::Error;
    m.key = TextKey::CannotWrite;
    m.label = QStringLiteral(": ExpJpeg.RenderJpeg (%1).").arg(QString::fromLocal8Bit(error_.message));
    ShowMsg(m);
    return false;
}

void JpegStripWriter::Flush(ExportFile& file)
{
    file.Write(std::span<const uint8_t>(dest_->pending));
    dest_->pending.clear();
}

bool JpegStripWriter::Begin(ExportFile& file, int width, int height)
{
    cinfo_.err = JpegErrorInit(error_);
    if (setjmp(error_.jump))
        return Failed();
    jpeg_create_compress(&cinfo_);
    created_ = true;
    cinfo_.dest = &dest_->pub;
    cinfo_.image_width = JDIMENSION(width);
    cinfo_.image_height = JDIMENSION(height);
    cinfo_.input_components = 3;
    cinfo_.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo_);
    jpeg_start_compress(&cinfo_, TRUE);
    Flush(file);
    return true;
}

bool JpegStripWriter::WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int, int count)
{
    if (setjmp(error_.jump))
        return Failed();
    for (int r = 0; r < count; ++r) {
        JSAMPROW row = const_cast<JSAMPROW>(rows + size_t(r) * size_t(rowBytes));
        jpeg_write_scanlines(&cinfo_, &row, 1);
    }
    Flush(file);
    return true;
}

bool JpegStripWriter::Finish(ExportFile& file)
{
    if (setjmp(error_.jump))
        return Failed();
    jpeg_finish_compress(&cinfo_);
    Flush(file);
    return true;
}

RasterResult RenderJpeg(const CordRect& extent, const QString& fileName, bool antiAlias, bool showProgress,
                        bool colorCorrection, int dpi)
{
    JpegStripWriter writer;
    RasterSettings s;
    s.Dpi = dpi;
    s.AntiAlias = antiAlias;
    s.ShowProgress = showProgress;
    s.ColorCorrection = colorCorrection;
    return ExportRaster(extent, s, writer, fileName);
}

RasterExpOptions& JpegOptions()
{
    return JpegUnit.Options;
}

void ResetExpJpegUnit()
{
    JpegUnit = {};
}

void ExportJpeg()
{
    if (!Index.ActiveZmd)
        return;
    RasterExpOptions& o = JpegUnit.Options;
    if (!IoPorts().RunJpegDialog(o))
        return;
    int dpi = 0;
    QString name;
    CordRect extent;
    if (!RasterExportTarget(o, ExportKind::Jpeg, dpi, name, extent))
        return;
    RenderJpeg(extent, name, o.AntiAlias, true, o.ColorCorrection, dpi);
}

} // namespace zemo
