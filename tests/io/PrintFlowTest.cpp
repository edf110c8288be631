// File > Print through the running program: offered while a printer is there and the map is
// not a course-setting map, and the dialog's Print runs the job.
#include "../external/ModalScript.h"
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/Status.h"
#include "document/Index.h"
#include "io/Ports.h"
#include "io/widgets/PrintDlg.h"
#include "io/widgets/QtPrinters.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
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

// A hidden symbol asks before printing; Enter takes the question's default, Cancel, and the
// status line says the print was stopped; OK prints.
TEST_F(PrintFlow, TheHiddenSymbolQuestionDefaultsToCancelAndSaysSo)
{
    TestMapWriter w(8);
    TestSymbol hidden = TestSymbol::Line(20, 0, 100);
    hidden.status = 2;
    w.symbols = {TestSymbol::Line(10, 0, 100), hidden};
    w.objects.push_back(TestObject::Line(10, {{0, 0}, {50 * Mm, 20 * Mm}}));
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("hidden.zmd")));
    Settle();
    ProgramConfig.HiddenExportWarning = true;
    IoPorts().RunPrintDialog.Bind([](PrintOptions&) { return true; });
    messages.Clear();
    Trigger(Cmd::FilePrint);
    Settle();
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::HiddenWarning);
    EXPECT_EQ(DefaultAnswer(messages.Last()), IdCancel);
    EXPECT_EQ(messages.Entries()[0].answer, IdCancel);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(KeptStatusText(), Text(TextKey::PrintUserAbort));
    ClearStatusText();
    messages.QueueAnswer(IdOk);
    Trigger(Cmd::FilePrint);
    Settle();
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_NE(KeptStatusText(), Text(TextKey::PrintUserAbort));
}

// With no print server to reach, the program's own printers still hold the PDF file printer:
// File > Print is offered, and its Print asks for the file's name and writes the map into it.
class PrintWithoutServer : public ProgramFixture {
protected:
    void SetUp() override
    {
        qputenv("CUPS_SERVER", QFile::encodeName(TempPath(QStringLiteral("no-scheduler.sock"))));
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 100)};
        w.objects.push_back(TestObject::Line(10, {{0, 0}, {50 * Mm, 20 * Mm}}));
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("map.zmd")));
        Settle();
    }
};

TEST_F(PrintWithoutServer, FilePrintWritesAPdfFileTheUserNames)
{
    Frame().UpdateCommandStates();
    ASSERT_TRUE(Frame().Action(Cmd::FilePrint)->isEnabled());
    const QString pdf = TempPath(QStringLiteral("chosen.pdf"));
    QStringList listed;
    // Cancelling the file's name prints nothing; the second time it is given.
    const size_t asked = dialogs.Requests().size();
    {
        ModalScript script;
        script.Then<TPrintDlg>([&listed](TPrintDlg& d) {
            auto* printers = d.findChild<QComboBox*>(QStringLiteral("PrinterB"));
            for (int i = 0; printers && i < printers->count(); ++i)
                listed << printers->itemText(i);
            d.findChild<QPushButton*>(QStringLiteral("PrintBtn"))->click();
        });
        dialogs.QueueAnswer(false, QString());
        Trigger(Cmd::FilePrint);
        Settle();
        EXPECT_TRUE(script.Done());
    }
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(listed, QStringList{Text(TextKey::PdfFilePrinter)});
    ModalScript again;
    again.Then<TPrintDlg>([](TPrintDlg& d) { d.findChild<QPushButton*>(QStringLiteral("PrintBtn"))->click(); });
    dialogs.QueueAnswer(true, pdf);
    Trigger(Cmd::FilePrint);
    Settle();
    EXPECT_TRUE(again.Done());
    ASSERT_EQ(dialogs.Requests().size(), asked + 2);
    EXPECT_TRUE(dialogs.Requests().back().fileName.endsWith(QStringLiteral("map.pdf"))) << dialogs.Requests().back().fileName.toStdString();
    EXPECT_EQ(dialogs.Requests().back().defaultExt, QStringLiteral("pdf"));
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString info = QString::fromLatin1(p.readAllStandardOutput());
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info.toStdString();
    EXPECT_TRUE(messages.Entries().empty());
}

} // namespace
} // namespace zemo::test
