#include "shell/widgets/ViewCommands.h"

#include "core/StringX.h"
#include "document/Index.h"
#include "edit/View.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/CommandState.h"

namespace zemo {

namespace {

MapView* OpenView()
{
    MapView* v = Work.ActiveView;
    return v && v->Document && Index.MapOpen ? v : nullptr;
}

void Redraw()
{
    MapView* v = OpenView();
    if (!v || !v->Form)
        return;
    v->Form->FocusSurface();
    // The whole surface is painted again, background first; an interrupted paint's rectangle
    // is covered by it.
    v->PendingValid = false;
    v->Form->InvalidateRect({0, 0, v->ClientWidth, v->ClientHeight});
}

// The map's view settings (parameter string type 1030): 's' the spot-colour view, 't' the
// transparent view, each "1" or "0".
constexpr int ViewSettingsType = 1030;

void RepaintWhole(MapView& v)
{
    if (v.Form)
        v.Form->InvalidateRect({0, 0, v.ClientWidth, v.ClientHeight});
}

// The setting is stored with the map, so that it comes back with the map; like the zoom it is
// no change of the map.
void ToggleViewSetting(QChar field)
{
    MapView* v = OpenView();
    const int slot = MapSettingsSlot(ViewSettingsType);
    if (!v || slot < 0 || v->Document != Index.ActiveZmd)
        return;
    QString settings = v->Document->MapSettings[size_t(slot)];
    SetParam(settings, field, GetParamBool(settings, field, false) ? QStringLiteral("0") : QStringLiteral("1"));
    KeepChangedFlag unchanged(v->Document);
    if (SaveTypedPString(settings, ViewSettingsType))
        RepaintWhole(*v);
}

// Kept in the map's setup, written like the zoom.
void ToggleHatchAreas()
{
    MapView* v = OpenView();
    if (!v || v->Document != Index.ActiveZmd)
        return;
    v->Document->Setup.HatchView = !v->Document->Setup.HatchView;
    WriteViewSetup();
    RepaintWhole(*v);
}

} // namespace

void RegisterViewCommands()
{
    struct Fixed {
        Cmd item;
        double factor;
    };
    const Fixed fixed[] = {{Cmd::View025X, 0.25}, {Cmd::View05X, 0.5}, {Cmd::View1X, 1},
                           {Cmd::View2X, 2},      {Cmd::View4X, 4},   {Cmd::View8X, 8},
                           {Cmd::View16X, 16},    {Cmd::View32X, 32}};
    for (const Fixed& f : fixed) {
        const double factor = f.factor;
        RegisterWorker(f.item, [factor] { ZoomToFactor(factor); });
    }
    // The hand: the zoom stays, the view is centred again by the pan that follows.
    RegisterWorker(Cmd::ViewMove, [] {
        if (const MapView* v = OpenView())
            ZoomToFactor(v->Document->Setup.Zoom);
    });
    RegisterWorker(Cmd::ViewMoveTo, [] { MoveViewTo(); });
    RegisterWorker(Cmd::ViewZoomIn, [] { ZoomIn(); });
    RegisterWorker(Cmd::ViewZoomOut, [] { ZoomOut(); });
    RegisterWorker(Cmd::ViewEntire, [] { ViewEntire(); });
    RegisterWorker(Cmd::ViewRedraw, [] { Redraw(); });
    RegisterWorker(Cmd::ViewSpot, [] { ToggleViewSetting(u's'); });
    RegisterWorker(Cmd::ViewTransp, [] { ToggleViewSetting(u't'); });
    RegisterWorker(Cmd::ViewHatch, [] { ToggleHatchAreas(); });
}

} // namespace zemo
