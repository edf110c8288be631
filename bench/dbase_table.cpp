// A dBase table of 200,000 records (key, name, note; 81 bytes each): 10,000 finds by key with
// the key cache built, the cache's first build, and inserting a field (the whole table
// written beside itself and renamed over it).
#include "core/Messages.h"
#include "external/database/DBase.h"
#include "external/database/DbSys.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using namespace zemo;

constexpr int Records = 200000;
constexpr int Finds = 10000;

struct Table {
    QTemporaryDir dir;
    QByteArray bytes;

    Table()
    {
        DBaseNewHeader();
        DBaseAddField(QStringLiteral("ID"), 'C', 10, 0);
        DBaseAddField(QStringLiteral("NAME"), 'C', 30, 0);
        DBaseAddField(QStringLiteral("NOTE"), 'C', 40, 0);
        QByteArray header = DBaseHeaderBytes();
        header[4] = char(Records & 0xFF);
        header[5] = char((Records >> 8) & 0xFF);
        header[6] = char((Records >> 16) & 0xFF);
        bytes = header;
        bytes.reserve(header.size() + qsizetype(Records) * 81);
        for (int i = 0; i < Records; ++i) {
            DBasePutText(0, QString::number(i));
            DBasePutText(1, QStringLiteral("Name %1").arg(i));
            DBasePutText(2, QStringLiteral("note"));
            bytes.append(reinterpret_cast<const char*>(DBaseUnit.Record.data()), qsizetype(DBaseUnit.Record.size()));
        }
        Reset();
    }
    // The table file as first written, and nothing open.
    void Reset() const
    {
        ResetDBaseUnit();
        QFile f(dir.filePath(QStringLiteral("big.dbf")));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            std::abort();
    }
    QString Folder() const { return dir.path(); }
};

const Table& TheTable()
{
    static const Table* table = new Table;
    return *table;
}

std::vector<QString> Keys()
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, Records - 1);
    std::vector<QString> keys;
    for (int i = 0; i < Finds; ++i)
        keys.push_back(QString::number(pick(rng)));
    return keys;
}

void BM_TenThousandFinds(benchmark::State& state)
{
    const Table& t = TheTable();
    t.Reset();
    const std::vector<QString> keys = Keys();
    if (!DBaseFindRecord(t.Folder(), QStringLiteral("big"), QStringLiteral("ID"), keys[0]))
        state.SkipWithError("key not found");
    for (auto _ : state) {
        int found = 0;
        for (const QString& key : keys)
            found += DBaseFindRecord(t.Folder(), QStringLiteral("big"), QStringLiteral("ID"), key) ? 1 : 0;
        if (found != Finds)
            state.SkipWithError("a key was not found");
    }
    state.SetItemsProcessed(state.iterations() * Finds);
}
BENCHMARK(BM_TenThousandFinds)->Unit(benchmark::kMillisecond);

void BM_KeyCacheBuild(benchmark::State& state)
{
    const Table& t = TheTable();
    t.Reset();
    for (auto _ : state) {
        ResetDBaseUnit();
        if (!DBaseFindRecord(t.Folder(), QStringLiteral("big"), QStringLiteral("ID"), QStringLiteral("199999")))
            state.SkipWithError("key not found");
    }
    state.SetItemsProcessed(state.iterations() * Records);
}
BENCHMARK(BM_KeyCacheBuild)->Unit(benchmark::kMillisecond);

void BM_InsertField(benchmark::State& state)
{
    const Table& t = TheTable();
    for (auto _ : state) {
        state.PauseTiming();
        t.Reset();
        state.ResumeTiming();
        if (!DBaseOpenTable(t.Folder(), QStringLiteral("big"))
            || !DBaseInsertFieldAt(1, QStringLiteral("MORE"), 'C', 20))
            state.SkipWithError("restructuring failed");
    }
    state.SetBytesProcessed(state.iterations() * int64_t(t.bytes.size()));
}
BENCHMARK(BM_InsertField)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    zemo::RecordingMessages messages;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
