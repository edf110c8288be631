#include "TestMapWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace zemo::test {

// ---- Little-endian access ----

namespace {

void need(const std::vector<uint8_t>& b, size_t at, size_t n)
{
    if (at > b.size() || b.size() - at < n)
        throw std::out_of_range("TestMapWriter: field outside the buffer");
}

} // namespace

void PutU8(std::vector<uint8_t>& b, size_t at, uint8_t v)
{
    need(b, at, 1);
    b[at] = v;
}

void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    need(b, at, 2);
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void PutI16(std::vector<uint8_t>& b, size_t at, int16_t v) { PutU16(b, at, uint16_t(v)); }

void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v)
{
    need(b, at, 4);
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(u >> (8 * i));
}

void PutF64(std::vector<uint8_t>& b, size_t at, double v)
{
    need(b, at, 8);
    uint64_t u = 0;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i)
        b[at + i] = uint8_t(u >> (8 * i));
}

void PutShortString(std::vector<uint8_t>& b, size_t at, const std::string& s, size_t maxLen)
{
    need(b, at, maxLen + 1);
    const size_t n = std::min(s.size(), maxLen);
    std::fill(b.begin() + at, b.begin() + at + maxLen + 1, 0);
    b[at] = uint8_t(n);
    std::copy(s.begin(), s.begin() + n, b.begin() + at + 1);
}

uint16_t GetU16(const std::vector<uint8_t>& b, size_t at)
{
    need(b, at, 2);
    return uint16_t(b[at] | (b[at + 1] << 8));
}

int16_t GetI16(const std::vector<uint8_t>& b, size_t at) { return int16_t(GetU16(b, at)); }

int32_t GetI32(const std::vector<uint8_t>& b, size_t at)
{
    need(b, at, 4);
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= uint32_t(b[at + i]) << (8 * i);
    return int32_t(u);
}

double GetF64(const std::vector<uint8_t>& b, size_t at)
{
    need(b, at, 8);
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i)
        u |= uint64_t(b[at + i]) << (8 * i);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

// ---- Setup ----

std::vector<uint8_t> DefaultSetupBytes()
{
    std::vector<uint8_t> s(kSetupSize, 0);
    PutF64(s, setup::PaperGridDistance, 10.0);
    PutU16(s, setup::Word20, 11);
    PutF64(s, setup::MapScale, 15000.0);
    PutF64(s, setup::RealWorldGridDistance, 1000.0);
    PutF64(s, setup::TemplateScaleX, 15000.0);
    PutF64(s, setup::TemplateScaleY, 15000.0);
    PutI16(s, setup::TemplateResolution, 300);
    PutI32(s, setup::PrintRange + 0, -1280000);
    PutI32(s, setup::PrintRange + 4, -1280000);
    PutI32(s, setup::PrintRange + 8, 1280000);
    PutI32(s, setup::PrintRange + 12, 1280000);
    PutI16(s, setup::PrintOverlapX, 1000);
    PutI16(s, setup::PrintOverlapY, 1000);
    PutF64(s, setup::PrintScale, 15000.0);
    PutF64(s, setup::Zoom, 4.0);
    return s;
}

int32_t FilePos::Resolve(size_t fileSize) const
{
    const int64_t v = fromEnd ? int64_t(fileSize) + value : value;
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// ---- Colours ----

TestColor TestColor::Cmyk(uint16_t number, std::string name, uint8_t c, uint8_t m, uint8_t y,
                          uint8_t k)
{
    TestColor col;
    col.number = number;
    col.name = std::move(name);
    col.cmyk = {c, m, y, k};
    return col;
}

// ---- Symbol elements ----

TestElement TestElement::Circle(uint16_t color, uint16_t diameter, uint16_t width)
{
    TestElement e;
    e.kind = 3;
    e.color = color;
    e.width = width;
    e.diameter = diameter;
    e.cords = {{0, 0}};
    return e;
}

TestElement TestElement::Dot(uint16_t color, uint16_t diameter)
{
    TestElement e = Circle(color, diameter, 0);
    e.kind = 4;
    return e;
}

TestElement TestElement::Polyline(uint16_t color, uint16_t width, std::vector<TestCord> cords)
{
    TestElement e;
    e.kind = 1;
    e.color = color;
    e.width = width;
    e.cords = std::move(cords);
    return e;
}

size_t ElementListSlots(const std::vector<TestElement>& list)
{
    size_t n = 0;
    for (const TestElement& e : list)
        n += e.Slots();
    return n;
}

std::vector<uint8_t> ElementListBytes(const std::vector<TestElement>& list)
{
    std::vector<uint8_t> out(8 * ElementListSlots(list), 0);
    size_t at = 0;
    for (const TestElement& e : list) {
        PutU16(out, at + 0, e.kind);
        PutU16(out, at + 2, e.style);
        PutU16(out, at + 4, e.color);
        PutU16(out, at + 6, e.width);
        PutU16(out, at + 8, e.diameter);
        PutU16(out, at + 10, e.cordCount.value_or(uint16_t(e.cords.size())));
        // bytes 12..15 stay zero
        for (size_t i = 0; i < e.cords.size(); ++i) {
            PutI32(out, at + 16 + 8 * i, e.cords[i].x);
            PutI32(out, at + 20 + 8 * i, e.cords[i].y);
        }
        at += 8 * e.Slots();
    }
    return out;
}

int ElementListExtentOf(const std::vector<TestElement>& list)
{
    int best = 0;
    for (const TestElement& e : list) {
        int r = 0;
        if (e.kind == 1)
            r = e.width / 2;
        else if (e.kind == 3 || e.kind == 4)
            r = e.diameter / 2;
        for (const TestCord& c : e.cords) {
            const double x = c.x / 256.0, y = c.y / 256.0;
            const int d = int(std::nearbyint(std::sqrt(x * x + y * y)));
            best = std::max(best, r + d);
        }
    }
    return best;
}

// ---- Symbols ----

void TestSymbol::AddColor(int c)
{
    if (c >= 0 && c < 256)
        colorSet[size_t(c) / 8] |= uint8_t(1u << (c % 8));
}

namespace {

void growBody(std::vector<uint8_t>& body, size_t recordOffset, size_t n)
{
    if (recordOffset < kSymbolHeadSize)
        throw std::out_of_range("TestSymbol: head fields are members, not body bytes");
    const size_t end = recordOffset - kSymbolHeadSize + n;
    if (body.size() < end)
        body.resize(end, 0);
}

void addListColors(TestSymbol& s, const std::vector<TestElement>& list)
{
    for (const TestElement& e : list)
        s.AddColor(e.color);
}

} // namespace

void TestSymbol::SetI16(size_t recordOffset, int16_t v)
{
    growBody(body, recordOffset, 2);
    PutI16(body, recordOffset - kSymbolHeadSize, v);
}

void TestSymbol::SetI32(size_t recordOffset, int32_t v)
{
    growBody(body, recordOffset, 4);
    PutI32(body, recordOffset - kSymbolHeadSize, v);
}

void TestSymbol::SetU8(size_t recordOffset, uint8_t v)
{
    growBody(body, recordOffset, 1);
    PutU8(body, recordOffset - kSymbolHeadSize, v);
}

void TestSymbol::SetShortString(size_t recordOffset, const std::string& s, size_t maxLen)
{
    growBody(body, recordOffset, maxLen + 1);
    PutShortString(body, recordOffset - kSymbolHeadSize, s, maxLen);
}

int16_t TestSymbol::I16(size_t recordOffset) const
{
    if (recordOffset < kSymbolHeadSize)
        throw std::out_of_range("TestSymbol: head fields are members, not body bytes");
    return GetI16(body, recordOffset - kSymbolHeadSize);
}

TestSymbol TestSymbol::Point(int16_t number10, std::vector<TestElement> elements)
{
    TestSymbol s;
    s.number10 = number10;
    s.type = 1;
    s.flags = 1;
    s.description = "Point " + std::to_string(number10);
    s.body.assign(352 - kSymbolHeadSize, 0);
    s.SetI16(348, int16_t(ElementListSlots(elements)));
    const std::vector<uint8_t> list = ElementListBytes(elements);
    s.body.insert(s.body.end(), list.begin(), list.end());
    s.extent = int16_t(ElementListExtentOf(elements));
    addListColors(s, elements);
    return s;
}

TestSymbol TestSymbol::Line(int16_t number10, int16_t color, int16_t width,
                            std::vector<TestElement> mainSymbol)
{
    TestSymbol s;
    s.number10 = number10;
    s.type = 2;
    s.description = "Line " + std::to_string(number10);
    s.body.assign(424 - kSymbolHeadSize, 0);
    s.SetI16(348, color);
    s.SetI16(350, width);
    int extent = width / 2;
    if (width >= 1)
        s.AddColor(color);
    if (!mainSymbol.empty()) {
        s.SetI16(358, 400);  // main length
        s.SetI16(362, 50);   // main gap
        s.SetI16(370, 1);    // one main symbol per group
        s.SetI16(412, int16_t(ElementListSlots(mainSymbol)));
        const std::vector<uint8_t> list = ElementListBytes(mainSymbol);
        s.body.insert(s.body.end(), list.begin(), list.end());
        addListColors(s, mainSymbol);
        extent = std::max(extent, ElementListExtentOf(mainSymbol));
    }
    s.extent = int16_t(extent);
    return s;
}

TestSymbol TestSymbol::Area(int16_t number10, int16_t fillColor, std::vector<TestElement> structure)
{
    TestSymbol s;
    s.number10 = number10;
    s.type = 3;
    s.description = "Area " + std::to_string(number10);
    s.body.assign(380 - kSymbolHeadSize, 0);
    s.SetI16(350, -1);  // fill on
    s.SetI16(352, fillColor);
    s.AddColor(fillColor);
    if (!structure.empty()) {
        s.SetI16(368, 1);    // rectangular grid
        s.SetI16(370, 200);  // cell 2 mm x 2 mm
        s.SetI16(372, 200);
        s.SetI16(378, int16_t(ElementListSlots(structure)));
        const std::vector<uint8_t> list = ElementListBytes(structure);
        s.body.insert(s.body.end(), list.begin(), list.end());
        addListColors(s, structure);
    }
    return s;
}

TestSymbol TestSymbol::Text(int16_t number10, std::string font, int16_t sizeTenthPt, int16_t color)
{
    TestSymbol s;
    s.number10 = number10;
    s.type = 4;
    s.textFlag = 1;
    s.flags = 1;
    s.description = "Text " + std::to_string(number10);
    s.body.assign(588 - kSymbolHeadSize, 0);
    s.SetShortString(348, font, 31);
    s.SetI16(380, color);
    s.SetI16(382, sizeTenthPt);
    s.SetI16(384, 400);
    s.SetI16(390, 100);  // word spacing
    s.SetI16(394, 120);  // line spacing
    s.AddColor(color);
    return s;
}

TestSymbol TestSymbol::LineText(int16_t number10, std::string font, int16_t sizeTenthPt,
                                int16_t color)
{
    TestSymbol s;
    s.number10 = number10;
    s.type = 2;
    s.textFlag = 1;
    s.description = "Line text " + std::to_string(number10);
    s.body.assign(440 - kSymbolHeadSize, 0);
    s.SetShortString(348, font, 31);
    s.SetI16(380, color);
    s.SetI16(382, sizeTenthPt);
    s.SetI16(384, 400);
    s.SetI16(390, 100);
    s.extent = int16_t(std::nearbyint(sizeTenthPt / 720.0 * 2540.0));
    s.AddColor(color);
    return s;
}

TestSymbol TestSymbol::Rect(int16_t number10, int16_t color, int16_t width)
{
    TestSymbol s;
    s.number10 = number10;
    s.type = 5;
    s.flags = 1;
    s.description = "Rectangle " + std::to_string(number10);
    s.body.assign(416 - kSymbolHeadSize, 0);
    s.SetI16(348, color);
    s.SetI16(350, width);
    s.extent = int16_t(width / 2 + 8);
    s.AddColor(color);
    return s;
}

TestSymbol TestSymbol::Raw(int16_t number10, int16_t type, size_t size)
{
    TestSymbol s;
    s.number10 = number10;
    s.type = type;
    s.body.assign(size > kSymbolHeadSize ? size - kSymbolHeadSize : 0, 0);
    if (size < kSymbolHeadSize)
        s.sizeWord = int16_t(size);
    return s;
}

TestSymbol TestSymbol::FreeSlot(int32_t slotValue)
{
    TestSymbol s;
    s.writeRecord = false;
    s.indexPosition = FilePos::At(slotValue);
    return s;
}

// ---- Other writers' forms ----

TestSymbol TestSymbol::OtherWriterPoint(int16_t number10)
{
    TestElement ring = TestElement::Circle(1, 200, 30);
    ring.cords = {{256 * 100, 0}};
    TestSymbol s = Point(number10, {ring});
    s.description = "Boulder";
    s.extent = 215;       // the ring's line width counted in (200 without it)
    s.AddColor(3);        // a colour the graphics do not use
    s.byte15 = 0x24;      // description columns on a map without courses
    s.SetI16(350, 1);     // reserved word
    return s;
}

TestSymbol TestSymbol::OtherWriterLine(int16_t number10)
{
    TestSymbol s = Line(number10, 2, 20);
    s.description = "Path";
    s.tool = 1;
    s.extent = 11;          // width 0.20 mm rounded up (10 by halves toward zero)
    s.SetI16(352, 1 | 8);   // dashed, and a bit this program gives no meaning
    s.SetI16(358, 300);
    s.SetI16(362, 40);
    s.SetI16(370, 1);       // one main symbol to a group, without a main symbol list
    s.SetI16(376, 255);     // double-line fill as a Boolean of 255, with the double line off
    s.SetI16(394, 7);       // unedited words
    s.SetI16(404, -3);
    s.SetI16(422, 1);       // reserved word
    return s;
}

TestSymbol TestSymbol::OtherWriterLineWithSymbols(int16_t number10)
{
    TestElement dot = TestElement::Dot(1, 60);
    TestElement ring = TestElement::Circle(3, 100, 20);
    TestElement corner = TestElement::Dot(4, 80);
    corner.cords = {{256 * 30, 256 * 40}};
    TestSymbol s = Line(number10, 2, 35, {dot});
    s.description = "Fence";
    s.SetI16(370, 0);       // a main symbol list with a count of 0
    s.SetI16(372, 150);
    for (const auto& [count, list] : {std::pair<size_t, std::vector<TestElement>>{414, {ring}}, {416, {corner}}}) {
        s.SetI16(count, int16_t(ElementListSlots(list)));
        const std::vector<uint8_t> bytes = ElementListBytes(list);
        s.body.insert(s.body.end(), bytes.begin(), bytes.end());
        addListColors(s, list);
    }
    s.extent = int16_t(ElementListExtentOf({corner}) + 5);
    return s;
}

TestSymbol TestSymbol::OtherWriterArea(int16_t number10)
{
    TestElement dot = TestElement::Dot(1, 40);
    TestSymbol s = Area(number10, 2, {dot});
    s.description = "Marsh";
    s.flags = 1;
    s.tool = 4;
    s.extent = 5;           // areas reach no further than their outline: 0 here
    s.SetI16(350, 1);       // fill on as a Boolean of 1
    s.SetI16(354, 1);       // single hatch
    s.SetI16(356, 3);
    s.SetI16(358, 10);
    s.SetI16(360, 50);
    s.SetI16(362, 450);
    s.AddColor(3);
    s.SetI16(368, 2);       // offset rows
    s.SetI16(374, -300);
    s.SetI16(348, 9);       // unedited words
    s.SetI16(366, 1);
    s.SetI16(376, -1);
    return s;
}

TestSymbol TestSymbol::OtherWriterText(int16_t number10)
{
    TestSymbol s = Text(number10, "Arial", 100, 1);
    s.description = "Name";
    s.extent = 999;         // a line height of the writer's own font measure
    s.SetU8(386, 255);      // italic as a Boolean byte of 255
    s.SetI16(402, 2);
    s.SetI32(404, 1000);
    s.SetI32(408, 2000);
    s.SetI16(532, 1);       // line below on as a Boolean of 1
    s.SetI16(534, 2);
    s.SetI16(536, 20);
    s.SetI16(538, 30);
    s.AddColor(2);
    s.AddColor(5);          // a colour the text does not use
    s.SetI16(540, 4);       // unedited words
    s.SetI16(580, 5);
    s.SetI16(582, 6);
    return s;
}

TestSymbol TestSymbol::OtherWriterLineText(int16_t number10)
{
    TestSymbol s = LineText(number10, "Arial", 120, 1);
    s.description = "River name";
    s.tool = 1;
    s.extent = 430;         // 423 by this program's rounding
    s.SetU8(386, 1);
    s.SetI16(388, 10);
    s.SetU8(394, 1);        // shadow framing
    s.SetI16(428, 2);
    s.SetI16(436, 25);
    s.SetI16(438, -25);
    s.AddColor(2);
    for (size_t o = 398; o < 428; o += 2)  // unedited bytes
        s.SetI16(o, int16_t(o));
    s.SetI16(432, 77);
    s.SetI16(434, -77);
    return s;
}

TestSymbol TestSymbol::OtherWriterRect(int16_t number10)
{
    TestSymbol s = Rect(number10, 1, 25);
    s.description = "Frame";
    s.extent = 30;          // 20 by this program's rule
    s.SetI16(352, 100);
    s.SetI16(354, 1);       // grid on as one bit
    s.SetI16(356, 500);
    s.SetI16(358, 400);
    s.SetI16(364, 2);
    s.SetShortString(366, "X", 3);
    s.SetI16(360, 11);      // unedited words
    s.SetI16(362, 12);
    return s;
}

// ---- Objects ----

size_t TestObject::TextSlots() const
{
    if (textSlots)
        return *textSlots;
    if (!hasText)
        return 0;
    if (utf16)
        return 8 * ((text16.size() + 32) / 32);
    return 8 * ((text.size() + 64) / 64);
}

TestObject TestObject::Point(int16_t symbol10, int32_t x, int32_t y, int16_t angle)
{
    TestObject o;
    o.symbol10 = symbol10;
    o.type = 1;
    o.angle = angle;
    o.cords = {{x, y}};
    return o;
}

TestObject TestObject::Line(int16_t symbol10, std::vector<TestCord> cords)
{
    TestObject o;
    o.symbol10 = symbol10;
    o.type = 2;
    o.cords = std::move(cords);
    return o;
}

TestObject TestObject::Area(int16_t symbol10, std::vector<TestCord> cords)
{
    TestObject o = Line(symbol10, std::move(cords));
    o.type = 3;
    return o;
}

TestObject TestObject::Text(int16_t symbol10, int32_t x, int32_t y, std::string text)
{
    TestObject o;
    o.symbol10 = symbol10;
    o.type = 4;
    o.cords = {{x, y}};
    o.text = std::move(text);
    o.hasText = true;
    return o;
}

TestObject TestObject::Text16(int16_t symbol10, int32_t x, int32_t y, std::u16string text)
{
    TestObject o = Text(symbol10, x, y, {});
    o.text16 = std::move(text);
    o.utf16 = true;
    return o;
}

TestObject TestObject::LineText(int16_t symbol10, std::vector<TestCord> cords, std::string text)
{
    TestObject o = Line(symbol10, std::move(cords));
    o.text = std::move(text);
    o.hasText = true;
    return o;
}

TestObject TestObject::Rect(int16_t symbol10, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    TestObject o;
    o.symbol10 = symbol10;
    o.type = 5;
    o.cords = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
    return o;
}

TestObject TestObject::EmptySlot()
{
    TestObject o;
    o.emptySlot = true;
    o.symbol10 = 0;
    o.cords.clear();
    return o;
}

// ---- Strings ----

TestPString TestPString::Make(int32_t type, int32_t object, std::string text)
{
    TestPString s;
    s.type = type;
    s.object = object;
    s.text = std::move(text);
    return s;
}

TestPString TestPString::FreeSlot()
{
    TestPString s;
    s.type = 0;
    s.freeSlot = true;
    return s;
}

// ---- Layout ----

std::vector<size_t> TestMapLayout::Boundaries() const
{
    std::vector<size_t> b = {0, kHeaderSize, kVariablePartPos, fileSize};
    auto add = [&](int32_t pos, size_t size) {
        if (pos > 0) {
            b.push_back(size_t(pos));
            b.push_back(size_t(pos) + size);
        }
    };
    add(setupPos, size_t(setupSize));
    add(infoPos, size_t(infoSize));
    for (int32_t p : symbolBlocks)
        add(p, kSymbolIndexBlockSize);
    for (int32_t p : objectBlocks)
        add(p, kObjectIndexBlockSize);
    for (int32_t p : stringBlocks)
        add(p, kStringIndexBlockSize);
    // Records run up to the next boundary; their starts are enough to cut them apart.
    for (const auto* v : {&symbolRecords, &objectRecords, &stringRecords})
        for (int32_t p : *v)
            if (p > 0)
                b.push_back(size_t(p));
    std::sort(b.begin(), b.end());
    b.erase(std::unique(b.begin(), b.end()), b.end());
    while (!b.empty() && b.back() > fileSize)
        b.pop_back();
    return b;
}

// ---- Writer ----

TestMapWriter::TestMapWriter(int v) : version(v)
{
    if (v < 6 || v > 8)
        throw std::invalid_argument("TestMapWriter writes versions 6 to 8");
    colors.push_back(TestColor());
}

namespace {

size_t infoSizeFor(const std::string& text)
{
    return std::min<size_t>((text.size() / 256 + 1) * 256, 32768);
}

int32_t chainEndValue(ChainEnd e, int32_t first, int32_t self, size_t fileSize)
{
    switch (e) {
    case ChainEnd::Zero: return 0;
    case ChainEnd::ToFirst: return first;
    case ChainEnd::ToSelf: return self;
    case ChainEnd::Negative: return -4;
    case ChainEnd::PastEnd: return int32_t(fileSize + 16);
    case ChainEnd::IntoFixed: return 100;
    }
    return 0;
}

int32_t pos32(size_t p)
{
    if (p > size_t(std::numeric_limits<int32_t>::max()))
        throw std::length_error("TestMapWriter: file beyond 2 GB");
    return int32_t(p);
}

int32_t clamp32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

} // namespace

std::vector<uint8_t> TestMapWriter::Build(TestMapLayout* layoutOut) const
{
    const bool withStrings = version >= 8 || stringsInOldVersions;

    // Pass 1: where everything goes, in the order a new file grows.
    TestMapLayout L;
    size_t end = kVariablePartPos;
    if (!setup.empty()) {
        L.setupPos = pos32(end);
        L.setupSize = pos32(setup.size());
        end += setup.size();
    }
    size_t infoBytes = 0;
    if (info) {
        infoBytes = infoSizeFor(*info);
        L.infoPos = pos32(end);
        L.infoSize = pos32(infoBytes);
        end += infoBytes;
    }
    for (size_t i = 0; i < symbols.size(); ++i) {
        if (i % 256 == 0) {
            L.symbolBlocks.push_back(pos32(end));
            end += kSymbolIndexBlockSize;
        }
        if (symbols[i].writeRecord) {
            L.symbolRecords.push_back(pos32(end));
            end += symbols[i].Size();
        } else {
            L.symbolRecords.push_back(0);
        }
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        if (i % 256 == 0) {
            L.objectBlocks.push_back(pos32(end));
            end += kObjectIndexBlockSize;
        }
        if (objects[i].emptySlot) {
            L.objectRecords.push_back(0);
        } else {
            L.objectRecords.push_back(pos32(end));
            end += objects[i].RecordSize();
        }
    }
    if (withStrings) {
        for (size_t i = 0; i < strings.size(); ++i) {
            if (i % 256 == 0) {
                L.stringBlocks.push_back(pos32(end));
                end += kStringIndexBlockSize;
            }
            if (strings[i].freeSlot) {
                L.stringRecords.push_back(0);
            } else {
                L.stringRecords.push_back(pos32(end));
                end += strings[i].ReservedSize();
            }
        }
    }
    end += trailing.size();
    L.fileSize = end;
    const size_t fileSize = end;
    auto resolve = [&](const std::optional<FilePos>& o, int32_t dflt) {
        return o ? o->Resolve(fileSize) : dflt;
    };

    std::vector<uint8_t> b(fileSize, 0);

    // Header.
    PutU16(b, hdr::Mark, mark);
    PutU16(b, hdr::FileType, fileType.value_or(version == 8 ? 2 : version == 7 ? 7 : 0));
    PutU16(b, hdr::Version, headerVersion.value_or(uint16_t(version)));
    PutU16(b, hdr::Subversion, subversion.value_or(version == 8 ? 0 : 5));
    PutI32(b, hdr::SymbolIndex, resolve(symbolIndexPos, L.symbolBlocks.empty() ? 0 : L.symbolBlocks[0]));
    PutI32(b, hdr::ObjectIndex, resolve(objectIndexPos, L.objectBlocks.empty() ? 0 : L.objectBlocks[0]));
    PutI32(b, hdr::SetupPos, resolve(setupPos, L.setupPos));
    PutI32(b, hdr::SetupSize, resolve(setupSize, L.setupSize));
    PutI32(b, hdr::InfoPos, resolve(infoPos, L.infoPos));
    PutI32(b, hdr::InfoSize, resolve(infoSize, L.infoSize));
    PutI32(b, hdr::StringIndex,
           resolve(stringIndexPos, L.stringBlocks.empty() ? 0 : L.stringBlocks[0]));
    std::copy(headerTail.begin(), headerTail.end(), b.begin() + 36);

    // Colour block.
    const size_t cb = kSymbolHeaderPos;
    PutI16(b, cb + 0, colorCount.value_or(int16_t(colors.size())));
    PutI16(b, cb + 2, separationCount.value_or(int16_t(separations.size())));
    std::copy(colorBlockReserved.begin(), colorBlockReserved.end(), b.begin() + cb + 4);
    for (size_t i = 0; i < colors.size() && i < 256; ++i) {
        const TestColor& c = colors[i];
        const size_t at = TestMapLayout::ColorRecordPos(i);
        PutU16(b, at + 0, c.number);
        PutI16(b, at + 2, c.overprint);
        for (size_t k = 0; k < 4; ++k)
            b[at + 4 + k] = c.cmyk[k];
        PutShortString(b, at + 8, c.name, 31);
        std::copy(c.separationPercent.begin(), c.separationPercent.end(), b.begin() + at + 40);
    }
    for (size_t i = 0; i < separations.size() && i < 32; ++i) {
        const TestSeparation& s = separations[i];
        const size_t at = TestMapLayout::SeparationPos(i);
        PutShortString(b, at + 0, s.name, 15);
        for (size_t k = 0; k < 4; ++k)
            b[at + 16 + k] = s.cmyk[k];
        PutI16(b, at + 20, s.screen);
        PutI16(b, at + 22, s.screen2);
    }

    // Setup record and information text.
    if (!setup.empty())
        std::copy(setup.begin(), setup.end(), b.begin() + L.setupPos);
    if (info) {
        const size_t n = std::min(info->size(), infoBytes - 1);
        std::copy(info->begin(), info->begin() + n, b.begin() + L.infoPos);
    }

    // Symbols: index blocks and records.
    for (size_t k = 0; k < L.symbolBlocks.size(); ++k) {
        const bool last = k + 1 == L.symbolBlocks.size();
        PutI32(b, size_t(L.symbolBlocks[k]),
               last ? chainEndValue(symbolChainEnd, L.symbolBlocks[0], L.symbolBlocks[k], fileSize)
                    : L.symbolBlocks[k + 1]);
    }
    for (size_t i = 0; i < symbols.size(); ++i) {
        const TestSymbol& s = symbols[i];
        const int32_t pos = L.symbolRecords[i];
        PutI32(b, L.SymbolSlotPos(i), resolve(s.indexPosition, pos));
        if (!s.writeRecord)
            continue;
        const size_t at = size_t(pos);
        PutI16(b, at + 0, s.sizeWord.value_or(int16_t(std::min<size_t>(s.Size(), 32767))));
        PutI16(b, at + 2, s.number10);
        PutI16(b, at + 4, s.type);
        b[at + 6] = s.textFlag;
        b[at + 7] = s.flags;
        PutI16(b, at + 8, s.extent);
        b[at + 10] = s.selected;
        b[at + 11] = s.status;
        b[at + 12] = s.tool;
        b[at + 13] = s.csRole;
        b[at + 14] = s.csType;
        b[at + 15] = s.byte15;
        PutI32(b, at + 16, s.positionField.value_or(pos));
        std::copy(s.colorSet.begin(), s.colorSet.end(), b.begin() + at + 20);
        PutShortString(b, at + 52, s.description, 31);
        std::copy(s.icon.begin(), s.icon.end(), b.begin() + at + 84);
        std::copy(s.body.begin(), s.body.end(), b.begin() + at + kSymbolHeadSize);
    }

    // Objects: index blocks, entries and element records.
    for (size_t k = 0; k < L.objectBlocks.size(); ++k) {
        const bool last = k + 1 == L.objectBlocks.size();
        PutI32(b, size_t(L.objectBlocks[k]),
               last ? chainEndValue(objectChainEnd, L.objectBlocks[0], L.objectBlocks[k], fileSize)
                    : L.objectBlocks[k + 1]);
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        const TestObject& o = objects[i];
        const size_t e = L.ObjectEntryPos(i);
        if (o.emptySlot) {
            // A never-used slot is all zero unless a test asks for something else.
            if (o.bounds) {
                PutI32(b, e + 0, o.bounds->x1);
                PutI32(b, e + 4, o.bounds->y1);
                PutI32(b, e + 8, o.bounds->x2);
                PutI32(b, e + 12, o.bounds->y2);
            }
            PutI32(b, e + 16, resolve(o.entryPosition, 0));
            PutU16(b, e + 20, o.entryLength.value_or(0));
            PutU16(b, e + 22, o.entrySymbolWord.value_or(0));
            continue;
        }
        const size_t nItem = o.cords.size();
        const size_t nText = o.TextSlots();
        const size_t slots = nItem + nText;

        TestRect r;
        if (o.bounds) {
            r = *o.bounds;
        } else if (!o.cords.empty()) {
            int64_t extent = 0;
            for (const TestSymbol& s : symbols)
                if (s.writeRecord && s.number10 == o.symbol10 && o.symbol10 > 0) {
                    extent = int64_t(s.extent) * 256;
                    break;
                }
            int64_t x1 = std::numeric_limits<int64_t>::max(), y1 = x1;
            int64_t x2 = std::numeric_limits<int64_t>::min(), y2 = x2;
            for (const TestCord& c : o.cords) {
                const int64_t x = c.x & int32_t(0xFFFFFF00u), y = c.y & int32_t(0xFFFFFF00u);
                x1 = std::min(x1, x);
                y1 = std::min(y1, y);
                x2 = std::max(x2, x);
                y2 = std::max(y2, y);
            }
            r = {clamp32(x1 - extent), clamp32(y1 - extent), clamp32(x2 + extent),
                 clamp32(y2 + extent)};
        }
        PutI32(b, e + 0, r.x1);
        PutI32(b, e + 4, r.y1);
        PutI32(b, e + 8, r.x2);
        PutI32(b, e + 12, r.y2);
        PutI32(b, e + 16, resolve(o.entryPosition, L.objectRecords[i]));
        const size_t len = version >= 8 ? slots : kElementHeadSize + 8 * slots;
        PutU16(b, e + 20, o.entryLength.value_or(uint16_t(std::min<size_t>(len, 0xFFFF))));
        uint16_t word = uint16_t(o.symbol10);
        if (o.courseOnly)
            word |= 0x4000;
        if (o.deleted)
            word = 0;
        PutU16(b, e + 22, o.entrySymbolWord.value_or(word));

        const size_t at = size_t(L.objectRecords[i]);
        PutI16(b, at + 0, o.symbol10);
        b[at + 2] = o.type;
        b[at + 3] = uint8_t(o.flags | (o.utf16 ? 1 : 0));
        PutU16(b, at + 4, o.nItemField.value_or(uint16_t(std::min<size_t>(nItem, 0xFFFF))));
        PutU16(b, at + 6, o.nTextField.value_or(uint16_t(std::min<size_t>(nText, 0xFFFF))));
        PutI16(b, at + 8, o.angle);
        PutI16(b, at + 10, o.sgWidth);
        PutI16(b, at + 12, o.sgStyle);
        PutI16(b, at + 14, o.sgDiameter);
        PutShortString(b, at + 16, o.layerName, 15);
        for (size_t k = 0; k < nItem; ++k) {
            PutI32(b, at + 32 + 8 * k, o.cords[k].x);
            PutI32(b, at + 36 + 8 * k, o.cords[k].y);
        }
        const size_t t = at + 32 + 8 * nItem;
        const size_t tBytes = 8 * nText;
        size_t used = 0;
        if (o.utf16) {
            for (size_t k = 0; k < o.text16.size() && 2 * k + 2 <= tBytes; ++k) {
                PutU16(b, t + 2 * k, uint16_t(o.text16[k]));
                used = 2 * k + 2;
            }
            if (!o.terminate)
                for (size_t k = used; k + 2 <= tBytes; k += 2)
                    PutU16(b, t + k, u'x');
        } else {
            used = std::min(o.text.size(), tBytes);
            std::copy(o.text.begin(), o.text.begin() + used, b.begin() + t);
            if (!o.terminate)
                std::fill(b.begin() + t + used, b.begin() + t + tBytes, 'x');
        }
    }

    // Parameter strings.
    if (withStrings) {
        for (size_t k = 0; k < L.stringBlocks.size(); ++k) {
            const bool last = k + 1 == L.stringBlocks.size();
            PutI32(b, size_t(L.stringBlocks[k]),
                   last ? chainEndValue(stringChainEnd, L.stringBlocks[0], L.stringBlocks[k], fileSize)
                        : L.stringBlocks[k + 1]);
        }
        for (size_t i = 0; i < strings.size(); ++i) {
            const TestPString& s = strings[i];
            const size_t e = L.StringEntryPos(i);
            const int32_t pos = L.stringRecords[i];
            PutI32(b, e + 0, resolve(s.position, pos));
            PutI32(b, e + 4, resolve(s.reservedLength, s.freeSlot ? 0 : int32_t(s.ReservedSize())));
            PutI32(b, e + 8, s.freeSlot ? 0 : s.type);
            PutI32(b, e + 12, s.freeSlot ? 0 : s.object);
            if (s.freeSlot)
                continue;
            const size_t at = size_t(pos);
            std::copy(s.text.begin(), s.text.end(), b.begin() + at);
            if (!s.terminate)
                std::fill(b.begin() + at + s.text.size(), b.begin() + at + s.ReservedSize(), 'x');
        }
    }

    std::copy(trailing.begin(), trailing.end(), b.end() - trailing.size());

    if (truncateAt && *truncateAt < b.size())
        b.resize(*truncateAt);
    if (layoutOut)
        *layoutOut = L;
    return b;
}

bool TestMapWriter::WriteTo(const std::string& path, TestMapLayout* layout) const
{
    return WriteFileBytes(path, Build(layout));
}

std::vector<uint8_t> Truncated(std::vector<uint8_t> bytes, size_t size)
{
    if (size < bytes.size())
        bytes.resize(size);
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f)
        return false;
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    f.close();
    return bool(f);
}

// ---- Samples and seeds ----

TestMapWriter TestMapWriter::Sample(int version)
{
    TestMapWriter w(version);
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200),
                TestColor::Cmyk(1, "Blue", 200, 60, 0, 0),
                TestColor::Cmyk(2, "Yellow", 0, 54, 200, 0),
                TestColor::Cmyk(3, "Green", 152, 0, 182, 0)};
    TestSeparation spot;
    spot.name = "Brown";
    spot.cmyk = {0, 112, 200, 36};
    w.separations = {spot};
    w.colors[0].separationPercent[0] = 0;

    w.symbols.push_back(TestSymbol::Point(10, {TestElement::Circle(0, 200, 25)}));
    w.symbols.push_back(TestSymbol::Line(20, 1, 35));
    w.symbols.push_back(TestSymbol::Line(21, 0, 18, {TestElement::Dot(2, 60)}));
    w.symbols.push_back(TestSymbol::Area(30, 2));
    w.symbols.push_back(TestSymbol::Area(31, 3, {TestElement::Dot(0, 40)}));
    w.symbols.push_back(TestSymbol::Text(40, "Arial", 120, 0));
    w.symbols.push_back(TestSymbol::LineText(50, "Arial", 100, 1));
    w.symbols.push_back(TestSymbol::Rect(60, 0, 25));
    w.symbols[3].status = 1;

    const int32_t mm = kUnitsPerMm;
    w.objects.push_back(TestObject::Point(10, 10 * mm, 20 * mm, 450));
    w.objects.push_back(TestObject::Line(20, {{0, 0}, {5 * mm | 1, 0}, {10 * mm | 2, 5 * mm}, {10 * mm, 10 * mm | 1}}));
    w.objects.push_back(TestObject::Area(30, {{0, 0}, {20 * mm, 0}, {20 * mm, 20 * mm}, {0, 0},
                                              {5 * mm, 5 * mm | 2}, {6 * mm, 5 * mm}, {6 * mm, 6 * mm}}));
    w.objects.push_back(TestObject::Text(40, -3 * mm, 7 * mm, "Hill"));
    w.objects.push_back(TestObject::LineText(50, {{0, 0}, {30 * mm, 2 * mm}}, "River"));
    w.objects.push_back(TestObject::Rect(60, 1 * mm, 1 * mm, 40 * mm, 30 * mm));
    TestObject gone = TestObject::Point(10, 0, 0);
    gone.deleted = true;
    w.objects.push_back(gone);
    if (version >= 8) {
        w.objects.push_back(TestObject::Text16(40, 0, -5 * mm, u"\u00c5land \u4e2d"));
        TestObject cs = TestObject::Point(10, 2 * mm, 2 * mm);
        cs.courseOnly = true;
        w.objects.push_back(cs);
        w.strings.push_back(TestPString::Make(2, 0, "Course A\t1\t2"));
        w.strings.push_back(TestPString::Make(1, 1, "Start\tS1"));
        w.strings.push_back(TestPString::FreeSlot());
        w.strings.push_back(TestPString::Make(1030, 0, "\tv1\th0"));
    }
    PutShortString(w.setup, setup::MapPath, "/maps/sample.zmd", 255);
    w.info = "Sample map for tests";
    return w;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> MapSeedFiles()
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    auto add = [&](std::string name, const TestMapWriter& w) { out.emplace_back(std::move(name), w.Build()); };

    add("v8_sample.zmd", TestMapWriter::Sample(8));
    add("v7_sample.zmd", TestMapWriter::Sample(7));
    add("v6_sample.zmd", TestMapWriter::Sample(6));
    add("v8_empty.zmd", TestMapWriter(8));

    {   // Second object index block.
        TestMapWriter w(8);
        w.symbols.push_back(TestSymbol::Point(10));
        for (int i = 0; i < 257; ++i)
            w.objects.push_back(TestObject::Point(10, i * 25600, -i * 25600));
        add("v8_257_objects.zmd", w);
    }
    {   // Second string index block and a long string.
        TestMapWriter w(8);
        for (int i = 0; i < 257; ++i)
            w.strings.push_back(TestPString::Make(1024 + i % 11, 0, "s" + std::to_string(i)));
        w.strings.push_back(TestPString::Make(2, 0, std::string(1000, 'L')));
        add("v8_257_strings.zmd", w);
    }
    {   // Cycles in all three chains.
        TestMapWriter w = TestMapWriter::Sample(8);
        w.symbolChainEnd = ChainEnd::ToFirst;
        w.objectChainEnd = ChainEnd::ToSelf;
        w.stringChainEnd = ChainEnd::ToFirst;
        add("v8_cyclic_chains.zmd", w);
    }
    {   // Chains that end in bad pointers.
        TestMapWriter w = TestMapWriter::Sample(8);
        w.symbolChainEnd = ChainEnd::Negative;
        w.objectChainEnd = ChainEnd::PastEnd;
        w.stringChainEnd = ChainEnd::IntoFixed;
        add("v8_bad_chain_ends.zmd", w);
    }
    {   // Header pointers beyond the end and negative.
        TestMapWriter w = TestMapWriter::Sample(8);
        w.setupPos = FilePos::FromEnd(-100);
        w.infoPos = FilePos::At(-8);
        w.infoSize = FilePos::At(40000);
        w.stringIndexPos = FilePos::FromEnd(4);
        add("v8_bad_header_pointers.zmd", w);
    }
    {   // Damaged entries and records.
        TestMapWriter w = TestMapWriter::Sample(8);
        w.objects[0].entryPosition = FilePos::At(200);            // into the colour block
        w.objects[1].entryPosition = FilePos::FromEnd(-8);        // record runs past the end
        w.objects[2].nItemField = 5000;                           // counts above the length
        w.objects[3].terminate = false;                           // text without terminator
        w.objects[3].nTextField = 300;
        w.objects[4].entryPosition = FilePos::At(-64);
        w.objects[5].entryLength = 0;                             // ignored entry with a symbol
        w.objects[7].terminate = false;
        w.strings[0].terminate = false;
        w.strings[1].position = FilePos::FromEnd(-10);
        w.strings[1].reservedLength = FilePos::At(0x7FFFFFC0);
        w.strings[3].position = FilePos::At(0);
        w.strings[3].reservedLength = FilePos::At(64);
        add("v8_damaged_entries.zmd", w);
    }
    {   // Symbol records of sizes 348 and 20905 around a sound one.
        TestMapWriter w(8);
        w.symbols.push_back(TestSymbol::Raw(10, 1, 348));
        w.symbols.push_back(TestSymbol::Point(20));
        w.symbols.push_back(TestSymbol::Raw(30, 3, 20905));
        w.symbols.push_back(TestSymbol::FreeSlot(-1));
        TestSymbol liar = TestSymbol::Line(40);
        liar.sizeWord = 20000;  // claims more than the file holds
        w.symbols.push_back(liar);
        w.objects.push_back(TestObject::Point(20, 0, 0));
        add("v8_symbol_sizes.zmd", w);
    }
    {
        TestMapWriter w = TestMapWriter::Sample(8);
        w.colorCount = 300;
        w.separationCount = 40;
        w.separations[0].screen = 20;
        add("v8_color_count_300.zmd", w);
    }
    {
        TestMapWriter w = TestMapWriter::Sample(7);
        w.colorCount = 0;
        w.separationCount = -1;
        add("v7_color_count_0.zmd", w);
    }
    {   // Cut in the middle of the object index block.
        TestMapWriter w = TestMapWriter::Sample(8);
        TestMapLayout l;
        w.Build(&l);
        w.truncateAt = size_t(l.objectBlocks[0]) + 100;
        add("v8_truncated_object_block.zmd", w);
    }
    {   // Cut inside a symbol record.
        TestMapWriter w = TestMapWriter::Sample(8);
        TestMapLayout l;
        w.Build(&l);
        w.truncateAt = size_t(l.symbolRecords[1]) + 200;
        add("v8_truncated_symbol.zmd", w);
    }
    {   // Version-7 entry lengths at the edge: 31 bytes empties, 40 bytes is one slot.
        TestMapWriter w = TestMapWriter::Sample(7);
        w.objects[0].entryLength = 31;
        w.objects[1].entryLength = 40;
        w.symbolChainEnd = ChainEnd::ToSelf;
        add("v7_short_entries.zmd", w);
    }
    {
        TestMapWriter w(8);
        w.headerVersion = 9;
        add("not_a_map_version9.zmd", w);
    }
    {
        TestMapWriter w = TestMapWriter::Sample(8);
        w.setup = Truncated(w.setup, 600);  // a short setup record keeps defaults for the rest
        w.fileType = 3;
        add("v8_short_setup_course_map.zmd", w);
    }
    return out;
}

} // namespace zemo::test
