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

const int kCodePages[] = {437, 850, 852, 866, 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

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

// Bytes to text and back: the euro sign, letters, undefined positions (their own value in
// the C1 range, private use above), unsupported code pages (read as 1252).
TEST(CodePage, DecodeAndEncodeRows)
{
    struct Row {
        int cp;
        QByteArray bytes;
        QString text;
    };
    const Row both[] = {
        {1252, "\x80 12", QString::fromUtf8("\u20ac 12")},
        {0, "\x80", QString(QChar(0x20AC))},  // code page 0 is the default, 1252
        {1250, "\x8A\x9A\xA5\xB9\xC8\xE8\xD8\xF8\xA3\xB3", QString::fromUtf8("ŠšĄąČčŘřŁł")},
        {1250, "\xAF\xF3\xB3w", QString::fromUtf8("Żółw")},
        {1251, "\xCC\xEE\xF1\xEA\xE2\xE0 \xA8\xB8\xAA\xBA", QString::fromUtf8("Москва ЁёЄє")},
        {1251, "\xDF\xF1\xED\xEE", QString::fromUtf8("Ясно")},
        {1253, "\xC1\xE1", QString::fromUtf8("Αα")},
        {1252, "\x81\x8D\x8F\x90\x9D", QString::fromUtf8("\u0081\u008d\u008f\u0090\u009d")},
        {1250, "\x81\x83\x88\x90\x98", QString::fromUtf8("\u0081\u0083\u0088\u0090\u0098")},
        {1251, "\x98", QString::fromUtf8("\u0098")},
        {1253, "\xAA", QString(QChar(0xF7AA))},
        {1251, "\x88", QString(QChar(0x20AC))},  // the euro sign elsewhere
        {1250, "\x80", QString(QChar(0x20AC))},
    };
    for (const Row& r : both) {
        EXPECT_EQ(DecodeCodePage(r.cp, r.bytes), r.text) << r.cp << " " << r.bytes.toHex().toStdString();
        bool lossless = false;
        EXPECT_EQ(EncodeCodePage(r.cp, r.text, &lossless), r.bytes) << r.cp << " " << r.text.toStdString();
        EXPECT_TRUE(lossless);
    }
    EXPECT_EQ(DecodeCodePage(932, QByteArray("\x80")), QString(QChar(0x20AC)));
    EXPECT_EQ(DecodeCodePage(1252, nullptr, 4), QString());

    // Unmappable characters become one question mark each: Cyrillic in 1252, CJK, an emoji
    // (a surrogate pair), lone surrogates, U+0080 (0x80 is the euro sign).
    const Row lossy[] = {
        {1252, "a?b?c?d", QString::fromUtf8("a\u0416b\u4e2dc\U0001F600d")},
        {1252, "?x?", QString(QChar(0xD800)) + QLatin1Char('x') + QChar(0xDC00)},
        {1252, "?", QString(QChar(0x80))},
    };
    for (const Row& r : lossy) {
        bool lossless = true;
        EXPECT_EQ(EncodeCodePage(r.cp, r.text, &lossless), r.bytes);
        EXPECT_FALSE(lossless);
    }
    bool lossless = false;
    EXPECT_EQ(EncodeCodePage(1252, QString(), &lossless), QByteArray());
    EXPECT_TRUE(lossless);
}

TEST(CodePage, CharsetNumbersSelectCodePages)
{
    const std::pair<int, int> rows[] = {{0, 1252},   {1, 1252},   {238, 1250}, {204, 1251},
                                        {161, 1253}, {162, 1254}, {186, 1257}, {222, 874},
                                        {128, 0} /* Shift-JIS: multi-byte, no table */, {-1, 0}};
    for (auto [charset, cp] : rows)
        EXPECT_EQ(CodePageOfCharset(charset), cp) << charset;
    EXPECT_FALSE(IsCodePageSupported(932));
}

// Names other programs give code pages, as a .cpg file holds them.
TEST(CodePage, NamesGiveTheirNumbers)
{
    const std::pair<const char*, int> rows[] = {
        {"CP932", 932},       {"Shift_JIS", 932},    {"SJIS", 932},        {"windows-31j", 932},
        {"GBK", 936},         {"GB2312", 936},       {"EUC-KR", 949},      {"Big5", 950},
        {"ANSI 1251", 1251},  {"OEM 866\r\n", 866},  {"Windows-1250", 1250}, {"IBM852", 852},
        {"1252", 1252},       {"ISO-8859-5", 28595}, {"8859-15", 28605},   {"88591", 28591},
        {"ISO8859-2", 28592}, {"KOI8-R", 20866},     {"UTF-8", CodePageUtf8}, {"utf8", CodePageUtf8},
        {"GB18030", 54936},   {"garbage", 0},        {"UTF-16", 0},        {"CP", 0},
        {"123456", 0},        {"", 0},               {"ISO-8859-99", 0},   {"CP932X", 0},
    };
    for (auto [name, cp] : rows)
        EXPECT_EQ(CodePageOfName(name), cp) << name;
}

// Double-byte East Asian code pages through the system's converters, the others through our
// tables and UTF-8, at literal bytes; a character a code page lacks is one "?"; an encoding
// held to a number of bytes never ends inside a character; bytes that are no character of the
// code page read as U+FFFD.
TEST(CodePage, ConvertersReadAndWriteOtherProgramsCodePages)
{
    struct Row {
        int cp;
        QByteArray bytes;
        QString text;
    };
    const Row both[] = {
        {932, "\x93\x8C\x8B\x9E\x95\x78\x8E\x6D\x8E\x52 \xB1", QString::fromUtf8("東京富士山 ｱ")},
        {936, "\xD6\xD0\xCE\xC4", QString::fromUtf8("中文")},
        {949, "\xC7\xD1\xB1\xB9", QString::fromUtf8("한국")},
        {950, "\xA5\x78\xA5\x5F", QString::fromUtf8("台北")},
        {1251, "\xCC\xEE\xF1\xEA\xE2\xE0", QString::fromUtf8("Москва")},
        {CodePageUtf8, "\xC5\x81\xC3\xB3\x64\xC5\xBA", QString::fromUtf8("Łódź")},
        {28595, "\xBC\xDE", QString::fromUtf8("Мо")},
    };
    for (const Row& r : both) {
        const CodePageConverter c(r.cp);
        ASSERT_TRUE(c.Valid()) << r.cp;
        EXPECT_EQ(c.CodePage(), r.cp);
        EXPECT_EQ(c.Decode(r.bytes.constData(), r.bytes.size()), r.text) << r.cp;
        bool lossless = false;
        EXPECT_EQ(c.Encode(r.text, &lossless), r.bytes) << r.cp;
        EXPECT_TRUE(lossless) << r.cp;
    }
    const CodePageConverter sjis(932);
    bool lossless = true;
    EXPECT_EQ(sjis.Encode(QString::fromUtf8("aŁ東\U0001F600b"), &lossless), QByteArray("a?\x93\x8C?b"));
    EXPECT_FALSE(lossless);
    // Held to a number of bytes: "a" and one two-byte character fit in 3 or 4 bytes, not in 2.
    struct Cut {
        int cp;
        QString text;
        int max;
        QByteArray bytes;
    };
    const Cut cuts[] = {
        {932, QString::fromUtf8("a東京"), 4, "a\x93\x8C"},
        {932, QString::fromUtf8("a東京"), 3, "a\x93\x8C"},
        {932, QString::fromUtf8("a東京"), 2, "a"},
        {932, QString::fromUtf8("a東京"), 5, "a\x93\x8C\x8B\x9E"},
        {932, QString::fromUtf8("a東京"), 0, ""},
        {CodePageUtf8, QString::fromUtf8("aŁó"), 4, "a\xC5\x81"},
        {CodePageUtf8, QString::fromUtf8("aŁó"), 5, "a\xC5\x81\xC3\xB3"},
        {1252, QString::fromUtf8("abcé"), 3, "abc"},
    };
    for (const Cut& c : cuts)
        EXPECT_EQ(CodePageConverter(c.cp).Encode(c.text, nullptr, c.max), c.bytes) << c.cp << " " << c.max;
    const std::pair<QByteArray, QString> damaged[] = {
        {"\x81 x", QString::fromUtf8("\uFFFD x")},
        {"x\x93", QString::fromUtf8("x\uFFFD")},
        {"\x93\x8C\xFD", QString::fromUtf8("東\uFFFD")},
    };
    for (const auto& [bytes, text] : damaged)
        EXPECT_EQ(sjis.Decode(bytes.constData(), bytes.size()), text) << bytes.toHex().toStdString();
    EXPECT_EQ(sjis.Decode(nullptr, 3), QString());
    // Code pages nobody converts, and converters that would change ASCII (EBCDIC).
    for (int cp : {99999, 37, 500, -1})
        EXPECT_FALSE(CodePageConverter(cp).Valid()) << cp;
    EXPECT_TRUE(CodePageConverter(0).Valid());
    EXPECT_EQ(CodePageConverter(0).CodePage(), 1252);
}
