// Opening a version-5 map of 50,000 objects (points, lines of 3 to 40 points with corner and
// curve markers, areas with holes, texts) and 300 symbols of every type: the whole conversion
// into a working copy through the open routine.
#include "core/ByteIO.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace zemo;

namespace {

constexpr int ObjectCount = 50000;
constexpr int SymbolCount = 300;

const QString& Scratch()
{
    static const QString dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "zemo_bench_convert_XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        static const std::string kept = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(kept, ec);
        });
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(pattern + "/state"));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(pattern + "/config"));
        QDir().mkpath(QString::fromStdString(pattern + "/state"));
        return QString::fromStdString(pattern);
    }();
    return dir;
}

void Put16(std::vector<uint8_t>& b, size_t at, int v)
{
    StoreLE<int16_t>(b.data() + at, int16_t(v));
}

// The old object of number o: its type, symbol and entries (x, y pairs, markers included).
std::vector<uint8_t> OldRecord(int o)
{
    const int kind = o % 10;
    const int type = kind < 3 ? 1 : kind < 8 ? 2 : kind == 8 ? 3 : 4;
    std::vector<int16_t> e;
    const int x0 = o % 400 * 72 - 14400, y0 = o / 400 % 400 * 72 - 14400;
    if (type == 1) {
        e = {int16_t(x0), int16_t(y0)};
    } else if (type == 2) {
        const int n = 3 + o % 38;
        for (int i = 0; i < n; ++i) {
            if (i % 7 == 3)
                e.insert(e.end(), {-32767, int16_t(i % 9)});
            if (i % 11 == 5 && i + 2 < n)
                e.insert(e.end(), {-32766, 0});
            e.insert(e.end(), {int16_t(x0 + 20 * i), int16_t(y0 + (i % 2) * 30)});
        }
    } else if (type == 3) {
        e = {int16_t(x0), int16_t(y0), int16_t(x0 + 300), int16_t(y0), int16_t(x0 + 300), int16_t(y0 + 300),
             -32768, 0, int16_t(x0 + 100), int16_t(y0 + 100), int16_t(x0 + 200), int16_t(y0 + 100),
             int16_t(x0 + 150), int16_t(y0 + 200)};
    } else {
        e = {int16_t(x0), int16_t(y0), int16_t(x0), int16_t(y0 - 50), int16_t(x0 + 300), int16_t(y0 - 50),
             int16_t(x0 + 300), int16_t(y0 + 150), int16_t(x0), int16_t(y0 + 150)};
    }
    std::vector<uint8_t> r(12 + 2 * e.size() + (type == 4 ? 12 : 0), 0);
    const int symbols[5] = {0, 10, 20, 30, 40};
    Put16(r, 0, (symbols[type] + 10 * (o % 60)) % 3000 + 10);
    r[2] = uint8_t(type);
    Put16(r, 4, int(e.size() / 2) + (type == 4 ? 3 : 0));
    for (size_t k = 0; k < e.size(); ++k)
        Put16(r, 12 + 2 * k, e[k]);
    if (type == 4) {
        const char text[] = "Hill top";
        std::copy(text, text + sizeof(text) - 1, r.begin() + 32);
    }
    r.resize((r.size() + 3) / 4 * 4, 0);
    return r;
}

QString OldMap()
{
    static const QString path = [] {
        const size_t d = size_t(ObjectCount + 1) * 24;
        std::vector<uint8_t> b(d + 1024, 0);
        Put16(b, 0, 0x5E71);
        Put16(b, 2, 204);
        Put16(b, 4, 5);
        StoreLE<int32_t>(b.data() + 8, int32_t(d));
        Put16(b, d + 8, 2);
        for (int o = 1; o <= ObjectCount; ++o) {
            const std::vector<uint8_t> r = OldRecord(o);
            StoreLE<int32_t>(b.data() + size_t(o) * 24 + 8, int32_t((b.size() - d) / 4));
            StoreLE<uint16_t>(b.data() + size_t(o) * 24 + 12, uint16_t(r.size() / 4));
            b.insert(b.end(), r.begin(), r.end());
        }
        const size_t block = b.size();
        StoreLE<int32_t>(b.data() + 12, int32_t(block));
        b.resize(block + 4880 + 480 * SymbolCount + 64, 0);
        Put16(b, block + 12, SymbolCount);
        Put16(b, block + 14, 16);
        for (int c = 0; c < 32; ++c) {
            Put16(b, block + 16 + 116 * size_t(c), c);
            StoreLE<int32_t>(b.data() + block + 16 + 116 * size_t(c) + 36, c * 0x070503);
        }
        for (int s = 0; s < SymbolCount; ++s) {
            const size_t at = block + 4880 + 192 * size_t(s);
            const int type = s % 5 + 1;
            Put16(b, at, 10 + 10 * s);
            Put16(b, at + 2, type);
            Put16(b, at + 4, type == 2 ? s % 24 : type == 3 ? s % 8 : type == 1 ? s % 3 : 0);
            for (size_t f : {112, 114})
                Put16(b, at + f, 1 + s % 5);
            for (size_t f : {144, 146, 148, 160, 162, 164, 166, 176, 178})
                Put16(b, at + f, 20 + s % 50);
            Put16(b, at + 64, 0);
            Put16(b, at + 80, 4);
        }
        const QString p = Scratch() + QStringLiteral("/old5.zmd");
        std::ofstream(p.toStdString(), std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        return p;
    }();
    return path;
}

void BM_ConvertVersion5(benchmark::State& state)
{
    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    const QString path = OldMap();
    int objects = 0, symbols = 0;
    for (auto _ : state) {
        if (!OpenMapByName(path)) {
            state.SkipWithError("the conversion failed");
            break;
        }
        state.PauseTiming();
        objects = CountObjects();
        symbols = Index.ActiveZmd->SymbolCount();
        CloseAllDocuments();
        state.ResumeTiming();
    }
    state.counters["objects"] = objects;
    state.counters["symbols"] = symbols;
    state.SetItemsProcessed(state.iterations() * ObjectCount);
}
BENCHMARK(BM_ConvertVersion5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
