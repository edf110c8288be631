#include "symbols/store/SymbolClipboard.h"

#include "core/ByteIO.h"

namespace zemo {

QByteArray PackSymbolClipboard(const std::vector<std::span<const uint8_t>>& records)
{
    QByteArray out;
    for (std::span<const uint8_t> rec : records) {
        const int16_t size = SymI16(rec, SymSize);
        if (size < SymbolHeadBytes || size_t(size) > rec.size())
            continue;
        QByteArray r(reinterpret_cast<const char*>(rec.data()), size);
        // As the file stores it: the selected byte and the used bit live in memory only.
        r[SymSelected] = 0;
        r[SymStatus] = char(uint8_t(r[SymStatus]) & SymbolStatusMask);
        out += r;
    }
    out += QByteArray(4, '\0');
    return out;
}

bool UnpackSymbolClipboard(QByteArrayView block, std::vector<SymbolBytes>& records)
{
    records.clear();
    const auto* data = reinterpret_cast<const uint8_t*>(block.data());
    const int64_t length = block.size();
    int64_t pos = 0;
    std::vector<SymbolBytes> found;
    while (true) {
        if (length - pos < 2)
            return false; // no closing zero word
        const int16_t size = LoadLE<int16_t>(data + pos);
        if (size == 0)
            break;
        if (size < MinSymbolBytes || size > MaxSymbolBytes || size > length - pos)
            return false;
        found.emplace_back(data + pos, data + pos + size);
        pos += size;
    }
    records = std::move(found);
    return true;
}

} // namespace zemo
