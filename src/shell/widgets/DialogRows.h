// The pieces the shell's dialogs are built of: a labelled edit with its spin control and unit
// in a grid, and the row of OK, Cancel and Help buttons.
#pragma once

#include <QString>

#include <functional>

class QDialog;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace zemo {

class TRealUpDown;

struct SpinRow {
    QLineEdit* edit = nullptr;
    TRealUpDown* spin = nullptr;
};

// A grid row: label + ":", the edit (named name + "E"), its spin control (name + "B"), unit.
SpinRow AddSpinRow(QGridLayout* grid, QWidget* owner, const QString& label, const QString& name,
                   double min, double max, int decimals, double step, const QString& unit);

struct DialogButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;  // null when the dialog has none
    QPushButton* help = nullptr;
};

// OK (the default button, "OKBtn"; it runs the dialog's accept), Cancel ("CancelBtn") when
// asked for, and Help ("HelpBtn"), which opens the context helpContext gives at that moment.
DialogButtons AddDialogButtons(QDialog* dlg, QVBoxLayout* layout, bool withCancel,
                               std::function<int()> helpContext);

} // namespace zemo
