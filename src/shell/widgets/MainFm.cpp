#include "shell/widgets/MainFm.h"

#include "core/Config.h"
#include "core/EventGuard.h"
#include "core/Help.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "core/widgets/QtStatusBar.h"
#include "document/Open.h"
#include "edit/TextEdit.h"
#include "edit/Work.h"
#include "platform/Settings.h"
#include "shell/CommandFrame.h"
#include "shell/HelpRouting.h"
#include "shell/Ports.h"
#include "shell/SingleInstance.h"
#include "shell/StartUp.h"
#include "edit/widgets/MdiChild.h"
#include "edit/widgets/MdiCloseQuery.h"
#include "shell/widgets/DocumentLinks.h"
#include "shell/widgets/Panels.h"
#include "shell/widgets/ToolIcons.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/FrameStyle.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolWindow97.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSessionManager>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

#include <exception>

namespace zemo {

namespace {

const QString ToolbarLayoutKey = QStringLiteral("Zemo8/Toolbars");
// Where an older run kept the whole layout in one value.
const QString OldToolbarLayoutKey = QStringLiteral("Zemo8/Toolbars/Layout");
const char* const CmdProperty = "zemoCmd";
const char* const HelpProperty = "helpContext";

// Items that open a group of their own in their menu.
constexpr Cmd SeparatorBefore[] = {
    Cmd::FilePrint,    Cmd::FileImport,    Cmd::FileBackup,   Cmd::FileExit,
    Cmd::FileList1,    Cmd::EditCut,       Cmd::EditJoin,     Cmd::ViewRedraw,
    Cmd::View025X,     Cmd::ViewStandard,  Cmd::SymbolCopy,   Cmd::SymbolSort,
    Cmd::SymbolColors, Cmd::SymbolNormal,  Cmd::ExtrasMove,   Cmd::ExtrasSelectSym,
    Cmd::ExtrasPartial, Cmd::DbCreateLinks, Cmd::TemplateAdjust, Cmd::OptionsColorCor,
    Cmd::OptionsOpenGps, Cmd::HelpHome,    Cmd::SymbolCopyPop, Cmd::SymbolSortPop,
    Cmd::SymbolNormalPop, Cmd::WorkMove,
};
constexpr Cmd ButtonSeparatorBefore[] = {Cmd::UndoBtn, Cmd::DeleteBtn, Cmd::JoinBtn,
                                         Cmd::MoveBtn, Cmd::GridBtn,   Cmd::CutBtn,
                                         Cmd::NormalPtBtn};

bool Contains(std::span<const Cmd> list, Cmd c)
{
    return std::find(list.begin(), list.end(), c) != list.end();
}

int CmdIndex(Cmd c)
{
    return static_cast<int>(c);
}

bool OpensMenu(std::span<const MenuItemDef> items, size_t i)
{
    return i + 1 < items.size() && items[i + 1].tree == items[i].tree &&
           items[i + 1].level > items[i].level;
}

// The command a button's worker is looked up under.
Cmd ButtonHandler(const ButtonDef& b)
{
    return b.handler == Cmd::PrintBtn ? Cmd::FilePrint : b.handler;
}

// A shortcut text that names exactly one key, or none.
QKeySequence ShortCutFromText(const QString& text)
{
    if (text.trimmed().isEmpty())
        return {};
    const QKeySequence seq = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (seq.count() != 1 || seq[0].key() == Qt::Key_unknown)
        return {};
    return seq;
}

// F1 in a dialog: its Help button. A dialog without one answers F1 itself, or not at all.
bool HelpForDialog(QDialog* dialog)
{
    for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QDialogButtonBox::HelpRole && b->isEnabled()) {
                b->click();
                return true;
            }
    return false;
}

TMainFm* TheMainFrame = nullptr;

} // namespace

TMainFm* MainFrame()
{
    return TheMainFrame;
}

TMainFm::TMainFm(QWidget* parent) : TMainFm(Options{}, parent) {}

TMainFm::TMainFm(const Options& options, QWidget* parent) : QMainWindow(parent)
{
    TheMainFrame = this;
    FormCreate(options);
}

TMainFm::~TMainFm()
{
    if (TheMainFrame == this)
        TheMainFrame = nullptr;
    qApp->removeEventFilter(this);
    RemoveStateListener(stateListener_);
}

void TMainFm::FormCreate(const Options& options)
{
    setObjectName(QStringLiteral("MainFm"));
    setProperty(HelpProperty, MainFrameHelpContext);
    // The frame's map windows and the program's dialogs show it too.
    const QIcon icon = ProgramIcon();
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);
    // A second start recognises a running instance by its lock, not by this caption.
    setWindowTitle(QStringLiteral("ZEMO "));
    if (options.readConfig)
        ReadConfig();

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("MdiArea"));
    UseFrameStyle(mdiArea_);
    setCentralWidget(mdiArea_);
    statusBar();

    itemActions_.assign(CmdCount + 1, nullptr);
    buttonActions_.assign(CmdCount + 1, nullptr);
    menus_.assign(CmdCount + 1, nullptr);
    BuildMenus();
    BuildToolbars();

    CommandBusy = false;
    PaintBusy = false;
    ApplyShortCuts();
    if (!ProgramConfig.AutoLoad)
        ProgramConfig.File.clear();

    ActivateDocumentWindowsWith(mdiArea_);
    InstallPanels(*this);
    stateListener_ = AddStateListener([this] { UpdateCommandStates(); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        ClipboardChanged();
        UpdateCommandStates();
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [](Qt::ApplicationState state) {
                // Also inside a paint's input poll: the tool ends and starts after the paint.
                WhenPaintEnds([state] {
                    if (state == Qt::ApplicationActive) {
                        // Paints stopped while another program was in front are finished.
                        RepaintAllPending();
                        StartTool();
                    } else if (state == Qt::ApplicationInactive) {
                        EndTool();
                    }
                });
            });
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        manager.setRestartCommand(CommitSession());
        manager.setRestartHint(QSessionManager::RestartIfRunning);
    });

    handOff_ = new HandOffQueue(this);
    handOff_->SetBringToFront([this] {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    });
    UpdateCommandStates();
}

void TMainFm::BuildMenus()
{
    symPopUp_ = new QMenu(this);
    symPopUp_->setObjectName(QStringLiteral("SymPopUp"));
    workPopUp_ = new QMenu(this);
    workPopUp_->setObjectName(QStringLiteral("WorkPopUp"));
    connect(symPopUp_, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
    connect(workPopUp_, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });

    const auto items = MenuItems();
    std::vector<QMenu*> stack(4, nullptr);
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItemDef& d = items[i];
        const QString caption = MenuCaption(d);
        const bool submenu = OpensMenu(items, i);
        QAction* action = nullptr;
        if (d.level == 0 && d.tree == MenuTree::Main) {
            QMenu* menu = menuBar()->addMenu(caption);
            const bool templates = d.id == Cmd::TemplateMnu;
            connect(menu, &QMenu::aboutToShow, this, [this, templates] {
                if (templates)
                    ShellPorts().TemplateMenuOpens();
                UpdateCommandStates();
            });
            stack[0] = menu;
            menus_[CmdIndex(d.id)] = menu;
            action = menu->menuAction();
        } else {
            QMenu* container = d.level == 0 ? (d.tree == MenuTree::SymPopUp ? symPopUp_
                                                                            : workPopUp_)
                                            : stack[size_t(d.level - 1)];
            if (Contains(SeparatorBefore, d.id))
                container->addSeparator();
            if (submenu) {
                QMenu* menu = container->addMenu(caption);
                stack[size_t(d.level)] = menu;
                menus_[CmdIndex(d.id)] = menu;
                action = menu->menuAction();
            } else {
                action = container->addAction(caption);
                const Cmd handler = d.handler;
                connect(action, &QAction::triggered, this, [this, handler] { Clicked(handler); });
            }
        }
        action->setObjectName(QLatin1String(CmdName(d.id)));
        action->setProperty(CmdProperty, CmdIndex(d.id));
        action->setProperty(HelpProperty, d.helpContext);
        if (d.tree != MenuTree::Main)
            action->setShortcutContext(Qt::WidgetShortcut); // the twin fires only in its menu
        if (*d.shortcut)
            action->setShortcut(ShortCutFromText(QString::fromLatin1(d.shortcut)));
        if (d.hidden)
            action->setVisible(false);
        itemActions_[CmdIndex(d.id)] = action;
    }
}

void TMainFm::BuildToolbars()
{
    const std::pair<DockPosition, const char*> sides[] = {{DockPosition::Top, "Dock971"},
                                                          {DockPosition::Bottom, "Dock972"},
                                                          {DockPosition::Left, "Dock973"},
                                                          {DockPosition::Right, "Dock974"}};
    for (size_t i = 0; i < docks_.size(); ++i)
        docks_[i] = new TDock97(this, sides[i].first, QLatin1String(sides[i].second));
    standardToolbar_ = new TToolbar97(this, QStringLiteral("StandardToolbar"),
                                      Text(TextKey::StandardToolbar));
    editToolbar_ = new TToolbar97(this, QStringLiteral("EditToolbar"), Text(TextKey::EditToolbar));

    auto* toolGroup = new QActionGroup(this);
    toolGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    auto* smoothGroup = new QActionGroup(this);
    smoothGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);

    for (const ButtonDef& b : ToolButtons()) {
        TToolbar97* tb = b.toolbar == ToolbarId::Standard ? standardToolbar_ : editToolbar_;
        if (Contains(ButtonSeparatorBefore, b.id))
            tb->AddSeparator();
        const QString hint = ButtonHint(b);
        auto* action = new QAction(ButtonIcon(b.id), hint, this);
        action->setObjectName(QLatin1String(CmdName(b.id)));
        action->setProperty(CmdProperty, CmdIndex(b.id));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        if (b.group > 0)
            action->setCheckable(true);
        if (b.group == 1)
            toolGroup->addAction(action);
        else if (b.group == 4)
            smoothGroup->addAction(action);
        const Cmd id = b.id;
        const Cmd handler = b.handler;
        connect(action, &QAction::triggered, this, [this, id, handler] {
            if (id == Cmd::PrintBtn && !GatherState().mapOpen)
                return;
            Clicked(id == Cmd::PrintBtn ? Cmd::FilePrint : handler);
        });
        const bool smoothing = b.id == Cmd::Smooth0Btn || b.id == Cmd::Smooth1Btn ||
                               b.id == Cmd::Smooth2Btn;
        TToolbarButton97* button =
            tb->AddButton(action, smoothing ? QSize(15, ToolbarButtonSize.height()) : ToolbarButtonSize);
        button->SetGroupIndex(b.group);
        button->SetAllowAllUp(b.allowAllUp);
        buttonActions_[CmdIndex(b.id)] = action;
    }
    // As designed: the standard toolbar first in the top dock, the edit toolbar in a row of its
    // own below it (its designed offset 24 is where the row starts).
    for (TToolbar97* tb : {standardToolbar_, editToolbar_}) {
        tb->SetDefaultDock(docks_[0]);
        connect(tb, &TToolbar97::OnVisibleChanged, this, [this] { UpdateCommandStates(); });
    }
    standardToolbar_->SetRowAndPos(0, 0);
    editToolbar_->SetRowAndPos(1, 24);
    standardToolbar_->SetDockedTo(docks_[0]);
    editToolbar_->SetDockedTo(docks_[0]);
}

void RegisterFrameCommands()
{
    RegisterWorker(Cmd::FileExit, [] {
        EndTool();
        TMainFm* fm = MainFrame();
        // Cancel in a question keeps the program: its tool goes on.
        if (fm && !fm->close())
            StartTool();
    });
    RegisterWorker(Cmd::ViewStandard, [] {
        if (TToolbar97* tb = MainFrame() ? MainFrame()->StandardToolbar() : nullptr)
            tb->SetVisible(!tb->Visible());
    });
    RegisterWorker(Cmd::ViewEdit, [] {
        if (TToolbar97* tb = MainFrame() ? MainFrame()->EditToolbar() : nullptr)
            tb->SetVisible(!tb->Visible());
    });
    RegisterWorker(Cmd::WindowTile, [] {
        if (TMainFm* fm = MainFrame())
            fm->MdiArea()->tileSubWindows();
    });
    RegisterWorker(Cmd::WindowCascade, [] {
        // Not the toolkit's cascade: it shrinks every window to its least size.
        if (TMainFm* fm = MainFrame())
            CascadeDocumentWindows(fm->MdiArea());
    });

    for (const ButtonDef& b : ToolButtons()) {
        if (b.workMode == WorkModes::None)
            continue;
        const int workMode = b.workMode;
        const int lineMode = b.lineMode;
        const bool editTool = b.id == Cmd::EditObjBtn || b.id == Cmd::EditPointBtn;
        RegisterWorker(
            b.handler,
            [workMode, lineMode, editTool] {
                if (editTool && (ProgramConfig.WorkMode == WorkModes::EditPoint ||
                                 ProgramConfig.WorkMode == WorkModes::EditObject)) {
                    const ShellState s = CurrentDocumentState();
                    if (s.selectedIndex == 0 && s.selectionCount > 1)
                        ClearEditSelection();
                }
                ProgramConfig.WorkMode = workMode;
                if (lineMode != WorkModes::None)
                    ProgramConfig.LineMode = lineMode;
            },
            [workMode] { return WorkModeBuilt(workMode); });
    }
    RegisterWorker(
        Cmd::WorkDraw, [] { ProgramConfig.WorkMode = ProgramConfig.LineMode; },
        DrawingToolBuilt);
    RegisterWorker(Cmd::GridBtn, [] {
        ProgramConfig.ScreenGrid = !ProgramConfig.ScreenGrid;
        // The grid is part of the map's picture: every map is painted again.
        if (TMainFm* fm = MainFrame())
            for (QMdiSubWindow* w : fm->MdiArea()->subWindowList())
                if (auto* child = qobject_cast<TMdiChild*>(w->widget()))
                    child->InvalidateRect(
                        {0, 0, child->View().ClientWidth, child->View().ClientHeight});
    });
    RegisterWorker(Cmd::AutoJoinBtn, [] { ProgramConfig.AutoJoin = !ProgramConfig.AutoJoin; });
    for (int n = 0; n <= 2; ++n)
        RegisterWorker(static_cast<Cmd>(CmdIndex(Cmd::Smooth0Btn) + n),
                       [n] { ProgramConfig.Smoothing = n; });

    RegisterWorker(Cmd::HelpContents, [] { ShowHelpIndex(); }, HelpAvailable);
    RegisterWorker(Cmd::HelpMenu, [] { ShowHelp(MenuHelpContext); }, HelpAvailable);
    RegisterWorker(Cmd::HelpToolbar, [] { ShowHelp(ToolbarHelpContext); }, HelpAvailable);
    RegisterWorker(Cmd::HelpHome, [] { ShowHomePage(); }, HelpAvailable);

    // While text is typed, Cut, Copy, Paste and Delete work on its characters.
    RegisterTextWorker(Cmd::EditCut, [] { CutText(); });
    RegisterTextWorker(Cmd::EditCopy, [] { CopyText(); });
    RegisterTextWorker(Cmd::EditPaste, [] { PasteText(); });
    RegisterTextWorker(Cmd::EditDelete, [] { DeleteText(); });
}

void TMainFm::Clicked(Cmd handler)
{
    RunCommand(handler);
    // Guard routes do not pass StartTool; a dropped click may have toggled its button.
    UpdateCommandStates();
}

QAction* TMainFm::Action(Cmd c) const
{
    const int i = CmdIndex(c);
    if (i < 0 || i >= CmdCount)
        return nullptr;
    return itemActions_[size_t(i)] ? itemActions_[size_t(i)] : buttonActions_[size_t(i)];
}

QMenu* TMainFm::Menu(Cmd c) const
{
    const int i = CmdIndex(c);
    return i >= 0 && i < CmdCount ? menus_[size_t(i)] : nullptr;
}

void TMainFm::ApplyShortCuts()
{
    for (int i = 0; i < ShortCutCount; ++i) {
        const QKeySequence key = ShortCutFromText(ProgramConfig.ShortCutTexts[size_t(i)]);
        const ShortCutTarget& t = ShortCutTargetOf(i);
        for (Cmd c : {t.item, t.twin})
            if (c != Cmd::None && itemActions_[size_t(CmdIndex(c))])
                itemActions_[size_t(CmdIndex(c))]->setShortcut(key);
    }
}

ShellState TMainFm::GatherState() const
{
    ShellState s = CurrentDocumentState();
    s.standardToolbarVisible = standardToolbar_->Visible();
    s.editToolbarVisible = editToolbar_->Visible();
    return s;
}

void TMainFm::UpdateCommandStates()
{
    if (updating_)
        return;
    updating_ = true;
    const ShellState s = GatherState();
    ApplyMenuStates(s);
    ApplyButtonStates(s);
    if (s.mapOpen)
        ShowZoom();
    else if (MainFramePanels* p = PanelsOf(*this))
        p->Status->SetPanelText(StatusPanel::Zoom, QString(), false);
    updating_ = false;
}

void TMainFm::ApplyMenuStates(const ShellState& s)
{
    const std::vector<ItemState> rules = MenuRules(s);
    std::vector<char> effective(size_t(CmdCount) + 1, 1);
    for (const MenuItemDef& d : MenuItems()) {
        QAction* a = itemActions_[size_t(CmdIndex(d.id))];
        const ItemState& st = rules[size_t(CmdIndex(d.id))];
        bool enabled = st.enabled;
        if (d.handler != Cmd::None)
            enabled = enabled && (HasWorker(d.handler) ||
                                  (s.textEditActive && HasTextWorker(d.handler)));
        // An item inside a disabled menu must not answer its shortcut either.
        const Cmd parent = ParentItem(d.id);
        if (parent != Cmd::None)
            enabled = enabled && effective[size_t(CmdIndex(parent))];
        effective[size_t(CmdIndex(d.id))] = enabled;
        if (d.level == 0 && d.tree == MenuTree::Main)
            continue; // the menus of the bar always open
        a->setVisible(st.visible);
        a->setEnabled(enabled);
        if (a->isCheckable() != st.checkable)
            a->setCheckable(st.checkable);
        if (st.checkable)
            a->setChecked(st.checked);
        if (!st.caption.isEmpty())
            a->setText(st.caption);
        if (d.id == Cmd::WorkDraw && !st.caption.isEmpty())
            a->setIcon(DrawImageIcon(st.image));
    }
}

void TMainFm::ApplyButtonStates(const ShellState& s)
{
    const ToolButtonStates r = ToolButtonRules(s, ProgramConfig.ScreenGrid,
                                               ProgramConfig.AutoJoin, ProgramConfig.Smoothing);
    if (r.clearHole)
        ClearSelectedHole();
    for (const ButtonDef& b : ToolButtons()) {
        QAction* a = buttonActions_[size_t(CmdIndex(b.id))];
        a->setEnabled(r[b.id].enabled && HasWorker(ButtonHandler(b)));
        if (a->isCheckable())
            a->setChecked(r[b.id].down);
    }
}

void TMainFm::SaveToolbarLayout()
{
    Settings store = Settings::OpenDefault();
    store.Remove(OldToolbarLayoutKey);
    zemo::SaveToolbarLayout(this, store, ToolbarLayoutKey);
    if (!store.Save())
        throw std::runtime_error("settings not written");
}

void TMainFm::LoadToolbarLayout()
{
    zemo::LoadToolbarLayout(this, Settings::OpenDefault(), ToolbarLayoutKey);
}

int TMainFm::HelpContextForF1() const
{
    std::vector<int> menuChain;
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        QAction* item = menu->activeAction();
        Cmd c = Cmd::None;
        if (item && item->property(CmdProperty).isValid())
            c = static_cast<Cmd>(item->property(CmdProperty).toInt());
        else if (menu->menuAction()->property(CmdProperty).isValid())
            c = static_cast<Cmd>(menu->menuAction()->property(CmdProperty).toInt());
        for (; c != Cmd::None; c = ParentItem(c))
            if (const MenuItemDef* d = FindMenuItem(c))
                menuChain.push_back(d->helpContext);
        if (menuChain.empty())
            menuChain.push_back(0);
    }
    std::vector<int> widgetChain;
    for (QWidget* w = QApplication::widgetAt(QCursor::pos()); w; w = w->parentWidget())
        widgetChain.push_back(w->property(HelpProperty).toInt());
    // Not over a window of ours: the frame's own context, as the running tool set it.
    if (widgetChain.empty())
        widgetChain.push_back(property(HelpProperty).toInt());
    return ResolveHelpContext(menuChain, widgetChain);
}

bool TMainFm::event(QEvent* event)
{
    // The hint of a button or menu item under the pointer goes into the hint field and
    // leaves with the pointer; the status bar's own message would cover the whole line.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        // Meanwhile a paint or a long operation keeps its abort hint there.
        if (!PaintBusy && !ProgressRunning()) {
            if (tip.isEmpty())
                RestoreRightStatus();
            else
                ShowHintNow(tip);
        }
        return true;
    }
    return QMainWindow::event(event);
}

bool TMainFm::RunPopUpShortcut(QObject* watched, const QKeySequence& key)
{
    // The window system hears no key of a pop-up menu that hangs in no menu bar: an item's
    // key works while its menu is open.
    auto* menu = qobject_cast<QMenu*>(watched);
    if (!menu || (menu != symPopUp_ && menu != workPopUp_))
        return false;
    for (QAction* a : menu->actions())
        if (a->isEnabled() && a->isVisible() && !a->shortcut().isEmpty() && a->shortcut() == key) {
            menu->close();
            a->trigger();
            return true;
        }
    return false;
}

bool TMainFm::eventFilter(QObject* watched, QEvent* event)
{
    // Input after the session manager's request: the session end was cancelled.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)
        sessionEnding_ = false;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (RunPopUpShortcut(watched, QKeySequence(key->keyCombination())))
            return true;
        // Ctrl+F6 goes to the next map window, as Ctrl+Tab does (unless a command has the key).
        if (key->key() == Qt::Key_F6 && (key->modifiers() & ~Qt::ShiftModifier) == Qt::ControlModifier &&
            watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
            if (key->modifiers() & Qt::ShiftModifier)
                mdiArea_->activatePreviousSubWindow();
            else
                mdiArea_->activateNextSubWindow();
            return true;
        }
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier &&
            watched->isWidgetType()) {
            QWidget* top = static_cast<QWidget*>(watched)->window();
            if (auto* dialog = qobject_cast<QDialog*>(top))
                return HelpForDialog(dialog);
            // The frame, its map windows, its menus and its floating toolbars.
            const bool ours = top == this || qobject_cast<QMenu*>(top) ||
                              (top->parentWidget() && top->parentWidget()->window() == this);
            if (ours) {
                ShowHelp(HelpContextForF1());
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainFm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Alt) {
        AltDown = true;
        // Alt over the cut tool switches to editing points.
        if (!QWidget::mouseGrabber() && ProgramConfig.WorkMode == WorkModes::Cut) {
            EndTool();
            ProgramConfig.WorkMode = WorkModes::EditPoint;
            StartTool();
        }
    }
    QMainWindow::keyPressEvent(event);
}

void TMainFm::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Alt)
        AltDown = false;
    QMainWindow::keyReleaseEvent(event);
}

void TMainFm::HoldStartup(bool held)
{
    startupHeld_ = held;
    if (!held && isVisible())
        ScheduleStartup();
}

void TMainFm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    ScheduleStartup();
}

void TMainFm::ScheduleStartup()
{
    if (startupHeld_ || !FirstPaintPending || property("startupScheduled").toBool())
        return;
    setProperty("startupScheduled", true);
    UpdateCommandStates();
    QTimer::singleShot(0, this, [this] { RunStartup(); });
}

void TMainFm::RunStartup()
{
    if (!FirstPaintPending)
        return;
    FirstPaintPending = false;
    const QString file = commandLineFile_;
    RunInFrame(
        [&] {
            LoadToolbarLayout();
            if (MainFramePanels* p = PanelsOf(*this))
                HideSymbolPanels(*p);
            StartupOpen(file);
        },
        "FormPaint");
}

void TMainFm::closeEvent(QCloseEvent* event)
{
    // A command's own message loop (a dialog, a long operation) must finish first.
    if (IsBusy()) {
        event->ignore();
        return;
    }
    // The maps stay as they are, for the next start to recover.
    if (sessionEnding_)
        KeepWorkingCopies();
    // Every map window is asked before any closes: Cancel in one keeps the program and all
    // of its windows.
    QList<QWidget*> windows;
    for (QMdiSubWindow* w : mdiArea_->subWindowList())
        windows.append(w->widget());
    const bool agreed = QueryCloseDocumentWindows(windows, [this](QWidget* child) {
        // The user sees the map the question is about.
        for (QMdiSubWindow* w : mdiArea_->subWindowList())
            if (w->widget() == child)
                mdiArea_->setActiveSubWindow(w);
    });
    if (!agreed) {
        event->ignore();
        return;
    }
    FormClose();
    // Another top-level window left open would keep the program running.
    if (HelpService* help = CurrentHelpService())
        help->CloseWindow();
    event->accept();
}

QStringList TMainFm::CommitSession()
{
    QStringList command{QCoreApplication::applicationFilePath()};
    for (QMdiSubWindow* w : mdiArea_->subWindowList()) {
        auto* child = qobject_cast<TMdiChild*>(w->widget());
        const TZmd* map = child && child->View().MapShown ? child->View().Document : nullptr;
        if (map) {
            // The map the close records as the start-up map; an untitled one comes back
            // through the recovery alone.
            if (const QString path = DocumentPath(map); !path.isEmpty())
                command << path;
            break;
        }
    }
    FlushWorkFiles();
    sessionEnding_ = true;
    return command;
}

void TMainFm::FormClose()
{
    ProgramConfig.File.clear();
    for (QMdiSubWindow* w : mdiArea_->subWindowList())
        w->close();
    ShutdownDocuments();
    GuardEvent("Main", "FormClose", [this] {
        if (!WriteConfig())
            throw std::runtime_error("settings not written");
        SaveToolbarLayout();
    }, GuardReason::Shown);
}

} // namespace zemo
