// What the dialogs of the whole-map commands share: a column of fields (an edit with its spin
// control and unit, check boxes, other rows), the OK, Cancel and Help buttons, and the field
// checks that keep a dialog open on the field they name.
#pragma once

#include "core/LangTexts.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace zemo {

class TRealUpDown;

// A language text without its accelerator mark.
QString PlainText(TextKey k);

class TMapDlgForm : public QDialog {
public:
    // name: the object name of the dialog (the form's name without its T).
    TMapDlgForm(QWidget* parent, const QString& name, TextKey caption, int helpContext);

protected:
    struct SpinField {
        QLineEdit* edit = nullptr;
        TRealUpDown* spin = nullptr;
        QString label;
        QString unit;
        // The value entered (limited to the field's range); checked by Check first.
        double Value() const;
        void SetValue(double v) const;
        // CheckRealUpDown: false with a message and the focus on the field.
        bool Check() const;
    };

    // A row of the field grid: label, edit and spin control (named `name` and E or B), unit.
    SpinField AddSpin(TextKey label, const QString& name, double min, double max, int decimals,
                      double increment, const QString& unit);
    // A row of the field grid with any widget under a label.
    void AddRow(TextKey label, QWidget* field, QWidget* unit = nullptr);
    QCheckBox* AddCheck(TextKey caption, const QString& name);
    // Below the field grid.
    void AddWidget(QWidget* w);
    // The buttons close the column; call once, last.
    void AddButtons();

    // A picture of a counter-clockwise turn, for the unit of an angle.
    QLabel* CounterClockwisePicture();

private:
    QVBoxLayout* layout_;
    QGridLayout* grid_;
    int helpContext_;
};

// Runs a dialog of type D (made on `parent`); true on OK with its values.
template <class D, class V>
bool ExecMapDlg(QWidget* parent, V& values)
{
    D dlg(parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    values = dlg.Values();
    return true;
}

} // namespace zemo
