// A file's bytes and modification time, for tests that check a map file was left alone or read
// its bytes at their literal offsets.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>

#include <cctype>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
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

// The bytes of this process's mappings of the file that are resident in its memory (the Rss
// of each in /proc/self/smaps), or -1 when the file is not mapped. Not mincore: that says
// which of the file's pages the system has in its cache, mapped here or not.
inline int64_t MappedResidentBytes(const QString& path)
{
    std::ifstream smaps("/proc/self/smaps");
    const std::string name = QFile::encodeName(path).toStdString();
    std::string line;
    bool inFile = false, mapped = false;
    int64_t kb = 0;
    while (std::getline(smaps, line)) {
        // A mapping's first line: range, permissions, offset, device, inode, path.
        if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) && line.find('-') < line.find(' ')) {
            inFile = line.size() > name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0
                && line[line.size() - name.size() - 1] == ' ';
            mapped = mapped || inFile;
        } else if (inFile && line.rfind("Rss:", 0) == 0) {
            kb += std::stoll(line.substr(4));
        }
    }
    return mapped ? kb * 1024 : -1;
}

}  // namespace zemo::test
