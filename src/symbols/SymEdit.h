// The frame every symbol editor follows: a working copy of the record (or a new record),
// the editor's dialog, the store through ReplaceSymbol, and symbol-graphics editing, where
// the window's objects stand for the elements of one of the symbol's element lists until
// the quick editor's Close button (or the window's close) ends it and the editor resumes.
//
// The working copy of the point and line editors belongs to the window that edits their
// graphics (MapView::SymbolEdit): another map window keeps its own state meanwhile.
#pragma once

#include "symbols/Ports.h"
#include "symbols/store/SymbolRecords.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace zemo {

struct ElementRecord;
struct MapView;

// What an editor's dialog closes with.
inline constexpr int SymbolDlgOk = 1;
inline constexpr int SymbolDlgEdit = 100;   // Edit...: the graphics are edited in the window
inline constexpr int SymbolDlgCancel = 2;

inline constexpr int GraphicsEditHelpContext = 94;
inline constexpr int GraphicsEditZoom = 32;

// The order of the New Symbol dialog's choices.
inline constexpr std::array<SymbolEditorKind, 6> NewSymbolKinds = {
    SymbolEditorKind::Point, SymbolEditorKind::Line, SymbolEditorKind::Area,
    SymbolEditorKind::Text, SymbolEditorKind::LineText, SymbolEditorKind::Rect};

// The flags byte with the rotatable bit as the north box says (checked: not rotatable).
inline uint8_t WithNorth(uint8_t flags, bool north)
{
    return north ? uint8_t(flags & ~SymRotatableFlag) : uint8_t(flags | SymRotatableFlag);
}

// The fixed part of each kind's record (element lists follow where the kind has them).
int SymbolFixedBytes(SymbolEditorKind kind);

// The first free number (x 10) from 10 (1.0) up to 9999, then from 1 to 9; 0 when every
// number is taken. Free: the table holds -1 for it.
int FirstFreeSymbolNumber(std::span<const int16_t> numberTable);

// A new record of the kind: zeros, its fixed size, the first free number, a white plain
// icon, the kind's defaults. Kinds without a record layout give an empty vector.
SymbolBytes NewSymbolRecord(SymbolEditorKind kind, std::span<const int16_t> numberTable);

// One element list of the working copy. A list the graphics buffer cannot hold (more than
// its 512 slots) is kept as it was and cannot be edited.
struct ElementList {
    std::vector<uint8_t> Bytes;  // whole 8-byte slots
    bool Editable = true;
    int Slots() const { return int(Bytes.size() / 8); }
    bool Empty() const { return Bytes.empty(); }
};

// The list of `slots` slots at `offset` of the record. A list that runs past the record (or
// a negative count) comes back empty with *dropped set.
ElementList TakeElementList(std::span<const uint8_t> rec, size_t offset, int slots,
                            bool* dropped = nullptr);

// The working copy of one editor run.
struct SymbolEditSession {
    SymbolEditorKind Kind = SymbolEditorKind::None;
    int Position = -1;          // list position of the edited symbol, -1 for a new one
    SymbolBytes Work;           // the record as the dialog shows it (fixed part)
    std::array<ElementList, 5> Lists;  // point and area: list 0; line: the five lists
    int EditedList = 0;         // the list whose graphics the window edits
    bool ListDropped = false;   // a list ran past its record when the editor opened
    bool GraphicsEdited = false;  // the window showed the graphics since the dialog opened
    SymbolBytes Shown;          // the record as the editor opened on it, built by the editor
    SymbolBytes Stored;         // the record as the map file holds it (empty for a new symbol)

    // What BeginSymbolGraphicsEdit took from the window and the map, given back at the end.
    struct Saved {
        ColorSet UsedColors;
        uint8_t CoursePreview = 0;
        double Zoom = 0;
        int32_t CenterX = 0;
        int32_t CenterY = 0;
    } Before;
};

// The working copy of a stored record: its fixed part, or a new record of the kind when
// there is none or it is shorter than the fixed part. *stored is then the stored record as
// far as its size word reaches (empty for a new one), for the editor to take its lists.
SymbolEditSession OpenSymbolWork(SymbolEditorKind kind, const SymbolBytes* rec, int pos,
                                 std::span<const int16_t> numberTable,
                                 std::span<const uint8_t>* stored);

// ---- The editors ----
bool HasSymbolEditor(SymbolEditorKind kind);
// Opens the editor of the kind on the record at pos of the current map (-1: a new symbol).
void OpenSymbolEditor(SymbolEditorKind kind, int pos);
// A new symbol can be made: a map is open, not every number is taken and the list is not
// full (the store would refuse it, and the editor's work would be lost).
bool CanCreateSymbol();
// Symbol > New: the kind chosen in the New Symbol dialog, its editor on no record.
void CreateSymbol();

// Shows the session's dialog and acts on its result: OK stores, Edit... starts the
// graphics editing, Cancel after graphics editing redraws the window.
void RunSymbolEditor(const std::shared_ptr<SymbolEditSession>& s);
// Stores the working copy through ReplaceSymbol, unless it builds the record the editor
// opened on; false when nothing could be stored (a record too large for the map, a file
// error). The words the editor derives or resets itself (type, reserved words, extent, colour
// set) keep what the map file holds wherever the edit leaves what the editor makes of them as
// it was: another program's values outlive an edit of other fields. An extent and a colour
// set are kept only while they still cover what the symbol draws.
bool StoreSymbolWork(const SymbolEditSession& s);

// ---- Symbol-graphics editing ----
// The active window edits the elements of s.Lists[s.EditedList] as its objects.
void BeginSymbolGraphicsEdit(const std::shared_ptr<SymbolEditSession>& s);
// Leaves it: the elements go back into their list, the window and the map are as before;
// reopen shows the dialog again, otherwise (the window is closing) the symbol is stored.
void EndSymbolGraphicsEdit(bool reopen);
// The session of the window that edits graphics (null when it does not).
SymbolEditSession* GraphicsEditSession(const MapView& v);

// Registers Symbol > New.
void RegisterSymbolEditorWorkers();

} // namespace zemo
