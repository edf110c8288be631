// The text painter on the recording device (one device unit per coordinate unit, so that glyph
// origins read back exactly) and, for ink and shadows, on a bitmap.
#include "Fixture.h"

#include "app/Install.h"
#include "core/CodePage.h"
#include "core/Numeric.h"
#include "render/Texts.h"
#include "symbols/store/SymbolRecords.h"

#include <cstring>
#include <numbers>

using namespace zemo;
using namespace zemo::rtest;

namespace {

constexpr int TextColor = 1;
constexpr int OtherColor = 5;

struct Drawn {
    uint32_t glyph = 0;
    double x = 0, y = 0;  // map units (y up)
    double angle = 0;
    std::string color;
};

std::vector<Drawn> MapGlyphs(const RecordingDevice& rec)
{
    std::vector<Drawn> out;
    for (const Glyph& g : Glyphs(rec))
        out.push_back({g.glyph, g.x, -g.y, g.angle, g.color});
    return out;
}

// A text symbol, or a line-text symbol (a line symbol whose text flag is set).
SymbolBytes TextSymbol(int number, int align = 0, bool lineText = false)
{
    const size_t size = lineText ? LineTextSymbolBytes : TextSymbolBytes;
    SymbolBytes r(size, 0);
    SetSymI16(r, SymSize, int16_t(size));
    SetSymI16(r, SymNumber, int16_t(number));
    SetSymI16(r, SymObjectType, lineText ? LineObject : TextObject);
    SetSymU8(r, SymTextFlag, 1);
    SetShortFieldText(std::span(r).subspan(TsFontName, 32), "DejaVu Sans");
    SetSymI16(r, TsTextColor, TextColor);
    SetSymI16(r, TsFontSize, 100);
    SetSymI16(r, TsFontWeight, 400);
    SetSymI16(r, TsWordSpacing, 100);
    SetSymI16(r, TsAlignment, int16_t(align));
    if (!lineText) {
        SetSymI16(r, TsLineSpacing, 100);
        SetSymI16(r, TsFramingColor, 3);
    }
    return r;
}

SymbolBytes LineTextSymbol(int number, int align = 0) { return TextSymbol(number, align, true); }

void SetText(ElementRecord& e, std::u16string_view text)
{
    e.Flags = ElementUtf16Flag;
    const size_t slots = (text.size() * 2 + 2 + 7) / 8;
    e.nText = uint16_t(slots);
    std::memset(e.TextBytes(), 0, slots * 8);
    for (size_t i = 0; i < text.size(); ++i) {
        e.TextBytes()[2 * i] = uint8_t(text[i] & 0xFF);
        e.TextBytes()[2 * i + 1] = uint8_t(text[i] >> 8);
    }
}

void SetAnsiText(ElementRecord& e, const QByteArray& bytes)
{
    e.Flags = 0;
    const size_t slots = (size_t(bytes.size()) + 1 + 7) / 8;
    e.nText = uint16_t(slots);
    std::memset(e.TextBytes(), 0, slots * 8);
    std::memcpy(e.TextBytes(), bytes.constData(), size_t(bytes.size()));
}

class Texts_ : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        ResetMapFontState();
        ResetTextsState();
        ResetIndexState();
        zmd = std::make_unique<TZmd>();
        SetCurrentMap(zmd.get());
        // One device unit per coordinate unit, y up on the map.
        ResetScaleState();
        Scale.ViewScaleX = 1;
        Scale.ViewScaleY = -1;
        Graph.ClipRect = CordRect{-1000000000, -1000000000, 1000000000, 1000000000};
        Graph.OutputDC = &rec;
        Graph.OutputMode = ScreenOutput;
        Graph.CurrentColor = TextColor;
    }
    void TearDown() override
    {
        SetCurrentMap(nullptr);
        Graph.OutputDC = nullptr;
    }
    void AddSymbol(SymbolBytes r)
    {
        zmd->Symbols.push_back(std::move(r));
        zmd->BuildNumberTable();
    }
    ElementRecord& Point(int symbol, Cord at, std::u16string_view text, int angle = 0)
    {
        ElementRecord& e = Index.DrawElement;
        InitElement(e, int16_t(symbol), TextObject, 5, 0, int16_t(angle));
        for (int k = 0; k < 5; ++k)
            e.Slots[size_t(k)] = at;
        SetText(e, text);
        return e;
    }
    std::vector<Drawn> Draw(ElementRecord& e)
    {
        rec.clear();
        BeginDrawing(false);
        DrawTextObject(e);
        EndDrawing();
        return MapGlyphs(rec);
    }
    int32_t Adv(char32_t c) { return MeasureChar(c); }
    uint32_t G(char32_t c) { return MapFont.Font.GlyphIndex(c); }

    std::unique_ptr<TZmd> zmd;
    RecordingDevice rec{QSize(1000, 1000)};
};

TEST_F(Texts_, CentredPointTextOfTwoLines)
{
    AddSymbol(TextSymbol(10, 1));
    const Cord a{Masked(100000 * 256), Masked(50000 * 256)};
    ElementRecord& e = Point(10, a, u"MMM\rMW");
    const auto g = Draw(e);
    ASSERT_EQ(g.size(), 5u);
    const int32_t m = Adv(U'M'), w = Adv(U'W');
    const int32_t spacing = SafeRound(100 / 720.0 * 2540 * 256);
    EXPECT_EQ(g[0].x, Masked(a.x - 3 * m / 2));
    EXPECT_EQ(g[2].x, Masked(a.x - 3 * m / 2 + 2 * m));
    EXPECT_EQ(g[0].y, a.y);
    EXPECT_EQ(g[3].x, Masked(a.x - (m + w) / 2));
    EXPECT_EQ(g[4].x, Masked(a.x - (m + w) / 2 + m));
    EXPECT_EQ(g[3].y, Masked(a.y - spacing));
    EXPECT_EQ(g[3].glyph, G(U'M'));
    EXPECT_EQ(g[4].glyph, G(U'W'));

    // The extent: least to greatest x, from the last baseline less the descent to the ascent.
    LayoutText(e, TextExtentMode);
    EXPECT_EQ(e.Slots[1].x, Masked(a.x - 3 * m / 2));
    EXPECT_EQ(e.Slots[2].x, Masked(a.x + (3 * m - 3 * m / 2)));
    EXPECT_EQ(e.Slots[1].y, Masked(a.y - spacing - MapFont.FontDescent));
    EXPECT_EQ(e.Slots[3].y, Masked(a.y + MapFont.FontAscent));
}

TEST_F(Texts_, JustifiedBoxEndsLinesAtTheRightEdge)
{
    AddSymbol(TextSymbol(10, 3));
    ElementRecord& e = Index.DrawElement;
    InitElement(e, 10, RectangleObject, 4, 0, 0);
    const int32_t left = 10000 * 256, top = 90000 * 256, width = 2500 * 256;
    e.Slots[0] = {left, top - 20000 * 256};
    e.Slots[1] = {left + width, top - 20000 * 256};
    e.Slots[2] = {left + width, top};
    e.Slots[3] = {left, top};
    SetText(e, u"aaa bb cccc d ee fff gg hhhh i jj kkk\rll mm");
    const auto g = Draw(e);
    ASSERT_EQ(g.size(), 31u);
    // Lines by baseline, top down.
    std::vector<std::vector<Drawn>> lines;
    for (const Drawn& d : g) {
        if (lines.empty() || lines.back().back().y != d.y)
            lines.emplace_back();
        lines.back().push_back(d);
    }
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0][0].y, top - MapFont.FontAscent);
    for (size_t k = 0; k + 1 < lines.size(); ++k) {
        const Drawn& last = lines[k].back();
        EXPECT_EQ(lines[k].front().x, left);
        const bool paragraphEnd = lines[k + 1].front().glyph == G(U'l') && lines[k + 1].size() == 4;
        const double end = last.x + SafeRound(MapFont.Font.GlyphAdvance(last.glyph) * MapFont.Factor);
        if (!paragraphEnd) {
            EXPECT_NEAR(end, left + width, 256) << "line " << k;
        }
    }
    // The last line of each paragraph is left-aligned: plain word spacing.
    const auto& lastLine = lines.back();
    ASSERT_EQ(lastLine.size(), 4u);
    EXPECT_EQ(lastLine[2].x, Masked(left + 2 * MeasureChar(U'l') + Texts.WordSpace));
}

TEST_F(Texts_, LongWordsBreakAndHyphensStay)
{
    AddSymbol(TextSymbol(10, 0));
    ElementRecord& e = Index.DrawElement;
    InitElement(e, 10, RectangleObject, 4, 0, 0);
    const int32_t left = 0, top = 90000 * 256;
    auto box = [&](int32_t width) {
        e.Slots[0] = {left, 0};
        e.Slots[1] = {left + width, 0};
        e.Slots[2] = {left + width, top};
        e.Slots[3] = {left, top};
    };
    box(200 * 256);  // narrower than one M
    SetText(e, u"MMMM");
    auto g = Draw(e);
    ASSERT_EQ(g.size(), 4u);
    for (size_t k = 1; k < g.size(); ++k) {
        EXPECT_EQ(g[k].x, left);
        EXPECT_NEAR(g[k].y, g[k - 1].y - Texts.LineSpace, 256);
    }

    SetText(e, u"aa-bbbbbb");
    ApplyMapFont();
    box(3 * MeasureChar(U'a') + MeasureChar(U'-') + MeasureChar(U'b'));
    g = Draw(e);
    ASSERT_EQ(g.size(), 9u);
    EXPECT_EQ(g[2].glyph, G(U'-'));
    EXPECT_EQ(g[2].y, g[0].y);
    EXPECT_LT(g[3].y, g[2].y);
    EXPECT_EQ(g[3].x, left);
}

TEST_F(Texts_, TabsParagraphsAndLineBelow)
{
    SymbolBytes s = TextSymbol(10, 0);
    SetSymI16(s, TsTabCount, 2);
    SetSymI32(s, TsTabs, 1000);
    SetSymI32(s, TsTabs + 4, 1500);
    SetSymI16(s, TsParaSpace, 100);
    SetSymI16(s, TsLineBelowOn, 1);
    SetSymI16(s, TsLineBelowColor, OtherColor);
    SetSymI16(s, TsLineBelowWidth, 20);
    SetSymI16(s, TsLineBelowDist, 50);
    AddSymbol(s);
    const Cord a{0, 0};
    ElementRecord& e = Point(10, a, u"a\tb\tc\td\rx");
    const auto g = Draw(e);
    ASSERT_EQ(g.size(), 5u);
    EXPECT_EQ(g[1].x, 1000 * 256);
    EXPECT_EQ(g[2].x, 1500 * 256);
    EXPECT_EQ(g[3].x, 2000 * 256);  // past the last tab: its interval again
    const int64_t spacing = SafeRound(100 / 720.0 * 2540 * 256);
    EXPECT_EQ(g[4].y, Masked(int32_t(-(spacing + (50 + 20 + 100) * 256))));

    // The rule goes out in its own colour pass, under each paragraph.
    Graph.CurrentColor = OtherColor;
    rec.clear();
    BeginDrawing(false);
    DrawTextObject(e);
    EndDrawing();
    EXPECT_TRUE(MapGlyphs(rec).empty());
    int strokes = 0;
    for (const std::string& l : rec.lines())
        strokes += l.rfind("polyline", 0) == 0;
    EXPECT_EQ(strokes, 2);
    EXPECT_NE(rec.text().find("polyline 0," + std::to_string(60 * 256)), std::string::npos) << rec.text();
}

TEST_F(Texts_, RightToLeftCodePagesAreReversedWideTextIsNot)
{
    for (int charset : {177, 178}) {
        SymbolBytes s = TextSymbol(10, 0);
        SetSymU8(s, TsCharset, uint8_t(charset));
        zmd->Symbols.clear();
        AddSymbol(s);
        const QByteArray bytes = charset == 177 ? QByteArray("\xE0\xE1\xE2") : QByteArray("\xC7\xC8\xCA");
        const QString chars = DecodeCodePage(charset == 177 ? 1255 : 1256, bytes);
        ASSERT_EQ(chars.size(), 3);
        ElementRecord& e = Point(10, Cord{0, 0}, u"");
        SetAnsiText(e, bytes);
        auto g = Draw(e);
        ASSERT_EQ(g.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NE(G(chars[k].unicode()), 0u);
            EXPECT_EQ(g[size_t(k)].glyph, G(chars[2 - k].unicode())) << charset;
        }
        EXPECT_LT(g[0].x, g[1].x);

        SetText(e, std::u16string_view(reinterpret_cast<const char16_t*>(chars.utf16()), 3));
        g = Draw(e);
        ASSERT_EQ(g.size(), 3u);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(g[size_t(k)].glyph, G(chars[k].unicode())) << charset;
    }
}

class LineTexts : public Texts_ {
protected:
    ElementRecord& Line(std::initializer_list<Cord> path, std::u16string_view text)
    {
        ElementRecord& e = Index.DrawElement;
        InitElement(e, 20, LineObject, uint16_t(path.size()), 0, 0);
        int k = 0;
        for (Cord c : path)
            e.Slots[size_t(k++)] = c;
        SetText(e, text);
        return e;
    }
    std::vector<Drawn> DrawLine(ElementRecord& e)
    {
        rec.clear();
        BeginDrawing(false);
        LayoutLineText(e, TextDrawMode);
        EndDrawing();
        return MapGlyphs(rec);
    }
};

TEST_F(LineTexts, StraightPathLeftCentredAndCut)
{
    AddSymbol(LineTextSymbol(20, 0));
    ElementRecord& e = Line({Cord{0, 0}, Cord{3000 * 256, 0}}, u"MMM");
    auto g = DrawLine(e);
    const int32_t m = MapFont.TextAdvances[0];
    ASSERT_EQ(g.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(g[size_t(k)].x, k * double(m), 256);
        EXPECT_EQ(g[size_t(k)].y, 0);
        EXPECT_EQ(g[size_t(k)].angle, 0);
    }
    // Centred: the same gaps, the middle of the text at the middle of the path.
    zmd->Symbols.clear();
    AddSymbol(LineTextSymbol(20, 1));
    g = DrawLine(e);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_NEAR(g[0].x, (3000 * 256 - 3 * m) / 2, 512);

    // A path shorter than the text, left-aligned: the characters past its end are not drawn.
    zmd->Symbols.clear();
    AddSymbol(LineTextSymbol(20, 0));
    ElementRecord& shortLine = Line({Cord{0, 0}, Cord{m / 256 * 3 / 2 * 256, 0}}, u"MMMMM");
    g = DrawLine(shortLine);
    EXPECT_EQ(g.size(), 2u);
    // Justified: all squeezed in.
    zmd->Symbols.clear();
    AddSymbol(LineTextSymbol(20, 3));
    g = DrawLine(shortLine);
    ASSERT_EQ(g.size(), 5u);
    EXPECT_LT(g[4].x, m / 256 * 3 / 2 * 256);
}

TEST_F(LineTexts, CharactersFollowACornerAndACurve)
{
    AddSymbol(LineTextSymbol(20, 0));
    const int32_t leg = 1000 * 256;
    ElementRecord& e = Line({Cord{0, 0}, Cord{leg, CornerFlag}, Cord{leg, leg}}, u"iiiiiiiiiiiiiiiiiiii");
    auto g = DrawLine(e);
    ASSERT_FALSE(g.empty());
    const int32_t adv = MapFont.TextAdvances[0];
    bool up = false;
    for (const Drawn& d : g) {
        if (d.x + adv + 512 < leg) {  // wholly before the corner
            EXPECT_EQ(d.y, 0);
            EXPECT_EQ(d.angle, 0);
        } else if (d.y > 512) {
            up = true;
            EXPECT_NEAR(d.x, leg, 256);
            EXPECT_EQ(d.angle, 90);
        }
    }
    EXPECT_TRUE(up);

    // A quarter circle: each character on the arc, turned along it.
    const int32_t r = 2000 * 256;
    const double k = 0.5523 * r;
    Line({Cord{r, 0}, Cord{r | FirstBezierFlag, int32_t(k) & CoordMask},
          Cord{(int32_t(k) & CoordMask) | SecondBezierFlag, r}, Cord{0, r}},
         u"iiiiiiiiiiiiiiiiiiiiiiii");
    g = DrawLine(Index.DrawElement);
    ASSERT_GT(g.size(), 5u);
    double prev = -1;
    for (const Drawn& d : g) {
        EXPECT_NEAR(std::hypot(d.x, d.y), r, r * 0.01);
        const double tangent = std::atan2(d.y, d.x) * 180 / std::numbers::pi + 90;
        EXPECT_NEAR(d.angle, tangent, 3);
        EXPECT_GT(d.angle, prev);
        prev = d.angle;
    }
}

TEST_F(Texts_, InkOfPlainTextsLiesInsideTheStoredRectangle)
{
    InstallRender();
    SymbolBytes s = TextSymbol(10, 0);
    SetSymI16(s, TsFontSize, 400);
    SetSymI16(s, SymExtent, int16_t(CalcTextSymbolExtent(s)));
    AddSymbol(s);
    SymbolBytes c = TextSymbol(20, 2);
    SetShortFieldText(std::span(c).subspan(TsFontName, 32), "Liberation Sans");
    SetSymI16(c, TsFontSize, 300);
    SetSymI16(c, TsCharSpacing, -20);
    SetSymI16(c, SymExtent, int16_t(CalcTextSymbolExtent(c)));
    AddSymbol(c);
    EXPECT_GT(SymI16(zmd->Symbols[0], SymExtent), 1411);  // above the em of 40 points

    struct Case { int symbol; int angle; const char16_t* text; };
    for (const Case cs : {Case{10, 0, u"\u00C4gjy\u0136 f\u00E9Q"}, Case{10, 300, u"Wj\u00C5\rpq,_"},
                          Case{20, -450, u"\u0152\u0131\u00DF|\t()"}}) {
        ElementRecord& e = Index.CurElement;
        InitElement(e, int16_t(cs.symbol), TextObject, 5, 0, int16_t(cs.angle));
        for (int k = 0; k < 5; ++k)
            e.Slots[size_t(k)] = Cord{200 * 256 * 100, 200 * 256 * 100};
        SetText(e, cs.text);
        ElementExtent(e);
        const CordRect r = Index.CurIndex.Rect;
        ASSERT_LT(r.x1, r.x2);

        // Two pixels per 0.01 mm... rather: the rectangle with a margin fills a 400 px image.
        const int size = 400;
        const double span = std::max(r.x2 - r.x1, r.y2 - r.y1) * 1.5;
        for (bool outlines : {false, true}) {
            ResetScaleState();
            Scale.ViewScaleX = size / span;
            Scale.ViewScaleY = -Scale.ViewScaleX;
            Scale.ViewOrigin = Cord{Masked(int32_t((r.x1 + r.x2) / 2 - span / 2)),
                                    Masked(int32_t((r.y1 + r.y2) / 2 + span / 2))};
            Graph.ClipRect = CordRect{Scale.ViewOrigin.x, int32_t(Scale.ViewOrigin.y - span),
                                      int32_t(Scale.ViewOrigin.x + span), Scale.ViewOrigin.y};
            MapFont.TextAsOutlines = outlines;
            Index.DrawElement = e;
            const QImage img = DrawImage(size, size, [] { DrawTextObject(); });
            const QRect ink = PaintedBounds(img);
            ASSERT_FALSE(ink.isEmpty());
            const QPointF lo = CordToDeviceF({r.x1, r.y2});
            const QPointF hi = CordToDeviceF({r.x2, r.y1});
            EXPECT_GE(ink.left(), std::floor(lo.x()) - 1) << cs.angle;
            EXPECT_GE(ink.top(), std::floor(lo.y()) - 1) << cs.angle;
            EXPECT_LE(ink.right(), std::ceil(hi.x()) + 1) << cs.angle;
            EXPECT_LE(ink.bottom(), std::ceil(hi.y()) + 1) << cs.angle;
        }
    }
}

TEST_F(Texts_, UnusableSymbolDrawsGreyInEveryPass)
{
    MakeDefaultSymbols();
    SymbolBytes broken = TextSymbol(10, 0);
    broken.resize(560);
    SetSymI16(broken, SymSize, 560);
    AddSymbol(broken);
    ElementRecord& e = Point(10, Cord{0, 0}, u"ab");
    Graph.CurrentColor = OtherColor;
    const uint32_t before = Graph.OutputCmyk;
    const auto g = Draw(e);
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].color, Rgb(Graph.GreyCmyk));
    EXPECT_EQ(Graph.OutputCmyk, before);
}

TEST_F(Texts_, ExportRunsAndFramingRectangle)
{
    SymbolBytes s = TextSymbol(10, 0);
    SetSymI16(s, TsTabCount, 1);
    SetSymI32(s, TsTabs, 2000);
    SetSymU8(s, TsFramingMode, 3);
    SetSymI16(s, TsFrameLeft, 10);
    SetSymI16(s, TsFrameBottom, 20);
    SetSymI16(s, TsFrameRight, 30);
    SetSymI16(s, TsFrameTop, 40);
    AddSymbol(s);
    ElementRecord& cur = Index.CurElement;
    InitElement(cur, 10, TextObject, 5, 0, 0);
    SetText(cur, u"ab\tcd\r\u00E9f");
    std::vector<std::pair<std::string, Cord>> runs;
    ExportTextObject([&](ElementRecord& e) {
        EXPECT_EQ(e.ObjectType, TextObject);
        EXPECT_EQ(e.nItem, 1);
        runs.emplace_back(reinterpret_cast<const char*>(e.TextBytes()), e.Slots[0]);
    });
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].first, "ab");
    EXPECT_EQ(runs[1].first, "cd");
    EXPECT_EQ(runs[1].second, (Cord{2000 * 256, 0}));
    EXPECT_EQ(runs[2].first, "\xE9" "f");
    EXPECT_EQ(runs[2].second.y, Masked(-Texts.LineSpace));

    // The frame: from the first baseline plus the capital height plus the top margin down to
    // the last baseline less the bottom margin.
    ElementRecord& e = Point(10, Cord{0, 0}, u"ab\rcd");
    MeasureTextObject(e);
    Graph.CurrentColor = 3;
    rec.clear();
    BeginDrawing(false);
    DrawTextObject(e);
    EndDrawing();
    const std::string t = rec.text();
    const size_t at = t.find("polygon ");
    ASSERT_NE(at, std::string::npos) << t;
    const int32_t top = MapFont.CapHeight + 40 * 256;
    const int32_t bottom = -Texts.LineSpace - 20 * 256;
    EXPECT_NE(t.find(std::to_string(-Masked(top))), std::string::npos) << t;
    EXPECT_NE(t.find(std::to_string(-Masked(bottom))), std::string::npos) << t;
    EXPECT_NE(t.find(std::to_string(-10 * 256) + ","), std::string::npos) << t;
}

TEST_F(LineTexts, ShadowsAreDrawnAtTheStoredOffsets)
{
    // Shadow framing in colour 3: the text symbol's shadow 0.20 mm right and 0.10 mm down, the
    // line-text symbol's 0.30 mm left and 0.15 mm up (fields at their literal offsets).
    SymbolBytes point = TextSymbol(10, 0);
    SetSymI16(point, TsFontSize, 30);
    SetSymU8(point, 542, 1);
    SetSymI16(point, 576, 3);
    SetSymI16(point, 584, 20);
    SetSymI16(point, 586, -10);
    AddSymbol(point);
    SymbolBytes line = LineTextSymbol(20, 0);
    SetSymI16(line, TsFontSize, 30);
    SetSymU8(line, 394, 1);
    SetSymI16(line, 428, 3);
    SetSymI16(line, 436, -30);
    SetSymI16(line, 438, 15);
    AddSymbol(line);
    struct Case { bool lineText; int dx, dy; };  // pixels, y down
    for (const Case c : {Case{false, 20, 10}, Case{true, -30, -15}}) {
        SCOPED_TRACE(c.lineText);
        PixelTransform(400, 250);
        ElementRecord& e = c.lineText ? Line({At(60, 150, 250), At(360, 150, 250)}, u"AB")
                                      : Point(10, At(60, 150, 250), u"AB");
        const auto pass = [&](int color) {
            return DrawImage(400, 250, [&] {
                Graph.CurrentColor = color;
                if (c.lineText)
                    LayoutLineText(e, TextDrawMode);
                else
                    DrawTextObject(e);
            });
        };
        const QRect text = PaintedBounds(pass(TextColor));
        const QRect shadow = PaintedBounds(pass(3));
        ASSERT_GT(text.width(), 20);
        EXPECT_EQ(shadow, text.translated(c.dx, c.dy));
    }
}

} // namespace
