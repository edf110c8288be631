#include "external/RasterLoad.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "external/Template.h"

#include <QFile>

#include <algorithm>
#include <utility>

#include <unistd.h>

namespace zemo {

RasterLoadLimits RasterLimits;
TemplateMemoryState TemplateMemory;

int64_t RasterLoadLimits::MachineAvailableBytes()
{
    // What the kernel counts as available: free memory and the caches it can drop.
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line; !(line = meminfo.readLine()).isEmpty();) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        bool ok = false;
        const qint64 kb = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
        return ok && kb >= 0 ? int64_t(kb) * 1024 : -1;
    }
    return -1;
}

namespace {

constexpr int64_t MachineCheckBytes = 4096;

int64_t TotalLimit()
{
    if (RasterLimits.MaxTotalBytes > 0)
        return RasterLimits.MaxTotalBytes;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return RasterLimits.MaxPixelBytes;
    return int64_t(pages) / 4 * 3 * pageSize;
}

} // namespace

int64_t HeldTemplateBytes(const TTmp* except)
{
    int64_t sum = 0;
    for (const LoadedTemplate& l : TemplateUnit.LoadedTemplates)
        if (l.Tmp && l.Tmp.get() != except)
            sum += l.Tmp->HeldBytes();
    return sum;
}

bool TemplateMemoryFits(const TTmp& t, int64_t more, int64_t libraryBytes)
{
    const int64_t mine = t.HeldBytes() + more + libraryBytes;
    if (more < 0 || libraryBytes < 0 || mine > RasterLimits.MaxPixelBytes)
        return false;
    const int64_t all = HeldTemplateBytes(&t) + mine;
    if (all > TotalLimit())
        return false;
    // Small pieces cannot matter next to what is kept free, and the machine is not asked for
    // each of a decoder's tables.
    if (more >= MachineCheckBytes && RasterLimits.AvailableBytes) {
        const int64_t available = RasterLimits.AvailableBytes();
        if (available >= 0 && more > available - RasterLimits.KeptFree)
            return false;
    }
    TemplateMemory.Peak = std::max(TemplateMemory.Peak, all);
    return true;
}

bool TemplatePixelsFit(const TTmp& t)
{
    const int64_t row = t.RowBytes();
    return row > 0 && t.Height > 0 && row <= RasterLimits.MaxPixelBytes / t.Height;
}

bool GrowTemplateRows(TTmp& t, int64_t rows, int64_t libraryBytes)
{
    if (rows <= t.HeldRows() && t.HasPixels())
        return true;
    return TemplateMemoryFits(t, t.BytesToHold(rows), libraryBytes) && t.HoldRows(rows);
}

bool AllocateTemplatePixels(TTmp& t)
{
    t.ReleasePixels();
    if (TemplatePixelsFit(t) && GrowTemplateRows(t, t.Height))
        return true;
    t.ReleasePixels();
    TemplateMemoryMsg();
    return false;
}

bool ConfirmTemplateSize(const TTmp& t, int64_t coded, int64_t heldPerByte, const QString& name)
{
    const int64_t row = t.RowBytes();
    if (row <= 0 || t.Height <= 0)
        return true;
    // Saturating products: a side may claim any 31-bit value.
    const int64_t held = row > INT64_MAX / t.Height ? INT64_MAX : row * t.Height;
    const int64_t plausible = coded > 0 && heldPerByte > INT64_MAX / coded ? INT64_MAX : std::max<int64_t>(coded, 0) * heldPerByte;
    const bool sides = t.Width <= RasterLimits.MaxSide && t.Height <= RasterLimits.MaxSide;
    if (sides && (held <= RasterLimits.UnaskedBytes || held <= plausible))
        return true;
    constexpr int64_t MiB = int64_t(1) << 20;
    const QString params = CleanParamText(name) + u';' + QString::number(t.Width) + u';' + QString::number(t.Height)
                         + u';' + QString::number(held / MiB + (held % MiB ? 1 : 0));
    // Cancel, what Enter answers, leaves the picture unread.
    return OkCancelMsg(TextKey::LargeTemplate, params) == IdOk;
}

void TemplateMemoryMsg()
{
    ErrorMsg(TextKey::TempMemory, {}, TempMemoryHelpContext);
}

void ReportPictureUnread(const QString& name)
{
    ErrorMsg(TextKey::PictureUnread, CleanParamText(name));
}

void ReportPartialPicture(const QString& name, int64_t rowsRead, int64_t rows, int mode)
{
    const QString params = CleanParamText(name) + u';' + QString::number(std::clamp<int64_t>(rowsRead, 0, rows)) + u';'
                           + QString::number(rows);
    ReportPartialRead(TextKey::PartialPicture, params, mode);
}

void ReportPartialRead(TextKey key, const QString& params, int mode)
{
    if (mode == TemplateLoadAsk)
        WarningMsg(key, params);
    else
        SetStatusText(MergeMsgParams(Text(key), params));
}

// ---- Progress ----

TemplateProgress::TemplateProgress(TextKey caption, int rows, int total)
{
    StartProgress(caption, TextKey::LinesRead, total < 0 ? rows : total, std::max(rows / 100, 1), true);
}

TemplateProgress::~TemplateProgress()
{
    End();
}

void TemplateProgress::End()
{
    if (!std::exchange(running_, false))
        return;
    EndProgress();
    ClearStatusText();
}

bool TemplateProgress::Step(int rowsDone, int position)
{
    UpdateProgress(rowsDone, position);
    DispatchKeyMessages();
    if (!AbortRequested)
        return true;
    if (OkCancelMsg(TextKey::CloseTemp) == IdOk)
        return false;
    AbortRequested = false;
    return true;
}

// ---- The file ----

bool RasterFile::Open(const QString& name)
{
    try {
        file_.OpenRead(name);
        size_ = file_.Size();
    } catch (const EAbort&) {
        return false;
    }
    return true;
}

bool RasterFile::ReadAt(int64_t offset, void* buffer, int64_t count)
{
    if (!Holds(offset, count))
        return false;
    if (count == 0)
        return true;
    try {
        return file_.Seek(offset) && file_.Read(buffer, count);
    } catch (const EAbort&) {
        return false;
    }
}

bool RasterFile::ReadAt(int64_t offset, std::vector<uint8_t>& bytes, int64_t count)
{
    if (!Holds(offset, count))
        return false;
    bytes.resize(size_t(count));
    return ReadAt(offset, bytes.data(), count);
}

} // namespace zemo
