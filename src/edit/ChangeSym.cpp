#include "edit/ChangeSym.h"

#include "core/CodePage.h"
#include "core/Setup.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/MapTrans.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "symbols/store/SymbolScale.h"

#include <algorithm>
#include <memory>

namespace zemo {

namespace {

// The paper grid distance the setup keeps on reading (mm).
constexpr double MinPaperGrid = 0.05;
constexpr double MaxPaperGrid = 100;

QString LayerNameOf(const ElementRecord& e)
{
    const int length = std::min<int>(e.LayerName[0], int(e.LayerName.size()) - 1);
    return DecodeCodePage(0, reinterpret_cast<const char*>(e.LayerName.data() + 1), length);
}

bool Matches(const ElementRecord& e, const ChangeSymValues& v)
{
    if (v.ByLayer)
        return e.Symbol < 0 && LayerNameOf(e) == v.Layer;
    return e.Symbol == v.From;
}

} // namespace

ChangeSymValues ChangeSymDefaults()
{
    ChangeSymValues v;
    if (Index.SelectedIndex > 0) {
        const auto e = std::make_unique<ElementRecord>();
        if (ReadElement(Index.SelectedIndex, *e)) {
            const QString layer = LayerNameOf(*e);
            if (e->Symbol < 0 && !layer.isEmpty()) {
                v.ByLayer = true;
                v.Layer = layer;
            } else {
                v.From = std::max<int>(e->Symbol, 0);
            }
        }
    }
    if (const SymbolBytes* s = CurrentSymbolRecord())
        v.To = SymI16(*s, SymNumber);
    return v;
}

bool ChangeObjectSymbolTo(ElementRecord& e, int to, int toType)
{
    const int from = e.ObjectType;
    if (from == LineObject && toType == AreaObject) {
        e.ObjectType = AreaObject;
    } else if (from == AreaObject && toType == LineObject) {
        // The outline only: the holes are cut off, text slots move down behind it.
        const int outline = LineItems(e);
        Cord* slots = e.Cords();
        std::copy(slots + e.nItem, slots + e.nItem + e.nText, slots + outline);
        e.nItem = uint16_t(outline);
        e.ObjectType = LineObject;
    } else if (from != toType && !(from == RectangleObject && e.nText > 0 && toType == TextObject)) {
        return false;
    }
    e.Symbol = int16_t(to);
    return true;
}

double ScaleFactor(double oldScale, double newScale)
{
    return oldScale / newScale;
}

void ChangeSymbolsBy(const ChangeSymValues& v)
{
    if (!Index.ActiveZmd)
        return;
    SymbolBytes* target = nullptr;
    const int toType = GetSymbol(v.To, target) ? SymI16(*target, SymObjectType) : 0;
    DropSelection();
    WholeMapChange change;
    ChangeAllObjects(TextKey::CheckingObj, TextKey::ObjChanged, true, [&](ElementRecord& e) {
        return Matches(e, v) && ChangeObjectSymbolTo(e, v.To, toType) ? ObjectChange::Save
                                                                        : ObjectChange::Keep;
    });
}

void ChangeScaleTo(const ChangeScaleValues& v)
{
    TZmd* z = Index.ActiveZmd;
    // The scale the map has already: nothing to change.
    if (!z || !(v.NewScale > 0) || !(z->Setup.MapScale > 0) || v.NewScale == z->Setup.MapScale)
        return;
    const double f = ScaleFactor(z->Setup.MapScale, v.NewScale);
    if (!ConfirmMapArea([f](double& x, double& y) {
            x *= f;
            y *= f;
        }))
        return;
    DropSelection();
    WholeMapChange change;
    if (v.EnlargeSymbols)
        for (int i = 0; i < z->SymbolCount(); ++i)
            if (ScaleSymbol(z->Symbols[size_t(i)], f))
                z->WriteSymbol(i);
    ChangeAllObjects(TextKey::ChangeScale, TextKey::ObjDone, false,
                     [f](ElementRecord& e) { return KeptIf(ScaleObjectPoints(e, f)); });
    z->Setup.MapScale = v.NewScale;
    // The paper grid keeps its size in the real world, as far as the setup can hold it.
    z->Setup.PaperGridDistance =
        std::clamp(z->Setup.PaperGridDistance * f, MinPaperGrid, MaxPaperGrid);
    WriteSetup();
}

void ChangeSymbols()
{
    ChangeSymValues v;
    if (Index.ActiveZmd && EditPorts().RunChangeSymDialog(v))
        ChangeSymbolsBy(v);
}

void ChangeScale()
{
    ChangeScaleValues v;
    if (Index.ActiveZmd && EditPorts().RunChangeScaleDialog(v))
        ChangeScaleTo(v);
}

} // namespace zemo
