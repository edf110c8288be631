#include "symbols/SymbolBoxModel.h"

#include "core/Config.h"
#include "document/Index.h"
#include "shell/CommandFrame.h"
#include "shell/CommandState.h"
#include "symbols/SymbolMenu.h"

#include <algorithm>
#include <numeric>

namespace zemo {

namespace {

SymbolBoxState boxState;

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

bool Selected(const TZmd& z, int k)
{
    return SymU8(z.Symbols[size_t(k)], SymSelected) != 0;
}

void SetSelected(TZmd& z, int k, bool on)
{
    SetSymU8(z.Symbols[size_t(k)], SymSelected, on ? 1 : 0);
}

void ClearSelectedBytes(TZmd& z)
{
    for (int k = 0; k < z.SymbolCount(); ++k)
        SetSelected(z, k, false);
}

// The list in the given order of old positions; returns where `follow` went.
int ApplyOrder(TZmd& z, const std::vector<int>& order, int follow)
{
    std::vector<SymbolBytes> moved;
    moved.reserve(z.Symbols.capacity());
    int now = -1;
    for (size_t k = 0; k < order.size(); ++k) {
        moved.push_back(std::move(z.Symbols[size_t(order[k])]));
        if (order[k] == follow)
            now = int(k);
    }
    z.Symbols = std::move(moved);
    z.BuildNumberTable();
    return now;
}

void Repaint()
{
    SymbolsPorts().RepaintSymbolBox();
}

void ChooseCurrent(TZmd& z, int pos)
{
    ClearSelectedBytes(z);
    SetCurrentSymbolPos(pos);
    const int method = DrawingMethodOfTool(SymU8(z.Symbols[size_t(pos)], SymTool));
    // A method whose tool is not there yet keeps the tool of the moment.
    if (method != 0 && WorkModeBuilt(method)) {
        ProgramConfig.LineMode = method;
        // The tool itself starts again when the mouse is released.
        if (ProgramConfig.WorkMode < WorkModes::EditPoint)
            ProgramConfig.WorkMode = method;
    }
}

} // namespace

SymbolBoxGrid LayoutSymbolGrid(int width, int height, int symbols, int scrollBarWidth)
{
    SymbolBoxGrid g;
    g.columns = std::max(1, (width - 3) / SymbolCellSize);
    const auto rowsOf = [symbols](int n) { return (std::max(symbols, 0) + n - 1) / n; };
    if (rowsOf(g.columns) >= height / SymbolCellSize) {
        g.columns = std::max(1, (width - 3 - scrollBarWidth) / SymbolCellSize);
        g.scrollBar = true;
    }
    g.rows = rowsOf(g.columns);
    return g;
}

int SymbolAtCell(const SymbolBoxGrid& g, int column, int row, int symbols)
{
    if (column < 0 || column >= g.columns || row < 0)
        return -1;
    const int64_t p = int64_t(row) * g.columns + column;
    return p < symbols ? int(p) : -1;
}

SymbolBoxState& SymBox()
{
    return boxState;
}

void ResetSymbolBox()
{
    boxState = SymbolBoxState{};
}

int DrawingMethodOfTool(int preferredTool)
{
    switch (preferredTool) {
    case 1: return 10; // curve
    case 2: return 9;  // ellipse
    case 3: return 8;  // circle
    case 4: return 7;  // rectangular
    case 5: return 6;  // straight
    case 6: return 5;  // freehand
    default: return 0;
    }
}

std::vector<int> MovedOrder(int count, int from, int mark)
{
    std::vector<int> order(size_t(std::max(count, 0)));
    std::iota(order.begin(), order.end(), 0);
    if (from < 0 || from >= count || mark < 0 || mark > count)
        return order;
    order.erase(order.begin() + from);
    order.insert(order.begin() + (mark > from ? mark - 1 : mark), from);
    return order;
}

std::vector<int> GatheredOrder(const std::vector<bool>& selected, int mark)
{
    const int count = int(selected.size());
    mark = std::clamp(mark, 0, count);
    std::vector<int> order;
    order.reserve(selected.size());
    for (int k = 0; k < mark; ++k)
        if (!selected[size_t(k)])
            order.push_back(k);
    for (int k = 0; k < count; ++k)
        if (selected[size_t(k)])
            order.push_back(k);
    for (int k = mark; k < count; ++k)
        if (!selected[size_t(k)])
            order.push_back(k);
    return order;
}

// ---- Mouse ----

void SymbolBoxLeftDown(int pos, ClickKeys keys)
{
    TZmd* z = Map();
    if (!z || pos < 0 || pos >= z->SymbolCount())
        return;
    SymbolBoxState& st = boxState;
    const int c = CurrentSymbolPos();
    st.Dragging = false;
    st.InsertMark = -1;
    if (keys.shift && st.Anchor >= 0 && st.Anchor < z->SymbolCount()) {
        SetCurrentSymbolPos(-1);
        const auto [lo, hi] = std::minmax(st.Anchor, pos);
        for (int k = lo; k <= hi; ++k)
            SetSelected(*z, k, true);
    } else if (keys.ctrl) {
        if (pos != c) {
            if (c >= 0)
                SetSelected(*z, c, true);
            SetCurrentSymbolPos(-1);
            SetSelected(*z, pos, !Selected(*z, pos));
        }
    } else {
        if (c >= 0 || !Selected(*z, pos))
            ChooseCurrent(*z, pos);
        st.Anchor = pos;
        st.DragSource = pos;
        st.InsertMark = pos;
        st.Dragging = true;
    }
    if (CurrentSymbolPos() < 0)
        SetCurrentSymbolPos(-1);
    Repaint();
}

bool SymbolBoxDragMove(int pos)
{
    TZmd* z = Map();
    if (!z || !boxState.Dragging)
        return false;
    pos = std::clamp(pos, 0, z->SymbolCount());
    if (pos == boxState.InsertMark)
        return false;
    boxState.InsertMark = pos;
    return true;
}

bool SymbolBoxLeftUp()
{
    TZmd* z = Map();
    SymbolBoxState& st = boxState;
    const int m = st.InsertMark;
    const bool dragging = st.Dragging;
    st.Dragging = false;
    st.InsertMark = -1;
    if (!z || !dragging || m < 0)
        return false;
    const int count = z->SymbolCount();
    const int c = CurrentSymbolPos();
    if (c >= 0) {
        if (m == c || m == c + 1)
            return false;
        const int now = ApplyOrder(*z, MovedOrder(count, c, m), c);
        st.Anchor = now;
        SetCurrentSymbolPos(now);
    } else {
        const int a = st.Anchor;
        if (a < 0 || a >= count)
            return false;
        if (m == a) {
            ClearSelectedBytes(*z);
            SetCurrentSymbolPos(a);
            Repaint();
            return false;
        }
        if (m == a + 1)
            return false;
        std::vector<bool> selected(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k)
            selected[size_t(k)] = Selected(*z, k);
        st.Anchor = ApplyOrder(*z, GatheredOrder(selected, m), a);
    }
    WriteSetup();
    z->WriteSymbolIndex();
    Repaint();
    return true;
}

bool SymbolBoxRightDown(int pos)
{
    TZmd* z = Map();
    if (!z || z->CoursePreviewOn)
        return false;
    if (pos >= 0 && pos < z->SymbolCount() && pos != CurrentSymbolPos()
        && !(CurrentSymbolPos() < 0 && Selected(*z, pos))) {
        ChooseCurrent(*z, pos);
        boxState.Anchor = pos;
        Repaint();
    }
    return true;
}

// ---- Commands ----

void SortSymbolsByNumber()
{
    TZmd* z = Map();
    if (!z || z->SymbolCount() < 2)
        return;
    std::vector<int> order(size_t(z->SymbolCount()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [z](int a, int b) {
        return SymI16(z->Symbols[size_t(a)], SymNumber) < SymI16(z->Symbols[size_t(b)], SymNumber);
    });
    ApplyOrder(*z, order, -1);
    z->WriteSymbolIndex();
    ClearSelectedBytes(*z);
    SetCurrentSymbolPos(0);
    Repaint();
}

void SortSymbolsByColor()
{
    TZmd* z = Map();
    if (!z || z->SymbolCount() < 2)
        return;
    const int count = z->SymbolCount();
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::vector<ColorSet> sets;
    for (const SymbolBytes& r : z->Symbols)
        sets.push_back(SymColors(r));
    int next = 0;
    const int colors = std::clamp<int>(z->ColorBlock.ColorCount, 0, MaxColors);
    for (int ci = 0; ci < colors && next < count; ++ci) {
        const int number = z->ColorBlock.Colors[size_t(ci)].Number;
        if (number < 0 || number > 255)
            continue;
        for (int k = next; k < count; ++k) {
            if (sets[size_t(order[size_t(k)])].test(size_t(number)))
                std::swap(order[size_t(k)], order[size_t(next++)]);
        }
    }
    // The current symbol stays the same record.
    const int now = ApplyOrder(*z, order, CurrentSymbolPos());
    z->WriteSymbolIndex();
    if (now >= 0)
        SetCurrentSymbolPos(now);
    Repaint();
}

void ResolveSymbolSelection()
{
    TZmd* z = Map();
    if (!z)
        return;
    int only = -1;
    int n = 0;
    for (int k = 0; k < z->SymbolCount(); ++k)
        if (Selected(*z, k)) {
            only = k;
            ++n;
        }
    if (n == 1) {
        SetSelected(*z, only, false);
        SetCurrentSymbolPos(only);
    } else {
        SetCurrentSymbolPos(-1);
    }
}

namespace {
void SelectByUse(bool used)
{
    TZmd* z = Map();
    if (!z)
        return;
    MarkUsedSymbols();
    for (int k = 0; k < z->SymbolCount(); ++k) {
        const bool isUsed = (SymU8(z->Symbols[size_t(k)], SymStatus) & SymbolUsedBit) != 0;
        SetSelected(*z, k, isUsed == used);
    }
    ResolveSymbolSelection();
    Repaint();
}
} // namespace

void SelectUsedSymbols() { SelectByUse(true); }
void SelectUnusedSymbols() { SelectByUse(false); }

void InvertSymbolSelection()
{
    TZmd* z = Map();
    if (!z)
        return;
    const int c = CurrentSymbolPos();
    for (int k = 0; k < z->SymbolCount(); ++k)
        SetSelected(*z, k, c >= 0 ? k != c : !Selected(*z, k));
    ResolveSymbolSelection();
    Repaint();
}

void SelectAllSymbols()
{
    TZmd* z = Map();
    if (!z)
        return;
    for (int k = 0; k < z->SymbolCount(); ++k)
        SetSelected(*z, k, true);
    ResolveSymbolSelection();
    Repaint();
}

void SelectCurrentSymbolAlone()
{
    TZmd* z = Map();
    const int current = CurrentSymbolPos();
    if (!z || current < 0 || current >= z->SymbolCount())
        return;
    for (int k = 0; k < z->SymbolCount(); ++k)
        SetSelected(*z, k, k == current);
    Repaint();
}

bool ShowSymbolInBox(int number)
{
    TZmd* z = Map();
    if (!z || number < 1 || number > MaxSymbolNumber)
        return false;
    const int pos = z->NumberTable[size_t(number)];
    if (pos < 0 || pos >= z->SymbolCount())
        return false;
    ClearSelectedBytes(*z);
    SetCurrentSymbolPos(pos);
    boxState.Anchor = pos;
    Repaint();
    return true;
}

QString SymbolBoxHint(int pos)
{
    TZmd* z = Map();
    if (!z || pos < 0 || pos >= z->SymbolCount())
        return {};
    const SymbolBytes& rec = z->Symbols[size_t(pos)];
    const int n = SymI16(rec, SymNumber);
    return QStringLiteral("%1.%2 %3").arg(n / 10).arg(std::abs(n % 10)).arg(SymbolDescription(rec));
}

void RegisterSymbolBoxWorkers()
{
    auto mapOpen = [] { return Map() != nullptr; };
    auto withState = [](void (*f)()) {
        return [f] {
            f();
            NotifyStateChanged();
        };
    };
    RegisterWorker(Cmd::SymbolSortNum, withState(SortSymbolsByNumber), mapOpen);
    RegisterWorker(Cmd::SymbolSortCol, withState(SortSymbolsByColor), mapOpen);
    RegisterWorker(Cmd::SymbolSelUsed, withState(SelectUsedSymbols), mapOpen);
    RegisterWorker(Cmd::SymbolSelUnused, withState(SelectUnusedSymbols), mapOpen);
    RegisterWorker(Cmd::SymbolSelInvert, withState(InvertSymbolSelection), mapOpen);
    RegisterWorker(Cmd::SymbolSelAll, withState(SelectAllSymbols), mapOpen);
}

// ---- Settings ----

int SymPanelWidthSetting(PString& s, int scrollBarWidth, int clientWidth)
{
    int v = GetParamInt(s, QLatin1Char('v'), 0);
    int fixed = v;
    if (fixed < 1)
        fixed = scrollBarWidth + 119;
    if (fixed > clientWidth - 50)
        fixed = std::max(clientWidth - 50, 0);
    if (fixed != v)
        SetParam(s, QLatin1Char('v'), QString::number(fixed));
    return fixed;
}

int MaxSymBoxHeight(int panelHeight)
{
    return panelHeight - 53;
}

int SymBoxHeightSetting(PString& s, int panelHeight)
{
    const int h = GetParamInt(s, QLatin1Char('h'), 0);
    const int fixed = h >= 27 && h <= MaxSymBoxHeight(panelHeight) ? h : 53;
    if (fixed != h)
        SetParam(s, QLatin1Char('h'), QString::number(fixed));
    return fixed;
}

namespace {

PString* BoxSettings()
{
    TZmd* z = Map();
    const int slot = MapSettingsSlot(SymBoxSettingsType);
    return z && slot >= 0 ? &z->MapSettings[size_t(slot)] : nullptr;
}

} // namespace

void SaveSymSplitterPos(int panelWidth)
{
    if (PString* s = BoxSettings())
        SetParam(*s, QLatin1Char('v'), QString::number(panelWidth));
}

void SaveSymBoxSplitterPos(int boxHeight)
{
    if (PString* s = BoxSettings())
        SetParam(*s, QLatin1Char('h'), QString::number(boxHeight));
}

bool SaveSymBoxSettings()
{
    PString* s = BoxSettings();
    // The box's size is how the program shows the map, no change of the map.
    KeepChangedFlag unchanged(Index.ActiveZmd);
    // A copy: the store writes the map's slot itself.
    return s && SaveTypedPString(PString(*s), SymBoxSettingsType);
}

int ApplySymBoxSplitterPos(int boxHeight)
{
    PString* s = BoxSettings();
    if (!s)
        return boxHeight;
    if (boxHeight == 0)
        boxHeight = GetParamInt(*s, QLatin1Char('h'), 30);
    SaveSymBoxSettings();
    return boxHeight;
}

SymbolPanelLayout ComputeSymbolPanelLayout(const SymbolPanelInput& in, PString& settings)
{
    SymbolPanelLayout l;
    if (!in.mapOpen)
        return l;
    if (in.graphicsEditing) {
        l.editPanel = true;
        return l;
    }
    l.symPanel = true;
    l.panelWidth = SymPanelWidthSetting(settings, in.scrollBarWidth, in.clientWidth);
    l.minWidth = in.scrollBarWidth + 27;
    if (in.courseMap) {
        l.panelWidth = std::max(l.panelWidth, 250);
        l.minWidth = 250;
        l.csPanel = true;
    } else if (in.datasets) {
        l.panelWidth = std::max(l.panelWidth, 228);
        l.minWidth = 228;
        l.dbPanel = true;
    }
    if (l.csPanel || l.dbPanel) {
        l.boxSplitter = true;
        l.boxHeight = SymBoxHeightSetting(settings, in.panelHeight);
    } else {
        l.boxHeight = in.panelHeight;
    }
    return l;
}

} // namespace zemo
