// The pieces the print, import and export dialogs are built of: named buttons, radio buttons
// and fields, a group of radio buttons, an integer field with its up-down control in a grid row.
#pragma once

#include "core/LangTexts.h"

#include <QString>

#include <initializer_list>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace zemo {

class TIntUpDown;

template <class W>
W* Named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QPushButton* DlgButton(QWidget* parent, TextKey caption, const char* name);
QRadioButton* DlgRadio(QWidget* parent, TextKey caption, const char* name);
QLineEdit* DlgEdit(QWidget* parent, const QString& text, const char* name);
// The radio buttons among the items exclude each other.
QGroupBox* DlgGroup(QWidget* parent, const char* name, TextKey caption, std::initializer_list<QWidget*> items);
// A combo's value while the user leaves it as it was filled: the scale combo's text rounds
// the scale, and a colour the map no longer lists shows as the first one; the value shown
// then stands, so that a dialog only looked at writes nothing. KeepShown notes the filling.
void KeepShown(QComboBox* combo);
bool LeftAsShown(const QComboBox* combo);
// Label, edit `name`E, up-down `name`B and unit in a new grid row.
TIntUpDown* IntRow(QGridLayout* grid, QWidget* parent, TextKey label, const char* name, int min, int max,
                   int step, int value, QLineEdit*& edit, const QString& unit = {});

} // namespace zemo
