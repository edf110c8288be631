#include "app/Install.h"

#include "course/Courses.h"
#include "course/CsObject.h"
#include "course/CdPrint.h"
#include "course/CdSheets.h"
#include "course/CourseExport.h"
#include "course/CsMapsExport.h"
#include "course/CsPreview.h"
#include "course/CsStat.h"
#include "course/Ports.h"
#include "course/widgets/CdPrintDlg.h"
#include "course/widgets/CourseDlg.h"
#include "course/widgets/CourseOnlyDlg.h"
#include "course/widgets/CsPrintDlg.h"
#include "course/widgets/CoursePanel.h"
#include "course/widgets/CsObjectDlg.h"
#include "course/widgets/CsObjectTab.h"
#include "course/widgets/CsStatDlg.h"
#include "course/widgets/ExpCsMapsDlg.h"
#include "course/widgets/ExpCourseDlg.h"
#include "course/widgets/CsOptionsDlg.h"
#include "course/widgets/VariationDlg.h"
#include "document/Ports.h"
#include "edit/Ports.h"
#include "io/Ports.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/Ports.h"

#include <QApplication>

namespace zemo {

void InstallCourse()
{
    // The store's calls on course-setting maps.
    DocumentPortSet& doc = DocumentPorts();
    doc.CheckCsObject.Bind(course::CheckCsObject);
    doc.DeleteCsObjectOfElement.Bind(course::DeleteCsObjectOfElement);
    doc.StoreCsObjectProps.Bind(course::StoreCsObjectProps);
    doc.SortCsObjects.Bind(course::SortCsObjects);
    doc.ShowCsObjectProps.Bind(course::ShowCsObjectProps);
    doc.RepaintCourse.Bind(RelayoutCourse);
    doc.PrepareCoursePanel.Bind([] {
        PrepareCourseMap();
        PrepareCourses();
    });
    // The course marks of the document windows and a selection on the map.
    EditPortSet& edit = EditPorts();
    edit.FindCsObject.Bind([](const QString& code) {
        QString record;
        return FindCsObjectNumber(code, record);
    });
    edit.CsObjectSelected.Bind([](int n, bool) { SelectCsObjectItem(n); });
    // The dialogs over the active window and the Objects tab.
    CoursePortSet& course = CoursePorts();
    course.RunCsObjectDialog.Bind([](int type, int edited, QString& code) {
        return ExecCsObjectDlg(QApplication::activeWindow(), type, edited, code);
    });
    course.RunVariationDialog.Bind([](QString& text, int legs) {
        return ExecVariationDlg(QApplication::activeWindow(), text, legs);
    });
    course.CsPanelChanged.Bind(RefreshCsObjectTabs);
    course.RunCsStatDlg.Bind([] { ExecCsStatDlg(QApplication::activeWindow()); });
    RegisterWorker(Cmd::CourseStat, ShowCourseStatistics);
    course.RunExpCourseDlg.Bind([](int& by) { return ExecExpCourseDlg(QApplication::activeWindow(), by); });
    RegisterWorker(Cmd::FileExportCourses, ExportCoursesText);
    course.RunCdPrintDlg.Bind([] { ExecCdPrintDlg(QApplication::activeWindow()); });
    course.RunExpCsMapsDlg.Bind([](const QStringList& items, std::vector<bool>& chosen) {
        return ExecExpCsMapsDlg(QApplication::activeWindow(), items, chosen);
    });
    RegisterWorker(Cmd::FileExportCsMaps, ExportCourseMaps);
    // The description boxes of the preview, course printing and course maps show sheets.
    course.BuildPreviewSheet.Bind([](int c, int leg, int team, bool text, Cord at) {
        const SheetRequest r{c, leg, team, {}};
        if (text)
            TextSheet(r, true, at);
        else
            SymbolSheet(r, true, at);
    });
    RegisterWorker(Cmd::FilePrintCDs, PrintControlDescriptions);
    RegisterWorker(Cmd::CourseOptions, EditCourseOptions);
    // The Courses and Classes tabs with their dialogs.
    edit.CourseTabVisible.Bind(CourseTabVisible);
    edit.InsertPickedCsObject.Bind(InsertPickedCsObject);
    course.RunCourseDialog.Bind([](CourseProps& p, int edited, int legs, bool variation) {
        return ExecCourseDlg(QApplication::activeWindow(), p, edited, legs, variation);
    });
    course.RunClassDialog.Bind([](QString& name, int& courseIndex, int edited) {
        return ExecCsClassDlg(QApplication::activeWindow(), name, courseIndex, edited);
    });
    course.CoursesChanged.Bind(RefreshCoursePanels);
    course.RunCsPrintDialog.Bind([](CsPrintOptions& o) { return ExecCsPrintDlg(QApplication::activeWindow(), o); });
    IoPorts().PrintCourseMap.Bind(PrintCourseSetting);
    course.RunCourseOnlyDialog.Bind([](CourseOnlyEdit& e) { return ExecCourseOnlyDlg(QApplication::activeWindow(), e); });
    ShellWidgetsPorts().FillCsPanel.Bind(FillCsPanel);
    // The course preview: the store's refresh, and what may be picked while it shows.
    doc.RefreshCoursePreview.Bind(course::RefreshCoursePreview);
    doc.EndCoursePreview.Bind(course::EndCoursePreview);
    doc.CheckCourseMap.Bind(CheckCourseMapRead);
    edit.PreviewAllows.Bind(course::PreviewAllows);
}

} // namespace zemo
