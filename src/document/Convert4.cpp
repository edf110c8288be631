#include "document/Convert4.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Convert5.h"
#include "document/Index.h"
#include "document/NewMap.h"
#include "document/Open.h"
#include "document/Undo.h"
#include "symbols/store/IconCodec.h"
#include "symbols/store/SymbolScale.h"
#include "symbols/store/SymbolStore.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <array>
#include <vector>

namespace zemo {

namespace {

constexpr int FileNotFoundHelp = 26;
constexpr int FormatNotCorrHelp = 27;
constexpr int ProgressStep = 10;
// Old line widths of the width classes 1 to 4, in 0.01 mm.
constexpr int16_t ClassWidths[4] = {13, 18, 25, 35};

int16_t I16At(std::span<const uint8_t> b, size_t at)
{
    return at + 2 <= b.size() ? LoadLE<int16_t>(b.data() + at) : int16_t(0);
}

void PutI16(std::span<uint8_t> b, size_t at, int16_t v)
{
    if (at + 2 <= b.size())
        StoreLE<int16_t>(b.data() + at, v);
}

void FormatNotCorrect(const QString& name)
{
    ErrorMsg(TextKey::FormatNotCorr, name + QStringLiteral("\r\n"), FormatNotCorrHelp);
}

int16_t ClassWidth(int cls)
{
    return cls >= 1 && cls <= 4 ? ClassWidths[cls - 1] : int16_t(0);
}

// A new record of a converted symbol: the head, the type part zero.
SymbolBytes NewRecord(int size, int type, int number10, TextKey description)
{
    SymbolBytes rec(size_t(size), 0);
    SetSymI16(rec, SymSize, int16_t(size));
    SetSymI16(rec, SymNumber, int16_t(number10));
    SetSymI16(rec, SymObjectType, int16_t(type));
    SetShortFieldText(std::span<uint8_t>(rec).subspan(SymDescription, String31Bytes),
                      EncodeCodePage(1252, Text(description)).left(31).toStdString());
    return rec;
}

void SetColors(SymbolBytes& rec, std::initializer_list<int> colours)
{
    ColorSet set;
    for (int c : colours)
        if (c >= 0 && c < MaxColors)
            set[size_t(c)] = true;
    SetSymColors(rec, set);
}

// Finds an identical symbol or adds this one; a new one gets the icon of its kind.
int AddConvertedSymbol(SymbolBytes& rec, const char* iconName)
{
    TZmd& z = *Index.ActiveZmd;
    const int before = z.SymbolCount();
    const int number = z.FindOrAddSymbol(rec, -1);
    if (z.SymbolCount() > before) {
        QImage icon(DataFolder() + QStringLiteral("convert4/") + QLatin1String(iconName) + QStringLiteral(".xpm"));
        if (icon.isNull())
            icon = BlankIcon();
        SymbolBytes& added = z.Symbols.back();
        EncodeIconField(icon, false, IconField(added.data() + SymIcon, IconFieldBytes));
        SetSymU8(added, SymFlags, uint8_t(SymU8(added, SymFlags) & ~CompressedIconFlag));
        z.WriteSymbol(z.SymbolCount() - 1);
    }
    return number;
}

bool ConvertedAngle(int v)
{
    static constexpr int turned[] = {400, 1121, 2040, 2081, 2082, 3130, 4110, 4111,
                                     4112, 4130, 5171, 5271, 5311, 6010, 6090};
    return std::find(std::begin(turned), std::end(turned), v) != std::end(turned);
}

// The four corners of the old rectangle as points, no angle.
void FourCorners(std::span<uint8_t> r)
{
    const int16_t x1 = I16At(r, v4obj::X1), y1 = I16At(r, v4obj::Y1);
    const int16_t x2 = I16At(r, v4obj::X2), y2 = I16At(r, v4obj::Y2);
    const int16_t pts[8] = {x1, y1, x2, y1, x2, y2, x1, y2};
    for (size_t k = 0; k < 8; ++k)
        PutI16(r, OrEntries + 2 * k, pts[k]);
    PutI16(r, OrAngle, 0);
    PutI16(r, OrWord10, 0);
    PutI16(r, OrCount, 4);
}

int TextSymbol(std::span<uint8_t> r)
{
    SymbolBytes rec = NewRecord(int(TextSymbolBytes), TextObject, 8100, TextKey::Text);
    SetSymU8(rec, SymTextFlag, 1);
    SetShortFieldText(std::span<uint8_t>(rec).subspan(TsFontName, String31Bytes), "Arial");
    const int size = std::clamp(I16At(r, v4obj::Size) * 10, 0, int(SafeRoundSmallMax));
    SetSymI16(rec, TsFontSize, int16_t(size));
    SetSymI16(rec, TsFontWeight, I16At(r, v4obj::Weight) == 1 ? 400 : 700);
    const int colour = ColorOfTable(I16At(r, v4obj::TextColor), 1);
    SetSymI16(rec, TsTextColor, int16_t(colour));
    const int32_t tab = Version4Length(I16At(r, v4obj::Tab));
    SetSymI32(rec, TsTabs, tab);
    if (tab > 0)
        SetSymI16(rec, TsTabCount, 1);
    const bool below = I16At(r, v4obj::LineBelow) > 1;
    int belowColour = -1, width = 0, dist = 0;
    if (below) {
        belowColour = ColorOfTable(I16At(r, v4obj::LineBelowColor), 1);
        width = ClassWidth(I16At(r, v4obj::LineBelowClass));
        dist = Version4Length(I16At(r, v4obj::LineBelowDist)) - width / 2;
        SetSymI16(rec, TsLineBelowOn, -1);
        SetSymI16(rec, TsLineBelowColor, int16_t(belowColour));
        SetSymI16(rec, TsLineBelowWidth, int16_t(width));
        SetSymI16(rec, TsLineBelowDist, Sat16(dist));
    }
    SetSymI16(rec, TsWordSpacing, 100);
    SetSymI16(rec, TsLineSpacing, 120);
    if (I16At(r, v4obj::ParaSpace) > 0) {
        int64_t space = Version4Length(I16At(r, v4obj::ParaSpace)) - SafeRoundSmall(size / 72.0 * 254.0 * 1.2);
        if (below)
            space -= width + dist;
        SetSymI16(rec, TsParaSpace, Sat16(space));
    }
    SetColors(rec, {colour, belowColour});
    const std::string description = EncodeCodePage(1252, Text(TextKey::Text)).toStdString() + " "
        + std::to_string(size / 10) + "pt";
    SetShortFieldText(std::span<uint8_t>(rec).subspan(SymDescription, String31Bytes), description.substr(0, 31));
    return AddConvertedSymbol(rec, "Convert4Text");
}

// The characters from entry 17 to entry n, their strings joined, written from +32 through a
// buffer of their own: the two places overlap in the record.
void MoveText(std::span<uint8_t> r, int n)
{
    std::string text;
    const size_t end = std::min(r.size(), OrEntries + 4 * size_t(std::max(n, 0)));
    for (size_t k = v4obj::Characters; k < end && text.size() < size_t(v4obj::MaxTextChars); ++k)
        if (r[k] != 0)
            text.push_back(char(r[k]));
    text = OemTextToAnsi(text);
    const size_t room = r.size() > OrText ? r.size() - OrText - 1 : 0;
    if (text.size() > room)
        text.resize(room);
    std::fill(r.begin() + std::min(r.size(), OrText), r.end(), uint8_t(0));
    std::copy(text.begin(), text.end(), r.begin() + OrText);
    PutI16(r, OrCount, int16_t(text.size() / 4 + 7));
}

int LineSymbol(std::span<const uint8_t> r, int v)
{
    const bool known = v == 510 || v == 520 || v == 530 || v == 540;
    const int colour = known ? ColorOfObject(r, 1) : 0;
    const int base = v == 510 ? 7600 : v == 520 ? 7640 : v == 530 ? 7680 : 7720;
    const int number = known ? colour + base : 0;
    static constexpr std::pair<int, int> standard[] = {{7682, 3050}, {7684, 1020}, {7731, 6011},
                                                       {7600, 4140}, {7602, 3060}, {7640, 3011}};
    for (const auto& [built, use] : standard)
        if (number == built)
            return use;
    SymbolBytes rec = NewRecord(LineSymbolFixedBytes, LineObject, number, TextKey::Line);
    SetSymI16(rec, LsLineColor, int16_t(colour));
    SetSymI16(rec, LsLineWidth, known ? ClassWidth((v - 500) / 10) : 0);
    SetColors(rec, {colour});
    return AddConvertedSymbol(rec, "Convert4Line");
}

int AreaSymbol(std::span<const uint8_t> r, int v)
{
    const int c = v == 620 ? ColorOfObject(r, 3) : v == 630 ? ColorOfObject(r, 2) : v == 640 ? ColorOfObject(r, 1) : 0;
    static constexpr std::pair<int, int> standard[] = {{0, 2020}, {1, 2120}, {2, 3020}, {3, 3010}, {5, 5300},
                                                       {6, 4100}, {7, 4080}, {8, 4060}, {9, 4010}, {10, 4030}};
    for (const auto& [colour, use] : standard)
        if (c == colour)
            return use;
    SymbolBytes rec = NewRecord(AreaSymbolFixedBytes, AreaObject, 7800 + c, TextKey::Area);
    SetSymI16(rec, AreaFillOn, -1);
    SetSymI16(rec, AreaFillColor, int16_t(c));
    SetColors(rec, {c});
    return AddConvertedSymbol(rec, "Convert4Area");
}

int FrameSymbol(std::span<const uint8_t> r)
{
    SymbolBytes rec = NewRecord(RectSymbolBytes, RectangleObject, 8600, TextKey::Rectangle);
    const int cls = I16At(r, v4obj::WidthClass);
    const int width = cls == 5 ? Version4Length(I16At(r, v4obj::Width)) : ClassWidth(cls);
    const int colour = cls < 5 ? ColorOfObject(r, 1) : ColorOfObject(r, I16At(r, v4obj::Shade));
    SetSymI16(rec, RectLineColor, int16_t(colour));
    SetSymI16(rec, RectLineWidth, Sat16(width));
    SetSymI16(rec, RectCornerRadius, Sat16(Version4Length(I16At(r, v4obj::Radius))));
    SetSymI16(rec, SymExtent, Sat16(width / 2 + 8));
    SetColors(rec, {colour});
    return AddConvertedSymbol(rec, "Convert4Rect");
}

int PunchBoxSymbol(std::span<const uint8_t> r)
{
    SymbolBytes rec = NewRecord(RectSymbolBytes, RectangleObject, 8900, TextKey::PunchBox);
    const int colour = ColorOfObject(r, 1);
    SetSymI16(rec, RectLineColor, int16_t(colour));
    SetSymI16(rec, RectLineWidth, 13);
    SetSymI16(rec, RectGridFlags, 3);
    const auto cell = [&](size_t a, size_t b, size_t count) {
        const int n = I16At(r, count);
        if (n <= 0)
            return int16_t(1800);
        const double span = std::abs(double(I16At(r, b)) - double(I16At(r, a)));
        return Sat16(Version4Length(SafeRoundSmall(span / n)));
    };
    SetSymI16(rec, RectCellWidth, cell(v4obj::X1, v4obj::X2, v4obj::WidthClass));
    SetSymI16(rec, RectCellHeight, cell(v4obj::Y1, v4obj::Y2, v4obj::Width));
    SetSymI16(rec, SymExtent, 14);
    SetColors(rec, {colour});
    return AddConvertedSymbol(rec, "Convert4Rect");
}

int DoubleLineSymbol(std::span<uint8_t> r, int v)
{
    SymbolBytes rec = NewRecord(LineSymbolFixedBytes, LineObject, v, v == 5021 ? TextKey::Road : TextKey::UncrossRiver);
    const int fill = v == 3040 ? 2 : v == 3041 ? 3 : 15;
    SetSymI16(rec, LsDblMode, 1);
    SetSymI16(rec, LsDblFlags, 1);
    SetSymI16(rec, LsDblFillColor, int16_t(fill));
    SetSymI16(rec, LsDblWidth, Sat16(Version4Length(I16At(r, v4obj::DoubleWidth))));
    SetSymI16(rec, LsDblLeftWidth, 18);
    SetSymI16(rec, LsDblRightWidth, 18);
    SetColors(rec, {0, fill});
    const int number = AddConvertedSymbol(rec, "Convert4DblLine");
    PutI16(r, v4obj::DoubleWidth, 0);
    return number;
}

// Corner markers taken out, but the last entry.
void DropCornerMarkers(std::span<uint8_t> r)
{
    const int n = I16At(r, OrCount);
    int out = 0;
    for (int j = 0; j < n; ++j) {
        const size_t at = OrEntries + 4 * size_t(j);
        if (j < n - 1 && I16At(r, at) == CornerMarker)
            continue;
        std::copy_n(r.begin() + long(at), 4, r.begin() + long(OrEntries + 4 * size_t(out)));
        ++out;
    }
    PutI16(r, OrCount, int16_t(out));
}

} // namespace

int32_t Version4Length(int32_t x)
{
    return MulDiv(x, 127, 72);
}

int ColorOfTable(int colourClass, int k)
{
    static constexpr std::pair<int, std::array<int, 3>> table[] = {
        {0, {0, 19, 1}}, {1, {2, 3, 20}},   {2, {6, 7, 8}},    {5, {11, 17, 18}},
        {6, {4, 5, 21}}, {7, {22, 23, 24}}, {14, {9, 10, 16}},
    };
    if (k < 1 || k > 3)
        return 0;
    for (const auto& [cls, colours] : table)
        if (cls == colourClass)
            return colours[size_t(k - 1)];
    return 0;
}

int ColorOfObject(std::span<const uint8_t> record, int k)
{
    const uint8_t bits = record.size() > v4obj::ClassBits ? record[v4obj::ClassBits] : 0;
    const uint8_t high = record.size() > v4obj::Class14Byte ? record[v4obj::Class14Byte] : 0;
    if (high & 0x40)
        return ColorOfTable(14, k);
    for (int bit : {7, 6, 5, 2, 1, 0})
        if (bits & (1 << bit))
            return ColorOfTable(bit, k);
    return 0;
}

std::string OemTextToAnsi(const std::string& text)
{
    if (text.empty())
        return text;
    // The old program's own choices for a few letters of its users.
    static constexpr std::pair<uint8_t, uint8_t> own[] = {
        {230, 'S'}, {231, 's'}, {233, 218}, {236, 253}, {237, 221}, {224, 211},
        {167, 'z'}, {166, 'Z'}, {155, 248}, {157, 216}, {181, 193}, {214, 205}};
    const QString unicode = DecodeCodePage(437, QByteArray::fromStdString(text));
    std::string out;
    out.reserve(text.size());
    for (qsizetype k = 0; k < unicode.size(); ++k)
        out.push_back(EncodeCodePage(1252, QString(unicode[k])).at(0));
    for (size_t k = 0; k < out.size() && k < 2000; ++k)
        for (const auto& [oem, ansi] : own)
            if (uint8_t(text[k]) == oem)
                out[k] = char(ansi);
    return out;
}

QString StandardSymbolFile()
{
    return DataFolder() + QStringLiteral("zemo4.sym");
}

bool ConvertVersion4Object(std::span<uint8_t> r)
{
    if (r.size() < OrEntries)
        return true;
    const int old = I16At(r, OrSymbol);
    const int v = (old % 1000) * 10 + old / 1000;
    const int angle = I16At(r, OrAngle);
    PutI16(r, OrAngle, ConvertedAngle(v) ? Sat16(int64_t(angle) * 10) : 0);
    int symbol = v;
    if (v == 400) {
        symbol = TextSymbol(r);
        MoveText(r, I16At(r, OrCount));
    } else if (v >= 510 && v <= 540) {
        symbol = LineSymbol(r, v);
    } else if (v >= 620 && v <= 640) {
        symbol = AreaSymbol(r, v);
    } else if (v == 700) {
        symbol = FrameSymbol(r);
        FourCorners(r);
    } else if (v == 750) {
        symbol = PunchBoxSymbol(r);
        FourCorners(r);
    } else if (v == 1031) {
        symbol = 1030;
    } else if (v == 2082) {
        symbol = 2080;
    } else if (v == 3010) {
        symbol = 3020;
    } else if (v == 3011) {
        symbol = 3010;
    } else if (v == 3040 || v == 3041 || v == 5021) {
        symbol = DoubleLineSymbol(r, v);
    } else if (v == 1060 || v == 2010 || v == 2030 || v == 5160) {
        DropCornerMarkers(r);
    }
    PutI16(r, OrSymbol, int16_t(symbol));
    r[v4obj::ClassBits] = 0;
    r[v4obj::Class14Byte] = 0;
    return ConvertVersion5Object(r);
}

namespace {

// The loaded standard symbols adjusted by the old setup.
void AdjustSymbols(std::span<const uint8_t> old)
{
    TZmd& z = *Index.ActiveZmd;
    const auto w = [&](size_t at) { return I16At(old, at); };
    const int lines100 = w(v4setup::Lines100);
    for (SymbolBytes& rec : z.Symbols) {
        const int number = SymI16(rec, SymNumber);
        const size_t size = rec.size();
        // Each row changes fields of its own type only: a line text of a line's number keeps
        // its font name.
        const int type = SymI16(rec, SymObjectType);
        const bool line = type == LineObject && SymU8(rec, SymTextFlag) == 0;
        if (!line && type != AreaObject && type != PointObject)
            continue;
        if (line && w(v4setup::Lines500) > 1 && size >= size_t(LineSymbolFixedBytes)) {
            if (number == 5060)
                SetSymI16(rec, LsLineWidth, 18);
            else if (number == 5040 || number == 5050)
                SetSymI16(rec, LsLineWidth, 25);
            else if (number == 5070 || number == 5080)
                SetSymI16(rec, LsLineWidth, 13);
        }
        if (type == PointObject && w(v4setup::Lines500) > 1 && number >= 5380 && number <= 5420 && number % 10 == 0
            && size > size_t(PointSymbolFixedBytes)) {
            const int slots = std::min<int>(SymI16(rec, PointSymbolSlotsOffset), int((size - PointSymbolFixedBytes) / 8));
            for (int s = 0; s < slots;) {
                const size_t at = PointSymbolFixedBytes + 8 * size_t(s);
                const int count = SymI16(rec, at + ElemCount);
                if (count < 0 || s + SymbolElementHeadSlots + count > slots)
                    break;
                SetSymI16(rec, at + ElemWidth, 13);
                s += SymbolElementHeadSlots + count;
            }
        }
        if (type == AreaObject && number == 3100 && w(v4setup::Areas310) > 1 && size >= size_t(AreaSymbolFixedBytes)) {
            SetSymI16(rec, AreaHatchLineWidth, 9);
            SetSymI16(rec, AreaHatchDist, 23);
        }
        // The structure's first element and its two points must be there.
        constexpr size_t secondX = AreaSymbolFixedBytes + ElemCords + StoredCordBytes;
        if (type == AreaObject && number == 3110 && w(v4setup::Areas310) > 1 && size >= secondX + 4) {
            SetSymI16(rec, AreaStructWidth, 90);
            SetSymI16(rec, AreaStructHeight, 35);
            SetSymI16(rec, AreaSymbolFixedBytes + ElemWidth, 9);
            SetSymI32(rec, AreaSymbolFixedBytes + ElemCords, -8192);
            SetSymI32(rec, secondX, 8192);
        }
        if (line && (number == 1010 || number == 1030) && size == size_t(LineSymbolFixedBytes)) {
            const int width = lines100 == 5 ? 9 : lines100 == 6 ? 11 : lines100 == 8 ? 14 : lines100 == 9 ? 16 : 0;
            if (width)
                SetSymI16(rec, LsLineWidth, int16_t(width));
        }
        if (line && (number == 2010 || number == 2030) && w(v4setup::Lines200) > 1 && size >= size_t(LineSymbolFixedBytes))
            SetSymI16(rec, LsEndLength, 35);
    }
    const int sizeClass = w(v4setup::SymbolSize);
    for (int i = 0; i < z.SymbolCount(); ++i) {
        SymbolBytes& rec = z.Symbols[size_t(i)];
        const int type = SymI16(rec, SymObjectType);
        if (sizeClass >= 2 && (type == PointObject || type == AreaObject || (type == LineObject && SymU8(rec, SymTextFlag) == 0)))
            ScaleSymbol(rec, sizeClass == 2 ? 1.5 : 1.25);
        z.WriteSymbol(i);
    }
}

} // namespace

void ConvertVersion4Setup(std::span<const uint8_t> old)
{
    using namespace v4setup;
    TZmd& z = *Index.ActiveZmd;
    SetupRecord& s = z.Setup;
    const auto w = [&](size_t at) { return I16At(old, at); };
    const auto C = [&](size_t at) { return int64_t(Version5Coord(w(at))); };
    DefaultSetup(s);
    static constexpr double zooms[] = {0.5, 1, 4, 16};
    const int zoom = w(ZoomClass);
    if (zoom >= 0 && zoom <= 3) {
        s.Zoom = zooms[zoom];
        int64_t x = C(X0), y = C(Y0);
        if (zoom >= 2) {
            x += C(X1);
            y += C(Y1);
        }
        if (zoom == 3) {
            x += C(X2);
            y += C(Y2);
        }
        s.ViewCenterX = int32_t(x);
        s.ViewCenterY = int32_t(y);
    }
    const int64_t cx = C(RangeX), cy = C(RangeY), hw = C(RangeHalfW), hh = C(RangeHalfH);
    s.PrintRange = CordRect{int32_t(cx - hw), int32_t(cy - hh), int32_t(cx + hw), int32_t(cy + hh)};
    s.PrintGrid = w(PrintGrid) > 1;
    const int grid = w(GridClass);
    if (grid >= 1 && grid <= 3)
        s.PaperGridDistance = grid == 1 ? 10.0 : grid == 2 ? 50.0 / 3.0 : 25.0;
    double scale = Real48At(old, MapScale);
    if (!(scale >= 1 && scale <= 10000000))
        scale = 15000;
    s.MapScale = scale;
    const auto divided = [&](int cls) {
        static constexpr double by[] = {1, 1.5, 2, 3};
        return cls >= 1 && cls <= 4 ? scale / by[cls - 1] : scale;
    };
    s.PrintScale = divided(w(PrintScaleClass));
    // Class 5 divides by a real of the block that is not known: the scale stays.
    s.TemplateScaleX = s.TemplateScaleY = divided(w(TemplateScaleClass));

    SymbolHeaderBlock& cb = z.ColorBlock;
    const int count = std::clamp<int>(cb.ColorCount, 0, MaxColors);
    const auto find = [&](int number) -> ColorRecord* {
        for (int i = 0; i < count; ++i)
            if (cb.Colors[size_t(i)].Number == number)
                return &cb.Colors[size_t(i)];
        return nullptr;
    };
    if (ColorRecord* c15 = find(15)) {
        if (w(Colour15) == 1) {
            c15->Cmyk = {};
            c15->Separations[2] = 0;
        } else if (w(Colour15) == 3) {
            if (const ColorRecord* c4 = find(4))
                c15->Cmyk = c4->Cmyk;
            c15->Separations[2] = 100;
        }
    }
    AdjustSymbols(old);
    z.WriteSymbolIndex();
}

namespace {

// The object pass shared by both versions: entries at `index` (16 bytes each, 1 <= i < count),
// records at `base` + 4 x pos in the file of `size` bytes.
bool ConvertObjects(const MapFileReader& index, int64_t count, const MapFileReader& data, int64_t base, int64_t size)
{
    AbortRequested = false;
    StartProgress(TextKey::Converting, TextKey::ObjConverted, int(std::min<int64_t>(count, INT32_MAX)), ProgressStep, true);
    struct ProgressEnd {
        ~ProgressEnd() { EndProgress(); }
    } progressEnd;
    const int64_t units = (size - base) / 4;
    std::array<uint8_t, V4IndexEntryBytes> entry{};
    std::vector<uint8_t> record(OldRecordBufferBytes);
    for (int64_t i = 1; i < count && !AbortRequested; ++i) {
        if (!index.ReadAt(i * int64_t(V4IndexEntryBytes), entry.data(), int64_t(entry.size())))
            break;
        const int64_t pos = LoadLE<int32_t>(entry.data() + OldEntryPos);
        const int64_t len = LoadLE<uint16_t>(entry.data() + OldEntryLen);
        if (pos >= OldFirstRecordPos && pos + len <= units && len >= 4 && len <= V4MaxRecordUnits) {
            const std::span<uint8_t> r(record.data(), size_t(len) * 4);
            if (data.ReadAt(base + 4 * pos, r.data(), int64_t(r.size()))) {
                const int n = LoadLE<int16_t>(r.data() + OrCount);
                if (n >= 1 && n <= len - 3 && LoadLE<int16_t>(r.data() + OrSymbol) > 0 && r[OrType] >= 1
                    && r[OrType] <= 5 && !ConvertVersion4Object(r))
                    return false;
            }
        }
        UpdateProgress(Index.ActiveZmd->HighestObject, int(std::min<int64_t>(i, INT32_MAX)));
        DispatchKeyMessages();
    }
    return !AbortRequested;
}

bool StartStandardMap()
{
    return CreateEmptyMap() && LoadSymbolFile(StandardSymbolFile());
}

bool FinishSetup(const MapFileReader& f, int64_t at)
{
    std::vector<uint8_t> old(v4setup::Bytes, 0);
    const int64_t n = std::clamp<int64_t>(f.Size() - at, 0, int64_t(old.size()));
    if (n > 0)
        f.ReadAt(at, old.data(), n);
    ConvertVersion4Setup(old);
    return WriteSetup();
}

// The ".idx" beside the ".elt", its extension in any letter case.
QString IndexFileOf(const QString& eltName)
{
    const QFileInfo elt(eltName);
    const QString base = elt.completeBaseName();
    const QString exact = elt.path() + QStringLiteral("/") + base + QStringLiteral(".idx");
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList found = QDir(elt.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : found)
        if (name.compare(base + QStringLiteral(".idx"), Qt::CaseInsensitive) == 0)
            return elt.path() + QStringLiteral("/") + name;
    return exact;
}

} // namespace

bool ConvertVersion3Map(const QString& eltName)
{
    if (QFileInfo(eltName).suffix().toLower() != QStringLiteral("elt")) {
        FormatNotCorrect(eltName);
        return false;
    }
    const QString idxName = IndexFileOf(eltName);
    MapFileReader idx, elt;
    if (!QFileInfo(idxName).isFile() || !idx.Open(idxName)) {
        ErrorMsg(TextKey::FileNotFound, idxName, FileNotFoundHelp);
        return false;
    }
    std::array<uint8_t, 4> head{};
    if (!idx.ReadAt(0, head.data(), 4) || LoadLE<uint16_t>(head.data() + V3IdxMarkField) != V3IdxMark) {
        FormatNotCorrect(idxName);
        return false;
    }
    if (!elt.Open(eltName)) {
        FormatNotCorrect(eltName);
        return false;
    }
    UndoSuspend noUndo;
    if (!StartStandardMap())
        return false;
    if (!ConvertObjects(idx, idx.Size() / int64_t(V4IndexEntryBytes), elt, 0, elt.Size()))
        return false;
    return FinishSetup(elt, 0);
}

bool ConvertVersion4Map(const QString& name)
{
    MapFileReader f;
    std::array<uint8_t, 12> head{};
    if (!f.Open(name) || !f.ReadAt(0, head.data(), int64_t(head.size()))) {
        FormatNotCorrect(name);
        return false;
    }
    // The index and the setup block behind it must lie in the file.
    const int64_t n = LoadLE<int32_t>(head.data() + V4CountField);
    const int64_t base = n * int64_t(V4IndexEntryBytes);
    if (n < 1 || base + int64_t(v4setup::Bytes) > f.Size()) {
        FormatNotCorrect(name);
        return false;
    }
    UndoSuspend noUndo;
    if (!StartStandardMap())
        return false;
    if (!ConvertObjects(f, n, f, base, f.Size()))
        return false;
    return FinishSetup(f, base);
}

} // namespace zemo
