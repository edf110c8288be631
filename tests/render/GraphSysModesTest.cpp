// Output modes 1 (a printer, here a PDF job), 7 (symbol elements in a buffer) and 8 (new map
// objects and symbols).
#include "render/GraphSys.h"

#include "core/Element.h"
#include "core/FileClass.h"
#include "platform/widgets/PrinterDevice.h"
#include "render/Scale.h"
#include "symbols/store/IconCodec.h"
#include "symbols/store/SymbolStore.h"

#include "core/Folders.h"
#include "document/Index.h"
#include "GraphSysTestUtil.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace zemo;

namespace {

int U16(const uint8_t* p) { return p[0] | p[1] << 8; }
int32_t I32(const uint8_t* p) { return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24); }

void Path(std::initializer_list<Cord> points)
{
    Graph.WorkPoints2Count = 0;
    for (Cord c : points)
        GraphLineTo(c.x, c.y);
}

class GraphSysModes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGraphSysState();
        ResetScaleState();
        Scale.ViewOrigin = Cord{1000 * 256, 2000 * 256};
        Graph.CurrentColor = 7;
    }
};

TEST_F(GraphSysModes, SymbolElementsAreWrittenAtTheirOffsetsRelativeToTheOrigin)
{
    Graph.OutputMode = SymbolElementOutput;
    Path({Cord{1100 * 256, 2050 * 256}, Cord{1200 * 256 | FirstBezierFlag, 2000 * 256}});
    GraphStroke(35, 4);
    GraphDot(1000 * 256, 1990 * 256, 80);
    GraphCircle(1000 * 256, 2000 * 256, 10, 120);
    Path({Cord{1000 * 256, 2000 * 256}, Cord{1010 * 256, 2000 * 256},
          Cord{1010 * 256, 2010 * 256 | HoleFlag}});
    EXPECT_TRUE(GraphFill(true));
    ASSERT_EQ(Graph.SymbolElementSlots, 4 + 3 + 3 + 5);
    const uint8_t* b = Graph.SymbolElementBuffer.data();
    // Line: kind, style, colour, width, diameter, count, 4 zero bytes, points.
    EXPECT_EQ(U16(b), 1);
    EXPECT_EQ(U16(b + 2), 4);
    EXPECT_EQ(U16(b + 4), 7);
    EXPECT_EQ(U16(b + 6), 35);
    EXPECT_EQ(U16(b + 8), 0);
    EXPECT_EQ(U16(b + 10), 2);
    EXPECT_EQ(I32(b + 12), 0);
    EXPECT_EQ(I32(b + 16), 100 * 256);
    EXPECT_EQ(I32(b + 20), 50 * 256);
    EXPECT_EQ(I32(b + 24), 200 * 256 | FirstBezierFlag);
    // Dot: diameter after the width correction (none here), no width.
    const uint8_t* d = b + 4 * 8;
    EXPECT_EQ(U16(d), 4);
    EXPECT_EQ(U16(d + 8), 80);
    EXPECT_EQ(U16(d + 10), 1);
    EXPECT_EQ(I32(d + 20), -10 * 256);
    const uint8_t* c = b + 7 * 8;
    EXPECT_EQ(U16(c), 3);
    EXPECT_EQ(U16(c + 6), 10);
    EXPECT_EQ(U16(c + 8), 120);
    // Area: holes keep their flags; strokes lose them.
    const uint8_t* a = b + 10 * 8;
    EXPECT_EQ(U16(a), 2);
    EXPECT_EQ(U16(a + 10), 3);
    EXPECT_EQ(I32(a + 16 + 2 * 8 + 4), 10 * 256 | HoleFlag);
}

TEST_F(GraphSysModes, SymbolElementThatDoesNotFitIsDropped)
{
    Graph.OutputMode = SymbolElementOutput;
    Graph.SymbolElementSlots = 510;
    Graph.SymbolElementBuffer.fill(0xAB);
    Path({Cord{0, 0}, Cord{256, 0}});
    GraphStroke(10, 0);  // needs 4 slots
    GraphDot(0, 0, 50);  // needs 3
    GraphCircle(0, 0, 5, 50);
    EXPECT_EQ(Graph.SymbolElementSlots, 510);
    EXPECT_EQ(Graph.SymbolElementBuffer[510 * 8], 0xAB);
    // Exactly enough room: taken.
    Graph.SymbolElementSlots = 509;
    GraphDot(0, 0, 50);
    EXPECT_EQ(Graph.SymbolElementSlots, 512);
    Path({Cord{0, 0}, Cord{256, 0}, Cord{256, 256}});
    EXPECT_TRUE(GraphFill(false)); // true even when dropped
    EXPECT_EQ(Graph.SymbolElementSlots, 512);
}

// The source symbol's icon: colour blocks of the standard palette.
int SourceIndex(int x, int y) { return (x / 4 + y / 5 * 3) % 16; }

// What a made symbol's icon shows: the source icon with its grey corner triangle (7 pixels
// in the top row, one fewer in each row below).
QImage MarkedSourceIcon(bool blank = false)
{
    QImage img(22, 22, QImage::Format_RGB32);
    for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 22; ++x)
            img.setPixel(x, y, blank ? qRgb(255, 255, 255) : IconPalette[size_t(SourceIndex(x, y))]);
    for (int y = 0; y < 7; ++y)
        for (int x = 15 + y; x < 22; ++x)
            img.setPixel(x, y, qRgb(128, 128, 128));
    return img;
}

class GraphSysNewObjects : public GraphSysModes {
protected:
    void SetUp() override
    {
        GraphSysModes::SetUp();
        ASSERT_TRUE(dir.isValid());
        store.WorkFile.Rewrite(dir.filePath("work.dmy"));
        store.WorkFile.Write(QByteArray(VariablePartPos, '\0'));
        // The source symbol, number 10.0, with an icon of its own.
        SymbolBytes source(424, 0);
        SetSymI16(source, SymSize, 424);
        SetSymI16(source, SymNumber, 100);
        SetSymI16(source, SymObjectType, LineObject);
        // Plain icon form, written by hand: 12 bytes a row, bottom row first, left pixel in
        // the high nibble.
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 22; ++x) {
                uint8_t& b = source[size_t(SymIcon + (21 - y) * 12 + x / 2)];
                b = uint8_t(x % 2 ? (b & 0xF0) | SourceIndex(x, y) : (b & 0x0F) | SourceIndex(x, y) << 4);
            }
        ASSERT_TRUE(store.AppendSymbolRecord(source));
        store.BuildNumberTable();
        SetCurrentSymbolStore(&store);
        DrawElement.Symbol = 100;
        DrawSymbol = store.Symbols[0].data();
        Graph.OutputMode = NewObjectOutput;
        Graph.CurrentColor = 3;
        Graph.AppendElementHook = [this](ElementRecord& e) {
            appended.push_back({e.Symbol, e.ObjectType,
                                std::vector<Cord>(e.Cords(), e.Cords() + e.nItem)});
        };
    }
    void TearDown() override
    {
        SetCurrentSymbolStore(nullptr);
        DrawSymbol = nullptr;
        ResetIconCodec();
        store.WorkFile.Close();
    }
    const SymbolBytes& Symbol(int number) const
    {
        const int at = store.NumberTable[size_t(number)];
        EXPECT_GE(at, 0);
        return store.Symbols[size_t(std::max(at, 0))];
    }
    struct Appended {
        int symbol;
        int type;
        std::vector<Cord> points;
    };
    QTemporaryDir dir;
    SymbolStore store;
    std::vector<Appended> appended;
};

TEST_F(GraphSysNewObjects, IdenticalSymbolIsReusedAndEachStrokeBecomesAnObject)
{
    Path({Cord{0, 0}, Cord{25600, 0}});
    GraphStroke(50, 4);
    ASSERT_EQ(store.SymbolCount(), 2);
    const SymbolBytes& made = store.Symbols[1];
    ASSERT_EQ(made.size(), 424u);
    EXPECT_EQ(SymI16(made, SymNumber), 101);
    EXPECT_EQ(SymI16(made, SymObjectType), LineObject);
    EXPECT_EQ(SymI16(made, SymExtent), 26);
    EXPECT_TRUE(SymColors(made).test(3));
    EXPECT_EQ(SymColors(made).count(), 1u);
    EXPECT_EQ(SymI16(made, 348), 3);
    EXPECT_EQ(SymI16(made, 350), 50);
    EXPECT_EQ(SymI16(made, 352), 4);
    QImage icon;
    EXPECT_EQ(DecodeRecordIcon(made, icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon());

    Path({Cord{0, 25600}, Cord{25600, 25600}, Cord{25600, 0}});
    GraphStroke(50, 4);
    EXPECT_EQ(store.SymbolCount(), 2); // the same symbol again
    Path({Cord{0, 0}, Cord{256, 0}});
    GraphStroke(60, 4);
    EXPECT_EQ(store.SymbolCount(), 3);

    ASSERT_EQ(appended.size(), 3u);
    EXPECT_EQ(appended[0].symbol, 101);
    EXPECT_EQ(appended[1].symbol, 101);
    EXPECT_EQ(appended[2].symbol, 102);
    EXPECT_EQ(appended[0].type, LineObject);
    EXPECT_EQ(appended[1].points.size(), 3u);
    EXPECT_EQ(appended[1].points[2], (Cord{25600, 0}));
    // The source symbol is fetched again after the list changed.
    EXPECT_EQ(DrawSymbol, store.Symbols[size_t(store.NumberTable[100])].data());
}

TEST_F(GraphSysNewObjects, FillsDotsAndCirclesBecomeAreasAndLines)
{
    Path({Cord{0, 0}, Cord{25600, 0}, Cord{25600, 25600}});
    EXPECT_TRUE(GraphFill(false));
    ASSERT_EQ(store.SymbolCount(), 2);
    const SymbolBytes& area = store.Symbols[1];
    ASSERT_EQ(area.size(), 380u);
    EXPECT_EQ(SymI16(area, SymObjectType), AreaObject);
    EXPECT_EQ(SymI16(area, 350), -1);
    EXPECT_EQ(SymI16(area, 352), 3);
    GraphDot(0, 0, 100);        // an area of the same symbol
    GraphCircle(0, 0, 10, 100); // a line of width 10
    EXPECT_EQ(store.SymbolCount(), 3);
    ASSERT_EQ(appended.size(), 3u);
    EXPECT_EQ(appended[1].symbol, appended[0].symbol);
    EXPECT_EQ(appended[1].points.size(), 13u);
    EXPECT_EQ(appended[2].type, LineObject);
    // Without a store no symbol number exists and nothing is appended.
    SetCurrentSymbolStore(nullptr);
    GraphDot(0, 0, 100);
    EXPECT_EQ(appended.size(), 3u);
}

TEST_F(GraphSysNewObjects, IconFormFollowsTheMapVersionAndTheSourceStaysUnmarked)
{
    const SymbolBytes sourceBefore = Symbol(100);
    // Format 7 maps read only the plain form: check its bytes at their offsets.
    store.Header.Version = 7;
    Path({Cord{0, 0}, Cord{25600, 0}});
    GraphStroke(50, 0);
    ASSERT_EQ(store.SymbolCount(), 2);
    const SymbolBytes plain = Symbol(101);
    EXPECT_EQ(plain[SymFlags] & 2, 0);
    EXPECT_EQ(plain[size_t(SymIcon + 21 * 12 + 10)], 0x77);    // top row, x 20 and 21: grey
    EXPECT_EQ(plain[size_t(SymIcon + 21 * 12 + 7)], 0x37);     // x 14 keeps its colour, 15 grey
    EXPECT_EQ(plain[size_t(SymIcon + 15 * 12 + 10)], 0x87);    // y 6: x 20 keeps, 21 grey
    EXPECT_EQ(plain[size_t(SymIcon + 14 * 12 + 10)], 0x88);    // y 7: no mark
    EXPECT_EQ(plain[size_t(SymIcon + 0 * 12 + 0)], 0xCC);      // bottom row, left block
    QImage icon;
    EXPECT_EQ(DecodeRecordIcon(plain, icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon());

    // Format 8 may pack it; whatever the form, the picture is the same.
    store.Header.Version = 8;
    Path({Cord{0, 0}, Cord{25600, 0}});
    GraphStroke(70, 0);
    ASSERT_EQ(store.SymbolCount(), 3);
    const SymbolBytes packed = Symbol(102);
    EXPECT_NE(packed[SymFlags] & 2, 0);
    EXPECT_EQ(DecodeRecordIcon(packed, icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon());

    // The source symbol's icon is left as it was.
    const SymbolBytes& source = Symbol(100);
    EXPECT_EQ(source[SymFlags], sourceBefore[SymFlags]);
    EXPECT_TRUE(std::equal(source.begin() + SymIcon, source.begin() + SymIcon + 264,
                           sourceBefore.begin() + SymIcon));
}

TEST_F(GraphSysNewObjects, IconIsMadeWithoutDisturbingAnOpenIconEditor)
{
    IconCodec().EditorOpen = true;
    IconCodec().WorkBitmap.fill(qRgb(255, 0, 0));
    Path({Cord{0, 0}, Cord{25600, 0}, Cord{25600, 25600}});
    EXPECT_TRUE(GraphFill(false));
    ASSERT_EQ(store.SymbolCount(), 2);
    QImage icon;
    EXPECT_EQ(DecodeRecordIcon(Symbol(101), icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon());
    EXPECT_EQ(IconCodec().WorkBitmap.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(IconCodec().WorkBitmap.pixel(21, 0), qRgb(255, 0, 0));

    // Without a source symbol the new icon is blank but for the mark.
    DrawSymbol = nullptr;
    GraphCircle(0, 0, 10, 100);
    ASSERT_EQ(store.SymbolCount(), 3);
    EXPECT_EQ(DecodeRecordIcon(Symbol(102), icon), IconDecodeResult::Complete);
    EXPECT_EQ(icon, MarkedSourceIcon(true));
}

// ---- Mode 1 ----

// Page `page` of a PDF rendered by poppler in grey, or a null image without the tool.
QImage RenderPdfPage(const QString& pdf, const QString& dir, int dpi)
{
    const QString tool = QStandardPaths::findExecutable("pdftoppm");
    if (tool.isEmpty())
        return {};
    const QString base = dir + "/page";
    QProcess p;
    p.start(tool, {"-png", "-gray", "-singlefile", "-r", QString::number(dpi), pdf, base});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QImage(1, 1, QImage::Format_Mono); // not null: the render failed
    return QImage(base + ".png");
}

TEST(GraphSysPrinter, DrawingGoesToAPdfJobWithInkWhereItWasDrawn)
{
    gstest::ResetAll();
    ResetScaleState();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath("print.pdf");
    {
        // A 4 x 3 inch page at 300 dpi, no margins; the map's 0, 0 at its bottom-left corner.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(300);
        printer.setFullPage(true);
        printer.setPageLayout(QPageLayout(QPageSize(QSizeF(4, 3), QPageSize::Inch),
                                          QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        PrinterDevice dev(printer);
        ASSERT_TRUE(dev.isActive());
        const double unitsPerMapUnit = dev.resolution() / 2540.0 / 256.0;
        Scale.ViewOrigin = Cord{0, 7620 * 256};
        Scale.ViewScaleX = unitsPerMapUnit;
        Scale.ViewScaleY = -unitsPerMapUnit;
        Scale.FlattenTolerance = 10;
        Graph.ClipRect = CordRect{0, 0, 10160 * 256, 7620 * 256};
        Graph.OutputMode = PrinterOutput;
        Graph.OutputDC = &dev;
        SetOutputAdjust(100, 100, false);
        BeginDrawing(false);
        Graph.OutputCmyk = gstest::Black;
        // A 2 mm mitred line: along y = 50 mm from x = 10 to 90 mm, then down to y = 20 mm
        // (drawn as filled quadrilaterals on a printer).
        gstest::Path({Cord{1000 * 256, 5000 * 256}, Cord{9000 * 256, 5000 * 256},
                      Cord{9000 * 256, 2000 * 256}});
        GraphStroke(200, 4);
        // A filled square 20..40 mm by 10..30 mm.
        gstest::Path({Cord{2000 * 256, 1000 * 256}, Cord{4000 * 256, 1000 * 256},
                      Cord{4000 * 256, 3000 * 256}, Cord{2000 * 256, 3000 * 256}});
        EXPECT_TRUE(GraphFill(false));
        // A 6 mm dot at 70 mm, 20 mm.
        GraphDot(7000 * 256, 2000 * 256, 600);
        EndDrawing();
        Graph.OutputDC = nullptr;
        ASSERT_TRUE(dev.finish());
    }
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(5), QByteArray("%PDF-"));
    EXPECT_GT(file.size(), 200);

    // 30 pixels an inch; map y runs up from the page's bottom edge at 76.2 mm.
    const QImage page = RenderPdfPage(pdf, dir.path(), 30);
    ASSERT_FALSE(page.isNull()) << "the PDF is not rendered: needs pdftoppm (Debian package poppler-utils)";
    ASSERT_EQ(page.size(), QSize(120, 90));
    const auto inked = [&](double xMm, double yMm) {
        const int px = int(xMm * 30 / 25.4), py = int((76.2 - yMm) * 30 / 25.4);
        return qGray(page.pixel(px, py)) < 160;
    };
    EXPECT_TRUE(inked(30, 50.5));   // the line's first leg
    EXPECT_TRUE(inked(89.5, 35));   // its second leg
    EXPECT_TRUE(inked(90.5, 50.5)); // the mitred corner
    EXPECT_FALSE(inked(30, 55));
    EXPECT_FALSE(inked(30, 45));
    EXPECT_FALSE(inked(85, 35));
    EXPECT_TRUE(inked(30, 20));     // the square
    EXPECT_FALSE(inked(16, 20));
    EXPECT_FALSE(inked(44, 20));
    EXPECT_TRUE(inked(70, 20));     // the dot
    EXPECT_FALSE(inked(70, 26));
    EXPECT_FALSE(inked(5, 70));     // nothing else on the page
    EXPECT_FALSE(inked(95, 10));
}

} // namespace
