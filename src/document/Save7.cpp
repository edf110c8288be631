#include "document/Save7.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "symbols/store/IconCodec.h"

#include <QImage>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace zemo {

namespace {

constexpr int MaxPointsHelp = 71;
constexpr int32_t BezierFlags = FirstBezierFlag | SecondBezierFlag;
// Version 6 and 7 files type their header thus.
constexpr uint16_t Version7FileType = 7;
constexpr uint16_t Version6FileType = 0;

// The older framing fields of text and line-text symbols (versions 6 and 7): the framing
// font's name, size, weight and italic flag; the framing width sits in the head at 14.
constexpr size_t LtOldFramingSize = 430;
constexpr size_t LtOldFramingWeight = 432;
constexpr size_t LtOldFramingItalic = 434;
constexpr size_t TsOldFramingSize = 578;
constexpr size_t TsOldFramingWeight = 580;
constexpr size_t TsOldFramingItalic = 582;
// The line symbol's bit and field that version 6 does not have.
constexpr int16_t Version6LineStyleMask = ~int16_t(4);

TZmd& Z()
{
    return *Index.ActiveZmd;
}

// The framing of version 7: a shadow names the symbol's own font, size, weight and italic
// flag as its framing font; other modes name none. The width moves to the head.
void Version7Framing(SymbolBytes& rec, size_t mode, size_t font, size_t size, size_t weight,
                     size_t italic, size_t width)
{
    SetSymU8(rec, TsCharset, 0);
    if (rec[mode] == 1) {
        std::copy_n(rec.begin() + TsFontName, String31Bytes, rec.begin() + long(font));
        SetSymI16(rec, size, SymI16(rec, TsFontSize));
        SetSymI16(rec, weight, SymI16(rec, TsFontWeight));
        SetSymI16(rec, italic, rec[TsItalic] != 0 ? -1 : 0);
    } else {
        rec[font] = 0;
    }
    if (rec[mode] > 2)
        rec[mode] = 0;
    const uint16_t w = uint16_t(SymI16(rec, width));
    rec[SymOldFramingWidth] = uint8_t(w & 0xFF);
    rec[SymOldFramingWidth + 1] = uint8_t(w >> 8);
    SetSymI16(rec, width, 0);
}

void CopyHead(const ElementRecord& from, ElementRecord& to)
{
    to.Symbol = from.Symbol;
    to.ObjectType = from.ObjectType;
    to.Flags = from.Flags;
    to.Angle = from.Angle;
    to.Word10 = from.Word10;
    to.Word12 = from.Word12;
    to.Word14 = from.Word14;
    to.LayerName = from.LayerName;
}

// A piece of `source` in CurElement: its head, these points and its whole text.
void MakePiece(const ElementRecord& source, const Cord* points, int count)
{
    ElementRecord& e = CurElement;
    CopyHead(source, e);
    e.nItem = uint16_t(count);
    e.nText = source.nText;
    std::memmove(e.Slots.data(), points, size_t(count) * sizeof(Cord));
    std::memcpy(e.Slots.data() + count, source.Slots.data() + source.nItem, size_t(source.nText) * sizeof(Cord));
}

// The points from `first` on (and the text behind them) move to the front.
void DropFront(ElementRecord& e, int first)
{
    std::memmove(e.Slots.data(), e.Slots.data() + first, (e.SlotCount() - size_t(first)) * sizeof(Cord));
    e.nItem = uint16_t(e.nItem - first);
}

bool SplitLine(int n)
{
    ElementRecord& rest = AuxElement1;
    rest = CurElement;
    while (rest.nItem > OldVersionMaxPoints) {
        const int cut = LineCut(rest.Cords());
        MakePiece(rest, rest.Cords(), cut);
        if (!AppendElement())
            return false;
        // The next piece starts at this one's last point.
        DropFront(rest, cut - 1);
    }
    CurElement = rest;
    return SaveElement(n);
}

bool SplitAreaObject(int n)
{
    ElementRecord& whole = AuxElement1;
    whole = CurElement;
    bool appended = true;
    const bool complete = DocumentPorts().SplitArea(whole.Cords(), whole.nItem, [&](const Cord* p, int count) {
        if (count > OldVersionMaxPoints)
            return false;
        if (appended) {
            MakePiece(whole, p, count);
            appended = AppendElement();
        }
        return true;
    });
    if (!appended)
        return false;
    if (!complete) {
        // Part of the area reached no piece: it cannot be saved whole.
        ErrorMsg(TextKey::MaxPoints, {}, MaxPointsHelp);
        return false;
    }
    DeleteElement(n);
    return true;
}

// Every object as the older version holds it: no hole flag on its first point, no control
// point at its end, no dash points in version 6, at most 1990 points, its index length its
// slots. Only the objects that change are written again.
bool FitObjects(int version)
{
    TZmd& z = Z();
    const int64_t fileSize = z.WorkFile.Size();
    std::vector<uint8_t> bytes;
    for (int n = 1; n <= z.HighestObject; ++n) {
        if (!GetIndex(n))
            continue;
        ObjectIndexEntry& entry = z.Entry(n);
        const int length = std::min<int>(entry.Length, MaxElementItems);
        if (!InVariablePart(entry.Pos, 32 + 8 * int64_t(length), fileSize))
            continue;
        // The record as stored, flags and all.
        bytes.resize(32 + 8 * size_t(length));
        z.ReadBytesAt(entry.Pos, bytes);
        ElementRecord& e = CurElement;
        ParseElementRecord(bytes, length, e);
        if (e.nItem == 0)
            continue;
        bool changed = false;
        const auto clear = [&changed](int32_t& v, int32_t flags) {
            changed = changed || (v & flags);
            v &= ~flags;
        };
        if (e.nItem > OldVersionMaxPoints) {
            // Only lines and areas need so many; the others use their first few.
            std::memmove(e.Slots.data() + OldVersionMaxPoints, e.Slots.data() + e.nItem, size_t(e.nText) * sizeof(Cord));
            e.nItem = OldVersionMaxPoints;
            changed = true;
        }
        Cord* c = e.Cords();
        clear(c[0].y, HoleFlag);
        clear(c[e.nItem - 1].x, FirstBezierFlag);
        if (e.nItem >= 2)
            clear(c[e.nItem - 2].x, FirstBezierFlag);
        if (version == 6)
            for (int i = 0; i < e.nItem; ++i)
                clear(c[i].y, DashFlag);
        entry.Length = uint16_t(std::min<size_t>(entry.Length, e.SlotCount()));
        if (changed && !SaveElement(n))
            return false;
    }
    return true;
}

bool ConvertToOldVersion(int version)
{
    TZmd& z = Z();
    UndoSuspend noUndo;
    // Texts first: their code page comes from the symbols' character sets, which the older
    // versions do not keep.
    UnicodeTextsToAnsi();
    LimitSeparations();
    for (int i = 0; i < z.SymbolCount(); ++i) {
        ConvertSymbolForOldVersion(z.Symbols[size_t(i)], version);
        z.WriteSymbol(i);
    }
    // A single template of the older setup is not made from the map's templates.
    z.Setup.TemplateMode = 0;
    z.Setup.TemplateFile.clear();
    if (!WriteSetup() || !SplitLargeObjects() || !FitObjects(version) || !IndexLengthsToBytes())
        return false;
    z.Header.FileType = version == 7 ? Version7FileType : Version6FileType;
    z.Header.Version = uint16_t(version);
    z.Header.SubVersion = OldVersionSubVersion;
    z.Header.StringIndexPos = 0;
    z.WriteHeader();
    return z.WriteFailures == 0;
}

} // namespace

// ---- The least of the ports ----

bool OfferAreaWhole(const Cord* points, int count, const AreaPieceFn& accept)
{
    return accept(points, count);
}

PreparedText StoredObjectText(const ElementRecord& e)
{
    PreparedText t;
    SymbolBytes* symbol = nullptr;
    GetSymbol(e.Symbol, symbol);
    const bool textSymbol = SymI16(*symbol, SymObjectType) == TextObject ? symbol->size() >= TextSymbolBytes
                                                                         : symbol->size() >= LineTextSymbolBytes;
    if (textSymbol && SymU8(*symbol, SymTextFlag) == 1)
        t.CodePage = CodePageOfCharset(SymU8(*symbol, TsCharset));
    const uint8_t* bytes = e.TextBytes();
    const size_t size = size_t(e.nText) * 8;
    if (e.Flags & ElementUtf16Flag) {
        for (size_t i = 0; i + 1 < size && (bytes[i] | bytes[i + 1]); i += 2)
            t.Text.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
    } else {
        const size_t n = size_t(std::find(bytes, bytes + size, uint8_t(0)) - bytes);
        t.Text = DecodeCodePage(1252, reinterpret_cast<const char*>(bytes), qsizetype(n)).toStdU16String();
    }
    return t;
}

// ---- The steps ----

void LimitSeparations()
{
    TZmd& z = Z();
    if (z.ColorBlock.SeparationCount <= OldVersionMaxSeparations)
        return;
    z.ColorBlock.SeparationCount = OldVersionMaxSeparations;
    z.WriteBytesAt(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(z.ColorBlock));
}

void ConvertSymbolForOldVersion(SymbolBytes& rec, int version)
{
    if (rec.size() < size_t(SymbolHeadBytes))
        return;
    SetSymU8(rec, SymStatus, SymU8(rec, SymStatus) & SymbolStatusMask);
    QImage icon;
    DecodeRecordIcon(rec, icon);
    EncodeRecordIcon(icon, rec, version);
    const int type = SymI16(rec, SymObjectType);
    const bool text = SymU8(rec, SymTextFlag) == 1;
    const bool lineText = type == LineObject && text && rec.size() >= LineTextSymbolBytes;
    const bool textSymbol = type == TextObject && rec.size() >= TextSymbolBytes;
    if (version == 7) {
        if (lineText)
            Version7Framing(rec, LtFramingMode, LtOldFramingFont, LtOldFramingSize, LtOldFramingWeight,
                            LtOldFramingItalic, LtFramingWidth);
        else if (textSymbol)
            Version7Framing(rec, TsFramingMode, TsOldFramingFont, TsOldFramingSize, TsOldFramingWeight,
                            TsOldFramingItalic, TsFramingWidth);
        return;
    }
    if (type == LineObject && !text && rec.size() >= size_t(LineSymbolFixedBytes)) {
        SetSymI16(rec, LsLineStyleBits, int16_t(SymI16(rec, LsLineStyleBits) & Version6LineStyleMask));
        SetSymI16(rec, LsFrWidth, 0);
    } else if (lineText) {
        for (size_t at : {TsCharset, LtFramingMode, LtOldFramingFont})
            rec[at] = 0;
        SetSymI16(rec, LtFramingWidth, 0);
    } else if (textSymbol) {
        for (size_t at : {TsCharset, TsFramingMode, TsOldFramingFont})
            rec[at] = 0;
        SetSymI16(rec, TsFramingWidth, 0);
    }
}

int LineCut(Cord* c)
{
    int cut = OldVersionMaxPoints;
    for (int back = 0; back < 2 && (c[cut - 1].x & BezierFlags); ++back)
        --cut;
    if (c[cut - 1].x & BezierFlags) {
        cut = OldVersionMaxPoints;
        c[cut - 1].x &= ~BezierFlags;
    }
    return cut;
}

bool SplitLargeObjects()
{
    TZmd& z = Z();
    const int highest = z.HighestObject;
    for (int n = 1; n <= highest; ++n) {
        if (!GetIndex(n) || !ReadElement(n, CurElement) || CurElement.nItem <= OldVersionMaxPoints)
            continue;
        if (CurElement.ObjectType == LineObject && !SplitLine(n))
            return false;
        if (CurElement.ObjectType == AreaObject && !SplitAreaObject(n))
            return false;
    }
    return true;
}

void UnicodeTextsToAnsi()
{
    TZmd& z = Z();
    for (int n = 1; n <= z.HighestObject; ++n) {
        if (!GetIndex(n) || !ReadElement(n, CurElement))
            continue;
        ElementRecord& e = CurElement;
        if (e.nText == 0 || !(e.Flags & ElementUtf16Flag))
            continue;
        const PreparedText t = DocumentPorts().PrepareText(e);
        const QByteArray bytes = EncodeCodePage(t.CodePage, QString::fromStdU16String(t.Text));
        const size_t room = size_t(e.nText) * 8;
        std::memset(e.TextBytes(), 0, room);
        std::memcpy(e.TextBytes(), bytes.constData(), std::min(size_t(bytes.size()), room - 1));
        e.Flags &= uint8_t(~ElementUtf16Flag);
        SaveElement(n);
    }
}

bool IndexLengthsToBytes()
{
    TZmd& z = Z();
    std::vector<uint8_t> out(256 * ObjectIndexEntryBytes);
    for (auto& block : z.ObjectBlocks) {
        for (size_t i = 0; i < 256; ++i) {
            ObjectIndexEntry& e = block->Entries[i];
            // Deleted objects are not carried: their room may be more than a byte length holds.
            if (e.Symbol == DeletedSymbol || e.Symbol == 0)
                e = {};
            if (e.Length != 0) {
                const int bytes = 32 + 8 * int(e.Length);
                if (bytes > UINT16_MAX) {
                    ErrorMsg(TextKey::MaxPoints, {}, MaxPointsHelp);
                    return false;
                }
                e.Length = uint16_t(bytes);
            }
            const auto entry = WriteObjectIndexEntry(e);
            std::copy(entry.begin(), entry.end(), out.begin() + long(i * ObjectIndexEntryBytes));
        }
        z.WriteBytesAt(block->EntriesPos, out);
    }
    return true;
}

bool SaveVersion7()
{
    return ConvertToOldVersion(7);
}

bool SaveVersion6()
{
    return ConvertToOldVersion(6);
}

// ---- The frame ----

bool SaveOldVersion(int version, const QString& target)
{
    TZmd* const original = Index.ActiveZmd;
    if (!original || (version != 6 && version != 7))
        return false;
    ShownMessage warning;
    warning.kind = MsgKind::OkCancel;
    warning.key = TextKey::ZEMO6Warning;
    warning.label = QStringLiteral("\r\n") + Text(TextKey::Continue);
    if (ShowMsg(warning) != IdOk)
        return false;
    const bool wasOpen = Index.MapOpen;
    auto clone = std::make_unique<TZmd>();
    bool ok = false;
    try {
        original->WorkFile.MakeOwnCopy();
        original->WorkFile.Flush();
        CreateWorkingCopy(clone->WorkFile);
        clone->WorkFile.Seek(0);
        clone->WorkFile.AppendHandle(original->WorkFile.Handle(), original->WorkFile.Size(),
                                     original->WorkFile.FileName());
        SetCurrentMap(clone.get());
        Index.MapOpen = true;
        LoadMap();
        // Never offered as a map to recover: a crash leaves only a part-converted copy.
        clone->Header.FileType |= BackgroundCopyFlag;
        clone->Setup = original->Setup;
        clone->Setup.MapPath = FittedMapPath(target);
        clone->WriteHeader();
        ok = (version == 7 ? SaveVersion7() : SaveVersion6())
             && ReplaceFileWithCopy(clone->WorkFile, target);
    } catch (const EAbort&) {
        ok = false;
    }
    try {
        clone->WorkFile.CloseAndDelete();
    } catch (const EAbort&) {
    }
    // The clone's symbols are gone: nothing may point into them.
    Index.CurSymbol = Index.DrawSymbol = &Index.DefaultSymbol;
    SetCurrentMap(original);
    Index.MapOpen = wasOpen;
    return ok;
}

} // namespace zemo
