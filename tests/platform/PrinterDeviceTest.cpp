// The printer back end: a PDF job through QPrinter, checked by an independent renderer.
#include "platform/widgets/PrinterDevice.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>

using namespace zemo;

namespace {

constexpr int Dpi = 300;

// A full 4 x 3 inch page without margins: device unit (0, 0) is the page's top-left corner.
void SetUpPdf(QPrinter& printer, const QString& file)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setResolution(Dpi);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(QPageSize(QSizeF(4, 3), QPageSize::Inch),
                                      QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
}

QByteArray FileHead(const QString& file, int n)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(n);
}

// Page `page` rendered at `dpi` by poppler, or a null image when the tool is not installed.
QImage RenderPage(const QString& pdf, const QString& dir, int page, int dpi)
{
    const QString tool = QStandardPaths::findExecutable("pdftoppm");
    if (tool.isEmpty())
        return {};
    const QString base = dir + QStringLiteral("/page%1").arg(page);
    QProcess p;
    p.start(tool, {"-png", "-gray", "-singlefile", "-r", QString::number(dpi), "-f",
                   QString::number(page), "-l", QString::number(page), pdf, base});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QImage(1, 1, QImage::Format_Invalid); // not null: a failed render
    return QImage(base + ".png");
}

bool Inked(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

TEST(PrinterDevice, UsesThePrinterResolutionAndRefusesXor)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdf(printer, dir.filePath("a.pdf"));
    PrinterDevice dev(printer);
    ASSERT_TRUE(dev.isActive());
    EXPECT_EQ(dev.resolution(), Dpi);
    EXPECT_EQ(dev.size(), QSize(4 * Dpi, 3 * Dpi));
    EXPECT_FALSE(dev.canXor());
    EXPECT_FALSE(dev.setRasterOp(RasterOp::Xor));
    EXPECT_TRUE(dev.setRasterOp(RasterOp::Copy));
    EXPECT_TRUE(dev.finish());
}

TEST(PrinterDevice, WritesAPdfWithInkWhereTheDrawingIs)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath("drawing.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdf(printer, pdf);
        PrinterDevice dev(printer);
        ASSERT_TRUE(dev.isActive());
        // A filled square at 1..2 inch (its outline off), and a thick line on the second page.
        dev.setPen(NullPen);
        dev.setBrush(DeviceBrush{BrushStyle::Solid, DeviceColor{0, 0, 0}});
        const std::array<QPointF, 4> square{QPointF(300, 300), QPointF(600, 300),
                                            QPointF(600, 600), QPointF(300, 600)};
        dev.polygon(square);
        // XOR asked for on a printer draws plainly: the second square still shows as ink.
        dev.setRasterOp(RasterOp::Xor);
        const std::array<QPointF, 4> second{QPointF(900, 300), QPointF(1050, 300),
                                            QPointF(1050, 450), QPointF(900, 450)};
        dev.polygon(second);
        ASSERT_TRUE(dev.newPage());
        dev.setPen(DevicePen{PenStyle::Solid, DeviceColor{0, 0, 0}, 60, PenJoin::Mitre,
                             PenCap::Flat, false});
        const std::array<QPointF, 2> line{QPointF(150, 750), QPointF(1050, 750)};
        dev.polyline(line);
        ASSERT_TRUE(dev.finish());
    }
    const QByteArray head = FileHead(pdf, 5);
    ASSERT_EQ(head, QByteArray("%PDF-"));
    EXPECT_GT(QFile(pdf).size(), 200);

    // At 30 dpi one pixel is 10 device units.
    const QImage p1 = RenderPage(pdf, dir.path(), 1, 30);
    ASSERT_FALSE(p1.isNull()) << "the PDF is not rendered: needs pdftoppm (Debian package poppler-utils)";
    ASSERT_EQ(p1.size(), QSize(120, 90));
    EXPECT_TRUE(Inked(p1, 45, 45));
    EXPECT_TRUE(Inked(p1, 31, 31));
    EXPECT_TRUE(Inked(p1, 58, 58));
    EXPECT_FALSE(Inked(p1, 27, 45));
    EXPECT_FALSE(Inked(p1, 62, 45));
    EXPECT_FALSE(Inked(p1, 45, 70));
    EXPECT_TRUE(Inked(p1, 97, 37));
    EXPECT_FALSE(Inked(p1, 80, 37));
    EXPECT_FALSE(Inked(p1, 60, 75)); // the line is on the next page only

    const QImage p2 = RenderPage(pdf, dir.path(), 2, 30);
    ASSERT_EQ(p2.size(), QSize(120, 90));
    EXPECT_TRUE(Inked(p2, 60, 75));
    EXPECT_TRUE(Inked(p2, 16, 75));
    EXPECT_FALSE(Inked(p2, 60, 70)); // 60 units wide: 72..78 pixels
    EXPECT_FALSE(Inked(p2, 60, 80));
    EXPECT_FALSE(Inked(p2, 12, 75));
    EXPECT_FALSE(Inked(p2, 45, 45));
}

} // namespace
