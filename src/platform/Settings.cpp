#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zemo {

namespace {

// A settings file is small; anything beyond this is not ours and is not read.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

const char Hex[] = "0123456789ABCDEF";

void Escape(const QByteArray& in, bool isKey, std::string& out)
{
    for (char ch : in) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '=':
            if (isKey)
                out += "\\=";
            else
                out += '=';
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\x";
                out += Hex[c >> 4];
                out += Hex[c & 15];
            } else {
                out += ch;
            }
        }
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads an escaped run from `p` up to `end`, or (stopAtEquals) up to the first unescaped "=".
// Returns false on a broken escape or, with stopAtEquals, when no "=" follows.
bool Unescape(const char*& p, const char* end, bool stopAtEquals, QByteArray& out)
{
    while (p < end) {
        const char c = *p;
        if (stopAtEquals && c == '=')
            return true;
        if (c != '\\') {
            out += c;
            ++p;
            continue;
        }
        if (end - p < 2)
            return false;
        switch (p[1]) {
        case '\\': out += '\\'; p += 2; break;
        case 'n': out += '\n'; p += 2; break;
        case 'r': out += '\r'; p += 2; break;
        case 't': out += '\t'; p += 2; break;
        case '=': out += '='; p += 2; break;
        case 'x': {
            if (end - p < 4)
                return false;
            const int hi = HexValue(p[2]);
            const int lo = HexValue(p[3]);
            if (hi < 0 || lo < 0)
                return false;
            out += char(hi * 16 + lo);
            p += 4;
            break;
        }
        default:
            return false;
        }
    }
    return !stopAtEquals;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

QString Settings::DefaultFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/zemo/settings.conf");
}

Settings Settings::OpenDefault()
{
    Settings s(DefaultFilePath());
    s.Load();
    return s;
}

bool Settings::IsValidKey(const QString& key)
{
    if (key.isEmpty() || key.startsWith(u'/') || key.endsWith(u'/') || key.contains(u"//"))
        return false;
    for (QChar c : key)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    return true;
}

bool Settings::Load()
{
    values_.clear();
    if (path_.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(path_);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray data;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= MaxFileBytes;
    char buf[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
        } else if (n == 0) {
            break;
        } else if (data.size() + n > MaxFileBytes) {
            ok = false;
        } else {
            data.append(buf, n);
        }
    }
    ::close(fd);
    if (!ok)
        return false;
    FromText(data);
    return true;
}

void Settings::FromText(const QByteArray& text)
{
    values_.clear();
    const char* p = text.constData();
    const char* const textEnd = p + text.size();
    while (p < textEnd) {
        const char* lineEnd = p;
        while (lineEnd < textEnd && *lineEnd != '\n')
            ++lineEnd;
        const char* next = lineEnd < textEnd ? lineEnd + 1 : lineEnd;
        // A file edited elsewhere may have CR LF line ends; a CR inside a text is escaped.
        if (lineEnd > p && lineEnd[-1] == '\r')
            --lineEnd;

        if (lineEnd - p >= 3 && (p[0] == 's' || p[0] == 'i') && p[1] == ' ') {
            const char type = p[0];
            const char* q = p + 2;
            QByteArray key;
            QByteArray value;
            if (Unescape(q, lineEnd, true, key) && q < lineEnd && *q == '=') {
                ++q;
                const QString keyText = QString::fromUtf8(key);
                if (IsValidKey(keyText)) {
                    if (type == 's') {
                        if (Unescape(q, lineEnd, false, value))
                            values_[keyText] = Value{ValueType::String, 0, QString::fromUtf8(value)};
                    } else {
                        int32_t n = 0;
                        const auto [end, ec] = std::from_chars(q, lineEnd, n);
                        if (ec == std::errc() && end == lineEnd && q < lineEnd)
                            values_[keyText] = Value{ValueType::Int, n, QString()};
                    }
                }
            }
        }
        p = next;
    }
}

QByteArray Settings::ToText() const
{
    std::string out = "# ZEMO settings. One value per line: \"s key=text\" or \"i key=number\".\n";
    for (const auto& [key, value] : values_) {
        out += value.type == ValueType::Int ? "i " : "s ";
        Escape(key.toUtf8(), true, out);
        out += '=';
        if (value.type == ValueType::Int) {
            char num[16];
            const auto r = std::to_chars(num, num + sizeof num, value.number);
            out.append(num, r.ptr);
        } else {
            Escape(value.text.toUtf8(), false, out);
        }
        out += '\n';
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

bool Settings::Save() const
{
    if (path_.isEmpty())
        return false;
    const QFileInfo info(path_);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        return false;

    QByteArray tmpl = QFile::encodeName(folder + QStringLiteral("/.settings.conf.XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return false;
    // The file holds the user's paths: keep it private like the rest of ~/.config.
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    const QByteArray text = ToText();
    bool ok = WriteAll(fd, text.constData(), size_t(text.size()));
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    if (ok)
        ok = ::rename(tmpl.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(tmpl.constData());
        return false;
    }
    // Make the rename itself durable.
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

Settings::ValueType Settings::TypeOf(const QString& key) const
{
    const auto it = values_.find(key);
    return it == values_.end() ? ValueType::None : it->second.type;
}

bool Settings::ReadString(const QString& key, QString& value) const
{
    const auto it = values_.find(key);
    if (it == values_.end() || it->second.type != ValueType::String)
        return false;
    value = it->second.text;
    return true;
}

bool Settings::ReadInt(const QString& key, int32_t& value) const
{
    const auto it = values_.find(key);
    if (it == values_.end() || it->second.type != ValueType::Int)
        return false;
    value = it->second.number;
    return true;
}

bool Settings::WriteString(const QString& key, const QString& value)
{
    if (!IsValidKey(key))
        return false;
    values_[key] = Value{ValueType::String, 0, value};
    return true;
}

bool Settings::WriteInt(const QString& key, int32_t value)
{
    if (!IsValidKey(key))
        return false;
    values_[key] = Value{ValueType::Int, value, QString()};
    return true;
}

bool Settings::Remove(const QString& key)
{
    return values_.erase(key) > 0;
}

bool Settings::KeyExists(const QString& keyPath) const
{
    if (keyPath.isEmpty())
        return !values_.empty();
    const QString prefix = keyPath + u'/';
    const auto it = values_.lower_bound(prefix);
    return it != values_.end() && it->first.startsWith(prefix);
}

} // namespace zemo
