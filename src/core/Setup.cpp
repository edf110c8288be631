#include "core/Setup.h"

#include "core/ByteIO.h"
#include "core/Numeric.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zemo {

namespace {

constexpr size_t GpsPointsOffset = 72;
constexpr size_t GpsPointBytes = 40;
constexpr size_t ViewHistoryOffset = 932;
constexpr size_t ViewHistoryEntryBytes = 16;

uint16_t BoolWord(bool b)
{
    return b ? 0xFFFF : 0;
}

CordRect ReadRect(ByteReader& r, size_t offset)
{
    return CordRect{r.I32(offset), r.I32(offset + 4), r.I32(offset + 8), r.I32(offset + 12)};
}

void PutRect(ByteWriter& w, size_t offset, const CordRect& rc)
{
    w.PutI32(offset, rc.x1);
    w.PutI32(offset + 4, rc.y1);
    w.PutI32(offset + 8, rc.x2);
    w.PutI32(offset + 12, rc.y2);
}

template <size_t N>
void ReadRaw(ByteReader& r, size_t offset, std::array<uint8_t, N>& out)
{
    r.CopyBytes(offset, out);
}

SetupRecord ParseSetup(std::span<const uint8_t> bytes)
{
    ByteReader r(bytes);
    SetupRecord s;
    s.ViewCenterX = r.I32(0);
    s.ViewCenterY = r.I32(4);
    s.PaperGridDistance = r.F64(8);
    s.LinksActive = r.U16(16) != 0;
    ReadRaw(r, 18, s.Reserved18);
    s.Word20 = r.U16(20);
    s.CurrentSymbolIndex = r.I16(22);
    s.MapScale = r.F64(24);
    s.RealWorldOffsetX = r.F64(32);
    s.RealWorldOffsetY = r.F64(40);
    s.RealWorldAngle = r.F64(48);
    s.RealWorldGridDistance = r.F64(56);
    s.GpsAngle = r.F64(64);
    for (size_t i = 0; i < s.GpsAdjustPoints.size(); ++i) {
        const size_t o = GpsPointsOffset + i * GpsPointBytes;
        GpsAdjustPoint& p = s.GpsAdjustPoints[i];
        p.X = r.I32(o);
        p.Y = r.I32(o + 4);
        p.Latitude = r.F64(o + 8);
        p.Longitude = r.F64(o + 16);
        p.Name = r.ShortString(o + 24, 15);
    }
    s.GpsAdjustPointCount = r.I32(552);
    s.TemplateScaleX = r.F64(556);
    s.TemplateScaleY = r.F64(564);
    s.TemplateX = r.I32(572);
    s.TemplateY = r.I32(576);
    s.TemplateFile = r.ShortString(580, 255);
    s.TemplateMode = r.I16(836);
    s.TemplateResolution = r.I16(838);
    s.TemplateAngle = r.F64(840);
    ReadRaw(r, 848, s.Reserved848);
    s.TemplateAngle2 = r.F64(856);
    s.PrintRange = ReadRect(r, 864);
    s.PrintGrid = r.U16(880) != 0;
    s.PrintGridColor = r.I16(882);
    s.PrintOverlapX = r.I16(884);
    s.PrintOverlapY = r.I16(886);
    s.PrintScale = r.F64(888);
    s.PrintIntensity = r.I16(896);
    s.PrintLineWidth = r.I16(898);
    ReadRaw(r, 900, s.Reserved900);
    s.PartialRange = ReadRect(r, 908);
    s.Zoom = r.F64(924);
    for (size_t i = 0; i < s.ViewHistory.size(); ++i) {
        const size_t o = ViewHistoryOffset + i * ViewHistoryEntryBytes;
        s.ViewHistory[i].Zoom = r.F64(o);
        s.ViewHistory[i].CenterX = r.I32(o + 8);
        s.ViewHistory[i].CenterY = r.I32(o + 12);
    }
    ReadRaw(r, 1060, s.Reserved1060);
    s.ViewHistoryCount = r.I32(1076);
    s.RealWorldCoords = r.U16(1080);
    s.MapPath = r.ShortString(1082, 255);
    s.HatchView = r.U16(1338) != 0;
    s.TemplatesDimmed = r.U16(1340) != 0;
    s.TemplatesHidden = r.U16(1342) != 0;
    s.Word1344 = r.I16(1344);
    ReadRaw(r, 1346, s.Reserved1346);
    return s;
}

bool Finite(double v)
{
    return std::isfinite(v);
}

// Every double that CheckSetup compares. One that is not a number cannot be judged, and
// says the block is not a setup at all.
bool CheckedDoublesFinite(const SetupRecord& s)
{
    const double values[] = {s.Zoom, s.PaperGridDistance, s.MapScale, s.TemplateScaleX,
                             s.TemplateScaleY, s.RealWorldOffsetX, s.RealWorldOffsetY,
                             s.RealWorldAngle, s.RealWorldGridDistance, s.GpsAngle,
                             s.PrintScale, s.TemplateAngle, s.TemplateAngle2};
    if (!std::all_of(std::begin(values), std::end(values), Finite))
        return false;
    return std::all_of(s.GpsAdjustPoints.begin(), s.GpsAdjustPoints.end(),
                       [](const GpsAdjustPoint& p) { return Finite(p.Latitude) && Finite(p.Longitude); });
}

} // namespace

void DefaultSetup(SetupRecord& s)
{
    s = SetupRecord();
    s.PaperGridDistance = 10.0;
    s.Word20 = 11;
    s.MapScale = 15000.0;
    s.RealWorldGridDistance = 1000.0;
    s.TemplateScaleX = 15000.0;
    s.TemplateScaleY = 15000.0;
    s.TemplateResolution = 300;
    s.PrintRange = CordRect{-1280000, -1280000, 1280000, 1280000};
    s.PrintOverlapX = 1000;
    s.PrintOverlapY = 1000;
    s.PrintScale = 15000.0;
    s.Zoom = 4.0;
}

SetupRecord DefaultSetupRecord()
{
    SetupRecord s;
    DefaultSetup(s);
    return s;
}

double WrapSetupAngle(double degrees)
{
    return std::abs(degrees) <= 360 ? degrees : std::fmod(degrees, 360);
}

void CheckCordRange(int32_t& v)
{
    CheckIntRange(v, -MapAreaLimit, MapAreaLimit, 0);
}

void CheckSetup(SetupRecord& s)
{
    if (!CheckedDoublesFinite(s)) {
        DefaultSetup(s);
        return;
    }

    // 1. The view.
    CheckDoubleRange(s.Zoom, 0.01, 32, 4.0);
    CheckCordRange(s.ViewCenterX);
    CheckCordRange(s.ViewCenterY);
    CheckDoubleRange(s.PaperGridDistance, 0.05, 100, 10.0);
    CheckSmallIntRange(s.CurrentSymbolIndex, -1, 999, 0);

    // 2. The print range: inside the map area, ordered, at least 1 mm each way.
    CheckCordRange(s.PrintRange.x1);
    CheckCordRange(s.PrintRange.y1);
    CheckCordRange(s.PrintRange.x2);
    CheckCordRange(s.PrintRange.y2);
    NormalizeRect(s.PrintRange);
    constexpr int32_t OneMm = 25600;
    if (s.PrintRange.x2 < s.PrintRange.x1 + OneMm)
        s.PrintRange.x2 = s.PrintRange.x1 + OneMm;
    if (s.PrintRange.y2 < s.PrintRange.y1 + OneMm)
        s.PrintRange.y2 = s.PrintRange.y1 + OneMm;

    // 3. Print options.
    CheckSmallIntRange(s.PrintGridColor, 0, 31, 0);
    CheckSmallIntRange(s.PrintOverlapX, 0, 10000, 500);
    CheckSmallIntRange(s.PrintOverlapY, 0, 10000, 500);

    // 4. The scale first: the template and print scales are judged against it.
    CheckDoubleRange(s.MapScale, 1, 10000000, 10000.0);
    CheckDoubleRange(s.TemplateScaleX, s.MapScale / 10, s.MapScale * 10, s.MapScale);
    CheckDoubleRange(s.TemplateScaleY, s.MapScale / 10, s.MapScale * 10, s.MapScale);

    // 5. The real-world reference.
    CheckDoubleRange(s.RealWorldOffsetX, -10000000, 10000000, 0);
    CheckDoubleRange(s.RealWorldOffsetY, -10000000, 10000000, 0);
    CheckDoubleRange(s.RealWorldAngle, -360, 360, 0);
    CheckDoubleRange(s.RealWorldGridDistance, 10, 100000, 250.0);
    CheckDoubleRange(s.GpsAngle, -360, 360, 0);

    // 6. All twelve GPS points, whatever the count says.
    for (GpsAdjustPoint& p : s.GpsAdjustPoints) {
        CheckCordRange(p.X);
        CheckCordRange(p.Y);
        CheckDoubleRange(p.Latitude, -90, 90, 0);
        CheckDoubleRange(p.Longitude, -180, 180, 0);
    }
    CheckIntRange(s.GpsAdjustPointCount, 0, 12, 0);

    // 7.
    CheckDoubleRange(s.PrintScale, s.MapScale / 10, s.MapScale * 10, s.MapScale);

    // 8. The single template of older maps.
    if (s.TemplateFile.empty())
        s.TemplateMode = 0;
    CheckSmallIntRange(s.TemplateResolution, 1, 10000, 150);
    CheckDoubleRange(s.TemplateAngle, -10, 10, 0);
    CheckDoubleRange(s.TemplateAngle2, -10, 10, 0);

    // 9.
    CheckIntRange(s.ViewHistoryCount, 0, 8, 0);
    CheckSmallIntRange(s.Word1344, 0, 2, 0);
}

SetupRecord ReadSetupBytes(std::span<const uint8_t> bytes)
{
    std::array<uint8_t, SetupRecordBytes> block = WriteSetupBytes(DefaultSetupRecord());
    const size_t n = std::min(bytes.size(), SetupRecordBytes);
    std::copy_n(bytes.begin(), n, block.begin());
    return ParseSetup(block);
}

std::array<uint8_t, SetupRecordBytes> WriteSetupBytes(const SetupRecord& s)
{
    std::vector<uint8_t> buf(SetupRecordBytes, 0);
    ByteWriter w(buf);
    w.PutI32(0, s.ViewCenterX);
    w.PutI32(4, s.ViewCenterY);
    w.PutF64(8, s.PaperGridDistance);
    w.PutU16(16, BoolWord(s.LinksActive));
    w.PutBytes(18, s.Reserved18);
    w.PutU16(20, s.Word20);
    w.PutI16(22, s.CurrentSymbolIndex);
    w.PutF64(24, s.MapScale);
    w.PutF64(32, s.RealWorldOffsetX);
    w.PutF64(40, s.RealWorldOffsetY);
    w.PutF64(48, s.RealWorldAngle);
    w.PutF64(56, s.RealWorldGridDistance);
    w.PutF64(64, s.GpsAngle);
    for (size_t i = 0; i < s.GpsAdjustPoints.size(); ++i) {
        const size_t o = GpsPointsOffset + i * GpsPointBytes;
        const GpsAdjustPoint& p = s.GpsAdjustPoints[i];
        w.PutI32(o, p.X);
        w.PutI32(o + 4, p.Y);
        w.PutF64(o + 8, p.Latitude);
        w.PutF64(o + 16, p.Longitude);
        w.PutShortString(o + 24, p.Name, 15);
    }
    w.PutI32(552, s.GpsAdjustPointCount);
    w.PutF64(556, s.TemplateScaleX);
    w.PutF64(564, s.TemplateScaleY);
    w.PutI32(572, s.TemplateX);
    w.PutI32(576, s.TemplateY);
    w.PutShortString(580, s.TemplateFile, 255);
    w.PutI16(836, s.TemplateMode);
    w.PutI16(838, s.TemplateResolution);
    w.PutF64(840, s.TemplateAngle);
    w.PutBytes(848, s.Reserved848);
    w.PutF64(856, s.TemplateAngle2);
    PutRect(w, 864, s.PrintRange);
    w.PutU16(880, BoolWord(s.PrintGrid));
    w.PutI16(882, s.PrintGridColor);
    w.PutI16(884, s.PrintOverlapX);
    w.PutI16(886, s.PrintOverlapY);
    w.PutF64(888, s.PrintScale);
    w.PutI16(896, s.PrintIntensity);
    w.PutI16(898, s.PrintLineWidth);
    w.PutBytes(900, s.Reserved900);
    PutRect(w, 908, s.PartialRange);
    w.PutF64(924, s.Zoom);
    for (size_t i = 0; i < s.ViewHistory.size(); ++i) {
        const size_t o = ViewHistoryOffset + i * ViewHistoryEntryBytes;
        w.PutF64(o, s.ViewHistory[i].Zoom);
        w.PutI32(o + 8, s.ViewHistory[i].CenterX);
        w.PutI32(o + 12, s.ViewHistory[i].CenterY);
    }
    w.PutBytes(1060, s.Reserved1060);
    w.PutI32(1076, s.ViewHistoryCount);
    w.PutU16(1080, s.RealWorldCoords);
    w.PutShortString(1082, s.MapPath, 255);
    w.PutU16(1338, BoolWord(s.HatchView));
    w.PutU16(1340, BoolWord(s.TemplatesDimmed));
    w.PutU16(1342, BoolWord(s.TemplatesHidden));
    w.PutI16(1344, s.Word1344);
    w.PutBytes(1346, s.Reserved1346);

    std::array<uint8_t, SetupRecordBytes> out{};
    std::copy_n(buf.begin(), SetupRecordBytes, out.begin());
    return out;
}

} // namespace zemo
