#include "document/Convert5.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "symbols/store/SymbolStore.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace zemo {

namespace {

constexpr int FormatNotCorrHelp = 27;
constexpr int ProgressStep = 10;
constexpr int MaxTextChars = 4095;
// A text frame is widened by 0.04 mm.
constexpr int32_t FrameMargin = 1024;

int16_t I16At(std::span<const uint8_t> b, size_t at)
{
    return at + 2 <= b.size() ? LoadLE<int16_t>(b.data() + at) : int16_t(0);
}

uint16_t U16At(std::span<const uint8_t> b, size_t at)
{
    return at + 2 <= b.size() ? LoadLE<uint16_t>(b.data() + at) : uint16_t(0);
}

int32_t I32At(std::span<const uint8_t> b, size_t at)
{
    return at + 4 <= b.size() ? LoadLE<int32_t>(b.data() + at) : 0;
}

// A NUL-terminated 8-bit text of at most maxLen characters inside the span.
std::string CString(std::span<const uint8_t> b, size_t at, size_t maxLen)
{
    std::string s;
    for (size_t k = at; k < b.size() && s.size() < maxLen && b[k] != 0; ++k)
        s.push_back(char(b[k]));
    return s;
}

void FormatNotCorrect(const QString& name)
{
    ErrorMsg(TextKey::FormatNotCorr, name + QStringLiteral("\r\n"), FormatNotCorrHelp);
}

// ---- Building a symbol record ----

struct RecordBuilder {
    SymbolBytes rec;
    explicit RecordBuilder(size_t size) : rec(size, 0) { SetSymI16(rec, SymSize, int16_t(size)); }
    void Set(size_t at, int64_t v) { SetSymI16(rec, at, Sat16(v)); }
};

// One element at `at`: kind, colour, width, diameter and the points in 0.01 mm.
struct ElementDraft {
    int kind = ElementLine;
    int color = 0;
    int64_t width = 0;
    int64_t diameter = 0;
    std::vector<std::pair<int64_t, int64_t>> points;
};

size_t ElementBytes(const ElementDraft& e) { return ElemCords + StoredCordBytes * e.points.size(); }

void PutElement(SymbolBytes& rec, size_t at, const ElementDraft& e)
{
    SetSymI16(rec, at + ElemKind, int16_t(e.kind));
    SetSymI16(rec, at + ElemColor, Sat16(e.color));
    SetSymI16(rec, at + ElemWidth, Sat16(e.width));
    SetSymI16(rec, at + ElemDiameter, Sat16(e.diameter));
    SetSymI16(rec, at + ElemCount, int16_t(e.points.size()));
    size_t p = at + ElemCords;
    for (const auto& [x, y] : e.points) {
        SetSymI32(rec, p, SafeRound(double(x) * UnitsPerHundredthMm));
        SetSymI32(rec, p + StoredCordY, SafeRound(double(y) * UnitsPerHundredthMm));
        p += StoredCordBytes;
    }
}

// A line symbol of 424 bytes and the given lists (main, corner, end).
SymbolBytes LineWithLists(RecordBuilder& b, const std::vector<ElementDraft>& main,
                          const std::vector<ElementDraft>& corner, const std::vector<ElementDraft>& end)
{
    size_t size = LineSymbolFixedBytes;
    for (const auto* list : {&main, &corner, &end})
        for (const ElementDraft& e : *list)
            size += ElementBytes(e);
    SymbolBytes rec(size, 0);
    std::copy_n(b.rec.begin(), std::min(b.rec.size(), size), rec.begin());
    SetSymI16(rec, SymSize, int16_t(size));
    size_t at = LineSymbolFixedBytes;
    const std::pair<const std::vector<ElementDraft>*, int> lists[] = {
        {&main, MainSymList}, {&corner, CornerSymList}, {&end, EndSymList}};
    for (const auto& [list, which] : lists) {
        size_t slots = 0;
        for (const ElementDraft& e : *list) {
            PutElement(rec, at, e);
            at += ElementBytes(e);
            slots += ElementBytes(e) / 8;
        }
        SetSymI16(rec, LsMainSymCount + 2 * size_t(which), int16_t(slots));
    }
    return rec;
}

struct OldSymbol {
    std::span<const uint8_t> r;
    int16_t operator[](size_t at) const { return I16At(r, at); }
    int32_t L(int32_t v) const { return Version5Length(v); }
};

// Style 4's centre line: a colour like c1, placed right in front of the last colour c2.
int CenterLineColor(int c1, int c2)
{
    SymbolHeaderBlock& cb = Index.ActiveZmd->ColorBlock;
    const int count = std::clamp<int>(cb.ColorCount, 0, MaxColors);
    ColorRecord copy{};
    for (int i = 0; i < count; ++i)
        if (cb.Colors[size_t(i)].Number == c1) {
            copy = cb.Colors[size_t(i)];
            break;
        }
    int k = 0;
    for (int i = 0; i < count; ++i)
        if (cb.Colors[size_t(i)].Number == c2)
            k = i;
    if (k > 0) {
        const ColorRecord& before = cb.Colors[size_t(k - 1)];
        if (before.Cmyk == copy.Cmyk && before.Separations == copy.Separations)
            return before.Number;
    }
    if (count >= MaxColors)
        return cb.Colors[size_t(k > 0 ? k - 1 : 0)].Number;
    std::copy_backward(cb.Colors.begin() + k, cb.Colors.begin() + count, cb.Colors.begin() + count + 1);
    copy.Number = uint16_t(count);
    copy.Name.fill(0);
    SetShortFieldText(copy.Name, Text(TextKey::CenterLine).toLatin1().left(31).toStdString());
    cb.Colors[size_t(k)] = copy;
    cb.ColorCount = int16_t(count + 1);
    return count;
}

SymbolBytes LineSymbol(const OldSymbol& o, int style, int flagWord)
{
    const int c1 = o[v5sym::C1], c2 = o[v5sym::C2];
    const int w1 = o[v5sym::W1], w2 = o[v5sym::W2], w3 = o[v5sym::W3];
    const int a = o[v5sym::A], bb = o[v5sym::B], d = o[v5sym::D], e = o[v5sym::E];
    const int s = o[v5sym::S], s2 = o[v5sym::S2];
    const auto L = [](int64_t v) { return int64_t(Version5Length(int32_t(std::clamp<int64_t>(v, INT32_MIN / 128, INT32_MAX / 128)))); };
    const double phi = o[v5sym::Theta] / 1800.0 * std::numbers::pi;
    const auto rc = [&](int64_t v) { return int64_t(std::nearbyint(std::cos(phi) * double(v))); };
    const auto rs = [&](int64_t v) { return int64_t(std::nearbyint(std::sin(phi) * double(v))); };
    RecordBuilder b(LineSymbolFixedBytes);
    std::vector<ElementDraft> main, corner, end;
    const auto dot = [&](int64_t diameter) { return ElementDraft{ElementDot, c1, 0, diameter, {{0, 0}}}; };
    const auto line = [&](std::vector<std::pair<int64_t, int64_t>> pts) {
        return ElementDraft{ElementLine, c1, L(w2), 0, std::move(pts)};
    };
    const auto colourAndWidth = [&] {
        b.Set(LsLineColor, c1);
        b.Set(LsLineWidth, L(w1));
    };
    const auto doubleLine = [&] {  // styles 3, 22, 23
        b.Set(LsDblMode, 1);
        b.Set(LsDblFlags, 1);
        b.Set(LsDblFillColor, c2);
        b.Set(LsDblLeftColor, c1);
        b.Set(LsDblRightColor, c1);
        b.Set(LsDblWidth, L(w1));
        b.Set(LsDblLeftWidth, L(w2));
        b.Set(LsDblRightWidth, L(w2));
    };
    const auto style12 = [&] {
        colourAndWidth();
        b.Set(LsMainLength, L(a) + L(bb));
        b.Set(LsEndLength, L(bb) / 2 + L(d));
        b.Set(LsNPrimSym, 2);
        b.Set(LsPrimSymDist, L(bb));
    };
    const auto style13 = [&] {
        colourAndWidth();
        b.Set(LsMainLength, L(a) + L(s));
        b.Set(LsEndLength, L(a / 2));
        b.Set(LsSecGap, L(s));
        b.Set(LsNPrimSym, 1);
    };
    const auto style14 = [&] {
        colourAndWidth();
        b.Set(LsMainLength, L(a));
        b.Set(LsEndLength, L(bb));
        b.Set(LsNPrimSym, 1);
    };
    const auto twoSided = [&](int64_t v) {  // styles 17 to 19
        main.push_back(line({{-rc(v), rs(v)}, {0, 0}, {-rc(v), -rs(v)}}));
    };
    switch (style) {
    case 0:
        colourAndWidth();
        b.Set(LsLineStyleBits, o[v5sym::R] & 1);
        break;
    case 1:
        colourAndWidth();
        b.Set(LsMainLength, L(a));
        b.Set(LsEndLength, L(a));
        b.Set(LsMainGap, L(s));
        break;
    case 2:
        b.Set(LsMainLength, L(a));
        b.Set(LsNPrimSym, 1);
        main.push_back(dot(L(s)));
        break;
    case 3:
        doubleLine();
        break;
    case 4:
        b.Set(LsLineColor, CenterLineColor(c1, c2));
        b.Set(LsLineWidth, L(w1));
        b.Set(LsDblMode, 1);
        b.Set(LsDblFlags, 1);
        b.Set(LsDblFillColor, c2);
        b.Set(LsDblLeftColor, c1);
        b.Set(LsDblRightColor, c1);
        b.Set(LsDblWidth, L(w1) + 2 * L(w2));
        b.Set(LsDblLeftWidth, L(w3));
        b.Set(LsDblRightWidth, L(w3));
        break;
    case 5:
        colourAndWidth();
        b.Set(LsLineStyleBits, o[v5sym::R] & 1);
        b.Set(LsMainLength, L(a));
        b.Set(LsEndLength, bb < w2 / 2 ? L(w2) / 2 : L(bb));
        b.Set(LsMinSym, (flagWord & 1) ? 1 : -1);
        b.Set(LsNPrimSym, 1);
        main.push_back(line({{0, 0}, {0, -L(d + w1 / 2)}}));
        break;
    case 6:
        colourAndWidth();
        b.Set(LsMainLength, L(a));
        b.Set(LsEndLength, w2 / 2 > bb ? L(w2 / 2) : L(bb));
        b.Set(LsNPrimSym, 1);
        main.push_back(line({{0, L(d + w1 / 2)}, {0, -L(d + w1 / 2)}}));
        break;
    case 7:
    case 8: {
        const int64_t reach = style == 7 ? L(a + w1 / 2) : L(a + w1 + s / 2);
        if (style == 7) {
            colourAndWidth();
        } else {
            b.Set(LsDblMode, 1);
            b.Set(LsDblLeftColor, c1);
            b.Set(LsDblRightColor, c1);
            b.Set(LsDblWidth, L(s));
            b.Set(LsDblLeftWidth, L(w1));
            b.Set(LsDblRightWidth, L(w1));
        }
        corner.push_back(line({{0, reach}, {0, -reach}}));
        if (flagWord != 0)
            end.push_back(line({{0, reach}, {0, -reach}}));
        break;
    }
    case 9:
        colourAndWidth();
        b.Set(LsLineStyleBits, PointedEndsBit);
        b.Set(LsDistFromStart, L(a));
        b.Set(LsDistToEnd, L(a));
        break;
    case 10:
        colourAndWidth();
        b.Set(LsDistToEnd, L(a));
        end.push_back(ElementDraft{ElementArea, c1, 0, 0,
                                  {{0, 0}, {-L(a + bb), L(s / 2)}, {-L(a), 0}, {-L(a + bb), -L(s / 2)}}});
        break;
    case 11:
        colourAndWidth();
        b.Set(LsMainLength, L(a));
        b.Set(LsEndLength, L(bb));
        b.Set(LsNPrimSym, 1);
        main.push_back(dot(L(s)));
        break;
    case 12:
        style12();
        main.push_back(dot(L(s)));
        break;
    case 13:
        style13();
        main.push_back(dot(L(s2)));
        break;
    case 14:
        style14();
        main.push_back(line({{0, 0}, {-rc(L(d)), -rs(L(d))}}));
        break;
    case 15:
        style12();
        main.push_back(line({{0, 0}, {-rc(L(e)), -rs(L(e))}}));
        break;
    case 16:
        style13();
        main.push_back(line({{0, 0}, {-rc(L(bb)), -rs(L(bb))}}));
        break;
    case 17:
        style14();
        twoSided(L(d));
        break;
    case 18:
        style12();
        twoSided(L(e));
        break;
    case 19:
        style13();
        twoSided(L(bb));
        break;
    case 20:
        colourAndWidth();
        b.Set(LsMainLength, 2 * L(a) + L(s));
        b.Set(LsEndLength, 2 * L(a) + L(s));
        b.Set(LsMainGap, L(s2));
        b.Set(LsSecGap, L(s));
        b.Set(LsEndGap, L(s));
        break;
    case 21:
        b.Set(LsLineColor, c2);
        b.Set(LsLineWidth, L(w1));
        b.Set(LsMainLength, L(a));
        b.Set(LsMainGap, L(s));
        b.Set(LsDblMode, 1);
        b.Set(LsDblFlags, 1);
        b.Set(LsDblFillColor, c1);
        b.Set(LsDblWidth, L(w1) + 2 * L(w2));
        break;
    case 22:
    case 23:
        doubleLine();
        b.Set(LsDblMode, style == 22 ? 2 : 3);
        b.Set(LsDblLength, L(a));
        b.Set(LsDblGap, L(s));
        break;
    default:
        return {};
    }
    return LineWithLists(b, main, corner, end);
}

SymbolBytes AreaSymbol(const OldSymbol& o, int kind)
{
    const int c1 = o[v5sym::C1], c2 = o[v5sym::C2];
    const auto L = [](int64_t v) { return int64_t(Version5Length(int32_t(v))); };
    const int a = o[v5sym::A], s = o[v5sym::S], s2 = o[v5sym::S2], w1 = o[v5sym::W1];
    const int theta = o[v5sym::Theta];
    ElementDraft element;
    size_t size = AreaSymbolFixedBytes;
    if (kind == 2 || kind == 5) {
        element = ElementDraft{ElementLine, c1, L(w1), 0, {{-L(a / 2), 0}, {L(a) - L(a / 2), 0}}};
        size += ElementBytes(element);
    } else if (kind == 3 || kind == 6) {
        element = ElementDraft{ElementDot, c1, 0, L(s), {{0, 0}}};
        size += ElementBytes(element);
    } else if (kind < 0 || kind > 7) {
        return {};
    }
    RecordBuilder b(size);
    if (kind == 0 || kind == 4 || kind == 5 || kind == 6) {
        b.Set(AreaFillOn, -1);
        b.Set(AreaFillColor, kind == 0 ? c1 : c2);
    }
    switch (kind) {
    case 1:
    case 4:
    case 7:
        b.Set(AreaHatchMode, kind == 7 ? 2 : 1);
        b.Set(AreaHatchColor, c1);
        b.Set(AreaHatchLineWidth, L(w1));
        b.Set(AreaHatchDist, L(s));
        b.Set(AreaHatchAngle1, theta);
        b.Set(AreaHatchAngle2, o[v5sym::Theta2]);
        break;
    case 2:
    case 5: {
        b.Set(AreaStructMode, 2);
        b.Set(AreaStructWidth, L(a) + L(s2));
        b.Set(AreaStructHeight, L(w1) + L(s));
        b.Set(AreaStructAngle, theta);
        b.Set(AreaStructSlots, int64_t(ElementBytes(element) / 8));
        PutElement(b.rec, AreaSymbolFixedBytes, element);
        // The dash turns with the structure about the cell's origin.
        const double phi = theta / 1800.0 * std::numbers::pi;
        std::array<Cord, 2> pts{};
        for (size_t k = 0; k < 2; ++k) {
            pts[k].x = SymI32(b.rec, AreaSymbolFixedBytes + ElemCords + 8 * k);
            pts[k].y = SymI32(b.rec, AreaSymbolFixedBytes + ElemCords + 8 * k + StoredCordY);
        }
        RotatePoints(0, 0, pts.data(), 2, std::cos(phi), std::sin(phi), pts.data());
        for (size_t k = 0; k < 2; ++k) {
            SetSymI32(b.rec, AreaSymbolFixedBytes + ElemCords + 8 * k, pts[k].x);
            SetSymI32(b.rec, AreaSymbolFixedBytes + ElemCords + 8 * k + StoredCordY, pts[k].y);
        }
        break;
    }
    case 3:
    case 6:
        b.Set(AreaStructMode, 1);
        b.Set(AreaStructWidth, L(a));
        b.Set(AreaStructHeight, L(a));
        b.Set(AreaStructAngle, theta);
        b.Set(AreaStructSlots, int64_t(ElementBytes(element) / 8));
        PutElement(b.rec, AreaSymbolFixedBytes, element);
        break;
    default:
        break;
    }
    return b.rec;
}

SymbolBytes TextSymbol(const OldSymbol& o, std::span<const uint8_t> table)
{
    const auto L = [](int64_t v) { return int64_t(Version5Length(int32_t(v))); };
    RecordBuilder b(TextSymbolBytes);
    SetSymU8(b.rec, SymTextFlag, 1);
    // A font-name index outside the table gives an empty name; a name stops at its end.
    const int64_t at = int64_t(o[v5sym::FontIndex]) * 4;
    std::string font;
    if (at >= 0 && size_t(at) < table.size())
        font = CString(table, size_t(at), 31);
    SetShortFieldText(std::span<uint8_t>(b.rec).subspan(TsFontName, String31Bytes), font);
    b.Set(TsTextColor, o[v5sym::C1]);
    const int size = o[v5sym::W1];
    b.Set(TsFontSize, size);
    b.Set(TsFontWeight, o[v5sym::Theta2]);
    SetSymU8(b.rec, TsItalic, o[v5sym::Italic] != 0 ? 1 : 0);
    b.Set(TsWordSpacing, 100);
    b.Set(TsLineSpacing, 120);
    if (o[v5sym::A] != 0) {
        b.Set(TsTabCount, 1);
        SetSymI32(b.rec, TsTabs, Version5Length(o[v5sym::A]));
    }
    b.Set(TsLineBelowOn, o[v5sym::Theta] != 0 ? -1 : 0);
    b.Set(TsLineBelowColor, o[v5sym::C2]);
    b.Set(TsLineBelowWidth, L(o[v5sym::W2]));
    if (SymI16(b.rec, TsLineBelowWidth) == 0)
        b.Set(TsLineBelowOn, 0);
    b.Set(TsLineBelowDist, L(o[v5sym::S2]) - SymI16(b.rec, TsLineBelowWidth) / 2);
    if (o[v5sym::S] >= 1) {
        int64_t space = L(o[v5sym::S]) - SafeRoundSmall(size / 72.0 * 254.0 * 1.2);
        if (SymI16(b.rec, TsLineBelowOn) != 0)
            space -= SymI16(b.rec, TsLineBelowWidth) + SymI16(b.rec, TsLineBelowDist);
        b.Set(TsParaSpace, space);
    }
    return b.rec;
}

SymbolBytes RectSymbol(const OldSymbol& o, int kind, int flagWord)
{
    RecordBuilder b(RectSymbolBytes);
    b.Set(RectLineColor, o[v5sym::C1]);
    if (kind == 0) {
        b.Set(RectLineWidth, Version5Length(o[v5sym::W1]));
        b.Set(RectCornerRadius, Version5Length(o[v5sym::A]));
    } else {
        b.Set(RectLineWidth, 13);
        b.Set(RectGridFlags, 3 + ((flagWord & 1) ? 4 : 0));
        b.Set(RectCellWidth, Version5Length(o[v5sym::A]));
        b.Set(RectCellHeight, Version5Length(o[v5sym::B]));
    }
    return b.rec;
}

// Point kind 0: the eight slots of drawn elements from the coordinate table.
SymbolBytes DrawnPointSymbol(const OldSymbol& o, std::span<const uint8_t> table)
{
    std::vector<uint8_t> list;
    int slots = 0;
    for (int k = 0; k < v5sym::Slots; ++k) {
        const int first = o[v5sym::SlotFirst + 2 * size_t(k)];
        const int count = o[v5sym::SlotCount + 2 * size_t(k)];
        if (count <= 0 || first < 0 || first + count >= V5MaxTableEntries)
            continue;
        const auto entry = [&](int j) {  // j from 1
            const size_t at = size_t(first + j - 1) * 4;
            return std::pair<int16_t, int16_t>{I16At(table, at), I16At(table, at + 2)};
        };
        std::vector<Cord> points;
        for (int j = 1; j <= count; ++j) {
            const auto [x, y] = entry(j);
            if (x < MarkerLimit)
                continue;
            Cord c{Version5Coord(x), Version5Coord(y)};
            if (j >= 3 && entry(j - 1).first == BezierMarker)
                c.x |= FirstBezierFlag;
            if (j >= 4 && entry(j - 2).first == BezierMarker)
                c.x |= SecondBezierFlag;
            if (j >= 3 && entry(j - 1).first == HoleMarker)
                c.y |= HoleFlag;
            points.push_back(c);
        }
        // The list holds at most 512 slots: an element that would pass it is left out.
        const int need = int(points.size()) + SymbolElementHeadSlots;
        if (points.empty() || slots + need > MaxElementListSlots)
            continue;
        const int kind = o[v5sym::SlotKind + 2 * size_t(k)];
        std::vector<uint8_t> el(size_t(need) * 8, 0);
        StoreLE<uint16_t>(el.data() + ElemKind, uint16_t(kind == 2 ? 1 : kind == 3 ? 2 : 0));
        StoreLE<uint16_t>(el.data() + ElemStyle, U16At(o.r, v5sym::SlotStyle + 2 * size_t(k)));
        StoreLE<uint16_t>(el.data() + ElemColor, U16At(o.r, v5sym::SlotColor + 2 * size_t(k)));
        StoreLE<int16_t>(el.data() + ElemWidth,
                         Sat16(Version5Length(o[v5sym::SlotWidth + 2 * size_t(k)])));
        StoreLE<int16_t>(el.data() + ElemCount, int16_t(points.size()));
        for (size_t p = 0; p < points.size(); ++p) {
            StoreLE<int32_t>(el.data() + ElemCords + 8 * p, points[p].x);
            StoreLE<int32_t>(el.data() + ElemCords + 8 * p + StoredCordY, points[p].y);
        }
        list.insert(list.end(), el.begin(), el.end());
        slots += need;
    }
    if (slots == 0)
        return {};
    RecordBuilder b(PointSymbolFixedBytes + list.size());
    b.Set(PointSymbolSlotsOffset, slots);
    std::copy(list.begin(), list.end(), b.rec.begin() + PointSymbolFixedBytes);
    return b.rec;
}

SymbolBytes PointSymbol(const OldSymbol& o, int kind, std::span<const uint8_t> table)
{
    if (kind == 0)
        return DrawnPointSymbol(o, table);
    if (kind != 1 && kind != 2)
        return {};
    const int c1 = o[v5sym::C1];
    const ElementDraft e = kind == 1
        ? ElementDraft{ElementDot, c1, 0, Version5Length(o[v5sym::S]), {{0, 0}}}
        : ElementDraft{ElementCircle, c1, Version5Length(o[v5sym::W1]), Version5Length(o[v5sym::S]), {{0, 0}}};
    RecordBuilder b(PointSymbolFixedBytes + ElementBytes(e));
    b.Set(PointSymbolSlotsOffset, int64_t(ElementBytes(e) / 8));
    PutElement(b.rec, PointSymbolFixedBytes, e);
    return b.rec;
}

// The smallest valid record of a type with a zero type part; 0 for a type outside 1..5.
size_t SmallestRecord(int type)
{
    switch (type) {
    case PointObject: return PointSymbolFixedBytes;
    case LineObject: return LineSymbolFixedBytes;
    case AreaObject: return AreaSymbolFixedBytes;
    case TextObject: return TextSymbolBytes;
    case RectangleObject: return RectSymbolBytes;
    default: return 0;
    }
}

} // namespace

// ---- Numbers ----

int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return -1;
    const int64_t p = int64_t(a) * int64_t(b);
    const int64_t ap = p < 0 ? -p : p;
    const int64_t ac = c < 0 ? -int64_t(c) : int64_t(c);
    int64_t q = (ap + ac / 2) / ac;  // halves away from zero
    if ((p < 0) != (c < 0))
        q = -q;
    if (q > INT32_MAX || q < INT32_MIN)
        return -1;
    return int32_t(q);
}

double Real48ToDouble(std::span<const uint8_t, 6> b)
{
    if (b[0] == 0)
        return 0.0;
    uint64_t mantissa = uint64_t(b[5] & 0x7F);
    for (int k = 4; k >= 1; --k)
        mantissa = (mantissa << 8) | b[size_t(k)];
    const double m = 1.0 + std::ldexp(double(mantissa), -39);
    const double v = std::ldexp(m, int(b[0]) - 129);
    return (b[5] & 0x80) ? -v : v;
}

double Real48At(std::span<const uint8_t> block, size_t offset)
{
    if (offset + 6 > block.size())
        return 0.0;
    return Real48ToDouble(block.subspan(offset).first<6>());
}

int32_t Version5Coord(int16_t x)
{
    return int32_t(x) * 127 / 72 * 256;
}

int32_t Version5Length(int32_t x)
{
    return MulDiv(x, 127, 144);
}

int16_t Sat16(int64_t v)
{
    return int16_t(std::clamp<int64_t>(v, SafeRoundSmallMin, SafeRoundSmallMax));
}

// ---- Setup ----

void ConvertVersion5Setup(std::span<const uint8_t> old, SetupRecord& s)
{
    using namespace v5setup;
    const auto w = [&](size_t at) { return I16At(old, at); };
    const auto C = [&](size_t at) { return Version5Coord(w(at)); };
    DefaultSetup(s);
    s.Zoom = 32.0;
    if (w(ZoomStep) >= 0)
        s.Zoom = std::ldexp(32.0, -(std::min<int>(w(ZoomStep), 1000) + 1));
    s.ViewCenterX = C(ViewX);
    s.ViewCenterY = C(ViewY);
    const double grid = Real48At(old, GridDistance);
    if (grid >= 0.05 && grid <= 100)
        s.PaperGridDistance = grid;
    s.LinksActive = false;
    s.Word20 = 0;
    s.CurrentSymbolIndex = w(CurrentSymbol);
    const int64_t cx = C(RangeX), cy = C(RangeY), hw = C(RangeHalfW), hh = C(RangeHalfH);
    s.PrintRange = CordRect{int32_t(cx - hw), int32_t(cy - hh), int32_t(cx + hw), int32_t(cy + hh)};
    s.PrintGrid = w(PrintGrid) != 0;
    s.PrintGridColor = w(PrintGridColor);
    s.PrintOverlapX = Sat16(Version5Length(w(OverlapX)));
    s.PrintOverlapY = Sat16(Version5Length(w(OverlapY)));
    s.MapScale = Real48At(old, MapScale);
    s.TemplateScaleX = s.TemplateScaleY = Real48At(old, TemplateScale);
    s.PrintScale = Real48At(old, PrintScale);
    s.TemplateX = C(TemplateX);
    s.TemplateY = C(TemplateY);
    s.TemplateFile = CString(old, TemplateFile, TemplateFileBytes - 1);
    s.TemplateMode = w(v5setup::TemplateMode) != 0 ? 1 : 0;
    s.TemplateResolution = w(v5setup::TemplateResolution);
    s.TemplateAngle = Real48At(old, v5setup::TemplateAngle);
    const int32_t x848 = C(Word156), y852 = C(Word158);
    StoreLE<int32_t>(s.Reserved848.data(), x848);
    StoreLE<int32_t>(s.Reserved848.data() + 4, y852);
    s.TemplateAngle2 = Real48At(old, v5setup::TemplateAngle2);
}

// ---- Symbols ----

SymbolBytes ConvertVersion5Symbol(std::span<const uint8_t> old, std::span<const uint8_t> icon,
                                  std::span<const uint8_t> table)
{
    const OldSymbol o{old};
    const int type = o[v5sym::Type];
    const int subtype = o[v5sym::Subtype];
    const int flagWord = o[v5sym::Flags];
    SymbolBytes rec;
    switch (type) {
    case PointObject: rec = PointSymbol(o, subtype, table); break;
    case LineObject: rec = LineSymbol(o, subtype, flagWord); break;
    case AreaObject: rec = AreaSymbol(o, subtype); break;
    case TextObject: rec = TextSymbol(o, table); break;
    case RectangleObject: rec = RectSymbol(o, subtype, flagWord); break;
    default: break;
    }
    if (rec.empty()) {
        // A record of the head alone would not be read back: the smallest of its type.
        const size_t size = SmallestRecord(type);
        if (size == 0)
            return {};
        rec.assign(size, 0);
        SetSymI16(rec, SymSize, int16_t(size));
        if (type == TextObject)
            SetSymU8(rec, SymTextFlag, 1);
    }
    SetSymI16(rec, SymNumber, o[v5sym::Number]);
    SetSymI16(rec, SymObjectType, int16_t(type));
    SetSymI16(rec, SymExtent, Sat16(Version5Length(2 * int32_t(o[v5sym::Extent]))));
    const uint32_t used = uint32_t(I32At(old, v5sym::ColorSet));
    ColorSet colors;
    for (int c = 0; c < 32; ++c)
        colors[size_t(c)] = (used >> c) & 1;
    SetSymColors(rec, colors);
    SetShortFieldText(std::span<uint8_t>(rec).subspan(SymDescription, String31Bytes),
                      CString(old, v5sym::Description, 31));
    // One row up and one pixel left.
    for (size_t k = 0; k < IconFieldBytes; ++k) {
        const uint8_t hi = 12 + k < icon.size() ? icon[12 + k] : 0;
        const uint8_t lo = 13 + k < icon.size() ? icon[13 + k] : 0;
        rec[SymIcon + k] = uint8_t((hi << 4) | (lo >> 4));
    }
    return rec;
}

bool ConvertVersion5Symbols(const QString& name)
{
    TZmd& z = *Index.ActiveZmd;
    z.NumberTable.fill(-1);
    z.FreeSymbols();
    MapFileReader f;
    std::array<uint8_t, V5HeaderBytes> head{};
    if (!f.Open(name) || !f.ReadAt(0, head.data(), head.size())) {
        FormatNotCorrect(name);
        return false;
    }
    if (LoadLE<uint16_t>(head.data()) != MapFileMark || LoadLE<uint16_t>(head.data() + 2) != Version5Second
        || LoadLE<uint16_t>(head.data() + 4) != 5) {
        FormatNotCorrect(name);
        return true;
    }
    const int64_t size = f.Size();
    const int64_t block = LoadLE<int32_t>(head.data() + V5SymbolBlockPos);
    std::vector<uint8_t> cb(V5ColorBlockBytes);
    if (block < 0 || block + int64_t(V5ColorBlockBytes) > size || !f.ReadAt(block, cb.data(), int64_t(cb.size()))) {
        FormatNotCorrect(name);
        return false;
    }
    SymbolHeaderBlock& colors = z.ColorBlock;
    colors = SymbolHeaderBlock{};
    for (size_t k = 0; k < 32; ++k) {
        const std::span<const uint8_t> e = std::span<const uint8_t>(cb).subspan(V5Colors + V5ColorEntryBytes * k,
                                                                              V5ColorEntryBytes);
        ColorRecord& c = colors.Colors[k];
        c.Number = U16At(e, V5ColorNumber);
        const uint32_t cmyk = RgbToCmyk(uint32_t(I32At(e, V5ColorRgb)) & 0xFFFFFF);
        for (size_t b = 0; b < 4; ++b)
            c.Cmyk[b] = uint8_t(cmyk >> (8 * b));
        SetShortFieldText(c.Name, CString(e, V5ColorName, 31));
        for (size_t j = 0; j < 32; ++j) {
            const int p = I16At(e, V5ColorPercent + 2 * j);
            c.Separations[j] = uint8_t(p < 0 || p > 100 ? 0 : p == 0 ? 255 : 2 * p);
        }
    }
    colors.ColorCount = 32;
    for (size_t k = 0; k < 32; ++k) {
        const std::span<const uint8_t> e = std::span<const uint8_t>(cb).subspan(
            V5Separations + V5SeparationEntryBytes * k, V5SeparationEntryBytes);
        std::string n = CString(e, V5SepName, 15);
        for (size_t i = 0; i < n.size(); ++i)
            n[i] = char(i == 0 ? std::toupper(uint8_t(n[i])) : std::tolower(uint8_t(n[i])));
        SeparationRecord& s = colors.Separations[k];
        SetShortFieldText(s.Name, n);
        if (!n.empty())
            colors.SeparationCount = int16_t(k + 1);
        s.Screen = int16_t(U16At(e, V5SepWord1));
        s.Screen2 = int16_t(U16At(e, V5SepWord2));
    }

    // Negative counts are none; the table holds at most 4096 entries.
    int symbols = I16At(cb, V5SymbolCountField);
    if (symbols < 0 || symbols > V5MaxSymbols)
        symbols = 0;
    const int entries = std::clamp<int>(I16At(cb, V5TableCountField), 0, V5MaxTableEntries);
    const int64_t records = block + int64_t(V5ColorBlockBytes);
    const int64_t icons = records + int64_t(V5SymbolBytes) * symbols;
    // Only the entries the file holds are read; the rest of the table stays zero.
    std::vector<uint8_t> table(V5TableBytes, 0);
    const int64_t tablePos = icons + int64_t(V5IconBytes) * symbols;
    const int64_t tableBytes = std::clamp<int64_t>(size - tablePos, 0, int64_t(entries) * 4);
    if (tableBytes > 0 && !f.ReadAt(tablePos, table.data(), tableBytes))
        std::fill(table.begin(), table.end(), uint8_t(0));

    std::vector<uint8_t> old(V5SymbolBytes), icon(V5IconBytes);
    for (int i = 0; i < symbols; ++i) {
        const int64_t at = records + int64_t(V5SymbolBytes) * i;
        if (at + int64_t(V5SymbolBytes) > size || !f.ReadAt(at, old.data(), int64_t(old.size())))
            break;
        std::fill(icon.begin(), icon.end(), uint8_t(0));
        const int64_t iconAt = icons + int64_t(V5IconBytes) * i;
        if (iconAt + int64_t(V5IconBytes) <= size)
            f.ReadAt(iconAt, icon.data(), int64_t(icon.size()));
        const SymbolBytes rec = ConvertVersion5Symbol(old, icon, table);
        if (!rec.empty())
            z.AddNewSymbol(rec);
    }
    z.WriteSymbolIndex();
    return true;
}

// ---- Objects ----

namespace {

// The frame of a text with a line below: as wide as the measured text, as high as the font.
void FrameText(ElementRecord& e, std::span<const uint8_t> symbol, std::string& text)
{
    Cord* p = e.Cords();
    const double angle = e.Angle / 1800.0 * std::numbers::pi;
    const double cosA = std::cos(angle), sinA = std::sin(angle);
    if (e.Angle != 0)
        RotatePointsBack(p[0].x, p[0].y, p, 5, cosA, sinA, p);
    const auto grow = [](int32_t& x, int64_t by) { x = SafeRound(double(int64_t(x) + by)); };
    grow(p[2].x, FrameMargin);
    grow(p[3].x, FrameMargin);
    const QString font = QString::fromLatin1(ShortFieldText(symbol.subspan(TsFontName, String31Bytes)));
    const int height = int(std::nearbyint(SymI16(symbol, TsFontSize) / 72.0 * 254.0));
    if (text.empty() && int64_t(Masked(p[2].x)) - Masked(p[0].x) > FrameMargin)
        text = " ";
    const int codePage = OldTextCodePage(SymU8(symbol, TsCharset));
    std::u32string pieces;
    for (size_t k = 0; k < text.size(); ++k) {
        const uint8_t c = uint8_t(text[k]);
        if (IsDbcsLeadByte(codePage, c) && k + 1 < text.size()) {
            pieces.push_back(U'\u3000');  // a double-byte character is as wide as the em
            ++k;
        } else {
            pieces.push_back(c == '\t' ? U'\t' : char32_t(CodePageChar(codePage, c)));
        }
    }
    const FrameTextMetrics m = DocumentPorts().MeasureFrameText(font, height, pieces);
    const int64_t h = int64_t(m.AscentLeading) * 256;
    p[3].y = SafeRound(double(int64_t(Masked(p[0].y)) + h)) | Flags(p[3].y);
    p[4].y = SafeRound(double(int64_t(Masked(p[0].y)) + h)) | Flags(p[4].y);
    const int64_t tab = int64_t(Masked(SafeRound(double(SymI32(symbol, TsTabs)) * 256)));
    int64_t w = 0;
    for (size_t k = 0; k < pieces.size(); ++k) {
        if (pieces[k] == U'\t') {
            // Without a tab width a tab takes no room.
            if (tab > 0)
                w = (w / tab + 1) * tab;
        } else if (k < m.Advances.size()) {
            w += int64_t(m.Advances[k]) * 256;
        }
    }
    w += FrameMargin;
    if (int64_t(Masked(p[2].x)) - Masked(p[1].x) < w) {
        p[2].x = SafeRound(double(int64_t(Masked(p[1].x)) + w));
        p[3].x = p[2].x;
    }
    if (e.Angle != 0)
        RotatePoints(p[0].x, p[0].y, p, 5, cosA, sinA, p);
    std::copy(p + 1, p + 5, p);
    e.ObjectType = RectangleObject;
    e.nItem = 4;
}

} // namespace

int OldTextCodePage(int charset)
{
    switch (charset) {
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    default: return CodePageOfCharset(charset);
    }
}

bool IsDbcsLeadByte(int codePage, uint8_t c)
{
    switch (codePage) {
    case 932: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950: return c >= 0x81 && c <= 0xFE;
    default: return false;
    }
}

bool ConvertVersion5Object(std::span<const uint8_t> record)
{
    if (record.size() < OrEntries)
        return true;
    ElementRecord& e = CurElement;
    try {
        const int n = std::min<int>(I16At(record, OrCount), int((record.size() - OrEntries) / 4));
        const int type = record[OrType];
        e.Symbol = I16At(record, OrSymbol);
        e.ObjectType = uint8_t(type);
        e.Flags = 0;
        e.nItem = 0;
        e.nText = 0;
        e.Angle = I16At(record, OrAngle);
        e.Word10 = e.Word12 = e.Word14 = 0;
        e.LayerName.fill(0);
        // A text's entries after the fifth are its characters.
        if (type == TextObject && n < OrTextPoints)
            return true;
        const int walk = type == TextObject ? OrTextPoints : n;
        const auto x = [&](int j) { return I16At(record, OrEntries + 4 * size_t(j - 1)); };
        const auto y = [&](int j) { return I16At(record, OrEntries + 4 * size_t(j - 1) + 2); };

        SymbolBytes* symbol = nullptr;
        const bool known = GetSymbol(e.Symbol, symbol) && symbol;
        const bool cornerLines = type == LineObject && known && symbol->size() >= size_t(LineSymbolFixedBytes)
            && SymU8(*symbol, SymTextFlag) == 0 && SymI16(*symbol, LsMainSymCount + 2 * CornerSymList) > 0;

        bool leftOn = true, rightOn = true;
        int points = 0;
        Cord* out = e.Cords();
        for (int j = 1; j <= walk; ++j) {
            if (x(j) < MarkerLimit)
                continue;
            Cord c{Version5Coord(x(j)), Version5Coord(y(j))};
            const bool prevBezier = j >= 2 && x(j - 1) == BezierMarker;
            bool control = false;
            if (j >= 3 && prevBezier) {
                c.x |= FirstBezierFlag;
                control = true;
            }
            if (j >= 4 && x(j - 2) == BezierMarker) {
                c.x |= SecondBezierFlag;
                control = true;
            }
            if ((j >= 2 && x(j - 1) == CornerMarker) || (j < walk && x(j + 1) == BezierMarker && y(j + 1) == CornerBeforeCode))
                c.y |= CornerFlag;
            if (j >= 2 && x(j - 1) == HoleMarker)
                c.y |= HoleFlag;
            int code = 0;
            if (j >= 2 && x(j - 1) == CornerMarker)
                code = y(j - 1);
            if (j < walk && x(j + 1) == BezierMarker)
                code = y(j + 1);
            if (cornerLines && j != 1 && j != walk && code <= 0 && !control)
                c.y |= CornerFlag;
            switch (code) {
            case 1: leftOn = false; break;
            case 2: leftOn = true; break;
            case 3: rightOn = false; break;
            case 4: rightOn = true; break;
            case 5: leftOn = rightOn = false; break;
            case 6: leftOn = false; rightOn = true; break;
            case 7: leftOn = true; rightOn = false; break;
            case 8: leftOn = rightOn = true; break;
            default: break;
            }
            if (code > 0)
                c.y &= ~CornerFlag;
            if (!leftOn)
                c.x |= NoLeftLineFlag;
            if (!rightOn)
                c.y |= NoRightLineFlag;
            out[points++] = c;
        }
        // An object of markers alone has nothing to draw.
        if (points == 0 || (type == TextObject && points < OrTextPoints))
            return true;
        e.nItem = uint16_t(points);
        if (type == TextObject) {
            std::string text;
            for (size_t k = OrText; k < record.size() && record[k] != 0 && text.size() < size_t(MaxTextChars); ++k)
                text.push_back(char(record[k]));
            if (known && symbol->size() >= TextSymbolBytes && SymI16(*symbol, TsLineBelowOn) != 0)
                FrameText(e, *symbol, text);
            e.nText = uint16_t((text.size() + 8) / 8);
            uint8_t* t = e.TextBytes();
            std::fill_n(t, size_t(e.nText) * 8, uint8_t(0));
            std::copy(text.begin(), text.end(), t);
        }
    } catch (const EAbort&) {
        return true;
    }
    return AppendElement();
}

// ---- The whole map ----

bool ConvertVersion5Map(const QString& name)
{
    TZmd& z = *Index.ActiveZmd;
    AbortRequested = false;
    z.HighestObject = 0;
    z.ObjectBlocks.clear();
    z.ColorBlock = SymbolHeaderBlock{};
    MapFileHeader h;
    h.Mark = MapFileMark;
    h.FileType = 0;
    h.Version = uint16_t(CurrentMapVersion);
    h.SubVersion = uint16_t(std::max(MinorVersion, 0));
    h.SetupPos = VariablePartPos;
    h.SetupSize = int32_t(SetupRecordBytes);

    MapFileReader f;
    std::array<uint8_t, V5HeaderBytes> head{};
    if (!f.Open(name) || !f.ReadAt(0, head.data(), head.size())) {
        FormatNotCorrect(name);
        return false;
    }
    const int64_t size = f.Size();
    // The index and the setup block behind it must lie in the file.
    const int64_t dataStart = LoadLE<int32_t>(head.data() + V5DataStart);
    std::vector<uint8_t> oldSetup(v5setup::Bytes);
    if (dataStart < int64_t(V5HeaderBytes) || dataStart + int64_t(v5setup::Bytes) > size
        || !f.ReadAt(dataStart, oldSetup.data(), int64_t(oldSetup.size()))) {
        FormatNotCorrect(name);
        return false;
    }

    UndoSuspend noUndo;
    CreateWorkingCopy(z.WorkFile);
    z.DirectMode = 0;
    z.Header = h;
    z.WriteHeader();
    z.WriteBytesAt(SymbolHeaderBlockPos, std::vector<uint8_t>(SymbolHeaderBlockBytes, 0));
    ConvertVersion5Setup(oldSetup, z.Setup);
    z.WriteBytesAt(VariablePartPos, WriteSetupBytes(z.Setup));
    if (!ConvertVersion5Symbols(name))
        return false;
    z.WriteBytesAt(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(z.ColorBlock));
    ReadIndexBlocks();

    const int64_t units = (size - dataStart) / 4;
    const int total = int(std::min<int64_t>(dataStart / int64_t(V5IndexEntryBytes) - 1, INT32_MAX));
    StartProgress(TextKey::Converting, TextKey::ObjConverted, total, ProgressStep, true);
    struct ProgressEnd {
        ~ProgressEnd() { EndProgress(); }
    } progressEnd;
    std::array<uint8_t, V5IndexEntryBytes> entry{};
    std::vector<uint8_t> record(OldRecordBufferBytes);
    int counted = 0;
    for (int64_t i = 1; i * int64_t(V5IndexEntryBytes) < dataStart; ++i) {
        if (!f.ReadAt(i * int64_t(V5IndexEntryBytes), entry.data(), int64_t(entry.size())))
            break;
        const int64_t pos = LoadLE<int32_t>(entry.data() + OldEntryPos);
        const int64_t len = LoadLE<uint16_t>(entry.data() + OldEntryLen);
        if (pos < OldFirstRecordPos || pos + len > units || len < 4 || len > V5MaxRecordUnits)
            continue;
        const std::span<uint8_t> r(record.data(), size_t(len) * 4);
        if (!f.ReadAt(dataStart + 4 * pos, r.data(), int64_t(r.size())))
            continue;
        const int16_t n = std::min<int16_t>(LoadLE<int16_t>(r.data() + OrCount), int16_t(len - 3));
        StoreLE<int16_t>(r.data() + OrCount, n);
        if (n > 0 && LoadLE<int16_t>(r.data() + OrSymbol) != 0 && r[OrType] >= 1 && r[OrType] <= 5) {
            if (!ConvertVersion5Object(r))
                return false;
        }
        UpdateProgress(++counted, int(std::min<int64_t>(i, INT32_MAX)));
        DispatchKeyMessages();
        if (AbortRequested)
            return false;
    }
    FlushMapFile();
    return true;
}

} // namespace zemo
