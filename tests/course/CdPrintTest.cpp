// File > Print control descriptions through the running program onto the PDF test printer:
// the pages counted by pdfinfo, every sheet's box inked and nothing outside the boxes
// (pdftoppm), a sheet larger than the page alone on its page once per copy, and the dialog.
#include "../shell/ModalDialog.h"
#include "CourseEvent.h"

#include "core/Folders.h"
#include "course/CdPrint.h"
#include "course/CdSheets.h"
#include "io/Ports.h"
#include "document/Undo.h"
#include "io/PrintSys.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"
#include "io/widgets/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

class CdPrintFlow : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        pdf = TempPath(QStringLiteral("sheets.pdf"));
        printers = std::make_unique<QtPrinters>(QStringLiteral("PDF"), pdf);
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
        dialogs.QueueAnswer(true, TempPath(QStringLiteral("event.zmd")));
        Trigger(Cmd::FileSaveAs);
    }

    void Page(QPageSize::PageSizeId size)
    {
        printers->Kept(0) = {QPageSize(size), false, QMarginsF(0, 0, 0, 0)};
    }

    // The dialog through the menu: the items chosen by text, box size and copies, Print.
    void PrintThroughDialog(const QStringList& items, const char* box, const char* copies)
    {
        Frame().UpdateCommandStates();
        const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::FilePrintCDs); }, [&](QDialog& d) {
            EXPECT_EQ(d.objectName(), QStringLiteral("CdPrintDlg"));
            auto* list = d.findChild<QListWidget*>(QStringLiteral("CoursesB"));
            for (int i = 0; i < list->count(); ++i)
                list->item(i)->setSelected(items.contains(list->item(i)->text().section(u':', 0, 0)));
            d.findChild<QLineEdit*>(QStringLiteral("SizeE"))->setText(QString::fromLatin1(box));
            d.findChild<QLineEdit*>(QStringLiteral("CopiesE"))->setText(QString::fromLatin1(copies));
            Press(d, "PrintBtn");
        });
        EXPECT_TRUE(seen);
    }

    int Pages()
    {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {pdf});
        EXPECT_TRUE(p.waitForFinished(60000));
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)\\n")).match(QString::fromLatin1(p.readAllStandardOutput()));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    // Page n (from 1) at 2 pixels a millimetre (or `dpi`), grey.
    QImage Rendered(int n, const QString& dpi = QStringLiteral("50.8"))
    {
        const QString base = TempPath(QStringLiteral("page"));
        QProcess p;
        p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), dpi, QStringLiteral("-gray"),
                                              QStringLiteral("-f"), QString::number(n), QStringLiteral("-l"),
                                              QString::number(n), QStringLiteral("-singlefile"), pdf, base});
        EXPECT_TRUE(p.waitForFinished(60000));
        return QImage(base + QStringLiteral(".pgm"));
    }

    void KeepSample(const QString& name)
    {
        QDir().mkpath(DataFolder() + QStringLiteral("samples"));
        const QString target = DataFolder() + QStringLiteral("samples/") + name;
        QFile::remove(target);
        QFile::copy(pdf, target);
    }

    void TearDown() override
    {
        IoPorts().Printers.Bind([] { return static_cast<PrinterSystem*>(nullptr); });
        CourseEventTest::TearDown();
    }

    QString pdf;
    std::unique_ptr<QtPrinters> printers;
};

struct MmBox {
    int page;
    double x, y, w, h;  // millimetres from the page's top-left corner
};

TEST_F(CdPrintFlow, AllControlsAndTwoCoursesInColumnsAcrossPages)
{
    Page(QPageSize::A4);
    PrintThroughDialog({QStringLiteral("<All controls>"), QStringLiteral("Long"), QStringLiteral("Short")}, "6", "3");
    // 6 mm boxes on 210 x 297 mm: sheets 48 mm wide, columns 60 mm apart, three to a page.
    // All controls: the start and 25 controls, 156 mm, a column per copy. Long: a course row,
    // the start, 15 controls and the marked route to the finish, 108 mm; Short: a course row,
    // the start, 8 controls and the finish, 66 mm; 12 mm between sheets down a column.
    const MmBox boxes[] = {{0, 0, 0, 48, 156},   {0, 60, 0, 48, 156},  {0, 120, 0, 48, 156},
                           {1, 0, 0, 48, 108},   {1, 0, 120, 48, 108}, {1, 60, 0, 48, 108},
                           {1, 60, 120, 48, 66}, {1, 60, 198, 48, 66}, {1, 120, 0, 48, 66}};
    // Everything moved in from the page's edges by what the sheets' drawing reaches past their
    // frames: the circles of 1.6 mm centred on the left edge of their rows.
    ASSERT_EQ(CdPrint.Placed.size(), std::size(boxes));
    const double inset = CdPrint.Placed[0].X / 25600.0;
    EXPECT_DOUBLE_EQ(inset, 0.8);
    for (size_t i = 0; i < std::size(boxes); ++i) {
        const PlacedSheet& s = CdPrint.Placed[i];
        const MmBox& m = boxes[i];
        EXPECT_EQ(s.Page, m.page) << i;
        EXPECT_DOUBLE_EQ(s.X / 25600.0, m.x + inset) << i;
        EXPECT_DOUBLE_EQ(s.Y / 25600.0, m.y + inset) << i;
        EXPECT_DOUBLE_EQ(s.Width / 25600.0, m.w) << i;
        EXPECT_DOUBLE_EQ(s.Height / 25600.0, m.h) << i;
    }
    EXPECT_EQ(Pages(), 2);
    KeepSample(QStringLiteral("control-descriptions-a4.pdf"));
    // Ink in every box, none outside them (half a millimetre for the frame's thick lines).
    for (int page = 0; page < 2; ++page) {
        const QImage img = Rendered(page + 1);
        ASSERT_FALSE(img.isNull());
        std::vector<int> inked(std::size(boxes), 0);
        int stray = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                if (qGray(img.pixel(x, y)) >= 160)
                    continue;
                const double mx = (x + 0.5) / 2, my = (y + 0.5) / 2;
                bool inside = false;
                for (size_t i = 0; i < std::size(boxes); ++i) {
                    const MmBox& m = boxes[i];
                    if (m.page == page && mx >= m.x + inset - 1 && mx <= m.x + inset + m.w + 0.5
                        && my >= m.y + inset - 0.5 && my <= m.y + inset + m.h + 0.5) {
                        inside = true;
                        ++inked[i];
                    }
                }
                stray += inside ? 0 : 1;
            }
        EXPECT_EQ(stray, 0) << "page " << page + 1;
        for (size_t i = 0; i < std::size(boxes); ++i)
            if (boxes[i].page == page)
                EXPECT_GT(inked[i], 200) << "sheet " << i;
    }
    // Settings left as shown write no string into the map; the printer goes to the
    // configuration.
    EXPECT_EQ(Z().MapSettings[size_t(MapSettingsSlot(CdPrintSettingsType))], QString());
    EXPECT_EQ(ProgramConfig.CdPrintPrinter, QStringLiteral("PDF"));
    EXPECT_EQ(Z().CoursePreviewOn, 0);
}

TEST_F(CdPrintFlow, ASheetLargerThanThePageIsPrintedAloneOncePerCopy)
{
    // Long at 10 mm is 180 mm high, an A6 page 148 mm: it never fits, and printing ends.
    Page(QPageSize::A6);
    PrintThroughDialog({QStringLiteral("Long")}, "10", "3");
    ASSERT_EQ(CdPrint.Placed.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CdPrint.Placed[size_t(i)].Page, i);
        EXPECT_TRUE(CdPrint.Placed[size_t(i)].Alone);
        // Its top-left corner inside the page by what its drawing reaches past its frame: the
        // circles of the special rows, 1.6 mm at 6 mm boxes.
        EXPECT_EQ(CdPrint.Placed[size_t(i)].X, CdPrint.Placed[size_t(i)].Y);
        EXPECT_NEAR(CdPrint.Placed[size_t(i)].X / 25600.0, 0.8 * 10 / 6, 0.01);
    }
    EXPECT_EQ(Pages(), 3);
    KeepSample(QStringLiteral("control-descriptions-a6-clipped.pdf"));
    const QImage img = Rendered(1);
    ASSERT_FALSE(img.isNull());
    // The top-left corner of the sheet's frame is on the page.
    int corner = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            corner += qGray(img.pixel(x, y)) < 160;
    EXPECT_GT(corner, 4);
}

// What each page shows as it begins: the extent of the objects not hidden, that is of the
// sheets generated for it, in coordinate units from the printable area's top-left corner.
// Lines and points only: a text's extent is a box as high as its font around its anchor.
class ExtentNoting final : public PrinterSystem {
public:
    explicit ExtentNoting(QtPrinters& inner) : inner_(inner) {}
    std::vector<CordRect> pages;

    QStringList Names() override { return inner_.Names(); }
    int SystemDefault() override { return 0; }
    void Select(int i) override { inner_.Select(i); }
    void EditProperties(int i) override { inner_.EditProperties(i); }
    bool Check(int i, PrinterPage& p) override { return inner_.Check(i, p); }
    bool SupportsCopies(int) override { return false; }
    std::unique_ptr<PrintJob> Start(int i, const QString& title, const QString& file, int copies, bool pass,
                                    PrinterPage& p) override
    {
        std::unique_ptr<PrintJob> job = inner_.Start(i, title, file, copies, pass, p);
        return job ? std::make_unique<Job>(std::move(job), pages) : nullptr;
    }

private:
    class Job final : public PrintJob {
    public:
        Job(std::unique_ptr<PrintJob> inner, std::vector<CordRect>& pages) : inner_(std::move(inner)), pages_(pages) {}
        Device* BeginPage() override
        {
            CordRect shown{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
            for (const auto& b : Index.ActiveZmd->ObjectBlocks)
                for (const ObjectIndexEntry& e : b->Entries)
                    if (EntryLive(e) && int16_t(e.Symbol) > 0 && Drawn(e.Symbol)) {
                        shown = {std::min(shown.x1, e.Rect.x1), std::min(shown.y1, e.Rect.y1),
                                 std::max(shown.x2, e.Rect.x2), std::max(shown.y2, e.Rect.y2)};
                    }
            pages_.push_back(shown);
            return inner_->BeginPage();
        }
        bool EndPage() override { return inner_->EndPage(); }
        bool Finish() override { return inner_->Finish(); }
        void Abort() override { inner_->Abort(); }

    private:
        static bool Drawn(uint16_t symbol)
        {
            SymbolBytes* rec = nullptr;
            return GetSymbol(symbol, rec) && rec && SymI16(*rec, SymObjectType) != TextObject;
        }
        std::unique_ptr<PrintJob> inner_;
        std::vector<CordRect>& pages_;
    };
    QtPrinters& inner_;
};

// On a sheet of uneven margins, a sheet in the left column and at the top of a page lies
// wholly inside the printable area: the extent of the page's sheet (the circle its marked
// route to the finish begins with on its left edge included) is within it and against its
// left edge, and the printed frame lines at the left and the top are whole.
TEST_F(CdPrintFlow, SheetsLieWhollyInsideThePrintableArea)
{
    const QMarginsF margins(40, 60, 20, 30);  // points
    printers->Kept(0) = {QPageSize(QPageSize::A4), false, margins};
    ExtentNoting noting(*printers);
    IoPorts().Printers.Bind([&noting] { return static_cast<PrinterSystem*>(&noting); });
    PrintThroughDialog({QStringLiteral("Long")}, "6", "1");
    IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
    ASSERT_EQ(Pages(), 1);
    ASSERT_EQ(noting.pages.size(), 1u);
    const int32_t w = PrintSys.HORZSIZE * 100 * 256, h = PrintSys.VERTSIZE * 100 * 256;
    const CordRect& shown = noting.pages[0];
    EXPECT_EQ(shown.x1, 0);
    EXPECT_GT(shown.y2, -25600);
    EXPECT_LE(shown.y2, 0);
    EXPECT_LE(shown.x2, w);
    EXPECT_GE(shown.y1, -h);
    KeepSample(QStringLiteral("control-descriptions-uneven-margins.pdf"));

    // The first sheet's outer thick line (0.5 mm) across the middle of its third row, and its
    // top line down the middle of column C, at 300 dpi: whole, and off the printable edge.
    const QImage img = Rendered(1, QStringLiteral("300"));
    ASSERT_FALSE(img.isNull());
    const double dotsPerMm = 300 / 25.4;
    const PlacedSheet& first = CdPrint.Placed[0];
    EXPECT_EQ(first.X, first.Y);
    const double left = margins.left() * 25.4 / 72, top = margins.top() * 25.4 / 72;
    const int row = int((top + first.Y / 25600.0 + 2.5 * 6) * dotsPerMm);
    const int column = int((left + first.X / 25600.0 + 2.5 * 6) * dotsPerMm);
    const auto run = [&](int from, bool across) {
        int at = from;
        const auto inked = [&](int i) { return qGray(across ? img.pixel(i, row) : img.pixel(column, i)) < 128; };
        while (at < from + 40 && !inked(at))
            ++at;
        int n = 0;
        while (inked(at + n))
            ++n;
        return std::pair(at - from, n);
    };
    for (bool across : {true, false}) {
        SCOPED_TRACE(across);
        const auto [gap, width] = run(int(std::ceil((across ? left : top) * dotsPerMm)), across);
        EXPECT_GE(gap, 3);
        EXPECT_LE(gap, 9);
        EXPECT_GE(width, 5);
        EXPECT_LE(width, 7);
    }
}

TEST_F(CdPrintFlow, TextSheetsInkTheirBoxesAndEachKindIsLeftAsAPicture)
{
    Page(QPageSize::A4);
    for (const char* kind : {"CdsB", "TextCdsB"}) {
        SCOPED_TRACE(kind);
        QFile::remove(pdf);
        const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::FilePrintCDs); }, [&](QDialog& d) {
            auto* list = d.findChild<QListWidget*>(QStringLiteral("CoursesB"));
            for (int i = 0; i < list->count(); ++i)
                list->item(i)->setSelected(i == 0 || list->item(i)->text().startsWith(QStringLiteral("Relay")));
            d.findChild<QRadioButton*>(QLatin1String(kind))->setChecked(true);
            d.findChild<QLineEdit*>(QStringLiteral("TitleB"))->setText(QStringLiteral("Night-O"));
            Press(d, "PrintBtn");
        });
        ASSERT_TRUE(seen);
        ASSERT_EQ(Pages(), 1);
        // All controls in columns, then the relay's sheet: every box inked.
        ASSERT_GE(CdPrint.Placed.size(), 2u);
        const QImage img = Rendered(1);
        ASSERT_FALSE(img.isNull());
        for (const PlacedSheet& s : CdPrint.Placed) {
            int ink = 0;
            for (int y = s.Y / 12800; y < (s.Y + s.Height) / 12800 && y < img.height(); ++y)
                for (int x = s.X / 12800; x < (s.X + s.Width) / 12800 && x < img.width(); ++x)
                    ink += qGray(img.pixel(x, y)) < 160;
            EXPECT_GT(ink, 100) << s.Index;
        }
        QDir().mkpath(DataFolder() + QStringLiteral("sheets"));
        const QString name = QLatin1String(kind) == QLatin1String("CdsB") ? QStringLiteral("control-descriptions-symbols.png")
                                                                      : QStringLiteral("control-descriptions-texts.png");
        QFile::remove(DataFolder() + QStringLiteral("sheets/") + name);
        EXPECT_TRUE(img.save(DataFolder() + QStringLiteral("sheets/") + name));
    }
}

TEST_F(CdPrintFlow, AnObjectDeletedBeforePrintingComesBackWithUndo)
{
    // Undo keeps the deleted point's record in the file; the sheets' points must not take it.
    const int n = Store(CrossingSymbol, MmPoint{300, 300});
    ASSERT_GT(n, 0);
    RecordUndo(UndoStart, n);
    DeleteElement(n);
    Page(QPageSize::A4);
    CdPrintOptions o = CdPrintDialogOptions();
    SelectAllCourses(o);
    o.Selected[0] = true;
    ASSERT_TRUE(PrintDescriptionSheets(o));
    UndoEdit();
    ASSERT_TRUE(GetIndex(n));
    ReadElement(n, AuxElement2);
    EXPECT_EQ(AuxElement2.Symbol, CrossingSymbol);
    EXPECT_EQ(AuxElement2.Cords()[0], CordOf(MmPoint{300, 300}));
}

TEST_F(CdPrintFlow, TheDialogSelectsAllCoursesButNotAllControls)
{
    Frame().UpdateCommandStates();
    EXPECT_TRUE(Frame().Action(Cmd::FilePrintCDs)->isEnabled());
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::FilePrintCDs); }, [&](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("CoursesB"));
        ASSERT_EQ(list->count(), Z().Courses.Count() + 1);
        EXPECT_TRUE(list->item(1)->isSelected()) << "the first course at the start";
        list->item(0)->setSelected(true);
        Press(d, "AllBtn");
        EXPECT_FALSE(list->item(0)->isSelected());
        for (int i = 1; i < list->count(); ++i)
            EXPECT_TRUE(list->item(i)->isSelected()) << i;
        d.findChild<QRadioButton*>(QStringLiteral("TextCdsB"))->setChecked(true);
        d.findChild<QLineEdit*>(QStringLiteral("TitleB"))->setText(QStringLiteral("  Night-O "));
        // A box outside 3 to 10 mm keeps the dialog open with the range message.
        d.findChild<QLineEdit*>(QStringLiteral("SizeE"))->setText(QStringLiteral("12"));
        messages.Clear();
        Press(d, "PrintBtn");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 1);
        d.findChild<QLineEdit*>(QStringLiteral("SizeE"))->setText(QStringLiteral("7.5"));
        Press(d, "CloseBtn");
    });
    EXPECT_TRUE(seen);
    EXPECT_EQ(Z().MapSettings[size_t(MapSettingsSlot(CdPrintSettingsType))], QStringLiteral("\ttNight-O\ts7.50"));
    EXPECT_FALSE(QFile::exists(pdf)) << "Close prints nothing";
    const CdPrintOptions o = CdPrintDialogOptions();
    EXPECT_EQ(o.Title, QStringLiteral("Night-O"));
    EXPECT_EQ(o.BoxSize, 7.5);
}

} // namespace
