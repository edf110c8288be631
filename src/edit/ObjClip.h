// ObjClip: Edit > Cut, Copy and Paste of map objects through the clipboard.
//
// One copy puts one QMimeData on the clipboard with the objects (their records moved to the
// selection's centre), the records of their symbols, the symbol elements they draw as (for
// pasting into a symbol's graphics) and an SVG picture for other programs. Paste reads the
// blocks back as bytes another process may have written: a block is checked whole before
// anything of it is pasted, and a damaged one pastes nothing.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

class QMimeData;

namespace zemo {

inline constexpr const char* ObjectMimeType = "application/x-zemo6-object";
inline constexpr const char* SymbolGraphicsMimeType = "application/x-zemo6-symbol-graphics";
inline constexpr const char* PictureMimeType = "image/svg+xml";
// Metafile pictures of other programs: pasted through the metafile importers.
inline constexpr const char* WmfMimeType = "image/x-wmf";
inline constexpr const char* EmfMimeType = "image/x-emf";

// A copy larger than this is refused (TooManyForClb).
inline constexpr int64_t MaxClipboardBytes = 10000000;
inline constexpr int SymbolGraphicsBlockBytes = 4096;
inline constexpr int SymbolGraphicsBlockSlots = SymbolGraphicsBlockBytes / 8;
// Paste takes no element that starts at or behind this slot.
inline constexpr int SymbolGraphicsReadSlots = 509;
// The picture's resolution: dots per inch.
inline constexpr int PictureDpi = 300;

// ---- The blocks ----
// The object block: each record as the map file stores it (32-byte head, Cords, text slots),
// then a zero head. `at` gets the offset of each record. False (and nothing) when a record
// is not one an object can be: a type outside 1..5, a symbol number no object can carry (0,
// above 999.9, the deleted mark), no Cords, more slots than an object holds, a record running
// past the block, or no zero head at the end.
bool UnpackObjectBlock(QByteArrayView block, std::vector<qsizetype>& at);
// The record at `offset` of a block that UnpackObjectBlock accepted, into e.
void ReadObjectRecord(QByteArrayView block, qsizetype offset, ElementRecord& e);
// The symbol-graphics block: the slot of each element. Elements follow one another up to a
// zero slot or slot 509. False (and nothing) when an element is of an unknown kind, has no
// coordinates, or its n + 2 slots run past the 512 slots or past the block's bytes.
bool UnpackSymbolGraphicsBlock(QByteArrayView block, std::vector<int>& slots);

// A metafile is on the clipboard and an importer is there to paste it.
bool MetafilePastable(const QMimeData& mime);

// ---- The commands ----
// False when nothing was copied (nothing selected, or too much: TooManyForClb).
bool CopyObjects();
// Copy, then the selection deleted.
void CutObjects();
void PasteObjects();

} // namespace zemo
