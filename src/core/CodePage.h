// 8-bit Windows code pages of map-file texts, converted through our own tables.
#pragma once

#include <QByteArray>
#include <QString>

namespace zemo {

// Code pages with a table: 874, 1250 to 1258, and the OEM pages 437, 850, 852 and 866.
// Code page 0 means the default (1252); any other unsupported code page is also treated
// as 1252.
bool IsCodePageSupported(int CodePage);

// Bytes to text. Every byte maps to exactly one character: bytes a code page leaves
// undefined map to U+0080..U+009F (same value as the byte) in the C1 range and to
// U+F700 + byte above it, so that decoding and encoding again gives the same bytes.
QString DecodeCodePage(int CodePage, const QByteArray& Bytes);
QString DecodeCodePage(int CodePage, const char* Data, qsizetype Size);
// Text to bytes; a character without a byte in the code page becomes "?" (one per code
// point, surrogate pairs included) and *Lossless is set to false (true otherwise).
QByteArray EncodeCodePage(int CodePage, const QString& Text, bool* Lossless = nullptr);
// The character of one byte.
char16_t CodePageChar(int CodePage, unsigned char Byte);

// Windows character-set numbers (the font charset of a text symbol) to a code page:
// 0 ANSI, 1 default, 2 symbol -> 1252; 238 East Europe -> 1250; 204 Russian -> 1251;
// 161 Greek -> 1253; 162 Turkish -> 1254; 177 Hebrew -> 1255; 178 Arabic -> 1256;
// 186 Baltic -> 1257; 163 Vietnamese -> 1258; 222 Thai -> 874; 255 OEM -> 437.
// Others (the multi-byte East Asian sets) give 0.
int CodePageOfCharset(int Charset);

} // namespace zemo
