#include "io/widgets/PrinterPropsDlg.h"
#include "io/widgets/PrintDlgParts.h"

#include "core/FieldChecks.h"
#include "core/LangTexts.h"
#include "core/StringX.h"
#include "edit/widgets/MapDlgForm.h"
#include "io/PrintSys.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>
#include <cmath>

namespace zemo {

namespace {

constexpr double MmPerPoint = 25.4 / 72;

// Shown in hundredths of a millimetre, rounded up: a margin shown is never inside the
// printable area.
double ShownMm(double points)
{
    return std::ceil(points * MmPerPoint * 100 - 1e-6) / 100;
}

double Side(const QMarginsF& m, int side)
{
    return side == 0 ? m.left() : side == 1 ? m.top() : side == 2 ? m.right() : m.bottom();
}

void SetSide(QMarginsF& m, int side, double v)
{
    if (side == 0)
        m.setLeft(v);
    else if (side == 1)
        m.setTop(v);
    else if (side == 2)
        m.setRight(v);
    else
        m.setBottom(v);
}

class TPrinterPropsDlg : public QDialog {
public:
    TPrinterPropsDlg(QWidget* parent, PageChoice& c) : QDialog(parent), c_(c), margins_(c.Margins)
    {
        setObjectName(QStringLiteral("PrinterPropsDlg"));
        setWindowTitle(PlainText(TextKey::Properties) + QStringLiteral(" - ") + c.Printer);
        auto* layout = new QVBoxLayout(this);
        auto* paperRow = new QHBoxLayout;
        paperB_ = Named(new QComboBox(this), "PaperB");
        for (const QPageSize& p : c.Papers)
            paperB_->addItem(p.name());
        paperB_->setCurrentIndex(c.Paper);
        paperRow->addWidget(new QLabel(PlainText(TextKey::PaperSize) + u':', this));
        paperRow->addWidget(paperB_, 1);
        layout->addLayout(paperRow);
        portraitB_ = Named(new QRadioButton(Text(TextKey::Portrait)), "PortraitB");
        landscapeB_ = Named(new QRadioButton(Text(TextKey::Landscape)), "LandscapeB");
        (c.Landscape ? landscapeB_ : portraitB_)->setChecked(true);
        layout->addWidget(DlgGroup(this, "OrientationGrp", TextKey::Orientation, {portraitB_, landscapeB_}));

        auto* grid = new QGridLayout;
        const TextKey labels[4] = {TextKey::Left, TextKey::Top, TextKey::Right, TextKey::Bottom};
        const char* names[4] = {"LeftE", "TopE", "RightE", "BottomE"};
        grid->addWidget(new QLabel(PlainText(TextKey::Margins), this), 0, 0, 1, 3);
        for (int side = 0; side < 4; ++side) {
            edits_[size_t(side)] = Named(new QLineEdit(this), names[side]);
            grid->addWidget(new QLabel(PlainText(labels[side]) + u':', this), side + 1, 0);
            grid->addWidget(edits_[size_t(side)], side + 1, 1);
            grid->addWidget(new QLabel(QStringLiteral("mm"), this), side + 1, 2);
            connect(edits_[size_t(side)], &QLineEdit::textEdited, this, [this, side] { typed_[size_t(side)] = true; });
        }
        layout->addLayout(grid);
        least_ = Least();
        for (int side = 0; side < 4; ++side)
            edits_[size_t(side)]->setText(FloatToPointStr(2, ShownMm(Side(margins_, side))));

        auto* buttons = new QDialogButtonBox(this);
        Named(buttons->addButton(PlainText(TextKey::Ok), QDialogButtonBox::AcceptRole), "OKBtn")->setDefault(true);
        Named(buttons->addButton(PlainText(TextKey::Cancel), QDialogButtonBox::RejectRole), "CancelBtn");
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] {
            if (Take())
                accept();
        });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(paperB_, &QComboBox::currentIndexChanged, this, [this] { NewPage(); });
        connect(landscapeB_, &QRadioButton::toggled, this, [this](bool landscape) { Turn(landscape); });
    }

private:
    bool Landscape() const { return landscapeB_->isChecked(); }
    QPageSize Paper() const
    {
        const int i = paperB_->currentIndex();
        return i >= 0 && i < c_.Papers.size() ? c_.Papers[i] : QPageSize();
    }

    // The printable area's margins of the page as it lies now.
    QMarginsF Least() const
    {
        const QPageSize paper = Paper();
        return PageMargins(c_.Upright && paper.isValid() ? c_.Upright(paper) : QMarginsF(), Landscape());
    }

    QSizeF Sheet() const
    {
        return QPageLayout(Paper(), Landscape() ? QPageLayout::Landscape : QPageLayout::Portrait, {}, QPageLayout::Point)
            .fullRect(QPageLayout::Point)
            .size();
    }

    // Another paper: the margins not typed follow its printable area.
    void NewPage()
    {
        least_ = Least();
        for (int side = 0; side < 4; ++side) {
            if (typed_[size_t(side)])
                continue;
            SetSide(margins_, side, Side(least_, side));
            edits_[size_t(side)]->setText(FloatToPointStr(2, ShownMm(Side(least_, side))));
        }
    }

    // The page turned on its sheet: every margin, typed or not, stays on its side of the
    // sheet. A landscape page's left margin is the sheet's bottom one, its top the sheet's left.
    void Turn(bool landscape)
    {
        const int from = landscape ? 3 : 1;
        QMarginsF m;
        std::array<QString, 4> texts;
        std::array<bool, 4> typed{};
        for (int side = 0; side < 4; ++side) {
            const int old = (side + from) % 4;
            SetSide(m, side, Side(margins_, old));
            texts[size_t(side)] = edits_[size_t(old)]->text();
            typed[size_t(side)] = typed_[size_t(old)];
        }
        margins_ = m;
        typed_ = typed;
        for (int side = 0; side < 4; ++side)
            edits_[size_t(side)]->setText(texts[size_t(side)]);
        least_ = Least();
    }

    // The fields in order, each within its printable margin and what the opposite side
    // leaves; the margins of the fields typed taken as typed, the others as they are.
    bool Take()
    {
        const QSizeF sheet = Sheet();
        QMarginsF m = margins_;
        for (int side = 0; side < 4; ++side) {
            const double length = (side % 2 == 0 ? sheet.width() : sheet.height()) * MmPerPoint;
            const double least = ShownMm(Side(least_, side));
            // Opposite sides: left and right, top and bottom; the first of a pair leaves room for
            // the other's least, the second for what the first took.
            const double opposite = side < 2 ? ShownMm(Side(least_, side + 2)) : Side(m, side - 2) * MmPerPoint;
            const double most = std::floor((length - opposite - LeastPageMm) * 100) / 100;
            QLineEdit* edit = edits_[size_t(side)];
            if (!typed_[size_t(side)] && Side(m, side) >= Side(least_, side) - 1e-9 && Side(m, side) * MmPerPoint <= most + 0.005)
                continue;
            if (!CheckRealSpinText(edit->text(), PlainText(TextKey::Margins) + u' ' + PlainText(side == 0 ? TextKey::Left : side == 1 ? TextKey::Top : side == 2 ? TextKey::Right : TextKey::Bottom),
                                   least, std::max(least, most), 2, QStringLiteral("mm"))) {
                edit->setFocus();
                edit->selectAll();
                return false;
            }
            double mm = 0;
            TryPointStrToFloat(edit->text(), mm);
            SetSide(m, side, mm / MmPerPoint);
        }
        c_.Paper = paperB_->currentIndex();
        c_.Landscape = Landscape();
        c_.Margins = m;
        return true;
    }

    PageChoice& c_;
    QMarginsF margins_;
    QMarginsF least_;
    QComboBox* paperB_;
    QRadioButton* portraitB_;
    QRadioButton* landscapeB_;
    std::array<QLineEdit*, 4> edits_{};
    std::array<bool, 4> typed_{};
};

} // namespace

bool ExecPrinterPropsDlg(QWidget* parent, PageChoice& c)
{
    TPrinterPropsDlg dlg(parent, c);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
