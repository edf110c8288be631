// View > Spot colour view, Transparent view and Hatch areas in the running program: when they
// can be chosen, their ticks, what the map window paints, and the settings kept with the map.
#include "../support/ProgramFixture.h"

#include "core/Config.h"
#include "document/Index.h"
#include "edit/widgets/MdiChild.h"
#include "shell/widgets/MainFm.h"
#include "symbols/widgets/ColorsDlg.h"

#include <QAction>
#include <QFile>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;
constexpr std::array<uint8_t, 4> Green{200, 0, 200, 0}, Cyan{200, 0, 0, 0}, Black{0, 0, 0, 200};

class ViewToggles : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
    }
    // A green area over the window's middle, green printed in full in the first of
    // `separations` spot colours, which shows cyan; a black line of a map template under it.
    bool OpenMap(int separations)
    {
        TestMapWriter tpl(8);
        tpl.symbols = {TestSymbol::Line(10, 0, 100)};
        tpl.objects = {TestObject::Line(10, {{-30 * Mm, 0}, {30 * Mm, 0}})};
        if (!tpl.WriteTo(QFile::encodeName(TempPath(QStringLiteral("under.zmd"))).toStdString()))
            return false;
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Green", 200, 0, 200, 0)};
        w.colors[1].separationPercent[0] = 200;
        for (int i = 0; i < separations; ++i) {
            TestSeparation s;
            s.name = "Spot" + std::to_string(i);
            s.cmyk = Cyan;
            w.separations.push_back(s);
        }
        w.symbols = {TestSymbol::Area(20, 1)};
        w.objects = {TestObject::Area(20, {{-20 * Mm, -20 * Mm}, {20 * Mm, -20 * Mm}, {20 * Mm, 20 * Mm}, {-20 * Mm, 20 * Mm}})};
        w.strings.push_back(TestPString::Make(8, 0, "under.zmd\ts1"));
        if (!OpenWritten(w, QStringLiteral("spots.zmd")))
            return false;
        ShowAtTenthMillimetres();
        return true;
    }
    QAction* Item(Cmd c)
    {
        Frame().UpdateCommandStates();
        return Frame().Action(c);
    }
    // The three items: enabled and ticked, in the order spot, transparent, hatch.
    std::array<std::pair<bool, bool>, 3> States()
    {
        std::array<std::pair<bool, bool>, 3> s;
        const Cmd items[] = {Cmd::ViewSpot, Cmd::ViewTransp, Cmd::ViewHatch};
        for (size_t i = 0; i < 3; ++i)
            s[i] = {Item(items[i])->isEnabled(), Item(items[i])->isChecked()};
        return s;
    }
    void Choose(Cmd c)
    {
        ASSERT_TRUE(Item(c)->isEnabled()) << CmdName(c);
        Trigger(c);
        Settle();
    }
    QRgb Pixel(double x, double y) const { return ActiveChild()->Surface().pixel(At(x, y)); }
    // Pixels of the area's colour and white ones in a square inside the area, off the line.
    std::pair<int, int> AreaPixels() const
    {
        int green = 0, white = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const QRgb p = Pixel(5 + x * 0.1, 5 + y * 0.1);
                green += p == ScreenColorOf(Green).rgb();
                white += p == qRgb(255, 255, 255);
            }
        return {green, white};
    }
};

using S = std::array<std::pair<bool, bool>, 3>;

} // namespace

TEST_F(ViewToggles, ItemsAreEnabledByTheMapAndItsSpotColours)
{
    EXPECT_EQ(States(), (S{{{false, false}, {false, false}, {false, false}}}));
    ASSERT_TRUE(OpenMap(0));
    EXPECT_EQ(States(), (S{{{false, false}, {true, false}, {true, false}}}));
    Choose(Cmd::ViewTransp);
    Choose(Cmd::ViewHatch);
    EXPECT_EQ(States(), (S{{{false, false}, {true, true}, {true, true}}}));
    Trigger(Cmd::FileClose);
    Settle();
    ASSERT_TRUE(OpenMap(6));
    EXPECT_EQ(States(), (S{{{true, false}, {true, false}, {true, false}}}));
    EXPECT_TRUE(Item(Cmd::ViewSpotOpt)->isEnabled());
}

TEST_F(ViewToggles, EachViewChangesWhatIsPaintedAndChoosingAgainUndoesIt)
{
    ASSERT_TRUE(OpenMap(2));
    const QImage before = ActiveChild()->Surface();
    EXPECT_EQ(Pixel(0, 5), ScreenColorOf(Green).rgb());
    EXPECT_EQ(Pixel(0, 0), ScreenColorOf(Green).rgb());  // the template's line is covered
    EXPECT_EQ(AreaPixels(), std::make_pair(1600, 0));

    // The area in the spot colour that prints it; the template's line stays covered.
    Choose(Cmd::ViewSpot);
    EXPECT_EQ(Pixel(0, 5), ScreenColorOf(Cyan).rgb());
    Choose(Cmd::ViewSpot);
    EXPECT_EQ(Pixel(0, 5), ScreenColorOf(Green).rgb());

    // The template's line shows through the area.
    Choose(Cmd::ViewTransp);
    EXPECT_EQ(Pixel(0, 0), ScreenColorOf(Black).rgb());
    EXPECT_EQ(Pixel(0, 5), ScreenColorOf(Green).rgb());
    Choose(Cmd::ViewTransp);
    EXPECT_EQ(Pixel(0, 0), ScreenColorOf(Green).rgb());

    // Hatched: the area's colour in lines with white between.
    Choose(Cmd::ViewHatch);
    const auto [green, white] = AreaPixels();
    EXPECT_GT(green, 0);
    EXPECT_GT(white, 0);
    EXPECT_EQ(green + white, 1600);
    Choose(Cmd::ViewHatch);
    EXPECT_EQ(ActiveChild()->Surface(), before);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(ViewToggles, TheViewsComeBackWithTheSavedMapAfterARestart)
{
    ASSERT_TRUE(OpenMap(2));
    for (Cmd c : {Cmd::ViewSpot, Cmd::ViewTransp, Cmd::ViewHatch})
        Choose(c);
    EXPECT_EQ(States(), (S{{{true, true}, {true, true}, {true, true}}}));
    const QImage shown = ActiveChild()->Surface();
    Trigger(Cmd::FileSave);
    Settle();
    Frame().close();
    Restart();
    ASSERT_TRUE(ProgramFixture::OpenMap(TempPath(QStringLiteral("spots.zmd"))));
    ShowAtTenthMillimetres();
    EXPECT_EQ(States(), (S{{{true, true}, {true, true}, {true, true}}}));
    EXPECT_EQ(ActiveChild()->Surface(), shown);
    EXPECT_EQ(messages.Count(), 0);
}
