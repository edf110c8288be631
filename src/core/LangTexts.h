// The language texts: every text the user sees, read once at start-up from strings.ini
// in the data folder. Code names a text by its key; there is no lookup by name at run time.
#pragma once

#include "core/LangTextKeys.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace zemo {

enum class TextKey : uint16_t {
#define ZEMO_TEXT_KEY_ENUM(name) name,
    ZEMO_TEXT_KEYS(ZEMO_TEXT_KEY_ENUM)
#undef ZEMO_TEXT_KEY_ENUM
    Count
};

inline constexpr int TextKeyCount = 1121;
static_assert(static_cast<int>(TextKey::Count) == TextKeyCount,
              "strings.ini has exactly 1121 keys");
// The keys every language file shares, in their fixed places; the program's own come after.
inline constexpr int FixedTextKeyCount = 1052;
static_assert(static_cast<int>(TextKey::MustPositive) == FixedTextKeyCount - 1,
              "the program's own keys go after the fixed list");

// The key as it stands in strings.ini ("CannotWrite"); "" for TextKey::Count.
const char* KeyName(TextKey k);

// The 8-bit text exactly as read from the file (empty until loaded).
const QByteArray& TextBytes(TextKey k);

// The text for display, decoded from the file's 8-bit code page.
QString Text(TextKey k);

// Fills every text from strings.ini in the data folder, strictly in key order.
// True only when every key was read. Texts read before a failure keep their values,
// the rest stay empty.
bool LoadTexts();
bool LoadTextsFrom(const QString& path);
// The same rules over the bytes of a file already read.
bool LoadTextsFromData(const QByteArray& data);

// Where the last load stopped: the key that was expected when it failed, or
// TextKey::Count after a successful load or when the file could not be opened.
TextKey LastFailedKey();
// The key found in place of LastFailedKey() (empty when the file ended first).
QByteArray LastFoundKey();
// True when the last load failed because the file could not be opened or read.
bool LastLoadFileMissing();

void SetText(TextKey k, const QByteArray& value);
void ClearTexts();

// The face every dialog uses, from the text of Font.
QString LanguageFontFamily();
// The file names its language as exactly "Japanese": dialogs need a Japanese-capable font.
bool LanguageIsJapanese();

} // namespace zemo
