// A private scratch folder for fuzz targets that work on files: made once per process,
// removed when the run ends, with the state and configuration folders inside it so that
// working copies and settings never reach the user's own.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace zemo::fuzz {

[[noreturn]] inline void Fail(const char* target, const char* why)
{
    std::fprintf(stderr, "%s: %s\n", target, why);
    std::abort();
}

inline QString MakeScratchFolder(const char* target)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zemo_fuzz_" + target + "_XXXXXX";
    if (!::mkdtemp(pattern.data()))
        Fail(target, "mkdtemp failed");
    static const std::string* folder = new std::string(pattern);
    std::atexit([] { std::error_code ec; std::filesystem::remove_all(*folder, ec); });
    const QString dir = QString::fromStdString(pattern);
    qputenv("XDG_STATE_HOME", (dir + QStringLiteral("/state")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir + QStringLiteral("/config")).toUtf8());
    QDir().mkpath(dir + QStringLiteral("/state"));
    QDir().mkpath(dir + QStringLiteral("/config"));
    return dir;
}

} // namespace zemo::fuzz
