// Shape files: the import of a set of 100,000 polygons (each a square with a square hole, one
// table record and one link each) into an empty map, and the export of the painters' generated
// map of 100,000 objects as point, line and area sets.
#include "BenchMap.h"
#include "PaintersMap.h"
#include "core/ByteIO.h"
#include "document/Index.h"
#include "io/shape/ExpShape.h"
#include "io/shape/ImpShape.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cstring>

using namespace zemo;
using namespace zemo::bench;

namespace {

constexpr int Polygons = 100000;

void PutBE(QByteArray& b, qsizetype at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((uint32_t(v) >> (8 * (3 - i))) & 0xFF);
}
void PutLE(QByteArray& b, qsizetype at, int32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}
void PutD(QByteArray& b, qsizetype at, double v)
{
    std::memcpy(b.data() + at, &v, 8);
}

// 100,000 polygons on a 400 x 250 grid of 4 m cells: a 3 m square with a 1 m hole each.
const ShapeFileSet& PolygonSet()
{
    static const ShapeFileSet set = [] {
        constexpr int content = 44 + 4 * 2 + 16 * 10;
        ShapeFileSet s;
        s.Shp = QByteArray(100 + Polygons * (8 + content), '\0');
        s.Shx = QByteArray(100 + Polygons * 8, '\0');
        for (QByteArray* f : {&s.Shp, &s.Shx}) {
            PutBE(*f, 0, 9994);
            PutBE(*f, 24, int32_t(f->size() / 2));
            PutLE(*f, 28, 1000);
            PutLE(*f, 32, 5);
        }
        for (int i = 0; i < Polygons; ++i) {
            const qsizetype at = 100 + qsizetype(i) * (8 + content);
            PutBE(s.Shx, 100 + 8 * i, int32_t(at / 2));
            PutBE(s.Shx, 104 + 8 * i, content / 2);
            PutBE(s.Shp, at, i + 1);
            PutBE(s.Shp, at + 4, content / 2);
            const qsizetype c = at + 8;
            PutLE(s.Shp, c, 5);
            PutLE(s.Shp, c + 36, 2);
            PutLE(s.Shp, c + 40, 10);
            PutLE(s.Shp, c + 48, 5);
            const double x = (i % 400) * 4.0 - 800, y = (i / 400) * 4.0 - 500;
            const double ring[10][2] = {{0, 0}, {0, 3}, {3, 3}, {3, 0}, {0, 0}, {1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}};
            for (int k = 0; k < 10; ++k) {
                PutD(s.Shp, c + 52 + 16 * k, x + ring[k][0]);
                PutD(s.Shp, c + 60 + 16 * k, y + ring[k][1]);
            }
        }
        // The table: one character field of 10.
        QByteArray d(32 + 32 + 1, '\0');
        d[0] = 3;
        PutLE(d, 4, Polygons);
        d[8] = char(65);
        d[10] = char(11);
        std::memcpy(d.data() + 32, "NAME", 4);
        d[32 + 11] = 'C';
        d[32 + 16] = 10;
        d[64] = 0x0D;
        for (int i = 0; i < Polygons; ++i)
            d.append(" " + QByteArray::number(i).leftJustified(10, ' '));
        s.Dbf = d;
        return s;
    }();
    return set;
}

// An empty map written once; each run imports into a copy of it.
const std::string& EmptyMap()
{
    static const std::string path = [] {
        BenchMap m;
        m.colours = BenchColours({{0, 0, 0, 200}});
        m.setup.MapScale = 10000;
        m.symbols.push_back(BenchSymbolHead(SymbolHeadBytes, 10, 1, 100, 0));
        return WriteBenchMap("shape_import", m);
    }();
    return path;
}

class OpenMap {
public:
    explicit OpenMap(const QString& path)
    {
        z_.WorkFile.Open(path);
        SetCurrentMap(&z_);
        LoadMap();
        Index.MapOpen = true;
    }
    ~OpenMap()
    {
        Index.MapOpen = false;
        SetCurrentMap(nullptr);
    }

private:
    TZmd z_;
};

void ImportOf100000Polygons(benchmark::State& state)
{
    const ShapeFileSet& set = PolygonSet();
    const QString copy = QString::fromStdString(EmptyMap()) + QStringLiteral(".run.zmd");
    ShapeImportSettings s;
    s.MapScale = 10000;
    s.Dataset = QStringLiteral("bench");
    s.TablePath = QDir::temp().filePath(QStringLiteral("zemo-bench-shape-%1.dbf").arg(QCoreApplication::applicationPid()));
    int objects = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(copy);
        QFile::copy(QString::fromStdString(EmptyMap()), copy);
        {
            OpenMap map(copy);
            state.ResumeTiming();
            objects = ImportShapeSet(set, s).Objects;
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    if (objects != Polygons)
        state.SkipWithError("not every polygon came in");
    QFile::remove(copy);
    QFile::remove(s.TablePath);
    state.counters["polygons/s"] = benchmark::Counter(double(state.iterations()) * Polygons, benchmark::Counter::kIsRate);
}
BENCHMARK(ImportOf100000Polygons)->Unit(benchmark::kMillisecond);

void ExportOfTheGeneratedMap(benchmark::State& state)
{
    static const std::string path = WritePaintersMapFile("shape_export");
    OpenMap map(QString::fromStdString(path));
    const QString target = QDir::temp().filePath(QStringLiteral("zemo-bench-shape-%1").arg(QCoreApplication::applicationPid()));
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (ShapeSetKind kind : {ShapeSetKind::Points, ShapeSetKind::Lines, ShapeSetKind::Areas}) {
            const QString shp = target + ShapeSetSuffix(kind);
            if (!WriteShapeSet(kind, shp, {})) {
                state.SkipWithError("the export failed");
                return;
            }
            bytes += QFile(shp).size();
        }
    }
    for (ShapeSetKind kind : {ShapeSetKind::Points, ShapeSetKind::Lines, ShapeSetKind::Areas})
        for (const char* ext : {".shp", ".shx", ".dbf"})
            QFile::remove((target + ShapeSetSuffix(kind)).chopped(4) + QLatin1String(ext));
    state.counters["objects/s"] = benchmark::Counter(double(state.iterations()) * ObjectCount, benchmark::Counter::kIsRate);
    state.counters["shp bytes"] = double(bytes);
}
BENCHMARK(ExportOfTheGeneratedMap)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
