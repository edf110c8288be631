// File > Backup holds the map's setup as it stands in the program, not as it was last written:
// a scale and grid changed in Options > Scales, a zoom, the hatched view and a scroll, none of
// them saved, are in the backup's setup record at their offsets, and the backup opens with them. The map's
// own file keeps its bytes.
#include "../external/ModalScript.h"
#include "../support/FileState.h"
#include "../support/ProgramFixture.h"

#include "core/LangTexts.h"
#include "core/Setup.h"
#include "document/Backup.h"
#include "document/Index.h"
#include "document/widgets/BackupDlg.h"
#include "shell/widgets/MainFm.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWheelEvent>

namespace zemo::test {
namespace {

constexpr int32_t Mm = kUnitsPerMm;

class BackupSetupFlow : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        messages.SetDefaultAnswer(IdNo);
        Backups.DiskFree = [](const QString&) { return int64_t(10000000); };
    }
    // As a user: the menu opens (its states brought up to date), the item is clicked and its
    // dialogs are worked by the script.
    void Run(ModalScript& script, Cmd c)
    {
        Frame().UpdateCommandStates();
        Trigger(c);
        Settle();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
    }
};

// Another program's map at 1:15000 with a grid of 20 mm.
TestMapWriter Forest()
{
    TestMapWriter w(8);
    w.colors = {TestColor::Cmyk(0, "Black 100%", 0, 0, 0, 200), TestColor::Cmyk(1, "Brown 50%", 0, 50, 100, 20)};
    w.symbols = {TestSymbol::Line(201, 1, 18), TestSymbol::Point(101, {TestElement::Dot(0, 60)})};
    w.objects = {TestObject::Line(201, {{-20 * Mm, 0}, {20 * Mm, 5 * Mm}}), TestObject::Point(101, 3 * Mm, 3 * Mm)};
    PutF64(w.setup, setup::MapScale, 15000);
    PutF64(w.setup, setup::PaperGridDistance, 20);
    PutF64(w.setup, setup::Zoom, 4);
    return w;
}

struct SetupFields {
    int32_t centreY;  // the view's, kept in memory only until something writes the setup
    double scale, grid, zoom;
    bool hatch;  // the word at its offset is not 0
    bool operator==(const SetupFields&) const = default;
};

std::ostream& operator<<(std::ostream& o, const SetupFields& s)
{
    return o << "centre y " << s.centreY << ", scale " << s.scale << ", grid " << s.grid << ", zoom " << s.zoom << ", hatch " << s.hatch;
}

// The fields at their offsets in the setup record the header points to.
SetupFields InFile(const std::vector<uint8_t>& file)
{
    if (file.size() < kHeaderSize)
        return {};
    const size_t at = size_t(GetI32(file, hdr::SetupPos));
    if (GetI32(file, hdr::SetupSize) != int32_t(kSetupSize) || at + kSetupSize > file.size())
        return {};
    return {GetI32(file, at + setup::ViewCenterY), GetF64(file, at + setup::MapScale), GetF64(file, at + setup::PaperGridDistance),
            GetF64(file, at + setup::Zoom), GetI16(file, at + setup::HatchView) != 0};
}

SetupFields InMemory()
{
    const SetupRecord& s = Index.ActiveZmd->Setup;
    return {s.ViewCenterY, s.MapScale, s.PaperGridDistance, s.Zoom, s.HatchView};
}

TEST_F(BackupSetupFlow, ABackupHoldsTheSetupAsChangedAndOpensWithIt)
{
    const QString path = TempPath(QStringLiteral("forest.zmd"));
    ASSERT_TRUE(Forest().WriteTo(QFile::encodeName(path).toStdString()));
    const std::vector<uint8_t> before = ReadAll(path);
    ASSERT_EQ(InFile(before), (SetupFields{0, 15000, 20, 4, false}));
    const QString volume = TempPath(QStringLiteral("volume"));
    ASSERT_TRUE(QDir().mkpath(volume));

    for (const bool toVolume : {false, true}) {
        SCOPED_TRACE(toVolume ? "to a volume" : "to another location");
        ASSERT_TRUE(OpenMap(path));
        ASSERT_FALSE(Index.ActiveZmd->Modified);
        {
            ModalScript scales;
            scales.Then<QDialog>([](QDialog& d) {
                ASSERT_EQ(d.objectName(), QStringLiteral("ScalesDlg"));
                d.findChild<QComboBox*>(QStringLiteral("MapScaleB"))->setCurrentText(QStringLiteral("10000"));
                d.findChild<QLineEdit*>(QStringLiteral("GridDistE"))->setText(QStringLiteral("12.5"));
                d.accept();
            });
            Run(scales, Cmd::OptionsScales);
        }
        Trigger(Cmd::ViewHatch);
        Trigger(Cmd::ZoomOutBtn);
        // A turn of the wheel scrolls the view.
        {
            QWidget* s = Surface();
            const QPoint mid(s->width() / 2, s->height() / 2);
            QWheelEvent e(QPointF(mid), s->mapToGlobal(QPointF(mid)), QPoint(), QPoint(0, -240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(s, &e);
            Settle();
        }
        const SetupFields changed = InMemory();
        ASSERT_EQ(changed.scale, 10000);
        ASSERT_EQ(changed.grid, 12.5);
        ASSERT_TRUE(changed.hatch);
        ASSERT_NE(changed.zoom, 4);
        ASSERT_NE(changed.centreY, 0);
        const bool modified = Index.ActiveZmd->Modified;

        const QString target = toVolume ? volume + QStringLiteral("/forest.zmd") : TempPath(QStringLiteral("copy.zmd"));
        ModalScript backup;  // the only script polling while it runs
        backup.Then<TBackupDlg>([&](TBackupDlg& d) {
            d.DriveB()->ChooseFolder(volume);
            d.findChild<QRadioButton*>(toVolume ? QStringLiteral("DisketteB") : QStringLiteral("OtherB"))->setChecked(true);
            d.findChild<QPushButton*>(QStringLiteral("StartBtn"))->click();
        });
        if (!toVolume)
            dialogs.QueueAnswer(true, target);
        messages.Clear();
        Run(backup, Cmd::FileBackup);
        EXPECT_EQ(messages.CountOf(TextKey::BackupOk), toVolume ? 1 : 0);
        EXPECT_EQ(messages.CountOf(TextKey::BackupAborted), 0);
        EXPECT_EQ(bool(Index.ActiveZmd->Modified), modified) << "a backup is no change";
        EXPECT_EQ(InFile(ReadAll(target)), changed);

        messages.Clear();
        Trigger(Cmd::FileClose);
        Settle();
        ASSERT_EQ(Windows(), 0);
        EXPECT_EQ(ReadAll(path), before) << "the map's own file is not saved by a backup";

        const QString opened = TempPath(QStringLiteral("opened%1.zmd").arg(toVolume ? 1 : 0));
        ASSERT_TRUE(QFile::copy(target, opened));
        ASSERT_TRUE(OpenMap(opened));
        EXPECT_EQ(InMemory(), changed);
        Trigger(Cmd::FileClose);
        Settle();
    }
}

} // namespace
} // namespace zemo::test
