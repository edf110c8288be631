// The 22 x 22 symbol icons kept in the 264-byte icon field (SymIcon) of a symbol record, in
// their two stored forms:
//  - plain: 4 bits a pixel into a fixed 16-colour palette, 12 bytes a row (the 12th unused),
//    stored row 0 = bottom row of the picture, high nibble = left pixel of each pair;
//  - compressed (CompressedIconFlag in SymFlags): colour-cube indices, LZW-packed (GIF form,
//    code size 8) from field byte 16 on, stored row 0 first. Only maps of format 8 or later
//    read it.
//
// Decoded icons are QImages of 22 x 22 pixels in Format_RGB32, top row first (y = 0 is the
// top of the picture), ready to be drawn by a widget or painted on by the icon editor; the
// bottom-up order of the stored rows is the codec's business only.
#pragma once

#include "symbols/store/SymbolLayout.h"

#include <QImage>
#include <QRgb>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zemo {

inline constexpr int IconSize = 22;
inline constexpr int IconPixels = IconSize * IconSize;
inline constexpr size_t IconRowBytes = 12;      // plain form
inline constexpr size_t IconStreamStart = 16;   // compressed form: first stream byte
inline constexpr size_t IconStreamLimit = IconFieldBytes - IconStreamStart; // 248 bytes
inline constexpr int CompressedIconVersion = 8;     // first map format that reads it

using IconField = std::span<uint8_t, IconFieldBytes>;

// ---- Colour mappings (also for export writers) ----

// The standard 16-colour palette of the plain form.
extern const std::array<QRgb, 16> IconPalette;
// Palette entry; an index of 16 or more is white.
QRgb PaletteColor(int index);
// Nearest entry by |dR| + |dG| + |dB|; the first of equally near entries wins.
int NearestPaletteIndex(QRgb pixel);

// Colour-cube index 25 x level(red) + 5 x level(green) + level(blue), level(c) = (c + 32) >> 6.
int CubeIndex(QRgb pixel);
// Each level x 64, capped at 255; an index outside 0..124 is white.
QRgb CubeColor(int index);

// A white 22 x 22 Format_RGB32 image.
QImage BlankIcon();

// ---- The icon field ----

enum class IconDecodeResult {
    Complete, // every pixel came from the field
    Damaged,  // the field ended, or its stream broke off, before the last pixel: the pixels
              // decoded up to there are kept, the rest are white
    Skipped,  // nothing decoded (DecodeSymbolIcon while the icon editor owns the work bitmap)
};

// Decodes an icon field into `image` (made a 22 x 22 RGB32 image first). A field shorter
// than 264 bytes is decoded as far as it goes and reported damaged.
IconDecodeResult DecodeIconField(std::span<const uint8_t> field, bool compressed, QImage& image);

enum class IconForm { Plain, Compressed };

// Encodes `image` into the field. The compressed form is written only when asked for and
// when its whole stream fits in the field; otherwise the plain form is written. Returns the
// form written. Bytes the form does not use are left as they are. Pixels outside a smaller
// image count as white.
IconForm EncodeIconField(const QImage& image, bool compressed, IconField field);

// The same on a symbol record's icon and flag bit 1. A record too short to hold the whole
// field decodes as far as its bytes go (damaged) and is not written (false).
IconDecodeResult DecodeRecordIcon(std::span<const uint8_t> record, QImage& image);
bool EncodeRecordIcon(const QImage& image, std::span<uint8_t> record, int formatVersion);

// Paints the grey (128,128,128) corner mark: the top row's 7 rightmost pixels, one fewer in
// each row below, down to 1 pixel in the seventh row.
void MarkIconCorner(QImage& image);

// ---- The process-wide work bitmap ----

// The symbol box, the icon editor and the output layer's icon builder share one bitmap.
struct IconCodecState {
    QImage WorkBitmap = BlankIcon();
    bool EditorOpen = false; // the icon editor owns the work bitmap: decoding leaves it alone
};
IconCodecState& IconCodec();
void ResetIconCodec();

// Fills the work bitmap from the record's icon (Skipped while the editor is open).
IconDecodeResult DecodeSymbolIcon(std::span<const uint8_t> record);
// Writes the work bitmap into the record's icon in the form the map's format version calls
// for (a compressed icon that does not fit becomes plain) and sets or clears flag bit 1.
bool EncodeSymbolIcon(std::span<uint8_t> record, int formatVersion);
// MarkIconCorner on the work bitmap.
void MarkIconCorner();

} // namespace zemo
