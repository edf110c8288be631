// Merge: Edit > Merge joins the selected objects of one symbol into fewer objects: lines whose
// ends meet (within 0.25 mm) become one line, overlapping areas one area (or several, where
// they fall apart), texts one text of several lines ordered from top to bottom. The originals
// go and the results are appended and selected, as one undo action; a merge that cannot be
// made changes nothing.
#pragma once

#include "core/Cord.h"
#include "document/Index.h"

namespace zemo {

enum MergeKindValue : int {
    MergeNothing = 0,
    MergeLineKind = 2,
    MergeAreaKind = 3,
    MergeTextKind = 4,
};

// The messages' topic.
inline constexpr int MergeHelpContext = 47;
// Line ends meet within this many 0.01 mm in x and in y.
inline constexpr int32_t MergeJoinTolerance = 25;

struct MergeUnitState {
    int MergeKind = MergeNothing;  // set by CanMerge
};

extern MergeUnitState Merge;

void ResetMergeUnit();

// Two or more selected objects of one symbol and one kind: lines without text, areas, or
// texts (type 4 or more with text). Sets Merge.MergeKind.
bool CanMerge();
// Edit > Merge and its button.
void MergeObjects();

// The enabling tests read entries and records; an edit under way keeps its current entry.
class KeepCurrentEntry {
public:
    KeepCurrentEntry() : entry_(Index.CurIndex), no_(Index.CurIndexNo) {}
    ~KeepCurrentEntry()
    {
        Index.CurIndex = entry_;
        Index.CurIndexNo = no_;
    }
    KeepCurrentEntry(const KeepCurrentEntry&) = delete;
    KeepCurrentEntry& operator=(const KeepCurrentEntry&) = delete;

private:
    ObjectIndexEntry entry_;
    int no_;
};

// The object type of object n as its symbol has it (a symbol-graphics element's own); 0 for
// an empty or deleted entry. Leaves the current index entry as it was.
int StoredObjectType(int n);

void MergeLines();
// False when nothing changed (too many points, or the union failed).
bool MergeAreas();
void MergeTexts();

} // namespace zemo
