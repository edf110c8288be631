// The Assign dialogs: symbols by rules (TAssignSymDlg, with the rule editor TEditCondDlg and
// condition files), texts (TAssignTextDlg) and angles (TAssignAngleDlg). OK runs the command;
// a rule that does not hold keeps the dialog open.
#pragma once

class QWidget;

namespace zemo {

// Database > Assign > Symbols, Texts, Angles over the active window.
void AssignSymbols(QWidget* parent);
void AssignTexts(QWidget* parent);
void AssignAngles(QWidget* parent);

} // namespace zemo
