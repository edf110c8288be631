// ObjFunc: the object functions of the Edit menu and the edit toolbar that change the map in
// place: delete, duplicate, reverse, join, fill, change symbol and convert to graphics. Each
// works on the single selected object or on the multi-selection, records one undo action and
// brings the screen up to date. The clipboard commands are ObjClip's.
#pragma once

#include "core/Element.h"
#include "symbols/store/SymbolRecords.h"

#include <cstdint>
#include <vector>

namespace zemo {

// ---- Shared by the object functions ----
// The objects a command acts on, in index order: the selection's members (Edit.h's
// SelectedObjects), or the single selected object when no member is marked.
std::vector<int> ObjectTargets();
// The union of the objects' index rectangles (an empty list gives an empty rectangle).
CordRect ObjectsRect(const std::vector<int>& objects);
// Object n into CurElement with its undo copy kept, its vertex marks taken off the screen
// (a redraw still pending from an earlier change is done first). False when n cannot be read.
bool BeginObjectEdit(int n);
// CurElement saved as object n and brought to the screen. False when the store refused it.
bool SaveObjectEdit(int n);
// The head and the used slots of src (not the whole buffer).
void CopyElement(ElementRecord& dst, const ElementRecord& src);
// Cords [from, to) of e removed; the Cords and text slots behind move up.
void RemoveCords(ElementRecord& e, int from, int to);
// The 30 pixels right and down of Duplicate at the current zoom, in coordinate units.
Cord DuplicateOffset();

// ---- The rules for one object ----
// FillObject: new objects of symbol s made from e (an area's selected hole alone when
// holeStart > 0), appended to the map; their numbers go to `made`. False when the symbol
// does not fit the object or the symbol-graphics panel gave no parameters.
bool FillObject(const ElementRecord& e, int holeStart, const SymbolBytes& s, std::vector<int>& made);
// ChangeSymbol: e changed to symbol s in place; false when s cannot stand for e (the caller
// deletes the object then).
bool ChangeSymbol(ElementRecord& e, const SymbolBytes& s);

// ---- The commands ----
void DeleteObjects();
void DuplicateObjects();
void ReverseObjects();
void JoinObject();
void FillObjects();
void ChangeObjectSymbol();
void ObjectsToGraphics();

} // namespace zemo
