// One course print job through the PDF test printer, its pages drawn by pdftoppm at 150 dpi:
// the course alone leaves the base map's colours out, prints black with b and mirrored with
// m; half intensity inks lighter; two copies of a partial range of 2 x 3 pages make 12 pages;
// a page that fails ends its job, which is closed, and the next job still prints.
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/Ports.h"
#include "render/Scale.h"
#include "course/CsPrint.h"
#include "document/Index.h"
#include "io/Ports.h"
#include "io/Print.h"
#include "io/PrintSys.h"
#include "io/widgets/QtPrinters.h"
#include "render/GraphSys.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;
constexpr int Dpi = 150;

// A printer whose jobs fail to begin a chosen page, over the PDF printer.
class FailingPages final : public PrinterSystem {
public:
    FailingPages(PrinterSystem& inner) : inner_(inner) {}
    int failAt = 0;  // the page (from 1) of the next job that fails; 0 none
    int started = 0;
    int finished = 0;
    int aborted = 0;

    QStringList Names() override { return inner_.Names(); }
    int SystemDefault() override { return inner_.SystemDefault(); }
    void Select(int i) override { inner_.Select(i); }
    void EditProperties(int i) override { inner_.EditProperties(i); }
    bool Check(int i, PrinterPage& p) override { return inner_.Check(i, p); }
    bool SupportsCopies(int i) override { return inner_.SupportsCopies(i); }
    std::unique_ptr<PrintJob> Start(int i, const QString& t, const QString& f, int c, bool pass, PrinterPage& p) override
    {
        auto job = inner_.Start(i, t, f, c, pass, p);
        if (!job)
            return nullptr;
        ++started;
        return std::make_unique<Job>(*this, std::move(job), std::exchange(failAt, 0));
    }

private:
    struct Job final : PrintJob {
        Job(FailingPages& o, std::unique_ptr<PrintJob> j, int fail) : owner(o), inner(std::move(j)), failAt(fail) {}
        Device* BeginPage() override { return ++pages == failAt ? nullptr : inner->BeginPage(); }
        bool EndPage() override { return inner->EndPage(); }
        bool Finish() override
        {
            ++owner.finished;
            return inner->Finish();
        }
        void Abort() override
        {
            ++owner.aborted;
            inner->Abort();
        }
        FailingPages& owner;
        std::unique_ptr<PrintJob> inner;
        int failAt;
        int pages = 0;
    };
    PrinterSystem& inner_;
};

class CsPrintPdf : public ProgramFixture {
protected:
    // Purple controls (5 mm dots) at (0, 0) and (40, 20) mm over a base map template whose
    // green area covers -100 .. 100 mm; 1:10000, printed at 1:10000.
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        pdf = TempPath(QStringLiteral("course.pdf"));
        qt = std::make_unique<QtPrinters>(QStringLiteral("PDF"), pdf);
        failing = std::make_unique<FailingPages>(*qt);
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(failing.get()); });

        TestMapWriter base(8);
        base.colors = {TestColor::Cmyk(0, "Green", 200, 0, 200, 0)};
        base.symbols = {TestSymbol::Area(10, 0)};
        base.objects.push_back(TestObject::Area(10, {{-100 * Mm, -100 * Mm}, {100 * Mm, -100 * Mm},
                                                     {100 * Mm, 100 * Mm}, {-100 * Mm, 100 * Mm},
                                                     {-100 * Mm, -100 * Mm}}));
        ASSERT_TRUE(base.WriteTo(QFile::encodeName(TempPath(QStringLiteral("base.zmd"))).toStdString()));

        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Purple", 0, 200, 0, 0)};
        w.symbols = {TestSymbol::Point(7020, {TestElement::Dot(0, 500)})};
        w.objects.push_back(TestObject::Point(7020, 0, 0));
        w.objects.push_back(TestObject::Point(7020, 40 * Mm, 20 * Mm));
        w.strings.push_back(TestPString::Make(8, 0, "base.zmd\ts1"));
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("map.zmd")));
        SetupRecord& s = *Stp();
        s.MapScale = s.PrintScale = 10000;
        s.PrintIntensity = s.PrintLineWidth = 100;
        ASSERT_TRUE(CheckPrinter(0));
    }

    void TearDown() override
    {
        ProgramFixture::TearDown();
        IoPorts().Printers.Bind([] { return static_cast<PrinterSystem*>(nullptr); });
    }

    // A job as the command frame runs it: the map windows paint after it, not in between.
    static bool Print(const CsPrintOptions& o, const char* course)
    {
        bool ok = false;
        EXPECT_TRUE(RunInFrame([&] { ok = PrintCourseJob(o, QString::fromLatin1(course)); }, "print"));
        return ok;
    }

    CsPrintOptions Options(int range, int copies = 1, int intensity = 100)
    {
        CsPrintOptions o = CsPrintDialogOptions();
        o.Printer = 0;
        o.Range = range;
        o.Copies = copies;
        o.Intensity = intensity;
        return o;
    }

    // The course alone with the sheet's corner at (-50, -60) mm.
    void CourseAlone(const char* settings)
    {
        SaveTypedPString(QString::fromLatin1(settings), PrintSettingsType);
        Stp()->PrintRange = {-50 * Mm, -60 * Mm, 0, 0};
    }

    QImage Page(int n = 1)
    {
        QProcess p;
        const QString png = TempPath(QStringLiteral("page"));
        p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-png"),
                                             QStringLiteral("-f"), QString::number(n), QStringLiteral("-singlefile"),
                                             pdf, png});
        EXPECT_TRUE(p.waitForFinished(60000));
        QImage img(png + QStringLiteral(".png"));
        QFile::remove(png + QStringLiteral(".png"));
        return img;
    }
    static int PdfPages(const QString& file)
    {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {file});
        p.waitForFinished(60000);
        const QString info = QString::fromLatin1(p.readAllStandardOutput());
        const qsizetype at = info.indexOf(QStringLiteral("Pages:"));
        return at < 0 ? -1 : info.mid(at + 6).section(u'\n', 0, 0).trimmed().toInt();
    }
    // The pixel of a map point on a course-alone page at scale 1 with the sheet's lower-left
    // corner at (x1, y1): x from the printable area's left edge, y from its top (from its
    // bottom when mirrored).
    static QPoint At(int32_t x, int32_t y, bool mirrored = false)
    {
        const double leftMm = PrintSys.Page.PrintableLeftPt / 72 * 25.4;
        const double topMm = PrintSys.Page.PrintableTopPt / 72 * 25.4;
        const double dx = (double(x) + 50 * Mm) / Mm;
        const double dy = mirrored ? (double(y) + 60 * Mm) / Mm : PrintSys.VERTSIZE - (double(y) + 60 * Mm) / Mm;
        return QPoint(int((leftMm + dx) / 25.4 * Dpi), int((topMm + dy) / 25.4 * Dpi));
    }
    void Keep(const QString& name)
    {
        const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
        QDir().mkpath(samples);
        QFile::remove(samples + u'/' + name);
        QFile::copy(pdf, samples + u'/' + name);
    }

    QString pdf;
    std::unique_ptr<QtPrinters> qt;
    std::unique_ptr<FailingPages> failing;
};

bool Purple(QRgb c) { return qRed(c) > 150 && qGreen(c) < 100 && qBlue(c) > 150; }
bool Green(QRgb c) { return qGreen(c) > 120 && qRed(c) < 100; }
bool Black(QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60; }
bool White(QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }

TEST_F(CsPrintPdf, TheCourseAloneLeavesTheBaseMapOutPrintsBlackAndMirrored)
{
    // The entire map: the base map's green under the purple controls.
    ASSERT_TRUE(Print(Options(CsEntireMap), "Long"));
    QImage entire = Page();
    ASSERT_FALSE(entire.isNull());
    int green = 0;
    for (int y = 0; y < entire.height(); y += 7)
        for (int x = 0; x < entire.width(); x += 7)
            green += Green(entire.pixel(x, y));
    EXPECT_GT(green, 100);
    QFile::remove(pdf);

    const struct {
        const char* settings;
        bool (*ink)(QRgb);
        const char* sample;
    } rows[] = {
        {"\tb0\tm0\ts100\tt100", Purple, "course-alone.pdf"},
        {"\tb1\tm0\ts100\tt100\tr0", Black, "course-alone-black.pdf"},
        {"\tb0\tm1", Purple, "course-alone-mirrored.pdf"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.settings);
        CourseAlone(row.settings);
        const bool mirrored = GetParamBool(QString::fromLatin1(row.settings), u'm', false);
        ASSERT_TRUE(Print(Options(CsCourseAlone), "Long"));
        EXPECT_FALSE(Graph.Mirror);
        Keep(QString::fromLatin1(row.sample));
        const QImage img = Page();
        ASSERT_FALSE(img.isNull());
        for (const Cord c : {Cord{0, 0}, Cord{40 * Mm, 20 * Mm}}) {
            EXPECT_TRUE(row.ink(img.pixel(At(c.x, c.y, mirrored)))) << c.x << " " << c.y;
            // Nothing where the other orientation would put it (20 mm from the page's middle).
            EXPECT_TRUE(White(img.pixel(At(c.x, c.y, !mirrored)))) << c.x << " " << c.y;
        }
        // The base map's area around them is not printed.
        int inked = 0, greenHere = 0;
        for (int y = 0; y < img.height(); y += 3)
            for (int x = 0; x < img.width(); x += 3) {
                inked += !White(img.pixel(x, y));
                greenHere += Green(img.pixel(x, y));
            }
        EXPECT_EQ(greenHere, 0);
        EXPECT_LT(inked, 400);
        EXPECT_EQ(PdfPages(pdf), 1);
        QFile::remove(pdf);
    }
}

TEST_F(CsPrintPdf, HalfIntensityInksLighter)
{
    CourseAlone("\tb0\tm0");
    ASSERT_TRUE(Print(Options(CsCourseAlone, 1, 100), "Long"));
    const QRgb full = Page().pixel(At(0, 0));
    QFile::remove(pdf);
    ASSERT_TRUE(Print(Options(CsCourseAlone, 1, 50), "Long"));
    const QRgb half = Page().pixel(At(0, 0));
    EXPECT_TRUE(Purple(full));
    EXPECT_GT(qGreen(half), qGreen(full) + 60);
    EXPECT_FALSE(White(half));
}

// What an event handled while Esc is polled does to the view transform (a map window shown
// or resized sets it for the screen) does not reach the page being printed.
TEST_F(CsPrintPdf, AnEventDuringThePollLeavesThePageAlone)
{
    CorePorts().PumpKeyMessages.Bind([] {
        Scale.ViewOrigin = {12345 * 256, -999 * 256};
        Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 2048;
        Graph.ClipRect = {};
        Graph.CurrentColor = 77;
    });
    CourseAlone("\tb0\tm0");
    ASSERT_TRUE(Print(Options(CsCourseAlone), "Long"));
    const QImage img = Page();
    EXPECT_TRUE(Purple(img.pixel(At(0, 0))));
    EXPECT_TRUE(Purple(img.pixel(At(40 * Mm, 20 * Mm))));
}

TEST_F(CsPrintPdf, TwoCopiesOfTwoByThreePagesMakeTwelvePages)
{
    const PrintPageLayout one = LayOutPrintPages(1, PrintSys.LOGPIXELSX, PrintSys.LOGPIXELSY, PrintSys.HORZSIZE,
                                                 PrintSys.VERTSIZE, 0, 0, {});
    // One and a half pages across, two and a half down.
    const int32_t w = one.PageWidth * 3 / 2 * 256, h = one.PageHeight * 5 / 2 * 256;
    Stp()->PrintRange = {-w / 2, -h / 2, w / 2, h / 2};
    Stp()->PrintOverlapX = Stp()->PrintOverlapY = 0;
    ASSERT_TRUE(Print(Options(CsPartialMap, 2), "Long"));
    EXPECT_EQ(Prt.Across, 2);
    EXPECT_EQ(Prt.Down, 3);
    EXPECT_EQ(PdfPages(pdf), 12);
    Keep(QStringLiteral("course-2-copies-2x3-pages.pdf"));
}

TEST_F(CsPrintPdf, AFailingPageEndsItsJobAndTheNextJobPrints)
{
    const PrintPageLayout one = LayOutPrintPages(1, PrintSys.LOGPIXELSX, PrintSys.LOGPIXELSY, PrintSys.HORZSIZE,
                                                 PrintSys.VERTSIZE, 0, 0, {});
    const int32_t w = one.PageWidth * 3 / 2 * 256;
    Stp()->PrintRange = {-w / 2, -10 * Mm, w / 2, 10 * Mm};
    failing->failAt = 2;
    EXPECT_FALSE(Print(Options(CsPartialMap), "Long"));
    EXPECT_EQ(failing->started, 1);
    EXPECT_EQ(failing->aborted, 1);
    EXPECT_EQ(PrintSys.Job, nullptr);
    EXPECT_FALSE(QFile::exists(pdf));
    // The printer's failure is reported once; the job adds nothing.
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotOpenPrinter);
    EXPECT_TRUE(Print(Options(CsPartialMap), "Short"));
    EXPECT_EQ(failing->started, 2);
    EXPECT_EQ(failing->finished, 1);
    EXPECT_EQ(PdfPages(pdf), 2);
}

} // namespace
} // namespace zemo::test
