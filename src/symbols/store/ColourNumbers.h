// Symbols name their colours by number, and two maps give their numbers to different colours.
// Symbols taken from another map (pasted, or brought along by importing it) therefore take
// this map's colours: each colour they use is found here by its name (of the same values
// first), and one without a namesake is added to this map's table beside the colours it lay
// between in the source, so that what it draws stays above and below the same colours. Where
// that cannot be done (no room left in the table, or a spot colour this map lacks) nothing is
// taken and the user is told why.
#pragma once

#include "symbols/store/SymbolRecords.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <vector>

namespace zemo {

// The clipboard block of the copying map's colour table: the colour block as the map file
// stores it.
inline constexpr const char* ColourTableMimeType = "application/x-zemo6-colours";
QByteArray PackColourTable(const SymbolHeaderBlock& b);
// False for a block of another size; the counts are brought into range.
bool UnpackColourTable(QByteArrayView block, SymbolHeaderBlock& b);

struct ColourPlan {
    // Source colour number to the number here; -1 where the symbols use no such colour.
    std::array<int16_t, MaxColors> To;
    // This map's colour block with the colours added.
    SymbolHeaderBlock Here;
    // What the user is told: colours added, and colours drawn in one here of the same name
    // whose values differ. Colours that match by name and values are not mentioned.
    enum class Kind { Added, ValuesDiffer };
    struct Line {
        Kind kind;
        int from = 0;
        QString sourceName;
        int to = 0;
        QString hereName;
    };
    std::vector<Line> Lines;
    // Why the colours cannot be taken, with the text that says so.
    enum class Refusal { None, TableFull, SeparationMissing };
    Refusal Why = Refusal::None;
    QString WhyText;
    int Added = 0;

    ColourPlan() { To.fill(-1); }
    bool Refused() const { return Why != Refusal::None; }
};

// The plan for the colours of `used` (a union of the symbols' colour sets). Numbers the
// source has no colour for draw nothing there and are given a number no colour here has.
ColourPlan PlanColours(const SymbolHeaderBlock& source, const SymbolHeaderBlock& here, const ColorSet& used);
// Every colour number of the record (its fields and its colour set) through the plan.
void MapSymbolColours(SymbolBytes& rec, const ColourPlan& plan);
// One message: the refusal, or what was added or drawn otherwise; nothing when every colour
// matched by name and values.
void ReportColourPlan(const ColourPlan& plan, const QString& source);

} // namespace zemo
