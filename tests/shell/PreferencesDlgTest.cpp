// Options > Preferences in the running program: what its controls show of the settings, what
// OK stores and writes into the settings file, the joining tolerance's check, the help context
// of each page, and Cancel.
#include "ShellFixture.h"

#include "ModalDialog.h"
#include "core/Help.h"
#include "core/widgets/SpinControls.h"
#include "platform/Settings.h"
#include "shell/widgets/PreferencesDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

namespace zemo::test {
namespace {

class PreferencesFlow : public ShellTest {
protected:
    // Options > Preferences answered by steps; false when the dialog did not come up.
    bool RunPreferences(const std::function<void(TPreferencesDlg&)>& steps)
    {
        return AnswerDialog<TPreferencesDlg>([this] { Choose(Cmd::OptionsPref); }, steps);
    }
    static QLineEdit* JoinTol(TPreferencesDlg& d) { return d.findChild<QLineEdit*>(QStringLiteral("JoinTolE")); }
    static QComboBox* SelectTol(TPreferencesDlg& d) { return d.findChild<QComboBox*>(QStringLiteral("SelectTolB")); }
    static QTabWidget* Pages(TPreferencesDlg& d) { return d.findChild<QTabWidget*>(); }
    static QRadioButton* Radio(TPreferencesDlg& d, const char* group, int index)
    {
        return d.findChild<QGroupBox*>(QLatin1String(group))->findChildren<QRadioButton*>().at(index);
    }
    // A value of the settings file as written.
    static int32_t Stored(const char* key)
    {
        Settings s = Settings::OpenDefault();
        int32_t v = -999;
        EXPECT_TRUE(s.ReadInt(QStringLiteral("Zemo8/Preferences/") + QLatin1String(key), v)
                    || s.ReadInt(QStringLiteral("Zemo8/Startup/") + QLatin1String(key), v))
            << key;
        return v;
    }
    static QByteArray SettingsBytes()
    {
        QFile f(Settings::DefaultFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(PreferencesFlow, EveryCheckBoxAndRadioGroupReachesItsSetting)
{
    struct Row {
        const char* control;  // a check box, or a radio group with the index chosen
        int radio;            // -1 for a check box
        const char* key;
        bool ConfigRecord::*flag;
    };
    const Row rows[] = {
        {"DelayedLinesB", -1, "LineUpdate", &ConfigRecord::LineUpdate},
        {"DelayedAreasB", -1, "AreaUpdate", &ConfigRecord::AreaUpdate},
        {"AutoFileLoadB", -1, "AutoLoad", &ConfigRecord::AutoLoad},
        {"AutoFileSaveB", -1, "AutoSave", &ConfigRecord::AutoSave},
        {"FreeToCurveB", -1, "FreehandToCurve", &ConfigRecord::FreehandToCurve},
        {"BackgroundB", -1, "RedrawBackground", &ConfigRecord::RedrawBackground},
        {"AutoScrollB", -1, "AutoScroll", &ConfigRecord::AutoScroll},
        {"AutoSelectSymB", -1, "AutoSelectSym", &ConfigRecord::AutoSelectSym},
        {"ContextMenuB", -1, "ContextMenu", &ConfigRecord::ContextMenu},
        {"ObjectStretchB", -1, "ObjectStretch", &ConfigRecord::ObjectStretch},
        {"HiddenPrintB", -1, "HiddenPrintWarning", &ConfigRecord::HiddenPrintWarning},
        {"HiddenExportB", -1, "HiddenExportWarning", &ConfigRecord::HiddenExportWarning},
        {"HiddenImportB", -1, "HiddenImportWarning", &ConfigRecord::HiddenImportWarning},
        {"SelectModeB", 1, "SelectMode", nullptr},
        {"SelectModeB", 0, "SelectMode", nullptr},
        {"CurveModeB", 1, "CurveMode", nullptr},
        {"CurveModeB", 0, "CurveMode", nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.control);
        for (int pass = 0; pass < (r.flag ? 2 : 1); ++pass) {
            // A check box is turned over from what it shows, twice, so that both values arrive.
            const bool before = r.flag && ProgramConfig.*r.flag;
            ASSERT_TRUE(RunPreferences([&](TPreferencesDlg& d) {
                if (r.flag) {
                    auto* box = d.findChild<QCheckBox*>(QLatin1String(r.control));
                    ASSERT_NE(box, nullptr);
                    EXPECT_EQ(box->isChecked(), before);
                    box->click();
                } else {
                    Radio(d, r.control, r.radio)->click();
                }
                Press(d, "OKBtn");
            }));
            const int expected = r.flag ? !before : r.radio;
            EXPECT_EQ(Stored(r.key), expected);
            if (r.flag)
                EXPECT_EQ(ProgramConfig.*r.flag, !before);
        }
    }
    EXPECT_EQ(ProgramConfig.SelectMode, 0);
    EXPECT_EQ(ProgramConfig.CurveMode, 0);
    // The radio groups show what is stored.
    ProgramConfig.SelectMode = 1;
    ProgramConfig.CurveMode = 1;
    ASSERT_TRUE(RunPreferences([](TPreferencesDlg& d) {
        EXPECT_TRUE(Radio(d, "SelectModeB", 1)->isChecked());
        EXPECT_TRUE(Radio(d, "CurveModeB", 1)->isChecked());
    }));
}

TEST_F(PreferencesFlow, TheSelectToleranceShowsItsChoiceOrThreeAndStoresTheChoice)
{
    const int rows[][3] = {
        // stored, shown, stored by OK
        {7, 3, 3}, {1, 3, 3}, {2, 2, 2}, {5, 5, 5}, {4, 4, 4},
    };
    for (const auto& r : rows) {
        ProgramConfig.SelectTolerance = r[0];
        ASSERT_TRUE(RunPreferences([&](TPreferencesDlg& d) {
            EXPECT_EQ(SelectTol(d)->currentText(), QString::number(r[1])) << r[0];
            Press(d, "OKBtn");
        }));
        EXPECT_EQ(ProgramConfig.SelectTolerance, r[2]) << r[0];
        EXPECT_EQ(Stored("SelectTolerance"), r[2]) << r[0];
    }
    ASSERT_TRUE(RunPreferences([](TPreferencesDlg& d) {
        SelectTol(d)->setCurrentIndex(0);
        Press(d, "OKBtn");
    }));
    EXPECT_EQ(ProgramConfig.SelectTolerance, 2);
}

TEST_F(PreferencesFlow, TheJoiningToleranceIsShownInMillimetresAndCheckedOnTheAdditionalPage)
{
    struct Row {
        const char* typed;
        int stored;          // -1: refused
        TextKey message;
    };
    const Row rows[] = {
        {"0.3", 30, TextKey::Count},    {"", 0, TextKey::Count},       {"1", 100, TextKey::Count},
        {"0.25", 25, TextKey::Count},   {"0.95", 95, TextKey::Count},  {"1.05", -1, TextKey::MustBetween},
        {"-0.01", -1, TextKey::MustBetween}, {"abc", -1, TextKey::NoNumber},
    };
    ProgramConfig.JoinTolerance = 25;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        messages.Clear();
        const int before = ProgramConfig.JoinTolerance;
        ASSERT_TRUE(RunPreferences([&](TPreferencesDlg& d) {
            EXPECT_EQ(JoinTol(d)->text(), FloatToFixedStr(2, before / 100.0));
            EXPECT_EQ(Pages(d)->currentIndex(), 0);
            JoinTol(d)->setText(QString::fromLatin1(r.typed));
            Press(d, "OKBtn");
            EXPECT_EQ(d.isVisible(), r.stored < 0);
            if (r.stored < 0)
                EXPECT_EQ(Pages(d)->currentIndex(), 1) << "the Additional page shows the field";
        }));
        if (r.stored >= 0) {
            EXPECT_EQ(messages.Count(), 0);
            EXPECT_EQ(ProgramConfig.JoinTolerance, r.stored);
            EXPECT_EQ(Stored("JoinTolerance"), r.stored);
        } else {
            ASSERT_EQ(messages.Count(), 1);
            EXPECT_EQ(messages.Last().key, r.message);
            if (r.message == TextKey::MustBetween)
                EXPECT_EQ(messages.Last().params, QStringLiteral("Joining;0.00;1.00;mm"));
            EXPECT_EQ(ProgramConfig.JoinTolerance, before);
        }
    }
}

TEST_F(PreferencesFlow, HelpOpensTheContextOfThePageLastChosen)
{
    RecordingHelp help;
    ASSERT_TRUE(RunPreferences([](TPreferencesDlg& d) {
        EXPECT_EQ(d.HelpContext(), 188);
        Press(d, "HelpBtn");
        for (int page : {1, 2, 0, 2}) {
            Pages(d)->setCurrentIndex(page);
            Press(d, "HelpBtn");
        }
    }));
    EXPECT_EQ(help.Topics(), (std::vector<int>{188, 256, 259, 255, 259}));
}

TEST_F(PreferencesFlow, CancelAfterChangesOnEveryPageLeavesSettingsAndFileAsTheyWere)
{
    ASSERT_TRUE(WriteConfig());
    const ConfigRecord before = ProgramConfig;
    const QByteArray file = SettingsBytes();
    ASSERT_FALSE(file.isEmpty());
    ASSERT_TRUE(RunPreferences([](TPreferencesDlg& d) {
        d.findChild<QCheckBox*>(QStringLiteral("DelayedLinesB"))->click();
        Pages(d)->setCurrentIndex(1);
        JoinTol(d)->setText(QStringLiteral("0.5"));
        SelectTol(d)->setCurrentIndex(3);
        Radio(d, "CurveModeB", 1)->click();
        Pages(d)->setCurrentIndex(2);
        d.findChild<QCheckBox*>(QStringLiteral("HiddenImportB"))->click();
        Press(d, "CancelBtn");
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_TRUE(ProgramConfig == before);
    EXPECT_EQ(SettingsBytes(), file);
}

} // namespace
} // namespace zemo::test
