// The serial port over a pseudo-terminal pair: the settings it puts on the device, exclusive
// opening, and the lines and packets cut from what the master side writes.
#include "external/Comm.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zemo {
namespace {

class Pty {
public:
    Pty()
    {
        char name[256] = {};
        ok = openpty(&master, &slave, name, nullptr, nullptr) == 0;
        path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        if (ok) {
            if (master >= 0)
                ::close(master);
            ::close(slave);
        }
    }
    // The master side gone: the slave side hangs up.
    void CloseMaster() { ::close(std::exchange(master, -1)); }
    void Write(const std::string& bytes) const
    {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        // The line discipline hands the bytes over asynchronously.
        tcdrain(master);
        usleep(20000);
    }
    bool ok = false;
    int master = -1;
    int slave = -1;
    QString path;
};

struct Received {
    std::vector<std::string> items;
    CommSink Sink()
    {
        return [this](const QByteArray& b) { items.push_back(b.toStdString()); };
    }
};

TEST(Comm, TermiosRawWithByteSizeParityOneStopBitAndSpeed)
{
    struct Case {
        int baud, bits, parity;
        speed_t speed;
        tcflag_t size;
    };
    const Case cases[] = {
        {4800, 8, CommParity::None, B4800, CS8},
        {9600, 7, CommParity::Odd, B9600, CS7},
        {19200, 8, CommParity::Even, B19200, CS8},
        {2400, 5, CommParity::None, B2400, CS5},
        {115200, 6, CommParity::Odd, B115200, CS6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        termios t{};
        // Whatever the device had before goes.
        t.c_cflag = CSTOPB | PARENB | PARODD | CS8 | CRTSCTS;
        t.c_lflag = ICANON | ECHO | ISIG;
        t.c_iflag = ICRNL | IXON;
        t.c_oflag = OPOST;
        ASSERT_TRUE(CommTermios(t, c.baud, c.bits, c.parity));
        EXPECT_EQ(cfgetispeed(&t), c.speed);
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(t.c_cflag & CSIZE, c.size);
        EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), 0u);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
        EXPECT_EQ(bool(t.c_cflag & PARENB), c.parity != CommParity::None);
        EXPECT_EQ(bool(t.c_cflag & PARODD), c.parity == CommParity::Odd);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
    }
    termios t{};
    EXPECT_FALSE(CommTermios(t, 4801, 8, CommParity::None));
}

TEST(Comm, OpenedPseudoTerminalIsRaw8N1AtTheSpeed)
{
    // A pseudo-terminal keeps 8 bits without parity whatever is asked; speed and raw mode hold.
    for (int baud : {2400, 4800, 9600, 19200}) {
        SCOPED_TRACE(baud);
        Pty pty;
        ASSERT_TRUE(pty.ok);
        TComm comm;
        comm.SetPort(pty.path, baud, 8, CommParity::Even);
        comm.SetEnabled(true);
        ASSERT_TRUE(comm.Enabled());
        termios t{};
        ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
        termios want{};
        ASSERT_TRUE(CommTermios(want, baud, 8, CommParity::None));
        EXPECT_EQ(cfgetispeed(&t), cfgetispeed(&want));
        EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB), tcflag_t(CS8));
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
    }
}

TEST(Comm, SecondOpenMissingDeviceAndUnknownSpeedLeaveItDisabled)
{
    Pty pty;
    ASSERT_TRUE(pty.ok);
    TComm first, second;
    first.SetPort(pty.path, 4800);
    first.SetEnabled(true);
    ASSERT_TRUE(first.Enabled());
    second.SetPort(pty.path, 4800);
    second.SetEnabled(true);
    EXPECT_FALSE(second.Enabled());
    first.SetEnabled(false);
    second.SetEnabled(true);
    EXPECT_TRUE(second.Enabled()) << "closing lets the port go";

    TComm missing;
    missing.SetPort(QStringLiteral("/dev/zemo-no-such-tty"), 4800);
    missing.SetEnabled(true);
    EXPECT_FALSE(missing.Enabled());
    TComm notATerminal;
    notATerminal.SetPort(QStringLiteral("/dev/null"), 4800);
    notATerminal.SetEnabled(true);
    EXPECT_FALSE(notATerminal.Enabled());
    TComm odd;
    odd.SetPort(pty.path, 4801);
    odd.SetEnabled(true);
    EXPECT_FALSE(odd.Enabled());
}

TEST(Comm, PortNamesToDevices)
{
    EXPECT_EQ(CommDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(CommDevicePath("COM10"), "/dev/ttyS9");
    EXPECT_EQ(CommDevicePath("com3"), "/dev/ttyS2");
    EXPECT_EQ(CommDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(CommDevicePath("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(CommDevicePath("COM0"), "/dev/COM0");
}

// Each step: bytes written, then one poll, then the lines handed on by that poll.
struct Step {
    std::string write;
    std::vector<std::string> lines;
};

TEST(Comm, LinesFromPolls)
{
    const std::string full(255, 'x');
    const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
        {"split across writes", {{"$GPGGA,1", {}}, {"23,4\r", {"$GPGGA,123,4"}}, {"\n", {}}}},
        {"two in one burst, in order", {{"$A,1\r\n$B,2\r\n$C", {"$A,1", "$B,2"}}, {"\r\n", {"$C"}}}},
        {"empty lines", {{"\r\n\r\n", {}}, {"\n\n\r", {}}}},
        {"LF only", {{"one\ntwo\n", {"one", "two"}}}},
        {"255 without an end dropped", {{full, {}}, {"ab\r\n", {"ab"}}}},
        {"254 then the end", {{full.substr(1), {}}, {"\r", {full.substr(1)}}}},
    };
    for (const auto& [name, steps] : cases) {
        SCOPED_TRACE(name);
        Pty pty;
        ASSERT_TRUE(pty.ok);
        TComm comm;
        Received got;
        comm.OnLine = got.Sink();
        comm.SetPort(pty.path, 9600);
        comm.SetEnabled(true);
        ASSERT_TRUE(comm.Enabled());
        for (const Step& s : steps) {
            got.items.clear();
            pty.Write(s.write);
            comm.Poll();
            EXPECT_EQ(got.items, s.lines);
        }
    }
}

TEST(Comm, ManyLinesBetweenPollsAllComeAtOnePoll)
{
    Pty pty;
    ASSERT_TRUE(pty.ok);
    TComm comm;
    Received got;
    comm.OnLine = got.Sink();
    comm.SetPort(pty.path, 9600);
    comm.SetEnabled(true);
    std::string burst;
    std::vector<std::string> want;
    for (int i = 0; i < 40; ++i) {
        want.push_back("$GPGGA,line " + std::to_string(i) + ",with some more text to pass the buffer");
        burst += want.back() + "\r\n";
    }
    ASSERT_GT(burst.size(), 4 * size_t(CommBufferSize));
    pty.Write(burst);
    comm.Poll();
    EXPECT_EQ(got.items, want);
}

TEST(Comm, PacketsFromPolls)
{
    const std::string big = "\n\x01\xFF" + std::string(40, 'q');
    const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
        {"bytes before the LF dropped", {{"junk\n\x01\x02" "ABCDE", {"\n\x01\x02" "ABCDE"}}}},
        {"length from the third byte", {{std::string("\n\x09\x00" "abc", 6) + "\n\x09\x01" "abcd", {std::string("\n\x09\x00" "abc", 6), "\n\x09\x01" "abcd"}}}},
        {"incomplete waits", {{"\n\x01\x04" "ab", {}}, {"cdefg", {"\n\x01\x04" "abcdefg"}}}},
        {"no LF empties", {{"abc", {}}, {"\x01\x00", {}}}},
        {"oversize dropped, next delivered", {{big + "\n\x07\x01" "wxyz", {"\n\x07\x01" "wxyz"}}}},
    };
    for (const auto& [name, steps] : cases) {
        SCOPED_TRACE(name);
        Pty pty;
        ASSERT_TRUE(pty.ok);
        TComm comm;
        comm.Mode = CommMode::Packets;
        Received got;
        comm.OnLine = got.Sink();
        comm.SetPort(pty.path, 9600);
        comm.SetEnabled(true);
        for (const Step& s : steps) {
            got.items.clear();
            pty.Write(s.write);
            comm.Poll();
            EXPECT_EQ(got.items, s.lines);
        }
    }
}

TEST(Comm, OversizePacketWithoutNextLfLeavesThePortListening)
{
    // A 261-byte packet never fits the 255-byte buffer; what follows it still arrives.
    QByteArray b("\n\x01\xFF", 3);
    b.append(QByteArray(200, 'z'));
    Received got;
    SplitCommPackets(b, got.Sink());
    EXPECT_TRUE(b.isEmpty());
    b.append(QByteArray("\n\x02\x00" "abc", 6));
    SplitCommPackets(b, got.Sink());
    EXPECT_EQ(got.items, std::vector<std::string>{std::string("\n\x02\x00" "abc", 6)});
}

TEST(Comm, TimerPollsWhileEnabled)
{
    QEventLoop loop;
    Pty pty;
    ASSERT_TRUE(pty.ok);
    TComm comm;
    Received got;
    comm.OnLine = [&](const QByteArray& b) {
        got.items.push_back(b.toStdString());
        loop.quit();
    };
    comm.SetPort(pty.path, 4800);
    comm.SetEnabled(true);
    pty.Write("$GPRMC,x\r\n");
    QTimer::singleShot(5000, &loop, [&] { loop.quit(); });
    loop.exec();
    EXPECT_EQ(got.items, std::vector<std::string>{"$GPRMC,x"});
}

// A receiver unplugged and plugged in again comes back at the same path: the lost port is
// tried at every tenth poll, opens again by itself and delivers lines; closing it ends the
// retrying. Here the path is a link moved from the first terminal to a new one.
TEST(Comm, ALostPortOpensAgainAtItsPathUntilClosed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString port = dir.filePath("gps0");
    auto first = std::make_unique<Pty>();
    ASSERT_TRUE(first->ok);
    ASSERT_TRUE(QFile::link(first->path, port));
    TComm comm;
    Received got;
    int lost = 0, back = 0;
    comm.OnLine = got.Sink();
    comm.OnLost = [&] { ++lost; };
    comm.OnReconnect = [&] { ++back; };
    comm.SetPort(port, 4800);
    comm.SetEnabled(true);
    ASSERT_TRUE(comm.Enabled());
    first->Write("$A,1\r\n");
    comm.Poll();
    EXPECT_EQ(got.items, std::vector<std::string>{"$A,1"});
    first.reset();
    comm.Poll();
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(comm.Enabled());
    EXPECT_TRUE(comm.Retrying());
    // Nothing at the path yet: the tries fail quietly.
    for (int i = 0; i < 2 * CommRetryPolls; ++i)
        comm.Poll();
    EXPECT_EQ(back, 0);
    EXPECT_TRUE(comm.Retrying());
    Pty second;
    ASSERT_TRUE(second.ok);
    ASSERT_TRUE(QFile::remove(port));
    ASSERT_TRUE(QFile::link(second.path, port));
    for (int i = 0; i < CommRetryPolls - 1; ++i)
        comm.Poll();
    EXPECT_FALSE(comm.Enabled()) << "not before the tenth poll";
    comm.Poll();
    ASSERT_TRUE(comm.Enabled());
    EXPECT_EQ(back, 1);
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(comm.Retrying());
    got.items.clear();
    second.Write("$B,2\r\n");
    comm.Poll();
    EXPECT_EQ(got.items, std::vector<std::string>{"$B,2"});

    // Lost again and closed by the user: no more tries, even with a device at the path.
    second.CloseMaster();
    comm.Poll();
    EXPECT_EQ(lost, 2);
    comm.SetEnabled(false);
    EXPECT_FALSE(comm.Retrying());
    Pty third;
    ASSERT_TRUE(third.ok);
    ASSERT_TRUE(QFile::remove(port));
    ASSERT_TRUE(QFile::link(third.path, port));
    for (int i = 0; i < 2 * CommRetryPolls; ++i)
        comm.Poll();
    EXPECT_FALSE(comm.Enabled());
    EXPECT_EQ(back, 1);
}

} // namespace
} // namespace zemo
