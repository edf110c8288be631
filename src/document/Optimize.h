// Extras > Optimize and repair: the open map rewritten into a compact file and repaired on the
// way. Every object is read back from the working file and checked; wrong flags are cleared,
// damaged and degenerate ("spurious") objects are dropped, the rest is written with the
// subset writer into a new file beside the working file, with the symbols and the parameter
// strings (which follow their objects' new numbers). Only a whole run replaces the working
// file; a stopped or failed one leaves it byte for byte as it was.
#pragma once

#include "core/Element.h"
#include "document/Index.h"

#include <cstdint>
#include <optional>

namespace zemo {

inline constexpr int OptimizeHelpContext = 174;

struct OptimizeResult {
    int64_t OldSize = 0;
    int64_t NewSize = 0;
    int Written = 0;        // objects; their new numbers are 1..Written in the old order
    int Repaired = 0;       // objects in which a flag was cleared
    int Deleted = 0;        // objects that failed a check (spurious ones too) and the
                            // parameter strings of objects left out
    int UnknownSymbol = 0;  // objects kept whose symbol number has no symbol
    int Spurious = 0;
    int Mended = 0;         // objects kept whose index entry named another symbol; their
                            // entries are written anew from their records
    bool MapChanged = false; // an object, its symbol or mark, or a string is not as it was;
                             // otherwise only the file's layout and numbering are new
    int Damaged() const { return Deleted - Spurious + Mended; }
};

// What the check of one object found.
enum class ObjectVerdict { Keep, Damaged, Spurious };

// Reads the object of index entry `entry` from the working file (of fileSize bytes) into e,
// checks it and repairs what it can (an angle is brought into range); repaired tells whether a
// flag was cleared. A plain entry that names another symbol than its record is
// damage; a marked one (course-only, or a negative symbol word) is kept with mended set: its
// entry is to be made from the record.
ObjectVerdict CheckAndRepairObject(const ObjectIndexEntry& entry, int64_t fileSize,
                                   ElementRecord& e, bool& repaired, bool& mended);

// Clears the Bezier flags of the points of e that do not form a whole curve segment (a first
// control point followed by a second one, with plain points before and after). True when it
// cleared any.
bool RepairBezierFlags(ElementRecord& e);

// Rewrites the current map. The counts when the working file was replaced; nothing when the
// run was stopped (Esc) or failed. Either way the map is loaded again from its working file.
// The map is marked changed only when the run changed what it holds: a run that found every
// object sound, in its place and with its number leaves the changed flag as it was.
std::optional<OptimizeResult> OptimizeMap();

} // namespace zemo
