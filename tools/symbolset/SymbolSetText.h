// Symbol-set maps made from a readable text description.
//
// The symbol sets that File > New offers are kept as text (resources/symbolsets/*.txt) so
// that they can be reviewed and changed; the build turns each into a version-8 map file
// through the map store. A description holds the map's type, scale and information text,
// the colour table in CMYK and the symbols with their fields by name:
//
//   map
//     type normal | course
//     scale 15000
//     info "a line of the information text"      (repeatable; lines joined by CR LF)
//   end
//   color 0 "Purple" cmyk 0 100 0 0 overprint    (table order = drawing order, first on top)
//   symbol 101.0 line "Contour"
//     color Brown                                 (a colour by name or number)
//     width 0.14                                  (lengths in mm)
//   end
//
// See resources/symbolsets/README.txt for every field of every symbol type.
#pragma once

#include "symbols/store/SymbolRecords.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zemo {

struct SymbolSetError {
    QString File;
    int Line = 0;
    QString Message;
    // "file:line: message"
    QString Text() const;
};

struct SymbolSetDescription {
    uint16_t FileType = 2;       // 2 ordinary map, 3 course-setting map
    double Scale = 15000.0;
    std::string Info;            // 8-bit text, lines joined by CR LF
    SymbolHeaderBlock Colors;
    std::vector<SymbolBytes> Symbols;  // complete records with derived fields, no icons yet
};

// Parses a description. On failure `error` says where (the first fault only) and the
// result is false.
bool ParseSymbolSet(std::string_view text, const QString& fileName, SymbolSetDescription& out,
                    SymbolSetError& error);

// A 22 x 22 picture of the symbol's look in the colours of the table. Text pictures need a
// QGuiApplication for their glyphs; without one a bar stands for the text.
QImage DrawSymbolIcon(std::span<const uint8_t> rec, const SymbolHeaderBlock& colors);

// Writes the set as a version-8 map file through the map store: a temporary file beside
// `path`, renamed over it when complete. False with a message on failure.
bool WriteSymbolSetMap(const SymbolSetDescription& set, const QString& path, QString& error);

} // namespace zemo
