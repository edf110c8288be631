#include "external/widgets/NameIndexDlg.h"

#include "core/LangTexts.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "external/NameIndex.h"
#include "shell/widgets/DialogRows.h"

#include <QButtonGroup>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace zemo {

namespace {

struct Range {
    const char* name;
    TextKey label;
    double min, max;
    int decimals;
    double step;
    const char* unit;
};

// HorOfs, VerOfs, HorDist, VerDist, Angle.
constexpr std::array<Range, 5> Ranges = {{
    {"HorOfs", TextKey::HorOffset, -2000, 2000, 2, 5, "mm"},
    {"VerOfs", TextKey::VerOffset, -2000, 2000, 2, 5, "mm"},
    {"HorDist", TextKey::HorDistance, 0, 200, 2, 5, "mm"},
    {"VerDist", TextKey::VerDistance, 0, 200, 2, 5, "mm"},
    {"Angle", TextKey::Angle, 0, 50, 1, 1, "\u00b0"},
}};

class TNameIndexDlg : public QDialog {
public:
    TNameIndexDlg(QWidget* parent, const NameIndexValues& v) : QDialog(parent)
    {
        setObjectName(QStringLiteral("NameIndexDlg"));
        setWindowTitle(Text(TextKey::NameIndex).remove(u'&'));
        auto* layout = new QVBoxLayout(this);
        auto* grid = new QGridLayout;
        const double values[] = {v.HorOfs, v.VerOfs, v.HorDist, v.VerDist, v.Angle};
        for (size_t i = 0; i < Ranges.size(); ++i) {
            const Range& r = Ranges[i];
            edits_[i] = AddSpinRow(grid, this, Text(r.label).remove(u'&'), QLatin1String(r.name), r.min, r.max,
                                   r.decimals, r.step, QString::fromUtf8(r.unit))
                            .edit;
            edits_[i]->setText(FloatToFixedStr(r.decimals, values[i]));
        }
        layout->addLayout(grid);
        auto* styles = new QGroupBox(Text(TextKey::Style).remove(u'&'), this);
        auto* sl = new QVBoxLayout(styles);
        const TextKey labels[] = {TextKey::IndexStyleColumn, TextKey::IndexStyleRow, TextKey::IndexStyleRowUp,
                                  TextKey::IndexStyleLetterUp};
        for (int i = 0; i < 4; ++i) {
            auto* b = new QRadioButton(Text(labels[i]), styles);
            b->setObjectName(QStringLiteral("Style%1B").arg(i));
            group_.addButton(b, i);
            sl->addWidget(b);
        }
        group_.button(std::clamp(v.Style, 0, 3))->setChecked(true);
        layout->addWidget(styles);
        AddDialogButtons(this, layout, true, [] { return NameIndexHelpContext; });
    }

    void accept() override
    {
        for (size_t i = 0; i < Ranges.size(); ++i)
            if (!CheckRealEdit(edits_[i], Text(Ranges[i].label).remove(u'&'), Ranges[i].min, Ranges[i].max))
                return;
        QDialog::accept();
    }

    NameIndexValues Values() const
    {
        double x[5] = {};
        for (size_t i = 0; i < Ranges.size(); ++i)
            TryPointStrToFloat(edits_[i]->text(), x[i]);
        return {x[0], x[1], x[2], x[3], x[4], group_.checkedId()};
    }

private:
    std::array<QLineEdit*, 5> edits_{};
    QButtonGroup group_;
};

} // namespace

bool ExecNameIndexDlg(QWidget* parent, NameIndexValues& values)
{
    TNameIndexDlg dlg(parent, values);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    values = dlg.Values();
    return true;
}

} // namespace zemo
