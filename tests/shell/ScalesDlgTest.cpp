// Options > Scales on a map of the test writer: the ranges OK accepts (only what the setup
// record keeps when it is written), numbers typed with either decimal separator, the record
// in the working file at its offsets after OK, after a save and a reopen, and Cancel.
#include "ShellFixture.h"

#include "../support/MapSnapshot.h"
#include "../support/TestMapReader.h"
#include "ModalDialog.h"
#include "shell/widgets/ScalesDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>

#include <cmath>

namespace zemo::test {
namespace {

class ScalesFlow : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(OpenSample());
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        ShellTest::TearDown();
    }
    // Options > Scales with one field typed, then OK; true when the dialog closed.
    bool TypeAndOk(const char* field, const QString& text)
    {
        bool closed = false;
        messages.Clear();
        EXPECT_TRUE(AnswerDialog<TScalesDlg>([this] { Choose(Cmd::OptionsScales); }, [&](TScalesDlg& d) {
            Set(d, field, text);
            Press(d, "OKBtn");
            closed = !d.isVisible();
        }));
        return closed;
    }
    static void Set(TScalesDlg& d, const char* field, const QString& text)
    {
        if (auto* combo = d.findChild<QComboBox*>(QLatin1String(field)))
            combo->setEditText(text);
        else
            d.findChild<QLineEdit*>(QLatin1String(field))->setText(text);
    }
    static std::vector<uint8_t> WorkingFile() { return WorkingFileBytes(*Index.ActiveZmd); }
    // The setup record as the working file holds it.
    static std::vector<uint8_t> SetupInFile()
    {
        const std::vector<uint8_t> file = WorkingFile();
        const size_t at = size_t(GetI32(file, hdr::SetupPos));
        return std::vector<uint8_t>(file.begin() + long(at), file.begin() + long(at + kSetupSize));
    }
};

TEST_F(ScalesFlow, OkTakesOnlyWhatTheSetupRecordKeeps)
{
    struct Row {
        const char* field;
        const char* typed;
        TextKey refusal;      // Count: accepted
        const char* params;   // of the refusal
    };
    const Row rows[] = {
        {"MapScaleB", "0", TextKey::MustBetween, "Map scale;1;10000000"},
        {"MapScaleB", "200000000", TextKey::MustBetween, "Map scale;1;10000000"},
        {"MapScaleB", "10000001", TextKey::MustBetween, "Map scale;1;10000000"},
        {"MapScaleB", "1", TextKey::Count, ""},
        {"MapScaleB", "10000000", TextKey::Count, ""},
        {"MapScaleB", "1:5000", TextKey::NoNumber, "Map scale"},
        {"GridDistE", "0.04", TextKey::MustBetween, "Grid distance;0.0500;100.0000;mm"},
        {"GridDistE", "0.05", TextKey::Count, ""},
        {"HorOfsE", "10000001", TextKey::MustBetween, "Horizontal offset;-10000000;10000000;m"},
        {"VerOfsE", "-10000001", TextKey::MustBetween, "Vertical offset;-10000000;10000000;m"},
        {"VerOfsE", "-10000000", TextKey::Count, ""},
        {"AngleB", "nan", TextKey::NoNumber, "Angle"},
        {"AngleB", "inf", TextKey::NoNumber, "Angle"},
        {"AngleB", "1e999", TextKey::NoNumber, "Angle"},
        {"RealGridE", "5", TextKey::MustBetween, "Grid distance;10;100000;m"},
        {"RealGridE", "10", TextKey::Count, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.field) + " " + r.typed);
        const SetupRecord before = *Stp();
        const bool closed = TypeAndOk(r.field, QString::fromLatin1(r.typed));
        EXPECT_EQ(closed, r.refusal == TextKey::Count);
        if (r.refusal == TextKey::Count) {
            EXPECT_EQ(messages.Count(), 0);
            continue;
        }
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, r.refusal);
        EXPECT_EQ(messages.Last().params, QString::fromLatin1(r.params));
        EXPECT_EQ(Stp()->MapScale, before.MapScale);
        EXPECT_EQ(Stp()->RealWorldGridDistance, before.RealWorldGridDistance);
    }
    EXPECT_EQ(Stp()->MapScale, 10000000.0);
    EXPECT_EQ(Stp()->PaperGridDistance, 0.05);
    EXPECT_EQ(Stp()->RealWorldOffsetY, -10000000.0);
    EXPECT_EQ(Stp()->RealWorldGridDistance, 10.0);
}

TEST_F(ScalesFlow, AnglesReadWithEitherSeparatorAndComeBackByWholeTurns)
{
    struct Row {
        const char* typed;
        double stored;
    };
    const Row rows[] = {{"12,5", 12.5}, {"12.5", 12.5}, {"400", 40}, {"-400", -40},
                        {"360", 360}, {"-725.25", -5.25}, {"1e3", 280}};
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (const Row& r : rows) {
        ASSERT_TRUE(TypeAndOk("AngleB", QString::fromLatin1(r.typed))) << r.typed;
        EXPECT_DOUBLE_EQ(Stp()->RealWorldAngle, r.stored) << r.typed;
    }
    // Shown again with the locale's separator and the stored value's decimals.
    ASSERT_TRUE(TypeAndOk("AngleB", QStringLiteral("12.125")));
    ASSERT_TRUE(AnswerDialog<TScalesDlg>([this] { Choose(Cmd::OptionsScales); }, [](TScalesDlg& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("AngleB"))->text(), QStringLiteral("12,125"));
    }));
}

TEST_F(ScalesFlow, CancelChangesNothingAndOkWritesTheRecordWhichASavedMapKeeps)
{
    const std::vector<uint8_t> untouched = WorkingFile();
    const uint8_t modified = Index.ActiveZmd->Modified;
    const auto fill = [](TScalesDlg& d, const char* ok) {
        Set(d, "MapScaleB", QStringLiteral("4000"));
        Set(d, "GridDistE", QStringLiteral("12.5"));
        Set(d, "HorOfsE", QStringLiteral("601000"));
        Set(d, "VerOfsE", QStringLiteral("-5123456"));
        Set(d, "AngleB", QStringLiteral("-3.75"));
        Set(d, "RealGridE", QStringLiteral("250"));
        d.findChild<QRadioButton*>(QStringLiteral("RealCordB"))->click();
        Press(d, ok);
    };
    ASSERT_TRUE(AnswerDialog<TScalesDlg>([this] { Choose(Cmd::OptionsScales); }, [&](TScalesDlg& d) { fill(d, "CancelBtn"); }));
    EXPECT_EQ(WorkingFile(), untouched);
    EXPECT_EQ(Index.ActiveZmd->Modified, modified);
    EXPECT_EQ(Stp()->MapScale, 15000.0);

    ASSERT_TRUE(AnswerDialog<TScalesDlg>([this] { Choose(Cmd::OptionsScales); }, [&](TScalesDlg& d) { fill(d, "OKBtn"); }));
    const auto check = [](const std::vector<uint8_t>& s) {
        EXPECT_EQ(GetF64(s, setup::MapScale), 4000.0);
        EXPECT_EQ(GetF64(s, setup::PaperGridDistance), 12.5);
        EXPECT_EQ(GetF64(s, setup::RealWorldOffsetX), 601000.0);
        EXPECT_EQ(GetF64(s, setup::RealWorldOffsetY), -5123456.0);
        EXPECT_EQ(GetF64(s, setup::RealWorldAngle), -3.75);
        EXPECT_EQ(GetF64(s, setup::RealWorldGridDistance), 250.0);
        EXPECT_EQ(GetU16(s, setup::RealWorldCoords), 0xFFFF);
    };
    check(SetupInFile());
    EXPECT_TRUE(Index.ActiveZmd->Modified);

    const QString path = DocumentPath(Index.ActiveZmd);
    Choose(Cmd::FileSave);
    Choose(Cmd::FileClose);
    ASSERT_EQ(Index.ActiveZmd, nullptr);
    check(ReadMapFile(QFile::encodeName(path).toStdString()).setup);
    ASSERT_TRUE(OpenMap(path));
    check(SetupInFile());
    ASSERT_TRUE(AnswerDialog<TScalesDlg>([this] { Choose(Cmd::OptionsScales); }, [](TScalesDlg& d) {
        EXPECT_EQ(d.findChild<QComboBox*>(QStringLiteral("MapScaleB"))->currentText(), QStringLiteral("4000"));
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("GridDistE"))->text(), QStringLiteral("12.5000"));
        d.findChild<QRadioButton*>(QStringLiteral("PaperCordB"))->click();
        Press(d, "OKBtn");
    }));
    EXPECT_EQ(GetU16(SetupInFile(), setup::RealWorldCoords), 0);
}

} // namespace
} // namespace zemo::test
