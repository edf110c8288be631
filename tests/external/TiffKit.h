// TIFF files built entry by entry for the reader's tests, in either byte order: the cases no
// writer makes on purpose (unequal strip arrays, unknown compressions, GeoTIFF tags without
// libgeotiff).
#pragma once

#include "RasterKit.h"

#include <QByteArray>

#include <bit>
#include <cstring>
#include <vector>

namespace zemo::test {

class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian = false) : big_(bigEndian) {}

    // Values of type SHORT (3), LONG (4), RATIONAL (5, as numerator, denominator pairs) or
    // DOUBLE (12).
    TiffBuilder& Shorts(uint16_t tag, std::vector<uint32_t> v) { return Add(tag, 3, 2, v.size(), Ints(v, 2)); }
    TiffBuilder& Longs(uint16_t tag, std::vector<uint32_t> v) { return Add(tag, 4, 4, v.size(), Ints(v, 4)); }
    TiffBuilder& Rational(uint16_t tag, uint32_t num, uint32_t den) { return Add(tag, 5, 8, 1, Ints({num, den}, 4)); }
    TiffBuilder& Doubles(uint16_t tag, const std::vector<double>& v)
    {
        QByteArray b;
        for (double d : v)
            Put(b, std::bit_cast<uint64_t>(d), 8);
        return Add(tag, 12, 8, v.size(), b);
    }
    // Strip data, placed right after the header; StripOffsets (273) get their offsets.
    TiffBuilder& Strip(const QByteArray& bytes)
    {
        strips_.push_back(bytes);
        return *this;
    }
    // A w x h uncompressed 8-bit grey image (black is zero) in one strip of pixel (x + y).
    TiffBuilder& Grey(int w, int h)
    {
        QByteArray px;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                px.append(char(x + y));
        Longs(256, {uint32_t(w)}).Longs(257, {uint32_t(h)}).Shorts(258, {8}).Shorts(259, {1}).Shorts(262, {1});
        return Strip(px).Longs(278, {uint32_t(h)}).Longs(279, {uint32_t(px.size())});
    }

    QByteArray Bytes() const
    {
        QByteArray b(big_ ? "MM" : "II");
        Put(b, 42, 2);
        Put(b, 0, 4); // the directory's offset, below
        std::vector<uint32_t> stripAt;
        for (const QByteArray& s : strips_) {
            stripAt.push_back(uint32_t(b.size()));
            b += s;
        }
        std::vector<Entry> entries = entries_;
        if (!strips_.empty() && !Has(273))
            entries.push_back({273, 4, strips_.size(), Ints(stripAt, 4)});
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& c) { return a.tag < c.tag; });
        if (b.size() & 1)
            b.append('\0');
        const uint32_t ifd = uint32_t(b.size());
        const uint32_t after = ifd + 2 + 12 * uint32_t(entries.size()) + 4;
        QByteArray dir, data;
        Put(dir, entries.size(), 2);
        for (const Entry& e : entries) {
            Put(dir, e.tag, 2);
            Put(dir, e.type, 2);
            Put(dir, e.count, 4);
            if (e.data.size() <= 4) {
                dir += e.data + QByteArray(4 - e.data.size(), '\0');
            } else {
                Put(dir, after + uint32_t(data.size()), 4);
                data += e.data;
            }
        }
        Put(dir, 0, 4);
        b += dir + data;
        const QByteArray at = Ints({ifd}, 4);
        b.replace(4, 4, at);
        return b;
    }

private:
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint64_t count;
        QByteArray data;
    };
    bool Has(uint16_t tag) const
    {
        return std::any_of(entries_.begin(), entries_.end(), [tag](const Entry& e) { return e.tag == tag; });
    }
    TiffBuilder& Add(uint16_t tag, uint16_t type, int, uint64_t count, const QByteArray& data)
    {
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [tag](const Entry& e) { return e.tag == tag; }),
                       entries_.end());
        entries_.push_back({tag, type, count, data});
        return *this;
    }
    void Put(QByteArray& b, uint64_t v, int bytes) const
    {
        for (int i = 0; i < bytes; ++i)
            b.append(char(v >> (8 * (big_ ? bytes - 1 - i : i)) & 0xFF));
    }
    QByteArray Ints(const std::vector<uint32_t>& v, int bytes) const
    {
        QByteArray b;
        for (uint32_t x : v)
            Put(b, x, bytes);
        return b;
    }

    bool big_;
    std::vector<Entry> entries_;
    std::vector<QByteArray> strips_;
};

} // namespace zemo::test
