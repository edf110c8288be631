// A scripted editing session: after every step, the map read again from its working file
// equals what the store holds in memory (apart from what lives in memory only).
#include "DocumentFixture.h"

#include "core/Setup.h"

#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

struct StoredObject {
    ObjectIndexEntry entry;
    std::vector<uint8_t> record;  // as ReadElement gives it, written back to bytes
    bool operator==(const StoredObject&) const = default;
};

struct StoreState {
    MapFileHeader header;
    std::array<uint8_t, SymbolHeaderBlockBytes> colours{};
    std::vector<SymbolBytes> symbols;
    std::vector<StoredObject> objects;
    std::vector<PStringIndexEntry> strings;
    std::vector<std::vector<std::pair<QString, int>>> lists;
    std::array<QString, 11> settings;
    std::array<uint8_t, SetupRecordBytes> setup{};
    QByteArray info;
    bool operator==(const StoreState&) const = default;
};

std::vector<std::pair<QString, int>> Items(const TNumStringList& l)
{
    std::vector<std::pair<QString, int>> v;
    for (int i = 0; i < l.Count(); ++i)
        v.emplace_back(l.Strings(i), l.GetNumber(i));
    std::sort(v.begin(), v.end(), [](auto& a, auto& b) { return a.second < b.second; });
    return v;
}

StoreState Take()
{
    TZmd& z = *Index.ActiveZmd;
    StoreState s;
    s.header = z.Header;
    s.colours = WriteSymbolHeaderBytes(z.ColorBlock);
    for (SymbolBytes rec : z.Symbols) {
        // Memory only: the selected byte and the used bit.
        rec[SymSelected] = 0;
        rec[SymStatus] &= SymbolStatusMask;
        s.symbols.push_back(rec);
    }
    const ObjectIndexEntry keep = Index.CurIndex;
    const int keepNo = Index.CurIndexNo;
    for (int n = 1; n <= z.HighestObject; ++n) {
        StoredObject o;
        o.entry = z.Entry(n);
        if (o.entry.Symbol == DeletedSymbol)
            o.entry.Symbol = 0;  // deleted: 0x8000 in memory, 0 in the file
        ReadElement(n, Index.AuxElement1);
        o.record = ElementRecordBytes(Index.AuxElement1, Index.AuxElement1.nItem + Index.AuxElement1.nText);
        s.objects.push_back(o);
    }
    Index.CurIndex = keep;
    Index.CurIndexNo = keepNo;
    for (const auto& b : z.StringBlocks)
        for (PStringIndexEntry e : b.Entries) {
            if (e.Type < 0)
                e.Type = 0;  // deleted strings are negated in memory only
            s.strings.push_back(e);
        }
    for (const TNumStringList* l : {&z.Datasets, &z.CsObjects, &z.Courses, &z.Classes,
                                    &z.CsObjectLinks, &z.ObjectLinks, &z.Templates, &z.InternetMaps})
        s.lists.push_back(Items(*l));
    s.settings = z.MapSettings;
    s.setup = WriteSetupBytes(z.Setup);
    s.info = ReadInfoText();
    return s;
}

} // namespace

TEST_F(DocTest, ReloadingAfterEveryEditStepGivesWhatIsInMemory)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.fileType = 3;
    Open(w);

    int point = 0, text = 0;
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"append point (reusing the deleted slot)", [&] {
             MakePoint(10, 512, 768);
             ASSERT_TRUE(AppendElement());
             point = Index.CurIndexNo;
             EXPECT_EQ(point, 7);
         }},
        {"append text", [&] {
             MakeText(40, "Summit");
             ASSERT_TRUE(AppendElement());
             text = Index.CurIndexNo;
             EXPECT_EQ(text, 10);
         }},
        {"grow last object in place", [&] {
             const int32_t pos = Index.ActiveZmd->Entry(text).Pos;
             MakeText(40, std::string(100, 'q'));
             ASSERT_TRUE(SaveElement(text));
             EXPECT_EQ(Index.ActiveZmd->Entry(text).Pos, pos);
         }},
        {"grow an inner object", [] { MakeLine(20, 40, 1000); ASSERT_TRUE(SaveElement(2)); }},
        {"shrink an object", [] { MakePoint(10, 1, 1); ASSERT_TRUE(SaveElement(3)); }},
        {"delete with course string", [] { DeleteElement(1); }},
        {"restore", [] { ASSERT_TRUE(RestoreElement(1)); }},
        {"delete again", [] { DeleteElement(4); }},
        {"append after deletions", [] { MakePoint(10, 0, 0); ASSERT_TRUE(AppendElement()); }},
        // The users of the string store keep their lists; the store keeps the file.
        {"add strings", [] {
             TZmd& z = *Index.ActiveZmd;
             z.Courses.AddNumber("Course B\t1", AddPString("Course B\t1", 2, 0));
             z.CsObjects.AddNumber("Ctl\t31", AddPString("Ctl\t31", 1, 2));
         }},
        {"rewrite a string longer", [] {
             ASSERT_TRUE(SavePString(0, QString(200, 'r')));
             Index.ActiveZmd->Courses.SetString(Index.ActiveZmd->Courses.IndexOfNumber(0), QString(200, 'r'));
         }},
        {"settings string", [] { ASSERT_TRUE(SaveTypedPString("\ta1", 1024)); }},
        {"delete a string", [] { int pos = -1; ASSERT_TRUE(FindPString(2, 1, Index.ActiveZmd->CsObjects, pos)); DeletePString(Index.ActiveZmd->CsObjects.GetNumber(pos)); Index.ActiveZmd->CsObjects.Delete(pos); }},
        {"setup", [] { Index.ActiveZmd->Setup.MapScale = 4000; ASSERT_TRUE(WriteSetup()); }},
        {"info text", [] { WriteInfoText("A much longer information text " + QByteArray(300, '.')); }},
        {"new symbol", [] {
             SymbolBytes rec = Index.ActiveZmd->Symbols[0];
             ASSERT_EQ(AddNewSymbol(rec), 11);
         }},
        {"grow a symbol", [] {
             SymbolBytes rec = Index.ActiveZmd->Symbols[1];
             rec.resize(rec.size() + 16, 0);
             SetSymI16(rec, SymSize, int16_t(rec.size()));
             OverwriteSymbol(rec, 1);
             WriteSymbolIndex();
         }},
        {"many objects", [] {
             for (int i = 0; i < 300; ++i) {
                 MakeLine(21, 3, 256 * (i + 1));
                 ASSERT_TRUE(AppendElement());
             }
         }},
        {"select (memory only)", [] { GetIndex(5); SelectOnly(5); }},
    };
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        step();
        ASSERT_FALSE(HasFatalFailure());
        const StoreState memory = Take();
        Reopen();
        const StoreState file = Take();
        EXPECT_TRUE(memory.header == file.header);
        EXPECT_TRUE(memory.colours == file.colours);
        EXPECT_TRUE(memory.symbols == file.symbols);
        ASSERT_EQ(memory.objects.size(), file.objects.size());
        for (size_t i = 0; i < memory.objects.size(); ++i)
            EXPECT_TRUE(memory.objects[i] == file.objects[i]) << "object " << i + 1;
        EXPECT_TRUE(memory.strings == file.strings);
        EXPECT_TRUE(memory.lists == file.lists);
        EXPECT_TRUE(memory.settings == file.settings);
        EXPECT_TRUE(memory.setup == file.setup);
        EXPECT_EQ(memory.info, file.info);
        EXPECT_EQ(messages.Count(), 0);
    }
}
