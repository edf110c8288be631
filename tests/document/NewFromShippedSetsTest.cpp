// File > New from each symbol-set map that ships in the data folder, saved and read back by
// a fresh document.
#include "DocumentFixture.h"

#include "core/ByteIO.h"
#include "document/NewMap.h"
#include "symbols/store/IconCodec.h"
#include "symbols/store/SymbolRecords.h"

#include <QFile>

#include <set>

namespace zemo::test {

namespace {

constexpr size_t ColorBlockPos = 48;
constexpr size_t ColorBlockEnd = 19272;

// A record with the fields that are not the symbol's own cleared: the position in the file
// (memory only) and, for texts, the extent that follows the installed fonts.
SymbolBytes Comparable(SymbolBytes rec)
{
    SetSymI32(rec, SymFilePos, 0);
    if (SymI16(rec, SymObjectType) == TextObject)
        SetSymI16(rec, SymExtent, 0);
    return rec;
}

struct SetContent {
    uint16_t fileType = 0;
    double scale = 0;
    std::vector<SymbolBytes> symbols;   // as the store reads them
    std::vector<uint8_t> colorBlock;    // file bytes 48 .. 19272
};

} // namespace

class NewFromShippedSets : public DocTest {
protected:
    // The set as a fresh document reads it (from a copy: other test processes may hold the
    // shipped file's lock).
    SetContent ReadSet(const QString& file)
    {
        SetContent c;
        const QString copy = MapPath("reference.zmd");
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(file, copy));
        const auto bytes = ReadAll(copy);
        EXPECT_GE(bytes.size(), ColorBlockEnd);
        if (bytes.size() < ColorBlockEnd)
            return c;
        c.fileType = GetU16(bytes, hdr::FileType);
        c.colorBlock.assign(bytes.begin() + ColorBlockPos, bytes.begin() + ColorBlockEnd);
        TZmd ref;
        ref.WorkFile.Open(copy);
        SetCurrentMap(&ref);
        LoadMap();
        c.scale = ref.Setup.MapScale;
        c.symbols = ref.Symbols;
        SetCurrentMap(nullptr);
        return c;
    }
};

TEST_F(NewFromShippedSets, EachSetGivesAVersion8MapWhoseSymbolsAllReadBackValid)
{
    const QString folder = SymbolSetFolder();
    const QStringList sets = QDir(folder).entryList({"*.zmd"}, QDir::Files, QDir::Name);
    ASSERT_GE(sets.size(), 3) << "no symbol sets in " << folder.toStdString();
    int course = 0;
    for (const QString& name : sets) {
        SCOPED_TRACE(name.toStdString());
        const QString file = folder + name;
        const SetContent set = ReadSet(file);
        ASSERT_FALSE(set.symbols.empty());
        const bool courseSet = (set.fileType & CourseMapFileBit) != 0;
        course += courseSet;
        // The set is offered by File > New for its kind of map.
        EXPECT_TRUE(ListSymbolSetFiles(folder, courseSet).contains(name));
        EXPECT_FALSE(ListSymbolSetFiles(folder, !courseSet).contains(name));

        ASSERT_TRUE(CreateNewMap(file, courseSet));
        ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
        EXPECT_TRUE(DocumentPath(&Z()).isEmpty());
        EXPECT_EQ(Z().SymbolCount(), int(set.symbols.size()));
        const QString saved = MapPath(QFileInfo(name).completeBaseName() + "-new.zmd");
        dialogs.QueueAnswer(true, saved);
        ASSERT_TRUE(SaveMap(true));
        CloseAllDocuments();
        EXPECT_TRUE(WorkingCopies().isEmpty());
        EXPECT_TRUE(messages.Entries().empty());

        // The saved file at its literal offsets: a version-8 map of the set's kind, no
        // objects, the set's colour table and separations byte for byte.
        const auto bytes = ReadAll(saved);
        ASSERT_GE(bytes.size(), ColorBlockEnd);
        EXPECT_EQ(GetU16(bytes, hdr::Mark), 0x5E71);
        EXPECT_EQ(GetU16(bytes, hdr::Version), 8);
        EXPECT_EQ(GetU16(bytes, hdr::FileType), courseSet ? 3 : 2);
        EXPECT_EQ(GetI32(bytes, hdr::ObjectIndex), 0);
        EXPECT_TRUE(std::equal(set.colorBlock.begin(), set.colorBlock.end(), bytes.begin() + ColorBlockPos))
            << "colour table differs from the set's";
        EXPECT_EQ(GetF64(bytes, size_t(GetI32(bytes, hdr::SetupPos)) + setup::MapScale), set.scale);

        // A fresh document reads every symbol back as the set has it, usable, with its icon.
        TZmd fresh;
        fresh.WorkFile.Open(saved);
        SetCurrentMap(&fresh);
        LoadMap();
        EXPECT_EQ(fresh.Header.Version, 8);
        EXPECT_EQ(fresh.HighestObject, 0);
        EXPECT_EQ(fresh.Setup.MapScale, set.scale);
        EXPECT_EQ(fresh.ColorBlock.ColorCount, GetI16(set.colorBlock, 0));
        ASSERT_EQ(fresh.SymbolCount(), int(set.symbols.size()));
        std::set<int> numbers;
        for (size_t i = 0; i < fresh.Symbols.size(); ++i) {
            const SymbolBytes& rec = fresh.Symbols[i];
            SCOPED_TRACE(SymI16(rec, SymNumber));
            EXPECT_TRUE(numbers.insert(SymI16(rec, SymNumber)).second);
            EXPECT_EQ(Comparable(rec), Comparable(set.symbols[i]));
            QImage icon;
            EXPECT_EQ(DecodeRecordIcon(rec, icon), IconDecodeResult::Complete);
        }
        SetCurrentMap(nullptr);
        EXPECT_TRUE(messages.Entries().empty());
    }
    EXPECT_EQ(course, 1) << "one course-setting set";
}

} // namespace zemo::test
