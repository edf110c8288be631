// Options > Preferences: what its controls show of the program's settings (ProgramConfig) and
// what they store back. The dialog (shell/widgets/PreferencesDlg.h) shows these rules.
#pragma once

#include "core/Config.h"
#include "core/LangTexts.h"

#include <QString>
#include <QStringList>

#include <array>

namespace zemo {

inline constexpr int PreferencesHelpContext = 188;

// The pages in their order, each with the help context it sets when it is chosen.
enum class PrefsPage { General, Additional, Warnings };
int PrefsPageHelpContext(PrefsPage page);

// A check box and the Boolean setting it shows.
struct PrefsCheck {
    const char* control;
    TextKey caption;
    PrefsPage page;
    bool ConfigRecord::*field;
};
const std::array<PrefsCheck, 13>& PrefsChecks();

// The pick tolerance's choices, in pixels.
QStringList SelectToleranceChoices();
// The entry shown for a stored value: its own, or "3" for one outside the choices.
int SelectToleranceChoice(int stored);
// 3, unless the text is a whole number.
int SelectToleranceOf(const QString& choice);

// The joining tolerance: shown in mm with two decimals, stored in 0.01 mm.
inline constexpr double JoinToleranceMaxMm = 1.0;
inline constexpr double JoinToleranceStepMm = 0.05;
inline constexpr int JoinToleranceDecimals = 2;
double JoinToleranceMm(int stored);
int JoinToleranceOf(double mm);

} // namespace zemo
