// AssignSym, AssignText, AssignAngle: map objects changed from the records linked to them.
// A rule gives its symbol to the objects whose record matches its condition "field = value"
// (the later rule wins); texts and angles are taken from a chosen field. Each command is one
// undo step. Rules are kept in ".cnt" files, one "number condition" per line.
#pragma once

#include "core/LangTexts.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

inline constexpr int AssignSymHelpContext = 287;
inline constexpr int EditCondHelpContext = 301;
inline constexpr int AssignTextHelpContext = 316;
inline constexpr int AssignAngleHelpContext = 318;

// A parsed condition, or the first error with the token it met (empty when none).
struct Condition {
    bool Ok = false;
    QString Field;
    QString Value;
    TextKey Error = TextKey::Count;
    QString Token;
};

Condition ParseConditionText(const QString& text);
// Shows a failed parse ("..." merged with its token); true when it parsed.
bool ParseCondition(const QString& text);
// True when a field of the current record is named Field and holds Value, both exactly.
bool EvaluateCondition(const Condition& c);

struct AssignRule {
    QString SymbolText;  // the number with one decimal, then the description; the first word counts
    QString Condition;
    friend bool operator==(const AssignRule&, const AssignRule&) = default;
};

// The rule's symbol number x 10 from the first word of its symbol text; false when that is no
// number from 0.09 to 999.91.
bool RuleSymbolNumber(const AssignRule& r, int& number10);

// ".cnt" lines to rules: trimmed, number before the first blank, condition after the blanks
// that follow; lines without a blank, or whose number is no number above 0 and below 1000,
// are skipped. A number of a symbol of the current map gets its description.
std::vector<AssignRule> ParseCntText(const QString& text);
QString CntText(const std::vector<AssignRule>& rules);
bool LoadCntFile(const QString& path, std::vector<AssignRule>& rules);
bool SaveCntFile(const QString& path, const std::vector<AssignRule>& rules);

// The symbol lists of the rule editor: "number  description" for every symbol of the map.
QStringList RuleSymbolTexts();

// Applies the rules to the objects linked to the dataset; false (nothing changed) when a rule
// is invalid or the dataset cannot be opened. Returns the objects changed in `changed`.
bool ApplySymbolRules(const QString& dataset, const std::vector<AssignRule>& rules, int* changed = nullptr);
// A linked point, text or rectangle object takes the field's value as its text.
bool ApplyTexts(const QString& dataset, const QString& field, int* changed = nullptr);
// A linked object other than a line takes the field's value (degrees) as its angle.
bool ApplyAngles(const QString& dataset, const QString& field, int* changed = nullptr);
// Degrees as text to tenths: a number strictly between -3200 and 3200, rounded half to even.
bool AngleTenths(const QString& text, int& tenths);

// The fields of the dataset's table and the one to preselect: the last whose name contains
// "TEXT", else the first.
QStringList DatasetFieldNames(const QString& dataset, int& preselect);

} // namespace zemo
