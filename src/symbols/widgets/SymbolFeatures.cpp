#include "symbols/widgets/SymbolFeatures.h"

#include "core/widgets/OwnControls.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "symbols/SymbolBoxModel.h"
#include "symbols/SymbolMenu.h"
#include "symbols/widgets/SymbolBox.h"

#include <QDockWidget>
#include <QEvent>
#include <QLayout>
#include <QPointer>

#include <algorithm>
#include <functional>

namespace zemo {

namespace {

const char* const BoxProperty = "zemoSymbolBox";

// Calls back on resize and show.
class ResizeRelay : public QObject {
public:
    ResizeRelay(QObject* owner, std::function<void()> onResize)
        : QObject(owner), onResize_(std::move(onResize)) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Resize || e->type() == QEvent::Show)
            onResize_();
        return false;
    }

private:
    std::function<void()> onResize_;
};

TZmd* OpenMap()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

// The splitters resize the dock and the box's holder by fixing their size, so the sizes
// the settings give are fixed the same way after every refresh.
void ApplyPanelSizes(TMainFm& frame, MainFramePanels& p, TSymbolBox& box)
{
    TZmd* z = OpenMap();
    const int slot = MapSettingsSlot(SymBoxSettingsType);
    if (!z || slot < 0 || p.SymDock->isHidden())
        return;
    const SymbolPanelInput in = PanelInputOf(frame, p, box);
    PString settings = z->MapSettings[size_t(slot)]; // already repaired by the refresh
    const SymbolPanelLayout l = ComputeSymbolPanelLayout(in, settings);
    if (!l.symPanel)
        return;
    p.SymSplitter->MinSize = l.minWidth;
    p.SymDock->setFixedWidth(l.panelWidth);
    if (l.boxSplitter) {
        p.SymbolBoxHolder->setFixedHeight(l.boxHeight);
    } else {
        p.SymbolBoxHolder->setMinimumHeight(0);
        p.SymbolBoxHolder->setMaximumHeight(QWIDGETSIZE_MAX);
    }
}

void WireSplitters(MainFramePanels& p, QPointer<TSymbolBox> box)
{
    MainFramePanels* panels = &p;
    // A collapsed panel (snapped to 0) keeps the width stored last.
    p.SymSplitter->OnCanResize = [](int& size, bool&) {
        if (size > 0)
            SaveSymSplitterPos(size);
    };
    p.SymSplitter->OnMoved = [] { SaveSymBoxSettings(); };
    p.SymBoxSplitterBar->OnCanResize = [panels](int& size, bool&) {
        if (size <= 0)
            return;
        // Kept to what the next refresh accepts, or the height would fall back to 53.
        size = std::max(1, std::min(size, MaxSymBoxHeight(panels->SymPanel->height())));
        SaveSymBoxSplitterPos(size);
    };
    p.SymBoxSplitterBar->OnMoved = [panels, box] {
        QWidget* holder = panels->SymbolBoxHolder;
        const int h = ApplySymBoxSplitterPos(holder->height());
        if (h != holder->height())
            holder->setFixedHeight(h);
        if (box)
            box->LayoutSymbolBox();
    };
}

// The panel brought up to date with the map: shown or hidden, the box laid out, the sizes
// the settings give applied.
void RefreshPanel(TMainFm& frame)
{
    static bool running = false;
    MainFramePanels* p = PanelsOf(frame);
    TSymbolBox* box = SymbolBoxOf(frame);
    // A frame not yet shown (or being torn down) has no sizes to measure: the settings
    // would be capped to them and written back.
    if (!p || !box || running || !frame.isVisible())
        return;
    // A map paint holds its own window's map current, not necessarily the active one.
    static bool afterPaint = false;
    if (Work.PaintBusy) {
        if (!afterPaint) {
            afterPaint = true;
            WhenPaintEnds([f = QPointer<TMainFm>(&frame)] {
                afterPaint = false;
                if (f)
                    RefreshPanel(*f);
            });
        }
        return;
    }
    running = true;
    // The box height is checked against the panel's height: measure a panel that is about
    // to show after it has been laid out, not its size from before.
    const bool editing = Work.ActiveView && Work.ActiveView->SymbolGraphicsMode;
    if (OpenMap() && !editing && p->SymDock->isHidden()) {
        p->SymDock->show();
        if (frame.layout())
            frame.layout()->activate();
    }
    RefreshSymbolBox(frame, *p, *box);
    ApplyPanelSizes(frame, *p, *box);
    running = false;
}

} // namespace

void AttachSymbolBox(TMainFm& frame, MainFramePanels& panels)
{
    auto* box = new TSymbolBox(panels.SymbolBoxHolder);
    panels.SymbolBoxHolder->layout()->addWidget(box);
    box->SetPopUp(frame.SymPopUp());
    frame.setProperty(BoxProperty, QVariant::fromValue(static_cast<QObject*>(box)));

    QPointer<TMainFm> f(&frame);
    const auto refresh = [f] {
        if (f)
            RefreshPanel(*f);
    };
    WireSplitters(panels, QPointer<TSymbolBox>(box));
    // The panel's size decides the box's columns and caps the stored sizes.
    panels.SymPanel->installEventFilter(new ResizeRelay(panels.SymPanel, refresh));
    // and a frame shown with a map already open.
    frame.installEventFilter(new ResizeRelay(panels.SymPanel, refresh));
    // After every command and whenever the active map changes.
    const int listener = AddStateListener(refresh);
    QObject::connect(box, &QObject::destroyed, [listener] { RemoveStateListener(listener); });
    refresh();
}

void RefreshFrameSymbolBox()
{
    TMainFm* frame = MainFrame();
    if (!frame)
        return;
    RefreshPanel(*frame);
    if (TSymbolBox* box = SymbolBoxOf(*frame))
        box->ScrollToCurrentSymbol();
}

void ShowFrameCurrentSymbol()
{
    if (TSymbolBox* box = MainFrame() ? SymbolBoxOf(*MainFrame()) : nullptr) {
        box->ScrollToCurrentSymbol();
        box->viewport()->update();
    }
    NotifyStateChanged();
}

void RepaintFrameSymbolBox()
{
    if (TSymbolBox* box = MainFrame() ? SymbolBoxOf(*MainFrame()) : nullptr)
        box->viewport()->update();
}

TSymbolBox* SymbolBoxOf(const TMainFm& frame)
{
    return qobject_cast<TSymbolBox*>(frame.property(BoxProperty).value<QObject*>());
}

} // namespace zemo
