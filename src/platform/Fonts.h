// The font service: families and their files from fontconfig, metrics, advances and glyph
// outlines in design units from FreeType, and QRawFont for drawing glyphs on a device.
//
// Only TrueType-outline fonts (.ttf, TrueType collections, OpenType with glyf outlines) are
// listed and chosen: layout and outlines assume quadratic TrueType contours and the metrics of
// the OS/2 table.
//
// Everything runs on the user-interface thread; nothing here is locked.
#pragma once

#include <QByteArray>
#include <QPainterPath>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

namespace zemo {

// Weights from this value up make a bold font; below it a normal one.
inline constexpr int BoldWeightThreshold = 551;
constexpr bool IsBoldWeight(int weight) { return weight >= BoldWeightThreshold; }

// The family tried when a requested one is not installed.
inline constexpr char DefaultFontFamily[] = "Arial";

// One piece of a glyph contour, from the end of the previous piece (or the contour's start).
// Quadratic pieces have one control point (c1), cubic ones two (c1, c2), lines none.
struct OutlineSegment {
    enum class Kind : uint8_t { Line, Quadratic, Cubic };
    Kind kind = Kind::Line;
    QPointF c1;
    QPointF c2;
    QPointF to;
};

// A closed glyph contour in design units, y up as in the font. The implied on-curve points
// between two quadratic control points are made explicit (midpoints, hence QPointF), and the
// last segment always ends at the start point. TrueType draws outer contours clockwise and
// holes counter-clockwise; the contours are given as the font has them.
struct OutlineContour {
    QPointF start;
    std::vector<OutlineSegment> segments;
};

// Ink box of a glyph in design units, y up; empty for a glyph without outline.
struct GlyphBox {
    int32_t xMin = 0;
    int32_t yMin = 0;
    int32_t xMax = 0;
    int32_t yMax = 0;
    bool empty = true;
    int32_t Height() const { return empty ? 0 : yMax - yMin; }
    int32_t Width() const { return empty ? 0 : xMax - xMin; }
};

// How a font request was satisfied.
enum class FontMatch {
    None,           // no font at all
    Name,           // the family asked for
    Alias,          // its metric-compatible substitute
    DefaultFamily,  // DefaultFontFamily (or its substitute)
    FirstFamily,    // the first family of the font list
    File            // opened by file name
};

// ---- Installed fonts as the maps' text symbols name them ----
// A text symbol stores a font name and a Windows character set; the lists below say which
// names are installed and which sets each offers, so that a map can be checked against them.

// Windows character sets of the code pages a font covers.
inline constexpr int AnsiCharset = 0;
inline constexpr int SymbolCharset = 2;
// 1252 -> 0, 1250 -> 238, 1251 -> 204, 1253 -> 161, 1254 -> 162, 1255 -> 177, 1256 -> 178,
// 1257 -> 186, 1258 -> 163, 874 -> 222, 437 -> 255, 932 -> 128, 949 -> 129, 1361 -> 130,
// 936 -> 134, 950 -> 136; 0 for any other code page.
int CharsetOfCodePage(int codePage);

struct InstalledFamily {
    QString name;
    std::vector<int> charsets;  // the sets its faces offer, its default first
};

struct InstalledFace {
    QString name;               // family and style: "Liberation Sans Bold"
    QString family;             // the family it belongs to, as the family list has it
    std::vector<int> charsets;  // its default first
};

// Both lists sorted without regard to case, each name once. A Windows family whose
// metric-compatible substitute is installed is listed under its Windows name with the
// substitute's sets and faces ("Arial", "Arial Bold"), so that a map naming it finds it.
struct InstalledFonts {
    std::vector<InstalledFamily> families;
    std::vector<InstalledFace> faces;
};

class FontFace;

// A chosen face with its metrics, all in design units. Copies share the open face; it stays
// usable after the service's caches are reset.
struct ResolvedFont {
    QString requestedFamily;  // the name as asked for (what the map stores)
    QString family;           // the family name of the face as found
    QString style;
    QString filePath;
    int faceIndex = 0;
    FontMatch match = FontMatch::None;
    bool bold = false;        // the face itself is bold
    bool italic = false;      // the face itself is italic or oblique
    bool syntheticBold = false;    // bold asked for, but the family has no bold face
    bool syntheticItalic = false;  // italic asked for, but the family has no slanted face

    int unitsPerEm = 0;
    int winAscent = 0;        // OS/2 usWinAscent (hhea ascender when the font has no OS/2)
    int winDescent = 0;       // OS/2 usWinDescent (minus the hhea descender without OS/2)
    int internalLeading = 0;  // winAscent + winDescent - unitsPerEm; may be negative
    int capHeight = 0;        // OS/2 sCapHeight, else the height of "H" above the baseline
    int xHeight = 0;          // OS/2 sxHeight, else the height of "x" above the baseline
    uint64_t codePageRange = 0;  // OS/2 ulCodePageRange1 (low) and 2 (high); 0 when absent
    bool symbol = false;      // a symbol font (codes mapped through U+F000..U+F0FF)
    int glyphCount = 0;

    std::shared_ptr<FontFace> face;

    bool IsValid() const { return face != nullptr; }

    // Glyph of a character; 0 (the missing-glyph box) when the font has none.
    uint32_t GlyphIndex(char32_t ch) const;
    bool HasChar(char32_t ch) const { return GlyphIndex(ch) != 0; }

    // Advance width in design units; a missing character measures as the missing-glyph box
    // that is drawn for it.
    int Advance(char32_t ch) const { return GlyphAdvance(GlyphIndex(ch)); }
    int GlyphAdvance(uint32_t glyph) const;

    // Outline in design units (see OutlineContour); empty for blank glyphs such as the space.
    std::vector<OutlineContour> Contours(char32_t ch) const { return GlyphContours(GlyphIndex(ch)); }
    std::vector<OutlineContour> GlyphContours(uint32_t glyph) const;
    // The same outline as a path (winding fill), design units, y up.
    QPainterPath Outline(char32_t ch) const { return GlyphOutline(GlyphIndex(ch)); }
    QPainterPath GlyphOutline(uint32_t glyph) const;

    GlyphBox BlackBox(char32_t ch) const { return GlyphBlackBox(GlyphIndex(ch)); }
    GlyphBox GlyphBlackBox(uint32_t glyph) const;

    // Windows code pages the font covers (874, 932, 936, 949, 950, 1250..1258, 1361), in
    // the order of the OS/2 code-page bits, 1252 first. Without code-page bits the font's
    // characters decide. A symbol font covers none.
    std::vector<int> CodePages() const;

    // The face for drawing glyphs at a pixel size (unhinted, so that drawn glyphs keep the
    // shapes of the outlines). Glyph indices are those of GlyphIndex. Needs a
    // QGuiApplication; invalid when the file cannot be read.
    QRawFont RawFont(double pixelSize) const;
};

// Lists, resolves and opens fonts. Instance() is the process-wide service; tests make their
// own or call ResetInstance().
class FontService {
public:
    FontService();
    ~FontService();
    FontService(const FontService&) = delete;
    FontService& operator=(const FontService&) = delete;

    static FontService& Instance();
    // Drops the process-wide service's font list and open faces; they are read again on use.
    static void ResetInstance();

    // Installed TrueType families, sorted without regard to case, each name once.
    const QStringList& FontList();
    bool HasFamily(const QString& family);

    // The families and faces with their character sets; every face is opened once to read
    // its code pages, the first time the lists are asked for.
    const InstalledFonts& Installed();

    // A face of the family with the asked weight and slant. A family that is not installed is
    // replaced by its metric-compatible substitute when that is installed, else by
    // DefaultFontFamily (or its substitute), else by the first family of the list. Names are
    // compared without regard to case. Invalid only when no usable font is installed.
    ResolvedFont FindFont(const QString& family, bool bold, bool italic);

    // A face of a given font file (faceIndex selects a face of a collection); invalid when
    // FreeType cannot open it or it has no scalable outlines.
    ResolvedFont OpenFile(const QString& path, int faceIndex = 0);

    // The metric-compatible free family for a common Windows family name; empty for others.
    static QString SubstituteFamily(const QString& family);

    // Forgets the font list, the resolved fonts and the open faces.
    void Reset();

private:
    struct State;
    std::unique_ptr<State> d;
};

// The bytes of one face of a font file as a font file of its own: a face of a TrueType
// collection is copied out with its tables; a plain file is returned as it is for face 0.
// Empty when the face does not exist or the file's directory points outside the data.
QByteArray ExtractFontFace(const QByteArray& fileData, int faceIndex);

} // namespace zemo
