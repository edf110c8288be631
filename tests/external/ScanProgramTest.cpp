// Template > Scan in the running program over SANE's test backend: the menu follows the
// devices present, Select source keeps its choice in the settings, Acquire scans in the mode
// and resolution of its dialog, saves where the save dialog says and adds the file as a
// template placed by its resolution; Esc while it scans, a cancelled dialog and a cancelled
// save leave no file and no template, a failed write says CannotWrite.
#include "../support/ProgramFixture.h"
#include "ModalScript.h"
#include "SaneKit.h"
#include "core/Config.h"
#include "core/LangTexts.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "external/Scan.h"
#include "external/Template.h"
#include "external/widgets/ScanDlg.h"
#include "external/widgets/TempResolDlg.h"
#include "platform/Settings.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include <clocale>
#include <memory>
#include <csignal>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int Dpi = 60;

// The scan worker this process started, or 0.
pid_t ScanWorkerPid()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& t : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(t + QStringLiteral("/children")));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& id : f.readAll().split(' ')) {
            const pid_t pid = id.trimmed().toInt();
            if (pid > 0 && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)).endsWith(QLatin1String("/zemo-scan-worker")))
                return pid;
        }
    }
    return 0;
}

class ScanProgram : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
    }
    // The backend as given; a map of this folder open.
    bool OpenWithScanner(const SaneTestDevice& d = {})
    {
        ConfigureSane(TempPath(QStringLiteral("sane")), d);
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 40)};
        if (!OpenWritten(w, QStringLiteral("map.zmd")))
            return false;
        Index.ActiveZmd->Setup.MapScale = 10000;
        return true;
    }
    // The Template menu opened and closed again, as a user looks into it.
    void OpenTemplateMenu()
    {
        QMenu* menu = Frame().Action(Cmd::TemplateMnu)->menu();
        ASSERT_NE(menu, nullptr);
        menu->popup(Frame().mapToGlobal(QPoint(10, 10)));
        Settle();
        menu->hide();
    }
    bool Enabled(Cmd c)
    {
        OpenTemplateMenu();
        return Frame().Action(c)->isEnabled();
    }
    // The scan dialog's colour mode at Dpi, then OK.
    static void ScanInColour(TScanDlg& d)
    {
        auto* mode = d.findChild<QComboBox*>(QStringLiteral("ModeB"));
        mode->setCurrentIndex(mode->findText(QStringLiteral("Color")));
        d.findChild<QLineEdit*>(QStringLiteral("ResolE"))->setText(QString::number(Dpi));
        d.accept();
    }
    void Acquire()
    {
        OpenTemplateMenu();
        Trigger(Cmd::TemplateAcquire);
        Settle();
    }
    QStringList FilesIn(const QString& dir) const
    {
        return QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }
    static int TemplateCount() { return int(Index.ActiveZmd->Templates.Items().size()); }
};

TEST_F(ScanProgram, ScanItemsFollowTheDevicesPresent)
{
    for (bool present : {false, true}) {
        SCOPED_TRACE(present);
        ASSERT_TRUE(OpenWithScanner({.present = present}));
        EXPECT_EQ(Enabled(Cmd::TemplateScan), present);
        Trigger(Cmd::FileClose);
        Settle();
    }
}

TEST_F(ScanProgram, SelectSourceKeepsTheChosenDeviceInTheSettings)
{
    ASSERT_TRUE(OpenWithScanner({.devices = 2}));
    ASSERT_EQ(ScanDevices(), (QStringList{"test:0", "test:1"}));
    EXPECT_EQ(CurrentScanDevice(), "test:0");
    struct Step {
        const char* name;
        bool ok;
        int row;
        const char* want;
    };
    const Step steps[] = {{"cancel", false, 1, "test:0"}, {"second", true, 1, "test:1"}, {"first", true, 0, "test:0"}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        const QString before = CurrentScanDevice();
        ModalScript script;
        script.Then<TScanSourceDlg>([&](TScanSourceDlg& d) {
            auto* list = d.findChild<QListWidget*>(QStringLiteral("SourceB"));
            ASSERT_EQ(list->count(), 2);
            EXPECT_TRUE(list->currentItem()->text().endsWith(" (" + before + ")")) << "the current device is selected";
            list->setCurrentRow(s.row);
            if (s.ok)
                d.accept();
        });
        OpenTemplateMenu();
        Trigger(Cmd::TemplateSelectSource);
        Settle();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected().isEmpty());
        EXPECT_EQ(CurrentScanDevice(), s.want);
        QString stored;
        Settings::OpenDefault().ReadString(QStringLiteral("Zemo8/Scan/Source"), stored);
        EXPECT_EQ(stored, s.ok ? QString(s.want) : QString());
    }
}

TEST_F(ScanProgram, AcquireSavesTheScanAndAddsItAsATemplateAtItsResolution)
{
    ASSERT_TRUE(OpenWithScanner());
    const auto requests = dialogs.Requests().size();
    ModalScript script;
    script.Then<TScanDlg>([](TScanDlg& d) {
        auto* mode = d.findChild<QComboBox*>(QStringLiteral("ModeB"));
        QStringList modes;
        for (int i = 0; i < mode->count(); ++i)
            modes << mode->itemText(i);
        EXPECT_EQ(modes, (QStringList{"Gray", "Color"}));
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("ResolE"))->text(), QStringLiteral("300"));
        ScanInColour(d);
    });
    script.Then<TTempResolDlg>([](TTempResolDlg& d) {
        // The resolution written into the file comes back.
        EXPECT_EQ(d.findChild<QComboBox*>(QStringLiteral("ResolB"))->currentText(), QString::number(Dpi));
        d.accept();
    });
    dialogs.QueueAnswer(true);
    Acquire();
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
    EXPECT_EQ(messages.Count(), 0);

    // The save dialog proposes the map's name in the map's folder (no template folder yet).
    ASSERT_EQ(dialogs.Requests().size(), requests + 1);
    const FileDialogRequest& r = dialogs.Requests().back();
    EXPECT_EQ(r.kind, FileDialogRequest::Save);
    EXPECT_EQ(r.title, Text(TextKey::SaveTemplate));
    EXPECT_EQ(r.filter, Text(TextKey::BmpFiles) + " (*.bmp)|*.bmp|" + Text(TextKey::AllFiles) + " (*.*)|*.*");
    EXPECT_EQ(r.defaultExt, "bmp");
    EXPECT_EQ(r.helpContext, ScanHelpContext);
    EXPECT_EQ(QDir(r.initialFolder), QDir(TempPath(QString())));
    EXPECT_EQ(r.fileName, "map.bmp");

    const QString path = TempPath(QStringLiteral("map.bmp"));
    ASSERT_EQ(TemplateCount(), 1);
    EXPECT_EQ(GetParamName(Index.ActiveZmd->Templates.Items()[0].Text), "map.bmp");
    // 60 dpi at 1:10000: a pixel is 2540 / 60 hundredths of a millimetre on paper, a tenth of it on the map.
    EXPECT_NEAR(GetParamFloat(Index.ActiveZmd->Templates.Items()[0].Text, u'u', 0), 2540.0 / Dpi, 1e-6);
    const TTmp* t = FindLoadedTemplate(path);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->BitsPerPixel, 24);
    Pnm ref;
    ASSERT_TRUE(ScanImageReads({"--mode", "Color", "--resolution", QString::number(Dpi)}, ref));
    ASSERT_EQ(t->Width, ref.width);
    ASSERT_EQ(t->Height, ref.height);
    EXPECT_EQ(ColourDifferences(*t, ref), 0);
    EXPECT_EQ(FilesIn(TempPath(QString())), (QStringList{"map.bmp", "map.zmd"}));
}

// Select source names the device by maker and model; Acquire offers the device's depths and
// its bed, and scans the area chosen at the depth chosen, as scanimage does.
TEST_F(ScanProgram, AcquireOffersDepthsAndTheAreaOfTheBed)
{
    ASSERT_TRUE(OpenWithScanner());
    EXPECT_EQ(ScanDeviceLabels(), QStringList{"Noname frontend-tester (test:0)"});
    ModalScript script;
    script.Then<TScanDlg>([](TScanDlg& d) {
        auto* depth = d.findChild<QComboBox*>(QStringLiteral("DepthB"));
        QStringList depths;
        for (int i = 0; i < depth->count(); ++i)
            depths << depth->itemText(i);
        EXPECT_EQ(depths, (QStringList{"1 bit", "8 bit", "16 bit"}));
        EXPECT_EQ(depth->currentText(), "8 bit");
        const auto field = [&d](const char* name) { return d.findChild<QLineEdit*>(QLatin1String(name)); };
        EXPECT_EQ(field("AreaWidthE")->text().toInt(), 80);
        EXPECT_EQ(field("AreaHeightE")->text().toInt(), 100);
        field("AreaLeftE")->setText("10");
        field("AreaTopE")->setText("20");
        field("AreaWidthE")->setText("30");
        field("AreaHeightE")->setText("15");
        depth->setCurrentIndex(depth->findText("16 bit"));
        ScanInColour(d);
    });
    script.Then<TTempResolDlg>([](TTempResolDlg& d) { d.accept(); });
    dialogs.QueueAnswer(true);
    Acquire();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(messages.Count(), 0);
    const TTmp* t = FindLoadedTemplate(TempPath(QStringLiteral("map.bmp")));
    ASSERT_NE(t, nullptr);
    Pnm ref;
    ASSERT_TRUE(ScanImageReads({"--mode", "Color", "--depth", "16", "--resolution", QString::number(Dpi), "-l", "10",
                                "-t", "20", "-x", "30", "-y", "15"}, ref));
    ASSERT_EQ(ref.maxval, 65535);
    ASSERT_EQ(t->Width, ref.width);
    ASSERT_EQ(t->Height, ref.height);
    int diffs = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            for (int k = 0; k < 3; ++k)
                diffs += t->Row(y)[x * 3 + 2 - k] != uint8_t(ref.data[((qsizetype(y) * ref.width + x) * 3 + k) * 2]);
    EXPECT_EQ(diffs, 0);
}

// The next Acquire of the run offers the mode, depth, resolution and area chosen at the last
// one; a dialog cancelled in between changes nothing.
TEST_F(ScanProgram, AcquireKeepsTheChoicesOfTheLastScanWhileTheProgramRuns)
{
    ASSERT_TRUE(OpenWithScanner());
    const auto field = [](TScanDlg& d, const char* name) { return d.findChild<QLineEdit*>(QLatin1String(name)); };
    const auto combo = [](TScanDlg& d, const char* name) { return d.findChild<QComboBox*>(QLatin1String(name)); };
    auto script = std::make_unique<ModalScript>();
    script->Then<TScanDlg>([&](TScanDlg& d) {
        EXPECT_EQ(combo(d, "ModeB")->currentText(), "Gray");
        EXPECT_EQ(combo(d, "DepthB")->currentText(), "8 bit");
        EXPECT_EQ(field(d, "ResolE")->text(), "300");
        combo(d, "DepthB")->setCurrentIndex(combo(d, "DepthB")->findText("16 bit"));
        field(d, "AreaLeftE")->setText("10");
        field(d, "AreaTopE")->setText("20");
        field(d, "AreaWidthE")->setText("30");
        field(d, "AreaHeightE")->setText("15");
        ScanInColour(d);
    });
    // The scan is not saved; the choices stay all the same.
    dialogs.QueueAnswer(false);
    Acquire();
    ASSERT_TRUE(script->Done());
    script.reset();
    for (const bool cancel : {true, false}) {
        ModalScript again;
        again.Then<TScanDlg>([&](TScanDlg& d) {
            EXPECT_EQ(combo(d, "ModeB")->currentText(), "Color");
            EXPECT_EQ(combo(d, "DepthB")->currentText(), "16 bit");
            EXPECT_EQ(field(d, "ResolE")->text(), QString::number(Dpi));
            EXPECT_EQ(field(d, "AreaLeftE")->text().toInt(), 10);
            EXPECT_EQ(field(d, "AreaTopE")->text().toInt(), 20);
            EXPECT_EQ(field(d, "AreaWidthE")->text().toInt(), 30);
            EXPECT_EQ(field(d, "AreaHeightE")->text().toInt(), 15);
            if (cancel)
                combo(d, "ModeB")->setCurrentIndex(combo(d, "ModeB")->findText("Gray"));
            d.reject();
        });
        Acquire();
        EXPECT_TRUE(again.Done());
    }
    EXPECT_EQ(TemplateCount(), 0);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(ScanProgram, EscWhileScanningAndCancelledDialogsLeaveNothing)
{
    // Reads of 1 KB: the scan takes many, and Esc comes between them.
    ASSERT_TRUE(OpenWithScanner({.readLimit = 1024}));
    struct Case {
        const char* name;
        bool esc;        // pressed while the progress runs
        bool scanOk;     // the scan dialog's OK
        int saveDialogs; // shown, and cancelled
        bool hung = false; // the scan's worker stopped dead before Esc
    };
    const Case cases[] = {
        {"scan dialog cancelled", false, false, 0},
        {"Esc while scanning", true, true, 0},
        {"save cancelled", false, true, 1},
        // A backend that hangs takes only its worker: killed, and the program goes on.
        {"Esc with the worker hung", true, true, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto requests = dialogs.Requests().size();
        ModalScript script;
        script.Then<TScanDlg>([&](TScanDlg& d) {
            if (c.scanOk)
                ScanInColour(d);
        });
        bool escSent = false;
        pid_t worker = 0;
        QTimer esc;
        esc.setInterval(0);
        QObject::connect(&esc, &QTimer::timeout, [&] {
            if (!c.esc || escSent || !ProgressRunning())
                return;
            escSent = true;
            if (c.hung) {
                worker = ScanWorkerPid();
                ASSERT_GT(worker, 0);
                ::kill(worker, SIGSTOP);
            }
            QCoreApplication::postEvent(&Frame(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
        esc.start();
        if (c.saveDialogs > 0)
            dialogs.QueueAnswer(false);
        Acquire();
        esc.stop();
        EXPECT_TRUE(script.Unexpected().isEmpty());
        EXPECT_EQ(escSent, c.esc);
        if (c.hung) {
            EXPECT_NE(::kill(worker, 0), 0) << "the hung worker was killed";
        }
        EXPECT_EQ(int(dialogs.Requests().size() - requests), c.saveDialogs);
        EXPECT_FALSE(ProgressRunning());
        EXPECT_EQ(TemplateCount(), 0);
        EXPECT_EQ(messages.Count(), 0);
        EXPECT_EQ(FilesIn(TempPath(QString())), QStringList{"map.zmd"});
    }
    // A reader thread stopped in a message lookup would hold the C library's locale lock for
    // good (the process then hangs at exit): backend messages need no catalog.
    EXPECT_STREQ(std::setlocale(LC_MESSAGES, nullptr), "C");
    // Esc stopped only that scan: the next one runs to its end.
    ModalScript script;
    script.Then<TScanDlg>(ScanInColour).Then<TTempResolDlg>([](TTempResolDlg& d) { d.accept(); });
    dialogs.QueueAnswer(true);
    Acquire();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(TemplateCount(), 1);
}

TEST_F(ScanProgram, WriteFailureSaysCannotWriteAndAddsNoTemplate)
{
    ASSERT_TRUE(OpenWithScanner());
    const QString path = TempPath(QStringLiteral("missing/scan.bmp"));
    ModalScript script;
    script.Then<TScanDlg>(ScanInColour);
    dialogs.QueueAnswer(true, path);
    Acquire();
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(script.Unexpected().isEmpty());
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotWrite);
    EXPECT_EQ(messages.Last().params, path);
    EXPECT_EQ(TemplateCount(), 0);
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace

TEST_F(ScanProgram, StartUpAndPaintLeaveSaneAloneUntilTheTemplateMenuOpens)
{
    ASSERT_TRUE(OpenWithScanner());
    Surface()->repaint();
    Settle();
    Frame().UpdateCommandStates();
    EXPECT_EQ(SaneStartCount(), 0);
    EXPECT_FALSE(Frame().Action(Cmd::TemplateScan)->isEnabled());
    OpenTemplateMenu();
    EXPECT_EQ(SaneStartCount(), 1);
    EXPECT_TRUE(Frame().Action(Cmd::TemplateScan)->isEnabled());
    // Looked up once per run, whatever opens afterwards.
    OpenTemplateMenu();
    Frame().UpdateCommandStates();
    EXPECT_EQ(SaneStartCount(), 1);
}
