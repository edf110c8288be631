// ChangeSym: Extras > Change symbols gives every object of one symbol, or every imported
// object of one layer, another symbol; Extras > Change scale changes the map's scale and
// rescales the whole map (the objects, and the symbols when asked) so that what it shows keeps
// its size in the real world. Both run the whole-map pass of MapTrans and empty the undo ring.
#pragma once

#include "core/Element.h"

#include <QString>

namespace zemo {

inline constexpr int ChangeSymNotFoundHelpContext = 180;

struct ChangeSymValues {
    bool ByLayer = false;  // else by symbol number
    int From = 0;          // symbol number x 10
    QString Layer;         // an imported object's layer name, matched exactly
    int To = 0;            // symbol number x 10
};

struct ChangeScaleValues {
    double NewScale = 0;
    bool EnlargeSymbols = true;  // the symbols follow the scale
};

// What the change-symbols dialog shows first: the single selected object's layer (when it is
// an imported object without a symbol) or its symbol, and the window's current symbol.
ChangeSymValues ChangeSymDefaults();

// Gives object e the symbol `to` of object type toType when its type fits: the same type,
// a line becoming an area or an area a line (its holes cut off), or a rectangle with text
// taking a text symbol. False when it does not fit (nothing changes).
bool ChangeObjectSymbolTo(ElementRecord& e, int to, int toType);

// Ratio of the scales, old over new: what the map's objects and symbols are multiplied by.
double ScaleFactor(double oldScale, double newScale);

// The runs with given values; the commands show their dialog first.
void ChangeSymbolsBy(const ChangeSymValues& v);
void ChangeScaleTo(const ChangeScaleValues& v);
void ChangeSymbols();
void ChangeScale();

} // namespace zemo
