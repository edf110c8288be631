// Help > Map information and Help > About: the map's values against the working file as the
// test reader sees it, the machine's values from injected facts, grouping under a German
// locale, no map at all, and the help contexts of their buttons.
#include "ShellFixture.h"
#include "../support/MapSnapshot.h"

#include "../support/TestMapReader.h"
#include "ModalDialog.h"
#include "core/Folders.h"
#include "core/Help.h"
#include "shell/MapInfo.h"
#include "shell/widgets/AboutDlg.h"
#include "shell/widgets/MapInfoDlg.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocale>

namespace zemo::test {
namespace {

class MapInfoFlow : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        ShellTest::TearDown();
    }
    static QString Value(QDialog& d, const char* label)
    {
        const auto* l = d.findChild<QLabel*>(QLatin1String(label));
        EXPECT_NE(l, nullptr) << label;
        return l ? l->text() : QString();
    }
    static MachineFacts Facts(int depth)
    {
        return MachineFacts{depth, QSize(1920, 1080), int64_t(6) << 30, 123456};
    }
};

TEST(MapInfo, ScreenDepthsInWords)
{
    const struct {
        int depth;
        QString text;
    } rows[] = {{1, Text(TextKey::BW)},        {4, QStringLiteral("16")}, {8, QStringLiteral("256 (8 Bit)")},
                {16, QStringLiteral("32768 (16 Bit)")}, {24, Text(TextKey::TrueColor)},
                {32, QStringLiteral("32 Bit")}, {15, QString()}, {0, QString()}, {2, QString()}};
    for (const auto& r : rows)
        EXPECT_EQ(ScreenColorsText(r.depth), r.text) << r.depth;
}

TEST_F(MapInfoFlow, WithoutAMapOnlyTheMachinesValuesAreShown)
{
    const MapInfoTexts t = MapInfoOf(Facts(24));
    EXPECT_TRUE(t.objects.isEmpty() && t.symbols.isEmpty() && t.symbolMemory.isEmpty() && t.fileSize.isEmpty());
    EXPECT_EQ(t.screenColors, Text(TextKey::TrueColor));
    EXPECT_EQ(t.screenResolution, QStringLiteral("1920 x 1080"));
    EXPECT_EQ(t.physicalMemory, QStringLiteral("6,144"));
    EXPECT_EQ(t.diskSpace, QStringLiteral("123,456"));
    const MachineFacts real = ReadMachineFacts();
    EXPECT_TRUE(real.physicalBytes > (int64_t(64) << 20) && real.screen.width() > 0 && real.diskFreeMB > 0);
}

TEST_F(MapInfoFlow, TheMapsValuesCountItsObjectsSymbolsRecordsAndWorkingFile)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201), TestSymbol::Text(301), TestSymbol::LineText(302)};
    for (int i = 0; i < 1234; ++i)
        w.objects.push_back(TestObject::Point(101, i * kUnitsPerMm, 0));
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("info.zmd")));
    const ReadMap file = ReadMapBytes(WorkingFileBytes(*Index.ActiveZmd));
    int64_t memory = 0;
    for (const ReadSymbol& s : file.symbols)
        memory += GetI16(s.bytes, 0);
    ASSERT_EQ(file.symbols.size(), 4u);

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const MapInfoTexts t = MapInfoOf(Facts(8));
    EXPECT_EQ(t.objects, QStringLiteral("1.234"));
    EXPECT_EQ(t.symbols, QStringLiteral("4"));
    EXPECT_EQ(t.symbolMemory, QLocale().toString(qlonglong(memory)));
    EXPECT_EQ(t.fileSize, QLocale().toString(qint64(Index.ActiveZmd->WorkFile.Size())));
    EXPECT_EQ(t.physicalMemory, QStringLiteral("6.144"));
    EXPECT_EQ(t.diskSpace, QStringLiteral("123.456"));
    EXPECT_EQ(t.screenColors, QStringLiteral("256 (8 Bit)"));

    // Through the menu, with its help.
    RecordingHelp help;
    ASSERT_TRUE(AnswerDialog<TMapInfoDlg>([this] { Choose(Cmd::HelpMap); }, [&](TMapInfoDlg& d) {
        EXPECT_EQ(d.windowTitle(), Text(TextKey::MapInfo));
        EXPECT_EQ(Value(d, "ObjectsL"), QStringLiteral("1.234"));
        EXPECT_EQ(Value(d, "SymMemL"), t.symbolMemory);
        Press(d, "HelpBtn");
        Press(d, "OKBtn");
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(help.Topics(), std::vector<int>{MapInfoHelpContext});
}

TEST_F(MapInfoFlow, TheAboutBoxShowsTheVersionAndItsButtonsOpenTheirPages)
{
    RecordingHelp help;
    ASSERT_TRUE(AnswerDialog<TAboutDlg>([this] { Choose(Cmd::HelpAbout); }, [](TAboutDlg& d) {
        EXPECT_EQ(d.windowTitle(), Text(TextKey::AboutZemo));
        QStringList shown;
        for (const QLabel* l : d.findChildren<QLabel*>())
            shown << l->text();
        EXPECT_FALSE(VersionString.isEmpty());
        EXPECT_TRUE(shown.contains(VersionString));
        EXPECT_TRUE(shown.contains(Text(TextKey::PatentNote)));
        Press(d, "AddressBtn");
        Press(d, "HelpBtn");
        Press(d, "OKBtn");
    }));
    EXPECT_EQ(help.Topics(), (std::vector<int>{AddressHelpContext, AboutHelpContext}));
    EXPECT_TRUE(FindHelpPage(AddressHelpContext).path.endsWith(QStringLiteral("home.html")));
}

} // namespace
} // namespace zemo::test
