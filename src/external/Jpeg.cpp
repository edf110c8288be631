#include "external/Jpeg.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "external/RasterLoad.h"
#include "external/TempResol.h"
#include "external/Template.h"
#include "io/ExpJpeg.h"

#include <QFile>

#include <jerror.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

namespace zemo {

namespace {

constexpr qint64 InputChunk = 1 << 16;
const JOCTET FakeEoi[2] = {0xFF, JPEG_EOI};

// The source: the file read in chunks. At its end the library gets an end-of-image marker
// and a warning, as its own file source does, so that a short file decodes what it has; the
// rows of the block rows read by then are what the file held.
struct Source {
    jpeg_source_mgr pub;
    QFile* file;
    std::vector<JOCTET> buffer;
    bool startOfFile;
    bool ended;
    int rowsAtEnd;
};

extern "C" void InitSource(j_decompress_ptr) {}

extern "C" boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    auto* s = reinterpret_cast<Source*>(cinfo->src);
    const qint64 n = s->file->read(reinterpret_cast<char*>(s->buffer.data()), InputChunk);
    if (n <= 0) {
        // A file without a single byte is no picture at all.
        if (s->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // The rows of the blocks taken in whole before the data ran out (the decoder reads
        // ahead of the rows it has put out).
        if (!s->ended)
            s->rowsAtEnd = int(std::min<int64_t>(int64_t(cinfo->input_iMCU_row) * cinfo->max_v_samp_factor * DCTSIZE,
                                                 cinfo->image_height));
        s->ended = true;
        WARNMS(cinfo, JWRN_JPEG_EOF);
        s->pub.next_input_byte = FakeEoi;
        s->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    s->startOfFile = false;
    s->pub.next_input_byte = s->buffer.data();
    s->pub.bytes_in_buffer = size_t(n);
    return TRUE;
}

extern "C" void SkipInputData(j_decompress_ptr cinfo, long count)
{
    auto* s = reinterpret_cast<Source*>(cinfo->src);
    while (count > 0) {
        if (size_t(count) <= s->pub.bytes_in_buffer) {
            s->pub.next_input_byte += count;
            s->pub.bytes_in_buffer -= size_t(count);
            return;
        }
        count -= long(s->pub.bytes_in_buffer);
        s->pub.bytes_in_buffer = 0;
        FillInputBuffer(cinfo);
    }
}

extern "C" void TermSource(j_decompress_ptr) {}

void ShowLibraryMessage(MsgKind kind, const QString& name, const char* text)
{
    ShownMessage m;
    m.kind = kind;
    m.key = TextKey::CannotOpen;
    m.label = QStringLiteral(" %1: Jpeg.ReadJpegFile (%2).").arg(name, QString::fromLocal8Bit(text));
    ShowMsg(m);
}

// The decompression object, destroyed on every way out.
struct Decompressor {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager error{};
    bool created = false;
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// The file's own resolution: dots per inch, or per centimetre; 0 without one.
int DensityDpi(const jpeg_decompress_struct& c)
{
    if (c.density_unit == 1)
        return c.X_density;
    if (c.density_unit == 2)
        return int(std::nearbyint(c.X_density * 2.54));
    return 0;
}

// The library calls of one stage; false after a library error (its message in d.error).
// Nothing with a destructor lives between the jump's set and the library's calls.
bool ReadHeader(Decompressor& d, Source& src)
{
    if (setjmp(d.error.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.src = &src.pub;
    jpeg_read_header(&d.cinfo, TRUE);
    // Every file comes out as the render band's blue, green, red; progressive files through
    // the buffered image, all scans taken in before the one output pass.
    d.cinfo.out_color_space = JCS_EXT_BGR;
    d.cinfo.buffered_image = jpeg_has_multiple_scans(&d.cinfo);
    return true;
}

// Whether a file of fileBytes can code every block of the picture. A Huffman-coded 8 x 8 block
// takes at least one bit (its DC code in the first scan of its component); the arithmetic coder
// codes long runs of empty blocks in far less, hence its generous bound.
bool FileHoldsPicture(const jpeg_decompress_struct& c, qint64 fileBytes)
{
    int64_t blocks = 0;
    for (int i = 0; i < c.num_components; ++i)
        blocks += int64_t(c.comp_info[i].width_in_blocks) * int64_t(c.comp_info[i].height_in_blocks);
    const int64_t blocksPerByte = c.arith_code ? 8 * 4096 : 8;
    return blocks <= int64_t(fileBytes) * blocksPerByte;
}

// Starting the decompression checks the frame and the tables before any pixel memory is taken;
// the library's own memory stays within the template limit.
bool StartRows(Decompressor& d)
{
    if (setjmp(d.error.jump))
        return false;
    d.cinfo.mem->max_memory_to_use = long(std::min<int64_t>(RasterLimits.MaxPixelBytes, LONG_MAX));
    jpeg_start_decompress(&d.cinfo);
    if (d.cinfo.output_components != 3) {
        std::snprintf(d.error.message, sizeof d.error.message, "unexpected output format");
        return false;
    }
    return true;
}

bool ReadRows(Decompressor& d, TTmp& t)
{
    if (setjmp(d.error.jump))
        return false;
    if (int(d.cinfo.output_width) != t.Width || int(d.cinfo.output_height) != t.Height) {
        std::snprintf(d.error.message, sizeof d.error.message, "unexpected output format");
        return false;
    }
    const bool buffered = d.cinfo.buffered_image;
    if (buffered) {
        while (jpeg_consume_input(&d.cinfo) != JPEG_REACHED_EOI) {
        }
        jpeg_start_output(&d.cinfo, d.cinfo.input_scan_number);
    }
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW row = t.Row(int(d.cinfo.output_scanline));
        jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
    if (buffered)
        jpeg_finish_output(&d.cinfo);
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

} // namespace

bool ReadJpegFile(const QString& name, int mode)
{
    TTmp* t = TemplateUnit.CurrentTemplate;
    if (!t)
        return false;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        ErrorMsg(TextKey::CannotOpen, name);
        return false;
    }
    Source src{};
    src.file = &file;
    src.startOfFile = true;
    src.buffer.resize(size_t(InputChunk));
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInputBuffer;
    src.pub.skip_input_data = SkipInputData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;

    Decompressor d;
    d.cinfo.err = JpegErrorInit(d.error);
    if (!ReadHeader(d, src)) {
        ShowLibraryMessage(MsgKind::Error, name, d.error.message);
        return false;
    }
    const int32_t oldWidth = t->Width, oldHeight = t->Height, oldBits = t->BitsPerPixel;
    t->Width = int32_t(d.cinfo.image_width);
    t->Height = int32_t(d.cinfo.image_height);
    t->BitsPerPixel = 24;
    if (mode == TemplateLoadAsk && !AskTemplateResolution(DensityDpi(d.cinfo))) {
        t->Width = oldWidth;
        t->Height = oldHeight;
        t->BitsPerPixel = oldBits;
        return false;
    }
    // Width x 3 x height is checked in 64 bits against the template limit, and against what
    // the file can hold, before the library or the record takes memory: a few damaged bytes
    // must not claim gigabytes.
    if (!TemplatePixelsFit(*t)) {
        ErrorMsg(TextKey::TempMemory, {}, TempMemoryHelpContext);
        return false;
    }
    if (!FileHoldsPicture(d.cinfo, file.size())) {
        const QByteArray why = QStringLiteral("the file is too short for a picture of %1 x %2 pixels")
                                   .arg(t->Width)
                                   .arg(t->Height)
                                   .toLatin1();
        ShowLibraryMessage(MsgKind::Error, name, why.constData());
        return false;
    }
    if (!StartRows(d)) {
        ShowLibraryMessage(MsgKind::Error, name, d.error.message);
        return false;
    }
    if (!AllocateTemplatePixels(*t))
        return false;
    for (int i = 0; i < 256; ++i)
        t->Red[size_t(i)] = t->Green[size_t(i)] = t->Blue[size_t(i)] = uint8_t(i);
    if (!ReadRows(d, *t)) {
        ShowLibraryMessage(MsgKind::Error, name, d.error.message);
        return false;
    }
    // A file cut short says how much of it there was; the library's other warnings (damaged
    // data it got over) come when the template is added, and at a later open in the status
    // line only, so that the same file does not warn every time.
    if (src.ended)
        ReportPartialPicture(name, src.rowsAtEnd, t->Height, mode);
    else if (d.error.warnings > 0 && mode == TemplateLoadAsk)
        ShowLibraryMessage(MsgKind::Warning, name, d.error.warning);
    else if (d.error.warnings > 0)
        SetStatusText(name + QStringLiteral(": ") + QString::fromLocal8Bit(d.error.warning));
    return true;
}

} // namespace zemo
