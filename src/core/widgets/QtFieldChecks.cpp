#include "core/widgets/QtFieldChecks.h"

#include "core/StringX.h"
#include "core/widgets/SpinControls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace zemo {

namespace {

bool Focus(const FieldCheck& c, QWidget* edit, QWidget* spin = nullptr)
{
    if (c.ok)
        return true;
    QWidget* target = c.focus == FieldFocus::Spin && spin ? spin : edit;
    if (target)
        target->setFocus();
    return false;
}

QString EditText(const UpDownBase* spin)
{
    return spin->Associate() ? spin->Associate()->text() : QString();
}

} // namespace

bool CheckNumberEdit(QLineEdit* edit, const QString& label)
{
    return Focus(CheckNumberText(edit->text(), label), edit);
}

bool CheckRealEdit(QLineEdit* edit, const QString& label, double min, double max)
{
    return Focus(CheckRealText(edit->text(), label, min, max), edit);
}

bool CheckDpiEdit(QLineEdit* edit, const QString& label, int min, int max)
{
    return Focus(CheckDpiText(edit->text(), label, min, max), edit);
}

bool CheckIntUpDown(TIntUpDown* spin, const QString& label, const QString&)
{
    return Focus(CheckIntSpinText(EditText(spin), label, spin->Min(), spin->Max()),
                 spin->Associate(), spin);
}

bool CheckRealUpDown(TRealUpDown* spin, const QString& label, const QString& unitLabel)
{
    return CheckRealUpDownPage(spin, label, unitLabel, nullptr, nullptr);
}

bool CheckRealUpDownPage(TRealUpDown* spin, const QString& label, const QString& unitLabel,
                         QTabWidget* pages, QWidget* sheet)
{
    const QString text = EditText(spin);
    double v = 0;
    // The page goes first so that the message box is seen over the field it names.
    const bool number = TrimBlanks(text).isEmpty() || TryPointStrToFloat(text, v);
    if ((!number || v < spin->MinValue() || v > spin->MaxValue()) && pages && sheet)
        pages->setCurrentWidget(sheet);
    return Focus(CheckRealSpinText(text, label, spin->MinValue(), spin->MaxValue(),
                                   spin->Decimals(), unitLabel),
                 spin->Associate(), spin);
}

bool CheckSymbolNumber(QLineEdit* edit, bool checkUnique, int ownIndex,
                       const std::vector<int>& numbers, int* number)
{
    return Focus(CheckSymbolNumberText(edit->text(), checkUnique, ownIndex, numbers, number), edit);
}

bool CheckFontCombo(QComboBox* combo, const QStringList& installedFonts)
{
    return Focus(CheckFontName(combo->currentText(), installedFonts), combo);
}

void FillScaleCombo(QComboBox* combo, double scale)
{
    combo->clear();
    combo->addItems(ScaleComboItems());
    combo->setEditable(true);
    combo->setEditText(ScaleComboText(scale));
}

void FillComboFromList(QComboBox* combo, const QString& text)
{
    combo->clear();
    combo->addItems(ComboItemsFromList(text));
}

void FillColorCombo(QComboBox* combo, const std::vector<ComboColor>& colors, int colorNumber)
{
    combo->clear();
    for (const ComboColor& c : colors)
        combo->addItem(c.name, c.number);
    combo->setCurrentIndex(ColorComboIndex(colors, colorNumber));
}

int GetComboColor(const QComboBox* combo)
{
    return combo->currentIndex() < 0 ? 0 : combo->currentData().toInt();
}

void FillFontCombo(QComboBox* combo, const QStringList& installedFonts, const QString& fontName)
{
    int selected = -1;
    const QStringList items = FontComboItems(installedFonts, fontName, &selected);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(selected);
}

void SetMmRange(TRealUpDown* spin, QLabel* unitLabel)
{
    spin->SetMinValue(-2000.0);
    spin->SetMaxValue(2000.0);
    if (unitLabel)
        unitLabel->setText(QStringLiteral("mm"));
}

void ShowNoNumber(const QString& label, QWidget* field)
{
    ShowNoNumber(label);
    if (field)
        field->setFocus();
}

void ShowMustBetween(const QString& label, QWidget* field, int decimals, double min, double max)
{
    ShowMustBetween(label, decimals, min, max);
    if (field)
        field->setFocus();
}

} // namespace zemo
