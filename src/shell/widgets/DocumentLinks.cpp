#include "shell/widgets/DocumentLinks.h"

#include "edit/View.h"
#include "edit/widgets/MdiChild.h"
#include "shell/HelpRouting.h"
#include "shell/widgets/MainFm.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>

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
    });
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
    sub->showMaximized();
}

bool IsActiveDocumentWindow(const TMdiChild* child)
{
    QMdiArea* area = Area();
    const QMdiSubWindow* sub = area ? area->activeSubWindow() : nullptr;
    return sub && sub->widget() == child;
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
