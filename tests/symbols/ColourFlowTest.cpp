// The colour commands in the running program: Symbol > Colors through its menu item and its
// dialogs, and what the map window paints before and after.
#include "../support/ProgramFixture.h"

#include "core/Config.h"
#include "document/Index.h"
#include "edit/widgets/MdiChild.h"
#include "platform/Settings.h"
#include "shell/widgets/MainFm.h"
#include "symbols/widgets/ColorCorDlg.h"
#include "symbols/widgets/ColorsDlg.h"
#include "symbols/widgets/DefColorDlg.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>

#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

class ColourFlow : public ProgramFixture {
protected:
    // Colours 0 to 4 in table order; an area of colour 3 from -20 to 10 mm and one of colour 1
    // from -10 to 20 mm, overlapping about the origin, where the window's centre is.
    bool OpenOverlap()
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200),
                    TestColor::Cmyk(1, "Blue", 200, 100, 0, 0),
                    TestColor::Cmyk(2, "Brown", 0, 112, 200, 112),
                    TestColor::Cmyk(3, "Yellow", 0, 54, 200, 0),
                    TestColor::Cmyk(4, "Green", 152, 0, 180, 0)};
        w.symbols = {TestSymbol::Area(10, 1), TestSymbol::Area(30, 3)};
        const auto square = [](int16_t symbol, int32_t x1, int32_t x2) {
            return TestObject::Area(symbol,
                                    {{x1, -20 * Mm}, {x2, -20 * Mm}, {x2, 20 * Mm}, {x1, 20 * Mm}});
        };
        w.objects = {square(30, -20 * Mm, 10 * Mm), square(10, -10 * Mm, 20 * Mm)};
        return OpenWritten(w, QStringLiteral("overlap.zmd"));
    }
    // Symbol > Colors, its dialog worked by `steps` once it is up.
    void Colours(const std::function<void(TColorsDlg&)>& steps)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(Cmd::SymbolColors)->isEnabled());
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* d = dynamic_cast<TColorsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            ran = true;
            steps(*d);
            if (d->isVisible())
                d->reject();
        });
        Trigger(Cmd::SymbolColors);
        EXPECT_TRUE(ran);
        Settle();
    }
    QColor CentrePixel() const
    {
        const QImage& img = ActiveChild()->Surface();
        return QColor(img.pixel(img.width() / 2, img.height() / 2));
    }
    static QColor Screen(std::array<uint8_t, 4> cmyk) { return ScreenColorOf(cmyk); }
};

} // namespace

TEST_F(ColourFlow, MovesAndANewCmykOfAColourChangeWhatTheWindowPaints)
{
    ASSERT_TRUE(OpenOverlap());
    Settle();
    // Colour 1 comes before colour 3 in the table: it is drawn later, on top.
    EXPECT_EQ(CentrePixel(), Screen({200, 100, 0, 0}));

    Colours([](TColorsDlg& d) {
        d.Grid()->setCurrentCell(3, 1);
        d.MoveSelected(-1);
        d.MoveSelected(-1);
        d.accept();
    });
    EXPECT_EQ(Index.ActiveZmd->ColorBlock.Colors[1].Number, 3);
    EXPECT_EQ(CentrePixel(), Screen({0, 54, 200, 0}));

    // The swatch of colour 3 opens the colour dialog; a new CMYK there, then OK.
    Colours([](TColorsDlg& d) {
        QTimer::singleShot(0, [] {
            auto* c = dynamic_cast<TDefColorDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->Current(), 1);
            c->findChild<QLineEdit*>(QStringLiteral("CyanB"))->setText(QStringLiteral("80"));
            c->findChild<QLineEdit*>(QStringLiteral("YellowB"))->setText(QStringLiteral("20"));
            c->findChild<QPushButton*>(QStringLiteral("CloseBtn"))->click();
        });
        QTableWidget* g = d.Grid();
        const QPointF at = g->visualItemRect(g->item(1, TColorsDlg::SwatchCol)).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, at, g->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
            QApplication::sendEvent(g->viewport(), &e);
        }
        d.accept();
    });
    EXPECT_EQ(Index.ActiveZmd->ColorBlock.Colors[1].Cmyk, (std::array<uint8_t, 4>{160, 54, 40, 0}));
    EXPECT_EQ(CentrePixel(), Screen({160, 54, 40, 0}));

    // Cancel after a move paints as before.
    Colours([](TColorsDlg& d) {
        d.Grid()->setCurrentCell(1, 1);
        d.MoveSelected(1);
        d.reject();
    });
    EXPECT_EQ(CentrePixel(), Screen({160, 54, 40, 0}));
    EXPECT_EQ(messages.Count(), 0);
}

namespace {

class CommandsFlow : public ColourFlow {
protected:
    // The command through its menu item: the name of the dialog it opened (closed again by
    // Esc), or "" when none came up.
    QString DialogOf(Cmd c)
    {
        Frame().UpdateCommandStates();
        EXPECT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
        QString name;
        QTimer::singleShot(0, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                name = d->objectName();
                d->close();
            }
        });
        Trigger(c);
        return name;
    }
};

} // namespace

TEST_F(CommandsFlow, EverySymbolAndColourCommandOpensItsDialogFromItsMenu)
{
    TestMapWriter w(8);
    w.separations = {TestSeparation{}};
    w.symbols = {TestSymbol::Line(10)};
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("commands.zmd")));
    const std::pair<Cmd, const char*> commands[] = {
        {Cmd::SymbolColors, "ColorsDlg"},       {Cmd::SymbolSpotColors, "SpotColorsDlg"},
        {Cmd::ViewSpotOpt, "SpotViewOptDlg"},   {Cmd::ViewTranspOpt, "TranspOptDlg"},
        {Cmd::OptionsColorCor, "ColorCorDlg"},  {Cmd::SymbolEnlarge, "EnlargeSymDlg"},
        {Cmd::SymbolEnlargePop, "EnlargeSymDlg"},
    };
    const auto before = Index.ActiveZmd->Symbols;
    for (const auto& [c, dialog] : commands)
        EXPECT_EQ(DialogOf(c), QString::fromLatin1(dialog)) << CmdName(c);
    EXPECT_EQ(Index.ActiveZmd->Symbols, before);
    EXPECT_EQ(messages.Count(), 0);
    // Without a map there is nothing for them to work on.
    Trigger(Cmd::FileClose);
    Frame().UpdateCommandStates();
    for (const auto& [c, dialog] : commands)
        EXPECT_FALSE(Frame().Action(c)->isEnabled()) << CmdName(c);
}

TEST_F(ColourFlow, ColourCorrectionRepaintsTheMapAndStandardIsWrittenToTheSettings)
{
    ASSERT_TRUE(OpenOverlap());
    Settle();
    const QColor standard = CentrePixel();
    const auto correct = [&](const std::function<void(TColorCorDlg&)>& steps) {
        Frame().UpdateCommandStates();
        QTimer::singleShot(0, [&] {
            auto* d = dynamic_cast<TColorCorDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            steps(*d);
            d->accept();
        });
        Trigger(Cmd::OptionsColorCor);
        Settle();
    };
    correct([](TColorCorDlg& d) {
        EXPECT_EQ(d.Color(), ProgramConfig.ScreenColor);
        d.findChild<QSlider*>(QStringLiteral("ColorB"))->setValue(60);
        d.findChild<QSlider*>(QStringLiteral("GammaB"))->setValue(90);
    });
    EXPECT_EQ(ProgramConfig.ScreenColor, 60);
    EXPECT_EQ(ProgramConfig.ScreenGamma, 90);
    EXPECT_NE(CentrePixel(), standard);
    EXPECT_EQ(CentrePixel(), Screen({200, 100, 0, 0}));

    correct(
        [](TColorCorDlg& d) { d.findChild<QPushButton*>(QStringLiteral("StandardBtn"))->click(); });
    EXPECT_EQ(ProgramConfig.ScreenColor, -40);
    EXPECT_EQ(ProgramConfig.ScreenGamma, -20);
    EXPECT_EQ(CentrePixel(), standard);
    Settings store = Settings::OpenDefault();
    ConfigRecord written;
    ReadConfig(written, store);
    EXPECT_EQ(written.ScreenColor, -40);
    EXPECT_EQ(written.ScreenGamma, -20);
}
