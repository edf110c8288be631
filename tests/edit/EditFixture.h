// A map on disk opened as the current map and shown in document windows (offscreen), input
// sent to the window's own handlers, and the same map painted straight into an image.
#pragma once

#include "../support/CurrentMap.h"
#include "../support/TestMapWriter.h"
#include "app/Install.h"
#include "core/Config.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/MovePt.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/ScrnWin.h"
#include "edit/TextEdit.h"
#include "edit/View.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "render/Texts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

namespace zemo::test {

inline constexpr int32_t Mm = 25600;

// The text an object shows.
inline std::u16string TextOf(const ElementRecord& e)
{
    PrepareTextSymbol(e);
    RestoreTextColor();
    return Texts.TextBuffer;
}

class EditTest : public ::testing::Test {
protected:
    enum SymbolPos { LineSym = 0, AreaSym = 1, LineTextSym = 2, TextSym = 3 };

    void SetUp() override
    {
        ResetIndexState();
        ResetWorkUnit();
        ResetGraphSysState();
        ResetScaleState();
        ResetPickUnit();
        ResetViewUnit();
        ResetScrnWinUnit();
        InitConfigUnit();
        ProgramConfig = ConfigRecord{};
        ProgramConfig.ScreenGrid = false;
        AbortRequested = false;
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("map.zmd").toStdString();
    }
    void TearDown() override
    {
        CloseMap();
        ResetViewUnit();
        ResetWorkUnit();
    }

    // Three colours (black on top, red, blue) with a line symbol each; lines that cross.
    static TestMapWriter ThreeColourMap()
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Red", 0, 200, 200, 0),
                    TestColor::Cmyk(2, "Blue", 200, 100, 0, 0)};
        w.symbols = {TestSymbol::Line(10, 0, 60), TestSymbol::Line(20, 1, 80), TestSymbol::Line(30, 2, 100)};
        w.objects.push_back(TestObject::Line(30, {{-8 * Mm, 0}, {8 * Mm, 0}}));
        w.objects.push_back(TestObject::Line(20, {{0, -6 * Mm}, {0, 6 * Mm}}));
        w.objects.push_back(TestObject::Line(10, {{-6 * Mm, -5 * Mm}, {6 * Mm, 5 * Mm}}));
        w.objects.push_back(TestObject::Line(30, {{-8 * Mm, 3 * Mm}, {8 * Mm, 3 * Mm}}));
        w.objects.push_back(TestObject::Line(20, {{3 * Mm, -6 * Mm}, {3 * Mm, 6 * Mm}}));
        w.objects.push_back(TestObject::Line(10, {{-6 * Mm, 5 * Mm}, {6 * Mm, -5 * Mm}}));
        return w;
    }

    void OpenMap(const TestMapWriter& w)
    {
        ASSERT_TRUE(WriteFileBytes(path, w.Build()));
        zmd = OpenAsCurrentMap(path);
        // 1 pixel = 0.1 mm (2560 units): the test map fills a good part of the window.
        zmd->Setup.Zoom = 3.2;
        zmd->Setup.ViewCenterX = 0;
        zmd->Setup.ViewCenterY = 0;
    }
    void CloseMap()
    {
        windows.clear();
        CloseCurrentMap(zmd);
    }
    SetupRecord& S() { return zmd->Setup; }
    // The working file as it is on disk after a flush.
    std::vector<uint8_t> FlushedBytes()
    {
        FlushMapFile();
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }

    // A shown window of the current map with a surface of w x h pixels.
    TMdiChild* NewWindow(int w = 200, int h = 160)
    {
        auto win = std::make_unique<TMdiChild>();
        TMdiChild* c = win.get();
        const int sbw = c->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        c->resize(w + 10 + sbw, h + 11 + sbw);
        c->show();
        c->View().MapShown = true;
        ActivateMapWindow(c->View());
        // The first paint of the new window, as its resize asked for.
        Process();
        c->HandlePaintMessage();
        windows.push_back(std::move(win));
        return c;
    }
    // The map in a 200 x 160 window whose first click is not swallowed by its activation.
    MapView& Show(const TestMapWriter& w)
    {
        OpenMap(w);
        TMdiChild* c = NewWindow();
        c->View().SwallowClick = false;
        UpdateViewOf(c->View());
        return c->View();
    }

    // Handles the window's posted paint message now.
    static void PaintNow(TMdiChild* c)
    {
        c->InvalidateRect({0, 0, c->View().ClientWidth, c->View().ClientHeight});
        c->HandlePaintMessage();
    }

    static void Process(int ms = 0)
    {
        QElapsedTimer t;
        t.start();
        do {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        } while (t.elapsed() < ms);
    }

    // The map drawn straight into an image by the painters, colour pass by colour pass from
    // the last colour to the first, every object through the type dispatch.
    QImage DirectPaint(MapView& v, std::optional<PixRect> clip = {})
    {
        QImage img(v.ClientWidth, v.ClientHeight, QImage::Format_RGB32);
        img.fill(Qt::white);
        PainterDevice dc(&img);
        UpdateViewOf(v);
        Graph.OutputDC = &dc;
        Graph.OutputMode = ScreenOutput;
        Graph.ClipRect = Scale.DrawRect;
        if (clip) {
            dc.setBaseClip(QRegion(clip->ToQRect()));
            const Cord a = DeviceToCord(QPoint(clip->left, clip->top));
            const Cord b = DeviceToCord(QPoint(clip->right, clip->bottom));
            Graph.ClipRect = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
        }
        SetOutputAdjust(100, 100, false);
        BeginDrawing(false);
        const auto& colors = zmd->ColorBlock;
        for (int i = colors.ColorCount - 1; i >= 0; --i) {
            const auto& c = colors.Colors[size_t(i)];
            Graph.CurrentColor = c.Number;
            Graph.OutputCmyk = ScreenCorrectedColor(uint32_t(c.Cmyk[0]) | uint32_t(c.Cmyk[1]) << 8
                                                    | uint32_t(c.Cmyk[2]) << 16 | uint32_t(c.Cmyk[3]) << 24);
            for (int n = 1; n <= CountObjects(); ++n) {
                SymbolBytes* sym = nullptr;
                GetIndex(n);
                GetSymbol(Index.CurIndex.Symbol, sym);
                if (!ReadElement(n, DrawElement))
                    continue;
                DrawSymbol = sym->data();
                DrawObjectByType();
            }
        }
        EndDrawing();
        Graph.OutputDC = nullptr;
        return img;
    }

    static void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                          Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, mods);
        QCoreApplication::sendEvent(w, &e);
    }
    static void SendWheel(QWidget* w, QPoint at, int delta, Qt::MouseButtons buttons = Qt::NoButton)
    {
        QWheelEvent e(QPointF(at), w->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), buttons,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w, &e);
    }

    // A line, an area, a line-text and a text symbol; the text layout installed as the
    // program has it.
    void OpenCurveMap(std::vector<TestObject> objects = {})
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 100, 0, 0)};
        w.symbols = {TestSymbol::Line(10, 0, 50), TestSymbol::Area(20, 1), TestSymbol::LineText(30),
                     TestSymbol::Text(40)};
        w.objects = std::move(objects);
        OpenMap(w);
        InstallRender();
        ProgramConfig.AutoJoin = false;
        ProgramConfig.AutoScroll = false;
        win = NewWindow(400, 300);
        view = &win->View();
        RegisterCurveTool();
        EditPorts().Beep.Bind([this] { ++beeps; });
    }
    // The curve tool on the symbol at `pos`.
    void StartCurve(int pos, int workMode = WorkModes::Curve)
    {
        zmd->Setup.CurrentSymbolIndex = int16_t(pos);
        SelectWorkMode(workMode);
        ASSERT_EQ(Work.ToolMode, ToolModes::Curve);
    }
    // The drawing grown by repeated curve points at `at` while three more points fit.
    static int GrowToLimit(Cord at)
    {
        ElementRecord& e = CurElement;
        int n = e.nItem;
        while (n + 3 <= CurvePointLimit()) {
            e.Cords()[n] = {at.x | SecondBezierFlag, at.y};
            e.Cords()[n + 1] = at;
            e.Cords()[n + 2] = {(at.x + 2560) | FirstBezierFlag, at.y};
            n += 3;
        }
        e.nItem = uint16_t(n);
        return n;
    }

    void Press(QPoint p, ShiftState s = {}) { WorkWinMouseDown(*view, MouseBtn::Left, p, s); }
    void Move(QPoint p, bool held = true) { WorkWinMouseMove(*view, p, {}, held); }
    void Release(QPoint p) { WorkWinMouseUp(*view, MouseBtn::Left, p, {}); }
    // A press at `at` dragged out to `to`.
    void DragPoint(QPoint at, QPoint to)
    {
        Press(at);
        Move((at + to) / 2);
        Move(to);
        Release(to);
    }
    void Click(QPoint at)
    {
        Press(at);
        Release(at);
    }
    void ClickAt(Cord c) { Click(CordToDevice(c)); }
    void Key(int ch) { FormKeyPress(*view, ch); }

    static Cord At(QPoint p) { return DeviceToCord(p); }
    static Cord AtMm(double xMm, double yMm) { return {Masked(int32_t(xMm * Mm)), Masked(int32_t(yMm * Mm))}; }
    static double Dist(Cord a, Cord b)
    {
        return std::hypot(double(Masked(a.x)) - Masked(b.x), double(Masked(a.y)) - Masked(b.y));
    }
    // The cosine of the angle between a - o and b - o.
    static double Cosine(Cord o, Cord a, Cord b)
    {
        const double ax = double(Masked(a.x)) - Masked(o.x), ay = double(Masked(a.y)) - Masked(o.y);
        const double bx = double(Masked(b.x)) - Masked(o.x), by = double(Masked(b.y)) - Masked(o.y);
        return (ax * bx + ay * by) / (std::hypot(ax, ay) * std::hypot(bx, by));
    }

    // Object n as the working file holds it.
    ElementRecord& Stored(int n)
    {
        EXPECT_TRUE(ReadElement(n, AuxElement2));
        return AuxElement2;
    }
    int Live() const
    {
        int count = 0;
        for (int n = 1; n <= zmd->HighestObject; ++n)
            if (EntryLive(zmd->Entry(n)))
                ++count;
        return count;
    }
    // The curve tool running and typing on object n (as after drawing a line text).
    void TypeOn(std::vector<TestObject> objects, int n)
    {
        OpenCurveMap(std::move(objects));
        StartCurve(LineSym);
        SelectOnly(n);
        ASSERT_TRUE(ReadElement(n, CurElement));
        StartTyping();
        ASSERT_TRUE(EditSys.TypingActive);
    }
    static void Type(std::u16string_view s)
    {
        for (char16_t c : s)
            TypingKey(c);
    }

    QTemporaryDir dir;
    std::string path;
    std::unique_ptr<TZmd> zmd;
    std::vector<std::unique_ptr<TMdiChild>> windows;
    RecordingMessages messages;
    TMdiChild* win = nullptr;
    MapView* view = nullptr;
    int beeps = 0;
};

} // namespace zemo::test
