#include "external/Tiff.h"

#include "core/ByteIO.h"
#include "core/Lzw.h"
#include "core/Messages.h"
#include "external/Ccitt.h"
#include "external/RasterLoad.h"
#include "external/TempResol.h"
#include "external/Template.h"
#include "external/TiffGeo.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace zemo {

namespace {

// Header (8 bytes):
//   offset size meaning
//   0      2    "II" (little-endian) or "MM" (big-endian)
//   2      2    42
//   4      4    offset of the first image file directory
// Directory: a u16 count, then entries of 12 bytes:
//   0      2    tag
//   2      2    type
//   4      4    count of values
//   8      4    the values when they fit in 4 bytes (in the file's order, from the first byte),
//               else their offset
constexpr int HeaderBytes = 8;
constexpr int IfdOffsetAt = 4;
constexpr uint16_t TiffMagic = 42;
constexpr int EntryBytes = 12;
constexpr int EntryTagAt = 0, EntryTypeAt = 2, EntryCountAt = 4, EntryValueAt = 8;

enum Tag : uint16_t {
    ImageWidth = 256,
    ImageLength = 257,
    BitsPerSample = 258,
    Compression = 259,
    Photometric = 262,
    FillOrder = 266,
    StripOffsets = 273,
    SamplesPerPixel = 277,
    RowsPerStrip = 278,
    StripByteCounts = 279,
    XResolution = 282,
    YResolution = 283,
    PlanarConfig = 284,
    T4Options = 292,
    ResolutionUnit = 296,
    Predictor = 317,
    ColorMap = 320,
    ModelPixelScale = 33550,
    ModelTiepoint = 33922,
    ModelTransformation = 34264,
};

enum Type : uint16_t {
    Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SByte = 6, Undefined = 7,
    SShort = 8, SLong = 9, SRational = 10, Float = 11, Double = 12,
};

int TypeBytes(uint16_t type)
{
    switch (type) {
    case Byte: case Ascii: case SByte: case Undefined: return 1;
    case Short: case SShort: return 2;
    case Long: case SLong: case Float: return 4;
    case Rational: case SRational: case Double: return 8;
    default: return 0;
    }
}

enum CompressionKind : int {
    NoCompression = 1,
    CcittRle = 2,
    CcittFax3 = 3,
    CcittFax4 = 4,
    LzwCompression = 5,
    PackBitsCompression = 32773,
};

enum PhotometricKind : int { WhiteIsZero = 0, BlackIsZero = 1, Rgb = 2, PaletteColor = 3 };
constexpr int ResolutionCentimetre = 3;
constexpr int HorizontalDifferencing = 2;
constexpr int ReversedFillOrder = 2;
constexpr int SeparatePlanes = 2;

// How many decoded bytes one stored byte can give at most: a PackBits pair repeats a byte 128
// times; an LZW code of 9 bits or more stands for at most 4093 bytes.
constexpr int64_t PackBitsRatio = 64;
constexpr int64_t LzwRatio = 4096;

// The bytes of the file the ranges [from, to) cover together.
int64_t CoveredBytes(std::vector<std::pair<int64_t, int64_t>>& ranges)
{
    std::sort(ranges.begin(), ranges.end());
    int64_t covered = 0, end = 0;
    for (const auto& [from, to] : ranges) {
        if (to > std::max(from, end))
            covered += to - std::max(from, end);
        end = std::max(end, to);
    }
    return covered;
}

int64_t HeldPerCodedByte(int64_t compression)
{
    switch (compression) {
    case PackBitsCompression: return PackBitsHeldPerByte;
    case LzwCompression: return LzwHeldPerByte;
    case CcittRle: case CcittFax3: case CcittFax4: return FaxHeldPerByte;
    default: return StoredHeldPerByte;
    }
}

// Bytes read from a strip at a time.
constexpr int64_t ChunkBytes = 64 * 1024;

constexpr std::array<uint8_t, 256> MakeReversedBits()
{
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            r |= ((i >> b) & 1) << (7 - b);
        t[size_t(i)] = uint8_t(r);
    }
    return t;
}

constinit const std::array<uint8_t, 256> ReversedBits = MakeReversedBits();

struct IfdEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    int64_t dataAt = 0; // where its values lie in the file
};

// What the directory says of the image.
struct TiffInfo {
    int64_t width = 0;
    int64_t height = 0;
    std::vector<double> bits{1};
    int64_t compression = NoCompression;
    int64_t photometric = WhiteIsZero;
    int64_t fillOrder = 1;
    std::vector<double> stripOffsets;
    std::vector<double> stripByteCounts;
    std::vector<bool> stripCut; // the file ends inside the strip
    int64_t samples = 1;
    int64_t rowsPerStrip = 0;
    double xResolution = 0;
    double yResolution = 0;
    int64_t resolutionUnit = 0;
    int64_t planar = 1;
    uint32_t t4Options = 0;
    int64_t predictor = 1;
    std::vector<double> colorMap;
    std::vector<double> pixelScale;
    std::vector<double> tiePoint;
    std::vector<double> transformation;
};

class TiffDirectory {
public:
    TiffDirectory(RasterFile& f, std::endian order) : f_(f), order_(order) {}

    // The entries of the first directory up to its end or a tag 0; false when it does not lie
    // in the file.
    bool ReadEntries(int64_t at, std::vector<IfdEntry>& entries)
    {
        uint8_t countBytes[2];
        if (!f_.ReadAt(at, countBytes, 2))
            return false;
        const int count = ByteReader(countBytes, 2, order_).U16(0);
        std::vector<uint8_t> raw;
        if (!f_.ReadAt(at + 2, raw, int64_t(count) * EntryBytes))
            return false;
        ByteReader r(raw.data(), raw.size(), order_);
        for (int i = 0; i < count; ++i) {
            const size_t e = size_t(i) * EntryBytes;
            IfdEntry entry;
            entry.tag = r.U16(e + EntryTagAt);
            if (entry.tag == 0)
                break;
            entry.type = r.U16(e + EntryTypeAt);
            entry.count = r.U32(e + EntryCountAt);
            const int64_t bytes = int64_t(entry.count) * TypeBytes(entry.type);
            entry.dataAt = bytes <= 4 ? at + 2 + int64_t(e) + EntryValueAt : int64_t(r.U32(e + EntryValueAt));
            entries.push_back(entry);
        }
        return true;
    }

    // The entry's values as numbers, by its type and the file's byte order (a rational as
    // its quotient, 0 for a denominator below 1); empty when they do not lie in the file or
    // the type holds no numbers.
    std::vector<double> Values(const IfdEntry& e)
    {
        const int size = TypeBytes(e.type);
        std::vector<uint8_t> raw;
        if (size == 0 || e.type == Ascii || !f_.ReadAt(e.dataAt, raw, int64_t(e.count) * size))
            return {};
        ByteReader r(raw.data(), raw.size(), order_);
        std::vector<double> v(e.count);
        for (size_t i = 0; i < e.count; ++i) {
            const size_t at = i * size_t(size);
            switch (e.type) {
            case Byte: case Undefined: v[i] = r.U8(at); break;
            case SByte: v[i] = r.I8(at); break;
            case Short: v[i] = r.U16(at); break;
            case SShort: v[i] = r.I16(at); break;
            case Long: v[i] = r.U32(at); break;
            case SLong: v[i] = r.I32(at); break;
            case Float: v[i] = r.F32(at); break;
            case Double: v[i] = r.F64(at); break;
            case Rational: {
                const uint32_t d = r.U32(at + 4);
                v[i] = d < 1 ? 0 : r.U32(at) / double(d);
                break;
            }
            case SRational: {
                const int32_t d = r.I32(at + 4);
                v[i] = d < 1 ? 0 : r.I32(at) / double(d);
                break;
            }
            }
        }
        return v;
    }

    // The first value as a whole number; `otherwise` when there is none.
    int64_t First(const IfdEntry& e, int64_t otherwise)
    {
        const std::vector<double> v = Values(e);
        return v.empty() || !std::isfinite(v[0]) ? otherwise : int64_t(std::clamp(v[0], -1e18, 1e18));
    }

    double FirstReal(const IfdEntry& e)
    {
        const std::vector<double> v = Values(e);
        return v.empty() || !std::isfinite(v[0]) ? 0 : v[0];
    }

private:
    RasterFile& f_;
    std::endian order_;
};

void ReadInfo(TiffDirectory& dir, const std::vector<IfdEntry>& entries, TiffInfo& info)
{
    for (const IfdEntry& e : entries) {
        switch (e.tag) {
        case ImageWidth: info.width = dir.First(e, 0); break;
        case ImageLength: info.height = dir.First(e, 0); break;
        case BitsPerSample: info.bits = dir.Values(e); break;
        case Compression: info.compression = dir.First(e, NoCompression); break;
        case Photometric: info.photometric = dir.First(e, WhiteIsZero); break;
        case FillOrder: info.fillOrder = dir.First(e, 1); break;
        case StripOffsets: info.stripOffsets = dir.Values(e); break;
        case SamplesPerPixel: info.samples = dir.First(e, 1); break;
        case RowsPerStrip: info.rowsPerStrip = dir.First(e, 0); break;
        case StripByteCounts: info.stripByteCounts = dir.Values(e); break;
        case XResolution: info.xResolution = dir.FirstReal(e); break;
        case YResolution: info.yResolution = dir.FirstReal(e); break;
        case PlanarConfig: info.planar = dir.First(e, 1); break;
        case T4Options: info.t4Options = uint32_t(dir.First(e, 0)); break;
        case ResolutionUnit: info.resolutionUnit = dir.First(e, 0); break;
        case Predictor: info.predictor = dir.First(e, 1); break;
        case ColorMap: info.colorMap = dir.Values(e); break;
        case ModelPixelScale: info.pixelScale = dir.Values(e); break;
        case ModelTiepoint: info.tiePoint = dir.Values(e); break;
        case ModelTransformation: info.transformation = dir.Values(e); break;
        default: break;
        }
    }
}

bool IsCcitt(int64_t compression)
{
    return compression == CcittRle || compression == CcittFax3 || compression == CcittFax4;
}

// The image's kind: bits per stored pixel (1, 4, 8, or 24 for RGB); 0 when it is none that
// is read.
int VariantBits(const TiffInfo& info)
{
    if (info.bits.empty())
        return 0;
    const double b = info.bits[0];
    const bool same = std::all_of(info.bits.begin(), info.bits.end(), [b](double x) { return x == b; });
    if (!same || (info.planar == SeparatePlanes && info.samples > 1))
        return 0;
    const bool predicted = info.compression == LzwCompression && info.predictor != 1;
    if (predicted && (info.predictor != HorizontalDifferencing || b != 8))
        return 0;
    if (info.photometric == Rgb)
        return info.samples >= 3 && b == 8 && !IsCcitt(info.compression) ? 24 : 0;
    if (info.photometric != WhiteIsZero && info.photometric != BlackIsZero && info.photometric != PaletteColor)
        return 0;
    if (info.samples != 1 || (b != 1 && b != 4 && b != 8))
        return 0;
    if (IsCcitt(info.compression) && b != 1)
        return 0;
    return int(b);
}

// The palette of a grey or palette image of `bits`: a colour map's entries (their high
// bytes), or grey levels spread over 0..255, white at 0 for WhiteIsZero.
void SetPalette(const TiffInfo& info, int bits, TTmp& t)
{
    const int levels = 1 << bits;
    const size_t n = info.colorMap.size() / 3;
    if (info.photometric == PaletteColor && n > 0) {
        for (size_t i = 0; i < std::min<size_t>(n, 256); ++i) {
            const auto high = [&](size_t at) { return uint8_t(uint32_t(info.colorMap[at]) >> 8); };
            t.Red[i] = high(i);
            t.Green[i] = high(n + i);
            t.Blue[i] = high(2 * n + i);
        }
    } else {
        for (int i = 0; i < levels; ++i) {
            const int grey = i * 255 / (levels - 1);
            t.Red[size_t(i)] = t.Green[size_t(i)] = t.Blue[size_t(i)] =
                uint8_t(info.photometric == WhiteIsZero ? 255 - grey : grey);
        }
    }
    if (bits == 1)
        for (size_t i = 2; i < 256; ++i) {
            t.Red[i] = t.Red[1];
            t.Green[i] = t.Green[1];
            t.Blue[i] = t.Blue[1];
        }
}

int DpiOf(const TiffInfo& info)
{
    if (info.resolutionUnit <= 1 || info.xResolution <= 0 || info.yResolution <= 0)
        return 0;
    const double dpi = info.resolutionUnit == ResolutionCentimetre ? info.xResolution * 2.54 : info.yResolution;
    return int(std::clamp(std::nearbyint(dpi), 0.0, 1e6));
}

// Decoded strip bytes into the rows of the record: whole rows as stored (samples of a pixel
// together), horizontal differencing undone, RGB kept as blue, green, red. Bytes beyond the
// strip's rows are dropped. A row's memory is taken as the row is reached; when it cannot be
// had, the rest is dropped and NoMemory() says so.
class RowSink {
public:
    RowSink(TTmp& t, int64_t rawRowBytes, int samples, bool predicted)
        : t_(t), raw_(rawRowBytes), samples_(samples), predicted_(predicted), rgb_(t.BitsPerPixel == 24)
    {
        if (rgb_ || predicted_)
            scratch_.resize(size_t(raw_));
    }

    void StartStrip(int64_t row, int64_t rows)
    {
        row_ = row;
        end_ = std::min<int64_t>(row + rows, t_.Height);
        fill_ = 0;
    }

    void operator()(const uint8_t* p, size_t n)
    {
        while (n > 0 && row_ < end_ && !noMemory_) {
            if (fill_ == 0 && !GrowTemplateRows(t_, row_ + 1)) {
                noMemory_ = true;
                return;
            }
            uint8_t* dst = scratch_.empty() ? t_.Row(int(row_)) : scratch_.data();
            const size_t take = std::min<size_t>(n, size_t(raw_ - fill_));
            std::memcpy(dst + fill_, p, take);
            fill_ += int64_t(take);
            p += take;
            n -= take;
            if (fill_ == raw_)
                EndRow(dst);
        }
    }
    void operator()(uint8_t b) { (*this)(&b, 1); }
    // Every row of the strip is filled: the rest of its data is not decoded.
    bool StripFull() const { return row_ >= end_; }
    // The row being filled.
    int64_t Row() const { return row_; }
    // Rows filled whole from the strips so far, and the end of the lowest.
    int64_t RowsDone() const { return done_; }
    int64_t RowsEnd() const { return rowsEnd_; }
    bool NoMemory() const { return noMemory_; }

private:
    void EndRow(uint8_t* raw)
    {
        if (predicted_)
            for (int64_t i = samples_; i < raw_; ++i)
                raw[i] = uint8_t(raw[i] + raw[i - samples_]);
        uint8_t* row = t_.Row(int(row_));
        if (rgb_) {
            for (int64_t x = 0; x < t_.Width; ++x) {
                const uint8_t* s = raw + x * samples_;
                row[3 * x] = s[2];
                row[3 * x + 1] = s[1];
                row[3 * x + 2] = s[0];
            }
        } else if (raw != row) {
            std::memcpy(row, raw, size_t(raw_));
        }
        rowsEnd_ = std::max(rowsEnd_, ++row_);
        ++done_;
        fill_ = 0;
    }

    TTmp& t_;
    int64_t raw_;
    int samples_;
    bool predicted_;
    bool rgb_;
    std::vector<uint8_t> scratch_;
    int64_t row_ = 0;
    int64_t end_ = 0;
    int64_t fill_ = 0;
    int64_t done_ = 0;
    int64_t rowsEnd_ = 0;
    bool noMemory_ = false;
};

// PackBits: a count byte n of 0..127 copies the next n + 1 bytes, -127..-1 repeats the next
// byte 1 - n times, -128 is nothing. Its state carries over from one chunk to the next.
class PackBits {
public:
    void Start() { literal_ = repeat_ = 0; }

    template <class Out>
    void Feed(const uint8_t* p, size_t n, Out& out)
    {
        size_t i = 0;
        while (i < n) {
            if (literal_ > 0) {
                const size_t take = std::min<size_t>(size_t(literal_), n - i);
                out(p + i, take);
                literal_ -= int(take);
                i += take;
            } else if (repeat_ > 0) {
                uint8_t run[128];
                std::memset(run, p[i++], size_t(repeat_));
                out(run, size_t(repeat_));
                repeat_ = 0;
            } else {
                const int8_t c = int8_t(p[i++]);
                if (c >= 0)
                    literal_ = c + 1;
                else if (c != -128)
                    repeat_ = 1 - c;
            }
        }
    }

private:
    int literal_ = 0;
    int repeat_ = 0;
};

// A sink by reference, for the LZW decoder, which holds its output by value.
struct SinkRef {
    RowSink* sink = nullptr;
    void operator()(const uint8_t* p, size_t n) { (*sink)(p, n); }
    void operator()(uint8_t b) { (*sink)(&b, 1); }
};

class StripReader {
public:
    // stored: the bytes the strips cover together.
    StripReader(RasterFile& f, const TiffInfo& info, TTmp& t, const QString& name, int64_t stored)
        : f_(f), info_(info), t_(t), name_(name), readable_(2 * stored + RasterLimits.StripRereadBytes)
    {
    }

    // False when the load was stopped or memory ran out (NoMemory()).
    bool ReadAll(int64_t rowsPerStrip, int64_t rawRowBytes)
    {
        const bool predicted = info_.compression == LzwCompression && info_.predictor == HorizontalDifferencing;
        RowSink sink(t_, rawRowBytes, int(info_.samples), predicted);
        std::unique_ptr<BasicLzwDecoder<SinkRef>> lzw;
        if (info_.compression == LzwCompression)
            lzw = std::make_unique<BasicLzwDecoder<SinkRef>>(SinkRef{&sink});
        PackBits packBits;
        CcittDecoder ccitt;
        TemplateProgress progress(TextKey::Loading, int(t_.Height));
        std::vector<uint8_t> chunk;
        for (size_t s = 0; s < info_.stripOffsets.size(); ++s) {
            const int64_t row = int64_t(s) * rowsPerStrip;
            if (row >= t_.Height)
                break;
            const int64_t rows = std::min(rowsPerStrip, t_.Height - row);
            sink.StartStrip(row, rows);
            packBits.Start();
            if (lzw)
                lzw->LzwDecodeInit(8);
            if (IsCcitt(info_.compression))
                ccitt.StartCcittStrip(int(info_.compression), t_.Width, int(rows), info_.t4Options, [this, row](int r) -> uint8_t* {
                    if (noMemory_ || !GrowTemplateRows(t_, row + r + 1)) {
                        noMemory_ = true;
                        return nullptr;
                    }
                    return t_.Row(int(row + r));
                });
            const int64_t at = int64_t(info_.stripOffsets[s]);
            const int64_t bytes = int64_t(info_.stripByteCounts[s]);
            bool more = true, overRead = false;
            for (int64_t done = 0; done < bytes && more; done += ChunkBytes) {
                const int64_t n = std::min(ChunkBytes, bytes - done);
                // Strips over the same bytes: the rows read so far are the picture.
                if (n > readable_ - read_) {
                    overRead = true;
                    break;
                }
                read_ += n;
                if (!f_.ReadAt(at + done, chunk, n))
                    return false;
                if (info_.fillOrder == ReversedFillOrder)
                    for (uint8_t& b : chunk)
                        b = ReversedBits[b];
                switch (info_.compression) {
                case LzwCompression: more = lzw->TiffLzwDecodeBytes(chunk.data(), chunk.size()); break;
                case PackBitsCompression: packBits.Feed(chunk.data(), chunk.size(), sink); break;
                case NoCompression: sink(chunk.data(), chunk.size()); break;
                default: more = ccitt.DecodeCcitt(chunk.data(), chunk.size()) && !ccitt.Done(); break;
                }
                more = more && !sink.NoMemory() && !noMemory_ && (IsCcitt(info_.compression) || !sink.StripFull());
                // A long strip is read with the same progress and Esc as a short one.
                const int64_t rowNow = IsCcitt(info_.compression) ? row + ccitt.RowsDecoded() : sink.Row();
                if (more && done + n < bytes && !progress.Step(int(std::min<int64_t>(rowNow, t_.Height))))
                    return false;
            }
            if (IsCcitt(info_.compression)) {
                // The last codes of a strip decode once the buffer holds enough bits; a strip
                // the file cut keeps the rows its own bits gave.
                const uint8_t zeros[3] = {};
                if (!ccitt.Done() && !info_.stripCut[s] && !overRead)
                    ccitt.DecodeCcitt(zeros, sizeof zeros);
                if (ccitt.Failed() && !ccittReported_) {
                    ErrorMsg(TextKey::ErrorCcitt, name_);
                    ccittReported_ = true;
                }
                ccittRows_ += ccitt.RowsDecoded();
                if (ccitt.RowsDecoded() > 0)
                    rowsEnd_ = std::max(rowsEnd_, row + ccitt.RowsDecoded());
            }
            if (sink.NoMemory() || noMemory_) {
                noMemory_ = true;
                return false;
            }
            if (overRead)
                break;
            if (!progress.Step(int(row + rows)))
                return false;
        }
        rowsDone_ = IsCcitt(info_.compression) ? ccittRows_ : sink.RowsDone();
        // A row the data ended in is given up.
        t_.KeepRows(IsCcitt(info_.compression) ? rowsEnd_ : sink.RowsEnd());
        return true;
    }
    // Whole rows the strips gave.
    int64_t RowsDone() const { return rowsDone_; }
    bool NoMemory() const { return noMemory_; }
    // The damage of a CCITT strip has been reported.
    bool DamageReported() const { return ccittReported_; }

private:
    RasterFile& f_;
    const TiffInfo& info_;
    TTmp& t_;
    const QString& name_;
    const int64_t readable_;
    int64_t read_ = 0;
    int64_t rowsDone_ = 0;
    int64_t ccittRows_ = 0;
    int64_t rowsEnd_ = 0;
    bool ccittReported_ = false;
    bool noMemory_ = false;
};

// The message with the file's name after its text; a value goes into the text's place first.
bool Fail(TextKey key, const QString& name, int helpContext = 0, const QString& value = {})
{
    ErrorMsg(key, value.isEmpty() ? name : value + QStringLiteral(";\r\n") + name, helpContext);
    return false;
}

} // namespace

bool ReadTiffFile(const QString& name, int mode)
{
    TTmp* t = TemplateUnit.CurrentTemplate;
    RasterFile f;
    if (!t || !f.Open(name))
        return false;
    uint8_t header[HeaderBytes];
    std::endian order = std::endian::little;
    bool valid = f.ReadAt(0, header, HeaderBytes);
    if (valid && header[0] == 'M' && header[1] == 'M')
        order = std::endian::big;
    else
        valid = valid && header[0] == 'I' && header[1] == 'I';
    ByteReader hr(header, HeaderBytes, order);
    if (!valid || hr.U16(2) != TiffMagic)
        return Fail(TextKey::InvalidTiff, name);

    TiffDirectory dir(f, order);
    std::vector<IfdEntry> entries;
    if (!dir.ReadEntries(hr.U32(IfdOffsetAt), entries))
        return Fail(TextKey::InvalidTiff, name);
    TiffInfo info;
    ReadInfo(dir, entries, info);
    if (info.width < 1 || info.height < 1 || info.width > INT32_MAX || info.height > INT32_MAX)
        return Fail(TextKey::TiffError, name);

    // Strips: every one named by an offset and a byte count. A file cut short keeps the strips'
    // bytes up to its end.
    const int64_t rowsPerStrip =
        info.rowsPerStrip <= 0 || info.rowsPerStrip > info.height ? info.height : info.rowsPerStrip;
    const size_t strips = size_t((info.height + rowsPerStrip - 1) / rowsPerStrip);
    if (info.stripOffsets.size() != strips || info.stripByteCounts.size() != strips)
        return Fail(TextKey::TiffError, name);
    std::vector<std::pair<int64_t, int64_t>> ranges;
    for (size_t s = 0; s < strips; ++s) {
        const double at = info.stripOffsets[s], bytes = info.stripByteCounts[s];
        if (!(at >= 0 && bytes >= 0))
            return Fail(TextKey::TiffError, name);
        const int64_t from = int64_t(std::min(at, double(f.Size())));
        const int64_t kept = std::min<int64_t>(int64_t(std::min(bytes, double(f.Size()))), f.Size() - from);
        info.stripOffsets[s] = double(from);
        info.stripCut.push_back(double(kept) < bytes);
        info.stripByteCounts[s] = double(kept);
        ranges.emplace_back(from, from + kept);
    }
    // Strips may share bytes: the data are the file's bytes some strip covers, each counted once.
    const int64_t stored = CoveredBytes(ranges);
    const int64_t c = info.compression;
    if (c != NoCompression && !IsCcitt(c) && c != LzwCompression && c != PackBitsCompression)
        return Fail(TextKey::CompressionNotSupp, name, CompressionNotSuppHelpContext, QString::number(c));
    const int bits = VariantBits(info);
    if (bits == 0)
        return Fail(TextKey::TiffVariantNotSupp, name, TiffVariantNotSuppHelpContext);

    // Stored bytes that cannot give a single row are no picture: a coded fax row takes a bit
    // at least, other data are bounded by what one byte can decode to. Memory is taken as rows
    // decode.
    const int64_t sampleBits = bits == 24 ? 8 * info.samples : bits;
    const int64_t rawRowBytes = (info.width * sampleBits + 7) / 8;
    const bool plausible = IsCcitt(c) ? stored > 0
                         : rawRowBytes <= (c == LzwCompression ? LzwRatio : c == PackBitsCompression ? PackBitsRatio : 1) * stored;
    if (!plausible)
        return Fail(TextKey::TiffError, name);

    t->Width = int32_t(info.width);
    t->Height = int32_t(info.height);
    t->BitsPerPixel = bits;
    if (bits <= 8)
        SetPalette(info, bits, *t);
    if (!TemplatePixelsFit(*t)) {
        TemplateMemoryMsg();
        return false;
    }
    if (!ConfirmTemplateSize(*t, stored, HeldPerCodedByte(c), name))
        return false;

    if (mode == TemplateLoadAsk) {
        TiffGeoref g = GeorefFromTags(t->Width, t->Height, info.pixelScale, info.tiePoint, info.transformation);
        const QString world = WorldFileOf(name);
        if (!world.isEmpty() && !ReadWorldFile(world, t->Width, t->Height, g)) {
            ErrorMsg(TextKey::TfwError, world);
            g = {};
        }
        const bool placed = g.Placed() ? AskTiffPlacement(g, t->Width, t->Height) : AskTemplateResolution(DpiOf(info));
        if (!placed)
            return false;
    }
    t->ReleasePixels();
    StripReader reader(f, info, *t, name, stored);
    const bool read = reader.ReadAll(rowsPerStrip, rawRowBytes);
    if (!read || reader.RowsDone() == 0)
        t->ReleasePixels();
    if (reader.NoMemory())
        TemplateMemoryMsg();
    if (!read)
        return false;
    if (reader.RowsDone() == 0) {
        ReportPictureUnread(name);
        return false;
    }
    // Damaged fax data have said so already.
    if (reader.RowsDone() < t->Height && !reader.DamageReported())
        ReportPartialPicture(name, reader.RowsDone(), t->Height, mode);
    return true;
}

} // namespace zemo
