#include "symbols/store/SymbolScale.h"

#include "core/ByteIO.h"
#include "core/Cord.h"
#include "core/Element.h"
#include "core/Numeric.h"
#include "symbols/store/SymbolRecords.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace zemo {

namespace {

void ScaleFields(std::span<uint8_t> rec, std::initializer_list<size_t> offsets, double f)
{
    for (size_t off : offsets)
        SetSymI16(rec, off, SafeRoundSmall(double(SymI16(rec, off)) * f));
}

// A line field the repair after reading would set to 0 outside min..max stays inside it.
void ScaleLimited(std::span<uint8_t> rec, size_t off, int max, double f)
{
    const int16_t v = SafeRoundSmall(double(SymI16(rec, off)) * f);
    SetSymI16(rec, off, int16_t(std::clamp<int>(v, 0, max)));
}

void ScaleU16At(uint8_t* p, double f)
{
    StoreLE<int16_t>(p, SafeRoundSmall(double(LoadLE<uint16_t>(p)) * f));
}

// SafeRound works on the double product, so a coordinate or a tab position far out never
// wraps: it stops at the SafeRound limits.
int32_t ScaledCoordinate(int32_t v, double f)
{
    return Masked(SafeRound(double(Masked(v)) * f)) | Flags(v);
}

// The elements of a list of `slots` slots; the walk ends at a negative count or at an element
// that would run past the list.
void ScaleElementList(std::span<uint8_t> list, double f)
{
    const int slots = int(list.size() / 8);
    int s = 0;
    while (s + SymbolElementHeadSlots <= slots) {
        uint8_t* head = list.data() + size_t(s) * 8;
        const int16_t count = LoadLE<int16_t>(head + ElemCount);
        if (count < 0 || s + SymbolElementHeadSlots + count > slots)
            break;
        switch (LoadLE<uint16_t>(head + ElemKind)) {
        case ElementLine:
            ScaleU16At(head + ElemWidth, f);
            break;
        case ElementCircle:
            ScaleU16At(head + ElemDiameter, f);
            ScaleU16At(head + ElemWidth, f);
            break;
        case ElementDot:
            ScaleU16At(head + ElemDiameter, f);
            break;
        default:
            break;
        }
        for (int i = 0; i < count; ++i) {
            uint8_t* cord = head + ElemCords + size_t(i) * StoredCordBytes;
            for (uint8_t* v : {cord, cord + StoredCordY})
                StoreLE<int32_t>(v, ScaledCoordinate(LoadLE<int32_t>(v), f));
        }
        s += SymbolElementHeadSlots + count;
    }
}

// The record holds `fixed` bytes and `slots` list slots behind them; a negative count
// promises nothing the record could hold.
bool Holds(std::span<const uint8_t> rec, size_t fixed, int slots)
{
    return slots >= 0 && rec.size() >= fixed + 8 * size_t(slots);
}

bool ScalePoint(std::span<uint8_t> rec, double f)
{
    const int slots = SymI16(rec, PointSymbolSlotsOffset);
    if (!Holds(rec, PointSymbolFixedBytes, slots))
        return false;
    ScaleElementList(rec.subspan(PointSymbolFixedBytes, size_t(slots) * 8), f);
    return true;
}

bool ScaleLine(std::span<uint8_t> rec, double f)
{
    int counts[LineSymbolListCount];
    int total = 0;
    for (int k = 0; k < LineSymbolListCount; ++k) {
        counts[k] = SymI16(rec, LsMainSymCount + 2 * size_t(k));
        if (counts[k] < 0)
            return false;
        total += counts[k];
    }
    if (!Holds(rec, LsElementLists, total))
        return false;
    ScaleLimited(rec, LsLineWidth, 2000, f);
    for (size_t off = LsDistFromStart; off <= LsEndLength; off += 2)
        ScaleLimited(rec, off, 5000, f);
    for (size_t off = LsMainGap; off <= LsEndGap; off += 2)
        ScaleLimited(rec, off, 2000, f);
    ScaleLimited(rec, LsPrimSymDist, 5000, f);
    ScaleFields(rec,
                {LsDblWidth, LsDblLeftWidth, LsDblRightWidth, LsDblLength, LsDblGap, LsFrWidth},
                f);
    size_t at = LsElementLists;
    for (int count : counts) {
        ScaleElementList(rec.subspan(at, size_t(count) * 8), f);
        at += size_t(count) * 8;
    }
    return true;
}

bool ScaleArea(std::span<uint8_t> rec, double f)
{
    const int slots = SymI16(rec, AreaStructSlots);
    if (!Holds(rec, AreaSymbolFixedBytes, slots))
        return false;
    ScaleFields(rec, {AreaHatchLineWidth, AreaHatchDist, AreaStructWidth, AreaStructHeight}, f);
    ScaleElementList(rec.subspan(AreaSymbolFixedBytes, size_t(slots) * 8), f);
    return true;
}

bool ScaleText(std::span<uint8_t> rec, double f)
{
    if (!Holds(rec, TextSymbolBytes, 0))
        return false;
    ScaleFields(rec,
                {TsFontSize, TsParaSpace, TsFirstIndent, TsOtherIndent, TsLineBelowWidth,
                 TsLineBelowDist, TsFramingWidth, TsShadowX, TsShadowY},
                f);
    const int tabs = std::clamp<int>(SymI16(rec, TsTabCount), 0, MaxTabPositions);
    for (int i = 0; i < tabs; ++i) {
        const size_t off = TsTabs + 4 * size_t(i);
        SetSymI32(rec, off, SafeRound(double(SymI32(rec, off)) * f));
    }
    return true;
}

bool ScaleLineText(std::span<uint8_t> rec, double f)
{
    if (!Holds(rec, LineTextSymbolBytes, 0))
        return false;
    ScaleFields(rec, {TsFontSize, LtFramingWidth, LtShadowX, LtShadowY}, f);
    return true;
}

bool ScaleRect(std::span<uint8_t> rec, double f)
{
    if (!Holds(rec, size_t(RectSymbolBytes), 0))
        return false;
    ScaleFields(rec, {RectLineWidth, RectCornerRadius, RectCellWidth, RectCellHeight}, f);
    return true;
}

bool ScaleByType(std::span<uint8_t> rec, double f)
{
    switch (SymI16(rec, SymObjectType)) {
    case PointObject:
        return ScalePoint(rec, f);
    case LineObject:
        return SymU8(rec, SymTextFlag) == 1 ? ScaleLineText(rec, f) : ScaleLine(rec, f);
    case AreaObject:
        return ScaleArea(rec, f);
    case TextObject:
        return ScaleText(rec, f);
    case RectangleObject:
        return ScaleRect(rec, f);
    default:
        return false;
    }
}

} // namespace

bool ScaleSymbol(std::span<uint8_t> rec, double factor)
{
    if (!std::isfinite(factor) || factor <= 0)
        return false;
    // The size word bounds the record; bytes behind it belong to no field.
    const int size = SymI16(rec, SymSize);
    if (size < SymbolHeadBytes)
        return false;
    rec = rec.first(std::min(rec.size(), size_t(size)));
    if (!ScaleByType(rec, factor))
        return false;
    // Extents follow the scaled lengths (a text symbol the new font's height) as the repair
    // after reading computes them.
    CalcSymbolInfo(rec);
    return true;
}

} // namespace zemo
