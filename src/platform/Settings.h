// The program's settings store: typed values (text or signed 32-bit integer) under
// slash-separated key paths such as "Zemo8/Startup/File", kept in one plain text file,
// $XDG_CONFIG_HOME/zemo/settings.conf (default ~/.config/zemo/settings.conf).
//
// File form, one value per line (UTF-8):
//     s <key>=<text>
//     i <key>=<decimal number>
// Lines starting with "#" and blank lines are comments. In keys and texts "\" starts an
// escape: \\ \n \r \t \= and \xHH, so a text keeps its line breaks and tabs and a key its "=".
// Anything else (unknown type letter, bad escape, number out of range, no "=") is ignored
// line by line, so a damaged file loses only its damaged lines. A later line for the same key
// replaces an earlier one.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <utility>

namespace zemo {

class Settings {
public:
    enum class ValueType { None, String, Int };

    Settings() = default;
    explicit Settings(QString filePath) : path_(std::move(filePath)) {}

    // $XDG_CONFIG_HOME/zemo/settings.conf; an unset, empty or relative XDG_CONFIG_HOME
    // means ~/.config.
    static QString DefaultFilePath();
    // A store on DefaultFilePath(), already loaded.
    static Settings OpenDefault();

    const QString& FilePath() const { return path_; }

    // Replaces the contents by the file's. A missing or unreadable file gives an empty store
    // and false.
    bool Load();
    // Writes the whole store: a temporary file in the same folder, flushed to disk, then
    // renamed over the file, so a crash leaves either the old or the new file. The folder is
    // created when missing. False on any failure (the old file then stays as it was).
    bool Save() const;

    QByteArray ToText() const;
    // Replaces the contents by what the text holds; damaged lines are skipped.
    void FromText(const QByteArray& text);

    ValueType TypeOf(const QString& key) const;
    // True and the value when the key holds a value of that type; otherwise false and the
    // variable keeps what it had.
    bool ReadString(const QString& key, QString& value) const;
    bool ReadInt(const QString& key, int32_t& value) const;
    // A key path with an empty part ("a//b", "/a", "a/") or a control character is refused.
    bool WriteString(const QString& key, const QString& value);
    bool WriteInt(const QString& key, int32_t value);
    bool Remove(const QString& key);
    // True when some value lies under the key path ("Zemo8" for "Zemo8/Startup/File");
    // an empty path stands for the root, which exists when the store holds anything.
    bool KeyExists(const QString& keyPath) const;

    int Count() const { return int(values_.size()); }
    void Clear() { values_.clear(); }

    static bool IsValidKey(const QString& key);

private:
    struct Value {
        ValueType type = ValueType::None;
        int32_t number = 0;
        QString text;
    };

    QString path_;
    std::map<QString, Value> values_;
};

} // namespace zemo
