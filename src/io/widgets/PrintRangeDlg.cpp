#include "io/widgets/PrintRangeDlg.h"

#include "core/Messages.h"
#include "core/widgets/SpinControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace zemo {

class TPrintRangePreview : public QWidget {
public:
    explicit TPrintRangePreview(QWidget* parent, std::function<PrintRangePicture(QSize)> picture)
        : QWidget(parent), picture_(std::move(picture))
    {
        setObjectName(QStringLiteral("PreviewB"));
        setMinimumSize(220, 220);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Window));
        const PrintRangePicture pic = picture_(size());
        p.fillRect(pic.Extent, Qt::white);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 1, Qt::SolidLine));
        for (const QPolygonF& page : pic.Pages)
            p.drawPolyline(page);
        for (const QPolygonF& fold : pic.Folds)
            p.drawPolyline(fold);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(pic.PrintRect);
    }

private:
    std::function<PrintRangePicture(QSize)> picture_;
};

namespace {

QPushButton* Button(QWidget* parent, TextKey caption, const char* name)
{
    auto* b = new QPushButton(Text(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* Info(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

TPrintRangeDlg::TPrintRangeDlg(QWidget* parent, PrintRangeEdit& edit)
    : TMapDlgForm(parent, QStringLiteral("PrintRangeDlg"), TextKey::SetupPartialPrint, PrintRangeDlgHelpContext),
      edit_(edit)
{
    const QString mm = QStringLiteral("mm");
    left_ = AddSpin(TextKey::Left, QStringLiteral("Left"), -PaperRangeMm, PaperRangeMm, 2, 5, mm);
    right_ = AddSpin(TextKey::Right, QStringLiteral("Right"), -PaperRangeMm, PaperRangeMm, 2, 5, mm);
    bottom_ = AddSpin(TextKey::Bottom, QStringLiteral("Bottom"), -PaperRangeMm, PaperRangeMm, 2, 5, mm);
    top_ = AddSpin(TextKey::Top, QStringLiteral("Top"), -PaperRangeMm, PaperRangeMm, 2, 5, mm);
    horOvl_ = AddSpin(TextKey::HorOverlap, QStringLiteral("HorOvl"), 0, MaxPageOverlapMm, 2, 1, mm);
    verOvl_ = AddSpin(TextKey::VerOverlap, QStringLiteral("VerOvl"), 0, MaxPageOverlapMm, 2, 1, mm);
    AddRow(TextKey::PageSize, Info(this, "PageSizeB", edit_.PageSizeText()));
    printSizeB_ = Info(this, "PrintSizeB", {});
    AddRow(TextKey::PrintSize, printSizeB_);
    previewB_ = new TPrintRangePreview(this, [this](QSize box) { return edit_.Picture(Shown(), box); });
    AddWidget(previewB_);
    auto* entire = Button(this, TextKey::EntireMap, "EntireMapBtn");
    auto* onePage = Button(this, TextKey::OnePage, "OnePageBtn");
    auto* define = Button(this, TextKey::Define, "DefineBtn");
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(entire);
    h->addWidget(onePage);
    h->addWidget(define);
    AddWidget(row);
    AddButtons();
    Show(edit_.Fields());
    // Typing repaints at every change; changes made by the buttons repaint once, at the end.
    for (const SpinField* f : {&left_, &right_, &bottom_, &top_, &horOvl_, &verOvl_}) {
        QLineEdit* e = f->edit;
        connect(e, &QLineEdit::textChanged, this, [this, e] {
            if (e->hasFocus())
                Repaint();
        });
    }
    connect(entire, &QPushButton::clicked, this, [this] {
        Show(edit_.EntireMap(Shown()));
        left_.edit->setFocus();
    });
    connect(onePage, &QPushButton::clicked, this, [this] {
        Show(edit_.OnePage(Shown()));
        left_.edit->setFocus();
    });
    connect(define, &QPushButton::clicked, this, [this] {
        if (!StoreChecked())
            return;
        answer_ = RangeAnswer::Define;
        QDialog::accept();
    });
    left_.edit->setFocus();
}

PrintRangeFields TPrintRangeDlg::Shown() const
{
    return {left_.Value(), right_.Value(), bottom_.Value(), top_.Value(), horOvl_.Value(), verOvl_.Value()};
}

PrintRangePicture TPrintRangeDlg::Picture() const
{
    return edit_.Picture(Shown(), previewB_->size());
}

void TPrintRangeDlg::Show(const PrintRangeFields& f)
{
    left_.SetValue(f.Left);
    right_.SetValue(f.Right);
    bottom_.SetValue(f.Bottom);
    top_.SetValue(f.Top);
    horOvl_.SetValue(f.HorOverlap);
    verOvl_.SetValue(f.VerOverlap);
    Repaint();
}

void TPrintRangeDlg::Repaint()
{
    printSizeB_->setText(edit_.PrintSizeText(Shown()));
    previewB_->update();
}

bool TPrintRangeDlg::StoreChecked()
{
    for (const SpinField* f : {&left_, &right_, &bottom_, &top_, &horOvl_, &verOvl_})
        if (!f->Check())
            return false;
    const PrintRangeFields f = Shown();
    const TextKey order = PrintRangeEdit::CheckOrder(f);
    if (order != TextKey::Count) {
        ErrorMsg(order);
        (order == TextKey::RightBound ? right_ : top_).edit->setFocus();
        return false;
    }
    edit_.Store(f);
    return true;
}

void TPrintRangeDlg::accept()
{
    if (!StoreChecked())
        return;
    answer_ = RangeAnswer::Ok;
    QDialog::accept();
}

RangeAnswer ExecPrintRangeDlg(QWidget* parent, PrintRangeEdit& edit)
{
    TPrintRangeDlg dlg(parent, edit);
    return dlg.exec() == QDialog::Accepted ? dlg.Answer() : RangeAnswer::Cancel;
}

} // namespace zemo
