// The byte layout of the symbol records, one table per record: offsets are those of the record
// as the map file stores it, all numbers little-endian, lengths in 0.01 mm, font sizes in
// tenths of a point, angles in tenths of a degree. Every record starts with the common head;
// the part of its type follows at SymTypePart. Read and write the fields through SymI16 and
// its siblings (SymbolRecords.h), never by casting.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zemo {

// A string[n] field: a length byte, then n bytes of 8-bit text.
inline constexpr size_t String31Bytes = 32;

// ---- Common head, 348 bytes, first in every record ----
//   offset  size  meaning
//        0     2  i16 size of the record in bytes
//        2     2  i16 symbol number x 10
//        4     2  i16 object type (ObjectType: 1 point .. 5 rectangle)
//        6     1  u8 1 for text and line-text symbols, else 0
//        7     1  u8 flags: SymRotatableFlag, CompressedIconFlag
//        8     2  i16 extent, the largest reach from an object's points
//       10     1  u8 selected in the symbol box (memory only)
//       11     1  u8 bits 0-2 status (0 normal, 1 protected, 2 hidden), bit 4 used (memory only)
//       12     1  u8 preferred drawing tool
//       13     1  u8 course-setting role
//       14     1  u8 course-object type; versions 6 and 7 keep a u16 framing width at 14
//       15     1  u8 control-description columns a point symbol may stand in
//       16     4  i32 file position of the record (memory only), 0 = not yet placed
//       20    32  colour set, bit n % 8 of byte n / 8 for colour n
//       52    32  description, string[31]
//       84   264  icon (IconCodec.h)
inline constexpr size_t SymSize = 0;
inline constexpr size_t SymNumber = 2;
inline constexpr size_t SymObjectType = 4;
inline constexpr size_t SymTextFlag = 6;
inline constexpr size_t SymFlags = 7;
inline constexpr size_t SymExtent = 8;
inline constexpr size_t SymSelected = 10;
inline constexpr size_t SymStatus = 11;
inline constexpr size_t SymTool = 12;
inline constexpr size_t SymCsRole = 13;
inline constexpr size_t SymCsType = 14;
inline constexpr size_t SymOldFramingWidth = 14;
inline constexpr size_t SymCdColumns = 15;
inline constexpr size_t SymFilePos = 16;
inline constexpr size_t SymColorSet = 20;
inline constexpr size_t SymColorSetBytes = 32;
inline constexpr size_t SymDescription = 52;
inline constexpr size_t SymIcon = 84;
inline constexpr size_t IconFieldBytes = 264;
inline constexpr int SymbolHeadBytes = 348;
inline constexpr size_t SymTypePart = SymbolHeadBytes;

inline constexpr uint8_t SymRotatableFlag = 0x01;
inline constexpr uint8_t CompressedIconFlag = 0x02;

// ---- SymbolElement, the unit of the element lists (point graphics, line and area lists) ----
// A list is measured in 8-byte slots; an element takes (Cords + 2) slots.
//   offset  size  meaning
//        0     2  u16 kind (SymbolElementKind)
//        2     2  u16 line style
//        4     2  u16 colour number
//        6     2  u16 line width
//        8     2  u16 diameter
//       10     2  i16 number of Cords (negative ends the list)
//       12     4  unused
//       16  8 x n Cords: i32 x, i32 y, 1/256 of 0.01 mm with flags
inline constexpr size_t ElemKind = 0;
inline constexpr size_t ElemStyle = 2;
inline constexpr size_t ElemColor = 4;
inline constexpr size_t ElemWidth = 6;
inline constexpr size_t ElemDiameter = 8;
inline constexpr size_t ElemCount = 10;
inline constexpr size_t ElemCords = 16;
inline constexpr size_t StoredCordBytes = 8;
inline constexpr size_t StoredCordY = 4;

inline constexpr int SymbolElementHeadSlots = 2;
inline constexpr int MaxElementListSlots = 512;

enum SymbolElementKind : int {
    ElementLine = 1,
    ElementArea = 2,
    ElementCircle = 3,
    ElementDot = 4,
};

// ---- Point symbol, object type 1: 352 bytes and its element list ----
//   offset  size  meaning
//      348     2  i16 slots of the element list (at most MaxElementListSlots)
//      350     2  i16 0; records written before it existed lack this word
//      352  8 x n SymbolElements of the graphics
inline constexpr size_t PointSymbolSlotsOffset = 348;
inline constexpr size_t PointSymbolPad = 350;
inline constexpr int PointSymbolFixedBytes = 352;   // where the element list starts

// ---- Line symbol, object type 2 with SymTextFlag 0: 424 bytes and five element lists ----
//   offset  size  meaning
//      348     2  i16 main line colour
//      350     2  i16 main line width
//      352     2  i16 line style bits: 1 style 1, 4 style 2, PointedEndsBit
//      354     2  i16 distance from the start (line shortened)
//      356     2  i16 distance to the end
//      358     2  i16 main length (dash length)
//      360     2  i16 end length
//      362     2  i16 main gap
//      364     2  i16 secondary gap
//      366     2  i16 end gap
//      368     2  i16 minimum number of gaps or symbols, -1..1
//      370     2  i16 main symbols in a group, 0..5
//      372     2  i16 distance between the main symbols of a group
//      374     2  i16 double-line mode, 0 none
//      376     2  i16 double-line fill: 1 on
//      378     2  i16 double-line fill colour
//      380     2  i16 left line colour
//      382     2  i16 right line colour
//      384     2  i16 double-line width between the side lines
//      386     2  i16 left line width
//      388     2  i16 right line width
//      390     2  i16 dash length of the side lines
//      392     2  i16 gap of the side lines
//      394     6  kept as stored
//      400     2  i16 decrease mode: 0 off, 1 single, 2 double
//      402     2  i16 last width in % of the normal size
//      404     2  kept as stored
//      406     2  i16 framing colour
//      408     2  i16 framing width
//      410     2  i16 framing style bits: 1 style 1, 4 style 2
//      412    10  5 x i16 slots of the main, secondary, corner, start and end lists
//      422     2  i16 0; records written before it existed lack this word
//      424  8 x n the five lists of SymbolElements back to back, in that order
inline constexpr size_t LsLineColor = 348;
inline constexpr size_t LsLineWidth = 350;
inline constexpr size_t LsLineStyleBits = 352;
inline constexpr size_t LsDistFromStart = 354;
inline constexpr size_t LsDistToEnd = 356;
inline constexpr size_t LsMainLength = 358;
inline constexpr size_t LsEndLength = 360;
inline constexpr size_t LsMainGap = 362;
inline constexpr size_t LsSecGap = 364;
inline constexpr size_t LsEndGap = 366;
inline constexpr size_t LsMinSym = 368;
inline constexpr size_t LsNPrimSym = 370;
inline constexpr size_t LsPrimSymDist = 372;
inline constexpr size_t LsDblMode = 374;
inline constexpr size_t LsDblFlags = 376;
inline constexpr size_t LsDblFillColor = 378;
inline constexpr size_t LsDblLeftColor = 380;
inline constexpr size_t LsDblRightColor = 382;
inline constexpr size_t LsDblWidth = 384;
inline constexpr size_t LsDblLeftWidth = 386;
inline constexpr size_t LsDblRightWidth = 388;
inline constexpr size_t LsDblLength = 390;
inline constexpr size_t LsDblGap = 392;
inline constexpr size_t LsDecMode = 400;
inline constexpr size_t LsDecLast = 402;
inline constexpr size_t LsFrColor = 406;
inline constexpr size_t LsFrWidth = 408;
inline constexpr size_t LsFrStyle = 410;
inline constexpr size_t LsMainSymCount = 412;   // then one i16 per list, LineSymbolList order
inline constexpr size_t LsListsPad = 422;
inline constexpr size_t LsElementLists = 424;
inline constexpr int LineSymbolFixedBytes = int(LsElementLists);

inline constexpr int PointedEndsBit = 2;
// The five element lists, in record order.
enum LineSymbolList : int { MainSymList, SecSymList, CornerSymList, StartSymList, EndSymList };
inline constexpr int LineSymbolListCount = 5;

// ---- Area symbol, object type 3: 380 bytes and the structure's element list ----
//   offset  size  meaning
//      348     2  kept as stored
//      350     2  i16 fill on: -1 on, 0 off
//      352     2  i16 fill colour
//      354     2  i16 hatch mode: 0 none, 1 single, 2 cross
//      356     2  i16 hatch colour
//      358     2  i16 hatch line width
//      360     2  i16 hatch line distance
//      362     2  i16 angle of the first hatch
//      364     2  i16 angle of the second hatch
//      366     2  kept as stored
//      368     2  i16 structure mode: 0 none, 1 rectangular, 2 offset rows
//      370     2  i16 structure cell width
//      372     2  i16 structure cell height
//      374     2  i16 structure angle
//      376     2  kept as stored
//      378     2  i16 slots of the structure's element list (at most MaxElementListSlots)
//      380  8 x n SymbolElements of one structure cell
inline constexpr size_t AreaFillOn = 350;
inline constexpr size_t AreaFillColor = 352;
inline constexpr size_t AreaHatchMode = 354;
inline constexpr size_t AreaHatchColor = 356;
inline constexpr size_t AreaHatchLineWidth = 358;
inline constexpr size_t AreaHatchDist = 360;
inline constexpr size_t AreaHatchAngle1 = 362;
inline constexpr size_t AreaHatchAngle2 = 364;
inline constexpr size_t AreaStructMode = 368;
inline constexpr size_t AreaStructWidth = 370;
inline constexpr size_t AreaStructHeight = 372;
inline constexpr size_t AreaStructAngle = 374;
inline constexpr size_t AreaStructSlots = 378;
inline constexpr int AreaSymbolFixedBytes = 380;    // where the element list starts

// ---- Text symbol, object type 4 with SymTextFlag 1: 588 bytes ----
//   offset  size  meaning
//      348    32  font name, string[31]
//      380     2  i16 font colour
//      382     2  i16 font size
//      384     2  i16 weight: 700 bold, 400 normal
//      386     1  u8 italic
//      387     1  u8 character set of the font
//      388     2  i16 character spacing, % of the space character
//      390     2  i16 word spacing, % of the space character
//      392     2  i16 alignment: 0 left, 1 centre, 2 right, 3 justified
//      394     2  i16 line spacing, % of the font size
//      396     2  i16 space after a paragraph
//      398     2  i16 indent of the first line
//      400     2  i16 indent of the other lines
//      402     2  i16 number of tab positions, 0..32
//      404   128  32 x i32 tab positions, ascending
//      532     2  i16 line below: -1 on, 0 off
//      534     2  i16 line-below colour
//      536     2  i16 line-below width
//      538     2  i16 distance of the line below from the text
//      540     2  kept as stored
//      542     1  u8 framing mode: 0 off, 1 shadow, 2 line, 3 rectangle
//      543     1  u8 0
//      544    32  0; versions 6 and 7 keep the framing font name here, string[31]
//      568     2  i16 rectangle border left
//      570     2  i16 rectangle border bottom
//      572     2  i16 rectangle border right
//      574     2  i16 rectangle border top
//      576     2  i16 framing colour
//      578     2  i16 framing width (line mode)
//      580     4  kept as stored
//      584     2  i16 shadow offset x, to the right along the text
//      586     2  i16 shadow offset y, up
inline constexpr size_t TsFontName = 348;
inline constexpr size_t TsTextColor = 380;
inline constexpr size_t TsFontSize = 382;
inline constexpr size_t TsFontWeight = 384;
inline constexpr size_t TsItalic = 386;
inline constexpr size_t TsCharset = 387;
inline constexpr size_t TsCharSpacing = 388;
inline constexpr size_t TsWordSpacing = 390;
inline constexpr size_t TsAlignment = 392;
inline constexpr size_t TsLineSpacing = 394;
inline constexpr size_t TsParaSpace = 396;
inline constexpr size_t TsFirstIndent = 398;
inline constexpr size_t TsOtherIndent = 400;
inline constexpr size_t TsTabCount = 402;
inline constexpr size_t TsTabs = 404;
inline constexpr size_t TsLineBelowOn = 532;
inline constexpr size_t TsLineBelowColor = 534;
inline constexpr size_t TsLineBelowWidth = 536;
inline constexpr size_t TsLineBelowDist = 538;
inline constexpr size_t TsFramingMode = 542;
inline constexpr size_t TsFramingPad = 543;
inline constexpr size_t TsOldFramingFont = 544;
inline constexpr size_t TsFrameLeft = 568;
inline constexpr size_t TsFrameBottom = 570;
inline constexpr size_t TsFrameRight = 572;
inline constexpr size_t TsFrameTop = 574;
inline constexpr size_t TsFramingColor = 576;
inline constexpr size_t TsFramingWidth = 578;
inline constexpr size_t TsShadowX = 584;
inline constexpr size_t TsShadowY = 586;
inline constexpr size_t TextSymbolBytes = 588;

inline constexpr int MaxTabPositions = 32;

// ---- Line-text symbol, object type 2 with SymTextFlag 1: 440 bytes ----
// The fields +348 to +393 are those of the text symbol (TsFontName .. TsAlignment), the
// alignment along the line: 0 left, 1 centre, 2 right, 3 spread.
//   offset  size  meaning
//      394     1  u8 framing mode: 0 off, 1 shadow, 2 line
//      395     1  u8 0
//      396    32  0; versions 6 and 7 keep the framing font name here, string[31]
//      428     2  i16 framing colour
//      430     2  i16 framing width
//      432     4  kept as stored
//      436     2  i16 shadow offset x, along the line
//      438     2  i16 shadow offset y, across it
inline constexpr size_t LtFramingMode = 394;
inline constexpr size_t LtFramingPad = 395;
inline constexpr size_t LtOldFramingFont = 396;
inline constexpr size_t LtFramingColor = 428;
inline constexpr size_t LtFramingWidth = 430;
inline constexpr size_t LtShadowX = 436;
inline constexpr size_t LtShadowY = 438;
inline constexpr size_t LineTextSymbolBytes = 440;

// ---- Rectangle symbol, object type 5: 416 bytes ----
//   offset  size  meaning
//      348     2  i16 line colour
//      350     2  i16 line width
//      352     2  i16 corner radius
//      354     2  i16 grid flags: RectGridOnBit, RectNumberFromBottomBit
//      356     2  i16 cell width
//      358     2  i16 cell height
//      360     4  kept as stored
//      364     2  i16 number of unnumbered cells
//      366     4  text written in the unnumbered cells, string[3]
//      370    46  kept as stored
inline constexpr size_t RectLineColor = 348;
inline constexpr size_t RectLineWidth = 350;
inline constexpr size_t RectCornerRadius = 352;
inline constexpr size_t RectGridFlags = 354;
inline constexpr size_t RectCellWidth = 356;
inline constexpr size_t RectCellHeight = 358;
inline constexpr size_t RectUnnumberedCells = 364;
inline constexpr size_t RectUnnumberedText = 366;
inline constexpr size_t RectUnnumberedTextBytes = 4;
inline constexpr int RectSymbolBytes = 416;

inline constexpr int RectGridOnBit = 1;
inline constexpr int RectNumberFromBottomBit = 4;

} // namespace zemo
