// File > Import: one file, opened read-only, recognised by its content and handed to the
// importer of its format; and the importer of another map of versions 6 to 8, whose objects
// come in placed by the mouse or an offset, with the symbols they use merged into the map's.
#pragma once

#include "core/FileClass.h"

#include <QString>

#include <functional>

namespace zemo {

struct SetupRecord;

inline constexpr int ImportFileHelpContext = 39;
inline constexpr int NotZemo6HelpContext = 38;
inline constexpr int ImportDlgHelpContext = 40;
inline constexpr int CannotImportSymbolHelpContext = 37;
inline constexpr int ImportHiddenHelpContext = 258;
// An offset import leaves this many objects selected at most.
inline constexpr int MaxKeptImportSelection = 999;

// The importers after the map-file mark, in the order their tests run.
enum class ImportSlot { Ai = 0, Dxf = 1, Shape = 2, Wmf = 3, Emf = 4, Count = 5 };
struct ImporterEntry {
    // Does the open file (positioned anywhere) belong to this importer?
    std::function<bool(const QString& name, TFileClass& file)> Accepts;
    std::function<void(const QString& name, TFileClass& file)> Import;
};
// Each importer's unit registers itself at start-up.
void RegisterImporter(ImportSlot slot, ImporterEntry entry);
void ResetImportUnit();

// The map import dialog's choices (TImportDlg).
struct ImportMapOptions {
    bool Mouse = true;    // else by the offset below
    double HorOffset = 0; // mm on paper, -2000..2000
    double VerOffset = 0;
};

// The open dialog, then ImportFileByName.
void ImportFile();
// The dispatch on an existing file; the file is closed on every road.
void ImportFileByName(const QString& name);
// The map import proper from the open import file (after the dialog and the hidden-symbol
// check). Returns the number of objects imported.
int ImportMap(TFileClass& file, const ImportMapOptions& o);
// Any symbol of the source map hidden? (The question before an import.)
bool SourceHasHiddenSymbols(TFileClass& file);

// The end of a drawing's import: when objects came in (all of them selected), one undo step
// adds them; up to `keep` stay selected for moving with the edit tool, more are unselected.
// `started`: the import began its undo step itself (with the map's setup before it changed
// the scale or placement), and the objects join that step.
void EndImportStep(int imported, int keep, bool started = false);

// The question before an import changes the map's scale or real-world placement: each value
// that changes, as it is now and as the import sets it. IdYes, IdNo (the drawing comes in,
// the map keeps its own) or IdCancel (no import).
int AskPlacementChange(const SetupRecord& now, const SetupRecord& placed);

// Gives the map the scale and real-world placement an import chose, the setup as it was
// going into the undo step first.
void PlaceMapForImport(const SetupRecord& placed, bool writeConfig);

// Registers File > Import's own importers (DXF).
void InitImportUnit();

} // namespace zemo
