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
    // Writes the file; later calls draw nothing.
    void Close();

private:
    struct Dc;
    std::unique_ptr<Dc> dc;
};

} // namespace zemo::test
