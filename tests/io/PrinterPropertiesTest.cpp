// A printer's Properties through the running program, on a CUPS scheduler of the test's own
// with two queues whose printable areas are uneven on every side: a PostScript queue (our
// PostScript as it is) and the Generic PDF printer (painted by Qt). The Properties show the
// margins the job uses, take margins typed (never less than the printable area's), keep
// paper, orientation and margins for the following jobs until another printer is chosen, and
// the job's page lies on the sheet where they say, upright or across: each margin of the ink
// of a page that the map covers whole is measured on the printed sheet. Print to file is
// offered only where it means something. None of it changes the map.
#include "../external/ModalScript.h"
#include "../support/FileState.h"
#include "../support/ProgramFixture.h"
#include "../support/TestCups.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "io/PrintSys.h"
#include "io/widgets/PrintDlg.h"
#include "shell/widgets/MainFm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPageSize>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>
#include <cstring>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;
constexpr double MmPerPoint = 25.4 / 72;
// Points as the dialog shows them, for margins typed in millimetres.
double PointsOfMm(const QString& mm) { return mm.toDouble() / MmPerPoint; }
constexpr int Dpi = 144;

const QString PsQueue = QStringLiteral("UnevenPS");
const QString PdfQueue = QStringLiteral("UnevenPDF");

// Left, top, right, bottom.
struct Sides {
    double v[4] = {0, 0, 0, 0};
};

// The queues' printable areas on the upright A4 sheet (points): "llx lly urx ury" of the PPD.
const Sides PsArea{{10, 842 - 800, 595 - 565, 20}};
const Sides PdfArea{{12, 842 - 794, 595 - 559, 24}};

// A side of the sheet that a page turned onto it lies along: the page's left margin is the
// sheet's bottom one, its top the sheet's left, its right the sheet's top, its bottom the
// sheet's right.
Sides Turned(const Sides& upright, bool landscape)
{
    if (!landscape)
        return upright;
    return {{upright.v[3], upright.v[0], upright.v[1], upright.v[2]}};
}
Sides OnSheet(const Sides& page, bool landscape)
{
    if (!landscape)
        return page;
    return {{page.v[1], page.v[2], page.v[3], page.v[0]}};
}

// Hundredths of a millimetre up, as the dialog shows a margin.
QString ShownMm(double points)
{
    return QString::number(std::ceil(points * MmPerPoint * 100 - 1e-6) / 100, 'f', 2);
}

bool RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The ink's distance from each edge of a grey picture, in pixels; -1 each when none.
Sides InkMargins(const QImage& img)
{
    int x1 = img.width(), y1 = img.height(), x2 = -1, y2 = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                x1 = std::min(x1, x);
                x2 = std::max(x2, x);
                y1 = std::min(y1, y);
                y2 = std::max(y2, y);
            }
    if (x2 < 0)
        return {{-1, -1, -1, -1}};
    return {{double(x1), double(y1), double(img.width() - 1 - x2), double(img.height() - 1 - y2)}};
}

void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(uint32_t(v) >> (8 * i));
}

void PutF64(std::vector<uint8_t>& b, size_t at, double v)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i)
        b[at + size_t(i)] = uint8_t(bits >> (8 * i));
}

class PrinterProperties : public ProgramFixture {
protected:
    void SetUp() override
    {
        // The queues exist before the program lists the printers, as on a user's machine.
        ASSERT_TRUE(cups.Start()) << cups.Error().toStdString();
        ASSERT_TRUE(cups.AddQueue(QStringLiteral("Generic"), QStringLiteral("drv:///sample.drv/generic.ppd"), false))
            << cups.Error().toStdString();
        ASSERT_TRUE(AddUneven(PsQueue, FileBytes(cups.Ppd(QStringLiteral("Generic"))), "12 12 583 830", "10 20 565 800"));
        ASSERT_TRUE(AddUneven(PdfQueue, FileBytes(QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd")),
                              "18 36 577 806", "12 24 559 794"));
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        // One page of a map covered by a black area, at the map scale, its lower-left corner
        // at the map's origin.
        TestMapWriter m(8);
        m.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200)};
        m.symbols = {TestSymbol::Area(10, 0)};
        m.objects.push_back(TestObject::Area(10, {{-100 * Mm, -100 * Mm}, {600 * Mm, -100 * Mm}, {600 * Mm, 600 * Mm},
                                                   {-100 * Mm, 600 * Mm}, {-100 * Mm, -100 * Mm}}));
        PutF64(m.setup, setup::MapScale, 10000);
        PutF64(m.setup, setup::PrintScale, 10000);
        PutI32(m.setup, setup::PrintRange, 0);
        PutI32(m.setup, setup::PrintRange + 4, 0);
        PutI32(m.setup, setup::PrintRange + 8, 400 * Mm);
        PutI32(m.setup, setup::PrintRange + 12, 400 * Mm);
        m.setup[setup::PrintIntensity] = 100;
        m.setup[setup::PrintLineWidth] = 100;
        m.strings.push_back({1026, 0, "\tr2"});
        path = TempPath(QStringLiteral("page.zmd"));
        ASSERT_TRUE(OpenWritten(m, QStringLiteral("page.zmd")));
        Settle();
        bytes = FileBytes(path);
    }

    bool AddUneven(const QString& queue, QByteArray ppd, const char* even, const char* uneven)
    {
        const QByteArray from = QByteArray("*ImageableArea A4/A4: \"") + even + '"';
        if (!ppd.contains(from)) {
            ADD_FAILURE() << queue.toStdString() << " has no A4 area " << even;
            return false;
        }
        ppd.replace(from, QByteArray("*ImageableArea A4/A4: \"") + uneven + '"');
        const QString file = TempPath(queue + QStringLiteral(".ppd"));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(ppd) != ppd.size())
            return false;
        f.close();
        return cups.AddQueue(queue, file, true);
    }

    static void Press(QWidget& d, const char* button)
    {
        d.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }
    static void ChoosePrinter(QWidget& d, const QString& name)
    {
        auto* printer = d.findChild<QComboBox*>(QStringLiteral("PrinterB"));
        const int i = printer->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        printer->setCurrentIndex(i);
    }
    static QLineEdit* Edit(QWidget& d, int side)
    {
        const char* names[4] = {"LeftE", "TopE", "RightE", "BottomE"};
        return d.findChild<QLineEdit*>(QString::fromLatin1(names[side]));
    }
    static void ExpectShown(QWidget& d, const QStringList& shown, bool landscape)
    {
        for (int side = 0; side < 4; ++side)
            EXPECT_EQ(Edit(d, side)->text().toStdString(), shown[side].toStdString()) << "side " << side;
        EXPECT_EQ(d.findChild<QRadioButton*>(QStringLiteral("LandscapeB"))->isChecked(), landscape);
        EXPECT_EQ(d.findChild<QComboBox*>(QStringLiteral("PaperB"))->currentText(), QPageSize(QPageSize::A4).name());
    }

    // File > Print with `work` in its dialog; Properties pressed there with `props` in its own.
    void InPrintDialog(const std::function<void(QDialog&)>& work)
    {
        ModalScript script;
        script.Then<QDialog>(work);
        Trigger(Cmd::FilePrint);
        Settle();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
    }
    static void InProperties(QDialog& print, const std::function<void(QDialog&)>& props)
    {
        ModalScript script;
        script.Then<QDialog>([&](QDialog& d) {
            EXPECT_EQ(d.objectName(), QStringLiteral("PrinterPropsDlg"));
            props(d);
        });
        Press(print, "PropertiesBtn");
        EXPECT_TRUE(script.Done());
    }

    // The PDF file of what the PDF queue printed, written as `base`.pdf.
    QString QueuePdf(const QString& base)
    {
        EXPECT_TRUE(cups.WaitIdle()) << cups.Error().toStdString();
        // The driver puts a PJL header in front of the PDF.
        QByteArray data = FileBytes(cups.Output(PdfQueue));
        const qsizetype at = data.indexOf("%PDF");
        EXPECT_GE(at, 0) << cups.ErrorLog().right(3000).toStdString();
        QFile pdf(base + QStringLiteral(".pdf"));
        EXPECT_TRUE(pdf.open(QIODevice::WriteOnly));
        pdf.write(data.mid(at));
        QFile::remove(cups.Output(PdfQueue));
        return pdf.fileName();
    }

    // The sheet the queue printed, at Dpi, grey.
    QImage Printed(const QString& queue)
    {
        EXPECT_TRUE(cups.WaitIdle()) << cups.Error().toStdString();
        const QString out = cups.Output(queue);
        const QString base = TempPath(queue + QStringLiteral("-sheet"));
        if (queue == PdfQueue) {
            EXPECT_TRUE(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-gray"),
                                                         QStringLiteral("-singlefile"), QueuePdf(base), base}));
        } else {
            EXPECT_TRUE(RunTool(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                                   QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=pgmraw"),
                                                   QStringLiteral("-r%1").arg(Dpi), QStringLiteral("-o"),
                                                   base + QStringLiteral(".pgm"), out}));
        }
        QFile::remove(out);
        return QImage(base + QStringLiteral(".pgm"));
    }

    TestCupsScheduler cups;
    QString path;
    QByteArray bytes;
};

// Each queue in each orientation: the margins shown are the printable area's, turned with the
// page; a margin less than the printable area's is refused; two margins typed; the job's page
// on the sheet measured on every side; the next File > Print shows what was set, and another
// printer chosen drops it.
TEST_F(PrinterProperties, ShowTakeAndKeepTheMarginsTheJobUsesOnEverySide)
{
    for (const QString& queue : {PsQueue, PdfQueue}) {
        const Sides& area = queue == PsQueue ? PsArea : PdfArea;
        for (bool landscape : {false, true}) {
            SCOPED_TRACE(queue.toStdString() + (landscape ? " landscape" : " portrait"));
            const Sides least = Turned(area, landscape);
            QStringList leastShown, typed;
            for (int side = 0; side < 4; ++side)
                leastShown << ShownMm(least.v[side]);
            // Left 3 mm and bottom 2 mm more than the printable area's; top typed as shown.
            typed = leastShown;
            typed[0] = QString::number(leastShown[0].toDouble() + 3, 'f', 2);
            typed[3] = QString::number(leastShown[3].toDouble() + 2, 'f', 2);
            messages.Clear();
            InPrintDialog([&](QDialog& print) {
                ChoosePrinter(print, queue);
                InProperties(print, [&](QDialog& d) {
                    ExpectShown(d, QStringList{ShownMm(area.v[0]), ShownMm(area.v[1]), ShownMm(area.v[2]), ShownMm(area.v[3])},
                                false);
                    if (landscape)
                        d.findChild<QRadioButton*>(QStringLiteral("LandscapeB"))->click();
                    ExpectShown(d, leastShown, landscape);
                    // Inside the printable area: refused, the dialog stays.
                    Edit(d, 1)->setText(QStringLiteral("1.00"));
                    Q_EMIT Edit(d, 1)->textEdited(Edit(d, 1)->text());
                    Press(d, "OKBtn");
                    EXPECT_TRUE(d.isVisible());
                    EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 1);
                    for (int side : {0, 1, 3}) {
                        Edit(d, side)->setText(typed[side]);
                        Q_EMIT Edit(d, side)->textEdited(typed[side]);
                    }
                    Press(d, "OKBtn");
                    EXPECT_FALSE(d.isVisible());
                });
                Press(print, "PrintBtn");
            });
            EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 1);
            // The page's margins, the right and bottom ones up to a millimetre more: a page is
            // printed whole millimetres wide and high.
            Sides page;
            for (int side = 0; side < 4; ++side)
                page.v[side] = PointsOfMm(typed[side]);
            const Sides sheet = OnSheet(page, landscape);
            const Sides exact = OnSheet({{1, 1, 0, 0}}, landscape);
            const QImage img = Printed(queue);
            ASSERT_FALSE(img.isNull());
            EXPECT_NEAR(img.width(), 595.28 * Dpi / 72, 2);
            EXPECT_NEAR(img.height(), 841.89 * Dpi / 72, 2);
            const Sides ink = InkMargins(img);
            const double px = Dpi / 72.0, mmPx = Dpi / 25.4;
            for (int side = 0; side < 4; ++side) {
                SCOPED_TRACE(side);
                // Never inside the sheet's printable area.
                EXPECT_GE(ink.v[side], area.v[side] * px - 1);
                if (exact.v[side] > 0)
                    EXPECT_NEAR(ink.v[side], sheet.v[side] * px, 1.5);
                else {
                    EXPECT_GE(ink.v[side], sheet.v[side] * px - 1.5);
                    EXPECT_LE(ink.v[side], sheet.v[side] * px + mmPx + 1.5);
                }
            }
            // The next job shows and uses what was set.
            InPrintDialog([&](QDialog& print) {
                EXPECT_EQ(print.findChild<QComboBox*>(QStringLiteral("PrinterB"))->currentText(), queue);
                InProperties(print, [&](QDialog& d) {
                    ExpectShown(d, typed, landscape);
                    Press(d, "CancelBtn");
                });
                Press(print, "CloseBtn");
            });
            ASSERT_TRUE(CheckPrinter(int(PrinterList().indexOf(queue))));
            EXPECT_EQ(PrintSys.Page.Landscape, landscape);
            EXPECT_NEAR(PrintSys.Page.PrintableLeftPt, page.v[0], 1e-6);
            EXPECT_NEAR(PrintSys.Page.PrintableTopPt, page.v[1], 1e-6);
            // Another printer chosen, and this one again: its own page once more.
            InPrintDialog([&](QDialog& print) {
                ChoosePrinter(print, Text(TextKey::PdfFilePrinter));
                ChoosePrinter(print, queue);
                InProperties(print, [&](QDialog& d) {
                    ExpectShown(d, QStringList{ShownMm(area.v[0]), ShownMm(area.v[1]), ShownMm(area.v[2]), ShownMm(area.v[3])},
                                false);
                    Press(d, "CancelBtn");
                });
                Press(print, "CloseBtn");
            });
        }
    }
    // Nothing of it changed the map.
    EXPECT_FALSE(Index.ActiveZmd->Modified);
    messages.Clear();
    Trigger(Cmd::FileClose);
    Settle();
    EXPECT_EQ(Index.ActiveZmd, nullptr);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    EXPECT_EQ(FileBytes(path), bytes);
}

// Print to file means nothing on the printer that writes a PDF file it asks the name of: the
// box is off and disabled there, and the user's choice comes back on a queue.
TEST_F(PrinterProperties, PrintToFileOnlyWhereItMeansSomething)
{
    InPrintDialog([&](QDialog& print) {
        auto* toFile = print.findChild<QCheckBox*>(QStringLiteral("ToFileB"));
        ChoosePrinter(print, PsQueue);
        EXPECT_TRUE(toFile->isEnabled());
        toFile->setChecked(true);
        ChoosePrinter(print, Text(TextKey::PdfFilePrinter));
        EXPECT_FALSE(toFile->isEnabled());
        EXPECT_FALSE(toFile->isChecked());
        ChoosePrinter(print, PdfQueue);
        EXPECT_TRUE(toFile->isEnabled());
        EXPECT_TRUE(toFile->isChecked());
        toFile->setChecked(false);
        ChoosePrinter(print, Text(TextKey::PdfFilePrinter));
        EXPECT_FALSE(toFile->isEnabled());
        Press(print, "CloseBtn");
    });
    // Shown again on the printer last chosen: disabled.
    InPrintDialog([&](QDialog& print) {
        auto* toFile = print.findChild<QCheckBox*>(QStringLiteral("ToFileB"));
        EXPECT_EQ(print.findChild<QComboBox*>(QStringLiteral("PrinterB"))->currentText(), Text(TextKey::PdfFilePrinter));
        EXPECT_FALSE(toFile->isEnabled());
        EXPECT_FALSE(toFile->isChecked());
        Press(print, "CloseBtn");
    });
}

// The printer that writes a PDF file has no unprintable edge, whichever queue is the system's
// default: its margins start at 0, a 0 mm margin is taken, the page's ink reaches the sheet's
// edges, and making another queue (of another paper) the default changes none of it.
TEST_F(PrinterProperties, ThePdfFilePrinterPrintsToTheEdgeWhateverTheDefaultQueue)
{
    const QString pdfPrinter = Text(TextKey::PdfFilePrinter);
    std::vector<QImage> sheets;
    for (const QString& def : {PsQueue, PdfQueue}) {
        SCOPED_TRACE(def.toStdString());
        // The second default queue takes Letter paper as well.
        if (def == PdfQueue) {
            ASSERT_TRUE(RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-h"), cups.Socket(), QStringLiteral("-p"), def,
                                                        QStringLiteral("-o"), QStringLiteral("PageSize=Letter")}));
        }
        ASSERT_TRUE(cups.SetDefault(def)) << cups.Error().toStdString();
        const QString out = TempPath(QStringLiteral("edge-") + def + QStringLiteral(".pdf"));
        dialogs.QueueAnswer(true, out);
        messages.Clear();
        InPrintDialog([&](QDialog& print) {
            // Another printer first: what was kept for the PDF file printer is dropped.
            ChoosePrinter(print, PsQueue);
            ChoosePrinter(print, pdfPrinter);
            InProperties(print, [&](QDialog& d) {
                ExpectShown(d, {QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("0.00")},
                            false);
                for (int side = 0; side < 4; ++side) {
                    Edit(d, side)->setText(QStringLiteral("0"));
                    Q_EMIT Edit(d, side)->textEdited(QStringLiteral("0"));
                }
                Press(d, "OKBtn");
                EXPECT_FALSE(d.isVisible());
            });
            Press(print, "PrintBtn");
        });
        EXPECT_TRUE(messages.Entries().empty());
        ASSERT_TRUE(CheckPrinter(int(PrinterList().indexOf(pdfPrinter))));
        EXPECT_EQ(PrintSys.Page.PrintableLeftPt, 0);
        EXPECT_EQ(PrintSys.Page.PrintableTopPt, 0);
        // The whole A4 sheet of 595 x 842 points, in whole millimetres.
        EXPECT_EQ(PrintSys.HORZSIZE, 209);
        EXPECT_EQ(PrintSys.VERTSIZE, 297);
        const QString base = TempPath(QStringLiteral("edge-") + def);
        ASSERT_TRUE(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-gray"),
                                                     QStringLiteral("-singlefile"), out, base}));
        const QImage img(base + QStringLiteral(".pgm"));
        ASSERT_FALSE(img.isNull());
        EXPECT_NEAR(img.width(), 595.28 * Dpi / 72, 2);
        EXPECT_NEAR(img.height(), 841.89 * Dpi / 72, 2);
        // The black area covers the sheet from its very corner; the page ends after whole
        // millimetres, less than one from the right and bottom edges.
        const Sides ink = InkMargins(img);
        EXPECT_EQ(ink.v[0], 0);
        EXPECT_EQ(ink.v[1], 0);
        EXPECT_NEAR(ink.v[2], img.width() - 209 * Dpi / 25.4, 1.5);
        EXPECT_NEAR(ink.v[3], img.height() - 297 * Dpi / 25.4, 1.5);
        for (QPoint p : {QPoint(0, 0), QPoint(img.width() / 2, 0), QPoint(0, img.height() / 2),
                         QPoint(int(208.5 * Dpi / 25.4), int(296.5 * Dpi / 25.4))})
            EXPECT_LT(qGray(img.pixel(p)), 64) << p.x() << "," << p.y();
        sheets.push_back(img);
    }
    EXPECT_TRUE(sheets[0] == sheets[1]);
    EXPECT_FALSE(Index.ActiveZmd->Modified);
}

// Margins typed, all four different, turn with the page when its orientation is switched:
// each stays on its side of the sheet, both ways; the fields not typed show the printable
// area as the page lies. The job's page lies on the sheet where the turned margins say.
TEST_F(PrinterProperties, TypedMarginsTurnWithTheOrientation)
{
    const QStringList typed{QStringLiteral("15.25"), QStringLiteral("21.50"), QStringLiteral("12.75"), QStringLiteral("30.00")};
    // Left, top, right, bottom of a landscape page: the sheet's bottom, left, top and right.
    const QStringList turned{typed[3], typed[0], typed[1], typed[2]};
    InPrintDialog([&](QDialog& print) {
        ChoosePrinter(print, PdfQueue);
        InProperties(print, [&](QDialog& d) {
            for (int side = 0; side < 4; ++side) {
                Edit(d, side)->setText(typed[side]);
                Q_EMIT Edit(d, side)->textEdited(typed[side]);
            }
            auto* landscape = d.findChild<QRadioButton*>(QStringLiteral("LandscapeB"));
            auto* portrait = d.findChild<QRadioButton*>(QStringLiteral("PortraitB"));
            landscape->click();
            ExpectShown(d, turned, true);
            portrait->click();
            ExpectShown(d, typed, false);
            landscape->click();
            Press(d, "OKBtn");
            EXPECT_FALSE(d.isVisible());
        });
        Press(print, "CloseBtn");
    });
    ASSERT_TRUE(CheckPrinter(int(PrinterList().indexOf(PdfQueue))));
    EXPECT_TRUE(PrintSys.Page.Landscape);
    EXPECT_NEAR(PrintSys.Page.PrintableLeftPt, PointsOfMm(turned[0]), 1e-6);
    EXPECT_NEAR(PrintSys.Page.PrintableTopPt, PointsOfMm(turned[1]), 1e-6);
    // The page between them: the sheet of 842 x 595 points less the margins, in whole mm.
    EXPECT_EQ(PrintSys.HORZSIZE, int(std::floor(842 * MmPerPoint - turned[0].toDouble() - turned[2].toDouble())));
    EXPECT_EQ(PrintSys.VERTSIZE, int(std::floor(595 * MmPerPoint - turned[1].toDouble() - turned[3].toDouble())));
    // Shown again as kept.
    InPrintDialog([&](QDialog& print) {
        InProperties(print, [&](QDialog& d) {
            ExpectShown(d, turned, true);
            Press(d, "CancelBtn");
        });
        Press(print, "CloseBtn");
    });
}

// The centre of the ink of a grey picture; (-1, -1) when there is none.
QPointF InkCentre(const QImage& img)
{
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                sx += x;
                sy += y;
                ++n;
            }
    return n ? QPointF(sx / n, sy / n) : QPointF(-1, -1);
}

// Four overlapping pages on the queue whose printable area is uneven on every side (left 12,
// top 48, right 36, bottom 24 points): a marker where all four overlap lands on each sheet
// where its page puts it, so that neighbouring sheets show it exactly one page step apart
// (the page less the overlap), the step the same on both sides whatever the margins.
TEST_F(PrinterProperties, AMapPointSharedByPagesLandsOnePageStepApartOnEachSheet)
{
    // 1:10000 printed at 1:10000; the partial range 300 x 400 mm with 40 mm overlaps: two
    // pages of 192 x 271 mm each way, centred 152 and 231 mm apart, overlapping on
    // 130..170 mm across and 180..220 mm up. The marker, a dot of 3 mm, at (150, 200) mm.
    TestMapWriter m(8);
    m.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200)};
    m.symbols = {TestSymbol::Point(10, {TestElement::Dot(0, 300)})};
    m.objects.push_back(TestObject::Point(10, 150 * Mm, 200 * Mm));
    PutF64(m.setup, setup::MapScale, 10000);
    PutF64(m.setup, setup::PrintScale, 10000);
    PutI32(m.setup, setup::PrintRange, 0);
    PutI32(m.setup, setup::PrintRange + 4, 0);
    PutI32(m.setup, setup::PrintRange + 8, 300 * Mm);
    PutI32(m.setup, setup::PrintRange + 12, 400 * Mm);
    PutI16(m.setup, setup::PrintOverlapX, 4000);
    PutI16(m.setup, setup::PrintOverlapY, 4000);
    m.setup[setup::PrintIntensity] = 100;
    m.setup[setup::PrintLineWidth] = 100;
    m.strings.push_back(TestPString::Make(1026, 0, "\tr1"));
    ASSERT_TRUE(OpenWritten(m, QStringLiteral("marker.zmd")));
    Settle();
    InPrintDialog([&](QDialog& print) {
        ChoosePrinter(print, PdfQueue);
        Press(print, "PrintBtn");
    });
    ASSERT_TRUE(CheckPrinter(int(PrinterList().indexOf(PdfQueue))));
    ASSERT_EQ(PrintSys.HORZSIZE, 192);
    ASSERT_EQ(PrintSys.VERTSIZE, 271);

    const QString base = TempPath(QStringLiteral("pages"));
    ASSERT_TRUE(RunTool(QStringLiteral("pdftoppm"),
                        {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-gray"), QueuePdf(base), base}));
    // The sheets in print order: column 0 top and bottom, then column 1.
    QPointF marker[2][2];
    for (int k = 0; k < 4; ++k) {
        const QImage img(base + QStringLiteral("-%1.pgm").arg(k + 1));
        ASSERT_FALSE(img.isNull()) << "sheet " << k + 1;
        marker[k / 2][k % 2] = InkCentre(img);
        ASSERT_GE(marker[k / 2][k % 2].x(), 0) << "no marker on sheet " << k + 1;
    }
    EXPECT_TRUE(QImage(base + QStringLiteral("-5.pgm")).isNull());
    const double px = Dpi / 25.4, ptPx = Dpi / 72.0;
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        EXPECT_NEAR(marker[0][row].x() - marker[1][row].x(), 152 * px, 1);
        EXPECT_NEAR(marker[0][row].y(), marker[1][row].y(), 1);
    }
    for (int column = 0; column < 2; ++column) {
        SCOPED_TRACE(column);
        EXPECT_NEAR(marker[column][0].y() - marker[column][1].y(), 231 * px, 1);
        EXPECT_NEAR(marker[column][0].x(), marker[column][1].x(), 1);
    }
    // Where on the sheet: the top-right page begins at 130 mm across and 451 mm up, at the
    // printable area's corner 12 points from the sheet's left and 48 from its top.
    EXPECT_NEAR(marker[1][0].x(), 12 * ptPx + 20 * px, 1.5);
    EXPECT_NEAR(marker[1][0].y(), 48 * ptPx + 251 * px, 1.5);
}

} // namespace
} // namespace zemo::test
