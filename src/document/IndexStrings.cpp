#include "document/IndexPrivate.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <unordered_set>
namespace zemo {

using namespace index_private;

namespace {

QByteArray EncodeText(const QString& text)
{
    return EncodeCodePage(TextCodePage, text);
}

// The reserved length of a string record: room for the text and at least one NUL.
int32_t StringReserve(qsizetype length)
{
    return int32_t((length + 64) / 64 * 64);
}
} // namespace

// ---- Parameter strings ----

int AddPString(const QString& text, int type, int object)
{
    if (!Index.ActiveZmd)
        return -1;
    TZmd& z = Z();
    const QByteArray bytes = EncodeText(text);
    const int32_t length = StringReserve(bytes.size());
    int number = -1;
    int64_t pos = 0;
    // Maps with many links add strings by the thousand: skip the blocks known to be full.
    for (size_t b = std::min(z.StringBlocksFull, z.StringBlocks.size()); b < z.StringBlocks.size() && number < 0; ++b) {
        bool anyFree = false;
        for (size_t i = 0; i < 256; ++i) {
            const PStringIndexEntry& e = z.StringBlocks[b].Entries[i];
            if (e.Type != 0)
                continue;
            anyFree = true;
            // A preview's links take only slots never used: what it writes is given back
            // when it ends, and a slot once used keeps its place and length.
            if (z.CoursePreviewOn && (e.Pos != 0 || e.Length != 0))
                continue;
            if (e.Length == 0 || e.Length == length) {
                number = int(b) * 256 + int(i);
                if (e.Length == length && e.Pos >= VariablePartPos)
                    pos = e.Pos;
                break;
            }
        }
        if (!anyFree && b == z.StringBlocksFull)
            z.StringBlocksFull = b + 1;
    }
    if (number < 0) {
        const int64_t at = z.WorkFile.Size();
        z.WriteBytesAt(at, std::vector<uint8_t>(PStringIndexBlockBytes, 0));
        if (z.StringBlocks.empty()) {
            z.Header.StringIndexPos = int32_t(at);
            z.WriteHeader();
        } else {
            WriteI32At(z.StringBlocks.back().Pos, int32_t(at));
        }
        PStringIndexBlock block;
        block.Pos = int32_t(at);
        z.StringBlocks.push_back(block);
        number = int(z.StringBlocks.size() - 1) * 256;
    }
    if (pos == 0)
        pos = z.WorkFile.Size();
    *StringEntry(number) = {int32_t(pos), length, type, object};
    WriteStringEntries(number >> 8);
    std::vector<uint8_t> record(size_t(length), 0);
    std::memcpy(record.data(), bytes.constData(), size_t(bytes.size()));
    z.WriteBytesAt(pos, record);
    z.Modified = 1;
    return number;
}

bool SavePString(int n, const QString& text)
{
    PStringIndexEntry* e = StringEntry(n);
    if (!e) {
        ErrorMsg(QStringLiteral(": Index.SavePString (n:;)"), QString::number(n));
        return false;
    }
    TZmd& z = Z();
    const QByteArray bytes = EncodeText(text);
    std::vector<uint8_t> out(bytes.begin(), bytes.end());
    if (bytes.size() + 1 <= e->Length && e->Pos >= VariablePartPos) {
        out.push_back(0);
    } else {
        e->Pos = int32_t(z.WorkFile.Size());
        e->Length = StringReserve(bytes.size());
        WriteStringEntries(n >> 8);
        out.resize(size_t(e->Length), 0);
    }
    z.WriteBytesAt(e->Pos, out);
    z.Modified = 1;
    return true;
}

bool SaveTypedPString(const QString& text, int type)
{
    if (!Index.ActiveZmd)
        return false;
    TZmd& z = Z();
    const int slot = MapSettingsSlot(type);
    for (size_t b = 0; b < z.StringBlocks.size(); ++b)
        for (size_t i = 0; i < 256; ++i) {
            const PStringIndexEntry& e = z.StringBlocks[b].Entries[i];
            if (e.Pos != 0 && e.Type == type) {
                const int n = int(b) * 256 + int(i);
                if (ReadPString(n) != text && !SavePString(n, text))
                    return false;
                if (slot >= 0)
                    z.MapSettings[size_t(slot)] = text;
                return true;
            }
        }
    if (!text.isEmpty()) {
        AddPString(text, type, 0);
        if (slot >= 0)
            z.MapSettings[size_t(slot)] = text;
    }
    return true;
}

bool DeletePString(int n)
{
    PStringIndexEntry* e = StringEntry(n);
    if (!e) {
        ErrorMsg(QStringLiteral(": DeletePString (n:;)"), QString::number(n));
        return false;
    }
    const int32_t old = e->Type;
    e->Type = 0;
    WriteStringEntries(n >> 8);
    e->Type = -old;
    Z().Modified = 1;
    return true;
}

bool ClearPString(int n)
{
    PStringIndexEntry* e = StringEntry(n);
    if (!e) {
        ErrorMsg(QStringLiteral(": ClearPString (n:;)"), QString::number(n));
        return false;
    }
    e->Type = 0;
    WriteStringEntries(n >> 8);
    // Its text goes with it: a saved map keeps no words that nothing refers to.
    if (e->Pos >= VariablePartPos && e->Length > 0 && int64_t(e->Pos) + e->Length <= FileSize())
        Z().WriteBytesAt(e->Pos, std::vector<uint8_t>(size_t(e->Length), 0));
    Z().StringBlocksFull = std::min(Z().StringBlocksFull, size_t(n >> 8));
    Z().Modified = 1;
    return true;
}

bool FindPString(int object, int type, const TNumStringList& list, int& listPos)
{
    if (!Index.ActiveZmd)
        return false;
    if (listPos >= 0 && listPos < list.Count()) {
        const PStringIndexEntry* e = StringEntry(list.GetNumber(listPos));
        if (e && e->Object == object && e->Type == type)
            return true;
    }
    listPos = -1;
    TZmd& z = Z();
    for (size_t b = 0; b < z.StringBlocks.size(); ++b)
        for (size_t i = 0; i < 256; ++i) {
            const PStringIndexEntry& e = z.StringBlocks[b].Entries[i];
            if (e.Pos == 0 || e.Type != type || e.Object != object)
                continue;
            const int k = list.IndexOfNumber(int(b) * 256 + int(i));
            if (k >= 0) {
                listPos = k;
                return true;
            }
        }
    return false;
}

QString ReadPString(int n)
{
    const PStringIndexEntry* e = StringEntry(n);
    QString text;
    if (e)
        ReadStringRecord(*e, FileSize(), text);
    return text;
}
} // namespace zemo
