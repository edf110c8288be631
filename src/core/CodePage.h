// 8-bit Windows code pages of map-file texts, converted through our own tables.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

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

// The code page number that stands for UTF-8.
inline constexpr int CodePageUtf8 = 65001;

// A code page named by another program ("CP932", "Shift_JIS", "ANSI 1251", "ISO-8859-5",
// "UTF-8", "88591"): its number, or 0 when the name gives none.
int CodePageOfName(const QByteArray& Name);

// Text of another program's files in its code page: through our own tables where we have one,
// UTF-8 by Qt, any other (the double-byte East Asian pages among them) through the system's
// converters. Valid() is false when none of them knows the code page, or when the system's
// converter would not keep ASCII as it is (EBCDIC, shifting encodings).
class CodePageConverter {
public:
    explicit CodePageConverter(int CodePage = 1252);
    bool Valid() const { return valid_; }
    int CodePage() const { return codePage_; }
    // Bytes that are no character of the code page read as U+FFFD each.
    QString Decode(const char* Data, qsizetype Size) const;
    // A character without bytes in the code page becomes "?" and *Lossless false. With MaxBytes
    // at 0 or more, encoding stops before the first character whose bytes would not all fit.
    QByteArray Encode(const QString& Text, bool* Lossless = nullptr, qsizetype MaxBytes = -1) const;

private:
    struct System;
    int codePage_ = 1252;
    bool valid_ = true;
    std::shared_ptr<System> system_;
};

} // namespace zemo
