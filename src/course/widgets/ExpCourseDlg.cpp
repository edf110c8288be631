#include "course/widgets/ExpCourseDlg.h"

#include "core/LangTexts.h"
#include "core/StringX.h"
#include "course/CourseExport.h"
#include "shell/widgets/DialogRows.h"

#include <QButtonGroup>
#include <QDialog>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

class TExpCourseDlg : public QDialog {
public:
    TExpCourseDlg(QWidget* parent, int by) : QDialog(parent)
    {
        setObjectName(QStringLiteral("ExpCourseDlg"));
        setWindowTitle(RemoveAmpersands(Text(TextKey::ExportCourses)));
        auto* layout = new QVBoxLayout(this);
        auto* box = new QGroupBox(RemoveAmpersands(Text(TextKey::Export)), this);
        box->setObjectName(QStringLiteral("ExportB"));
        auto* items = new QVBoxLayout(box);
        const TextKey labels[] = {TextKey::Courses, TextKey::Classes};
        for (int i = 0; i < 2; ++i) {
            auto* b = new QRadioButton(RemoveAmpersands(Text(labels[i])), box);
            b->setObjectName(i == ExportByCourse ? QStringLiteral("CoursesB") : QStringLiteral("ClassesB"));
            group_.addButton(b, i);
            items->addWidget(b);
        }
        group_.button(by == ExportByClass ? ExportByClass : ExportByCourse)->setChecked(true);
        layout->addWidget(box);
        AddDialogButtons(this, layout, true, [] { return ExportCoursesHelpContext; });
    }

    void accept() override
    {
        if (AcceptExportCoursesBy(By()))
            QDialog::accept();
    }

    int By() const { return group_.checkedId(); }

private:
    QButtonGroup group_;
};

} // namespace

bool ExecExpCourseDlg(QWidget* parent, int& by)
{
    TExpCourseDlg dlg(parent, by);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    by = dlg.By();
    return true;
}

} // namespace zemo
