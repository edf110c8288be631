#include "platform/Fonts.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_BBOX_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

namespace zemo {

// One open FreeType face. The library handle is shared so that faces handed out in resolved
// fonts outlive a reset of the service that opened them.
class FontFace {
public:
    FontFace(std::shared_ptr<FT_LibraryRec_> library, FT_Face face, QString path, int index)
        : library(std::move(library)), ft(face), path(std::move(path)), index(index)
    {
    }
    ~FontFace() { FT_Done_Face(ft); }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Loads the unscaled outline of a glyph into the face's slot; false for glyphs without one.
    bool LoadOutline(uint32_t glyph)
    {
        if (glyph >= static_cast<FT_ULong>(ft->num_glyphs))
            return false;
        if (FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_IGNORE_TRANSFORM))
            return false;
        return ft->glyph->format == FT_GLYPH_FORMAT_OUTLINE;
    }

    std::shared_ptr<FT_LibraryRec_> library;
    FT_Face ft;
    QString path;
    int index;
    bool symbolMap = false;
    bool rawTried = false;
    QRawFont raw;
};

namespace {

// ---------------------------------------------------------------------------------------------
// Outlines

QPointF Mid(QPointF a, QPointF b) { return QPointF((a.x() + b.x()) / 2, (a.y() + b.y()) / 2); }

// One contour of an outline: points first..last with their FreeType tags. False for a contour
// FreeType itself would reject (a cubic control first, more than two cubic controls in a row).
bool DecomposeContour(const FT_Outline& outline, int first, int last, OutlineContour& out)
{
    auto point = [&](int i) { return QPointF(outline.points[i].x, outline.points[i].y); };
    auto tag = [&](int i) { return FT_CURVE_TAG(outline.tags[i]); };

    std::vector<int> order;
    if (tag(first) == FT_CURVE_TAG_ON) {
        out.start = point(first);
        for (int i = first + 1; i <= last; ++i)
            order.push_back(i);
    } else if (tag(first) == FT_CURVE_TAG_CONIC) {
        if (tag(last) == FT_CURVE_TAG_ON) {
            out.start = point(last);
            for (int i = first; i < last; ++i)
                order.push_back(i);
        } else {
            // Every point off the curve: the contour starts between the last and the first.
            out.start = Mid(point(last), point(first));
            for (int i = first; i <= last; ++i)
                order.push_back(i);
        }
    } else {
        return false;
    }

    QPointF current = out.start;
    bool haveConic = false;
    QPointF conic;
    std::vector<QPointF> cubic;
    auto onCurve = [&](QPointF to) {
        if (haveConic) {
            out.segments.push_back({OutlineSegment::Kind::Quadratic, conic, QPointF(), to});
            haveConic = false;
        } else if (!cubic.empty()) {
            if (cubic.size() != 2)
                return false;
            out.segments.push_back({OutlineSegment::Kind::Cubic, cubic[0], cubic[1], to});
            cubic.clear();
        } else {
            out.segments.push_back({OutlineSegment::Kind::Line, QPointF(), QPointF(), to});
        }
        current = to;
        return true;
    };
    for (int i : order) {
        const QPointF p = point(i);
        switch (tag(i)) {
        case FT_CURVE_TAG_ON:
            if (!onCurve(p))
                return false;
            break;
        case FT_CURVE_TAG_CONIC:
            if (!cubic.empty())
                return false;
            if (haveConic && !onCurve(Mid(conic, p)))
                return false;
            haveConic = true;
            conic = p;
            break;
        default:
            if (haveConic || cubic.size() >= 2)
                return false;
            cubic.push_back(p);
            break;
        }
    }
    // Back to the start: a curve when controls are pending, a line when the last point on the
    // curve is elsewhere.
    if (haveConic || !cubic.empty() || current != out.start)
        return onCurve(out.start);
    return true;
}

std::vector<OutlineContour> Decompose(const FT_Outline& outline)
{
    std::vector<OutlineContour> contours;
    int first = 0;
    for (int c = 0; c < outline.n_contours; ++c) {
        const int last = outline.contours[c];
        // FreeType checks this when loading; a bad end index would read outside the points.
        if (last < first || last >= outline.n_points)
            break;
        OutlineContour contour;
        if (DecomposeContour(outline, first, last, contour))
            contours.push_back(std::move(contour));
        first = last + 1;
    }
    return contours;
}

// ---------------------------------------------------------------------------------------------
// Code pages

struct CodePageBit {
    int bit;
    int codePage;
    char32_t sample;  // a character of the code page, for fonts without code-page bits
};

constexpr std::array<CodePageBit, 16> CodePageBits{{
    {0, 1252, U'\u00E9'},
    {1, 1250, U'\u0150'},
    {2, 1251, U'\u0416'},
    {3, 1253, U'\u03A9'},
    {4, 1254, U'\u011E'},
    {5, 1255, U'\u05D0'},
    {6, 1256, U'\u0627'},
    {7, 1257, U'\u0172'},
    {8, 1258, U'\u01AF'},
    {16, 874, U'\u0E01'},
    {17, 932, U'\u3042'},
    {18, 936, U'\u4E2D'},
    {19, 949, U'\uAC00'},
    {20, 950, U'\u4E2D'},
    {21, 1361, U'\uAC00'},
    {31, 0, 0},  // symbol
}};

constexpr uint64_t SymbolCodePageBit = uint64_t(1) << 31;

// ---------------------------------------------------------------------------------------------
// Font list

struct CatalogueFace {
    QStringList families;
    QString style;
    // The style names in the order of the family names: fontconfig pairs a typographic
    // family ("DejaVu Sans", "Condensed Bold") with the older one ("DejaVu Sans Condensed", "Bold").
    QStringList styles;
    QString file;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    int width = FC_WIDTH_NORMAL;
};

std::vector<CatalogueFace> ListTrueTypeFaces()
{
    std::vector<CatalogueFace> faces;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FILE, FC_INDEX, FC_WEIGHT,
                                            FC_SLANT, FC_WIDTH, FC_FONTFORMAT, FC_OUTLINE,
                                            FC_VARIABLE, static_cast<char*>(nullptr));
    FcFontSet* set = (pattern && objects) ? FcFontList(nullptr, pattern, objects) : nullptr;
    for (int i = 0; set && i < set->nfont; ++i) {
        FcPattern* p = set->fonts[i];
        FcChar8* format = nullptr;
        FcChar8* file = nullptr;
        if (FcPatternGetString(p, FC_FONTFORMAT, 0, &format) != FcResultMatch ||
            qstrcmp(reinterpret_cast<const char*>(format), "TrueType") != 0 ||
            FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch)
            continue;
        FcBool flag = FcFalse;
        if (FcPatternGetBool(p, FC_OUTLINE, 0, &flag) == FcResultMatch && !flag)
            continue;
        // The variable face itself has weight ranges; its named instances are listed apart.
        if (FcPatternGetBool(p, FC_VARIABLE, 0, &flag) == FcResultMatch && flag)
            continue;
        CatalogueFace face;
        face.file = QFile::decodeName(reinterpret_cast<const char*>(file));
        FcChar8* s = nullptr;
        for (int n = 0; FcPatternGetString(p, FC_FAMILY, n, &s) == FcResultMatch; ++n) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(s));
            if (!name.isEmpty() && !face.families.contains(name, Qt::CaseInsensitive))
                face.families.append(name);
        }
        if (face.families.isEmpty())
            continue;
        for (int n = 0; FcPatternGetString(p, FC_STYLE, n, &s) == FcResultMatch; ++n)
            face.styles.append(QString::fromUtf8(reinterpret_cast<const char*>(s)));
        if (!face.styles.isEmpty())
            face.style = face.styles.front();
        FcPatternGetInteger(p, FC_INDEX, 0, &face.index);
        FcPatternGetInteger(p, FC_WEIGHT, 0, &face.weight);
        FcPatternGetInteger(p, FC_SLANT, 0, &face.slant);
        FcPatternGetInteger(p, FC_WIDTH, 0, &face.width);
        faces.push_back(std::move(face));
    }
    if (set)
        FcFontSetDestroy(set);
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);
    // Stable order whatever order fontconfig's caches give.
    std::sort(faces.begin(), faces.end(), [](const CatalogueFace& a, const CatalogueFace& b) {
        return std::tie(a.file, a.index) < std::tie(b.file, b.index);
    });
    return faces;
}

bool LessIgnoringCase(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

// How far a face is from the asked weight and slant; the smallest wins. A wrong slant counts
// most, then the weight, then a width other than normal.
int Distance(const CatalogueFace& face, bool bold, bool italic)
{
    int d = 0;
    if (italic)
        d += face.slant == FC_SLANT_ITALIC ? 0 : face.slant == FC_SLANT_OBLIQUE ? 1 : 1000;
    else if (face.slant != FC_SLANT_ROMAN)
        d += 1000;
    d += std::abs(face.weight - (bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR));
    d += 2 * std::abs(face.width - FC_WIDTH_NORMAL);
    return d;
}

struct Substitute {
    const char* windowsName;
    const char* freeName;
};

constexpr std::array<Substitute, 9> Substitutes{{
    {"Arial", "Liberation Sans"},
    {"Arial Narrow", "Liberation Sans Narrow"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Helvetica", "Liberation Sans"},
    {"Times", "Liberation Serif"},
    {"Courier", "Liberation Mono"},
    {"Tahoma", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
}};

} // namespace

// -------------------------------------------------------------------------------------------------
// ResolvedFont

uint32_t ResolvedFont::GlyphIndex(char32_t ch) const
{
    if (!face || ch > 0x10FFFF)
        return 0;
    FT_Face ft = face->ft;
    if (!face->symbolMap)
        return FT_Get_Char_Index(ft, ch);
    // Symbol fonts keep their codes at U+F000 + code; some put them at the code itself.
    uint32_t glyph = FT_Get_Char_Index(ft, ch);
    if (glyph == 0 && ch < 0x100)
        glyph = FT_Get_Char_Index(ft, 0xF000 + ch);
    return glyph;
}

int ResolvedFont::GlyphAdvance(uint32_t glyph) const
{
    if (!face || glyph >= static_cast<uint32_t>(face->ft->num_glyphs))
        return 0;
    FT_Fixed advance = 0;
    if (FT_Get_Advance(face->ft, glyph, FT_LOAD_NO_SCALE, &advance))
        return 0;
    return static_cast<int>(advance);
}

std::vector<OutlineContour> ResolvedFont::GlyphContours(uint32_t glyph) const
{
    if (!face || !face->LoadOutline(glyph))
        return {};
    return Decompose(face->ft->glyph->outline);
}

QPainterPath ResolvedFont::GlyphOutline(uint32_t glyph) const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const OutlineContour& contour : GlyphContours(glyph)) {
        path.moveTo(contour.start);
        for (const OutlineSegment& s : contour.segments) {
            switch (s.kind) {
            case OutlineSegment::Kind::Line: path.lineTo(s.to); break;
            case OutlineSegment::Kind::Quadratic: path.quadTo(s.c1, s.to); break;
            case OutlineSegment::Kind::Cubic: path.cubicTo(s.c1, s.c2, s.to); break;
            }
        }
        path.closeSubpath();
    }
    return path;
}

GlyphBox ResolvedFont::GlyphBlackBox(uint32_t glyph) const
{
    GlyphBox box;
    if (!face || !face->LoadOutline(glyph) || face->ft->glyph->outline.n_points == 0)
        return box;
    FT_BBox b;
    if (FT_Outline_Get_BBox(&face->ft->glyph->outline, &b))
        return box;
    box.xMin = static_cast<int32_t>(b.xMin);
    box.yMin = static_cast<int32_t>(b.yMin);
    box.xMax = static_cast<int32_t>(b.xMax);
    box.yMax = static_cast<int32_t>(b.yMax);
    box.empty = false;
    return box;
}

std::vector<int> ResolvedFont::CodePages() const
{
    std::vector<int> pages;
    if (!face || symbol)
        return pages;
    for (const CodePageBit& entry : CodePageBits) {
        if (entry.codePage == 0)
            continue;
        const bool covered = codePageRange != 0 ? (codePageRange >> entry.bit) & 1
                                                : HasChar(entry.sample);
        if (covered)
            pages.push_back(entry.codePage);
    }
    return pages;
}

QRawFont ResolvedFont::RawFont(double pixelSize) const
{
    if (!face || !std::isfinite(pixelSize) || pixelSize <= 0 ||
        !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QRawFont();
    if (!face->rawTried) {
        face->rawTried = true;
        QFile file(face->path);
        if (file.open(QIODevice::ReadOnly)) {
            // Qt reads the first face of a file; a named instance of a variable font is drawn
            // as its default instance.
            const QByteArray data = ExtractFontFace(file.readAll(), face->index & 0xFFFF);
            if (!data.isEmpty())
                face->raw = QRawFont(data, pixelSize, QFont::PreferNoHinting);
        }
    }
    if (!face->raw.isValid())
        return QRawFont();
    QRawFont raw = face->raw;
    raw.setPixelSize(pixelSize);
    return raw;
}

// -------------------------------------------------------------------------------------------------
// FontService

struct FontService::State {
    std::shared_ptr<FT_LibraryRec_> library;
    bool listed = false;
    std::vector<CatalogueFace> faces;
    QStringList families;
    std::map<std::pair<QString, int>, std::shared_ptr<FontFace>> open;
    std::map<std::tuple<QString, bool, bool>, ResolvedFont> resolved;

    void List()
    {
        if (listed)
            return;
        listed = true;
        faces = ListTrueTypeFaces();
        for (const CatalogueFace& face : faces)
            families.append(face.families);
        std::sort(families.begin(), families.end(), LessIgnoringCase);
        families.erase(std::unique(families.begin(), families.end(),
                                   [](const QString& a, const QString& b) {
                                       return QString::compare(a, b, Qt::CaseInsensitive) == 0;
                                   }),
                       families.end());
    }

    std::shared_ptr<FontFace> Open(const QString& path, int index)
    {
        const auto key = std::make_pair(path, index);
        if (auto it = open.find(key); it != open.end())
            return it->second;
        auto face = OpenUncached(path, index);
        if (face)
            open.emplace(key, face);
        return face;
    }

    // A face that is not kept open afterwards.
    std::shared_ptr<FontFace> OpenUncached(const QString& path, int index)
    {
        if (!library) {
            FT_Library lib = nullptr;
            if (FT_Init_FreeType(&lib))
                return nullptr;
            library.reset(lib, [](FT_Library l) { FT_Done_FreeType(l); });
        }
        FT_Face ft = nullptr;
        if (index < 0 || FT_New_Face(library.get(), QFile::encodeName(path).constData(), index, &ft))
            return nullptr;
        auto face = std::make_shared<FontFace>(library, ft, path, index);
        if (!FT_IS_SCALABLE(ft) || !FT_IS_SFNT(ft) || ft->units_per_EM == 0 || ft->num_glyphs <= 0)
            return nullptr;
        if (FT_Select_Charmap(ft, FT_ENCODING_UNICODE) != 0) {
            if (FT_Select_Charmap(ft, FT_ENCODING_MS_SYMBOL) != 0)
                return nullptr;
            face->symbolMap = true;
        }
        return face;
    }

    bool installedListed = false;
    InstalledFonts installed;
    void ListInstalled();
};

namespace {

ResolvedFont Describe(const std::shared_ptr<FontFace>& face)
{
    ResolvedFont r;
    r.face = face;
    FT_Face ft = face->ft;
    r.filePath = face->path;
    r.faceIndex = face->index;
    r.family = QString::fromUtf8(ft->family_name ? ft->family_name : "");
    r.style = QString::fromUtf8(ft->style_name ? ft->style_name : "");
    r.unitsPerEm = ft->units_per_EM;
    r.glyphCount = static_cast<int>(ft->num_glyphs);
    r.bold = (ft->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    r.italic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;

    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
    if (os2 && os2->version != 0xFFFF && (os2->usWinAscent != 0 || os2->usWinDescent != 0)) {
        r.winAscent = os2->usWinAscent;
        r.winDescent = os2->usWinDescent;
    } else if (hhea) {
        r.winAscent = hhea->Ascender;
        r.winDescent = -hhea->Descender;
    }
    if (os2 && os2->version != 0xFFFF) {
        r.bold = r.bold || os2->usWeightClass >= 600;
        if (os2->version >= 1)
            r.codePageRange = os2->ulCodePageRange1 | (uint64_t(os2->ulCodePageRange2) << 32);
        if (os2->version >= 2) {
            r.capHeight = os2->sCapHeight;
            r.xHeight = os2->sxHeight;
        }
    }
    r.internalLeading = r.winAscent + r.winDescent - r.unitsPerEm;
    r.symbol = face->symbolMap || (r.codePageRange & SymbolCodePageBit) != 0;
    if (r.capHeight <= 0)
        r.capHeight = std::max(0, r.BlackBox(U'H').yMax);
    if (r.xHeight <= 0)
        r.xHeight = std::max(0, r.BlackBox(U'x').yMax);
    return r;
}

// Windows character sets in the order of the code-page bits; the symbol set last.
constexpr std::array<int, 17> CharsetOrder{0,   238, 204, 161, 162, 177, 178, 186, 163,
                                            222, 128, 134, 129, 136, 130, 255, SymbolCharset};

int CharsetRank(int charset)
{
    const auto it = std::find(CharsetOrder.begin(), CharsetOrder.end(), charset);
    return int(it - CharsetOrder.begin());
}

// The sets of one face, its default first. A face that covers no Windows code page is still
// drawn through Unicode, as the ANSI set.
std::vector<int> FaceCharsets(const ResolvedFont& r)
{
    if (r.symbol)
        return {SymbolCharset};
    std::vector<int> sets;
    for (int page : r.CodePages()) {
        const int c = CharsetOfCodePage(page);
        if (std::find(sets.begin(), sets.end(), c) == sets.end())
            sets.push_back(c);
    }
    if (sets.empty())
        sets.push_back(AnsiCharset);
    return sets;
}

void MergeCharsets(std::vector<int>& into, const std::vector<int>& from)
{
    for (int c : from)
        if (std::find(into.begin(), into.end(), c) == into.end())
            into.push_back(c);
    std::stable_sort(into.begin(), into.end(),
                     [](int a, int b) { return CharsetRank(a) < CharsetRank(b); });
}

} // namespace

void FontService::State::ListInstalled()
{
    if (installedListed)
        return;
    installedListed = true;
    List();
    struct Pair {
        QString family;
        QString style;
        std::vector<int> charsets;
    };
    std::vector<Pair> pairs;
    for (const CatalogueFace& face : faces) {
        const auto opened = OpenUncached(face.file, face.index);
        if (!opened)
            continue;
        const std::vector<int> sets = FaceCharsets(Describe(opened));
        for (qsizetype k = 0; k < face.families.size(); ++k)
            pairs.push_back({face.families[k], k < face.styles.size() ? face.styles[k] : face.style, sets});
    }

    std::map<QString, InstalledFamily> familyOf;  // by case-folded name
    std::map<QString, InstalledFace> faceOf;
    const auto add = [&](const QString& family, const QString& style, const std::vector<int>& sets) {
        InstalledFamily& f = familyOf[family.toCaseFolded()];
        if (f.name.isEmpty())
            f.name = family;
        MergeCharsets(f.charsets, sets);
        const QString name = style.isEmpty() ? family : family + u' ' + style;
        auto [it, added] = faceOf.try_emplace(name.toCaseFolded(), InstalledFace{name, f.name, sets});
        // One name under two families ("DejaVu Sans" + "Condensed Bold" and "DejaVu Sans
        // Condensed" + "Bold"): the longer family is the one whose faces have that width.
        if (!added && f.name.size() > it->second.family.size())
            it->second = InstalledFace{name, f.name, sets};
    };
    for (const Pair& p : pairs)
        add(p.family, p.style, p.charsets);
    const std::map<QString, InstalledFamily> real = familyOf;
    for (const Substitute& s : Substitutes) {
        const QString windows = QString::fromLatin1(s.windowsName);
        const QString free = QString::fromLatin1(s.freeName);
        if (real.count(windows.toCaseFolded()) || !real.count(free.toCaseFolded()))
            continue;
        for (const Pair& p : pairs)
            if (p.family.compare(free, Qt::CaseInsensitive) == 0)
                add(windows, p.style, p.charsets);
    }

    for (auto& [key, f] : familyOf)
        installed.families.push_back(std::move(f));
    for (auto& [key, f] : faceOf)
        installed.faces.push_back(std::move(f));
    std::sort(installed.families.begin(), installed.families.end(),
              [](const InstalledFamily& a, const InstalledFamily& b) { return LessIgnoringCase(a.name, b.name); });
    std::sort(installed.faces.begin(), installed.faces.end(),
              [](const InstalledFace& a, const InstalledFace& b) { return LessIgnoringCase(a.name, b.name); });
}

int CharsetOfCodePage(int codePage)
{
    static constexpr int Pairs[][2] = {{1252, 0},   {1250, 238}, {1251, 204}, {1253, 161},
                                       {1254, 162}, {1255, 177}, {1256, 178}, {1257, 186},
                                       {1258, 163}, {874, 222},  {437, 255},  {932, 128},
                                       {949, 129},  {1361, 130}, {936, 134},  {950, 136}};
    for (const auto& p : Pairs)
        if (p[0] == codePage)
            return p[1];
    return 0;
}

FontService::FontService() : d(std::make_unique<State>()) {}
FontService::~FontService() = default;

namespace {
std::unique_ptr<FontService>& ProcessFontService()
{
    static std::unique_ptr<FontService> service;
    return service;
}
} // namespace

FontService& FontService::Instance()
{
    auto& service = ProcessFontService();
    if (!service)
        service = std::make_unique<FontService>();
    return *service;
}

void FontService::ResetInstance()
{
    if (auto& service = ProcessFontService())
        service->Reset();
}

void FontService::Reset() { d = std::make_unique<State>(); }

const QStringList& FontService::FontList()
{
    d->List();
    return d->families;
}

const InstalledFonts& FontService::Installed()
{
    d->ListInstalled();
    return d->installed;
}

bool FontService::HasFamily(const QString& family)
{
    return FontList().contains(family, Qt::CaseInsensitive);
}

QString FontService::SubstituteFamily(const QString& family)
{
    for (const Substitute& s : Substitutes)
        if (family.compare(QLatin1String(s.windowsName), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(s.freeName);
    return QString();
}

ResolvedFont FontService::OpenFile(const QString& path, int faceIndex)
{
    auto face = d->Open(path, faceIndex);
    if (!face)
        return ResolvedFont();
    ResolvedFont r = Describe(face);
    r.requestedFamily = r.family;
    r.match = FontMatch::File;
    return r;
}

ResolvedFont FontService::FindFont(const QString& family, bool bold, bool italic)
{
    const auto key = std::make_tuple(family.toCaseFolded(), bold, italic);
    if (auto it = d->resolved.find(key); it != d->resolved.end()) {
        ResolvedFont r = it->second;
        r.requestedFamily = family;
        return r;
    }
    d->List();

    // The face of one family nearest to the asked style that FreeType opens.
    auto fromFamily = [&](const QString& name, ResolvedFont& out) {
        if (name.isEmpty())
            return false;
        std::vector<std::pair<int, const CatalogueFace*>> candidates;
        for (const CatalogueFace& face : d->faces)
            if (face.families.contains(name, Qt::CaseInsensitive))
                candidates.emplace_back(Distance(face, bold, italic), &face);
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [distance, face] : candidates) {
            auto open = d->Open(face->file, face->index);
            if (!open)
                continue;
            out = Describe(open);
            for (const QString& f : face->families)
                if (f.compare(name, Qt::CaseInsensitive) == 0)
                    out.family = f;
            if (!face->style.isEmpty())
                out.style = face->style;
            return true;
        }
        return false;
    };

    const QString fallback = QString::fromLatin1(DefaultFontFamily);
    const std::pair<QString, FontMatch> steps[] = {
        {family, FontMatch::Name},
        {SubstituteFamily(family), FontMatch::Alias},
        {fallback, FontMatch::DefaultFamily},
        {SubstituteFamily(fallback), FontMatch::DefaultFamily},
    };
    ResolvedFont r;
    bool found = false;
    for (const auto& [name, match] : steps) {
        if (fromFamily(name, r)) {
            r.match = match;
            found = true;
            break;
        }
    }
    // Any family at all rather than none; the first one that opens.
    for (qsizetype i = 0; !found && i < d->families.size(); ++i) {
        if (fromFamily(d->families[i], r)) {
            r.match = FontMatch::FirstFamily;
            found = true;
        }
    }
    r.requestedFamily = family;
    if (found) {
        r.syntheticBold = bold && !r.bold;
        r.syntheticItalic = italic && !r.italic;
    }
    d->resolved.emplace(key, r);
    return r;
}

// -------------------------------------------------------------------------------------------------
// Collections

QByteArray ExtractFontFace(const QByteArray& fileData, int faceIndex)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(fileData.constData());
    const uint64_t size = static_cast<uint64_t>(fileData.size());
    auto u32 = [&](uint64_t at, uint32_t& v) {
        if (at + 4 > size)
            return false;
        v = uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 |
            uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
        return true;
    };
    if (faceIndex < 0 || size < 12)
        return QByteArray();
    if (!fileData.startsWith("ttcf"))
        return faceIndex == 0 ? fileData : QByteArray();

    uint32_t faces = 0;
    uint32_t offset = 0;
    if (!u32(8, faces) || uint32_t(faceIndex) >= faces || !u32(12 + 4 * uint64_t(faceIndex), offset))
        return QByteArray();
    uint32_t word = 0;
    if (!u32(uint64_t(offset) + 4, word))
        return QByteArray();
    const uint32_t tables = word >> 16;
    const uint64_t directoryEnd = uint64_t(offset) + 12 + 16 * uint64_t(tables);
    if (tables == 0 || directoryEnd > size)
        return QByteArray();
    // One face's tables are distinct parts of the file, so together they cannot be larger than
    // it; a directory claiming more would only blow up the copy.
    uint64_t total = 0;
    for (uint32_t t = 0; t < tables; ++t) {
        const uint64_t record = uint64_t(offset) + 12 + 16 * uint64_t(t);
        uint32_t at = 0;
        uint32_t length = 0;
        u32(record + 8, at);
        u32(record + 12, length);
        if (uint64_t(at) + length > size)
            return QByteArray();
        total += (uint64_t(length) + 3) & ~uint64_t(3);
    }
    if (total > size)
        return QByteArray();

    const uint64_t headerSize = 12 + 16 * uint64_t(tables);
    QByteArray out(static_cast<qsizetype>(headerSize), '\0');
    out.reserve(static_cast<qsizetype>(headerSize + total));
    std::copy_n(fileData.constData() + offset, headerSize, out.data());
    auto put32 = [&](uint64_t at, uint32_t v) {
        out[qsizetype(at)] = char(v >> 24);
        out[qsizetype(at + 1)] = char(v >> 16);
        out[qsizetype(at + 2)] = char(v >> 8);
        out[qsizetype(at + 3)] = char(v);
    };
    for (uint32_t t = 0; t < tables; ++t) {
        const uint64_t record = uint64_t(offset) + 12 + 16 * uint64_t(t);
        uint32_t at = 0;
        uint32_t length = 0;
        u32(record + 8, at);
        u32(record + 12, length);
        put32(12 + 16 * uint64_t(t) + 8, static_cast<uint32_t>(out.size()));
        out.append(fileData.constData() + at, length);
        while (out.size() % 4 != 0)
            out.append('\0');
    }
    return out;
}

} // namespace zemo
