#include "io/PrintRange.h"

#include "core/Config.h"
#include "core/Numeric.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "io/Ports.h"
#include "io/PrintSys.h"

#include <algorithm>
#include <cmath>

namespace zemo {

namespace {

constexpr double CordPerMm = 25600;
// The preview draws no more page outlines than this.
constexpr int64_t MaxPreviewPages = 10000;

int16_t OverlapOf(double mm)
{
    const double v = std::nearbyint(mm * 100);
    return int16_t(std::isfinite(v) ? std::clamp(v, 0.0, MaxPageOverlapMm * 100) : 0);
}

} // namespace

PrintRangeEdit::PrintRangeEdit(const SetupRecord& setup) : setup_(setup) {}

PrintRangeFields PrintRangeEdit::Fields() const
{
    const CordRect& r = setup_.PrintRange;
    return {r.x1 / CordPerMm, r.x2 / CordPerMm, r.y1 / CordPerMm, r.y2 / CordPerMm,
            setup_.PrintOverlapX / 100.0, setup_.PrintOverlapY / 100.0};
}

CordRect PrintRangeEdit::RectOf(const PrintRangeFields& f)
{
    return {MmToCord(f.Left), MmToCord(f.Bottom), MmToCord(f.Right), MmToCord(f.Top)};
}

void PrintRangeEdit::Store(const PrintRangeFields& f)
{
    setup_.PrintRange = RectOf(f);
    setup_.PrintOverlapX = OverlapOf(f.HorOverlap);
    setup_.PrintOverlapY = OverlapOf(f.VerOverlap);
}

TextKey PrintRangeEdit::CheckOrder(const PrintRangeFields& f)
{
    return ExportRangeEdit::CheckOrder({f.Left, f.Right, f.Bottom, f.Top});
}

PrintRangeFields PrintRangeEdit::EntireMap(const PrintRangeFields& shown) const
{
    PrintRangeFields f = shown;
    CordRect e;
    if (!GetFullExtent(e))
        return f;
    f.Left = e.x1 / CordPerMm;
    f.Right = e.x2 / CordPerMm;
    f.Bottom = e.y1 / CordPerMm;
    f.Top = e.y2 / CordPerMm;
    return f;
}

PrintRangeFields PrintRangeEdit::OnePage(const PrintRangeFields& shown) const
{
    PrintRangeFields f = shown;
    const PrintPageLayout l = Layout(shown);
    // The centre in whole 0.01 mm, then the page kept within the map area.
    const auto place = [](double lo, double hi, int page, double& from, double& to) {
        const double sum = std::nearbyint((lo + hi) * 100);
        const int64_t hundredths = std::isfinite(sum) ? int64_t(std::clamp(sum, -1e12, 1e12)) : 0;
        int64_t c = hundredths / 2 * 256;
        const int64_t half = int64_t(page) * 128;
        c = std::min(c, int64_t(MapAreaLimit) - half);
        c = std::max(c, -int64_t(MapAreaLimit) + half);
        from = double(c - half) / CordPerMm;
        to = double(c + half) / CordPerMm;
    };
    place(shown.Left, shown.Right, l.PageWidth, f.Left, f.Right);
    place(shown.Bottom, shown.Top, l.PageHeight, f.Bottom, f.Top);
    return f;
}

QString PrintRangeEdit::PageSizeText() const
{
    return QString::number(PrintSys.HORZSIZE) + QStringLiteral(" x ") + QString::number(PrintSys.VERTSIZE)
         + QStringLiteral(" mm");
}

QString PrintRangeEdit::PrintSizeText(const PrintRangeFields& f) const
{
    const CordRect r = RectOf(f);
    const double ratio = PrintRatioOf(setup_);
    const double w = ratio * (double(r.x2) - r.x1) / CordPerMm;
    const double h = ratio * (double(r.y2) - r.y1) / CordPerMm;
    return FloatToFixedStr(1, w) + QStringLiteral(" x ") + FloatToFixedStr(1, h) + QStringLiteral(" mm");
}

PrintPageLayout PrintRangeEdit::Layout(const PrintRangeFields& f) const
{
    SetupRecord s = setup_;
    const CordRect r = RectOf(f);
    return LayOutPrintPages(PrintRatioOf(s), PrintSys.LOGPIXELSX, PrintSys.LOGPIXELSY, PrintSys.HORZSIZE,
                            PrintSys.VERTSIZE, OverlapOf(f.HorOverlap), OverlapOf(f.VerOverlap), r);
}

PrintRangePicture PrintRangeEdit::Picture(const PrintRangeFields& f, QSize box) const
{
    PrintRangePicture p;
    const CordRect rect = RectOf(f);
    CordRect e;
    if (!GetFullExtent(e))
        e = rect;
    const PrintPageLayout l = Layout(f);
    const double pw = double(l.PageWidth) * 256, ph = double(l.PageHeight) * 256;
    double span = std::max(double(e.x2) - e.x1 + 2 * pw, double(e.y2) - e.y1 + 2 * ph);
    Cord centre = PrintRectCentre(e);
    if (span >= double(MaxPreviewSpan)) {
        span = double(MaxPreviewSpan);
        centre = {0, 0};
    }
    span = std::max(span, 1.0);
    p.Span = span;
    p.Centre = centre;
    const double bw = box.width(), bh = box.height();
    const auto at = [&](double x, double y) {
        return QPointF(std::nearbyint((x - centre.x) / span * bw + bw / 2),
                       std::nearbyint(bh / 2 - (y - centre.y) / span * bh));
    };
    const auto rectOf = [&](double x1, double y1, double x2, double y2) {
        return QRectF(at(x1, y2), at(x2, y1)).normalized();
    };
    p.Extent = rectOf(e.x1, e.y1, e.x2, e.y2);
    p.PrintRect = rectOf(rect.x1, rect.y1, rect.x2, rect.y2);
    if (int64_t(l.Across) * l.Down > MaxPreviewPages)
        return p;
    const Cord middle = PrintRectCentre(rect);
    for (int c = 0; c < l.Across; ++c)
        for (int r = 0; r < l.Down; ++r) {
            const Cord m = PageCentreOf(l, middle, c, r);
            const QRectF page = rectOf(m.x - pw / 2, m.y - ph / 2, m.x + pw / 2, m.y + ph / 2);
            // The top-left corner folded over.
            const double k = (bw < bh ? page.width() : page.height()) / 4;
            const double left = page.left(), right = page.right(), top = page.top(), bottom = page.bottom();
            p.Pages.push_back(QPolygonF({QPointF(left, top + k), QPointF(left, bottom), QPointF(right, bottom),
                                         QPointF(right, top), QPointF(left + k, top), QPointF(left, top + k)}));
            p.Folds.push_back(QPolygonF({QPointF(left + k, top), QPointF(left + k, top + k), QPointF(left, top + k)}));
        }
    return p;
}

RangeAnswer EditPrintRange()
{
    SetupRecord* s = Stp();
    if (!s)
        return RangeAnswer::Cancel;
    PrintRangeEdit edit(*s);
    const RangeAnswer answer = IoPorts().RunPrintRangeDialog(edit);
    if (answer == RangeAnswer::Cancel)
        return answer;
    SetupRecord edited = *s;
    edited.PrintRange = edit.Setup().PrintRange;
    edited.PrintOverlapX = edit.Setup().PrintOverlapX;
    edited.PrintOverlapY = edit.Setup().PrintOverlapY;
    StoreSetup(edited);
    if (answer == RangeAnswer::Define)
        ProgramConfig.WorkMode = WorkModes::PrintRange;
    return answer;
}

} // namespace zemo
