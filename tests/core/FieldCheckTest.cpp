#include "core/FieldChecks.h"

#include "CoreFixture.h"
#include "core/SpinRules.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>

#include <cmath>
#include <functional>

namespace zemo {
namespace {

using FieldChecks = test::CoreTest;

// A number field accepts its own minimum and maximum and refuses the next value beyond each,
// naming the field, its range and unit; a text that is no number goes back to the edit.
TEST_F(FieldChecks, NumberFieldsAcceptTheirOwnMinimumAndMaximum)
{
    using Check = std::function<FieldCheck(const QString&)>;
    struct Kind {
        const char* what;
        Check check;
        QString min, max, below, above;
        const char* params;
        FieldFocus outFocus;
    };
    const Kind kinds[] = {
        {"real", [](const QString& t) { return CheckRealText(t, "Width:", -2.5, 7.25); },
         "-2.5", "7.25", "-2.5000001", "7.2500001", "Width;-3;7", FieldFocus::Edit},
        {"dpi", [](const QString& t) { return CheckDpiText(t, "Resolution:", 50, 2540); },
         "50", "2540", "49", "2541", "Resolution;50;2540;dpi", FieldFocus::Edit},
        {"integer spin", [](const QString& t) { return CheckIntSpinText(t, "Count", -3, 9); },
         "-3", "9", "-4", "10", "Count;-3;9", FieldFocus::Spin},
        {"real spin", [](const QString& t) { return CheckRealSpinText(t, "Gap:", 0.1, 20, 1, "mm"); },
         "0.1", "20", "0.09", "20.01", "Gap;0.1;20.0;mm", FieldFocus::Spin},
        {"real spin, negative", [](const QString& t) { return CheckRealSpinText(t, "Shift", -2000, -0.5, 2, ""); },
         "-2000", "-0.5", "-2000.001", "-0.499", "Shift;-2000.00;-0.50", FieldFocus::Spin},
    };
    for (const Kind& k : kinds) {
        for (const QString& t : {k.min, k.max, " " + k.max + " "}) {
            EXPECT_TRUE(k.check(t)) << k.what << " " << t.toStdString();
            EXPECT_EQ(messages.Count(), 0) << k.what << " " << t.toStdString();
        }
        for (const QString& t : {k.below, k.above}) {
            messages.Clear();
            const FieldCheck c = k.check(t);
            EXPECT_FALSE(c.ok) << k.what << " " << t.toStdString();
            EXPECT_EQ(c.focus, k.outFocus) << k.what;
            ASSERT_EQ(messages.Count(), 1) << k.what;
            EXPECT_EQ(messages.Last().key, TextKey::MustBetween) << k.what;
            EXPECT_EQ(messages.Last().params, k.params) << k.what;
        }
        messages.Clear();
        EXPECT_EQ(k.check("1x").focus, FieldFocus::Edit) << k.what;
        EXPECT_EQ(messages.Last().key, TextKey::NoNumber) << k.what;
        messages.Clear();
    }
    // Empty reads as 0: inside 0..5, below 1..5; a dpi field needs a whole number.
    EXPECT_TRUE(CheckRealText(QString(), "W", 0, 5));
    EXPECT_FALSE(CheckRealText(QString(), "W", 1, 5));
    EXPECT_TRUE(CheckIntSpinText(QString(), "N", 0, 9));
    EXPECT_FALSE(CheckDpiText("300.5", "Resolution:", 50, 1200));
    EXPECT_FALSE(CheckNumberText(QString(), "N:"));
    EXPECT_TRUE(CheckNumberText("-3e2", "N:"));

    // The spin rules hold the same limits: a read, a written value and a click stop at them.
    EXPECT_DOUBLE_EQ(RealSpinRead("20", 0.1, 20), 20);
    EXPECT_DOUBLE_EQ(RealSpinRead("0.1", 0.1, 20), 0.1);
    EXPECT_EQ(RealSpinText(20, 0.1, 20, 1), "20.0");
    double r = 0;
    ASSERT_TRUE(RealSpinStep(19.5, 1, true, 0.1, 20, r));
    EXPECT_DOUBLE_EQ(r, 20);
    ASSERT_TRUE(RealSpinStep(0.5, 1, false, 0.1, 20, r));
    EXPECT_DOUBLE_EQ(r, 0.1);
    EXPECT_FALSE(RealSpinStep(20, 1, true, 0.1, 20, r));
    EXPECT_FALSE(RealSpinStep(0.1, 1, false, 0.1, 20, r));
    struct Clamp { int v, min, max, out; };
    for (Clamp c : {Clamp{3, -2, 3, 3}, {-2, -2, 3, -2}, {4, -2, 3, 3}, {-3, -2, 3, -2}, {40000, -100000, 100000, 32767},
                    {-40000, -100000, 100000, -32768}})
        EXPECT_EQ(IntSpinClamp(c.v, c.min, c.max), c.out) << c.v;
}

TEST_F(FieldChecks, SymbolNumbersFontsAndCombos)
{
    struct Row { const char* text; int number; TextKey key; };
    for (Row r : {Row{"0.09", 1, TextKey::Count}, {"999.91", 9999, TextKey::Count}, {"12.25", 122, TextKey::Count},
                  {"0.08", 0, TextKey::SymNumRange}, {"999.92", 0, TextKey::SymNumRange},
                  {"1.2.3", 0, TextKey::SymNumNotCorr}}) {
        messages.Clear();
        int n = 0;
        EXPECT_EQ(bool(CheckSymbolNumberText(r.text, false, -1, {}, &n)), r.key == TextKey::Count) << r.text;
        EXPECT_EQ(n, r.number) << r.text;
        EXPECT_EQ(messages.CountOf(r.key), r.key == TextKey::Count ? 0 : 1) << r.text;
    }
    const std::vector<int> numbers{101, 123, 200};
    EXPECT_TRUE(CheckSymbolNumberText("12.3", true, 1, numbers));  // its own
    EXPECT_FALSE(CheckSymbolNumberText("12.3", true, 0, numbers));
    EXPECT_EQ(messages.Last().key, TextKey::SymNumExists);
    EXPECT_EQ(messages.Last().helpContext, 2);

    QComboBox scales;
    FillScaleCombo(&scales, 15000);
    EXPECT_EQ(scales.count(), 15);
    EXPECT_EQ(scales.currentText(), "15000");
    QComboBox list;
    FillComboFromList(&list, "a;;b;");
    EXPECT_EQ(list.count(), 2);
    const std::vector<ComboColor> colors{{5, "Black"}, {7, "Brown"}, {5, "Black 2"}};
    QComboBox cc;
    FillColorCombo(&cc, colors, 5);
    EXPECT_EQ(cc.currentIndex(), 2);  // the last match
    FillColorCombo(&cc, colors, 99);
    EXPECT_EQ(GetComboColor(&cc), 5);
    cc.setCurrentIndex(-1);
    EXPECT_EQ(GetComboColor(&cc), 0);

    messages.Clear();
    const QStringList fonts{"Arial", "Arial", "Courier", "Times"};
    QComboBox fc;
    FillFontCombo(&fc, fonts, "Courier");
    EXPECT_EQ(fc.count(), 3);
    EXPECT_EQ(messages.Count(), 0);
    FillFontCombo(&fc, fonts, "Gone");
    EXPECT_EQ(fc.currentText(), "Gone");
    EXPECT_EQ(messages.Last().key, TextKey::FontNotFound);
    EXPECT_EQ(messages.Last().params, "Gone");
    EXPECT_EQ(messages.Last().helpContext, 24);
    EXPECT_FALSE(CheckFontCombo(&fc, fonts));
}

TEST_F(FieldChecks, SpinStepsGoToTheNextMultipleOnTheSidePressed)
{
    struct Row { double v, inc; bool up; double out; };
    for (Row r : {Row{2.3, 1, true, 3}, {2.3, 1, false, 2}, {3, 1, true, 4}, {3, 1, false, 2}, {-2.3, 1, true, -2},
                  {-2.3, 1, false, -3}, {0.12, 0.05, true, 0.15}, {0.12, 0.05, false, 0.10}, {1234, 1000, true, 2000}}) {
        double out = -12345;
        EXPECT_TRUE(RealSpinStep(r.v, r.inc, r.up, -5000, 5000, out)) << r.v;
        EXPECT_NEAR(out, r.out, 1e-12) << r.v << (r.up ? " up" : " down");
    }
    double out = 7;  // an increment that is not a positive number ignores the click
    for (double inc : {0.0, -1.0, std::nan("")})
        EXPECT_FALSE(RealSpinStep(2, inc, true, 0, 50, out));
    EXPECT_EQ(out, 7);

    struct Read { const char* text; double min, max, out; };
    for (Read r : {Read{"abc", 10, 20, 10}, {"abc", -20, -10, -10}, {"abc", -5, 5, 0}, {"99", 0, 50, 50},
                   {"-1", 0, 50, 0}, {"nan", 0, 50, 0}})
        EXPECT_DOUBLE_EQ(RealSpinRead(r.text, r.min, r.max), r.out) << r.text;
    EXPECT_EQ(RealSpinText(1.23456789012345, 0, 50, 14), "1.23456789010000");  // 11 digits
    EXPECT_EQ(RealSpinText(-0.001, -1, 1, 2), "0.00");
    EXPECT_EQ(RealSpinText(std::nan(""), 5, 50, 1), "5.0");
    EXPECT_EQ(RealSpinText(1, 0, 50, 99).size(), 22);  // decimals capped at 20
}

TEST_F(FieldChecks, SpinControlsReadAPointWriteTheLocalesSeparatorAndSwitchThePage)
{
    German();
    QTabWidget pages;
    auto* second = new QWidget;
    pages.addTab(new QWidget, "a");
    pages.addTab(second, "b");
    auto* edit = new QLineEdit(second);
    auto* spin = new TRealUpDown(second);
    spin->SetAssociate(edit);
    edit->setText("2.50");
    spin->Click(true);  // the increment is 0 until a form sets it
    EXPECT_EQ(edit->text(), "2.50");
    spin->SetIncrement(1);
    spin->SetMinValue(0.5);
    spin->SetMaxValue(20);
    spin->SetDecimals(1);
    int clicks = 0;
    QObject::connect(spin, &UpDownBase::Clicked, [&](bool) { ++clicks; });
    edit->setText("19.5");
    spin->Click(true);
    spin->Click(true);
    EXPECT_EQ(edit->text(), "20,0");
    EXPECT_EQ(clicks, 2);  // the click event runs even when the value stays
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &down);
    EXPECT_EQ(edit->text(), "19,0");

    edit->setText("25");
    EXPECT_FALSE(CheckRealUpDownPage(spin, "Gap:", "mm", &pages, second));
    EXPECT_EQ(pages.currentWidget(), second);
    EXPECT_EQ(messages.Last().params, "Gap;0,5;20,0;mm");
    edit->setText("1.5");
    EXPECT_TRUE(CheckRealUpDown(spin, "Gap:", "mm"));
    SetMmRange(spin, nullptr);
    EXPECT_EQ(spin->MinValue(), -2000.0);
    EXPECT_EQ(spin->MaxValue(), 2000.0);

    QLineEdit intEdit;
    TIntUpDown ints;
    ints.SetAssociate(&intEdit);
    ints.SetRange(-2, 3);
    ints.SetValue(2);
    ints.Click(true);
    ints.Click(true);
    EXPECT_EQ(intEdit.text(), "3");
    intEdit.setText("-1");
    for (int i = 0; i < 3; ++i)
        ints.Click(false);
    EXPECT_EQ(ints.Value(), -2);
    ints.SetRange(-100000, 100000);
    EXPECT_EQ(ints.Min(), -32768);
    EXPECT_EQ(ints.Max(), 32767);
}

} // namespace
} // namespace zemo
