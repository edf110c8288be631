// The pages of a print in their order, and the print-range dialog offscreen: the edges' order,
// one page kept inside the map area, the entire map, the preview's page grid, typing that is
// cancelled leaving the map alone, and Define closing the print dialog too.
#include "IoFixture.h"
#include "document/ServiceHooks.h"
#include "edit/Work.h"
#include "io/Ports.h"
#include "io/PrintRange.h"
#include "io/widgets/PrintDlg.h"
#include "io/widgets/PrintRangeDlg.h"
#include "io/widgets/QtPrinters.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zemo::test {
namespace {

TEST(PrintPages, CopiesThenColumnsThenRowsEachCentredAboutTheRectangle)
{
    // A 190 x 277 mm printable page at 600 dpi, overlaps on the sheet in 0.01 mm.
    const struct {
        double ratio;
        int overlap;
        CordRect rect;
        int copies;
        int across;
        int down;
    } rows[] = {
        // 300 x 700 mm: 2 x 3 pages with 10 mm overlap, twice.
        {1, 1000, {0, 0, 300 * Mm, 700 * Mm}, 2, 2, 3},
        // The same at half the map scale: each page covers twice the map.
        {0.5, 1000, {0, 0, 300 * Mm, 700 * Mm}, 1, 1, 2},
        // Half a millimetre more than one page still fits one page.
        {1, 0, {-95 * Mm, 0, 95 * Mm + 50 * 256, 277 * Mm}, 3, 1, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.ratio);
        const PrintPageLayout l = LayOutPrintPages(row.ratio, 600, 600, 190, 277, row.overlap, row.overlap, row.rect);
        ASSERT_EQ(l.Across, row.across);
        ASSERT_EQ(l.Down, row.down);
        const Cord centre = PrintRectCentre(row.rect);
        std::vector<Cord> pages;
        EXPECT_TRUE(ForEachPrintPage(l, centre, row.copies, [&pages](Cord c) {
            pages.push_back(c);
            return true;
        }));
        ASSERT_EQ(int(pages.size()), row.copies * row.across * row.down);
        const double w = std::nearbyint(19000 / row.ratio), h = std::nearbyint(27700 / row.ratio);
        const double ow = std::nearbyint(row.overlap / row.ratio);
        size_t k = 0;
        for (int copy = 0; copy < row.copies; ++copy)
            for (int c = 0; c < row.across; ++c)
                for (int r = 0; r < row.down; ++r, ++k) {
                    const double x = centre.x + (2 * c - row.across + 1) * (w - ow) * 128;
                    const double y = centre.y - (2 * r - row.down + 1) * (h - ow) * 128;
                    EXPECT_EQ(pages[k], (Cord{int32_t(x), int32_t(y)})) << copy << c << r;
                }
    }
    // A visit that says stop ends the walk there.
    const PrintPageLayout l = LayOutPrintPages(1, 600, 600, 190, 277, 1000, 1000, rows[0].rect);
    int visited = 0;
    EXPECT_FALSE(ForEachPrintPage(l, {}, 2, [&visited](Cord) { return ++visited < 5; }));
    EXPECT_EQ(visited, 5);
}

class PrintRangeDlgTest : public IoTest {
protected:
    // A 1:10000 map with one line from (0, 0) to (100, 50) mm; the print rectangle 10 .. 110
    // by 20 .. 80 mm; an A4 page of 190 x 277 mm at 600 dpi.
    TZmd* OpenMap()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50)};
        w.objects.push_back(TestObject::Line(10, {{0, 0}, {100 * Mm, 50 * Mm}}));
        TZmd* z = Open(w);
        z->Setup.MapScale = 10000;
        z->Setup.PrintScale = 10000;
        z->Setup.PrintRange = {10 * Mm, 20 * Mm, 110 * Mm, 80 * Mm};
        z->Setup.PrintOverlapX = 500;
        z->Setup.PrintOverlapY = 700;
        PrintSys.LOGPIXELSX = PrintSys.LOGPIXELSY = 600;
        PrintSys.HORZSIZE = 190;
        PrintSys.VERTSIZE = 277;
        return z;
    }
    template <class W>
    static W* Child(QWidget& d, const char* name)
    {
        W* w = d.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static QLineEdit* Edit(QWidget& d, const char* name) { return Child<QLineEdit>(d, name); }
};

TEST_F(PrintRangeDlgTest, ShowsTheSetupAndRefusesEdgesOutOfOrder)
{
    OpenMap();
    {
        PrintRangeEdit edit(*Stp());
        TPrintRangeDlg dlg(nullptr, edit);
        EXPECT_EQ(Edit(dlg, "LeftE")->text(), "10.00");
        EXPECT_EQ(Edit(dlg, "TopE")->text(), "80.00");
        EXPECT_EQ(Edit(dlg, "HorOvlE")->text(), "5.00");
        EXPECT_EQ(Edit(dlg, "VerOvlE")->text(), "7.00");
        EXPECT_EQ(Child<QLabel>(dlg, "PageSizeB")->text(), "190 x 277 mm");
        EXPECT_EQ(Child<QLabel>(dlg, "PrintSizeB")->text(), "100.0 x 60.0 mm");
    }
    const struct {
        const char* field;
        const char* value;
        TextKey message;
        const char* focus;
    } rows[] = {
        {"RightE", "10", TextKey::RightBound, "RightE"},
        {"TopE", "20", TextKey::TopBound, "TopE"},
        {"LeftE", "2000.01", TextKey::MustBetween, nullptr},
        {"VerOvlE", "100.5", TextKey::MustBetween, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.field + std::string("=") + row.value);
        messages.Clear();
        PrintRangeEdit edit(*Stp());
        TPrintRangeDlg dlg(nullptr, edit);
        Edit(dlg, row.field)->setText(QString::fromLatin1(row.value));
        dlg.accept();
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, row.message);
        if (row.focus)
            EXPECT_EQ(dlg.focusWidget(), Edit(dlg, row.focus));
        EXPECT_EQ(edit.Setup().PrintRange, Stp()->PrintRange);
    }
}

TEST_F(PrintRangeDlgTest, OnePageIsCentredAndKeptInsideTheMapArea)
{
    OpenMap();
    PrintRangeEdit edit(*Stp());
    const struct {
        PrintRangeFields shown;
        PrintRangeFields page;
    } rows[] = {
        // Centred on 20, 50 mm: 190 mm across, 277 mm down.
        {{10, 30, 40, 60, 0, 0}, {-75, 115, -88.5, 188.5, 0, 0}},
        // Near the right and bottom edges of the map area: moved inside.
        {{1990, 2000, -2000, -1990, 5, 7}, {1810, 2000, -2000, -1723, 5, 7}},
        // Near the left and top edges.
        {{-2000, -1999, 1995, 2000, 0, 0}, {-2000, -1810, 1723, 2000, 0, 0}},
    };
    for (const auto& row : rows) {
        const PrintRangeFields f = edit.OnePage(row.shown);
        EXPECT_DOUBLE_EQ(f.Left, row.page.Left);
        EXPECT_DOUBLE_EQ(f.Right, row.page.Right);
        EXPECT_DOUBLE_EQ(f.Bottom, row.page.Bottom);
        EXPECT_DOUBLE_EQ(f.Top, row.page.Top);
        EXPECT_EQ(f.HorOverlap, row.page.HorOverlap);
    }
    // Through the dialog's button, the page shows in the fields.
    TPrintRangeDlg dlg(nullptr, edit);
    Edit(dlg, "LeftE")->setText(QStringLiteral("1990"));
    Edit(dlg, "RightE")->setText(QStringLiteral("2000"));
    Child<QPushButton>(dlg, "OnePageBtn")->click();
    EXPECT_EQ(Edit(dlg, "LeftE")->text(), "1810.00");
    EXPECT_EQ(Edit(dlg, "RightE")->text(), "2000.00");
}

TEST_F(PrintRangeDlgTest, EntireMapTakesTheExtentOfTheObjects)
{
    OpenMap();
    CordRect e;
    ASSERT_TRUE(GetFullExtent(e));
    PrintRangeEdit edit(*Stp());
    TPrintRangeDlg dlg(nullptr, edit);
    Child<QPushButton>(dlg, "EntireMapBtn")->click();
    EXPECT_EQ(Edit(dlg, "LeftE")->text(), QString::number(e.x1 / 25600.0, 'f', 2));
    EXPECT_EQ(Edit(dlg, "TopE")->text(), QString::number(e.y2 / 25600.0, 'f', 2));
    EXPECT_EQ(Edit(dlg, "HorOvlE")->text(), "5.00");
}

TEST_F(PrintRangeDlgTest, ThePreviewShowsThePageGridFoldedAndCapsItsScale)
{
    OpenMap();
    PrintRangeEdit edit(*Stp());
    // 3 pages across (190 mm, overlap 5) and 2 down (277 mm, overlap 7).
    const PrintRangeFields f{0, 500, 0, 500, 5, 7};
    const PrintPageLayout l = edit.Layout(f);
    ASSERT_EQ(l.Across, 3);
    ASSERT_EQ(l.Down, 2);
    const QSize box(300, 200);
    const PrintRangePicture p = edit.Picture(f, box);
    ASSERT_EQ(p.Pages.size(), 6u);
    ASSERT_EQ(p.Folds.size(), 6u);
    // The span: the extent's height (50 mm plus its margins) and two page heights, more than
    // its width and two page widths.
    CordRect e;
    ASSERT_TRUE(GetFullExtent(e));
    EXPECT_DOUBLE_EQ(p.Span, double(e.y2) - e.y1 + 2 * 27700.0 * 256);
    EXPECT_GT(p.Span, double(e.x2) - e.x1 + 2 * 19000.0 * 256);
    for (size_t i = 0; i < p.Pages.size(); ++i) {
        const QPolygonF& page = p.Pages[i];
        ASSERT_EQ(page.size(), 6);
        EXPECT_EQ(page.first(), page.last());
        const QRectF r = page.boundingRect();
        // The fold begins a quarter of the page's height below the top-left corner (the box
        // is wider than high).
        EXPECT_NEAR(page[0].y() - r.top(), r.height() / 4, 1e-9);
        EXPECT_NEAR(page[4].x() - r.left(), r.height() / 4, 1e-9);
        EXPECT_EQ(p.Folds[i][1], QPointF(page[4].x(), page[0].y()));
    }
    // Column 0 lies left of column 1; row 0 (top) above row 1.
    EXPECT_LT(p.Pages[0].boundingRect().left(), p.Pages[2].boundingRect().left());
    EXPECT_LT(p.Pages[0].boundingRect().top(), p.Pages[1].boundingRect().top());

    // An extent beyond 4000 mm with its pages: the preview spans 4000 mm about the origin.
    const PrintRangeFields whole{-2000, 2000, -2000, 2000, 0, 0};
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(10, 0, 50)};
    w.objects.push_back(TestObject::Line(10, {{-1990 * Mm, 0}, {1990 * Mm, 0}}));
    Open(w, QStringLiteral("wide.zmd"));
    PrintRangeEdit wideEdit(*Stp());
    const PrintRangePicture capped = wideEdit.Picture(whole, box);
    EXPECT_EQ(capped.Span, double(MaxPreviewSpan));
    EXPECT_EQ(capped.Centre, (Cord{0, 0}));
    EXPECT_EQ(capped.PrintRect, QRectF(0, 0, 300, 200));
}

TEST_F(PrintRangeDlgTest, TypingThenCancelLeavesTheMapAsItWas)
{
    TZmd* z = OpenMap();
    const SetupRecord before = z->Setup;
    IoPorts().RunPrintRangeDialog.Bind([](PrintRangeEdit& e) {
        TPrintRangeDlg dlg(nullptr, e);
        dlg.show();
        QLineEdit* left = Edit(dlg, "LeftE");
        left->setFocus();
        for (const char* typed : {"9", "99", "999", "9999", "99999"}) {
            left->setText(QString::fromLatin1(typed));
            dlg.grab();  // the preview paints from what is typed
        }
        Edit(dlg, "HorOvlE")->setText(QStringLiteral("x"));
        dlg.grab();
        EXPECT_EQ(dlg.Picture().Pages.size(), 1u);
        dlg.reject();
        return dlg.result() == QDialog::Accepted ? dlg.Answer() : RangeAnswer::Cancel;
    });
    EXPECT_EQ(EditPrintRange(), RangeAnswer::Cancel);
    EXPECT_EQ(z->Setup.PrintRange, before.PrintRange);
    EXPECT_EQ(z->Setup.PrintOverlapX, before.PrintOverlapX);
    EXPECT_EQ(z->Setup.PrintOverlapY, before.PrintOverlapY);
}

TEST_F(PrintRangeDlgTest, OkStoresTheFieldsAndDefineFromThePrintDialogClosesBoth)
{
    TZmd* z = OpenMap();
    IoPorts().RunPrintRangeDialog.Bind([](PrintRangeEdit& e) {
        TPrintRangeDlg dlg(nullptr, e);
        // Halves of a hundredth go to the even neighbour.
        Edit(dlg, "LeftE")->setText(QStringLiteral("-12.375"));
        Edit(dlg, "HorOvlE")->setText(QStringLiteral("3.25"));
        Edit(dlg, "VerOvlE")->setText(QStringLiteral("1.625"));
        dlg.accept();
        return dlg.Answer();
    });
    EXPECT_EQ(EditPrintRange(), RangeAnswer::Ok);
    EXPECT_EQ(z->Setup.PrintRange, (CordRect{-1238 * 256, 20 * Mm, 110 * Mm, 80 * Mm}));
    EXPECT_EQ(z->Setup.PrintOverlapX, 325);
    EXPECT_EQ(z->Setup.PrintOverlapY, 162);

    // The print dialog's partial Setup button: Define selects the tool and closes it too.
    const QString pdf = InMaps(QStringLiteral("unused.pdf"));
    QtPrinters printers(QStringLiteral("PDF"), pdf);
    IoPorts().Printers.Bind([&printers] { return static_cast<PrinterSystem*>(&printers); });
    IoPorts().RunPrintRangeDialog.Bind([](PrintRangeEdit& e) {
        TPrintRangeDlg dlg(nullptr, e);
        Edit(dlg, "BottomE")->setText(QStringLiteral("5"));
        Child<QPushButton>(dlg, "DefineBtn")->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        return dlg.Answer();
    });
    PrintOptions o = PrintDialogOptions();
    TPrintDlg print(nullptr, o);
    print.show();
    Child<QPushButton>(print, "PartialBtn")->click();
    EXPECT_FALSE(print.isVisible());
    EXPECT_FALSE(print.Printed());
    EXPECT_TRUE(Child<QRadioButton>(print, "PartialB")->isChecked());
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::PrintRange);
    EXPECT_EQ(z->Setup.PrintRange.y1, 5 * Mm);
    EXPECT_FALSE(QFile::exists(pdf));
}

} // namespace
} // namespace zemo::test
