// The drawing tools' dialogs driven offscreen: their fields, ranges and units on paper and
// real-world maps, values out of range keeping them open with the range message, and what
// they hand back.
#include "EditFixture.h"

#include "core/widgets/SpinControls.h"
#include "edit/widgets/DrCircleDlg.h"
#include "edit/widgets/DrRectDlg.h"
#include "edit/widgets/DrawLineDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

namespace zemo::test {
namespace {

class DrawDialogs : public EditTest {
protected:
    void SetUp() override
    {
        EditTest::SetUp();
        ResetDrRectDlgUnit();
        OpenMap(ThreeColourMap());
        S().MapScale = 10000;
    }

    // Runs `exec` with `steps` working the dialog once it is up; a dialog the steps leave
    // open is cancelled, so that a fault cannot hang the test.
    template <class Dlg>
    bool Run(const std::function<bool()>& exec, const std::function<void(Dlg&)>& steps)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<Dlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        const bool ok = exec();
        EXPECT_TRUE(ran);
        return ok;
    }
    static QLineEdit* Edit(QDialog& d, const char* name) { return d.findChild<QLineEdit*>(QLatin1String(name)); }
    static TRealUpDown* Spin(QDialog& d, const char* name) { return d.findChild<TRealUpDown*>(QLatin1String(name)); }
    // The unit label beside a field: the grid cell right of its spin buttons.
    static QString UnitOf(QDialog& d, const char* spin)
    {
        const QWidget* s = Spin(d, spin);
        for (const QLabel* l : d.findChildren<QLabel*>())
            if (l->parentWidget() == s->parentWidget() && l->geometry().left() > s->geometry().left()
                && std::abs(l->geometry().center().y() - s->geometry().center().y()) < 8)
                return l->text();
        return {};
    }
    // Accepting with `text` in the edit keeps the dialog open with the range message.
    void ExpectRefused(QDialog& d, const char* edit, const QString& text)
    {
        const int before = messages.CountOf(TextKey::MustBetween);
        Edit(d, edit)->setText(text);
        d.accept();
        EXPECT_TRUE(d.isVisible()) << edit << " " << text.toStdString();
        EXPECT_EQ(messages.CountOf(TextKey::MustBetween), before + 1) << edit << " " << text.toStdString();
    }
};

TEST_F(DrawDialogs, DrawLineChecksTheAngleThenTheLengthAndHandsBackBoth)
{
    double length = -1, angle = -1;
    const bool ok = Run<TDrawLineDlg>([&] { return ExecDrawLineDlg(nullptr, length, angle); },
                                      [&](TDrawLineDlg& d) {
                                          EXPECT_EQ(d.windowTitle(), Text(TextKey::DrawLine).remove(u'&'));
                                          EXPECT_EQ(Edit(d, "LengthE")->text(), "0.00");
                                          EXPECT_EQ(Edit(d, "AngleE")->text(), "0.00");
                                          EXPECT_EQ(Spin(d, "LengthB")->MaxValue(), 2000);
                                          EXPECT_EQ(Spin(d, "AngleB")->MinValue(), -360);
                                          EXPECT_DOUBLE_EQ(Spin(d, "AngleB")->Increment(), 0.1);
                                          EXPECT_EQ(UnitOf(d, "LengthB"), "mm");
                                          EXPECT_EQ(UnitOf(d, "AngleB"), Text(TextKey::Degrees));
                                          Edit(d, "LengthE")->setText("2500");
                                          ExpectRefused(d, "AngleE", "361");
                                          // The angle is checked first: its field has the focus.
                                          EXPECT_EQ(messages.Last().params.split(u';').value(0),
                                                    Text(TextKey::Angle).remove(u'&'));
                                          ExpectRefused(d, "AngleE", "-90");
                                          Edit(d, "LengthE")->setText("-2000");
                                          d.accept();
                                          EXPECT_FALSE(d.isVisible());
                                      });
    EXPECT_TRUE(ok);
    EXPECT_EQ(length, -2000);
    EXPECT_EQ(angle, -90);
}

TEST_F(DrawDialogs, OnARealWorldMapLengthsAreMetresUpToTheScale)
{
    S().RealWorldCoords = 1;
    double length = 0, angle = 0;
    Run<TDrawLineDlg>([&] { return ExecDrawLineDlg(nullptr, length, angle); }, [&](TDrawLineDlg& d) {
        EXPECT_EQ(Spin(d, "LengthB")->MaxValue(), 20000);
        EXPECT_EQ(UnitOf(d, "LengthB"), "m");
        d.reject();
    });
    double radius = 0;
    Run<TDrCircleDlg>([&] { return ExecDrCircleDlg(nullptr, radius); }, [&](TDrCircleDlg& d) {
        EXPECT_EQ(Spin(d, "RadiusB")->MinValue(), -10000);
        EXPECT_EQ(Spin(d, "RadiusB")->MaxValue(), 10000);
        EXPECT_EQ(UnitOf(d, "RadiusB"), "m");
        d.reject();
    });
    DrawRectAnswer a;
    Run<TDrRectDlg>([&] { return ExecDrRectDlg(nullptr, a); }, [&](TDrRectDlg& d) {
        EXPECT_EQ(Spin(d, "HeightB")->MaxValue(), 10000);
        EXPECT_EQ(UnitOf(d, "WidthB"), "m");
        d.reject();
    });
}

TEST_F(DrawDialogs, DrawCircleRefusesARadiusBeyondItsRange)
{
    double radius = 0;
    const bool ok = Run<TDrCircleDlg>([&] { return ExecDrCircleDlg(nullptr, radius); }, [&](TDrCircleDlg& d) {
        EXPECT_EQ(d.windowTitle(), Text(TextKey::DrawCircle).remove(u'&'));
        EXPECT_EQ(UnitOf(d, "RadiusB"), "mm");
        ExpectRefused(d, "RadiusE", "1000.01");
        ExpectRefused(d, "RadiusE", "-1001");
        Edit(d, "RadiusE")->setText("-12.5");
        d.accept();
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(radius, -12.5);
    // Cancel hands back nothing.
    EXPECT_FALSE(Run<TDrCircleDlg>([&] { return ExecDrCircleDlg(nullptr, radius); },
                                   [](TDrCircleDlg& d) { d.reject(); }));
}

TEST_F(DrawDialogs, DrawRectChecksTheSizeFromTheCursorOnlyAndOffersItAgain)
{
    DrawRectAnswer a;
    bool ok = Run<TDrRectDlg>([&] { return ExecDrRectDlg(nullptr, a); }, [&](TDrRectDlg& d) {
        EXPECT_EQ(d.windowTitle(), Text(TextKey::DrawRect).remove(u'&'));
        EXPECT_TRUE(d.findChild<QRadioButton*>("CursorB")->isChecked());
        ExpectRefused(d, "WidthE", "1200");
        Edit(d, "WidthE")->setText("10");
        ExpectRefused(d, "HeightE", "-1000.5");
        Edit(d, "HeightE")->setText("-5");
        d.accept();
    });
    EXPECT_TRUE(ok);
    EXPECT_FALSE(a.aroundMap);
    EXPECT_EQ(a.width, 10);
    EXPECT_EQ(a.height, -5);

    // Around the whole map: the sizes are not checked.
    ok = Run<TDrRectDlg>([&] { return ExecDrRectDlg(nullptr, a); }, [&](TDrRectDlg& d) {
        EXPECT_EQ(Edit(d, "WidthE")->text(), "10.00");
        EXPECT_EQ(Edit(d, "HeightE")->text(), "-5.00");
        Edit(d, "WidthE")->setText("99999");
        d.findChild<QRadioButton*>("EntireB")->setChecked(true);
        d.accept();
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(a.aroundMap);
    EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 2);
}

} // namespace
} // namespace zemo::test
