// The main frame: menus, pop-up menus and both toolbars built from the menu model, the MDI
// area that holds the document windows, and the frame's part in start-up and shut-down.
#pragma once

#include "shell/CommandState.h"
#include "shell/MenuModel.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class QAction;
class QActionGroup;
class QMdiArea;
class QMenu;

namespace zemo {

class HandOffQueue;
class TDock97;
class TToolbar97;

class TMainFm : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        bool readConfig = true; // read the settings store (tests may prepare ProgramConfig)
    };
    explicit TMainFm(QWidget* parent = nullptr);
    TMainFm(const Options& options, QWidget* parent = nullptr);
    ~TMainFm() override;

    // The action of a menu item or of a toolbar button (each button has its own action:
    // its enabled rule differs from the menu item's).
    QAction* Action(Cmd c) const;
    QMenu* Menu(Cmd c) const; // a menu, a submenu, or a pop-up (SymPopUp / WorkPopUp: the
                              // first item's tree)
    QMenu* SymPopUp() const { return symPopUp_; }
    QMenu* WorkPopUp() const { return workPopUp_; }
    TToolbar97* StandardToolbar() const { return standardToolbar_; }
    TToolbar97* EditToolbar() const { return editToolbar_; }
    // Dock971 top, Dock972 bottom, Dock973 left, Dock974 right.
    TDock97* Dock(int n) const { return n >= 1 && n <= 4 ? docks_[size_t(n - 1)] : nullptr; }
    QMdiArea* MdiArea() const { return mdiArea_; }
    HandOffQueue* HandOff() const { return handOff_; }

    void SetCommandLineFile(const QString& file) { commandLineFile_ = file; }

    // The configured shortcuts on the menu items and their pop-up twins.
    void ApplyShortCuts();
    // Every enabled, visible, checked and pressed state brought up to date.
    void UpdateCommandStates();
    void SaveToolbarLayout();
    void LoadToolbarLayout();
    // The help context F1 opens at this moment (0: none).
    int HelpContextForF1() const;

    // The desktop session ends (the session manager's commit-data request): the working files
    // are written out, the close that follows keeps them without a question, and the result
    // is the command that starts the program again with the first map window's map.
    QStringList CommitSession();

    // While held, showing the frame does not start the start-up (recovery questions, the
    // start-up map): the program releases it once the splash screen is gone and the wait
    // cursor restored, so that the questions come up alone, answerable.
    void HoldStartup(bool held);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const Options& options);
    void BuildMenus();
    void BuildToolbars();
    void ApplyMenuStates(const ShellState& s);
    void ApplyButtonStates(const ShellState& s);
    ShellState GatherState() const;
    void ScheduleStartup();
    void RunStartup();
    void FormClose();
    void Clicked(Cmd handler);
    bool RunPopUpShortcut(QObject* watched, const QKeySequence& key);

    std::vector<QAction*> itemActions_;   // by Cmd: menu items
    std::vector<QAction*> buttonActions_; // by Cmd: toolbar buttons
    std::vector<QMenu*> menus_;           // by Cmd: items that open a menu
    QMenu* symPopUp_ = nullptr;
    QMenu* workPopUp_ = nullptr;
    TToolbar97* standardToolbar_ = nullptr;
    TToolbar97* editToolbar_ = nullptr;
    std::array<TDock97*, 4> docks_{};
    QMdiArea* mdiArea_ = nullptr;
    HandOffQueue* handOff_ = nullptr;
    QString commandLineFile_;
    bool startupHeld_ = false;
    int stateListener_ = 0;
    bool updating_ = false;
    bool sessionEnding_ = false;
};

// The main frame of the running program; nullptr before it is made and after it is gone.
TMainFm* MainFrame();

// The workers of the frame's own commands: exit, the toolbars, the window arrangement, the
// tool and option buttons, the Help menu, and the typing workers of the Edit menu.
void RegisterFrameCommands();

} // namespace zemo
