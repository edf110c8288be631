// The drawing tools on an offscreen window: a map with a symbol of every kind, each tool in
// the tool table, the dialogs answered by the test, and checks of the window's image against
// a fresh paint.
#pragma once

#include "EditFixture.h"

#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "edit/Dr45.h"
#include "edit/DrCircle.h"
#include "edit/DrEllips.h"
#include "edit/DrFree.h"
#include "edit/DrPoint.h"
#include "edit/DrText.h"

namespace zemo::test {

class DrawTest : public EditTest {
protected:
    enum DrawSymbol { PointSym = 4, RectSym = 5 };

    void SetUp() override
    {
        EditTest::SetUp();
        ResetDrFree();
        ResetDr45();
        ResetDrCircle();
        ResetDrEllips();
        ResetDrPoint();
        ResetDrText();
    }

    // Line, area, line text, text, point and rectangle symbols; a 500 x 320 window at 1 pixel
    // = 0.1 mm with the map's origin at pixel (250, 160).
    void OpenDrawMap(std::vector<TestObject> objects = {})
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 100, 0, 0)};
        w.symbols = {TestSymbol::Line(10, 0, 50), TestSymbol::Area(20, 1), TestSymbol::LineText(30),
                     TestSymbol::Text(40), TestSymbol::Point(50, {TestElement::Circle(0, 100)}),
                     TestSymbol::Rect(60)};
        w.objects = std::move(objects);
        OpenMap(w);
        InstallRender();
        ProgramConfig.AutoJoin = false;
        ProgramConfig.AutoScroll = false;
        win = NewWindow(500, 320);
        view = &win->View();
        view->SwallowClick = false;
        RegisterCurveTool();
        RegisterFreeTool();
        RegisterRectLineTool();
        RegisterCircleTool();
        RegisterEllipseTool();
        RegisterPointTool();
        RegisterTextTool();
        EditPorts().Beep.Bind([this] { ++beeps; });
        // Undo shows its change in the window, as in the program.
        DocumentPorts().UpdateRect.Bind([](const CordRect& r) { UpdateRect(r); });
        EditPorts().DrawLineDialog.Bind([this](double& length, double& angle) {
            ++dialogs;
            length = answer.width;
            angle = answer.height;
            return answered;
        });
        EditPorts().DrawCircleDialog.Bind([this](double& radius) {
            ++dialogs;
            radius = answer.width;
            return answered;
        });
        EditPorts().DrawRectDialog.Bind([this](DrawRectAnswer& a) {
            ++dialogs;
            a = answer;
            return answered;
        });
    }
    // The tool of a work mode on the symbol at `pos`.
    void StartTool(int pos, int workMode)
    {
        zmd->Setup.CurrentSymbolIndex = int16_t(pos);
        SelectWorkMode(workMode);
    }
    // The answer the next dialog gives (width: length or radius; height: angle).
    void Answer(bool ok, double width = 0, double height = 0, bool aroundMap = false)
    {
        answered = ok;
        answer = {aroundMap, width, height};
    }

    void Release(QPoint p, ShiftState s) { WorkWinMouseUp(*view, MouseBtn::Left, p, s); }
    using EditTest::Release;

    // Pixel p of the window as a map point.
    static Cord Px(int x, int y) { return DeviceToCord(QPoint(x, y)); }
    static Cord Units(int32_t x, int32_t y) { return {x, y}; }

    // The stored points of object n.
    std::vector<Cord> PointsOf(int n)
    {
        const ElementRecord& e = Stored(n);
        return {e.Cords(), e.Cords() + e.nItem};
    }

    // The window shows what a fresh paint of the map and its marks shows: no XOR figure is
    // left over. Pending invalidations are painted first.
    ::testing::AssertionResult ShowsAFreshPaint()
    {
        win->HandlePaintMessage();
        const QImage shown = win->Surface().copy();
        PaintNow(win);
        if (win->Surface() == shown)
            return ::testing::AssertionSuccess();
        int differ = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                differ += shown.pixel(x, y) != win->Surface().pixel(x, y);
        return ::testing::AssertionFailure() << differ << " pixels differ from a fresh paint";
    }

    bool answered = false;
    DrawRectAnswer answer;
    int dialogs = 0;
};

} // namespace zemo::test
