#include "symbols/SymbolMenu.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "symbols/store/ColourNumbers.h"
#include "symbols/store/IconCodec.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

namespace zemo {

namespace {

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

bool GraphicsEditing()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}

} // namespace

SymbolsPortSet& SymbolsPorts()
{
    static SymbolsPortSet ports;
    return ports;
}

void RedrawMapWindows()
{
    for (MapView* v : MapViews()) {
        if (!v->Form || v->Document != Index.ActiveZmd)
            continue;
        // The whole surface is painted again; a stopped paint's rectangle is inside it.
        v->PendingValid = false;
        v->Form->InvalidateRect({0, 0, v->ClientWidth, v->ClientHeight});
    }
}

void SymbolsReplaced()
{
    SymbolsPorts().RefreshSymbolBox();
    RedrawMapWindows();
}

// ---- The current symbol ----

std::vector<int> SymbolTargets()
{
    std::vector<int> out;
    TZmd* z = Map();
    if (!z)
        return out;
    const int c = CurrentSymbolPos();
    if (c >= 0) {
        out.push_back(c);
        return out;
    }
    for (int k = 0; k < z->SymbolCount(); ++k)
        if (SymU8(z->Symbols[size_t(k)], SymSelected))
            out.push_back(k);
    return out;
}

SymbolEditorKind EditorKindOf(std::span<const uint8_t> rec)
{
    switch (SymI16(rec, SymObjectType)) {
    case PointObject: return SymbolEditorKind::Point;
    case LineObject: return SymU8(rec, SymTextFlag) == 1 ? SymbolEditorKind::LineText : SymbolEditorKind::Line;
    case AreaObject: return SymbolEditorKind::Area;
    case TextObject: return SymbolEditorKind::Text;
    case RectangleObject: return SymbolEditorKind::Rect;
    default: return SymbolEditorKind::None;
    }
}

// ---- Status ----

void SetSymbolsStatus(int status)
{
    TZmd* z = Map();
    if (!z)
        return;
    bool hiddenChanged = status == 2;
    const int failures = z->WriteFailures;
    for (int k : SymbolTargets()) {
        SymbolBytes& rec = z->Symbols[size_t(k)];
        const uint8_t old = SymU8(rec, SymStatus);
        if ((old & SymbolStatusMask) == 2)
            hiddenChanged = true;
        SetSymU8(rec, SymStatus, uint8_t((old & ~SymbolStatusMask) | (status & SymbolStatusMask)));
        z->WriteSymbol(k);
        if (z->WriteFailures != failures)
            break;
    }
    if (status != 0) {
        // Objects of protected and hidden symbols cannot stay selected.
        DropSelection();
    }
    SymbolsPorts().RepaintSymbolBox();
    if (hiddenChanged)
        RedrawMapWindows();
    NotifyStateChanged();
}

void SetSymbolsNormal() { SetSymbolsStatus(0); }
void SetSymbolsProtected() { SetSymbolsStatus(1); }
void SetSymbolsHidden() { SetSymbolsStatus(2); }

// ---- Edit and icon ----

bool CanEditSymbol()
{
    TZmd* z = Map();
    const int c = CurrentSymbolPos();
    if (!z || c < 0)
        return false;
    const SymbolEditorKind kind = EditorKindOf(z->Symbols[size_t(c)]);
    return kind != SymbolEditorKind::None && SymbolsPorts().HasEditor(kind);
}

void EditSymbol()
{
    if (!CanEditSymbol())
        return;
    const int c = CurrentSymbolPos();
    SymbolsPorts().OpenEditor(EditorKindOf(Map()->Symbols[size_t(c)]), c);
}

bool CanEditSymbolIcon()
{
    TZmd* z = Map();
    const int c = CurrentSymbolPos();
    // The icon editor is a window above this library and comes through its port.
    return z && c >= 0 && SymbolsPorts().RunIconEditor.Bound()
        && z->Symbols[size_t(c)].size() >= size_t(SymbolHeadBytes);
}

void EditSymbolIcon()
{
    if (!CanEditSymbolIcon())
        return;
    TZmd* z = Map();
    const int c = CurrentSymbolPos();
    SymbolBytes work = z->Symbols[size_t(c)];
    if (!SymbolsPorts().RunIconEditor(work))
        return;
    SymbolBytes& rec = z->Symbols[size_t(c)];
    // The same picture, however it was encoded again: the symbol stays as the map holds it.
    QImage was, now;
    DecodeRecordIcon(rec, was);
    DecodeRecordIcon(work, now);
    if (!was.isNull() && was == now)
        return;
    // Only the icon and its form flag come back; the place in the file stays.
    std::copy_n(work.begin() + SymIcon, IconFieldBytes, rec.begin() + SymIcon);
    rec[SymFlags] = work[SymFlags];
    z->WriteSymbol(c);
    SymbolsPorts().RepaintSymbolBox();
}

// ---- Clipboard ----

bool CopySymbol()
{
    TZmd* z = Map();
    if (!z)
        return false;
    std::vector<std::span<const uint8_t>> recs;
    for (int k : SymbolTargets())
        recs.emplace_back(z->Symbols[size_t(k)]);
    if (recs.empty())
        return false;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(SymbolMimeType), PackSymbolClipboard(recs));
    mime->setData(QString::fromLatin1(ColourTableMimeType), PackColourTable(z->ColorBlock));
    QGuiApplication::clipboard()->setMimeData(mime);
    return true;
}

bool PasteSymbol()
{
    TZmd* z = Map();
    if (!z || GraphicsEditing())
        return false;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    const QString type = QString::fromLatin1(SymbolMimeType);
    if (!mime || !mime->hasFormat(type))
        return false;
    std::vector<SymbolBytes> recs;
    if (!UnpackSymbolClipboard(mime->data(type), recs) || recs.empty())
        return false;
    // The copying map's colours become this map's, or nothing is pasted.
    SymbolHeaderBlock source;
    const bool table = UnpackColourTable(mime->data(QString::fromLatin1(ColourTableMimeType)), source);
    ColorSet used;
    for (const SymbolBytes& rec : recs)
        used |= SymColors(rec);
    const ColourPlan plan = PlanColours(source, z->ColorBlock, table ? used : ColorSet());
    if (plan.Refused()) {
        ReportColourPlan(plan, Text(TextKey::ClipboardSource));
        return false;
    }
    z->ColorBlock = plan.Here;
    const int c = CurrentSymbolPos();
    const int failures = z->WriteFailures;
    int pasted = 0;
    for (SymbolBytes& rec : recs) {
        if (z->SymbolCount() >= MaxSymbols)
            break;
        MapSymbolColours(rec, plan);
        NormalizeSymbol(rec);
        const int n = c >= 0 ? z->InsertSymbol(rec, c + pasted) : z->AddNewSymbol(rec);
        if (n == 0 || z->WriteFailures != failures)
            break;
        ++pasted;
    }
    if (z->WriteFailures == failures)
        z->WriteSymbolIndex();
    if (pasted == 1) {
        const int n = SymI16(recs[0], SymNumber);
        UpdateObjectsOfSymbols(n, n);
    } else if (pasted > 1) {
        UpdateObjectsOfSymbols(0, MaxSymbolNumber);
    }
    SymbolsPorts().RefreshSymbolBox();
    RedrawMapWindows();
    NotifyStateChanged();
    ReportColourPlan(plan, Text(TextKey::ClipboardSource));
    return pasted > 0 && z->WriteFailures == failures;
}

// ---- Duplicate and delete ----

void DuplicateSymbol()
{
    TZmd* z = Map();
    if (!z || z->SymbolCount() == 0)
        return;
    const int c = CurrentSymbolPos();
    const int failures = z->WriteFailures;
    if (c >= 0) {
        const SymbolBytes copy = z->Symbols[size_t(c)];
        z->InsertSymbol(copy, c);
    } else {
        for (int k : SymbolTargets()) {
            const SymbolBytes copy = z->Symbols[size_t(k)];
            if (z->AddNewSymbol(copy) == 0 || z->WriteFailures != failures)
                break;
        }
    }
    if (z->WriteFailures == failures)
        z->WriteSymbolIndex();
    SymbolsPorts().RefreshSymbolBox();
    NotifyStateChanged();
}

void DeleteSymbols()
{
    TZmd* z = Map();
    if (!z)
        return;
    const std::vector<int> targets = SymbolTargets();
    if (targets.empty())
        return;
    if (OkCancelMsg(TextKey::DeleteSymbol, {}, DeleteSymbolHelpContext) != IdOk)
        return;
    int c = CurrentSymbolPos();
    const bool single = c >= 0;
    const int number = single ? SymI16(z->Symbols[size_t(c)], SymNumber) : 0;
    if (single) {
        z->Symbols.erase(z->Symbols.begin() + c);
    } else {
        for (int k = z->SymbolCount() - 1; k >= 0; --k) {
            if (!SymU8(z->Symbols[size_t(k)], SymSelected))
                continue;
            z->Symbols.erase(z->Symbols.begin() + k);
            c = k;
        }
    }
    if (c > z->SymbolCount() - 1)
        --c;
    z->Setup.CurrentSymbolIndex = int16_t(c);
    z->BuildNumberTable();
    z->WriteSymbolIndex();
    SetCurrentSymbolPos(c);
    if (single)
        UpdateObjectsOfSymbols(number, number);
    else
        UpdateObjectsOfSymbols(0, MaxSymbolNumber);
    SymbolsPorts().RefreshSymbolBox();
    RedrawMapWindows();
    NotifyStateChanged();
}

// ---- The editors' store step ----

bool ReplaceSymbol(std::span<const uint8_t> rec, int i)
{
    TZmd* z = Map();
    const int16_t size = SymI16(rec, SymSize);
    if (!z || size < SymbolHeadBytes || size > MaxSymbolBytes || size_t(size) > rec.size())
        return false;
    const int failures = z->WriteFailures;
    int current;
    if (i >= 0 && i < z->SymbolCount()) {
        z->OverwriteSymbol(rec, i);
        current = i;
    } else {
        const int c = CurrentSymbolPos();
        const int n = c >= 0 ? z->InsertSymbol(rec, c) : z->AddNewSymbol(rec);
        if (n == 0)
            return false;
        current = c >= 0 ? c + 1 : z->SymbolCount() - 1;
    }
    if (z->WriteFailures != failures)
        return false;
    SetCurrentSymbolPos(current);
    z->WriteSymbolIndex();
    if (z->WriteFailures != failures)
        return false;
    const int n = SymI16(z->Symbols[size_t(current)], SymNumber);
    UpdateObjectsOfSymbols(n, n);
    if (z->CoursePreviewOn)
        RefreshCoursePreview();
    SymbolsPorts().RefreshSymbolBox();
    RedrawMapWindows();
    NotifyStateChanged();
    return true;
}

// ---- Before output ----

bool ConfirmHiddenSymbols()
{
    TZmd* z = Map();
    if (!ProgramConfig.HiddenExportWarning || !z)
        return true;
    const bool hidden = std::any_of(z->Symbols.begin(), z->Symbols.end(), [](const SymbolBytes& r) {
        return (SymU8(r, SymStatus) & SymbolStatusMask) > 1;
    });
    if (!hidden)
        return true;
    return OkCancelMsg(TextKey::HiddenWarning, {}, HiddenExportHelpContext) == IdOk;
}

// ---- Registration ----

void RegisterSymbolWorkers()
{
    auto mapOpen = [] { return Map() != nullptr; };
    RegisterWorker(Cmd::SymbolNormal, SetSymbolsNormal, mapOpen);
    RegisterWorker(Cmd::SymbolProtect, SetSymbolsProtected, mapOpen);
    RegisterWorker(Cmd::SymbolHide, SetSymbolsHidden, mapOpen);
    // Enabled while the current symbol is of a kind that has an editor.
    RegisterWorker(Cmd::SymbolEdit, EditSymbol, CanEditSymbol);
    RegisterWorker(Cmd::SymbolIcon, EditSymbolIcon, CanEditSymbolIcon);
    RegisterWorker(Cmd::SymbolCopy, [] { CopySymbol(); }, mapOpen);
    RegisterWorker(Cmd::SymbolPaste, [] { PasteSymbol(); }, mapOpen);
    RegisterWorker(Cmd::SymbolDuplicate, DuplicateSymbol, mapOpen);
    RegisterWorker(Cmd::SymbolDelete, DeleteSymbols, mapOpen);
}

} // namespace zemo
