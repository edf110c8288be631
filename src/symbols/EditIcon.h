// The icon editor's engine: a 22 x 22 picture of its own (decoded from the record, encoded
// back on OK), six drawing tools, the 26 colours, turns by a quarter. Positions are icon
// pixels (x right, y down); a shape is drawn by the window system's pixel rules: no
// antialiasing, rectangles and ellipses from the smaller to the larger corner plus one, so
// that both corner pixels are inside, and a line with its end pixel.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRgb>

#include <array>
#include <cstdint>
#include <span>

namespace zemo {

inline constexpr int EditIconHelpContext = 161;

enum class IconTool { Pen, Line, Rect, FullRect, Ellipse, FullEllipse };
inline constexpr int IconToolCount = 6;

// ColorGrid: 13 columns of 2 rows; colour number = column x 2 + row.
inline constexpr int IconColorColumns = 13;
inline constexpr int IconColorRows = 2;
extern const std::array<QRgb, IconColorColumns * IconColorRows> IconEditorColors;

class IconEditor {
public:
    IconEditor();

    // The record's icon (a damaged one decodes white where it breaks off).
    void Load(std::span<const uint8_t> record);
    // The picture into the record's icon field and flag bit 1, in the form the map's format
    // calls for; nothing else of the record changes. False for a record without a field.
    bool Store(std::span<uint8_t> record, int formatVersion) const;

    const QImage& Image() const { return image_; }
    IconTool Tool() const { return tool_; }
    void SetTool(IconTool t);
    int ColorNumber() const { return color_; }
    QRgb Color() const { return IconEditorColors[size_t(color_)]; }
    void SetColorNumber(int n);

    // Mouse in icon pixels; a position outside 0..21 may come from a drag.
    void MouseDown(QPoint at);
    void MouseMove(QPoint at);
    void MouseUp(QPoint at);
    bool Dragging() const { return dragging_; }
    // What the views show: the picture, with the shape being dragged drawn inverted.
    QImage Shown() const;

    void RotateClockwise();
    void RotateCounterClockwise();

    // A shape of the tool from a to b (clamped to the picture) drawn in the colour.
    static void DrawShape(QImage& image, IconTool tool, QPoint a, QPoint b, QRgb color);

private:
    QImage image_;
    IconTool tool_ = IconTool::Pen;
    int color_ = 0;
    bool dragging_ = false;
    QPoint start_;
    QPoint last_;
};

} // namespace zemo
