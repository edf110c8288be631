// Options > Preferences in the running program: what its controls show of the settings, what
// OK stores and writes into the settings file, the joining tolerance's check, the help context
// of each page, and Cancel.
#include "ShellFixture.h"

#include "ModalDialog.h"
#include "core/Help.h"
#include "platform/Settings.h"
#include "shell/widgets/PreferencesDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

namespace zemo::test {
namespace {

class PreferencesFlow : public ShellTest {
protected:
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
        if (!s.ReadInt(QStringLiteral("Zemo8/Preferences/") + QLatin1String(key), v))
            s.ReadInt(QStringLiteral("Zemo8/Startup/") + QLatin1String(key), v);
        return v;
    }
};

TEST_F(PreferencesFlow, EveryCheckBoxAndRadioGroupReachesItsSetting)
{
    struct Row {
        const char* control;  // a check box, or a radio group with the button chosen
        int radio;
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
        {"CurveModeB", 1, "CurveMode", nullptr},
        {"SelectModeB", 0, "SelectMode", nullptr},
        {"CurveModeB", 0, "CurveMode", nullptr},
    };
    bool on = false;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.control);
        // Each check box starts from the other value than the one before, and is turned over.
        on = !on;
        if (r.flag)
            ProgramConfig.*r.flag = on;
        ASSERT_TRUE(RunPreferences([&](TPreferencesDlg& d) {
            if (r.flag) {
                auto* box = d.findChild<QCheckBox*>(QLatin1String(r.control));
                EXPECT_EQ(box->isChecked(), on);
                box->click();
            } else {
                EXPECT_TRUE(Radio(d, r.control, 1 - r.radio)->isChecked());
                Radio(d, r.control, r.radio)->click();
            }
            Press(d, "OKBtn");
        }));
        EXPECT_EQ(Stored(r.key), r.flag ? int(!on) : r.radio);
        EXPECT_TRUE(!r.flag || ProgramConfig.*r.flag == !on);
    }
}

TEST_F(PreferencesFlow, TheTolerancesShowTheirStoredValuesAndOkStoresThemChecked)
{
    const int select[][3] = {{7, 3, 3}, {1, 3, 3}, {2, 2, 2}, {5, 5, 5}};  // stored, shown, then stored
    for (const auto& r : select) {
        ProgramConfig.SelectTolerance = r[0];
        ASSERT_TRUE(RunPreferences([&](TPreferencesDlg& d) {
            EXPECT_EQ(SelectTol(d)->currentText(), QString::number(r[1])) << r[0];
            Press(d, "OKBtn");
        }));
        EXPECT_EQ(Stored("SelectTolerance"), r[2]) << r[0];
    }
    struct Row {
        const char* typed;
        int stored;  // -1: refused with the message
        TextKey message;
    };
    const Row join[] = {{"0.3", 30, TextKey::Count},         {"", 0, TextKey::Count},
                        {"1", 100, TextKey::Count},          {"0.95", 95, TextKey::Count},
                        {"1.05", -1, TextKey::MustBetween},  {"-0.01", -1, TextKey::MustBetween},
                        {"abc", -1, TextKey::NoNumber}};
    ProgramConfig.JoinTolerance = 25;
    for (const Row& r : join) {
        SCOPED_TRACE(r.typed);
        messages.Clear();
        const int before = ProgramConfig.JoinTolerance;
        ASSERT_TRUE(RunPreferences([&](TPreferencesDlg& d) {
            EXPECT_EQ(JoinTol(d)->text(), FloatToFixedStr(2, before / 100.0));
            JoinTol(d)->setText(QString::fromLatin1(r.typed));
            Press(d, "OKBtn");
            EXPECT_EQ(d.isVisible(), r.stored < 0);
            EXPECT_EQ(Pages(d)->currentIndex(), r.stored < 0 ? 1 : 0) << "the Additional page shows the field";
        }));
        EXPECT_EQ(ProgramConfig.JoinTolerance, r.stored < 0 ? before : r.stored);
        EXPECT_EQ(Stored("JoinTolerance"), ProgramConfig.JoinTolerance);
        ASSERT_EQ(messages.Count(), r.stored < 0 ? 1 : 0);
        if (r.stored < 0) {
            EXPECT_EQ(messages.Last().key, r.message);
            EXPECT_EQ(messages.Last().params, r.message == TextKey::MustBetween
                                                  ? QStringLiteral("Joining;0.00;1.00;mm") : QStringLiteral("Joining"));
        }
    }
}

TEST_F(PreferencesFlow, HelpFollowsThePageAndCancelLeavesSettingsAndFileAsTheyWere)
{
    RecordingHelp help;
    ASSERT_TRUE(WriteConfig());
    const ConfigRecord before = ProgramConfig;
    QFile file(Settings::DefaultFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    ASSERT_TRUE(RunPreferences([](TPreferencesDlg& d) {
        Press(d, "HelpBtn");
        d.findChild<QCheckBox*>(QStringLiteral("DelayedLinesB"))->click();
        for (int page : {1, 2, 0, 2}) {
            Pages(d)->setCurrentIndex(page);
            Press(d, "HelpBtn");
        }
        JoinTol(d)->setText(QStringLiteral("0.5"));
        SelectTol(d)->setCurrentIndex(3);
        Radio(d, "CurveModeB", 1)->click();
        d.findChild<QCheckBox*>(QStringLiteral("HiddenImportB"))->click();
        Press(d, "CancelBtn");
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(help.Topics(), (std::vector<int>{188, 256, 259, 255, 259}));
    EXPECT_TRUE(ProgramConfig == before);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
}

} // namespace
} // namespace zemo::test
