#include "shell/widgets/DocumentLinks.h"

#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "edit/widgets/MoveViewDlg.h"
#include "shell/CommandFrame.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

namespace zemo {

void LinkDocumentWindowsTo(QMdiArea* mdiArea, QMenu* workPopUp, QWidget* mainFrame)
{
    SetEndToolHook(&EndCurrentTool);
    SetStartToolHook(&StartCurrentTool);
    SetRepaintPendingHook(&RepaintAllPending);
    FrameLinks links;
    links.CommandBusy = [] { return CommandBusy; };
    links.PaintBusyChanged = [](bool on) { PaintBusy = on; };
    links.RunInFrame = [](const std::function<void()>& work) { RunInFrame(work, "Work"); };
    links.UpdateToolButtons = [] { NotifyStateChanged(); };
    QPointer<QWidget> frame(mainFrame);
    links.SetHelpContext = [frame](int context) {
        if (frame)
            frame->setProperty("helpContext", context);
    };
    links.AppActive = [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; };
    SetFrameLinks(std::move(links));

    QPointer<QMdiArea> area(mdiArea);
    QPointer<QMenu> popUp(workPopUp);
    MdiHost host;
    host.AddWindow = [area](TMdiChild* child) {
        if (!area) {
            child->show();
            return;
        }
        QMdiSubWindow* sub = area->addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->showMaximized();
    };
    host.IsActiveChild = [area](const TMdiChild* child) {
        const QMdiSubWindow* sub = area ? area->activeSubWindow() : nullptr;
        return sub && sub->widget() == child;
    };
    host.ShowWorkPopUp = [popUp](QPoint at) {
        if (popUp)
            popUp->popup(at);
    };
    SetMdiHost(std::move(host));
    QObject::connect(mdiArea, &QMdiArea::subWindowActivated, mainFrame, [](QMdiSubWindow* sub) {
        if (auto* child = sub ? qobject_cast<TMdiChild*>(sub->widget()) : nullptr)
            child->Activate();
    });
    InstallEditWidgets();
    InstallMoveViewDialog();
}

} // namespace zemo
