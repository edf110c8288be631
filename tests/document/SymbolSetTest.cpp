// The symbol-set maps of the data folder (SYMBOL/, made at build time from
// resources/symbolsets), File > New from each, and the description parser that makes them.
#include "DocumentFixture.h"
#include "core/ByteIO.h"
#include "core/Folders.h"
#include "document/NewMap.h"
#include "symbolset/SymbolSetText.h"
#include "symbols/store/IconCodec.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace zemo::test {
namespace {

constexpr size_t ColorBlockPos = 48, ColorBlockEnd = 19272;

// Shipped sets are opened from a copy: other test processes may hold the shipped file's lock.
class ShippedSets : public DocTest {
protected:
    void OpenShipped(const QString& file)
    {
        path = MapPath("reference.zmd").toStdString();
        QFile::remove(QString::fromStdString(path));
        ASSERT_TRUE(QFile::copy(file, QString::fromStdString(path))) << file.toStdString();
        OpenFile();
        bytes = FileBytes();
    }
    void OpenShipped(const char* name) { OpenShipped(SymbolSetFolder() + name + ".zmd"); }

    // The symbol records as the file holds them, found by following the index chain at its
    // literal offsets (independent of the store's reader).
    std::vector<SymbolBytes> RawSymbols() const
    {
        std::vector<SymbolBytes> out;
        int32_t block = GetI32(bytes, 8);
        for (int guard = 0; block > 0 && guard < 64 && size_t(block) + 1028 <= bytes.size(); ++guard) {
            for (size_t slot = 0; slot < 256; ++slot) {
                const int32_t pos = GetI32(bytes, size_t(block) + 4 + slot * 4);
                const int16_t size = pos > 0 ? GetI16(bytes, size_t(pos)) : 0;
                if (size >= 349 && size_t(pos) + size_t(size) <= bytes.size())
                    out.emplace_back(bytes.begin() + pos, bytes.begin() + pos + size);
            }
            block = GetI32(bytes, size_t(block));
        }
        return out;
    }

    std::vector<uint8_t> bytes;
};

// A record without what is not the symbol's own: its place in the file (memory only) and,
// for texts, the extent that follows the installed fonts.
SymbolBytes Comparable(SymbolBytes rec)
{
    SetSymI32(rec, SymFilePos, 0);
    if (SymI16(rec, SymObjectType) == TextObject)
        SetSymI16(rec, SymExtent, 0);
    return rec;
}

TEST_F(ShippedSets, EachLoadsValidAndGivesANewVersion8MapOfItsKind)
{
    const QString folder = SymbolSetFolder();
    const QStringList sets = QDir(folder).entryList({"*.zmd"}, QDir::Files, QDir::Name);
    ASSERT_GE(sets.size(), 3) << "no symbol sets in " << folder.toStdString();
    int course = 0;
    for (const QString& name : sets) {
        SCOPED_TRACE(name.toStdString());
        OpenShipped(folder + name);
        TZmd& z = Z();
        // Header at its literal offsets: the mark, version 8, the kind, no objects, a setup record.
        const bool courseSet = (GetU16(bytes, 2) & CourseMapFileBit) != 0;
        course += courseSet;
        EXPECT_EQ(GetU16(bytes, 0), 0x5E71);
        EXPECT_EQ(GetU16(bytes, 2), courseSet ? 3 : 2);
        EXPECT_EQ(GetU16(bytes, 4), 8);
        EXPECT_EQ(GetI32(bytes, 12), 0);
        EXPECT_EQ(GetI32(bytes, 16), 19272);
        EXPECT_EQ(GetI32(bytes, 20), 1348);
        EXPECT_EQ(z.HighestObject, 0);
        EXPECT_TRUE(messages.Entries().empty());
        // The information text says what the set is.
        EXPECT_GT(GetI32(bytes, 28), 0);
        EXPECT_FALSE(ReadInfoText().isEmpty());

        const int colours = GetI16(bytes, 48);
        ASSERT_GE(colours, 1);
        EXPECT_EQ(z.ColorBlock.ColorCount, colours);
        std::set<int> colourNumbers;
        for (int i = 0; i < colours; ++i) {
            const size_t at = 48 + 24 + size_t(i) * 72;
            EXPECT_TRUE(colourNumbers.insert(GetU16(bytes, at)).second);
            EXPECT_GT(bytes[at + 8], 0) << "colour " << i << " has no name";
            for (size_t k = 0; k < 4; ++k)
                EXPECT_LE(bytes[at + 4 + k], 200);
        }

        const auto raw = RawSymbols();
        ASSERT_EQ(raw.size(), size_t(z.SymbolCount()));
        ASSERT_GE(z.SymbolCount(), 20);
        std::set<int> numbers;
        for (size_t i = 0; i < raw.size(); ++i) {
            const SymbolBytes& loaded = z.Symbols[i];
            SCOPED_TRACE(SymI16(loaded, SymNumber));
            EXPECT_TRUE(numbers.insert(SymI16(loaded, SymNumber)).second);
            EXPECT_FALSE(ShortFieldText(std::span(loaded).subspan(SymDescription, 32)).empty());
            // Stored already in the normalised form: the repairs after reading change nothing
            // but the derived text extent.
            SymbolBytes normalised = raw[i];
            NormalizeSymbol(normalised);
            ASSERT_EQ(normalised.size(), raw[i].size());
            EXPECT_EQ(Comparable(normalised), Comparable(raw[i]));
            EXPECT_EQ(Comparable(loaded), Comparable(raw[i]));
            EXPECT_EQ(raw[i].size() % 4, 0u);
            EXPECT_TRUE(SymbolUsable(loaded, z.ColorBlock));
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
        const std::vector<SymbolBytes> symbols = z.Symbols;
        const double scale = z.Setup.MapScale;
        Close();

        // File > New offers the set for its kind of map; the saved map has no objects and the
        // set's colour table and separations byte for byte.
        EXPECT_TRUE(ListSymbolSetFiles(folder, courseSet).contains(name));
        EXPECT_FALSE(ListSymbolSetFiles(folder, !courseSet).contains(name));
        ASSERT_TRUE(CreateNewMap(folder + name, courseSet));
        ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
        EXPECT_TRUE(DocumentPath(&Z()).isEmpty());
        const QString saved = MapPath(QFileInfo(name).completeBaseName() + "-new.zmd");
        dialogs.QueueAnswer(true, saved);
        ASSERT_TRUE(SaveMap(true));
        CloseAllDocuments();
        EXPECT_TRUE(WorkingCopies().isEmpty());
        const auto out = ReadAll(saved);
        ASSERT_GE(out.size(), ColorBlockEnd);
        EXPECT_EQ(GetU16(out, hdr::Mark), 0x5E71);
        EXPECT_EQ(GetU16(out, hdr::Version), 8);
        EXPECT_EQ(GetU16(out, hdr::FileType), courseSet ? 3 : 2);
        EXPECT_EQ(GetI32(out, hdr::ObjectIndex), 0);
        EXPECT_TRUE(std::equal(bytes.begin() + ColorBlockPos, bytes.begin() + ColorBlockEnd, out.begin() + ColorBlockPos))
            << "colour table differs from the set's";
        EXPECT_EQ(GetF64(out, size_t(GetI32(out, hdr::SetupPos)) + setup::MapScale), scale);

        // A fresh document reads every symbol back as the set has it.
        path = saved.toStdString();
        OpenFile();
        EXPECT_EQ(Z().HighestObject, 0);
        EXPECT_EQ(Z().Setup.MapScale, scale);
        ASSERT_EQ(Z().Symbols.size(), symbols.size());
        for (size_t i = 0; i < symbols.size(); ++i)
            EXPECT_EQ(Comparable(Z().Symbols[i]), Comparable(symbols[i])) << SymI16(symbols[i], SymNumber);
        Close();
        EXPECT_TRUE(messages.Entries().empty());
    }
    EXPECT_EQ(course, 1) << "one course-setting set";
}

// Symbol records of the set by number x 10.
std::map<int, SymbolBytes> ByNumber(const TZmd& z)
{
    std::map<int, SymbolBytes> out;
    for (const SymbolBytes& s : z.Symbols)
        out[SymI16(s, SymNumber)] = s;
    return out;
}

TEST_F(ShippedSets, OrienteeringSetCoversEverySymbolTypeAndDrawingFeature)
{
    OpenShipped("orienteering-15000");
    TZmd& z = Z();
    EXPECT_EQ(GetU16(bytes, 2), 2);
    EXPECT_EQ(GetF64(bytes, 19272 + 24), 15000.0);
    EXPECT_EQ(z.Setup.MapScale, 15000.0);
    ASSERT_GE(z.SymbolCount(), 40);

    // Colour table in CMYK: overprinted purple on top, pure process colours, white at the end.
    ASSERT_GE(z.ColorBlock.ColorCount, 8);
    const size_t first = 48 + 24;
    EXPECT_EQ(ShortFieldText(std::span(bytes).subspan(first + 8, 32)), "Purple");
    EXPECT_EQ(GetI16(bytes, first + 2), -1);
    EXPECT_EQ(bytes[first + 4], 0);
    EXPECT_EQ(bytes[first + 5], 200);
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

    // Each drawing feature the painters know, by what a record holds when it uses it.
    using Rec = const SymbolBytes&;
    auto v = [](Rec s, size_t at) { return SymI16(s, at); };
    auto line = [](Rec s) { return SymI16(s, SymObjectType) == 2 && SymU8(s, SymTextFlag) == 0; };
    auto type = [](Rec s, int t) { return SymI16(s, SymObjectType) == t; };
    const std::vector<std::pair<const char*, std::function<bool(Rec)>>> features{
        {"point graphics", [&](Rec s) { return type(s, 1) && v(s, 348) > 0; }},
        {"dashed line", [&](Rec s) { return line(s) && v(s, 350) > 0 && v(s, 358) > 0 && v(s, 362) > 0; }},
        {"gap in dashes", [&](Rec s) { return line(s) && v(s, 350) > 0 && v(s, 358) > 0 && v(s, 364) > 0; }},
        {"pointed ends", [&](Rec s) { return line(s) && v(s, 350) > 0 && (v(s, 352) & 2) && v(s, 354) > 0; }},
        {"double line with fill", [&](Rec s) { return line(s) && v(s, 374) > 0 && (v(s, 376) & 1) && v(s, 384) > 0 && v(s, 386) > 0 && v(s, 388) > 0; }},
        {"dashed double line", [&](Rec s) { return line(s) && v(s, 374) >= 2 && v(s, 390) > 0 && v(s, 392) > 0; }},
        {"framing", [&](Rec s) { return line(s) && v(s, 408) > 0 && v(s, 408) > v(s, 350); }},
        {"symbols along the line", [&](Rec s) { return line(s) && v(s, 370) >= 1 && v(s, 412) > 0 && v(s, 358) > 0; }},
        {"symbol groups", [&](Rec s) { return line(s) && v(s, 370) >= 2 && v(s, 372) > 0; }},
        {"secondary symbols", [&](Rec s) { return line(s) && v(s, 414) > 0; }},
        {"corner symbols", [&](Rec s) { return line(s) && v(s, 416) > 0; }},
        {"start and end symbols", [&](Rec s) { return line(s) && v(s, 418) > 0 && v(s, 420) > 0; }},
        {"decrease", [&](Rec s) { return line(s) && v(s, 400) > 0 && v(s, 402) < 100; }},
        {"single hatch", [&](Rec s) { return type(s, 3) && v(s, 354) == 1; }},
        {"cross hatch", [&](Rec s) { return type(s, 3) && v(s, 354) == 2; }},
        {"rectangular structure", [&](Rec s) { return type(s, 3) && v(s, 368) == 1 && v(s, 378) > 0; }},
        {"offset structure", [&](Rec s) { return type(s, 3) && v(s, 368) == 2 && v(s, 378) > 0; }},
        {"fill under pattern", [&](Rec s) { return type(s, 3) && v(s, 350) != 0 && (v(s, 354) > 0 || v(s, 368) > 0); }},
        {"paragraphs", [&](Rec s) { return type(s, 4) && v(s, 394) != 120 && v(s, 396) > 0 && v(s, 400) > 0 && v(s, 402) > 0 && v(s, 392) == 3; }},
        {"line below", [&](Rec s) { return type(s, 4) && v(s, 532) != 0 && v(s, 536) > 0; }},
        {"text framing 1", [&](Rec s) { return type(s, 4) && SymU8(s, 542) == 1; }},
        {"text framing 2", [&](Rec s) { return type(s, 4) && SymU8(s, 542) == 2; }},
        {"text framing 3", [&](Rec s) { return type(s, 4) && SymU8(s, 542) == 3; }},
        {"line text framing 1", [&](Rec s) { return type(s, 2) && !line(s) && SymU8(s, 394) == 1; }},
        {"line text framing 2", [&](Rec s) { return type(s, 2) && !line(s) && SymU8(s, 394) == 2; }},
        {"cell grid", [&](Rec s) { return type(s, 5) && (v(s, 354) & 1) && v(s, 356) > 0 && v(s, 358) > 0; }},
        {"rounded corners", [&](Rec s) { return type(s, 5) && v(s, 352) > 0; }},
        {"line text", [&](Rec s) { return type(s, 2) && !line(s); }},
    };
    for (const auto& [name, uses] : features)
        EXPECT_TRUE(std::any_of(z.Symbols.begin(), z.Symbols.end(), uses)) << "no symbol with " << name;
    for (int t = 1; t <= 5; ++t)
        EXPECT_TRUE(std::any_of(z.Symbols.begin(), z.Symbols.end(), [&](Rec s) { return type(s, t); })) << t;
}

// Colours are painted from the last in the table to the first: a road's fill must lie above
// its edges, and the outline or box that frames a text above every area it may sit on and
// below the text itself.
TEST_F(ShippedSets, OrienteeringColourOrderKeepsRoadFillsAndTextFramesOnTop)
{
    OpenShipped("orienteering-15000");
    const SymbolHeaderBlock& table = Z().ColorBlock;
    auto rank = [&](int number) {
        for (int i = 0; i < table.ColorCount; ++i)
            if (table.Colors[size_t(i)].Number == number)
                return i;
        ADD_FAILURE() << "colour " << number << " not in the table";
        return -1;
    };
    const auto sym = ByNumber(Z());
    ASSERT_TRUE(sym.count(5020) && sym.count(5021));
    EXPECT_LT(rank(SymI16(sym.at(5020), 378)), rank(SymI16(sym.at(5020), 380)));
    EXPECT_LT(rank(SymI16(sym.at(5020), 378)), rank(SymI16(sym.at(5020), 382)));
    EXPECT_LT(rank(SymI16(sym.at(5021), 348)), rank(SymI16(sym.at(5021), 406)));

    // Texts and their framings; the inks that texts are printed in stay above every framing.
    std::vector<std::pair<int, int>> framings;  // symbol number, framing colour rank
    std::set<int> inks;
    for (const SymbolBytes& s : Z().Symbols) {
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
    for (const SymbolBytes& a : Z().Symbols) {
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

TEST_F(ShippedSets, CourseSettingSetHasItsFileTypeAndEveryCourseRole)
{
    OpenShipped("course-setting");
    TZmd& z = Z();
    EXPECT_EQ(GetU16(bytes, 2), 3);
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
            EXPECT_NE(SymU8(s, SymCdColumns) & 0x3F, 0);
            columns |= SymU8(s, SymCdColumns);
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

    // Every field of the six records at its offset: symbol, offset, size in bytes, value.
    struct Field {
        size_t symbol, at;
        int bytes;
        int32_t value;
    };
    std::vector<Field> fields;
    auto i16s = [&](size_t symbol, std::initializer_list<std::pair<size_t, int32_t>> list) {
        for (const auto& [at, v] : list)
            fields.push_back({symbol, at, 2, v});
    };
    // Line 101.5: size with 6 + 3 list slots, number, type, tool; the line part; the main
    // list (a line element, its Cords in 1/256 of 0.01 mm with their flags); the end list (a
    // dot); the extent reaching the farthest element point (2 mm plus half its width).
    i16s(0, {{0, 424 + 8 * 9}, {2, 1015}, {4, 2}, {8, 207}, {348, 3}, {350, 35}, {352, 3},
             {354, 150}, {356, 200}, {358, 300}, {360, 150}, {362, 25}, {368, 1}, {370, 2},
             {372, 60}, {374, 2}, {376, 1}, {378, 7}, {380, 3}, {382, 9}, {384, 100}, {386, 10},
             {388, 12}, {390, 200}, {392, 50}, {400, 2}, {402, 40}, {406, 9}, {408, 80},
             {410, 4}, {412, 6}, {414, 0}, {416, 0}, {418, 0}, {420, 3}, {424, 1}, {426, 1},
             {428, 3}, {430, 14}, {434, 4}, {472, 4}, {476, 9}, {480, 50}});
    for (const auto& [at, v] : std::initializer_list<std::pair<size_t, int32_t>>{
             {440, 0}, {448, -125 * 256 | FirstBezierFlag}, {452, 50 * 256 | CornerFlag},
             {456, 50 * 256 | SecondBezierFlag}, {464, 200 * 256}, {488, 10 * 256}, {492, -20 * 256}})
        fields.push_back({0, at, 4, v});
    fields.push_back({0, 6, 1, 0});
    fields.push_back({0, 12, 1, 5});
    // Text 2.0: flags, course role and type, the text part with its frame and shadow.
    i16s(1, {{0, 588}, {380, 3}, {382, 75}, {384, 700}, {390, 100}, {392, 3}, {394, 130},
             {396, -100}, {398, 0}, {400, 300}, {402, 2}, {532, -1}, {534, 9}, {536, 10},
             {538, 50}, {544, 0}, {568, 30}, {570, -20}, {572, 30}, {574, 40}, {576, 9},
             {584, 20}, {586, -20}});
    for (const auto& [at, v] : std::initializer_list<std::pair<size_t, int32_t>>{{6, 1}, {13, 1}, {14, 5}, {386, 1}, {542, 3}})
        fields.push_back({1, at, 1, v});
    fields.push_back({1, 404, 4, 1000});
    fields.push_back({1, 408, 4, 2050});
    // Rectangle 3.0; its extent in the repaired form: width / 2.
    i16s(2, {{0, 416}, {4, 5}, {8, 12}, {350, 25}, {352, 100}, {354, 7}, {356, 2000}, {358, 1500}, {364, 2}});
    // Area 4.0: fill, cross hatch, offset structure; colour names ignore case.
    i16s(3, {{0, 380 + 8 * 3}, {8, 0}, {350, -1}, {352, 9}, {354, 2}, {356, 3}, {358, 10},
             {360, 60}, {362, 450}, {364, -305}, {368, 2}, {370, 150}, {372, 200}, {374, 300},
             {378, 3}, {384, 7}});
    // Point 5.0: rotatable, course description columns; 1 mm out plus the 1 mm radius.
    i16s(4, {{0, 352 + 8 * 3}, {8, 200}, {348, 3}});
    fields.push_back({4, 7, 1, 1});
    fields.push_back({4, 13, 1, 2});
    fields.push_back({4, 15, 1, 0x20 | 0x04 | 0x40});
    // Line text 6.0 at 12 pt.
    i16s(5, {{0, 440}, {4, 2}, {8, 423}, {392, 3}, {396, 0}, {428, 3}, {430, 20}});
    fields.push_back({5, 6, 1, 1});
    fields.push_back({5, 394, 1, 2});
    for (const Field& f : fields) {
        const std::vector<uint8_t>& rec = d.Symbols[f.symbol];
        const int32_t got = f.bytes == 1 ? rec.at(f.at) : f.bytes == 2 ? GetI16(rec, f.at) : GetI32(rec, f.at);
        EXPECT_EQ(got, f.value) << "symbol " << f.symbol << " offset " << f.at;
    }
    EXPECT_EQ(ShortFieldText(std::span(d.Symbols[1]).subspan(348, 32)), "Times New Roman");
    EXPECT_EQ(ShortFieldText(std::span(d.Symbols[2]).subspan(366, 4)), "X");
    const ColorSet lineColours = SymColors(d.Symbols[0]);
    EXPECT_TRUE(lineColours.test(3) && lineColours.test(7) && lineColours.test(9));
    EXPECT_EQ(SymColors(d.Symbols[4]), ColorSet().set(3));
    EXPECT_EQ(SymColors(d.Symbols[5]), ColorSet().set(3).set(9));
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

    const std::vector<uint8_t> bytes = ReadAll(path);
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
