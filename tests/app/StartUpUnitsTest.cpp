// The program started as main starts it (the wiring root, the units' start-up, the main
// frame), with no test reset of any unit's state: what the units set at their start is
// there when a map is drawn.
#include "../support/ProgramFixture.h"

#include "core/Config.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "edit/widgets/MdiChild.h"
#include "shell/widgets/MainFm.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "symbols/widgets/SymbolBox.h"
#include "symbols/widgets/SymbolFeatures.h"

#include <QGuiApplication>
#include <QScreen>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

// Pixels of the map window in the stand-ins' grey (192, 192, 192 give or take the rounding of
// the colour conversions).
int GreyPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            const int r = qRed(c), g = qGreen(c), b = qBlue(c);
            n += r == g && g == b && r >= 186 && r <= 198 ? 1 : 0;
        }
    return n;
}

class StartedProgram : public ProgramFixture {};

TEST_F(StartedProgram, UnitsStartAsTheProgramStarts)
{
    EXPECT_EQ(Graph.GreyCmyk, RgbToCmyk(0x00C0C0C0));
    EXPECT_NE(Graph.GreyCmyk, 0u) << "white";
    ASSERT_NE(Index.CurSymbol, nullptr);
    EXPECT_EQ(Index.DrawSymbol, &Index.DefaultSymbol);
    EXPECT_EQ(SymI16(Index.DefaultSymbol, SymExtent), 32);
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(Scale.ScreenPixelsPerInchX, qRound(screen->logicalDotsPerInchX()));
    EXPECT_EQ(Scale.ScreenPixelsPerInchY, qRound(screen->logicalDotsPerInchY()));
}

// A point of a symbol the map never had shows its grey cross; the line of a symbol deleted
// through the Symbol menu stays in the map and paints grey instead of vanishing.
TEST_F(StartedProgram, ObjectsOfMissingAndDeletedSymbolsPaintGrey)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201, 0, 50)};
    w.objects.push_back(TestObject::Line(201, {{-60 * Mm, -30 * Mm}, {60 * Mm, 30 * Mm}}));
    w.objects.push_back(TestObject::Point(999, -30 * Mm, 20 * Mm));
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("grey.zmd")));
    Settle();
    const int crossOnly = GreyPixels(ActiveChild()->Surface());
    EXPECT_GT(crossOnly, 10) << "the cross of the point whose symbol is missing";

    TSymbolBox* box = SymbolBoxOf(Frame());
    ASSERT_NE(box, nullptr);
    Click(box->viewport(), box->CellRect(1).center());
    ASSERT_EQ(CurrentSymbolPos(), 1);
    messages.QueueAnswer(IdOk);
    Frame().UpdateCommandStates();
    Trigger(Cmd::SymbolDelete);
    Settle();
    ASSERT_EQ(Index.ActiveZmd->SymbolCount(), 1);
    EXPECT_EQ(CountObjects(), 2) << "the objects stay";
    EXPECT_GT(GreyPixels(ActiveChild()->Surface()), crossOnly + 100) << "the line paints grey";
}

} // namespace
