// A map file made the current map by the store alone, without the open unit's working copy.
#pragma once

#include "document/Index.h"

#include <QString>

#include <memory>
#include <string>

namespace zemo::test {

// Into a map the caller owns, which outlives a failed load (current once its file opened).
inline void OpenAsCurrentMap(TZmd& zmd, const std::string& path)
{
    zmd.WorkFile.Open(QString::fromStdString(path));
    SetCurrentMap(&zmd);
    LoadMap();
    Index.MapOpen = true;
}

inline std::unique_ptr<TZmd> OpenAsCurrentMap(const std::string& path)
{
    auto zmd = std::make_unique<TZmd>();
    OpenAsCurrentMap(*zmd, path);
    return zmd;
}

inline void CloseCurrentMap(std::unique_ptr<TZmd>& zmd)
{
    if (zmd) {
        SetCurrentMap(nullptr);
        zmd.reset();
    }
}

} // namespace zemo::test
