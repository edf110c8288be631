// Enhanced metafiles written by an independent writer, libEMF, through its drawing calls, so
// that the importer is measured against files it did not shape itself. Plain types only: the
// writer's Windows-style header stays in EmfDrawing.cpp.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zemo::test {

class EmfDrawing {
public:
    using Points = std::vector<std::pair<int, int>>;
    // A picture of this frame (0.01 mm) written to `path` when it closes.
    EmfDrawing(const std::string& path, int left, int top, int right, int bottom);
    ~EmfDrawing();
    EmfDrawing(const EmfDrawing&) = delete;
    EmfDrawing& operator=(const EmfDrawing&) = delete;

    EmfDrawing& MapMode(int mode);
    EmfDrawing& WindowExt(int x, int y);
    EmfDrawing& ViewportExt(int x, int y);
    // A new solid pen of this width selected.
    EmfDrawing& Pen(int width);
    EmfDrawing& Polyline(const Points& pts);
    EmfDrawing& Polygon(const Points& pts);
    EmfDrawing& PolyPolygon(const std::vector<Points>& rings);
    EmfDrawing& Text(int x, int y, const std::u16string& text);
    // An 8-bit text (ExtTextOutA).
    EmfDrawing& TextA(int x, int y, const std::string& text);
    // The world transform m11, m12, m21, m22, dx, dy set.
    EmfDrawing& WorldTransform(float m11, float m12, float m21, float m22, float dx, float dy);
    // The world transform multiplied by this one (mode 2: before it, 3: after it) or reset
    // to the identity (mode 1).
    EmfDrawing& ModifyTransform(float m11, float m12, float m21, float m22, float dx, float dy, int mode);
    // The state saved, and restored to the level given (negative: that many back).
    EmfDrawing& Save();
    EmfDrawing& Restore(int level);
    EmfDrawing& WindowOrg(int x, int y);
    EmfDrawing& ViewportOrg(int x, int y);
    // A stock object (BLACK_PEN 7, NULL_PEN 8, NULL_BRUSH 5, BLACK_BRUSH 4) selected.
    EmfDrawing& Stock(int object);
    EmfDrawing& MoveTo(int x, int y);
    EmfDrawing& LineTo(int x, int y);
    // A path: begun, curves from the current point, its figure closed, ended and filled.
    EmfDrawing& BeginPath();
    EmfDrawing& PolyBezierTo(const Points& pts);
    EmfDrawing& CloseFigure();
    EmfDrawing& EndPathAndFill();
    EmfDrawing& Rectangle(int left, int top, int right, int bottom);
    EmfDrawing& Ellipse(int left, int top, int right, int bottom);
    EmfDrawing& Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
    // Writes the file; later calls draw nothing.
    void Close();

private:
    struct Dc;
    std::unique_ptr<Dc> dc;
};

} // namespace zemo::test
