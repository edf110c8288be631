// Symbol > Spot colors, View > Spot colour options and Transparent view options, offscreen by
// their widgets on a map file: names, values and percentage columns read at literal offsets,
// the view-options string's fields 'a' and 'o' in memory and in the file.
#include "DialogParts.h"
#include "SymbolsFixture.h"

#include "symbols/Ports.h"
#include "symbols/SpotColors.h"
#include "symbols/widgets/SpotColorsDlg.h"
#include "symbols/widgets/SpotViewOptDlg.h"
#include "symbols/widgets/TranspOptDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr size_t SeparationsAt = 48 + 18456;

// Three colours; separations Red, Blue and Grey; colour k lies in separation s at 10k + s + 1
// half percent; the view options show the first and third separation.
TestMapWriter ThreeSeparations(const std::string& options = "\ta101\ts1\to2")
{
    TestMapWriter w(8);
    w.colors.clear();
    for (uint16_t k = 0; k < 3; ++k) {
        TestColor c = TestColor::Cmyk(k, "Colour " + std::to_string(k), 0, 0, 0, 200);
        for (size_t s = 0; s < 3; ++s)
            c.separationPercent[s] = uint8_t(10 * k + s + 1);
        w.colors.push_back(c);
    }
    for (const char* name : {"Red", "Blue", "Grey"}) {
        TestSeparation s;
        s.name = name;
        w.separations.push_back(s);
    }
    if (!options.empty())
        w.strings.push_back(TestPString::Make(ViewOptionsType, 0, options));
    return w;
}

class SpotColorsTest : public SymbolsTest {
protected:
    void SetUp() override
    {
        SymbolsTest::SetUp();
        ASSERT_TRUE(LoadTexts());
    }
    static QListWidget* List(QWidget& d)
    {
        return d.findChild<QListWidget*>(QStringLiteral("ListB"));
    }
    // The percentages of the colours in the file, colour by colour, first `n` separations.
    std::vector<std::vector<int>> ColumnsInFile(int n) const
    {
        const auto b = FileBytes();
        std::vector<std::vector<int>> out;
        for (size_t k = 0; k < 3; ++k) {
            std::vector<int> row;
            for (size_t s = 0; s < size_t(n); ++s)
                row.push_back(b[48 + 24 + 72 * k + 40 + s]);
            out.push_back(row);
        }
        return out;
    }
    std::string NameInFile(size_t i) const
    {
        const auto b = FileBytes();
        const size_t at = SeparationsAt + 24 * i;
        return std::string(b.begin() + long(at + 1), b.begin() + long(at + 1 + b[at]));
    }
    // Symbol > Spot colors with the dialog worked by `steps`, through the worker.
    void SpotColors(const std::function<void(TSpotColorsDlg&)>& steps)
    {
        SymbolsPorts().RunSpotColorsDialog.Bind([&](SpotColorsEdit& e) {
            TSpotColorsDlg d(e);
            d.show();
            steps(d);
            if (d.isVisible())
                d.accept();
            EXPECT_FALSE(d.isVisible()) << "the dialog closes";
        });
        EditSpotColors();
        SymbolsPorts().RunSpotColorsDialog.Unbind();
    }
    QString ViewOptionsInFile() const
    {
        for (int n = 0;; ++n) {
            const QString s = ReadPString(n);
            if (n > 64)
                return QStringLiteral("<none>");
            if (s.contains(u'\t'))
                return s;
        }
    }
};

} // namespace

TEST(SpotViews, TheShownFieldIsSplicedWithoutReadingPastIt)
{
    const bool shown[] = {true, false, true, true};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(SeparationShown(QStringLiteral("10"), i), i != 1) << i;
    EXPECT_EQ(SeparationShown(QStringLiteral("1011"), 3), shown[3]);
    struct Case {
        const char* before;
        int at;
        const char* inserted;
        const char* deleted;
    };
    const Case cases[] = {
        {"101", 1, "1101", "11"}, {"101", 0, "1101", "01"}, {"101", 2, "1011", "10"},
        {"101", 3, "1011", "101"}, {"10", 5, "10", "10"},   {"", 0, "1", ""},
        {"0", 0, "10", ""},        {"00000", 1, "010000", "0000"}, {"10", -1, "10", "10"},
    };
    for (const Case& c : cases) {
        const QString before = QString::fromLatin1(c.before);
        EXPECT_EQ(ShownAfterInsert(before, c.at), QString::fromLatin1(c.inserted))
            << c.before << " " << c.at;
        EXPECT_EQ(ShownAfterDelete(before, c.at), QString::fromLatin1(c.deleted))
            << c.before << " " << c.at;
    }
    EXPECT_EQ(SeparationName(QStringLiteral("  rED")), QStringLiteral("Red"));
    EXPECT_EQ(SeparationName(QString::fromUtf8("äPFEL")), QString::fromUtf8("Äpfel"));
    EXPECT_EQ(SeparationName(QStringLiteral("   ")), QString());
}

TEST_F(SpotColorsTest, ANameIsStoredWithoutBlanksInItsOwnCaseAndTheValuesScaled)
{
    Open(ThreeSeparations());
    SpotColors([](TSpotColorsDlg& d) {
        EXPECT_EQ(List(d)->count(), 3);
        EXPECT_EQ(Edit(d, "NameB")->text(), QStringLiteral("Red"));
        EXPECT_EQ(Edit(d, "FreqB")->text(), QStringLiteral("150.0"));
        EXPECT_EQ(Edit(d, "NameB")->maxLength(), 8);
        Edit(d, "NameB")->setText(QStringLiteral("  rED"));
        Edit(d, "FreqB")->setText(QStringLiteral("120.5"));
        Edit(d, "AngleB")->setText(QStringLiteral("-15"));
        Edit(d, "MagentaB")->setText(QStringLiteral("37.5"));
        Edit(d, "CyanB")->setText(QStringLiteral("12.3")); // 24.6 half percents: 25, not 24
        d.Choose(2);
        EXPECT_EQ(List(d)->item(0)->text(), QStringLiteral("Red"));
        Edit(d, "NameB")->setText(QString::fromUtf8("éCRU"));
    });
    const auto b = FileBytes();
    EXPECT_EQ(NameInFile(0), "Red");
    EXPECT_EQ(GetI16(b, SeparationsAt + 20), 1205);
    EXPECT_EQ(GetI16(b, SeparationsAt + 22), -150);
    EXPECT_EQ(b[SeparationsAt + 16], 25);
    EXPECT_EQ(b[SeparationsAt + 17], 75);
    // Through Unicode: the 8-bit e acute becomes upper case as a letter of its own.
    EXPECT_EQ(NameInFile(2), "\xC9" "cru");
    EXPECT_EQ(GetI16(b, 50), 3);
}

TEST_F(SpotColorsTest, DeletingTheSecondOfThreeMovesTheThirdColumnAndItsPlaceInTheView)
{
    Open(ThreeSeparations());
    SpotColors([](TSpotColorsDlg& d) {
        d.Choose(1);
        Button(d, "DeleteBtn")->click();
        EXPECT_EQ(d.Current(), 0);
        EXPECT_EQ(List(d)->count(), 2);
        EXPECT_EQ(List(d)->item(1)->text(), QStringLiteral("Grey"));
    });
    EXPECT_EQ(GetI16(FileBytes(), 50), 2);
    EXPECT_EQ(NameInFile(1), "Grey");
    EXPECT_EQ(ColumnsInFile(3),
              (std::vector<std::vector<int>>{{1, 3, 255}, {11, 13, 255}, {21, 23, 255}}));
    // The view's flags follow their separations: "101" loses the second place.
    EXPECT_EQ(GetParamText(ViewOptions(), u'a'), QStringLiteral("11"));
    EXPECT_EQ(GetParamText(ViewOptionsInFile(), u'a'), QStringLiteral("11"));
    EXPECT_EQ(GetParamText(ViewOptionsInFile(), u's'), QStringLiteral("1"));
}

TEST_F(SpotColorsTest, NewOpensAColumnInNoColourAndAShownPlaceUpToThirtyTwo)
{
    Open(ThreeSeparations());
    SpotColors([](TSpotColorsDlg& d) {
        Button(d, "NewBtn")->click();
        EXPECT_EQ(d.Current(), 1);
        EXPECT_EQ(Edit(d, "NameB")->text(), QString());
        EXPECT_EQ(Edit(d, "FreqB")->text(), QStringLiteral("150.0"));
        EXPECT_EQ(Edit(d, "AngleB")->text(), QStringLiteral("45.0"));
        // The new one needs a name before another can be shown.
        d.Choose(0);
        EXPECT_EQ(d.Current(), 1);
        Edit(d, "NameB")->setText(QStringLiteral("cyan"));
    });
    EXPECT_EQ(GetI16(FileBytes(), 50), 4);
    EXPECT_EQ(NameInFile(1), "Cyan");
    EXPECT_EQ(NameInFile(2), "Blue");
    EXPECT_EQ(GetI16(FileBytes(), SeparationsAt + 24 + 20), 1500);
    EXPECT_EQ(GetI16(FileBytes(), SeparationsAt + 24 + 22), 450);
    EXPECT_EQ(ColumnsInFile(4), (std::vector<std::vector<int>>{
                                    {1, 255, 2, 3}, {11, 255, 12, 13}, {21, 255, 22, 23}}));
    EXPECT_EQ(GetParamText(ViewOptions(), u'a'), QStringLiteral("1101"));
    EXPECT_EQ(messages.CountOf(TextKey::SepNameEmpty), 1);

    // New is there while fewer than 32 separations exist.
    SpotColors([](TSpotColorsDlg& d) {
        for (int i = 0; Button(d, "NewBtn")->isEnabled() && i < 40; ++i) {
            Edit(d, "NameB")->setText(QStringLiteral("s") + QString::number(i));
            Button(d, "NewBtn")->click();
        }
        EXPECT_FALSE(Button(d, "NewBtn")->isEnabled());
        Edit(d, "NameB")->setText(QStringLiteral("last"));
    });
    EXPECT_EQ(GetI16(FileBytes(), 50), 32);
    EXPECT_EQ(GetParamText(ViewOptions(), u'a').size(), 32);
}

TEST_F(SpotColorsTest, ThePreparedSeparationCountsOnceItIsNamed)
{
    TestMapWriter w = ThreeSeparations("");
    w.separations.clear();
    Open(w);
    SpotColors([](TSpotColorsDlg& d) {
        EXPECT_EQ(List(d)->count(), 1);
        EXPECT_EQ(List(d)->item(0)->text(), QString());
        EXPECT_FALSE(Button(d, "DeleteBtn")->isEnabled());
        EXPECT_EQ(Edit(d, "FreqB")->text(), QStringLiteral("150.0"));
    });
    EXPECT_EQ(GetI16(FileBytes(), 50), 0) << "closed unnamed: no separation";
    EXPECT_EQ(messages.Count(), 0);
    SpotColors([](TSpotColorsDlg& d) {
        Button(d, "NewBtn")->click();
        EXPECT_EQ(List(d)->count(), 1);
        Edit(d, "NameB")->setText(QStringLiteral(" spot"));
    });
    EXPECT_EQ(messages.CountOf(TextKey::SepNameEmpty), 1);
    EXPECT_EQ(GetI16(FileBytes(), 50), 1);
    EXPECT_EQ(NameInFile(0), "Spot");
    EXPECT_EQ(ColumnsInFile(1), (std::vector<std::vector<int>>{{255}, {255}, {255}}));
    // Once separations exist a name must be given.
    messages.Clear();
    SpotColors([](TSpotColorsDlg& d) {
        Edit(d, "NameB")->setText(QStringLiteral("   "));
        d.accept();
        EXPECT_TRUE(d.isVisible());
        Edit(d, "NameB")->setText(QStringLiteral("Spot"));
    });
    EXPECT_EQ(messages.CountOf(TextKey::SepNameEmpty), 1);
}

TEST_F(SpotColorsTest, ValuesOutOfRangeKeepTheSeparationAndTheDialogRemembersItsEntry)
{
    Open(ThreeSeparations());
    SpotColors([&](TSpotColorsDlg& d) {
        struct Bad {
            const char* field;
            const char* text;
            const char* params;
        };
        const Bad bad[] = {{"FreqB", "9.9", "Halftone frequency;10.0;1000.0;lpi"},
                           {"AngleB", "360.1", "Halftone angle;-360.0;360.0;degrees"},
                           {"BlackB", "101", "Black;0;100;%"}};
        for (const Bad& b : bad) {
            const QString kept = Edit(d, b.field)->text();
            Edit(d, b.field)->setText(QString::fromLatin1(b.text));
            messages.Clear();
            d.Choose(2);
            EXPECT_EQ(d.Current(), 0) << b.field;
            EXPECT_EQ(List(d)->currentRow(), 0) << b.field;
            ASSERT_EQ(messages.Count(), 1) << b.field;
            EXPECT_EQ(messages.Last().params, QString::fromLatin1(b.params));
            Edit(d, b.field)->setText(kept);
        }
        d.Choose(2);
    });
    SpotColors([](TSpotColorsDlg& d) {
        EXPECT_EQ(d.Current(), 2);
        Button(d, "DeleteBtn")->click();
        Button(d, "DeleteBtn")->click();
    });
    SpotColors([](TSpotColorsDlg& d) { EXPECT_EQ(d.Current(), 0); });
}

TEST_F(SpotColorsTest, TheSpotViewCheckListReadsAndWritesItsPlaces)
{
    struct Case {
        const char* options;
        std::vector<bool> checked;
        std::vector<int> toggle;
        const char* stored;
    };
    const Case cases[] = {
        {"\ta10", {true, false, true}, {}, "10"},  // OK on what was shown: kept as it is
        {"\ta10110", {true, false, true}, {0, 1}, "011"},
        {"", {true, true, true}, {2}, "110"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        Open(ThreeSeparations(c.options));
        SymbolsPorts().RunSpotViewOptDialog.Bind(
            [&](const QStringList& names, std::vector<bool>& shown) {
                TSpotViewOptDlg d(names, shown);
                EXPECT_EQ(d.List()->count(), 3);
                EXPECT_EQ(d.List()->item(1)->text(), QStringLiteral("Blue"));
                EXPECT_EQ(d.Shown(), c.checked);
                for (int i : c.toggle) {
                    QListWidgetItem* item = d.List()->item(i);
                    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked
                                                                          : Qt::Checked);
                }
                shown = d.Shown();
                return true;
            });
        EditSpotViewOptions();
        SymbolsPorts().RunSpotViewOptDialog.Unbind();
        EXPECT_EQ(GetParamText(ViewOptions(), u'a'), QString::fromLatin1(c.stored));
        EXPECT_EQ(GetParamText(ViewOptionsInFile(), u'a'), QString::fromLatin1(c.stored));
        EXPECT_EQ(bool(Index.ActiveZmd->Modified), !c.toggle.empty());
        Close();
    }
}

TEST_F(SpotColorsTest, TheTransparentViewKeepsTheChosenColourOrNone)
{
    struct Case {
        const char* options;
        bool fromTop;
        int selected;
        std::function<void(TTranspOptDlg&)> choose;
        const char* stored;
    };
    const Case cases[] = {
        {"\to1", true, 1, [](TTranspOptDlg&) {}, "1"},
        {"\to7", false, 0, [](TTranspOptDlg&) {}, "-1"},
        {"", false, 0,
         [](TTranspOptDlg& d) {
             // A click on the entry of colour 2.
             QListWidget* l = d.List();
             const QPointF at = l->visualItemRect(l->item(2)).center();
             for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                 QMouseEvent e(type, at, l->viewport()->mapToGlobal(at), Qt::LeftButton,
                               type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                               Qt::NoModifier);
                 QApplication::sendEvent(l->viewport(), &e);
             }
         },
         "2"},
        {"\to2", true, 2,
         [](TTranspOptDlg& d) {
             d.findChild<QRadioButton*>(QStringLiteral("NoColorB"))->setChecked(true);
         },
         "-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        Open(ThreeSeparations(c.options));
        SymbolsPorts().RunTranspOptDialog.Bind(
            [&](const std::vector<ComboColor>& colours, int& opaque) {
                TTranspOptDlg d(colours, opaque);
                EXPECT_EQ(d.List()->item(1)->text(), QStringLiteral("1  Colour 1"));
                EXPECT_EQ(d.findChild<QRadioButton*>(QStringLiteral("FromTopToB"))->isChecked(),
                          c.fromTop);
                EXPECT_EQ(d.List()->currentRow(), c.selected);
                c.choose(d);
                opaque = d.Opaque();
                return true;
            });
        EditTranspOptions();
        SymbolsPorts().RunTranspOptDialog.Unbind();
        EXPECT_EQ(GetParamText(ViewOptionsInFile(), u'o'), QString::fromLatin1(c.stored));
        Close();
    }
}
