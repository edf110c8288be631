// Printing: the page layout, the job loop's page order, the PostScript printer's job text and
// its frames, and jobs painted into a PDF file read back by poppler's tools.
#include "IoFixture.h"
#include "../external/ModalScript.h"
#include "../support/MapSnapshot.h"

#include "../support/TestMapReader.h"
#include "core/Setup.h"
#include "io/Ports.h"
#include "io/Print.h"
#include "io/PrintSys.h"
#include "io/widgets/PrintDlg.h"
#include "io/widgets/QtPrinters.h"
#include "platform/RecordingDevice.h"
#include "render/TemplateDraw.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>

namespace zemo::test {
namespace {

// A printer that records: the view origin of each page begun, and a PostScript printer's text.
class FakePrinters final : public PrinterSystem {
public:
    QStringList names{QStringLiteral("Office")};
    PrinterPage page{600, 600, 190, 277, 595.28, 841.89, 14.17, 14.17};
    bool postScript = false;
    bool copies = false;
    int starts = 0;
    int finished = 0;
    int aborted = 0;
    int driverCopies = 0;
    std::vector<Cord> origins;
    QByteArray raw;
    RecordingDevice device;

    QStringList Names() override { return names; }
    int SystemDefault() override { return 0; }
    void Select(int) override {}
    void EditProperties(int) override {}
    bool Check(int, PrinterPage& p) override
    {
        p = page;
        return true;
    }
    bool SupportsCopies(int) override { return copies; }
    std::unique_ptr<PrintJob> Start(int, const QString&, const QString&, int c, bool pass,
                                    PrinterPage& p) override
    {
        ++starts;
        driverCopies = c;
        p = page;
        return std::make_unique<Job>(*this, pass && postScript);
    }

private:
    struct Job final : PrintJob, OutputSink {
        Job(FakePrinters& o, bool ps) : owner(o), ps(ps) {}
        OutputSink* RawStream() override { return ps ? this : nullptr; }
        void Write(QByteArrayView b) override { owner.raw += b.toByteArray(); }
        Device* BeginPage() override
        {
            owner.origins.push_back(Scale.ViewOrigin);
            return &owner.device;
        }
        bool EndPage() override { return true; }
        bool Finish() override
        {
            ++owner.finished;
            return true;
        }
        void Abort() override { ++owner.aborted; }
        FakePrinters& owner;
        bool ps;
    };
};

int Count(const QByteArray& text, const char* what)
{
    return int(text.count(what));
}

class Printing : public IoTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        ResetPrintUnit();
        IoPorts().Printers.Bind([this] { return printers; });
    }

    // A red line 3 mm wide and a red area beside it, within 100 x 50 mm.
    TZmd* OpenMap(std::vector<TestSeparation> separations = {})
    {
        TestMapWriter w(8);
        TestColor red = TestColor::Cmyk(0, "Red", 0, 200, 200, 0);
        if (!separations.empty())
            red.separationPercent.fill(100);
        w.colors = {red};
        w.separations = std::move(separations);
        w.symbols = {TestSymbol::Line(10, 0, 300), TestSymbol::Area(20, 0)};
        w.objects.push_back(TestObject::Line(10, {{10 * Mm, 10 * Mm}, {90 * Mm, 10 * Mm}}));
        w.objects.push_back(TestObject::Area(
            20, {{10 * Mm, 20 * Mm}, {90 * Mm, 20 * Mm}, {90 * Mm, 40 * Mm}, {10 * Mm, 40 * Mm}, {10 * Mm, 20 * Mm}}));
        TZmd* z = Open(w);
        z->Setup.MapScale = 10000;
        z->Setup.PrintScale = 10000;
        z->Setup.PrintIntensity = 100;
        z->Setup.PrintLineWidth = 100;
        return z;
    }

    PrintOptions Options(int range = EntireMapRange, int copies = 1)
    {
        PrintOptions o = PrintDialogOptions();
        o.Range = range;
        o.Copies = copies;
        return o;
    }

    static QString Pdfinfo(const QString& file)
    {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {file});
        p.waitForFinished(60000);
        return QString::fromLatin1(p.readAllStandardOutput());
    }
    static int PdfPages(const QString& file)
    {
        const QString info = Pdfinfo(file);
        const qsizetype at = info.indexOf(QStringLiteral("Pages:"));
        return at < 0 ? -1 : info.mid(at + 6).section(u'\n', 0, 0).trimmed().toInt();
    }

    FakePrinters fake;
    PrinterSystem* printers = &fake;
};

TEST_F(Printing, PagesAcrossFollowPageOverlapAndRatio)
{
    OpenMap();
    struct Case {
        int widthMm100;     // the rectangle's width, 0.01 mm
        double printScale;  // map scale 10000
        int overlap;        // setup overlap, 0.01 mm
        int across;
        int overlapX;
        int pageWidth;
    };
    const Case cases[] = {
        {28000, 10000, 1000, 2, 1000, 19000},   // 19000 < 27950, 37000 >= 27950
        {19050, 10000, 1000, 1, 1000, 19000},   // half a millimetre over: still one
        {19060, 10000, 1000, 2, 1000, 19000},
        {28000, 10000, 15000, 2, 9500, 19000},  // overlap cut to half a page
        {28000, 20000, 1000, 1, 2000, 38000},   // ratio 0.5: twice the map length
        {56000, 20000, 1000, 2, 2000, 38000},
        {100, 10000, 0, 1, 0, 19000},
        {28000, 10000, -1000, 2, 0, 19000},     // a negative overlap read from the map is none
    };
    PrintSys.LOGPIXELSX = PrintSys.LOGPIXELSY = 600;
    PrintSys.HORZSIZE = 190;
    PrintSys.VERTSIZE = 277;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.widthMm100);
        Stp()->PrintScale = c.printScale;
        Stp()->PrintOverlapX = int16_t(c.overlap);
        Prt.PrintRect = {0, 0, int32_t(int64_t(c.widthMm100) * 256), 100 * Mm};
        ComputePrintPages();
        EXPECT_EQ(Prt.Across, c.across);
        EXPECT_EQ(Prt.OverlapX, c.overlapX);
        EXPECT_EQ(Prt.PageWidth, c.pageWidth);
        EXPECT_EQ(Prt.Down, 1);
        EXPECT_DOUBLE_EQ(Prt.PageScaleX, 600 * (10000 / c.printScale) / 2540);
    }
}

TEST_F(Printing, PagesRunCopiesThenColumnsThenRows)
{
    OpenMap();
    // Overlaps and resolutions differ across and down; 545 mm down takes two pages with a
    // 7 mm overlap and would take three with a 10 mm one.
    Stp()->PrintRange = {0, 0, 300 * Mm, 545 * Mm};
    Stp()->PrintOverlapX = 1000;
    Stp()->PrintOverlapY = 700;
    fake.page.DpiY = 300;
    PrintJobs(Options(PartialMapRange, 2));
    ASSERT_EQ(fake.starts, 1);
    EXPECT_EQ(fake.finished, 1);
    ASSERT_EQ(fake.origins.size(), 8u);
    const auto& o = fake.origins;
    // Column 0 top, column 0 bottom, column 1 top, column 1 bottom; then the second copy.
    EXPECT_EQ(o[0].x, o[1].x);
    EXPECT_GT(o[0].y, o[1].y);
    EXPECT_GT(o[2].x, o[0].x);
    EXPECT_EQ(o[2].y, o[0].y);
    EXPECT_EQ(o[3].y, o[1].y);
    // Neighbours overlap by 10 mm across and 7 mm down: the step is the page less the overlap.
    EXPECT_EQ(o[2].x - o[0].x, (19000 - 1000) * 256);
    EXPECT_EQ(o[0].y - o[1].y, (27700 - 700) * 256);
    // The pages sit about the range's centre, each origin at its page's top left corner.
    EXPECT_EQ(o[0].x, 150 * Mm - (19000 - 1000) * 128 - 19000 * 128);
    EXPECT_EQ(o[0].y, 545 * Mm / 2 + (27700 - 700) * 128 + 27700 * 128);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(o[size_t(k + 4)], o[size_t(k)]);
}

TEST_F(Printing, PrinterCopiesTakeOnePass)
{
    OpenMap();
    fake.copies = true;
    PrintJobs(Options(EntireMapRange, 3));
    EXPECT_EQ(fake.driverCopies, 3);
    EXPECT_EQ(fake.origins.size(), 1u);
}

TEST_F(Printing, PrinterChecksAndStartsRefuseUnusablePages)
{
    OpenMap();
    struct Case {
        int widthMm;
        int dpi;
        bool checked;   // CheckPrinter: dots and more than 5 mm
        bool started;   // StartPrintJob: dots and at least 6 mm
    };
    const Case cases[] = {{6, 600, true, true}, {5, 600, false, false}, {190, 0, false, false}, {190, 1, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.widthMm);
        fake.page.WidthMm = c.widthMm;
        fake.page.DpiX = c.dpi;
        const size_t before = messages.Entries().size();
        EXPECT_EQ(CheckPrinter(0), c.checked);
        int copies = 1;
        const int aborted = fake.aborted;
        EXPECT_EQ(StartPrintJob(0, QStringLiteral("/maps/map.zmd"), false, copies), c.started);
        EXPECT_EQ(fake.aborted, aborted + (c.started ? 0 : 1));
        EXPECT_EQ(messages.Entries().size(), before + (c.checked ? 0 : 1) + (c.started ? 0 : 1));
        if (!c.checked)
            EXPECT_EQ(messages.Entries().back().msg.helpContext, PaperSizeHelpContext);
        AbortRequested = true;
        EndPrintJob();
    }
}

TEST_F(Printing, PdfWritersMakeOneCopyWithoutFileOrPostScript)
{
    OpenMap();
    fake.postScript = true;
    fake.copies = true;
    fake.names = {QStringLiteral("Acrobat Distiller"), QStringLiteral("Office")};
    dialogs.QueueAnswer(true, InMaps(QStringLiteral("job.prn")));
    for (int printer : {0, 1}) {
        SCOPED_TRACE(printer);
        int copies = 3;
        ASSERT_TRUE(StartPrintJob(printer, InMaps(QStringLiteral("map.zmd")), true, copies));
        EXPECT_EQ(copies, 1);
        EXPECT_EQ(fake.driverCopies, 1);
        EXPECT_EQ(PrintSys.PassThrough, printer == 1);
        AbortRequested = true;
        EndPrintJob();
    }
    // Only the second printer asked for the file, proposing the map's name as a .prn.
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].defaultExt, QStringLiteral("prn"));
    EXPECT_TRUE(dialogs.Requests()[0].fileName.endsWith(QStringLiteral("map.prn")));
}

TEST_F(Printing, PassThroughFramesGiveOnlyTheBytes)
{
    QByteArray framed;
    const QByteArray lines[] = {"%!PS", "", QByteArray(300, 'x'), "showpage"};
    QByteArray plain;
    for (const QByteArray& l : lines) {
        framed += char(l.size() & 0xFF);
        framed += char(l.size() >> 8);
        framed += l;
        plain += l;
    }
    for (int chunk : {1, 2, 3, 7, 1000}) {
        SCOPED_TRACE(chunk);
        struct Collect final : OutputSink {
            void Write(QByteArrayView b) override { text += b.toByteArray(); }
            QByteArray text;
        } out;
        PassThroughFrames frames(out);
        for (qsizetype at = 0; at < framed.size(); at += chunk)
            frames.Write(QByteArrayView(framed).sliced(at, std::min<qsizetype>(chunk, framed.size() - at)));
        EXPECT_EQ(out.text, plain);
    }
}

TEST_F(Printing, PostScriptPrinterGetsFramedPagesOfBodies)
{
    OpenMap();
    fake.postScript = true;
    Stp()->PrintRange = {0, 0, 300 * Mm, 400 * Mm};
    PrintJobs(Options(PartialMapRange));
    const QByteArray& t = fake.raw;
    ASSERT_TRUE(t.startsWith("%!PS-Adobe-3.0\r\n"));
    EXPECT_EQ(Count(t, "%%Page: "), 4);
    EXPECT_TRUE(t.contains("%%Pages: 4\r\n"));
    EXPECT_TRUE(t.contains("%%DocumentMedia: Plain 595.28 841.89"));
    EXPECT_EQ(Count(t, "%%BeginDocument"), 4);
    EXPECT_EQ(Count(t, "%%EndDocument"), 4);
    EXPECT_EQ(Count(t, "\r\nshowpage\r\n"), 4);
    EXPECT_TRUE(t.contains("14.17 827.72 translate\r\n72 600 div dup neg scale\r\n%%BeginDocument: page1\r\n%!PS-Adobe-3.0 EPSF-2.0\r\n"));
    EXPECT_TRUE(t.contains("%%Title: ZEMO Eps_PassThrough"));
    // No frame lengths in the text: nothing below a blank but CR and LF.
    for (char c : t)
        ASSERT_TRUE(uint8_t(c) >= 32 || c == '\r' || c == '\n') << int(c);
    EXPECT_TRUE(fake.origins.empty());

    // Ghostscript renders four pages, with ink only on the pages that hold the map (the first
    // column's bottom page holds it: the map lies at the rectangle's lower left).
    const QString ps = InMaps(QStringLiteral("job.ps"));
    WriteFile(ps, t);
    QProcess gs;
    gs.start(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                    QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=pnggray"), QStringLiteral("-r20"),
                                    QStringLiteral("-o"), InMaps(QStringLiteral("page%d.png")), ps});
    ASSERT_TRUE(gs.waitForFinished(120000));
    ASSERT_EQ(gs.exitCode(), 0) << gs.readAllStandardError().toStdString();
    std::vector<bool> inked;
    for (int p = 1; p <= 4; ++p) {
        QImage img(InMaps(QStringLiteral("page%1.png").arg(p)));
        ASSERT_FALSE(img.isNull()) << p;
        bool any = false;
        for (int y = 0; y < img.height() && !any; ++y)
            for (int x = 0; x < img.width() && !any; ++x)
                any = qGray(img.pixel(x, y)) < 200;
        inked.push_back(any);
    }
    EXPECT_EQ(inked, (std::vector<bool>{false, true, false, false}));
}

TEST_F(Printing, TemplateDimOf100IsWhiteAndIntensityScalesEveryColourOnce)
{
    OpenMap();
    Graph.ClipRect = {1, 1, 0, 0};
    struct Case {
        int dim;
        int intensity;
        uint32_t cmyk;  // red: M = Y = 200
    };
    const Case cases[] = {
        {0, 100, 200u << 8 | 200u << 16},
        {50, 100, 100u << 8 | 100u << 16},
        {100, 100, 0},
        {0, 50, 100u << 8 | 100u << 16},
        {50, 50, 50u << 8 | 50u << 16},
        // 150 at 33 % is 49.5 and at 11 % 16.5: halves go to the even neighbour.
        {25, 33, 50u << 8 | 50u << 16},
        {25, 11, 16u << 8 | 16u << 16},
    };
    for (const Case& c : cases) {
        Prt.Intensity = c.intensity;
        DrawMapColours(c.dim);
        EXPECT_EQ(Graph.OutputCmyk, c.cmyk) << c.dim << ' ' << c.intensity;
    }
    // Dimmed by half, 5, 7, 25 and 1 become 2.5, 3.5, 12.5 and 0.5: 2, 4, 12 and 0.
    EXPECT_EQ(DimmedCmyk(5u | 7u << 8 | 25u << 16 | 1u << 24, 50), 2u | 4u << 8 | 12u << 16);
}

TEST_F(Printing, SeparationsWithoutNamesAndEscStopLaterOnes)
{
    TestSeparation black, none, red;
    black.name = "Black";
    none.name = "";
    red.name = "Red";
    OpenMap({black, none, red});
    PrintOptions o = Options();
    o.Separations = true;
    o.Selected = {true, true, true};
    PrintJobs(o);
    EXPECT_EQ(fake.starts, 2);
    EXPECT_EQ(fake.finished, 2);

    fake.starts = fake.finished = 0;
    escAt = 1;
    PrintJobs(o);
    EXPECT_EQ(fake.starts, 1);
    EXPECT_EQ(fake.finished, 0);
    EXPECT_EQ(fake.aborted, 1);
}

TEST_F(Printing, SeparationsOfAMapWithoutThemPrintNothing)
{
    OpenMap();
    PrintOptions o = Options();
    o.Separations = true;
    PrintJobs(o);
    EXPECT_EQ(fake.starts, 0);
}

class PdfPrinting : public Printing {
protected:
    void SetUp() override
    {
        Printing::SetUp();
        pdf = InMaps(QStringLiteral("printed.pdf"));
        qt = std::make_unique<QtPrinters>(QStringLiteral("PDF"), pdf);
        printers = qt.get();
    }
    QString pdf;
    std::unique_ptr<QtPrinters> qt;
};

TEST_F(PdfPrinting, CopiesWithoutPrinterSupportRepeatTheSet)
{
    OpenMap();
    Stp()->PrintRange = {0, 0, 300 * Mm, 50 * Mm};
    PrintJobs(Options(PartialMapRange, 3));
    EXPECT_EQ(PdfPages(pdf), 6);
    EXPECT_TRUE(messages.Entries().empty());
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    QFile::remove(samples + QStringLiteral("/print-3-copies-2-pages.pdf"));
    QFile::copy(pdf, samples + QStringLiteral("/print-3-copies-2-pages.pdf"));
}

TEST_F(PdfPrinting, NothingPrintedLeavesNoFile)
{
    OpenMap();
    // One page far off the map.
    Stp()->PrintRange = {1000 * Mm, 1000 * Mm, 1100 * Mm, 1100 * Mm};
    PrintJobs(Options(OnePageRange));
    EXPECT_FALSE(QFile::exists(pdf));
    // Esc while the first page draws.
    escAt = 1;
    PrintJobs(Options());
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(FilesInMaps(), QStringList{QStringLiteral("map.zmd")});
}

TEST_F(PdfPrinting, HalfIntensityPrintsFillAndLineAlike)
{
    OpenMap();
    Stp()->PrintIntensity = 50;
    PrintOptions o = Options();
    o.Intensity = 50;
    PrintJobs(o);
    ASSERT_EQ(PdfPages(pdf), 1);
    QProcess p;
    const QString png = InMaps(QStringLiteral("page"));
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, png});
    ASSERT_TRUE(p.waitForFinished(60000));
    QImage img(png + QStringLiteral(".png"));
    ASSERT_FALSE(img.isNull());
    // The page is centred on the map's extent; find the two red shapes by their colour.
    std::map<QRgb, int> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                ++colours[img.pixel(x, y)];
    ASSERT_FALSE(colours.empty());
    const auto most = std::max_element(colours.begin(), colours.end(),
                                       [](auto& a, auto& b) { return a.second < b.second; });
    // Half-intensity red: one colour covers nearly all inked pixels, fill and line alike.
    int inked = 0;
    for (auto& [c, n] : colours)
        inked += n;
    EXPECT_GT(most->second, inked * 9 / 10);
    EXPECT_GT(qGreen(most->first), 100);
    EXPECT_LT(qGreen(most->first), 160);
}

// The PDF printer paints at 1200 dpi: the template's bands are rendered at half of it, and Esc
// while they render leaves nothing.
TEST_F(PdfPrinting, ShownTemplatePrintsAt600PpiAndEscInItsBandsLeavesNoFile)
{
    const QString raster = InMaps(QStringLiteral("grey.tpx"));
    ASSERT_TRUE(WriteTestRaster(raster, TestRaster::Grey(10, 5, 24)));
    TestMapWriter w(8);
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200)};
    w.symbols = {TestSymbol::Line(10, 0, 50)};
    w.objects.push_back(TestObject::Line(10, {{0, 0}, {10 * Mm, -5 * Mm}}));
    w.strings.push_back(TestPString::Make(8, 0, Placed(raster, 10, 5, 100)));
    TZmd* z = Open(w);
    z->Setup.MapScale = z->Setup.PrintScale = 10000;
    z->Setup.PrintIntensity = z->Setup.PrintLineWidth = 100;

    escAt = 1;
    PrintJobs(Options());
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(FilesInMaps(), (QStringList{QStringLiteral("grey.tpx"), QStringLiteral("map.zmd")}));

    escAt = 0;
    PrintJobs(Options());
    ASSERT_EQ(PdfPages(pdf), 1);
    QProcess p;
    p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QStringList rows = QString::fromLatin1(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(rows.isEmpty());
    for (const QString& row : rows) {
        const QStringList f = row.simplified().split(u' ');
        ASSERT_GE(f.size(), 14) << row.toStdString();
        EXPECT_EQ(f[12], QStringLiteral("600")) << row.toStdString();
        EXPECT_EQ(f[13], QStringLiteral("600")) << row.toStdString();
    }
}

TEST_F(PdfPrinting, PropertiesKeptUntilAnotherPrinterIsChosen)
{
    OpenMap();
    ASSERT_TRUE(CheckPrinter(0));
    const int a4 = PrintSys.HORZSIZE;
    {
        PrintOptions o = PrintDialogOptions();
        TPrintDlg dlg(nullptr, o);
        ModalScript script;
        script.Then<QDialog>([](QDialog& d) {
            auto* paper = d.findChild<QComboBox*>(QStringLiteral("PaperB"));
            paper->setCurrentIndex(paper->findText(QPageSize(QPageSize::A3).name()));
            d.findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
        });
        dlg.findChild<QPushButton*>(QStringLiteral("PropertiesBtn"))->click();
        EXPECT_TRUE(script.Done());
    }
    ASSERT_TRUE(CheckPrinter(0));
    EXPECT_GT(PrintSys.HORZSIZE, a4 + 50);
    SelectPrinter(1);
    ASSERT_TRUE(CheckPrinter(0));
    EXPECT_EQ(PrintSys.HORZSIZE, a4);
}

TEST_F(Printing, DialogRefusesScalesKeepsSettingsAndHelpsByPage)
{
    TZmd* z = OpenMap();
    z->Setup.PrintIntensity = 5;
    z->Setup.PrintLineWidth = 151;
    ASSERT_TRUE(SaveTypedPString(QStringLiteral("\tc7\tr1"), PrintSettingsType));
    PrintOptions o = PrintDialogOptions();
    const bool gridBefore = z->Setup.PrintGrid;
    // Shown as 100; the map keeps its values until the user changes them.
    EXPECT_EQ(z->Setup.PrintIntensity, 5);
    EXPECT_EQ(z->Setup.PrintLineWidth, 151);
    {
        TPrintDlg dlg(nullptr, o);
        EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("IntensityE"))->text(), QStringLiteral("100"));
        EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("LineWidthE"))->text(), QStringLiteral("100"));
        EXPECT_EQ(dlg.HelpContext(), PrintGeneralHelpContext);
        auto* pages = dlg.findChild<QTabWidget*>(QStringLiteral("PageControl"));
        pages->setCurrentIndex(1);
        EXPECT_EQ(dlg.HelpContext(), PrintOptionsHelpContext);
        // The up-down buttons stay as tall as their fields on the roomy page.
        dlg.show();
        for (const QString name : {QStringLiteral("Intensity"), QStringLiteral("LineWidth")}) {
            const QWidget* field = dlg.findChild<QLineEdit*>(name + u'E');
            const QWidget* buttons = dlg.findChild<QWidget*>(name + u'B');
            EXPECT_LE(buttons->height(), field->height() + 2) << name.toStdString();
        }
        dlg.hide();
        pages->setCurrentIndex(0);
        auto* scale = dlg.findChild<QComboBox*>(QStringLiteral("PrintScaleB"));
        for (const char* refused : {"999", "100001", "abc"}) {
            scale->setEditText(QString::fromLatin1(refused));
            const size_t before = messages.Entries().size();
            dlg.findChild<QPushButton*>(QStringLiteral("CloseBtn"))->click();
            EXPECT_EQ(messages.Entries().size(), before + 1) << refused;
        }
        scale->setEditText(QStringLiteral("15000"));
        dlg.findChild<QLineEdit*>(QStringLiteral("CopiesE"))->setText(QStringLiteral("3"));
        dlg.findChild<QLineEdit*>(QStringLiteral("IntensityE"))->setText(QStringLiteral("55"));
        dlg.findChild<QCheckBox*>(QStringLiteral("GridB"))->setChecked(!z->Setup.PrintGrid);
        const size_t before = messages.Entries().size();
        dlg.findChild<QPushButton*>(QStringLiteral("CloseBtn"))->click();
        EXPECT_EQ(messages.Entries().size(), before);
        EXPECT_FALSE(dlg.Printed());
    }
    EXPECT_EQ(z->Setup.PrintScale, 15000);
    // Course printing's fields in the same settings string stay.
    EXPECT_EQ(GetParamText(z->MapSettings[size_t(MapSettingsSlot(PrintSettingsType))], u'c'), QStringLiteral("7"));
    EXPECT_EQ(z->Setup.PrintIntensity, 55);
    // Kept in the working file too, not only in memory.
    const SetupRecord stored = ReadSetupBytes(ReadMapBytes(WorkingFileBytes(*z)).setup);
    EXPECT_EQ(stored.PrintScale, 15000);
    EXPECT_EQ(stored.PrintIntensity, 55);
    EXPECT_EQ(stored.PrintGrid, z->Setup.PrintGrid);
    EXPECT_NE(stored.PrintGrid, gridBefore);
    EXPECT_EQ(ProgramConfig.PrintPrinter, QStringLiteral("Office"));
    PrintOptions again = PrintDialogOptions();
    EXPECT_EQ(again.Copies, 3);
    EXPECT_EQ(again.Intensity, 55);
    EXPECT_EQ(again.PrintScale, 15000);
    TPrintDlg dlg(nullptr, again);
    EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("CopiesE"))->text(), QStringLiteral("3"));
    EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("IntensityE"))->text(), QStringLiteral("55"));
}

} // namespace
} // namespace zemo::test
