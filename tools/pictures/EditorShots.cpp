#include "EditorShots.h"

#include "document/Index.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "symbols/widgets/EditIconDlg.h"
#include "symbols/widgets/LineSymDlg.h"
#include "symbols/widgets/NewSymDlg.h"
#include "symbols/widgets/PointSymDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <deque>

namespace zemo {

namespace {

// Runs each step once on the next modal dialog that comes up.
class Steps {
public:
    Steps()
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == last_ || queue_.empty() || !w->isVisible())
                return;
            last_ = w;
            auto step = std::move(queue_.front());
            queue_.pop_front();
            step(w);
        });
        timer_.start();
    }
    void Then(std::function<void(QWidget*)> f) { queue_.push_back(std::move(f)); }
    bool Done() const { return queue_.empty(); }

private:
    QTimer timer_;
    QPointer<QWidget> last_;
    std::deque<std::function<void(QWidget*)>> queue_;
};

void Press(QWidget* dlg, const char* name)
{
    if (auto* b = dlg->findChild<QAbstractButton*>(QString::fromLatin1(name)))
        b->click();
    else
        dlg->close();
}

int FirstOfType(int type, bool needsElements)
{
    const TZmd& z = *Index.ActiveZmd;
    for (int i = 0; i < z.SymbolCount(); ++i) {
        const SymbolBytes& s = z.Symbols[size_t(i)];
        const bool elements = type == PointObject ? SymI16(s, PointSymbolSlotsOffset) > 0
                                                  : SymI16(s, LsMainSymCount) > 0;
        if (SymI16(s, SymObjectType) == type && SymU8(s, SymTextFlag) == 0 && (!needsElements || elements))
            return i;
    }
    return -1;
}

} // namespace

void SymbolEditorShots(TMainFm& m, const ShotSink& sink, const QString& tag)
{
    if (!Index.MapOpen || !Index.ActiveZmd) {
        sink.fail(QStringLiteral("editor shots: no map open"));
        return;
    }
    const auto shot = [&](QWidget* w, const QString& name) {
        sink.settle(300);
        const QImage img = w->grab().toImage();
        if (img.isNull() || !sink.save(img, name))
            sink.fail(name + QStringLiteral(" is not saved"));
    };
    const auto run = [&](Cmd c, Steps& steps) {
        m.UpdateCommandStates();
        if (!m.Action(c)->isEnabled()) {
            sink.fail(QStringLiteral("editor shots: %1 is disabled").arg(QLatin1String(CmdName(c))));
            return;
        }
        m.Action(c)->trigger();
        sink.settle(200);
        if (!steps.Done())
            sink.fail(QStringLiteral("editor shots: a dialog of %1 did not come").arg(QLatin1String(CmdName(c))));
    };

    // A point symbol: its dialog, then its graphics in the window.
    const int point = FirstOfType(PointObject, true);
    if (point >= 0) {
        SetCurrentSymbolPos(point);
        Steps steps;
        steps.Then([&](QWidget* d) {
            shot(d, QStringLiteral("point-symbol-%1.png").arg(tag));
            Press(d, "EditBtn");
        });
        run(Cmd::SymbolEdit, steps);
        MainFramePanels* p = PanelsOf(m);
        if (!Work.ActiveView || !Work.ActiveView->SymbolGraphicsMode || !p) {
            sink.fail(QStringLiteral("editor shots: no symbol-graphics editing"));
        } else {
            sink.settle(800);
            const QImage frame = sink.grabFrame();
            if (!sink.save(frame, QStringLiteral("symbol-graphics-%1.png").arg(tag)))
                sink.fail(QStringLiteral("symbol-graphics.png is not saved"));
            Steps back;
            back.Then([&](QWidget* d) { Press(d, "CancelBtn"); });
            p->SymCloseBtn->click();
            sink.settle(200);
            if (!back.Done() || Work.ActiveView->SymbolGraphicsMode)
                sink.fail(QStringLiteral("editor shots: the editor did not come back"));
        }
    }
    // A line symbol: every page.
    const int line = FirstOfType(LineObject, false);
    if (line >= 0) {
        SetCurrentSymbolPos(line);
        Steps steps;
        steps.Then([&](QWidget* d) {
            auto* pages = d->findChild<QTabWidget*>(QStringLiteral("PageControl"));
            for (int i = 0; pages && i < pages->count(); ++i) {
                pages->setCurrentIndex(i);
                shot(d, QStringLiteral("line-symbol-%1-page%2.png").arg(tag).arg(i + 1));
            }
            Press(d, "CancelBtn");
        });
        run(Cmd::SymbolEdit, steps);
    }
    // Area (one with a structure where the set has one), text, line-text and rectangle
    // symbols: every page.
    const auto firstOf = [](int type, int textFlag, bool structure) {
        const TZmd& z = *Index.ActiveZmd;
        int found = -1;
        for (int i = 0; i < z.SymbolCount(); ++i) {
            const SymbolBytes& s = z.Symbols[size_t(i)];
            if (SymI16(s, SymObjectType) != type || SymU8(s, SymTextFlag) != textFlag)
                continue;
            if (!structure || SymI16(s, AreaStructSlots) > 0)
                return i;
            if (found < 0)
                found = i;
        }
        return found;
    };
    const std::pair<const char*, int> editors[] = {
        {"area-symbol", firstOf(AreaObject, 0, true)},
        {"text-symbol", firstOf(TextObject, 1, false)},
        {"line-text-symbol", firstOf(LineObject, 1, false)},
        {"rectangle-symbol", firstOf(RectangleObject, 0, false)},
    };
    for (const auto& [name, pos] : editors) {
        if (pos < 0)
            continue;
        SetCurrentSymbolPos(pos);
        Steps steps;
        const QString stem = QStringLiteral("%1-%2").arg(QLatin1String(name), tag);
        steps.Then([&](QWidget* d) {
            auto* pages = d->findChild<QTabWidget*>(QStringLiteral("PageControl"));
            if (!pages)
                shot(d, stem + QStringLiteral(".png"));
            for (int i = 0; pages && i < pages->count(); ++i) {
                pages->setCurrentIndex(i);
                shot(d, stem + QStringLiteral("-page%1.png").arg(i + 1));
            }
            Press(d, "CancelBtn");
        });
        run(Cmd::SymbolEdit, steps);
    }
    // The Extras dialogs of the symbols: text script, select and delete by symbol.
    for (const auto& [c, name] : {std::pair{Cmd::ExtrasTextScript, "text-script"},
                                  std::pair{Cmd::ExtrasSelectSym, "select-by-symbol"},
                                  std::pair{Cmd::ExtrasDeleteSym, "delete-by-symbol"}}) {
        Steps steps;
        steps.Then([&](QWidget* d) {
            shot(d, QStringLiteral("%1-%2.png").arg(QLatin1String(name), tag));
            Press(d, "CancelBtn");
        });
        run(c, steps);
    }
    // Symbol > New and the icon editor.
    {
        Steps steps;
        steps.Then([&](QWidget* d) {
            shot(d, QStringLiteral("new-symbol-%1.png").arg(tag));
            Press(d, "CancelBtn");
        });
        run(Cmd::SymbolNew, steps);
    }
    if (point >= 0) {
        SetCurrentSymbolPos(point);
        Steps steps;
        steps.Then([&](QWidget* d) {
            shot(d, QStringLiteral("icon-editor-%1.png").arg(tag));
            Press(d, "CancelBtn");
        });
        run(Cmd::SymbolIcon, steps);
    }
}

} // namespace zemo
