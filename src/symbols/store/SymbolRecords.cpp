#include "symbols/store/SymbolRecords.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Cord.h"
#include "core/Element.h"
#include "symbols/store/Ports.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zemo {

namespace {

bool FieldFits(size_t size, size_t offset, size_t length)
{
    return offset <= size && length <= size - offset;
}

int16_t ClampToI16(int64_t v)
{
    return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}


void AddColor(ColorSet& set, int colour)
{
    if (colour >= 0 && colour <= 255)
        set.set(size_t(colour));
}

// An element list of `slots` slots at `offset`, cut to what the record holds.
std::span<const uint8_t> ListAt(std::span<const uint8_t> rec, size_t offset, int& slots)
{
    if (slots < 0 || offset >= rec.size()) {
        slots = 0;
        return {};
    }
    const size_t avail = (rec.size() - offset) / 8;
    slots = int(std::min<size_t>(size_t(slots), avail));
    return rec.subspan(offset, size_t(slots) * 8);
}

// Calls f(kind, width, diameter, colour, coordsOffset, count) for each whole element.
template <typename F>
void WalkElements(std::span<const uint8_t> list, int slots, F&& f)
{
    slots = int(std::min<size_t>(size_t(std::max(slots, 0)), list.size() / 8));
    int s = 0;
    while (s + SymbolElementHeadSlots <= slots) {
        const uint8_t* head = list.data() + size_t(s) * 8;
        const int16_t count = LoadLE<int16_t>(head + ElemCount);
        if (count < 0 || s + SymbolElementHeadSlots + count > slots)
            break;
        f(LoadLE<uint16_t>(head + ElemKind), LoadLE<uint16_t>(head + ElemWidth),
          LoadLE<uint16_t>(head + ElemDiameter), LoadLE<uint16_t>(head + ElemColor),
          size_t(s) * 8 + ElemCords, int(count));
        s += SymbolElementHeadSlots + count;
    }
}

} // namespace

int16_t SymI16(std::span<const uint8_t> rec, size_t offset)
{
    return FieldFits(rec.size(), offset, 2) ? LoadLE<int16_t>(rec.data() + offset) : 0;
}

int32_t SymI32(std::span<const uint8_t> rec, size_t offset)
{
    return FieldFits(rec.size(), offset, 4) ? LoadLE<int32_t>(rec.data() + offset) : 0;
}

uint8_t SymU8(std::span<const uint8_t> rec, size_t offset)
{
    return offset < rec.size() ? rec[offset] : 0;
}

void SetSymI16(std::span<uint8_t> rec, size_t offset, int16_t v)
{
    if (FieldFits(rec.size(), offset, 2))
        StoreLE(rec.data() + offset, v);
}

void SetSymI32(std::span<uint8_t> rec, size_t offset, int32_t v)
{
    if (FieldFits(rec.size(), offset, 4))
        StoreLE(rec.data() + offset, v);
}

void SetSymU8(std::span<uint8_t> rec, size_t offset, uint8_t v)
{
    if (offset < rec.size())
        rec[offset] = v;
}

ColorSet SymColors(std::span<const uint8_t> rec)
{
    ColorSet set;
    if (!FieldFits(rec.size(), SymColorSet, SymColorSetBytes))
        return set;
    // Whole bytes at a time: a symbol has a colour or two, and a map's block summaries ask
    // for every entry's set whenever one object is saved.
    for (size_t byte = 0; byte < SymColorSetBytes; ++byte)
        if (const uint8_t bits = rec[SymColorSet + byte])
            for (size_t bit = 0; bit < 8; ++bit)
                if (bits & (1u << bit))
                    set.set(byte * 8 + bit);
    return set;
}

void SetSymColors(std::span<uint8_t> rec, const ColorSet& set)
{
    if (!FieldFits(rec.size(), SymColorSet, SymColorSetBytes))
        return;
    for (size_t i = 0; i < SymColorSetBytes; ++i) {
        uint8_t b = 0;
        for (size_t k = 0; k < 8; ++k)
            if (set.test(i * 8 + k))
                b |= uint8_t(1u << k);
        rec[SymColorSet + i] = b;
    }
}

std::string ShortFieldText(std::span<const uint8_t> field)
{
    if (field.empty())
        return {};
    const size_t len = std::min<size_t>(field[0], field.size() - 1);
    return std::string(reinterpret_cast<const char*>(field.data() + 1), len);
}

QString SymbolDescription(std::span<const uint8_t> rec)
{
    if (rec.size() < SymDescription + String31Bytes)
        return {};
    const std::string text = ShortFieldText(rec.subspan(SymDescription, String31Bytes));
    return DecodeCodePage(1252, text.data(), qsizetype(text.size()));
}

void SetShortFieldText(std::span<uint8_t> field, const std::string& text)
{
    if (field.empty())
        return;
    const size_t len = std::min(text.size(), std::min<size_t>(field.size() - 1, 255));
    std::fill(field.begin(), field.end(), uint8_t(0));
    field[0] = uint8_t(len);
    std::memcpy(field.data() + 1, text.data(), len);
}

// ---- Colour block ----

namespace {
constexpr size_t ColorTableOffset = 24;
constexpr size_t ColorRecordBytes = 72;
constexpr size_t SeparationTableOffset = 18456;
constexpr size_t SeparationRecordBytes = 24;
} // namespace

SymbolHeaderBlock ReadSymbolHeaderBytes(std::span<const uint8_t> bytes)
{
    // A short block reads as zeros behind its end.
    std::vector<uint8_t> full(SymbolHeaderBlockBytes, 0);
    if (!bytes.empty())
        std::memcpy(full.data(), bytes.data(), std::min<size_t>(bytes.size(), full.size()));
    ByteReader r(full);
    SymbolHeaderBlock b;
    b.ColorCount = r.I16(0);
    b.SeparationCount = r.I16(2);
    r.CopyBytes(4, b.Reserved);
    for (size_t i = 0; i < MaxColors; ++i) {
        const size_t o = ColorTableOffset + i * ColorRecordBytes;
        ColorRecord& c = b.Colors[i];
        c.Number = r.U16(o);
        c.Overprint = r.I16(o + 2);
        r.CopyBytes(o + 4, c.Cmyk);
        r.CopyBytes(o + 8, c.Name);
        r.CopyBytes(o + 40, c.Separations);
    }
    for (size_t i = 0; i < MaxSeparations; ++i) {
        const size_t o = SeparationTableOffset + i * SeparationRecordBytes;
        SeparationRecord& s = b.Separations[i];
        r.CopyBytes(o, s.Name);
        r.CopyBytes(o + 16, s.Cmyk);
        s.Screen = r.I16(o + 20);
        s.Screen2 = r.I16(o + 22);
    }
    return b;
}

std::array<uint8_t, SymbolHeaderBlockBytes> WriteSymbolHeaderBytes(const SymbolHeaderBlock& b)
{
    std::vector<uint8_t> out;
    out.reserve(SymbolHeaderBlockBytes);
    ByteWriter w(out);
    w.PutI16(0, b.ColorCount);
    w.PutI16(2, b.SeparationCount);
    w.PutBytes(4, b.Reserved);
    for (size_t i = 0; i < MaxColors; ++i) {
        const size_t o = ColorTableOffset + i * ColorRecordBytes;
        const ColorRecord& c = b.Colors[i];
        w.PutU16(o, c.Number);
        w.PutI16(o + 2, c.Overprint);
        w.PutBytes(o + 4, c.Cmyk);
        w.PutBytes(o + 8, c.Name);
        w.PutBytes(o + 40, c.Separations);
    }
    for (size_t i = 0; i < MaxSeparations; ++i) {
        const size_t o = SeparationTableOffset + i * SeparationRecordBytes;
        const SeparationRecord& s = b.Separations[i];
        w.PutBytes(o, s.Name);
        w.PutBytes(o + 16, s.Cmyk);
        w.PutI16(o + 20, s.Screen);
        w.PutI16(o + 22, s.Screen2);
    }
    std::array<uint8_t, SymbolHeaderBlockBytes> a{};
    std::memcpy(a.data(), out.data(), a.size());
    return a;
}

void CheckSymbolHeader(SymbolHeaderBlock& b)
{
    if (b.ColorCount < 1 || b.ColorCount > MaxColors)
        b.ColorCount = 1;
    if (b.SeparationCount < 0 || b.SeparationCount > MaxSeparations)
        b.SeparationCount = 0;
    for (int s = 0; s < b.SeparationCount; ++s) {
        SeparationRecord& sep = b.Separations[size_t(s)];
        if (sep.Screen < 100 || sep.Screen > 10000)
            sep.Screen = DefaultSeparationScreen;
        if (sep.Cmyk == std::array<uint8_t, 4>{}) {
            for (int c = b.ColorCount - 1; c >= 0; --c) {
                if (b.Colors[size_t(c)].Separations[size_t(s)] == 200) {
                    sep.Cmyk = b.Colors[size_t(c)].Cmyk;
                    break;
                }
            }
        }
    }
}

// ---- Element lists ----

int ElementListExtent(std::span<const uint8_t> list, int slots)
{
    int result = 0;
    WalkElements(list, slots, [&](uint16_t kind, uint16_t width, uint16_t diameter, uint16_t,
                                  size_t coords, int count) {
        int r = 0;
        if (kind == ElementLine)
            r = width / 2;
        else if (kind == ElementCircle || kind == ElementDot)
            r = diameter / 2;
        for (int i = 0; i < count; ++i) {
            const uint8_t* cord = list.data() + coords + size_t(i) * StoredCordBytes;
            const double x = LoadLE<int32_t>(cord) / 256.0;
            const double y = LoadLE<int32_t>(cord + StoredCordY) / 256.0;
            const int d = int(std::nearbyint(std::sqrt(x * x + y * y)));
            result = std::max(result, r + d);
        }
    });
    return result;
}

ColorSet ElementListColors(std::span<const uint8_t> list, int slots)
{
    ColorSet set;
    WalkElements(list, slots, [&](uint16_t, uint16_t, uint16_t, uint16_t colour, size_t, int) {
        AddColor(set, colour);
    });
    return set;
}

std::vector<size_t> SymbolColourFields(std::span<const uint8_t> rec)
{
    std::vector<size_t> out;
    const auto field = [&](size_t offset) {
        if (FieldFits(rec.size(), offset, 2))
            out.push_back(offset);
    };
    const auto list = [&](size_t offset, int slots) {
        const auto l = ListAt(rec, offset, slots);
        WalkElements(l, slots, [&](uint16_t, uint16_t, uint16_t, uint16_t, size_t coords, int) {
            out.push_back(offset + coords - ElemCords + ElemColor);
        });
    };
    switch (SymI16(rec, SymObjectType)) {
    case PointObject:
        list(PointSymbolFixedBytes, std::min<int>(SymI16(rec, PointSymbolSlotsOffset), MaxElementListSlots));
        break;
    case LineObject:
        if (SymU8(rec, SymTextFlag) == 1) {
            field(TsTextColor);
            field(LtFramingColor);
            break;
        }
        for (size_t o : {LsLineColor, LsDblFillColor, LsDblLeftColor, LsDblRightColor, LsFrColor})
            field(o);
        for (size_t offset = LsElementLists, k = 0; k < size_t(LineSymbolListCount); ++k) {
            const int slots = std::max<int>(SymI16(rec, LsMainSymCount + k * 2), 0);
            list(offset, slots);
            offset += size_t(slots) * 8;
        }
        break;
    case AreaObject:
        field(AreaFillColor);
        field(AreaHatchColor);
        list(AreaSymbolFixedBytes, std::min<int>(SymI16(rec, AreaStructSlots), MaxElementListSlots));
        break;
    case TextObject:
        for (size_t o : {TsTextColor, TsLineBelowColor, TsFramingColor})
            field(o);
        break;
    case RectangleObject:
        field(RectLineColor);
        break;
    default:
        break;
    }
    return out;
}

// ---- Derived fields ----

SymbolStorePortSet& SymbolStorePorts()
{
    static SymbolStorePortSet ports;
    return ports;
}

int FontSizeToHundredths(int tenthsOfPoint)
{
    // size x 2540 / 720 = size x 127 / 36, rounded half to even without a float: 18 x 127 / 36
    // is 63.5 exactly, which a division by 720.0 lands just below.
    const int64_t n = int64_t(tenthsOfPoint) * 127;
    const int64_t q = n / 36, r = n % 36;
    const int64_t twice = 2 * (r < 0 ? -r : r);
    const int64_t away = r < 0 ? -1 : 1;
    if (twice > 36 || (twice == 36 && q % 2 != 0))
        return int(q + away);
    return int(q);
}

int TextSymbolEmHeight(std::span<const uint8_t> rec)
{
    return FontSizeToHundredths(SymI16(rec, TsFontSize));
}

int TextSymbolFontHeight(std::span<const uint8_t> rec)
{
    return SymbolStorePorts().TextSymbolHeight(rec);
}

void CalcPointSymbolInfo(std::span<uint8_t> rec)
{
    int slots = std::min<int>(SymI16(rec, PointSymbolSlotsOffset), MaxElementListSlots);
    const auto list = ListAt(rec, PointSymbolFixedBytes, slots);
    SetSymI16(rec, SymExtent, ClampToI16(ElementListExtent(list, slots)));
    SetSymColors(rec, ElementListColors(list, slots));
}

void CalcLineSymbolInfo(std::span<uint8_t> rec)
{
    for (size_t o : {LsLineColor, LsDblFillColor, LsDblLeftColor, LsDblRightColor}) {
        const int16_t c = SymI16(rec, o);
        if (c < 0 || c > 255)
            SetSymI16(rec, o, 0);
    }
    ColorSet set;
    const int width = SymI16(rec, LsLineWidth);
    if (width >= 1)
        AddColor(set, SymI16(rec, LsLineColor));
    int64_t extent = width / 2;
    if (SymI16(rec, LsDblMode) != 0) {
        const int dbl = SymI16(rec, LsDblWidth), left = SymI16(rec, LsDblLeftWidth),
                  right = SymI16(rec, LsDblRightWidth);
        if (dbl > 0)
            AddColor(set, SymI16(rec, LsDblFillColor));
        if (left > 0)
            AddColor(set, SymI16(rec, LsDblLeftColor));
        if (right > 0)
            AddColor(set, SymI16(rec, LsDblRightColor));
        extent = std::max<int64_t>(extent, dbl / 2 + left);
        extent = std::max<int64_t>(extent, dbl / 2 + right);
    }
    const int frWidth = SymI16(rec, LsFrWidth);
    if (frWidth > 0) {
        AddColor(set, SymI16(rec, LsFrColor));
        extent = std::max<int64_t>(extent, frWidth / 2);
    }
    size_t offset = LsElementLists;
    for (int k = 0; k < LineSymbolListCount; ++k) {
        int slots = std::max<int>(SymI16(rec, LsMainSymCount + size_t(k) * 2), 0);
        const size_t next = offset + size_t(slots) * 8;
        const auto list = ListAt(rec, offset, slots);
        if (slots > 0) {
            set |= ElementListColors(list, slots);
            extent = std::max<int64_t>(extent, ElementListExtent(list, slots));
        }
        offset = next;
    }
    SetSymI16(rec, SymExtent, ClampToI16(extent));
    SetSymColors(rec, set);
}

void CalcAreaSymbolInfo(std::span<uint8_t> rec)
{
    ColorSet set;
    if (SymI16(rec, AreaFillOn) != 0)
        AddColor(set, SymI16(rec, AreaFillColor));
    if (SymI16(rec, AreaHatchMode) > 0)
        AddColor(set, SymI16(rec, AreaHatchColor));
    int slots = std::min<int>(SymI16(rec, AreaStructSlots), MaxElementListSlots);
    const auto list = ListAt(rec, AreaSymbolFixedBytes, slots);
    if (SymI16(rec, AreaStructMode) >= 1 && slots > 0)
        set |= ElementListColors(list, slots);
    SetSymI16(rec, SymExtent, 0);
    SetSymColors(rec, set);
}

int CalcTextSymbolExtent(std::span<const uint8_t> rec)
{
    if (rec.size() < TextSymbolBytes)
        return 0;
    int extent = TextSymbolFontHeight(rec);
    if (SymU8(rec, TsFramingMode) == 2)
        extent += 2 * SymI16(rec, TsFramingWidth);
    return extent;
}

namespace {

// A zero word inserted at `at`; the record grows by 2 and must be written anew.
void InsertZeroWord(SymbolBytes& rec, size_t at)
{
    at = std::min(at, rec.size());
    rec.insert(rec.begin() + ptrdiff_t(at), 2, uint8_t(0));
    SetSymI32(rec, SymFilePos, 0);
}

void ForceRange(SymbolBytes& rec, size_t offset, int min, int max)
{
    const int16_t v = SymI16(rec, offset);
    if (v < min || v > max)
        SetSymI16(rec, offset, 0);
}

// The first and last Cord of every element lose their flags; Cords of line elements lose
// HoleFlag.
void CleanLineElementFlags(std::span<uint8_t> list, int slots)
{
    WalkElements(list, slots, [&](uint16_t kind, uint16_t, uint16_t, uint16_t, size_t coords,
                                  int count) {
        for (int i = 0; i < count; ++i) {
            uint8_t* p = list.data() + coords + size_t(i) * StoredCordBytes;
            int32_t x = LoadLE<int32_t>(p), y = LoadLE<int32_t>(p + StoredCordY);
            if (i == 0 || i == count - 1) {
                x &= CoordMask;
                y &= CoordMask;
            }
            if (kind == ElementLine)
                y &= ~HoleFlag;
            StoreLE(p, x);
            StoreLE(p + StoredCordY, y);
        }
    });
}

} // namespace

void NormalizeSymbol(SymbolBytes& rec)
{
    if (rec.size() < 2)
        return;
    // The size word decides; the buffer follows it.
    const int16_t stored = SymI16(rec, SymSize);
    rec.resize(size_t(std::clamp<int>(stored, 2, MaxSymbolBytes)), 0);
    const int16_t type = SymI16(rec, SymObjectType);
    const bool lineText = type == LineObject && SymU8(rec, SymTextFlag) == 1;

    if (rec.size() % 4 == 2 && rec.size() + 2 <= size_t(MaxSymbolBytes)) {
        if (type == PointObject)
            InsertZeroWord(rec, PointSymbolPad);
        else if (type == LineObject && !lineText)
            InsertZeroWord(rec, LsListsPad);
    }
    if (rec.size() % 4 != 0) {
        rec.resize((rec.size() + 3) / 4 * 4, 0);
        SetSymI32(rec, SymFilePos, 0);
    }
    SetSymI16(rec, SymSize, int16_t(rec.size()));

    if (type == LineObject && lineText) {
        if (SymU8(rec, LtFramingMode) == 1 && SymI16(rec, LtOldFramingFont) != 0)
            SetSymU8(rec, LtFramingMode, 2);
        SetSymI16(rec, LtOldFramingFont, 0);
    } else if (type == LineObject) {
        ForceRange(rec, LsLineWidth, 0, 2000);
        for (size_t o = LsDistFromStart; o <= LsEndLength; o += 2)
            ForceRange(rec, o, 0, 5000);
        for (size_t o = LsMainGap; o <= LsEndGap; o += 2)
            ForceRange(rec, o, 0, 2000);
        ForceRange(rec, LsMinSym, -1, 1);
        ForceRange(rec, LsNPrimSym, 0, 5);
        ForceRange(rec, LsPrimSymDist, 0, 5000);
        if (rec.size() > LsElementLists) {
            // Each list separately, so that an element never runs into the next list.
            size_t offset = LsElementLists;
            for (int k = 0; k < LineSymbolListCount; ++k) {
                int slots = std::max<int>(SymI16(rec, LsMainSymCount + size_t(k) * 2), 0);
                const size_t next = offset + size_t(slots) * 8;
                if (offset < rec.size()) {
                    slots = int(std::min<size_t>(size_t(slots), (rec.size() - offset) / 8));
                    CleanLineElementFlags(std::span(rec).subspan(offset, size_t(slots) * 8),
                                          slots);
                }
                offset = next;
            }
        }
    } else if (type == TextObject) {
        if (SymU8(rec, TsFramingMode) == 1 && SymI16(rec, TsOldFramingFont) != 0)
            SetSymU8(rec, TsFramingMode, 2);
        SetSymI16(rec, TsOldFramingFont, 0);
    }
    CalcSymbolInfo(rec);
}

void CalcSymbolInfo(std::span<uint8_t> rec)
{
    switch (SymI16(rec, SymObjectType)) {
    case PointObject:
        CalcPointSymbolInfo(rec);
        break;
    case LineObject:
        if (SymU8(rec, SymTextFlag) == 1)
            SetSymI16(rec, SymExtent, ClampToI16(FontSizeToHundredths(SymI16(rec, TsFontSize))));
        else
            CalcLineSymbolInfo(rec);
        break;
    case AreaObject:
        CalcAreaSymbolInfo(rec);
        break;
    case TextObject:
        SetSymI16(rec, SymExtent, ClampToI16(CalcTextSymbolExtent(rec)));
        break;
    case RectangleObject:
        if (rec.size() >= size_t(RectSymbolBytes))
            SetSymI16(rec, SymExtent, int16_t(SymI16(rec, RectLineWidth) / 2));
        break;
    default:
        break;
    }
}

} // namespace zemo
