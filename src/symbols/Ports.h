// What the symbol library needs from above it: the symbol box's window, the editors'
// dialogs and the quick symbol editor's panel (symbols_widgets).
#pragma once

#include "core/Port.h"
#include "symbols/EnlargeSym.h"
#include "symbols/store/SymbolRecords.h"

#include <QStringList>

#include <array>
#include <vector>

namespace zemo {

class ColorTable;
class SpotColorsEdit;
struct ComboColor;

enum class SymbolEditorKind { None, Point, Line, Area, Text, LineText, Rect };
struct SymbolEditSession;
struct BySymbolRequest;

struct SymbolsPortSet {
    // ---- The symbol box (symbols_widgets) ----
    Port<void()> RepaintSymbolBox{"symbols.RepaintSymbolBox", [] {}};
    // The list changed (members, order): the box is laid out again and repainted.
    Port<void()> RefreshSymbolBox{"symbols.RefreshSymbolBox", [] {}};

    // ---- The colour and enlarge dialogs (symbols_widgets); least: cancelled ----
    Port<bool(EnlargeValues& v)> RunEnlargeDialog{"symbols.RunEnlargeDialog",
                                                  [](EnlargeValues&) { return false; }};
    // The colour table's grid dialog on the working copy; true on OK.
    Port<bool(ColorTable& table)> RunColorsDialog{"symbols.RunColorsDialog",
                                                  [](ColorTable&) { return false; }};
    // The separations of the map, edited in place until Close.
    Port<void(SpotColorsEdit& edit)> RunSpotColorsDialog{"symbols.RunSpotColorsDialog",
                                                         [](SpotColorsEdit&) {}};
    // The separations the spot-colour view shows, one flag per name; true on OK.
    Port<bool(const QStringList& names, std::vector<bool>& shown)> RunSpotViewOptDialog{
        "symbols.RunSpotViewOptDialog", [](const QStringList&, std::vector<bool>&) { return false; }};
    // The colour down to which the transparent view keeps colours opaque, -1 none.
    Port<bool(const std::vector<ComboColor>& colours, int& opaque)> RunTranspOptDialog{
        "symbols.RunTranspOptDialog", [](const std::vector<ComboColor>&, int&) { return false; }};
    // The screen colour correction, each -100 to 100.
    Port<bool(int& color, int& gamma)> RunColorCorDialog{"symbols.RunColorCorDialog",
                                                         [](int&, int&) { return false; }};

    // ---- The symbol editors ----
    // The icon editor on a copy of the record; true on OK. Least: cancelled.
    Port<bool(SymbolBytes& rec)> RunIconEditor{"symbols.RunIconEditor",
                                               [](SymbolBytes&) { return false; }};
    // Whether the editor of a kind exists, and opening it on the record at pos.
    Port<bool(SymbolEditorKind kind)> HasEditor{"symbols.HasEditor",
                                                [](SymbolEditorKind) { return false; }};
    Port<void(SymbolEditorKind kind, int pos)> OpenEditor{"symbols.OpenEditor",
                                                          [](SymbolEditorKind, int) {}};
    // The New Symbol dialog: the chosen entry (point, line, area, text, line text,
    // rectangle), -1 on Cancel; entries not available cannot be chosen. Least: cancelled.
    Port<int(const std::array<bool, 6>& available)> RunNewSymbolDialog{
        "symbols.RunNewSymbolDialog", [](const std::array<bool, 6>&) { return -1; }};
    // The editor's dialog on the session's working copy: SymbolDlgOk, SymbolDlgEdit (the
    // fields read into the copy first) or anything else for Cancel. Least: cancelled.
    Port<int(SymbolEditSession& s)> RunSymbolDialog{"symbols.RunSymbolDialog",
                                                   [](SymbolEditSession&) { return 2; }};
    // Symbol-graphics editing starts: the quick editor lists the map's colours and picks the
    // element kind the window draws. Least: nothing.
    Port<void()> PrepareGraphicsPanel{"symbols.PrepareGraphicsPanel", [] {}};

    // ---- Extras (symbols_widgets); least: cancelled ----
    // Text script: the entry of the chosen script, -1 on Cancel.
    Port<int(const QStringList& scripts)> RunTextScriptDialog{"symbols.RunTextScriptDialog",
                                                              [](const QStringList&) { return -1; }};
    // Select (or delete) objects by symbol: the choice and the layer name; true on OK.
    Port<bool(bool deleting, BySymbolRequest& r)> RunBySymbolDialog{
        "symbols.RunBySymbolDialog", [](bool, BySymbolRequest&) { return false; }};
    // Convert layers: the reference grid (ConvLay) edited; true on OK.
    Port<bool()> RunConvLayDialog{"symbols.RunConvLayDialog", [] { return false; }};
};

SymbolsPortSet& SymbolsPorts();

} // namespace zemo
