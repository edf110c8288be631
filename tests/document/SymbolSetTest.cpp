// The symbol-set maps of the data folder (SYMBOL/, made at build time from
// resources/symbolsets) and the description parser that makes them.
#include "../support/TestMapWriter.h"
#include "core/ByteIO.h"
#include "core/Cord.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "symbolset/SymbolSetText.h"
#include "symbols/store/IconCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace zemo::test {
namespace {

const char* const ShippedSets[] = {"general", "course-setting", "orienteering-15000"};

std::vector<uint8_t> FileBytes(const QString& path)
{
    std::ifstream f(path.toStdString(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// A copy of a shipped set opened as the current map (a copy: other test processes may hold
// the shipped file's lock).
class ShippedSet {
public:
    explicit ShippedSet(const std::string& name)
    {
        ResetIndexState();
        const QString source = DataFolder() + QStringLiteral("SYMBOL/") + QString::fromStdString(name)
            + QStringLiteral(".zmd");
        path = dir.filePath(QStringLiteral("set.zmd"));
        found = QFile::copy(source, path);
        if (!found)
            return;
        bytes = FileBytes(path);
        zmd = std::make_unique<TZmd>();
        zmd->WorkFile.Open(path);
        SetCurrentMap(zmd.get());
        LoadMap();
        Index.MapOpen = true;
    }
    ~ShippedSet()
    {
        SetCurrentMap(nullptr);
        Index.MapOpen = false;
    }

    // The symbol records as the file holds them, found by following the index chain at its
    // literal offsets (independent of the store's reader).
    std::vector<std::vector<uint8_t>> RawSymbols() const
    {
        std::vector<std::vector<uint8_t>> out;
        int32_t block = GetI32(bytes, 8);
        for (int guard = 0; block > 0 && guard < 64; ++guard) {
            if (size_t(block) + 1028 > bytes.size())
                break;
            for (size_t slot = 0; slot < 256; ++slot) {
                const int32_t pos = GetI32(bytes, size_t(block) + 4 + slot * 4);
                if (pos <= 0)
                    continue;
                const int16_t size = GetI16(bytes, size_t(pos));
                if (size < 349 || size_t(pos) + size_t(size) > bytes.size())
                    continue;
                out.emplace_back(bytes.begin() + pos, bytes.begin() + pos + size);
            }
            block = GetI32(bytes, size_t(block));
        }
        return out;
    }

    QTemporaryDir dir;
    QString path;
    bool found = false;
    std::vector<uint8_t> bytes;
    std::unique_ptr<TZmd> zmd;
    RecordingMessages messages;
};

bool ColorDefined(const SymbolHeaderBlock& b, int number)
{
    for (int i = 0; i < b.ColorCount; ++i)
        if (b.Colors[size_t(i)].Number == number)
            return true;
    return false;
}

// Walks an element list; true when its elements fill exactly `slots` slots with defined
// colours and sensible sizes.
::testing::AssertionResult ListSound(std::span<const uint8_t> rec, size_t offset, int slots,
                                     const SymbolHeaderBlock& colors)
{
    int s = 0;
    while (s < slots) {
        const size_t at = offset + size_t(s) * 8;
        if (at + 16 > rec.size())
            return ::testing::AssertionFailure() << "element head past the record at slot " << s;
        const int kind = LoadLE<uint16_t>(rec.data() + at);
        const int colour = LoadLE<uint16_t>(rec.data() + at + 4);
        const int width = LoadLE<uint16_t>(rec.data() + at + 6);
        const int diameter = LoadLE<uint16_t>(rec.data() + at + 8);
        const int count = LoadLE<int16_t>(rec.data() + at + 10);
        if (kind < 1 || kind > 4 || count < 1 || s + 2 + count > slots)
            return ::testing::AssertionFailure() << "bad element at slot " << s;
        if (!ColorDefined(colors, colour))
            return ::testing::AssertionFailure() << "element colour " << colour << " undefined";
        if ((kind == 1 && (count < 2 || width <= 0)) || (kind == 2 && count < 3)
            || (kind == 3 && diameter <= width) || (kind == 4 && diameter <= 0))
            return ::testing::AssertionFailure() << "element of kind " << kind << " malformed";
        s += 2 + count;
    }
    return ::testing::AssertionSuccess();
}

// The usability rules of the painters: sizes that match their counts, whole element lists,
// colours that exist.
::testing::AssertionResult RecordUsable(const SymbolBytes& rec, const SymbolHeaderBlock& colors)
{
    const int type = SymI16(rec, SymObjectType);
    const bool text = SymU8(rec, SymTextFlag) == 1;
    const size_t size = rec.size();
    auto colour = [&](size_t offset) { return ColorDefined(colors, SymI16(rec, offset)); };
    switch (type) {
    case 1: {
        const int slots = SymI16(rec, 348);
        if (size != 352 + size_t(slots) * 8 || slots > 512)
            return ::testing::AssertionFailure() << "point size " << size;
        return ListSound(rec, 352, slots, colors);
    }
    case 2:
        if (text) {
            if (size != 440 || !colour(380))
                return ::testing::AssertionFailure() << "line text size or colour";
            return ::testing::AssertionSuccess();
        } else {
            size_t offset = 424;
            for (size_t k = 0; k < 5; ++k) {
                const int slots = SymI16(rec, 412 + 2 * k);
                auto r = ListSound(rec, offset, slots, colors);
                if (!r)
                    return r;
                offset += size_t(slots) * 8;
            }
            if (size != offset)
                return ::testing::AssertionFailure() << "line size " << size << " != " << offset;
            if (SymI16(rec, 350) > 0 && !colour(348))
                return ::testing::AssertionFailure() << "main line colour";
            return ::testing::AssertionSuccess();
        }
    case 3: {
        const int slots = SymI16(rec, 378);
        if (size != 380 + size_t(slots) * 8)
            return ::testing::AssertionFailure() << "area size " << size;
        if (SymI16(rec, 350) != 0 && !colour(352))
            return ::testing::AssertionFailure() << "fill colour";
        if (SymI16(rec, 354) > 0 && (!colour(356) || SymI16(rec, 360) <= 0))
            return ::testing::AssertionFailure() << "hatch";
        return ListSound(rec, 380, slots, colors);
    }
    case 4:
        if (!text || size != 588 || !colour(380) || SymI16(rec, 382) < 10)
            return ::testing::AssertionFailure() << "text symbol";
        return ::testing::AssertionSuccess();
    case 5:
        if (size != 416 || !colour(348))
            return ::testing::AssertionFailure() << "rectangle symbol";
        return ::testing::AssertionSuccess();
    default:
        return ::testing::AssertionFailure() << "object type " << type;
    }
}

TEST(SymbolSets, EveryShippedSetLoadsAndEverySymbolReadsBackValid)
{
    for (const char* name : ShippedSets) {
        SCOPED_TRACE(name);
        ShippedSet set(name);
        ASSERT_TRUE(set.found) << "missing from " << DataFolder().toStdString() << "SYMBOL/";
        TZmd& z = *set.zmd;
        // Header at its literal offsets: the mark, version 8, no objects, a setup record.
        EXPECT_EQ(GetU16(set.bytes, 0), 0x5E71);
        EXPECT_EQ(GetU16(set.bytes, 4), 8);
        EXPECT_EQ(GetI32(set.bytes, 12), 0);
        EXPECT_EQ(GetI32(set.bytes, 16), 19272);
        EXPECT_EQ(GetI32(set.bytes, 20), 1348);
        EXPECT_EQ(z.HighestObject, 0);
        EXPECT_TRUE(set.messages.Entries().empty());
        // The information text says what the set is.
        EXPECT_GT(GetI32(set.bytes, 28), 0);
        EXPECT_FALSE(ReadInfoText().isEmpty());

        const int colours = GetI16(set.bytes, 48);
        ASSERT_GE(colours, 1);
        EXPECT_EQ(z.ColorBlock.ColorCount, colours);
        std::set<int> colourNumbers, colourNames;
        for (int i = 0; i < colours; ++i) {
            const size_t at = 48 + 24 + size_t(i) * 72;
            EXPECT_TRUE(colourNumbers.insert(GetU16(set.bytes, at)).second);
            EXPECT_GT(set.bytes[at + 8], 0) << "colour " << i << " has no name";
            for (size_t k = 0; k < 4; ++k)
                EXPECT_LE(set.bytes[at + 4 + k], 200);
        }

        const auto raw = set.RawSymbols();
        ASSERT_EQ(raw.size(), size_t(z.SymbolCount()));
        ASSERT_GE(z.SymbolCount(), 20);
        std::set<int> numbers;
        for (size_t i = 0; i < raw.size(); ++i) {
            const SymbolBytes& loaded = z.Symbols[i];
            const int number = SymI16(loaded, SymNumber);
            SCOPED_TRACE(number);
            EXPECT_TRUE(numbers.insert(number).second);
            EXPECT_FALSE(ShortFieldText(std::span(loaded).subspan(SymDescription, 32)).empty());
            // Stored already in the normalised form: the repairs after reading change nothing
            // but the derived text extent (it follows the installed fonts).
            SymbolBytes normalised = raw[i];
            NormalizeSymbol(normalised);
            ASSERT_EQ(normalised.size(), raw[i].size());
            SymbolBytes a = normalised, b = raw[i], c = loaded;
            for (SymbolBytes* r : {&a, &b, &c}) {
                SetSymI32(*r, SymFilePos, 0);
                if (SymI16(*r, SymObjectType) == 4)
                    SetSymI16(*r, SymExtent, 0);
            }
            EXPECT_EQ(a, b);
            EXPECT_EQ(c, b);
            EXPECT_EQ(raw[i].size() % 4, 0u);
            EXPECT_TRUE(RecordUsable(loaded, z.ColorBlock));
            // Every symbol colour the record names is in the table.
            const ColorSet used = SymColors(loaded);
            EXPECT_TRUE(used.any());
            for (size_t n = 0; n < 256; ++n) {
                if (used.test(n)) {
                    EXPECT_TRUE(colourNumbers.count(int(n))) << "colour " << n;
                }
            }
            // A real icon: it decodes whole and is not blank.
            QImage icon;
            EXPECT_EQ(DecodeRecordIcon(loaded, icon), IconDecodeResult::Complete);
            int coloured = 0;
            for (int y = 0; y < IconSize; ++y)
                for (int x = 0; x < IconSize; ++x)
                    coloured += icon.pixel(x, y) != qRgb(255, 255, 255);
            EXPECT_GE(coloured, 3);
        }
    }
}

// Symbol records of the set by number x 10.
std::map<int, SymbolBytes> ByNumber(const TZmd& z)
{
    std::map<int, SymbolBytes> out;
    for (const SymbolBytes& s : z.Symbols)
        out[SymI16(s, SymNumber)] = s;
    return out;
}

TEST(SymbolSets, OrienteeringSetCoversEverySymbolTypeAndDrawingFeature)
{
    ShippedSet set("orienteering-15000");
    ASSERT_TRUE(set.found);
    TZmd& z = *set.zmd;
    EXPECT_EQ(GetU16(set.bytes, 2), 2);
    EXPECT_EQ(GetF64(set.bytes, 19272 + 24), 15000.0);
    EXPECT_EQ(z.Setup.MapScale, 15000.0);
    ASSERT_GE(z.SymbolCount(), 40);

    // Colour table in CMYK: overprinted purple on top, pure process colours, white at the end.
    ASSERT_GE(z.ColorBlock.ColorCount, 8);
    const size_t first = 48 + 24;
    EXPECT_EQ(ShortFieldText(std::span(set.bytes).subspan(first + 8, 32)), "Purple");
    EXPECT_EQ(GetI16(set.bytes, first + 2), -1);
    EXPECT_EQ(set.bytes[first + 4], 0);
    EXPECT_EQ(set.bytes[first + 5], 200);
    std::set<std::string> names;
    for (int i = 0; i < z.ColorBlock.ColorCount; ++i)
        names.insert(ShortFieldText(z.ColorBlock.Colors[size_t(i)].Name));
    for (const char* n : {"Black", "Brown", "Blue", "Yellow", "Green", "White"})
        EXPECT_TRUE(names.count(n)) << n;
    // Half percent: 45.5 % cyan of "Green 60%" is 91.
    bool halfPercent = false;
    for (int i = 0; i < z.ColorBlock.ColorCount; ++i)
        halfPercent |= z.ColorBlock.Colors[size_t(i)].Cmyk[0] == 91;
    EXPECT_TRUE(halfPercent);

    std::set<std::string> features;
    std::set<int> types;
    for (const SymbolBytes& s : z.Symbols) {
        const int type = SymI16(s, SymObjectType);
        const bool text = SymU8(s, SymTextFlag) == 1;
        types.insert(type == 2 && text ? 6 : type);
        if (type == 1 && SymI16(s, 348) > 0)
            features.insert("point graphics");
        if (type == 2 && !text) {
            const int width = SymI16(s, 350);
            if (width > 0 && SymI16(s, 358) > 0 && SymI16(s, 362) > 0)
                features.insert("dashed line");
            if (width > 0 && SymI16(s, 358) > 0 && SymI16(s, 364) > 0)
                features.insert("gap in dashes");
            if (width > 0 && (SymI16(s, 352) & 2) && SymI16(s, 354) > 0)
                features.insert("pointed ends");
            if (SymI16(s, 374) > 0 && (SymI16(s, 376) & 1) && SymI16(s, 384) > 0
                && SymI16(s, 386) > 0 && SymI16(s, 388) > 0)
                features.insert("double line with fill");
            if (SymI16(s, 374) >= 2 && SymI16(s, 390) > 0 && SymI16(s, 392) > 0)
                features.insert("dashed double line");
            if (SymI16(s, 408) > 0 && SymI16(s, 408) > width)
                features.insert("framing");
            if (SymI16(s, 370) >= 1 && SymI16(s, 412) > 0 && SymI16(s, 358) > 0)
                features.insert("symbols along the line");
            if (SymI16(s, 370) >= 2 && SymI16(s, 372) > 0)
                features.insert("symbol groups");
            if (SymI16(s, 414) > 0)
                features.insert("secondary symbols");
            if (SymI16(s, 416) > 0)
                features.insert("corner symbols");
            if (SymI16(s, 418) > 0 && SymI16(s, 420) > 0)
                features.insert("start and end symbols");
            if (SymI16(s, 400) > 0 && SymI16(s, 402) < 100)
                features.insert("decrease");
        }
        if (type == 3) {
            if (SymI16(s, 354) == 1)
                features.insert("single hatch");
            if (SymI16(s, 354) == 2)
                features.insert("cross hatch");
            if (SymI16(s, 368) == 1 && SymI16(s, 378) > 0)
                features.insert("rectangular structure");
            if (SymI16(s, 368) == 2 && SymI16(s, 378) > 0)
                features.insert("offset structure");
            if (SymI16(s, 350) != 0 && (SymI16(s, 354) > 0 || SymI16(s, 368) > 0))
                features.insert("fill under pattern");
        }
        if (type == 4) {
            if (SymI16(s, 394) != 120 && SymI16(s, 396) > 0 && SymI16(s, 400) > 0
                && SymI16(s, 402) > 0 && SymI16(s, 392) == 3)
                features.insert("paragraphs");
            if (SymI16(s, 532) != 0 && SymI16(s, 536) > 0)
                features.insert("line below");
            for (int mode = 1; mode <= 3; ++mode)
                if (SymU8(s, 542) == mode)
                    features.insert("text framing " + std::to_string(mode));
        }
        if (type == 2 && text && SymU8(s, 394) > 0)
            features.insert("line text framing " + std::to_string(SymU8(s, 394)));
        if (type == 5 && (SymI16(s, 354) & 1) && SymI16(s, 356) > 0 && SymI16(s, 358) > 0)
            features.insert("cell grid");
        if (type == 5 && SymI16(s, 352) > 0)
            features.insert("rounded corners");
    }
    EXPECT_EQ(types, (std::set<int>{1, 2, 3, 4, 5, 6}));
    for (const char* f :
         {"point graphics", "dashed line", "gap in dashes", "pointed ends", "double line with fill",
          "dashed double line", "framing", "symbols along the line", "symbol groups",
          "secondary symbols", "corner symbols", "start and end symbols", "decrease",
          "single hatch", "cross hatch", "rectangular structure", "offset structure",
          "fill under pattern", "paragraphs", "line below", "text framing 1", "text framing 2",
          "text framing 3", "line text framing 1", "line text framing 2", "cell grid",
          "rounded corners"})
        EXPECT_TRUE(features.count(f)) << "no symbol with " << f;
}

// Colours are painted from the last in the table to the first: a road's fill must lie above
// its edges, and the outline or box that frames a text above every area it may sit on and
// below the text itself.
TEST(SymbolSets, OrienteeringColourOrderKeepsRoadFillsAndTextFramesOnTop)
{
    ShippedSet set("orienteering-15000");
    ASSERT_TRUE(set.found);
    const SymbolHeaderBlock& table = set.zmd->ColorBlock;
    auto rank = [&](int number) {
        for (int i = 0; i < table.ColorCount; ++i)
            if (table.Colors[size_t(i)].Number == number)
                return i;
        ADD_FAILURE() << "colour " << number << " not in the table";
        return -1;
    };
    const auto sym = ByNumber(*set.zmd);
    ASSERT_TRUE(sym.count(5020) && sym.count(5021));
    EXPECT_LT(rank(SymI16(sym.at(5020), 378)), rank(SymI16(sym.at(5020), 380)));
    EXPECT_LT(rank(SymI16(sym.at(5020), 378)), rank(SymI16(sym.at(5020), 382)));
    EXPECT_LT(rank(SymI16(sym.at(5021), 348)), rank(SymI16(sym.at(5021), 406)));

    // Texts and their framings; the inks that texts are printed in stay above every framing.
    std::vector<std::pair<int, int>> framings;  // symbol number, framing colour rank
    std::set<int> inks;
    for (const SymbolBytes& s : set.zmd->Symbols) {
        const bool text = SymI16(s, SymObjectType) == 4;
        const bool lineText = SymI16(s, SymObjectType) == 2 && SymU8(s, SymTextFlag) == 1;
        if (!text && !lineText)
            continue;
        inks.insert(rank(SymI16(s, 380)));
        const int mode = text ? SymU8(s, 542) : SymU8(s, 394);
        if (mode == 0)
            continue;
        const int frame = rank(SymI16(s, text ? 576 : 428));
        EXPECT_LT(rank(SymI16(s, 380)), frame) << SymI16(s, SymNumber);
        if (mode != 1)  // a shadow is a look of its own; outlines and boxes hide what is below
            framings.emplace_back(SymI16(s, SymNumber), frame);
    }
    EXPECT_GE(framings.size(), 3u);
    for (const SymbolBytes& a : set.zmd->Symbols) {
        if (SymI16(a, SymObjectType) != 3)
            continue;
        std::vector<int> tints;
        if (SymI16(a, 350) != 0)
            tints.push_back(rank(SymI16(a, 352)));
        if (SymI16(a, 354) > 0)
            tints.push_back(rank(SymI16(a, 356)));
        for (int tint : tints) {
            if (inks.count(tint))
                continue;
            for (const auto& [number, frame] : framings)
                EXPECT_LT(frame, tint) << number << " on " << SymI16(a, SymNumber);
        }
    }
}

TEST(SymbolSets, CourseSettingSetHasItsFileTypeAndEveryCourseRole)
{
    ShippedSet set("course-setting");
    ASSERT_TRUE(set.found);
    TZmd& z = *set.zmd;
    EXPECT_EQ(GetU16(set.bytes, 2), 3);
    EXPECT_EQ(z.Header.FileType & CourseMapFileBit, 1);

    // A course symbol of every course-object type, on a symbol type that can create it.
    std::map<int, int> objectTypeOfCourseType;  // course type -> object type (6 = line text)
    uint8_t columns = 0;
    for (const SymbolBytes& s : z.Symbols) {
        const int type = SymI16(s, SymObjectType) == 2 && SymU8(s, SymTextFlag) ? 6
                                                                                  : SymI16(s, SymObjectType);
        if (SymU8(s, SymCsRole) == 1)
            objectTypeOfCourseType[SymU8(s, SymCsType)] = type;
        if (SymU8(s, SymCsRole) == 2) {
            EXPECT_EQ(type, 1);
            EXPECT_NE(SymU8(s, SymByte15) & 0x3F, 0);
            columns |= SymU8(s, SymByte15);
        }
    }
    const std::map<int, int> expected{{0, 1}, {1, 1}, {2, 1}, {3, 2}, {4, 1}, {5, 4}, {6, 4}};
    EXPECT_EQ(objectTypeOfCourseType, expected);
    // Description symbols for each column C to H, and one that shows sizes in column F.
    EXPECT_EQ(columns, 0x7F);

    // The symbols that the preview and the description sheets place by number.
    const auto sym = ByNumber(z);
    const std::map<int, int> placed{
        {8300, 4}, {8301, 4}, {8310, 2}, {8010, 2}, {8020, 2}, {8100, 1}, {8150, 1}, {8151, 1},
        {8152, 1}, {8153, 1}, {8154, 1}, {8160, 1}, {8200, 4}, {8210, 4}, {8220, 4}, {8230, 4},
        {8240, 4}, {8250, 4}, {8260, 4}};
    for (const auto& [number, type] : placed) {
        ASSERT_TRUE(sym.count(number)) << number;
        EXPECT_EQ(SymI16(sym.at(number), SymObjectType), type) << number;
        EXPECT_EQ(SymU8(sym.at(number), SymTextFlag), type == 4 ? 1 : 0) << number;
    }
    // The control circle is 5 mm across: its extent is the radius.
    bool control = false;
    for (const SymbolBytes& s : z.Symbols)
        if (SymU8(s, SymCsRole) == 1 && SymU8(s, SymCsType) == 1) {
            control = true;
            EXPECT_EQ(SymI16(s, SymExtent), 250);
        }
    EXPECT_TRUE(control);

    // The other sets are ordinary maps.
    for (const char* other : {"general", "orienteering-15000"}) {
        ShippedSet o(other);
        ASSERT_TRUE(o.found);
        EXPECT_EQ(GetU16(o.bytes, 2), 2) << other;
    }
}

// ---- The description parser ----

SymbolSetDescription Parse(const std::string& text)
{
    SymbolSetDescription d;
    SymbolSetError e;
    EXPECT_TRUE(ParseSymbolSet(text, QStringLiteral("t.txt"), d, e)) << e.Text().toStdString();
    return d;
}

const char* const Colours = "color 3 \"Black\" cmyk 0 0 0 100\n"
                            "color 7 \"Green 60%\" cmyk 45.5 0 54.5 0 overprint\n"
                            "color 9 \"White\" cmyk 0 0 0 0\n";

TEST(SymbolSetText, FieldsGoToTheirOffsetsInStoredUnits)
{
    const auto d = Parse(std::string("map\n type course\n scale 10000\n info \"one\"\n info \"two\"\nend\n")
                         + Colours
                         + "symbol 101.5 line \"Road\"  # comment\n"
                           "  color Black\n  width 0.35\n  style round\n  pointed-ends\n"
                           "  from-start 1.5\n  to-end 2\n  dash 3.0\n  end-dash 1.5\n  gap 0.25\n"
                           "  min-gaps 2\n  symbols 2 spacing 0.6\n"
                           "  double left-dashed width 1.0\n  double-fill \"Green 60%\"\n"
                           "  double-left 3 0.1\n  double-right White 0.12\n  double-dash 2 gap 0.5\n"
                           "  decrease both-ends last 40\n  framing White 0.8 mitre\n  tool straight\n"
                           "  elements main\n"
                           "    line color Black width 0.14 style round points 0 0 -1.25 0.5 corner bezier1 0.5 0.5 bezier2 2 0\n"
                           "  end\n"
                           "  elements end\n    dot color 9 diameter 0.5 at 0.1 -0.2\n  end\n"
                           "end\n"
                           "symbol 2.0 text \"Legend\"\n  font \"Times New Roman\"\n  color Black\n"
                           "  size 7.5\n  bold\n  italic\n  align justified\n  line-spacing 130\n"
                           "  paragraph-space -1.0\n  indent 0 3.0\n  tabs 10 20.5\n"
                           "  line-below White width 0.1 distance 0.5\n  framing rectangle\n"
                           "  framing-color White\n  frame 0.3 -0.2 0.3 0.4\n  shadow 0.2 -0.2\n"
                           "  course symbol title\nend\n"
                           "symbol 3.0 rectangle \"Grid\"\n  color Black\n  width 0.25\n  radius 1\n"
                           "  grid 20 15 numbered-from-bottom\n  unnumbered 2 \"X\"\nend\n"
                           "symbol 4.0 area \"Orchard\"\n  fill White\n"
                           "  hatch cross color Black width 0.1 spacing 0.6 angle 45 angle2 -30.5\n"
                           "  structure offset width 1.5 height 2 angle 30\n"
                           "  elements structure\n    dot color \"green 60%\" diameter 0.5 at 0 0\n  end\nend\n"
                           "symbol 5.0 point \"Ring\"\n  rotatable\n"
                           "  circle color Black width 0.2 diameter 2.0 at 1.0 0\n"
                           "  course description C F size-hint\nend\n"
                           "symbol 6.0 linetext \"Name\"\n  color White\n  size 12\n  align spread\n"
                           "  framing outline\n  framing-color Black\n  framing-width 0.2\nend\n");
    EXPECT_EQ(d.FileType, 3);
    EXPECT_EQ(d.Scale, 10000.0);
    EXPECT_EQ(d.Info, "one\r\ntwo");
    ASSERT_EQ(d.Colors.ColorCount, 3);
    EXPECT_EQ(d.Colors.Colors[1].Number, 7);
    EXPECT_EQ(d.Colors.Colors[1].Cmyk, (std::array<uint8_t, 4>{91, 0, 109, 0}));
    EXPECT_EQ(d.Colors.Colors[1].Overprint, -1);
    EXPECT_EQ(d.Colors.Colors[0].Overprint, 0);
    EXPECT_EQ(d.Colors.Colors[1].Separations[0], 255);
    ASSERT_EQ(d.Symbols.size(), 6u);

    std::vector<uint8_t> line = d.Symbols[0];
    EXPECT_EQ(GetI16(line, 0), 424 + 8 * (6 + 3));
    EXPECT_EQ(GetI16(line, 2), 1015);
    EXPECT_EQ(GetI16(line, 4), 2);
    EXPECT_EQ(line[6], 0);
    EXPECT_EQ(line[12], 5);
    const std::vector<std::pair<size_t, int>> lineFields{
        {348, 3}, {350, 35}, {352, 3}, {354, 150}, {356, 200}, {358, 300}, {360, 150}, {362, 25},
        {368, 1}, {370, 2}, {372, 60}, {374, 2}, {376, 1}, {378, 7}, {380, 3}, {382, 9},
        {384, 100}, {386, 10}, {388, 12}, {390, 200}, {392, 50}, {400, 2}, {402, 40}, {406, 9},
        {408, 80}, {410, 4}, {412, 6}, {414, 0}, {416, 0}, {418, 0}, {420, 3}};
    for (const auto& [offset, value] : lineFields)
        EXPECT_EQ(GetI16(line, offset), value) << "offset " << offset;
    // The main list: a line element with its Cords in 1/256 of 0.01 mm, flags kept.
    EXPECT_EQ(GetU16(line, 424), 1);
    EXPECT_EQ(GetU16(line, 426), 1);
    EXPECT_EQ(GetU16(line, 428), 3);
    EXPECT_EQ(GetU16(line, 430), 14);
    EXPECT_EQ(GetI16(line, 434), 4);
    EXPECT_EQ(GetI32(line, 440), 0);
    EXPECT_EQ(GetI32(line, 448), -125 * 256 | FirstBezierFlag);
    EXPECT_EQ(GetI32(line, 452), 50 * 256 | CornerFlag);
    EXPECT_EQ(GetI32(line, 456), 50 * 256 | SecondBezierFlag);
    EXPECT_EQ(GetI32(line, 464), 200 * 256);
    // The end list behind it: a dot.
    EXPECT_EQ(GetU16(line, 472), 4);
    EXPECT_EQ(GetU16(line, 476), 9);
    EXPECT_EQ(GetU16(line, 480), 50);
    EXPECT_EQ(GetI32(line, 488), 10 * 256);
    EXPECT_EQ(GetI32(line, 492), -20 * 256);
    // Derived: the extent reaches the farthest element point (2 mm plus half its width),
    // beyond the double line (0.5 + 0.12 mm) and the framing (0.4 mm).
    EXPECT_EQ(GetI16(line, 8), 207);
    const ColorSet lineColours = SymColors(line);
    EXPECT_TRUE(lineColours.test(3) && lineColours.test(7) && lineColours.test(9));

    std::vector<uint8_t> text = d.Symbols[1];
    EXPECT_EQ(GetI16(text, 0), 588);
    EXPECT_EQ(text[6], 1);
    EXPECT_EQ(text[13], 1);
    EXPECT_EQ(text[14], 5);
    EXPECT_EQ(ShortFieldText(std::span(text).subspan(348, 32)), "Times New Roman");
    const std::vector<std::pair<size_t, int>> textFields{
        {380, 3}, {382, 75}, {384, 700}, {390, 100}, {392, 3}, {394, 130}, {396, -100},
        {398, 0}, {400, 300}, {402, 2}, {532, -1}, {534, 9}, {536, 10}, {538, 50}, {544, 0},
        {568, 30}, {570, -20}, {572, 30}, {574, 40}, {576, 9}, {584, 20}, {586, -20}};
    for (const auto& [offset, value] : textFields)
        EXPECT_EQ(GetI16(text, offset), value) << "offset " << offset;
    EXPECT_EQ(text[386], 1);
    EXPECT_EQ(text[542], 3);
    EXPECT_EQ(GetI32(text, 404), 1000);
    EXPECT_EQ(GetI32(text, 408), 2050);

    std::vector<uint8_t> rect = d.Symbols[2];
    EXPECT_EQ(GetI16(rect, 0), 416);
    EXPECT_EQ(GetI16(rect, 4), 5);
    EXPECT_EQ(GetI16(rect, 350), 25);
    EXPECT_EQ(GetI16(rect, 352), 100);
    EXPECT_EQ(GetI16(rect, 354), 7);
    EXPECT_EQ(GetI16(rect, 356), 2000);
    EXPECT_EQ(GetI16(rect, 358), 1500);
    EXPECT_EQ(GetI16(rect, 364), 2);
    EXPECT_EQ(ShortFieldText(std::span(rect).subspan(366, 4)), "X");
    EXPECT_EQ(GetI16(rect, 8), 12);  // the repaired form: width / 2

    std::vector<uint8_t> area = d.Symbols[3];
    EXPECT_EQ(GetI16(area, 0), 380 + 8 * 3);
    const std::vector<std::pair<size_t, int>> areaFields{
        {350, -1}, {352, 9}, {354, 2}, {356, 3}, {358, 10}, {360, 60}, {362, 450}, {364, -305},
        {368, 2}, {370, 150}, {372, 200}, {374, 300}, {378, 3}, {8, 0}};
    for (const auto& [offset, value] : areaFields)
        EXPECT_EQ(GetI16(area, offset), value) << "offset " << offset;
    EXPECT_EQ(GetU16(area, 384), 7);  // colour names ignore case

    std::vector<uint8_t> point = d.Symbols[4];
    EXPECT_EQ(GetI16(point, 0), 352 + 8 * 3);
    EXPECT_EQ(GetI16(point, 348), 3);
    EXPECT_EQ(point[7] & 1, 1);
    EXPECT_EQ(point[13], 2);
    EXPECT_EQ(point[15], 0x20 | 0x04 | 0x40);
    EXPECT_EQ(GetI16(point, 8), 200);  // 1 mm out, plus the 1 mm radius
    EXPECT_EQ(SymColors(point), ColorSet().set(3));

    std::vector<uint8_t> lineText = d.Symbols[5];
    EXPECT_EQ(GetI16(lineText, 0), 440);
    EXPECT_EQ(GetI16(lineText, 4), 2);
    EXPECT_EQ(lineText[6], 1);
    EXPECT_EQ(GetI16(lineText, 392), 3);
    EXPECT_EQ(lineText[394], 2);
    EXPECT_EQ(GetI16(lineText, 396), 0);
    EXPECT_EQ(GetI16(lineText, 428), 3);
    EXPECT_EQ(GetI16(lineText, 430), 20);
    EXPECT_EQ(GetI16(lineText, 8), 423);  // 12 pt
    EXPECT_EQ(SymColors(lineText), ColorSet().set(3).set(9));
}

TEST(SymbolSetText, RejectsMalformedDescriptionsWithFileAndLine)
{
    const std::string head = "color 1 \"Black\" cmyk 0 0 0 100\n";  // line 1
    struct Case {
        std::string text;
        int line;
        std::string message;
    };
    const std::vector<Case> cases{
        {head + "colour 2 \"Grey\" cmyk 0 0 0 50\nsymbols 1.0 point \"x\"\n", 3, "expected \"map\""},
        {head + "symbol 1.0 point \"open\n", 2, "not closed"},
        {head + "symbol 1.0 point \"A\"\n  dot color Red diameter 1 at 0 0\nend\n", 3, "\"Red\" is not in the colour table"},
        {head + "symbol 1.0 point \"A\"\n  dot color 2 diameter 1 at 0 0\nend\n", 3, "colour 2 is not"},
        {head + "symbol 1.0 line \"A\"\nend\nsymbol 1.0 area \"B\"\nend\n", 4, "defined twice"},
        {head + "symbol 1000.0 line \"A\"\nend\n", 2, "999.9"},
        {head + "symbol 10.05 line \"A\"\nend\n", 2, "one decimal"},
        {head + "\n\nsymbol 1.0 line \"A\"\n  color Black\n", 4, "not closed by \"end\""},
        {head + "map\n  type normal\n", 2, "map block is not closed"},
        {head + "symbol 1.0 point \"A\"\n  line color Black width 0.1 points 0 0\nend\n", 3, "at least 2 points"},
        {head + "symbol 1.0 point \"A\"\n  line color Black width 0.1 points 0 0 1\nend\n", 3, "single value"},
        {head + "symbol 1.0 point \"A\"\n  dot color Black at 0 0\nend\n", 3, "needs a diameter"},
        {head + "symbol 1.0 point \"A\"\n  circle color Black width 1 diameter 1 at 0 0\nend\n", 3, "larger diameter"},
        {head + "symbol 1.0 line \"A\"\n  width nan\nend\n", 3, "not a number"},
        {head + "symbol 1.0 line \"A\"\n  width 1,5\nend\n", 3, "not a number"},
        {head + "symbol 1.0 line \"A\"\n  width 25\nend\n", 3, "must lie from 0 to 20"},
        {head + "symbol 1.0 line \"A\"\n  colour Black Black\nend\n", 3, "takes 1 value"},
        {head + "symbol 1.0 line \"A\"\n  shading 3\nend\n", 3, "unknown field \"shading\""},
        {head + "symbol 1.0 line \"Description longer than thirty-one\"\nend\n", 2, "longer than 31"},
        {head + "symbol 1.0 line \"\xCE\xA9mega\"\nend\n", 2, "code page 1252"},
        {head + "symbol 1.0 line \"A\"\n  course symbol control\nend\n", 3, "cannot make a course object"},
        {head + "symbol 1.0 point \"A\"\n  course description C J\nend\n", 3, "not a description column"},
        {head + "symbol 1.0 text \"A\"\n  color Black\n  elements\nend\n", 4, "has no elements"},
        {head + "symbol 1.0 text \"A\"\n  size 12\nend\n", 4, "needs a colour"},
        {head + "symbol 1.0 line \"A\"\n  symbols 1\nend\n", 4, "elements main"},
        {head + "symbol 1.0 line \"A\"\n  elements main\n    dot color Black diameter 1 at 0 0\n  end\n"
                "  elements main\n", 6, "given twice"},
        {head + "symbol 1.0 line \"A\"\n  elements side\n", 3, "is not one of"},
        {head + "symbol 1.0 area \"A\"\n  hatch cross color Black width 0.1 spacing 1 angle 45\nend\n", 3, "angle2"},
        {head + "symbol 1.0 area \"A\"\n  hatch single color Black width 0.1 spacing 0 angle 45\nend\n", 3, "above 0"},
        {head + "symbol 1.0 text \"A\"\n  color Black\n  tabs 20 10\nend\n", 4, "ascending"},
        {head + "symbol 1.0 rectangle \"A\"\n  color Black\n  unnumbered 1 \"ABCD\"\nend\n", 4, "longer than 3"},
        {head + "color 1 \"Grey\" cmyk 0 0 0 50\n", 2, "colour number 1 is defined twice"},
        {head + "color 2 \"black\" cmyk 0 0 0 50\n", 2, "defined twice"},
        {head + "color 2 \"Grey\" cmyk 0 0 0 101\n", 2, "must lie from 0 to 100"},
        {head + "color 2 \"Grey\" rgb 0 0 0 50\n", 2, "color <number>"},
        {"# nothing\n", 1, "no colours"},
        {head + "map\n  scale 15000.5\nend\n", 3, "whole number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SymbolSetDescription d;
        SymbolSetError e;
        ASSERT_FALSE(ParseSymbolSet(c.text, QStringLiteral("sets/x.txt"), d, e));
        EXPECT_EQ(e.Line, c.line) << e.Message.toStdString();
        EXPECT_NE(e.Message.toStdString().find(c.message), std::string::npos) << e.Message.toStdString();
        EXPECT_TRUE(e.Text().startsWith(QStringLiteral("sets/x.txt:") + QString::number(c.line) + QStringLiteral(": ")));
    }
}

TEST(SymbolSetText, WrittenMapReadsBackThroughTheStore)
{
    ResetIndexState();
    RecordingMessages messages;
    QTemporaryDir dir;
    const auto d = Parse(std::string("map\n type course\n scale 4000\n info \"Sprint\"\nend\n") + Colours
                         + "symbol 7.0 point \"Dot\"\n  dot color 7 diameter 0.5 at 0 0\nend\n"
                           "symbol 3.5 text \"Label\"\n  color White\n  framing shadow\n"
                           "  framing-color Black\nend\n");
    const QString path = dir.filePath(QStringLiteral("set.zmd"));
    // An older file of the same name is replaced whole.
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    QString error;
    ASSERT_TRUE(WriteSymbolSetMap(d, path, error)) << error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("set.zmd")});
    EXPECT_EQ(Index.ActiveZmd, nullptr);

    const std::vector<uint8_t> bytes = FileBytes(path);
    EXPECT_LT(bytes.size(), 100000u);
    EXPECT_EQ(GetU16(bytes, 2), 3);
    EXPECT_EQ(GetF64(bytes, 19272 + 24), 4000.0);
    EXPECT_EQ(GetI16(bytes, 48), 3);
    EXPECT_EQ(GetU16(bytes, 48 + 24 + 72), 7);

    TZmd z;
    z.WorkFile.Open(path);
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
    EXPECT_EQ(ReadInfoText(), QByteArray("Sprint"));
    ASSERT_EQ(z.SymbolCount(), 2);
    EXPECT_EQ(SymI16(z.Symbols[0], SymNumber), 70);
    EXPECT_EQ(SymI16(z.Symbols[1], SymNumber), 35);
    EXPECT_EQ(z.Symbols[1][542], 1);
    // Icons are stored compressed in a version-8 map and show the dot in its colour.
    EXPECT_EQ(z.Symbols[0][SymFlags] & CompressedIconFlag, CompressedIconFlag);
    QImage icon;
    ASSERT_EQ(DecodeRecordIcon(z.Symbols[0], icon), IconDecodeResult::Complete);
    EXPECT_NE(icon.pixel(11, 11), qRgb(255, 255, 255));
    EXPECT_EQ(icon.pixel(0, 0), qRgb(255, 255, 255));
    SetCurrentMap(nullptr);
    Index.MapOpen = false;
    EXPECT_TRUE(messages.Entries().empty());

    // A folder that does not exist: a message, and nothing is left.
    const QString missing = dir.filePath(QStringLiteral("no/such/set.zmd"));
    EXPECT_FALSE(WriteSymbolSetMap(d, missing, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace
} // namespace zemo::test
