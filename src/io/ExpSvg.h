// ExpSvg: File > Export SVG (its menu item stays hidden; the command works). One SVG 1.0
// document sized in centimetres with a millimetre view box: the hatch and structure patterns
// of the area symbols in use, then the objects grouped by colour, last colour first, and
// symbol, drawn by the painters in the output layer's SVG mode. "Compress SVG" turns it into
// a ".svgz" (gzip around raw deflate at the best level) and removes the ".svg".
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

namespace zemo {

struct SvgOptions {
    bool Compress = true;
};

// Text made safe inside an XML attribute: "&", "<", ">" and '"' become references.
std::string EscapeXmlText(const std::string& text);

// The gzip file of `data`: header, raw deflate at level 9, CRC-32 and length. Empty data
// gives an empty file.
QByteArray GzipBytes(const QByteArray& data);
// Writes `target` from the whole of `source`; false after the message when either fails.
bool CompressSvgFile(const QString& source, const QString& target);

// The document of the current map into `name`. False when stopped or failed.
bool WriteSvgFile(const QString& name);

SvgOptions& SvgExportOptions();
void ResetExpSvgUnit();

// File > Export SVG.
void ExportSvg();

} // namespace zemo
