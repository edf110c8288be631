#include "edit/Measure.h"

#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "edit/Edit.h"
#include "edit/Merge.h"
#include "edit/Ports.h"
#include "render/AreaRings.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>

#include <vector>

namespace zemo {

MeasureUnitState Measure;

namespace {

double MeasureOne(const ElementRecord& e, int holeStart)
{
    if (e.ObjectType == LineObject)
        return PathLength(e.Cords(), e.nItem);
    if (e.ObjectType != AreaObject)
        return 0;
    if (holeStart > 0 && holeStart < e.nItem && (e.Cords()[holeStart].y & HoleFlag)) {
        const int end = RingEnd(e.Cords(), e.nItem, holeStart);
        return PolygonArea(e.Cords() + holeStart, end - holeStart);
    }
    return PolygonArea(e.Cords(), e.nItem);
}

// The locale's decimal separator, no grouping: the number as a user types it.
QString Number(double value, int decimals)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

} // namespace

void ResetMeasureUnit()
{
    Measure = MeasureUnitState{};
}

bool CanMeasure()
{
    Measure.MeasureKind = 0;
    if (!Index.MapOpen || !Index.ActiveZmd)
        return false;
    const KeepCurrentEntry keep;
    int kind = 0;
    if (Index.SelectedIndex > 0) {
        kind = StoredObjectType(Index.SelectedIndex);
    } else if (Index.SelectionCount >= 2) {
        const std::vector<int> objects = SelectedObjects();
        for (int n : objects) {
            const int type = StoredObjectType(n);
            if (kind == 0)
                kind = type;
            else if (type != kind)
                return false;
        }
    }
    if (kind != LineObject && kind != AreaObject)
        return false;
    Measure.MeasureKind = kind;
    return true;
}

bool MeasureSum(double& sum)
{
    sum = 0;
    if (!CanMeasure())
        return false;
    ElementRecord& e = Index.DrawElement;
    if (Index.SelectedIndex > 0) {
        if (ReadElement(Index.SelectedIndex, e))
            sum = MeasureOne(e, Index.SelectedHoleStart);
        return true;
    }
    Index.SelectedHoleStart = 0;
    for (int n : SelectedObjects())
        if (ReadElement(n, e))
            sum += MeasureOne(e, 0);
    return true;
}

MeasureReport MeasureReportOf(double sum, int kind, double scale)
{
    MeasureReport r;
    r.Scale = scale;
    if (kind == AreaObject) {
        r.ResultLabel = Text(TextKey::AreaSize);
        r.Number = Number(sum * scale * scale / 1e16, 6);
        r.Result = r.Number + QStringLiteral(" km2");
    } else {
        r.ResultLabel = Text(TextKey::LineLength) + u':';
        r.Number = Number(sum * scale / 1e8, 3);
        r.Result = r.Number + QStringLiteral(" km");
    }
    return r;
}

void MeasureObjects()
{
    if (!CanMeasure())
        return;
    const int kind = Measure.MeasureKind;
    SetStatusText(Text(kind == AreaObject ? TextKey::MeasureArea : TextKey::MeasureLen) + QStringLiteral("..."));
    BusyCursor* cursor = CurrentBusyCursor();
    if (cursor)
        cursor->SetBusy(true);
    double sum = 0;
    MeasureSum(sum);
    const SetupRecord* setup = Stp();
    const MeasureReport report = MeasureReportOf(sum, kind, setup ? setup->MapScale : 0);
    if (cursor)
        cursor->SetBusy(false);
    ClearStatusText();
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(report.Number);
    EditPorts().ShowMeasureResult(report);
}

} // namespace zemo
