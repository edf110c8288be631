// What the tests over the SQLite ODBC driver share: the driver's library, the driver manager
// pointed at the test's own odbcinst.ini and odbc.ini, and text files written whole.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace zemo::test {

inline QString SqliteDriver()
{
    for (const QString& lib : QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path = QStringLiteral("/usr/lib/") + lib + QStringLiteral("/odbc/libsqlite3odbc.so");
        if (QFile::exists(path))
            return path;
    }
    return {};
}

inline bool WriteText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

// The driver manager looks at these folders and files only.
inline void PointOdbcAt(const QTemporaryDir& dir, const QString& userFile)
{
    qputenv("ODBCSYSINI", QFile::encodeName(dir.path()));
    qputenv("ODBCINI", QFile::encodeName(userFile));
}

} // namespace zemo::test
