#include "core/Lzw.h"

namespace zemo {

// The std::function forms are built once here rather than in every user.
template class BasicLzwEncoder<LzwEncodeOutput>;
template class BasicLzwDecoder<LzwDecodeOutput>;

} // namespace zemo
