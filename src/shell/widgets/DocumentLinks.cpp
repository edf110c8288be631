#include "shell/widgets/DocumentLinks.h"

#include "core/Status.h"
#include "document/Index.h"
#include "edit/View.h"
#include "edit/widgets/MdiChild.h"
#include "shell/CommandFrame.h"
#include "shell/HelpRouting.h"
#include "shell/widgets/MainFm.h"

#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTimer>

#include <algorithm>

namespace zemo {

namespace {

const char* const HelpProperty = "helpContext";

QMdiArea* Area()
{
    return MainFrame() ? MainFrame()->MdiArea() : nullptr;
}

} // namespace

void ActivateDocumentWindowsWith(QMdiArea* mdiArea)
{
    QObject::connect(mdiArea, &QMdiArea::subWindowActivated, mdiArea, [](QMdiSubWindow* sub) {
        if (auto* child = sub ? qobject_cast<TMdiChild*>(sub->widget()) : nullptr)
            child->Activate();
        else if (!sub && !Index.MapOpen && MainFrame()) // not while the frame is torn down
            ForgetClosedMap();
    });
}

void ForgetClosedMap()
{
    ClearStatusText();
    ShowCoordText(QString());
    ClearSymbolStatus();
    // The buttons, the menus and the symbol panels, which hide without a map.
    NotifyStateChanged();
}

void AddDocumentWindow(TMdiChild* child)
{
    QMdiArea* area = Area();
    if (!area) {
        child->show();
        return;
    }
    QMdiSubWindow* sub = area->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(area->window()->windowIcon());
    // Its size when it is not maximised: most of the area, not the window's least size.
    sub->resize(UsableWindowSize(area->viewport()->size()));
    sub->showMaximized();
}

void LayOutFrameForState()
{
    TMainFm* frame = MainFrame();
    if (!frame || !frame->isVisible())
        return;
    NotifyStateChanged();
    // What the state showed or hid is laid out now rather than at the next pass of the
    // event loop; the MDI area gives its maximised windows its new size as it gets it.
    if (QLayout* layout = frame->layout())
        layout->activate();
}

QSize UsableWindowSize(QSize area)
{
    const QSize least(std::min(area.width(), 320), std::min(area.height(), 240));
    return (area * 3 / 4).expandedTo(least).expandedTo(QSize(1, 1));
}

std::vector<QRect> CascadeGeometry(QSize area, int count, int step)
{
    std::vector<QRect> out;
    if (count <= 0)
        return out;
    step = std::max(step, 1);
    const int span = std::min(area.width(), area.height()) / 3;
    const int perRound = std::min(count, span / step + 1);
    const int rounds = (count + perRound - 1) / perRound;
    // Each further round starts a little further right, within a third of the width too.
    const int shift = rounds > 1 ? std::min(step / 2, area.width() / 3 / (rounds - 1)) : 0;
    const int width = std::max(area.width() - (perRound - 1) * step - (rounds - 1) * shift, 1);
    const int height = std::max(area.height() - (perRound - 1) * step, 1);
    for (int i = 0; i < count; ++i) {
        const int offset = (i % perRound) * step;
        out.emplace_back(offset + (i / perRound) * shift, offset, width, height);
    }
    return out;
}

void CascadeDocumentWindows(QMdiArea* mdiArea)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : mdiArea->subWindowList(QMdiArea::StackingOrder))
        if (!w->isHidden() && !w->isMinimized())
            windows.append(w);
    if (windows.isEmpty())
        return;
    QStyleOptionTitleBar title;
    title.initFrom(windows.first());
    const int step = windows.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight, &title,
                                                           windows.first());
    const std::vector<QRect> g =
        CascadeGeometry(mdiArea->viewport()->size(), int(windows.size()), step);
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(g[size_t(i)]);
        windows[i]->raise();
    }
}

void ShowWorkPopUpAt(QPoint globalPos)
{
    if (TMainFm* frame = MainFrame())
        frame->WorkPopUp()->popup(globalPos);
}

void SetViewTimer(bool on, int intervalMs)
{
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
}

int FrameHelpContext()
{
    TMainFm* frame = MainFrame();
    return frame ? frame->property(HelpProperty).toInt() : MainFrameHelpContext;
}

void SetFrameHelpContext(int context)
{
    if (TMainFm* frame = MainFrame())
        frame->setProperty(HelpProperty, context);
}

} // namespace zemo
