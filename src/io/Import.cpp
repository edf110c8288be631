#include "io/Import.h"

#include "core/ByteIO.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/View.h"
#include "edit/Work.h"
#include "io/ImpDxf.h"
#include "io/ImportReport.h"
#include "io/Ports.h"
#include "render/Scale.h"
#include "symbols/store/ColourNumbers.h"

#include <QFileInfo>
#include <QHash>

#include <array>
#include <cmath>
#include <unordered_set>

namespace zemo {

namespace {

std::array<ImporterEntry, size_t(ImportSlot::Count)> Importers;

bool ReadAt(TFileClass& f, int64_t pos, void* buffer, int64_t count)
{
    return f.Seek(pos) && f.Read(buffer, count);
}

// Something at `pos` of `length` bytes that begins in the variable part but ends past the
// file's end: the file was cut short.
bool PastTheEnd(int64_t pos, int64_t length, int64_t size)
{
    return pos >= VariablePartPos && length > 0 && pos + length > size;
}

// The source's chains, walked once each with a bound and a visited set. Returns where a block
// the chain points to past the file's end would end (0: none did).
template <class F>
int64_t WalkChain(TFileClass& f, int64_t first, int blockBytes, int maxBlocks, F&& perBlock)
{
    const int64_t size = f.Size();
    std::vector<uint8_t> block(static_cast<size_t>(blockBytes));
    std::unordered_set<int64_t> visited;
    int64_t pos = first;
    while (pos > 0 && int(visited.size()) < maxBlocks) {
        if (PastTheEnd(pos, blockBytes, size))
            return pos + blockBytes;
        if (!InVariablePart(pos, blockBytes, size) || !visited.insert(pos).second)
            break;
        if (!ReadAt(f, pos, block.data(), blockBytes))
            break;
        perBlock(block);
        pos = LoadLE<int32_t>(block.data());
    }
    return 0;
}

struct SourceEntry {
    ObjectIndexEntry e;
    int length = 0;   // slots
};

struct SourceMap {
    TFileClass& f;
    MapFileHeader h;
    std::vector<SourceEntry> entries;
    CordRect extent{};
    int blocks = 0;
    QHash<int, int32_t> symbolAt;   // number x 10 -> record position, first one found
    ColourPlan colours;             // of the symbols brought along
    bool coloursTaken = false;
    ImportReport report;
};

bool ReadHeader(TFileClass& f, MapFileHeader& h)
{
    std::array<uint8_t, MapHeaderBytes> b{};
    if (!ReadAt(f, 0, b.data(), MapHeaderBytes))
        return false;
    h = ReadMapHeaderBytes(b);
    return true;
}

void CollectEntries(SourceMap& m)
{
    const bool old = m.h.Version < 8;
    const int64_t size = m.f.Size();
    bool first = true;
    const int64_t beyond = WalkChain(m.f, m.h.ObjectIndexPos, ObjectIndexBlockBytes, MaxObjectBlocks, [&](const std::vector<uint8_t>& b) {
        ++m.blocks;
        for (size_t i = 0; i < 256; ++i) {
            SourceEntry s{ReadObjectIndexEntry(std::span(b).subspan(4 + i * ObjectIndexEntryBytes, ObjectIndexEntryBytes)), 0};
            s.length = old ? (s.e.Length >= 40 ? (s.e.Length - 32) / 8 : 0) : s.e.Length;
            if (int16_t(s.e.Symbol) <= 0 || (s.e.Symbol & CourseOnlyMark) || s.e.Pos <= 0)
                continue;
            const int64_t bytes = 32 + 8 * int64_t(s.length);
            if (s.length >= 1 && s.length <= MaxElementItems && PastTheEnd(s.e.Pos, bytes, size)) {
                m.report.CutShort(size, s.e.Pos + bytes);
                continue;
            }
            if (s.length < 1 || s.length > MaxElementItems || !InVariablePart(s.e.Pos, bytes, size)) {
                m.report.Skip(TextKey::DamagedRecords);
                continue;
            }
            if (first) {
                m.extent = s.e.Rect;
                first = false;
            } else {
                ExtendRect(m.extent, s.e.Rect);
            }
            m.entries.push_back(s);
        }
    });
    if (beyond > 0)
        m.report.CutShort(size, beyond);
}

void CollectSymbols(SourceMap& m)
{
    const int64_t size = m.f.Size();
    const int64_t beyond = WalkChain(m.f, m.h.SymbolIndexPos, SymbolIndexBlockBytes, 1 << 16, [&](const std::vector<uint8_t>& b) {
        for (size_t slot = 0; slot < SlotsPerIndexBlock; ++slot) {
            const int32_t at = LoadLE<int32_t>(b.data() + 4 + slot * 4);
            std::array<uint8_t, 4> head{};
            if (at > 0 && PastTheEnd(at, SymbolHeadBytes, size))
                m.report.CutShort(size, at + SymbolHeadBytes);
            if (at <= 0 || !InVariablePart(at, SymbolHeadBytes, size) || !ReadAt(m.f, at, head.data(), 4))
                continue;
            const int number = LoadLE<int16_t>(head.data() + SymNumber);
            if (!m.symbolAt.contains(number))
                m.symbolAt.insert(number, at);
        }
    });
    if (beyond > 0)
        m.report.CutShort(size, beyond);
}

// The source's symbol record of that number as this map would take it (colours still the
// source's); false for a hidden, damaged or missing one, whose objects stay out.
bool LoadSymbol(SourceMap& m, int number, SymbolBytes& rec)
{
    const auto it = m.symbolAt.constFind(number);
    if (it == m.symbolAt.cend())
        return false;
    const int32_t at = it.value();
    std::array<uint8_t, SymbolHeadBytes> head{};
    if (!ReadAt(m.f, at, head.data(), SymbolHeadBytes))
        return false;
    const int16_t size = LoadLE<int16_t>(head.data() + SymSize);
    if (size >= MinSymbolBytes && size <= MaxSymbolBytes && PastTheEnd(at, size, m.f.Size()))
        m.report.CutShort(m.f.Size(), at + size);
    // The checks the store's own open makes: a record it would call damaged is not taken.
    if (size < MinSymbolBytes || size > MaxSymbolBytes || !InVariablePart(at, size, m.f.Size())
        || !ClearOfSetupAndInfo(m.h, at, size) || (head[SymStatus] & 7) > 1)
        return false;
    rec.assign(size_t(size), 0);
    if (!ReadAt(m.f, at, rec.data(), size))
        return false;
    if (m.h.Version < 8)
        ConvertOldSymbolFraming(rec);
    SetSymU8(rec, SymStatus, uint8_t(rec[SymStatus] & ~7));
    SetSymU8(rec, SymSelected, 0);
    SetSymI32(rec, SymFilePos, 0);
    return true;
}

// The symbols the objects use, loaded, and the plan for their colours. False when the
// colours cannot be taken (said), so that nothing is imported.
bool PlanSymbols(SourceMap& m, QHash<int, SymbolBytes>& records)
{
    ColorSet used;
    for (const SourceEntry& s : m.entries) {
        const int number = int16_t(s.e.Symbol);
        if (records.contains(number))
            continue;
        SymbolBytes rec;
        if (LoadSymbol(m, number, rec))
            used |= SymColors(rec);
        records.insert(number, std::move(rec));
    }
    std::array<uint8_t, SymbolHeaderBlockBytes> colourBytes{};
    SymbolHeaderBlock source;
    if (m.f.Size() >= SymbolHeaderBlockPos + SymbolHeaderBlockBytes
        && ReadAt(m.f, SymbolHeaderBlockPos, colourBytes.data(), SymbolHeaderBlockBytes)) {
        source = ReadSymbolHeaderBytes(colourBytes);
        CheckSymbolHeader(source);
    } else {
        used.reset();  // no table to map from: the numbers stay
    }
    m.colours = PlanColours(source, Index.ActiveZmd->ColorBlock, used);
    if (m.colours.Refused()) {
        ReportColourPlan(m.colours, QFileInfo(m.f.FileName()).fileName());
        return false;
    }
    return true;
}

// The number the source's symbol has in the current map; 0: its objects stay out. -1: the
// symbol could not be added (reported), the import stops.
int MapSymbol(SourceMap& m, SymbolBytes& rec)
{
    if (rec.empty())
        return 0;
    MapSymbolColours(rec, m.colours);
    NormalizeSymbol(rec);
    // The colours come in with the first symbol that needs them.
    if (!m.coloursTaken) {
        Index.ActiveZmd->ColorBlock = m.colours.Here;
        m.coloursTaken = true;
    }
    const int now = FindOrAddSymbol(rec, -1);
    if (now <= 0) {
        ErrorMsg(TextKey::CannotImportSymbol, {}, CannotImportSymbolHelpContext);
        return -1;
    }
    return now;
}

// The object fits the map area after the move.
bool StaysInMap(const ElementRecord& e, int32_t dx, int32_t dy)
{
    const int n = e.ObjectType == PointObject ? std::min<int>(e.nItem, 1) : e.nItem;
    for (int i = 0; i < n; ++i) {
        const int64_t x = int64_t(Masked(e.Cords()[i].x)) + dx;
        const int64_t y = int64_t(Masked(e.Cords()[i].y)) + dy;
        if (x < -MapAreaLimit || x > MapAreaLimit || y < -MapAreaLimit || y > MapAreaLimit)
            return false;
    }
    return true;
}

void ZoomToFit(const CordRect& r)
{
    MapView* v = Work.ActiveView;
    if (!v || v->ClientWidth <= 0 || v->ClientHeight <= 0)
        return;
    const double fw = double(r.x2 - r.x1) * std::fabs(Scale.ViewScaleX) / v->ClientWidth;
    const double fh = double(r.y2 - r.y1) * std::fabs(Scale.ViewScaleY) / v->ClientHeight;
    const double f = std::max(fw, fh);
    if (f > 1 && Stp())
        SetZoom(Stp()->Zoom / f);
}

} // namespace

void RegisterImporter(ImportSlot slot, ImporterEntry entry)
{
    Importers[size_t(slot)] = std::move(entry);
}

void ResetImportUnit()
{
    Importers = {};
}

bool SourceHasHiddenSymbols(TFileClass& f)
{
    MapFileHeader h;
    if (!ReadHeader(f, h))
        return false;
    const int64_t size = f.Size();
    bool hidden = false;
    WalkChain(f, h.SymbolIndexPos, SymbolIndexBlockBytes, 1 << 16, [&](const std::vector<uint8_t>& b) {
        for (size_t slot = 0; slot < SlotsPerIndexBlock && !hidden; ++slot) {
            const int32_t at = LoadLE<int32_t>(b.data() + 4 + slot * 4);
            std::array<uint8_t, SymbolHeadBytes> head{};
            if (at > 0 && InVariablePart(at, SymbolHeadBytes, size) && ReadAt(f, at, head.data(), SymbolHeadBytes))
                hidden = (head[SymStatus] & 7) > 1;
        }
    });
    return hidden;
}

int ImportMap(TFileClass& f, const ImportMapOptions& o)
{
    if (!Index.ActiveZmd)
        return 0;
    SourceMap m{f, {}, {}, {}, 0, {}, {}, false, {}};
    if (!ReadHeader(f, m.h))
        return 0;
    ClearSelection();
    const int symbolsBefore = Index.ActiveZmd->SymbolCount();
    CollectEntries(m);
    CollectSymbols(m);
    QHash<int, SymbolBytes> records;
    if (!PlanSymbols(m, records))
        return 0;

    int32_t dx = 0;
    int32_t dy = 0;
    if (o.Mouse) {
        const SetupRecord& s = *Stp();
        dx = Masked(s.ViewCenterX) - Masked(int32_t((int64_t(m.extent.x1) + m.extent.x2) / 2));
        dy = Masked(s.ViewCenterY) - Masked(int32_t((int64_t(m.extent.y1) + m.extent.y2) / 2));
    } else {
        dx = SafeRound(o.HorOffset * 100) * 256;
        dy = SafeRound(o.VerOffset * 100) * 256;
    }

    StartProgress(TextKey::Importing, TextKey::ObjImported, 256 * m.blocks, 10, true);
    int imported = 0;
    QHash<int, int> symbols;
    std::vector<uint8_t> bytes;
    {
        UndoSuspend quiet;
        try {
            for (size_t k = 0; k < m.entries.size(); ++k) {
                const SourceEntry& s = m.entries[k];
                bytes.resize(32 + 8 * size_t(s.length));
                if (!ReadAt(f, s.e.Pos, bytes.data(), int64_t(bytes.size()))) {
                    m.report.Cut = true;
                    break;
                }
                // The head's own counts must lie within the entry's length and its type be
                // one of the five: forged counts would carry other records' bytes along.
                const uint8_t type = bytes[2];
                const int counts = LoadLE<uint16_t>(bytes.data() + 4) + LoadLE<uint16_t>(bytes.data() + 6);
                if (type < PointObject || type > RectangleObject || counts > s.length) {
                    m.report.Skip(TextKey::DamagedRecords);
                    continue;
                }
                ElementRecord& e = CurElement;
                ParseElementRecord(bytes, s.length, e);
                if (!StaysInMap(e, dx, dy)) {
                    m.report.Skip(TextKey::ObjectsReachingOutside);
                    continue;
                }
                MoveElement(e, dx, dy);
                const int source = e.Symbol;
                auto it = symbols.find(source);
                if (it == symbols.end())
                    it = symbols.insert(source, MapSymbol(m, records[source]));
                if (it.value() < 0)
                    break;
                if (it.value() == 0) {
                    m.report.Skip(TextKey::ObjectsWithoutSymbol);
                    continue;
                }
                e.Symbol = int16_t(it.value());
                if (!AppendElement())
                    break;
                ToggleSelection(Index.ActiveZmd->HighestObject);
                m.report.Read(e.ObjectType);
                ++imported;
                if (imported % 10 == 0)
                    UpdateProgress(Index.SelectionCount, int(k));
            }
        } catch (const EAbort&) {
            // A read failure was reported by the file object; what came in stays.
            m.report.Cut = true;
        }
    }
    TZmd& z = *Index.ActiveZmd;
    FlushMapFile();
    z.WriteSymbolIndex();
    if (z.SymbolCount() > symbolsBefore)
        DocumentPorts().CheckFonts(symbolsBefore, z.SymbolCount() - 1);
    DocumentPorts().SymbolsChanged();
    SetSelectionBox();
    // An import that brought nothing leaves no step to take back.
    if (imported > 0) {
        RecordUndo(UndoStart, 0);
        RecordUndo(UndoAddMany, -1);
        if (o.Mouse) {
            ZoomToFit(Index.SelectionRect);
            DocumentPorts().RepaintWindow();
            SelectWorkMode(ToolModes::PointEdit);
        } else if (Index.SelectionCount <= MaxKeptImportSelection) {
            DocumentPorts().UpdateRect(Index.SelectionRect);
            SelectWorkMode(ToolModes::PointEdit);
        } else {
            ClearSelection();
            DocumentPorts().RepaintWindow();
        }
    }
    EndProgress();
    ShowImportReport(m.report, f.FileName());
    if (m.coloursTaken)
        ReportColourPlan(m.colours, QFileInfo(f.FileName()).fileName());
    return imported;
}

void ImportFileByName(const QString& name)
{
    TFileClass f;
    try {
        f.OpenRead(name);
        std::array<uint8_t, MapHeaderBytes> head{};
        const int64_t got = f.ReadBlock(head.data(), MapHeaderBytes);
        const MapFileHeader h = ReadMapHeaderBytes(head);
        if (got >= 2 && h.Mark == MapFileMark) {
            if (got < MapHeaderBytes) {
                // A map's mark and no whole header: cut short before anything it holds.
                ImportReport cut;
                cut.CutShort(got, MapHeaderBytes);
                ShowImportReport(cut, name);
            } else if (h.Version < 6 || h.Version > 8) {
                ErrorMsg(TextKey::NotZEMO6Format, name + QStringLiteral("\r\n"), NotZemo6HelpContext);
            } else {
                ImportMapOptions o;
                if (IoPorts().RunImportDialog(o)
                    && !(ProgramConfig.HiddenImportWarning && SourceHasHiddenSymbols(f)
                         && OkCancelMsg(TextKey::ImportHidden, {}, ImportHiddenHelpContext) != IdOk))
                    ImportMap(f, o);
            }
        } else {
            bool taken = false;
            for (const ImporterEntry& imp : Importers) {
                if (!imp.Accepts || !imp.Accepts(name, f))
                    continue;
                taken = true;
                imp.Import(name, f);
                break;
            }
            if (!taken)
                ErrorMsg(TextKey::UnknownFormat, {name}, 0);
        }
    } catch (const EAbort&) {
    }
    try {
        if (f.IsOpen())
            f.Close();
    } catch (const EAbort&) {
    }
}

void ImportFile()
{
    if (!Index.ActiveZmd)
        return;
    const QString filter = Text(TextKey::ImportFiles) + QStringLiteral("|*.zmd;*.ai*;*.dxf;*.emf;*.shp;*.wmf|")
        + Text(TextKey::MapFiles) + QStringLiteral("(*.zmd)|*.zmd|") + Text(TextKey::AiFiles)
        + QStringLiteral("(*.ai*)|*.ai*|") + Text(TextKey::DxfFiles) + QStringLiteral("(*.dxf)|*.dxf|")
        + Text(TextKey::EmfFiles) + QStringLiteral("(*.emf)|*.emf|") + Text(TextKey::ShapeFiles)
        + QStringLiteral("(*.shp)|*.shp|") + Text(TextKey::WmfFiles) + QStringLiteral("(*.wmf)|*.wmf|")
        + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
    QString name;
    if (!ExecOpenDialog(Text(TextKey::ImportFile), filter, QStringLiteral("zmd"), ImportFileHelpContext, name))
        return;
    ImportFileByName(name);
}

void EndImportStep(int imported, int keep, bool started)
{
    if (imported <= 0)
        return;
    if (!started)
        RecordUndo(UndoStart, 0);
    RecordUndo(UndoAddMany, -1);
    if (Index.SelectionCount <= keep) {
        DocumentPorts().UpdateRect(Index.SelectionRect);
        SelectWorkMode(ToolModes::PointEdit);
    } else {
        ClearSelection();
        DocumentPorts().RepaintWindow();
    }
}

int AskPlacementChange(const SetupRecord& now, const SetupRecord& placed)
{
    ShownMessage m;
    m.kind = MsgKind::YesNoCancel;
    m.key = TextKey::ImportChangesPlacement;
    const auto line = [&m](TextKey k, const QString& from, const QString& to) {
        if (from != to)
            m.label += QStringLiteral("\r\n") + Text(k).remove(u'&') + QStringLiteral(": ") + from
                       + QStringLiteral(" -> ") + to;
    };
    const auto scale = [](double v) { return QStringLiteral("1:") + FloatToTrimStr(0, 2, v); };
    const auto number = [](double v) { return FloatToTrimStr(0, 3, v); };
    line(TextKey::MapScale, scale(now.MapScale), scale(placed.MapScale));
    line(TextKey::HorOffset, number(now.RealWorldOffsetX), number(placed.RealWorldOffsetX));
    line(TextKey::VerOffset, number(now.RealWorldOffsetY), number(placed.RealWorldOffsetY));
    line(TextKey::Angle, number(now.RealWorldAngle), number(placed.RealWorldAngle));
    m.label += QStringLiteral("\r\n") + Text(TextKey::ImportChangesPlacementAsk);
    return ShowMsg(m);
}

void PlaceMapForImport(const SetupRecord& placed, bool writeConfig)
{
    RecordUndo(UndoStart, 0);
    RecordUndo(UndoSetup, 0);
    SetupRecord& w = *Stp();
    w.MapScale = placed.MapScale;
    w.RealWorldOffsetX = placed.RealWorldOffsetX;
    w.RealWorldOffsetY = placed.RealWorldOffsetY;
    w.RealWorldAngle = placed.RealWorldAngle;
    w.RealWorldGridDistance = placed.RealWorldGridDistance;
    w.RealWorldCoords = placed.RealWorldCoords;
    WriteSetup();
    if (writeConfig)
        WriteConfig();
}

void InitImportUnit()
{
    RegisterImporter(ImportSlot::Dxf, {[](const QString& name, TFileClass& f) {
                                           std::array<char, 256> head{};
                                           if (!f.Seek(0))
                                               return false;
                                           const int64_t got = f.ReadBlock(head.data(), int64_t(head.size()));
                                           return IsDxfFile(name, QByteArray(head.data(), qsizetype(got)));
                                       },
                                       [](const QString& name, TFileClass& f) {
                                           QByteArray data(qsizetype(f.Size()), '\0');
                                           if (!f.Seek(0) || !f.Read(data.data(), data.size()))
                                               return;
                                           ImportDxf(data, name);
                                       }});
}

} // namespace zemo
