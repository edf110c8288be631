#include "io/ImpEmf.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Element.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "io/ImpWmf.h"
#include "io/Import.h"

#include <QFileInfo>

#include <array>
#include <cmath>
#include <vector>

namespace zemo {

namespace {

// The header record:
// | offset | size | meaning                                         |
// |--------|------|-------------------------------------------------|
// | 0      | 4    | record type, 1                                  |
// | 4      | 4    | record size in bytes                            |
// | 8      | 16   | bounds left, top, right, bottom (device pixels) |
// | 24     | 16   | frame (0.01 mm)                                 |
// | 40     | 4    | signature " EMF"                                |
// | 44     | 12   | version, file size, record count                |
// | 56     | 16   | handles, reserved, description, palette size    |
// | 72     | 8    | device size in pixels, x and y                  |
// | 80     | 8    | device size in millimetres, x and y             |
constexpr qsizetype HeaderBytes = 88;
constexpr qsizetype HdrType = 0, HdrSize = 4, HdrBounds = 8, HdrDevicePixels = 72, HdrDeviceMm = 80;

// Every record: type (4), size in bytes (4), then its parameters.
constexpr qsizetype RecordHeadBytes = 8;
// Polygons and polylines: bounds (16), point count (4), the points.
constexpr qsizetype PolyCount = 24, PolyPoints = 28;
// Poly-polygons: bounds (16), polygon count (4), total point count (4), the counts, the points.
constexpr qsizetype PolysCount = 24, PolysTotal = 28, PolysCounts = 32;
// Wide text: bounds (16), graphics mode, x and y scale (12), reference point (8), character
// count (4), string offset from the record's start (4), options, rectangle, spacing offset.
constexpr qsizetype TextReference = 36, TextChars = 44, TextOffset = 48;

enum EmfRecord : uint32_t {
    EmfHeader = 1,
    EmfPolygon = 3,
    EmfPolyline = 4,
    EmfPolyPolygon = 8,
    EmfSetWindowExt = 9,
    EmfSetViewportExt = 11,
    EmfEof = 14,
    EmfSetMapMode = 17,
    EmfSelectObject = 37,
    EmfFirstBitmap = 77,
    EmfLastBitmap = 81,
    EmfExtTextOutW = 84,
    EmfPolygon16 = 86,
    EmfPolyline16 = 87,
    EmfPolyPolygon16 = 91,
};
constexpr int MapModeText = 1, MapModeHiMetric = 3;

class EmfReader {
public:
    explicit EmfReader(const QByteArray& d) : Data(d) {}

    MetafileObjects Out{"EMF "};
    int MapMode = MapModeText;
    double WinX = 0, WinY = 0, ViewX = 0, ViewY = 0, UpiX = 0, UpiY = 0;

    void Recompute()
    {
        if (MapMode == MapModeText) {
            Out.Sx = 2540 / UpiX;
            Out.Sy = -2540 / UpiY;
        } else if (MapMode == MapModeHiMetric) {
            Out.Sx = 1;
            Out.Sy = 1;
        } else if (WinX != 0 && WinY != 0) {
            Out.Sx = 2540 / UpiX * ViewX / WinX;
            Out.Sy = -2540 / UpiY * ViewY / WinY;
        }
    }

    void Run(qsizetype pos)
    {
        while (pos + RecordHeadBytes <= Data.size()) {
            const uint32_t type = Dword(pos);
            const uint32_t size = Dword(pos + 4);
            // A record under 8 bytes, of a size not a multiple of 4 or running past the end
            // ends the reading.
            if (size < RecordHeadBytes || size % 4 != 0 || int64_t(size) > Data.size() - pos || type == EmfEof)
                return;
            Record(type, pos, qsizetype(size));
            pos += qsizetype(size);
            if (MetafileObjects::Stopped())
                return;
        }
    }

    uint32_t Dword(qsizetype at) const { return LoadLE<uint32_t>(Bytes(at)); }
    int32_t Int(qsizetype at) const { return LoadLE<int32_t>(Bytes(at)); }

private:
    const QByteArray& Data;
    std::vector<Cord> Pts;

    const uint8_t* Bytes(qsizetype at) const { return reinterpret_cast<const uint8_t*>(Data.constData() + at); }

    // Point k of a run at `at`, 32-bit or 16-bit.
    bool Point(qsizetype at, int64_t k, bool wide, Cord& c) const
    {
        if (wide)
            return Out.Convert(Int(at + k * 8), Int(at + k * 8 + 4), c);
        return Out.Convert(LoadLE<int16_t>(Bytes(at + k * 4)), LoadLE<int16_t>(Bytes(at + k * 4 + 2)), c);
    }

    void Poly(uint8_t type, qsizetype p, qsizetype size, bool wide)
    {
        if (size < PolyPoints)
            return;
        const int64_t n = Dword(p + PolyCount);
        // A count beyond the record skips it; one beyond an object's room leaves it out.
        if (PolyPoints + n * (wide ? 8 : 4) > size || n < 2 || n > MaxElementItems)
            return;
        Pts.resize(size_t(n));
        for (int64_t k = 0; k < n; ++k)
            if (!Point(p + PolyPoints, k, wide, Pts[size_t(k)]))
                return;
        Out.Append(type, Pts.data(), int(n), {});
    }

    // One area; the first point of every polygon after the first starts a hole.
    void PolyPolygon(qsizetype p, qsizetype size, bool wide)
    {
        if (size < PolysCounts)
            return;
        const int64_t polys = Dword(p + PolysCount), total = Dword(p + PolysTotal);
        const qsizetype points = PolysCounts + polys * 4;
        if (polys < 1 || total < 3 || total > MaxElementItems || points + total * (wide ? 8 : 4) > size)
            return;
        int64_t sum = 0;
        for (int64_t k = 0; k < polys; ++k)
            sum += Dword(p + PolysCounts + k * 4);
        if (sum != total)
            return;
        Pts.resize(size_t(total));
        for (int64_t k = 0, i = 0; k < polys; ++k) {
            const int64_t count = Dword(p + PolysCounts + k * 4);
            for (int64_t j = 0; j < count; ++j, ++i) {
                if (!Point(p + points, i, wide, Pts[size_t(i)]))
                    return;
                if (j == 0 && k > 0)
                    Pts[size_t(i)].y |= HoleFlag;
            }
        }
        Out.Append(AreaObject, Pts.data(), int(total), {});
    }

    void Text(qsizetype p, qsizetype size)
    {
        if (size < TextOffset + 4)
            return;
        const int64_t chars = Dword(p + TextChars);
        const int64_t at = Dword(p + TextOffset) / 4 * 4;
        if (chars <= 0 || at + chars * 2 > size)
            return;
        QString wide;
        wide.reserve(qsizetype(chars));
        for (int64_t k = 0; k < chars; ++k)
            wide += QChar(LoadLE<uint16_t>(Bytes(p + at + k * 2)));
        const qsizetype nul = wide.indexOf(QChar(u'\0'));
        if (nul >= 0)
            wide.truncate(nul);
        const QByteArray text = EncodeCodePage(1252, wide).left(MaxEmfTextBytes);
        Cord c{};
        if (text.isEmpty() || !Out.Convert(Int(p + TextReference), Int(p + TextReference + 4), c))
            return;
        const std::array<Cord, 5> five{c, c, c, c, c};
        Out.Append(TextObject, five.data(), 5, text);
    }

    void Extent(qsizetype p, qsizetype size, double& x, double& y)
    {
        // A zero would divide the scale by zero.
        if (size < 16 || Int(p + 8) == 0 || Int(p + 12) == 0)
            return;
        x = Int(p + 8);
        y = Int(p + 12);
        Recompute();
    }

    void Record(uint32_t type, qsizetype p, qsizetype size)
    {
        switch (type) {
        case EmfPolygon: Poly(AreaObject, p, size, true); break;
        case EmfPolygon16: Poly(AreaObject, p, size, false); break;
        case EmfPolyline: Poly(LineObject, p, size, true); break;
        case EmfPolyline16: Poly(LineObject, p, size, false); break;
        case EmfPolyPolygon: PolyPolygon(p, size, true); break;
        case EmfPolyPolygon16: PolyPolygon(p, size, false); break;
        case EmfSetWindowExt: Extent(p, size, WinX, WinY); break;
        case EmfSetViewportExt: Extent(p, size, ViewX, ViewY); break;
        case EmfSetMapMode:
            if (size >= 12) {
                MapMode = Int(p + 8);
                Recompute();
            }
            break;
        case EmfSelectObject: ++Out.Styles; break;
        case EmfExtTextOutW: Text(p, size); break;
        default: Out.Bitmap = Out.Bitmap || (type >= EmfFirstBitmap && type <= EmfLastBitmap); break;
        }
    }
};

} // namespace

bool IsEmfFile(const QString& name, const QByteArray& head)
{
    return QFileInfo(name).suffix().toLower() == QStringLiteral("emf") && head.size() >= EmfSignatureAt + 4
        && LoadLE<uint32_t>(reinterpret_cast<const uint8_t*>(head.constData() + EmfSignatureAt)) == EmfSignature;
}

bool ImportEmfHandle(const QByteArray& data, int* count)
{
    if (count)
        *count = 0;
    if (!Index.ActiveZmd)
        return false;
    EmfReader r(data);
    const auto refuse = [] {
        ErrorMsg(TextKey::CannotOpenEmf, {}, 0);
        return false;
    };
    if (data.size() < HeaderBytes || r.Dword(HdrType) != EmfHeader
        || r.Dword(EmfSignatureAt) != EmfSignature)
        return refuse();
    const uint32_t headerSize = r.Dword(HdrSize);
    if (headerSize < HeaderBytes || headerSize % 4 != 0 || headerSize > uint32_t(data.size()))
        return refuse();
    // A device of no size has no resolution.
    const int32_t px = r.Int(HdrDevicePixels), py = r.Int(HdrDevicePixels + 4);
    const int32_t mmx = r.Int(HdrDeviceMm), mmy = r.Int(HdrDeviceMm + 4);
    if (px <= 0 || py <= 0 || mmx <= 0 || mmy <= 0)
        return refuse();
    r.UpiX = std::nearbyint(double(px) / mmx * 25.4);
    r.UpiY = std::nearbyint(double(py) / mmy * 25.4);
    if (r.UpiX == 0 || r.UpiY == 0)
        return refuse();
    r.WinX = r.ViewX = double(r.Int(HdrBounds + 8)) - r.Int(HdrBounds);
    r.WinY = r.ViewY = double(r.Int(HdrBounds + 12)) - r.Int(HdrBounds + 4);

    const SetupRecord& st = *Stp();
    r.Out.Ox = Masked(st.ViewCenterX) - int64_t(std::nearbyint(r.WinX * 2540 / r.UpiX / 2)) * 256;
    r.Out.Oy = Masked(st.ViewCenterY) + int64_t(std::nearbyint(r.WinY * 2540 / r.UpiY / 2)) * 256;
    ConvertMetafile(r.Out, data.size(), [&] {
        r.Recompute();
        r.Run(qsizetype(headerSize));
    });
    if (count)
        *count = r.Out.Count;
    return true;
}

void InitImpEmfUnit()
{
    RegisterImporter(ImportSlot::Emf, {[](const QString& name, TFileClass& f) {
                                           std::array<char, EmfSignatureAt + 4> head{};
                                           if (!f.Seek(0))
                                               return false;
                                           const int64_t got = f.ReadBlock(head.data(), int64_t(head.size()));
                                           return IsEmfFile(name, QByteArray(head.data(), qsizetype(got)));
                                       },
                                       [](const QString&, TFileClass& f) {
                                           QByteArray data(qsizetype(f.Size()), '\0');
                                           if (!f.Seek(0) || !f.Read(data.data(), data.size()))
                                               return;
                                           ImportEmfHandle(data);
                                       }});
}

} // namespace zemo
