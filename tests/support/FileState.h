// A file's bytes and modification time, for tests that check a map file was left alone or read
// its bytes at their literal offsets.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

namespace zemo::test {

// Empty when the file cannot be read.
inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Empty when the file cannot be read.
inline std::vector<uint8_t> ReadAll(const QString& path)
{
    std::ifstream f(QFile::encodeName(path).toStdString(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// 0 when the file is missing.
inline time_t ModifiedAt(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mtim.tv_sec : 0;
}

}  // namespace zemo::test
