#include "course/widgets/CsStatDlg.h"

#include "core/LangTexts.h"
#include "core/StringX.h"
#include "course/CsStat.h"
#include "shell/widgets/DialogRows.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace zemo {

namespace {

class TCsStatDlg : public QDialog {
public:
    explicit TCsStatDlg(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("CsStatDlg"));
        setWindowTitle(Text(TextKey::ControlStat));
        auto* layout = new QVBoxLayout(this);
        auto* lists = new QHBoxLayout;
        controlsB_ = AddList(lists, TextKey::Controls, QStringLiteral("ControlsB"));
        coursesB_ = AddList(lists, TextKey::Courses, QStringLiteral("CoursesB"));
        layout->addLayout(lists);
        AddDialogButtons(this, layout, false, [] { return CsStatHelpContext; });
        connect(controlsB_, &QListWidget::currentRowChanged, this, [this](int row) { ShowCourses(row); });
        controlsB_->addItems(ControlStatItems());
        if (controlsB_->count() > 0)
            controlsB_->setCurrentRow(0);
    }

private:
    QListWidget* AddList(QHBoxLayout* row, TextKey label, const QString& name)
    {
        auto* column = new QVBoxLayout;
        auto* list = new QListWidget(this);
        list->setObjectName(name);
        auto* caption = new QLabel(RemoveAmpersands(Text(label)), this);
        caption->setBuddy(list);
        column->addWidget(caption);
        column->addWidget(list);
        row->addLayout(column);
        return list;
    }

    void ShowCourses(int row)
    {
        coursesB_->clear();
        if (row >= 0)
            coursesB_->addItems(CoursesOfStatItem(controlsB_->item(row)->text()));
    }

    QListWidget* controlsB_;
    QListWidget* coursesB_;
};

} // namespace

void ExecCsStatDlg(QWidget* parent)
{
    TCsStatDlg dlg(parent);
    dlg.exec();
}

} // namespace zemo
