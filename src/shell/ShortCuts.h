// The configurable keyboard shortcuts: the keys offered for them, the lines of the Shortcuts
// dialog's command list, and the editing behind that dialog, which refuses a key already
// held. Texts are stored with the English words "Shift" and "Ctrl" and shown with the
// language's words (MenuModel.h converts them).
#pragma once

#include "core/Config.h"

#include <QKeySequence>
#include <QString>

#include <array>
#include <functional>

namespace zemo {

// None; F2 to F12; Shift with F2 to F12; Ctrl with F2 to F12, 0 to 9 and the letters that
// no fixed command holds.
inline constexpr int ShortCutChoiceCount = 61;

// The stored text of a choice ("" for none, also out of range).
QString ShortCutChoiceText(int choice);
// The key of a choice; empty for none.
QKeySequence ShortCutChoiceKey(int choice);
// The choice of a stored text: 0 for an empty text, -1 for one not offered.
int ShortCutChoiceOf(const QString& stored);
// A choice as the key list shows it: the NoneShortcut text, or the key with the language's
// modifier words.
QString ShortCutChoiceShown(int choice);

// A command's line in the list: the menu's title and the item's text without "&", joined by
// " - ".
QString ShortCutCommandText(int index);
// The standard shortcut of a command, stored form.
QString StandardShortCut(int index);

using ShortCutTexts = std::array<QString, ShortCutCount>;

// The dialog's work on the configured texts: one command selected, keys chosen for it.
class ShortCutEditor {
public:
    // heldElsewhere: whether a command of the frame outside this list holds the key.
    ShortCutEditor(ShortCutTexts& texts, std::function<bool(const QKeySequence&)> heldElsewhere);

    // The shortcut as the list shows it after the command's text and a TAB.
    QString Shown(int index) const;

    // -1: none selected. Selecting returns the choice that shows the command's key: 0 for
    // none, -1 for a text that is not among the choices.
    int Select(int index);
    int Selected() const { return selected_; }

    enum class Outcome { Changed, Refused, NothingSelected };
    // The chosen key for the selected command. A key that a command of the list already has,
    // the selected one's included, or that the frame holds elsewhere, is refused with the
    // message ShortcutExists and nothing changes.
    Outcome Choose(int choice);
    // Chooses the selected command's standard key, checked like any other.
    Outcome Standard();
    // Every command back to its standard key, unchecked.
    void AllStandard();

private:
    ShortCutTexts& texts_;
    std::function<bool(const QKeySequence&)> heldElsewhere_;
    int selected_ = -1;
};

} // namespace zemo
