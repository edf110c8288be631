#include "io/ImpWmf.h"

#include "core/ByteIO.h"
#include "core/Element.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "io/Import.h"

#include <QFileInfo>

#include <array>
#include <cmath>
#include <vector>

namespace zemo {

namespace {

constexpr int PlaceableBytes = 22;
constexpr int StandardHeaderBytes = 18;

enum WmfRecord : uint16_t {
    WmfEof = 0,
    WmfSetMapMode = 259,
    WmfRestoreDc = 295,
    WmfSelectObject = 301,
    WmfSetWindowExt = 524,
    WmfSetViewportExt = 526,
    WmfMoveTo = 532,
    WmfPolygon = 804,
    WmfPolyline = 805,
    WmfExcludeClipRect = 1045,
    WmfTextOut = 1313,
    WmfExtTextOut = 2610,
};
constexpr std::array<uint16_t, 5> WmfBitmapRecords = {2338, 2368, 2851, 2881, 3907};
constexpr uint16_t EtoOpaque = 2, EtoClipped = 4;

class WmfReader {
public:
    explicit WmfReader(const QByteArray& d) : Data(d) {}

    MetafileObjects Out{"WMF "};
    int MapMode = 1;
    double WinX = 1000, WinY = 1000, ViewX = 1000, ViewY = 1000, Upi = 200;

    void Recompute()
    {
        const SetupRecord& st = *Stp();
        const int64_t cx = Masked(st.ViewCenterX), cy = Masked(st.ViewCenterY);
        if (MapMode == 1) {
            Out.Sx = 2540.0 / 72;
            Out.Sy = -2540.0 / 72;
            Out.Ox = cx - int64_t(std::nearbyint(WinX * Out.Sx / 2)) * 256;
            Out.Oy = cy - int64_t(std::nearbyint(WinY * Out.Sy / 2)) * 256;
        } else if (WinX != 0 && WinY != 0 && Upi != 0) {
            Out.Sx = 2540 / Upi * ViewX / WinX;
            Out.Sy = -2540 / Upi * ViewY / WinY;
            Out.Ox = cx - int64_t(std::nearbyint(ViewX * 2540 / Upi / 2)) * 256;
            Out.Oy = cy + int64_t(std::nearbyint(ViewY * 2540 / Upi / 2)) * 256;
        }
    }

    void Run(qsizetype pos)
    {
        while (pos + 6 <= Data.size()) {
            const uint32_t words = LoadLE<uint32_t>(Bytes(pos));
            const uint16_t fn = LoadLE<uint16_t>(Bytes(pos + 4));
            // A record under 3 words or running past the end ends the reading.
            if (words < 3 || int64_t(words) * 2 > Data.size() - pos || fn == WmfEof)
                return;
            Record(fn, pos + 6, qsizetype(words) * 2 - 6);
            pos += qsizetype(words) * 2;
            if (MetafileObjects::Stopped())
                return;
        }
    }

private:
    const QByteArray& Data;
    bool Skip = false;

    const uint8_t* Bytes(qsizetype at) const { return reinterpret_cast<const uint8_t*>(Data.constData() + at); }
    int16_t Word(qsizetype p, qsizetype len, int k) const
    {
        return 2 * k + 2 <= len ? LoadLE<int16_t>(Bytes(p + 2 * k)) : 0;
    }

    void Poly(uint8_t type, qsizetype p, qsizetype len)
    {
        if (Skip || len < 2)
            return;
        const int n = uint16_t(Word(p, len, 0));
        // A count beyond the record skips it.
        if (2 + qsizetype(n) * 4 > len || n < 2 || n > MaxElementItems)
            return;
        std::vector<Cord> pts(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k)
            if (!Out.Convert(Word(p, len, 1 + 2 * k), Word(p, len, 2 + 2 * k), pts[size_t(k)]))
                return;
        Out.Append(type, pts.data(), n, {});
    }

    void Text(double x, double y, qsizetype at, int count, qsizetype end)
    {
        if (count <= 0 || at + count > end)
            return;
        QByteArray text(Data.constData() + at, count);
        const qsizetype nul = text.indexOf('\0');
        if (nul >= 0)
            text.truncate(nul);
        text = text.left(MaxElementTextSlots * 8 - 1);
        Cord c{};
        if (text.isEmpty() || !Out.Convert(x, y, c))
            return;
        const std::array<Cord, 5> pts{c, c, c, c, c};
        Out.Append(TextObject, pts.data(), 5, text);
    }

    void Record(uint16_t fn, qsizetype p, qsizetype len)
    {
        switch (fn) {
        case WmfSetMapMode:
            MapMode = Word(p, len, 0);
            Recompute();
            break;
        case WmfRestoreDc: Skip = false; break;
        case WmfSelectObject: ++Out.Styles; break;
        case WmfSetWindowExt:
            if (Word(p, len, 0) != 0 && Word(p, len, 1) != 0) {
                WinY = Word(p, len, 0);
                WinX = Word(p, len, 1);
                Recompute();
            }
            break;
        case WmfSetViewportExt:
            // A zero extent would flatten every point onto the origin.
            if (Word(p, len, 0) != 0 && Word(p, len, 1) != 0) {
                ViewY = Word(p, len, 0);
                ViewX = Word(p, len, 1);
                Recompute();
            }
            break;
        case WmfPolygon: Poly(AreaObject, p, len); break;
        case WmfPolyline: Poly(LineObject, p, len); break;
        case WmfExcludeClipRect: Skip = true; break;
        case WmfTextOut: {
            // The position follows the string (padded to whole words).
            const int n = Word(p, len, 0);
            const qsizetype padded = (qsizetype(n) + 1) / 2 * 2;
            if (n <= 0 || 2 + padded + 4 > len)
                return;
            Text(Word(p, len, int(1 + padded / 2 + 1)), Word(p, len, int(1 + padded / 2)), p + 2, n, p + len);
            break;
        }
        case WmfExtTextOut: {
            const int n = Word(p, len, 2);
            const uint16_t options = uint16_t(Word(p, len, 3));
            const qsizetype at = p + 8 + ((options & (EtoOpaque | EtoClipped)) ? 8 : 0);
            if (len < 8)
                return;
            Text(Word(p, len, 1), Word(p, len, 0), at, n, p + len);
            break;
        }
        default:
            for (uint16_t b : WmfBitmapRecords)
                Out.Bitmap = Out.Bitmap || b == fn;
            break;
        }
    }
};

} // namespace

bool IsWmfFile(const QString& name, const QByteArray& head)
{
    if (QFileInfo(name).suffix().toLower() != QStringLiteral("wmf") || head.size() < 4)
        return false;
    const auto* b = reinterpret_cast<const uint8_t*>(head.constData());
    if (LoadLE<uint32_t>(b) == WmfPlaceableKey)
        return true;
    return head.size() >= StandardHeaderBytes && LoadLE<uint16_t>(b) <= 1 && LoadLE<uint16_t>(b + 2) == 9;
}

bool MetafileObjects::Convert(double x, double y, Cord& c) const
{
    const double mx = std::nearbyint(x * Sx) * 256 + double(Ox);
    const double my = std::nearbyint(y * Sy) * 256 + double(Oy);
    if (!(std::abs(mx) <= MapAreaLimit && std::abs(my) <= MapAreaLimit))
        return false;
    c = {Masked(int32_t(mx)), Masked(int32_t(my))};
    return true;
}

void MetafileObjects::Append(uint8_t type, const Cord* pts, int n, const QByteArray& text)
{
    const int slots = text.isEmpty() ? 0 : int(text.size() + 8) / 8;
    ElementRecord& e = CurElement;
    if (!InitElement(e, -1, type, uint16_t(n), uint16_t(slots), 0))
        return;
    std::copy(pts, pts + n, e.Cords());
    if (slots > 0) {
        uint8_t* t = e.TextBytes();
        std::fill(t, t + size_t(slots) * 8, uint8_t(0));
        std::copy(text.begin(), text.end(), t);
    }
    const QByteArray name = (Prefix + QByteArray::number(Styles)).left(15);
    e.LayerName[0] = uint8_t(name.size());
    std::copy(name.begin(), name.end(), e.LayerName.begin() + 1);
    if (!AppendElement())
        return;
    ToggleSelection(Index.ActiveZmd->HighestObject);
    if (++Count % 10 == 0)
        UpdateProgress(Count, 0);
}

bool MetafileObjects::Stopped()
{
    DispatchKeyMessages();
    return AbortRequested;
}

void ConvertMetafile(MetafileObjects& m, qsizetype total, const std::function<void()>& records)
{
    ClearSelection();
    AbortRequested = false;
    StartProgress(TextKey::Importing, TextKey::ObjImported, int(std::min<qsizetype>(total, INT32_MAX)), 10, true);
    {
        UndoSuspend quiet;
        records();
    }
    if (m.Bitmap)
        WarningMsg(TextKey::CannotImportBitmap, {}, CannotImportBitmapHelpContext);
    EndImportStep(m.Count, MaxKeptMetafileSelection);
    FlushMapFile();
    EndProgress();
}

bool ImportWmfHandle(const QByteArray& data, int* count)
{
    if (count)
        *count = 0;
    if (!Index.ActiveZmd)
        return false;
    const auto* b = reinterpret_cast<const uint8_t*>(data.constData());
    WmfReader r(data);
    qsizetype at = 0;
    if (data.size() >= PlaceableBytes && LoadLE<uint32_t>(b) == WmfPlaceableKey) {
        const int16_t left = LoadLE<int16_t>(b + 6), top = LoadLE<int16_t>(b + 8);
        const int16_t right = LoadLE<int16_t>(b + 10), bottom = LoadLE<int16_t>(b + 12);
        r.WinX = r.ViewX = double(right) - left;
        r.WinY = r.ViewY = double(bottom) - top;
        r.Upi = LoadLE<uint16_t>(b + 14);
        at = PlaceableBytes;
    }
    const bool header = data.size() - at >= StandardHeaderBytes && LoadLE<uint16_t>(b + at) <= 1
        && LoadLE<uint16_t>(b + at + 2) == 9;
    if (!header) {
        ErrorMsg(TextKey::CannotOpenWmf, {}, 0);
        return false;
    }
    ConvertMetafile(r.Out, data.size(), [&] {
        r.Recompute();
        r.Run(at + StandardHeaderBytes);
    });
    if (count)
        *count = r.Out.Count;
    return true;
}

void InitImpWmfUnit()
{
    RegisterImporter(ImportSlot::Wmf, {[](const QString& name, TFileClass& f) {
                                           std::array<char, 40> head{};
                                           if (!f.Seek(0))
                                               return false;
                                           const int64_t got = f.ReadBlock(head.data(), int64_t(head.size()));
                                           return IsWmfFile(name, QByteArray(head.data(), qsizetype(got)));
                                       },
                                       [](const QString&, TFileClass& f) {
                                           QByteArray data(qsizetype(f.Size()), '\0');
                                           if (!f.Seek(0) || !f.Read(data.data(), data.size()))
                                               return;
                                           ImportWmfHandle(data);
                                       }});
}

} // namespace zemo
