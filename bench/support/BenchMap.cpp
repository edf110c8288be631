#include "BenchMap.h"

#include "core/ByteIO.h"
#include "document/NewMap.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <unistd.h>

namespace zemo::bench {

namespace {

// Never destroyed: the removal at exit runs after the statics made later are gone.
std::vector<std::string>& Written()
{
    static auto* paths = new std::vector<std::string>;
    return *paths;
}

void RemoveWritten()
{
    // Kept for the running program to open the same maps.
    if (std::getenv("ZEMO_KEEP_BENCH_MAPS"))
        return;
    for (const std::string& p : Written())
        std::remove(p.c_str());
}

} // namespace

SymbolHeaderBlock BenchColours(const std::vector<std::array<uint8_t, 4>>& cmyk)
{
    SymbolHeaderBlock colours;
    colours.ColorCount = int16_t(cmyk.size());
    for (size_t i = 0; i < cmyk.size(); ++i) {
        colours.Colors[i].Number = uint16_t(i);
        colours.Colors[i].Cmyk = cmyk[i];
    }
    return colours;
}

SymbolBytes BenchSymbolHead(size_t size, int number, int type, int extent, int colour)
{
    SymbolBytes b(size, 0);
    SetSymI16(b, SymSize, int16_t(size));
    SetSymI16(b, SymNumber, int16_t(number));
    SetSymI16(b, SymObjectType, int16_t(type));
    SetSymI16(b, SymExtent, int16_t(extent));
    ColorSet set;
    set.set(size_t(colour));
    SetSymColors(b, set);
    return b;
}

Cord AtMm(double xMm, double yMm)
{
    return {Masked(int32_t(std::lround(xMm * Mm))), Masked(int32_t(std::lround(yMm * Mm)))};
}

BenchObject MixedGridObject(int i, int16_t pointSym, int16_t lineSym, int16_t areaSym)
{
    const double x = (i % 400) - 200.0, y = (i / 400) * 1.6 - 200.0;
    switch (i % 3) {
    case 0:
        return {pointSym, PointObject, {AtMm(x, y)}};
    case 1: {
        Cord c1 = AtMm(x + 0.3, y + 0.5), c2 = AtMm(x + 0.6, y - 0.2);
        c1.x |= FirstBezierFlag;
        c2.x |= SecondBezierFlag;
        return {lineSym, LineObject, {AtMm(x, y), c1, c2, AtMm(x + 0.9, y + 0.1)}};
    }
    default:
        return {areaSym, AreaObject,
                {AtMm(x, y), AtMm(x + 0.8, y), AtMm(x + 0.9, y + 0.7), AtMm(x + 0.4, y + 1.2),
                 AtMm(x - 0.1, y + 0.6)}};
    }
}

std::string WriteBenchMap(const std::string& stem, const BenchMap& map)
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/zemo_bench_" + stem + "_" + std::to_string(::getpid())
        + ".zmd";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint8_t> b;
    ByteWriter w(b);
    // Written in pieces: a map of a million objects need not sit in memory whole.
    int64_t flushed = 0;
    const auto flush = [&] {
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        flushed += int64_t(b.size());
        b.clear();
    };
    w.AddZeros(VariablePartPos);
    w.PutBytes(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(map.colours));
    w.AddBytes(WriteSetupBytes(map.setup));
    // The symbol index blocks, each followed by its records.
    std::vector<int16_t> extentOf(MaxSymbolNumber + 1, 0);
    const int32_t symbolBlock = int32_t(b.size());
    for (size_t k = 0; k < map.symbols.size() || k == 0; k += 256) {
        const size_t n = std::min<size_t>(256, map.symbols.size() - std::min(k, map.symbols.size()));
        int32_t at = int32_t(b.size()) + SymbolIndexBlockBytes;
        for (size_t i = 0; i < n; ++i)
            at += int32_t(map.symbols[k + i].size());
        w.AddI32(k + 256 < map.symbols.size() ? at : 0);
        at = int32_t(b.size()) - 4 + SymbolIndexBlockBytes;
        for (size_t i = 0; i < n; ++i) {
            w.AddI32(at);
            at += int32_t(map.symbols[k + i].size());
        }
        w.AddZeros((256 - n) * 4);
        for (size_t i = 0; i < n; ++i) {
            const SymbolBytes& s = map.symbols[k + i];
            w.AddBytes(s);
            const int number = SymI16(s, SymNumber);
            if (number >= 0 && number <= MaxSymbolNumber)
                extentOf[size_t(number)] = SymI16(s, SymExtent);
        }
    }
    const int32_t firstBlock = int32_t(b.size());
    std::vector<BenchObject> block;
    for (int k = 0; k < map.objectCount; k += 256) {
        const int n = std::min(256, map.objectCount - k);
        block.clear();
        for (int i = 0; i < n; ++i)
            block.push_back(map.object(k + i));
        const int64_t blockPos = flushed + int64_t(b.size());
        int64_t records = blockPos + ObjectIndexBlockBytes;
        int64_t next = records;
        for (const BenchObject& o : block)
            next += 32 + 8 * int64_t(o.Slots());
        w.AddI32(k + 256 < map.objectCount ? int32_t(next) : 0);
        for (int i = 0; i < 256; ++i) {
            ObjectIndexEntry e;
            if (i < n) {
                const BenchObject& o = block[size_t(i)];
                const int32_t extent = extentOf[size_t(std::clamp<int>(o.symbol, 0, MaxSymbolNumber))] * UnitsPerHundredthMm;
                CordRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
                for (Cord c : o.cords) {
                    const int32_t x = Masked(c.x), y = Masked(c.y);
                    r = {std::min(r.x1, x - extent), std::min(r.y1, y - extent), std::max(r.x2, x + extent),
                         std::max(r.y2, y + extent)};
                }
                if (!o.text.empty()) {
                    // Room for the text beside and above its point, at most 8 mm high.
                    const int32_t reach = int32_t(o.text.size()) * 4 * Mm;
                    r = {r.x1 - reach, r.y1 - reach, r.x2 + reach, r.y2 + reach};
                }
                e = {r, int32_t(records), uint16_t(o.Slots()), uint16_t(o.symbol)};
                records += 32 + 8 * int64_t(o.Slots());
            }
            w.AddBytes(WriteObjectIndexEntry(e));
        }
        for (const BenchObject& o : block) {
            w.AddI16(o.symbol);
            w.AddU8(o.type);
            w.AddU8(0);
            w.AddU16(uint16_t(o.cords.size()));
            w.AddU16(uint16_t(o.Slots() - o.cords.size()));
            w.AddZeros(24);
            for (Cord c : o.cords) {
                w.AddI32(c.x);
                w.AddI32(c.y);
            }
            if (!o.text.empty()) {
                w.AddBytes(std::vector<uint8_t>(o.text.begin(), o.text.end()));
                w.AddZeros(8 * (o.Slots() - o.cords.size()) - o.text.size());
            }
        }
        if (b.size() > (16u << 20))
            flush();
    }
    flush();
    // The header last, once the places it points to are known.
    MapFileHeader h;
    h.SymbolIndexPos = symbolBlock;
    h.ObjectIndexPos = map.objectCount > 0 ? firstBlock : 0;
    h.SetupPos = VariablePartPos;
    h.SetupSize = int32_t(SetupRecordBytes);
    const auto header = WriteMapHeaderBytes(h);
    out.seekp(0);
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    out.close();
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(RemoveWritten); });
    Written().push_back(path);
    return path;
}

BenchMap ShippedSymbolSet(const QString& fileName)
{
    BenchMap map;
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("set.zmd"));
    if (!QFile::copy(SymbolSetFolder() + fileName, copy))
        return map;
    TZmd z;
    z.WorkFile.Open(copy);
    SetCurrentMap(&z);
    LoadMap();
    map.colours = z.ColorBlock;
    map.symbols = z.Symbols;
    SetCurrentMap(nullptr);
    return map;
}

BenchMap OrienteeringSymbols()
{
    BenchMap map = ShippedSymbolSet(QStringLiteral("orienteering-15000.zmd"));
    map.setup.HatchView = false;
    return map;
}

} // namespace zemo::bench
