#include "symbols/widgets/SymbolFeatures.h"

#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "symbols/SymbolBoxModel.h"
#include "symbols/SymbolMenu.h"
#include "symbols/widgets/SymbolBox.h"

#include <QLayout>
#include <QMdiArea>
#include <QPointer>

namespace zemo {

namespace {

const char* const BoxProperty = "zemoSymbolBox";

void Attach(TMainFm& frame, MainFramePanels& panels)
{
    auto* box = new TSymbolBox(panels.SymbolBoxHolder);
    panels.SymbolBoxHolder->layout()->addWidget(box);
    box->SetPopUp(frame.SymPopUp());
    frame.setProperty(BoxProperty, QVariant::fromValue(static_cast<QObject*>(box)));

    QPointer<TSymbolBox> guard(box);
    MainFramePanels* p = &panels;
    QPointer<TMainFm> f(&frame);
    const auto refresh = [guard, p, f] {
        if (guard && f)
            RefreshSymbolBox(*f, *p, *guard);
    };
    SymbolMenuHooks& h = SymbolHooks();
    h.RefreshSymbolBox = [refresh, guard] {
        refresh();
        if (guard)
            guard->ScrollToCurrentSymbol();
    };
    h.RepaintSymbolBox = [guard] {
        if (guard)
            guard->viewport()->update();
    };
    if (!h.RedrawMap)
        h.RedrawMap = [f] {
            if (QMdiArea* mdi = f ? f->MdiArea() : nullptr)
                for (QWidget* w : mdi->findChildren<QWidget*>())
                    w->update();
        };
    RegisterSymbolWorkers();
    RegisterSymbolBoxWorkers();
    // After every command and whenever the active map changes.
    const int listener = AddStateListener(refresh);
    QObject::connect(box, &QObject::destroyed, [listener] { RemoveStateListener(listener); });
    refresh();
}

} // namespace

void InstallSymbolFeatures()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    AddPanelExtension(Attach);
}

TSymbolBox* SymbolBoxOf(const TMainFm& frame)
{
    return qobject_cast<TSymbolBox*>(frame.property(BoxProperty).value<QObject*>());
}

} // namespace zemo
