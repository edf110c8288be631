#include "io/ExpAi.h"

#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/Work.h"
#include "io/Export.h"
#include "io/Ports.h"
#include "render/Areas.h"
#include "render/GraphSys.h"
#include "render/Points.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"
#include "symbols/Colors.h"
#include "symbols/store/SymbolLayout.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace zemo {

ExpAiState Ai;

namespace {

void Line(const std::string& s) { WriteOutputLine(QByteArrayView(s.data(), qsizetype(s.size()))); }
void Line(const QString& s) { WriteOutputLine(EncodeCodePage(1252, s)); }

std::string Fixed(int digits, double v) { return FloatToPointStr(digits, v).toStdString(); }

// 0.01 mm to points.
double Points(double hundredths) { return hundredths * 72 / 2540; }

int SeparationCount(const TZmd& z)
{
    return std::clamp<int>(z.ColorBlock.SeparationCount, 0, MaxSeparations);
}

std::string Fraction(int halfPercent) { return Fixed(3, halfPercent / 200.0); }

std::string CmykFractions(const std::array<uint8_t, 4>& c)
{
    return Fraction(c[0]) + " " + Fraction(c[1]) + " " + Fraction(c[2]) + " " + Fraction(c[3]);
}

std::string SeparationNameText(const TZmd& z, int s)
{
    return EscapePsText(NameFieldText(z.ColorBlock.Separations[size_t(s)].Name));
}

// The fill and stroke colour lines of a colour in one pass (sep -1: process colours).
std::vector<std::string> ColourLines(const TZmd& z, const ColorRecord& c, int sep)
{
    const std::string overprint = c.Overprint != 0 ? "1" : "0";
    if (sep < 0) {
        const std::string v = CmykFractions(c.Cmyk);
        return {v + " k " + overprint + " O", v + " K " + overprint + " R"};
    }
    const std::string ink = CmykFractions(z.ColorBlock.Separations[size_t(sep)].Cmyk) + " ("
                            + SeparationNameText(z, sep) + ") "
                            + Fixed(3, 1 - c.Separations[size_t(sep)] / 200.0);
    return {ink + " x", ink + " X"};
}

const ColorRecord* ColourOf(const TZmd& z, int number)
{
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    for (int i = 0; i < count; ++i)
        if (z.ColorBlock.Colors[size_t(i)].Number == number)
            return &z.ColorBlock.Colors[size_t(i)];
    return nullptr;
}

// The passes of a colour: one for process colours, one per separation for spot colours.
std::vector<int> PassesOf(const TZmd& z, const ColorRecord& c, bool spot)
{
    return spot ? SpotPasses(c, z.ColorBlock) : std::vector<int>{-1};
}

int Field(const SymbolBytes& rec, size_t offset) { return SymI16(rec, offset); }

bool HatchPatterned(const SymbolBytes& rec)
{
    const int mode = Field(rec, AreaHatchMode);
    return (mode == 1 || mode == 2) && Field(rec, AreaHatchLineWidth) > 0
           && Field(rec, AreaHatchDist) >= 0;
}

bool PointPatterned(const SymbolBytes& rec)
{
    const int mode = Field(rec, AreaStructMode);
    return (mode == 1 || mode == 2) && Field(rec, AreaStructWidth) >= 1
           && Field(rec, AreaStructHeight) >= 1;
}

// The colours of the structure's elements, in element order.
std::vector<int> StructureColours(const SymbolBytes& rec)
{
    std::vector<int> colours;
    const int slots = Field(rec, AreaStructSlots);
    const std::span<const uint8_t> list = std::span(rec).subspan(AreaSymbolFixedBytes, size_t(slots) * 8);
    int slot = 0;
    SymbolElementView e;
    while (NextSymbolElement(list, slots, slot, e))
        if (std::find(colours.begin(), colours.end(), e.Color) == colours.end())
            colours.push_back(e.Color);
    return colours;
}

void BeginPattern(const std::string& name, double width, double height,
                  const std::vector<std::string>& colourLines)
{
    Line("%%BeginPattern: (" + name + ")");
    Line("(" + name + ") 0 0 " + Fixed(2, width) + " " + Fixed(2, height) + " [");
    Line(std::string("("));
    for (const std::string& l : colourLines)
        Line(l);
    Line(std::string(") @"));
    Line(std::string("("));
}

void EndPattern(const std::string& name)
{
    Line(std::string(") &"));
    Line(std::string("] E"));
    Line(std::string("%%EndPattern"));
    ExportPatternNames.Names.insert(name);
}

void WriteHatchPattern(const TZmd& z, const SymbolBytes& rec, int sep)
{
    const int colour = Field(rec, AreaHatchColor);
    const ColorRecord* c = ColourOf(z, colour);
    if (!c)
        return;
    const int width = Field(rec, AreaHatchLineWidth);
    const int64_t period = int64_t(width) + Field(rec, AreaHatchDist);
    const int64_t n = std::max<int64_t>(1, (AiHatchTileMinHeight + period * 256 - 1) / (period * 256));
    const double tileWidth = Points(AiHatchTileWidth / 256.0);
    const std::string name = AiPatternName(SymI16(rec, SymNumber), true, colour, sep);
    BeginPattern(name, tileWidth, Points(double(n * period)), ColourLines(z, *c, sep));
    Line("0 j 0 J " + Fixed(3, Points(width)) + " w");
    for (int64_t k = 0; k < n; ++k) {
        const std::string y = Fixed(2, Points(double(k * period)));
        Line("-0.1 " + y + " m");
        Line(Fixed(2, tileWidth + 0.1) + " " + y + " L");
        Line(std::string("S"));
    }
    EndPattern(name);
}

// The structure's elements of one colour in a tile of one cell (two rows, the second offset
// by half a cell, for offset rows), the cell's origin at the tile's centre.
void WritePointPattern(const TZmd& z, const SymbolBytes& rec, int colour, int sep)
{
    const ColorRecord* c = ColourOf(z, colour);
    if (!c)
        return;
    const int32_t w = Field(rec, AreaStructWidth), h = Field(rec, AreaStructHeight);
    const bool offsetRows = Field(rec, AreaStructMode) == 2;
    const std::string name = AiPatternName(SymI16(rec, SymNumber), false, colour, sep);
    BeginPattern(name, Points(w), Points(offsetRows ? 2.0 * h : h), ColourLines(z, *c, sep));
    const Cord origin = Scale.ViewOrigin;
    const uint8_t* symbol = DrawSymbol;
    const int angle = DrawElement.Angle;
    Scale.ViewOrigin = {-w / 2 * 256, -h / 2 * 256};
    DrawSymbol = rec.data();
    DrawElement.Angle = 0;
    Graph.CurrentColor = colour;
    Graph.PenWidth = -1;
    Graph.PenStyle = -1;
    DrawStructureCell(0, 0);
    if (offsetRows) {
        DrawStructureCell(-w / 2 * 256, h * 256);
        DrawStructureCell((w - w / 2) * 256, h * 256);
    }
    Scale.ViewOrigin = origin;
    DrawSymbol = symbol;
    DrawElement.Angle = int16_t(angle);
    EndPattern(name);
}

bool AreaSymbol(const SymbolBytes& rec)
{
    return SymI16(rec, SymObjectType) == AreaObject && AreaSymbolUsable(rec)
           && (SymU8(rec, SymStatus) & SymbolUsedBit) != 0;
}

void WritePatterns(const TZmd& z, bool spot)
{
    for (const SymbolBytes& rec : z.Symbols)
        if (AreaSymbol(rec) && HatchPatterned(rec))
            if (const ColorRecord* c = ColourOf(z, Field(rec, AreaHatchColor)))
                for (int sep : PassesOf(z, *c, spot))
                    WriteHatchPattern(z, rec, sep);
    for (const SymbolBytes& rec : z.Symbols)
        if (AreaSymbol(rec) && PointPatterned(rec))
            for (int colour : StructureColours(rec))
                if (const ColorRecord* c = ColourOf(z, colour))
                    for (int sep : PassesOf(z, *c, spot))
                        WritePointPattern(z, rec, colour, sep);
    // What follows starts from the pen the line after the patterns sets.
    Graph.PenWidth = 1;
    Graph.PenStyle = -1;
}

std::string LayerName(const TZmd& z, const SymbolBytes& rec, int colour, int sep, bool named)
{
    QString name = TenthsToStr(SymI16(rec, SymNumber)) + u' ' + SymbolDescription(rec) + u' '
                   + QString::number(colour);
    if (named)
        name += u' ' + NameFieldText(z.ColorBlock.Separations[size_t(sep)].Name);
    return EscapePsText(name);
}

// Every colour the objects use, last first; in each, every symbol of the colour that is not
// hidden, in list order; each of its passes a layer of its own when objects fall in it.
void WriteLayers(const TZmd& z, bool spot)
{
    int drawn = 0;
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
        const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
        if (!z.UsedColors.test(c.Number))
            continue;
        // The objects of this colour by their symbol's place in the list.
        std::map<const SymbolBytes*, std::vector<int>> bySymbol;
        StartElementScan(1);
        while (NextElementInRect(Graph.ClipRect, c.Number)) {
            SymbolBytes* rec = nullptr;
            if (GetSymbol(Index.CurIndex.Symbol, rec) && rec)
                bySymbol[rec].push_back(Index.CurIndexNo);
        }
        if (bySymbol.empty())
            continue;
        const std::vector<int> passes = PassesOf(z, c, spot);
        for (const SymbolBytes& rec : z.Symbols) {
            const auto it = bySymbol.find(&rec);
            if (it == bySymbol.end() || (SymU8(rec, SymStatus) & SymbolStatusMask) >= 2)
                continue;
            for (size_t p = 0; p < passes.size() && !AbortRequested; ++p) {
                const int sep = passes[p];
                Graph.CurrentColor = c.Number;
                Graph.OutputSeparations = sep >= 0 ? 1u << sep : 0;
                ExportPatternNames.Separation = sep;
                bool open = false;
                for (int n : it->second) {
                    if (AbortRequested || !ReadElement(n, DrawElement))
                        break;
                    if (!open) {
                        open = true;
                        Line(std::string("%AI5_BeginLayer"));
                        Line(std::string("1 1 1 1 0 0 0 0 0 0 Lb"));
                        Line("(" + LayerName(z, rec, c.Number, sep, spot && passes.size() > 1) + ") Ln");
                        for (const std::string& l : ColourLines(z, c, sep))
                            Line(l);
                    }
                    DrawSymbol = rec.data();
                    DrawObjectByType();
                    if (p == 0) {
                        ++drawn;
                        UpdateProgress(drawn, drawn);
                    }
                    PollExportEscape();
                }
                if (open) {
                    Line(std::string("LB"));
                    Line(std::string("%AI5_EndLayer--"));
                }
            }
        }
    }
    ExportPatternNames.Separation = -1;
}

void WriteHeader(const TZmd& z, const QString& fileName, const CordRect& d, bool spot)
{
    const std::string w = std::to_string(SafeRound((double(d.x2) - d.x1) / 256 / 2540 * 72));
    const std::string h = std::to_string(SafeRound((double(d.y2) - d.y1) / 256 / 2540 * 72));
    Line(std::string("%!PS-Adobe-3.0 EPSF-2.0"));
    Line(QStringLiteral("%%Creator: ZEMO ") + VersionString);
    Line(QStringLiteral("%%Title: ") + SafeCommentText(ExtractFileName(fileName)));
    Line("%%BoundingBox: 0 0 " + w + " " + h);
    Line("%%TemplateBox: 0 0 " + w + " " + h);
    for (const char* l : {"%%DocumentProcessColors: Cyan Magenta Yellow Black",
                          "%%DocumentNeededResources: procset Adobe_level2_AI5 1.2 0",
                          "%%+ procset Adobe_ColorImage_AI6 1.1 0",
                          "%%+ procset Adobe_Illustrator_AI5 1.0 0",
                          "%%+ procset Adobe_pattern_AI5 1.0 0", "%AI5_FileFormat 3",
                          "%AI3_ColorUsage: Color"})
        Line(std::string(l));
    if (spot)
        for (int s = 0; s < SeparationCount(z); ++s)
            Line(std::string(s == 0 ? "%%DocumentCustomColors: (" : "%%+ (") + SeparationNameText(z, s) + ")");
    for (const char* l : {"%%EndComments", "%%BeginProlog",
                          "%%IncludeResource: procset Adobe_level2_AI5 1.2 0",
                          "%%IncludeResource: procset Adobe_ColorImage_AI6 1.1 0",
                          "%%IncludeResource: procset Adobe_Illustrator_AI5 1.0 0",
                          "%%IncludeResource: procset Adobe_pattern_AI5 1.0 0", "%%EndProlog",
                          "%%BeginSetup", "Adobe_level2_AI5 /initialize get exec",
                          "Adobe_Illustrator_AI5_vars Adobe_Illustrator_AI5 Adobe_pattern_AI5 /initialize get exec",
                          "Adobe_ColorImage_AI6 /initialize get exec",
                          "Adobe_Illustrator_AI5 /initialize get exec", "%%EndSetup"})
        Line(std::string(l));
}

const ExportFormat& AiFormat()
{
    static const ExportFormat f{QStringLiteral(".ai"), TextKey::ExportAI, {}, TextKey::AiFiles,
                                QStringLiteral("(*.ai)|*.ai|"), QStringLiteral("ai"),
                                ExpAiHelpContext};
    return f;
}

} // namespace

void ResetExpAiUnit()
{
    Ai = ExpAiState{};
}

std::vector<int> SpotPasses(const ColorRecord& c, const SymbolHeaderBlock& block)
{
    std::vector<std::pair<double, int>> order;
    const int seps = std::clamp<int>(block.SeparationCount, 0, MaxSeparations);
    for (int s = 0; s < seps; ++s) {
        const int p = c.Separations[size_t(s)];
        if (p > 200)
            continue;
        const auto& ink = block.Separations[size_t(s)].Cmyk;
        const double darkness = (0.3 * ink[0] + 0.59 * ink[1] + 0.11 * ink[2] + ink[3]) / 200 * p;
        order.emplace_back(darkness, s);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<int> passes;
    for (const auto& [darkness, s] : order)
        passes.push_back(s);
    return passes;
}

void ExportAi()
{
    if (!Index.ActiveZmd)
        return;
    TZmd& z = *Index.ActiveZmd;
    CordRect d;
    if (!GetFullExtent(d))
        d = {};
    const QString proposed = GetExportFileName(QStringLiteral(".ai"));
    AiOptions o;
    o.SpotAllowed = SeparationCount(z) > 0;
    o.SpotColors = Ai.SpotColors && o.SpotAllowed;
    if (!IoPorts().RunAiDialog(o))
        return;
    Ai.SpotColors = o.SpotColors;
    const bool spot = o.SpotColors && o.SpotAllowed;
    QString name;
    if (!AskExportFileName(AiFormat(), name, proposed))
        return;
    AbortRequested = false;
    SavedOutputState saved;
    ExportFile file;
    if (!file.Begin(name))
        return;
    Graph.OutputFile = &file;
    Graph.OutputColorMode = CompositeColors;
    Graph.ClipRect = d;
    Scale.DrawRect = d;
    Scale.ViewOrigin = {d.x1, d.y1};
    Scale.ViewScaleX = Scale.ViewScaleY = 1.0 / 256;
    Scale.FlattenTolerance = 4;
    {
        ScopedProgress progress(TextKey::Exporting, TextKey::ObjDrawn, CountObjects(), 10);
        try {
            WriteHeader(z, name, d, spot);
            SetOutputAdjust(100, 100, false);
            Graph.OutputMode = IllustratorOutput;
            PatternExportDrawing drawing;
            WritePatterns(z, spot);
            ClearUsedSymbolMarks();
            Line("1 j " + Fixed(2, 72.0 / 2540) + " w");
            WriteLayers(z, spot);
            Line(std::string("%%Trailer"));
        } catch (const EAbort&) {
            return;
        }
    }
    if (AbortRequested) {
        ErrorMsg(TextKey::ExportAborted, {}, 0);
        return;
    }
    file.Commit();
}

} // namespace zemo
