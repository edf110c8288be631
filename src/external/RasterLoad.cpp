#include "external/RasterLoad.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "external/Template.h"

#include <algorithm>

namespace zemo {

RasterLoadLimits RasterLimits;

bool TemplatePixelsFit(const TTmp& t)
{
    const int64_t row = t.RowBytes();
    return row > 0 && t.Height > 0 && row <= RasterLimits.MaxPixelBytes / t.Height;
}

bool AllocateTemplatePixels(TTmp& t)
{
    if (TemplatePixelsFit(t) && t.AllocatePixels())
        return true;
    t.Pixels = {};
    ErrorMsg(TextKey::TempMemory, {}, TempMemoryHelpContext);
    return false;
}

void ReportPartialPicture(const QString& name, int64_t rowsRead, int64_t rows, int mode)
{
    const QString params = CleanParamText(name) + u';' + QString::number(std::clamp<int64_t>(rowsRead, 0, rows)) + u';'
                           + QString::number(rows);
    if (mode == TemplateLoadAsk)
        WarningMsg(TextKey::PartialPicture, params);
    else
        SetStatusText(MergeMsgParams(Text(TextKey::PartialPicture), params));
}

// ---- Progress ----

TemplateProgress::TemplateProgress(TextKey caption, int rows)
{
    StartProgress(caption, TextKey::LinesRead, rows, std::max(rows / 100, 1), true);
}

TemplateProgress::~TemplateProgress()
{
    EndProgress();
    ClearStatusText();
}

bool TemplateProgress::Step(int rowsDone)
{
    UpdateProgress(rowsDone, rowsDone);
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
