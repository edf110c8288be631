#include "core/FieldChecks.h"
#include "core/Messages.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

struct FieldChecksTest : ::testing::Test {
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
    RecordingMessages msgs;
};

} // namespace

TEST_F(FieldChecksTest, RealFieldRangesAndMessages)
{
    EXPECT_TRUE(CheckRealText(QStringLiteral("2.5"), QStringLiteral("Width:"), 1, 5));
    EXPECT_EQ(msgs.Count(), 0);
    // Empty reads as 0, which is below 1.
    FieldCheck c = CheckRealText(QString(), QStringLiteral("Width:"), 1, 5);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.focus, FieldFocus::Edit);
    EXPECT_EQ(msgs.Last().key, TextKey::MustBetween);
    EXPECT_EQ(msgs.Last().params, "Width;1;5");
    EXPECT_EQ(msgs.Last().kind, MsgKind::Error);
    EXPECT_TRUE(CheckRealText(QString(), QStringLiteral("W"), 0, 5));
    EXPECT_FALSE(CheckRealText(QStringLiteral("1x"), QStringLiteral("Width:"), 0, 5));
    EXPECT_EQ(msgs.Last().key, TextKey::NoNumber);
    EXPECT_EQ(msgs.Last().params, "Width");
    EXPECT_FALSE(CheckNumberText(QString(), QStringLiteral("N:")));
    EXPECT_TRUE(CheckNumberText(QStringLiteral("-3e2"), QStringLiteral("N:")));
}

TEST_F(FieldChecksTest, DpiAndIntegerSpinRanges)
{
    EXPECT_TRUE(CheckDpiText(QStringLiteral("300"), QStringLiteral("Resolution:"), 50, 1200));
    EXPECT_FALSE(CheckDpiText(QStringLiteral("30"), QStringLiteral("Resolution:"), 50, 1200));
    EXPECT_EQ(msgs.Last().params, "Resolution;50;1200;dpi");
    EXPECT_FALSE(CheckDpiText(QStringLiteral("300.5"), QStringLiteral("Resolution:"), 50, 1200));
    EXPECT_EQ(msgs.Last().key, TextKey::NoNumber);

    EXPECT_TRUE(CheckIntSpinText(QString(), QStringLiteral("Count"), 0, 9));
    FieldCheck c = CheckIntSpinText(QStringLiteral("10"), QStringLiteral("Count"), 0, 9);
    EXPECT_EQ(c.focus, FieldFocus::Spin);
    EXPECT_EQ(msgs.Last().params, "Count;0;9");
    c = CheckIntSpinText(QStringLiteral("ten"), QStringLiteral("Count"), 0, 9);
    EXPECT_EQ(c.focus, FieldFocus::Edit);
}

TEST_F(FieldChecksTest, RealSpinShowsItsDecimalsAndUnitAndSwitchesThePage)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTabWidget pages;
    auto* first = new QWidget;
    auto* second = new QWidget;
    pages.addTab(first, QStringLiteral("a"));
    pages.addTab(second, QStringLiteral("b"));
    auto* edit = new QLineEdit(second);
    auto* spin = new TRealUpDown(second);
    spin->SetAssociate(edit);
    spin->SetMinValue(0.5);
    spin->SetMaxValue(20);
    spin->SetDecimals(1);
    edit->setText(QStringLiteral("25"));
    EXPECT_FALSE(CheckRealUpDownPage(spin, QStringLiteral("Gap:"), QStringLiteral("mm"), &pages, second));
    EXPECT_EQ(pages.currentWidget(), second);
    EXPECT_EQ(msgs.Last().params, "Gap;0,5;20,0;mm");
    edit->setText(QStringLiteral("1.5"));
    EXPECT_TRUE(CheckRealUpDown(spin, QStringLiteral("Gap:"), QStringLiteral("mm")));

    SetMmRange(spin, nullptr);
    EXPECT_EQ(spin->MinValue(), -2000.0);
    EXPECT_EQ(spin->MaxValue(), 2000.0);
}

TEST_F(FieldChecksTest, SymbolNumbers)
{
    int n = 0;
    EXPECT_TRUE(CheckSymbolNumberText(QStringLiteral("0.09"), false, -1, {}, &n));
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(CheckSymbolNumberText(QStringLiteral("999.91"), false, -1, {}, &n));
    EXPECT_EQ(n, 9999);
    EXPECT_TRUE(CheckSymbolNumberText(QStringLiteral("12.25"), false, -1, {}, &n));
    EXPECT_EQ(n, 122);
    EXPECT_EQ(msgs.Count(), 0);
    EXPECT_FALSE(CheckSymbolNumberText(QStringLiteral("0.08"), false, -1, {}));
    EXPECT_EQ(msgs.Last().key, TextKey::SymNumRange);
    EXPECT_FALSE(CheckSymbolNumberText(QStringLiteral("999.92"), false, -1, {}));
    EXPECT_EQ(msgs.Last().key, TextKey::SymNumRange);
    EXPECT_FALSE(CheckSymbolNumberText(QStringLiteral("1.2.3"), false, -1, {}));
    EXPECT_EQ(msgs.Last().key, TextKey::SymNumNotCorr);

    const std::vector<int> numbers{101, 123, 200};
    EXPECT_TRUE(CheckSymbolNumberText(QStringLiteral("12.3"), true, 1, numbers)); // its own
    EXPECT_FALSE(CheckSymbolNumberText(QStringLiteral("12.3"), true, 0, numbers));
    EXPECT_EQ(msgs.Last().key, TextKey::SymNumExists);
    EXPECT_EQ(msgs.Last().helpContext, 2);
}

TEST_F(FieldChecksTest, FillersAndFonts)
{
    QComboBox scales;
    FillScaleCombo(&scales, 15000);
    EXPECT_EQ(scales.count(), 15);
    EXPECT_EQ(scales.currentText(), "15000");
    EXPECT_EQ(scales.itemText(14), "100000");

    QComboBox list;
    FillComboFromList(&list, QStringLiteral("a;;b;"));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.itemText(1), "b");

    const std::vector<ComboColor> colors{{5, "Black"}, {7, "Brown"}, {5, "Black 2"}};
    QComboBox cc;
    FillColorCombo(&cc, colors, 5);
    EXPECT_EQ(cc.currentIndex(), 2); // the last match
    FillColorCombo(&cc, colors, 99);
    EXPECT_EQ(cc.currentIndex(), 0);
    EXPECT_EQ(GetComboColor(&cc), 5);
    cc.setCurrentIndex(-1);
    EXPECT_EQ(GetComboColor(&cc), 0);

    const QStringList fonts{"Arial", "Arial", "Courier", "Times"};
    QComboBox fc;
    FillFontCombo(&fc, fonts, QStringLiteral("Courier"));
    EXPECT_EQ(fc.count(), 3);
    EXPECT_EQ(fc.currentText(), "Courier");
    EXPECT_EQ(msgs.Count(), 0);
    FillFontCombo(&fc, fonts, QStringLiteral("Gone"));
    EXPECT_EQ(fc.count(), 4);
    EXPECT_EQ(fc.currentText(), "Gone");
    EXPECT_EQ(msgs.Last().key, TextKey::FontNotFound);
    EXPECT_EQ(msgs.Last().params, "Gone");
    EXPECT_EQ(msgs.Last().helpContext, 24);
    EXPECT_FALSE(CheckFontCombo(&fc, fonts));
    fc.setCurrentIndex(0);
    EXPECT_TRUE(CheckFontCombo(&fc, fonts));
}
