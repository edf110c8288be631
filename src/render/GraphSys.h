// GraphSys: the one output layer every picture of the map goes through. Painters build a path
// in WorkPoints2 and call a primitive; OutputMode decides whether it becomes device drawing,
// PostScript / Illustrator / SVG text, symbol elements in a buffer, or new map objects.
//
// Device coordinates are kept in double precision and clipped against the widened device
// rectangle before they are rounded, so that nothing saturates and far-away ends keep their
// slopes. Character and font primitives live elsewhere.
#pragma once

#include "core/Cord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Fonts.h"

class QIODevice;

namespace zemo {

class Device;
class TFileClass;
struct DeviceColor;
struct ElementRecord;

// Output modes.
enum OutputModes : int {
    ScreenOutput = 0,
    PrinterOutput = 1,
    BitmapOutput = 2,
    PictureOutput = 3,     // the clipboard picture (an SVG picture here)
    PostScriptOutput = 4,
    IllustratorOutput = 5,
    SvgOutput = 6,
    SymbolElementOutput = 7,
    NewObjectOutput = 8,
};

// Where the text modes' bytes go: a file, or the raw job of a PostScript printer.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void Write(QByteArrayView bytes) = 0;
};

// Through the program's file object (its failures report and abort on their own).
class FileOutputSink final : public OutputSink {
public:
    explicit FileOutputSink(TFileClass& file) : m_file(file) {}
    void Write(QByteArrayView bytes) override;

private:
    TFileClass& m_file;
};

// Any QIODevice (a QFile, a buffer, a printer's raw job).
class IODeviceOutputSink final : public OutputSink {
public:
    explicit IODeviceOutputSink(QIODevice& device) : m_device(device) {}
    void Write(QByteArrayView bytes) override;
    bool Failed() const { return m_failed; }

private:
    QIODevice& m_device;
    bool m_failed = false;
};

inline constexpr int SymbolElementBufferBytes = 4096;
inline constexpr int SymbolElementBufferSlots = 512;
inline constexpr int WorkPointsGrowth = 4096;

// The layer's process-wide state. The caller sets the first group before BeginDrawing.
struct GraphSysState {
    int OutputMode = ScreenOutput;
    Device* OutputDC = nullptr;
    CordRect ClipRect{};
    int CurrentColor = 0;
    uint32_t OutputCmyk = 0;   // C, M, Y, K in half percent, low byte C
    uint32_t GreyCmyk = 0;

    // The colour kind of the output: 0 composite, 2 spot-colour separations (those whose bit
    // is set in OutputSeparations, bit i for separation i), 3 and 4 the printers' kinds.
    int OutputColorMode = 0;
    uint32_t OutputSeparations = 0;
    // The page is printed mirrored top to bottom (the caller turns the view's y scale):
    // texts are drawn as outlines then, so that they turn with it.
    bool Mirror = false;

    // SetOutputAdjust
    int LineWidthCorrection = 100;
    int OutputIntensity = 100;
    bool HatchedAreas = false;
    bool UsePalette = false;

    // Pen and brush caches (valid between BeginDrawing and EndDrawing).
    bool PenOn = false;
    uint32_t PenCmyk = 0;
    int PenWidth = 1;
    int PenStyle = -1;
    bool BrushOn = false;
    uint32_t BrushCmyk = 0;
    bool Drawing = false;

    // The path.
    int WorkPoints2Count = 0;
    std::vector<QPointF> DevicePoints;
    std::vector<int> DeviceRingSizes;

    // Mode 7.
    std::array<uint8_t, SymbolElementBufferBytes> SymbolElementBuffer{};
    int SymbolElementSlots = 0;

    // Screen colour correction.
    std::array<uint8_t, 1024> ScreenGammaTable{};
    std::array<int16_t, 256> ScreenColorTableA{};
    std::array<int16_t, 256> ScreenColorTableB{};
    bool ScreenTablesReady = false;

    // Text modes.
    OutputSink* OutputFile = nullptr;
    bool PsPassThrough = false;
    OutputSink* PsPassThroughTarget = nullptr;  // the printer job in pass-through
    bool SvgPatternCoords = false;
    uint32_t SvgFillCmyk = 0;
    int SvgClipDepth = 0;   // clip groups the reset has to close
    int SvgClipCount = 0;   // clip path ids handed out

    // Mode 8: how new objects reach the map (the store registers it).
    std::function<void(ElementRecord&)> AppendElementHook;
};

extern GraphSysState Graph;

// Back to the start-up state (GreyCmyk set, colour tables from the configuration).
void ResetGraphSysState();
// Unit start: the grey substitute colour and the screen colour tables.
void InitGraphSys();

// ---- Drawing protocol ----
void SetOutputAdjust(int lineWidthCorrection, int outputIntensity, bool hatchedAreas);
void BeginDrawing(bool usePalette);
void EndDrawing();

// ---- Colours ----
void InitScreenColorTables();
uint32_t ScreenCorrectedColor(uint32_t cmyk);
DeviceColor ColorToDevice(uint32_t cmyk);
// There is no palette device on this platform: the screen palette is always none.
void CreateScreenPalette();
void FreeScreenPalette();

// ---- Path ----
void GraphMoveTo(int32_t x, int32_t y);
void GraphLineTo(int32_t x, int32_t y);
// Makes room for n points in WorkPoints2 (grown in steps of 4096).
void EnsureWorkPoints2(int n);
void GraphRotate(int32_t cx, int32_t cy, int angle);
void GraphRotateCosSin(int32_t cx, int32_t cy, double cosA, double sinA);
void CirclePath(int32_t x, int32_t y, int diameter);

// Device form of WorkPoints2 into DevicePoints / DeviceRingSizes: rounded, not saturated.
void PathToDevice(int tolerance);
// A map point on the device, unrounded and unbounded.
QPointF CordToDeviceF(Cord c);

// ---- Primitives ----
void GraphStroke(int width, int lineStyle);
bool GraphFill(bool hatchAllowed);
void GraphFillArea(const Cord* points, int count, bool hatchAllowed);
void GraphDot(int32_t x, int32_t y, int diameter);
void GraphCircle(int32_t x, int32_t y, int width, int diameter);
int GraphClip();
void GraphResetClip();

// ---- Text modes ----
void WriteOutputLine(QByteArrayView line);
// The path in WorkPoints2 as one SVG <path> element, each ring a subpath (no group).
void WriteSvgFillPathElement();
std::string FormatPsLength(int len);
std::string FormatPsPoint(Cord c);
std::string FormatPsDelta(Cord a, Cord b);
std::string FormatAiLength(int len);
std::string FormatAiPoint(Cord c);
std::string FormatSvgLength(int len);
std::string FormatSvgPoint(Cord c);
std::string FormatSvgCentre(Cord c);
std::string SvgColor(uint32_t cmyk);
// PostScript string text: characters are first put into the code page (unmappable ones
// become "?"), so that every escape is one byte of three octal digits.
std::string EscapePsText(const QString& text, int codePage = 1252);

// The text back ends of the primitives (modes 4 to 6), called by the primitives above.
// TextStroke gets the stroke's width and its corrected width (0.01 mm).
void TextSetPen(int width, int lineStyle);
void TextStroke(int width, int correctedWidth, int lineStyle);
bool TextFill(bool holes);
void TextDot(int32_t x, int32_t y, int diameter);
void TextCircle(int32_t x, int32_t y, int width, int diameter);
int TextClip();
void TextResetClip();

// ---- Fonts and characters (GraphSysFont.cpp) ----
// Text is measured in map units from the font's design units through the font size, and drawn
// one character at a time: as device glyphs on the screen and in bitmaps, as the filled glyph
// outline everywhere else.

// Classes of measured characters (below 33 a control character is its own class).
enum TextClass : uint8_t {
    TextEndClass = 0,
    TabClass = 9,
    LineFeedClass = 10,
    CarriageReturnClass = 13,
    SpaceClass = 32,
    GlyphClass = 65,      // shaped: the code is a glyph index
    CharacterClass = 66,  // the code is the character
};

struct MapFontState {
    // Glyph indices stand for characters; always so on this platform.
    bool UnicodePlatform = true;
    // Exporters draw text as outlines also on the screen and in bitmaps.
    bool TextAsOutlines = false;

    QStringList FontNames;   // installed TrueType families
    // The families and faces with their character sets, as text symbols are checked against.
    InstalledFonts Installed;

    // The current font (SelectMapFont) and its face (the measuring font, ApplyMapFont).
    QString FontName;
    int FontSize = 0;        // tenths of a point
    int FontWeight = 400;
    bool FontItalic = false;
    ResolvedFont Font;
    bool MeasuringReady = false;
    QString MeasuringName;
    bool MeasuringBold = false;
    bool MeasuringItalic = false;
    double Factor = 0;       // coordinate units per design unit (f x 256)

    // Metrics of the current font in coordinate units.
    int32_t FontAscent = 0;
    int32_t FontDescent = 0;
    int32_t SpaceWidth = 0;
    int32_t DigitWidth = 0;
    int32_t CapHeight = 0;

    // The measured text (MeasureText), each ended by a class-0 entry.
    std::vector<uint8_t> TextClasses;
    std::vector<uint16_t> TextChars;
    std::vector<int32_t> TextAdvances;

    // The glyph outline (CharOutlinePath): unturned and turned, each sized by the glyph; the
    // framed character strokes its rings from a third buffer.
    std::vector<Cord> CharOutline;
    std::vector<Cord> CharOutlineTurned;
    std::vector<Cord> FrameRing;
    // Outlines of codes from elsewhere than the current font (a made glyph) when set.
    std::function<std::vector<OutlineContour>(uint32_t code)> GlyphSource;
    // The glyphs' contours as they are filled, overlapping ones merged, by face: made once
    // each, since merging tests every pair of a glyph's contours.
    struct FaceOutlines {
        QString file;
        int face = 0;
        std::unordered_map<uint32_t, std::vector<OutlineContour>> glyphs;
    };
    std::vector<FaceOutlines> KeptOutlines;
    size_t KeptGlyphCount = 0;
    // A glyph of the GlyphSource, merged (it may give another outline each time).
    std::vector<OutlineContour> SourceOutline;
    int OutlineAngle = 0;
    double OutlineCos = 1;
    double OutlineSin = 0;

    // Device-font and text-colour caches of the drawing context.
    bool DeviceFontValid = false;
    QString DeviceFontFile;
    int DeviceFontFace = 0;
    double DeviceFontPixels = 0;
    QRawFont DeviceFont;
    bool TextColorValid = false;
    uint32_t TextColorCmyk = 0;
};

extern MapFontState MapFont;

void ResetMapFontState();
// The font lists at start-up; FreeFonts at exit.
void InitFonts();
void FreeFonts();
int CharsetToCodePage(int charset);
int CodePageToCharset(int codePage);
void SelectMapFont(const QString& name, int size, int weight, bool italic);
// A device font handle here is the raw font at the pixel height; name and charset choose it.
QRawFont CreateMapFont(const QString& name, int height, int weight, bool italic);
// Character set and 1 or 2 code bytes of a character; on this platform always set 1, code 0.
void MapUnicodeChar(char16_t ch, int& charset, int& code);
void ApplyMapFont();
int32_t MeasureChar(char32_t ch);
void MeasureText(std::u16string_view text);
void MeasureAnsiText(QByteArrayView text);
// The glyph outline of a measured code (a glyph index on this platform) at (x, y), turned by
// the angle (tenths of a degree) about (x, y): MapFont.CharOutline and CharOutlineTurned.
void CharOutlinePath(int32_t x, int32_t y, int angle, uint32_t code);
void DrawMapChar(int32_t x, int32_t y, int angle, uint32_t code);
void DrawMapCharOutline(int32_t x, int32_t y, int angle, int width, uint32_t code);
// BeginDrawing's reset of the device-font and text-colour caches.
void ResetFontCache();
// EndDrawing's release of the measuring font: the next ApplyMapFont looks the face up again.
void ReleaseMeasuringContext();

} // namespace zemo
