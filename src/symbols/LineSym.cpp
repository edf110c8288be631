#include "symbols/LineSym.h"

#include "document/Index.h"

#include <algorithm>

namespace zemo {

int LineToolEntry(int stored)
{
    return stored >= 1 && stored < LineToolEntries ? stored : 0;
}

int MinSymEntry(int stored)
{
    return stored >= -1 && stored <= 1 ? stored + 1 : 1;
}

int LineStyleOfBits(int bits)
{
    if (bits & 1)
        return 1;
    if (bits & 4)
        return 2;
    return 0;
}

int LineStyleBits(int style)
{
    return style == 1 ? 1 : style == 2 ? 4 : 0;
}

int WithLineStyle(int bits, int style)
{
    return (bits & ~(LineStyleBits(1) | LineStyleBits(2))) | LineStyleBits(style);
}

SymbolEditSession OpenLineSymbol(const SymbolBytes* rec, int pos, std::span<const int16_t> numberTable)
{
    std::span<const uint8_t> stored;
    SymbolEditSession s = OpenSymbolWork(SymbolEditorKind::Line, rec, pos, numberTable, &stored);
    // Each list starts where the one before ends by its count; once one runs past the
    // record, it and the lists behind it are gone.
    size_t offset = LsElementLists;
    for (int k = 0; k < LineSymbolListCount && !stored.empty() && !s.ListDropped; ++k) {
        const int slots = SymI16(stored, LsMainSymCount + size_t(k) * 2);
        s.Lists[size_t(k)] = TakeElementList(stored, offset, slots, &s.ListDropped);
        offset += s.Lists[size_t(k)].Bytes.size();
    }
    return s;
}

SymbolBytes BuildLineSymbol(const SymbolEditSession& s)
{
    if (s.Work.size() < size_t(LineSymbolFixedBytes))
        return {};
    size_t size = size_t(LineSymbolFixedBytes);
    for (int k = 0; k < LineSymbolListCount; ++k)
        size += s.Lists[size_t(k)].Bytes.size();
    if (size > size_t(MaxSymbolBytes))
        return {};
    SymbolBytes rec(s.Work.begin(), s.Work.begin() + LineSymbolFixedBytes);
    rec.reserve(size);
    for (int k = 0; k < LineSymbolListCount; ++k) {
        const ElementList& list = s.Lists[size_t(k)];
        SetSymI16(rec, LsMainSymCount + size_t(k) * 2, int16_t(list.Slots()));
        rec.insert(rec.end(), list.Bytes.begin(), list.Bytes.end());
    }
    SetSymI16(rec, SymSize, int16_t(size));
    SetSymI16(rec, SymObjectType, LineObject);
    SetSymU8(rec, SymTextFlag, 0);
    SetSymI16(rec, LsListsPad, 0);
    CalcLineSymbolInfo(rec);
    return rec;
}

void EditLineSymbol(const SymbolBytes* rec, int pos)
{
    if (!Index.ActiveZmd)
        return;
    RunSymbolEditor(std::make_shared<SymbolEditSession>(
        OpenLineSymbol(rec, pos, Index.ActiveZmd->NumberTable)));
}

} // namespace zemo
