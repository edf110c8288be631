#include "edit/ObjClip.h"

#include "core/ByteIO.h"
#include "core/Config.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/EditSys.h"
#include "edit/ObjFunc.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "symbols/store/ColourNumbers.h"
#include "symbols/store/SymbolClipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

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

const uint8_t* Bytes(QByteArrayView b)
{
    return reinterpret_cast<const uint8_t*>(b.data());
}

// The hourglass while the copy draws.
class Busy {
public:
    Busy()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(true);
    }
    ~Busy()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(false);
    }
};

// The output layer's target and the view transform, put back after a drawing of its own.
class OutputScope {
public:
    OutputScope() : scale_(Scale), mode_(Graph.OutputMode), dc_(Graph.OutputDC), clip_(Graph.ClipRect) {}
    ~OutputScope()
    {
        Scale = scale_;
        Graph.OutputMode = mode_;
        Graph.OutputDC = dc_;
        Graph.ClipRect = clip_;
    }

private:
    ScaleState scale_;
    int mode_;
    Device* dc_;
    CordRect clip_;
};

// The objects drawn colour by colour, from the last entry of the colour table to the first:
// only the map's colours in use, only objects whose symbol has the colour, in its own CMYK.
// Escape stops the drawing.
void DrawObjects(const std::vector<int>& objects)
{
    const TZmd& z = *Index.ActiveZmd;
    SetOutputAdjust(100, 100, false);
    BeginDrawing(false);
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
        const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
        if (!GraphicsEditing() && !z.UsedColors.test(c.Number))
            continue;
        Graph.CurrentColor = c.Number;
        for (int n : objects) {
            if (!GetIndex(n))
                continue;
            SymbolBytes* rec = nullptr;
            GetSymbol(Index.CurIndex.Symbol, rec);
            const uint8_t* symbol = rec ? rec->data() : Index.DefaultSymbol.data();
            if (!SymbolHasColor(symbol, c.Number) || !ReadElement(n, DrawElement))
                continue;
            DrawSymbol = symbol;
            Graph.OutputCmyk = PackCmyk(c.Cmyk);
            DrawObjectByType();
            PollEscape();
            if (AbortRequested)
                break;
        }
    }
    EndDrawing();
}

QByteArray ObjectBlock(const std::vector<int>& objects, Cord centre, int64_t size)
{
    QByteArray block;
    block.reserve(qsizetype(size));
    const int32_t dx = int32_t(std::clamp<int64_t>(-int64_t(centre.x), INT32_MIN, INT32_MAX));
    const int32_t dy = int32_t(std::clamp<int64_t>(-int64_t(centre.y), INT32_MIN, INT32_MAX));
    for (int n : objects) {
        if (!ReadElement(n, CurElement) || CurElement.nItem == 0)
            continue;
        // A point object's further Cords (a cut circle's gaps) are no positions.
        MoveElement(CurElement, dx, dy);
        const std::vector<uint8_t> r = ElementRecordBytes(CurElement, int(CurElement.SlotCount()));
        block.append(reinterpret_cast<const char*>(r.data()), qsizetype(r.size()));
    }
    block.append(QByteArray(4, '\0'));
    return block;
}

// The records of the objects' symbols, each once, in the order of the map's symbol list.
QByteArray SymbolBlock(const std::vector<int>& objects)
{
    const TZmd& z = *Index.ActiveZmd;
    std::set<int> used;
    for (int n : objects)
        if (GetIndex(n)) {
            int s = int16_t(Index.CurIndex.Symbol);
            if (s > 0)
                used.insert(s & ~int(CourseOnlyMark));
        }
    std::vector<std::span<const uint8_t>> records;
    for (const SymbolBytes& s : z.Symbols)
        if (used.count(SymI16(s, SymNumber)))
            records.emplace_back(s);
    return PackSymbolClipboard(records);
}

QByteArray SymbolGraphicsBlock(const std::vector<int>& objects, Cord centre)
{
    Graph.SymbolElementBuffer.fill(0);
    Graph.SymbolElementSlots = 0;
    Graph.OutputMode = SymbolElementOutput;
    Scale.ViewOrigin = centre;
    DrawObjects(objects);
    return QByteArray(reinterpret_cast<const char*>(Graph.SymbolElementBuffer.data()), SymbolGraphicsBlockBytes);
}

// The selection at 300 dots per inch as SVG, sized in millimetres. Empty when the picture
// cannot be made.
QByteArray PictureBlock(const std::vector<int>& objects, const CordRect& r)
{
    const double scale = double(PictureDpi) / 2540.0 / 256.0;
    const int w = std::max(1, int(std::ceil((double(r.x2) - r.x1) * scale)));
    const int h = std::max(1, int(std::ceil((double(r.y2) - r.y1) * scale)));
    QByteArray svg;
    QBuffer buffer(&svg);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(PictureDpi);
    generator.setSize(QSize(w, h));
    generator.setViewBox(QRect(0, 0, w, h));
    PainterDevice dc(&generator);
    if (!dc.isActive())
        return {};
    Scale.ViewOrigin = {r.x1, r.y2};
    Scale.ViewScaleX = scale;
    Scale.ViewScaleY = -scale;
    Scale.DrawRect = r;
    Graph.OutputMode = PictureOutput;
    Graph.OutputDC = &dc;
    Graph.ClipRect = r;
    DrawObjects(objects);
    Graph.OutputDC = nullptr;
    if (!dc.finish())
        return {};
    return svg;
}

// The symbols of the block, their colours taken into this map's (when the copying map's
// colour table came along), looked up in the map by their contents and added when missing:
// pasted number to the number in this map. False when the block is damaged or its colours
// cannot be taken (said).
bool MapSymbols(const QMimeData& mime, std::map<int, int>& numbers)
{
    std::vector<SymbolBytes> records;
    if (!UnpackSymbolClipboard(mime.data(QString::fromLatin1(SymbolMimeType)), records))
        return false;
    TZmd& z = *Index.ActiveZmd;
    SymbolHeaderBlock source;
    const bool table = UnpackColourTable(mime.data(QString::fromLatin1(ColourTableMimeType)), source);
    ColorSet used;
    for (const SymbolBytes& rec : records)
        used |= SymColors(rec);
    const ColourPlan plan = PlanColours(source, z.ColorBlock, table ? used : ColorSet());
    if (plan.Refused()) {
        ReportColourPlan(plan, Text(TextKey::ClipboardSource));
        return false;
    }
    const int before = z.SymbolCount();
    if (!records.empty())
        z.ColorBlock = plan.Here;
    for (SymbolBytes& rec : records) {
        const int number = SymI16(rec, SymNumber);
        MapSymbolColours(rec, plan);
        NormalizeSymbol(rec);
        if (const int now = z.FindOrAddSymbol(rec, -1); now > 0)
            numbers[number] = now;
    }
    z.WriteSymbolIndex();
    if (z.SymbolCount() != before || plan.Added > 0)
        DocumentPorts().SymbolsChanged();
    ReportColourPlan(plan, Text(TextKey::ClipboardSource));
    return true;
}

void PasteMapObjects(const QMimeData& mime)
{
    const QByteArray block = mime.data(QString::fromLatin1(ObjectMimeType));
    std::vector<qsizetype> records;
    if (!UnpackObjectBlock(block, records) || records.empty())
        return;
    // Each record as the store will measure it (a text's slots fitted to its text, a point
    // text's corners): one the store would refuse refuses the block before anything is pasted.
    static ElementRecord probe;  // 256 KB: off the stack
    for (qsizetype at : records) {
        ReadObjectRecord(block, at, probe);
        ElementExtent(probe);
        if (probe.nItem < 1 || int(probe.nItem) + probe.nText > MaxElementItems)
            return;
    }
    std::map<int, int> numbers;
    if (mime.hasFormat(QString::fromLatin1(SymbolMimeType)) && !MapSymbols(mime, numbers))
        return;
    DropSelection();
    const SetupRecord& setup = Index.ActiveZmd->Setup;
    const int32_t dx = Masked(setup.ViewCenterX), dy = Masked(setup.ViewCenterY);
    std::vector<int> made;
    {
        UndoSuspend combined;
        for (qsizetype at : records) {
            ReadObjectRecord(block, at, CurElement);
            MoveElement(CurElement, dx, dy);
            if (const auto it = numbers.find(CurElement.Symbol); it != numbers.end())
                CurElement.Symbol = int16_t(it->second);
            if (AppendElement()) {
                made.push_back(Index.CurIndexNo);
                ToggleSelection(Index.CurIndexNo);
            }
        }
    }
    if (made.empty())
        return;
    RecordUndo(UndoStart, 0);
    RecordUndo(UndoAddMany, -1);
    SetSelectionBox();
    UpdateRect(ObjectsRect(made));
}

void PasteSymbolGraphics(const QByteArray& block)
{
    std::vector<int> elements;
    if (!UnpackSymbolGraphicsBlock(block, elements) || elements.empty())
        return;
    SymbolGraphicsBuffer& g = *Index.SymbolGraphics;
    DropSelection();
    RecordUndo(UndoStart, 0);
    RecordUndo(UndoGraphics, 0);
    UndoSuspend combined;
    for (int slot : elements) {
        const int size = 2 + LoadLE<int16_t>(Bytes(block) + size_t(slot) * 8 + 10);
        const int used = std::clamp(g.UsedSlots, 0, SymbolGraphicsSlots);
        if (used + size > SymbolGraphicsSlots)
            continue;  // no room left for this one
        std::memcpy(g.Slots.data() + size_t(used) * 8, block.constData() + qsizetype(slot) * 8, size_t(size) * 8);
        g.UsedSlots = used + size;
        const int n = CountSymbolGraphicsElements();
        if (GetIndex(n))
            ToggleSelection(n);
    }
    DocumentPorts().RepaintWindow();
}

} // namespace

bool UnpackObjectBlock(QByteArrayView block, std::vector<qsizetype>& at)
{
    at.clear();
    const uint8_t* b = Bytes(block);
    const int64_t size = block.size();
    std::vector<qsizetype> found;
    for (int64_t pos = 0;;) {
        if (size - pos < 4)
            return false;  // no zero head at the end
        if (LoadLE<uint32_t>(b + pos) == 0)
            break;
        if (size - pos < int64_t(ElementHeadBytes))
            return false;
        const int16_t symbol = LoadLE<int16_t>(b + pos);
        const uint8_t type = b[pos + 2];
        const int nItem = LoadLE<uint16_t>(b + pos + 4), nText = LoadLE<uint16_t>(b + pos + 6);
        const int64_t length = int64_t(ElementHeadBytes) + 8 * (int64_t(nItem) + nText);
        const bool symbolOk = symbol != 0 && symbol <= MaxSymbolNumber && symbol != int16_t(DeletedSymbol);
        if (type < PointObject || type > RectangleObject || !symbolOk || nItem < 1
            || nItem + nText > MaxElementItems || length > size - pos)
            return false;
        found.push_back(qsizetype(pos));
        pos += length;
    }
    at = std::move(found);
    return true;
}

void ReadObjectRecord(QByteArrayView block, qsizetype offset, ElementRecord& e)
{
    ByteReader r(std::span<const uint8_t>(Bytes(block) + offset, size_t(block.size() - offset)));
    e.Symbol = r.I16(0);
    e.ObjectType = r.U8(2);
    e.Flags = r.U8(3);
    e.nItem = r.U16(4);
    e.nText = r.U16(6);
    e.Angle = r.I16(8);
    e.Word10 = r.I16(10);
    e.Word12 = r.I16(12);
    e.Word14 = r.I16(14);
    r.CopyBytes(16, e.LayerName);
    const uint8_t* p = Bytes(block) + offset + ElementHeadBytes;
    for (size_t i = 0; i < e.nItem; ++i)
        e.Slots[i] = {LoadLE<int32_t>(p + 8 * i), LoadLE<int32_t>(p + 8 * i + 4)};
    if (e.nText > 0)
        std::memcpy(e.Slots.data() + e.nItem, p + 8 * size_t(e.nItem), size_t(e.nText) * 8);
}

bool UnpackSymbolGraphicsBlock(QByteArrayView block, std::vector<int>& slots)
{
    slots.clear();
    const uint8_t* b = Bytes(block);
    const int64_t size = std::min<int64_t>(block.size(), SymbolGraphicsBlockBytes);
    std::vector<int> found;
    for (int s = 0; s < SymbolGraphicsReadSlots && int64_t(s) * 8 + 8 <= size;) {
        const uint8_t* head = b + size_t(s) * 8;
        if (LoadLE<uint32_t>(head) == 0)
            break;
        if (int64_t(s) * 8 + 16 > size)
            return false;
        const int kind = LoadLE<uint16_t>(head);
        const int n = LoadLE<int16_t>(head + 10);
        if (kind < 1 || kind > 4 || n < 1 || s + 2 + n > SymbolGraphicsBlockSlots
            || (int64_t(s) + 2 + n) * 8 > size)
            return false;
        found.push_back(s);
        s += 2 + n;
    }
    slots = std::move(found);
    return true;
}

bool MetafilePastable(const QMimeData& mime)
{
    return EditPorts().ImportMetafile.Bound()
           && (mime.hasFormat(QString::fromLatin1(WmfMimeType)) || mime.hasFormat(QString::fromLatin1(EmfMimeType)));
}

bool CopyObjects()
{
    TZmd* z = Map();
    if (!z || (Index.SelectedIndex <= 0 && Index.SelectionCount < 2))
        return false;
    const std::vector<int> objects = ObjectTargets();
    if (objects.empty())
        return false;
    int64_t size = 4;
    for (int n : objects)
        if (GetIndex(n))
            size += int64_t(Index.CurIndex.Length) * 8 + int64_t(ElementHeadBytes);
    if (size > MaxClipboardBytes) {
        ErrorMsg(TextKey::TooManyForClb);
        return false;
    }
    const CordRect r = ObjectsRect(objects);
    const Cord centre{Masked(r.x1 / 2 + r.x2 / 2), Masked(r.y1 / 2 + r.y2 / 2)};

    Busy hourglass;
    auto* mime = new QMimeData;
    if (!GraphicsEditing()) {
        mime->setData(QString::fromLatin1(ObjectMimeType), ObjectBlock(objects, centre, size));
        mime->setData(QString::fromLatin1(SymbolMimeType), SymbolBlock(objects));
        // The symbols name their colours by number: a paste into another map compares.
        mime->setData(QString::fromLatin1(ColourTableMimeType), PackColourTable(z->ColorBlock));
    }
    AbortRequested = false;
    {
        OutputScope restore;
        mime->setData(QString::fromLatin1(SymbolGraphicsMimeType), SymbolGraphicsBlock(objects, centre));
        if (const QByteArray svg = PictureBlock(objects, r); !svg.isEmpty())
            mime->setData(QString::fromLatin1(PictureMimeType), svg);
    }
    QGuiApplication::clipboard()->setMimeData(mime);
    return true;
}

void CutObjects()
{
    if (CopyObjects())
        DeleteObjects();
}

void PasteObjects()
{
    TZmd* z = Map();
    if (!z || z->CoursePreviewOn)
        return;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return;
    const QString graphics = QString::fromLatin1(SymbolGraphicsMimeType);
    if (!GraphicsEditing() && mime->hasFormat(QString::fromLatin1(ObjectMimeType))) {
        PasteMapObjects(*mime);
        ProgramConfig.WorkMode = WorkModes::EditObject;
    } else if (GraphicsEditing() && mime->hasFormat(graphics)) {
        PasteSymbolGraphics(mime->data(graphics));
    } else if (!GraphicsEditing() && MetafilePastable(*mime)) {
        const bool enhanced = mime->hasFormat(QString::fromLatin1(EmfMimeType));
        EditPorts().ImportMetafile(mime->data(QString::fromLatin1(enhanced ? EmfMimeType : WmfMimeType)), enhanced);
    }
    FlushMapFile();
}

} // namespace zemo
