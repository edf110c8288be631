#include "shell/widgets/ViewCommands.h"

#include "document/Index.h"
#include "edit/View.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "shell/CommandFrame.h"
#include "shell/CommandState.h"
#include "shell/widgets/MainFm.h"

#include <QCursor>
#include <QTimer>

namespace zemo {

namespace {

MapView* OpenView()
{
    MapView* v = Work.ActiveView;
    return v && v->Document && Index.MapOpen ? v : nullptr;
}

// The active document window's drawing surface, if the view belongs to a window.
TWorkWin* ActiveSurface()
{
    MapView* v = OpenView();
    auto* child = v ? dynamic_cast<TMdiChild*>(v->Form) : nullptr;
    return child ? child->WorkWin() : nullptr;
}

void Redraw()
{
    MapView* v = OpenView();
    if (!v || !v->Form)
        return;
    v->Form->FocusSurface();
    // The whole surface is painted again, background first; an interrupted paint's rectangle
    // is covered by it.
    v->PendingValid = false;
    v->Form->InvalidateRect({0, 0, v->ClientWidth, v->ClientHeight});
}

} // namespace

void RegisterViewCommands()
{
    ViewHooks& hooks = ViewHookState();
    hooks.SetViewTimer = [](bool on, int intervalMs) {
        TMainFm* frame = MainFrame();
        if (!frame)
            return;
        // The zoom frame follows the cursor; this timer notices when it has left the window.
        auto* viewTimer = frame->findChild<QTimer*>(QStringLiteral("ViewTimer"), Qt::FindDirectChildrenOnly);
        if (!viewTimer) {
            viewTimer = new QTimer(frame);
            viewTimer->setObjectName(QStringLiteral("ViewTimer"));
            QObject::connect(viewTimer, &QTimer::timeout, viewTimer, [] { ViewTimerTick(); });
        }
        viewTimer->setInterval(intervalMs);
        if (on)
            viewTimer->start();
        else
            viewTimer->stop();
    };
    hooks.SurfaceCursor = [] {
        const TWorkWin* surface = ActiveSurface();
        return surface ? surface->CursorNumber() : 0;
    };
    // Mouse events stop at the window's edge; the timer needs the cursor wherever it is.
    hooks.CursorClientPos = [] {
        const TWorkWin* surface = ActiveSurface();
        if (!surface)
            return Work.ActiveView ? Work.ActiveView->LastMousePoint : QPoint();
        return surface->mapFromGlobal(QCursor::pos());
    };

    // The zoom decides which of the fixed zooms is ticked.
    AddShellStateSource([](ShellState& s) {
        if (const MapView* v = OpenView())
            s.zoom = v->Document->Setup.Zoom;
    });

    struct Fixed {
        Cmd item;
        double factor;
    };
    const Fixed fixed[] = {{Cmd::View025X, 0.25}, {Cmd::View05X, 0.5}, {Cmd::View1X, 1},
                           {Cmd::View2X, 2},      {Cmd::View4X, 4},   {Cmd::View8X, 8},
                           {Cmd::View16X, 16},    {Cmd::View32X, 32}};
    for (const Fixed& f : fixed) {
        const double factor = f.factor;
        RegisterWorker(f.item, [factor] { ZoomToFactor(factor); });
    }
    // The hand: the zoom stays, the view is centred again by the pan that follows.
    RegisterWorker(Cmd::ViewMove, [] {
        if (const MapView* v = OpenView())
            ZoomToFactor(v->Document->Setup.Zoom);
    });
    RegisterWorker(Cmd::ViewMoveTo, [] { MoveViewTo(); });
    RegisterWorker(Cmd::ViewZoomIn, [] { ZoomIn(); });
    RegisterWorker(Cmd::ViewZoomOut, [] { ZoomOut(); });
    RegisterWorker(Cmd::ViewEntire, [] { ViewEntire(); });
    RegisterWorker(Cmd::ViewRedraw, [] { Redraw(); });
}

} // namespace zemo
