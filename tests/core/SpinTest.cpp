#include "core/SpinRules.h"
#include "core/widgets/SpinControls.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

struct SpinLocale : ::testing::Test {
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

double Step(double v, double inc, bool up, double min = -1000, double max = 1000)
{
    double r = -12345;
    EXPECT_TRUE(RealSpinStep(v, inc, up, min, max, r)) << v << (up ? " up" : " down");
    return r;
}

} // namespace

TEST_F(SpinLocale, StepsGoToTheNextMultipleOnTheSidePressed)
{
    EXPECT_DOUBLE_EQ(Step(2.3, 1, true), 3.0);
    EXPECT_DOUBLE_EQ(Step(2.3, 1, false), 2.0);
    EXPECT_DOUBLE_EQ(Step(3.0, 1, true), 4.0);
    EXPECT_DOUBLE_EQ(Step(3.0, 1, false), 2.0);
    EXPECT_DOUBLE_EQ(Step(-2.3, 1, true), -2.0);
    EXPECT_DOUBLE_EQ(Step(-2.3, 1, false), -3.0);
    EXPECT_NEAR(Step(0.12, 0.05, true), 0.15, 1e-12);
    EXPECT_NEAR(Step(0.12, 0.05, false), 0.10, 1e-12);
    EXPECT_DOUBLE_EQ(Step(1234, 1000, true, 0, 5000), 2000);
}

TEST_F(SpinLocale, NothingBeyondTheLimits)
{
    double r = 0;
    EXPECT_DOUBLE_EQ(Step(49.5, 1, true, 0, 50), 50.0);
    EXPECT_FALSE(RealSpinStep(50, 1, true, 0, 50, r));
    EXPECT_FALSE(RealSpinStep(0, 1, false, 0, 50, r));
    EXPECT_DOUBLE_EQ(Step(0.5, 1, false, 0.25, 50), 0.25);
}

TEST_F(SpinLocale, AnIncrementOfZeroIgnoresTheClick)
{
    double r = 7;
    EXPECT_FALSE(RealSpinStep(2, 0, true, 0, 50, r));
    EXPECT_FALSE(RealSpinStep(2, 0, false, 0, 50, r));
    EXPECT_FALSE(RealSpinStep(2, -1, true, 0, 50, r));
    EXPECT_FALSE(RealSpinStep(2, std::nan(""), true, 0, 50, r));
    EXPECT_EQ(r, 7);

    QLineEdit edit;
    TRealUpDown spin;
    spin.SetAssociate(&edit);
    edit.setText(QStringLiteral("2.50"));
    spin.Click(true); // Increment is 0 until a form sets it
    EXPECT_EQ(edit.text(), "2.50");
}

TEST_F(SpinLocale, ReadingTheEditsText)
{
    EXPECT_DOUBLE_EQ(RealSpinRead(QStringLiteral("abc"), 10, 20), 10);
    EXPECT_DOUBLE_EQ(RealSpinRead(QStringLiteral("abc"), -20, -10), -10);
    EXPECT_DOUBLE_EQ(RealSpinRead(QStringLiteral("abc"), -5, 5), 0);
    EXPECT_DOUBLE_EQ(RealSpinRead(QStringLiteral("99"), 0, 50), 50);
    EXPECT_DOUBLE_EQ(RealSpinRead(QStringLiteral("-1"), 0, 50), 0);
    EXPECT_DOUBLE_EQ(RealSpinRead(QStringLiteral("nan"), 0, 50), 0);
}

TEST_F(SpinLocale, CommaLocaleReadsAPointAndWritesAComma)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_DOUBLE_EQ(RealSpinRead(QStringLiteral("1.5"), 0, 50), 1.5);
    EXPECT_DOUBLE_EQ(RealSpinRead(QStringLiteral("1,5"), 0, 50), 1.5);
    EXPECT_EQ(RealSpinText(1.5, 0, 50, 2), "1,50");

    QLineEdit edit;
    TRealUpDown spin;
    spin.SetAssociate(&edit);
    spin.SetIncrement(1);
    edit.setText(QStringLiteral("1.5"));
    EXPECT_DOUBLE_EQ(spin.Value(), 1.5);
    spin.Click(true);
    EXPECT_EQ(edit.text(), "2,00");
}

TEST_F(SpinLocale, WritingTheValue)
{
    EXPECT_EQ(RealSpinText(1.23456789012345, 0, 50, 14), "1.23456789010000"); // 11 digits
    EXPECT_EQ(RealSpinText(-0.001, -1, 1, 2), "0.00");
    EXPECT_EQ(RealSpinText(70, 0, 50, 1), "50.0");
    EXPECT_EQ(RealSpinText(2.345, 0, 50, 0), "2");
    EXPECT_EQ(RealSpinText(std::nan(""), 5, 50, 1), "5.0");
    EXPECT_EQ(RealSpinText(1, 0, 50, 99).size(), 22); // decimals capped at 20
}

TEST_F(SpinLocale, RealControlClicksAndKeys)
{
    QLineEdit edit;
    TRealUpDown spin;
    EXPECT_DOUBLE_EQ(spin.Value(), 0); // no edit
    spin.SetAssociate(&edit);
    spin.SetIncrement(1);
    spin.SetMaxValue(50);
    int clicks = 0;
    QObject::connect(&spin, &UpDownBase::Clicked, [&](bool) { ++clicks; });
    edit.setText(QStringLiteral("49.5"));
    spin.Click(true);
    EXPECT_EQ(edit.text(), "50.00");
    spin.Click(true);
    EXPECT_EQ(edit.text(), "50.00");
    EXPECT_EQ(clicks, 2); // the click event runs even when the value stays
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &down);
    EXPECT_EQ(edit.text(), "49.00");
}

TEST_F(SpinLocale, IntControlStaysWithinItsRange)
{
    QLineEdit edit;
    TIntUpDown spin;
    spin.SetAssociate(&edit);
    spin.SetRange(-2, 3);
    spin.SetValue(2);
    EXPECT_EQ(edit.text(), "2");
    spin.Click(true);
    spin.Click(true);
    EXPECT_EQ(edit.text(), "3");
    edit.setText(QStringLiteral("-1"));
    spin.Click(false);
    spin.Click(false);
    spin.Click(false);
    EXPECT_EQ(spin.Value(), -2);
    spin.SetRange(-100000, 100000);
    EXPECT_EQ(spin.Min(), -32768);
    EXPECT_EQ(spin.Max(), 32767);
    spin.SetValue(40000);
    EXPECT_EQ(spin.Value(), 32767);
}
