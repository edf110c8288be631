#include "io/ExpTiff.h"

#include "core/ByteIO.h"
#include "core/Errors.h"
#include "core/FieldChecks.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "io/Ports.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"
#include "symbols/Colors.h"
#include "symbols/SymbolMenu.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zemo {

ExpTiffState TiffUnit;

void ResetExpTiffUnit()
{
    TiffUnit = {};
}

namespace {

// File layout, little-endian:
//   offset size meaning
//   0      2    "II"
//   2      2    42
//   4      4    offset of the image file directory (written last)
//   8           the strips, then the directory's data (bits per sample, strip arrays,
//               resolutions, GeoTIFF doubles and keys), then the directory: its entry count,
//               12-byte entries in ascending tag order, a 32-bit 0. Each block at an even
//               offset.
constexpr int DirectoryOffsetAt = 4;
constexpr uint16_t TypeShort = 3, TypeLong = 4, TypeRational = 5, TypeDouble = 12;
constexpr uint16_t TagImageWidth = 256, TagImageLength = 257, TagBitsPerSample = 258, TagCompression = 259,
                   TagPhotometric = 262, TagStripOffsets = 273, TagSamplesPerPixel = 277,
                   TagRowsPerStrip = 278, TagStripByteCounts = 279, TagXResolution = 282,
                   TagYResolution = 283, TagResolutionUnit = 296, TagModelPixelScale = 33550,
                   TagModelTiepoint = 33922, TagModelTransformation = 34264, TagGeoKeyDirectory = 34735;
constexpr uint16_t PhotometricWhiteIsZero = 0, PhotometricBlackIsZero = 1, PhotometricRgb = 2;
constexpr uint16_t ResolutionUnitInch = 2;
constexpr uint32_t ResolutionDenominator = 3000;
// The resolution's numerator must fit its 32 bits.
constexpr double MaxDpiForRational = 4294967295.0 / ResolutionDenominator;
// Version 1, revision 1.0, two keys: the model is projected, a pixel is an area.
constexpr uint16_t GeoKeys[12] = {1, 1, 0, 2, 1024, 0, 1, 1, 1025, 0, 1, 1};
// The tile step in map units for one pixel at one dpi: 25.4 mm x 25600 units a millimetre.
constexpr double UnitsPerInch = 25.4 * 25600;
constexpr int TiffRangeCaller = 2;

QString SettingsOf(int type)
{
    const int slot = MapSettingsSlot(type);
    return slot >= 0 && Index.ActiveZmd ? Index.ActiveZmd->MapSettings[size_t(slot)] : QString();
}

// A label's text without its accelerator mark.
QString Plain(TextKey k)
{
    QString t = Text(k);
    t.remove(u'&');
    return t;
}

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;
};

void PadEven(ExportFile& file)
{
    if (file.Size() & 1) {
        const uint8_t zero = 0;
        file.Write(std::span(&zero, 1));
    }
}

// An offset of this file as the format stores it; the size check made before rendering keeps
// every offset below 4 GiB.
uint32_t Offset32(int64_t at)
{
    return uint32_t(std::clamp<int64_t>(at, 0, UINT32_MAX));
}

} // namespace

// ---- Settings ----

TiffOptions TiffDialogOptions()
{
    TiffOptions o;
    const QString s = SettingsOf(TiffSettingsType);
    o.Separations = GetParamBool(s, u'o', false);
    o.Combine = GetParamBool(s, u'b', false);
    o.Geo = GetParamBool(s, u'g', false);
    const QString r = GetParamText(s, u'r');
    if (!r.isEmpty())
        o.Resolution = r;
    const QString p = GetParamText(s, u's');
    if (!p.isEmpty())
        o.PixelSize = p;
    o.Partial = GetParamBool(s, u'p', false);
    o.Tiles = GetParamBool(s, u't', false);
    o.AntiAlias = GetParamBool(s, u'a', true);
    o.ColorCorrection = GetParamBool(s, u'l', true);
    o.Lzw = GetParamInt(s, u'c', TiffNoCompression) == TiffLzw;
    o.Tfw = TiffUnit.Tfw;
    o.BlackWhite = TiffUnit.BlackWhite;
    if (const TZmd* z = Index.ActiveZmd) {
        const int seps = std::clamp<int>(z->ColorBlock.SeparationCount, 0, MaxSeparations);
        for (int i = 0; i < seps; ++i)
            o.SeparationNames << NameFieldText(z->ColorBlock.Separations[size_t(i)].Name);
        o.Selected = TiffUnit.Selected;
        o.Selected.resize(size_t(seps), false);
    }
    if (o.SeparationNames.isEmpty())
        o.Separations = false;
    return o;
}

QString TiffSettingsString(const TiffOptions& o)
{
    double pixel = 0;
    QString pixelText = o.PixelSize;
    if (TryPointStrToFloat(o.PixelSize, pixel))
        pixelText = FloatToPointStr(2, pixel);
    int dpi = DefaultTiffResolution;
    TryTrimStrToInt(o.Resolution, dpi);
    return BoolParamStr(u'o', o.Separations) + BoolParamStr(u'b', o.Combine) + BoolParamStr(u'g', o.Geo)
           + IntParamStr(u'r', dpi) + TextParamStr(u's', pixelText) + BoolParamStr(u'p', o.Partial)
           + BoolParamStr(u't', o.Tiles) + BoolParamStr(u'a', o.AntiAlias)
           + BoolParamStr(u'l', o.ColorCorrection) + IntParamStr(u'c', o.Lzw ? TiffLzw : TiffNoCompression);
}

void SaveTiffSettings(const TiffOptions& o)
{
    TiffUnit.Tfw = o.Tfw;
    TiffUnit.BlackWhite = o.BlackWhite;
    TiffUnit.Selected = o.Selected;
    // The map keeps what it holds unless the user changed it.
    if (TiffSettingsString(o) != TiffSettingsString(TiffDialogOptions()))
        SaveTypedPString(TiffSettingsString(o), TiffSettingsType);
}

TileSize TiffTileSize()
{
    const QString s = SettingsOf(TileSettingsType);
    return {std::clamp(GetParamInt(s, u'w', DefaultTileWidth), MinTileSide, MaxTileSide),
            std::clamp(GetParamInt(s, u'h', DefaultTileHeight), MinTileSide, MaxTileSide)};
}

void SaveTileSize(const TileSize& t)
{
    // An empty name field, then the sizes.
    SaveTypedPString(IntParamStr(u'w', t.Width) + IntParamStr(u'h', t.Height), TileSettingsType);
}

bool EditTiles()
{
    TileSize t = TiffTileSize();
    if (!IoPorts().RunTilesDialog(t))
        return false;
    const TileSize kept = TiffTileSize();
    t = {std::clamp(t.Width, MinTileSide, MaxTileSide), std::clamp(t.Height, MinTileSide, MaxTileSide)};
    if (t.Width != kept.Width || t.Height != kept.Height)
        SaveTileSize(t);
    return true;
}

TiffField CheckTiffDialog(const TiffOptions& o)
{
    if (o.Geo) {
        const QString label = Plain(TextKey::PixelSize);
        if (!CheckNumberText(o.PixelSize, label))
            return TiffField::PixelSize;
        double pixel = 0;
        if (!TryPointStrToFloat(o.PixelSize, pixel) || !(pixel > 0)) {
            ErrorMsg(TextKey::MustPositive, {label});
            return TiffField::PixelSize;
        }
        return TiffField::None;
    }
    if (!CheckDpiText(o.Resolution, Plain(TextKey::Resolution), 50, 2540))
        return TiffField::Resolution;
    return TiffField::None;
}

// ---- The writer ----

void TiffStripWriter::ConvertRow(const uint8_t* bgr, int width, int bits, uint8_t* out)
{
    switch (bits) {
    case 24:
        for (int x = 0; x < width; ++x) {
            out[3 * x] = bgr[3 * x + 2];
            out[3 * x + 1] = bgr[3 * x + 1];
            out[3 * x + 2] = bgr[3 * x];
        }
        break;
    case 8:
        // Separations render grey: the first byte is the level.
        for (int x = 0; x < width; ++x)
            out[x] = bgr[3 * x];
        break;
    default: {
        const int bytes = (width + 7) / 8;
        std::fill(out, out + bytes, uint8_t(0));
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = bgr + 3 * x;
            if (p[0] < 128 || p[1] < 128 || p[2] < 128)
                out[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        break;
    }
    }
}

bool TiffStripWriter::Begin(ExportFile& file, int width, int height)
{
    width_ = width;
    height_ = height;
    const uint8_t head[8] = {'I', 'I', 42, 0, 0, 0, 0, 0};
    file.Write(std::span<const uint8_t>(head, sizeof head));
    return true;
}

bool TiffStripWriter::WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int, int count)
{
    if (rowsPerStrip_ == 0)
        rowsPerStrip_ = count;
    PadEven(file);
    const int64_t at = file.Size();
    const size_t lineBytes = (size_t(job_.Bits) * size_t(width_) + 7) / 8;
    strip_.resize(lineBytes * size_t(count));
    for (int r = 0; r < count; ++r)
        ConvertRow(rows + size_t(r) * size_t(rowBytes), width_, job_.Bits, strip_.data() + lineBytes * size_t(r));
    if (job_.Lzw) {
        packed_.clear();
        if (!encoder_)
            encoder_.emplace(Sink{&packed_});
        if (!encoder_->TiffLzwEncodeInit() || !encoder_->TiffLzwEncodeBytes(strip_.data(), strip_.size())
            || !encoder_->TiffLzwEncodeFinish())
            return false;
        file.Write(std::span<const uint8_t>(packed_));
    } else {
        file.Write(std::span<const uint8_t>(strip_));
    }
    offsets_.push_back(Offset32(at));
    counts_.push_back(Offset32(file.Size() - at));
    return true;
}

bool TiffStripWriter::Finish(ExportFile& file)
{
    std::vector<uint8_t> bytes;
    ByteWriter w(bytes);
    const auto block = [&](auto fill) {
        PadEven(file);
        const uint32_t at = Offset32(file.Size());
        bytes.clear();
        fill();
        file.Write(std::span<const uint8_t>(bytes));
        return at;
    };
    const bool rgb = job_.Bits == 24;
    uint32_t bitsAt = 0;
    if (rgb)
        bitsAt = block([&] {
            for (int i = 0; i < 3; ++i)
                w.AddU16(8);
        });
    const uint32_t strips = uint32_t(offsets_.size());
    uint32_t offsetsAt = offsets_.empty() ? 0 : offsets_[0];
    uint32_t countsAt = counts_.empty() ? 0 : counts_[0];
    if (strips > 1) {
        offsetsAt = block([&] {
            for (uint32_t v : offsets_)
                w.AddU32(v);
        });
        countsAt = block([&] {
            for (uint32_t v : counts_)
                w.AddU32(v);
        });
    }
    const uint32_t numerator = uint32_t(std::nearbyint(std::min(job_.Dpi, MaxDpiForRational) * ResolutionDenominator));
    const uint32_t resolutionAt = block([&] {
        for (int i = 0; i < 2; ++i) {
            w.AddU32(numerator);
            w.AddU32(ResolutionDenominator);
        }
    });

    std::vector<Entry> entries{
        {TagImageWidth, TypeLong, 1, uint32_t(width_)},
        {TagImageLength, TypeLong, 1, uint32_t(height_)},
        {TagCompression, TypeShort, 1, uint32_t(job_.Lzw ? TiffLzw : TiffNoCompression)},
        {TagPhotometric, TypeShort, 1,
         rgb ? PhotometricRgb : job_.Bits == 8 ? PhotometricBlackIsZero : PhotometricWhiteIsZero},
        {TagStripOffsets, TypeLong, strips, offsetsAt},
        {TagRowsPerStrip, TypeShort, 1, uint32_t(rowsPerStrip_)},
        {TagStripByteCounts, TypeLong, strips, countsAt},
        {TagXResolution, TypeRational, 1, resolutionAt},
        {TagYResolution, TypeRational, 1, resolutionAt + 8},
        {TagResolutionUnit, TypeShort, 1, ResolutionUnitInch},
    };
    if (rgb) {
        entries.push_back({TagBitsPerSample, TypeShort, 3, bitsAt});
        entries.push_back({TagSamplesPerPixel, TypeShort, 1, 3});
    } else if (job_.Bits == 8) {
        entries.push_back({TagBitsPerSample, TypeShort, 1, 8});
    }

    if (job_.Geo) {
        const SetupRecord& s = Index.ActiveZmd->Setup;
        const RealWorldRef ref{s.MapScale, s.RealWorldOffsetX, s.RealWorldOffsetY, s.RealWorldAngle};
        double east = 0, north = 0;
        CordToRealWorld({job_.Rect.x1, job_.Rect.y2}, ref, east, north);
        const double p = job_.PixelSize;
        if (s.RealWorldAngle == 0) {
            const uint32_t at = block([&] {
                for (double v : {p, p, 0.0, 0.0, 0.0, 0.0, east, north, 0.0})
                    w.AddF64(v);
            });
            entries.push_back({TagModelPixelScale, TypeDouble, 3, at});
            entries.push_back({TagModelTiepoint, TypeDouble, 6, at + 24});
        } else {
            const double a = s.RealWorldAngle * std::numbers::pi / 180;
            const double c = std::cos(a), sn = std::sin(a);
            const uint32_t at = block([&] {
                for (double v : {c * p, -sn * p, 0.0, east, -sn * p, -c * p, 0.0, north, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0,
                                 0.0, 1.0})
                    w.AddF64(v);
            });
            entries.push_back({TagModelTransformation, TypeDouble, 16, at});
        }
        const uint32_t keysAt = block([&] {
            for (uint16_t v : GeoKeys)
                w.AddU16(v);
        });
        entries.push_back({TagGeoKeyDirectory, TypeShort, 12, keysAt});
    }

    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    const uint32_t directoryAt = block([&] {
        w.AddU16(uint16_t(entries.size()));
        for (const Entry& e : entries) {
            w.AddU16(e.tag);
            w.AddU16(e.type);
            w.AddU32(e.count);
            // A short that fits the entry lies in its first two bytes.
            if (e.type == TypeShort && e.count == 1) {
                w.AddU16(uint16_t(e.value));
                w.AddU16(0);
            } else {
                w.AddU32(e.value);
            }
        }
        w.AddU32(0);
    });
    std::vector<uint8_t> at;
    ByteWriter(at).AddU32(directoryAt);
    file.WriteAt(DirectoryOffsetAt, at);
    return true;
}

QString TfwText(double p, double angleDegrees, double east, double north)
{
    const double a = angleDegrees * std::numbers::pi / 180;
    const double c = angleDegrees == 0 ? 1 : std::cos(a), s = angleDegrees == 0 ? 0 : std::sin(a);
    QString t;
    for (double v : {c * p, -s * p, -s * p, -c * p})
        t += FloatToPointStr(8, v + 0.0) + QStringLiteral("\r\n");
    t += FloatToPointStr(4, east + c * p / 2 - s * p / 2) + QStringLiteral("\r\n");
    t += FloatToPointStr(4, north - s * p / 2 - c * p / 2) + QStringLiteral("\r\n");
    return t;
}

bool WriteTiff(const TiffJob& job)
{
    const int64_t width = ExactRasterPixels(job.Rect.x1, job.Rect.x2, job.Dpi);
    const int64_t height = ExactRasterPixels(job.Rect.y1, job.Rect.y2, job.Dpi);
    // TIFF's offsets have 32 bits: refuse a picture whose data could pass them (LZW may give
    // one and a half bytes for each).
    const int64_t lineBytes = (int64_t(job.Bits) * width + 7) / 8;
    const double data = double(lineBytes) * double(height) * (job.Lzw ? 1.5 : 1.0);
    if (!(job.Dpi > 0) || data + double(1 << 20) > 4294967295.0 || width > INT32_MAX / 3) {
        ErrorMsg(TextKey::BmpResTooHigh, {}, BmpResTooHighHelpContext);
        return false;
    }
    RasterSettings s;
    s.DpiExact = job.Dpi;
    s.Dpi = int(std::clamp(std::nearbyint(job.Dpi), 1.0, 1e9));
    s.MaxPixels = 0;
    s.AntiAlias = job.AntiAlias;
    s.ColorCorrection = job.ColorCorrection;
    s.ShowProgress = job.ShowProgress;
    s.ColorMode = Graph.OutputColorMode;
    s.Separations = Graph.OutputSeparations;
    TiffStripWriter writer(job);
    if (ExportRaster(job.Rect, s, writer, job.FileName) != RasterResult::Written)
        return false;
    if (job.Geo && job.Tfw) {
        const SetupRecord& st = Index.ActiveZmd->Setup;
        const RealWorldRef ref{st.MapScale, st.RealWorldOffsetX, st.RealWorldOffsetY, st.RealWorldAngle};
        double east = 0, north = 0;
        CordToRealWorld({job.Rect.x1, job.Rect.y2}, ref, east, north);
        ExportFile tfw;
        if (!tfw.Begin(ReplaceExtension(job.FileName, QStringLiteral(".tfw"))))
            return false;
        try {
            tfw.Write(QByteArrayView(TfwText(job.PixelSize, st.RealWorldAngle, east, north).toLatin1()));
        } catch (const EAbort&) {
            return false;
        }
        return tfw.Commit();
    }
    return true;
}

TilePlan PlanTiles(const CordRect& r, const TileSize& t, double dpi)
{
    TilePlan p;
    p.StepX = int32_t(std::clamp(std::nearbyint(t.Width * UnitsPerInch / dpi), 1.0, 1e9));
    p.StepY = int32_t(std::clamp(std::nearbyint(t.Height * UnitsPerInch / dpi), 1.0, 1e9));
    p.Columns = int((int64_t(r.x2) - r.x1 + p.StepX - 1) / p.StepX);
    p.Rows = int((int64_t(r.y2) - r.y1 + p.StepY - 1) / p.StepY);
    return p;
}

// ---- The commands ----

namespace {

bool AskTiffName(QString& name)
{
    const ExportFormat& f = ExportFormatOf(ExportKind::Tiff);
    if (!ExecSaveDialog(ExportTitle(f), ExportFilter(f), f.DefaultExt, f.HelpContext, name))
        return false;
    SetExportFolder(name);
    return true;
}

double TiffDpi(const TiffOptions& o)
{
    if (o.Geo) {
        double pixel = 0;
        const double scale = Index.ActiveZmd->Setup.MapScale;
        if (!TryPointStrToFloat(o.PixelSize, pixel) || !(pixel > 0) || !(scale > 0))
            return 0;
        return scale * (0.0254 / pixel);
    }
    int dpi = 0;
    return TryTrimStrToInt(o.Resolution, dpi) ? dpi : 0;
}

} // namespace

bool ExportTiffFile(QString& name, bool ask, const TiffOptions& o)
{
    CordRect rect;
    if (!ExportExtent(o.Partial, rect))
        return false;
    TiffJob job;
    job.Dpi = TiffDpi(o);
    if (!(job.Dpi > 0))
        return false;
    job.Bits = o.BlackWhite ? 1 : o.Separations ? 8 : 24;
    job.Lzw = o.Lzw;
    job.ColorCorrection = o.ColorCorrection;
    job.AntiAlias = o.AntiAlias;
    job.Geo = o.Geo;
    job.Tfw = o.Tfw;
    TryPointStrToFloat(o.PixelSize, job.PixelSize);
    if (!o.Tiles) {
        if (ask && !AskTiffName(name))
            return false;
        job.Rect = rect;
        job.FileName = name;
        return WriteTiff(job);
    }
    static const QString firstTile = QStringLiteral("_0_0.tif");
    name = ReplaceExtension(name, QString()) + firstTile;
    if (ask && !AskTiffName(name))
        return false;
    const QString base = name.endsWith(firstTile, Qt::CaseInsensitive) ? name.left(name.size() - firstTile.size() + 1)
                                                                       : ReplaceExtension(name, QString()) + u'_';
    const TilePlan plan = PlanTiles(rect, TiffTileSize(), job.Dpi);
    for (int r = 0; r < plan.Rows; ++r)
        for (int c = 0; c < plan.Columns; ++c) {
            const int32_t x = int32_t(rect.x1 + int64_t(c) * plan.StepX);
            const int32_t y = int32_t(rect.y1 + int64_t(r) * plan.StepY);
            job.Rect = {x, y, int32_t(std::min<int64_t>(int64_t(x) + plan.StepX, INT32_MAX)),
                        int32_t(std::min<int64_t>(int64_t(y) + plan.StepY, INT32_MAX))};
            job.FileName = base + QString::number(c) + u'_' + QString::number(r) + QStringLiteral(".tif");
            if (!WriteTiff(job))
                return false;
        }
    return true;
}

void ExportTiff()
{
    if (!Index.ActiveZmd)
        return;
    TiffOptions o = TiffDialogOptions();
    if (!IoPorts().RunTiffDialog(o))
        return;
    SaveTiffSettings(o);
    if (!ConfirmHiddenSymbols())
        return;
    QString name = GetExportFileName(QStringLiteral(".tif"));
    SavedOutputState saved;
    if (!o.Separations) {
        Graph.OutputColorMode = CompositeColors;
        ExportTiffFile(name, true, o);
    } else if (o.Combine) {
        Graph.OutputColorMode = SpotSeparations;
        Graph.OutputSeparations = 0;
        for (size_t i = 0; i < o.Selected.size() && i < size_t(MaxSeparations); ++i)
            if (o.Selected[i])
                Graph.OutputSeparations |= 1u << i;
        ExportTiffFile(name, true, o);
    } else {
        // The first file's save dialog chooses the folder; the others follow without asking.
        bool ask = true;
        QString folder = ExtractFileDir(name);
        for (int i = 0; i < int(o.SeparationNames.size()) && i < int(o.Selected.size()); ++i) {
            const QString& sep = o.SeparationNames[i];
            if (!o.Selected[size_t(i)] || sep.isEmpty())
                continue;
            Graph.OutputColorMode = SpotSeparations;
            Graph.OutputSeparations = 1u << i;
            QString file = folder + u'/' + SafeFileNamePart(sep) + QStringLiteral(".tif");
            if (!ExportTiffFile(file, ask, o))
                break;
            if (ask)
                folder = ExtractFileDir(file);
            ask = false;
        }
    }
    SaveTiffSettings(o);
}

} // namespace zemo
