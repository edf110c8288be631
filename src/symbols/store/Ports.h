// What the symbol records need from the libraries above the map store.
#pragma once

#include "core/Port.h"

#include <cstdint>
#include <span>

namespace zemo {

// The em height in 0.01 mm of the size a text symbol names (the least of TextSymbolHeight).
int TextSymbolEmHeight(std::span<const uint8_t> rec);

struct SymbolStorePortSet {
    // The text-metric height in 0.01 mm of the font a text symbol names (name, size, weight,
    // italic): the font layer (render) measures it. Least: the em height of the size.
    Port<int(std::span<const uint8_t> rec)> TextSymbolHeight{"symbols_store.TextSymbolHeight",
                                                             TextSymbolEmHeight};
};

SymbolStorePortSet& SymbolStorePorts();

} // namespace zemo
