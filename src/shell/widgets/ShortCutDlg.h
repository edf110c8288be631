// The Shortcuts dialog of Options > Shortcuts: the configurable commands with their keys, and
// the keys to choose from. A key already held is refused with a message; the keys reach the
// menus when the dialog closes.
#pragma once

#include "shell/ShortCuts.h"

#include <QDialog>
#include <QListWidget>

#include <functional>

class QTreeWidget;

namespace zemo {

// The key list: a choice is made by a click on a key (also the key already chosen) or by
// moving to another with the keyboard.
class TKeyChoiceList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;

Q_SIGNALS:
    void chosen(int row);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class TShortCutDlg : public QDialog {
    Q_OBJECT
public:
    // heldElsewhere: whether a command outside the list holds a key.
    TShortCutDlg(QWidget* parent, std::function<bool(const QKeySequence&)> heldElsewhere);

    QTreeWidget* Commands() const { return commands_; }
    TKeyChoiceList* Keys() const { return keys_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Fill();
    void CommandSelected();
    void ShowKeyOf(int index);
    void KeyChosen(int row);
    void Standard();
    void AllStandard();
    void UpdateLine(int index);

    ShortCutEditor editor_;
    QTreeWidget* commands_;
    TKeyChoiceList* keys_;
};

// Options > Shortcuts: the dialog over the configured texts, then the keys on the menus.
void ShowShortCutDlg();

} // namespace zemo
