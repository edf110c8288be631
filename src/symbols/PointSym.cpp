#include "symbols/PointSym.h"

#include "document/Index.h"

#include <algorithm>

namespace zemo {

int CsObjTypeEntry(int storedType)
{
    switch (storedType) {
    case 1: return 1;
    case 2: return 2;
    case 4: return 3;
    default: return 0;
    }
}

int CsObjTypeOfEntry(int entry)
{
    static constexpr int Types[CsObjTypeEntries] = {0, 1, 2, 4};
    return entry >= 0 && entry < CsObjTypeEntries ? Types[entry] : 0;
}

SymbolEditSession OpenPointSymbol(const SymbolBytes* rec, int pos, std::span<const int16_t> numberTable)
{
    std::span<const uint8_t> stored;
    SymbolEditSession s = OpenSymbolWork(SymbolEditorKind::Point, rec, pos, numberTable, &stored);
    if (!stored.empty())
        s.Lists[0] = TakeElementList(stored, PointSymbolFixedBytes, SymI16(stored, PointSymbolSlotsOffset),
                                     &s.ListDropped);
    return s;
}

SymbolBytes BuildPointSymbol(const SymbolEditSession& s)
{
    const ElementList& list = s.Lists[0];
    const size_t size = size_t(PointSymbolFixedBytes) + list.Bytes.size();
    if (s.Work.size() < size_t(PointSymbolFixedBytes) || size > size_t(MaxSymbolBytes))
        return {};
    SymbolBytes rec(s.Work.begin(), s.Work.begin() + PointSymbolFixedBytes);
    rec.insert(rec.end(), list.Bytes.begin(), list.Bytes.end());
    SetSymI16(rec, SymSize, int16_t(size));
    SetSymI16(rec, SymObjectType, PointObject);
    SetSymU8(rec, SymTextFlag, 0);
    SetSymI16(rec, PointSymbolSlotsOffset, int16_t(list.Slots()));
    SetSymI16(rec, PointSymbolPad, 0);
    CalcPointSymbolInfo(rec);
    return rec;
}

void EditPointSymbol(const SymbolBytes* rec, int pos)
{
    if (!Index.ActiveZmd)
        return;
    RunSymbolEditor(std::make_shared<SymbolEditSession>(
        OpenPointSymbol(rec, pos, Index.ActiveZmd->NumberTable)));
}

} // namespace zemo
