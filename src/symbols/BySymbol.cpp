#include "symbols/BySymbol.h"

#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "symbols/Ports.h"
#include "symbols/SymbolBoxModel.h"
#include "symbols/SymbolMenu.h"
#include "symbols/TextScript.h"

#include <functional>

namespace zemo {

namespace {

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

bool ObjectsAvailable()
{
    return Map() && !(Work.ActiveView && Work.ActiveView->SymbolGraphicsMode);
}

// The symbol number of an entry: the course-only mark of a symbol taken off, an imported
// object's negative number as it is.
int SymbolOf(const ObjectIndexEntry& e)
{
    const int s = int16_t(e.Symbol);
    return s > 0 ? s & ~int(CourseOnlyMark) : s;
}

// An object whose entry is there, a course-only one too (it is not live for drawing).
bool Present(const ObjectIndexEntry& e)
{
    return e.Length > 0 && e.Symbol != 0 && e.Symbol != DeletedSymbol;
}

// Decides per entry; the symbols' selection is looked up once per number.
class Matcher {
public:
    Matcher(const TZmd& z, const BySymbolRequest& r) : z_(z), r_(r)
    {
        for (int n = 1; n <= MaxSymbolNumber; ++n)
            if (const int pos = Position(n); pos >= 0 && SymU8(z.Symbols[size_t(pos)], SymSelected))
                selected_[size_t(n)] = true;
    }
    bool operator()(int n, const ObjectIndexEntry& e) const
    {
        const int s = SymbolOf(e);
        switch (r_.choice) {
        case BySymbolChoice::WithSymbol: return s >= 1 && s <= MaxSymbolNumber && selected_[size_t(s)];
        case BySymbolChoice::InLayer: return s < 0 && LayerOf(n) == r_.layer;
        case BySymbolChoice::Undefined: return Position(s) < 0;
        }
        return false;
    }

private:
    int Position(int number) const
    {
        if (number < 1 || number > MaxSymbolNumber || size_t(number) >= z_.NumberTable.size())
            return -1;
        const int pos = z_.NumberTable[size_t(number)];
        return pos < z_.SymbolCount() ? pos : -1;
    }
    static QString LayerOf(int n)
    {
        if (!ReadElement(n, AuxElement1))
            return {};
        const std::string name = ShortFieldText(AuxElement1.LayerName);
        return DecodeCodePage(1252, name.data(), qsizetype(name.size()));
    }
    const TZmd& z_;
    const BySymbolRequest& r_;
    std::array<bool, MaxSymbolNumber + 1> selected_{};
};

// Calls act for each matching object from 1 up; false when Esc stopped the walk. Esc is
// looked for after each object acted on and at the start of each index block.
bool Walk(TZmd& z, const BySymbolRequest& r, const std::function<void(int)>& act)
{
    const Matcher matches(z, r);
    for (int n = 1; n <= z.HighestObject; ++n) {
        if ((n - 1) % 256 == 0) {
            PollEscape();
            if (AbortRequested)
                return false;
        }
        const ObjectIndexEntry& e = z.Entry(n);
        if (!Present(e) || !matches(n, e))
            continue;
        act(n);
        PollEscape();
        if (AbortRequested)
            return false;
    }
    return true;
}

// Both commands start with no object selected and the current symbol the only selected one.
void PrepareWalk()
{
    DropSelection();
    SelectCurrentSymbolAlone();
    AbortRequested = false;
}

// The busy cursor for a scope, also when a file error ends the walk.
class Hourglass {
public:
    Hourglass() : busy_(CurrentBusyCursor())
    {
        if (busy_)
            busy_->SetBusy(true);
    }
    ~Hourglass()
    {
        if (busy_)
            busy_->SetBusy(false);
    }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

private:
    BusyCursor* busy_;
};

// The edit-object tool follows, unless the point tool is chosen.
void ChooseEditTool()
{
    if (ProgramConfig.WorkMode != WorkModes::EditPoint)
        ProgramConfig.WorkMode = WorkModes::EditObject;
}

} // namespace

BySymbolRequest& LastBySymbolRequest()
{
    static BySymbolRequest last;
    return last;
}

std::vector<int> ObjectsBySymbol(const BySymbolRequest& r)
{
    std::vector<int> objects;
    TZmd* z = Map();
    if (!z)
        return objects;
    const Matcher matches(*z, r);
    for (int n = 1; n <= z->HighestObject; ++n)
        if (const ObjectIndexEntry& e = z->Entry(n); Present(e) && matches(n, e))
            objects.push_back(n);
    return objects;
}

int SelectBySymbol(const BySymbolRequest& r)
{
    TZmd* z = Map();
    if (!z)
        return 0;
    PrepareWalk();
    bool whole = false;
    {
        const Hourglass hourglass;
        whole = Walk(*z, r, [](int n) {
            if (!GetIndex(n))
                return;
            // Each one the single selected object in turn, its symbol the tool's.
            ToggleSelection(n);
            GetSymbol(Index.CurIndex.Symbol, Index.CurSymbol);
        });
    }
    if (whole) {
        if (Index.SelectionCount > 1)
            Index.SelectedIndex = 0;
        ChooseEditTool();
    } else {
        ClearSelection();
        AbortRequested = false;
    }
    const int count = Index.SelectionCount;
    ShowSelectedCount(count);
    return count;
}

int DeleteBySymbol(const BySymbolRequest& r)
{
    TZmd* z = Map();
    if (!z)
        return 0;
    PrepareWalk();
    StartProgress(Text(TextKey::DeleteBySymbol), Text(TextKey::ObjDeleted) + QStringLiteral(" ;"),
                  z->HighestObject, 50, true);
    int deleted = 0;
    {
        // Each deletion unrecorded; the deleted objects stay selected for the one step below.
        UndoSuspend combined;
        Walk(*z, r, [&](int n) {
            if (!GetIndex(n))
                return;
            ToggleSelection(n);
            DeleteElement(n);
            UpdateProgress(++deleted, n);
        });
    }
    EndProgress();
    if (deleted > 0) {
        RecordUndo(UndoStart, 0);
        RecordUndo(UndoDeleteMany, -1);
    }
    ClearSelection();
    AbortRequested = false;
    ChooseEditTool();
    FlushMapFile();
    RedrawMapWindows();
    return deleted;
}

void SelectObjectsBySymbol()
{
    if (!ObjectsAvailable() || !SymbolsPorts().RunBySymbolDialog(false, LastBySymbolRequest()))
        return;
    SelectBySymbol(LastBySymbolRequest());
}

void DeleteObjectsBySymbol()
{
    if (!ObjectsAvailable() || !SymbolsPorts().RunBySymbolDialog(true, LastBySymbolRequest()))
        return;
    DeleteBySymbol(LastBySymbolRequest());
}

void RegisterExtrasSymbolWorkers()
{
    RegisterWorker(Cmd::ExtrasTextScript, ChangeTextScript, [] { return Map() != nullptr; });
    RegisterWorker(Cmd::ExtrasSelectSym, SelectObjectsBySymbol, ObjectsAvailable);
    RegisterWorker(Cmd::ExtrasDeleteSym, DeleteObjectsBySymbol, ObjectsAvailable);
}

} // namespace zemo
