// Adobe Illustrator drawings (the page part of their PostScript) into the current map: a line
// tokenizer with a memory of the last 8 tokens, not an interpreter. Each style met (layer and
// the operator lines of its paint) names its objects, which keep the undefined symbol; the
// result is centred on the view and left selected for moving.
#pragma once

#include "core/Cord.h"

#include <QByteArray>
#include <QString>

namespace zemo {

// Up to this many imported objects stay selected.
inline constexpr int MaxKeptAiSelection = 200;
// A path holds fewer points than this; every point added checks the room.
inline constexpr int MaxAiPathPoints = 32766;
inline constexpr int MaxAiTextChars = 8192;
inline constexpr int MaxAiPathTextChars = 256;
inline constexpr int AiStyleNameChars = 15;

// The extension, lower-cased, begins with ".ai" and the first line with "%!PS".
bool IsAiFile(const QString& name, const QByteArray& head);

// A parenthesised operand without its parentheses, escapes resolved.
QByteArray DecodeAiString(const QByteArray& token);

// Points of the file to map units (1/72 inch on paper), flag bits clear; false for a value
// that is not a finite number within the map's coordinate range.
bool AiPointToMap(const QByteArray& token, int32_t& out);

// Reads the drawing into the current map, places and selects it as one undo step. Returns
// the number of objects imported. With the file's name, what was read and what was left out
// is said at the end.
int ImportAi(const QByteArray& data, const QString& name = {});

// Registers the importer with File > Import.
void InitImpAiUnit();

} // namespace zemo
