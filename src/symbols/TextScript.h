// Extras > Text script: the character set (script) in which the fonts of the selected text
// and line-text symbols are made, stored in their script byte (+387) when the font offers it.
// The scripts and their names are data (scripts.txt in the data folder).
#pragma once

#include <QString>

#include <vector>

namespace zemo {

inline constexpr int TextScriptHelpContext = 345;

struct TextScript {
    int charset = 0;
    QString name;
};

// The lines "number name" of a scripts file; blank lines and "#" comments skipped, a line
// without a number in 0..255 or without a name left out.
std::vector<TextScript> ParseTextScripts(const QString& text);
// The shipped list, read once from the data folder.
const std::vector<TextScript>& TextScripts();

// The character sets an installed family (or face) offers, as the font lists of start-up
// have them; none for a font that is not installed.
bool FontInstalled(const QString& font);
bool FontOffersCharset(const QString& font, int charset);

// Sets the script of the selected text and line-text symbols (the current symbol alone when
// there is one): each font that offers it gets it and is written; a font not installed or
// one that lacks the script asks whether to go on. Without such a symbol it says so. True
// when some symbol was written.
bool ApplyTextScript(const TextScript& script);
// The command: the dialog, then ApplyTextScript and the map drawn again.
void ChangeTextScript();

} // namespace zemo
