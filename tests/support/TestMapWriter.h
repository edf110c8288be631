// A test-only writer of map files (versions 6, 7 and 8). It places every field at its literal
// offset with its own little-endian helpers and shares no code with the map store, so a fault
// in the store's codec cannot hide behind the same fault here.
//
// Declarative use:
//   TestMapWriter w(8);
//   w.symbols.push_back(TestSymbol::Point(10));
//   w.objects.push_back(TestObject::Point(10, 0, 0));
//   w.strings.push_back(TestPString::Make(2, 0, "Course A\t..."));
//   TestMapLayout layout;
//   std::vector<uint8_t> bytes = w.Build(&layout);
//
// Every field that a damaged file may get wrong has an override (std::optional members, the
// chain-end knobs, FilePos values relative to the end of the file, truncation); the layout
// gives the position of every block, record and entry so that a test can also patch bytes.
//
// Damage at a glance:
//   cyclic chains             symbolChainEnd / objectChainEnd / stringChainEnd = ChainEnd::ToFirst, ToSelf
//   bad chain ends            ChainEnd::Negative, PastEnd, IntoFixed
//   bad header pointers       symbolIndexPos, objectIndexPos, setupPos, setupSize, infoPos, infoSize,
//                             stringIndexPos = FilePos::At(-8) / FilePos::FromEnd(+4) / ...
//   entry into fixed blocks   object.entryPosition = FilePos::At(100)
//   counts above the length   object.nItemField / nTextField / entryLength
//   text without terminator   object.terminate = false, string.terminate = false
//   symbol sizes 348, 20905   TestSymbol::Raw(number, type, 348 or 20905); symbol.sizeWord
//   colour counts 0, 300      colorCount = 0 / 300, separationCount
//   string slot damage        string.position = FilePos::At(0); string.reservedLength = FilePos::FromEnd()
//   long parameter strings    TestPString::Make(type, object, std::string(1000, 'x'))
//   second index blocks       more than 256 symbols, objects or strings
//   truncation                truncateAt = n; TestMapLayout::Boundaries() lists every block edge
//
// Sample(8) holds objects 0 point (10), 1 line (20, Bezier flags), 2 area with a hole (30),
// 3 text (40), 4 line text (50), 5 rectangle (60), 6 deleted point, 7 UTF-16 text, 8 course-only
// point; Sample(6) and Sample(7) stop after object 6 and carry no strings.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zemo::test {

// ---- Little-endian access to byte buffers (for tests that check or patch fields) ----
void PutU8(std::vector<uint8_t>& b, size_t at, uint8_t v);
void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v);
void PutI16(std::vector<uint8_t>& b, size_t at, int16_t v);
void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v);
void PutF64(std::vector<uint8_t>& b, size_t at, double v);
// A length byte and at most maxLen characters; the rest of the field (maxLen + 1 bytes) is zeroed.
void PutShortString(std::vector<uint8_t>& b, size_t at, const std::string& s, size_t maxLen);
uint16_t GetU16(const std::vector<uint8_t>& b, size_t at);
int16_t GetI16(const std::vector<uint8_t>& b, size_t at);
int32_t GetI32(const std::vector<uint8_t>& b, size_t at);
double GetF64(const std::vector<uint8_t>& b, size_t at);

// ---- Fixed sizes and places ----
inline constexpr uint16_t kMapMark = 0x5E71;
inline constexpr size_t kHeaderSize = 48;
inline constexpr size_t kSymbolHeaderPos = 48;
inline constexpr size_t kSymbolHeaderSize = 19224;
inline constexpr size_t kVariablePartPos = 19272;
inline constexpr size_t kColorTableInBlock = 24;
inline constexpr size_t kColorRecordSize = 72;
inline constexpr size_t kSeparationTableInBlock = 18456;
inline constexpr size_t kSeparationRecordSize = 24;
inline constexpr size_t kSymbolIndexBlockSize = 1028;
inline constexpr size_t kObjectIndexBlockSize = 6148;
inline constexpr size_t kObjectEntrySize = 24;
inline constexpr size_t kStringIndexBlockSize = 4100;
inline constexpr size_t kStringEntrySize = 16;
inline constexpr size_t kSymbolHeadSize = 348;
inline constexpr size_t kElementHeadSize = 32;
inline constexpr size_t kSetupSize = 1348;
inline constexpr int32_t kUnitsPerMm = 25600;

// Header field offsets.
namespace hdr {
inline constexpr size_t Mark = 0, FileType = 2, Version = 4, Subversion = 6, SymbolIndex = 8,
                        ObjectIndex = 12, SetupPos = 16, SetupSize = 20, InfoPos = 24,
                        InfoSize = 28, StringIndex = 32;
}

// Setup record field offsets used by tests.
namespace setup {
inline constexpr size_t ViewCenterX = 0, ViewCenterY = 4, PaperGridDistance = 8,
                        LinksActive = 16, Word20 = 20, CurrentSymbolIndex = 22, MapScale = 24,
                        RealWorldOffsetX = 32, RealWorldOffsetY = 40, RealWorldAngle = 48,
                        RealWorldGridDistance = 56, GpsAngle = 64, GpsAdjustPoints = 72,
                        GpsAdjustPointCount = 552, TemplateScaleX = 556, TemplateScaleY = 564,
                        TemplateX = 572, TemplateY = 576, TemplateFile = 580,
                        TemplateMode = 836, TemplateResolution = 838, TemplateAngle = 840,
                        TemplateAngle2 = 856, PrintRange = 864, PrintGrid = 880,
                        PrintGridColor = 882, PrintOverlapX = 884, PrintOverlapY = 886,
                        PrintScale = 888, PrintIntensity = 896, PrintLineWidth = 898,
                        PartialRange = 908, Zoom = 924, ViewHistory = 932,
                        ViewHistoryCount = 1076, RealWorldCoords = 1080, MapPath = 1082,
                        HatchView = 1338, TemplatesDimmed = 1340, TemplatesHidden = 1342,
                        Word1344 = 1344;
}

// The 1348 bytes of a new map's setup record: all zero, then the default values.
std::vector<uint8_t> DefaultSetupBytes();

// A value written into a pointer or length field: literal, or relative to the size of the
// whole file as built (before any truncation), for pointers just past the end.
struct FilePos {
    bool fromEnd = false;
    int64_t value = 0;
    static FilePos At(int64_t v) { return {false, v}; }
    static FilePos FromEnd(int64_t delta = 0) { return {true, delta}; }
    int32_t Resolve(size_t fileSize) const;
};

// What the last block of a chain stores as its next pointer.
enum class ChainEnd {
    Zero,       // a sound end
    ToFirst,    // back to the first block of the chain (a cycle; on one block the same as ToSelf)
    ToSelf,     // the last block points to itself
    Negative,   // -4
    PastEnd,    // the file size + 16
    IntoFixed,  // 100: inside the colour block
};

// ---- Colours ----
struct TestColor {
    uint16_t number = 0;
    int16_t overprint = 0;
    std::array<uint8_t, 4> cmyk{0, 0, 0, 200};  // half percent
    std::string name = "Black";
    std::array<uint8_t, 32> separationPercent{};  // filled with 255 (not in the separation)

    TestColor() { separationPercent.fill(255); }
    static TestColor Cmyk(uint16_t number, std::string name, uint8_t c, uint8_t m, uint8_t y,
                          uint8_t k);
};

struct TestSeparation {
    std::string name = "Spot";
    std::array<uint8_t, 4> cmyk{0, 0, 0, 200};
    int16_t screen = 1500;
    int16_t screen2 = 0;
};

// ---- Symbols ----
struct TestCord {
    int32_t x = 0;
    int32_t y = 0;
};

// One element of a point symbol, of a line symbol's lists or of an area structure.
struct TestElement {
    uint16_t kind = 1;  // 1 line, 2 area, 3 circle, 4 dot
    uint16_t style = 0;
    uint16_t color = 0;
    uint16_t width = 0;     // 0.01 mm
    uint16_t diameter = 0;  // 0.01 mm
    std::vector<TestCord> cords;
    std::optional<uint16_t> cordCount;  // the stored count, when it should lie

    size_t Slots() const { return cords.size() + 2; }
    static TestElement Circle(uint16_t color, uint16_t diameter, uint16_t width = 10);
    static TestElement Dot(uint16_t color, uint16_t diameter);
    static TestElement Polyline(uint16_t color, uint16_t width, std::vector<TestCord> cords);
};

std::vector<uint8_t> ElementListBytes(const std::vector<TestElement>& list);
size_t ElementListSlots(const std::vector<TestElement>& list);
// The largest distance from the origin the list reaches, in 0.01 mm.
int ElementListExtentOf(const std::vector<TestElement>& list);

// A symbol record: the 348-byte head as named fields, the type part as raw bytes.
struct TestSymbol {
    int16_t number10 = 10;
    int16_t type = 1;          // 1 point, 2 line, 3 area, 4 text, 5 rectangle
    uint8_t textFlag = 0;      // +6: 1 for text and line-text symbols
    uint8_t flags = 0;         // +7: bit 0 rotatable, bit 1 compressed icon
    int16_t extent = 0;        // +8, 0.01 mm
    uint8_t selected = 0;      // +10
    uint8_t status = 0;        // +11
    uint8_t tool = 0;          // +12
    uint8_t csRole = 0;        // +13
    uint8_t csType = 0;        // +14
    uint8_t byte15 = 0;        // +15
    std::optional<int32_t> positionField;  // +16; default: the record's real position
    std::array<uint8_t, 32> colorSet{};
    std::string description;
    std::array<uint8_t, 264> icon{};  // default all 255: a white plain icon
    std::vector<uint8_t> body;        // record bytes from +348 on

    // Damage.
    std::optional<int16_t> sizeWord;         // the stored size, when it should lie
    std::optional<FilePos> indexPosition;    // what its index slot holds, when it should lie
    bool writeRecord = true;                 // false: only the index slot is written

    TestSymbol() { icon.fill(255); }

    size_t Size() const { return kSymbolHeadSize + body.size(); }
    void AddColor(int c);
    // Type-part access by record offset (>= 348); the body grows as needed.
    void SetI16(size_t recordOffset, int16_t v);
    void SetI32(size_t recordOffset, int32_t v);
    void SetU8(size_t recordOffset, uint8_t v);
    void SetShortString(size_t recordOffset, const std::string& s, size_t maxLen);
    int16_t I16(size_t recordOffset) const;

    // Minimal valid symbols of each type, with their derived fields (extent, colour set).
    static TestSymbol Point(int16_t number10, std::vector<TestElement> elements = {});
    static TestSymbol Line(int16_t number10, int16_t color = 0, int16_t width = 35,
                           std::vector<TestElement> mainSymbol = {});
    static TestSymbol Area(int16_t number10, int16_t fillColor = 0,
                           std::vector<TestElement> structure = {});
    static TestSymbol Text(int16_t number10, std::string font = "Arial", int16_t sizeTenthPt = 120,
                           int16_t color = 0);
    static TestSymbol LineText(int16_t number10, std::string font = "Arial",
                               int16_t sizeTenthPt = 120, int16_t color = 0);
    static TestSymbol Rect(int16_t number10, int16_t color = 0, int16_t width = 25);
    // A record of exactly `size` bytes (zero type part), e.g. 348 or 20905 for damage.
    static TestSymbol Raw(int16_t number10, int16_t type, size_t size);
    // An index slot without a record (0 or a negative value).
    static TestSymbol FreeSlot(int32_t slotValue = 0);

    // Records in the forms another program writes: valid, but not byte for byte what this
    // program would store. Boolean words of 1 or 255 where it stores -1, extents and colour
    // sets it computes otherwise (larger, or with a colour more), a count of main symbols
    // with no main list, grid flags of one bit, reserved and unedited words that are not 0.
    static TestSymbol OtherWriterPoint(int16_t number10);
    static TestSymbol OtherWriterLine(int16_t number10);
    // Main, secondary and corner symbols, the count of main symbols left at 0.
    static TestSymbol OtherWriterLineWithSymbols(int16_t number10);
    static TestSymbol OtherWriterArea(int16_t number10);
    static TestSymbol OtherWriterText(int16_t number10);
    static TestSymbol OtherWriterLineText(int16_t number10);
    static TestSymbol OtherWriterRect(int16_t number10);
};

// ---- Objects ----
struct TestRect {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct TestObject {
    int16_t symbol10 = 10;
    uint8_t type = 1;  // 1 point, 2 line, 3 area, 4 text, 5 rectangle
    uint8_t flags = 0; // bit 0 is set for UTF-16 text by the writer
    int16_t angle = 0;
    int16_t sgWidth = 0, sgStyle = 0, sgDiameter = 0;
    std::string layerName;
    std::vector<TestCord> cords;
    std::string text;        // 8-bit characters
    std::u16string text16;   // used when utf16 is set
    bool utf16 = false;
    bool hasText = false;    // a text area is written (set by the text builders)
    bool courseOnly = false; // entry symbol word gets 0x4000
    bool deleted = false;    // entry symbol word 0, length kept
    bool emptySlot = false;  // entry all zero, no record

    // Damage and overrides.
    std::optional<TestRect> bounds;          // default: the cords widened by the symbol's extent
    std::optional<uint16_t> entrySymbolWord;
    std::optional<uint16_t> entryLength;     // raw field (slots in v8, bytes in v6/v7)
    std::optional<FilePos> entryPosition;
    std::optional<uint16_t> nItemField;      // stored counts, when they should lie
    std::optional<uint16_t> nTextField;
    std::optional<uint16_t> textSlots;       // text slots actually written
    bool terminate = true;                   // false: the text area holds no NUL at all

    size_t TextSlots() const;
    size_t RecordSize() const { return kElementHeadSize + 8 * (cords.size() + TextSlots()); }

    static TestObject Point(int16_t symbol10, int32_t x, int32_t y, int16_t angle = 0);
    static TestObject Line(int16_t symbol10, std::vector<TestCord> cords);
    static TestObject Area(int16_t symbol10, std::vector<TestCord> cords);
    static TestObject Text(int16_t symbol10, int32_t x, int32_t y, std::string text);
    static TestObject Text16(int16_t symbol10, int32_t x, int32_t y, std::u16string text);
    static TestObject LineText(int16_t symbol10, std::vector<TestCord> cords, std::string text);
    static TestObject Rect(int16_t symbol10, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    static TestObject EmptySlot();
};

// ---- Parameter strings (version 8) ----
struct TestPString {
    int32_t type = 2;
    int32_t object = 0;
    std::string text;
    bool freeSlot = false;   // entry all zero, no record
    bool terminate = true;   // false: the record is filled with text, no NUL
    std::optional<FilePos> position;
    std::optional<FilePos> reservedLength;  // field value; the bytes written stay ReservedSize()

    size_t ReservedSize() const { return (text.size() + 64) / 64 * 64; }
    static TestPString Make(int32_t type, int32_t object, std::string text);
    static TestPString FreeSlot();
};

// ---- Where everything went ----
struct TestMapLayout {
    size_t fileSize = 0;       // before truncation
    int32_t setupPos = 0, setupSize = 0, infoPos = 0, infoSize = 0;
    std::vector<int32_t> symbolBlocks, symbolRecords;  // records: 0 when not written
    std::vector<int32_t> objectBlocks, objectRecords;
    std::vector<int32_t> stringBlocks, stringRecords;

    static size_t ColorRecordPos(size_t i) { return kSymbolHeaderPos + kColorTableInBlock + kColorRecordSize * i; }
    static size_t SeparationPos(size_t i) { return kSymbolHeaderPos + kSeparationTableInBlock + kSeparationRecordSize * i; }
    size_t SymbolSlotPos(size_t i) const { return size_t(symbolBlocks.at(i / 256)) + 4 + 4 * (i % 256); }
    size_t ObjectEntryPos(size_t i) const { return size_t(objectBlocks.at(i / 256)) + 4 + kObjectEntrySize * (i % 256); }
    size_t StringEntryPos(size_t i) const { return size_t(stringBlocks.at(i / 256)) + 4 + kStringEntrySize * (i % 256); }
    // Every start and end of a block or record, sorted, without duplicates, 0 and fileSize included.
    std::vector<size_t> Boundaries() const;
};

class TestMapWriter {
public:
    explicit TestMapWriter(int version = 8);

    int version;  // 6, 7 or 8: decides entry lengths, header defaults and the string store

    // Header.
    uint16_t mark = kMapMark;
    std::optional<uint16_t> fileType;    // default: 2 in v8, 7 in v7, 0 in v6
    std::optional<uint16_t> headerVersion;  // the stored version, when it should differ
    std::optional<uint16_t> subversion;  // default: 0 in v8, 5 in v6/v7
    std::optional<FilePos> symbolIndexPos, objectIndexPos, setupPos, setupSize, infoPos,
        infoSize, stringIndexPos;
    std::array<uint8_t, 12> headerTail{};

    // Colour block.
    std::vector<TestColor> colors;  // one black colour by default
    std::vector<TestSeparation> separations;
    std::optional<int16_t> colorCount, separationCount;  // stored counts, when they should lie
    std::array<uint8_t, 20> colorBlockReserved{};

    std::vector<uint8_t> setup = DefaultSetupBytes();  // empty: no setup record
    std::optional<std::string> info;                   // information text

    std::vector<TestSymbol> symbols;
    std::vector<TestObject> objects;
    std::vector<TestPString> strings;
    bool stringsInOldVersions = false;  // v6/v7 normally carry no string store at all

    // Chain damage: the next field of the last block of each chain.
    ChainEnd symbolChainEnd = ChainEnd::Zero;
    ChainEnd objectChainEnd = ChainEnd::Zero;
    ChainEnd stringChainEnd = ChainEnd::Zero;

    std::vector<uint8_t> trailing;        // appended after everything (dead space)
    std::optional<size_t> truncateAt;     // cut the built file to this many bytes

    std::vector<uint8_t> Build(TestMapLayout* layout = nullptr) const;
    bool WriteTo(const std::string& path, TestMapLayout* layout = nullptr) const;

    // A map with a few colours, one symbol of each kind, objects of each type (8-bit and,
    // in v8, UTF-16 text), strings in v8 and an information text.
    static TestMapWriter Sample(int version = 8);
};

std::vector<uint8_t> Truncated(std::vector<uint8_t> bytes, size_t size);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Small valid and damaged maps for the fuzz seed corpus: (file name, bytes).
std::vector<std::pair<std::string, std::vector<uint8_t>>> MapSeedFiles();

} // namespace zemo::test
