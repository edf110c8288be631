#include "external/Scan.h"

#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Open.h"
#include "external/Ports.h"
#include "external/SaneDevice.h"
#include "external/ScanRecords.h"
#include "external/Template.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <optional>

namespace zemo {

namespace {

const QString SourceKey = QStringLiteral("Zemo8/Scan/Source");
constexpr int BmpHeaderBytes = 14 + 40;
// A device that never says how many lines it sends stops here.
constexpr int MaxLines = 100000;
// The most bytes one read of the worker hands over.
constexpr int32_t MaxRead = 1 << 20;

struct SaneRun {
    bool initialised = false;
    int starts = 0;
    std::optional<QStringList> devices;
    QStringList labels;
};
SaneRun sane;

// What the user chose in the last Acquire of this run, offered again at the next one.
struct LastScan {
    bool set = false;
    QString device;
    ScanSettings settings;
};
LastScan last;

// The last choice over what the device offers now: its mode and depth where the device still
// offers them, its resolution, and its area on the same device's bed.
void OfferLastChoice(const QString& device, ScanSettings& s)
{
    if (!last.set)
        return;
    const ScanSettings& l = last.settings;
    if (s.Modes.contains(l.Mode))
        s.Mode = l.Mode;
    if (std::find(s.Depths.begin(), s.Depths.end(), l.Depth) != s.Depths.end())
        s.Depth = l.Depth;
    s.Resolution = l.Resolution;
    if (device == last.device && s.BedWidth == l.BedWidth && s.BedHeight == l.BedHeight) {
        s.Left = l.Left;
        s.Top = l.Top;
        s.Width = l.Width;
        s.Height = l.Height;
    }
}

bool InitSane()
{
    if (!sane.initialised) {
        // sane_cancel may stop a backend's reader thread while it looks a message up in the C
        // library's catalogs, which leaves the library's locale lock taken for good: the next
        // locale change, at the latest the one at exit, would wait for ever. Messages in the
        // plain locale need no catalog; the program's own texts do not come from there.
        std::setlocale(LC_MESSAGES, "C");
        ++sane.starts;
        sane.initialised = sane_init(nullptr, nullptr) == SANE_STATUS_GOOD;
    }
    return sane.initialised;
}

// The worker process of one scan and the records it sends.
class ScanWorker {
public:
    ~ScanWorker() { Stop(); }

    bool Start(const QString& device, const QStringList& options)
    {
        const QString exe = WorkerPath();
        if (exe.isEmpty())
            return false;
        proc_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc_.start(exe, QStringList{device} + options);
        heard_.start();
        return proc_.waitForStarted(StartLimitMs);
    }
    // Exactly n bytes; false when the worker ended, stayed silent too long, or Esc was pressed.
    bool Read(char* out, qsizetype n)
    {
        while (buffer_.size() < n) {
            DispatchKeyMessages();
            if (AbortRequested)
                return false;
            const bool more = proc_.waitForReadyRead(PollMs);
            buffer_ += proc_.readAllStandardOutput();
            if (buffer_.size() >= n)
                break;
            if (more || proc_.bytesAvailable() > 0) {
                heard_.start();
                continue;
            }
            if (proc_.state() == QProcess::NotRunning || heard_.elapsed() > SilenceLimitMs)
                return false;
        }
        std::memcpy(out, buffer_.constData(), size_t(n));
        buffer_.remove(0, n);
        return true;
    }
    bool Kind(char& kind) { return Read(&kind, 1); }
    bool Number(int32_t& v)
    {
        unsigned char b[4];
        if (!Read(reinterpret_cast<char*>(b), 4))
            return false;
        v = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
        return true;
    }
    // Asks the worker to stop and end; one that does not (a backend hung in its clean-up) is
    // killed, which ends only the backend.
    void Stop()
    {
        if (proc_.state() == QProcess::NotRunning)
            return;
        proc_.write(&scanrecord::Cancel, 1);
        proc_.closeWriteChannel();
        if (!proc_.waitForFinished(EndLimitMs)) {
            proc_.kill();
            proc_.waitForFinished(EndLimitMs);
        }
    }

private:
    static QString WorkerPath()
    {
        const QString name = QStringLiteral("/zemo-scan-worker");
        for (const QString& dir : {QCoreApplication::applicationDirPath(), QStringLiteral(ZEMO_WORKER_DIR)})
            if (QFileInfo(dir + name).isExecutable())
                return dir + name;
        return QString();
    }
    static constexpr int StartLimitMs = 10000;
    static constexpr int PollMs = 50;
    // A scanner warms its lamp up and moves its head back before the first line comes.
    static constexpr int SilenceLimitMs = 120000;
    static constexpr int EndLimitMs = 3000;

    QProcess proc_;
    QByteArray buffer_;
    QElapsedTimer heard_;
};

// Reads one frame's parameters and bytes; false on an error or when Esc stopped it.
bool ReadFrame(ScanWorker& w, SANE_Parameters& p, QByteArray& bytes)
{
    char kind = 0;
    int32_t n[scanrecord::FrameNumbers] = {};
    if (!w.Kind(kind) || kind != scanrecord::Frame)
        return false;
    for (int32_t& v : n)
        if (!w.Number(v))
            return false;
    p.format = SANE_Frame(n[0]);
    p.last_frame = n[1] != 0;
    p.bytes_per_line = n[2];
    p.pixels_per_line = n[3];
    p.lines = n[4];
    p.depth = n[5];
    if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0 || (p.depth != 1 && p.depth != 8 && p.depth != 16))
        return false;
    const qsizetype expected = p.lines > 0 ? qsizetype(p.bytes_per_line) * p.lines : -1;
    for (;;) {
        int32_t len = 0;
        if (!w.Kind(kind))
            return false;
        if (kind == scanrecord::FrameEnd)
            return true;
        if (kind != scanrecord::Data || !w.Number(len) || len < 0 || len > MaxRead)
            return false;
        const qsizetype at = bytes.size();
        bytes.resize(at + len);
        if (!w.Read(bytes.data() + at, len))
            return false;
        if (bytes.size() / p.bytes_per_line > MaxLines)
            return false;
        if (expected > 0)
            UpdateProgress(0, int(std::min<qsizetype>(100, bytes.size() * 100 / expected)));
    }
}

// The high byte of a sample of the frame: 16-bit samples are in the host's order.
uint8_t Sample8(const QByteArray& row, int depth, int index)
{
    if (depth == 16) {
        uint16_t v = 0;
        std::memcpy(&v, row.constData() + 2 * index, 2);
        return uint8_t(v >> 8);
    }
    return uint8_t(row[index]);
}

} // namespace

void ResetScanUnit()
{
    if (sane.initialised)
        sane_exit();
    sane = SaneRun{};
    last = LastScan{};
}

QStringList ScanDevices()
{
    if (!sane.devices) {
        QStringList names;
        const SANE_Device** list = nullptr;
        sane.labels.clear();
        if (InitSane() && sane_get_devices(&list, SANE_TRUE) == SANE_STATUS_GOOD && list)
            for (int i = 0; list[i]; ++i) {
                const QString name = QString::fromLocal8Bit(list[i]->name);
                names << name;
                const QString maker = (QString::fromLocal8Bit(list[i]->vendor) + u' '
                                       + QString::fromLocal8Bit(list[i]->model)).simplified();
                sane.labels << (maker.isEmpty() ? name : maker + QStringLiteral(" (") + name + u')');
            }
        sane.devices = names;
    }
    return *sane.devices;
}

QStringList ScanDeviceLabels()
{
    ScanDevices();
    return sane.labels;
}

bool ScannerAvailable() { return !ScanDevices().isEmpty(); }

bool ScannerKnownAvailable() { return sane.devices && !sane.devices->isEmpty(); }

int SaneStartCount() { return sane.starts; }

QString CurrentScanDevice()
{
    const QStringList devices = ScanDevices();
    QString chosen;
    Settings::OpenDefault().ReadString(SourceKey, chosen);
    if (devices.contains(chosen))
        return chosen;
    return devices.isEmpty() ? QString() : devices.first();
}

void SelectScanSource()
{
    const QStringList devices = ScanDevices();
    int index = std::max<int>(0, int(devices.indexOf(CurrentScanDevice())));
    if (devices.isEmpty() || !ExternalPorts().RunScanSource(ScanDeviceLabels(), index) || index < 0
        || index >= devices.size())
        return;
    Settings store = Settings::OpenDefault();
    store.WriteString(SourceKey, devices[index]);
    store.Save();
}

QStringList ScanModes(const QString& name)
{
    if (!InitSane())
        return {};
    SaneDevice dev(name.toLocal8Bit().constData());
    const SANE_Option_Descriptor* d = nullptr;
    QStringList modes;
    if (dev.Handle() && dev.Find(SANE_NAME_SCAN_MODE, &d) >= 0 && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s)
            modes << QString::fromLatin1(*s);
    return modes;
}

void ScanOffers(const QString& name, ScanSettings& settings)
{
    settings.Modes = ScanModes(name);
    if (!InitSane())
        return;
    SaneDevice dev(name.toLocal8Bit().constData());
    if (!dev.Handle())
        return;
    const SANE_Option_Descriptor* d = nullptr;
    settings.Depths.clear();
    if (dev.Find(SANE_NAME_BIT_DEPTH, &d) >= 0 && d->type == SANE_TYPE_INT
        && d->constraint_type == SANE_CONSTRAINT_WORD_LIST)
        for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i)
            settings.Depths.push_back(d->constraint.word_list[i]);
    settings.Depth = settings.Depths.empty() ? 0 : dev.GetNumber(SANE_NAME_BIT_DEPTH);
    // The area only where the device measures it in millimetres from the bed's corner.
    const auto rangeMax = [&dev](const char* option) {
        const SANE_Option_Descriptor* r = nullptr;
        if (dev.Find(option, &r) < 0 || r->unit != SANE_UNIT_MM || r->constraint_type != SANE_CONSTRAINT_RANGE)
            return 0;
        const SANE_Word m = r->constraint.range->max;
        return r->type == SANE_TYPE_FIXED ? int(SANE_UNFIX(m)) : int(m);
    };
    settings.BedWidth = rangeMax(SANE_NAME_SCAN_BR_X);
    settings.BedHeight = rangeMax(SANE_NAME_SCAN_BR_Y);
    if (settings.BedWidth > 0 && settings.BedHeight > 0) {
        settings.Left = dev.GetNumber(SANE_NAME_SCAN_TL_X);
        settings.Top = dev.GetNumber(SANE_NAME_SCAN_TL_Y);
        settings.Width = dev.GetNumber(SANE_NAME_SCAN_BR_X) - settings.Left;
        settings.Height = dev.GetNumber(SANE_NAME_SCAN_BR_Y) - settings.Top;
    }
}

bool ScanWithDevice(const QString& name, const ScanSettings& settings, ScanImage& image)
{
    QStringList options;
    if (!settings.Mode.isEmpty())
        options << QStringLiteral("s:" SANE_NAME_SCAN_MODE "=") + settings.Mode;
    if (settings.Depth > 0)
        options << QStringLiteral("n:" SANE_NAME_BIT_DEPTH "=%1").arg(settings.Depth);
    if (settings.Resolution > 0)
        options << QStringLiteral("n:" SANE_NAME_SCAN_RESOLUTION "=%1").arg(settings.Resolution);
    if (settings.Width > 0 && settings.Height > 0)
        // The far corner first, so that the near one never lies beyond it.
        options << QStringLiteral("n:" SANE_NAME_SCAN_BR_X "=%1").arg(settings.Left + settings.Width)
                << QStringLiteral("n:" SANE_NAME_SCAN_BR_Y "=%1").arg(settings.Top + settings.Height)
                << QStringLiteral("n:" SANE_NAME_SCAN_TL_X "=%1").arg(settings.Left)
                << QStringLiteral("n:" SANE_NAME_SCAN_TL_Y "=%1").arg(settings.Top);
    image = ScanImage{};
    AbortRequested = false;
    // The menu item's name without its accelerator; no count, the bar shows how far it is.
    StartProgress(Text(TextKey::TemplateScan).remove(u'&'), QString(), 100, 1, true);
    // The device scans in a process of its own: a backend that hangs cannot hang the program.
    ScanWorker worker;
    char kind = 0;
    int32_t dpi = 0;
    bool ok = worker.Start(name, options) && worker.Kind(kind) && kind == scanrecord::Resolution && worker.Number(dpi);
    image.Resolution = dpi;
    bool last = false;
    int frames = 0;
    SANE_Parameters p{};
    // The frames of a scan: one grey or RGB frame, or red, green and blue in three passes.
    QByteArray planes[3];
    int width = 0, lines = 0, depth = 0;
    bool colour = false;
    while (ok && !last && frames < 3) {
        QByteArray bytes;
        ok = ReadFrame(worker, p, bytes);
        if (!ok)
            break;
        const int rows = int(bytes.size() / p.bytes_per_line);
        bytes.truncate(qsizetype(rows) * p.bytes_per_line);
        const bool rgb = p.format == SANE_FRAME_RGB;
        const bool pass = p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN || p.format == SANE_FRAME_BLUE;
        if ((p.format != SANE_FRAME_GRAY && !rgb && !pass) || ((rgb || pass) && p.depth == 1)
            || (frames > 0 && (!pass || p.pixels_per_line != width || p.depth != depth))) {
            ok = false;
            break;
        }
        width = p.pixels_per_line;
        depth = p.depth;
        lines = frames == 0 ? rows : std::min(lines, rows);
        const int bpl = p.bytes_per_line;
        if (p.format == SANE_FRAME_GRAY) {
            image.Bits = depth == 1 ? 1 : 8;
            image.Width = width;
            image.Height = rows;
            image.Data.resize(qsizetype(image.RowBytes()) * rows);
            for (int y = 0; y < rows; ++y) {
                const QByteArray row = bytes.mid(qsizetype(y) * bpl, bpl);
                char* out = image.Data.data() + qsizetype(y) * image.RowBytes();
                if (depth == 1)
                    std::memcpy(out, row.constData(), size_t(image.RowBytes()));
                else
                    for (int x = 0; x < width; ++x)
                        out[x] = char(Sample8(row, depth, x));
            }
        } else if (rgb) {
            colour = true;
            for (int c = 0; c < 3; ++c) {
                planes[c].resize(qsizetype(width) * rows);
                for (int y = 0; y < rows; ++y) {
                    const QByteArray row = bytes.mid(qsizetype(y) * bpl, bpl);
                    for (int x = 0; x < width; ++x)
                        planes[c][qsizetype(y) * width + x] = char(Sample8(row, depth, 3 * x + c));
                }
            }
        } else {
            colour = true;
            const int c = p.format == SANE_FRAME_RED ? 0 : p.format == SANE_FRAME_GREEN ? 1 : 2;
            planes[c].resize(qsizetype(width) * rows);
            for (int y = 0; y < rows; ++y) {
                const QByteArray row = bytes.mid(qsizetype(y) * bpl, bpl);
                for (int x = 0; x < width; ++x)
                    planes[c][qsizetype(y) * width + x] = char(Sample8(row, depth, x));
            }
        }
        last = p.last_frame;
        ++frames;
    }
    if (ok)
        ok = worker.Kind(kind) && kind == scanrecord::Done;
    worker.Stop();
    EndProgress();
    if (ok && colour) {
        image.Bits = 24;
        image.Width = width;
        image.Height = lines;
        image.Data.resize(qsizetype(image.RowBytes()) * lines);
        for (int c = 0; c < 3; ++c)
            if (planes[c].size() < qsizetype(width) * lines)
                ok = false;
        for (int y = 0; ok && y < lines; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    image.Data[(qsizetype(y) * width + x) * 3 + (2 - c)] = planes[c][qsizetype(y) * width + x];
    }
    return ok && last && image.Width > 0 && image.Height > 0;
}

bool WriteScanBmp(const ScanImage& image, const QString& fileName)
{
    const int colours = image.Bits == 24 ? 0 : 1 << image.Bits;
    const int stride = (image.RowBytes() + 3) / 4 * 4;
    const qint64 offset = BmpHeaderBytes + 4 * colours;
    const qint64 size = offset + qint64(stride) * image.Height;
    if (image.Width <= 0 || image.Height <= 0 || size > INT32_MAX)
        return false;
    QByteArray b;
    auto u16 = [&](uint32_t v) { b.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    const uint32_t ppm = uint32_t(std::lround(image.Resolution / 0.0254));
    b.append("BM");
    u32(uint32_t(size));
    u32(0);
    u32(uint32_t(offset));
    u32(40);
    u32(uint32_t(image.Width));
    u32(uint32_t(image.Height));
    u16(1);
    u16(uint16_t(image.Bits));
    u32(0);
    u32(uint32_t(qint64(stride) * image.Height));
    u32(ppm);
    u32(ppm);
    u32(uint32_t(colours));
    u32(0);
    for (int i = 0; i < colours; ++i) {
        // Line art: 0 white, 1 black; grey: a ramp.
        const int v = image.Bits == 1 ? (i == 0 ? 255 : 0) : i;
        b.append(char(v)).append(char(v)).append(char(v)).append('\0');
    }
    // Rows bottom up, each padded to four bytes.
    for (int y = image.Height - 1; y >= 0; --y) {
        b.append(image.Data.constData() + qsizetype(y) * image.RowBytes(), image.RowBytes());
        b.append(QByteArray(stride - image.RowBytes(), '\0'));
    }
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(b) != b.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

void AcquireTemplate()
{
    const QString device = CurrentScanDevice();
    if (device.isEmpty())
        return;
    ScanSettings settings;
    ScanOffers(device, settings);
    OfferLastChoice(device, settings);
    if (!ExternalPorts().RunScanDlg(settings))
        return;
    last = {true, device, settings};
    ScanImage image;
    if (!ScanWithDevice(device, settings, image))
        return;
    const QString map = CurrentMapPath();
    QString name = GetTemplateFolder()
                   + (map.isEmpty() ? Text(TextKey::Untitled) : QFileInfo(map).completeBaseName()) + QStringLiteral(".bmp");
    const QString filter = Text(TextKey::BmpFiles) + QStringLiteral(" (*.bmp)|*.bmp|") + Text(TextKey::AllFiles)
                         + QStringLiteral(" (*.*)|*.*");
    if (!ExecSaveDialog(Text(TextKey::SaveTemplate), filter, QStringLiteral("bmp"), ScanHelpContext, name))
        return;
    if (!WriteScanBmp(image, name)) {
        ErrorMsg(TextKey::CannotWrite, name);
        return;
    }
    AddTemplate(name);
}

} // namespace zemo
