// The clipboard block of copied symbols: the records back to back, each as stored (size word
// first, its full size), then a zero word. Symbol > Copy writes it, and so does Edit > Copy
// for the symbols of the copied objects; Symbol > Paste and Edit > Paste read it.
#pragma once

#include "symbols/store/SymbolRecords.h"

#include <QByteArray>
#include <QByteArrayView>

#include <span>
#include <vector>

namespace zemo {

inline constexpr const char* SymbolMimeType = "application/x-zemo6-symbol";

// Each record as the file stores it (the selected byte and the in-memory status bits
// cleared); records whose size word does not fit their bytes are left out.
QByteArray PackSymbolClipboard(const std::vector<std::span<const uint8_t>>& records);
// The records of a block. Each size word must be one a map file allows and lie within the
// bytes that remain, and the block must end with its zero word; otherwise the whole block
// is refused (false, nothing returned).
bool UnpackSymbolClipboard(QByteArrayView block, std::vector<SymbolBytes>& records);

} // namespace zemo
