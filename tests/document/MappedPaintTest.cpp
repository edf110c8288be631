// The running program paints a big map from the mapping of its file; when another program
// cuts the file short, the next paint shows exactly what is left, says so once, and ends.
#include "../support/ImageDiff.h"
#include "../support/FileState.h"
#include "../support/MapFileObjects.h"
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"

#include "core/Config.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

#include <QFile>
#include <QProcess>

#include <fstream>
#include <iterator>

namespace zemo::test {
namespace {

constexpr int32_t Mm = kUnitsPerMm;
constexpr int Objects = 3200;

// Wavy lines in two colours, the first half of them left of the origin, the rest right of it:
// over a megabyte of records, written in object order. `count` of them.
TestMapWriter Lines(int count)
{
    TestMapWriter w;
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(3, "Blue", 200, 0, 0, 0)};
    w.symbols = {TestSymbol::Line(10, 0), TestSymbol::Line(20, 3)};
    for (int i = 0; i < count; ++i) {
        const int side = i < Objects / 2 ? -1 : 1;
        const int32_t y = ((i % 160) - 80) * Mm / 8;
        std::vector<TestCord> cords;
        for (int k = 0; k < 40; ++k)
            cords.push_back({side * (5 * Mm + k * Mm), y + (k % 2) * (Mm / 4) + (i % 7) * 2560});
        w.objects.push_back(TestObject::Line(i % 3 ? 10 : 20, cords));
    }
    return w;
}

class MappedPaint : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
    }
    QImage OpenAndPaint(const QString& path)
    {
        EXPECT_TRUE(OpenMap(path));
        Settle();
        TMdiChild* child = ActiveChild();
        return child ? child->Surface().copy() : QImage();
    }
};

TEST_F(MappedPaint, AMapCutShortWhileShownPaintsWhatIsLeftAndSaysSoOnce)
{
    // What the left half alone looks like.
    const QString leftOnly = TempPath("left.zmd");
    ASSERT_TRUE(Lines(Objects / 2).WriteTo(QFile::encodeName(leftOnly).toStdString()));
    const QImage left = OpenAndPaint(leftOnly);
    ASSERT_FALSE(left.isNull());
    // Its lines show left of the middle.
    const QRect leftHalf(0, 0, left.width() / 2 - 10, left.height());
    QImage white(leftHalf.size(), left.format());
    white.fill(Qt::white);
    ASSERT_FALSE(DifferingPixels(white, left.copy(leftHalf)).isEmpty());
    Trigger(Cmd::FileClose);
    Settle();

    const QString path = TempPath("cut.zmd");
    ASSERT_TRUE(Lines(Objects).WriteTo(QFile::encodeName(path).toStdString()));
    const std::vector<uint8_t> file = ReadAll(path);
    ASSERT_GT(int64_t(file.size()), TFileClass::MinMappedSize);
    const QImage whole = OpenAndPaint(path);
    ASSERT_TRUE(Index.ActiveZmd && Index.ActiveZmd->WorkFile.ReadsMapped());
    // The right half shows: the pictures differ right of the middle only.
    const QRect more = DifferingPixels(left, whole);
    ASSERT_FALSE(more.isEmpty());
    EXPECT_GT(more.left(), whole.width() / 2 - 5);

    // Another program cuts the file inside the first record of the right half, mid-page: the
    // page holds a part of it, and zeros past the cut.
    const int64_t cut = RecordEndInFile(file, Objects / 2) + 100;
    ASSERT_NE(cut % 4096, 0);

    QProcess truncate;
    truncate.start("truncate", {"-s", QString::number(cut), path});
    ASSERT_TRUE(truncate.waitForFinished(30000));
    ASSERT_EQ(truncate.exitCode(), 0);

    const int paints = Work.FullPaints;
    Trigger(Cmd::ViewRedraw);
    Settle();
    EXPECT_EQ(Work.FullPaints, paints + 1);
    EXPECT_EQ(DifferingPixels(left, ActiveChild()->Surface()), QRect());
    EXPECT_EQ(messages.CountOf(TextKey::CannotRead), 1);
    Trigger(Cmd::ViewRedraw);
    Settle();
    EXPECT_EQ(Work.FullPaints, paints + 2);
    EXPECT_EQ(DifferingPixels(left, ActiveChild()->Surface()), QRect());
    EXPECT_EQ(messages.CountOf(TextKey::CannotRead), 1);
}

TEST_F(MappedPaint, APaintLetsTheMapsPagesGoAndPaintsTheSameAgain)
{
    // A map big enough for a mapping, read from its own file.
    const QString path = TempPath("big.zmd");
    ASSERT_TRUE(Lines(Objects).WriteTo(QFile::encodeName(path).toStdString()));
    const int64_t size = int64_t(ReadAll(path).size());
    ASSERT_GT(size, TFileClass::MinMappedSize);
    const QImage first = OpenAndPaint(path);
    ASSERT_FALSE(first.isNull());
    ASSERT_TRUE(Index.ActiveZmd && Index.ActiveZmd->WorkFile.ReadsMapped());
    // The paint read every record; what it read went with its end.
    const int64_t resident = MappedResidentBytes(path);
    ASSERT_GE(resident, 0);
    EXPECT_LE(resident, 16 * 4096) << "of " << size;

    // Painted again from the file, after the pages went: the same picture, the pages gone again.
    for (int round = 0; round < 2; ++round) {
        const int paints = Work.FullPaints;
        Trigger(Cmd::ViewRedraw);
        Settle();
        ASSERT_EQ(Work.FullPaints, paints + 1);
        EXPECT_EQ(DifferingPixels(first, ActiveChild()->Surface()), QRect());
        EXPECT_LE(MappedResidentBytes(path), 16 * 4096);
    }
    EXPECT_EQ(messages.CountOf(TextKey::CannotRead), 0);
}

} // namespace
} // namespace zemo::test
