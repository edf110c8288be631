// Comm: the serial port of the GPS receiver. TComm opens a terminal device in raw mode, polls
// it every 100 ms on the user-interface thread, cuts what arrives into text lines or binary
// packets and hands each one to OnLine, inside the poll.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

struct termios;

namespace zemo {

// The receive buffer never holds more than this: a poll reads no more than fits.
inline constexpr int CommBufferSize = 255;
inline constexpr int CommPollMs = 100;
// A lost port is tried again at every this many polls (once a second).
inline constexpr int CommRetryPolls = 10;

namespace CommParity {
inline constexpr int None = 0;
inline constexpr int Odd = 1;
inline constexpr int Even = 2;
} // namespace CommParity

namespace CommMode {
inline constexpr int Lines = 0;
inline constexpr int Packets = 1;
} // namespace CommMode

using CommSink = std::function<void(const QByteArray&)>;

// Every complete line in the buffer goes to sink, in order; the CR and LF characters that end
// a line are skipped and empty lines give nothing. A full buffer without a line end is
// dropped. What is left is the start of the next line.
void SplitCommLines(QByteArray& buffer, const CommSink& sink);
// Packets start at an LF byte and are (third byte + 6) bytes long. Bytes before an LF are
// dropped; a packet that could never fit the buffer is dropped up to the next LF.
void SplitCommPackets(QByteArray& buffer, const CommSink& sink);

// Raw mode with the byte size (5..8), parity and one stop bit at the speed; false for a speed
// the port cannot run at.
bool CommTermios(termios& t, int baudRate, int byteSize, int parity);

class TComm : public QObject {
public:
    explicit TComm(QObject* parent = nullptr);
    ~TComm() override;

    bool Enabled() const { return fd_ >= 0; }
    // True opens the port (staying false when that fails); false closes it and ends retrying.
    void SetEnabled(bool on);
    // Lost, and being tried again until it opens or is closed.
    bool Retrying() const { return retrying_; }
    // Stores the settings; an open port is closed and opened again with them.
    void SetPort(const QString& name, int baudRate, int byteSize = 8, int parity = CommParity::None);

    QString PortName() const { return portName_; }
    int BaudRate() const { return baud_; }
    int Mode = CommMode::Lines;
    CommSink OnLine;
    // The device hung up or failed to read (a receiver unplugged): the port is closed first,
    // then tried again every CommRetryPolls polls.
    std::function<void()> OnLost;
    // A lost port opened again; it is polled as before.
    std::function<void()> OnReconnect;

    // One timer tick: overruns drop what was queued, then everything queued is read and split;
    // a hang-up or read error, once nothing is left to read, closes the port as lost. While
    // lost, every CommRetryPolls-th tick tries to open it again.
    void Poll();
    // The bytes received and not yet handed on.
    const QByteArray& Buffer() const { return buffer_; }

private:
    bool Open();
    void Close();
    void CloseDevice();
    bool ReadOverrun();
    void Lost();
    void Retry();

    QString portName_ = QStringLiteral("COM1");
    int baud_ = 9600;
    int byteSize_ = 8;
    int parity_ = CommParity::None;
    int fd_ = -1;
    QTimer timer_;
    QByteArray buffer_;
    bool haveCounts_ = false;
    uint64_t overruns_ = 0;
    bool retrying_ = false;
    int retryPolls_ = 0;
};

// The device file of a port name: "COMn" is the n-th serial port (/dev/ttyS(n-1)), a bare
// device name lies in /dev, a path stands as it is.
QString CommDevicePath(const QString& name);

} // namespace zemo
