#include "render/Texts.h"

#include "core/CodePage.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "render/GraphSys.h"
#include "render/PathWalk.h"
#include "render/RectLabels.h"
#include "render/Scale.h"
#include "symbols/store/SymbolRecords.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace zemo {

TextsState Texts;

namespace {

int Field(size_t offset) { return SymI16(Texts.Symbol, offset); }
int Byte(size_t offset) { return SymU8(Texts.Symbol, offset); }

const std::vector<uint8_t>& Classes() { return MapFont.TextClasses; }
uint8_t ClassAt(int i)
{
    const auto& c = MapFont.TextClasses;
    return i >= 0 && size_t(i) < c.size() ? c[size_t(i)] : 0;
}
int32_t AdvanceAt(int i) { return MapFont.TextAdvances[size_t(i)]; }
bool Printable(uint8_t c) { return c >= 33; }

int32_t Clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

TextCaretHitFn& CaretHitState()
{
    static TextCaretHitFn fn;
    return fn;
}

// Mode 3 of a line text: is the mouse on the middle of a character?
bool CaretHitsMiddle(Cord mouse, Cord middle, const ElementRecord& e, int64_t& distance)
{
    if (CaretHitState())
        return CaretHitState()(mouse, middle, e, distance);
    const int64_t ax = std::llabs(int64_t(Masked(mouse.x)) - Masked(middle.x));
    const int64_t ay = std::llabs(int64_t(Masked(mouse.y)) - Masked(middle.y));
    distance = ay >= ax ? ay + ax / 2 : ax + ay / 2;
    return distance < Scale.PickTolerance;
}

// Origin + (x, y) turned by the object angle, masked.
Cord Turned(int64_t x, int64_t y)
{
    const TextsState& t = Texts;
    const double dx = double(x), dy = double(y);
    return Cord{Masked(SafeRound(double(Masked(t.Origin.x)) + dx * t.CosA - dy * t.SinA)),
                Masked(SafeRound(double(Masked(t.Origin.y)) + dx * t.SinA + dy * t.CosA))};
}

// (x, y) of p relative to the origin, turned back by the object angle.
void TurnedBack(Cord p, double& x, double& y)
{
    const TextsState& t = Texts;
    const double dx = double(Masked(p.x)) - Masked(t.Origin.x);
    const double dy = double(Masked(p.y)) - Masked(t.Origin.y);
    x = dx * t.CosA + dy * t.SinA;
    y = -dx * t.SinA + dy * t.CosA;
}

// The object's text as UTF-16: stored wide text as it is; 8-bit text through the code page
// of the symbol's charset, reversed for the right-to-left code pages.
std::u16string ObjectText(const ElementRecord& e, int charset)
{
    std::u16string out;
    if (e.nItem >= ElementSlotCapacity)
        return out;
    const size_t bytes = std::min<size_t>(e.nText, ElementSlotCapacity - e.nItem) * 8;
    const uint8_t* p = e.TextBytes();
    if (e.Flags & ElementUtf16Flag) {
        for (size_t k = 0; k + 1 < bytes && out.size() < size_t(MaxTextChars); k += 2) {
            const char16_t c = char16_t(p[k] | (p[k + 1] << 8));
            if (c == 0)
                break;
            out.push_back(c);
        }
        return out;
    }
    size_t len = 0;
    while (len < bytes && p[len])
        ++len;
    const int codePage = CharsetToCodePage(charset);
    const QString text = DecodeCodePage(codePage, reinterpret_cast<const char*>(p), qsizetype(len));
    out.assign(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    if (out.size() > size_t(MaxTextChars))
        out.resize(size_t(MaxTextChars));
    if (codePage == 1255 || codePage == 1256)
        std::reverse(out.begin(), out.end());
    return out;
}

void SetAngle(int angle)
{
    const double a = angle / 10.0 * std::numbers::pi / 180.0;
    Texts.CosA = std::cos(a);
    Texts.SinA = std::sin(a);
}

// ---- Lines of point texts and boxes ----

int Alignment() { return Field(TsAlignment); }

void MeasurePointLine(int start)
{
    TextsState& t = Texts;
    const int align = Alignment();
    int64_t x = (align == 0 || align == 3) ? int64_t(Field(TsFirstIndent)) * 256 : 0;
    const int64_t indent = x;
    t.LeftMargin = 0;
    t.JustExtra = t.JustRemainder = 0;
    int i = start;
    if (ClassAt(i) == CarriageReturnClass)
        ++i;
    t.AfterLastTab = i;
    for (; ClassAt(i) != TextEndClass && ClassAt(i) != CarriageReturnClass; ++i) {
        const uint8_t c = ClassAt(i);
        if (c == TabClass)
            x = NextTabStop(Clamp32(x));
        else if (c == SpaceClass)
            x += t.WordSpace;
        else if (Printable(c))
            x += int64_t(AdvanceAt(i)) + t.CharSpace;
    }
    t.LineEnd = t.LineDrawEnd = i;
    if (align == 1)
        t.LineStartX = Clamp32(-x / 2);
    else if (align == 2)
        t.LineStartX = Clamp32(-x);
    else
        t.LineStartX = Clamp32(indent);
    if (align == 1 || align == 2)
        t.LeftMargin = t.LineStartX;
}

void BreakBoxLine(int start, bool paraFirst, int32_t w)
{
    TextsState& t = Texts;
    const int align = Alignment();
    t.LeftMargin = 0;
    t.JustExtra = t.JustRemainder = 0;
    int64_t x = (align == 1 || align == 2)
                    ? 0
                    : int64_t(paraFirst ? Field(TsFirstIndent) : Field(TsOtherIndent)) * 256;
    const int64_t indent = x;
    int i = start;
    if (ClassAt(i) == CarriageReturnClass)
        ++i;
    const int content = i;
    int64_t free = w - x;
    int spaces = 0;
    int afterTab = content;
    int breakAt = -1;
    bool breakConsumes = false;
    int64_t breakFree = 0;
    int breakSpaces = 0;
    int breakAfterTab = content;
    bool broken = false;
    int end = i;
    for (;;) {
        const uint8_t c = ClassAt(i);
        if (c == TextEndClass || c == CarriageReturnClass) {
            free = w - x;
            end = i;
            break;
        }
        const int64_t before = x;
        if (c == TabClass) {
            x = NextTabStop(Clamp32(x));
            afterTab = i + 1;
            spaces = 0;
        } else if (c == SpaceClass) {
            if (x <= w) {
                breakAt = i;
                breakConsumes = true;
                breakFree = w - x;
                breakSpaces = spaces;
                breakAfterTab = afterTab;
            }
            ++spaces;
            x += t.WordSpace;
        } else if (Printable(c)) {
            x += int64_t(AdvanceAt(i)) + t.CharSpace;
            // A hyphen that still fits is a break after it.
            if (x <= w && size_t(i) < t.TextBuffer.size() && t.TextBuffer[size_t(i)] == u'-') {
                breakAt = i + 1;
                breakConsumes = false;
                breakFree = w - x;
                breakSpaces = spaces;
                breakAfterTab = afterTab;
            }
        }
        if (x > w && c != SpaceClass) {
            broken = true;
            if (breakAt > content || (breakAt == content && breakConsumes)) {
                end = breakAt;
                free = breakFree;
                spaces = breakSpaces;
                afterTab = breakAfterTab;
            } else {
                end = i;
                free = w - before;
                breakConsumes = false;
            }
            break;
        }
        ++i;
    }
    // An over-long word is broken, never leaving an empty line (but an empty paragraph stays).
    if (broken && end <= content) {
        end = content + 1;
        broken = true;
        breakConsumes = false;
        int64_t xx = indent;
        const uint8_t c = ClassAt(content);
        if (c == TabClass)
            xx = NextTabStop(Clamp32(xx));
        else if (c == SpaceClass)
            xx += t.WordSpace;
        else if (Printable(c))
            xx += int64_t(AdvanceAt(content)) + t.CharSpace;
        free = w - xx;
        spaces = 0;
    }
    t.LineDrawEnd = end;
    t.LineEnd = end;
    if (broken && breakConsumes && end == breakAt && ClassAt(end) == SpaceClass)
        t.LineEnd = end + 1;
    t.AfterLastTab = afterTab;
    if (align == 1)
        t.LineStartX = Clamp32(indent + free / 2);
    else if (align == 2)
        t.LineStartX = Clamp32(indent + free);
    else
        t.LineStartX = Clamp32(indent);
    if (align == 1 || align == 2)
        t.LeftMargin = t.LineStartX;
    if (align == 3 && broken && spaces > 0 && free > 0) {
        t.JustExtra = Clamp32(free / spaces);
        t.JustRemainder = Clamp32(free - int64_t(t.JustExtra) * spaces);
    }
}

// A new text object for one export run.
void EmitRun(int from, int to, int64_t x, int64_t y)
{
    if (to <= from || !Texts.ExportCallback)
        return;
    const std::u16string_view run(Texts.TextBuffer.data() + from, size_t(to - from));
    const QByteArray bytes = EncodeCodePage(
        1252, QString::fromUtf16(run.data(), qsizetype(run.size())));
    ElementRecord& out = Index.CurElement;
    const ElementRecord& src = Index.DrawElement;
    const size_t textSlots = (size_t(bytes.size()) + 1 + 7) / 8;
    out.Symbol = src.Symbol;
    out.ObjectType = TextObject;
    out.Flags = 0;
    out.nItem = 1;
    out.nText = uint16_t(textSlots);
    out.Angle = src.Angle;
    out.Word10 = out.Word12 = out.Word14 = 0;
    out.LayerName = src.LayerName;
    out.Slots[0] = Turned(x, y);
    std::memset(out.TextBytes(), 0, textSlots * 8);
    std::memcpy(out.TextBytes(), bytes.constData(), size_t(bytes.size()));
    Texts.ExportCallback(out);
}

void DrawFramed(int32_t px, int32_t py, int angle, uint32_t code, int mode, int shadowX,
                int shadowY, int width, double cosA, double sinA)
{
    if (mode == 1) {
        const double dx = double(shadowX) * 256, dy = double(shadowY) * 256;
        const int32_t sx = Masked(SafeRound(px + dx * cosA - dy * sinA));
        const int32_t sy = Masked(SafeRound(py + dx * sinA + dy * cosA));
        DrawMapChar(sx, sy, angle, code);
    } else if (mode == 2) {
        DrawMapCharOutline(px, py, angle, width, code);
    }
}

void LineBelow(int64_t y, int32_t x1, int32_t x2)
{
    Graph.WorkPoints2Count = 0;
    const Cord a = Turned(x1, y), b = Turned(x2, y);
    GraphMoveTo(a.x, a.y);
    GraphLineTo(b.x, b.y);
    GraphStroke(Field(TsLineBelowWidth), 0);
}

// The framing rectangle of a point text or box from its stored extent.
void FrameRectangle(const ElementRecord& e)
{
    const Cord* c = e.Cords();
    const int first = Texts.Box ? 0 : 1;
    if (e.nItem < first + 4)
        return;
    double x[4], y[4];
    for (int k = 0; k < 4; ++k)
        TurnedBack(c[first + k], x[k], y[k]);
    double left = std::min({x[0], x[1], x[2], x[3]}), right = std::max({x[0], x[1], x[2], x[3]});
    double bottom = std::min({y[0], y[1], y[2], y[3]}), top = std::max({y[0], y[1], y[2], y[3]});
    left -= double(Field(TsFrameLeft)) * 256;
    bottom = bottom + MapFont.FontDescent - double(Field(TsFrameBottom)) * 256;
    right += double(Field(TsFrameRight)) * 256;
    top = top + MapFont.CapHeight + double(Field(TsFrameTop)) * 256 - MapFont.FontAscent;
    const auto r = [](double v) { return int64_t(std::nearbyint(v)); };
    const Cord p[4] = {Turned(r(left), r(bottom)), Turned(r(right), r(bottom)),
                       Turned(r(right), r(top)), Turned(r(left), r(top))};
    Graph.WorkPoints2Count = 0;
    GraphMoveTo(p[0].x, p[0].y);
    for (int k = 1; k < 4; ++k)
        GraphLineTo(p[k].x, p[k].y);
    GraphLineTo(p[0].x, p[0].y);
    GraphFill(false);
}

} // namespace

void ResetTextsState() { Texts = TextsState{}; }

int TextSymbolHeight(std::span<const uint8_t> rec)
{
    QString name;
    if (rec.size() >= TsFontName + String31Bytes)
        name = DecodeCodePage(
            1252, QByteArray::fromStdString(ShortFieldText(rec.subspan(TsFontName, String31Bytes))));
    const int size = SymI16(rec, TsFontSize);
    const ResolvedFont f = FontService::Instance().FindFont(name, IsBoldWeight(SymI16(rec, TsFontWeight)),
                                                            SymU8(rec, TsItalic) != 0);
    const double em = size / 720.0 * 2540.0;
    if (!f.IsValid() || f.unitsPerEm <= 0)
        return int(std::nearbyint(em));
    return int(std::nearbyint(em * (f.winAscent + f.winDescent) / f.unitsPerEm));
}

int32_t NextTabStop(int32_t x)
{
    const TextsState& t = Texts;
    const int count = Field(TsTabCount);
    if (count < 1 || count > MaxTabPositions)
        return x;
    const auto tab = [](int k) { return int64_t(SymI32(Texts.Symbol, TsTabs + 4 * size_t(k))) * 256; };
    int64_t stop = tab(0);
    int64_t interval = std::max<int64_t>(stop, 256);
    int k = 0;
    while (int64_t(x) >= t.LeftMargin + stop) {
        if (k + 1 < count) {
            interval = std::max<int64_t>(tab(k + 1) - tab(k), 256);
            stop += interval;
            ++k;
        } else {
            // Past the last tab: whole further intervals at once.
            const int64_t steps = (int64_t(x) - t.LeftMargin - stop) / interval + 1;
            stop += steps * interval;
        }
    }
    return Clamp32(t.LeftMargin + stop);
}

void PrepareTextSymbol(const ElementRecord& e)
{
    TextsState& t = Texts;
    t.LineText = e.ObjectType == LineObject;
    SymbolBytes* rec = nullptr;
    GetSymbol(e.Symbol, rec);
    bool usable = false;
    if (rec) {
        const std::span<const uint8_t> r(*rec);
        if (t.LineText)
            usable = SymI16(r, SymObjectType) == LineObject && SymU8(r, SymTextFlag) == 1
                     && r.size() == LineTextSymbolBytes && SymI16(r, SymSize) == int(LineTextSymbolBytes);
        else
            usable = SymI16(r, SymObjectType) == TextObject && r.size() == TextSymbolBytes
                     && SymI16(r, SymSize) == int(TextSymbolBytes);
    }
    t.Substitute = !usable;
    if (usable) {
        t.Symbol.assign(rec->begin(), rec->end());
    } else {
        if (t.LineText)
            t.Symbol.assign(DefaultLineTextSymbol.begin(), DefaultLineTextSymbol.end());
        else
            t.Symbol.assign(DefaultTextSymbol.begin(), DefaultTextSymbol.end());
        t.SavedCmyk = Graph.OutputCmyk;
        Graph.OutputCmyk = Graph.GreyCmyk;
    }
    SetupTextFont(e);
    if (!t.LineText) {
        t.Box = e.ObjectType == RectangleObject;
        SetAngle(e.Angle);
    } else {
        t.Box = false;
        SetAngle(0);
    }
}

void SetupTextFont(const ElementRecord& e)
{
    TextsState& t = Texts;
    const std::span<const uint8_t> sym(t.Symbol);
    const std::string name = ShortFieldText(sym.subspan(TsFontName, String31Bytes));
    SelectMapFont(DecodeCodePage(1252, QByteArray::fromStdString(name)), Field(TsFontSize),
                  Field(TsFontWeight), Byte(TsItalic) != 0);
    ApplyMapFont();
    const int64_t space = MapFont.SpaceWidth;
    t.CharSpace = Masked(Clamp32(space * Field(TsCharSpacing) / 100));
    t.WordSpace = Masked(Clamp32(space * Field(TsWordSpacing) / 100));
    t.LineSpace = t.LineText ? 0
                             : SafeRound(Field(TsFontSize) / 720.0 * 2540.0 * Field(TsLineSpacing)
                                         / 100.0 * 256.0);
    t.TextBuffer = ObjectText(e, Byte(TsCharset));
}

void RestoreTextColor()
{
    if (Texts.Substitute)
        Graph.OutputCmyk = Texts.SavedCmyk;
}

void LayoutText(ElementRecord& e, int mode)
{
    if (e.ObjectType == LineObject)
        LayoutLineText(e, mode);
    else
        LayoutPlainText(e, mode);
}

void LayoutPlainText(ElementRecord& e, int mode)
{
    TextsState& t = Texts;
    PrepareTextSymbol(e);
    MeasureText(t.TextBuffer);
    t.MinX = t.MaxX = 0;
    const Cord* c = e.Cords();
    int32_t w = 0;
    int64_t y = 0;
    if (t.Box) {
        if (e.nItem < 4) {
            RestoreTextColor();
            return;
        }
        t.Origin = c[3];
        double bx, by;
        TurnedBack(c[2], bx, by);
        w = Clamp32(int64_t(std::nearbyint(bx)));
        y = -int64_t(MapFont.FontAscent);
        BreakBoxLine(0, true, w);
    } else {
        if (e.nItem < 1) {
            RestoreTextColor();
            return;
        }
        t.Origin = c[0];
        MeasurePointLine(0);
    }

    const int textColor = Field(TsTextColor);
    const int framingColor = Field(TsFramingColor);
    const int framingMode = Byte(TsFramingMode);
    const bool drawText = mode == TextDrawMode && (Graph.CurrentColor == textColor || t.Substitute);
    const bool drawFraming = mode == TextDrawMode && !t.Substitute && Graph.CurrentColor == framingColor
                             && (framingMode == 1 || framingMode == 2);
    const int32_t ascent = MapFont.FontAscent;
    const int angle = e.Angle;

    // Caret placement state.
    bool caretDone = false, anchorDone = false;
    double mouseX = 0, mouseY = 0;
    if (mode == TextCaretHitMode)
        TurnedBack(t.CursorMapPos, mouseX, mouseY);
    int hit = -1;
    int nearest = -1;
    int64_t nearestDist = INT64_MAX;
    const int keptLine = t.CaretLine;
    const int32_t keptX = t.CaretX;

    int line = 0;
    int i = 0;
    int64_t x = 0;
    for (int guard = 0; guard <= int(Classes().size()); ++guard) {
        x = t.LineStartX;
        t.MinX = std::min<int32_t>(t.MinX, Clamp32(x));
        t.MaxX = std::max<int32_t>(t.MaxX, Clamp32(x));
        if (ClassAt(i) == CarriageReturnClass && i < t.LineDrawEnd)
            ++i;
        const int lineContent = i;
        const bool lineShown = !t.CaretLineOnly || line == keptLine;
        const bool topAbove = double(y) + ascent > mouseY;
        if (mode == TextCaretHitMode && (topAbove || hit < 0))
            hit = lineContent;
        int runStart = lineContent;
        int64_t runX = x;
        int spaceNo = 0;
        const auto caretAt = [&](int index) {
            if (mode == TextExtentMode) {
                if (!caretDone && index == t.CaretIndex) {
                    caretDone = true;
                    t.CaretLine = line;
                    t.CaretX = Clamp32(x);
                    t.CaretY = Clamp32(y);
                    t.CaretLineLast = t.LineDrawEnd;
                }
                if (!anchorDone && index == t.AnchorIndex) {
                    anchorDone = true;
                    t.AnchorLine = line;
                    t.AnchorX = Clamp32(x);
                    t.AnchorY = Clamp32(y);
                }
            } else if (mode == TextCaretLineMode && line == keptLine) {
                const int64_t d = std::abs(x - keptX);
                if (d < nearestDist) {
                    nearestDist = d;
                    nearest = index;
                }
            }
        };
        for (; i < t.LineDrawEnd; ++i) {
            caretAt(i);
            const uint8_t cls = ClassAt(i);
            const int64_t before = x;
            if (cls == TabClass) {
                if (mode == TextExportMode)
                    EmitRun(runStart, i, runX, y);
                x = NextTabStop(Clamp32(x));
                runStart = i + 1;
                runX = x;
            } else if (cls == SpaceClass) {
                x += t.WordSpace;
                if (i >= t.AfterLastTab) {
                    x += t.JustExtra;
                    if (spaceNo < t.JustRemainder)
                        ++x;
                    ++spaceNo;
                }
            } else if (Printable(cls)) {
                if (lineShown && (drawText || drawFraming)) {
                    const Cord p = Turned(x, y);
                    const uint32_t code = MapFont.TextChars[size_t(i)];
                    if (drawText)
                        DrawMapChar(p.x, p.y, angle, code);
                    if (drawFraming)
                        DrawFramed(p.x, p.y, angle, code, framingMode, Field(TsShadowX),
                                   Field(TsShadowY), Field(TsFramingWidth), t.CosA, t.SinA);
                }
                x += int64_t(AdvanceAt(i)) + t.CharSpace;
            }
            if (mode == TextCaretHitMode && topAbove && cls != TextEndClass
                && double(before + x) / 2 < mouseX)
                hit = i + 1;
            t.MinX = std::min<int32_t>(t.MinX, Clamp32(x));
            t.MaxX = std::max<int32_t>(t.MaxX, Clamp32(x));
        }
        if (mode == TextExportMode)
            EmitRun(runStart, t.LineDrawEnd, runX, y);
        // The caret at the end of the line (before a consumed space, a return or the end).
        const int next = t.LineEnd;
        const uint8_t nextClass = ClassAt(next);
        if (mode == TextExtentMode || mode == TextCaretLineMode) {
            for (int k = t.LineDrawEnd; k <= next; ++k)
                if (k < next || nextClass == TextEndClass || nextClass == CarriageReturnClass)
                    caretAt(k);
        }
        const int32_t lineEndX = Clamp32(x);
        const bool paraEnd = nextClass == TextEndClass || nextClass == CarriageReturnClass;
        if (paraEnd) {
            if (Field(TsLineBelowOn)) {
                y -= int64_t(Field(TsLineBelowDist)) * 256 + int64_t(Field(TsLineBelowWidth)) * 128;
                if (mode == TextLineBelowMode && lineShown && Graph.CurrentColor == Field(TsLineBelowColor))
                    LineBelow(y, t.Box ? 0 : t.LineStartX, t.Box ? w : lineEndX);
                y -= int64_t(Field(TsLineBelowWidth)) * 128;
            }
            if (nextClass == CarriageReturnClass)
                y -= int64_t(Field(TsParaSpace)) * 256;
        }
        if (nextClass == TextEndClass || next >= int(Classes().size()) - 1)
            break;
        // A new line.
        i = next;
        ++line;
        y -= t.LineSpace;
        const bool paraFirst = nextClass == CarriageReturnClass;
        if (t.Box)
            BreakBoxLine(next, paraFirst, w);
        else
            MeasurePointLine(next);
    }

    if (mode == TextCaretHitMode && hit >= 0)
        t.CaretIndex = hit;
    if (mode == TextCaretLineMode && nearest >= 0)
        t.CaretIndex = nearest;

    if (mode == TextDrawMode && !t.Substitute && framingMode == 3 && Graph.CurrentColor == framingColor)
        FrameRectangle(e);

    if (mode == TextExtentMode) {
        Cord* out = e.Cords();
        const int64_t bottom = y - MapFont.FontDescent;
        if (t.Box) {
            out[0] = Turned(0, bottom);
            out[1] = Turned(w, bottom);
        } else if (e.nItem >= 5) {
            out[1] = Turned(t.MinX, bottom);
            out[2] = Turned(t.MaxX, bottom);
            out[3] = Turned(t.MaxX, ascent);
            out[4] = Turned(t.MinX, ascent);
        }
        for (int k = 0; k < e.nItem; ++k)
            out[k] = Cord{Masked(out[k].x), Masked(out[k].y)};
    }
    RestoreTextColor();
}

void LayoutLineText(ElementRecord& e, int mode)
{
    TextsState& t = Texts;
    PrepareTextSymbol(e);
    MeasureText(t.TextBuffer);
    const int textColor = Field(TsTextColor);
    const int framingMode = Byte(LtFramingMode);
    const int framingColor = Field(LtFramingColor);
    const bool drawText = Graph.CurrentColor == textColor || t.Substitute;
    const bool drawFraming = !t.Substitute && (framingMode == 1 || framingMode == 2)
                             && Graph.CurrentColor == framingColor;
    if (mode == TextDrawMode && !drawText && !drawFraming) {
        RestoreTextColor();
        return;
    }
    if (&e != &Index.DrawElement)
        Index.DrawElement = e;
    const ElementRecord& d = Index.DrawElement;
    t.AnchorPoint = d.nItem > 0 ? d.Cords()[0] : Cord{};
    if (mode != TextExportMode)
        t.TextStart = t.TextEnd = t.AnchorPoint;
    if (d.nItem < 2) {
        RestoreTextColor();
        return;
    }
    PrepareLinePath(d);
    StartPathWalk();
    const int64_t L = std::min<int32_t>(PathWalk.TotalLength, 64000);
    if (L <= 0) {
        RestoreTextColor();
        return;
    }
    const int64_t room = L * 256;

    // Width and start (the remainder of a justified division is not used along a path).
    const int align = Alignment();
    int chars = 0;
    int last = -1;
    for (int i = 0; ClassAt(i) != TextEndClass; ++i)
        if (Printable(ClassAt(i)) || ClassAt(i) == SpaceClass) {
            ++chars;
            last = i;
        }
    int64_t width = 0;
    for (int i = 0; ClassAt(i) != TextEndClass; ++i) {
        const uint8_t c = ClassAt(i);
        int64_t add = 0;
        if (c == SpaceClass)
            add = t.WordSpace;
        else if (Printable(c))
            add = int64_t(AdvanceAt(i)) + (i != last ? t.CharSpace : 0);
        else
            continue;
        if (align != 3 && width + add > room)
            break;
        width += add;
    }
    const int64_t free = room - width;
    int64_t start = 0, extra = 0;
    if (align == 1)
        start = free / 2;
    else if (align == 2)
        start = free;
    else if (align == 3)
        extra = chars > 1 ? free / (chars - 1) : 0;
    start = std::max<int64_t>(start, 0);

    WalkPathTo(int32_t(start / 256));
    t.TextStart = t.AnchorPoint = PathWalk.Current;
    int64_t pos = start;
    int done = 0;
    bool caretDone = false;
    // Mode 3: the character whose middle is hit nearest to the mouse.
    const bool placing = mode == TextCaretHitMode;
    int nearest = -1;
    int64_t nearestDist = INT64_MAX;
    const auto probe = [&](int i, int64_t middle) {
        WalkPathTo(Clamp32(std::max<int64_t>(middle, 0) / 256));
        int64_t dist = 0;
        if (CaretHitsMiddle(t.CursorMapPos, PathWalk.Current, d, dist) && dist < nearestDist) {
            nearestDist = dist;
            nearest = i;
        }
    };
    for (int i = 0; ClassAt(i) != TextEndClass && pos < room; ++i) {
        const uint8_t c = ClassAt(i);
        if (mode == TextExtentMode && !caretDone && i == t.CaretIndex) {
            caretDone = true;
            t.CaretPoint = PathWalk.Current;
            double s, co;
            PathDirectionHere(s, co);
            t.CaretDirection = std::atan2(s, co);
        }
        if (c == SpaceClass) {
            if (placing)
                probe(i, pos + (int64_t(t.WordSpace) + extra) / 2);
            pos += t.WordSpace + extra;
            WalkPathTo(Clamp32(pos / 256));
            ++done;
            continue;
        }
        if (!Printable(c))
            continue;
        const Cord p0 = PathWalk.Current;
        if (placing)
            probe(i, pos + AdvanceAt(i) / 2);
        pos += AdvanceAt(i);
        WalkPathTo(Clamp32(pos / 256));
        const Cord p1 = PathWalk.Current;
        if (mode == TextDrawMode) {
            const double a = VectorAngle(double(Masked(p1.x)) - Masked(p0.x),
                                         double(Masked(p1.y)) - Masked(p0.y));
            const int angle = int(std::nearbyint(a * 1800 / std::numbers::pi));
            const uint32_t code = MapFont.TextChars[size_t(i)];
            if (drawText)
                DrawMapChar(p0.x, p0.y, angle, code);
            if (drawFraming)
                DrawFramed(p0.x, p0.y, angle, code, framingMode, Field(LtShadowX), Field(LtShadowY),
                           Field(LtFramingWidth), std::cos(a), std::sin(a));
        }
        pos += t.CharSpace + extra;
        WalkPathTo(Clamp32(std::max<int64_t>(pos, 0) / 256));
        t.TextEnd = p1;
        if (2 * done < chars)
            t.AnchorPoint = p1;
        ++done;
    }
    if (placing && nearest >= 0) {
        // After the character, and after the second half of a surrogate pair with it.
        int caret = nearest + 1;
        while (ClassAt(caret) == 1)
            ++caret;
        t.CaretIndex = caret;
    }
    if (mode == TextExtentMode && !caretDone) {
        t.CaretPoint = t.TextEnd;
        double s, co;
        PathDirectionHere(s, co);
        t.CaretDirection = std::atan2(s, co);
    }
    RestoreTextColor();
}

void DrawTextObject(ElementRecord& e)
{
    LayoutText(e, TextDrawMode);
    LayoutText(e, TextLineBelowMode);
}

void DrawTextObject() { DrawTextObject(Index.DrawElement); }

void DrawLineTextObject() { LayoutLineText(Index.DrawElement, TextDrawMode); }

void MeasureTextObject(ElementRecord& e)
{
    if (e.ObjectType != LineObject)
        LayoutPlainText(e, TextExtentMode);
}

void TextAnchorPoint(Cord& out)
{
    ElementRecord& e = Index.DrawElement;
    if (e.ObjectType != LineObject) {
        out = e.nItem > 0 ? e.Cords()[0] : Cord{};
        return;
    }
    LayoutLineText(e, TextAnchorMode);
    out = Texts.AnchorPoint;
}

void ExportTextObject(const TextExportFn& callback)
{
    Index.DrawElement = Index.CurElement;
    Texts.ExportCallback = callback;
    LayoutPlainText(Index.DrawElement, TextExportMode);
    Texts.ExportCallback = nullptr;
}

void ExportLineText(const TextExportFn& callback)
{
    ElementRecord& cur = Index.CurElement;
    if (cur.nItem < 1)
        return;
    Texts.TextStart = cur.Cords()[0];
    Texts.TextEnd = cur.Cords()[cur.nItem - 1];
    LayoutLineText(cur, TextExportMode);
    const Cord start = Texts.TextStart, end = Texts.TextEnd;
    // A point text at the text's start, turned along it, with the same text.
    const size_t textSlots = std::min<size_t>(cur.nText, ElementSlotCapacity - cur.nItem);
    std::memmove(cur.Slots.data() + 1, cur.Slots.data() + cur.nItem, textSlots * 8);
    cur.Slots[0] = Cord{Masked(start.x), Masked(start.y)};
    cur.nItem = 1;
    cur.nText = uint16_t(textSlots);
    cur.ObjectType = TextObject;
    const double a = VectorAngle(double(Masked(end.x)) - Masked(start.x),
                                 double(Masked(end.y)) - Masked(start.y));
    cur.Angle = int16_t(std::nearbyint(a * 1800 / std::numbers::pi));
    if (callback)
        callback(cur);
}

TextCaretHitFn& TextCaretHitTest() { return CaretHitState(); }

void CollapseTextSelection()
{
    Texts.AnchorIndex = Texts.CaretIndex;
    Texts.AnchorLine = Texts.CaretLine;
    Texts.AnchorX = Texts.CaretX;
    Texts.AnchorY = Texts.CaretY;
}

void BuildTextCaretOutline(const ElementRecord& e)
{
    TextsState& t = Texts;
    if (e.ObjectType == LineObject)
        return;
    const int64_t a = MapFont.FontAscent, d = MapFont.FontDescent;
    std::array<std::pair<int64_t, int64_t>, 8> p{};
    int n = 0;
    if (t.AnchorIndex == t.CaretIndex) {
        p[0] = {t.CaretX, t.CaretY - d};
        p[1] = {t.CaretX, t.CaretY + a};
        n = 2;
    } else if (t.AnchorLine == t.CaretLine) {
        p[0] = {t.AnchorX, t.CaretY - d};
        p[1] = {t.CaretX, t.CaretY - d};
        p[2] = {t.CaretX, t.CaretY + a};
        p[3] = {t.AnchorX, t.CaretY + a};
        n = 4;
    } else {
        const bool anchorFirst = t.AnchorLine < t.CaretLine;
        const int64_t fx = anchorFirst ? t.AnchorX : t.CaretX, fy = anchorFirst ? t.AnchorY : t.CaretY;
        const int64_t lx = anchorFirst ? t.CaretX : t.AnchorX, ly = anchorFirst ? t.CaretY : t.AnchorY;
        p = {{{fx, fy + a}, {t.MaxX, fy + a}, {t.MaxX, ly + a}, {lx, ly + a},
              {lx, ly - d}, {t.MinX, ly - d}, {t.MinX, fy - d}, {fx, fy - d}}};
        n = 8;
    }
    for (int k = 0; k < n; ++k)
        t.CaretOutline[size_t(k)] = Turned(p[size_t(k)].first, p[size_t(k)].second);
    t.CaretOutlineCount = n;
}

} // namespace zemo
