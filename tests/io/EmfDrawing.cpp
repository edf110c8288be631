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

EmfDrawing& EmfDrawing::TextA(int x, int y, const std::string& text)
{
    if (dc->handle)
        ExtTextOutA(dc->handle, x, y, 0, nullptr, text.c_str(), UINT(text.size()), nullptr);
    return *this;
}

EmfDrawing& EmfDrawing::WorldTransform(float m11, float m12, float m21, float m22, float dx, float dy)
{
    if (dc->handle) {
        const XFORM x{m11, m12, m21, m22, dx, dy};
        SetWorldTransform(dc->handle, &x);
    }
    return *this;
}

EmfDrawing& EmfDrawing::ModifyTransform(float m11, float m12, float m21, float m22, float dx, float dy, int mode)
{
    if (dc->handle) {
        const XFORM x{m11, m12, m21, m22, dx, dy};
        ModifyWorldTransform(dc->handle, &x, DWORD(mode));
    }
    return *this;
}

EmfDrawing& EmfDrawing::Save()
{
    if (dc->handle)
        SaveDC(dc->handle);
    return *this;
}

EmfDrawing& EmfDrawing::Restore(int level)
{
    if (dc->handle)
        RestoreDC(dc->handle, level);
    return *this;
}

EmfDrawing& EmfDrawing::WindowOrg(int x, int y)
{
    if (dc->handle)
        SetWindowOrgEx(dc->handle, x, y, nullptr);
    return *this;
}

EmfDrawing& EmfDrawing::ViewportOrg(int x, int y)
{
    if (dc->handle)
        SetViewportOrgEx(dc->handle, x, y, nullptr);
    return *this;
}

EmfDrawing& EmfDrawing::Stock(int object)
{
    if (dc->handle)
        SelectObject(dc->handle, GetStockObject(object));
    return *this;
}

EmfDrawing& EmfDrawing::MoveTo(int x, int y)
{
    if (dc->handle)
        MoveToEx(dc->handle, x, y, nullptr);
    return *this;
}

EmfDrawing& EmfDrawing::LineTo(int x, int y)
{
    if (dc->handle)
        ::LineTo(dc->handle, x, y);
    return *this;
}

EmfDrawing& EmfDrawing::BeginPath()
{
    if (dc->handle)
        ::BeginPath(dc->handle);
    return *this;
}

EmfDrawing& EmfDrawing::PolyBezierTo(const Points& pts)
{
    if (dc->handle) {
        const std::vector<POINT> p = Win(pts);
        ::PolyBezierTo(dc->handle, p.data(), DWORD(p.size()));
    }
    return *this;
}

EmfDrawing& EmfDrawing::CloseFigure()
{
    if (dc->handle)
        ::CloseFigure(dc->handle);
    return *this;
}

EmfDrawing& EmfDrawing::EndPathAndFill()
{
    if (dc->handle) {
        ::EndPath(dc->handle);
        ::FillPath(dc->handle);
    }
    return *this;
}

EmfDrawing& EmfDrawing::Rectangle(int left, int top, int right, int bottom)
{
    if (dc->handle)
        ::Rectangle(dc->handle, left, top, right, bottom);
    return *this;
}

EmfDrawing& EmfDrawing::Ellipse(int left, int top, int right, int bottom)
{
    if (dc->handle)
        ::Ellipse(dc->handle, left, top, right, bottom);
    return *this;
}

EmfDrawing& EmfDrawing::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2)
{
    if (dc->handle)
        ::Arc(dc->handle, left, top, right, bottom, x1, y1, x2, y2);
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
