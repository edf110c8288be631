#include "course/widgets/ExpCsMapsDlg.h"

#include "core/LangTexts.h"
#include "course/CsMapsExport.h"
#include "course/Courses.h"
#include "edit/widgets/MapDlgForm.h"

#include <QListWidget>
#include <QPushButton>

namespace zemo {

namespace {

class TExpCsMapsDlg : public TMapDlgForm {
public:
    TExpCsMapsDlg(QWidget* parent, const QStringList& items, int current)
        : TMapDlgForm(parent, QStringLiteral("ExpCsMapsDlg"), TextKey::ExportCsMaps, ExportCsMapsHelpContext)
    {
        coursesB_ = new QListWidget(this);
        coursesB_->setObjectName(QStringLiteral("CoursesB"));
        coursesB_->setSelectionMode(QAbstractItemView::MultiSelection);
        coursesB_->addItems(items);
        if (current >= 0 && current < coursesB_->count())
            coursesB_->item(current)->setSelected(true);
        auto* all = new QPushButton(Text(TextKey::SelectAll), this);
        all->setObjectName(QStringLiteral("AllBtn"));
        AddRow(TextKey::Courses, coursesB_, all);
        connect(all, &QPushButton::clicked, this, [this] {
            for (int i = 0; i < coursesB_->count(); ++i)
                coursesB_->item(i)->setSelected(i > 0);
        });
        AddButtons();
    }

    std::vector<bool> Chosen() const
    {
        std::vector<bool> chosen(size_t(coursesB_->count()), false);
        for (int i = 0; i < coursesB_->count(); ++i)
            chosen[size_t(i)] = coursesB_->item(i)->isSelected();
        return chosen;
    }

private:
    QListWidget* coursesB_ = nullptr;
};

} // namespace

bool ExecExpCsMapsDlg(QWidget* parent, const QStringList& items, std::vector<bool>& chosen)
{
    TExpCsMapsDlg dlg(parent, items, CurrentCourseItem());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    chosen = dlg.Chosen();
    return true;
}

} // namespace zemo
