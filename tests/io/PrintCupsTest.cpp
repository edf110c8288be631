// Printing on a CUPS scheduler of the test's own with two queues into files: the generic
// PostScript printer (its PPD names no filter, so it takes our PostScript as it is) and the
// cups-filters Generic PDF Printer (painted by Qt). A map of 2 x 2 pages with a line through
// the middle of each way must come out on four pages, each showing both lines in its overlap
// strips with its neighbours.
#include "IoFixture.h"
#include "../external/ModalScript.h"
#include "../support/TestCups.h"
#include "io/Ports.h"
#include "io/Print.h"
#include "io/PrintSys.h"
#include "io/widgets/QtPrinters.h"
#include "render/GraphSys.h"

#include <QCoreApplication>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

namespace zemo::test {
namespace {

const QString PsQueue = QStringLiteral("PS");
const QString PdfQueue = QStringLiteral("PDF");

struct Inked {
    int column = -1;  // the column or row most inked, -1 when none is inked over a quarter
    int row = -1;
};

// The line across and the line down a page picture, found as the most inked row and column.
Inked FindLines(const QImage& img)
{
    Inked r;
    int best = img.height() / 4;
    for (int x = 0; x < img.width(); ++x) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            n += qGray(img.pixel(x, y)) < 128;
        if (n > best) {
            best = n;
            r.column = x;
        }
    }
    best = img.width() / 4;
    for (int y = 0; y < img.height(); ++y) {
        int n = 0;
        for (int x = 0; x < img.width(); ++x)
            n += qGray(img.pixel(x, y)) < 128;
        if (n > best) {
            best = n;
            r.row = y;
        }
    }
    return r;
}

bool RunTool(const QString& program, const QStringList& args, QString* out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return false;
    if (out)
        *out = QString::fromLatin1(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class CupsPrinting : public IoTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        ResetPrintUnit();
        ASSERT_TRUE(cups.Start()) << cups.Error().toStdString();
        ASSERT_TRUE(cups.AddQueue(PsQueue, QStringLiteral("drv:///sample.drv/generic.ppd"), false))
            << cups.Error().toStdString();
        ASSERT_TRUE(cups.AddQueue(PdfQueue, QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd"), true))
            << cups.Error().toStdString();
        ASSERT_TRUE(cups.SetDefault(PsQueue)) << cups.Error().toStdString();
        printers = std::make_unique<QtPrinters>();
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
    }

    int IndexOf(const QString& queue) { return int(PrinterList().indexOf(queue)); }

    // A line down the middle and a line across the middle of a rectangle that the printer's page
    // covers in 2 x 2 pages overlapping by 10 mm; the rectangle is the partial range.
    void OpenCrossMap(int queue)
    {
        ASSERT_TRUE(CheckPrinter(queue));
        const int w = 2 * PrintSys.HORZSIZE - 10, h = 2 * PrintSys.VERTSIZE - 10;
        TestMapWriter m(8);
        m.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200)};
        m.symbols = {TestSymbol::Line(10, 0, 100)};
        m.objects.push_back(TestObject::Line(10, {{w * Mm / 2, 1 * Mm}, {w * Mm / 2, (h - 1) * Mm}}));
        m.objects.push_back(TestObject::Line(10, {{1 * Mm, h * Mm / 2}, {(w - 1) * Mm, h * Mm / 2}}));
        TZmd* z = Open(m);
        z->Setup.MapScale = z->Setup.PrintScale = 10000;
        z->Setup.PrintOverlapX = z->Setup.PrintOverlapY = 1000;
        z->Setup.PrintIntensity = z->Setup.PrintLineWidth = 100;
        z->Setup.PrintRange = {0, 0, w * Mm, h * Mm};
    }

    PrintOptions Options(int queue)
    {
        PrintOptions o = PrintDialogOptions();
        o.Printer = queue;
        o.Range = PartialMapRange;
        return o;
    }

    // Pages in the order printed: column 0 top and bottom, then column 1: each shows the line
    // down near its inner side and the line across near its inner edge.
    static void ExpectCrossQuarters(const std::vector<QImage>& pages)
    {
        ASSERT_EQ(pages.size(), 4u);
        for (int k = 0; k < 4; ++k) {
            SCOPED_TRACE(k);
            const QImage& img = pages[size_t(k)];
            const Inked l = FindLines(img);
            ASSERT_GE(l.column, 0);
            ASSERT_GE(l.row, 0);
            const bool left = k < 2, top = k % 2 == 0;
            EXPECT_EQ(l.column > img.width() / 2, left);
            EXPECT_EQ(l.row > img.height() / 2, top);
        }
    }

    static std::vector<QImage> Rendered(const QString& prefix)
    {
        std::vector<QImage> out;
        for (int p = 1;; ++p) {
            QImage img(prefix + QStringLiteral("-%1.png").arg(p));
            if (img.isNull())
                break;
            out.push_back(img);
        }
        return out;
    }

    static void KeepSample(const QString& file, const QString& name)
    {
        const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
        QDir().mkpath(samples);
        QFile::remove(samples + u'/' + name);
        QFile::copy(file, samples + u'/' + name);
    }

    TestCupsScheduler cups;
    std::unique_ptr<QtPrinters> printers;
};

TEST_F(CupsPrinting, QueuesDefaultPostScriptAndPage)
{
    // Our own PDF file printer comes after the queues.
    EXPECT_EQ(PrinterList(), (QStringList{PdfQueue, PsQueue, Text(TextKey::PdfFilePrinter)}));
    EXPECT_EQ(DefaultPrinterIndex(), IndexOf(PsQueue));
    EXPECT_TRUE(printers->IsPostScript(IndexOf(PsQueue)));
    EXPECT_FALSE(printers->IsPostScript(IndexOf(PdfQueue)));
    // A4 (the queues' paper) within the PDF printer's margins of 18 and 36
    // points: 559 x 770 points printable.
    ASSERT_TRUE(CheckPrinter(IndexOf(PdfQueue)));
    EXPECT_GT(PrintSys.LOGPIXELSX, 0);
    EXPECT_EQ(PrintSys.LOGPIXELSY, PrintSys.LOGPIXELSX);
    EXPECT_EQ(PrintSys.HORZSIZE, 197);
    EXPECT_EQ(PrintSys.VERTSIZE, 271);
    ASSERT_TRUE(CheckPrinter(IndexOf(PsQueue)));
    EXPECT_GT(PrintSys.HORZSIZE, 180);
    EXPECT_LT(PrintSys.HORZSIZE, 216);
}

TEST_F(CupsPrinting, PdfQueuePrintsFourQuartersWithTheirOverlaps)
{
    const int queue = IndexOf(PdfQueue);
    OpenCrossMap(queue);
    PrintJobs(Options(queue));
    EXPECT_TRUE(messages.Entries().empty());
    ASSERT_TRUE(cups.WaitIdle()) << cups.Error().toStdString();
    QByteArray out = Read(cups.Output(PdfQueue));
    // The driver puts a PJL header in front of the PDF.
    const qsizetype at = out.indexOf("%PDF");
    ASSERT_GE(at, 0) << cups.ErrorLog().right(3000).toStdString();
    const QString pdf = InMaps(QStringLiteral("queue.pdf"));
    WriteFile(pdf, out.mid(at));
    KeepSample(pdf, QStringLiteral("print-cups-pdf-queue-2x2.pdf"));
    QString info;
    ASSERT_TRUE(RunTool(QStringLiteral("pdfinfo"), {pdf}, &info));
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+4\\n")))) << info.toStdString();
    ASSERT_TRUE(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-gray"),
                                                     QStringLiteral("-png"), pdf, InMaps(QStringLiteral("pdfpage"))}));
    ExpectCrossQuarters(Rendered(InMaps(QStringLiteral("pdfpage"))));
}

TEST_F(CupsPrinting, PostScriptQueueGetsOurPostScript)
{
    const int queue = IndexOf(PsQueue);
    OpenCrossMap(queue);
    // The queue makes the copies: the job says so and holds each page once.
    PrintOptions o = Options(queue);
    o.Copies = 2;
    PrintJobs(o);
    EXPECT_TRUE(messages.Entries().empty());
    ASSERT_TRUE(cups.WaitIdle()) << cups.Error().toStdString();
    const QString ps = cups.Output(PsQueue);
    const QByteArray out = Read(ps);
    ASSERT_TRUE(out.startsWith("%!PS-Adobe-3.0")) << cups.ErrorLog().right(3000).toStdString();
    EXPECT_TRUE(out.contains("ZEMO Eps_PassThrough"));
    EXPECT_EQ(out.count("%%BeginDocument: page"), 4);
    KeepSample(ps, QStringLiteral("print-cups-ps-queue-2x2.ps"));
    ASSERT_TRUE(RunTool(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                               QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=pnggray"), QStringLiteral("-r30"),
                                               QStringLiteral("-o"), InMaps(QStringLiteral("pspage-%d.png")), ps}));
    // The scheduler's filter makes the two copies of each of the four pages we sent.
    const std::vector<QImage> pages = Rendered(InMaps(QStringLiteral("pspage")));
    ASSERT_EQ(pages.size(), 8u);
    for (int copy : {0, 1})
        ExpectCrossQuarters({pages[size_t(copy)], pages[size_t(2 + copy)], pages[size_t(4 + copy)], pages[size_t(6 + copy)]});
}

// Esc in the middle of a PostScript job drops it before its document is whole: no filter of
// the scheduler starts and nothing reaches the printer.
TEST_F(CupsPrinting, StoppedPostScriptJobNeverReachesTheSpooler)
{
    const int queue = IndexOf(PsQueue);
    int copies = 1;
    ASSERT_TRUE(StartPrintJob(queue, QStringLiteral("stopped.zmd"), false, copies));
    ASSERT_TRUE(PrintSys.PassThrough);
    Device* device = nullptr;
    OutputSink* stream = nullptr;
    for (int page = 0; page < 3; ++page) {
        ASSERT_TRUE(StartPage(device, stream));
        stream->Write(QByteArray(20000, '%') + "\r\n");
        ASSERT_TRUE(EndPage());
    }
    AbortRequested = true;
    EndPrintJob();
    EXPECT_FALSE(PrintSys.Job);
    ASSERT_TRUE(cups.WaitIdle()) << cups.Error().toStdString();
    const QString log = cups.ErrorLog();
    EXPECT_FALSE(log.contains("Started filter")) << log.right(3000).toStdString();
    EXPECT_FALSE(log.contains("Started backend")) << log.right(3000).toStdString();
    EXPECT_FALSE(QFile::exists(cups.Output(PsQueue)));
    EXPECT_TRUE(messages.Entries().empty());
}

// The page's margins are the printer's printable area: none on a queue that prints to the
// edge, the PPD's on another, turned with the sheet when its Properties make it landscape;
// the check and the job see the same page.
TEST_F(CupsPrinting, MarginsAreThePrintableAreaInEitherOrientation)
{
    QByteArray ppd = Read(QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd"));
    const QByteArray a4 = "*ImageableArea A4/A4: \"18 36 577 806\"";
    ASSERT_TRUE(ppd.contains(a4));
    ppd.replace(a4, "*ImageableArea A4/A4: \"0 0 595 842\"");
    QFile edgePpd(InMaps(QStringLiteral("edge.ppd")));
    ASSERT_TRUE(edgePpd.open(QIODevice::WriteOnly));
    edgePpd.write(ppd);
    edgePpd.close();
    ASSERT_TRUE(cups.AddQueue(QStringLiteral("EDGE"), edgePpd.fileName(), true)) << cups.Error().toStdString();
    printers = std::make_unique<QtPrinters>();
    const int edge = IndexOf(QStringLiteral("EDGE")), pdf = IndexOf(PdfQueue);
    ASSERT_TRUE(CheckPrinter(edge));
    EXPECT_EQ(PrintSys.Page.PrintableLeftPt, 0);
    EXPECT_EQ(PrintSys.Page.PrintableTopPt, 0);
    EXPECT_GE(PrintSys.HORZSIZE, 209);
    EXPECT_GE(PrintSys.VERTSIZE, 296);
    {
        ModalScript script;
        script.Then<QDialog>([](QDialog& d) {
            d.findChild<QRadioButton*>(QStringLiteral("LandscapeB"))->click();
            d.findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
        });
        EditPrinterProperties(pdf);
        EXPECT_TRUE(script.Done());
    }
    // The sheet's margins of 18 points at the sides and 36 at the ends, turned with the page.
    ASSERT_TRUE(CheckPrinter(pdf));
    EXPECT_TRUE(PrintSys.Page.Landscape);
    EXPECT_EQ(PrintSys.Page.PrintableLeftPt, 36);
    EXPECT_EQ(PrintSys.Page.PrintableTopPt, 18);
    EXPECT_EQ(PrintSys.HORZSIZE, 271);
    EXPECT_EQ(PrintSys.VERTSIZE, 197);
    int copies = 1;
    ASSERT_TRUE(StartPrintJob(pdf, QStringLiteral("margins.zmd"), false, copies));
    EXPECT_EQ(PrintSys.HORZSIZE, 271);
    EXPECT_EQ(PrintSys.VERTSIZE, 197);
    EXPECT_EQ(PrintSys.Page.PrintableLeftPt, 36);
    AbortRequested = true;
    EndPrintJob();
}

TEST_F(CupsPrinting, PrintToFileOnThePostScriptQueueWritesPostScriptOnly)
{
    const int queue = IndexOf(PsQueue);
    OpenCrossMap(queue);
    const QString prn = InMaps(QStringLiteral("job.prn"));
    dialogs.QueueAnswer(true, prn);
    PrintOptions o = Options(queue);
    o.ToFile = true;
    o.Copies = 2;
    PrintJobs(o);
    ASSERT_TRUE(cups.WaitIdle());
    const QByteArray text = Read(prn);
    ASSERT_TRUE(text.startsWith("%!PS-Adobe-3.0\r\n"));
    EXPECT_TRUE(text.contains("%%Pages: 4\r\n"));
    EXPECT_FALSE(text.contains("%PDF"));
    for (char c : text)
        ASSERT_TRUE(uint8_t(c) >= 32 || c == '\r' || c == '\n') << int(c);
    // Nothing went to the queue.
    EXPECT_FALSE(QFile::exists(cups.Output(PsQueue)));
}

} // namespace
} // namespace zemo::test
