// A map on disk opened as the current map and shown in a document window (offscreen), with
// helpers to synthesize input and to paint the same map straight into an image.
#pragma once

#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"
#include "render/Scale.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace zemo::test {

inline constexpr int32_t Mm = 25600;

class DocWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetIndexState();
        ResetWorkUnit();
        ResetGraphSysState();
        ResetScaleState();
        InitConfigUnit();
        ProgramConfig = ConfigRecord{};
        ProgramConfig.ScreenGrid = false;
        AbortRequested = false;
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("map.zmd").toStdString();
    }
    void TearDown() override
    {
        windows.clear();
        if (zmd) {
            SetCurrentMap(nullptr);
            zmd.reset();
        }
        ResetWorkUnit();
    }

    // Three colours (black on top, red, blue) with a line symbol each; lines that cross.
    static TestMapWriter ThreeColourMap()
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Red", 0, 200, 200, 0),
                    TestColor::Cmyk(2, "Blue", 200, 100, 0, 0)};
        w.symbols = {TestSymbol::Line(10, 0, 60), TestSymbol::Line(20, 1, 80), TestSymbol::Line(30, 2, 100)};
        // Crossing lines near the origin, all within a few millimetres.
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
        zmd = std::make_unique<TZmd>();
        zmd->WorkFile.Open(QString::fromStdString(path));
        SetCurrentMap(zmd.get());
        LoadMap();
        Index.MapOpen = true;
        // 1 pixel = 0.1 mm (2560 units): the test map fills a good part of the window.
        zmd->Setup.Zoom = 3.2;
        zmd->Setup.ViewCenterX = 0;
        zmd->Setup.ViewCenterY = 0;
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

    QTemporaryDir dir;
    std::string path;
    std::unique_ptr<TZmd> zmd;
    std::vector<std::unique_ptr<TMdiChild>> windows;
    RecordingMessages messages;
};

} // namespace zemo::test
