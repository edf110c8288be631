// LZW throughput, ours against libtiff's LZW codec on the same 1 MB inputs (bytes/s are
// uncompressed bytes).
//
// Like with like: both sides run the TIFF form (code size 8, MSB-first, no predictor).
// - Encode: ours takes the input byte by byte (TiffLzwEncodeByte) or as one buffer
//   (TiffLzwEncodeBytes) and writes into a preallocated buffer;
//   libtiff compresses one 1024 x 1024 8-bit strip with TIFFWriteEncodedStrip into an
//   in-memory TIFF (TIFFClientOpen). libtiff's figure includes opening the in-memory file and
//   writing its small directory, a few microseconds against milliseconds of coding.
// - Decode: both decode the very same stream, the strip libtiff wrote. libtiff decodes it
//   with TIFFReadEncodedStrip from a memory-mapped in-memory TIFF opened once (no copy of the
//   raw strip); ours is fed the strip byte by byte (TiffLzwDecodeByte) or as one buffer
//   (TiffLzwDecodeBytes), with an output that takes each decoded string or single bytes,
//   writing into a preallocated buffer as libtiff does.
#include "core/Lzw.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int Side = 1024;
constexpr size_t Size = size_t(Side) * Side;

// Map-like raster: runs of a few colours with repeated stretches.
Bytes lowEntropy()
{
    std::mt19937 rng(1);
    Bytes out;
    out.reserve(Size);
    const uint8_t colours[6] = {255, 0, 80, 160, 200, 30};
    while (out.size() < Size) {
        const uint32_t r = rng();
        if (r % 4 == 0 && out.size() > Side) {
            const size_t len = 8 + (r >> 8) % 120;
            const size_t from = out.size() - Side; // the row above
            for (size_t i = 0; i < len && out.size() < Size; ++i)
                out.push_back(out[from + i]);
        } else {
            const size_t len = 1 + (r >> 8) % 40;
            for (size_t i = 0; i < len && out.size() < Size; ++i)
                out.push_back(colours[(r >> 16) % 6]);
        }
    }
    return out;
}

Bytes highEntropy()
{
    std::mt19937 rng(2);
    Bytes out(Size);
    for (uint8_t& b : out)
        b = uint8_t(rng());
    return out;
}

const Bytes& input(int64_t kind)
{
    static const Bytes low = lowEntropy();
    static const Bytes high = highEntropy();
    return kind == 0 ? low : high;
}

// An in-memory file for TIFFClientOpen.
struct MemFile {
    Bytes bytes;
    size_t pos = 0;
};

tmsize_t memRead(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<MemFile*>(h);
    const size_t count = std::min(size_t(n), f->bytes.size() - std::min(f->pos, f->bytes.size()));
    std::memcpy(buf, f->bytes.data() + f->pos, count);
    f->pos += count;
    return tmsize_t(count);
}

tmsize_t memWrite(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<MemFile*>(h);
    if (f->pos + size_t(n) > f->bytes.size())
        f->bytes.resize(f->pos + size_t(n));
    std::memcpy(f->bytes.data() + f->pos, buf, size_t(n));
    f->pos += size_t(n);
    return n;
}

toff_t memSeek(thandle_t h, toff_t off, int whence)
{
    auto* f = static_cast<MemFile*>(h);
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? int64_t(f->pos) : int64_t(f->bytes.size());
    const int64_t to = base + int64_t(off);
    if (to < 0)
        return toff_t(-1);
    f->pos = size_t(to);
    return toff_t(to);
}

int memClose(thandle_t)
{
    return 0;
}

toff_t memSize(thandle_t h)
{
    return static_cast<MemFile*>(h)->bytes.size();
}

int memMap(thandle_t h, void** base, toff_t* size)
{
    auto* f = static_cast<MemFile*>(h);
    *base = f->bytes.data();
    *size = f->bytes.size();
    return 1;
}

void memUnmap(thandle_t, void*, toff_t) {}

TIFF* openMem(MemFile& f, const char* mode)
{
    f.pos = 0;
    return TIFFClientOpen("mem", mode, &f, memRead, memWrite, memSeek, memClose, memSize, memMap,
                          memUnmap);
}

// libtiff compresses the input into an in-memory TIFF.
void libtiffWrite(MemFile& f, const Bytes& data)
{
    f.bytes.clear();
    TIFF* tif = openMem(f, "w");
    if (!tif)
        throw std::runtime_error("TIFFClientOpen failed");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(Side));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(Side));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_LZW));
    TIFFSetField(tif, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_NONE));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(Side));
    if (TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(data.data()), tmsize_t(data.size())) < 0)
        throw std::runtime_error("TIFFWriteEncodedStrip failed");
    TIFFClose(tif);
}

// The raw LZW strip of an in-memory TIFF.
Bytes rawStrip(MemFile& f)
{
    TIFF* tif = openMem(f, "r");
    uint64_t* counts = nullptr;
    TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts);
    Bytes raw(static_cast<size_t>(counts[0]));
    TIFFReadRawStrip(tif, 0, raw.data(), tmsize_t(raw.size()));
    TIFFClose(tif);
    return raw;
}

template <bool Buffer>
void BM_OursEncode(benchmark::State& state)
{
    const Bytes& data = input(state.range(0));
    Bytes out(data.size() * 3 / 2 + 64);
    size_t written = 0;
    zemo::BasicLzwEncoder encoder([&](uint8_t b) {
        out[written++] = b;
        return true;
    });
    for (auto _ : state) {
        written = 0;
        encoder.TiffLzwEncodeInit();
        if constexpr (Buffer) {
            encoder.TiffLzwEncodeBytes(data.data(), data.size());
        } else {
            for (uint8_t b : data)
                encoder.TiffLzwEncodeByte(b);
        }
        if (!encoder.TiffLzwEncodeFinish())
            state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    state.counters["ratio"] = double(data.size()) / double(written);
}

void BM_LibtiffEncode(benchmark::State& state)
{
    const Bytes& data = input(state.range(0));
    MemFile f;
    f.bytes.reserve(data.size() * 3 / 2 + 4096);
    for (auto _ : state) {
        libtiffWrite(f, data);
        benchmark::DoNotOptimize(f.bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    state.counters["ratio"] = double(data.size()) / double(rawStrip(f).size());
}

template <bool Buffer, class Decoder>
void decodeAll(Decoder& decoder, const Bytes& raw)
{
    decoder.LzwDecodeInit(8);
    if constexpr (Buffer) {
        decoder.TiffLzwDecodeBytes(raw.data(), raw.size());
    } else {
        for (uint8_t b : raw)
            if (!decoder.TiffLzwDecodeByte(b))
                break;
    }
}

template <bool Buffer>
void BM_OursDecodeStringOutput(benchmark::State& state)
{
    const Bytes& data = input(state.range(0));
    MemFile f;
    libtiffWrite(f, data);
    const Bytes raw = rawStrip(f);
    Bytes out(data.size());
    size_t pos = 0;
    zemo::BasicLzwDecoder decoder([&](const uint8_t* p, size_t n) {
        n = std::min(n, out.size() - pos);
        std::memcpy(out.data() + pos, p, n);
        pos += n;
    });
    for (auto _ : state) {
        pos = 0;
        decodeAll<Buffer>(decoder, raw);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != data || !decoder.EndSeen())
        state.SkipWithError("decoded data differ");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

template <bool Buffer>
void BM_OursDecodeByteOutput(benchmark::State& state)
{
    const Bytes& data = input(state.range(0));
    MemFile f;
    libtiffWrite(f, data);
    const Bytes raw = rawStrip(f);
    Bytes out(data.size());
    size_t pos = 0;
    zemo::BasicLzwDecoder decoder([&](uint8_t b) {
        if (pos < out.size())
            out[pos++] = b;
    });
    for (auto _ : state) {
        pos = 0;
        decodeAll<Buffer>(decoder, raw);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != data || !decoder.EndSeen())
        state.SkipWithError("decoded data differ");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void BM_LibtiffDecode(benchmark::State& state)
{
    const Bytes& data = input(state.range(0));
    MemFile f;
    libtiffWrite(f, data);
    TIFF* tif = openMem(f, "r");
    Bytes out(data.size());
    for (auto _ : state) {
        if (TIFFReadEncodedStrip(tif, 0, out.data(), tmsize_t(out.size())) != tmsize_t(out.size()))
            state.SkipWithError("TIFFReadEncodedStrip failed");
        benchmark::DoNotOptimize(out.data());
    }
    TIFFClose(tif);
    if (out != data)
        state.SkipWithError("decoded data differ");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

// Argument 0: low-entropy raster, 1: random bytes.
BENCHMARK(BM_LibtiffEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursEncode<false>)->Name("BM_OursEncodeByByte")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursEncode<true>)->Name("BM_OursEncodeBuffer")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDecodeStringOutput<false>)->Name("BM_OursDecodeByByte")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDecodeStringOutput<true>)->Name("BM_OursDecodeBuffer")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDecodeByteOutput<false>)->Name("BM_OursDecodeByByteByteOutput")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDecodeByteOutput<true>)->Name("BM_OursDecodeBufferByteOutput")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
