#include "symbols/SymEdit.h"

#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "symbols/AreaSym.h"
#include "symbols/LTextSym.h"
#include "symbols/LineSym.h"
#include "symbols/PointSym.h"
#include "symbols/RectSym.h"
#include "symbols/TextSym.h"
#include "symbols/SymbolMenu.h"

#include <algorithm>
#include <cstring>

namespace zemo {

namespace {

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

void SetFontName(SymbolBytes& rec, size_t offset, const char* name)
{
    SetShortFieldText(std::span(rec).subspan(offset, String31Bytes), name);
}

// The window whose objects are the session's elements.
MapView* GraphicsView()
{
    MapView* v = Work.ActiveView;
    return v && v->SymbolGraphicsMode && v->SymbolEdit ? v : nullptr;
}

} // namespace

int SymbolFixedBytes(SymbolEditorKind kind)
{
    switch (kind) {
    case SymbolEditorKind::Point: return PointSymbolFixedBytes;
    case SymbolEditorKind::Line: return LineSymbolFixedBytes;
    case SymbolEditorKind::Area: return AreaSymbolFixedBytes;
    case SymbolEditorKind::Text: return int(TextSymbolBytes);
    case SymbolEditorKind::LineText: return int(LineTextSymbolBytes);
    case SymbolEditorKind::Rect: return RectSymbolBytes;
    default: return 0;
    }
}

int FirstFreeSymbolNumber(std::span<const int16_t> numberTable)
{
    const auto isFree = [&](int n) { return size_t(n) < numberTable.size() && numberTable[size_t(n)] < 0; };
    // Counting up from 1.0 first; the numbers below it only when every other is taken.
    for (int n = 10; n <= MaxSymbolNumber; ++n)
        if (isFree(n))
            return n;
    for (int n = 1; n < 10; ++n)
        if (isFree(n))
            return n;
    return 0;
}

SymbolBytes NewSymbolRecord(SymbolEditorKind kind, std::span<const int16_t> numberTable)
{
    const int size = SymbolFixedBytes(kind);
    if (size == 0)
        return {};
    SymbolBytes rec(size_t(size), 0);
    SetSymI16(rec, SymSize, int16_t(size));
    SetSymI16(rec, SymNumber, int16_t(FirstFreeSymbolNumber(numberTable)));
    std::fill_n(rec.begin() + SymIcon, IconFieldBytes, uint8_t(255));
    const bool text = kind == SymbolEditorKind::Text || kind == SymbolEditorKind::LineText;
    static constexpr int16_t Types[] = {0, PointObject, LineObject, AreaObject, TextObject, LineObject, RectangleObject};
    SetSymI16(rec, SymObjectType, Types[static_cast<int>(kind)]);
    SetSymU8(rec, SymTextFlag, text ? 1 : 0);
    if (text) {
        SetFontName(rec, TsFontName, kind == SymbolEditorKind::Text ? "Times New Roman" : "Arial");
        SetSymI16(rec, TsFontSize, 120);
        SetSymI16(rec, TsWordSpacing, 100);
        if (kind == SymbolEditorKind::Text)
            SetSymI16(rec, TsLineSpacing, 120);
    }
    return rec;
}

SymbolEditSession OpenSymbolWork(SymbolEditorKind kind, const SymbolBytes* rec, int pos,
                                 std::span<const int16_t> numberTable, std::span<const uint8_t>* stored)
{
    SymbolEditSession s;
    s.Kind = kind;
    s.Position = pos;
    *stored = {};
    const size_t fixed = size_t(SymbolFixedBytes(kind));
    // The size word decides how much of the buffer is the record.
    const size_t size = rec ? std::min(rec->size(), size_t(std::max<int>(SymI16(*rec, SymSize), 0))) : 0;
    if (!rec || size < fixed || fixed == 0) {
        s.Work = NewSymbolRecord(kind, numberTable);
        return s;
    }
    *stored = std::span<const uint8_t>(rec->data(), size);
    s.Stored.assign(stored->begin(), stored->end());
    s.Work.assign(rec->begin(), rec->begin() + ptrdiff_t(fixed));
    return s;
}

ElementList TakeElementList(std::span<const uint8_t> rec, size_t offset, int slots, bool* dropped)
{
    ElementList list;
    const uint64_t bytes = uint64_t(std::max(slots, 0)) * 8;
    if (slots < 0 || offset > rec.size() || bytes > rec.size() - offset) {
        if (dropped)
            *dropped = true;
        return list;
    }
    list.Bytes.assign(rec.begin() + ptrdiff_t(offset), rec.begin() + ptrdiff_t(offset + bytes));
    list.Editable = slots <= MaxElementListSlots;
    return list;
}

// ---- The editors ----

bool HasSymbolEditor(SymbolEditorKind kind)
{
    return kind != SymbolEditorKind::None;
}

void OpenSymbolEditor(SymbolEditorKind kind, int pos)
{
    TZmd* z = Map();
    if (!z)
        return;
    // The editor works on a copy: the record in the list may move while the dialog is up.
    SymbolBytes copy;
    const bool existing = pos >= 0 && pos < z->SymbolCount();
    if (existing)
        copy = z->Symbols[size_t(pos)];
    const SymbolBytes* rec = existing ? &copy : nullptr;
    if (!existing)
        pos = -1;
    switch (kind) {
    case SymbolEditorKind::Point: EditPointSymbol(rec, pos); break;
    case SymbolEditorKind::Line: EditLineSymbol(rec, pos); break;
    case SymbolEditorKind::Area: EditAreaSymbol(rec, pos); break;
    case SymbolEditorKind::Text: EditTextSymbol(rec, pos); break;
    case SymbolEditorKind::LineText: EditLineTextSymbol(rec, pos); break;
    case SymbolEditorKind::Rect: EditRectSymbol(rec, pos); break;
    default: break;
    }
}

bool CanCreateSymbol()
{
    TZmd* z = Map();
    if (!z || z->SymbolCount() >= MaxSymbols || FirstFreeSymbolNumber(z->NumberTable) == 0)
        return false;
    if (Work.ActiveView && Work.ActiveView->SymbolGraphicsMode)
        return false;
    return std::any_of(NewSymbolKinds.begin(), NewSymbolKinds.end(), HasSymbolEditor);
}

void CreateSymbol()
{
    if (!CanCreateSymbol())
        return;
    std::array<bool, NewSymbolKinds.size()> available{};
    for (size_t k = 0; k < NewSymbolKinds.size(); ++k)
        available[k] = HasSymbolEditor(NewSymbolKinds[k]);
    const int chosen = SymbolsPorts().RunNewSymbolDialog(available);
    if (chosen < 0 || size_t(chosen) >= available.size() || !available[size_t(chosen)])
        return;
    OpenSymbolEditor(NewSymbolKinds[size_t(chosen)], -1);
}

namespace {

SymbolBytes BuildSymbolRecord(const SymbolEditSession& s)
{
    switch (s.Kind) {
    case SymbolEditorKind::Point: return BuildPointSymbol(s);
    case SymbolEditorKind::Line: return BuildLineSymbol(s);
    case SymbolEditorKind::Area: return BuildAreaSymbol(s);
    case SymbolEditorKind::Text: return BuildTextSymbol(s);
    case SymbolEditorKind::LineText: return BuildLineTextSymbol(s);
    case SymbolEditorKind::Rect: return BuildRectSymbol(s);
    default: return {};
    }
}

// A field of the record: offset and length.
struct WordRange {
    size_t offset;
    size_t bytes;
};

// Words the editors set themselves that nothing draws by; the extent and the colour set
// follow below.
constexpr WordRange HeadWords[] = {{SymObjectType, 2}, {SymTextFlag, 1}};
constexpr WordRange PointWords[] = {{PointSymbolPad, 2}};
constexpr WordRange LineWords[] = {{LsListsPad, 2}};

std::span<const WordRange> KindWords(SymbolEditorKind kind)
{
    switch (kind) {
    case SymbolEditorKind::Point: return PointWords;
    case SymbolEditorKind::Line: return LineWords;
    default: return {};
    }
}

bool SameBytes(const SymbolBytes& a, const SymbolBytes& b, const WordRange& r)
{
    const size_t end = r.offset + r.bytes;
    return end <= a.size() && end <= b.size()
        && std::equal(a.begin() + ptrdiff_t(r.offset), a.begin() + ptrdiff_t(end), b.begin() + ptrdiff_t(r.offset));
}

// The record as the map file holds it. Symbols are mended as they are read (their extent and
// colour set computed anew), so the list's copy may differ from what the writer stored; the
// list's copy stands in when the file's bytes are not this record's.
SymbolBytes FileRecordOf(const SymbolBytes& rec)
{
    TZmd* z = Map();
    const int32_t pos = rec.size() >= size_t(SymbolHeadBytes) ? SymI32(rec, SymFilePos) : 0;
    if (!z || pos <= 0 || !z->WorkFile.IsOpen() || int64_t(pos) + int64_t(rec.size()) > z->WorkFile.Size())
        return rec;
    SymbolBytes file(rec.size());
    if (!z->WorkFile.ReadAtOrSkip(file.data(), int64_t(file.size()), pos))
        return rec;
    for (const WordRange r : {WordRange{SymSize, 2}, WordRange{SymNumber, 2}, WordRange{SymObjectType, 2},
                              WordRange{SymTextFlag, 1}})
        if (!SameBytes(file, rec, r))
            return rec;
    return file;
}

void KeepUneditedWords(SymbolBytes& rec, const SymbolEditSession& s)
{
    if (s.Position < 0 || s.Stored.size() < size_t(SymbolHeadBytes) || s.Shown.size() < size_t(SymbolHeadBytes))
        return;
    const auto keep = [&](const WordRange& r) {
        if (SameBytes(rec, s.Shown, r) && r.offset + r.bytes <= s.Stored.size())
            std::copy_n(s.Stored.begin() + ptrdiff_t(r.offset), r.bytes, rec.begin() + ptrdiff_t(r.offset));
    };
    for (const WordRange& r : HeadWords)
        keep(r);
    for (const WordRange& r : KindWords(s.Kind))
        keep(r);
    // The stored extent and colour set stay while they still cover what the symbol draws.
    if (SameBytes(rec, s.Shown, {SymExtent, 2}) && SymI16(s.Stored, SymExtent) >= SymI16(rec, SymExtent))
        SetSymI16(rec, SymExtent, SymI16(s.Stored, SymExtent));
    const ColorSet stored = SymColors(s.Stored), built = SymColors(rec);
    if (SameBytes(rec, s.Shown, {SymColorSet, SymColorSetBytes}) && (stored & built) == built)
        std::copy_n(s.Stored.begin() + ptrdiff_t(SymColorSet), SymColorSetBytes, rec.begin() + ptrdiff_t(SymColorSet));
}

} // namespace

bool StoreSymbolWork(const SymbolEditSession& s)
{
    SymbolBytes rec = BuildSymbolRecord(s);
    if (rec.empty()) {
        ErrorMsg(TextKey::SymbolTooComplex, {}, SymbolTooComplexHelpContext);
        return false;
    }
    if (s.Position >= 0) {
        // Nothing edited: the symbol stays as the map holds it, the map unchanged.
        if (rec == s.Shown)
            return true;
        KeepUneditedWords(rec, s);
        if (rec == s.Stored)
            return true;
    }
    return ReplaceSymbol(rec, s.Position);
}

void RunSymbolEditor(const std::shared_ptr<SymbolEditSession>& s)
{
    // The record the editor would store when nothing is changed in it, and the one the
    // words it does not touch come from.
    if (s->Position >= 0 && s->Shown.empty()) {
        s->Shown = BuildSymbolRecord(*s);
        s->Stored = FileRecordOf(s->Stored);
    }
    const int result = SymbolsPorts().RunSymbolDialog(*s);
    if (result == SymbolDlgOk) {
        StoreSymbolWork(*s);
    } else if (result == SymbolDlgEdit) {
        BeginSymbolGraphicsEdit(s);
    } else if (s->GraphicsEdited) {
        RedrawMapWindows();
    }
}

// ---- Symbol-graphics editing ----

void BeginSymbolGraphicsEdit(const std::shared_ptr<SymbolEditSession>& s)
{
    MapView* v = Work.ActiveView;
    TZmd* z = Map();
    if (!v || !z || v->Document != z || v->SymbolGraphicsMode)
        return;
    const ElementList& list = s->Lists[size_t(std::clamp(s->EditedList, 0, 4))];
    if (!list.Editable)
        return;
    DropSelection();
    v->SymbolEdit = s;
    v->SymbolGraphicsMode = true;
    SymbolGraphicsBuffer& g = v->SymbolGraphics;
    g.Slots.fill(0);
    std::copy(list.Bytes.begin(), list.Bytes.end(), g.Slots.begin());
    g.UsedSlots = list.Slots();
    g.Active = true;
    ShowAreaPattern(*v, s.get());
    s->GraphicsEdited = true;

    // The view as it stands goes into the file; showing the graphics changes no map.
    WriteViewSetup();
    SetupRecord& setup = z->Setup;
    s->Before = {z->UsedColors, z->CoursePreviewOn, setup.Zoom, setup.ViewCenterX, setup.ViewCenterY};
    // The map's own objects stay as they are: while the buffer is active every read and
    // write of an object goes to the elements, and the count is theirs.
    z->UsedColors.set();
    z->CoursePreviewOn = 0;
    setup.Zoom = GraphicsEditZoom;
    setup.ViewCenterX = 0;
    setup.ViewCenterY = 0;
    UpdateViewOf(*v);
    ShowZoom();
    // The quick editor: the map's colours, and the element kind it draws.
    SymbolsPorts().PrepareGraphicsPanel();
    SymbolsPorts().RefreshSymbolBox();
    EditPorts().SetHelpContext(GraphicsEditHelpContext);
    RedrawMapWindows();
    NotifyStateChanged();
}

SymbolEditSession* GraphicsEditSession(const MapView& v)
{
    return v.SymbolGraphicsMode ? v.SymbolEdit.get() : nullptr;
}

void EndSymbolGraphicsEdit(bool reopen)
{
    MapView* v = GraphicsView();
    if (!v)
        return;
    std::shared_ptr<SymbolEditSession> s = v->SymbolEdit;
    DropSelection();
    SymbolGraphicsBuffer& g = v->SymbolGraphics;
    const int used = std::clamp(g.UsedSlots, 0, SymbolGraphicsSlots);
    ElementList& list = s->Lists[size_t(std::clamp(s->EditedList, 0, 4))];
    list.Bytes.assign(g.Slots.begin(), g.Slots.begin() + used * 8);
    list.Editable = true;
    g.Active = false;
    g.UsedSlots = 0;
    ShowAreaPattern(*v, nullptr);
    v->SymbolGraphicsMode = false;
    v->SymbolEdit.reset();

    TZmd* z = v->Document;
    z->UsedColors = s->Before.UsedColors;
    z->CoursePreviewOn = s->Before.CoursePreview;
    z->Setup.Zoom = s->Before.Zoom;
    z->Setup.ViewCenterX = s->Before.CenterX;
    z->Setup.ViewCenterY = s->Before.CenterY;
    UpdateViewOf(*v);
    ShowZoom();
    SkipEmptyUndoSteps();
    SymbolsPorts().RefreshSymbolBox();
    RedrawMapWindows();
    NotifyStateChanged();

    if (reopen)
        RunSymbolEditor(s);
    else
        StoreSymbolWork(*s);
}

void RegisterSymbolEditorWorkers()
{
    RegisterWorker(Cmd::SymbolNew, CreateSymbol, CanCreateSymbol);
}

} // namespace zemo
