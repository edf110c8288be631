// Symbol icons from untrusted symbol records. The input is a record (any length; byte 7 bit 1
// picks the compressed form, the icon field starts at 84). Whatever decodes must be a full
// 22 x 22 icon, and encoding it again must give back the same picture in the form written.
#include "symbols/store/IconCodec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

using namespace zemo;

namespace {

void CheckShape(const QImage& img)
{
    if (img.width() != IconSize || img.height() != IconSize || img.format() != QImage::Format_RGB32)
        __builtin_trap();
}

void CheckRoundTrip(const QImage& img, bool compressed)
{
    std::array<uint8_t, IconFieldBytes> field{};
    const IconForm form = EncodeIconField(img, compressed, field);
    if (!compressed && form != IconForm::Plain)
        __builtin_trap();
    QImage back;
    if (DecodeIconField(field, form == IconForm::Compressed, back) != IconDecodeResult::Complete)
        __builtin_trap();
    CheckShape(back);
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x) {
            const QRgb p = img.pixel(x, y);
            const QRgb want = form == IconForm::Compressed ? CubeColor(CubeIndex(p))
                                                           : PaletteColor(NearestPaletteIndex(p));
            if ((back.pixel(x, y) | 0xFF000000u) != (want | 0xFF000000u))
                __builtin_trap();
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> record(data, size);
    QImage img;
    DecodeRecordIcon(record, img);
    CheckShape(img);
    CheckRoundTrip(img, true);
    CheckRoundTrip(img, false);

    // The same bytes taken as a bare field in either form.
    DecodeIconField(record, true, img);
    CheckShape(img);
    DecodeIconField(record, false, img);
    CheckShape(img);
    return 0;
}
