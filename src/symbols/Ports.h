// What the symbol library needs from above it: the symbol box's window (symbols_widgets)
// and the symbol editors, which are not there yet.
#pragma once

#include "core/Port.h"
#include "symbols/store/SymbolRecords.h"

namespace zemo {

enum class SymbolEditorKind { None, Point, Line, Area, Text, LineText, Rect };

struct SymbolsPortSet {
    // ---- The symbol box (symbols_widgets) ----
    Port<void()> RepaintSymbolBox{"symbols.RepaintSymbolBox", [] {}};
    // The list changed (members, order): the box is laid out again and repainted.
    Port<void()> RefreshSymbolBox{"symbols.RefreshSymbolBox", [] {}};

    // ---- The symbol editors ----
    // The icon editor on a copy of the record; true on OK. Least: cancelled.
    Port<bool(SymbolBytes& rec)> RunIconEditor{"symbols.RunIconEditor",
                                               [](SymbolBytes&) { return false; }};
    // Whether the editor of a kind exists, and opening it on the record at pos.
    Port<bool(SymbolEditorKind kind)> HasEditor{"symbols.HasEditor",
                                                [](SymbolEditorKind) { return false; }};
    Port<void(SymbolEditorKind kind, int pos)> OpenEditor{"symbols.OpenEditor",
                                                          [](SymbolEditorKind, int) {}};
};

SymbolsPortSet& SymbolsPorts();

} // namespace zemo
