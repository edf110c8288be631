// A clipboard block of copied symbols from another process, arbitrary bytes. The parse either
// refuses the whole block or gives records of sizes a map file allows that fill the block up
// to its zero word; packing them again and parsing gives the same records. A block that
// parses is pasted into a small map twice (before the current symbol, then at the end): the
// map gains exactly those records, each usable, and its working file loads again with them.
#include "FuzzScratch.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/NewMap.h"
#include "document/Open.h"
#include "symbols/SymbolMenu.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace zemo;

struct Env {
    QString dir;
    QString base;  // a small map with two symbols
    QString copy;  // a working file copied out and loaded again
};

[[noreturn]] void Fail(const char* why) { fuzz::Fail("symbol_paste", why); }

SymbolBytes PointSymbol(int16_t number)
{
    SymbolBytes rec(352, 0);
    SetSymI16(rec, SymSize, 352);
    SetSymI16(rec, SymNumber, number);
    SetSymI16(rec, SymObjectType, 1);
    NormalizeSymbol(rec);
    return rec;
}

void MakeBaseMap(const Env& env)
{
    auto owned = std::make_unique<TZmd>();
    SetCurrentMap(owned.get());
    try {
        if (!CreateEmptyMap())
            Fail("cannot make the base map");
        owned->AddNewSymbol(PointSymbol(100));
        owned->AddNewSymbol(PointSymbol(200));
        owned->WriteSymbolIndex();
        WriteSetup();
        if (!ReplaceFileWithCopy(owned->WorkFile, env.base))
            Fail("cannot save the base map");
        owned->WorkFile.CloseAndDelete();
    } catch (const EAbort&) {
        Fail("cannot make the base map");
    }
    SetCurrentMap(nullptr);
    Index.MapOpen = false;
}

const Env& Setup()
{
    static const Env env = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_symbol_paste";
        static char* argv[] = {name, nullptr};
        static QGuiApplication app(argc, argv);

        Env e;
        e.dir = fuzz::MakeScratchFolder("paste");
        e.base = e.dir + QStringLiteral("/base.zmd");
        e.copy = e.dir + QStringLiteral("/reloaded.zmd");
        ResetOpenUnit();
        ResetIndexState();
        DefaultConfig(ProgramConfig);
        ProgramConfig.AutoSave = false;
        RecordingMessages quiet;
        MakeBaseMap(e);
        return e;
    }();
    return env;
}

// The record is one a map holds: its size word is its length, a multiple of 4, in range.
bool Usable(const SymbolBytes& rec)
{
    const int16_t size = SymI16(rec, SymSize);
    return size >= MinSymbolBytes && size <= MaxSymbolBytes && size_t(size) == rec.size() && size % 4 == 0;
}

void Paste(const QByteArray& block, int current, size_t records)
{
    TZmd& z = *Index.ActiveZmd;
    SetCurrentSymbolPos(current);
    const int before = z.SymbolCount();
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(SymbolMimeType), block);
    QGuiApplication::clipboard()->setMimeData(mime);
    const bool pasted = PasteSymbol();
    if (pasted != (records > 0 && before < MaxSymbols))
        Fail("a parsed block was not pasted");
    if (z.SymbolCount() != std::min(before + int(records), MaxSymbols))
        Fail("the paste did not add every record");
    for (const SymbolBytes& s : z.Symbols)
        if (!Usable(s))
            Fail("a pasted symbol is not usable");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Env& env = Setup();
    const QByteArray block(reinterpret_cast<const char*>(data), qsizetype(size));

    std::vector<SymbolBytes> records;
    if (!UnpackSymbolClipboard(block, records)) {
        if (!records.empty())
            Fail("a refused block gave records");
        return 0;
    }
    size_t total = 0;
    for (const SymbolBytes& r : records) {
        const int16_t s = SymI16(r, SymSize);
        if (s < MinSymbolBytes || s > MaxSymbolBytes || size_t(s) != r.size())
            Fail("a record of a size no map allows");
        total += r.size();
    }
    if (total + 2 > size || data[total] != 0 || data[total + 1] != 0)
        Fail("the records do not end at the zero word");
    {
        std::vector<std::span<const uint8_t>> spans(records.begin(), records.end());
        std::vector<SymbolBytes> again;
        if (!UnpackSymbolClipboard(PackSymbolClipboard(spans), again) || again.size() != records.size())
            Fail("a packed block does not parse again");
        for (size_t i = 0; i < again.size(); ++i)
            if (again[i].size() != records[i].size() || SymI16(again[i], SymNumber) != SymI16(records[i], SymNumber))
                Fail("a packed block parses to other records");
    }

    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    if (!OpenMapByName(env.base))
        Fail("the base map does not open");
    TZmd* const z = Index.ActiveZmd;
    Paste(block, 0, records.size());
    Paste(block, -1, records.size());
    const int symbols = z->SymbolCount();
    if (!ReplaceFileWithCopy(z->WorkFile, env.copy))
        Fail("cannot copy the working file");
    {
        auto again = std::make_unique<TZmd>();
        SetCurrentMap(again.get());
        try {
            again->WorkFile.Open(env.copy);
            LoadMap();
        } catch (const EAbort&) {
            Fail("the map does not load after the paste");
        }
        if (again->SymbolCount() != symbols)
            Fail("the map loads with other symbols after the paste");
        SetCurrentMap(nullptr);
    }
    SetCurrentMap(z);
    Index.MapOpen = true;
    CloseDocument(z);
    if (!Opening.OpenDocuments.empty()
        || !QDir(StateFolder()).entryList({QStringLiteral("temp*.~md")}, QDir::Files).isEmpty())
        Fail("a working copy was left");
    QFile::remove(env.copy);
    return 0;
}
