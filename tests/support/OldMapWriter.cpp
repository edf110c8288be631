#include "OldMapWriter.h"

#include <algorithm>
#include <cmath>

namespace zemo::test {

namespace {

void Grow(std::vector<uint8_t>& b, size_t size)
{
    if (b.size() < size)
        b.resize(size, 0);
}

void PutEntry(std::vector<uint8_t>& b, size_t at, OldEntry e)
{
    PutI16(b, at, e.x);
    PutI16(b, at + 2, e.y);
}

void PutCString(std::vector<uint8_t>& b, size_t at, const std::string& s, size_t field)
{
    for (size_t k = 0; k < field; ++k)
        b[at + k] = k < s.size() ? uint8_t(s[k]) : 0;
}

void Align4(std::vector<uint8_t>& b)
{
    b.resize((b.size() + 3) / 4 * 4, 0);
}

// Records of the objects placed from `base` (a 4-byte unit count from the data start) on;
// returns each object's (pos, len) and appends the bytes.
std::vector<std::pair<int32_t, uint16_t>> PlaceRecords(const std::vector<OldObject>& objects,
                                                       std::vector<uint8_t>& area, int32_t base)
{
    std::vector<std::pair<int32_t, uint16_t>> places;
    for (const OldObject& o : objects) {
        if (!o.inIndex) {
            places.emplace_back(0, 0);
            continue;
        }
        const std::vector<uint8_t> r = o.Bytes();
        const int32_t pos = base + int32_t(area.size() / 4);
        area.insert(area.end(), r.begin(), r.end());
        places.emplace_back(o.posField.value_or(pos), o.lenField.value_or(uint16_t(r.size() / 4)));
    }
    return places;
}

} // namespace

std::array<uint8_t, 6> Real48(double v)
{
    std::array<uint8_t, 6> b{};
    if (v == 0)
        return b;
    const bool negative = v < 0;
    int e = 0;
    double m = std::frexp(std::fabs(v), &e);  // m in [0.5, 1)
    m *= 2;
    e -= 1;
    uint64_t mantissa = uint64_t(std::llround((m - 1.0) * double(uint64_t(1) << 39)));
    if (mantissa >> 39) {
        mantissa = 0;
        ++e;
    }
    b[0] = uint8_t(e + 129);
    for (size_t k = 1; k <= 5; ++k)
        b[k] = uint8_t(mantissa >> (8 * (k - 1)));
    b[5] = uint8_t((b[5] & 0x7F) | (negative ? 0x80 : 0));
    return b;
}

void PutReal48(std::vector<uint8_t>& b, size_t at, double v)
{
    Grow(b, at + 6);
    const auto r = Real48(v);
    std::copy(r.begin(), r.end(), b.begin() + long(at));
}

// ---- Objects ----

std::vector<uint8_t> OldObject::Bytes() const
{
    std::vector<uint8_t> b(12, 0);
    PutI16(b, 0, symbol10);
    b[2] = type;
    b[6] = classBits;
    b[7] = byte7;
    PutI16(b, 8, angle);
    PutI16(b, 10, word10);
    for (const OldEntry& e : entries) {
        b.resize(b.size() + 4);
        PutEntry(b, b.size() - 4, e);
    }
    if (strings.empty() && (!text.empty() || type == 4)) {
        // Version 5: the text from +32, right behind five points.
        Grow(b, 32);
        b.resize(32);
        b.insert(b.end(), text.begin(), text.end());
        b.push_back(0);
    }
    if (!strings.empty()) {
        Grow(b, 12 + 16 * 4);
        b.resize(12 + 16 * 4);
        for (const std::string& s : strings) {
            b.insert(b.end(), s.begin(), s.end());
            b.push_back(0);
        }
    }
    Align4(b);
    Grow(b, 16);
    PutI16(b, 4, nField.value_or(int16_t((b.size() - 12) / 4)));
    for (const auto& [at, v] : words) {
        Grow(b, at + 2);
        PutI16(b, at, v);
    }
    Align4(b);
    return b;
}

OldObject OldObject::Point(int16_t symbol10, int16_t x, int16_t y)
{
    OldObject o;
    o.symbol10 = symbol10;
    o.type = 1;
    o.entries = {Pt(x, y)};
    return o;
}

OldObject OldObject::Line(int16_t symbol10, std::vector<OldEntry> entries)
{
    OldObject o;
    o.symbol10 = symbol10;
    o.type = 2;
    o.entries = std::move(entries);
    return o;
}

OldObject OldObject::Area(int16_t symbol10, std::vector<OldEntry> entries)
{
    OldObject o = Line(symbol10, std::move(entries));
    o.type = 3;
    return o;
}

OldObject OldObject::Text(int16_t symbol10, std::array<OldEntry, 5> points, std::string text)
{
    OldObject o;
    o.symbol10 = symbol10;
    o.type = 4;
    o.entries.assign(points.begin(), points.end());
    o.text = std::move(text);
    return o;
}

// ---- Version 5 ----

void V5Symbol::Set(size_t at, int16_t v)
{
    rec[at] = uint8_t(uint16_t(v));
    rec[at + 1] = uint8_t(uint16_t(v) >> 8);
}

void V5Symbol::SetDescription(const std::string& s)
{
    for (size_t k = 0; k < 32; ++k)
        rec[Description + k] = k < s.size() ? uint8_t(s[k]) : 0;
}

void V5Symbol::SetSlot(int k, int16_t first, int16_t count, int16_t kind, uint16_t color,
                       uint16_t style, int16_t width)
{
    const size_t o = 2 * size_t(k);
    Set(64 + o, first);
    Set(80 + o, count);
    Set(96 + o, kind);
    Set(112 + o, int16_t(color));
    Set(128 + o, int16_t(style));
    Set(144 + o, width);
}

V5Symbol V5Symbol::Make(int16_t number10, int16_t type, int16_t subtype)
{
    V5Symbol s;
    s.Set(Number, number10);
    s.Set(Type, type);
    s.Set(Subtype, subtype);
    for (size_t k = 0; k < s.icon.size(); ++k)
        s.icon[k] = uint8_t(k);
    return s;
}

Version5Writer::Version5Writer() : setup(166, 0)
{
    colors.push_back(V5Color{});
}

void Version5Writer::SetupI16(size_t at, int16_t v)
{
    PutI16(setup, at, v);
}

void Version5Writer::SetupReal(size_t at, double v)
{
    PutReal48(setup, at, v);
}

int16_t Version5Writer::AddTableText(const std::string& s)
{
    const size_t at = table.size() * 4 + tableBytes.size();
    const size_t padded = (at + 3) / 4 * 4;
    tableBytes.resize(tableBytes.size() + (padded - at), 0);
    tableBytes.insert(tableBytes.end(), s.begin(), s.end());
    tableBytes.push_back(0);
    return int16_t(padded / 4);
}

std::vector<uint8_t> Version5Writer::Build() const
{
    const size_t slots = std::max(objects.size(), indexSlots);
    const int32_t d = dataStart.value_or(int32_t((slots + 1) * 24));
    std::vector<uint8_t> records;
    const auto places = PlaceRecords(objects, records, 256);
    // The setup block follows the index, wherever the stored start of the data says it is.
    std::vector<uint8_t> b((slots + 1) * 24, 0);
    PutU16(b, 0, mark);
    PutU16(b, 2, second);
    PutU16(b, 4, version);
    for (size_t i = 0; i < objects.size() && (i + 1) * 24 + 24 <= b.size(); ++i) {
        PutI32(b, (i + 1) * 24 + 8, places[i].first);
        PutU16(b, (i + 1) * 24 + 12, places[i].second);
    }
    const size_t data = b.size();
    b.insert(b.end(), setup.begin(), setup.end());
    Grow(b, data + 1024);
    b.insert(b.end(), records.begin(), records.end());
    Align4(b);

    const size_t block = b.size();
    Grow(b, block + 4880);
    const int16_t n = symbolCount.value_or(int16_t(symbols.size()));
    PutI16(b, block + 12, n);
    const size_t tableEntries = table.size() + (tableBytes.size() + 3) / 4;
    PutI16(b, block + 14, tableCount.value_or(int16_t(tableEntries)));
    for (size_t k = 0; k < colors.size() && k < 32; ++k) {
        const size_t at = block + 16 + 116 * k;
        const V5Color& c = colors[k];
        PutU16(b, at, c.number);
        PutCString(b, at + 4, c.name, 32);
        PutI32(b, at + 36, int32_t(c.rgb));
        for (size_t j = 0; j < 32; ++j)
            PutI16(b, at + 52 + 2 * j, c.percent[j]);
    }
    for (size_t k = 0; k < separations.size() && k < 32; ++k) {
        const size_t at = block + 3728 + 36 * k;
        PutCString(b, at, separations[k].name, 32);
        PutU16(b, at + 32, separations[k].word1);
        PutU16(b, at + 34, separations[k].word2);
    }
    for (const V5Symbol& s : symbols)
        b.insert(b.end(), s.rec.begin(), s.rec.end());
    for (const V5Symbol& s : symbols)
        b.insert(b.end(), s.icon.begin(), s.icon.end());
    for (const OldEntry& e : table) {
        b.resize(b.size() + 4);
        PutEntry(b, b.size() - 4, e);
    }
    b.insert(b.end(), tableBytes.begin(), tableBytes.end());
    Align4(b);
    PutI32(b, 8, d);
    PutI32(b, 12, symbolBlockPos.value_or(int32_t(block)));
    if (truncateAt && *truncateAt < b.size())
        b.resize(*truncateAt);
    return b;
}

// ---- Versions 3 and 4 ----

void OldSetup347::I16(size_t at, int16_t v)
{
    PutI16(bytes, at, v);
}

void OldSetup347::Real(size_t at, double v)
{
    PutReal48(bytes, at, v);
}

std::vector<uint8_t> Version4Writer::Build() const
{
    // The data area starts behind the 24-byte header at the least.
    const size_t n = std::max<size_t>(std::max(objects.size(), indexSlots) + 1, 2);
    std::vector<uint8_t> records;
    const auto places = PlaceRecords(objects, records, 256);
    std::vector<uint8_t> b(16 * n, 0);
    Grow(b, 24);
    for (size_t i = 0; i < objects.size(); ++i) {
        PutI32(b, (i + 1) * 16 + 8, places[i].first);
        PutU16(b, (i + 1) * 16 + 12, places[i].second);
    }
    PutU16(b, 0, kMapMark);
    PutU16(b, 4, 4);
    PutI32(b, 8, countField.value_or(int32_t(n)));
    const size_t data = 16 * n;
    b.resize(std::max(b.size(), data));
    b.insert(b.end(), setup.bytes.begin(), setup.bytes.end());
    Grow(b, data + 1024);
    b.insert(b.end(), records.begin(), records.end());
    return b;
}

std::pair<std::vector<uint8_t>, std::vector<uint8_t>> Version3Writer::Build() const
{
    const size_t n = std::max(objects.size(), indexSlots) + 1;
    std::vector<uint8_t> records;
    const auto places = PlaceRecords(objects, records, 256);
    std::vector<uint8_t> idx(16 * n, 0);
    Grow(idx, 24);
    PutU16(idx, 2, idxWord);
    for (size_t i = 0; i < objects.size(); ++i) {
        PutI32(idx, (i + 1) * 16 + 8, places[i].first);
        PutU16(idx, (i + 1) * 16 + 12, places[i].second);
    }
    std::vector<uint8_t> elt = setup.bytes;
    // Where the map header has its mark and version.
    PutU16(elt, 0, kMapMark);
    PutU16(elt, 4, 3);
    Grow(elt, 1024);
    elt.insert(elt.end(), records.begin(), records.end());
    return {elt, idx};
}

} // namespace zemo::test
