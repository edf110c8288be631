#include "edit/ScrnWin.h"

#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/Cursors.h"
#include "edit/EditSys.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>

namespace zemo {

ScrnWinUnitState ScrnWin;

namespace {

int& SavedHelpContext()
{
    static int context = MainFrameHelpContext;
    return context;
}

void HelpContext(int c)
{
    EditPorts().SetHelpContext(c);
}

Cord& P1() { return EditSys.ScreenWinRect[0]; }
Cord& P2() { return EditSys.ScreenWinRect[1]; }

int32_t Clamp32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// |c - (x, y)| within e on both axes, or on the edge between its ends.
bool Near(int64_t v, int64_t at, int64_t e)
{
    return v >= at - e && v <= at + e;
}

bool Between(int64_t v, int64_t a, int64_t b, int64_t e)
{
    return v >= std::min(a, b) - e && v <= std::max(a, b) + e;
}

int CursorOfPart(int part)
{
    switch (part) {
    case ScreenWinInside: return MoveCrossCursor;
    case ScreenWinBottom:
    case ScreenWinTop: return MoveNSCursor;
    case ScreenWinLeft:
    case ScreenWinRight: return MoveEWCursor;
    case ScreenWinLeft | ScreenWinTop:
    case ScreenWinRight | ScreenWinBottom: return MoveNWCursor;
    case ScreenWinLeft | ScreenWinBottom:
    case ScreenWinRight | ScreenWinTop: return MoveNECursor;
    default: return 0;
    }
}

QString Size(double w, double h)
{
    return QString::number(w, 'f', 1) + QStringLiteral(" x ") + QString::number(h, 'f', 1)
         + QStringLiteral(" mm");
}

} // namespace


void ResetScrnWinUnit()
{
    ScrnWin = ScrnWinUnitState{};
    SavedHelpContext() = MainFrameHelpContext;
}

void RegisterScreenWinTool()
{
    RegisterTool(ToolModes::ScreenWindow,
                 {[](const ToolStartArgs& a) { StartScreenWin(a.variant); }, ScreenWinEnd,
                  ScreenWinMouseDown, ScreenWinMoveErase, ScreenWinMoveDraw, ScreenWinMouseUp, {}});
}

void StartScreenWin(int variant)
{
    SetupRecord* s = Stp();
    if (!s || !Work.ActiveView)
        return;
    Work.ToolMode = ToolModes::ScreenWindow;
    ScrnWin.ScreenWinState = 0;
    ScrnWin.ScreenWinHit = 0;
    ScrnWin.ScreenWinVariant = std::clamp(variant, 0, 4);
    ScrnWin.ScreenWinResizable = ScrnWin.ScreenWinVariant != ScreenWinFixedSheet;
    SavedHelpContext() = EditPorts().HelpContext();
    const CordRect r = ScrnWin.ScreenWinVariant == ScreenWinPartialMap ? s->PartialRange : s->PrintRange;
    P1() = {r.x1, r.y1};
    P2() = {r.x2, r.y2};
    const int v = ScrnWin.ScreenWinVariant;
    HelpContext(v <= ScreenWinFixedSheet ? PrintRangeHelpContext
                : v <= ScreenWinExport2 ? ExportRangeHelpContext
                                        : PartialMapHelpContext);
    SetStatusText(Text(TextKey::ModifySize));
    if (r == CordRect{}) {
        CordRect full;
        GetFullExtent(full);
        P1() = {full.x1, full.y1};
        P2() = {full.x2, full.y2};
    }
    EditSys.ScreenWinShown = true;
    MarkScreenWin();
    SetToolCursor(StandardCursor);
    ShowScreenWinSize();
    ShowHintNow(Text(TextKey::PressF1));
}

void ScreenWinEnd()
{
    if (Work.ToolMode != ToolModes::ScreenWindow)
        return;
    Work.ToolMode = ToolModes::None;
    ClearStatusText();
    if (EditSys.ScreenWinShown)
        MarkScreenWin();
    EditSys.ScreenWinShown = false;
    ScrnWin.ScreenWinState = 0;
    // Stored with its sides as dragged; the setup's own checks order the print window.
    const CordRect r{P1().x, P1().y, P2().x, P2().y};
    if (SetupRecord* s = Stp()) {
        if (ScrnWin.ScreenWinVariant == ScreenWinPartialMap)
            s->PartialRange = r;
        else
            s->PrintRange = r;
        WriteSetup();
    }
    RestoreRightStatus();
    HelpContext(SavedHelpContext());
}

int ScreenWinHitTest()
{
    const int64_t e = Masked(SafeRound(4 / Scale.ViewScaleX));
    const int64_t x = Work.CursorMapPos.x, y = Work.CursorMapPos.y;
    const int64_t x1 = P1().x, y1 = P1().y, x2 = P2().x, y2 = P2().y;
    int part = 0;
    if (ScrnWin.ScreenWinResizable) {
        if (Near(x, x1, e) && Near(y, y1, e))
            part = ScreenWinLeft | ScreenWinBottom;
        else if (Near(x, x1, e) && Near(y, y2, e))
            part = ScreenWinLeft | ScreenWinTop;
        else if (Near(x, x2, e) && Near(y, y2, e))
            part = ScreenWinRight | ScreenWinTop;
        else if (Near(x, x2, e) && Near(y, y1, e))
            part = ScreenWinRight | ScreenWinBottom;
        else if (Near(x, x1, e) && Between(y, y1, y2, e))
            part = ScreenWinLeft;
        else if (Near(y, y2, e) && Between(x, x1, x2, e))
            part = ScreenWinTop;
        else if (Near(x, x2, e) && Between(y, y1, y2, e))
            part = ScreenWinRight;
        else if (Near(y, y1, e) && Between(x, x1, x2, e))
            part = ScreenWinBottom;
    }
    if (part == 0 && Between(x, x1, x2, e) && Between(y, y1, y2, e))
        part = ScreenWinInside;
    ScrnWin.ScreenWinHit = part;
    SetToolCursor(CursorOfPart(part));
    return part;
}

QString ScreenWinSizeText()
{
    const double w = std::abs((double(P2().x) - P1().x) / 25600);
    const double h = std::abs((double(P2().y) - P1().y) / 25600);
    const int v = ScrnWin.ScreenWinVariant;
    if (v >= ScreenWinExport2)
        return Text(TextKey::MapSize) + QStringLiteral(": ") + Size(w, h);
    const SetupRecord* s = Stp();
    const double f = s && s->PrintScale > 0 ? s->MapScale / s->PrintScale : 1;
    return Text(TextKey::PrintSize) + QStringLiteral(": ") + Size(w * f, h * f);
}

void ShowScreenWinSize()
{
    SetStatusText(ScreenWinSizeText());
}

void ScreenWinMouseDown()
{
    const int part = ScreenWinHitTest();
    if (part == ScreenWinInside)
        ScrnWin.ScreenWinState = 1;
    else if (part != 0)
        ScrnWin.ScreenWinState = 2;
}

void ScreenWinMoveErase()
{
    if (ScrnWin.ScreenWinState != 0 && EditSys.ScreenWinShown)
        MarkScreenWin();
}

void ScreenWinMoveDraw()
{
    const Cord c = Work.CursorMapPos;
    switch (ScrnWin.ScreenWinState) {
    case 1: {
        const int64_t dx = int64_t(Masked(c.x)) - Masked(Work.PreviousCursorMapPos.x);
        const int64_t dy = int64_t(Masked(c.y)) - Masked(Work.PreviousCursorMapPos.y);
        for (Cord* p : {&P1(), &P2()})
            *p = {Clamp32(p->x + dx), Clamp32(p->y + dy)};
        MarkScreenWin();
        ShowScreenWinSize();
        break;
    }
    case 2: {
        const int hit = ScrnWin.ScreenWinHit;
        if (hit & ScreenWinLeft)
            P1().x = c.x;
        if (hit & ScreenWinBottom)
            P1().y = c.y;
        if (hit & ScreenWinRight)
            P2().x = c.x;
        if (hit & ScreenWinTop)
            P2().y = c.y;
        MarkScreenWin();
        ShowScreenWinSize();
        break;
    }
    default: ScreenWinHitTest(); break;
    }
}

void ScreenWinMouseUp()
{
    ScrnWin.ScreenWinState = 0;
}

} // namespace zemo
