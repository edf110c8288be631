#include "document/Optimize.h"

#include "core/ByteIO.h"
#include "core/Errors.h"
#include "core/LangTexts.h"
#include "core/Status.h"
#include "document/Open.h"
#include "document/Subset.h"
#include "document/Undo.h"

#include <algorithm>
#include <vector>

namespace zemo {

namespace {

constexpr int ProgressStep = 10;
constexpr int32_t BezierFlags = FirstBezierFlag | SecondBezierFlag;
constexpr int MaxStoredSlots = 0x8000;

bool SamePlace(Cord a, Cord b)
{
    return Masked(a.x) == Masked(b.x) && Masked(a.y) == Masked(b.y);
}

bool Inside(const CordRect& r, Cord c)
{
    const int32_t x = Masked(c.x), y = Masked(c.y);
    return x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2;
}

// Characters before the terminator of the object's text (16-bit ones for UTF-16 text).
int TextLength(const ElementRecord& e)
{
    const size_t bytes = size_t(e.nText) * 8;
    const uint8_t* t = e.TextBytes();
    size_t n = 0;
    if (e.Flags & ElementUtf16Flag) {
        while (n * 2 + 1 < bytes && (t[n * 2] | t[n * 2 + 1]))
            ++n;
    } else {
        while (n < bytes && t[n])
            ++n;
    }
    return int(n);
}

// An area that runs out and back along the same points.
bool RunsBackOnItself(const ElementRecord& e)
{
    const Cord* c = e.Cords();
    const int n = e.nItem;
    for (int i = 0; i < n / 2; ++i)
        if (!SamePlace(c[i], c[n - 1 - i]))
            return false;
    return true;
}

bool Spurious(const ElementRecord& e, const SymbolBytes& symbol)
{
    const int n = e.nItem;
    const int t = e.nText > 0 ? TextLength(e) : 0;
    switch (e.ObjectType) {
    case LineObject:
        return n < 2 || (SymU8(symbol, SymTextFlag) == 1 && t < 1);
    case AreaObject:
        return n < 3 || RunsBackOnItself(e);
    case TextObject:
        return n < 5 || t < 1;
    case RectangleObject:
        return n < 4 || (e.nText > 0 && t < 1) || SamePlace(e.Cords()[2], e.Cords()[0]);
    default:
        return false;
    }
}

int16_t NormalizedAngle(int angle)
{
    while (angle > 1800)
        angle -= 3600;
    while (angle < -1800)
        angle += 3600;
    return int16_t(angle);
}

// The symbol words the optimised file gives the objects of a course-setting map: an object
// that belongs to one course only (an object tag names it) carries the course-only mark, a
// course object does not.
class CourseMarks {
public:
    explicit CourseMarks(TZmd& z)
    {
        if (!z.CourseMap)
            return;
        // The preview's marks in memory are not the file's.
        if (z.CoursePreviewOn)
            ReindexFromFile();
        mark_.assign(size_t(z.HighestObject) + 1, 0);
        for (int type : {int(CourseObjectLinkType), int(CsObjectType)})
            for (const PStringIndexBlock& b : z.StringBlocks)
                for (const PStringIndexEntry& e : b.Entries)
                    if (e.Type == type && e.Pos != 0 && e.Object >= 1 && e.Object <= z.HighestObject)
                        mark_[size_t(e.Object)] = type == CourseObjectLinkType ? 1 : -1;
    }
    uint16_t Word(int n, uint16_t word) const
    {
        if (mark_.empty() || int16_t(word) <= 0 || mark_[size_t(n)] == 0)
            return word;
        return mark_[size_t(n)] > 0 ? uint16_t(word | CourseOnlyMark) : uint16_t(word & ~CourseOnlyMark);
    }

private:
    std::vector<int8_t> mark_;
};

// The map's own state from its working file again, after a run or a stopped one.
void ReloadMap(TZmd& z)
{
    const int opened = z.OpenedVersion;
    LoadMap();
    z.OpenedVersion = opened;
    Index.CurSymbol = Index.DrawSymbol = &Index.DefaultSymbol;
    AfterOpenSetup(DocumentPath(&z));
    ClearSelection();
    ClearUndo();
}

} // namespace

bool RepairBezierFlags(ElementRecord& e)
{
    Cord* c = e.Cords();
    const int n = e.nItem;
    // Each flag is judged by the points as they were read.
    std::vector<int32_t> f(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        f[size_t(i)] = c[i].x & BezierFlags;
    const auto flags = [&](int i) { return i >= 0 && i < n ? f[size_t(i)] : 0; };
    bool cleared = false;
    for (int i = 0; i < n; ++i) {
        int32_t keep = 0;
        if ((flags(i) & FirstBezierFlag) && i >= 1 && i <= n - 3 && flags(i - 1) == 0
            && !(flags(i) & SecondBezierFlag) && flags(i + 1) == SecondBezierFlag && flags(i + 2) == 0)
            keep |= FirstBezierFlag;
        if ((flags(i) & SecondBezierFlag) && i >= 2 && i <= n - 2 && flags(i - 2) == 0
            && flags(i - 1) == FirstBezierFlag && !(flags(i) & FirstBezierFlag) && flags(i + 1) == 0)
            keep |= SecondBezierFlag;
        if (keep != flags(i)) {
            c[i].x = (c[i].x & ~BezierFlags) | keep;
            cleared = true;
        }
    }
    return cleared;
}

ObjectVerdict CheckAndRepairObject(const ObjectIndexEntry& entry, int64_t fileSize, ElementRecord& e,
                                   bool& repaired, bool& mended)
{
    repaired = false;
    mended = false;
    const int length = entry.Length;
    if (length == 0 || length > MaxStoredSlots || entry.Pos == 0
        || !InVariablePart(entry.Pos, 32 + 8 * int64_t(length), fileSize))
        return ObjectVerdict::Damaged;
    std::vector<uint8_t> bytes(32 + 8 * size_t(length));
    Index.ActiveZmd->ReadBytesAt(entry.Pos, bytes);
    // The counts as stored, before the reader fits them to the length.
    if (int(LoadLE<uint16_t>(bytes.data() + 4)) + LoadLE<uint16_t>(bytes.data() + 6) > length)
        return ObjectVerdict::Damaged;
    ParseElementRecord(bytes, length, e);
    if ((entry.Symbol < CourseOnlyMark && entry.Symbol != uint16_t(e.Symbol)) || e.ObjectType == 0
        || e.ObjectType > RectangleObject || e.nItem == 0)
        return ObjectVerdict::Damaged;
    // The course-only mark says nothing of the symbol: the rest of the word must still be the
    // record's, or the object is drawn (or hidden) and counted under a symbol it does not have.
    const uint16_t named = int16_t(entry.Symbol) > 0 ? uint16_t(entry.Symbol & ~CourseOnlyMark) : entry.Symbol;
    mended = named != uint16_t(e.Symbol);
    // A record whose own number cannot stand in an entry leaves nothing to mend it from.
    if (mended && (e.Symbol == 0 || (e.Symbol > 0 && (uint16_t(e.Symbol) & CourseOnlyMark))))
        return ObjectVerdict::Damaged;
    Cord* c = e.Cords();
    const int checked = e.ObjectType == PointObject ? 1 : e.nItem;
    for (int i = 0; i < checked; ++i)
        if (!Inside(entry.Rect, c[i]))
            return ObjectVerdict::Damaged;

    if (c[0].y & HoleFlag) {
        c[0].y &= ~HoleFlag;
        repaired = true;
    }
    repaired = RepairBezierFlags(e) || repaired;
    if (e.ObjectType == LineObject)
        for (int i = 0; i < e.nItem; ++i)
            if (c[i].y & HoleFlag) {
                c[i].y &= ~HoleFlag;
                repaired = true;
            }
    SymbolBytes* symbol = nullptr;
    GetSymbol(e.Symbol, symbol);
    if (Spurious(e, *symbol))
        return ObjectVerdict::Spurious;
    e.Angle = NormalizedAngle(e.Angle);
    return ObjectVerdict::Keep;
}

std::optional<OptimizeResult> OptimizeMap()
{
    if (!Index.ActiveZmd || !Index.MapOpen)
        return std::nullopt;
    TZmd& z = *Index.ActiveZmd;
    const uint8_t wasModified = z.Modified;
    OptimizeResult r;
    try {
        z.WorkFile.MakeOwnCopy();  // the compact file takes the working copy's name
    } catch (const EAbort&) {
        return std::nullopt;
    }
    r.OldSize = z.WorkFile.Size();
    // Entries the load found damaged (records outside the file) are not written either.
    r.Deleted = z.Skipped.Objects;
    if (!CreateSubsetFile(z.WorkFile.FileName(), z.Header.FileType, z.Setup, SubsetTarget::WorkingFile))
        return std::nullopt;
    const CourseMarks marks(z);
    const int highest = z.HighestObject;
    // Old object number -> new one (0: left out), for the parameter strings.
    std::vector<int> newNumbers(size_t(highest) + 1, 0);
    bool ok = true;
    StartProgress(TextKey::Optimizing, TextKey::ObjDone, highest, ProgressStep, true);
    for (int n = 1; n <= highest && ok && !AbortRequested; ++n) {
        const ObjectIndexEntry entry = z.Entry(n);
        Index.CurIndex = entry;
        Index.CurIndexNo = n;
        if ((entry.Symbol & 0x7FFF) != 0) {
            ObjectVerdict verdict = ObjectVerdict::Damaged;
            bool repaired = false;
            bool mended = false;
            try {
                verdict = CheckAndRepairObject(entry, r.OldSize, CurElement, repaired, mended);
            } catch (const EAbort&) {
                verdict = ObjectVerdict::Damaged;
            }
            if (verdict == ObjectVerdict::Keep) {
                SymbolBytes* symbol = nullptr;
                const bool known = GetSymbol(CurElement.Symbol, symbol);
                // A mended entry keeps no mark of its own: only a course's tag gives it one.
                const uint16_t word = marks.Word(n, mended ? uint16_t(CurElement.Symbol) : entry.Symbol);
                ok = SubsetAppendObjectAs(CurElement, word);
                r.Mended += mended ? 1 : 0;
                newNumbers[size_t(n)] = SubsetObjectCount();
                r.Written = SubsetObjectCount();
                r.UnknownSymbol += known ? 0 : 1;
                r.Repaired += repaired ? 1 : 0;
                // Neither the rectangle (measured again with this program's fonts and symbols,
                // which another program's map never matches) nor an angle brought into range
                // (the same turn) is a change to what the map holds.
                r.MapChanged = r.MapChanged || repaired || mended || word != entry.Symbol;
            } else {
                ++r.Deleted;
                r.Spurious += verdict == ObjectVerdict::Spurious ? 1 : 0;
            }
        }
        UpdateProgress(n, n);
        DispatchKeyMessages();
    }
    const bool stopped = AbortRequested;
    if (ok && !stopped) {
        int dropped = 0;
        ok = SubsetCopyPStrings(&newNumbers, &dropped) && SubsetWriteSymbols(true);
        r.Deleted += dropped;
        // Closing up empty and deleted entries only renumbers: the strings follow their objects.
        r.MapChanged = r.MapChanged || r.Deleted > 0;
    }
    EndProgress();
    bool replaced = false;
    if (stopped)
        AbandonSubsetFile();
    else
        replaced = CloseSubsetFile();
    if (replaced) {
        // The new file took the working file's name; the old one goes with its handle.
        const QString work = z.WorkFile.FileName();
        try {
            z.WorkFile.Close();
        } catch (const EAbort&) {
            // Its bytes are no longer the map's: nothing of it is needed.
        }
        z.WorkFile.Open(work);
        r.NewSize = z.WorkFile.Size();
        ClearStatusText();
    }
    ReloadMap(z);
    // A map found sound is the same map in a new layout: it is no change of the user's.
    z.Modified = wasModified || (replaced && r.MapChanged) ? 1 : 0;
    if (!replaced)
        return std::nullopt;
    return r;
}

} // namespace zemo
