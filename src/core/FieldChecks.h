// The checks every dialog runs on its fields when OK is pressed, and the fillers of its
// standard combo boxes, as plain logic over texts and lists. A failed check shows one
// error message naming the field by its label and tells the caller where the focus goes;
// the widget versions (core/widgets/QtFieldChecks.h) move it there.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

enum class FieldFocus { None, Edit, Spin };

struct FieldCheck {
    bool ok = true;
    FieldFocus focus = FieldFocus::None;
    explicit operator bool() const { return ok; }
};

inline constexpr int SymbolNumberHelpContext = 2;
inline constexpr int FontNotFoundHelpContext = 24;

// Labels come as their controls show them; one trailing ":" is dropped.
FieldCheck CheckNumberText(const QString& text, const QString& label);
// Empty reads as 0; range numbers shown with 0 decimals.
FieldCheck CheckRealText(const QString& text, const QString& label, double min, double max);
FieldCheck CheckDpiText(const QString& text, const QString& label, int min, int max);
// An integer spin control's edit: empty reads as 0.
FieldCheck CheckIntSpinText(const QString& text, const QString& label, int min, int max);
// A real spin control's edit: empty reads as 0; range shown with decimals digits and unit.
FieldCheck CheckRealSpinText(const QString& text, const QString& label, double min, double max,
                             int decimals, const QString& unit);
// A symbol number typed as "12.3": 0.09 .. 999.91, stored times ten. With checkUnique,
// a symbol other than numbers[ownIndex] with the same number is refused. The stored
// number goes to *number when accepted.
FieldCheck CheckSymbolNumberText(const QString& text, bool checkUnique, int ownIndex,
                                 const std::vector<int>& numbers, int* number = nullptr);
// A font name is installed when the list holds it, or holds the metric-compatible free family
// of the Windows family it names (Arial, Times New Roman, Courier New): maps keep the Windows
// names.
bool FontNameInstalled(const QString& name, const QStringList& installedFonts);
FieldCheck CheckFontName(const QString& text, const QStringList& installedFonts);

// Messages on their own, for dialogs with checks of their own.
void ShowNoNumber(const QString& label);
void ShowMustBetween(const QString& label, int decimals, double min, double max,
                     const QString& unit = {});

// ---- Fillers ----
const std::vector<int>& StandardScales();
// The list entries and the text of a scale combo.
QStringList ScaleComboItems();
QString ScaleComboText(double scale);
// The non-empty ";"-separated items of text.
QStringList ComboItemsFromList(const QString& text);

struct ComboColor {
    int number = 0;
    QString name;
};
// The entry a colour combo selects: the first, or the last whose number matches; -1 when
// the list is empty.
int ColorComboIndex(const std::vector<ComboColor>& colors, int colorNumber);
// The colour number of an entry; 0 when index is not an entry.
int ComboColorNumber(const std::vector<ComboColor>& colors, int index);
// The installed names without immediate repeats, plus fontName when the list lacks it: among
// the others when it counts as installed, else at the end after showing FontNotFound;
// *selected is fontName's index.
QStringList FontComboItems(const QStringList& installedFonts, const QString& fontName,
                           int* selected);

} // namespace zemo
