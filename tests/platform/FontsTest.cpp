#include "platform/Fonts.h"

#include <QFile>
#include <QTemporaryDir>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zemo {
namespace {

// ---- Reading the font files ourselves, so that metrics are checked against the bytes ----

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

uint32_t U32(const QByteArray& d, qsizetype at)
{
    if (at < 0 || at + 4 > d.size())
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(d.constData()) + at;
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}
uint16_t U16(const QByteArray& d, qsizetype at)
{
    if (at < 0 || at + 2 > d.size())
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(d.constData()) + at;
    return uint16_t(b[0] << 8 | b[1]);
}
int16_t S16(const QByteArray& d, qsizetype at) { return static_cast<int16_t>(U16(d, at)); }

// A table of a plain TrueType file; empty when absent.
QByteArray Table(const QByteArray& font, const char* tag)
{
    const int tables = U16(font, 4);
    for (int t = 0; t < tables; ++t) {
        const qsizetype rec = 12 + 16 * t;
        if (font.mid(rec, 4) == tag)
            return font.mid(U32(font, rec + 8), U32(font, rec + 12));
    }
    return QByteArray();
}

struct FileMetrics {
    int unitsPerEm = 0;
    int os2Version = 0;
    int winAscent = 0;
    int winDescent = 0;
    int capHeight = 0;
    int weightClass = 0;
    int widthClass = 0;
    int fsSelection = 0;
    uint32_t codePageRange1 = 0;
};

FileMetrics ParseMetrics(const QByteArray& font)
{
    FileMetrics m;
    const QByteArray head = Table(font, "head");
    const QByteArray os2 = Table(font, "OS/2");
    m.unitsPerEm = U16(head, 18);
    m.os2Version = U16(os2, 0);
    m.weightClass = U16(os2, 4);
    m.widthClass = U16(os2, 6);
    m.fsSelection = U16(os2, 62);
    m.winAscent = U16(os2, 74);
    m.winDescent = U16(os2, 76);
    m.codePageRange1 = U32(os2, 78);
    if (m.os2Version >= 2)
        m.capHeight = S16(os2, 88);
    return m;
}

// Advance width of a glyph from hhea/hmtx.
int HmtxAdvance(const QByteArray& font, uint32_t glyph)
{
    const int metrics = U16(Table(font, "hhea"), 34);
    const QByteArray hmtx = Table(font, "hmtx");
    return U16(hmtx, 4 * (glyph < uint32_t(metrics) ? glyph : metrics - 1));
}

// Signed area of a flattened ring (positive counter-clockwise with y up).
double SignedArea(const QPolygonF& ring)
{
    double a = 0;
    for (qsizetype i = 0; i < ring.size(); ++i) {
        const QPointF& p = ring[i];
        const QPointF& q = ring[(i + 1) % ring.size()];
        a += p.x() * q.y() - q.x() * p.y();
    }
    return a / 2;
}

QPainterPath ContourPath(const OutlineContour& c)
{
    QPainterPath path;
    path.moveTo(c.start);
    for (const OutlineSegment& s : c.segments) {
        if (s.kind == OutlineSegment::Kind::Line)
            path.lineTo(s.to);
        else if (s.kind == OutlineSegment::Kind::Quadratic)
            path.quadTo(s.c1, s.to);
        else
            path.cubicTo(s.c1, s.c2, s.to);
    }
    return path;
}

// A TrueType collection of the given plain fonts, each with its own copy of its tables.
QByteArray BuildCollection(const std::vector<QByteArray>& fonts)
{
    QByteArray out("ttcf");
    auto put32 = [](QByteArray& b, uint32_t v) {
        b.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
    };
    put32(out, 0x00010000);
    put32(out, uint32_t(fonts.size()));
    qsizetype pos = out.size() + 4 * qsizetype(fonts.size());
    std::vector<qsizetype> dirs;
    for (const QByteArray& f : fonts) {
        dirs.push_back(pos);
        put32(out, uint32_t(pos));
        pos += 12 + 16 * U16(f, 4);
    }
    QByteArray tables;
    QByteArray directories;
    for (const QByteArray& f : fonts) {
        const int n = U16(f, 4);
        QByteArray dir = f.left(12 + 16 * n);
        for (int t = 0; t < n; ++t) {
            const qsizetype rec = 12 + 16 * t;
            const uint32_t at = U32(f, rec + 8);
            const uint32_t length = U32(f, rec + 12);
            const uint32_t newAt = uint32_t(pos + tables.size());
            for (int k = 0; k < 4; ++k)
                dir[rec + 8 + k] = char(newAt >> (24 - 8 * k));
            tables.append(f.mid(at, length));
            while (tables.size() % 4)
                tables.append('\0');
        }
        directories.append(dir);
    }
    return out + directories + tables;
}

// These tests measure installed fonts; scripts/install-deps installs them.
const char* const NeededFonts =
    "needs the Debian packages fonts-liberation2, fonts-dejavu-core and fonts-dejavu-extra";

class Fonts : public ::testing::Test {
protected:
    void SetUp() override
    {
        sans = service.FindFont(QStringLiteral("Liberation Sans"), false, false);
        ASSERT_TRUE(sans.IsValid()) << NeededFonts;
        ASSERT_EQ(sans.match, FontMatch::Name) << NeededFonts;
        sansFile = ReadFile(sans.filePath);
        ASSERT_FALSE(sansFile.isEmpty());
    }

    FontService service;
    ResolvedFont sans;
    QByteArray sansFile;
};

TEST_F(Fonts, WindowsNamesResolveToMetricCompatibleFontsWithTheFileMetrics)
{
    if (service.HasFamily(QStringLiteral("Arial")))
        GTEST_SKIP() << "Arial itself is installed";
    const ResolvedFont arial = service.FindFont(QStringLiteral("Arial"), false, false);
    ASSERT_TRUE(arial.IsValid());
    EXPECT_EQ(arial.match, FontMatch::Alias);
    EXPECT_EQ(arial.requestedFamily, QStringLiteral("Arial"));
    EXPECT_EQ(arial.family, QStringLiteral("Liberation Sans"));
    EXPECT_EQ(arial.filePath, sans.filePath);

    const FileMetrics m = ParseMetrics(sansFile);
    EXPECT_EQ(arial.unitsPerEm, m.unitsPerEm);
    EXPECT_EQ(arial.winAscent, m.winAscent);
    EXPECT_EQ(arial.winDescent, m.winDescent);
    EXPECT_EQ(arial.internalLeading, m.winAscent + m.winDescent - m.unitsPerEm);
    // Liberation Sans keeps Arial's vertical metrics.
    EXPECT_EQ(arial.unitsPerEm, 2048);
    EXPECT_EQ(arial.winAscent, 1854);
    EXPECT_EQ(arial.winDescent, 434);
    EXPECT_EQ(arial.internalLeading, 240);
    if (m.os2Version >= 2 && m.capHeight > 0)
        EXPECT_EQ(arial.capHeight, m.capHeight);
    else
        EXPECT_EQ(arial.capHeight, arial.BlackBox(U'H').yMax);
    EXPECT_NEAR(arial.capHeight, arial.BlackBox(U'H').yMax, 2);

    const std::pair<const char*, const char*> pairs[] = {
        {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
        {"helvetica", "Liberation Sans"},        {"TIMES", "Liberation Serif"},
        {"Tahoma", "DejaVu Sans"},               {"Verdana", "DejaVu Sans"},
    };
    for (const auto& [windows, free] : pairs) {
        SCOPED_TRACE(windows);
        if (service.HasFamily(QString::fromLatin1(windows)))
            continue;
        const ResolvedFont r = service.FindFont(QString::fromLatin1(windows), false, false);
        EXPECT_EQ(r.match, FontMatch::Alias);
        EXPECT_EQ(r.family, QString::fromLatin1(free)) << NeededFonts;
        EXPECT_EQ(r.requestedFamily, QString::fromLatin1(windows));
        const FileMetrics fm = ParseMetrics(ReadFile(r.filePath));
        EXPECT_EQ(r.unitsPerEm, fm.unitsPerEm);
        EXPECT_EQ(r.winAscent, fm.winAscent);
        EXPECT_EQ(r.winDescent, fm.winDescent);
    }
}

TEST_F(Fonts, WeightAndSlantChooseTheFace)
{
    EXPECT_FALSE(IsBoldWeight(400));
    EXPECT_FALSE(IsBoldWeight(550));
    EXPECT_TRUE(IsBoldWeight(551));
    EXPECT_TRUE(IsBoldWeight(700));

    for (const char* family : {"Liberation Sans", "Liberation Serif", "DejaVu Sans"}) {
        for (int style = 0; style < 4; ++style) {
            const bool bold = style & 1;
            const bool italic = style & 2;
            SCOPED_TRACE(std::string(family) + (bold ? " bold" : "") + (italic ? " italic" : ""));
            const ResolvedFont r = service.FindFont(QString::fromLatin1(family), bold, italic);
            ASSERT_TRUE(r.IsValid()) << NeededFonts;
            ASSERT_EQ(r.match, FontMatch::Name) << NeededFonts;
            EXPECT_EQ(r.family, QString::fromLatin1(family));
            EXPECT_EQ(r.bold, bold);
            EXPECT_EQ(r.italic, italic);
            ASSERT_FALSE(r.syntheticBold) << NeededFonts;
            ASSERT_FALSE(r.syntheticItalic) << NeededFonts;
            // What the file itself says: fsSelection italic (0) or oblique (9), bold (5),
            // a normal width and, for the plain face, a normal weight.
            const FileMetrics m = ParseMetrics(ReadFile(r.filePath));
            EXPECT_EQ((m.fsSelection & 0x201) != 0, italic);
            EXPECT_EQ((m.fsSelection & 0x20) != 0, bold);
            EXPECT_EQ(m.widthClass, 5);
            EXPECT_EQ(m.weightClass >= 600, bold);
            if (!bold) {
                EXPECT_EQ(m.weightClass, 400);
            }
        }
    }

    // The weight threshold as the text code applies it.
    EXPECT_FALSE(service.FindFont(QStringLiteral("Arial"), IsBoldWeight(550), false).bold);
    EXPECT_TRUE(service.FindFont(QStringLiteral("Arial"), IsBoldWeight(551), false).bold);

    // A narrower family of its own is chosen by its name.
    const ResolvedFont c = service.FindFont(QStringLiteral("DejaVu Sans Condensed"), true, false);
    ASSERT_EQ(c.match, FontMatch::Name) << NeededFonts;
    EXPECT_TRUE(c.bold);
    EXPECT_LT(ParseMetrics(ReadFile(c.filePath)).widthClass, 5);
}

TEST_F(Fonts, UnknownFamiliesFallBackToTheDefaultThenToTheFirstFamily)
{
    const ResolvedFont unknown = service.FindFont(QStringLiteral("No Such Family 4711"), true, true);
    ASSERT_TRUE(unknown.IsValid());
    EXPECT_EQ(unknown.requestedFamily, QStringLiteral("No Such Family 4711"));
    EXPECT_EQ(unknown.match, FontMatch::DefaultFamily);
    const ResolvedFont arial = service.FindFont(QString::fromLatin1(DefaultFontFamily), true, true);
    EXPECT_EQ(unknown.filePath, arial.filePath);
    EXPECT_TRUE(unknown.bold);
    EXPECT_TRUE(unknown.italic);
    EXPECT_EQ(service.FindFont(QString(), false, false).match, FontMatch::DefaultFamily);

    // Without a substitute installed, a mapped name falls back like any other.
    if (!service.HasFamily(QStringLiteral("Arial Narrow")) &&
        !service.HasFamily(QStringLiteral("Liberation Sans Narrow"))) {
        const ResolvedFont narrow = service.FindFont(QStringLiteral("Arial Narrow"), false, false);
        EXPECT_EQ(narrow.match, FontMatch::DefaultFamily);
        EXPECT_EQ(narrow.requestedFamily, QStringLiteral("Arial Narrow"));
    }

    // A font configuration with DejaVu alone: no default family, so the first family is used;
    // with no fonts at all the result is invalid rather than a crash.
    const ResolvedFont dv = service.FindFont(QStringLiteral("DejaVu Sans"), false, false);
    ASSERT_EQ(dv.match, FontMatch::Name) << NeededFonts;
    const QString dir = QFileInfo(dv.filePath).absolutePath();
    FcConfig* saved = FcConfigReference(nullptr);
    ASSERT_NE(saved, nullptr);
    FcConfig* dejavu = FcConfigCreate();
    ASSERT_TRUE(FcConfigAppFontAddDir(dejavu, reinterpret_cast<const FcChar8*>(QFile::encodeName(dir).constData())));
    ASSERT_TRUE(FcConfigSetCurrent(dejavu));
    FcConfigDestroy(dejavu);
    {
        FontService local;
        ASSERT_FALSE(local.FontList().isEmpty());
        EXPECT_FALSE(local.HasFamily(QStringLiteral("Liberation Sans")));
        const ResolvedFont first = local.FindFont(QStringLiteral("Arial"), false, false);
        ASSERT_TRUE(first.IsValid());
        EXPECT_EQ(first.match, FontMatch::FirstFamily);
        EXPECT_EQ(first.family, local.FontList().first());
        EXPECT_EQ(first.requestedFamily, QStringLiteral("Arial"));
    }
    FcConfig* empty = FcConfigCreate();
    ASSERT_TRUE(FcConfigSetCurrent(empty));
    FcConfigDestroy(empty);
    {
        FontService local;
        EXPECT_TRUE(local.FontList().isEmpty());
        const ResolvedFont none = local.FindFont(QStringLiteral("Arial"), false, false);
        EXPECT_FALSE(none.IsValid());
        EXPECT_EQ(none.match, FontMatch::None);
        EXPECT_EQ(none.Advance(U'A'), 0);
        EXPECT_TRUE(none.Contours(U'A').empty());
        EXPECT_FALSE(none.RawFont(12).isValid());
    }
    FcConfigSetCurrent(saved);
    FcConfigDestroy(saved);
}

TEST_F(Fonts, AdvancesComeFromTheHorizontalMetrics)
{
    FT_Library lib = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face ft = nullptr;
    ASSERT_EQ(FT_New_Face(lib, QFile::encodeName(sans.filePath).constData(), sans.faceIndex, &ft), 0);
    const QRawFont qt(sansFile, 12);
    ASSERT_TRUE(qt.isValid());

    for (char32_t ch : {U'W', U'i', U'M', U' ', U'8', U'\u00E9', U'\u20AC'}) {
        SCOPED_TRACE(int(ch));
        const uint32_t glyph = sans.GlyphIndex(ch);
        ASSERT_NE(glyph, 0u);
        // Qt's own reading of the character map agrees.
        const QString text = QString::fromUcs4(&ch, 1);
        ASSERT_EQ(qt.glyphIndexesForString(text).value(0), glyph);
        EXPECT_TRUE(sans.HasChar(ch));
        EXPECT_EQ(sans.Advance(ch), HmtxAdvance(sansFile, glyph));
        ASSERT_EQ(FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE), 0);
        EXPECT_EQ(sans.Advance(ch), ft->glyph->metrics.horiAdvance);
    }
    EXPECT_GT(sans.Advance(U'W'), 2 * sans.Advance(U'i'));
    EXPECT_EQ(sans.Advance(U'M'), 1706);  // Arial's M
    FT_Done_Face(ft);
    FT_Done_FreeType(lib);
}

TEST_F(Fonts, GlyphOutlinesAreClosedContoursInDesignUnits)
{
    for (const char* family : {"Liberation Sans", "DejaVu Sans"}) {
        SCOPED_TRACE(family);
        const ResolvedFont f = service.FindFont(QString::fromLatin1(family), false, false);
        ASSERT_EQ(f.match, FontMatch::Name) << NeededFonts;
        const std::vector<OutlineContour> o = f.Contours(U'O');
        ASSERT_EQ(o.size(), 2u);
        for (const OutlineContour& c : o) {
            ASSERT_FALSE(c.segments.empty());
            EXPECT_EQ(c.segments.back().to, c.start);
        }
        // Contours come in the font's order (DejaVu has the hole first). The outer ring runs
        // clockwise with y up, the hole the other way, and lies inside.
        QPolygonF outer = ContourPath(o[0]).toFillPolygon();
        QPolygonF inner = ContourPath(o[1]).toFillPolygon();
        if (std::abs(SignedArea(outer)) < std::abs(SignedArea(inner)))
            std::swap(outer, inner);
        const double a0 = SignedArea(outer);
        const double a1 = SignedArea(inner);
        EXPECT_LT(a0, 0);
        EXPECT_GT(a1, 0);
        EXPECT_TRUE(outer.boundingRect().contains(inner.boundingRect()));

        // The ink box and the path agree, and "O" sits on the baseline (overshoot aside).
        const GlyphBox box = f.BlackBox(U'O');
        const QRectF bounds = f.Outline(U'O').boundingRect();
        EXPECT_NEAR(bounds.left(), box.xMin, 1);
        EXPECT_NEAR(bounds.right(), box.xMax, 1);
        EXPECT_NEAR(bounds.top(), box.yMin, 1);
        EXPECT_NEAR(bounds.bottom(), box.yMax, 1);
        EXPECT_LT(std::abs(box.yMin), f.unitsPerEm / 20);
        EXPECT_GT(box.yMax, f.capHeight);
    }

    // The same shapes as Qt draws them: at a pixel size of one em its paths are in design
    // units with y down.
    const QRawFont qt(sansFile, sans.unitsPerEm, QFont::PreferNoHinting);
    for (char32_t ch : {U'O', U'o', U'S', U'&', U'@', U'8', U'g', U'\u00C5'}) {
        SCOPED_TRACE(int(ch));
        const QPainterPath ours = sans.Outline(ch);
        QPainterPath theirs = qt.pathForGlyph(sans.GlyphIndex(ch));
        theirs = QTransform(1, 0, 0, -1, 0, 0).map(theirs);
        const QRectF a = ours.boundingRect();
        const QRectF b = theirs.boundingRect();
        EXPECT_NEAR(a.left(), b.left(), 1.5);
        EXPECT_NEAR(a.right(), b.right(), 1.5);
        EXPECT_NEAR(a.top(), b.top(), 1.5);
        EXPECT_NEAR(a.bottom(), b.bottom(), 1.5);
        double area = 0;
        for (const QPolygonF& ring : ours.toSubpathPolygons())
            area += SignedArea(ring);
        double theirArea = 0;
        for (const QPolygonF& ring : theirs.toSubpathPolygons())
            theirArea += SignedArea(ring);
        EXPECT_NEAR(area, theirArea, std::abs(theirArea) * 0.01);
    }
}

TEST_F(Fonts, BlankAndMissingCharacters)
{
    EXPECT_TRUE(sans.HasChar(U' '));
    EXPECT_TRUE(sans.Contours(U' ').empty());
    EXPECT_TRUE(sans.Outline(U' ').isEmpty());
    EXPECT_TRUE(sans.BlackBox(U' ').empty);
    EXPECT_EQ(sans.Advance(U' '), HmtxAdvance(sansFile, sans.GlyphIndex(U' ')));
    EXPECT_GT(sans.Advance(U' '), 0);

    for (char32_t ch : {char32_t(0x10FFFD), char32_t(0x110000), char32_t(0xFFFFFFFF)}) {
        SCOPED_TRACE(uint32_t(ch));
        EXPECT_FALSE(sans.HasChar(ch));
        EXPECT_EQ(sans.GlyphIndex(ch), 0u);
        // Measured and drawn as the missing-glyph box.
        EXPECT_EQ(sans.Advance(ch), HmtxAdvance(sansFile, 0));
        EXPECT_EQ(sans.Contours(ch).size(), sans.GlyphContours(0).size());
    }
    const uint32_t beyond = uint32_t(sans.glyphCount);
    EXPECT_EQ(sans.GlyphAdvance(beyond), 0);
    EXPECT_TRUE(sans.GlyphContours(beyond).empty());
    EXPECT_TRUE(sans.GlyphBlackBox(std::numeric_limits<uint32_t>::max()).empty);
}

TEST_F(Fonts, FontListHoldsTrueTypeFamiliesOnceSorted)
{
    const QStringList& list = service.FontList();
    ASSERT_TRUE(list.contains(QStringLiteral("Liberation Sans"))) << NeededFonts;
    ASSERT_TRUE(list.contains(QStringLiteral("DejaVu Sans"))) << NeededFonts;
    for (qsizetype i = 1; i < list.size(); ++i)
        EXPECT_LT(QString::compare(list[i - 1], list[i], Qt::CaseInsensitive), 0)
            << list[i - 1].toStdString() << " / " << list[i].toStdString();
    EXPECT_TRUE(service.HasFamily(QStringLiteral("liberation sans")));
    EXPECT_FALSE(service.HasFamily(QStringLiteral("No Such Family 4711")));
    // Every listed family is found under its own name, with a TrueType file behind it.
    for (const QString& family : list) {
        const ResolvedFont r = service.FindFont(family, false, false);
        ASSERT_TRUE(r.IsValid()) << family.toStdString();
        EXPECT_EQ(r.match, FontMatch::Name) << family.toStdString();
        const QByteArray head = ReadFile(r.filePath).left(4);
        EXPECT_TRUE(head == QByteArray("\0\1\0\0", 4) || head == "true" || head == "ttcf")
            << r.filePath.toStdString();
    }
}

TEST_F(Fonts, CodePagesFollowTheFontsCodePageBits)
{
    const FileMetrics m = ParseMetrics(sansFile);
    const std::vector<int> pages = sans.CodePages();
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(pages.front(), 1252);
    EXPECT_FALSE(sans.symbol);
    const std::pair<int, int> bits[] = {{0, 1252}, {1, 1250}, {2, 1251}, {3, 1253}, {4, 1254},
                                        {5, 1255}, {6, 1256}, {7, 1257}, {8, 1258}, {16, 874}};
    for (const auto& [bit, page] : bits)
        EXPECT_EQ(std::find(pages.begin(), pages.end(), page) != pages.end(),
                  ((m.codePageRange1 >> bit) & 1) != 0)
            << page;
}

TEST_F(Fonts, RawFontDrawsTheSameFace)
{
    const QRawFont raw = sans.RawFont(20);
    ASSERT_TRUE(raw.isValid());
    EXPECT_EQ(raw.familyName(), QStringLiteral("Liberation Sans"));
    EXPECT_DOUBLE_EQ(raw.pixelSize(), 20);
    EXPECT_EQ(raw.glyphIndexesForString(QStringLiteral("W")).value(0), sans.GlyphIndex(U'W'));
    EXPECT_DOUBLE_EQ(sans.RawFont(7.5).pixelSize(), 7.5);
    EXPECT_DOUBLE_EQ(raw.pixelSize(), 20);  // copies are independent
    EXPECT_FALSE(sans.RawFont(0).isValid());
    EXPECT_FALSE(sans.RawFont(-3).isValid());
    EXPECT_FALSE(sans.RawFont(std::nan("")).isValid());
    EXPECT_FALSE(ResolvedFont().RawFont(12).isValid());
}

TEST_F(Fonts, ResolvedFontsOutliveTheServiceAndItsReset)
{
    ResolvedFont kept;
    {
        FontService local;
        kept = local.FindFont(QStringLiteral("Liberation Serif"), true, false);
        local.Reset();
        EXPECT_TRUE(local.FindFont(QStringLiteral("Liberation Serif"), true, false).IsValid());
    }
    ASSERT_TRUE(kept.IsValid());
    EXPECT_GT(kept.Advance(U'W'), 0);
    EXPECT_EQ(kept.Contours(U'O').size(), 2u);

    FontService::Instance().FindFont(QStringLiteral("Arial"), false, false);
    FontService::ResetInstance();
    EXPECT_TRUE(FontService::Instance().FindFont(QStringLiteral("Arial"), false, false).IsValid());
}

TEST_F(Fonts, FacesOfCollectionsAreOpenedAndCopiedOut)
{
    const ResolvedFont serif = service.FindFont(QStringLiteral("Liberation Serif"), false, false);
    const QByteArray serifFile = ReadFile(serif.filePath);
    const QByteArray ttc = BuildCollection({sansFile, serifFile});
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("pair.ttc"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ttc);
    }

    const ResolvedFont second = service.OpenFile(path, 1);
    ASSERT_TRUE(second.IsValid());
    EXPECT_EQ(second.match, FontMatch::File);
    EXPECT_EQ(second.family, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(second.winAscent, serif.winAscent);
    EXPECT_EQ(second.Advance(U'W'), serif.Advance(U'W'));
    EXPECT_EQ(service.OpenFile(path, 0).family, QStringLiteral("Liberation Sans"));
    EXPECT_FALSE(service.OpenFile(path, 2).IsValid());
    EXPECT_FALSE(service.OpenFile(dir.filePath(QStringLiteral("none.ttf"))).IsValid());

    const QRawFont raw = second.RawFont(16);
    ASSERT_TRUE(raw.isValid());
    EXPECT_EQ(raw.familyName(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(raw.glyphIndexesForString(QStringLiteral("W")).value(0), second.GlyphIndex(U'W'));

    // The copied-out face is a font file of its own with every table of the original.
    const QByteArray copy = ExtractFontFace(ttc, 1);
    for (const char* tag : {"head", "OS/2", "hhea", "hmtx", "cmap", "glyf", "loca"})
        EXPECT_EQ(Table(copy, tag), Table(serifFile, tag)) << tag;
    EXPECT_EQ(ExtractFontFace(sansFile, 0), sansFile);
    EXPECT_TRUE(ExtractFontFace(sansFile, 1).isEmpty());
    EXPECT_TRUE(ExtractFontFace(ttc, 2).isEmpty());
    EXPECT_TRUE(ExtractFontFace(ttc, -1).isEmpty());

    // Directories that point outside the file, or claim more than the file holds.
    EXPECT_TRUE(ExtractFontFace(ttc.left(ttc.size() / 2), 1).isEmpty());
    EXPECT_TRUE(ExtractFontFace(ttc.left(14), 0).isEmpty());
    QByteArray bad = ttc;
    const qsizetype dir1 = U32(ttc, 16);
    bad[dir1 + 12 + 12] = char(0x7F);  // first table's length
    EXPECT_TRUE(ExtractFontFace(bad, 1).isEmpty());
    QByteArray repeated = ttc;
    const int tables = U16(ttc, dir1 + 4);
    const QByteArray firstRecord = ttc.mid(dir1 + 12, 16);
    for (int t = 0; t < tables; ++t)
        repeated.replace(dir1 + 12 + 16 * t, 16, firstRecord);
    // Every record naming the same large table would copy it over and over.
    const uint32_t bigAt = 0;
    const uint32_t bigLength = uint32_t(ttc.size() / 2);
    for (int t = 0; t < tables; ++t)
        for (int k = 0; k < 4; ++k) {
            repeated[dir1 + 12 + 16 * t + 8 + k] = char(bigAt >> (24 - 8 * k));
            repeated[dir1 + 12 + 16 * t + 12 + k] = char(bigLength >> (24 - 8 * k));
        }
    EXPECT_TRUE(ExtractFontFace(repeated, 1).isEmpty());
}

} // namespace
} // namespace zemo
