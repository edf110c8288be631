// The Symbol menu's workers that need no dialog of their own (status, edit dispatch, icon,
// copy, paste, duplicate, delete), the editors' store step, the hidden-symbol question asked
// before output.
//
// Everything acts on the current map; a worker acts on the current symbol, or on the
// multi-selection (the symbols whose selected byte is set) when there is no current symbol.
#pragma once

#include "symbols/Ports.h"
#include "symbols/store/SymbolClipboard.h"
#include "symbols/store/SymbolRecords.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace zemo {

class SymbolStore;
class TZmd;

// The topics of the questions before deleting symbols and before exporting hidden ones.
inline constexpr int DeleteSymbolHelpContext = 166;
inline constexpr int HiddenExportHelpContext = 257;

// ---- The current symbol (held by the map, see Index.h) ----
// The list positions a worker acts on: the current symbol, else the selected ones in order.
std::vector<int> SymbolTargets();

// ---- The editors ----
SymbolEditorKind EditorKindOf(std::span<const uint8_t> rec);
// Every window of the current map paints its whole surface again.
void RedrawMapWindows();

// ---- Workers ----
void SetSymbolsStatus(int status); // 0 normal, 1 protected, 2 hidden
void SetSymbolsNormal();
void SetSymbolsProtected();
void SetSymbolsHidden();
bool CanEditSymbol();
void EditSymbol();
bool CanEditSymbolIcon();
void EditSymbolIcon();
bool CopySymbol();
// False when nothing was pasted (no map, symbol-graphics editing, no or a refused block).
bool PasteSymbol();
void DuplicateSymbol();
void DeleteSymbols();

// The store step of the symbol editors (i < 0: a new symbol). False when the working file
// could not be written: the file object has said so and the command stops there.
bool ReplaceSymbol(std::span<const uint8_t> rec, int i);

// Before output: true unless hidden symbols exist, the warning is on and the user cancels.
bool ConfirmHiddenSymbols();

// Registers the workers above with the command frame.
void RegisterSymbolWorkers();
// The map's colours or symbols were replaced: every window and the symbol box.
void SymbolsReplaced();

} // namespace zemo
