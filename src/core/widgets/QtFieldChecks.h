// The dialog field checks and combo fillers on Qt widgets: each runs the check of
// core/FieldChecks.h on the field's text and moves the focus where a failure says.
#pragma once

#include "core/FieldChecks.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace zemo {

class TIntUpDown;
class TRealUpDown;

bool CheckNumberEdit(QLineEdit* edit, const QString& label);
bool CheckRealEdit(QLineEdit* edit, const QString& label, double min, double max);
bool CheckDpiEdit(QLineEdit* edit, const QString& label, int min, int max);
bool CheckIntUpDown(TIntUpDown* spin, const QString& label, const QString& unitLabel);
bool CheckRealUpDown(TRealUpDown* spin, const QString& label, const QString& unitLabel);
// On failure the page holding the field is made current first.
bool CheckRealUpDownPage(TRealUpDown* spin, const QString& label, const QString& unitLabel,
                         QTabWidget* pages, QWidget* sheet);
bool CheckSymbolNumber(QLineEdit* edit, bool checkUnique, int ownIndex,
                       const std::vector<int>& numbers, int* number = nullptr);
bool CheckFontCombo(QComboBox* combo, const QStringList& installedFonts);

void FillScaleCombo(QComboBox* combo, double scale);
void FillComboFromList(QComboBox* combo, const QString& text);
// Each entry carries its colour number as item data.
void FillColorCombo(QComboBox* combo, const std::vector<ComboColor>& colors, int colorNumber);
int GetComboColor(const QComboBox* combo);
void FillFontCombo(QComboBox* combo, const QStringList& installedFonts, const QString& fontName);
void SetMmRange(TRealUpDown* spin, QLabel* unitLabel);
void ShowNoNumber(const QString& label, QWidget* field);
void ShowMustBetween(const QString& label, QWidget* field, int decimals, double min, double max);

} // namespace zemo
