// What the fuzz targets that work on map files share: a private scratch folder made once per
// process and removed when the run ends, with the state and configuration folders inside it so
// that working copies and settings never reach the user's own; the units a map opens through,
// reset once; the base map, built by the test map writer; the input written as a file; reading
// a map through; and loading a map again after the edits, to see that what they wrote is a map.
#pragma once

#include "support/CurrentMap.h"
#include "support/TestMapWriter.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "document/Open.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace zemo::fuzz {

[[noreturn]] inline void Fail(const char* target, const char* why)
{
    std::fprintf(stderr, "%s: %s\n", target, why);
    std::abort();
}

inline QString MakeScratchFolder(const char* target)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zemo_fuzz_" + target
        + "_XXXXXX";
    if (!::mkdtemp(pattern.data()))
        Fail(target, "mkdtemp failed");
    static const std::string* folder = new std::string(pattern);
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(*folder, ec);
    });
    const QString dir = QString::fromStdString(pattern);
    qputenv("XDG_STATE_HOME", (dir + QStringLiteral("/state")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir + QStringLiteral("/config")).toUtf8());
    QDir().mkpath(dir + QStringLiteral("/state"));
    QDir().mkpath(dir + QStringLiteral("/config"));
    return dir;
}

// The open unit, the store and the configuration as at start-up, without automatic saves.
inline void ResetMapUnits()
{
    ResetOpenUnit();
    ResetIndexState();
    DefaultConfig(ProgramConfig);
    ProgramConfig.AutoSave = false;
}

// The scratch folder of a target that opens maps, with the map it starts from and a name for
// working files copied out to load again.
struct MapScratch {
    QString dir;
    QString base;
    QString copy;
};

// Once per process: the folder made, the units reset, the base map written.
inline MapScratch SetUpMaps(const char* target, const test::TestMapWriter& base)
{
    MapScratch s;
    s.dir = MakeScratchFolder(target);
    s.base = s.dir + QStringLiteral("/base.zmd");
    s.copy = s.dir + QStringLiteral("/reloaded.zmd");
    ResetMapUnits();
    if (!base.WriteTo(QFile::encodeName(s.base).toStdString()))
        Fail(target, "cannot write the base map");
    return s;
}

inline void WriteInput(const char* target, const QString& path, const uint8_t* data, size_t size)
{
    if (!test::WriteFileBytes(QFile::encodeName(path).toStdString(),
                              std::vector<uint8_t>(data, data + size)))
        Fail(target, "cannot write the input file");
}

// Every object by number and by scan, every parameter string, the extent, the symbols in use
// and the information text of the current map.
inline void ReadEverything()
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
}

// A map file loaded on its own as the current map, for `check` to look at; then the map before
// is current again. A file that does not load ends the run with `why`.
template <class Check>
void LoadAgain(const char* target, const QString& path, const char* why, Check&& check)
{
    TZmd* const before = Index.ActiveZmd;
    const bool wasOpen = Index.MapOpen;
    try {
        std::unique_ptr<TZmd> again = test::OpenAsCurrentMap(path.toStdString());
        check(*again);
        test::CloseCurrentMap(again);
    } catch (const EAbort&) {
        Fail(target, why);
    }
    SetCurrentMap(before);
    Index.MapOpen = wasOpen;
}

// The current map's working file copied out to `copy` and loaded from there (LoadAgain).
template <class Check>
void ReloadWorkingFile(const char* target, const QString& copy, Check&& check)
{
    if (!ReplaceFileWithCopy(Index.ActiveZmd->WorkFile, copy))
        Fail(target, "cannot copy the working file");
    LoadAgain(target, copy, "the working file does not load again", check);
    QFile::remove(copy);
}

// After a close: no document is left open and no working copy in the state folder.
inline void CheckAllClosed(const char* target)
{
    if (!Opening.OpenDocuments.empty())
        Fail(target, "a document stayed open after its close");
    if (!QDir(StateFolder())
             .entryList({QStringLiteral("temp*.~md")}, QDir::Files | QDir::Hidden)
             .isEmpty())
        Fail(target, "a working copy was left in the state folder");
}

} // namespace zemo::fuzz
