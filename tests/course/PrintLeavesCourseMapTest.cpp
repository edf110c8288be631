// The print dialogs of a saved course-setting map, through the running program: File > Print
// (the course print dialog) and File > Print control descriptions, only opened and closed or
// used to print without changing a field, with and without a course preview on, leave the
// map as it was: no save question when it closes, its file's bytes and time untouched.
#include "CourseEvent.h"
#include "../external/ModalScript.h"
#include "../support/FileState.h"
#include "course/CdSheets.h"
#include "course/Courses.h"
#include "course/CsPrint.h"
#include "course/widgets/CoursePanel.h"
#include "course/widgets/CsPrintDlg.h"
#include "io/Ports.h"
#include "io/widgets/QtPrinters.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <fcntl.h>
#include <sys/stat.h>

namespace zemo::test {
namespace {

constexpr time_t OldTime = 1000000000;

class PrintLeavesCourseMap : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        pdf = TempPath(QStringLiteral("printed.pdf"));
        printers = std::make_unique<QtPrinters>(QStringLiteral("PDF"), pdf);
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
        path = TempPath(QStringLiteral("event.zmd"));
        dialogs.QueueAnswer(true, path);
        Trigger(Cmd::FileSaveAs);
        Trigger(Cmd::FileClose);
        Settle();
    }
    void TearDown() override
    {
        CourseEventTest::TearDown();
        IoPorts().Printers.Bind([] { return static_cast<PrinterSystem*>(nullptr); });
    }

    TCoursePanel* Panel() const
    {
        return static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
    }

    // Opens the map with an old file time; with `preview` the relay previewed on the Courses
    // tab. Then `command` with `work` in its dialog, and the map closed: nothing asked to save
    // and the file is as it was.
    void ExpectUnchanged(bool preview, Cmd command, const std::function<void(QDialog&)>& work)
    {
        const timespec times[2] = {{OldTime, 0}, {OldTime, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        const QByteArray before = FileBytes(path);
        ASSERT_TRUE(OpenMap(path));
        Settle();
        if (preview) {
            Panel()->CsPageControl->setCurrentIndex(CsCoursesPage);
            Settle();
            SelectCourse(CourseIndex(QStringLiteral("Relay")) + 1);
            Panel()->CoursePreviewBtn->click();
            Settle();
            ASSERT_TRUE(Z().CoursePreviewOn);
            ASSERT_FALSE(Z().Modified);
        }
        messages.Clear();
        {
            ModalScript script;
            script.Then<QDialog>(work);
            Trigger(command);
            Settle();
            EXPECT_TRUE(script.Done());
            EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
        }
        ASSERT_TRUE(Index.ActiveZmd);
        EXPECT_EQ(Z().CoursePreviewOn, preview);
        EXPECT_FALSE(Z().Modified);
        Trigger(Cmd::FileClose);
        Settle();
        EXPECT_EQ(Index.ActiveZmd, nullptr);
        EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
        EXPECT_EQ(FileBytes(path), before);
        EXPECT_EQ(ModifiedAt(path), OldTime);
    }

    static void Press(QDialog& d, const char* button)
    {
        d.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }

    QString path;
    QString pdf;
    std::unique_ptr<QtPrinters> printers;
};

TEST_F(PrintLeavesCourseMap, TheCoursePrintDialogClosedOrPrintingChangesNothing)
{
    for (bool preview : {false, true}) {
        SCOPED_TRACE(preview);
        ExpectUnchanged(preview, Cmd::FilePrint, [](QDialog& d) {
            ASSERT_TRUE(dynamic_cast<TCsPrintDlg*>(&d));
            // Every page looked at on the way.
            auto* pages = d.findChild<QTabWidget*>(QStringLiteral("PageControl"));
            for (int i = 1; i < pages->count(); ++i)
                pages->setCurrentIndex(i);
            Press(d, "CloseBtn");
        });
        QFile::remove(pdf);
        ExpectUnchanged(preview, Cmd::FilePrint, [](QDialog& d) { Press(d, "PrintBtn"); });
        EXPECT_TRUE(QFile::exists(pdf));
    }
}

TEST_F(PrintLeavesCourseMap, TheDescriptionPrintDialogClosedOrPrintingChangesNothing)
{
    for (bool preview : {false, true}) {
        SCOPED_TRACE(preview);
        ExpectUnchanged(preview, Cmd::FilePrintCDs, [](QDialog& d) {
            EXPECT_EQ(d.objectName(), QStringLiteral("CdPrintDlg"));
            Press(d, "CloseBtn");
        });
        QFile::remove(pdf);
        ExpectUnchanged(preview, Cmd::FilePrintCDs, [](QDialog& d) { Press(d, "PrintBtn"); });
        EXPECT_TRUE(QFile::exists(pdf));
    }
}

// What the user changes is kept: a title typed for the description sheets.
TEST_F(PrintLeavesCourseMap, ATypedTitleIsKept)
{
    ASSERT_TRUE(OpenMap(path));
    Settle();
    ModalScript script;
    script.Then<QDialog>([](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("TitleB"))->setText(QStringLiteral("Club night"));
        Press(d, "CloseBtn");
    });
    Trigger(Cmd::FilePrintCDs);
    Settle();
    ASSERT_TRUE(script.Done());
    EXPECT_TRUE(Z().Modified);
    EXPECT_EQ(Z().MapSettings[size_t(MapSettingsSlot(CdPrintSettingsType))], QStringLiteral("\ttClub night\ts6.00"));
}

} // namespace
} // namespace zemo::test
