// The subset map writer: a new, compact version-8 map that holds part of the current map.
// It is written in one pass - header, colour block, setup record and information text, then
// the objects with their own index blocks, then the symbols (all, or those the objects use),
// then, on request, the parameter strings - into a new file beside its target, which takes
// the target's place only when every part was written (CloseSubsetFile). Optimise and repair,
// Extras > Export symbols and the partial and course map exports write through it.
//
// One subset file at a time; every operation works on the current map.
#pragma once

#include "core/Element.h"
#include "core/Setup.h"
#include "document/FileReplace.h"
#include "symbols/store/SymbolRecords.h"

#include <QString>

#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

namespace zemo {

struct SubsetState {
    std::unique_ptr<TReplacingFile> File;  // null: no subset file open
    bool Failed = false;     // a part was not written: no later append, no commit
    bool Reported = false;   // the failure has had its message
    int64_t ChainPointer = 0;  // the field that takes the position of the next block
    int64_t BlockPos = 0;      // the current object index block
    int Objects = 0;
    std::bitset<MaxSymbolNumber + 1> UsedNumbers;  // symbol numbers of the objects written
};

extern SubsetState Subset;

// What a subset file replaces.
enum class SubsetTarget {
    NewFile,      // a file of the user's: one in use (by a program or an open map) is refused
    WorkingFile,  // the current map's own working file (optimise), which it holds itself
};

// Starts the file for `name`: the current map's header with this file type and without
// symbols, objects and strings, its colour block, `setup` at 19272 and its information text
// (when it has 1 to 65528 bytes) behind it. A target in use gives ReadOnlyWrite and false.
bool CreateSubsetFile(const QString& name, uint16_t fileType, const SetupRecord& setup,
                      SubsetTarget target = SubsetTarget::NewFile);

// Appends an object (its extent computed first, ElementExtent) with its own symbol word, or
// with the given one. A line of fewer than 2 points, an area of fewer than 3 and an object
// without points are left out and not counted (true). False after any failure.
bool SubsetAppendObject(ElementRecord& e);
bool SubsetAppendObjectAs(ElementRecord& e, uint16_t symbolWord);
int SubsetObjectCount();

// Every symbol of the current map in list order, then the records it could not read as they
// are; or only the symbols whose numbers the appended objects use. No symbol: no symbol index
// block at all.
bool SubsetWriteSymbols(bool all);

// Every live parameter string the store reads, except empty ones. With newNumbers (old object
// number -> new one, 0: the object was not written) a string of an object follows it or,
// when its object was left out, is dropped and counted in *dropped; the map's own strings
// (object 0) stay. Without it, object numbers are kept.
bool SubsetCopyPStrings(const std::vector<int>* newNumbers = nullptr, int* dropped = nullptr);

// Commits the file: it takes its target's place when every part was written. Otherwise it is
// deleted and the failure reported (once). True when committed.
bool CloseSubsetFile();
// Deletes the file unwritten (a stopped run): the target stays as it was.
void AbandonSubsetFile();

// Extras > Export symbols: the objects of the selected symbols (the current symbol alone when
// there is one) and every symbol into a new map chosen in the save dialog.
void ExportSymbols();

void ResetSubsetUnit();

} // namespace zemo
