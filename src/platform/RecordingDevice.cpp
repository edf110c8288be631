#include "platform/RecordingDevice.h"

#include <QImage>
#include <QRawFont>
#include <charconv>
#include <cmath>

namespace zemo {

namespace {

void appendNumber(std::string& out, double v)
{
    if (v == 0)
        v = 0; // no "-0"
    // Shortest plain decimals (no exponent) read best in golden text.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    out.append(buf, res.ptr);
}

void appendPoint(std::string& out, QPointF p)
{
    appendNumber(out, p.x());
    out += ',';
    appendNumber(out, p.y());
}

void appendBox(std::string& out, const QRectF& r)
{
    appendPoint(out, r.topLeft());
    out += ',';
    appendPoint(out, r.bottomRight());
}

std::string colorText(DeviceColor c)
{
    return "rgb(" + std::to_string(c.r) + ',' + std::to_string(c.g) + ',' + std::to_string(c.b) + ')';
}

const char* hatchName(HatchStyle h)
{
    switch (h) {
    case HatchStyle::Horizontal: return "horizontal";
    case HatchStyle::Vertical: return "vertical";
    case HatchStyle::FDiagonal: return "fdiagonal";
    case HatchStyle::BDiagonal: return "bdiagonal";
    case HatchStyle::Cross: return "cross";
    case HatchStyle::DiagCross: return "diagcross";
    }
    return "?";
}

} // namespace

RecordingDevice::RecordingDevice(QSize size, bool canXor) : m_size(size), m_canXor(canXor) {}

std::string RecordingDevice::text() const
{
    std::string all;
    for (const std::string& line : m_lines)
        all += line + '\n';
    return all;
}

void RecordingDevice::setPen(const DevicePen& pen)
{
    if (pen.style == PenStyle::Null) {
        m_lines.emplace_back("pen null");
        return;
    }
    std::string line = pen.style == PenStyle::Dot ? "pen dot " : "pen solid ";
    appendNumber(line, pen.width);
    line += ' ' + colorText(pen.color);
    line += pen.join == PenJoin::Round ? " round" : pen.join == PenJoin::Mitre ? " mitre" : " bevel";
    line += pen.cap == PenCap::Round ? " round" : pen.cap == PenCap::Square ? " square" : " flat";
    if (pen.insideFrame)
        line += " frame";
    m_lines.push_back(std::move(line));
}

void RecordingDevice::setBrush(const DeviceBrush& brush)
{
    switch (brush.style) {
    case BrushStyle::Null: m_lines.emplace_back("brush null"); return;
    case BrushStyle::Solid: m_lines.push_back("brush solid " + colorText(brush.color)); return;
    case BrushStyle::Hatch:
        m_lines.push_back(std::string("brush hatch ") + hatchName(brush.hatch) + ' ' + colorText(brush.color));
        return;
    }
}

void RecordingDevice::setBrushOrigin(QPoint origin)
{
    std::string line = "brushorigin ";
    appendPoint(line, origin);
    m_lines.push_back(std::move(line));
}

void RecordingDevice::setBackground(BackgroundMode mode, DeviceColor color)
{
    m_lines.push_back(std::string("background ") +
                      (mode == BackgroundMode::Opaque ? "opaque " : "transparent ") + colorText(color));
}

bool RecordingDevice::setRasterOp(RasterOp op)
{
    const bool ok = op == RasterOp::Copy || m_canXor;
    m_lines.emplace_back(op == RasterOp::Copy ? "rop copy" : ok ? "rop xor" : "rop xor refused");
    return ok;
}

void RecordingDevice::setFillRule(FillRule rule)
{
    m_lines.emplace_back(rule == FillRule::OddEven ? "fillrule oddeven" : "fillrule winding");
}

void RecordingDevice::setAntialiasing(bool on)
{
    m_lines.emplace_back(on ? "antialias on" : "antialias off");
}

void RecordingDevice::save()
{
    ++m_depth;
    m_lines.emplace_back("save");
}

void RecordingDevice::restore()
{
    if (m_depth == 0) {
        m_lines.emplace_back("restore unmatched");
        return;
    }
    --m_depth;
    m_lines.emplace_back("restore");
}

void RecordingDevice::setBaseClip(const QRegion& region)
{
    std::string line = "baseclip";
    if (region.isEmpty())
        line += " empty";
    for (const QRect& r : region) {
        line += ' ';
        appendBox(line, QRectF(r));
    }
    m_lines.push_back(std::move(line));
}

void RecordingDevice::clearBaseClip() { m_lines.emplace_back("baseclip none"); }

bool RecordingDevice::usePath(const char* what)
{
    const bool ok = m_pathState == PathState::Ended;
    if (ok)
        m_pathState = PathState::None;
    m_lines.push_back(std::string(what) + (ok ? "" : " refused"));
    return ok;
}

bool RecordingDevice::clipToPath() { return usePath("clippath"); }

void RecordingDevice::resetClip() { m_lines.emplace_back("resetclip"); }

void RecordingDevice::beginPath()
{
    m_pathState = PathState::Open;
    m_lines.emplace_back("beginpath");
}

void RecordingDevice::endPath()
{
    if (m_pathState == PathState::Open)
        m_pathState = PathState::Ended;
    m_lines.emplace_back("endpath");
}

bool RecordingDevice::strokePath() { return usePath("strokepath"); }

bool RecordingDevice::fillPath() { return usePath("fillpath"); }

void RecordingDevice::polyline(std::span<const QPointF> points)
{
    std::string line = "polyline";
    for (QPointF p : points) {
        line += ' ';
        appendPoint(line, p);
    }
    m_lines.push_back(std::move(line));
}

void RecordingDevice::polygon(std::span<const QPointF> points, std::span<const int> ringSizes)
{
    size_t total = 0;
    bool valid = true;
    for (int n : ringSizes) {
        if (n < 0)
            valid = false;
        else
            total += static_cast<size_t>(n);
    }
    if (!valid || (!ringSizes.empty() && total != points.size())) {
        m_lines.emplace_back("polygon refused");
        return;
    }
    std::string line = "polygon";
    size_t at = 0;
    size_t ring = 0;
    size_t left = ringSizes.empty() ? points.size() : 0;
    for (QPointF p : points) {
        while (left == 0 && ring < ringSizes.size()) {
            if (at > 0)
                line += " |";
            left = static_cast<size_t>(ringSizes[ring++]);
        }
        line += ' ';
        appendPoint(line, p);
        --left;
        ++at;
    }
    m_lines.push_back(std::move(line));
}

void RecordingDevice::ellipse(const QRectF& box)
{
    std::string line = "ellipse ";
    appendBox(line, box);
    m_lines.push_back(std::move(line));
}

void RecordingDevice::rectangle(const QRectF& box)
{
    std::string line = "rectangle ";
    appendBox(line, box);
    m_lines.push_back(std::move(line));
}

void RecordingDevice::setPixel(QPoint at, DeviceColor color)
{
    std::string line = "pixel ";
    appendPoint(line, at);
    line += ' ' + colorText(color);
    m_lines.push_back(std::move(line));
}

void RecordingDevice::drawGlyphs(const QRawFont& font, std::span<const uint32_t> glyphs,
                                 std::span<const QPointF> positions, QPointF origin,
                                 double angleDegrees, DeviceColor color)
{
    std::string line = "glyphs \"" + font.familyName().toStdString() + "\" ";
    appendNumber(line, font.pixelSize());
    line += " at ";
    appendPoint(line, origin);
    line += " angle ";
    appendNumber(line, angleDegrees);
    line += ' ' + colorText(color);
    if (glyphs.size() != positions.size()) {
        m_lines.push_back(line + " refused");
        return;
    }
    for (size_t i = 0; i < glyphs.size(); ++i) {
        line += ' ' + std::to_string(glyphs[i]) + '@';
        appendPoint(line, positions[i]);
    }
    m_lines.push_back(std::move(line));
}

void RecordingDevice::drawImage(const QRectF& target, const QImage& image, const QRect& source)
{
    std::string line = "image ";
    appendBox(line, target);
    line += " from ";
    appendBox(line, QRectF(source));
    line += " of " + std::to_string(image.width()) + 'x' + std::to_string(image.height());
    m_lines.push_back(std::move(line));
}

} // namespace zemo
