// The raster road of the exports: a map with a raster template rendered cell by cell into a
// test strip writer, through bands of 48 x 32 pixels (strips of 16 rows, cells of 24 columns);
// the size limit; Esc and failing writers, which leave no file and an older one as it was; and
// the questions before any export.
#include "IoFixture.h"
#include "StripCollector.h"
#include "io/ExpRaster.h"
#include "io/Export.h"
#include "symbols/store/SymbolLayout.h"

#include <QImage>

namespace zemo::test {
namespace {

constexpr int W = 70;
constexpr int H = 50;
// At 254 dpi one output pixel is 0.1 mm, one template pixel as placed.
constexpr int Dpi = 254;

// Red top left, green top right, blue bottom left, yellow bottom right (3 x 3 each), a black
// diagonal from the top-left corner down and right, white elsewhere.
QRgb Marker(int x, int y)
{
    const bool left = x < 3, right = x >= W - 3, top = y < 3, bottom = y >= H - 3;
    if (top && left) return qRgb(255, 0, 0);
    if (top && right) return qRgb(0, 255, 0);
    if (bottom && left) return qRgb(0, 0, 255);
    if (bottom && right) return qRgb(255, 255, 0);
    if (x == y + 3) return qRgb(0, 0, 0);
    return qRgb(255, 255, 255);
}

class RasterRoad : public IoTest {
protected:
    // A map whose only content is the marker template; with `line`, a black line across it.
    void OpenMarkerMap(bool line = false)
    {
        TestRaster r = TestRaster::Grey(W, H, 24);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const QRgb c = Marker(x, y);
                uint8_t* p = r.Row(y) + 3 * x;
                p[0] = uint8_t(qBlue(c));
                p[1] = uint8_t(qGreen(c));
                p[2] = uint8_t(qRed(c));
            }
        const QString raster = InMaps(QStringLiteral("markers.tpx"));
        ASSERT_TRUE(WriteTestRaster(raster, r));
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50)};
        w.strings.push_back(TestPString::Make(8, 0, Placed(raster, W, H)));
        if (line)
            w.objects.push_back(TestObject::Line(10, {{Mm, -Mm}, {6 * Mm, -4 * Mm}}));
        ASSERT_NE(Open(w), nullptr);
    }
    static RasterSettings Settings(bool progress = true)
    {
        RasterSettings s;
        s.Dpi = Dpi;
        s.ShowProgress = progress;
        return s;
    }
};

TEST_F(RasterRoad, MarkersAndDiagonalComeOutInPlaceAcrossStripAndCellSeams)
{
    OpenMarkerMap();
    // A map without objects exports the extent of its shown templates.
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    EXPECT_EQ(extent, (CordRect{0, -H * 10 * 256, W * 10 * 256, 0}));

    CollectingWriter writer;
    const QString target = InMaps(QStringLiteral("out.raw"));
    ASSERT_EQ(ExportRaster(extent, Settings(), writer, target), RasterResult::Written);
    ASSERT_EQ(writer.image.size(), QSize(W, H));
    int wrong = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (writer.image.pixel(x, y) != Marker(x, y) && ++wrong < 10)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex
                              << writer.image.pixel(x, y) << " not " << Marker(x, y);
    EXPECT_EQ(wrong, 0);
    // Strips top first, 16 rows each but the last, exactly H rows in all.
    const std::vector<std::pair<int, int>> strips{{0, 16}, {16, 16}, {32, 16}, {48, 2}};
    EXPECT_EQ(writer.strips, strips);
    EXPECT_TRUE(writer.finished);
    // The file holds what the writer wrote: the head, H padded rows, the end.
    const int rowBytes = (W * 3 + 3) & ~3;
    EXPECT_EQ(Read(target).size(), qsizetype(std::strlen("70 50\r\n") + H * rowBytes + 5));
    EXPECT_EQ(FilesInMaps(), (QStringList{"map.zmd", "markers.tpx", "out.raw"}));
    EXPECT_FALSE(ProgressRunning());
    EXPECT_EQ(messages.Count(), 0);
}

// The pump that looks for Esc lets the windows' events through; a map window laid out anew
// sets the view's transform and the output mode as it goes. The export goes on as before.
TEST_F(RasterRoad, AWindowLaidOutWhileEscIsLookedForLeavesThePictureAsItWas)
{
    OpenMarkerMap(true);
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    CollectingWriter calm;
    ASSERT_EQ(ExportRaster(extent, Settings(), calm, InMaps(QStringLiteral("calm.raw"))), RasterResult::Written);
    int pumps = 0;
    CorePorts().PumpKeyMessages.Bind([&pumps] {
        ++pumps;
        Scale.ViewScaleX = 1.0 / 1024;
        Scale.ViewScaleY = -1.0 / 1024;
        Scale.ViewOrigin = {12345, 67890};
        Graph.OutputMode = ScreenOutput;
        Graph.OutputDC = nullptr;
    });
    CollectingWriter busy;
    ASSERT_EQ(ExportRaster(extent, Settings(), busy, InMaps(QStringLiteral("busy.raw"))), RasterResult::Written);
    EXPECT_GT(pumps, 0);
    // The line is there, over the markers, and in the same place both times.
    EXPECT_EQ(calm.image.pixel(35, 25), qRgb(0, 0, 0));
    EXPECT_TRUE(busy.image == calm.image);
}

TEST_F(RasterRoad, SixteenThousandPixelsAreAcceptedAndOneMoreIsRefused)
{
    OpenMarkerMap();
    // One pixel is 2560 map units at 254 dpi.
    const struct {
        int w, h;
        bool accepted;
    } rows[] = {{16000, 10, true}, {16001, 10, false}, {10, 16001, false}, {1, 1, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.w << " x " << row.h);
        messages.Clear();
        const CordRect extent{0, -row.h * 2560, row.w * 2560, 0};
        EXPECT_EQ(RasterSize(extent, Dpi), QSize(row.w, row.h));
        CollectingWriter writer;
        const QString target = InMaps(QStringLiteral("big.raw"));
        QFile::remove(target);
        const RasterResult result = ExportRaster(extent, Settings(false), writer, target);
        EXPECT_EQ(result, row.accepted ? RasterResult::Written : RasterResult::Refused);
        EXPECT_EQ(writer.began, row.accepted);
        EXPECT_EQ(QFile::exists(target), row.accepted);
        if (row.accepted) {
            EXPECT_EQ(writer.image.height(), row.h);
            EXPECT_EQ(messages.Count(), 0);
        } else {
            ASSERT_EQ(messages.Count(), 1);
            EXPECT_EQ(messages.Last().key, TextKey::BmpResTooHigh);
            EXPECT_EQ(messages.Last().helpContext, BmpResTooHighHelpContext);
        }
    }
}

TEST_F(RasterRoad, SizesRoundHalvesToEvenAfterCuttingToHundredths)
{
    // round((d div 256) x dpi / 2540)
    const struct {
        int32_t a, b;
        int dpi;
        int pixels;
    } rows[] = {
        {0, 127 * 256, 10, 0},          // 0.5 pixel: to even, 0
        {0, 381 * 256, 10, 2},          // 1.5: 2
        {0, 381 * 256 + 255, 10, 2},    // the part below a hundredth is cut
        {-254 * 256, 254 * 256, 254, 51},  // 50.8
        {100, 100, 300, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RasterPixels(row.a, row.b, row.dpi), row.pixels) << row.a << " " << row.b;
}

TEST_F(RasterRoad, EscOrAFailingWriterLeaveNoFileAndTheOlderOneAsItWas)
{
    OpenMarkerMap();
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    const QString target = InMaps(QStringLiteral("out.raw"));
    const QByteArray older("an older file of that name");
    for (const char* how : {"esc", "writer"}) {
        SCOPED_TRACE(how);
        WriteFile(target, older);
        messages.Clear();
        polls = 0;
        CollectingWriter writer;
        const bool esc = std::string(how) == "esc";
        escAt = esc ? 5 : 0;
        writer.failAt = esc ? 0 : 2;
        const RasterResult result = ExportRaster(extent, Settings(), writer, target);
        EXPECT_EQ(result, esc ? RasterResult::Aborted : RasterResult::Failed);
        EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), esc ? 1 : 0);
        EXPECT_FALSE(ProgressRunning());
        EXPECT_EQ(Read(target), older);
        EXPECT_EQ(FilesInMaps(), (QStringList{"map.zmd", "markers.tpx", "out.raw"}));
        EXPECT_FALSE(writer.finished);
    }
}

TEST_F(RasterRoad, CancelAtAnyQuestionBeforeTheFileWritesNothing)
{
    TestMapWriter w(8);
    TestSymbol hidden = TestSymbol::Line(10, 0, 50);
    hidden.status = 2;
    w.symbols = {hidden};
    w.objects.push_back(TestObject::Line(10, {{0, 0}, {10 * Mm, 0}}));
    ASSERT_NE(Open(w), nullptr);
    ProgramConfig.HiddenExportWarning = true;
    const ExportFormat format{QStringLiteral(".raw"), TextKey::ExportBMP, {}, TextKey::BmpFiles,
                              QStringLiteral("(*.bmp)|*.bmp|"), QStringLiteral("bmp"), 25};

    // The hidden-symbol question cancelled: no save dialog.
    messages.QueueAnswer(IdCancel);
    QString name;
    EXPECT_FALSE(AskExportFileName(format, name));
    EXPECT_EQ(messages.CountOf(TextKey::HiddenWarning), 1);
    EXPECT_TRUE(dialogs.Requests().empty());

    // OK there, the save dialog cancelled: no folder remembered.
    messages.QueueAnswer(IdOk);
    EXPECT_FALSE(AskExportFileName(format, name));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    const FileDialogRequest& asked = dialogs.Requests()[0];
    EXPECT_EQ(asked.kind, FileDialogRequest::Save);
    EXPECT_EQ(asked.title, Text(TextKey::ExportBMP));
    EXPECT_EQ(asked.filter, Text(TextKey::BmpFiles) + "(*.bmp)|*.bmp|" + Text(TextKey::AllFiles) + " (*.*)|*.*");
    EXPECT_EQ(asked.defaultExt, "bmp");
    EXPECT_EQ(asked.helpContext, 25);
    EXPECT_EQ(asked.fileName, "map.raw");
    EXPECT_TRUE(ProgramConfig.ExportFolder.isEmpty());

    // Chosen in another folder: that folder is remembered and proposed next time.
    QDir().mkpath(Folder(QStringLiteral("out")));
    messages.QueueAnswer(IdOk);
    dialogs.QueueAnswer(true, Folder(QStringLiteral("out")) + QStringLiteral("/x.raw"));
    EXPECT_TRUE(AskExportFileName(format, name));
    EXPECT_EQ(name, Folder(QStringLiteral("out")) + QStringLiteral("/x.raw"));
    EXPECT_EQ(GetExportFileName(QStringLiteral(".raw")), Folder(QStringLiteral("out")) + QStringLiteral("/map.raw"));
    EXPECT_EQ(FilesInMaps(), QStringList{"map.zmd"});
    EXPECT_TRUE(QDir(Folder(QStringLiteral("out"))).entryList(QDir::Files).isEmpty());
}

// The save dialogs of the formats that take the common road: title, filter, extension and
// help context as each asks them.
TEST_F(RasterRoad, EachFormatsSaveDialog)
{
    const struct {
        ExportKind kind;
        QString title, filter, ext;
        int help;
    } rows[] = {
        {ExportKind::Dxf, Text(TextKey::ExportDXF), Text(TextKey::DxfFiles) + " (*.dxf)|*.dxf|", "dxf", 46},
        {ExportKind::Gif, Text(TextKey::ExportGif), Text(TextKey::GifFiles) + "(*.gif)|*.gif|", "gif", 0},
        {ExportKind::Bmp, Text(TextKey::ExportBMP), Text(TextKey::BmpFiles) + "(*.bmp)|*.bmp|", "bmp", 25},
        {ExportKind::Jpeg, Text(TextKey::ExportJpg), Text(TextKey::JpgFiles) + " (*.jpg)|*.jpg|", "jpg", 0},
        {ExportKind::Tiff, Text(TextKey::ExportTiff), Text(TextKey::TiffFiles) + " (*.tif;*.tiff)|*.tif;*.tiff|", "tif", 0},
        {ExportKind::Svg, "Export to SVG file", "SVG files(*.svg)|*.svg|", "svg", 0},
        {ExportKind::Shape, Text(TextKey::ExportShape), Text(TextKey::ShapeFiles) + " (*.shp)|*.shp|", "shp", 0},
        {ExportKind::Kiv, Text(TextKey::ExportKiv), Text(TextKey::HtmlFiles) + " (*.htm;*.html)|*.htm;*.html|", "html", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.ext.toStdString());
        const ExportFormat& f = ExportFormatOf(row.kind);
        EXPECT_EQ(ExportTitle(f), row.title);
        EXPECT_EQ(ExportFilter(f), row.filter + Text(TextKey::AllFiles) + " (*.*)|*.*");
        EXPECT_EQ(f.DefaultExt, row.ext);
        EXPECT_EQ(f.Extension, u'.' + row.ext);
        EXPECT_EQ(f.HelpContext, row.help);
    }
}

} // namespace
} // namespace zemo::test
