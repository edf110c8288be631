// Course > Options on a saved course-setting map, through the running program: OK on the
// options as shown leaves the map as it was (no question at Close, the file's bytes and time
// untouched); a changed option is stored and marks the map changed.
#include "CourseEvent.h"
#include "../external/ModalScript.h"
#include "../support/FileState.h"
#include "course/CsOptions.h"

#include <QCheckBox>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace zemo::test {
namespace {

constexpr time_t OldTime = 1000000000;

class CourseOptionsFlow : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        path = TempPath(QStringLiteral("course.zmd"));
        dialogs.QueueAnswer(true, path);
        Trigger(Cmd::FileSaveAs);
        Trigger(Cmd::FileClose);
        Settle();
        const timespec times[2] = {{OldTime, 0}, {OldTime, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }
    // Course > Options with `work` done in it before OK.
    void RunOptions(const std::function<void(QDialog&)>& work)
    {
        ModalScript script;
        script.Then<QDialog>([&work](QDialog& d) {
            ASSERT_EQ(d.objectName(), QStringLiteral("CsOptionsDlg"));
            work(d);
            d.accept();
        });
        Trigger(Cmd::CourseOptions);
        Settle();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
    }

    QString path;
};

} // namespace

TEST_F(CourseOptionsFlow, OkOnTheOptionsAsShownChangesNothing)
{
    const QByteArray before = FileBytes(path);
    ASSERT_TRUE(OpenMap(path));
    RunOptions([](QDialog&) {});
    ASSERT_TRUE(Index.ActiveZmd);
    EXPECT_FALSE(Z().Modified);
    messages.Clear();
    Trigger(Cmd::FileClose);
    Settle();
    EXPECT_EQ(Index.ActiveZmd, nullptr);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(ModifiedAt(path), OldTime);
}

TEST_F(CourseOptionsFlow, AChangedOptionIsStored)
{
    ASSERT_TRUE(OpenMap(path));
    const bool codes = CurrentCourseOptions().PrintCodes;
    RunOptions([codes](QDialog& d) { d.findChild<QCheckBox*>(QStringLiteral("PrintCodesB"))->setChecked(!codes); });
    ASSERT_TRUE(Index.ActiveZmd);
    EXPECT_TRUE(Z().Modified);
    EXPECT_EQ(CurrentCourseOptions().PrintCodes, !codes);
}

} // namespace zemo::test
