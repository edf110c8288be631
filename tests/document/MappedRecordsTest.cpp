// A big map's records are read from a mapping of its file: each object reads as the file holds
// it at its literal offsets, a map cut short by another program leaves out the objects it lost
// and the scan goes on, and the first change moves the reads to the working copy.
#include "DocumentFixture.h"

#include "../support/MapFileObjects.h"

#include <QProcess>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace zemo::test {
namespace {

// Lines of 40 points in two colours, over a megabyte of records.
TestMapWriter BigMap()
{
    TestMapWriter w;
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(3, "Blue", 200, 0, 0, 0)};
    w.symbols = {TestSymbol::Line(10, 0), TestSymbol::Line(20, 3)};
    for (int i = 0; i < 3200; ++i) {
        std::vector<TestCord> cords;
        for (int k = 0; k < 40; ++k)
            cords.push_back({((i % 97) * 100 + k) * 256, ((i / 97) * 100 - k) * 256 + i * 1024});
        w.objects.push_back(TestObject::Line(i % 3 ? 10 : 20, cords));
    }
    return w;
}

// Object n as read, against the file's bytes; an empty result is a match.
std::string Mismatch(int n, const ElementRecord& e, const std::vector<uint8_t>& file)
{
    const auto o = ObjectInFile(file, n);
    if (!o)
        return "no object " + std::to_string(n) + " in the file";
    if (e.Symbol != o->symbol || e.nItem != o->nItem || e.nText != o->nText)
        return "object " + std::to_string(n) + " head";
    for (size_t i = 0; i < o->cords.size(); ++i)
        if (e.Slots[i].x != o->cords[i].x || e.Slots[i].y != o->cords[i].y)
            return "object " + std::to_string(n) + " point " + std::to_string(i);
    return {};
}

struct PassResult {
    std::vector<int> read, skipped;
    std::string mismatch;
};

// Every colour's scan of a list of the whole map, as a paint makes them (each scan starts
// anew: it takes the file as long as it is then).
PassResult PaintPasses(const std::vector<uint8_t>& file)
{
    PassResult r;
    ElementsInRect list;
    EXPECT_TRUE(CollectElementsInRect(AllMap, list));
    for (const int colour : {3, 0}) {
        StartElementScan(0);
        list.at = 0;
        while (NextListedElement(list, colour)) {
            const int n = Index.CurIndexNo;
            if (!ReadElement(n, Index.DrawElement)) {
                r.skipped.push_back(n);
                continue;
            }
            r.read.push_back(n);
            if (const std::string m = Mismatch(n, Index.DrawElement, file); !m.empty() && r.mismatch.empty())
                r.mismatch = m;
        }
    }
    return r;
}

TEST_F(DocTest, ABigMapsRecordsReadFromItsMappingAsTheFileHoldsThem)
{
    const QString p = Write(BigMap(), "big.zmd");
    const auto file = ReadAll(p);
    ASSERT_GT(int64_t(file.size()), TFileClass::MinMappedSize);
    ASSERT_TRUE(OpenMapByName(p));
    ASSERT_TRUE(Z().WorkFile.Deferred());
    EXPECT_TRUE(Z().WorkFile.ReadsMapped());
    const PassResult r = PaintPasses(file);
    EXPECT_EQ(r.read.size(), 3200u);
    EXPECT_TRUE(r.skipped.empty());
    EXPECT_EQ(r.mismatch, "");
    // Out of order, one by one, and again.
    for (const int n : {3200, 1, 1777, 256, 257, 1777}) {
        ASSERT_TRUE(ReadElement(n, Index.CurElement));
        EXPECT_EQ(Mismatch(n, Index.CurElement, file), "");
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(DocTest, AMapCutShortByAnotherProgramLeavesOutTheObjectsItLostAndThePaintGoesOn)
{
    const QString p = Write(BigMap(), "cut.zmd");
    const auto file = ReadAll(p);
    ASSERT_TRUE(OpenMapByName(p));
    ASSERT_TRUE(Z().WorkFile.ReadsMapped());
    ASSERT_EQ(PaintPasses(file).read.size(), 3200u);

    const int64_t cut = int64_t(file.size()) / 2;
    QProcess truncate;
    truncate.start("truncate", {"-s", QString::number(cut), p});
    ASSERT_TRUE(truncate.waitForFinished(30000));
    ASSERT_EQ(truncate.exitCode(), 0);

    PassResult r;
    ASSERT_NO_THROW(r = PaintPasses(file));
    EXPECT_EQ(r.mismatch, "");
    std::vector<int> before, after;
    for (int n = 1; n <= 3200; ++n)
        (RecordEndInFile(file, n) <= cut ? before : after).push_back(n);
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    std::sort(r.read.begin(), r.read.end());
    std::sort(r.skipped.begin(), r.skipped.end());
    EXPECT_EQ(r.read, before);
    EXPECT_EQ(r.skipped, after);
    EXPECT_EQ(messages.CountOf(TextKey::CannotRead), 1);
}

TEST_F(DocTest, TheFirstChangeOfABigMapMovesItsReadsToTheWorkingCopy)
{
    const QString p = Write(BigMap(), "edited.zmd");
    const auto file = ReadAll(p);
    ASSERT_TRUE(OpenMapByName(p));
    ASSERT_TRUE(Z().WorkFile.ReadsMapped());
    ASSERT_EQ(PaintPasses(file).read.size(), 3200u);

    // Object 1000 gets a new first point, in place.
    ASSERT_TRUE(ReadElement(1000, Index.CurElement));
    Index.CurElement.Slots[0] = {-4321, 8765};
    ASSERT_TRUE(SaveElement(1000));
    ASSERT_FALSE(Z().WorkFile.Deferred());
    const QString copy = Z().WorkFile.FileName();
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_TRUE(Z().WorkFile.ReadsMapped());

    // The map file changed behind the store afterwards: nothing read comes from it any more.
    {
        const int fd = ::open(QFile::encodeName(p).constData(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const std::vector<char> junk(file.size() - 4096, '\x55');
        ASSERT_EQ(::pwrite(fd, junk.data(), junk.size(), 4096), ssize_t(junk.size()));
        ::close(fd);
    }
    const auto copied = ReadAll(copy);
    const PassResult r = PaintPasses(copied);
    EXPECT_EQ(r.read.size(), 3200u);
    EXPECT_EQ(r.mismatch, "");
    ASSERT_TRUE(ReadElement(1000, Index.CurElement));
    EXPECT_EQ(Index.CurElement.Slots[0].x, -4321);
    EXPECT_EQ(Index.CurElement.Slots[0].y, 8765);
    ASSERT_TRUE(ReadElement(999, Index.CurElement));
    EXPECT_EQ(Mismatch(999, Index.CurElement, file), "");
    EXPECT_EQ(messages.Count(), 0);
}

} // namespace
} // namespace zemo::test
