#include "core/LangTexts.h"

#include "core/CodePage.h"
#include "core/Folders.h"

#include <QFile>

#include <array>

namespace zemo {

namespace {

constexpr std::array<const char*, TextKeyCount> kKeyNames = {
#define ZEMO_TEXT_KEY_NAME(name) #name,
    ZEMO_TEXT_KEYS(ZEMO_TEXT_KEY_NAME)
#undef ZEMO_TEXT_KEY_NAME
};

struct LangTextsState {
    std::array<QByteArray, TextKeyCount> texts;
    TextKey failedKey = TextKey::Count;
    QByteArray foundKey;
    bool fileMissing = false;
};

LangTextsState& State()
{
    static LangTextsState state;
    return state;
}

int Index(TextKey k)
{
    return static_cast<int>(k);
}

bool Valid(TextKey k)
{
    return Index(k) >= 0 && Index(k) < TextKeyCount;
}

// Splits the file into lines. CR LF, a lone LF and a lone CR all end a line, so a file
// saved by any editor reads alike; a UTF-8 byte-order mark in front is not part of the
// first key, and a Ctrl-Z ends the text as it did for DOS editors.
class LineReader {
public:
    explicit LineReader(const QByteArray& data) : data_(data)
    {
        if (data_.startsWith("\xEF\xBB\xBF"))
            pos_ = 3;
        const qsizetype eof = data_.indexOf('\x1A', pos_);
        end_ = eof >= 0 ? eof : data_.size();
    }

    bool AtEnd() const { return pos_ >= end_; }

    QByteArray Next()
    {
        qsizetype i = pos_;
        while (i < end_ && data_[i] != '\r' && data_[i] != '\n')
            ++i;
        QByteArray line = data_.mid(pos_, i - pos_);
        if (i < end_ && data_[i] == '\r')
            ++i;
        if (i < end_ && data_[i] == '\n')
            ++i;
        pos_ = i;
        return line;
    }

private:
    const QByteArray& data_;
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
};

// Reads lines up to the next key line and checks its key. A key line has its first "="
// at the second character or later; a leading ">" is not part of the key.
bool ReadTextKey(LineReader& reader, const char* expected, QByteArray& value, QByteArray& found)
{
    for (;;) {
        if (reader.AtEnd()) {
            found.clear();
            return false;
        }
        const QByteArray line = reader.Next();
        const qsizetype eq = line.indexOf('=');
        if (eq < 1)
            continue;
        const qsizetype from = (line.size() >= 2 && line[0] == '>') ? 1 : 0;
        found = line.mid(from, eq - from);
        if (found != expected)
            return false;
        value = line.mid(eq + 1);
        return true;
    }
}

} // namespace

const char* KeyName(TextKey k)
{
    return Valid(k) ? kKeyNames[Index(k)] : "";
}

const QByteArray& TextBytes(TextKey k)
{
    static const QByteArray empty;
    return Valid(k) ? State().texts[Index(k)] : empty;
}

QString Text(TextKey k)
{
    // The shipped files are in the Western code page; 0 selects it.
    return DecodeCodePage(0, TextBytes(k));
}

void SetText(TextKey k, const QByteArray& value)
{
    if (Valid(k))
        State().texts[Index(k)] = value;
}

void ClearTexts()
{
    for (QByteArray& t : State().texts)
        t.clear();
}

bool LoadTextsFromData(const QByteArray& data)
{
    LangTextsState& s = State();
    // A load starts from nothing, so that after a failure exactly the texts before the
    // failing key hold values.
    ClearTexts();
    s.failedKey = TextKey::Count;
    s.foundKey.clear();
    s.fileMissing = false;

    LineReader reader(data);
    for (int i = 0; i < TextKeyCount; ++i) {
        QByteArray value;
        if (!ReadTextKey(reader, kKeyNames[i], value, s.foundKey)) {
            s.failedKey = static_cast<TextKey>(i);
            return false;
        }
        s.texts[i] = value;
    }
    s.foundKey.clear();
    return true;
}

bool LoadTextsFrom(const QString& path)
{
    QFile file(path);
    QByteArray data;
    bool read = file.open(QIODevice::ReadOnly);
    if (read) {
        data = file.readAll();
        read = file.error() == QFileDevice::NoError;
    }
    if (!read) {
        ClearTexts();
        LangTextsState& s = State();
        s.failedKey = TextKey::Count;
        s.foundKey.clear();
        s.fileMissing = true;
        return false;
    }
    return LoadTextsFromData(data);
}

bool LoadTexts()
{
    return LoadTextsFrom(DataFolder() + QStringLiteral("strings.ini"));
}

TextKey LastFailedKey()
{
    return State().failedKey;
}

QByteArray LastFoundKey()
{
    return State().foundKey;
}

bool LastLoadFileMissing()
{
    return State().fileMissing;
}

QString LanguageFontFamily()
{
    return Text(TextKey::Font);
}

bool LanguageIsJapanese()
{
    return TextBytes(TextKey::Language) == "Japanese";
}

} // namespace zemo
