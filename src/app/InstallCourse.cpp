#include "app/Install.h"

#include "course/CsObject.h"
#include "course/CourseExport.h"
#include "course/CsStat.h"
#include "course/Ports.h"
#include "course/widgets/CsObjectDlg.h"
#include "course/widgets/CsObjectTab.h"
#include "course/widgets/CsStatDlg.h"
#include "course/widgets/ExpCourseDlg.h"
#include "course/widgets/CsOptionsDlg.h"
#include "course/widgets/VariationDlg.h"
#include "document/Ports.h"
#include "edit/Ports.h"
#include "shell/CommandFrame.h"

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
    doc.PrepareCoursePanel.Bind(PrepareCourseMap);
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
    RegisterWorker(Cmd::CourseOptions, EditCourseOptions);
}

} // namespace zemo
