#include "TestMapReader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>

namespace zemo::test {

namespace {

constexpr int kOldMaxPoints = 1990;
constexpr int kOldMaxSeparations = 24;
constexpr size_t kSymbolSlots = 256;

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& b) : b_(b) { m_.fileSize = b.size(); }

    ReadMap Run()
    {
        if (b_.size() < kVariablePartPos) {
            Problem("shorter than the header and colour block");
            return std::move(m_);
        }
        Header();
        if (!m_.problems.empty())
            return std::move(m_);
        Extent(0, kVariablePartPos, "header and colour block");
        Colours();
        Setup();
        Info();
        Symbols();
        Objects();
        if (m_.header.version >= 8)
            Strings();
        Overlaps();
        return std::move(m_);
    }

private:
    template <class... T>
    void Problem(const T&... parts)
    {
        std::ostringstream s;
        (s << ... << parts);
        m_.problems.push_back(s.str());
    }

    bool Inside(int64_t pos, int64_t length) const
    {
        return pos >= int64_t(kVariablePartPos) && length >= 0 && pos + length <= int64_t(b_.size());
    }

    void Extent(int64_t pos, int64_t length, std::string what)
    {
        extents_.push_back({pos, pos + length, std::move(what)});
    }

    void Header()
    {
        ReadHeader& h = m_.header;
        h.mark = GetU16(b_, hdr::Mark);
        h.fileType = GetU16(b_, hdr::FileType);
        h.version = GetU16(b_, hdr::Version);
        h.subversion = GetU16(b_, hdr::Subversion);
        h.symbolIndex = GetI32(b_, hdr::SymbolIndex);
        h.objectIndex = GetI32(b_, hdr::ObjectIndex);
        h.setupPos = GetI32(b_, hdr::SetupPos);
        h.setupSize = GetI32(b_, hdr::SetupSize);
        h.infoPos = GetI32(b_, hdr::InfoPos);
        h.infoSize = GetI32(b_, hdr::InfoSize);
        h.stringIndex = GetI32(b_, hdr::StringIndex);
        if (h.mark != kMapMark)
            return Problem("mark ", h.mark);
        if (h.version < 6 || h.version > 8)
            return Problem("version ", h.version);
        if (h.version == 8 && (h.fileType & 3) != 2 && (h.fileType & 3) != 3)
            Problem("file type ", h.fileType, " in version 8");
        if (h.version == 7 && h.fileType != 7)
            Problem("file type ", h.fileType, " in version 7");
        if (h.version == 6 && h.fileType != 0)
            Problem("file type ", h.fileType, " in version 6");
        if (h.version < 8 && h.subversion != 5)
            Problem("subversion ", h.subversion, " in version ", h.version);
    }

    bool Old() const { return m_.header.version < 8; }

    void Colours()
    {
        m_.colorCount = GetI16(b_, kSymbolHeaderPos);
        m_.separationCount = GetI16(b_, kSymbolHeaderPos + 2);
        if (m_.colorCount < 1 || m_.colorCount > 256)
            Problem("colour count ", m_.colorCount);
        const int maxSeparations = Old() ? kOldMaxSeparations : 32;
        if (m_.separationCount < 0 || m_.separationCount > maxSeparations)
            Problem("separation count ", m_.separationCount);
        for (int i = 0; i < std::clamp<int>(m_.colorCount, 0, 256); ++i) {
            const size_t at = TestMapLayout::ColorRecordPos(size_t(i));
            ReadColor c;
            c.number = GetU16(b_, at);
            c.overprint = GetI16(b_, at + 2);
            std::copy_n(b_.begin() + long(at + 4), 4, c.cmyk.begin());
            c.name.assign(reinterpret_cast<const char*>(&b_[at + 9]), std::min<size_t>(b_[at + 8], 31));
            m_.colors.push_back(c);
        }
    }

    void Setup()
    {
        const ReadHeader& h = m_.header;
        if (!Inside(h.setupPos, h.setupSize) || h.setupSize <= 0)
            return Problem("setup record at ", h.setupPos, " of ", h.setupSize, " bytes");
        if (h.version == 8 && h.setupSize != int32_t(kSetupSize))
            Problem("setup size ", h.setupSize);
        m_.setup.assign(b_.begin() + h.setupPos, b_.begin() + h.setupPos + h.setupSize);
        Extent(h.setupPos, h.setupSize, "setup record");
    }

    void Info()
    {
        const ReadHeader& h = m_.header;
        if (h.infoPos == 0 && h.infoSize == 0)
            return;
        if (!Inside(h.infoPos, h.infoSize) || h.infoSize <= 0 || h.infoSize > 32768)
            return Problem("information text at ", h.infoPos, " of ", h.infoSize, " bytes");
        const auto begin = b_.begin() + h.infoPos, end = begin + h.infoSize;
        const auto nul = std::find(begin, end, uint8_t(0));
        if (nul == end)
            Problem("information text without its end");
        m_.info.assign(begin, nul);
        Extent(h.infoPos, h.infoSize, "information text");
    }

    // The blocks of a chain from the header field, each inside the file and once.
    std::vector<int32_t> Chain(int32_t first, size_t blockSize, const char* what)
    {
        std::vector<int32_t> blocks;
        std::set<int32_t> seen;
        for (int32_t pos = first; pos != 0;) {
            if (!Inside(pos, int64_t(blockSize))) {
                Problem(what, " block at ", pos, " outside the file");
                break;
            }
            if (!seen.insert(pos).second) {
                Problem(what, " chain runs in a circle at ", pos);
                break;
            }
            blocks.push_back(pos);
            Extent(pos, int64_t(blockSize), std::string(what) + " block");
            pos = GetI32(b_, size_t(pos));
        }
        return blocks;
    }

    void Symbols()
    {
        for (int32_t block : Chain(m_.header.symbolIndex, kSymbolIndexBlockSize, "symbol index")) {
            for (size_t i = 0; i < kSymbolSlots; ++i) {
                const int32_t pos = GetI32(b_, size_t(block) + 4 + 4 * i);
                if (pos <= 0)
                    continue;
                const int16_t size = pos + 2 <= int64_t(b_.size()) ? GetI16(b_, size_t(pos)) : 0;
                if (size < 349 || size > 20904 || !Inside(pos, size)) {
                    Problem("symbol record at ", pos, " of ", size, " bytes");
                    continue;
                }
                ReadSymbol s;
                s.pos = pos;
                s.bytes.assign(b_.begin() + pos, b_.begin() + pos + size);
                s.number10 = GetI16(s.bytes, 2);
                s.type = GetI16(s.bytes, 4);
                if (Old() && ((s.bytes[11] & 0xF8) != 0 || (s.bytes[7] & 2) != 0))
                    Problem("symbol ", s.number10, ": status ", int(s.bytes[11]), ", flags ", int(s.bytes[7]),
                            " in version ", m_.header.version);
                Extent(pos, size, "symbol record");
                m_.symbols.push_back(std::move(s));
            }
        }
    }

    void Objects()
    {
        const std::vector<int32_t> blocks = Chain(m_.header.objectIndex, kObjectIndexBlockSize, "object index");
        m_.objectSlots = int(blocks.size() * 256);
        for (size_t k = 0; k < blocks.size(); ++k)
            for (size_t i = 0; i < 256; ++i)
                Object(int(k * 256 + i + 1), size_t(blocks[k]) + 4 + kObjectEntrySize * i);
    }

    void Object(int number, size_t entry)
    {
        ReadObject o;
        o.number = number;
        o.rect = {GetI32(b_, entry), GetI32(b_, entry + 4), GetI32(b_, entry + 8), GetI32(b_, entry + 12)};
        o.pos = GetI32(b_, entry + 16);
        o.entryLength = GetU16(b_, entry + 20);
        o.entrySymbol = GetU16(b_, entry + 22);
        if (o.entrySymbol == 0)
            return;
        int slots = o.entryLength;
        if (Old()) {
            if (o.entryLength < 40 || (o.entryLength - 32) % 8 != 0)
                return Problem("object ", number, ": byte length ", o.entryLength);
            slots = (o.entryLength - 32) / 8;
        }
        if (slots < 1 || slots > 32768 || !Inside(o.pos, 32 + 8 * int64_t(slots)))
            return Problem("object ", number, ": record at ", o.pos, " of ", slots, " slots");
        Extent(o.pos, 32 + 8 * int64_t(slots), "object record");
        const size_t p = size_t(o.pos);
        o.symbol = GetI16(b_, p);
        o.type = b_[p + 2];
        o.flags = b_[p + 3];
        o.nItem = GetU16(b_, p + 4);
        o.nText = GetU16(b_, p + 6);
        o.angle = GetI16(b_, p + 8);
        if (uint16_t(o.symbol) != uint16_t(o.entrySymbol & ~0x4000) && uint16_t(o.symbol) != o.entrySymbol)
            Problem("object ", number, ": symbol ", o.symbol, " under entry symbol ", o.entrySymbol);
        if (o.type < 1 || o.type > 5 || o.nItem < 1 || int(o.nItem) + o.nText > slots)
            return Problem("object ", number, ": type ", int(o.type), ", ", o.nItem, " points and ", o.nText,
                           " text slots in ", slots, " slots");
        for (size_t i = 0; i < o.nItem; ++i)
            o.cords.push_back({GetI32(b_, p + 32 + 8 * i), GetI32(b_, p + 36 + 8 * i)});
        const size_t text = p + 32 + 8 * size_t(o.nItem);
        o.text.assign(b_.begin() + long(text), b_.begin() + long(text + 8 * size_t(o.nText)));
        Check(o);
        m_.objects.push_back(std::move(o));
    }

    void Check(const ReadObject& o)
    {
        const int version = m_.header.version;
        if (Old() && o.nItem > kOldMaxPoints)
            Problem("object ", o.number, ": ", o.nItem, " points in version ", version);
        if (Old() && (o.flags & 1))
            Problem("object ", o.number, ": UTF-16 text in version ", version);
        if (o.nText > 0) {
            bool ended = false;
            if (o.flags & 1) {
                for (size_t i = 0; i + 1 < o.text.size() && !ended; i += 2)
                    ended = o.text[i] == 0 && o.text[i + 1] == 0;
            } else {
                ended = std::find(o.text.begin(), o.text.end(), uint8_t(0)) != o.text.end();
            }
            if (!ended)
                Problem("object ", o.number, ": text without its end");
        }
        const size_t checked = o.type == 1 ? 1 : o.cords.size();
        for (size_t i = 0; i < checked; ++i) {
            const int32_t x = o.cords[i].x & ~0xFF, y = o.cords[i].y & ~0xFF;
            if (version == 6 && (o.cords[i].y & 8))
                Problem("object ", o.number, ": dash point ", i, " in version 6");
            if (x < o.rect.x1 || x > o.rect.x2 || y < o.rect.y1 || y > o.rect.y2)
                Problem("object ", o.number, ": point ", i, " outside its rectangle");
        }
    }

    void Strings()
    {
        const std::vector<int32_t> blocks = Chain(m_.header.stringIndex, kStringIndexBlockSize, "string index");
        for (size_t k = 0; k < blocks.size(); ++k)
            for (size_t i = 0; i < 256; ++i) {
                const size_t entry = size_t(blocks[k]) + 4 + kStringEntrySize * i;
                ReadString s;
                s.number = int(k * 256 + i);
                s.pos = GetI32(b_, entry);
                s.reserved = GetI32(b_, entry + 4);
                s.type = GetI32(b_, entry + 8);
                s.object = GetI32(b_, entry + 12);
                if (s.type <= 0 || s.pos == 0)
                    continue;
                if (s.reserved <= 0 || !Inside(s.pos, s.reserved)) {
                    Problem("string ", s.number, ": record at ", s.pos, " of ", s.reserved, " bytes");
                    continue;
                }
                const auto begin = b_.begin() + s.pos, end = begin + s.reserved;
                const auto nul = std::find(begin, end, uint8_t(0));
                if (nul == end)
                    Problem("string ", s.number, ": without its end");
                s.text.assign(begin, nul);
                Extent(s.pos, s.reserved, "string record");
                m_.strings.push_back(std::move(s));
            }
    }

    void Overlaps()
    {
        std::sort(extents_.begin(), extents_.end(),
                  [](const Span& a, const Span& b) { return a.start < b.start; });
        for (size_t i = 1; i < extents_.size(); ++i)
            if (extents_[i].start < extents_[i - 1].end)
                Problem(extents_[i].what, " at ", extents_[i].start, " overlaps ", extents_[i - 1].what, " at ",
                        extents_[i - 1].start);
    }

    struct Span {
        int64_t start, end;
        std::string what;
    };

    const std::vector<uint8_t>& b_;
    ReadMap m_;
    std::vector<Span> extents_;
};

} // namespace

std::string ReadObject::Text8() const
{
    return std::string(text.begin(), std::find(text.begin(), text.end(), uint8_t(0)));
}

std::u16string ReadObject::Text16() const
{
    std::u16string s;
    for (size_t i = 0; i + 1 < text.size() && (text[i] | text[i + 1]); i += 2)
        s.push_back(char16_t(text[i] | (text[i + 1] << 8)));
    return s;
}

std::string ReadMap::Problems() const
{
    std::string all;
    for (const std::string& p : problems)
        all += p + "\n";
    return all;
}

const ReadObject* ReadMap::Object(int number) const
{
    for (const ReadObject& o : objects)
        if (o.number == number)
            return &o;
    return nullptr;
}

const ReadSymbol* ReadMap::Symbol(int16_t number10) const
{
    for (const ReadSymbol& s : symbols)
        if (s.number10 == number10)
            return &s;
    return nullptr;
}

ReadMap ReadMapBytes(const std::vector<uint8_t>& bytes)
{
    return Reader(bytes).Run();
}

ReadMap ReadMapFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
    return ReadMapBytes(bytes);
}

} // namespace zemo::test
