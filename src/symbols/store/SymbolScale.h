// Scaling one symbol record: every length it holds multiplied by a factor, field by field for
// its type, so that the symbol draws larger or smaller on paper. Angles, percentages, colours
// and counts stay, and so do the text symbol's rectangle-framing borders. The derived head
// fields (extent, colour set) are computed again as the repair after reading computes them,
// and the line fields that repair forces into range are limited to it, so that a scaled
// record reads back from the file exactly as it was written.
#pragma once

#include <cstdint>
#include <span>

namespace zemo {

// Scales the record in place. A 16-bit length becomes round(length x factor) limited to
// -32764..32767; a tab position and a Cord are computed in 64 bits and saturate at the
// SafeRound limits, a Cord keeping its own flag bits. The record is its first size-word
// bytes (at most rec.size()); one shorter than its counts say, with a negative count, of no
// known type, or a factor that is not a positive number, is left unchanged: false then.
bool ScaleSymbol(std::span<uint8_t> rec, double factor);

} // namespace zemo
