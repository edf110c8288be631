// Pictures for people, made by the real painters and by the running program:
//   pictures sheets       every symbol of each shipped set, colour pass by colour pass, one PNG
//                         per set in <build>/sheets; each cell must have ink, no symbol may fall
//                         back to the grey substitute, and a shadowed text shows its shadow;
//   pictures screenshots  the main frame with its File menu open and with the orienteering set
//                         open (the symbol box filled), the symbol editors on it and on the
//                         course-setting set, the dialogs of the options and help menus, the
//                         colour and template dialogs, and the toolbars in the left dock and
//                         floating, in <build>/screenshots; run it on an X server (xvfb-run).
// Exits with 1 when a picture could not be made or does not show what it should.
#include "ColourShots.h"
#include "CourseShots.h"
#include "EditorShots.h"
#include "SettingsShots.h"
#include "TemplateShots.h"
#include "ExportShots.h"
#include "PrintShots.h"
#include "ToolbarShots.h"
#include "app/Install.h"
#include "app/Wiring.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/Open.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Lines.h"
#include "render/PathWalk.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "render/Texts.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Program.h"
#include "symbols/store/SymbolRecords.h"
#include "symbols/widgets/SymbolBox.h"
#include "symbols/widgets/SymbolFeatures.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSaveFile>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace zemo;

namespace {

int Failures = 0;

void Fail(const QString& what)
{
    std::fprintf(stderr, "pictures: %s\n", qPrintable(what));
    ++Failures;
}

QString BuildFolder(const QString& name)
{
    const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../") + name);
    QDir().mkpath(folder);
    return folder + QLatin1Char('/');
}

// ---- Symbol sheets ----

constexpr int32_t Mm = 25600;          // coordinate units per millimetre
constexpr int CellMm = 12;             // map shown by a cell at the usual zoom
constexpr int CellPx = 180;            // 15 pixels per millimetre
constexpr int LabelPx = 18;
constexpr int Gap = 6;
constexpr int Columns = 10;
// A pale paper colour, so that white ink (white areas, framing of texts) shows and counts.
const QRgb Paper = qRgb(222, 230, 238);

int32_t Clamp32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax));
}

Cord At(double xMm, double yMm, int32_t flagsX = 0, int32_t flagsY = 0)
{
    return Cord{int32_t(std::lround(xMm * 100)) * 256 | flagsX, int32_t(std::lround(yMm * 100)) * 256 | flagsY};
}

void SetCords(ElementRecord& e, int16_t symbol, uint8_t type, const std::vector<Cord>& cords)
{
    e = ElementRecord{};
    e.Symbol = symbol;
    e.ObjectType = type;
    e.nItem = uint16_t(cords.size());
    std::copy(cords.begin(), cords.end(), e.Slots.begin());
}

void SetText(ElementRecord& e, std::u16string_view text)
{
    e.Flags = ElementUtf16Flag;
    const size_t slots = (text.size() * 2 + 2 + 7) / 8;
    e.nText = uint16_t(slots);
    std::memset(e.TextBytes(), 0, slots * 8);
    for (size_t i = 0; i < text.size(); ++i) {
        e.TextBytes()[2 * i] = uint8_t(text[i] & 0xFF);
        e.TextBytes()[2 * i + 1] = uint8_t(text[i] >> 8);
    }
}

// A text symbol that lays out paragraphs (justified, indents or paragraph space) is shown as
// a box of two paragraphs; any other as a point text.
bool ParagraphSymbol(const SymbolBytes& rec)
{
    return SymI16(rec, TsAlignment) == 3 || SymI16(rec, TsParaSpace) != 0 || SymI16(rec, TsFirstIndent) != 0
           || SymI16(rec, TsOtherIndent) != 0;
}

// The sample object of a symbol in the cell whose lower left corner is (x0, y0) mm, in
// DrawElement, with its stored extent computed as the store does it.
void BuildSample(const SymbolBytes& rec, double x0, double y0)
{
    ElementRecord& e = Index.DrawElement;
    const int16_t number = SymI16(rec, SymNumber);
    const int type = SymI16(rec, SymObjectType);
    const bool text = SymU8(rec, SymTextFlag) == 1;
    const auto p = [&](double x, double y, int32_t fx = 0, int32_t fy = 0) { return At(x0 + x, y0 + y, fx, fy); };
    switch (type) {
    case PointObject:
        SetCords(e, number, PointObject, {p(6, 6)});
        break;
    case LineObject:
        if (text) {
            // A curved path: one Bezier arc.
            SetCords(e, number, LineObject,
                     {p(1, 4), p(4, 9, FirstBezierFlag), p(8, 9, SecondBezierFlag), p(11, 4)});
            SetText(e, u"Abc");
        } else {
            // A zigzag, then a curve.
            SetCords(e, number, LineObject,
                     {p(1.5, 3), p(3.5, 9), p(5.5, 3), p(8, 2, FirstBezierFlag), p(10.5, 4.5, SecondBezierFlag),
                      p(10.5, 9)});
        }
        break;
    case AreaObject:
        // A square with a square hole.
        SetCords(e, number, AreaObject,
                 {p(1.5, 1.5), p(10.5, 1.5), p(10.5, 10.5), p(1.5, 10.5), p(4.5, 4.5, 0, HoleFlag), p(7.5, 4.5),
                  p(7.5, 7.5), p(4.5, 7.5)});
        break;
    case TextObject:
        if (ParagraphSymbol(rec)) {
            SetCords(e, number, RectangleObject, {p(1, 1), p(25, 1), p(25, 15), p(1, 15)});
            SetText(e, u"Abc: legend text set in justified lines over the width of its box.\r"
                       u"Tab:\tthe second paragraph.");
        } else {
            const Cord a = p(6, 5);
            SetCords(e, number, TextObject, {a, a, a, a, a});
            SetText(e, u"Abc");
        }
        break;
    case RectangleObject: {
        // Large enough for two cells each way of a cell grid.
        double side = 9;
        if (SymI16(rec, 354) & 1)
            side = std::max(side, 2.5 * std::max(SymI16(rec, 356), SymI16(rec, 358)) / 100.0);
        SetCords(e, number, RectangleObject, {p(1.5, 1.5), p(1.5 + side, 1.5), p(1.5 + side, 1.5 + side), p(1.5, 1.5 + side)});
        break;
    }
    default:
        SetCords(e, number, PointObject, {p(6, 6)});
        break;
    }
    ElementExtent(e);
}

// The view of a cell: CellPx square pixels over `span` coordinate units from (left, top).
void CellTransform(int32_t left, int32_t top, int64_t span)
{
    ResetScaleState();
    Scale.ViewScaleX = double(CellPx) / double(span);
    Scale.ViewScaleY = -Scale.ViewScaleX;
    Scale.ViewOrigin = Cord{Masked(left), Masked(top)};
    Scale.DrawRect = CordRect{left, Clamp32(int64_t(top) - span), Clamp32(int64_t(left) + span), top};
    Scale.FlattenTolerance = std::max(1, SafeRound(4 / Scale.ViewScaleX / 256));
    Graph.ClipRect = Scale.DrawRect;
}

// Draws DrawElement (kept in `sample`) with its symbol into a cell image of paper colour, colour pass by
// colour pass, as a bitmap export does.
QImage PaintCell(const ElementRecord& sample, const SymbolBytes& rec)
{
    QImage img(CellPx, CellPx, QImage::Format_RGB32);
    img.fill(Paper);
    PainterDevice dev(&img);
    Index.DrawElement = sample;
    DrawSymbol = rec.data();
    Graph.OutputMode = BitmapOutput;
    Graph.OutputDC = &dev;
    SetOutputAdjust(100, 100, false);
    BeginDrawing(false);
    DrawObjectColorPasses([](uint32_t cmyk) { return cmyk; });
    EndDrawing();
    Graph.OutputDC = nullptr;
    return img;
}

int InkPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) != (Paper & 0xFFFFFF);
    return n;
}

QString NumberText(int number)
{
    return QStringLiteral("%1.%2").arg(number / 10).arg(std::abs(number % 10));
}

QRect InkBounds(const QImage& img)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != (Paper & 0xFFFFFF))
                r |= QRect(x, y, 1, 1);
    return r;
}

// The same cell with the symbol's shadow framing switched off: what the shadow adds.
// (The text painter reads the symbol from the map.)
bool ShadowShows(SymbolBytes& rec, const ElementRecord& sample, const QImage& cell)
{
    const size_t modeAt = SymI16(rec, SymObjectType) == TextObject ? TsFramingMode : LtFramingMode;
    if (SymU8(rec, SymTextFlag) != 1 || SymU8(rec, modeAt) != 1)
        return true;
    SetSymU8(rec, modeAt, 0);
    const QImage plain = PaintCell(sample, rec);
    SetSymU8(rec, modeAt, 1);
    // A shadow under the text itself would change no more than its edges.
    return InkBounds(plain) != InkBounds(cell);
}

bool SaveImage(const QImage& img, const QString& file)
{
    QSaveFile out(file);
    return out.open(QIODevice::WriteOnly) && img.save(&out, "PNG") && out.commit();
}

void SymbolSheet(const QString& setName)
{
    ProgramConfig = ConfigRecord{};
    ResetGraphSysState();
    ResetMapFontState();
    InitFonts();
    ResetTextsState();
    ResetPathWalkState();
    ResetLinesState();
    ResetIndexState();
    InstallRender();
    RecordingMessages messages;
    // A copy of the shipped set as the current map (tests may hold the shipped file's lock).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.zmd"));
    if (!QFile::copy(DataFolder() + QStringLiteral("SYMBOL/") + setName + QStringLiteral(".zmd"), path)) {
        Fail(QStringLiteral("missing from %1SYMBOL/: %2").arg(DataFolder(), setName));
        return;
    }
    auto zmd = std::make_unique<TZmd>();
    zmd->WorkFile.Open(path);
    SetCurrentMap(zmd.get());
    LoadMap();
    Index.MapOpen = true;
    const std::vector<SymbolBytes> symbols = zmd->Symbols;
    if (symbols.size() < 40)
        Fail(QStringLiteral("%1: only %2 symbols").arg(setName).arg(symbols.size()));

    const int rows = int((symbols.size() + Columns - 1) / Columns);
    const int pitchX = CellPx + Gap, pitchY = LabelPx + CellPx + Gap;
    QImage sheet(Gap + Columns * pitchX, Gap + rows * pitchY, QImage::Format_RGB32);
    sheet.fill(QColor(235, 235, 235));
    QPainter painter(&sheet);
    QFont labelFont = painter.font();
    labelFont.setPixelSize(11);
    painter.setFont(labelFont);
    const QFontMetrics metrics(labelFont);

    const uint32_t normalGrey = Graph.GreyCmyk;
    const uint32_t otherGrey = 200u;   // full cyan: a second substitute colour to tell it apart
    int shadowed = 0;
    for (size_t i = 0; i < symbols.size(); ++i) {
        const SymbolBytes& rec = symbols[i];
        const int number = SymI16(rec, SymNumber);
        const QString name = setName + QLatin1Char(' ') + NumberText(number);
        const int col = int(i) % Columns, row = int(i) / Columns;

        // Each sample at its own place on the map, a grid of 100 mm cells.
        const double x0 = col * 100.0, y0 = -row * 100.0;
        BuildSample(rec, x0, y0);
        const ElementRecord sample = Index.DrawElement;
        const CordRect extent = Index.CurIndex.Rect;
        // The usual cell, or a wider one around the stored extent when the sample needs it.
        int64_t span = int64_t(CellMm) * Mm;
        int64_t left = int64_t(x0 * Mm), bottom = int64_t(y0 * Mm);
        const int64_t need = std::max<int64_t>(int64_t(extent.x2) - extent.x1, int64_t(extent.y2) - extent.y1) + 2 * Mm;
        if (extent.x1 < left || extent.y1 < bottom || extent.x2 > left + span || extent.y2 > bottom + span) {
            span = std::max(span, need);
            left = (int64_t(extent.x1) + extent.x2) / 2 - span / 2;
            bottom = (int64_t(extent.y1) + extent.y2) / 2 - span / 2;
        }
        CellTransform(Clamp32(left), Clamp32(bottom + span), span);

        Graph.GreyCmyk = normalGrey;
        const QImage cell = PaintCell(sample, rec);
        Graph.GreyCmyk = otherGrey;
        const QImage probe = PaintCell(sample, rec);
        Graph.GreyCmyk = normalGrey;
        if (InkPixels(cell) < 10)
            Fail(name + QStringLiteral(": no ink"));
        // The substitute's colour is the only one that differs between the two runs.
        if (cell != probe || ((SymI16(rec, SymObjectType) == TextObject || SymU8(rec, SymTextFlag) == 1)
                              && Texts.Substitute))
            Fail(name + QStringLiteral(": drawn as the grey substitute"));
        if (!ShadowShows(zmd->Symbols[i], sample, cell))
            Fail(name + QStringLiteral(": its shadow does not show"));
        const int type = SymI16(rec, SymObjectType);
        shadowed += SymU8(rec, SymTextFlag) == 1 && SymU8(rec, type == TextObject ? TsFramingMode : LtFramingMode) == 1;

        const int cx = Gap + col * pitchX, cy = Gap + row * pitchY;
        painter.fillRect(cx, cy, CellPx, LabelPx, Qt::white);
        painter.drawImage(cx, cy + LabelPx, cell);
        painter.setPen(QColor(150, 150, 150));
        painter.drawRect(cx - 1, cy - 1, CellPx + 1, LabelPx + CellPx + 1);
        QString label = NumberText(number) + QLatin1Char(' ')
                        + QString::fromStdString(ShortFieldText(std::span(rec).subspan(SymDescription, 32)));
        if (span != int64_t(CellMm) * Mm)
            label += QStringLiteral(" [%1 mm]").arg(span / Mm);
        painter.setPen(Qt::black);
        painter.drawText(QRect(cx + 3, cy, CellPx - 6, LabelPx), Qt::AlignVCenter | Qt::AlignLeft,
                         metrics.elidedText(label, Qt::ElideRight, CellPx - 6));
    }
    painter.end();
    if (setName == QStringLiteral("orienteering-15000") && shadowed < 2)
        Fail(QStringLiteral("%1: %2 shadowed text symbols, expected 2").arg(setName).arg(shadowed));
    if (!messages.Entries().empty())
        Fail(setName + QStringLiteral(": messages shown while drawing"));
    if (!SaveImage(sheet, BuildFolder(QStringLiteral("sheets")) + setName + QStringLiteral(".png")))
        Fail(setName + QStringLiteral(": the sheet is not saved"));
    if (Graph.Drawing)
        EndDrawing();
    Graph.OutputDC = nullptr;
    DrawSymbol = Index.DefaultSymbol.data();
    SetCurrentMap(nullptr);
    Index.MapOpen = false;
    zmd.reset();
    ResetIndexState();
}

// ---- Screenshots ----

void SettleEvents(int ms)
{
    for (int waited = 0; waited < ms; waited += 20) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
}

int Colours(const QImage& img, const QRect& r, int step)
{
    QSet<QRgb> seen;
    for (int y = r.top(); y <= r.bottom(); y += step)
        for (int x = r.left(); x <= r.right(); x += step)
            seen.insert(img.pixel(x, y));
    return int(seen.size());
}

void Screenshots()
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        Fail(QStringLiteral("screenshots need an X server (run under xvfb-run)"));
        return;
    }
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_STATE_HOME", home.filePath(QStringLiteral("state")).toUtf8());
    InstallProgram();
    RecordingFileDialogs dialogs;   // stands in for the open dialog
    if (!StartProgramUnits()) {
        Fail(QStringLiteral("the program's units do not start"));
        return;
    }
    const QString folder = BuildFolder(QStringLiteral("screenshots"));
    auto frame = std::make_unique<TMainFm>();
    TMainFm& m = *frame;
    m.resize(1100, 700);
    m.move(0, 0);
    m.show();
    SettleEvents(800);
    const auto grab = [] { return QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1100, 700).toImage(); };

    // The frame with its File menu open.
    QMenu* menu = m.Menu(Cmd::FileMnu);
    menu->popup(m.mapToGlobal(QPoint(m.menuBar()->actionGeometry(menu->menuAction()).left(), m.menuBar()->height())));
    SettleEvents(800);
    const QImage frameShot = grab();
    menu->close();
    if (!SaveImage(frameShot, folder + QStringLiteral("main-frame.png")))
        Fail(QStringLiteral("main-frame.png is not saved"));
    // Not a blank screen: menu bar, toolbars and the open menu give many colours.
    if (Colours(frameShot, frameShot.rect(), 4) <= 20)
        Fail(QStringLiteral("main-frame.png is nearly blank"));

    // The orienteering set open: the symbol box fills with the set's icons.
    ProgramConfig.AutoSave = false;
    const QString map = QDir::cleanPath(DataFolder() + QStringLiteral("SYMBOL/orienteering-15000.zmd"));
    dialogs.QueueAnswer(true, map);
    m.Action(Cmd::FileOpen)->trigger();
    SettleEvents(200);
    if (!Index.MapOpen || !Index.ActiveZmd) {
        Fail(QStringLiteral("the orienteering set does not open: ") + map);
    } else {
        SettleEvents(1200);
        TSymbolBox* box = SymbolBoxOf(m);
        const QImage shot = grab();
        if (!SaveImage(shot, folder + QStringLiteral("symbol-box.png")))
            Fail(QStringLiteral("symbol-box.png is not saved"));
        if (!box || !box->isVisible()) {
            Fail(QStringLiteral("no symbol box shown"));
        } else {
            // Its first rows are not blank and the whole box shows the map's many colours.
            const QRect r = QRect(box->viewport()->mapToGlobal(QPoint(0, 0)), box->viewport()->size()) & shot.rect();
            if (r.height() < 46 || Colours(shot, QRect(r.left(), r.top(), r.width(), 46), 1) <= 2
                || Colours(shot, r, 1) <= 10)
                Fail(QStringLiteral("the symbol box shows no icons"));
        }
    }
    if (Index.MapOpen) {
        const ShotSink sink{[&](const QImage& img, const QString& name) { return SaveImage(img, folder + name); },
                            Fail, grab, SettleEvents};
        SymbolEditorShots(m, sink, QStringLiteral("orienteering"));
        SettingsDialogShots(sink);
        ToolbarShots(m, sink);
        ColourDialogShots(sink);
        TemplateDialogShots(sink);
        ExportDialogShots(sink);
        PrintDialogShots(sink);
        // The course group of the point symbol editor shows on course-setting maps.
        dialogs.QueueAnswer(true, QDir::cleanPath(DataFolder() + QStringLiteral("SYMBOL/course-setting.zmd")));
        m.Action(Cmd::FileOpen)->trigger();
        SettleEvents(600);
        if (Index.ActiveZmd && Index.ActiveZmd->CourseMap) {
            SymbolEditorShots(m, sink, QStringLiteral("course-setting"));
            CourseTabShots(m, sink);
        }
        else
            Fail(QStringLiteral("the course-setting set does not open"));
    }
    CloseAllDocuments();
    frame.reset();
    SettleEvents(100);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (what == QStringLiteral("sheets")) {
        SymbolSheet(QStringLiteral("orienteering-15000"));
    } else if (what == QStringLiteral("screenshots")) {
        Screenshots();
    } else {
        std::fprintf(stderr, "usage: pictures sheets|screenshots\n");
        return 2;
    }
    return Failures == 0 ? 0 : 1;
}
