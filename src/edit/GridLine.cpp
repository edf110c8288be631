#include "edit/GridLine.h"

#include "core/Element.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "render/RectClip.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zemo {

namespace {

// Whole hundredths of a millimetre as coordinate units.
int64_t MmToUnits(double mm)
{
    return int64_t(SafeRound(mm * 100)) * UnitsPerHundredthMm;
}

} // namespace

void GridLineDefaults(GridLineValues& v)
{
    const SetupRecord* s = Stp();
    if (!s)
        return;
    if (s->RealWorldCoords != 0 && s->MapScale > 0) {
        v.HorDistMm = s->RealWorldGridDistance / s->MapScale * 1000;
        v.Degrees = s->RealWorldAngle;
    } else {
        v.HorDistMm = s->PaperGridDistance;
        v.Degrees = 0;
    }
    v.VerDistMm = v.HorDistMm;
}

bool GridLineSymbolOk()
{
    const SymbolBytes* s = CurrentSymbolRecord();
    return s && SymI16(*s, SymObjectType) == LineObject && SymU8(*s, SymTextFlag) == 0;
}

bool AppendGridPiece(const Cord* points, int count)
{
    ElementRecord& e = CurElement;
    if (count < 2 || count > MaxElementItems)
        return false;
    std::copy(points, points + count, e.Cords());
    e.nItem = uint16_t(count);
    e.nText = 0;
    if (!AppendElement())
        return false;
    ToggleSelection(Index.CurIndexNo);
    RedrawCurrent(false);
    return true;
}

int CreateGridLinesWith(const GridLineValues& v)
{
    const SymbolBytes* sym = CurrentSymbolRecord();
    if (!Index.ActiveZmd || !sym)
        return 0;
    // A map without objects and shown templates has no area to cover.
    CordRect area;
    const bool hasArea = GetFullExtent(area);
    DropSelection();
    int made = 0;
    {
        UndoSuspend noUndo;
        const int64_t x0 = MmToUnits(v.HorOffsetMm), y0 = MmToUnits(v.VerOffsetMm);
        const double a = v.Degrees / 180 * std::numbers::pi;
        const double s = std::sin(a), c = std::cos(a);
        InitElement(CurElement, SymI16(*sym, SymNumber), LineObject, 2, 0, 0);
        bool failed = false;
        const auto piece = [&](const Cord* points, int count) {
            if (!failed && AppendGridPiece(points, count))
                ++made;
            else
                failed = true;
        };
        // One family: 2 n + 1 parallels d mm apart through the offset point, turned about it.
        const auto family = [&](double d, bool horizontal) {
            if (!(d > 0))
                return;
            const int n = SafeRound(2000 / d * 3);
            for (int k = -n; k <= n && !failed; ++k) {
                const int64_t across = MmToUnits(k * d);
                Cord line[2];
                if (horizontal) {
                    line[0] = {int32_t(x0 - GridLineHalfLength), int32_t(y0 + across)};
                    line[1] = {int32_t(x0 + GridLineHalfLength), int32_t(y0 + across)};
                } else {
                    line[0] = {int32_t(x0 + across), int32_t(y0 - GridLineHalfLength)};
                    line[1] = {int32_t(x0 + across), int32_t(y0 + GridLineHalfLength)};
                }
                RotatePoints(int32_t(x0), int32_t(y0), line, 2, c, s, line);
                ClipLineToRect(line, 2, area, piece);
            }
        };
        if (hasArea && v.HorLines)
            family(v.VerDistMm, true);
        if (hasArea && v.VerLines)
            family(v.HorDistMm, false);
    }
    // Once for the run: a flush a line would wait for the disk hundreds of times.
    FlushMapFile();
    // One step takes every new line back.
    RecordUndo(UndoStart, 0);
    RecordUndo(UndoAddMany, -1);
    ClearSelection();
    return made;
}

void CreateGridLines()
{
    if (!Index.ActiveZmd)
        return;
    if (!GridLineSymbolOk()) {
        ErrorMsg(TextKey::LineSymRequired);
        return;
    }
    GridLineValues v;
    if (EditPorts().RunGridLineDialog(v))
        CreateGridLinesWith(v);
}

} // namespace zemo
