// Saving an ordinary map as version 6 or 7 (File > Save as). The older formats hold at most
// 1990 points an object and 24 separations, 8-bit texts only, byte lengths in the index, the
// older framing fields of text symbols and plain icons; version 6 has no dash points. The
// conversion runs on a clone of the map - a fresh working copy loaded as a document of its
// own - which then replaces the chosen file; the open map changes only when all of it
// succeeded.
#pragma once

#include "core/Cord.h"
#include "symbols/store/SymbolRecords.h"

#include <QString>

namespace zemo {

// The limits of versions 6 and 7.
inline constexpr int OldVersionMaxPoints = 1990;
inline constexpr int OldVersionMaxSeparations = 24;
inline constexpr uint16_t OldVersionSubVersion = 5;

// Asks ZEMO6Warning, converts a clone of the current map to `version` (6 or 7) and writes
// it to target. False when the user cancels or anything fails (reported); the open map and
// its working file are left as they are either way.
bool SaveOldVersion(int version, const QString& target);

// The conversions of the current map's working file. False when an object could not be kept
// whole (reported).
bool SaveVersion7();
bool SaveVersion6();

// Their steps.
// A separation count above 24 becomes 24.
void LimitSeparations();
// Status bits, plain icon and the framing fields of one symbol record.
void ConvertSymbolForOldVersion(SymbolBytes& rec, int version);
// Lines and areas of more than 1990 points become several objects. False (reported) when a
// piece could not be appended or the area splitter dropped one.
bool SplitLargeObjects();
// The end (exclusive) of the first piece of a line of more than 1990 points: 1990, or up
// to two less so that the piece does not end on a Bezier control point; a damaged run of
// control points is cut at 1990 and the shared point loses its Bezier flags.
int LineCut(Cord* points);
// UTF-16 texts become 8-bit texts in the code page of their symbol's character set.
void UnicodeTextsToAnsi();
// Index lengths from slots to bytes (32 + 8 x slots), written to the file; deleted objects'
// entries emptied. False (reported) when a length does not fit.
bool IndexLengthsToBytes();

} // namespace zemo
