#include "symbols/TextSym.h"

#include "core/CodePage.h"
#include "document/Index.h"
#include "platform/Device.h"
#include "platform/Fonts.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QRectF>

#include <algorithm>
#include <cmath>

namespace zemo {

int CsTextTypeEntry(int stored)
{
    return stored == CsStartNumberType ? 1 : 0;
}

int CsTextTypeOfEntry(int entry)
{
    return entry == 1 ? CsStartNumberType : CsCourseTitleType;
}

QString SymbolFontName(std::span<const uint8_t> rec)
{
    if (rec.size() < TsFontName + String31Bytes)
        return {};
    const std::string name = ShortFieldText(rec.subspan(TsFontName, String31Bytes));
    return DecodeCodePage(1252, name.data(), qsizetype(name.size()));
}

void SetSymbolFontName(std::span<uint8_t> rec, const QString& name)
{
    if (rec.size() >= TsFontName + String31Bytes)
        SetShortFieldText(rec.subspan(TsFontName, String31Bytes), EncodeCodePage(1252, name).toStdString());
}

// ---- The capital height ----

double CapitalHeightPerTenth(const ResolvedFont& f)
{
    // A symbol font's code 0x41 is some picture, not a capital.
    if (!f.IsValid() || f.symbol || f.unitsPerEm <= 0 || !f.HasChar(U'A'))
        return 0;
    const GlyphBox box = f.BlackBox(U'A');
    // Tenths of a point to 0.01 mm: x 254 / 72.
    return box.Height() > 0 ? 254.0 / 72.0 * box.Height() / f.unitsPerEm : 0;
}

double CapitalHeightPerTenth(const QString& font, int weight, bool italic)
{
    return CapitalHeightPerTenth(FontService::Instance().FindFont(font, IsBoldWeight(weight), italic));
}

int CapitalHeightOfSize(double perTenth, int size)
{
    return int(std::nearbyint(perTenth * size));
}

int CapitalHeight(const QString& font, int size, int weight, bool italic)
{
    return CapitalHeightOfSize(CapitalHeightPerTenth(font, weight, italic), size);
}

std::optional<int> SizeForCapitalHeight(double perTenth, int height)
{
    if (!(perTenth > 0))
        return std::nullopt;
    return int(std::nearbyint(height / perTenth));
}

// ---- Tabs ----

std::vector<int32_t> ReadTabs(std::span<const uint8_t> rec)
{
    // The table holds 32: a count beyond reads positions that are not there.
    const int count = std::clamp<int>(SymI16(rec, TsTabCount), 0, MaxTabPositions);
    std::vector<int32_t> tabs;
    for (int k = 0; k < count; ++k)
        tabs.push_back(SymI32(rec, TsTabs + 4 * size_t(k)));
    return tabs;
}

bool AddTab(std::vector<int32_t>& tabs, int32_t position)
{
    if (position == 0 || tabs.size() >= size_t(MaxTabPositions)
        || std::find(tabs.begin(), tabs.end(), position) != tabs.end())
        return false;
    tabs.insert(std::find_if(tabs.begin(), tabs.end(), [&](int32_t t) { return t > position; }), position);
    return true;
}

void WriteTabs(std::span<uint8_t> rec, const std::vector<int32_t>& tabs)
{
    const size_t count = std::min(tabs.size(), size_t(MaxTabPositions));
    SetSymI16(rec, TsTabCount, int16_t(count));
    for (size_t k = 0; k < size_t(MaxTabPositions); ++k)
        SetSymI32(rec, TsTabs + 4 * k, k < count ? tabs[k] : 0);
}

// ---- The record ----

SymbolEditSession OpenTextSymbol(const SymbolBytes* rec, int pos, std::span<const int16_t> numberTable)
{
    std::span<const uint8_t> stored;
    return OpenSymbolWork(SymbolEditorKind::Text, rec, pos, numberTable, &stored);
}

void CalcTextSymbolInfo(std::span<uint8_t> rec)
{
    ColorSet set;
    const auto add = [&](int c) {
        if (c >= 0 && c <= 255)
            set.set(size_t(c));
    };
    add(SymI16(rec, TsTextColor));
    if (SymI16(rec, TsLineBelowOn) != 0)
        add(SymI16(rec, TsLineBelowColor));
    if (SymU8(rec, TsFramingMode) > FramingOff)
        add(SymI16(rec, TsFramingColor));
    SetSymColors(rec, set);
    // A 1000 pt font with a line framing reaches past what the word holds.
    SetSymI16(rec, SymExtent, int16_t(std::clamp(CalcTextSymbolExtent(rec), 0, int(INT16_MAX))));
}

SymbolBytes BuildTextSymbol(const SymbolEditSession& s)
{
    if (s.Work.size() < TextSymbolBytes)
        return {};
    SymbolBytes rec(s.Work.begin(), s.Work.begin() + ptrdiff_t(TextSymbolBytes));
    SetSymI16(rec, SymSize, int16_t(TextSymbolBytes));
    SetSymI16(rec, SymObjectType, TextObject);
    SetSymU8(rec, SymTextFlag, 1);
    SetSymI16(rec, SymExtent, 0);
    SetSymI16(rec, TsOldFramingFont, 0);
    CalcTextSymbolInfo(rec);
    return rec;
}

void EditTextSymbol(const SymbolBytes* rec, int pos)
{
    if (!Index.ActiveZmd)
        return;
    RunSymbolEditor(std::make_shared<SymbolEditSession>(
        OpenTextSymbol(rec, pos, Index.ActiveZmd->NumberTable)));
}

// ---- Previews ----

QColor ScreenColorOf(int colorNumber)
{
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return Qt::black;
    const int count = std::clamp<int>(z->ColorBlock.ColorCount, 0, MaxColors);
    for (int i = 0; i < count; ++i) {
        const ColorRecord& c = z->ColorBlock.Colors[size_t(i)];
        if (c.Number == colorNumber) {
            const DeviceColor d = ColorToDevice(ScreenCorrectedColor(PackCmyk(c.Cmyk)));
            return QColor(d.r, d.g, d.b);
        }
    }
    return Qt::black;
}

namespace {

// The lengths of the paragraph and line-below previews: 2 pixels to the millimetre, in an
// 8-pixel sample font.
constexpr double PreviewPixelsPerMm = 2.0;
constexpr double PreviewFontPixels = 8.0;
const QString ParagraphWord = QStringLiteral("AaBbCcDd ");
const QString FontSampleText = QStringLiteral("AaBbCc XxYyZz");

// A run of text in a face at a pixel size: glyphs and their advances with the spacings.
struct SampleRun {
    QRawFont raw;
    std::vector<quint32> glyphs;
    std::vector<QPointF> at;
    double width = 0;
    double ascent = 0;
    double descent = 0;
};

SampleRun LayOut(const ResolvedFont& f, double pixels, const QString& text, int charSpace, int wordSpace)
{
    SampleRun run;
    if (!f.IsValid() || f.unitsPerEm <= 0 || !(pixels > 0))
        return run;
    run.raw = f.RawFont(pixels);
    const double k = pixels / f.unitsPerEm;
    run.ascent = f.winAscent * k;
    run.descent = f.winDescent * k;
    const double space = f.Advance(U' ') * k;
    double x = 0;
    for (const QChar ch : text) {
        if (ch == u' ') {
            x += space * wordSpace / 100.0;
            continue;
        }
        run.glyphs.push_back(f.GlyphIndex(ch.unicode()));
        run.at.emplace_back(x, 0);
        x += f.Advance(ch.unicode()) * k + space * charSpace / 100.0;
    }
    run.width = x;
    return run;
}

void Draw(QPainter& p, const SampleRun& run, QPointF baseline, const QColor& color)
{
    if (!run.raw.isValid() || run.glyphs.empty())
        return;
    QGlyphRun g;
    g.setRawFont(run.raw);
    g.setGlyphIndexes(QList<quint32>(run.glyphs.begin(), run.glyphs.end()));
    g.setPositions(QList<QPointF>(run.at.begin(), run.at.end()));
    p.setPen(color);
    p.drawGlyphRun(baseline, g);
}

} // namespace

void PaintFontSample(QPainter& p, const QRectF& box, const FontSample& s)
{
    p.save();
    p.setClipRect(box);
    p.fillRect(box, Qt::white);
    const ResolvedFont f = FontService::Instance().FindFont(s.font, IsBoldWeight(s.weight), s.italic);
    const double pixels = s.size / 10.0 * s.dpi / 72.0;
    const SampleRun run = LayOut(f, pixels, FontSampleText, s.charSpace, s.wordSpace);
    const QPointF baseline(box.left() + 4, box.center().y() + (run.ascent - run.descent) / 2);
    Draw(p, run, baseline, s.color);
    p.restore();
}

void PaintParagraphSample(QPainter& p, const QRectF& box, const ParagraphSample& s)
{
    p.save();
    p.setClipRect(box);
    p.fillRect(box, Qt::white);
    const ResolvedFont f = FontService::Instance().FindFont(QStringLiteral("Arial"), false, false);
    const SampleRun word = LayOut(f, PreviewFontPixels, ParagraphWord.trimmed(), 0, 100);
    const double space = f.IsValid() && f.unitsPerEm > 0 ? f.Advance(U' ') * PreviewFontPixels / f.unitsPerEm : 0;
    const double margin = 4, right = box.right() - margin;
    const double lineHeight = PreviewFontPixels * s.lineSpacing / 100.0;
    const double mm = PreviewPixelsPerMm / 100.0;
    constexpr int WordsPerParagraph = 9;
    double y = box.top() + margin + word.ascent;
    for (int para = 0; para < 2 && y - word.ascent < box.bottom(); ++para) {
        int placed = 0;
        bool first = true;
        while (placed < WordsPerParagraph) {
            const double left = box.left() + margin + (first ? s.firstIndent : s.otherIndent) * mm;
            // As many words as the line holds, at least one.
            int n = 0;
            double used = 0;
            while (placed + n < WordsPerParagraph) {
                const double w = used + (n > 0 ? space : 0) + word.width;
                if (n > 0 && left + w > right)
                    break;
                used = w;
                ++n;
            }
            const bool last = placed + n == WordsPerParagraph;
            double x = left, gap = space;
            switch (s.alignment) {
            case 1: x = left + (right - left - used) / 2; break;
            case 2: x = right - used; break;
            case 3:
                if (!last && n > 1)
                    gap = space + (right - left - used) / (n - 1);
                break;
            default: break;
            }
            for (int i = 0; i < n; ++i) {
                Draw(p, word, QPointF(x, y), Qt::black);
                x += word.width + gap;
            }
            placed += n;
            first = false;
            y += lineHeight;
        }
        y += s.paraSpace * mm;
    }
    p.restore();
}

void PaintLineBelowSample(QPainter& p, const QRectF& box, const LineBelowSample& s)
{
    p.save();
    p.setClipRect(box);
    p.fillRect(box, Qt::white);
    const ResolvedFont f = FontService::Instance().FindFont(QStringLiteral("Arial"), false, false);
    const SampleRun word = LayOut(f, 2 * PreviewFontPixels, ParagraphWord.trimmed(), 0, 100);
    const QPointF baseline(box.left() + 4, box.top() + 4 + word.ascent);
    Draw(p, word, baseline, Qt::black);
    if (s.on) {
        const double mm = PreviewPixelsPerMm / 100.0;
        const double width = std::max(1.0, s.width * mm);
        const double top = baseline.y() + word.descent + s.distance * mm;
        p.fillRect(QRectF(box.left() + 4, top, std::max(word.width, box.width() - 8), width), s.color);
    }
    p.restore();
}

} // namespace zemo
