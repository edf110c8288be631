// A map file of arbitrary bytes opened the way File > Open does it: the version switch, the
// working copy in the state folder and the upgrade of version 6 and 7 maps in it, the set-up
// after the open, reading every object, closing. Then the same bytes as the other map that
// symbols and colours are taken from, on a small valid map. None of it may crash, hang or
// read outside the file; a refused open says why; what an open wrote into its working copy
// is a map again; and no working copy is left behind.
#include "FuzzScratch.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/NewMap.h"
#include "document/Open.h"

#include <QDir>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace zemo;

struct Env {
    QString dir;       // this process's own temp folder (mkdtemp)
    QString input;     // the input bytes as a map file
    QString copy;      // a copy of a working file, loaded again
    QString base;      // the small valid map that takes symbols and colours
};

[[noreturn]] void Fail(const char* why) { fuzz::Fail("open_map", why); }

void WriteBytes(const QString& path, const uint8_t* data, size_t size)
{
    std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out)
        Fail("cannot write the input file");
}

QStringList WorkingCopies()
{
    return QDir(StateFolder()).entryList({QStringLiteral("temp*.~md")}, QDir::Files | QDir::Hidden);
}

// Every object, string, the extent and the info text of the current map.
void ReadEverything()
{
    TZmd& z = *Index.ActiveZmd;
    for (int n = 1; n <= z.HighestObject; ++n)
        ReadElement(n, Index.DrawElement);
    StartElementScan(0);
    while (NextElementInRect({-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit}, 0))
        ;
    for (int s = 0; s < int(z.StringBlocks.size()) * 256; ++s)
        ReadPString(s);
    CordRect r;
    GetMapExtent(r);
    MarkUsedSymbols();
    ReadInfoText();
    CountObjects();
}

// The current map's working file, copied out and loaded on its own: what the open or the
// loads wrote must be a map again. With sameSymbols, also with the same symbols: not asked of
// an input map, whose symbol records may overlap its setup record, which the open rewrites.
void ReloadWorkingFile(const Env& env, bool sameSymbols)
{
    TZmd* const cur = Index.ActiveZmd;
    const int symbols = cur->SymbolCount();
    if (!ReplaceFileWithCopy(cur->WorkFile, env.copy))
        Fail("cannot copy the working file");
    const bool wasOpen = Index.MapOpen;
    {
        auto again = std::make_unique<TZmd>();
        SetCurrentMap(again.get());
        try {
            again->WorkFile.Open(env.copy);
            LoadMap();
            ReadEverything();
        } catch (const EAbort&) {
            Fail("the working file does not load again");
        }
        if (sameSymbols && again->SymbolCount() != symbols)
            Fail("the working file loads with other symbols");
        SetCurrentMap(nullptr);
    }
    SetCurrentMap(cur);
    Index.MapOpen = wasOpen;
    QFile::remove(env.copy);
}

// A valid current-version map with a few objects, made by the program's own File > New path
// and saved as env.base.
void MakeBaseMap(const Env& env)
{
    auto owned = std::make_unique<TZmd>();
    SetCurrentMap(owned.get());
    try {
        if (!CreateEmptyMap())
            Fail("cannot make the base map");
        ElementRecord& e = Index.CurElement;
        const int32_t mm = 25600;
        e = ElementRecord{};
        e.Symbol = 10;
        e.ObjectType = PointObject;
        e.nItem = 1;
        e.Slots[0] = {10 * mm, 20 * mm};
        AppendElement();
        e = ElementRecord{};
        e.Symbol = 20;
        e.ObjectType = LineObject;
        e.nItem = 3;
        e.Slots[0] = {0, 0};
        e.Slots[1] = {5 * mm, 0};
        e.Slots[2] = {10 * mm, 5 * mm};
        AppendElement();
        e = ElementRecord{};
        e.Symbol = 40;
        e.ObjectType = TextObject;
        e.nItem = 1;
        e.nText = 1;
        e.Slots[0] = {mm, mm};
        e.Slots[1] = {0x6c6c6948, 0};  // "Hill"
        AppendElement();
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
        Env e;
        e.dir = fuzz::MakeScratchFolder("open");
        e.input = e.dir + QStringLiteral("/input.zmd");
        e.copy = e.dir + QStringLiteral("/reloaded.zmd");
        e.base = e.dir + QStringLiteral("/base.zmd");
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

void CheckNoWorkingCopy()
{
    if (!Opening.OpenDocuments.empty())
        Fail("a document stayed open after its close");
    if (!WorkingCopies().isEmpty())
        Fail("a working copy was left in the state folder");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Env& env = Setup();
    WriteBytes(env.input, data, size);

    // File > Open: version 6 and 7 maps are opened when asked.
    {
        RecordingMessages messages;
        messages.SetDefaultAnswer(IdOk);
        if (OpenMapByName(env.input)) {
            if (!Index.ActiveZmd || !Index.MapOpen)
                Fail("an open map is not current");
            ReadEverything();
            ReloadWorkingFile(env, false);
            CloseDocument(Index.ActiveZmd);
        } else if (messages.Count() == 0) {
            Fail("a refused open says nothing");
        }
        CheckNoWorkingCopy();
    }

    // The input as the other map of the symbol and colour loads.
    {
        RecordingMessages messages;
        messages.SetDefaultAnswer(IdOk);
        if (!OpenMapByName(env.base))
            Fail("the base map does not open");
        TZmd* const z = Index.ActiveZmd;
        if (LoadSymbolFile(env.input)) {
            UpdateObjectsOfSymbols(1, 9999);
            ReadEverything();
        }
        LoadColorsFromFile(env.input);
        ReloadWorkingFile(env, true);
        CloseDocument(z);
        CheckNoWorkingCopy();
    }
    QFile::remove(env.input);
    return 0;
}
