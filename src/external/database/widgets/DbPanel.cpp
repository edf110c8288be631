#include "external/database/widgets/DbPanel.h"

#include "core/LangTexts.h"
#include "edit/Work.h"
#include "external/database/DbObject.h"
#include "external/database/DbSys.h"
#include "shell/widgets/DialogRows.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zemo {

namespace {

constexpr int NameColumn = 0, MarkerColumn = 1, ValueColumn = 2;
constexpr int GridMargin = 8;

class ButtonDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.column() == MarkerColumn && !index.data().toString().isEmpty())
            DrawDbGridButton(*p, option.rect);
        else
            QStyledItemDelegate::paint(p, option, index);
    }
};

class TDbPanel : public QWidget {
public:
    explicit TDbPanel(QWidget* parent) : QWidget(parent), grid_(new QTableWidget(this))
    {
        setObjectName(QStringLiteral("DbPanelContent"));
        grid_->setObjectName(QStringLiteral("DbGrid"));
        grid_->setColumnCount(3);
        grid_->horizontalHeader()->hide();
        grid_->verticalHeader()->hide();
        grid_->verticalHeader()->setMinimumSectionSize(DbGridRowHeight);
        grid_->verticalHeader()->setDefaultSectionSize(DbGridRowHeight);
        grid_->setColumnWidth(MarkerColumn, DbGridRowHeight);
        grid_->setItemDelegate(new ButtonDelegate(grid_));
        grid_->setSelectionMode(QAbstractItemView::SingleSelection);
        grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                               | QAbstractItemView::AnyKeyPressed);
        grid_->hide();
        auto* link = new QPushButton(Text(TextKey::DbLink).remove(u'&'), this);
        link->setObjectName(QStringLiteral("DbLinkBtn"));
        auto* find = new QPushButton(Text(TextKey::DbFind).remove(u'&'), this);
        find->setObjectName(QStringLiteral("DbFindBtn"));
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(link);
        buttons->addWidget(find);
        buttons->addStretch();
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->addLayout(buttons);
        column->addWidget(grid_);
        column->addStretch();
        connect(link, &QPushButton::clicked, this, [] { RunInCommandFrame(LinkObject); });
        connect(find, &QPushButton::clicked, this, [] { RunInCommandFrame(FindObjectCommand); });
        connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
            if (filling_ || item->column() != ValueColumn)
                return;
            std::vector<DbGridRow>& rows = DbObject.Grid.Rows;
            if (item->row() < int(rows.size()))
                rows[size_t(item->row())].Value = item->text();
            // Written at once: a selection change must not lose it.
            RunInCommandFrame([] { db::GetData(); });
        });
        connect(grid_, &QTableWidget::cellClicked, this, [](int row, int column) {
            const std::vector<DbGridRow>& rows = DbObject.Grid.Rows;
            if (column == MarkerColumn && row < int(rows.size()) && !rows[size_t(row)].Marker.isEmpty())
                RunInCommandFrame([row] { DbGridSelectRecord(row); });
        });
    }

    void Show(const DbGridModel& model)
    {
        filling_ = true;
        const int rows = int(model.Rows.size());
        const bool changed = rows != grid_->rowCount();
        grid_->setRowCount(rows);
        for (int r = 0; r < rows; ++r) {
            const DbGridRow& row = model.Rows[size_t(r)];
            const QString texts[] = {row.Name, row.Marker, row.Value};
            for (int c = 0; c < 3; ++c) {
                // Items are kept and given their new text: the grid may be shown again while
                // one of them reports its edit.
                QTableWidgetItem* item = grid_->item(r, c);
                if (!item) {
                    item = new QTableWidgetItem;
                    // Only the values are picked and edited.
                    item->setFlags(c == ValueColumn ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                                    : Qt::ItemIsEnabled);
                    grid_->setItem(r, c, item);
                }
                item->setText(texts[c]);
            }
            grid_->setRowHeight(r, DbGridRowHeight);
        }
        filling_ = false;
        grid_->setVisible(model.Visible);
        if (changed || model.Visible)
            Layout();
    }

    void Layout()
    {
        if (grid_->rowCount() == 0)
            return;
        grid_->resizeColumnToContents(NameColumn);
        const int fixed = grid_->columnWidth(NameColumn) + grid_->columnWidth(MarkerColumn);
        const DbGridSize s = DbGridLayout(grid_->rowCount(), height() - grid_->y(), width() - grid_->x(), fixed,
                                          style()->pixelMetric(QStyle::PM_ScrollBarExtent));
        grid_->setFixedHeight(std::max(0, s.Height));
        grid_->setColumnWidth(ValueColumn, std::max(0, s.ValueWidth));
    }

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        QWidget::resizeEvent(e);
        Layout();
    }

private:
    QTableWidget* grid_;
    bool filling_ = false;
};

QPointer<TDbPanel> ThePanel;

} // namespace

DbGridSize DbGridLayout(int rows, int spaceBelowTop, int gridWidth, int fixedColumns, int scrollBarWidth)
{
    const int all = rows * DbGridRowHeight;
    if (spaceBelowTop >= all + 2 * GridMargin)
        return {all + GridMargin, gridWidth - fixedColumns - GridMargin};
    return {spaceBelowTop - GridMargin, gridWidth - fixedColumns - GridMargin - scrollBarWidth};
}

void DrawDbGridButton(QPainter& canvas, const QRect& cell)
{
    canvas.save();
    const QRect r = cell.adjusted(0, 0, -1, -1);
    canvas.fillRect(r, QApplication::palette().color(QPalette::Button));
    canvas.setPen(Qt::black);
    canvas.drawRect(r);
    canvas.setPen(Qt::white);
    // The outline takes the cell's outer pixels; the edges lie just inside it.
    canvas.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    canvas.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
    canvas.setPen(QColor(128, 128, 128));
    canvas.drawLine(r.left() + 1, r.bottom(), r.right(), r.bottom());
    canvas.drawLine(r.right(), r.top() + 1, r.right(), r.bottom());
    canvas.restore();
}

void FillDbPanel(TMainFm&, MainFramePanels& panels)
{
    auto* layout = new QVBoxLayout(panels.DbPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    ThePanel = new TDbPanel(panels.DbPanel);
    layout->addWidget(ThePanel);
    panels.DbPanelBuilt = true;
}

void ShowDbGridInPanel(const DbGridModel& grid)
{
    if (ThePanel)
        ThePanel->Show(grid);
}

void ExecShowTabDlg(QWidget* parent, const QString& table)
{
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("ShowTabDlg"));
    dlg.setWindowTitle(Text(TextKey::SecondaryTable) + QStringLiteral(" - ") + table);
    auto* layout = new QVBoxLayout(&dlg);
    auto* tab = new QTableWidget(DbFieldCount(), 2, &dlg);
    tab->setObjectName(QStringLiteral("TabB"));
    tab->horizontalHeader()->hide();
    tab->verticalHeader()->hide();
    QStringList before;
    for (int i = 0; i < DbFieldCount(); ++i) {
        auto* name = new QTableWidgetItem(DbFieldName(i));
        name->setFlags(Qt::ItemIsEnabled);
        tab->setItem(i, 0, name);
        before << DbFieldValue(i);
        tab->setItem(i, 1, new QTableWidgetItem(before.back()));
    }
    tab->setColumnWidth(1, 130);
    layout->addWidget(tab);
    AddDialogButtons(&dlg, layout, true, [] { return 0; });
    if (dlg.exec() != QDialog::Accepted)
        return;
    QStringList values;
    for (int i = 0; i < tab->rowCount(); ++i)
        values << tab->item(i, 1)->text();
    WriteChangedValues(before, values);
}

} // namespace zemo
