// Undo and redo of editing actions.
//
// Every change of an object goes through the object store, which records a step for it here;
// commands that change many objects record one combined step themselves. The steps of a
// document window live in its ring of 32 (the view owns an UndoRing); what does not fit a
// step - lists of objects, whole copies of many objects - goes to one process-wide undo file.
// An action is a run of steps that begins with a step of kind UndoStart; Undo takes the whole
// run back, Redo does it again.
//
// The undo file is anonymous (created unlinked in the state folder): nothing is left behind,
// whatever way the program ends. Everything read back from it is checked against the file's
// size and the buffers it fills; a damaged list or copy is refused whole.
#pragma once

#include "core/Cord.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zemo {

enum UndoKind : int32_t {
    UndoStart = 0,       // start of an action
    UndoAppend = 1,      // object number of a new object
    UndoChange = 2,      // copy of the object before the change
    UndoDelete = 3,      // object number of a deleted object
    UndoAddMany = 4,     // list of added objects (undo file)
    UndoMoveMany = 5,    // list of moved objects (undo file); Arg1, Arg2 = dx, dy
    UndoExchange = 6,    // numbers, index entries and records of objects (undo file)
    UndoDeleteMany = 7,  // list of deleted objects (undo file)
    UndoGraphics = 8,    // copy of the symbol-graphics buffer
    UndoSetup = 9,       // copy of the setup record before a change of the map's scale or
                         // real-world placement (an import's); only those fields are taken back
};

struct UndoStep {
    CordRect Rect;          // redrawn when the step is taken back or done again
    int32_t Kind = UndoStart;
    int32_t Object = 0;     // object number, -1 = the selection, or 0
    int32_t Arg1 = 0;       // dx of UndoMoveMany
    int32_t Arg2 = 0;       // dy of UndoMoveMany
    std::vector<uint8_t> Data;  // UndoChange: an element record; UndoGraphics: used slots;
                                // UndoSetup: the setup record's bytes
    int64_t FilePos = -1;   // the step's list or copies in the undo file; -1 none
};

inline constexpr int UndoRingSize = 32;

// The steps of one document window. First is the slot before the oldest step that can be
// taken back; all three indices are 0 when the ring is empty.
struct UndoRing {
    std::array<UndoStep, UndoRingSize> Steps;
    int First = 0;
    int Last = 0;
    int Current = 0;
};

// Steps are recorded only while this is set. A command that changes many objects clears it
// around its own writes (UndoSuspend) and records its one combined step itself.
extern bool UndoEnabled;

// Clears UndoEnabled for a scope and puts the previous value back, also on an exception.
class UndoSuspend {
public:
    UndoSuspend() : prev_(UndoEnabled) { UndoEnabled = false; }
    ~UndoSuspend() { UndoEnabled = prev_; }
    UndoSuspend(const UndoSuspend&) = delete;
    UndoSuspend& operator=(const UndoSuspend&) = delete;

private:
    bool prev_;
};

// What undo asks of the document window and the tool buttons above the store goes through
// the ports UpdateRect, RepaintWindow and UpdateUndoButtons (document/Ports.h).

struct UndoState {
    UndoRing* ActiveRing = nullptr;  // the active view's ring; null: nothing is recorded
    int FileHandle = -1;             // the undo file, -1 before it is made
    QString FileName;                // for messages (the file itself has no name)
    bool FileFailed = false;         // a failure was reported: no second message
};
extern UndoState UndoUnit;

// Start-up state: UndoEnabled set, no ring, the undo file closed.
void ResetUndoState();

// The ring of the active view (null when no view is active).
void SetActiveUndoRing(UndoRing* ring);
UndoRing* ActiveUndoRing();

// Makes the undo file in the state folder. With removeStale (this is the only running
// instance) leftover "undo*.tmp" files of earlier runs are deleted first. False when no
// file could be made; lists are then not recorded.
bool CreateUndoFile(bool removeStale);
void CloseUndoFile();

// Records a step in the active ring.
void RecordUndo(int kind, int n, int arg1 = 0, int arg2 = 0);
// The current step's rectangle := its union with r.
void ExtendUndoRect(const CordRect& r);
// A tool that began an object and made none takes its start back: no step is left of it.
// True when an empty start was taken back.
bool DropEmptyUndoStep();

bool CanUndo();
bool CanRedo();
void UndoEdit();
void RedoEdit();
// Empties the active ring (after an open and after whole-map changes).
void ClearUndo();
void ClearUndo(UndoRing& ring);
// Drops the trailing start and symbol-graphics steps when symbol-graphics editing ends.
void SkipEmptyUndoSteps();

} // namespace zemo
