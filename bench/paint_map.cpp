// The document window's paint of a big map: 100,000 objects (lines of short segments, areas
// shown hatched, point rings) on 400 x 300 mm of paper, painted offscreen into a 1757 x 918
// window at the view a map opens with (zoom 4 at its centre) and with the entire map in view.
// ZEMO_PAINT_MAP_DIR=<folder> keeps both pictures there, to compare two builds pixel by pixel.
// The window's own input check runs after every object, as in the program.
#include "core/ByteIO.h"
#include "core/Config.h"
#include "core/Element.h"
#include "core/Setup.h"
#include "core/widgets/EscapeFilter.h"
#include "document/Index.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/Areas.h"
#include "render/GraphSys.h"
#include "render/Lines.h"
#include "render/Points.h"
#include "symbols/store/SymbolRecords.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zemo;

namespace {

constexpr int ObjectCount = 100000;
constexpr int WindowWidth = 1757, WindowHeight = 918;
constexpr double MapWidthMm = 400, MapHeightMm = 300;
constexpr int32_t Mm = 100 * UnitsPerHundredthMm;

std::string MapPath()
{
    return std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/zemo_bench_paint_map_"
        + std::to_string(::getpid()) + ".zmd";
}

struct Symbol {
    SymbolBytes bytes;
    int color;
};

// 0 brown contour, 1 black path (lines 0.1 mm wide: 1 pixel at both views); 2 yellow,
// 3 green, 4 blue areas; 5 a black ring 0.8 mm across.
std::vector<Symbol> Symbols()
{
    std::vector<Symbol> s;
    const auto head = [](int size, int number, int type, int extent, int color) {
        SymbolBytes b(size_t(size), 0);
        SetSymI16(b, SymSize, int16_t(size));
        SetSymI16(b, SymNumber, int16_t(number));
        SetSymI16(b, SymObjectType, int16_t(type));
        SetSymI16(b, SymExtent, int16_t(extent));
        ColorSet set;
        set.set(size_t(color));
        SetSymColors(b, set);
        return Symbol{b, color};
    };
    for (auto [number, color] : {std::pair{1010, 2}, std::pair{5060, 0}}) {
        Symbol l = head(424, number, LineObject, 10, color);
        SetSymI16(l.bytes, LsLineColor, int16_t(color));
        SetSymI16(l.bytes, LsLineWidth, 10);
        s.push_back(l);
    }
    for (auto [number, color] : {std::pair{4010, 4}, std::pair{4060, 3}, std::pair{3010, 1}}) {
        Symbol a = head(AreaSymbolFixedBytes, number, AreaObject, 0, color);
        SetSymI16(a.bytes, AreaFillOn, -1);
        SetSymI16(a.bytes, AreaFillColor, int16_t(color));
        s.push_back(a);
    }
    Symbol p = head(PointSymbolFixedBytes + 24, 5010, PointObject, 46, 0);
    SetSymI16(p.bytes, PointSymbolSlotsOffset, 3);
    const size_t e = PointSymbolFixedBytes;
    SetSymI16(p.bytes, e + 0, ElementCircle);
    SetSymI16(p.bytes, e + 4, 0);     // colour
    SetSymI16(p.bytes, e + 6, 12);    // width
    SetSymI16(p.bytes, e + 8, 80);    // diameter
    SetSymI16(p.bytes, e + 10, 1);    // one Cord, the centre
    s.push_back(p);
    return s;
}

struct Object {
    int symbol;
    std::vector<Cord> cords;
};

Cord At(double xMm, double yMm)
{
    return {Masked(int32_t(std::lround(xMm * Mm))), Masked(int32_t(std::lround(yMm * Mm)))};
}

// 40 % lines wandering in steps of 0.1 to 0.3 mm (1 to 4 pixels at zoom 4), 35 % areas 1 to 2 mm across their centre,
// 25 % rings, spread evenly over the paper around the map origin.
std::vector<Object> Objects()
{
    std::vector<Object> objects;
    objects.reserve(ObjectCount);
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> ux(-MapWidthMm / 2, MapWidthMm / 2), uy(-MapHeightMm / 2, MapHeightMm / 2),
        unit(0, 1);
    for (int i = 0; i < ObjectCount; ++i) {
        const int kind = i % 20;
        double x = ux(rng), y = uy(rng);
        Object o;
        if (kind < 8) {
            o.symbol = kind < 5 ? 0 : 1;
            double heading = unit(rng) * 6.2832;
            for (int k = 0, n = 20 + int(unit(rng) * 30); k < n; ++k) {
                o.cords.push_back(At(x, y));
                heading += (unit(rng) - 0.5) * 0.6;
                const double step = 0.1 + unit(rng) * 0.2;
                x += step * std::cos(heading);
                y += step * std::sin(heading);
            }
        } else if (kind < 15) {
            o.symbol = 2 + kind % 3;
            const int n = 16 + int(unit(rng) * 24);
            const double r = 1 + unit(rng);
            for (int k = 0; k < n; ++k) {
                const double a = k * 6.2832 / n;
                const double rr = r * (0.75 + 0.25 * unit(rng));
                o.cords.push_back(At(x + rr * std::cos(a), y + rr * std::sin(a)));
            }
            o.cords.push_back(o.cords.front());
        } else {
            o.symbol = 5;
            o.cords.push_back(At(x, y));
        }
        objects.push_back(std::move(o));
    }
    return objects;
}

// Written field by field through the store's own record writers: header, colours, setup (areas
// shown hatched), symbols, then each object index block followed by its records.
const std::string& GeneratedMap()
{
    static const std::string path = [] {
        const std::string p = MapPath();
        const std::vector<Symbol> symbols = Symbols();
        const std::vector<Object> objects = Objects();
        std::vector<uint8_t> b;
        ByteWriter w(b);
        w.AddZeros(VariablePartPos);
        SymbolHeaderBlock colours;
        colours.ColorCount = 5;
        // Black, blue, brown, green, yellow.
        const uint8_t cmyk[5][4] = {
            {0, 0, 0, 200}, {200, 0, 0, 0}, {0, 112, 200, 36}, {152, 0, 182, 0}, {0, 54, 200, 0}};
        for (int i = 0; i < 5; ++i) {
            colours.Colors[size_t(i)].Number = uint16_t(i);
            colours.Colors[size_t(i)].Cmyk = {cmyk[i][0], cmyk[i][1], cmyk[i][2], cmyk[i][3]};
        }
        w.PutBytes(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(colours));
        SetupRecord setup = DefaultSetupRecord();
        setup.HatchView = true;
        w.AddBytes(WriteSetupBytes(setup));
        const int32_t symbolBlock = int32_t(b.size());
        w.AddI32(0);
        int32_t at = symbolBlock + SymbolIndexBlockBytes;
        for (const Symbol& s : symbols) {
            w.AddI32(at);
            at += int32_t(s.bytes.size());
        }
        w.AddZeros((256 - symbols.size()) * 4);
        for (const Symbol& s : symbols)
            w.AddBytes(s.bytes);
        const int32_t firstBlock = int32_t(b.size());
        for (size_t k = 0; k < objects.size(); k += 256) {
            const size_t n = std::min<size_t>(256, objects.size() - k);
            size_t records = b.size() + ObjectIndexBlockBytes;
            size_t next = records;
            for (size_t i = 0; i < n; ++i)
                next += 32 + 8 * objects[k + i].cords.size();
            w.AddI32(k + 256 < objects.size() ? int32_t(next) : 0);
            for (size_t i = 0; i < 256; ++i) {
                ObjectIndexEntry e;
                if (i < n) {
                    const Object& o = objects[k + i];
                    const SymbolBytes& sym = symbols[size_t(o.symbol)].bytes;
                    const int32_t extent = SymI16(sym, SymExtent) * UnitsPerHundredthMm;
                    CordRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
                    for (Cord c : o.cords)
                        r = {std::min(r.x1, c.x - extent), std::min(r.y1, c.y - extent),
                             std::max(r.x2, c.x + extent), std::max(r.y2, c.y + extent)};
                    e = {r, int32_t(records), uint16_t(o.cords.size()), uint16_t(SymI16(sym, SymNumber))};
                    records += 32 + 8 * o.cords.size();
                }
                w.AddBytes(WriteObjectIndexEntry(e));
            }
            for (size_t i = 0; i < n; ++i) {
                const Object& o = objects[k + i];
                const SymbolBytes& sym = symbols[size_t(o.symbol)].bytes;
                w.AddI16(SymI16(sym, SymNumber));
                w.AddU8(uint8_t(SymI16(sym, SymObjectType)));
                w.AddU8(0);
                w.AddU16(uint16_t(o.cords.size()));
                w.AddZeros(26);
                for (Cord c : o.cords) {
                    w.AddI32(c.x);
                    w.AddI32(c.y);
                }
            }
        }
        MapFileHeader h;
        h.SymbolIndexPos = symbolBlock;
        h.ObjectIndexPos = firstBlock;
        h.SetupPos = VariablePartPos;
        h.SetupSize = int32_t(SetupRecordBytes);
        w.PutBytes(0, WriteMapHeaderBytes(h));
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        std::atexit([] { std::remove(MapPath().c_str()); });
        return p;
    }();
    return path;
}

// Zoom 4 at the centre is the view a map opens with; the entire map needs the zoom at which
// its paper nearly fills the window (1 pixel is 0.32 mm / zoom).
void PaintMap(benchmark::State& state, double zoom, const char* picture)
{
    ResetIndexState();
    ResetWorkUnit();
    InitGraphSys();
    ProgramConfig.ScreenGrid = false;
    TZmd z;
    z.WorkFile.Open(QString::fromStdString(GeneratedMap()));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
    if (!z.Setup.HatchView) {
        state.SkipWithError("the map does not show its areas hatched");
        return;
    }
    z.Setup.Zoom = zoom;
    z.Setup.ViewCenterX = 0;
    z.Setup.ViewCenterY = 0;
    ImageMapWindow win(WindowWidth, WindowHeight);
    MapView view;
    InitMapView(view, &win);
    view.MapShown = true;
    FormResize(view, WindowWidth, WindowHeight);
    Work.ActiveView = &view;
    for (auto _ : state) {
        view.PendingValid = false;
        WorkWinWmPaint(view, {0, 0, WindowWidth, WindowHeight});
    }
    if (view.PendingValid)
        state.SkipWithError("the paint did not finish");
    const QByteArray keep = qgetenv("ZEMO_PAINT_MAP_DIR");
    if (!keep.isEmpty())
        win.image.save(QDir(QString::fromLocal8Bit(keep)).filePath(QString::fromLatin1(picture)));
    UnregisterMapView(&view);
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
}

void BM_PaintMapDefaultView(benchmark::State& state) { PaintMap(state, 4.0, "default-view.png"); }
BENCHMARK(BM_PaintMapDefaultView)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintMapEntireMap(benchmark::State& state)
{
    const double zoom = std::min(WindowWidth / MapWidthMm, WindowHeight / MapHeightMm) * 0.32 * 0.95;
    PaintMap(state, zoom, "entire-map.png");
}
BENCHMARK(BM_PaintMapEntireMap)->Unit(benchmark::kMillisecond)->Iterations(3);

// The check the program binds for its document windows.
void BindWindowInputCheck()
{
    EscapeFilter::Install();
    EditPorts().PollInput.Bind([] { return EscapeFilter::Install()->PollForInput(); });
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BindWindowInputCheck();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
