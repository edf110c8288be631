// The font service checked against the bytes of the font files: names and fallbacks, faces,
// metrics, outlines, symbol character maps and collections.
#include "PlatformFixture.h"
#include "platform/Fonts.h"

#include <fontconfig/fontconfig.h>

namespace zemo {

// These tests measure installed fonts; scripts/install-deps installs them.
const char* const NeededFonts =
    "needs the Debian packages fonts-liberation2, fonts-dejavu-core and fonts-dejavu-extra";

// Big-endian fields of font data; 0 beyond its end.
static uint32_t U(const QByteArray& d, qsizetype at, int bytes = 2)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | (at >= 0 && at + bytes <= d.size() ? uint8_t(d[at + i]) : 0);
    return v;
}
static QByteArray Words(std::initializer_list<uint16_t> words)
{
    QByteArray b;
    for (uint16_t w : words)
        b.append(char(w >> 8)).append(char(w));
    return b;
}
static void Put32(QByteArray& d, qsizetype at, uint32_t v)
{
    d.replace(at, 4, Words({uint16_t(v >> 16), uint16_t(v)}));
}

// A table of a plain font file; empty when absent.
static QByteArray Table(const QByteArray& font, const char* tag)
{
    for (qsizetype rec = 12; rec < 12 + 16 * qsizetype(U(font, 4)); rec += 16)
        if (font.mid(rec, 4) == tag)
            return font.mid(U(font, rec + 8, 4), U(font, rec + 12, 4));
    return {};
}
static int Os2(const QByteArray& font, int at) { return int(U(Table(font, "OS/2"), at)); }
static int HmtxAdvance(const QByteArray& font, uint32_t glyph)
{
    return int(U(Table(font, "hmtx"), 4 * std::min(glyph, U(Table(font, "hhea"), 34) - 1)));
}

// The font's tables laid out again from file offset `base` on (where it sits in a collection), the
// table `tag` replaced by `with`.
static QByteArray Relaid(const QByteArray& font, qsizetype base, const char* tag = "",
                         const QByteArray& with = {})
{
    QByteArray dir = font.left(12 + 16 * qsizetype(U(font, 4))), data;
    for (qsizetype rec = 12; rec < dir.size(); rec += 16) {
        const QByteArray table =
            font.mid(rec, 4) == tag ? with : font.mid(U(font, rec + 8, 4), U(font, rec + 12, 4));
        Put32(dir, rec + 8, uint32_t(base + dir.size() + data.size()));
        Put32(dir, rec + 12, uint32_t(table.size()));
        data += table + QByteArray(-table.size() & 3, '\0');
    }
    return dir + data;
}

// How a request was met, in one line: "<match> <family> <face> for <requested>".
static std::string Met(const ResolvedFont& r)
{
    const char* matches[] = {"none", "name", "alias", "default", "first", "file"};
    return std::string(matches[int(r.match)]) + " " + r.family.toStdString()
        + (r.bold ? " bold" : "") + (r.italic ? " italic" : "") + (r.syntheticBold ? " +bold" : "")
        + (r.syntheticItalic ? " +italic" : "") + " for " + r.requestedFamily.toStdString();
}
static std::string Face(bool bold, bool italic)
{
    return std::string(bold ? " bold" : "") + (italic ? " italic" : "");
}

class Fonts : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        sans = Find("Liberation Sans");
        ASSERT_EQ(sans.match, FontMatch::Name) << NeededFonts;
        sansFile = ReadFile(sans.filePath);
    }
    ResolvedFont Find(const std::string& name, bool bold = false, bool italic = false)
    { return service.FindFont(QString::fromStdString(name), bold, italic); }

    FontService service;
    ResolvedFont sans;
    QByteArray sansFile;
};

TEST_F(Fonts, WindowsNamesResolveToMetricCompatibleFontsWithTheFileMetrics)
{
    if (service.HasFamily(QStringLiteral("Arial")))
        GTEST_SKIP() << "Arial itself is installed";
    const std::pair<std::string, std::string> pairs[] = {
        {"Arial", "Liberation Sans"}, {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"}, {"helvetica", "Liberation Sans"},
        {"TIMES", "Liberation Serif"}, {"Tahoma", "DejaVu Sans"}, {"Verdana", "DejaVu Sans"}};
    for (const auto& [windows, free] : pairs)
        EXPECT_TRUE(service.HasFamily(QString::fromStdString(windows))
                    || Met(Find(windows)) == "alias " + free + " for " + windows)
            << Met(Find(windows)) << "; " << NeededFonts;
    // Liberation Sans keeps Arial's vertical metrics, read from its tables.
    const ResolvedFont arial = Find("Arial");
    EXPECT_EQ(arial.filePath, sans.filePath);
    EXPECT_EQ((std::array{arial.unitsPerEm, arial.winAscent, arial.winDescent,
                          arial.internalLeading, arial.capHeight}),
              (std::array{2048, 1854, 434, 240, int(int16_t(Os2(sansFile, 88)))}));
    EXPECT_NEAR(arial.capHeight, arial.BlackBox(U'H').yMax, 2);
}

TEST_F(Fonts, WeightAndSlantChooseTheFace)
{
    for (std::string family : {"Liberation Sans", "Liberation Serif", "DejaVu Sans"})
        for (int style = 0; style < 4; ++style) {
            const bool bold = style & 1, italic = style & 2;
            const ResolvedFont r = Find(family, bold, italic);
            EXPECT_EQ(Met(r), "name " + family + Face(bold, italic) + " for " + family)
                << NeededFonts;
            // The file's own word: italic (bit 0) or oblique (9), bold (5).
            const int selection = Os2(ReadFile(r.filePath), 62);
            EXPECT_TRUE(((selection & 0x201) != 0) == italic && ((selection & 0x20) != 0) == bold)
                << family << style;
        }
    // The weight threshold as the text code applies it.
    EXPECT_TRUE(!Find("Arial", IsBoldWeight(550)).bold && Find("Arial", IsBoldWeight(551)).bold);
    // A narrower family of its own is chosen by its name; a missing slanted face is made up.
    const ResolvedFont narrow = Find("DejaVu Sans Condensed", true);
    EXPECT_EQ(Met(narrow), "name DejaVu Sans Condensed bold for DejaVu Sans Condensed")
        << NeededFonts;
    EXPECT_LT(Os2(ReadFile(narrow.filePath), 6), 5);
    EXPECT_EQ(Met(Find("DejaVu Math TeX Gyre", false, true)),
              "name DejaVu Math TeX Gyre +italic for DejaVu Math TeX Gyre");
}

TEST_F(Fonts, MissingFamiliesFallBackToTheDefaultThenToTheFirstFamily)
{
    // Symbol families have no substitute: they fall back like any other name, to a text face.
    for (std::string missing : {"No Such Family 4711", "", "Wingdings", "Symbol", "Arial Narrow"}) {
        const QString name = QString::fromStdString(missing);
        if (service.HasFamily(name) || service.HasFamily(FontService::SubstituteFamily(name)))
            continue;
        for (int style = 0; style < 4; ++style) {
            const ResolvedFont r = Find(missing, style & 1, style & 2),
                               arial = Find("Arial", style & 1, style & 2);
            EXPECT_EQ(Met(r), "default " + arial.family.toStdString() + Face(style & 1, style & 2)
                                  + " for " + missing);
            EXPECT_TRUE(r.filePath == arial.filePath && !r.symbol) << missing;
        }
    }
    // With DejaVu alone there is no default family, so the first family is used; with no fonts at
    // all the result is invalid rather than a crash.
    const QByteArray dejavu =
        QFile::encodeName(QFileInfo(Find("DejaVu Sans").filePath).absolutePath());
    FcConfig* saved = FcConfigReference(nullptr);
    for (bool empty : {false, true}) {
        FcConfig* config = FcConfigCreate();
        ASSERT_TRUE(
            empty
            || FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(dejavu.constData())));
        ASSERT_TRUE(FcConfigSetCurrent(config));
        FcConfigDestroy(config);
        FontService local;
        const ResolvedFont r = local.FindFont(QStringLiteral("Arial"), false, false);
        EXPECT_FALSE(local.HasFamily(QStringLiteral("Liberation Sans")));
        EXPECT_EQ(Met(r),
                  empty ? "none  for Arial"
                        : "first " + local.FontList().value(0).toStdString() + " for Arial");
        EXPECT_EQ(r.IsValid(), !empty);
        EXPECT_TRUE(
            !empty
            || (r.Advance(U'A') == 0 && r.Contours(U'A').empty() && !r.RawFont(12).isValid()));
    }
    FcConfigSetCurrent(saved);
    FcConfigDestroy(saved);
}

TEST_F(Fonts, SymbolFontsFindCodesAtF000PlusTheCodeAndCoverNoCodePage)
{
    // A character map of the Windows symbol encoding alone: 'A' at glyph 500, U+F020..U+F100 at
    // glyph (code - 0xF000 + 3).
    const QByteArray cmap = Words({
        0, 1, 3, 0, 0, 12,                              // one map: Windows, symbol
        4, 40, 0, 6, 4, 1, 2,                           // format 4, three segments
        0x41, 0xF100, 0xFFFF, 0, 0x41, 0xF020, 0xFFFF,  // ends, pad, starts
        500 - 0x41, uint16_t(3 - 0xF000), 1, 0, 0, 0}); // deltas, no range offsets
    WriteFile(Path("symbol.ttf"), Relaid(sansFile, 0, "cmap", cmap));
    const ResolvedFont sym = service.OpenFile(Path("symbol.ttf"));
    ASSERT_TRUE(sym.IsValid() && sym.symbol && sym.CodePages().empty());
    // A code the map holds itself wins; codes 0x20..0xFF are also looked for at U+F000 + code.
    const std::pair<char32_t, uint32_t> codes[] = {
        {U'A', 500}, {0x20, 0x23}, {0x7F, 0x82}, {0x80, 0x83}, {0xFF, 0x102}, {0x1F, 0},
        {0x100, 0}, {0xF041, 0x44}, {0x10041, 0}};
    for (const auto& [ch, glyph] : codes)
        EXPECT_TRUE(sym.GlyphIndex(ch) == glyph && sym.Advance(ch) == HmtxAdvance(sansFile, glyph))
            << std::hex << uint32_t(ch);

    // A text font lists the code pages of its bits, 1252 first.
    const uint32_t bits = U(Table(sansFile, "OS/2"), 78, 4);
    std::vector<int> pages;
    for (auto [bit, page] : {std::pair{0, 1252}, {1, 1250}, {2, 1251}, {3, 1253}, {4, 1254},
                             {5, 1255}, {6, 1256}, {7, 1257}, {8, 1258}, {16, 874}})
        pages.insert(pages.end(), bits >> bit & 1, page);
    EXPECT_EQ(sans.CodePages(), pages);
    EXPECT_TRUE(!sans.symbol && pages.at(0) == 1252);
}

TEST_F(Fonts, AdvancesComeFromTheHorizontalMetricsMissingCharactersAsTheBox)
{
    const QRawFont qt(sansFile, 12);
    for (char32_t ch : {U'W', U'i', U'M', U' ', U'8', U'\u00E9', U'\u20AC'}) {
        const uint32_t glyph = sans.GlyphIndex(ch);
        EXPECT_TRUE(glyph != 0
                    && qt.glyphIndexesForString(QString::fromUcs4(&ch, 1)).value(0) == glyph)
            << int(ch);
        EXPECT_EQ(sans.Advance(ch), HmtxAdvance(sansFile, glyph)) << int(ch);
    }
    EXPECT_EQ(sans.Advance(U'M'), 1706); // Arial's M
    // A blank has an advance and no outline.
    EXPECT_TRUE(sans.Advance(U' ') > 0 && sans.Contours(U' ').empty()
                && sans.Outline(U' ').isEmpty() && sans.BlackBox(U' ').empty);
    for (char32_t ch : {char32_t(0x10FFFD), char32_t(0x110000), char32_t(0xFFFFFFFF)})
        EXPECT_TRUE(!sans.HasChar(ch) && sans.Advance(ch) == HmtxAdvance(sansFile, 0) &&
                    sans.Contours(ch).size() == sans.GlyphContours(0).size()) << uint32_t(ch);
    const uint32_t beyond = uint32_t(sans.glyphCount);
    EXPECT_TRUE(sans.GlyphAdvance(beyond) == 0 && sans.GlyphContours(beyond).empty()
                && sans.GlyphBlackBox(UINT32_MAX).empty);
}

TEST_F(Fonts, GlyphOutlinesAreClosedContoursInDesignUnitsAsQtDrawsThem)
{
    // At a pixel size of one em Qt's paths are in design units, y down. Areas are signed, so a
    // contour turned the wrong way shows.
    const auto area = [](const QPainterPath& path) {
        double a = 0;
        for (const QPolygonF& ring : path.toSubpathPolygons())
            for (qsizetype i = 0; i < ring.size(); ++i)
                a += ring[i].x() * ring[(i + 1) % ring.size()].y()
                    - ring[(i + 1) % ring.size()].x() * ring[i].y();
        return a / 2;
    };
    for (const char* family : {"Liberation Sans", "DejaVu Sans"}) {
        const ResolvedFont f = Find(family);
        ASSERT_EQ(f.match, FontMatch::Name) << NeededFonts;
        const QRawFont qt(ReadFile(f.filePath), f.unitsPerEm, QFont::PreferNoHinting);
        for (char32_t ch : {U'O', U'o', U'S', U'&', U'@', U'8', U'g', U'\u00C5'}) {
            SCOPED_TRACE(testing::Message() << family << " " << int(ch));
            for (const OutlineContour& c : f.Contours(ch))
                EXPECT_EQ(c.segments.at(c.segments.size() - 1).to, c.start);
            const QPainterPath ours = f.Outline(ch);
            const QPainterPath theirs =
                QTransform(1, 0, 0, -1, 0, 0).map(qt.pathForGlyph(f.GlyphIndex(ch)));
            const GlyphBox box = f.BlackBox(ch);
            const QRectF a = ours.boundingRect(), b = theirs.boundingRect(),
                         c(QPointF(box.xMin, box.yMin), QPointF(box.xMax, box.yMax));
            for (const QRectF& r : {b, c})
                EXPECT_LE(
                    std::max({std::abs(a.left() - r.left()), std::abs(a.right() - r.right()),
                              std::abs(a.top() - r.top()), std::abs(a.bottom() - r.bottom())}),
                    1.5);
            EXPECT_NEAR(area(ours), area(theirs), std::abs(area(theirs)) * 0.01);
        }
        // "O" is a ring and a hole sitting on the baseline (overshoot aside).
        EXPECT_EQ(f.Contours(U'O').size(), 2u);
        EXPECT_LT(std::abs(f.BlackBox(U'O').yMin), f.unitsPerEm / 20);
    }
}

TEST_F(Fonts, FontListHoldsTrueTypeFamiliesOnceSorted)
{
    const QStringList& list = service.FontList();
    ASSERT_TRUE(list.contains(QStringLiteral("DejaVu Sans"))) << NeededFonts;
    EXPECT_TRUE(service.HasFamily(QStringLiteral("liberation sans"))
                && !service.HasFamily(QStringLiteral("No Such Family 4711")));
    for (qsizetype i = 0; i < list.size(); ++i) {
        EXPECT_TRUE(i == 0 || QString::compare(list[i - 1], list[i], Qt::CaseInsensitive) < 0)
            << list[i].toStdString();
        EXPECT_EQ(service.FindFont(list[i], false, false).match, FontMatch::Name)
            << list[i].toStdString();
    }
}

TEST_F(Fonts, RawFontsDrawTheSameFaceAndResolvedFontsOutliveTheService)
{
    const QRawFont raw = sans.RawFont(20);
    EXPECT_EQ(raw.familyName(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(raw.glyphIndexesForString(QStringLiteral("W")).value(0), sans.GlyphIndex(U'W'));
    // Copies are independent.
    EXPECT_TRUE(sans.RawFont(7.5).pixelSize() == 7.5 && raw.pixelSize() == 20);
    for (double size : {0.0, -3.0, std::nan("")})
        EXPECT_FALSE(sans.RawFont(size).isValid()) << size;
    auto local = std::make_unique<FontService>();
    const ResolvedFont kept = local->FindFont(QStringLiteral("Liberation Serif"), true, false);
    local->Reset();
    EXPECT_TRUE(local->FindFont(QStringLiteral("Liberation Serif"), true, false).IsValid());
    local.reset();
    EXPECT_EQ(kept.Contours(U'O').size(), 2u);
    FontService::Instance().FindFont(QStringLiteral("Arial"), false, false);
    FontService::ResetInstance();
    EXPECT_TRUE(FontService::Instance().FindFont(QStringLiteral("Arial"), false, false).IsValid());
}

TEST_F(Fonts, FacesOfCollectionsAreOpenedAndCopiedOut)
{
    // A collection of Liberation Sans and Serif, each directory followed by its own tables.
    const ResolvedFont serif = Find("Liberation Serif");
    const QByteArray serifFile = ReadFile(serif.filePath);
    QByteArray ttc = "ttcf" + Words({1, 0, 0, 2, 0, 0, 0, 0});
    for (const QByteArray& face : {sansFile, serifFile}) {
        Put32(ttc, ttc.size() > 20 ? 16 : 12, uint32_t(ttc.size()));
        ttc += Relaid(face, ttc.size());
    }
    WriteFile(Path("pair.ttc"), ttc);
    const ResolvedFont second = service.OpenFile(Path("pair.ttc"), 1);
    EXPECT_EQ(Met(second), "file Liberation Serif for Liberation Serif");
    EXPECT_EQ(Met(service.OpenFile(Path("pair.ttc"), 0)),
              "file Liberation Sans for Liberation Sans");
    EXPECT_TRUE(second.winAscent == serif.winAscent && second.Advance(U'W') == serif.Advance(U'W'));
    EXPECT_FALSE(service.OpenFile(Path("pair.ttc"), 2).IsValid()
                 || service.OpenFile(Path("none.ttf")).IsValid());
    const QRawFont raw = second.RawFont(16);
    EXPECT_TRUE(raw.familyName() == "Liberation Serif"
                && raw.glyphIndexesForString("W").value(0) == second.GlyphIndex(U'W'));

    // The copied-out face is a font file of its own with every table of the original.
    const QByteArray copy = ExtractFontFace(ttc, 1);
    for (const char* tag : {"head", "OS/2", "hhea", "hmtx", "cmap", "glyf", "loca"})
        EXPECT_EQ(Table(copy, tag), Table(serifFile, tag)) << tag;
    EXPECT_EQ(ExtractFontFace(sansFile, 0), sansFile);
    // Faces that do not exist; directories that point outside the file or claim more than it holds
    // (every record naming one large table would copy it over and over).
    const qsizetype dir1 = U(ttc, 16, 4);
    QByteArray longTable = ttc, repeated = ttc;
    longTable[dir1 + 12 + 12] = char(0x7F);
    for (qsizetype rec = dir1 + 12; rec < dir1 + 12 + 16 * qsizetype(U(ttc, dir1 + 4)); rec += 16) {
        Put32(repeated, rec + 8, 0);
        Put32(repeated, rec + 12, uint32_t(ttc.size() / 2));
    }
    const std::pair<QByteArray, int> bad[] = {{sansFile, 1}, {ttc, 2}, {ttc, -1},
                                              {ttc.left(ttc.size() / 2), 1}, {ttc.left(14), 0},
                                              {longTable, 1}, {repeated, 1}};
    for (size_t i = 0; i < std::size(bad); ++i)
        EXPECT_TRUE(ExtractFontFace(bad[i].first, bad[i].second).isEmpty()) << i;
}

} // namespace zemo
