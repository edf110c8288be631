// Test-only Windows metafiles at the record layouts: the optional placeable header with its
// checksum, the standard header, and records appended word by word (parameters as the format
// lays them out, y before x where it does).
#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace zemo::test {

class WmfBuilder {
public:
    // left, top, right, bottom in logical units; 0 units per inch: no placeable header.
    WmfBuilder(int16_t left = 0, int16_t top = 0, int16_t right = 0, int16_t bottom = 0, uint16_t upi = 0)
    {
        if (upi == 0)
            return;
        std::vector<uint16_t> w = {0xCDD7, 0x9AC6, 0, uint16_t(left), uint16_t(top), uint16_t(right),
                                   uint16_t(bottom), upi, 0, 0};
        uint16_t sum = 0;
        for (uint16_t v : w)
            sum ^= v;
        w.push_back(sum);
        for (uint16_t v : w)
            Word(placeable, v);
    }
    // A record of function fn with these parameter words.
    WmfBuilder& Record(uint16_t fn, std::initializer_list<int> params) { return Record(fn, std::vector<int>(params)); }
    WmfBuilder& Record(uint16_t fn, const std::vector<int>& params)
    {
        Dword(records, uint32_t(3 + params.size()));
        Word(records, fn);
        for (int p : params)
            Word(records, uint16_t(p));
        largest = std::max<uint32_t>(largest, uint32_t(3 + params.size()));
        return *this;
    }
    // The header's count of objects that records create.
    WmfBuilder& Objects(uint16_t n)
    {
        objects = n;
        return *this;
    }
    // A record whose size word says `words`, whatever follows.
    WmfBuilder& Raw(uint32_t words, uint16_t fn, std::initializer_list<int> params)
    {
        Dword(records, words);
        Word(records, fn);
        for (int p : params)
            Word(records, uint16_t(p));
        return *this;
    }
    WmfBuilder& Poly(uint16_t fn, std::initializer_list<std::pair<int, int>> pts)
    {
        std::vector<int> p = {int(pts.size())};
        for (auto [x, y] : pts) {
            p.push_back(x);
            p.push_back(y);
        }
        return Record(fn, p);
    }
    // Text bytes packed into words (padded with a zero byte).
    static std::vector<int> Chars(const QByteArray& s)
    {
        std::vector<int> w;
        for (qsizetype i = 0; i < s.size(); i += 2)
            w.push_back(uint8_t(s[i]) | (i + 1 < s.size() ? uint8_t(s[i + 1]) << 8 : 0));
        return w;
    }
    QByteArray Bytes() const
    {
        QByteArray body = records;
        Dword(body, 3);
        Word(body, 0);
        QByteArray out = placeable;
        Word(out, 1);  // type: on disk
        Word(out, 9);  // header words
        Word(out, 0x300);
        Dword(out, uint32_t((18 + body.size()) / 2));
        Word(out, objects);
        Dword(out, largest);
        Word(out, 0);
        return out + body;
    }

private:
    static void Word(QByteArray& b, uint16_t v)
    {
        b += char(v & 0xFF);
        b += char(v >> 8);
    }
    static void Dword(QByteArray& b, uint32_t v)
    {
        Word(b, uint16_t(v & 0xFFFF));
        Word(b, uint16_t(v >> 16));
    }
    QByteArray placeable;
    QByteArray records;
    uint32_t largest = 3;
    uint16_t objects = 0;
};

} // namespace zemo::test
