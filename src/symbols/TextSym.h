// The text symbol editor's records: the working copy, the record built back from it with its
// derived fields, the font rules the text and line-text editors share (the capital height,
// the weight), the tab list, and the previews of the font, the paragraph and the line below.
#pragma once

#include "symbols/SymEdit.h"

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QPainter;
class QRectF;

namespace zemo {

struct ResolvedFont;

// The dialog's pages and their help contexts, in page order.
enum TextSymbolPage : int { TsGeneralPage, TsParagraphPage, TsTabPage, TsLineBelowPage, TsFramingPage };
inline constexpr std::array<int, 5> TextSymbolHelpContexts = {95, 238, 239, 240, 96};

// Ranges of the fields: sizes in tenths of a point, lengths in 0.01 mm, spacings in percent.
inline constexpr int TextSizeMin = 10;
inline constexpr int TextSizeMax = 10000;
inline constexpr int TextCharHeightMax = 50000;
inline constexpr int TextSpacingMax = 9999;
inline constexpr int LineSpacingMin = 20;
inline constexpr int LineSpacingMax = 1000;
inline constexpr int ParaSpaceMin = -500;
inline constexpr int ParaSpaceMax = 5000;
inline constexpr int IndentMax = 5000;
inline constexpr int TabPositionMax = 50000;
inline constexpr int LineBelowWidthMax = 2000;
inline constexpr int LineBelowDistMax = 5000;
inline constexpr int FrameBorderMax = 2000;   // -20.00 .. 20.00 mm
inline constexpr int FramingWidthMax = 2000;
inline constexpr int ShadowOffsetMax = 2000;  // -20.00 .. 20.00 mm
inline constexpr int TextAlignEntries = 4;

// Framing modes (+542 of a text symbol, +394 of a line-text symbol).
enum TextFramingMode : int { FramingOff, FramingShadow, FramingLine, FramingRect };

// Course-setting role (+13) and the entries of the course-object type list (+14).
inline constexpr uint8_t CsTextRole = 1;
inline constexpr uint8_t CsCourseTitleType = 5;
inline constexpr uint8_t CsStartNumberType = 6;
int CsTextTypeEntry(int stored);   // 6 shows the start number, anything else the title
int CsTextTypeOfEntry(int entry);

// Weights: a stored weight above 550 shows bold; bold stores 700, normal 400.
inline constexpr int16_t BoldWeight = 700;
inline constexpr int16_t NormalWeight = 400;
inline bool ShowsBold(int weight) { return weight > 550; }
inline int16_t StoredWeight(bool bold) { return bold ? BoldWeight : NormalWeight; }

// The font name of a text or line-text record, as written (8-bit text).
QString SymbolFontName(std::span<const uint8_t> rec);
void SetSymbolFontName(std::span<uint8_t> rec, const QString& name);

// ---- The capital height ----
// The black box of "A" in design units over units per em, in 0.01 mm per tenth of a point (the
// em is the character height the map's fonts are made with): the same on every screen. 0 for
// a font without an "A" of its own (a symbol font).
double CapitalHeightPerTenth(const ResolvedFont& f);
double CapitalHeightPerTenth(const QString& font, int weight, bool italic);
// The height of a capital letter in 0.01 mm at a size in tenths of a point.
int CapitalHeight(const QString& font, int size, int weight, bool italic);
int CapitalHeightOfSize(double perTenth, int size);
// The size (tenths of a point) whose capitals are `height` high; none for a font without
// capitals, whose size then stays as it is.
std::optional<int> SizeForCapitalHeight(double perTenth, int height);

// ---- Tabs ----
// The stored positions; a count outside 0..32 is taken within it.
std::vector<int32_t> ReadTabs(std::span<const uint8_t> rec);
// Inserts in ascending order; false (nothing changes) for 0, a position already there or a
// 33rd one.
bool AddTab(std::vector<int32_t>& tabs, int32_t position);
// Count and positions, the slots behind the last position zero.
void WriteTabs(std::span<uint8_t> rec, const std::vector<int32_t>& tabs);

// ---- The record ----
SymbolEditSession OpenTextSymbol(const SymbolBytes* rec, int pos,
                                 std::span<const int16_t> numberTable);
// Colour set (font colour, line-below colour while on, framing colour while framed; negative
// colours left out) and extent (the font's line height plus twice a line framing, at most
// 32767).
void CalcTextSymbolInfo(std::span<uint8_t> rec);
// The record to store: size 588, type 4, byte +6 1, +544 0 and the derived fields.
SymbolBytes BuildTextSymbol(const SymbolEditSession& s);

void EditTextSymbol(const SymbolBytes* rec, int pos);

// ---- Previews ----
// The screen colour of a map colour (screen-corrected); black for a number the map lacks.
QColor ScreenColorOf(int colorNumber);

struct FontSample {
    QString font;
    int size = 120;       // tenths of a point
    int weight = NormalWeight;
    bool italic = false;
    int charSpace = 0;    // % of the space
    int wordSpace = 100;
    QColor color = Qt::black;
    double dpi = 96;      // pixels per inch of the device painted on
};
// The sample text in the font at its size on the device, centred in the box, clipped to it.
void PaintFontSample(QPainter& p, const QRectF& box, const FontSample& s);

struct ParagraphSample {
    int alignment = 0;    // TextAlign entry
    int lineSpacing = 120;
    int paraSpace = 0;    // 0.01 mm
    int firstIndent = 0;
    int otherIndent = 0;
};
// Two paragraphs of a sample word in Arial, laid out as the fields say (lengths at a reduced
// scale), in black.
void PaintParagraphSample(QPainter& p, const QRectF& box, const ParagraphSample& s);

struct LineBelowSample {
    bool on = true;
    int width = 0;        // 0.01 mm
    int distance = 0;
    QColor color = Qt::black;
};
// A sample word with the line below it at its width and distance (at the paragraph preview's
// scale).
void PaintLineBelowSample(QPainter& p, const QRectF& box, const LineBelowSample& s);

} // namespace zemo
