#include "shell/widgets/DocumentLinks.h"

#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "edit/widgets/MoveViewDlg.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "edit/widgets/MdiCloseQuery.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace zemo {

void LinkDocumentWindows()
{
    SetEndToolHook(&EndCurrentTool);
    SetStartToolHook(&StartCurrentTool);
    SetRepaintPendingHook(&RepaintAllPending);
    FrameLinks links;
    links.CommandBusy = [] { return CommandBusy; };
    links.PaintBusyChanged = [](bool on) { PaintBusy = on; };
    links.RunInFrame = [](const std::function<void()>& work) { RunInFrame(work, "Work"); };
    links.UpdateToolButtons = [] { NotifyStateChanged(); };
    links.SetHelpContext = [](int context) {
        if (TMainFm* frame = MainFrame())
            frame->setProperty("helpContext", context);
    };
    links.AppActive = [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; };
    SetFrameLinks(std::move(links));

    MdiHost host;
    host.AddWindow = [](TMdiChild* child) {
        QMdiArea* area = MainFrame() ? MainFrame()->MdiArea() : nullptr;
        if (!area) {
            child->show();
            return;
        }
        QMdiSubWindow* sub = area->addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->showMaximized();
    };
    host.IsActiveChild = [](const TMdiChild* child) {
        QMdiArea* area = MainFrame() ? MainFrame()->MdiArea() : nullptr;
        const QMdiSubWindow* sub = area ? area->activeSubWindow() : nullptr;
        return sub && sub->widget() == child;
    };
    host.ShowWorkPopUp = [](QPoint at) {
        if (TMainFm* frame = MainFrame())
            frame->WorkPopUp()->popup(at);
    };
    SetMdiHost(std::move(host));
    // A closing window's question keeps the commands away while it is up.
    SetCloseQueryBusyHook([](bool on) { CommandBusy = on; });
    InstallEditWidgets();
    InstallMoveViewDialog();
}

void ActivateDocumentWindowsWith(QMdiArea* mdiArea)
{
    QObject::connect(mdiArea, &QMdiArea::subWindowActivated, mdiArea, [](QMdiSubWindow* sub) {
        if (auto* child = sub ? qobject_cast<TMdiChild*>(sub->widget()) : nullptr)
            child->Activate();
    });
}

} // namespace zemo
