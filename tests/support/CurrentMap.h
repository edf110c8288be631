// A map file made the current map by the store alone, without the open unit's working copy.
#pragma once

#include "document/Index.h"

#include <QString>

#include <memory>
#include <string>

namespace zemo::test {

inline std::unique_ptr<TZmd> OpenAsCurrentMap(const std::string& path)
{
    auto zmd = std::make_unique<TZmd>();
    zmd->WorkFile.Open(QString::fromStdString(path));
    SetCurrentMap(zmd.get());
    LoadMap();
    Index.MapOpen = true;
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
