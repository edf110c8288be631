#include "external/Scan.h"

#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Open.h"
#include "external/Ports.h"
#include "external/Template.h"
#include "platform/Settings.h"

#include <QFileInfo>
#include <QSaveFile>

#include <sane/sane.h>
#include <sane/saneopts.h>

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

struct SaneRun {
    bool initialised = false;
    std::optional<QStringList> devices;
};
SaneRun sane;

bool InitSane()
{
    if (!sane.initialised) {
        // sane_cancel may stop a backend's reader thread while it looks a message up in the C
        // library's catalogs, which leaves the library's locale lock taken for good: the next
        // locale change, at the latest the one at exit, would wait for ever. Messages in the
        // plain locale need no catalog; the program's own texts do not come from there.
        std::setlocale(LC_MESSAGES, "C");
        sane.initialised = sane_init(nullptr, nullptr) == SANE_STATUS_GOOD;
    }
    return sane.initialised;
}

// The handle of an open device, closed with it.
class Device {
public:
    explicit Device(const QString& name)
    {
        if (InitSane() && sane_open(name.toLocal8Bit().constData(), &h_) != SANE_STATUS_GOOD)
            h_ = nullptr;
    }
    ~Device()
    {
        if (h_)
            sane_close(h_);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    SANE_Handle Handle() const { return h_; }

    // The option of this name: its number and descriptor, or -1.
    int Find(const char* name, const SANE_Option_Descriptor** desc) const
    {
        for (SANE_Int i = 1;; ++i) {
            const SANE_Option_Descriptor* d = sane_get_option_descriptor(h_, i);
            if (!d)
                return -1;
            if (d->name && qstrcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap)
                && SANE_OPTION_IS_SETTABLE(d->cap)) {
                *desc = d;
                return i;
            }
        }
    }
    void SetString(const char* name, const QString& value) const
    {
        const SANE_Option_Descriptor* d = nullptr;
        const int i = Find(name, &d);
        if (i < 0 || d->type != SANE_TYPE_STRING)
            return;
        QByteArray v = value.toLatin1();
        v.resize(std::max<qsizetype>(v.size() + 1, d->size), '\0');
        sane_control_option(h_, i, SANE_ACTION_SET_VALUE, v.data(), nullptr);
    }
    void SetNumber(const char* name, int value) const
    {
        const SANE_Option_Descriptor* d = nullptr;
        const int i = Find(name, &d);
        if (i < 0 || d->size != sizeof(SANE_Word))
            return;
        SANE_Word w = d->type == SANE_TYPE_FIXED ? SANE_FIX(value) : value;
        sane_control_option(h_, i, SANE_ACTION_SET_VALUE, &w, nullptr);
    }
    int GetNumber(const char* name) const
    {
        const SANE_Option_Descriptor* d = nullptr;
        const int i = Find(name, &d);
        SANE_Word w = 0;
        if (i < 0 || d->size != sizeof(SANE_Word)
            || sane_control_option(h_, i, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD)
            return 0;
        return d->type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(w))) : int(w);
    }

private:
    SANE_Handle h_ = nullptr;
};

// Reads one frame's bytes; false on an error or when Esc stopped it.
bool ReadFrame(SANE_Handle h, const SANE_Parameters& p, QByteArray& bytes)
{
    const qsizetype expected = p.lines > 0 ? qsizetype(p.bytes_per_line) * p.lines : -1;
    SANE_Byte buf[32768];
    for (;;) {
        DispatchKeyMessages();
        if (AbortRequested)
            return false;
        SANE_Int len = 0;
        const SANE_Status s = sane_read(h, buf, sizeof buf, &len);
        if (s == SANE_STATUS_EOF)
            return true;
        if (s != SANE_STATUS_GOOD)
            return false;
        bytes.append(reinterpret_cast<const char*>(buf), len);
        if (p.bytes_per_line > 0 && bytes.size() / p.bytes_per_line > MaxLines)
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
}

QStringList ScanDevices()
{
    if (!sane.devices) {
        QStringList names;
        const SANE_Device** list = nullptr;
        if (InitSane() && sane_get_devices(&list, SANE_TRUE) == SANE_STATUS_GOOD && list)
            for (int i = 0; list[i]; ++i)
                names << QString::fromLocal8Bit(list[i]->name);
        sane.devices = names;
    }
    return *sane.devices;
}

bool ScannerAvailable() { return !ScanDevices().isEmpty(); }

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
    if (devices.isEmpty() || !ExternalPorts().RunScanSource(devices, index) || index < 0 || index >= devices.size())
        return;
    Settings store = Settings::OpenDefault();
    store.WriteString(SourceKey, devices[index]);
    store.Save();
}

QStringList ScanModes(const QString& name)
{
    Device dev(name);
    const SANE_Option_Descriptor* d = nullptr;
    QStringList modes;
    if (dev.Handle() && dev.Find(SANE_NAME_SCAN_MODE, &d) >= 0 && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s)
            modes << QString::fromLatin1(*s);
    return modes;
}

bool ScanWithDevice(const QString& name, const ScanSettings& settings, ScanImage& image)
{
    Device dev(name);
    SANE_Handle h = dev.Handle();
    if (!h)
        return false;
    if (!settings.Mode.isEmpty())
        dev.SetString(SANE_NAME_SCAN_MODE, settings.Mode);
    if (settings.Depth > 0)
        dev.SetNumber(SANE_NAME_BIT_DEPTH, settings.Depth);
    if (settings.Resolution > 0)
        dev.SetNumber(SANE_NAME_SCAN_RESOLUTION, settings.Resolution);
    image = ScanImage{};
    image.Resolution = dev.GetNumber(SANE_NAME_SCAN_RESOLUTION);
    AbortRequested = false;
    // The menu item's name without its accelerator; no count, the bar shows how far it is.
    StartProgress(Text(TextKey::TemplateScan).remove(u'&'), QString(), 100, 1, true);
    bool ok = true;
    bool last = false;
    int frames = 0;
    SANE_Parameters p{};
    // The frames of a scan: one grey or RGB frame, or red, green and blue in three passes.
    QByteArray planes[3];
    int width = 0, lines = 0, depth = 0;
    bool colour = false;
    while (ok && !last && frames < 3) {
        if (sane_start(h) != SANE_STATUS_GOOD || sane_get_parameters(h, &p) != SANE_STATUS_GOOD) {
            ok = false;
            break;
        }
        QByteArray bytes;
        ok = p.pixels_per_line > 0 && p.bytes_per_line > 0 && (p.depth == 1 || p.depth == 8 || p.depth == 16)
             && ReadFrame(h, p, bytes);
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
    sane_cancel(h);
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
    settings.Modes = ScanModes(device);
    if (!ExternalPorts().RunScanDlg(settings))
        return;
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
