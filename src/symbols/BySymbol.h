// Extras > Select objects by symbol and Delete objects by symbol: every object of the selected
// symbols, of one imported layer, or whose symbol does not exist, walked through the object
// index and stopped by Esc; a delete is one undo action.
#pragma once

#include <QString>

#include <vector>

namespace zemo {

inline constexpr int SelectBySymbolHelpContext = 246;
inline constexpr int DeleteBySymbolHelpContext = 182;

// The entries of the dialog's group.
enum class BySymbolChoice { WithSymbol, InLayer, Undefined };

struct BySymbolRequest {
    BySymbolChoice choice = BySymbolChoice::WithSymbol;
    QString layer;  // InLayer: the layer name, compared exactly
};

// What the dialog showed last (the dialog starts from it).
BySymbolRequest& LastBySymbolRequest();

// The objects a request matches, in index order (no selection or tool is touched).
std::vector<int> ObjectsBySymbol(const BySymbolRequest& r);

// The work of the two commands on the current map: the selection cleared, the current symbol
// made the only selected one, the matching objects selected (or deleted); Esc stops the walk.
// Return the number of objects selected or deleted (a stopped selection selects none).
int SelectBySymbol(const BySymbolRequest& r);
int DeleteBySymbol(const BySymbolRequest& r);

// The commands: the dialog, then the work.
void SelectObjectsBySymbol();
void DeleteObjectsBySymbol();

// Registers Extras > Text script, Select and Delete objects by symbol.
void RegisterExtrasSymbolWorkers();

} // namespace zemo
