// Options > Preferences: three pages over the program's settings, written at once on OK.
#pragma once

#include "shell/Preferences.h"

#include <QDialog>

#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;
class QVBoxLayout;

namespace zemo {

class TRealUpDown;

class TPreferencesDlg : public QDialog {
public:
    // Shows ProgramConfig, on the General page.
    explicit TPreferencesDlg(QWidget* parent);
    // The help context of the page last chosen (the dialog's own before any).
    int HelpContext() const { return helpContext_; }
    // The joining tolerance is checked first: a wrong one shows its message on the
    // Additional page and keeps the dialog open. Then every control goes into ProgramConfig
    // and the settings are written.
    void accept() override;

private:
    QWidget* GeneralPage();
    QWidget* AdditionalPage();
    QWidget* WarningsPage();
    void AddChecks(QWidget* parent, QVBoxLayout* layout, PrefsPage page);
    QButtonGroup* RadioGroup(QWidget* page, const char* name, TextKey caption, TextKey first,
                             TextKey second, int checked);

    QTabWidget* pages_;
    QWidget* additional_ = nullptr;
    std::vector<QCheckBox*> checks_;  // by their rows of PrefsChecks()
    QComboBox* selectTolB_ = nullptr;
    QLineEdit* joinTolE_ = nullptr;
    TRealUpDown* joinTolB_ = nullptr;
    QButtonGroup* selectModeB_ = nullptr;
    QButtonGroup* curveModeB_ = nullptr;
    int helpContext_;
};

// The dialog modally; true when OK stored the settings.
bool RunPreferences(QWidget* parent);

} // namespace zemo
