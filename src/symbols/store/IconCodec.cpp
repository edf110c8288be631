#include "symbols/store/IconCodec.h"

#include "core/Lzw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zemo {

const std::array<QRgb, 16> IconPalette = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
    qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

namespace {

constexpr QRgb White = 0xFFFFFFFFu;

int CubeLevel(int c)
{
    return (c + 32) >> 6;
}

int CubeComponent(int level)
{
    return std::min(255, level * 64);
}

// Stored pixel n (row 0 = bottom, left to right) lies on image line 21 - n / 22.
QRgb* PixelAt(QImage& image, int n)
{
    const int row = n / IconSize;
    return reinterpret_cast<QRgb*>(image.scanLine(IconSize - 1 - row)) + n % IconSize;
}

// A 22 x 22 RGB32 copy of any image; what lies outside it is white.
QImage IconImage(const QImage& image)
{
    if (image.format() == QImage::Format_RGB32 && image.width() == IconSize
        && image.height() == IconSize)
        return image;
    QImage icon = BlankIcon();
    if (image.isNull())
        return icon;
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const int w = std::min(IconSize, src.width());
    const int h = std::min(IconSize, src.height());
    for (int y = 0; y < h; ++y)
        std::memcpy(icon.scanLine(y), src.constScanLine(y), size_t(w) * sizeof(QRgb));
    return icon;
}

// The stored pixel order: row 0 (the bottom line) first.
QRgb StoredPixel(const QImage& icon, int n)
{
    const int row = n / IconSize;
    return reinterpret_cast<const QRgb*>(icon.constScanLine(IconSize - 1 - row))[n % IconSize];
}

// Decoded cube indices go straight into the image; bytes beyond the last pixel are dropped.
struct PixelSink {
    QImage* image = nullptr;
    int count = 0;
    void operator()(const uint8_t* bytes, size_t n)
    {
        for (size_t i = 0; i < n && count < IconPixels; ++i)
            *PixelAt(*image, count++) = CubeColor(bytes[i]);
    }
};

// Writes from field byte 16 on and refuses anything past the field.
struct FieldSink {
    uint8_t* field = nullptr;
    size_t pos = IconStreamStart;
    bool operator()(uint8_t b)
    {
        if (pos >= IconFieldBytes)
            return false;
        field[pos++] = b;
        return true;
    }
};

// The codec's tables are large; each thread keeps one set instead of allocating per icon.
BasicLzwDecoder<PixelSink>& Decoder()
{
    thread_local BasicLzwDecoder<PixelSink> decoder;
    return decoder;
}

BasicLzwEncoder<FieldSink>& Encoder()
{
    thread_local BasicLzwEncoder<FieldSink> encoder;
    return encoder;
}

IconDecodeResult DecodeCompressed(std::span<const uint8_t> field, QImage& image)
{
    auto& decoder = Decoder();
    decoder.output() = PixelSink{&image, 0};
    decoder.LzwDecodeInit(8);
    const size_t end = std::min(field.size(), IconFieldBytes);
    for (size_t i = IconStreamStart; i < end; ++i) {
        if (!decoder.LzwDecodeByte(field[i]) || decoder.output().count >= IconPixels)
            break;
    }
    const int count = decoder.output().count;
    decoder.output() = PixelSink{};
    return count >= IconPixels ? IconDecodeResult::Complete : IconDecodeResult::Damaged;
}

IconDecodeResult DecodePlain(std::span<const uint8_t> field, QImage& image)
{
    for (int n = 0; n < IconPixels; n += 2) {
        const size_t at = size_t(n / IconSize) * IconRowBytes + size_t(n % IconSize) / 2;
        if (at >= field.size())
            return IconDecodeResult::Damaged;
        *PixelAt(image, n) = PaletteColor(field[at] >> 4);
        *PixelAt(image, n + 1) = PaletteColor(field[at] & 15);
    }
    return IconDecodeResult::Complete;
}

// True when the whole stream, end code and last partial byte included, fitted the field.
bool EncodeCompressed(const QImage& icon, IconField field)
{
    std::array<uint8_t, IconPixels> values;
    for (int n = 0; n < IconPixels; ++n)
        values[size_t(n)] = uint8_t(CubeIndex(StoredPixel(icon, n)));
    // Into a copy: a stream that does not fit must leave the field as it was.
    std::array<uint8_t, IconFieldBytes> out;
    std::copy(field.begin(), field.end(), out.begin());
    auto& encoder = Encoder();
    encoder.output() = FieldSink{out.data(), IconStreamStart};
    bool ok = encoder.LzwEncodeInit(8, false) && encoder.LzwEncodeBytes(values.data(), values.size());
    ok = encoder.LzwEncodeFinish() && ok;
    encoder.output() = FieldSink{};
    if (ok)
        std::copy(out.begin(), out.end(), field.begin());
    return ok;
}

void EncodePlain(const QImage& icon, IconField field)
{
    for (int n = 0; n < IconPixels; n += 2) {
        const size_t at = size_t(n / IconSize) * IconRowBytes + size_t(n % IconSize) / 2;
        field[at] = uint8_t(NearestPaletteIndex(StoredPixel(icon, n)) * 16
                            + NearestPaletteIndex(StoredPixel(icon, n + 1)));
    }
}

} // namespace

QRgb PaletteColor(int index)
{
    return index >= 0 && index < 16 ? IconPalette[size_t(index)] : White;
}

int NearestPaletteIndex(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    int best = 1024;
    int bestIndex = 0;
    for (int i = 0; i < 16; ++i) {
        const QRgb p = IconPalette[size_t(i)];
        const int d = std::abs(r - qRed(p)) + std::abs(g - qGreen(p)) + std::abs(b - qBlue(p));
        if (d < best) {
            best = d;
            bestIndex = i;
            if (d == 0)
                break;
        }
    }
    return bestIndex;
}

int CubeIndex(QRgb pixel)
{
    return 25 * CubeLevel(qRed(pixel)) + 5 * CubeLevel(qGreen(pixel)) + CubeLevel(qBlue(pixel));
}

QRgb CubeColor(int index)
{
    if (index < 0 || index >= 125)
        return White;
    return qRgb(CubeComponent(index / 25), CubeComponent(index / 5 % 5), CubeComponent(index % 5));
}

QImage BlankIcon()
{
    QImage image(IconSize, IconSize, QImage::Format_RGB32);
    image.fill(White);
    return image;
}

IconDecodeResult DecodeIconField(std::span<const uint8_t> field, bool compressed, QImage& image)
{
    // Undecoded pixels are white, never what the image held before (another symbol's icon).
    image = BlankIcon();
    return compressed ? DecodeCompressed(field, image) : DecodePlain(field, image);
}

IconForm EncodeIconField(const QImage& image, bool compressed, IconField field)
{
    const QImage icon = IconImage(image);
    // A noisy icon can need more than the field holds: the plain form always fits.
    if (compressed && EncodeCompressed(icon, field))
        return IconForm::Compressed;
    EncodePlain(icon, field);
    return IconForm::Plain;
}

IconDecodeResult DecodeRecordIcon(std::span<const uint8_t> record, QImage& image)
{
    const bool compressed = record.size() > SymFlags && (record[SymFlags] & CompressedIconFlag) != 0;
    std::span<const uint8_t> field;
    if (record.size() > SymIcon)
        field = record.subspan(SymIcon, std::min(IconFieldBytes, record.size() - SymIcon));
    return DecodeIconField(field, compressed, image);
}

bool EncodeRecordIcon(const QImage& image, std::span<uint8_t> record, int formatVersion)
{
    if (record.size() < SymIcon + IconFieldBytes)
        return false;
    const IconForm form = EncodeIconField(image, formatVersion >= CompressedIconVersion,
                                          record.subspan<SymIcon, IconFieldBytes>());
    if (form == IconForm::Compressed)
        record[SymFlags] |= CompressedIconFlag;
    else
        record[SymFlags] &= uint8_t(~CompressedIconFlag);
    return true;
}

void MarkIconCorner(QImage& image)
{
    image = IconImage(image);
    constexpr QRgb grey = qRgb(128, 128, 128);
    for (int row = 0; row < 7; ++row) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int x = IconSize - 7 + row; x < IconSize; ++x)
            line[x] = grey;
    }
}

IconCodecState& IconCodec()
{
    static IconCodecState state;
    return state;
}

void ResetIconCodec()
{
    IconCodec() = IconCodecState{};
}

IconDecodeResult DecodeSymbolIcon(std::span<const uint8_t> record)
{
    IconCodecState& s = IconCodec();
    if (s.EditorOpen)
        return IconDecodeResult::Skipped;
    return DecodeRecordIcon(record, s.WorkBitmap);
}

bool EncodeSymbolIcon(std::span<uint8_t> record, int formatVersion)
{
    return EncodeRecordIcon(IconCodec().WorkBitmap, record, formatVersion);
}

void MarkIconCorner()
{
    MarkIconCorner(IconCodec().WorkBitmap);
}

} // namespace zemo
