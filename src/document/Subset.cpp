#include "document/Subset.h"

#include "core/ByteIO.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Open.h"

#include <QFileInfo>

#include <algorithm>
#include <array>

namespace zemo {

SubsetState Subset;

namespace {

constexpr int ExportSymbolsHelp = 181;
constexpr int MaxObjectsHelp = 35;
constexpr int SetupBytes = int(SetupRecordBytes);
// Information texts up to this size are copied.
constexpr int32_t MaxCopiedInfoBytes = 65528;
constexpr int HeaderSymbolIndex = 8;
constexpr int HeaderObjectIndex = 12;
constexpr int HeaderStringIndex = 32;
constexpr int ProgressStep = 10;

TZmd& Z()
{
    return *Index.ActiveZmd;
}

bool Open()
{
    return Subset.File && !Subset.Failed;
}

// Marks the run failed; a failure that had no message of its own gets one when the file is
// closed.
bool Failure(bool reported)
{
    Subset.Failed = true;
    Subset.Reported = Subset.Reported || reported;
    return false;
}

bool Put(int64_t pos, std::span<const uint8_t> bytes)
{
    return Subset.File->WriteAt(pos, bytes) || Failure(true);
}

bool Append(std::span<const uint8_t> bytes)
{
    return Put(Subset.File->Size(), bytes);
}

bool PutI32(int64_t pos, int32_t v)
{
    std::array<uint8_t, 4> b{};
    StoreLE(b.data(), v);
    return Put(pos, b);
}

// A new, empty index block of `bytes` at the end of the file, linked from the chain pointer,
// which then points at its own next field.
bool StartBlock(int bytes)
{
    const int64_t pos = Subset.File->Size();
    if (pos > INT32_MAX - bytes)
        return Failure(false);
    if (!PutI32(Subset.ChainPointer, int32_t(pos)) || !Append(std::vector<uint8_t>(size_t(bytes), 0)))
        return false;
    Subset.ChainPointer = pos;
    Subset.BlockPos = pos;
    return true;
}

// Where a record of `bytes` goes: the end of the file, while it fits a 32-bit position.
bool NextRecordPos(size_t bytes, int32_t& pos)
{
    const int64_t at = Subset.File->Size();
    if (at > INT32_MAX - int64_t(bytes))
        return Failure(false);
    pos = int32_t(at);
    return true;
}

bool AppendRecord(std::span<const uint8_t> bytes, int32_t& pos)
{
    return NextRecordPos(bytes.size(), pos) && Append(bytes);
}

std::vector<uint8_t> InfoTextBytes(const TZmd& z)
{
    std::vector<uint8_t> bytes(size_t(z.Header.InfoSize), 0);
    const int64_t size = z.WorkFile.Size();
    const int64_t n = std::clamp<int64_t>(size - z.Header.InfoPos, 0, z.Header.InfoSize);
    if (z.Header.InfoPos >= VariablePartPos && n > 0)
        Z().ReadBytesAt(z.Header.InfoPos, std::span(bytes).first(size_t(n)));
    // The text ends within its block, whatever the old one held.
    if (!bytes.empty())
        bytes.back() = 0;
    return bytes;
}

} // namespace

void ResetSubsetUnit()
{
    Subset = SubsetState{};
}

bool CreateSubsetFile(const QString& name, uint16_t fileType, const SetupRecord& setup,
                      SubsetTarget target)
{
    AbandonSubsetFile();
    if (!Index.ActiveZmd)
        return false;
    TZmd& z = Z();
    // Never over a map that another program or an open document works in.
    if (target == SubsetTarget::NewFile && QFileInfo::exists(name)
        && (FileInUse(name) || FindDocument(GetLongFileName(QFileInfo(name).absoluteFilePath())))) {
        ErrorMsg(TextKey::ReadOnlyWrite, name, 0);
        return false;
    }
    Subset.File = std::make_unique<TReplacingFile>();
    if (!Subset.File->Begin(name)) {
        Subset.File.reset();
        return false;
    }
    MapFileHeader h = z.Header;
    h.FileType = fileType;
    h.SymbolIndexPos = h.ObjectIndexPos = h.StringIndexPos = 0;
    h.SetupPos = VariablePartPos;
    h.SetupSize = SetupBytes;
    const bool info = z.Header.InfoSize >= 1 && z.Header.InfoSize <= MaxCopiedInfoBytes;
    h.InfoPos = info ? VariablePartPos + SetupBytes : 0;
    h.InfoSize = info ? z.Header.InfoSize : 0;
    h.Reserved.fill(0);
    try {
        if (!Append(WriteMapHeaderBytes(h)) || !Append(WriteSymbolHeaderBytes(z.ColorBlock))
            || !Append(WriteSetupBytes(setup)) || (info && !Append(InfoTextBytes(z)))) {
            AbandonSubsetFile();
            return false;
        }
    } catch (const EAbort&) {
        AbandonSubsetFile();
        return false;
    }
    Subset.ChainPointer = HeaderObjectIndex;
    return true;
}

bool SubsetAppendObject(ElementRecord& e)
{
    return SubsetAppendObjectAs(e, uint16_t(e.Symbol));
}

bool SubsetAppendObjectAs(ElementRecord& e, uint16_t symbolWord)
{
    if (!Open())
        return false;
    if (e.nItem < 1 || (e.ObjectType == LineObject && e.nItem < 2)
        || (e.ObjectType == AreaObject && e.nItem < 3))
        return true;
    if (Subset.Objects >= MaxObjectNumber) {
        ErrorMsg(TextKey::MaxObjects, {}, MaxObjectsHelp);
        return Failure(true);
    }
    try {
        ElementExtent(e);
        const int length = int(e.nItem) + e.nText;
        if (length > MaxElementItems)
            return Failure(false);
        const int slot = Subset.Objects % 256;
        if (slot == 0 && !StartBlock(ObjectIndexBlockBytes))
            return false;
        ObjectIndexEntry entry;
        entry.Rect = Index.CurIndex.Rect;
        entry.Length = uint16_t(length);
        entry.Symbol = symbolWord;
        if (!AppendRecord(ElementRecordBytes(e, length), entry.Pos)
            || !Put(Subset.BlockPos + 4 + int64_t(ObjectIndexEntryBytes) * slot, WriteObjectIndexEntry(entry)))
            return false;
        if (e.Symbol >= 1 && e.Symbol <= MaxSymbolNumber)
            Subset.UsedNumbers.set(size_t(e.Symbol));
        ++Subset.Objects;
        return true;
    } catch (const EAbort&) {
        return Failure(true);
    }
}

int SubsetObjectCount()
{
    return Subset.Objects;
}

bool SubsetWriteSymbols(bool all)
{
    if (!Open())
        return false;
    TZmd& z = Z();
    Subset.ChainPointer = HeaderSymbolIndex;
    std::array<uint8_t, SymbolIndexBlockBytes - 4> table{};
    int k = 0;
    // The record at the end of the file and its slot in the current index block.
    const auto write = [&](const std::vector<uint8_t>& rec, bool placed) {
        const int slot = k % 256;
        if (slot == 0) {
            if (!StartBlock(SymbolIndexBlockBytes))
                return false;
            table.fill(0);
        }
        int32_t pos = 0;
        if (!NextRecordPos(rec.size(), pos))
            return false;
        if (placed) {
            std::vector<uint8_t> own = rec;
            SetSymI32(own, SymFilePos, pos);
            if (!Append(own))
                return false;
        } else if (!Append(rec)) {
            return false;
        }
        StoreLE(table.data() + 4 * slot, pos);
        // A full table now, the last one at the end.
        if (slot == 255 && !Put(Subset.BlockPos + 4, table))
            return false;
        ++k;
        return true;
    };
    for (const SymbolBytes& held : z.Symbols) {
        const int number = SymI16(held, SymNumber);
        if (!all && (number < 1 || number > MaxSymbolNumber || !Subset.UsedNumbers.test(size_t(number))))
            continue;
        SymbolBytes rec = held;
        // Bytes kept only in memory (selected, used mark) are not stored.
        SetSymU8(rec, SymSelected, 0);
        SetSymU8(rec, SymStatus, SymU8(rec, SymStatus) & SymbolStatusMask);
        if (!write(rec, true))
            return false;
    }
    // A whole copy keeps the records the program cannot read, byte for byte.
    if (all) {
        try {
            for (int32_t at : z.UnreadSymbolRecords) {
                std::array<uint8_t, 2> size{};
                z.ReadBytesAt(at, size);
                std::vector<uint8_t> rec(size_t(std::max<int>(LoadLE<int16_t>(size.data()), SymbolHeadBytes)));
                z.ReadBytesAt(at, rec);
                if (!write(rec, false))
                    return false;
            }
        } catch (const EAbort&) {
            return Failure(true);
        }
    }
    if (k % 256 != 0 && !Put(Subset.BlockPos + 4, table))
        return false;
    return true;
}

bool SubsetCopyPStrings(const std::vector<int>* newNumbers, int* dropped)
{
    if (!Open())
        return false;
    TZmd& z = Z();
    Subset.ChainPointer = HeaderStringIndex;
    const int64_t fileSize = z.WorkFile.Size();
    int k = 0;
    try {
        for (const PStringIndexBlock& block : z.StringBlocks)
            for (const PStringIndexEntry& e : block.Entries) {
                if (e.Type < 1 || e.Length <= 0 || !InVariablePart(e.Pos, e.Length, fileSize))
                    continue;
                // As much of the record as the store reads back; a string without its end in
                // that much is not one the store has.
                std::vector<uint8_t> record(size_t(std::min<int32_t>(e.Length, MaxPStringBytes)));
                z.ReadBytesAt(e.Pos, record);
                const bool ended = std::find(record.begin(), record.end(), uint8_t(0)) != record.end();
                if (record[0] == 0 || (!ended && e.Length > MaxPStringBytes))
                    continue;
                // The store takes a record that fills its room as the whole text: the copy
                // gets its end, in room of its own.
                if (!ended && record.size() < size_t(MaxPStringBytes))
                    record.resize((record.size() + 64) / 64 * 64, 0);
                else if (!ended)
                    record.back() = 0;
                int32_t object = e.Object;
                if (newNumbers && object != 0) {
                    object = object > 0 && size_t(object) < newNumbers->size() ? (*newNumbers)[size_t(object)] : 0;
                    if (object == 0) {
                        if (dropped)
                            ++*dropped;
                        continue;
                    }
                }
                const int slot = k % 256;
                if (slot == 0 && !StartBlock(PStringIndexBlockBytes))
                    return false;
                PStringIndexEntry out{0, int32_t(record.size()), e.Type, object};
                if (!AppendRecord(record, out.Pos)
                    || !Put(Subset.BlockPos + 4 + int64_t(PStringIndexEntryBytes) * slot, WritePStringIndexEntry(out)))
                    return false;
                ++k;
            }
    } catch (const EAbort&) {
        return Failure(true);
    }
    return true;
}

bool CloseSubsetFile()
{
    if (!Subset.File)
        return false;
    bool ok = false;
    if (Subset.Failed) {
        if (!Subset.Reported)
            ErrorMsg(TextKey::CannotWrite, Subset.File->Target());
        Subset.File->Abandon();
    } else {
        ok = Subset.File->Commit();
    }
    ResetSubsetUnit();
    return ok;
}

void AbandonSubsetFile()
{
    if (Subset.File)
        Subset.File->Abandon();
    ResetSubsetUnit();
}

void ExportSymbols()
{
    if (!Index.ActiveZmd)
        return;
    TZmd& z = Z();
    QString name = GetMapFolder() + QStringLiteral("/*.zmd");
    const QString filter = Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|")
                           + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
    if (!ExecSaveDialog(Text(TextKey::ExportSymFile), filter, QStringLiteral("zmd"), ExportSymbolsHelp, name))
        return;
    if (!CreateSubsetFile(name, uint16_t((z.Header.FileType & 3) | 2), z.Setup))
        return;
    // The current symbol alone, when there is one; else the symbol box's selection.
    if (const int current = CurrentSymbolPos(); current >= 0)
        for (int i = 0; i < z.SymbolCount(); ++i)
            SetSymU8(z.Symbols[size_t(i)], SymSelected, i == current ? 1 : 0);
    StartProgress(TextKey::ExportSymFile, TextKey::ObjExported, z.HighestObject, ProgressStep, true);
    bool ok = true;
    for (int n = 1; n <= z.HighestObject && ok && !AbortRequested; ++n) {
        SymbolBytes* rec = nullptr;
        if (GetIndex(n) && GetSymbol(Index.CurIndex.Symbol, rec) && SymU8(*rec, SymSelected) != 0
            && ReadElement(n, CurElement))
            ok = SubsetAppendObject(CurElement);
        UpdateProgress(n, n);
        DispatchKeyMessages();
    }
    const bool stopped = AbortRequested;
    EndProgress();
    if (stopped) {
        AbandonSubsetFile();
        return;
    }
    SubsetWriteSymbols(true);
    if (CloseSubsetFile())
        AddRecentFile(name);
}

} // namespace zemo
