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
    int scanAtEnd;
    // Where the decoder first needed data past the end (Huffman coding says so; -1 before).
    int rowsAtShortage;
    int scanAtShortage;
};

// The rows of the block rows finished so far in the scan being read.
int FinishedRows(j_decompress_ptr cinfo)
{
    return int(std::min<int64_t>(int64_t(cinfo->input_iMCU_row) * cinfo->max_v_samp_factor * DCTSIZE, cinfo->image_height));
}

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
        if (!s->ended) {
            s->rowsAtEnd = FinishedRows(cinfo);
            s->scanAtEnd = cinfo->input_scan_number;
        }
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

// The library's working memory, counted as its modules ask for it, and held to one budget with
// the template's pixels: what the library takes and the rows held so far come from the same
// bound. Beyond a floor, what it takes must also be vouched for by the file's size: a
// progressive file needs coefficient memory for its whole frame before the first row, and a
// few arithmetic-coded bytes can claim any frame.
constexpr int64_t LibraryFloorBytes = int64_t(64) << 20;
constexpr int64_t LibraryBytesPerFileByte = 4096;

struct LibraryMemory {
    jpeg_memory_mgr library{}; // the manager's own calls
    TTmp* t = nullptr;
    int64_t limit = 0;
    int64_t pools[JPOOL_NUMPOOLS] = {};
    bool tooShort = false;
    bool noMemory = false;

    int64_t Total() const { return pools[JPOOL_PERMANENT] + pools[JPOOL_IMAGE]; }
};

// The decompression object, destroyed on every way out.
struct Decompressor {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager error{};
    LibraryMemory memory;
    Source* src = nullptr;
    void (*emitMessage)(j_common_ptr, int) = nullptr; // the error manager's own
    std::vector<JSAMPLE> scratch;                     // one decoded row
    bool created = false;
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

Decompressor& DecompressorOf(j_common_ptr cinfo)
{
    return *static_cast<Decompressor*>(cinfo->client_data);
}

LibraryMemory& MemoryOf(j_common_ptr cinfo)
{
    return DecompressorOf(cinfo).memory;
}

void Take(j_common_ptr cinfo, int pool, int64_t bytes)
{
    LibraryMemory& m = MemoryOf(cinfo);
    if (pool < 0 || pool >= JPOOL_NUMPOOLS)
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, pool);
    if (m.Total() + bytes > m.limit)
        m.tooShort = true;
    else if (!TemplateMemoryFits(*m.t, bytes, m.Total()))
        m.noMemory = true;
    if (m.tooShort || m.noMemory)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    m.pools[pool] += bytes;
}

extern "C" void* AllocSmall(j_common_ptr cinfo, int pool, size_t bytes)
{
    Take(cinfo, pool, int64_t(bytes));
    return MemoryOf(cinfo).library.alloc_small(cinfo, pool, bytes);
}

extern "C" void* AllocLarge(j_common_ptr cinfo, int pool, size_t bytes)
{
    Take(cinfo, pool, int64_t(bytes));
    return MemoryOf(cinfo).library.alloc_large(cinfo, pool, bytes);
}

extern "C" JSAMPARRAY AllocSarray(j_common_ptr cinfo, int pool, JDIMENSION samplesPerRow, JDIMENSION rows)
{
    Take(cinfo, pool, int64_t(samplesPerRow) * rows * int64_t(sizeof(JSAMPLE)) + int64_t(rows) * int64_t(sizeof(JSAMPROW)));
    return MemoryOf(cinfo).library.alloc_sarray(cinfo, pool, samplesPerRow, rows);
}

extern "C" JBLOCKARRAY AllocBarray(j_common_ptr cinfo, int pool, JDIMENSION blocksPerRow, JDIMENSION rows)
{
    Take(cinfo, pool, int64_t(blocksPerRow) * rows * int64_t(sizeof(JBLOCK)) + int64_t(rows) * int64_t(sizeof(JBLOCKROW)));
    return MemoryOf(cinfo).library.alloc_barray(cinfo, pool, blocksPerRow, rows);
}

// Whole-image arrays are kept in memory whole when they are realized: counted when asked for.
extern "C" jvirt_sarray_ptr RequestVirtSarray(j_common_ptr cinfo, int pool, boolean preZero, JDIMENSION samplesPerRow,
                                             JDIMENSION rows, JDIMENSION maxAccess)
{
    Take(cinfo, pool, int64_t(samplesPerRow) * rows * int64_t(sizeof(JSAMPLE)));
    return MemoryOf(cinfo).library.request_virt_sarray(cinfo, pool, preZero, samplesPerRow, rows, maxAccess);
}

extern "C" jvirt_barray_ptr RequestVirtBarray(j_common_ptr cinfo, int pool, boolean preZero, JDIMENSION blocksPerRow,
                                             JDIMENSION rows, JDIMENSION maxAccess)
{
    Take(cinfo, pool, int64_t(blocksPerRow) * rows * int64_t(sizeof(JBLOCK)));
    return MemoryOf(cinfo).library.request_virt_barray(cinfo, pool, preZero, blocksPerRow, rows, maxAccess);
}

extern "C" void FreePool(j_common_ptr cinfo, int pool)
{
    LibraryMemory& m = MemoryOf(cinfo);
    m.library.free_pool(cinfo, pool);
    if (pool >= 0 && pool < JPOOL_NUMPOOLS)
        m.pools[pool] = 0;
}

// The counting calls in place of the manager's own.
void CountLibraryMemory(j_decompress_ptr cinfo, LibraryMemory& m)
{
    m.library = *cinfo->mem;
    cinfo->mem->alloc_small = AllocSmall;
    cinfo->mem->alloc_large = AllocLarge;
    cinfo->mem->alloc_sarray = AllocSarray;
    cinfo->mem->alloc_barray = AllocBarray;
    cinfo->mem->request_virt_sarray = RequestVirtSarray;
    cinfo->mem->request_virt_barray = RequestVirtBarray;
    cinfo->mem->free_pool = FreePool;
}

// The Huffman decoders read ahead of the blocks they finish and warn when a block needed bits
// the data did not have: the rows before that block's row are whole.
extern "C" void EmitMessage(j_common_ptr cinfo, int level)
{
    Decompressor& d = DecompressorOf(cinfo);
    if (level < 0 && cinfo->err->msg_code == JWRN_HIT_MARKER && d.src->ended && d.src->rowsAtShortage < 0) {
        auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
        d.src->rowsAtShortage = FinishedRows(dinfo);
        d.src->scanAtShortage = dinfo->input_scan_number;
    }
    d.emitMessage(cinfo, level);
}

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
    CountLibraryMemory(&d.cinfo, d.memory);
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

// Starting the decompression checks the frame and the tables; the library's memory is taken
// within the budget it shares with the pixels.
bool StartRows(Decompressor& d)
{
    if (setjmp(d.error.jump))
        return false;
    jpeg_start_decompress(&d.cinfo);
    if (d.cinfo.output_components != 3) {
        std::snprintf(d.error.message, sizeof d.error.message, "unexpected output format");
        return false;
    }
    return true;
}

// The rows that hold data: every row, or those the data reached before they ended. Huffman
// decoders say where they first lacked data (a file without its end marker lacks none); the
// arithmetic decoder does not, and its rows count up to where the data ended. A progressive
// file that ran short after its first scan has something in every row.
int RowsWithData(const Source& src, const jpeg_decompress_struct& c)
{
    if (!src.ended)
        return int(c.output_height);
    if (c.arith_code)
        return c.buffered_image && src.scanAtEnd > 1 ? int(c.output_height) : src.rowsAtEnd;
    if (src.rowsAtShortage < 0 || (c.buffered_image && src.scanAtShortage > 1))
        return int(c.output_height);
    return src.rowsAtShortage;
}

// The rows with data into the record, each row's memory taken as it comes; rowsKept counts
// them. The rest of the picture is left undecoded.
bool ReadRows(Decompressor& d, Source& src, TTmp& t, int& rowsKept)
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
    std::vector<JSAMPLE>& scratch = d.scratch;
    scratch.resize(size_t(t.RowBytes()));
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const int y = int(d.cinfo.output_scanline);
        if (y >= RowsWithData(src, d.cinfo))
            return true;
        JSAMPROW row = scratch.data();
        jpeg_read_scanlines(&d.cinfo, &row, 1);
        // The data may have ended while this row was decoded.
        if (y >= RowsWithData(src, d.cinfo))
            return true;
        if (!GrowTemplateRows(t, int64_t(y) + 1, d.memory.Total())) {
            d.memory.noMemory = true;
            return false;
        }
        std::copy(scratch.begin(), scratch.end(), t.Row(y));
        rowsKept = y + 1;
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
    src.rowsAtShortage = -1;
    src.file = &file;
    src.startOfFile = true;
    src.buffer.resize(size_t(InputChunk));
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInputBuffer;
    src.pub.skip_input_data = SkipInputData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;

    Decompressor d;
    d.src = &src;
    d.memory.t = t;
    d.memory.limit = std::max(LibraryFloorBytes, int64_t(file.size()) * LibraryBytesPerFileByte);
    d.cinfo.err = JpegErrorInit(d.error);
    d.emitMessage = d.cinfo.err->emit_message;
    d.cinfo.err->emit_message = EmitMessage;
    d.cinfo.client_data = &d;
    // A failed library call: its memory beyond the bounds, or its own message.
    const auto failed = [&] {
        if (d.memory.noMemory) {
            TemplateMemoryMsg();
        } else if (d.memory.tooShort) {
            const QByteArray why = QStringLiteral("the file is too short for a picture of %1 x %2 pixels")
                                       .arg(d.cinfo.image_width)
                                       .arg(d.cinfo.image_height)
                                       .toLatin1();
            ShowLibraryMessage(MsgKind::Error, name, why.constData());
        } else {
            ShowLibraryMessage(MsgKind::Error, name, d.error.message);
        }
        t->ReleasePixels();
        return false;
    };
    if (!ReadHeader(d, src))
        return failed();
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
    // Width x 3 x height is checked in 64 bits against the limit of one template, and against
    // what the file can hold, before the library takes memory: a few damaged bytes must not
    // claim gigabytes.
    if (!TemplatePixelsFit(*t)) {
        TemplateMemoryMsg();
        return false;
    }
    if (!FileHoldsPicture(d.cinfo, file.size())) {
        d.memory.tooShort = true;
        return failed();
    }
    if (!StartRows(d))
        return failed();
    for (int i = 0; i < 256; ++i)
        t->Red[size_t(i)] = t->Green[size_t(i)] = t->Blue[size_t(i)] = uint8_t(i);
    t->ReleasePixels();
    int rowsKept = 0;
    if (!ReadRows(d, src, *t, rowsKept))
        return failed();
    if (rowsKept == 0) {
        t->ReleasePixels();
        ReportPictureUnread(name);
        return false;
    }
    // A file cut short says how much of it there was; the library's other warnings (damaged
    // data it got over, or the end of a progressive file whose first scans fill every row)
    // come when the template is added, and at a later open in the status line only, so that
    // the same file does not warn every time.
    if (rowsKept < t->Height)
        ReportPartialPicture(name, rowsKept, t->Height, mode);
    else if (d.error.warnings > 0 && mode == TemplateLoadAsk)
        ShowLibraryMessage(MsgKind::Warning, name, d.error.warning);
    else if (d.error.warnings > 0)
        SetStatusText(name + QStringLiteral(": ") + QString::fromLocal8Bit(d.error.warning));
    return true;
}

} // namespace zemo
