// The GPS receiver in the running program: a simulated receiver writes GGA sentences into the
// master side of a pseudo-terminal while the program reads the other side through Options >
// Open GPS; the mark follows the last position, Close GPS removes it. The adjustment dialog
// and its tool over synthesized clicks.
#include "../support/ProgramFixture.h"
#include "ModalScript.h"
#include "core/CodePage.h"
#include "core/Config.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "external/AdjGps.h"
#include "external/Comm.h"
#include "external/Gps.h"
#include "external/widgets/AdjGpsDlg.h"
#include "external/widgets/GpsDlg.h"
#include "render/Scale.h"
#include "core/widgets/QtStatusBar.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <functional>
#include <pty.h>
#include <unistd.h>

namespace zemo::test {
namespace {

// The sentence with "$", its checksum and CR LF.
QByteArray Sentence(const QByteArray& body)
{
    uint8_t sum = 0;
    for (char c : body)
        sum ^= uint8_t(c);
    return "$" + body + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

QByteArray Gga(double lat, double lon)
{
    const double la = std::fabs(lat), lo = std::fabs(lon);
    const int dla = int(la), dlo = int(lo);
    char body[128];
    std::snprintf(body, sizeof body, "GPGGA,120000,%02d%07.4f,%c,%03d%07.4f,%c,1,08,0.9,100.0,M,40.0,M,,", dla,
                  (la - dla) * 60, lat < 0 ? 'S' : 'N', dlo, (lo - dlo) * 60, lon < 0 ? 'W' : 'E');
    return Sentence(body);
}

class GpsProgram : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        char name[256] = {};
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        device = QString::fromLocal8Bit(name);
    }
    void TearDown() override
    {
        GpsComm().SetEnabled(false);
        if (master >= 0)
            ::close(master);
        ::close(slave);
        ProgramFixture::TearDown();
    }
    void Send(const QByteArray& bytes) const
    {
        ASSERT_EQ(::write(master, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        tcdrain(master);
    }
    // Events run until the condition holds (the port polls every 100 ms) or `ms` pass.
    static bool WaitFor(const std::function<bool()>& cond, qint64 ms = 2000)
    {
        QElapsedTimer t;
        t.start();
        while (!cond() && t.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            usleep(5000);
        }
        return cond();
    }
    template <class D>
    bool RunDialog(Cmd c, const std::function<void(D&)>& steps)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<D*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            ran = true;
            steps(*dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        Frame().UpdateCommandStates();
        Trigger(c);
        Settle();
        return ran;
    }
    bool OpenMapWithPoint()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50)};
        if (!OpenWritten(w, QStringLiteral("gps.zmd")))
            return false;
        SetupRecord* st = Stp();
        st->MapScale = 10000;
        st->GpsAngle = 0;
        st->GpsAdjustPointCount = 1;
        st->GpsAdjustPoints[0] = {1000 * 256, 2000 * 256, 60.0, 25.0, "P"};
        return true;
    }
    // Options > Open GPS with the typed device and OK.
    bool OpenGps()
    {
        return RunDialog<TOpenGpsDlg>(Cmd::OptionsOpenGps, [&](TOpenGpsDlg& d) {
            d.findChild<QComboBox*>("PortB")->setEditText(device);
            d.findChild<QComboBox*>("SpeedB")->setCurrentIndex(1);
            d.accept();
        });
    }

    int master = -1;
    int slave = -1;
    QString device;
};

TEST_F(GpsProgram, MarkFollowsTheLastPositionAndCloseRemovesIt)
{
    ASSERT_TRUE(OpenMapWithPoint());
    ASSERT_TRUE(OpenGps());
    EXPECT_EQ(ProgramConfig.GpsPort, device);
    EXPECT_EQ(ProgramConfig.GpsSpeed, 4800);
    ASSERT_TRUE(GpsComm().Enabled());
    EXPECT_EQ(messages.Count(), 0);
    // Bursts of several sentences between polls: the mark lies at the last of each.
    const double positions[][2] = {{60.001, 25.002}, {60.0015, 25.001}, {59.999, 24.998}, {60.0005, 25.0}};
    for (int burst = 0; burst < 3; ++burst) {
        QByteArray bytes;
        for (int i = 0; i <= burst + 1; ++i)
            bytes += Gga(positions[(burst + i) % 4][0], positions[(burst + i) % 4][1]);
        const auto& last = positions[(burst + burst + 1) % 4];
        Send(bytes);
        double x = 0, y = 0;
        GpsToMap(last[0], last[1], x, y);
        const Cord want{int32_t(std::nearbyint(x)) * 256, int32_t(std::nearbyint(y)) * 256};
        SCOPED_TRACE(burst);
        EXPECT_TRUE(WaitFor([&] { return EditSys.GpsMarkShown && EditSys.GpsPosition == want; }))
            << EditSys.GpsPosition.x / 256 << " " << EditSys.GpsPosition.y / 256 << " want " << x << " " << y;
    }
    EXPECT_TRUE(ProgramConfig.GpsEnabled);
    // One point at 60 N 25 E: 1/60 degree north is fx / 60 up the map.
    const double fx = 3.141592653589793 * 637816000000.0 / 10000 / 180;
    double x = 0, y = 0;
    GpsToMap(60 + 1.0 / 60, 25, x, y);
    EXPECT_NEAR(y - 2000, fx / 60, 1e-6);
    Trigger(Cmd::OptionsCloseGps);
    Settle();
    EXPECT_FALSE(EditSys.GpsMarkShown);
    EXPECT_FALSE(GpsComm().Enabled());
    EXPECT_FALSE(ProgramConfig.GpsEnabled);
}

// A receiver that stops talking leaves an old position, one that goes away (the terminal
// hung up) is lost: the mark and the status line say so, and Close GPS clears both.
TEST_F(GpsProgram, SilentOrLostReceiverIsShownAndCloseClearsIt)
{
    const auto centre = [this] { return PanelsOf(Frame())->Status->Panel(StatusPanel::Center)->text(); };
    ASSERT_TRUE(OpenMapWithPoint());
    // 1 mm a pixel round the fit's point: every position of this test lies in the window.
    Stp()->Zoom = 0.32;
    Stp()->ViewCenterX = 1000 * 256;
    Stp()->ViewCenterY = 2000 * 256;
    Trigger(Cmd::ViewRedraw);
    UpdateViewOf(ActiveChild()->View());
    ASSERT_TRUE(OpenGps());
    Send(Gga(60.001, 25.002) + Gga(60.0012, 25.002));
    ASSERT_TRUE(WaitFor([] { return EditSys.GpsMarkShown; }));
    EXPECT_FALSE(EditSys.GpsMarkOld);
    EXPECT_TRUE(centre().startsWith("GPS 8")) << centre().toStdString();
    // On the mark's diagonal, off its circle and its cross: the stroke of an old position.
    const auto diagonal = [this] {
        return ActiveChild()->Surface().pixel(CordToDevice(EditSys.GpsPosition) + QPoint(10, 10));
    };
    const QRgb fresh = diagonal();
    EXPECT_EQ(fresh, qRgb(255, 255, 255)); // the empty map
    // Silence: after a few seconds the position is old; a new sentence makes it fresh again.
    QElapsedTimer t;
    t.start();
    while (!Gps.Old && t.elapsed() < GpsOldAfterMs + 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(Gps.Old);
    EXPECT_GE(t.elapsed(), GpsOldAfterMs / 2);
    EXPECT_TRUE(EditSys.GpsMarkShown);
    EXPECT_TRUE(EditSys.GpsMarkOld);
    EXPECT_NE(diagonal(), fresh);
    EXPECT_EQ(centre(), Text(TextKey::GpsNoData));
    Send(Gga(60.002, 25.002));
    ASSERT_TRUE(WaitFor([] { return !Gps.Old; }));
    EXPECT_FALSE(EditSys.GpsMarkOld);
    EXPECT_EQ(diagonal(), fresh);
    EXPECT_TRUE(centre().startsWith("GPS 8"));
    // The device goes away.
    ::close(master);
    master = -1;
    ASSERT_TRUE(WaitFor([] { return Gps.Lost; }));
    EXPECT_FALSE(GpsComm().Enabled());
    EXPECT_TRUE(EditSys.GpsMarkShown);
    EXPECT_TRUE(EditSys.GpsMarkOld);
    EXPECT_EQ(centre(), Text(TextKey::GpsLost));
    EXPECT_EQ(messages.Count(), 0);
    Trigger(Cmd::OptionsCloseGps);
    Settle();
    EXPECT_FALSE(EditSys.GpsMarkShown);
    EXPECT_FALSE(EditSys.GpsMarkOld);
    EXPECT_FALSE(Gps.Lost);
    EXPECT_EQ(centre(), QString());
    EXPECT_FALSE(ProgramConfig.GpsEnabled);
}

// A receiver that comes back at the same port after it was lost is taken up again without
// Options > Open GPS: the status line says it is connected again, and its positions move the
// mark. The port is a link that moves from the first terminal to a new one.
TEST_F(GpsProgram, ALostReceiverBackAtItsPortIsTakenUpAgain)
{
    const auto centre = [this] { return PanelsOf(Frame())->Status->Panel(StatusPanel::Center)->text(); };
    ASSERT_TRUE(OpenMapWithPoint());
    QTemporaryDir links;
    ASSERT_TRUE(links.isValid());
    const QString port = links.filePath("gps0");
    ASSERT_TRUE(QFile::link(device, port));
    device = port;
    ASSERT_TRUE(OpenGps());
    EXPECT_EQ(ProgramConfig.GpsPort, port);
    EXPECT_TRUE(GpsComm().Enabled());
    // The first line only says data arrive.
    Send(Gga(60.001, 25.002) + Gga(60.001, 25.002));
    ASSERT_TRUE(WaitFor([] { return EditSys.GpsMarkShown; }));
    const Cord first = EditSys.GpsPosition;
    // Unplugged: both sides of the terminal go.
    ::close(master);
    ::close(slave);
    master = slave = -1;
    ASSERT_TRUE(WaitFor([] { return Gps.Lost; }));
    EXPECT_EQ(centre(), Text(TextKey::GpsLost));
    // Plugged in again at the same port.
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_TRUE(QFile::remove(port));
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(name), port));
    // The port is tried once a second: a busy machine is given several tries.
    ASSERT_TRUE(WaitFor([] { return !Gps.Lost; }, 10000));
    EXPECT_TRUE(GpsComm().Enabled());
    EXPECT_EQ(centre(), Text(TextKey::GpsReconnected));
    Send(Gga(60.0015, 25.001));
    double x = 0, y = 0;
    GpsToMap(60.0015, 25.001, x, y);
    const Cord want{int32_t(std::nearbyint(x)) * 256, int32_t(std::nearbyint(y)) * 256};
    ASSERT_NE(want, first);
    EXPECT_TRUE(WaitFor([&] { return EditSys.GpsMarkShown && EditSys.GpsPosition == want; }));
    EXPECT_FALSE(EditSys.GpsMarkOld);
    EXPECT_TRUE(centre().startsWith("GPS 8")) << centre().toStdString();
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(GpsProgram, MissingDeviceSaysCannotOpen)
{
    ASSERT_TRUE(OpenMapWithPoint());
    device = QStringLiteral("/dev/zemo-no-such-tty");
    ASSERT_TRUE(OpenGps());
    EXPECT_FALSE(GpsComm().Enabled());
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::CannotOpen);
    EXPECT_EQ(messages.Entries()[0].msg.helpContext, CannotOpenGpsHelpContext);
}

TEST_F(GpsProgram, AdjustDialogAndToolAppendPoints)
{
    ASSERT_TRUE(OpenMapWithPoint());
    Stp()->GpsAdjustPointCount = 0;
    ShowAtTenthMillimetres();
    const int before = ProgramConfig.WorkMode;
    // Without data New is off; the angle typed is kept on close.
    ASSERT_TRUE(RunDialog<TAdjustGpsDlg>(Cmd::OptionsAdjGps, [&](TAdjustGpsDlg& d) {
        EXPECT_FALSE(d.findChild<QPushButton*>("NewBtn")->isEnabled());
        EXPECT_FALSE(d.findChild<QPushButton*>("DeleteBtn")->isEnabled());
        d.findChild<QLineEdit*>("AngleE")->setText("12.5");
        d.accept();
    }));
    EXPECT_DOUBLE_EQ(Stp()->GpsAngle, 12.5);

    ASSERT_TRUE(OpenGps());
    Send(Gga(60.0, 25.0) + Gga(60.0, 25.0));
    ASSERT_TRUE(WaitFor([] { return Gps.MeanCount > 0; }));
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(RunDialog<TAdjustGpsDlg>(Cmd::OptionsAdjGps, [&](TAdjustGpsDlg& d) {
            auto* newBtn = d.findChild<QPushButton*>("NewBtn");
            ASSERT_TRUE(newBtn->isEnabled());
            newBtn->click();
        }));
        EXPECT_EQ(Work.ToolMode, ToolModes::GpsAdjust);
        Click(Surface(), At(5.0 * n, 7.0));
        Settle();
        ASSERT_EQ(Stp()->GpsAdjustPointCount, n);
        EXPECT_EQ(Stp()->GpsAdjustPoints[size_t(n - 1)].Name, ("Point " + std::to_string(n)));
        EXPECT_NEAR(Stp()->GpsAdjustPoints[size_t(n - 1)].X / 256.0, 500.0 * n, 10);
        EXPECT_EQ(ProgramConfig.WorkMode, before);
        EXPECT_NE(Work.ToolMode, ToolModes::GpsAdjust);
    }
    // Two points at one position: too close, said once by the click's fit.
    EXPECT_EQ(messages.Count(), 1);

    // Esc ends the tool without a point.
    ASSERT_TRUE(RunDialog<TAdjustGpsDlg>(Cmd::OptionsAdjGps, [&](TAdjustGpsDlg& d) {
        EXPECT_EQ(d.findChild<QListWidget*>("AdjPtB")->count(), 2);
        d.findChild<QPushButton*>("NewBtn")->click();
    }));
    EXPECT_EQ(Work.ToolMode, ToolModes::GpsAdjust);
    Key(Surface(), Qt::Key_Escape);
    Settle();
    EXPECT_NE(Work.ToolMode, ToolModes::GpsAdjust);
    EXPECT_EQ(Stp()->GpsAdjustPointCount, 2);

    // Without a valid position a click says NoValidGps and adds nothing.
    ASSERT_TRUE(RunDialog<TAdjustGpsDlg>(Cmd::OptionsAdjGps, [&](TAdjustGpsDlg& d) {
        d.findChild<QPushButton*>("NewBtn")->click();
    }));
    Gps.MeanCount = 0;
    messages.Clear();
    Click(Surface(), At(1, 1));
    Settle();
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::NoValidGps);
    EXPECT_EQ(Stp()->GpsAdjustPointCount, 2);
}

TEST_F(GpsProgram, PortListAndStoredComNames)
{
    EXPECT_EQ(PortChoice("COM2"), "/dev/ttyS1");
    QTemporaryDir dev;
    for (const char* n : {"ttyS0", "ttyUSB1", "ttyACM0", "rfcomm0", "tty1", "null"}) {
        QFile f(dev.filePath(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QStringList want = {dev.filePath("rfcomm0"), dev.filePath("ttyACM0"), dev.filePath("ttyS0"),
                              dev.filePath("ttyUSB1")};
    EXPECT_EQ(SerialDevices(dev.path()), want);
}

TEST_F(GpsProgram, TestDialogShowsEachLineWithItsPositionAndFix)
{
    ASSERT_TRUE(OpenMapWithPoint());
    const QString sats = u' ' + Text(TextKey::Satellites);
    struct Row {
        QByteArray body;
        QString lat, lon, mode;
    };
    const Row rows[] = {
        {"GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", u"48\u00b0 7.0380'"_qs,
         u"11\u00b0 31.0000'"_qs, "8" + sats},
        {"GNGGA,120001,3330.000,S,07015.000,W,2,05,1.0,10.0,M,0.0,M,2.0,0001", u"-33\u00b0 30.0000'"_qs,
         u"-70\u00b0 15.0000'"_qs, "DGPS 5" + sats},
        // No fix: the position shown stays.
        {"GPGGA,120002,,,,,0,00,,,M,,M,,", u"-33\u00b0 30.0000'"_qs, u"-70\u00b0 15.0000'"_qs, Text(TextKey::NoFix)},
    };
    bool shown = false;
    ASSERT_TRUE(RunDialog<TOpenGpsDlg>(Cmd::OptionsOpenGps, [&](TOpenGpsDlg& d) {
        d.findChild<QComboBox*>("PortB")->setEditText(device);
        ModalScript test;
        test.Then<TTestGpsDlg>([&](TTestGpsDlg& t) {
            shown = true;
            EXPECT_TRUE(GpsComm().Enabled());
            auto text = [&](const char* name) { return t.findChild<QLabel*>(name)->text(); };
            for (const Row& r : rows) {
                SCOPED_TRACE(r.body.toStdString());
                const QByteArray line = Sentence(r.body).chopped(2);
                Send(line + "\r\n");
                EXPECT_TRUE(WaitFor([&] { return text("SDataB") == QString::fromLatin1(line); }));
                EXPECT_EQ(text("LatB"), r.lat);
                EXPECT_EQ(text("LongB"), r.lon);
                EXPECT_EQ(text("ModeB"), r.mode);
            }
            // The lines are shown, not put on the map.
            EXPECT_FALSE(EditSys.GpsMarkShown);
        });
        d.findChild<QPushButton*>("TestBtn")->click();
        EXPECT_TRUE(test.Done());
        EXPECT_TRUE(test.Unexpected().isEmpty());
        // Test stored the fields before it opened the port.
        EXPECT_EQ(ProgramConfig.GpsPort, device);
    }));
    EXPECT_TRUE(shown);
    // Data came: the port stays open, and the next positions go on the map.
    EXPECT_TRUE(GpsComm().Enabled());
    EXPECT_TRUE(ProgramConfig.GpsEnabled);
    Send(Gga(60.0, 25.0));
    EXPECT_TRUE(WaitFor([] { return EditSys.GpsMarkShown; }));
}

TEST_F(GpsProgram, TestWithoutDataClosesThePortAgain)
{
    ASSERT_TRUE(OpenMapWithPoint());
    struct Case {
        const char* name;
        bool present;
    };
    for (const Case& c : {Case{"silent receiver", true}, Case{"missing device", false}}) {
        SCOPED_TRACE(c.name);
        messages.Clear();
        bool shown = false;
        ASSERT_TRUE(RunDialog<TOpenGpsDlg>(Cmd::OptionsOpenGps, [&](TOpenGpsDlg& d) {
            d.findChild<QComboBox*>("PortB")->setEditText(c.present ? device : QStringLiteral("/dev/zemo-no-such-tty"));
            ModalScript test;
            test.Then<TTestGpsDlg>([&](TTestGpsDlg&) {
                shown = true;
                EXPECT_TRUE(GpsComm().Enabled());
            });
            d.findChild<QPushButton*>("TestBtn")->click();
            EXPECT_TRUE(test.Unexpected().isEmpty());
        }));
        EXPECT_EQ(shown, c.present);
        EXPECT_FALSE(GpsComm().Enabled());
        EXPECT_FALSE(ProgramConfig.GpsEnabled);
        EXPECT_EQ(messages.CountOf(TextKey::CannotOpen), c.present ? 0 : 1);
    }
}

TEST_F(GpsProgram, AdjustDialogRenamesAndDeletesPoints)
{
    ASSERT_TRUE(OpenMapWithPoint());
    SetupRecord* st = Stp();
    st->GpsAdjustPointCount = 3;
    for (int i = 0; i < 3; ++i)
        st->GpsAdjustPoints[size_t(i)] = {(1000 + 100 * i) * 256, 2000 * 256, 60.0 + 0.001 * i, 25.0, "P" + std::to_string(i + 1)};
    auto names = [](TAdjustGpsDlg& d) {
        QStringList l;
        auto* list = d.findChild<QListWidget*>("AdjPtB");
        for (int i = 0; i < list->count(); ++i)
            l << list->item(i)->text();
        return l;
    };
    // A rename dialog for point 2: its name shown, the typed text cut to 15 characters.
    struct Rename {
        const char* name;
        QString typed;
        bool ok;
        QString want;
    };
    const Rename renames[] = {
        {"cancelled", "X", false, "P2"},
        {"long name", u"S\u00fcd \u20ac Steg Nord und mehr"_qs, true, u"S\u00fcd \u20ac Steg Nord"_qs},
        {"15 characters", "123456789012345", true, "123456789012345"},
    };
    QString current = "P2";
    for (const Rename& r : renames) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(RunDialog<TAdjustGpsDlg>(Cmd::OptionsAdjGps, [&](TAdjustGpsDlg& d) {
            auto* list = d.findChild<QListWidget*>("AdjPtB");
            EXPECT_EQ(list->currentRow(), 0) << "the first is selected";
            list->setCurrentRow(1);
            ModalScript rn;
            rn.Then<TRnGpsDlg>([&](TRnGpsDlg& n) {
                auto* edit = n.findChild<QLineEdit*>("NameB");
                EXPECT_EQ(edit->text(), current);
                edit->selectAll();
                edit->insert(r.typed);
                EXPECT_EQ(edit->text(), r.typed.left(15));
                if (r.ok)
                    n.accept();
            });
            d.findChild<QPushButton*>("RenameBtn")->click();
            EXPECT_TRUE(rn.Done());
            EXPECT_EQ(names(d), (QStringList{"P1", r.want, "P3"}));
            EXPECT_EQ(list->currentRow(), 1);
        }));
        current = r.want;
    }
    // The map keeps the name in its code page.
    EXPECT_EQ(QByteArray::fromStdString(st->GpsAdjustPoints[1].Name), "123456789012345");
    ASSERT_TRUE(RunDialog<TAdjustGpsDlg>(Cmd::OptionsAdjGps, [&](TAdjustGpsDlg& d) {
        d.findChild<QListWidget*>("AdjPtB")->setCurrentRow(1);
        ModalScript rn;
        rn.Then<TRnGpsDlg>([](TRnGpsDlg& n) {
            n.findChild<QLineEdit*>("NameB")->setText(u"S\u00fcd \u20ac"_qs);
            n.accept();
        });
        d.findChild<QPushButton*>("RenameBtn")->click();
    }));
    EXPECT_EQ(QByteArray::fromStdString(st->GpsAdjustPoints[1].Name), "S\xFC" "d \x80");

    // Delete asks first; the later points move up; with none left Delete and Rename are off.
    ASSERT_TRUE(RunDialog<TAdjustGpsDlg>(Cmd::OptionsAdjGps, [&](TAdjustGpsDlg& d) {
        auto* del = d.findChild<QPushButton*>("DeleteBtn");
        messages.QueueAnswer(IdCancel);
        del->click();
        EXPECT_EQ(names(d).size(), 3);
        messages.QueueAnswer(IdOk);
        del->click();
        EXPECT_EQ(names(d), (QStringList{u"S\u00fcd \u20ac"_qs, "P3"}));
        EXPECT_EQ(d.findChild<QListWidget*>("AdjPtB")->currentRow(), 0);
        messages.SetDefaultAnswer(IdOk);
        del->click();
        del->click();
        EXPECT_TRUE(names(d).isEmpty());
        EXPECT_FALSE(del->isEnabled());
        EXPECT_FALSE(d.findChild<QPushButton*>("RenameBtn")->isEnabled());
    }));
    EXPECT_EQ(messages.CountOf(TextKey::DelAdjustPt), 4);
    EXPECT_EQ(st->GpsAdjustPointCount, 0);
}

TEST_F(GpsProgram, NewOnlyWhileDataArrivesAndUnderTwelvePoints)
{
    ASSERT_TRUE(OpenMapWithPoint());
    struct Case {
        int count;
        bool delivering;
        int listed;
        bool newOn;
    };
    // A count outside 1..12 counts as none.
    const Case cases[] = {{0, true, 0, true},   {11, false, 11, false}, {11, true, 11, true},
                          {12, true, 12, false}, {13, true, 0, true},    {-1, true, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        SCOPED_TRACE(c.delivering);
        Stp()->GpsAdjustPointCount = c.count;
        for (int i = 0; i < MaxGpsAdjustPoints; ++i)
            Stp()->GpsAdjustPoints[size_t(i)] = {i * 256, 0, 60.0 + 0.001 * i, 25.0 + 0.001 * i, "Q"};
        ProgramConfig.GpsEnabled = c.delivering;
        ASSERT_TRUE(RunDialog<TAdjustGpsDlg>(Cmd::OptionsAdjGps, [&](TAdjustGpsDlg& d) {
            EXPECT_EQ(d.findChild<QListWidget*>("AdjPtB")->count(), c.listed);
            EXPECT_EQ(d.findChild<QPushButton*>("NewBtn")->isEnabled(), c.newOn);
            EXPECT_EQ(d.findChild<QPushButton*>("DeleteBtn")->isEnabled(), c.listed > 0);
        }));
    }
    ProgramConfig.GpsEnabled = false;
}

} // namespace
} // namespace zemo::test
