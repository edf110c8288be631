#include "core/CodePage.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace zemo;

namespace {

QByteArray allBytes()
{
    QByteArray b(256, '\0');
    for (int i = 0; i < 256; ++i)
        b[i] = char(i);
    return b;
}

const int kCodePages[] = {437, 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

} // namespace

TEST(CodePage, Cp1252UpperControlRangeMatchesTheWindowsTable)
{
    // 0x80 to 0x9F, written out independently of the table in the code.
    const char16_t expected[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int b = 0x80; b < 0xA0; ++b)
        EXPECT_EQ(CodePageChar(1252, uchar(b)), expected[b - 0x80]) << std::hex << b;
    // Latin-1 above, ASCII below.
    for (int b = 0; b < 0x80; ++b)
        EXPECT_EQ(CodePageChar(1252, uchar(b)), char16_t(b));
    for (int b = 0xA0; b < 0x100; ++b)
        EXPECT_EQ(CodePageChar(1252, uchar(b)), char16_t(b));
}

TEST(CodePage, Cp1252EuroSignBothWays)
{
    EXPECT_EQ(DecodeCodePage(1252, QByteArray("\x80 12")), QString::fromUtf8("\u20ac 12"));
    bool lossless = false;
    EXPECT_EQ(EncodeCodePage(1252, QString::fromUtf8("12 \u20ac"), &lossless), QByteArray("12 \x80"));
    EXPECT_TRUE(lossless);
    // Code page 0 is the default, 1252.
    EXPECT_EQ(DecodeCodePage(0, QByteArray("\x80")), QString(QChar(0x20AC)));
}

TEST(CodePage, EveryTableRoundTripsAll256Bytes)
{
    const QByteArray bytes = allBytes();
    for (int cp : kCodePages) {
        ASSERT_TRUE(IsCodePageSupported(cp)) << cp;
        const QString text = DecodeCodePage(cp, bytes);
        ASSERT_EQ(text.size(), 256) << cp;
        // Every byte gets its own character.
        QSet<char16_t> seen;
        for (QChar c : text)
            seen.insert(c.unicode());
        EXPECT_EQ(seen.size(), 256) << cp;
        bool lossless = false;
        EXPECT_EQ(EncodeCodePage(cp, text, &lossless), bytes) << cp;
        EXPECT_TRUE(lossless) << cp;
    }
}

TEST(CodePage, UndefinedPositionsKeepTheirByteValue)
{
    for (uchar b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(CodePageChar(1252, b), char16_t(b));
    for (uchar b : {0x81, 0x83, 0x88, 0x90, 0x98})
        EXPECT_EQ(CodePageChar(1250, b), char16_t(b));
    EXPECT_EQ(CodePageChar(1251, 0x98), char16_t(0x98));
    // Above the C1 range an undefined byte goes to the private-use area.
    EXPECT_EQ(CodePageChar(1253, 0xAA), char16_t(0xF7AA));
    EXPECT_EQ(EncodeCodePage(1253, QString(QChar(0xF7AA))), QByteArray("\xAA"));
}

TEST(CodePage, EastEuropeanAndCyrillicLetters)
{
    // Czech and Polish letters in 1250.
    EXPECT_EQ(DecodeCodePage(1250, QByteArray("\x8A\x9A\xA5\xB9\xC8\xE8\xD8\xF8\xA3\xB3")),
              QString::fromUtf8("ŠšĄąČčŘřŁł"));
    EXPECT_EQ(EncodeCodePage(1250, QString::fromUtf8("Żółw")), QByteArray("\xAF\xF3\xB3w"));
    // Russian and Ukrainian letters in 1251.
    EXPECT_EQ(DecodeCodePage(1251, QByteArray("\xCC\xEE\xF1\xEA\xE2\xE0 \xA8\xB8\xAA\xBA")),
              QString::fromUtf8("Москва ЁёЄє"));
    EXPECT_EQ(EncodeCodePage(1251, QString::fromUtf8("Ясно")), QByteArray("\xDF\xF1\xED\xEE"));
    EXPECT_EQ(DecodeCodePage(1253, QByteArray("\xC1\xE1")), QString::fromUtf8("Αα"));
}

TEST(CodePage, UnmappableCharactersBecomeOneQuestionMarkEach)
{
    bool lossless = true;
    // Cyrillic in 1252, a CJK character and an emoji (surrogate pair).
    const QString text = QString::fromUtf8("a\u0416b\u4e2dc\U0001F600d");
    EXPECT_EQ(EncodeCodePage(1252, text, &lossless), QByteArray("a?b?c?d"));
    EXPECT_FALSE(lossless);
    // A lone surrogate is one character too.
    const QString lone = QString(QChar(0xD800)) + QLatin1Char('x') + QChar(0xDC00);
    EXPECT_EQ(EncodeCodePage(1252, lone, &lossless), QByteArray("?x?"));
    // The euro sign of 1252 sits at 0x88 in 1251 and at 0x80 in 1250.
    EXPECT_EQ(EncodeCodePage(1251, QString(QChar(0x20AC)), &lossless), QByteArray("\x88"));
    EXPECT_TRUE(lossless);
    EXPECT_EQ(EncodeCodePage(1250, QString(QChar(0x20AC))), QByteArray("\x80"));
    // U+0080 has no byte in 1252 (0x80 is the euro sign).
    EXPECT_EQ(EncodeCodePage(1252, QString(QChar(0x80)), &lossless), QByteArray("?"));
    EXPECT_FALSE(lossless);
    EXPECT_EQ(EncodeCodePage(1252, QString(), &lossless), QByteArray());
    EXPECT_TRUE(lossless);
}

TEST(CodePage, CharsetNumbersSelectCodePages)
{
    EXPECT_EQ(CodePageOfCharset(0), 1252);
    EXPECT_EQ(CodePageOfCharset(1), 1252);
    EXPECT_EQ(CodePageOfCharset(238), 1250);
    EXPECT_EQ(CodePageOfCharset(204), 1251);
    EXPECT_EQ(CodePageOfCharset(161), 1253);
    EXPECT_EQ(CodePageOfCharset(162), 1254);
    EXPECT_EQ(CodePageOfCharset(186), 1257);
    EXPECT_EQ(CodePageOfCharset(222), 874);
    EXPECT_EQ(CodePageOfCharset(128), 0); // Shift-JIS: multi-byte, no table
    EXPECT_EQ(CodePageOfCharset(-1), 0);
    EXPECT_FALSE(IsCodePageSupported(932));
    // An unsupported code page reads as 1252 rather than failing.
    EXPECT_EQ(DecodeCodePage(932, QByteArray("\x80")), QString(QChar(0x20AC)));
    EXPECT_EQ(DecodeCodePage(1252, nullptr, 4), QString());
}
