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

int64_t FrameBlocks(const jpeg_decompress_struct& c)
{
    int64_t blocks = 0;
    for (int i = 0; i < c.num_components; ++i)
        blocks += int64_t(c.comp_info[i].width_in_blocks) * int64_t(c.comp_info[i].height_in_blocks);
    return blocks;
}

// The blocks the scan whose header was read last passes over.
int64_t ScanBlocks(const jpeg_decompress_struct& c)
{
    int64_t blocks = 0;
    for (int i = 0; i < c.comps_in_scan; ++i)
        blocks += int64_t(c.cur_comp_info[i]->width_in_blocks) * int64_t(c.cur_comp_info[i]->height_in_blocks);
    return blocks;
}

// Whether a file of fileBytes can code every block of the picture. A Huffman-coded 8 x 8 block
// takes at least one bit (its DC code in the first scan of its component); the arithmetic coder
// codes long runs of empty blocks in far less, hence its generous bound.
bool FileHoldsPicture(const jpeg_decompress_struct& c, qint64 fileBytes)
{
    const int64_t blocksPerByte = c.arith_code ? 8 * 4096 : 8;
    return FrameBlocks(c) <= int64_t(fileBytes) * blocksPerByte;
}

// Every scan passes over all blocks of its components and decodes in each the coefficients of its
// band, whatever data it holds: an arithmetic decoder goes on deciding past the end of its data,
// up to some thirty decisions for a coefficient coded first and three for one refined. A picture
// codes each coefficient first once and refines it at most 13 times, a bit at a time, and an
// encoder needs some ten passes over the blocks: the scans beyond these bounds are left out.
constexpr int64_t MaxScanPasses = 64;
constexpr int64_t MaxRefinements = 13;

// The passes over the blocks and the coefficients decoded so far, in block units.
struct ScanWork {
    int64_t passes = 0;
    int64_t first = 0;
    int64_t refined = 0;

    // The scan whose header was read last; a sequential scan decodes whole blocks whatever band
    // it names.
    void Add(const jpeg_decompress_struct& c)
    {
        const int64_t blocks = ScanBlocks(c);
        const int64_t band = c.progressive_mode ? std::max(1, c.Se - c.Ss + 1) : DCTSIZE2;
        passes += blocks;
        (c.progressive_mode && c.Ah > 0 ? refined : first) += blocks * band;
    }
    bool Within(int64_t frameBlocks) const
    {
        return passes <= MaxScanPasses * frameBlocks && first <= DCTSIZE2 * frameBlocks
               && refined <= MaxRefinements * DCTSIZE2 * frameBlocks;
    }
};

// Polls for Esc per pass over the picture, and per output pass.
constexpr int PollsPerScan = 16;
constexpr int PollsPerOutput = 256;

// A read's progress: the bar runs over the input (the file's bytes) of a file of several
// scans, then over the rows put out.
struct ReadState {
    TemplateProgress* progress = nullptr;
    int rowsKept = 0;
    int scansRead = 0;        // of a file of several scans
    bool scansLeftOut = false;
    bool stopped = false;     // the user stopped the load
};

int InputPosition(const Source& src, const jpeg_decompress_struct& c)
{
    const qint64 size = std::max<qint64>(src.file->size(), 1);
    const qint64 read = std::clamp<qint64>(src.file->pos() - qint64(src.pub.bytes_in_buffer), 0, size);
    return int(int64_t(c.output_height) * read / size);
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

// The scans of a file of several scans taken in, within ScanWork's bounds; the scan put out is
// the last one taken in whole. False when the user stopped the load.
bool TakeInScans(Decompressor& d, Source& src, ReadState& r)
{
    jpeg_decompress_struct& c = d.cinfo;
    const int64_t blocks = FrameBlocks(c);
    // The first scan's header came with the picture's.
    ScanWork work;
    work.Add(c);
    int counted = c.input_scan_number;
    const int pollEvery = std::max(1, int(c.total_iMCU_rows) / PollsPerScan);
    int rows = 0;
    for (;;) {
        const int got = jpeg_consume_input(&c);
        if (got == JPEG_REACHED_EOI || got == JPEG_SUSPENDED)
            break;
        if (got == JPEG_REACHED_SOS && c.input_scan_number > counted) {
            counted = c.input_scan_number;
            work.Add(c);
            if (!work.Within(blocks)) {
                r.scansLeftOut = true;
                break;
            }
        } else if (got == JPEG_ROW_COMPLETED && ++rows % pollEvery == 0
                   && !r.progress->Step(FinishedRows(&c), InputPosition(src, c))) {
            r.stopped = true;
            return false;
        }
    }
    r.scansRead = r.scansLeftOut ? c.input_scan_number - 1 : c.input_scan_number;
    return true;
}

// The rows with data into the record, each row's memory taken as it comes; r.rowsKept counts
// them. The rest of the picture is left undecoded.
bool ReadRows(Decompressor& d, Source& src, TTmp& t, ReadState& r)
{
    if (setjmp(d.error.jump))
        return false;
    if (int(d.cinfo.output_width) != t.Width || int(d.cinfo.output_height) != t.Height) {
        std::snprintf(d.error.message, sizeof d.error.message, "unexpected output format");
        return false;
    }
    const bool buffered = d.cinfo.buffered_image;
    if (buffered) {
        if (!TakeInScans(d, src, r))
            return false;
        jpeg_start_output(&d.cinfo, r.scansRead);
    }
    std::vector<JSAMPLE>& scratch = d.scratch;
    scratch.resize(size_t(t.RowBytes()));
    const int pollEvery = std::max(1, t.Height / PollsPerOutput);
    const int base = buffered ? t.Height : 0;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const int y = int(d.cinfo.output_scanline);
        if (y >= RowsWithData(src, d.cinfo))
            return true;
        if (y % pollEvery == 0 && y > 0 && !r.progress->Step(y, base + y)) {
            r.stopped = true;
            return false;
        }
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
        r.rowsKept = y + 1;
    }
    // Finishing reads the file to its end: not past the scans left out.
    if (r.scansLeftOut)
        return true;
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
    const auto untouched = [&] {
        t->Width = oldWidth;
        t->Height = oldHeight;
        t->BitsPerPixel = oldBits;
        return false;
    };
    t->Width = int32_t(d.cinfo.image_width);
    t->Height = int32_t(d.cinfo.image_height);
    t->BitsPerPixel = 24;
    // Width x 3 x height is checked in 64 bits against the limit of one template, and against
    // what the file can hold, before the library takes memory: a few damaged bytes must not
    // claim gigabytes, nor a file of a picture nearly blank unasked.
    if (!TemplatePixelsFit(*t)) {
        TemplateMemoryMsg();
        return untouched();
    }
    if (!FileHoldsPicture(d.cinfo, file.size())) {
        d.memory.tooShort = true;
        failed();
        return untouched();
    }
    if (!ConfirmTemplateSize(*t, file.size(), JpegHeldPerByte, name))
        return untouched();
    if (mode == TemplateLoadAsk && !AskTemplateResolution(DensityDpi(d.cinfo)))
        return untouched();
    if (!StartRows(d))
        return failed();
    for (int i = 0; i < 256; ++i)
        t->Red[size_t(i)] = t->Green[size_t(i)] = t->Blue[size_t(i)] = uint8_t(i);
    t->ReleasePixels();
    ReadState r;
    TemplateProgress progress(TextKey::LoadingTemp, t->Height, d.cinfo.buffered_image ? 2 * t->Height : t->Height);
    r.progress = &progress;
    const bool read = ReadRows(d, src, *t, r);
    progress.End();
    if (r.stopped) {
        t->ReleasePixels();
        return false;
    }
    if (!read)
        return failed();
    const int rowsKept = r.rowsKept;
    if (rowsKept == 0) {
        t->ReleasePixels();
        ReportPictureUnread(name);
        return false;
    }
    // A file cut short says how much of it there was; the library's other warnings (damaged
    // data it got over, or the end of a progressive file whose first scans fill every row)
    // come when the template is added, and at a later open in the status line only, so that
    // the same file does not warn every time.
    if (r.scansLeftOut)
        ReportPartialRead(TextKey::ScansLeftOut, CleanParamText(name) + u';' + QString::number(r.scansRead), mode);
    else if (rowsKept < t->Height)
        ReportPartialPicture(name, rowsKept, t->Height, mode);
    else if (d.error.warnings > 0 && mode == TemplateLoadAsk)
        ShowLibraryMessage(MsgKind::Warning, name, d.error.warning);
    else if (d.error.warnings > 0)
        SetStatusText(name + QStringLiteral(": ") + QString::fromLocal8Bit(d.error.warning));
    return true;
}

} // namespace zemo
