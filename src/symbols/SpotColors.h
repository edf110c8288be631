// Colour output and display around the colour table: the map's spot-colour separations
// (Symbol > Spot colors), the separations the spot-colour view shows and the colours the
// transparent view keeps opaque (View > Spot colour options, Transparent view options, both
// kept in the map's view-options string), and the screen colour correction of the program
// (Options > Colour correction).
//
// The view-options string (settings type 1030) holds, besides fields other units read:
//   'a'  one "1" or "0" per separation in list order: shown in the spot-colour view or not;
//        a place beyond the end counts as shown
//   'o'  the transparent view keeps the colours from the top of the table down to the
//        colour of this number opaque; -1 none
#pragma once

#include "symbols/store/SymbolRecords.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace zemo {

class TZmd;

inline constexpr int SpotColorsHelpContext = 171;
inline constexpr int SpotViewOptHelpContext = 333;
inline constexpr int TranspOptHelpContext = 329;
inline constexpr int ColorCorHelpContext = 241;
inline constexpr int ViewOptionsType = 1030;
inline constexpr QChar ShownSeparationsField = u'a';
inline constexpr QChar OpaqueColorField = u'o';
inline constexpr QChar SpotViewField = u's';

inline constexpr int MaxSeparationNameChars = 8;
inline constexpr int NewSeparationScreen = 1500;  // 150.0 lines per inch
inline constexpr int NewSeparationAngle = 450;    // 45.0 degrees
inline constexpr double MinSeparationLpi = 10;
inline constexpr double MaxSeparationLpi = 1000;
inline constexpr double MaxSeparationAngle = 360;
inline constexpr int StandardScreenColor = -40;
inline constexpr int StandardScreenGamma = -20;

// ---- The view-options string of the current map ----
QString ViewOptions();
// Stored as the map's string of type 1030 (written at once).
bool SaveViewOptions(const QString& options);

// Separation i is shown: its place in 'a' holds "1" or lies beyond the end.
bool SeparationShown(const QString& shownField, int i);
// 'a' after a separation was added at `at`: "1" takes that place, the later places move up.
// A place beyond the end needs nothing: it counts as shown.
QString ShownAfterInsert(const QString& shownField, int at);
// 'a' after separation `at` was deleted: its place goes, the later ones move down.
QString ShownAfterDelete(const QString& shownField, int at);

// ---- Symbol > Spot colors ----
// A separation as the dialog shows it: name, halftone frequency (lines per inch), halftone
// angle (degrees), the CMYK it is shown in on screen (percent).
struct SeparationValues {
    QString Name;
    double Lpi = NewSeparationScreen / 10.0;
    double Angle = NewSeparationAngle / 10.0;
    std::array<double, 4> Cmyk{};
};
// The dialog's texts of the same fields.
struct SeparationTexts {
    QString Name, Lpi, Angle;
    std::array<QString, 4> Cmyk;
};

// The separations of a map, edited in place in its colour block (there is no Cancel). A map
// without separations shows one prepared under an empty name; it counts once it is named.
class SpotColorsEdit {
public:
    enum class Field { None, Name, Lpi, Angle, Cyan, Magenta, Yellow, Black };

    explicit SpotColorsEdit(TZmd& map);

    int Count() const;
    // The entries of the list: the separation names, or one empty entry for the prepared one.
    QStringList Entries() const;
    SeparationValues Values(int i) const;
    // The texts the dialog shows for separation i.
    SeparationTexts Texts(int i) const;
    bool CanAdd() const { return Count() < MaxSeparations; }
    bool CanDelete() const { return Count() > 0; }

    // Checks the texts and stores them as separation i: the name without leading blanks,
    // in lower case with its first character in upper case; lines per inch and degrees
    // times 10, CMYK times 2. An empty name while separations exist shows SepNameEmpty;
    // a value out of range its range. Returns the field that failed, or None. An empty name
    // on the prepared separation stores nothing and passes. A text as Texts(i) shows it
    // keeps the stored value as it is, name and case included.
    Field Store(int i, const SeparationTexts& texts);
    // A separation with the defaults after separation i, and every colour's percentage
    // column with it (255 in every colour); 'a' gets its place. Returns its position, -1
    // when there are 32 or none to follow.
    int Add(int i);
    // Separation i goes with every colour's percentage column; the freed last column is
    // 255 in every colour, and 'a' loses the place. Returns the entry that becomes current.
    int Delete(int i);

    // The entry shown at the last showing (limited to the last entry).
    int Remembered() const;
    void Remember(int i);

private:
    TZmd& map_;
};

// The name as stored: leading blanks removed, lower case with an upper-case first character.
QString SeparationName(const QString& typed);

// ---- The workers ----
// Symbol > Spot colors: the dialog (port RunSpotColorsDialog); afterwards a colour block
// the dialog changed is written and the map drawn again when its spot-colour view is on.
void EditSpotColors();
// View > Spot colour options: on OK 'a' from the check list, saved, the map drawn again.
void EditSpotViewOptions();
// View > Transparent view options: on OK 'o', saved, the map drawn again.
void EditTranspOptions();
// Options > Colour correction: on OK the two values into the configuration, the screen
// colour tables rebuilt, the configuration written and every map window drawn again.
void EditColorCorrection();
// Registers the four commands with the command frame.
void RegisterSpotColorWorkers();

} // namespace zemo
