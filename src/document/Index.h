// The map document TZmd and its object and parameter-string stores.
//
// A map is a working file laid out as a heap of blocks: the 48-byte header, the colour block,
// then symbol, object and string index chains, their records, the setup record and the
// information text. TZmd keeps the header, the colour block, the symbols, every index block
// and the strings in memory; objects stay in the file and are read into the element buffers
// when needed. Every change is written into the working file at once.
//
// Every operation acts on Index.ActiveZmd. Object numbers start at 1; string numbers at 0.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"
#include "core/FileClass.h"
#include "core/Setup.h"
#include "core/StringX.h"
#include "symbols/store/SymbolStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace zemo {

// ---- File layout ----
inline constexpr int ObjectIndexEntryBytes = 24;
inline constexpr int ObjectIndexBlockBytes = 4 + 256 * ObjectIndexEntryBytes;  // 6148
inline constexpr int PStringIndexEntryBytes = 16;
inline constexpr int PStringIndexBlockBytes = 4 + 256 * PStringIndexEntryBytes; // 4100
inline constexpr int MaxObjectBlocks = 65536;
// The loader keeps 65536 blocks of 256 entries: no object number beyond this can be held.
inline constexpr int MaxObjectNumber = MaxObjectBlocks * 256;
inline constexpr uint16_t DeletedSymbol = 0x8000;
inline constexpr uint16_t CourseOnlyMark = 0x4000;
inline constexpr int MaxInfoTextBytes = 32768;
// Parameter strings are read back up to this length (and the file's size).
inline constexpr int MaxPStringBytes = 1 << 20;

struct ObjectIndexEntry {
    CordRect Rect;       // widened by the symbol's extent
    int32_t Pos = 0;     // position of the ElementRecord
    uint16_t Length = 0; // 8-byte slots (nItem + nText)
    uint16_t Symbol = 0; // number x 10; 0 empty; DeletedSymbol, CourseOnlyMark bits
    friend bool operator==(const ObjectIndexEntry&, const ObjectIndexEntry&) = default;
};

// Counts for drawing scans, extents and block summaries.
inline bool EntryLive(const ObjectIndexEntry& e)
{
    return e.Length != 0 && (e.Symbol & 0x7FFF) != 0 && int16_t(e.Symbol) < 10000;
}

struct ObjectIndexBlock {
    CordRect Summary;            // union of the live entries' rectangles
    int LiveCount = 0;
    int32_t EntriesPos = 0;      // file position of the entries (block position + 4)
    ColorSet Colors;             // colours of the live entries' symbols
    std::bitset<256> Selected;
    std::array<ObjectIndexEntry, 256> Entries{};
};

struct PStringIndexEntry {
    int32_t Pos = 0;     // 0 = never used
    int32_t Length = 0;  // reserved bytes, a multiple of 64
    int32_t Type = 0;    // 0 free; negative in memory = deleted, restorable
    int32_t Object = 0;  // object number; 0 = the map's own string
    friend bool operator==(const PStringIndexEntry&, const PStringIndexEntry&) = default;
};

struct PStringIndexBlock {
    int32_t Pos = 0;     // the block's own position (its next field)
    std::array<PStringIndexEntry, 256> Entries{};
};

// String types.
enum PStringType : int32_t {
    CsObjectType = 1,
    CourseType = 2,
    ClassType = 3,
    DatasetType = 4,
    ObjectLinkType = 5,
    InternetMapType = 6,
    CourseObjectLinkType = 7,
    TemplateType = 8,
    FirstMapSettingsType = 1024,
    LastMapSettingsType = 1034,
};

// Entry and record fields at their offsets.
ObjectIndexEntry ReadObjectIndexEntry(std::span<const uint8_t> bytes);
std::array<uint8_t, ObjectIndexEntryBytes> WriteObjectIndexEntry(const ObjectIndexEntry& e);
PStringIndexEntry ReadPStringIndexEntry(std::span<const uint8_t> bytes);
std::array<uint8_t, PStringIndexEntryBytes> WritePStringIndexEntry(const PStringIndexEntry& e);
// The 32 + 8 x length bytes of an element record (length >= nItem + nText; the rest of the
// reserved slots is taken from the buffer as it is).
std::vector<uint8_t> ElementRecordBytes(const ElementRecord& e, int length);
// The other way: counts beyond `length` slots are cut to it, and the text always ends in a
// terminator. bytes holds 32 + 8 x length bytes.
void ParseElementRecord(std::span<const uint8_t> bytes, int length, ElementRecord& e);

// A symbol record the reader's rules leave out of a whole file: its size lies outside
// MinSymbolBytes..MaxSymbolBytes. Its bytes and its index slot stay in the file.
struct SkippedSymbol {
    int Number = 0;  // x 10, as stored
    int Size = 0;    // the record's size word
    friend bool operator==(const SkippedSymbol&, const SkippedSymbol&) = default;
};

// What the last load left out as damaged: entries whose records cannot lie in the file, and
// chains whose next link leads out of it (the entries of those blocks cannot be counted).
// Records the reader's rules skip are no damage and are listed apart.
struct LoadSkips {
    int Objects = 0;
    int Symbols = 0;
    int Strings = 0;
    bool ObjectChainCut = false;
    bool SymbolChainCut = false;
    bool StringChainCut = false;
    std::vector<SkippedSymbol> RuleSymbols;
    // The file is damaged: parts of it are lost.
    bool Any() const
    {
        return Objects || Symbols || Strings || ObjectChainCut || SymbolChainCut || StringChainCut;
    }
};

// What the reader's rules set right while loading: values out of their ranges. The map is
// not changed by it; the values go into the file with the next change that is saved.
struct LoadRepairs {
    bool Colors = false;  // colour and separation counts, screens, display colours
    bool Setup = false;   // the setup record's range checks
    bool Any() const { return Colors || Setup; }
};

// ---- The map document ----
class TZmd : public SymbolStore {
public:
    TZmd();
    ~TZmd() override;

    int UseCount = 1;
    int OpenedVersion = 0;
    ColorSet UsedColors;
    SetupRecord Setup;

    std::vector<std::unique_ptr<ObjectIndexBlock>> ObjectBlocks;
    int HighestObject = 0;
    std::vector<PStringIndexBlock> StringBlocks;
    // String blocks before this one have no free slot: adding a string need not look there.
    size_t StringBlocksFull = 0;

    QStringList LayerRefs;       // kept for the layer-reference editor
    bool LayerRefsBuilt = false;

    uint8_t DirectMode = 0;
    uint8_t CourseMap = 0;
    uint8_t CoursePreviewOn = 0;
    int32_t CoursesExist = 0;
    int32_t CurrentCourse = -1;  // -1 = all controls
    int32_t LastControlCode = 0; // the last integer control code given, 0 none
    int32_t CourseWord = 0;
    uint8_t DatasetsPresent = 0;
    int32_t CourseWord2 = 0;

    TNumStringList Datasets;         // 4
    TNumStringList CsObjects;        // 1
    QStringList CsObjectKeys;
    TNumStringList Courses;          // 2
    TNumStringList Classes;          // 3
    TNumStringList CsObjectLinks;    // 7
    QString CurrentCourseTag;
    std::vector<int> TaggedObjects;
    // Where the working file ended when the course preview began writing (0: no preview):
    // what lies beyond is the preview's, given back when it ends (ReleaseFileTail).
    int64_t PreviewTail = 0;
    // Deleted objects that belonged to one course only: the entry of a deleted object keeps
    // no mark and its record never had one, so undoing the delete gives it back from here.
    std::set<int> DeletedCourseOnly;
    TNumStringList ObjectLinks;      // 5
    TNumStringList Templates;        // 8
    TNumStringList InternetMaps;     // 6, and type-3 map names
    std::array<QString, 11> MapSettings; // types 1024..1034 (see MapSettingsSlot)
    // Filled by LoadMap; a map that lost parts must not be saved over its file unasked.
    LoadSkips Skipped;
    LoadRepairs Repaired;

    int BlockCount() const { return int(ObjectBlocks.size()); }
    ObjectIndexEntry& Entry(int n) { return ObjectBlocks[size_t((n - 1) >> 8)]->Entries[size_t((n - 1) & 255)]; }
};

// The slot of MapSettings that holds a settings type, -1 for other types.
int MapSettingsSlot(int type);

// ---- A loaded raster template ----
// One raster image shown under maps, shared by every open map that shows it: the template
// feature counts its users and frees it with the last. Pixels run top row first, each row
// RowBytes() bytes without padding, palette indexes packed from the high bit, 24-bit pixels as
// blue, green, red. The placement fields are refreshed from the template's string before each
// drawing.
//
// Rows are held from the top in bands of up to a megabyte, each taken when the reader reaches
// it: a file that claims far more rows than its data give takes memory only for the rows it
// gave. Rows below the held ones are blank: nothing is drawn there.
class TTmp {
public:
    int32_t RefCount = 1;
    int32_t X = 0;            // centre, map coordinates
    int32_t Y = 0;
    double Angle = 0;         // radians
    double U = 0;             // size of one pixel on the map, 0.01 mm
    double V = 0;
    int32_t Dim = 0;          // percent
    int32_t SpotColor = -1;   // separation index, -1 none
    bool Transparent = false;
    bool RenderSpot = false;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitsPerPixel = 0; // 1, 4, 8 or 24
    std::array<uint8_t, 256> Red{};
    std::array<uint8_t, 256> Green{};
    std::array<uint8_t, 256> Blue{};

    // (Width x BitsPerPixel + 7) div 8; 0 for sizes that are not positive.
    int64_t RowBytes() const;
    // Rows 0..rows-1 held, the new ones zeroed; false (nothing more taken) for sizes that are
    // not positive, bits other than 1, 4, 8 and 24, rows beyond the height, or memory that
    // cannot be had.
    bool HoldRows(int64_t rows);
    // The bytes HoldRows(rows) would take on top of what is held.
    int64_t BytesToHold(int64_t rows) const;
    // Only rows 0..rows-1 held: a reader gives up a row it could not finish. The rows given up
    // are blank again.
    void KeepRows(int64_t rows);
    // Every row held, zeroed (the rows held before are given up first).
    bool AllocatePixels();
    void ReleasePixels();
    // At least one row is held.
    bool HasPixels() const;
    int32_t HeldRows() const { return heldRows_; }
    // The memory of the bands taken.
    int64_t HeldBytes() const { return heldBytes_; }
    // Row y of the held ones.
    const uint8_t* Row(int y) const { return bands_[size_t(y) >> bandShift_].get() + size_t(y & bandMask_) * rowBytes_; }
    uint8_t* Row(int y) { return bands_[size_t(y) >> bandShift_].get() + size_t(y & bandMask_) * rowBytes_; }

private:
    std::vector<std::unique_ptr<uint8_t[]>> bands_;
    int bandShift_ = 0;
    int bandMask_ = 0;
    size_t rowBytes_ = 0;
    int32_t heldRows_ = 0;
    int64_t heldBytes_ = 0;
};

// ---- Symbol-graphics editing: the elements of a point symbol as objects ----
inline constexpr int SymbolGraphicsSlots = 512;
// The topic of SymbolTooComplex: the elements do not fit in a symbol.
inline constexpr int SymbolTooComplexHelpContext = 33;
struct SymbolGraphicsBuffer {
    bool Active = false;
    std::array<uint8_t, SymbolGraphicsSlots * 8> Slots{};
    int UsedSlots = 0;
    bool RepeatPattern = false;  // the view repeats an area pattern
    int CellWidth = 0;           // 0.01 mm
    int CellHeight = 0;
};

// ---- Process-wide state of the store ----
struct ElementsInRect;

struct IndexState {
    TZmd* ActiveZmd = nullptr;
    bool MapOpen = false;

    ElementRecord CurElement;
    ElementRecord AuxElement1;
    ElementRecord AuxElement2;
    ElementRecord DrawElement;
    ElementRecord AuxElement3;  // kept copy of an object under edit

    ObjectIndexEntry CurIndex;
    int CurIndexNo = 0;
    ObjectIndexEntry KeptIndex;
    CordRect KeptRect;
    bool EditCopyKept = false;

    int ScanPos = 0;
    int ScanEnd = 0;
    bool ScanFinished = true;
    // What the last rectangle scan looked for, and the object it found (0: none since); the
    // object reader reads the records that scan visits next with it where they are close by.
    CordRect ScanRect;
    int ScanColour = -1;
    int ScanFound = 0;
    // The list whose scan found ScanFound, if any (see NextListedElement).
    const ElementsInRect* ScanList = nullptr;

    int SelectionCount = 0;
    int SelectedIndex = 0;
    int SelectedHoleStart = 0;
    CordRect SelectionRect;
    std::array<uint8_t, 256> GraphicsSelection{};

    // The symbols of CurElement and DrawElement (GetSymbol), not the user's current symbol.
    SymbolBytes* CurSymbol = nullptr;
    SymbolBytes* DrawSymbol = nullptr;
    SymbolBytes DefaultSymbol;
    SymbolBytes GraphicsEditSymbol;

    // The current view's symbol-graphics buffer, set by the document window; null or not
    // Active: objects are the map's.
    SymbolGraphicsBuffer* SymbolGraphics = nullptr;
};

extern IndexState Index;

// The five object buffers under their own names: every painter and tool uses them.
inline ElementRecord& CurElement = Index.CurElement;
inline ElementRecord& AuxElement1 = Index.AuxElement1;
inline ElementRecord& AuxElement2 = Index.AuxElement2;
inline ElementRecord& DrawElement = Index.DrawElement;
inline ElementRecord& AuxElement3 = Index.AuxElement3;

// The unit's start: the default symbol that stands in for a missing one, and the object
// buffers' symbols pointing at it.
void InitIndexUnit();
// Back to the start-up state (no map, empty buffers, default symbol built).
void ResetIndexState();

// ---- Document ----
void SetCurrentMap(TZmd* zmd);
SetupRecord* Stp();
// Reads header, symbols, index blocks and setup of ActiveZmd's working file. A file that is
// not a map gives FormatNotCorr; every failure ends in the silent abort.
void LoadMap();
void ReadSymbols();
void BuildSymbolTable();
void ReadIndexBlocks();
void ReindexFromFile();
// What the last load left out as damage is cleared from the working file (entries, slots and
// the links of cut chains), so that a file that grows never reads it back.
void DropDamagedParts();
bool WriteSetup();
// The setup a dialog edited, written only when it differs from the map's setup as it stands:
// values shown and kept, or set to what they were, leave the file and the changed flag alone.
// True when it was written.
bool StoreSetup(const SetupRecord& edited);
// Work that only looks at a map or gets the program ready for it: the map's changed flag is
// as it was when the scope ends, whatever was written meanwhile; a map still read where it is
// keeps what is written in memory, so that looking never copies it.
class KeepChangedFlag {
public:
    explicit KeepChangedFlag(TZmd* z) : z_(z), value_(z ? z->Modified : 0)
    {
        if (z_)
            held_.emplace(z_->WorkFile);
    }
    ~KeepChangedFlag()
    {
        if (z_)
            z_->Modified = value_;
    }
    KeepChangedFlag(const KeepChangedFlag&) = delete;
    KeepChangedFlag& operator=(const KeepChangedFlag&) = delete;

private:
    TZmd* z_;
    uint8_t value_;
    std::optional<HeldWrites> held_;
};
// The same write for what only changes how the map is looked at (the view): the map is not
// marked changed by it, and the view goes into the file with the next real change.
bool WriteViewSetup();
void FlushMapFile();
int CountObjects();
bool GetMapExtent(CordRect& r);
// The information text (bytes before its NUL) and its rewrite.
QByteArray ReadInfoText();
void WriteInfoText(const QByteArray& text);

// ---- Symbols ----
bool GetSymbol(int number, SymbolBytes*& rec);
// The symbol the user draws with is held once: the current map's setup keeps its list
// position (-1: none; the symbols' selected bytes then form the multi-selection). The
// windows, the symbol box, the status line and the tools read it here.
int CurrentSymbolPos();
SymbolBytes* CurrentSymbolRecord();
// Makes position pos current (anything outside the list: none), shows it in the status line
// and tells the program's views of it.
void SetCurrentSymbolPos(int pos);
// The status line's symbol: the current map's current symbol, nothing without one.
void ShowCurrentSymbolStatus();
void ClearUsedSymbolMarks();
void MarkUsedSymbols();
void UpdateObjectsOfSymbols(int from, int to);

// ---- Index entries ----
bool GetIndex(int n);
void UpdateIndexTable(int n);
void WriteIndexEntry(int n);
bool IndexFromStIndex(int stringNumber);
void EraseIndexEntry(int n);
void SetIndexMark(int n);
void ClearIndexMark(int n);
void MarkAllIndexEntries();
void UpdateBlockSummary(ObjectIndexBlock& block);
// The same with the symbols' colours from a table made once for a pass over many blocks
// (empty: looked up for each entry).
void UpdateBlockSummary(ObjectIndexBlock& block, const std::vector<ColorSet>& colorsByPlace);
// The colour set of each symbol by its place in the list, the default symbol's last.
std::vector<ColorSet> SymbolColorsByPlace();

// ---- Objects ----
bool ReadElement(int n, ElementRecord& e);
void ElementExtent(ElementRecord& e);
bool AppendElement();
bool SaveElement(int n);
// Gives back the working file's bytes from `from` on when they hold nothing of the map any
// longer (what a course preview wrote there and has dropped): entries that point there are
// emptied, index blocks that lie there leave their chains, and the file is cut. False, with
// nothing changed, when an object, deleted object kept for undo, string, symbol or record of
// the map lies there.
bool ReleaseFileTail(int64_t from);
void DeleteElement(int n);
bool RestoreElement(int n);
void BeginElementEdit(int n);

// The elements in the view's symbol-graphics buffer (0 outside that mode).
int CountSymbolGraphicsElements();

// ---- Scans and selection ----
void StartElementScan(int n);
bool NextElementInRect(const CordRect& r, int colour);
// The live objects whose rectangles meet `rect`, found by one walk of the index and sorted
// by the colours of their symbols, so that the scans of one rectangle colour by colour pass
// over their own objects alone.
struct ElementsInRect {
    CordRect rect;
    std::vector<int> numbers;                    // all of them, in order
    std::array<std::vector<int>, 256> byColour;  // those a scan of each colour finds, in order
    size_t at = 0;                               // where the scan of a list goes on
    ElementsInRect() = default;
    ElementsInRect(const ElementsInRect&) = delete;
    ElementsInRect& operator=(const ElementsInRect&) = delete;
    ~ElementsInRect();
};
// False, with nothing collected, in symbol-graphics mode.
bool CollectElementsInRect(const CordRect& r, ElementsInRect& list);
// The next object, from list.at on, that NextElementInRect(list.rect, colour) would find,
// made current as it makes it; the objects of the list must not change meanwhile.
bool NextListedElement(ElementsInRect& list, int colour);
bool NextSelectedElement();
bool IsSelected(int n);
void ToggleSelection(int n);
void SelectOnly(int n);
void ClearSelectionBits();
void ClearSelection();

// ---- Parameter strings ----
int AddPString(const QString& text, int type, int object);
bool SavePString(int n, const QString& text);
// The map's one string of a settings type; a text equal to the stored one writes nothing.
bool SaveTypedPString(const QString& text, int type);
bool DeletePString(int n);
bool ClearPString(int n);
bool FindPString(int object, int type, const TNumStringList& list, int& listPos);
// The text of string n as stored (8-bit text decoded); empty for an unreadable one.
QString ReadPString(int n);

} // namespace zemo
