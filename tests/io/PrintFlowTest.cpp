// File > Print through the running program: offered while a printer is there and the map is
// not a course-setting map, and the dialog's Print runs the job.
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "document/Index.h"
#include "io/Ports.h"
#include "io/widgets/QtPrinters.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class PrintFlow : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        pdf = TempPath(QStringLiteral("printed.pdf"));
        printers = std::make_unique<QtPrinters>(QStringLiteral("PDF"), pdf);
        IoPorts().Printers.Bind([this] { return static_cast<PrinterSystem*>(printers.get()); });
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 100)};
        w.objects.push_back(TestObject::Line(10, {{0, 0}, {50 * Mm, 20 * Mm}}));
        const QString path = TempPath(QStringLiteral("map.zmd"));
        ASSERT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        ASSERT_TRUE(OpenMap(path));
        Settle();
    }
    bool Offered()
    {
        Frame().UpdateCommandStates();
        return Frame().Action(Cmd::FilePrint)->isEnabled();
    }

    QString pdf;
    std::unique_ptr<QtPrinters> printers;
};

TEST_F(PrintFlow, PrintIsOfferedWithAPrinterOnOrdinaryAndCourseSettingMaps)
{
    EXPECT_TRUE(Offered());
    // A course-setting map prints its courses.
    Index.ActiveZmd->CourseMap = 1;
    EXPECT_TRUE(Offered());
    IoPorts().PrintCourseMap.Unbind();
    EXPECT_FALSE(Offered());
    Index.ActiveZmd->CourseMap = 0;
    IoPorts().Printers.Bind([] { return static_cast<PrinterSystem*>(nullptr); });
    EXPECT_FALSE(Offered());
}

TEST_F(PrintFlow, ThePrintButtonPrintsTheCopiesChosen)
{
    int shown = 0;
    IoPorts().RunPrintDialog.Bind([&shown](PrintOptions& o) {
        ++shown;
        EXPECT_EQ(o.Printers, QStringList{QStringLiteral("PDF")});
        o.Copies = 2;
        return true;
    });
    Trigger(Cmd::FilePrint);
    Settle();
    EXPECT_EQ(shown, 1);
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString info = QString::fromLatin1(p.readAllStandardOutput());
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << info.toStdString();
}

} // namespace
} // namespace zemo::test
