#include "symbols/widgets/ColorsDlg.h"

#include "core/Help.h"
#include "platform/Device.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"
#include "symbols/widgets/DefColorDlg.h"
#include "symbols/widgets/SymDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace zemo {

QColor ScreenColorOf(const std::array<uint8_t, 4>& cmyk)
{
    const DeviceColor c = ColorToDevice(ScreenCorrectedColor(PackCmyk(cmyk)));
    return QColor(c.r, c.g, c.b);
}

namespace {

// Sizes at 96 dots per inch, in logical pixels.
constexpr int RowHeight = 16;
constexpr int ColumnWidths[] = {30, 162, 15, 40};
constexpr int SeparationWidth = 58;
constexpr int SwatchRole = Qt::UserRole;
constexpr int OverprintRole = Qt::UserRole + 1;

// The swatch and the overprint mark are painted; names keep to 31 characters.
class ColorGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        if (index.column() == TColorsDlg::SwatchCol) {
            p->fillRect(option.rect.adjusted(2, 2, -2, -2), index.data(SwatchRole).value<QColor>());
            return;
        }
        if (index.column() == TColorsDlg::OverprintCol) {
            if (index.data(OverprintRole).toBool()) {
                // A filled square: the colour prints over the ones below it.
                const int side = std::min(option.rect.width(), option.rect.height()) - 6;
                QRect mark(0, 0, side, side);
                mark.moveCenter(option.rect.center());
                p->fillRect(mark, option.palette.color(QPalette::Text));
            }
            return;
        }
        QStyledItemDelegate::paint(p, option, index);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor);
            line && index.column() == TColorsDlg::NameCol)
            line->setMaxLength(MaxColorNameBytes);
        return editor;
    }
};

} // namespace

QPushButton* AddSideButton(QWidget* owner, QBoxLayout* column, const QString& name,
                           const QString& text)
{
    auto* b = new QPushButton(text, owner);
    b->setObjectName(name);
    column->addWidget(b);
    return b;
}

TColorsDlg::TColorsDlg(ColorTable& table, QWidget* parent)
    : QDialog(parent), table_(table), colorB_(new QTableWidget(this))
{
    setObjectName(QStringLiteral("ColorsDlg"));
    setWindowTitle(SymDlgText(TextKey::Colors));
    auto* row = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    row->addLayout(left, 1);
    QLabel* spot = nullptr;
    if (table_.Separations() > 0) {
        spot = new QLabel(SymDlgText(TextKey::SpotColors), this);
        left->addWidget(spot);
    }
    colorB_->setObjectName(QStringLiteral("ColorB"));
    colorB_->setItemDelegate(new ColorGridDelegate(colorB_));
    colorB_->setSelectionMode(QAbstractItemView::SingleSelection);
    colorB_->verticalHeader()->hide();
    colorB_->verticalHeader()->setMinimumSectionSize(RowHeight);
    colorB_->verticalHeader()->setDefaultSectionSize(RowHeight);
    colorB_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    colorB_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
    colorB_->viewport()->installEventFilter(this);
    left->addWidget(colorB_);
    connect(colorB_, &QTableWidget::cellClicked, this, &TColorsDlg::CellClicked);

    auto* buttons = new QVBoxLayout;
    row->addLayout(buttons);
    const auto button = [&](const char* name, TextKey text) {
        return AddSideButton(this, buttons, QString::fromLatin1(name), SymDlgText(text));
    };
    QPushButton* color = button("ColorBtn", TextKey::ColorBtn);
    color->setText(color->text() + QStringLiteral("..."));
    QPushButton* up = button("MoveUpBtn", TextKey::MoveUp);
    QPushButton* down = button("MoveDnBtn", TextKey::MoveDn);
    buttons->addStretch(1);
    QPushButton* ok = button("OKBtn", TextKey::Ok);
    ok->setDefault(true);
    QPushButton* cancel = button("CancelBtn", TextKey::Cancel);
    QPushButton* help = button("HelpBtn", TextKey::Help);
    connect(color, &QPushButton::clicked, this, [this] { EditColor(SelectedRow()); });
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(ok, &QPushButton::clicked, this, &TColorsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &TColorsDlg::reject);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(ColorsHelpContext); });

    FillGrid(0);
    int width = 0;
    for (int c = 0; c < colorB_->columnCount(); ++c) {
        if (c == FirstSeparationCol && spot)
            spot->setIndent(width); // above the first separation's column
        width += colorB_->horizontalHeader()->sectionSize(c);
    }
    resize(width + 160, 420);
}

void TColorsDlg::FillGrid(int selectRow)
{
    const int seps = table_.Separations();
    colorB_->clear();
    colorB_->setColumnCount(FirstSeparationCol + seps);
    colorB_->setRowCount(table_.Count());
    QStringList headers = {SymDlgText(TextKey::Number), SymDlgText(TextKey::Name),
                           SymDlgText(TextKey::OverPr), QString()};
    for (int s = 0; s < seps; ++s)
        headers << NameFieldText(table_.Block.Separations[size_t(s)].Name);
    colorB_->setHorizontalHeaderLabels(headers);
    // Columns keep their widths unless the header's caption (in the user's language and font)
    // needs more.
    QHeaderView* header = colorB_->horizontalHeader();
    for (int c = 0; c < colorB_->columnCount(); ++c)
        header->resizeSection(c, std::max(c < FirstSeparationCol ? ColumnWidths[c] : SeparationWidth,
                                          header->sectionSizeHint(c)));
    for (int r = 0; r < table_.Count(); ++r) {
        const ColorRecord& c = table_.At(r);
        auto* number = new QTableWidgetItem(QString::number(c.Number));
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        colorB_->setItem(r, NumberCol, number);
        colorB_->setItem(r, NameCol, new QTableWidgetItem(ColorName(c)));
        auto* overprint = new QTableWidgetItem;
        overprint->setFlags(Qt::ItemIsEnabled);
        overprint->setData(OverprintRole, c.Overprint != 0);
        colorB_->setItem(r, OverprintCol, overprint);
        auto* swatch = new QTableWidgetItem;
        swatch->setFlags(Qt::ItemIsEnabled);
        swatch->setData(SwatchRole, ScreenColorOf(c.Cmyk));
        colorB_->setItem(r, SwatchCol, swatch);
        for (int s = 0; s < seps; ++s)
            colorB_->setItem(r, FirstSeparationCol + s,
                             new QTableWidgetItem(SeparationCellText(c.Separations[size_t(s)])));
    }
    const int r = std::clamp(selectRow, 0, table_.Count() - 1);
    colorB_->setCurrentCell(r, NameCol);
}

int TColorsDlg::SelectedRow() const
{
    return std::max(colorB_->currentRow(), 0);
}

bool TColorsDlg::StoreGrid()
{
    std::vector<ColorTable::GridRow> rows(size_t(table_.Count()));
    for (int r = 0; r < table_.Count(); ++r) {
        auto text = [&](int c) {
            const QTableWidgetItem* item = colorB_->item(r, c);
            return item ? item->text() : QString();
        };
        rows[size_t(r)].name = text(NameCol);
        for (int s = 0; s < table_.Separations(); ++s)
            rows[size_t(r)].cells.push_back(text(FirstSeparationCol + s));
    }
    const ColorTable::BadCell bad = table_.StoreGrid(rows);
    if (bad) {
        colorB_->setCurrentCell(bad.row, FirstSeparationCol + bad.separation);
        colorB_->setFocus();
        return false;
    }
    return true;
}

void TColorsDlg::CellClicked(int row, int column)
{
    if (column == OverprintCol) {
        table_.ToggleOverprint(row);
        colorB_->item(row, OverprintCol)->setData(OverprintRole, table_.At(row).Overprint != 0);
    } else if (column == SwatchCol) {
        EditColor(row);
    }
}

void TColorsDlg::EditColor(int row)
{
    if (!StoreGrid())
        return;
    int current = std::clamp(row, 0, table_.Count() - 1);
    ExecDefColorDlg(this, table_, current);
    FillGrid(current);
}

void TColorsDlg::MoveSelected(int delta)
{
    if (!StoreGrid())
        return;
    const int row = SelectedRow();
    const int column = std::max(colorB_->currentColumn(), int(NameCol));
    if (!table_.Move(row, delta))
        return;
    FillGrid(row + delta);
    colorB_->setCurrentCell(row + delta, column);
}

bool TColorsDlg::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == colorB_->viewport() && e->type() == QEvent::Wheel) {
        // The wheel moves the selection by one row, whatever the notches.
        const int dy = static_cast<QWheelEvent*>(e)->angleDelta().y();
        const int row = std::clamp(SelectedRow() + (dy > 0   ? -1
                                                    : dy < 0 ? 1
                                                             : 0),
                                   0, table_.Count() - 1);
        colorB_->setCurrentCell(row, std::max(colorB_->currentColumn(), int(NameCol)));
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TColorsDlg::accept()
{
    if (StoreGrid())
        QDialog::accept();
}

bool ExecColorsDlg(QWidget* parent, ColorTable& table)
{
    TColorsDlg d(table, parent);
    return d.exec() == QDialog::Accepted;
}

} // namespace zemo
