// The question about printing a course-setting map at a scale other than its own, through
// the running program: once the user agreed for a map file and pair of scales it is not asked
// again for that file, however often the map is closed and reopened and by whichever path;
// another map with the same scales, or the same map at other scales, is asked about.
#include "CourseEvent.h"
#include "../external/ModalScript.h"
#include "core/Messages.h"
#include "course/CsPrint.h"
#include "course/widgets/CsPrintDlg.h"
#include "io/Ports.h"
#include "io/widgets/QtPrinters.h"
#include "core/FieldChecks.h"

#include <QFile>
#include <QPushButton>

namespace zemo::test {
namespace {

class PrintScaleQuestion : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        printers = std::make_unique<QtPrinters>(QStringLiteral("PDF"), TempPath(QStringLiteral("printed.pdf")));
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
        mapScale = Stp()->MapScale;
        Stp()->PrintScale = mapScale * 2;
        Stp()->PrintIntensity = Stp()->PrintLineWidth = 100;
        first = TempPath(QStringLiteral("event.zmd"));
        dialogs.QueueAnswer(true, first);
        Trigger(Cmd::FileSaveAs);
        Trigger(Cmd::FileClose);
        Settle();
        second = TempPath(QStringLiteral("copy.zmd"));
        ASSERT_TRUE(QFile::copy(first, second));
        ASSERT_TRUE(QFile::link(first, TempPath(QStringLiteral("link.zmd"))));
    }
    void TearDown() override
    {
        CourseEventTest::TearDown();
        IoPorts().Printers.Bind([] { return static_cast<PrinterSystem*>(nullptr); });
    }

    // Opens the map, File > Print with Print pressed, the question (if asked) answered with
    // `answer`, the map closed. How often it was asked, and whether the map printed.
    std::pair<int, bool> PrintOnce(const QString& path, int answer = IdOk, double printScale = 0)
    {
        EXPECT_TRUE(OpenMap(path));
        Settle();
        if (printScale > 0)
            Stp()->PrintScale = printScale;
        const QString pdf = TempPath(QStringLiteral("printed.pdf"));
        QFile::remove(pdf);
        messages.Clear();
        messages.QueueAnswer(answer);
        bool shown = false;
        {
            ModalScript script;
            script.Then<QDialog>([&shown](QDialog& d) {
                shown = dynamic_cast<TCsPrintDlg*>(&d) != nullptr;
                d.findChild<QPushButton*>(QStringLiteral("PrintBtn"))->click();
            });
            Trigger(Cmd::FilePrint);
            Settle();
            EXPECT_TRUE(script.Done());
        }
        EXPECT_TRUE(shown);
        const int asked = messages.CountOf(TextKey::PrintScaleDiffers);
        if (asked)
            EXPECT_EQ(messages.Last().params, QStringLiteral("1:%1;1:%2").arg(ScaleComboText(Stp()->PrintScale),
                                                                                 ScaleComboText(mapScale)));
        // A scale set here is not kept.
        Index.ActiveZmd->Modified = false;
        Trigger(Cmd::FileClose);
        Settle();
        EXPECT_EQ(Index.ActiveZmd, nullptr);
        messages.Clear();
        return {asked, QFile::exists(pdf)};
    }

    std::unique_ptr<QtPrinters> printers;
    double mapScale = 0;
    QString first;
    QString second;
};

TEST_F(PrintScaleQuestion, AskedOncePerMapFileAndPairOfScales)
{
    // Declined: nothing printed, and asked again the next time.
    EXPECT_EQ(PrintOnce(first, IdCancel), std::pair(1, false));
    EXPECT_EQ(PrintOnce(first), std::pair(1, true));
    // Closed and reopened, also by another path to the same file.
    EXPECT_EQ(PrintOnce(first), std::pair(0, true));
    EXPECT_EQ(PrintOnce(TempPath(QStringLiteral("link.zmd"))), std::pair(0, true));
    // Another map with the same pair of scales, opened where the first one was.
    EXPECT_EQ(PrintOnce(second), std::pair(1, true));
    EXPECT_EQ(PrintOnce(second), std::pair(0, true));
    // The first map at another print scale, then at the one agreed before.
    EXPECT_EQ(PrintOnce(first, IdOk, mapScale * 3), std::pair(1, true));
    EXPECT_EQ(PrintOnce(first, IdOk, mapScale * 2), std::pair(0, true));
}

// An untitled map has no file to be known by after it closes: it is asked each time.
TEST_F(PrintScaleQuestion, AnUntitledMapIsAskedEachTime)
{
    ASSERT_TRUE(NewMapFrom(QStringLiteral("course-setting.zmd")));
    Stp()->PrintScale = Stp()->MapScale * 2;
    for (int time = 0; time < 2; ++time) {
        CsPrintOptions o = CsPrintDialogOptions();
        TCsPrintDlg dlg(nullptr, o);
        messages.Clear();
        messages.QueueAnswer(IdOk);
        dlg.findChild<QPushButton*>(QStringLiteral("PrintBtn"))->click();
        EXPECT_TRUE(dlg.Printed());
        EXPECT_EQ(messages.CountOf(TextKey::PrintScaleDiffers), 1) << time;
    }
}

} // namespace
} // namespace zemo::test
