// The range dialogs offscreen: the export range in millimetres and metres and back, the order
// of the edges, the metres withheld on a turned grid, Define's tool; the one page sized by the
// printer's page at the print scale, and Reset centring it on a small map.
#include "IoFixture.h"
#include "document/ServiceHooks.h"
#include "edit/Work.h"
#include "io/ExpRange.h"
#include "io/Ports.h"
#include "io/widgets/ExpRangeDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zemo::test {
namespace {

class RangeDlg : public IoTest {
protected:
    // A 1:10000 map, 1 km east and 2 km north of the grid's origin, the grid turned by `angle`,
    // one short line about the origin, the print rectangle 10 .. 110 mm by 20 .. 80 mm.
    TZmd* OpenMap(double angle = 0)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50)};
        w.objects.push_back(TestObject::Line(10, {{-5 * Mm, 0}, {5 * Mm, 0}}));
        TZmd* z = Open(w);
        z->Setup.MapScale = 10000;
        z->Setup.PrintScale = 10000;
        z->Setup.RealWorldOffsetX = 1000;
        z->Setup.RealWorldOffsetY = 2000;
        z->Setup.RealWorldAngle = angle;
        z->Setup.PrintRange = {10 * Mm, 20 * Mm, 110 * Mm, 80 * Mm};
        return z;
    }
    template <class W>
    static W* Child(QWidget& d, const char* name)
    {
        W* w = d.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static QString Field(QWidget& d, const char* name) { return Child<QLineEdit>(d, name)->text(); }
};

TEST_F(RangeDlg, MetresAndBackKeepTheRectangle)
{
    OpenMap();
    ExportRangeEdit edit(*Stp());
    TExpRangeDlg dlg(nullptr, edit);
    EXPECT_TRUE(Child<QRadioButton>(dlg, "RealWorldB")->isEnabled());
    EXPECT_EQ(Field(dlg, "LeftE"), "10.00");
    EXPECT_EQ(Child<QLabel>(dlg, "mmL0")->text(), "mm");
    Child<QRadioButton>(dlg, "RealWorldB")->click();
    // 10 mm at 1:10000 is 100 m, from the grid's origin 1000 m.
    EXPECT_EQ(Field(dlg, "LeftE"), "1100.00");
    EXPECT_EQ(Field(dlg, "RightE"), "2100.00");
    EXPECT_EQ(Field(dlg, "BottomE"), "2200.00");
    EXPECT_EQ(Field(dlg, "TopE"), "2800.00");
    EXPECT_EQ(Child<QLabel>(dlg, "mmL3")->text(), "m");
    Child<QRadioButton>(dlg, "PaperB")->click();
    EXPECT_EQ(Field(dlg, "RightE"), "110.00");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Answer(), RangeAnswer::Ok);
    EXPECT_EQ(edit.Rect(), (CordRect{10 * Mm, 20 * Mm, 110 * Mm, 80 * Mm}));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(RangeDlg, EdgesOutOfOrderAreRefusedOnTheFieldThatMustChange)
{
    OpenMap();
    const struct {
        const char* field;
        const char* value;
        TextKey message;
        const char* focus;
    } rows[] = {
        {"RightE", "10", TextKey::RightBound, "RightE"},
        {"RightE", "5", TextKey::RightBound, "RightE"},
        {"TopE", "20", TextKey::TopBound, "TopE"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.field + std::string("=") + row.value);
        messages.Clear();
        ExportRangeEdit edit(*Stp());
        TExpRangeDlg dlg(nullptr, edit);
        Child<QLineEdit>(dlg, row.field)->setText(QString::fromLatin1(row.value));
        dlg.accept();
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, row.message);
        EXPECT_EQ(dlg.focusWidget(), Child<QLineEdit>(dlg, row.focus));
        EXPECT_EQ(edit.Rect(), Stp()->PrintRange);
    }
}

TEST_F(RangeDlg, ATurnedGridOffersMillimetresOnly)
{
    OpenMap(12.5);
    ExportRangeEdit edit(*Stp());
    TExpRangeDlg dlg(nullptr, edit);
    EXPECT_FALSE(Child<QRadioButton>(dlg, "RealWorldB")->isEnabled());
    EXPECT_TRUE(Child<QRadioButton>(dlg, "PaperB")->isChecked());
    EXPECT_EQ(Child<QLabel>(dlg, "mmL1")->text(), "mm");
}

TEST_F(RangeDlg, DefineStoresTheRectangleAndSelectsTheCallersTool)
{
    OpenMap();
    for (int caller : {EpsRangeCaller, 2}) {
        IoPorts().RunExportRangeDialog.Bind([](ExportRangeEdit& e) {
            TExpRangeDlg dlg(nullptr, e);
            Child<QLineEdit>(dlg, "LeftE")->setText(QStringLiteral("12.5"));
            Child<QPushButton>(dlg, "DefineBtn")->click();
            return dlg.result() == QDialog::Accepted ? dlg.Answer() : RangeAnswer::Cancel;
        });
        EXPECT_EQ(EditExportRange(caller), RangeAnswer::Define);
        EXPECT_EQ(Stp()->PrintRange.x1, 1250 * 256);
        EXPECT_EQ(ProgramConfig.WorkMode, caller == EpsRangeCaller ? WorkModes::ExportRange : WorkModes::ExportRangeAlt);
    }
}

TEST_F(RangeDlg, OnePageTakesThePrintersPageAtThePrintScaleAndResetCentresIt)
{
    TZmd* z = OpenMap();
    z->Setup.PrintScale = 20000;  // ratio 0.5: the page covers twice as much map
    PrintSys.HORZSIZE = 190;
    PrintSys.VERTSIZE = 277;
    IoPorts().RunOnePageDialog.Bind([](OnePageEdit& e) {
        TOnePageDlg dlg(nullptr, e);
        EXPECT_EQ(Field(dlg, "LeftE"), "10.00");
        Child<QLineEdit>(dlg, "LeftE")->setText(QStringLiteral("-7.25"));
        Child<QLineEdit>(dlg, "BottomE")->setText(QStringLiteral("3"));
        dlg.accept();
        return dlg.Answer();
    });
    EXPECT_EQ(ShowOnePageDialog(), RangeAnswer::Ok);
    const int32_t x1 = -725 * 256, y1 = 300 * 256;
    EXPECT_EQ(z->Setup.PrintRange, (CordRect{x1, y1, x1 + 190 * 25600 * 2, y1 + 277 * 25600 * 2}));

    // On a map smaller than the page, Reset puts the page's corner left of and below it.
    IoPorts().RunOnePageDialog.Bind([](OnePageEdit& e) {
        TOnePageDlg dlg(nullptr, e);
        Child<QPushButton>(dlg, "ResetBtn")->click();
        dlg.accept();
        return dlg.Answer();
    });
    EXPECT_EQ(ShowOnePageDialog(), RangeAnswer::Ok);
    CordRect e;
    ASSERT_TRUE(GetFullExtent(e));
    const double centreX = (double(e.x1) + e.x2) / 2 / 25600, centreY = (double(e.y1) + e.y2) / 2 / 25600;
    EXPECT_LT(z->Setup.PrintRange.x1, 0);
    EXPECT_LT(z->Setup.PrintRange.y1, 0);
    EXPECT_EQ(z->Setup.PrintRange.x1, MmToCord(std::round((centreX - 190) * 100) / 100));
    EXPECT_EQ(z->Setup.PrintRange.y1, MmToCord(std::round((centreY - 277) * 100) / 100));
}

TEST_F(RangeDlg, OnePageStaysWithinTheMapArea)
{
    TZmd* z = OpenMap();
    z->Setup.PrintScale = z->Setup.MapScale * 10;  // ten times the map scale: ratio 0.1
    PrintSys.HORZSIZE = 1189;
    PrintSys.VERTSIZE = 841;
    const SetupRecord before = z->Setup;
    // Beyond 2000 mm the field refuses, and the setup keeps its rectangle.
    IoPorts().RunOnePageDialog.Bind([](OnePageEdit& e) {
        TOnePageDlg dlg(nullptr, e);
        Child<QLineEdit>(dlg, "LeftE")->setText(QStringLiteral("2000.01"));
        dlg.accept();
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        return RangeAnswer::Cancel;
    });
    EXPECT_EQ(ShowOnePageDialog(), RangeAnswer::Cancel);
    EXPECT_EQ(z->Setup.PrintRange, before.PrintRange);
    // At the edge, the page's far corners are kept inside the area and survive the next write.
    IoPorts().RunOnePageDialog.Bind([](OnePageEdit& e) {
        TOnePageDlg dlg(nullptr, e);
        Child<QLineEdit>(dlg, "LeftE")->setText(QStringLiteral("1999"));
        Child<QLineEdit>(dlg, "BottomE")->setText(QStringLiteral("-2000"));
        dlg.accept();
        return dlg.Answer();
    });
    EXPECT_EQ(ShowOnePageDialog(), RangeAnswer::Ok);
    const CordRect want{1999 * 25600, -MapAreaLimit, MapAreaLimit, MapAreaLimit};
    EXPECT_EQ(z->Setup.PrintRange, want);
    WriteSetup();
    EXPECT_EQ(z->Setup.PrintRange, want);
    // The edit itself takes no corner beyond the area.
    OnePageEdit edit(z->Setup);
    const CordRect far = edit.Store(99999, -99999);
    EXPECT_EQ(far.x1, MapAreaLimit);
    EXPECT_EQ(far.y1, -MapAreaLimit);
    EXPECT_EQ(far.x2, MapAreaLimit);
}

} // namespace
} // namespace zemo::test
