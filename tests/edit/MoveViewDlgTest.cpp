// The move-view-to dialog: what it hands to the view tool, and the checks that keep it open.
#include "EditFixture.h"

#include "core/StringX.h"
#include "edit/widgets/MoveViewDlg.h"

#include <QLineEdit>
#include <QLocale>
#include <QTimer>

namespace zemo::test {
namespace {

class MoveViewDlgTest : public EditTest {
protected:
    void SetUp() override
    {
        EditTest::SetUp();
        ResetMoveViewDlgUnit();
        OpenMap(ThreeColourMap());
        NewWindow();
        // 1:10000 with the map origin at (600000, 200000): 100 m are 10 mm on the map.
        S().MapScale = 10000;
        S().RealWorldOffsetX = 600000;
        S().RealWorldOffsetY = 200000;
        S().RealWorldAngle = 0;
        InstallEdit();
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        EditTest::TearDown();
    }

    // Runs Move view to; `steps` works the dialog once it is up. A dialog the steps leave
    // open is cancelled, so that a fault cannot hang the test.
    void RunMoveViewTo(std::function<void(TViewDlg&)> steps)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<TViewDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        MoveViewTo();
        EXPECT_TRUE(ran);
    }
    static QLineEdit* Hor(TViewDlg& d) { return d.findChild<QLineEdit*>(QStringLiteral("HorPosB")); }
    static QLineEdit* Ver(TViewDlg& d) { return d.findChild<QLineEdit*>(QStringLiteral("VerPosB")); }
};

TEST_F(MoveViewDlgTest, TheEnteredPositionBecomesTheViewCentre)
{
    RunMoveViewTo([](TViewDlg& d) {
        EXPECT_EQ(d.windowTitle(), Text(TextKey::MoveViewTo).remove(u'&'));
        EXPECT_EQ(Hor(d)->text(), "0");
        EXPECT_EQ(Ver(d)->text(), "0");
        EXPECT_EQ(Hor(d)->selectedText(), "0");
        Hor(d)->setText("600100");
        Ver(d)->setText("200050");
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(S().ViewCenterX, 10 * Mm);
    EXPECT_EQ(S().ViewCenterY, 5 * Mm);

    // The fields come back with the last position; Cancel moves nothing.
    S().ViewCenterX = S().ViewCenterY = 0;
    RunMoveViewTo([](TViewDlg& d) {
        EXPECT_EQ(Hor(d)->text(), "600100");
        EXPECT_EQ(Ver(d)->text(), "200050");
        Hor(d)->setText("600000");
        d.reject();
    });
    EXPECT_EQ(S().ViewCenterX, 0);
    EXPECT_EQ(S().ViewCenterY, 0);
    EXPECT_EQ(MoveViewDlgState.East, 600100);
}

TEST_F(MoveViewDlgTest, FieldErrorsKeepTheDialogOpenOnTheOffendingField)
{
    const QString hor = Text(TextKey::HorPosition).remove(u'&');
    const QString ver = Text(TextKey::VerPosition).remove(u'&');
    RunMoveViewTo([&](TViewDlg& d) {
        struct Step {
            QString east, north;
            TextKey error;
            QString param;
            QLineEdit* focus;
        };
        // 30 km east of the origin are 3 m on the map at 1:10000, beyond its 2 m.
        const Step steps[] = {
            {"630000", "200000", TextKey::HorPosOutside, {}, Hor(d)},
            {"600000", "170000", TextKey::VerPosOutside, {}, Ver(d)},
            // 0.1 m beyond the edge: 10 micrometres on the map.
            {"620000.1", "200000", TextKey::HorPosOutside, {}, Hor(d)},
            {"600000", "179999.9", TextKey::VerPosOutside, {}, Ver(d)},
            {"6OO000", "200000", TextKey::NoNumber, hor, Hor(d)},
            {"600000", "", TextKey::NoNumber, ver, Ver(d)},
            {"600000", "2e5x", TextKey::NoNumber, ver, Ver(d)},
            {"-nan", "200000", TextKey::NoNumber, hor, Hor(d)},
        };
        for (const Step& s : steps) {
            messages.Clear();
            Hor(d)->setText(s.east);
            Ver(d)->setText(s.north);
            d.accept();
            EXPECT_TRUE(d.isVisible()) << s.east.toStdString() << " " << s.north.toStdString();
            ASSERT_EQ(messages.Count(), 1) << s.east.toStdString() << " " << s.north.toStdString();
            EXPECT_EQ(messages.Last().key, s.error);
            EXPECT_EQ(messages.Last().kind, MsgKind::Error);
            EXPECT_EQ(messages.Last().params, s.param);
            EXPECT_EQ(d.focusWidget(), s.focus) << s.east.toStdString() << " " << s.north.toStdString();
        }
        // Just inside the map area on both axes.
        messages.Clear();
        Hor(d)->setText("620000");
        Ver(d)->setText("180000");
        d.accept();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(messages.Count(), 0);
    });
    // The view keeps the window inside the map area: at most half the window from the edge.
    EXPECT_GE(S().ViewCenterX, MapAreaLimit - 10 * Mm);
    EXPECT_LE(S().ViewCenterY, -MapAreaLimit + 10 * Mm);
}

TEST_F(MoveViewDlgTest, NumbersUseTheLocalesSeparatorAndTakeEither)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    RunMoveViewTo([](TViewDlg& d) {
        Hor(d)->setText("600000,5");
        Ver(d)->setText("200001.25");
        d.accept();
    });
    EXPECT_EQ(messages.Count(), 0);
    // 0.5 m and 1.25 m at 1:10000: 0.05 mm and 0.125 mm.
    EXPECT_EQ(S().ViewCenterX, Masked(SafeRound(0.05 * Mm)));
    EXPECT_EQ(S().ViewCenterY, Masked(SafeRound(0.125 * Mm)));
    RunMoveViewTo([](TViewDlg& d) {
        EXPECT_EQ(Hor(d)->text(), "600000,5");
        EXPECT_EQ(Ver(d)->text(), "200001,25");
    });
}

} // namespace
} // namespace zemo::test
