// Helpers shared by the files of the Index unit; not for use outside it.
#pragma once

#include "document/Index.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace zemo::index_private {

inline constexpr int MaxSlots = MaxElementItems;       // nItem + nText of one object
inline constexpr int TextCodePage = 1252;

SymbolBytes MakeDefaultSymbol();
// Inline: a paint and a load call these once per object.
inline TZmd& Z() { return *Index.ActiveZmd; }
int64_t FileSize();
void WriteI32At(int64_t pos, int32_t v);
// The highest object number: the map's, or the element count in symbol-graphics mode.
inline int Highest();
inline bool ValidNumber(int n);
inline ObjectIndexBlock& BlockOf(int n) { return *Z().ObjectBlocks[size_t((n - 1) >> 8)]; }
void UniteRect(CordRect& r, const CordRect& b, bool first);
int32_t Clamp32(int64_t v);
PStringIndexEntry* StringEntry(int n);
void WriteStringEntries(int block);
bool ReadStringRecord(const PStringIndexEntry& e, int64_t fileSize, QString& text);
void SortIntoList(TZmd& z, int type, const QString& text, int number);
void ZeroHead(ElementRecord& e);

bool EntryInScan(const ObjectIndexEntry& e, const CordRect& r, int colour);

// Symbol-graphics mode: the elements of the view's buffer stand for objects.
inline bool GraphicsMode() { return Index.SymbolGraphics && Index.SymbolGraphics->Active; }
SymbolGraphicsBuffer& G();
int UsedGraphicsSlots();
uint16_t GraphicsU16(int slot, int word);
std::vector<int> GraphicsElementSlots();
int CountGraphicsElements();
int GraphicsElementSize(int slot);
ObjectIndexEntry GraphicsEntry(int slot);
void ReadSymbolElement(int slot, ElementRecord& e);
std::vector<uint8_t> WriteSymbolElement(const ElementRecord& e);
bool SpliceGraphics(int slot, int oldSlots, const std::vector<uint8_t>& bytes);
void FillGraphicsEditSymbol();

inline int Highest()
{
    if (GraphicsMode())
        return CountGraphicsElements();
    return Index.ActiveZmd ? Z().HighestObject : 0;
}

inline bool ValidNumber(int n)
{
    return (Index.ActiveZmd || GraphicsMode()) && n >= 1 && n <= Highest();
}

} // namespace zemo::index_private
