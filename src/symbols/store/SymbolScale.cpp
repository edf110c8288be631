#include "symbols/store/SymbolScale.h"

#include "core/ByteIO.h"
#include "core/Cord.h"
#include "core/Element.h"
#include "core/Numeric.h"
#include "symbols/store/SymbolRecords.h"

#include <algorithm>
#include <initializer_list>

namespace zemo {

namespace {

void ScaleFields(std::span<uint8_t> rec, std::initializer_list<size_t> offsets, double f)
{
    for (size_t off : offsets)
        SetSymI16(rec, off, SafeRoundSmall(double(SymI16(rec, off)) * f));
}

void ScaleU16At(uint8_t* p, double f)
{
    StoreLE<int16_t>(p, SafeRoundSmall(double(LoadLE<uint16_t>(p)) * f));
}

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

// The record holds `fixed` bytes and `slots` list slots behind them.
bool Holds(std::span<const uint8_t> rec, size_t fixed, int slots)
{
    return slots >= 0 && rec.size() >= fixed + 8 * size_t(slots);
}

bool ScalePoint(std::span<uint8_t> rec, double f)
{
    const int slots = SymI16(rec, PointSymbolSlotsOffset);
    if (!Holds(rec, PointSymbolFixedBytes, slots))
        return false;
    ScaleFields(rec, {SymExtent}, f);
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
    ScaleFields(rec,
                {SymExtent, LsLineWidth, LsDistFromStart, LsDistToEnd, LsMainLength, LsEndLength,
                 LsMainGap, LsSecGap, LsEndGap, LsPrimSymDist, LsDblWidth, LsDblLeftWidth,
                 LsDblRightWidth, LsDblLength, LsDblGap, LsFrWidth},
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
    ScaleFields(rec, {SymExtent, TsFontSize, LtFramingWidth, LtShadowX, LtShadowY}, f);
    return true;
}

bool ScaleRect(std::span<uint8_t> rec, double f)
{
    if (!Holds(rec, size_t(RectSymbolBytes), 0))
        return false;
    ScaleFields(rec, {RectLineWidth, RectCornerRadius, RectCellWidth, RectCellHeight}, f);
    return true;
}

} // namespace

bool ScaleSymbol(std::span<uint8_t> rec, double factor)
{
    switch (SymI16(rec, SymObjectType)) {
    case PointObject:
        return ScalePoint(rec, factor);
    case LineObject:
        return SymU8(rec, SymTextFlag) ? ScaleLineText(rec, factor) : ScaleLine(rec, factor);
    case AreaObject:
        return ScaleArea(rec, factor);
    case TextObject:
        return ScaleText(rec, factor);
    case RectangleObject:
        return ScaleRect(rec, factor);
    default:
        return false;
    }
}

} // namespace zemo
