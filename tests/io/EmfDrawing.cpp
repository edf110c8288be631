#include "EmfDrawing.h"

#include <libEMF/emf.h>

namespace zemo::test {

struct EmfDrawing::Dc {
    HDC handle = 0;
    std::vector<HGDIOBJ> made;
};

EmfDrawing::EmfDrawing(const std::string& path, int left, int top, int right, int bottom) : dc(new Dc)
{
    const RECT frame{left, top, right, bottom};
    // The description is two texts, each ended by a zero, and a zero after them.
    dc->handle = CreateEnhMetaFileA(0, path.c_str(), &frame, "zemo\0test\0");
}

EmfDrawing::~EmfDrawing()
{
    Close();
}

EmfDrawing& EmfDrawing::MapMode(int mode)
{
    if (dc->handle)
        SetMapMode(dc->handle, mode);
    return *this;
}

EmfDrawing& EmfDrawing::WindowExt(int x, int y)
{
    if (dc->handle)
        SetWindowExtEx(dc->handle, x, y, nullptr);
    return *this;
}

EmfDrawing& EmfDrawing::ViewportExt(int x, int y)
{
    if (dc->handle)
        SetViewportExtEx(dc->handle, x, y, nullptr);
    return *this;
}

EmfDrawing& EmfDrawing::Pen(int width)
{
    if (dc->handle) {
        HPEN pen = CreatePen(PS_SOLID, width, RGB(0, 0, 0));
        dc->made.push_back(pen);
        SelectObject(dc->handle, pen);
    }
    return *this;
}

namespace {

std::vector<POINT> Win(const EmfDrawing::Points& pts)
{
    std::vector<POINT> out;
    for (auto [x, y] : pts)
        out.push_back(POINT{x, y});
    return out;
}

} // namespace

EmfDrawing& EmfDrawing::Polyline(const Points& pts)
{
    if (dc->handle) {
        const std::vector<POINT> p = Win(pts);
        ::Polyline(dc->handle, p.data(), INT(p.size()));
    }
    return *this;
}

EmfDrawing& EmfDrawing::Polygon(const Points& pts)
{
    if (dc->handle) {
        const std::vector<POINT> p = Win(pts);
        ::Polygon(dc->handle, p.data(), INT(p.size()));
    }
    return *this;
}

EmfDrawing& EmfDrawing::PolyPolygon(const std::vector<Points>& rings)
{
    if (dc->handle) {
        std::vector<POINT> p;
        std::vector<INT> counts;
        for (const Points& r : rings) {
            const std::vector<POINT> w = Win(r);
            p.insert(p.end(), w.begin(), w.end());
            counts.push_back(INT(w.size()));
        }
        ::PolyPolygon(dc->handle, p.data(), counts.data(), UINT(counts.size()));
    }
    return *this;
}

EmfDrawing& EmfDrawing::Text(int x, int y, const std::u16string& text)
{
    if (dc->handle)
        ExtTextOutW(dc->handle, x, y, 0, nullptr, reinterpret_cast<LPCWSTR>(text.data()), UINT(text.size()), nullptr);
    return *this;
}

void EmfDrawing::Close()
{
    if (!dc->handle)
        return;
    HENHMETAFILE m = CloseEnhMetaFile(dc->handle);
    DeleteEnhMetaFile(m);
    for (HGDIOBJ o : dc->made)
        DeleteObject(o);
    dc->handle = 0;
}

} // namespace zemo::test
