// The text modes of the output layer: PostScript (4), Adobe Illustrator (5) and SVG (6).
#include "render/GraphSys.h"

#include "core/CodePage.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "core/StringX.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>

namespace zemo {

namespace {

constexpr char Q = '"';

std::string IntText(double v)
{
    const double r = std::nearbyint(v);
    if (!(r > -9.0e18 && r < 9.0e18))
        return "0";
    return std::to_string(static_cast<long long>(r));
}

std::string Fixed2(double v) { return FloatToPointStr(2, v).toStdString(); }

// Positions leave the flag bits out.
double DevX(Cord c) { return std::nearbyint(double(int64_t(Masked(c.x)) - Scale.ViewOrigin.x) * Scale.ViewScaleX); }
double DevY(Cord c) { return std::nearbyint(double(int64_t(Masked(c.y)) - Scale.ViewOrigin.y) * Scale.ViewScaleY); }

const Cord* Points() { return WorkPoints2.data(); }
int PointCount() { return std::clamp(Graph.WorkPoints2Count, 0, int(WorkPoints2.size())); }

void Line(const std::string& s) { WriteOutputLine(QByteArrayView(s.data(), qsizetype(s.size()))); }

const char* JoinText(int style)
{
    return style == 1 ? "1 j 1 J" : style == 4 ? "0 j 0 J" : "2 j 0 J";
}

bool IsCurveAt(const Cord* p, int n, int i) { return (p[i].x & FirstBezierFlag) && i < n - 2; }

void WritePsPath()
{
    const Cord* p = Points();
    const int n = PointCount();
    if (n == 0)
        return;
    Line("n " + FormatPsPoint(p[0]) + "m");
    for (int i = 1; i < n;) {
        if (p[i].y & HoleFlag) {
            Line(FormatPsPoint(p[i]) + "m");
            ++i;
        } else if (IsCurveAt(p, n, i)) {
            Line(FormatPsDelta(p[i - 1], p[i]) + FormatPsDelta(p[i - 1], p[i + 1])
                 + FormatPsDelta(p[i - 1], p[i + 2]) + "c");
            i += 3;
        } else {
            Line(FormatPsDelta(p[i - 1], p[i]) + "l");
            ++i;
        }
    }
}

// A curve from point i (its first control point); "C" where its end is a corner or the last.
std::string AiCurve(const Cord* p, int n, int i)
{
    const bool smooth = !(p[i + 2].y & CornerFlag) && i + 2 != n - 1;
    return FormatAiPoint(p[i]) + FormatAiPoint(p[i + 1]) + FormatAiPoint(p[i + 2])
           + (smooth ? "c" : "C");
}

void WriteAiPath()
{
    const Cord* p = Points();
    const int n = PointCount();
    if (n == 0)
        return;
    Line(FormatAiPoint(p[0]) + "m");
    for (int i = 1; i < n;) {
        if (IsCurveAt(p, n, i)) {
            Line(AiCurve(p, n, i));
            i += 3;
        } else {
            Line(FormatAiPoint(p[i]) + "L");
            ++i;
        }
    }
}

void WriteAiFillPath()
{
    const Cord* p = Points();
    const int n = PointCount();
    if (n == 0)
        return;
    bool holes = false;
    for (int i = 1; i < n; ++i)
        holes = holes || (p[i].y & HoleFlag);
    if (holes) {
        Line("*u");
        Line("1 XR");
    }
    Cord ringStart = p[0];
    Line(FormatAiPoint(p[0]) + "m");
    for (int i = 1; i < n;) {
        if (p[i].y & HoleFlag) {
            Line(FormatAiPoint(ringStart) + "L");
            Line("f");
            Line(FormatAiPoint(p[i]) + "m");
            ringStart = p[i];
            ++i;
        } else if (IsCurveAt(p, n, i)) {
            Line(AiCurve(p, n, i));
            i += 3;
        } else {
            Line(FormatAiPoint(p[i]) + "L");
            ++i;
        }
    }
    Line(FormatAiPoint(ringStart) + "L");
    Line("f");
    if (holes)
        Line("*U");
}

// A path command and its point, appended to the letter: a literal put in front of a
// temporary string makes gcc 12 warn of overlapping copies that cannot happen.
std::string SvgCommand(const char* command, Cord c)
{
    std::string s(command);
    s += FormatSvgPoint(c);
    return s;
}

std::string SvgCurve(const Cord* p, int i)
{
    return SvgCommand("C", p[i]) + " " + FormatSvgPoint(p[i + 1]) + " " + FormatSvgPoint(p[i + 2]);
}

// "<path " up to the closing quote; the caller ends the element.
void WriteSvgStrokePathBody()
{
    const Cord* p = Points();
    const int n = PointCount();
    Line("<path ");
    Line(std::string("d=") + Q);
    if (n > 0)
        Line(SvgCommand("M", p[0]));
    for (int i = 1; i < n;) {
        if (IsCurveAt(p, n, i)) {
            Line(SvgCurve(p, i));
            i += 3;
        } else {
            Line(SvgCommand("L", p[i]));
            ++i;
        }
    }
    Line(std::string(1, Q) + " />");
}

void WriteSvgStrokePath()
{
    WriteSvgStrokePathBody();
    Line("</g>");
}

void WriteSvgFillPathBody()
{
    const Cord* p = Points();
    const int n = PointCount();
    Line("<path ");
    if (n == 0) {
        Line(std::string("d=") + Q + Q + " />");
        return;
    }
    Line(std::string("d=") + Q + "M" + FormatSvgPoint(p[0]));
    Cord ringStart = p[0];
    bool afterCurve = false;
    for (int i = 1; i < n;) {
        if (p[i].y & HoleFlag) {
            Line(SvgCommand("L", ringStart));
            Line(SvgCommand("M", p[i]));
            ringStart = p[i];
            afterCurve = false;
            ++i;
        } else if (IsCurveAt(p, n, i)) {
            Line(SvgCurve(p, i));
            afterCurve = true;
            i += 3;
        } else {
            Line(SvgCommand(afterCurve ? "L" : "", p[i]) + " ");
            afterCurve = false;
            ++i;
        }
    }
    Line(std::string(1, Q) + " />");
}

} // namespace

void WriteSvgFillPathElement() { WriteSvgFillPathBody(); }

// ---- Output ----

void WriteOutputLine(QByteArrayView line)
{
    if (Graph.OutputMode == PostScriptOutput && Graph.PsPassThrough) {
        OutputSink* job = Graph.PsPassThroughTarget;
        if (!job)
            return;
        // Pass-through frames: a 16-bit length (low byte first) and that many bytes. A line
        // too long for one frame goes out in several.
        QByteArray payload = line.toByteArray() + "\r\n";
        for (qsizetype at = 0; at < payload.size();) {
            const qsizetype len = std::min<qsizetype>(payload.size() - at, 0xFFFF);
            QByteArray frame;
            frame.reserve(len + 2);
            frame.append(char(len & 0xFF));
            frame.append(char((len >> 8) & 0xFF));
            frame.append(payload.constData() + at, len);
            job->Write(frame);
            at += len;
        }
        return;
    }
    if (Graph.OutputFile)
        Graph.OutputFile->Write(line.toByteArray() + "\r\n");
}

// ---- Number formats ----

std::string FormatPsLength(int len) { return IntText(len * Scale.ViewScaleX * 256) + " "; }

std::string FormatPsPoint(Cord c) { return IntText(DevX(c)) + " " + IntText(DevY(c)) + " "; }

std::string FormatPsDelta(Cord a, Cord b)
{
    return IntText(DevX(b) - DevX(a)) + " " + IntText(DevY(b) - DevY(a)) + " ";
}

std::string FormatAiLength(int len) { return Fixed2(len * Scale.ViewScaleX * 256 * 72 / 2540) + " "; }

std::string FormatAiPoint(Cord c)
{
    const double x = double(int64_t(Masked(c.x)) - Scale.ViewOrigin.x) * Scale.ViewScaleX * 72 / 2540;
    const double y = double(int64_t(Masked(c.y)) - Scale.ViewOrigin.y) * Scale.ViewScaleY * 72 / 2540;
    return Fixed2(x) + " " + Fixed2(y) + " ";
}

std::string FormatSvgLength(int len) { return Fixed2(len * Scale.ViewScaleX * 256 / 100); }

std::string FormatSvgPoint(Cord c)
{
    const int64_t cx = Masked(c.x), cy = Masked(c.y);
    const double x = double(cx - Scale.ViewOrigin.x) * Scale.ViewScaleX / 100;
    double y;
    if (Graph.SvgPatternCoords)
        y = double(cy - Scale.ViewOrigin.y) * Scale.ViewScaleY / 100;
    else
        y = (double(int64_t(Scale.DrawRect.y2) - Scale.DrawRect.y1)
             + double(int64_t(Scale.ViewOrigin.y) - cy))
            * Scale.ViewScaleY / 100;
    return Fixed2(x) + "," + Fixed2(y);
}

std::string FormatSvgCentre(Cord c)
{
    const std::string xy = FormatSvgPoint(c);
    const size_t comma = xy.find(',');
    return std::string("cx=") + Q + xy.substr(0, comma) + Q + " cy=" + Q + xy.substr(comma + 1) + Q;
}

std::string SvgColor(uint32_t cmyk)
{
    const uint32_t rgb = CmykToRgb(cmyk);
    return "rgb(" + std::to_string(rgb & 0xFF) + "," + std::to_string((rgb >> 8) & 0xFF) + ","
           + std::to_string((rgb >> 16) & 0xFF) + ")";
}

std::string EscapePsText(const QString& text, int codePage)
{
    const QByteArray bytes = EncodeCodePage(codePage, text);
    std::string out;
    out.reserve(size_t(bytes.size()));
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '(' || b == ')' || b == '\\') {
            out += '_';
        } else if (b < 32 || b >= 127) {
            out += '\\';
            out += char('0' + ((b >> 6) & 7));
            out += char('0' + ((b >> 3) & 7));
            out += char('0' + (b & 7));
        } else {
            out += char(b);
        }
    }
    return out;
}

// ---- Primitives ----

void TextSetPen(int width, int lineStyle)
{
    switch (Graph.OutputMode) {
    case PostScriptOutput:
        Line(FormatPsLength(width) + "w " + JoinText(lineStyle));
        break;
    case IllustratorOutput:
        if (width != Graph.PenWidth) {
            Line(FormatAiLength(width) + "w");
            Graph.PenWidth = width;
        }
        if (lineStyle != Graph.PenStyle) {
            Line(JoinText(lineStyle));
            Graph.PenStyle = lineStyle;
        }
        break;
    case SvgOutput:
        Line(std::string("<g stroke-width=") + Q + FormatSvgLength(width) + Q);
        if (lineStyle == 1)
            Line(std::string("style=") + Q + "&stR;" + Q);
        else if (lineStyle != 4)
            Line(std::string("style=") + Q + "&stB;" + Q);
        Line(">");
        break;
    default:
        break;
    }
}

void TextStroke(int width, int correctedWidth, int lineStyle)
{
    switch (Graph.OutputMode) {
    case PostScriptOutput:
        TextSetPen(std::max(correctedWidth, 1), lineStyle);
        WritePsPath();
        Line("S");
        break;
    case IllustratorOutput:
        TextSetPen(width, lineStyle);
        WriteAiPath();
        Line("S");
        break;
    case SvgOutput:
        TextSetPen(width, lineStyle);
        WriteSvgStrokePath();
        break;
    default:
        break;
    }
}

bool TextFill(bool holes)
{
    const int n = PointCount();
    switch (Graph.OutputMode) {
    case PostScriptOutput:
        if (holes || n > 128)
            return false;
        WritePsPath();
        Line("f");
        return true;
    case IllustratorOutput:
        if (n > 32768)
            return false;
        WriteAiFillPath();
        return true;
    case SvgOutput:
        if (n > 32768)
            return false;
        // Odd-even, so that holes stay open whichever way their rings run.
        Line(std::string("<g fill=") + Q + SvgColor(Graph.SvgFillCmyk) + Q + " fill-rule=" + Q
             + "evenodd" + Q + " >");
        WriteSvgFillPathBody();
        Line("</g>");
        return true;
    default:
        return true;
    }
}

void TextDot(int32_t x, int32_t y, int d)
{
    switch (Graph.OutputMode) {
    case PostScriptOutput:
        Line(FormatPsPoint({x, y}) + FormatPsLength(d / 2) + "d");
        break;
    case IllustratorOutput:
        CirclePath(x, y, d);
        WriteAiPath();
        Line("f");
        break;
    case SvgOutput:
        Line("<circle " + FormatSvgCentre({x, y}) + " r=" + Q + FormatSvgLength(d / 2) + Q
             + " fill=" + Q + SvgColor(Graph.SvgFillCmyk) + Q + " />");
        break;
    default:
        break;
    }
}

void TextCircle(int32_t x, int32_t y, int width, int diameter)
{
    switch (Graph.OutputMode) {
    case PostScriptOutput:
        TextSetPen(width, 0);
        Line(FormatPsPoint({x, y}) + FormatPsLength(diameter / 2 - width / 2) + "ci");
        break;
    case IllustratorOutput:
        TextSetPen(width, 1);
        CirclePath(x, y, diameter - width);
        WriteAiPath();
        Line("s");
        break;
    case SvgOutput:
        TextSetPen(width, 1);
        CirclePath(x, y, diameter - width);
        WriteSvgStrokePath();
        break;
    default:
        break;
    }
}

int TextClip()
{
    switch (Graph.OutputMode) {
    case PostScriptOutput:
        WritePsPath();
        Line("cl");
        break;
    case IllustratorOutput:
        Line("q");
        WriteAiPath();
        Line(FormatAiPoint(Points()[0]) + "L");
        Line("h");
        Line("W");
        Line("n");
        Line("u");
        break;
    case SvgOutput: {
        // A real clip path; the group it opens is closed by the reset.
        const std::string id = "clip" + std::to_string(++Graph.SvgClipCount);
        Line(std::string("<clipPath id=") + Q + id + Q + " >");
        WriteSvgFillPathBody();
        Line("</clipPath>");
        Line(std::string("<g clip-path=") + Q + "url(#" + id + ")" + Q + " >");
        ++Graph.SvgClipDepth;
        break;
    }
    default:
        break;
    }
    return 1;
}

void TextResetClip()
{
    switch (Graph.OutputMode) {
    case PostScriptOutput:
        Line("re");
        break;
    case IllustratorOutput:
        Line("U");
        Line("Q");
        break;
    case SvgOutput:
        if (Graph.SvgClipDepth > 0) {
            Line("</g>");
            --Graph.SvgClipDepth;
        }
        break;
    default:
        break;
    }
}

} // namespace zemo
