#include "io/ExpSvg.h"

#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "io/Export.h"
#include "io/Ports.h"
#include "render/Areas.h"
#include "render/GraphSys.h"
#include "render/Points.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"
#include "symbols/SymbolMenu.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <span>
#include <utility>
#include <vector>
#include <zlib.h>

namespace zemo {

namespace {

constexpr char Q = '"';
// Hatch tiles: at least 7.5 mm wide, 12.7 mm high, in map units.
constexpr int64_t MinHatchTileWidth = 192000;
constexpr int64_t HatchTileHeight = 325120;
constexpr int SymbolHiddenStatus = 2;
// A structure tile draws every cell whose elements reach into it; elements far larger than
// their cell would ask for more than this many, and the pattern is then left out.
constexpr int64_t MaxStructureTileCells = 16384;

struct SvgUnitState {
    SvgOptions Options;
};
SvgUnitState SvgUnit;

void Line(const std::string& s) { WriteOutputLine(QByteArrayView(s.data(), qsizetype(s.size()))); }
std::string Fixed2(double v) { return FloatToPointStr(2, v).toStdString(); }
int Field(const SymbolBytes& rec, size_t at) { return SymI16(rec, at); }

bool HatchPatterned(const SymbolBytes& rec)
{
    const int mode = Field(rec, AreaHatchMode);
    return SymI16(rec, SymObjectType) == AreaObject && AreaSymbolUsable(rec) && (mode == 1 || mode == 2)
           && Field(rec, AreaHatchLineWidth) > 0 && Field(rec, AreaHatchDist) >= 0;
}

std::span<const uint8_t> StructureList(const SymbolBytes& rec, int& slots)
{
    slots = Field(rec, AreaStructSlots);
    return std::span<const uint8_t>(rec).subspan(AreaSymbolFixedBytes, size_t(slots) * 8);
}

// A structure the area painter draws in `color`: a grid of whole cells and an element there.
bool StructurePatterned(const SymbolBytes& rec, int color)
{
    const int mode = Field(rec, AreaStructMode);
    if (SymI16(rec, SymObjectType) != AreaObject || !AreaSymbolUsable(rec) || (mode != 1 && mode != 2)
        || Field(rec, AreaStructWidth) < 1 || Field(rec, AreaStructHeight) < 1)
        return false;
    int slots = 0;
    const std::span<const uint8_t> list = StructureList(rec, slots);
    int slot = 0;
    SymbolElementView e;
    while (NextSymbolElement(list, slots, slot, e))
        if (e.Color == color)
            return true;
    return false;
}

// A cell origin in map units; cells of huge elements may lie beyond the coordinate range.
int32_t Cell32(int64_t v) { return Masked(int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax))); }

bool Hidden(const SymbolBytes& rec) { return (SymU8(rec, SymStatus) & SymbolStatusMask) >= SymbolHiddenStatus; }

// The tile position that puts a tile's corner on the map's origin, where the painters count
// their hatch rows and structure cells from: the origin's place in the view box taken back
// through the pattern's turn (SVG degrees) and, for structures, its flip of y.
std::pair<double, double> TileAtMapOrigin(double degrees, bool flipY)
{
    const double ox = -double(Scale.DrawRect.x1) / 25600, oy = double(Scale.DrawRect.y2) / 25600;
    const double r = degrees * std::numbers::pi / 180, c = std::cos(r), s = std::sin(r);
    const double x = c * ox + s * oy, y = -s * ox + c * oy;
    return {x, flipY ? -y : y};
}

// One hatch pattern: lines of the symbol's width across a tile of whole steps, turned to the
// angle, in the hatch colour alone (the id names that colour).
void WriteHatchPattern(const std::string& id, const SymbolBytes& rec, int angle, uint32_t cmyk)
{
    const int width = Field(rec, AreaHatchLineWidth), dist = Field(rec, AreaHatchDist);
    const int64_t step = int64_t(width + dist) * 256;
    const int64_t n = (MinHatchTileWidth + step - 1) / step;
    const double w = double(n * step) / 25600, h = double(HatchTileHeight) / 25600;
    const auto [x, y] = TileAtMapOrigin(90 - angle / 10.0, false);
    Line("<pattern id=" + std::string(1, Q) + id + Q + " patternUnits=" + Q + "userSpaceOnUse" + Q + " ");
    Line("patternTransform=" + std::string(1, Q) + "rotate(" + Fixed2(90 - angle / 10.0) + ")" + Q + " x=" + Q
         + Fixed2(x) + Q + " y=" + Q + Fixed2(y) + Q + " width=" + Q + Fixed2(w) + Q + " height=" + Q + Fixed2(h)
         + Q + " viewBox=" + Q + "0 0 " + Fixed2(w) + " " + Fixed2(h) + Q + " >");
    Line("<g stroke=" + std::string(1, Q) + SvgColor(cmyk) + Q + " stroke-width=" + Q + Fixed2(width / 100.0) + Q
         + " >");
    Line("<path d=" + std::string(1, Q));
    for (int64_t i = 0; i <= n; ++i) {
        const std::string px = Fixed2(double(i) * (width + dist) / 100);
        Line("M" + px + " 0.00");
        Line("L" + px + " " + Fixed2(h));
    }
    Line(std::string(1, Q) + " />");
    Line(" </g>");
    Line("</pattern>");
}

// One structure pattern: the cells of the symbol's grid in `c` that reach into one tile, the
// tile a cell wide and a cell high, two rows high when odd rows are shifted by half a cell.
// The content is drawn in the grid's own frame, y upward (the flip is the pattern's), with the
// elements turned back by the structure angle, as the painter puts them on the turned grid.
// False when the tile would need too many cells.
bool WriteStructurePattern(const std::string& id, const SymbolBytes& rec, int angle, const ColorRecord& c)
{
    const int64_t W = Field(rec, AreaStructWidth), H = Field(rec, AreaStructHeight);
    const bool offsetRows = Field(rec, AreaStructMode) == 2;
    const int64_t tileH = offsetRows ? 2 * H : H;
    int slots = 0;
    const std::span<const uint8_t> list = StructureList(rec, slots);
    const int64_t e = ElementListExtent(list, slots);
    const int64_t c0 = -(e / W) - 2, c1 = (W + e) / W + 2;
    const int64_t r0 = -(e / H) - 1, r1 = (tileH + e) / H + 1;
    if ((c1 - c0 + 1) * (r1 - r0 + 1) > MaxStructureTileCells)
        return false;
    const auto [x, y] = TileAtMapOrigin(-angle / 10.0, true);
    const double w = double(W) / 100, h = double(tileH) / 100;
    Line("<pattern id=" + std::string(1, Q) + id + Q + " patternUnits=" + Q + "userSpaceOnUse" + Q
         + " patternTransform=" + Q + "rotate(" + Fixed2(-angle / 10.0) + ") matrix(1 0 0 -1 0 0)" + Q + " x=" + Q
         + Fixed2(x) + Q + " y=" + Q + Fixed2(y) + Q + " width=" + Q + Fixed2(w) + Q + " height=" + Q + Fixed2(h) + Q
         + " viewBox=" + Q + "0 0 " + Fixed2(w) + " " + Fixed2(h) + Q + " >");
    Line("<g stroke=" + std::string(1, Q) + SvgColor(PackCmyk(c.Cmyk)) + Q + " >");
    Graph.CurrentColor = c.Number;
    Graph.OutputCmyk = PackCmyk(c.Cmyk);
    Graph.SvgFillCmyk = PackCmyk(c.Cmyk);
    const Cord origin = Scale.ViewOrigin;
    Scale.ViewOrigin = {0, 0};
    Graph.SvgPatternCoords = true;
    ElementPlacement place;
    const int turn = Field(rec, AreaStructAngle);
    if (turn != 0) {
        const double a = -turn / 1800.0 * std::numbers::pi;
        place.Cos = std::cos(a);
        place.Sin = std::sin(a);
    }
    for (int64_t r = r0; r <= r1; ++r)
        for (int64_t col = c0; col <= c1; ++col) {
            const int64_t cx = col * W - (offsetRows && (r & 1) ? W / 2 : 0);
            place.Origin = {Cell32(cx * 256), Cell32(r * H * 256)};
            DrawElementList(list, slots, place);
        }
    Graph.SvgPatternCoords = false;
    Scale.ViewOrigin = origin;
    Line(" </g>");
    Line("</pattern>");
    return true;
}

// The patterns of the area objects in the exported rectangle: structure and hatch patterns
// by symbol, colour and angle, each written once. A symbol with both gets both.
void WriteSvgPatterns(const TZmd& z)
{
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
        const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
        if (c.Number >= 256 || !z.UsedColors.test(c.Number))
            continue;
        std::vector<int> objects;
        StartElementScan(1);
        while (NextElementInRect(Graph.ClipRect, c.Number))
            objects.push_back(Index.CurIndexNo);
        for (int n : objects) {
            ElementRecord e;
            SymbolBytes* rec = nullptr;
            if (!ReadElement(n, e) || e.ObjectType != AreaObject || !GetSymbol(e.Symbol, rec) || !rec || Hidden(*rec)
                || (SymU8(*rec, SymStatus) & SymbolUsedBit) == 0)
                continue;
            if (StructurePatterned(*rec, c.Number)) {
                const int angle = Field(*rec, AreaStructAngle) + e.Angle;
                const std::string id = SvgPatternName(e.Symbol, false, c.Number, angle);
                if (!ExportPatternNames.Names.count(id) && WriteStructurePattern(id, *rec, angle, c))
                    ExportPatternNames.Names.insert(id);
            }
            if (!HatchPatterned(*rec) || Field(*rec, AreaHatchColor) != c.Number)
                continue;
            std::vector<int> angles{Field(*rec, AreaHatchAngle1) + e.Angle};
            if (Field(*rec, AreaHatchMode) == 2)
                angles.push_back(Field(*rec, AreaHatchAngle2) + e.Angle);
            for (int angle : angles) {
                const std::string id = SvgPatternName(e.Symbol, true, c.Number, angle);
                if (ExportPatternNames.Names.insert(id).second)
                    WriteHatchPattern(id, *rec, angle, PackCmyk(c.Cmyk));
            }
        }
    }
}

// Every colour the objects use, last first; in each, every symbol of the colour that is not
// hidden, in list order, as a group of its objects.
void WriteSvgObjects(const TZmd& z)
{
    int drawn = 0;
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
        const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
        if (c.Number >= 256 || !z.UsedColors.test(c.Number))
            continue;
        std::map<const SymbolBytes*, std::vector<int>> bySymbol;
        StartElementScan(1);
        while (NextElementInRect(Graph.ClipRect, c.Number)) {
            SymbolBytes* rec = nullptr;
            if (GetSymbol(Index.CurIndex.Symbol, rec) && rec)
                bySymbol[rec].push_back(Index.CurIndexNo);
        }
        for (const SymbolBytes& rec : z.Symbols) {
            const auto it = bySymbol.find(&rec);
            if (it == bySymbol.end() || Hidden(rec))
                continue;
            // The group's colour: the painters' strokes and fills take it.
            Graph.CurrentColor = c.Number;
            Graph.OutputCmyk = PackCmyk(c.Cmyk);
            Graph.SvgFillCmyk = PackCmyk(c.Cmyk);
            bool open = false;
            for (int n : it->second) {
                if (AbortRequested || !ReadElement(n, DrawElement))
                    break;
                if (!open) {
                    open = true;
                    const QString head = TenthsToStr(SymI16(rec, SymNumber)) + u' ' + SymbolDescription(rec);
                    Line("<g id=" + std::string(1, Q) + EscapeXmlText(EscapePsText(head)) + " "
                         + std::to_string(SymU8(rec, SymTextFlag) ? 1 : 0) + " " + std::to_string(c.Number) + Q
                         + " >");
                    Line("<g stroke=" + std::string(1, Q) + SvgColor(PackCmyk(c.Cmyk)) + Q + " >");
                }
                DrawSymbol = rec.data();
                DrawObjectByType();
                ++drawn;
                UpdateProgress(drawn, drawn);
                PollExportEscape();
            }
            if (open) {
                Line("</g>");
                Line("</g>");
                Line("");
            }
        }
    }
}

void WriteProlog(const CordRect& d)
{
    const double wmm = (double(d.x2) - d.x1) / 256 / 100, hmm = (double(d.y2) - d.y1) / 256 / 100;
    Line(std::string("<?xml version=\"1.0\" standalone=\"no\"?>"));
    Line("<!-- Generator: ZEMO " + EscapeXmlText(VersionString.toStdString()) + " -->");
    Line(std::string("<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 20010904//EN\""));
    Line(std::string("\"http://www.w3.org/TR/2001/REC-SVG-20010904/DTD/svg10.dtd\" ["));
    Line(std::string("<!ENTITY stR \"stroke-linejoin:round;stroke-linecap:round\">"));
    Line(std::string("<!ENTITY stB \"stroke-linejoin:bevel\">"));
    Line(std::string("]>"));
    Line("<svg width=\"" + Fixed2(wmm / 10) + "cm\" height=\"" + Fixed2(hmm / 10) + "cm\" viewBox=\"0 0 " + Fixed2(wmm)
         + " " + Fixed2(hmm) + "\" style=\"fill:none;stroke-width:0;fill-rule:evenodd\" >");
    Line(std::string("<desc>Untitled</desc>"));
}

QString ProposedSvgName()
{
    const QString path = CurrentMapPath();
    if (path.isEmpty())
        return GetMapFolder() + Text(TextKey::Untitled) + QStringLiteral(".svg");
    return ReplaceExtension(path, QStringLiteral(".svg"));
}

} // namespace

std::string EscapeXmlText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += ch; break;
        }
    }
    return out;
}

QByteArray GzipBytes(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    z_stream s{};
    // Raw deflate: the gzip frame around it is ours.
    if (deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out;
    const uint8_t head[10] = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 0};
    out.append(reinterpret_cast<const char*>(head), sizeof head);
    const uLong bound = deflateBound(&s, uLong(data.size()));
    const qsizetype start = out.size();
    out.resize(start + qsizetype(bound));
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data() + start);
    s.avail_out = uInt(bound);
    const int r = deflate(&s, Z_FINISH);
    const uLong written = s.total_out;
    deflateEnd(&s);
    if (r != Z_STREAM_END)
        return {};
    out.resize(start + qsizetype(written));
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()));
    const uint32_t size = uint32_t(uint64_t(data.size()) & 0xFFFFFFFFu);
    for (uint32_t v : {uint32_t(crc), size})
        for (int i = 0; i < 4; ++i)
            out.append(char((v >> (8 * i)) & 0xFF));
    return out;
}

bool CompressSvgFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        ErrorMsg(TextKey::CannotOpen, source);
        return false;
    }
    const QByteArray data = in.readAll();
    const QByteArray packed = GzipBytes(data);
    if (!data.isEmpty() && packed.isEmpty()) {
        ErrorMsg(TextKey::CannotWrite, target);
        return false;
    }
    ExportFile out;
    if (!out.Begin(target))
        return false;
    try {
        out.Write(QByteArrayView(packed));
    } catch (const EAbort&) {
        return false;
    }
    return out.Commit();
}

bool WriteSvgFile(const QString& name)
{
    TZmd& z = *Index.ActiveZmd;
    CordRect d;
    if (!GetFullExtent(d))
        d = {};
    AbortRequested = false;
    SavedOutputState saved;
    ExportFile file;
    if (!file.Begin(name))
        return false;
    Graph.OutputFile = &file;
    Graph.OutputColorMode = CompositeColors;
    Graph.ClipRect = d;
    Scale.DrawRect = d;
    Scale.ViewOrigin = {d.x1, d.y1};
    Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 256;
    Scale.FlattenTolerance = 4;
    {
        ScopedProgress progress(TextKey::Count, TextKey::ObjDrawn, CountObjects(), 10);
        try {
            WriteProlog(d);
            SetOutputAdjust(100, 100, false);
            Graph.OutputMode = SvgOutput;
            PatternExportDrawing drawing;
            WriteSvgPatterns(z);
            ClearUsedSymbolMarks();
            WriteSvgObjects(z);
            Line(std::string("</svg>"));
        } catch (const EAbort&) {
            return false;
        }
    }
    if (AbortRequested) {
        ErrorMsg(TextKey::ExportAborted, {}, 0);
        return false;
    }
    return file.Commit();
}

SvgOptions& SvgExportOptions()
{
    return SvgUnit.Options;
}

void ResetExpSvgUnit()
{
    SvgUnit = {};
}

void ExportSvg()
{
    if (!Index.ActiveZmd)
        return;
    SvgOptions& o = SvgUnit.Options;
    if (!IoPorts().RunSvgDialog(o))
        return;
    if (!ConfirmHiddenSymbols())
        return;
    const ExportFormat& f = ExportFormatOf(ExportKind::Svg);
    QString name = ProposedSvgName();
    if (!ExecSaveDialog(ExportTitle(f), ExportFilter(f), f.DefaultExt, f.HelpContext, name))
        return;
    if (!WriteSvgFile(name) || !o.Compress)
        return;
    if (CompressSvgFile(name, ReplaceExtension(name, QStringLiteral(".svgz"))))
        QFile::remove(name);
}

} // namespace zemo
