#include "app/Install.h"

#include "document/Index.h"
#include "document/Ports.h"
#include "core/Ports.h"
#include "core/widgets/EscapeFilter.h"
#include "core/widgets/OwnControls.h"
#include "core/widgets/Ports.h"
#include "edit/Cursors.h"
#include "edit/Cut.h"
#include "edit/DrCircle.h"
#include "edit/DrCurve.h"
#include "edit/DrEllips.h"
#include "edit/DrFree.h"
#include "edit/Dr45.h"
#include "edit/DrPoint.h"
#include "edit/DrText.h"
#include "edit/EdPoint.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/Ports.h"
#include "edit/Rotate.h"
#include "edit/ScrnWin.h"
#include "edit/View.h"
#include "edit/Work.h"
#include "edit/widgets/ChangeScaleDlg.h"
#include "edit/widgets/ChangeSymDlg.h"
#include "edit/widgets/DrCircleDlg.h"
#include "edit/widgets/DrRectDlg.h"
#include "edit/widgets/DrawLineDlg.h"
#include "edit/widgets/GridLineDlg.h"
#include "edit/widgets/MeasureDlg.h"
#include "edit/widgets/MdiChild.h"
#include "edit/widgets/MoveMapDlg.h"
#include "edit/widgets/MoveViewDlg.h"
#include "edit/widgets/RotateDlg.h"
#include "edit/widgets/RotateMapDlg.h"
#include "edit/widgets/StretchMapDlg.h"
#include "render/GraphSys.h"

#include <QApplication>
#include <QCursor>
#include <QInputMethod>
#include <QTimer>

namespace zemo {

namespace {

// The map store's document windows and its redraws after undo: the edit library's windows.
void BindDocumentWindows()
{
    DocumentPortSet& doc = DocumentPorts();
    doc.LeaveCurrentWindow.Bind(LeaveActiveView);
    doc.CreateWindow.Bind([](TZmd&, const QString& caption) { return CreateMapWindow(caption); });
    doc.RaiseWindow.Bind([](TZmd& z) {
        const std::vector<QPointer<TMdiChild>> windows = WindowsOf(z);
        if (windows.empty())
            return false;
        TMdiChild* c = windows.front();
        c->Activate();
        if (QWidget* top = c->parentWidget())
            top->raise();
        return true;
    });
    doc.CloseWindows.Bind([](TZmd& z) {
        for (const QPointer<TMdiChild>& c : WindowsOf(z))
            if (c) {
                c->View().MapShown = false;
                (c->parentWidget() ? c->parentWidget() : c.data())->close();
            }
    });
    doc.SetCaption.Bind([](TZmd& z, const QString& caption) {
        for (const QPointer<TMdiChild>& c : WindowsOf(z))
            c->setWindowTitle(caption);
    });
    doc.AfterOpen.Bind([](TZmd& z) {
        // The screen colours follow the configuration as it is now.
        InitScreenColorTables();
        for (const QPointer<TMdiChild>& c : WindowsOf(z)) {
            MapView& v = c->View();
            v.MapShown = true;
            if (Work.ActiveView == &v)
                Index.MapOpen = true;
            UpdateViewOf(v);
            c->InvalidateRect({0, 0, v.ClientWidth, v.ClientHeight});
        }
    });
    doc.PaintWindows.Bind([](TZmd& z, bool asking) {
        for (const QPointer<TMdiChild>& c : WindowsOf(z))
            if (c)
                c->PaintDuringCommand(asking);
    });
    doc.UpdateRect.Bind([](const CordRect& r) { UpdateRect(r); });
    doc.RepaintWindow.Bind([] {
        if (MapView* v = Work.ActiveView; v && v->Form)
            v->Form->InvalidateRect({0, 0, v->ClientWidth, v->ClientHeight});
    });
}

// What the edit widgets give the document windows' engine: the windows themselves, the
// input held during a paint, the idle queue, the move-view dialog, the whole-map commands'
// dialogs, the beep.
void BindEditWidgets()
{
    EscapeFilter::Install();
    CoreWidgetsPorts().OwnCursor.Bind(&ToolCursor);
    EditPortSet& edit = EditPorts();
    edit.CreateWindow.Bind(CreateDocumentWindow);
    edit.PollInput.Bind(PollHeldInput);
    CorePorts().PaintBehindDialog.Bind(PaintBehindDialog);
    edit.AfterPaint.Bind(ReleaseHeldInput);
    // A paint's input poll runs the timers too: idle is after the paint.
    edit.WhenIdle.Bind([](std::function<void()> fn) {
        QTimer::singleShot(0, qApp, [fn = std::move(fn)] { WhenPaintEnds(fn); });
    });
    edit.SurfaceCursor.Bind([] {
        const TMdiChild* child = ActiveDocumentWindow();
        return child ? child->WorkWin()->CursorNumber() : 0;
    });
    // Mouse events stop at the window's edge; the view timer needs the cursor wherever it is.
    edit.CursorClientPos.Bind([] {
        const TMdiChild* child = ActiveDocumentWindow();
        if (!child)
            return Work.ActiveView ? Work.ActiveView->LastMousePoint : QPoint();
        return child->WorkWin()->mapFromGlobal(QCursor::pos());
    });
    edit.RunViewDialog.Bind([](double& east, double& north) {
        return ExecViewDlg(QApplication::activeWindow(), east, north);
    });
    // The whole-map commands' dialogs, over the active window.
    const auto top = [] { return QApplication::activeWindow(); };
    edit.RunMoveMapDialog.Bind([top](MoveMapValues& v) { return ExecMoveMapDlg(top(), v); });
    edit.RunStretchMapDialog.Bind([top](StretchMapValues& v) { return ExecStretchMapDlg(top(), v); });
    edit.RunRotateMapDialog.Bind([top](RotateMapValues& v) { return ExecRotateMapDlg(top(), v); });
    edit.RunChangeSymDialog.Bind([top](ChangeSymValues& v) { return ExecChangeSymDlg(top(), v); });
    edit.RunChangeScaleDialog.Bind([top](ChangeScaleValues& v) { return ExecChangeScaleDlg(top(), v); });
    edit.RunGridLineDialog.Bind([top](GridLineValues& v) { return ExecGridLineDlg(top(), v); });
    edit.Beep.Bind([] { QApplication::beep(); });
    edit.DrawLineDialog.Bind([top](double& length, double& angle) { return ExecDrawLineDlg(top(), length, angle); });
    edit.DrawCircleDialog.Bind([top](double& radius) { return ExecDrCircleDlg(top(), radius); });
    edit.DrawRectDialog.Bind([top](DrawRectAnswer& answer) { return ExecDrRectDlg(top(), answer); });
    edit.RunRotateDialog.Bind([](double& degrees) { return ExecRotateDlg(QApplication::activeWindow(), degrees); });
    edit.ShowMeasureResult.Bind([top](const MeasureReport& report) { ExecMeasureDlg(top(), report); });
    edit.InputRightToLeft.Bind([] {
        const QInputMethod* im = QGuiApplication::inputMethod();
        return im && im->inputDirection() == Qt::RightToLeft;
    });
}

// The tools of this library; the template and GPS adjusting tools come with theirs.
void RegisterTools()
{
    RegisterViewTool();
    RegisterCurveTool();
    RegisterFreeTool();
    RegisterRectLineTool();
    RegisterCircleTool();
    RegisterEllipseTool();
    RegisterPointTool();
    RegisterTextTool();
    RegisterScreenWinTool();
    RegisterEditTool();
    RegisterRotateTool();
    RegisterPointEditTool();
    RegisterCutTools();
}

} // namespace

void InstallEdit()
{
    BindEditWidgets();
    RegisterTools();
    BindDocumentWindows();
}

} // namespace zemo
