// A file's bytes and modification time, for tests that check a map file was left alone.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>

#include <ctime>

namespace zemo::test {

// Empty when the file cannot be read.
inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// 0 when the file is missing.
inline time_t ModifiedAt(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mtim.tv_sec : 0;
}

}  // namespace zemo::test
