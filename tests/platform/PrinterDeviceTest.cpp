// The printer back end: a PDF job through QPrinter, rendered by pdftoppm.
#include "PlatformFixture.h"
#include "platform/widgets/PrinterDevice.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

namespace zemo {

using PrinterPdf = PlatformTest;

TEST_F(PrinterPdf, DrawsAtThePrinterResolutionPageByPageAndPrintsXorPlainly)
{
    // A full 4 x 3 inch page at 300 dpi without margins: unit (0, 0) is the page's corner.
    const QString pdf = Path("drawing.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(300);
        printer.setFullPage(true);
        printer.setPageLayout(QPageLayout(QPageSize(QSizeF(4, 3), QPageSize::Inch),
                                          QPageLayout::Portrait, QMarginsF()));
        PrinterDevice dev(printer);
        ASSERT_TRUE(dev.isActive() && dev.resolution() == 300 && dev.size() == QSize(1200, 900)
                    && !dev.canXor());
        // A filled square at 1..2 inch; XOR asked for draws plainly, so the second still shows.
        dev.setPen(NullPen);
        dev.setBrush(Solid(Black));
        dev.polygon(std::vector<QPointF>{{300, 300}, {600, 300}, {600, 600}, {300, 600}});
        EXPECT_FALSE(dev.setRasterOp(RasterOp::Xor));
        dev.polygon(std::vector<QPointF>{{900, 300}, {1050, 300}, {1050, 450}, {900, 450}});
        EXPECT_TRUE(dev.setRasterOp(RasterOp::Copy));
        ASSERT_TRUE(dev.newPage());
        dev.setPen(Pen(60, Black, PenJoin::Mitre));
        Line(dev, {{150, 750}, {1050, 750}});
        ASSERT_TRUE(dev.finish());
    }
    ASSERT_EQ(ReadFile(pdf).left(5), QByteArray("%PDF-"));

    // Rendered at 30 dpi one pixel is 10 units; the line is pixels 72..78. {page, x, y, inked}.
    const int probes[][4] = {{1, 45, 45, 1}, {1, 31, 31, 1}, {1, 58, 58, 1}, {1, 27, 45, 0},
                             {1, 62, 45, 0}, {1, 45, 70, 0}, {1, 97, 37, 1}, {1, 80, 37, 0},
                             {1, 60, 75, 0}, {2, 60, 75, 1}, {2, 16, 75, 1}, {2, 60, 70, 0},
                             {2, 60, 80, 0}, {2, 12, 75, 0}, {2, 45, 45, 0}};
    QImage pages[3];
    for (int page : {1, 2}) {
        const QString base = Path(QString("page%1").arg(page)), n = QString::number(page);
        pages[page] =
            Rendered("pdftoppm", "poppler-utils",
                     {"-png", "-gray", "-singlefile", "-r", "30", "-f", n, "-l", n, pdf, base},
                     base + ".png");
        ASSERT_EQ(pages[page].size(), QSize(120, 90));
    }
    for (const auto& p : probes)
        EXPECT_EQ(qGray(pages[p[0]].pixel(p[1], p[2])) < 128, p[3] != 0)
            << p[0] << ": " << p[1] << "," << p[2];
}

} // namespace zemo
