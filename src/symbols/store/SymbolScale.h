// Scaling one symbol record: every length it holds multiplied by a factor, field by field for
// its type, so that the symbol draws larger or smaller on paper. Angles, percentages, colours
// and counts stay; so do the text symbol's extent and rectangle-framing borders and the
// extents of area and rectangle symbols.
#pragma once

#include <cstdint>
#include <span>

namespace zemo {

// Scales the record in place. A 16-bit length becomes round(length x factor) limited to
// -32764..32767; a tab position round(position x factor); a Cord of an element list its
// scaled coordinate with its own flag bits. A record shorter than its counts say (or of no
// known type) is left unchanged: false then.
bool ScaleSymbol(std::span<uint8_t> rec, double factor);

} // namespace zemo
