#include "course/widgets/VariationDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace zemo {

TVarGrid::TVarGrid(QWidget* parent, VariationGrid& grid) : QWidget(parent), grid_(grid)
{
    setObjectName(QStringLiteral("VarB"));
    setFixedSize(sizeHint());
}

QSize TVarGrid::sizeHint() const
{
    return {grid_.Columns() * ColumnWidth + 1, grid_.Rows() * RowHeight + 1};
}

QRect TVarGrid::CellRect(int column, int row) const
{
    return {column * ColumnWidth, row * RowHeight, ColumnWidth, RowHeight};
}

bool TVarGrid::CellAt(QPoint p, int& column, int& row) const
{
    if (p.x() < 0 || p.y() < 0)
        return false;
    column = p.x() / ColumnWidth;
    row = p.y() / RowHeight;
    return column < grid_.Columns() && row < grid_.Rows();
}

void TVarGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(palette().color(QPalette::Mid));
    for (int c = 0; c <= grid_.Columns(); ++c)
        p.drawLine(c * ColumnWidth, 0, c * ColumnWidth, grid_.Rows() * RowHeight);
    for (int r = 0; r <= grid_.Rows(); ++r)
        p.drawLine(0, r * RowHeight, grid_.Columns() * ColumnWidth, r * RowHeight);
    p.setPen(Qt::black);
    for (int c = 0; c < grid_.Columns(); ++c)
        for (int r = 0; r < grid_.Rows(); ++r)
            p.drawText(CellRect(c, r), Qt::AlignCenter, grid_.Cell(c, r));
}

void TVarGrid::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton && CellAt(event->position().toPoint(), fromColumn_, fromRow_);
}

void TVarGrid::mouseReleaseEvent(QMouseEvent* event)
{
    int column = 0, row = 0;
    // A drop outside the grid drops nothing.
    if (pressed_ && event->button() == Qt::LeftButton && CellAt(event->position().toPoint(), column, row)
        && grid_.Drop(fromColumn_, fromRow_, column, row))
        update();
    pressed_ = false;
}

TVariationDlg::TVariationDlg(QWidget* parent, const QString& text, int legs)
    : TMapDlgForm(parent, QStringLiteral("VariationDlg"), TextKey::InsertVariation, VariationHelpContext)
{
    grid_.Fill(legs, text);
    auto* group = new QGroupBox(PlainText(TextKey::Insert), this);
    group->setObjectName(QStringLiteral("InsertGrp"));
    auto* v = new QVBoxLayout(group);
    teamB_ = new QRadioButton(Text(TextKey::TeamVariation), group);
    teamB_->setObjectName(QStringLiteral("TeamB"));
    teamB_->setChecked(true);
    auto* teamText = new QLabel(Text(TextKey::TeamVarText), group);
    teamText->setWordWrap(true);
    legB_ = new QRadioButton(Text(TextKey::LegVariation), group);
    legB_->setObjectName(QStringLiteral("LegB"));
    auto* legText = new QLabel(Text(TextKey::LegVarText), group);
    legText->setWordWrap(true);
    v->addWidget(teamB_);
    v->addWidget(teamText);
    v->addWidget(legB_);
    v->addWidget(legText);
    auto* hint = new QLabel(Text(TextKey::DragLegs), group);
    hint->setObjectName(QStringLiteral("DragLegsL"));
    v->addWidget(hint);
    varB_ = new TVarGrid(group, grid_);
    auto* scroll = new QScrollArea(group);
    scroll->setWidget(varB_);
    scroll->setMaximumHeight(std::min(varB_->height(), 400) + 4);
    scroll->setMinimumWidth(std::min(varB_->width(), 600) + 4);
    v->addWidget(scroll);
    AddWidget(group);
    AddButtons();
}

void TVariationDlg::accept()
{
    result_ = grid_.Result(teamB_->isChecked());
    TMapDlgForm::accept();
}

bool ExecVariationDlg(QWidget* parent, QString& text, int legs)
{
    TVariationDlg dlg(parent, text, legs);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    text = dlg.Result();
    return true;
}

} // namespace zemo
