#include "ToolbarShots.h"

#include "shell/toolbars/FloatingFrame.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolWindow97.h"
#include "shell/widgets/MainFm.h"

#include <QSet>

namespace zemo {

namespace {

int ColoursIn(const QImage& img, QRect r)
{
    QSet<QRgb> seen;
    r &= img.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            seen.insert(img.pixel(x, y));
    return int(seen.size());
}

} // namespace

void ToolbarShots(TMainFm& frame, const ShotSink& sink)
{
    TToolbar97& standard = *frame.StandardToolbar();
    TToolbar97& edit = *frame.EditToolbar();
    TDock97* top = frame.Dock(1);
    TDock97* left = frame.Dock(3);

    // Both in the left dock, the standard toolbar's row first.
    standard.SetRowAndPos(0, 0);
    standard.SetDockedTo(left);
    edit.SetRowAndPos(1, 0);
    edit.SetDockedTo(left);
    sink.settle(600);
    const QImage docked = sink.grabFrame();
    if (!sink.save(docked, QStringLiteral("toolbars-left-dock.png")))
        sink.fail(QStringLiteral("toolbars-left-dock.png is not saved"));
    const QRect s = standard.OuterScreenRect();
    const QRect e = edit.OuterScreenRect();
    if (left->RowSizes().size() != 2 || s.left() != left->ScreenRect().left() || e.left() != s.right() + 1 ||
        s.height() <= s.width() || ColoursIn(docked, s) < 5 || ColoursIn(docked, e) < 5)
        sink.fail(QStringLiteral("the toolbars are not shown in two rows of the left dock"));

    // The edit toolbar floating over the frame in three lines: the drawing tools, the cutting
    // tools and the point tools.
    edit.SetFloatRightX(4 + 8 * 23 + 4);
    edit.SetFloatingPosition(frame.mapToGlobal(QPoint(420, 220)));
    edit.SetDockedTo(nullptr);
    sink.settle(600);
    const QImage floating = sink.grabFrame();
    if (!sink.save(floating, QStringLiteral("toolbar-floating.png")))
        sink.fail(QStringLiteral("toolbar-floating.png is not saved"));
    TFloatingWindow* w = edit.FloatingWindow();
    if (!w || !w->isVisible() || w->Client()->LineSeps().size() != 2) {
        sink.fail(QStringLiteral("the edit toolbar does not float in three lines"));
    } else {
        const QRect caption = FloatCaptionRect(w->size()).translated(w->geometry().topLeft());
        const QRgb bar = w->palette().color(QPalette::Active, QPalette::Highlight).rgb();
        if (floating.pixel(caption.left() + 1, caption.top() + 1) != bar || ColoursIn(floating, w->geometry()) < 5)
            sink.fail(QStringLiteral("the floating toolbar's caption or buttons are not drawn"));
    }

    // As designed again.
    standard.SetRowAndPos(0, 0);
    standard.SetDockedTo(top);
    edit.SetRowAndPos(1, 0);
    edit.SetFloatRightX(0);
    edit.SetDockedTo(top);
    sink.settle(200);
}

} // namespace zemo
