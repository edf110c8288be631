#include "course/widgets/CsObjectTab.h"

#include "core/LangTexts.h"
#include "course/CsData.h"
#include "course/CsObject.h"
#include "document/Index.h"
#include "symbols/store/IconCodec.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QToolTip>

#include <algorithm>
#include <utility>
#include <vector>

namespace zemo {

namespace {

constexpr int Margin = 4;
constexpr int OptionGap = 6;     // between the description text and the Properties button
constexpr int RowTop = 64;      // the description row
constexpr int SizePanelHeight = 26;
constexpr int SizeColumn = 5;   // F

std::vector<QPointer<TCsObjectTab>>& Tabs()
{
    static std::vector<QPointer<TCsObjectTab>> tabs;
    return tabs;
}

QImage IconOf(int number10)
{
    QImage image = BlankIcon();
    SymbolBytes* rec = nullptr;
    if (number10 > 0 && GetSymbol(number10, rec))
        DecodeRecordIcon(*rec, image);
    return image;
}

QImage IconAt(int listPos)
{
    QImage image = BlankIcon();
    const TZmd* z = Index.ActiveZmd;
    if (z && listPos >= 0 && listPos < z->SymbolCount())
        DecodeRecordIcon(z->Symbols[size_t(listPos)], image);
    return image;
}

void ShowHint(QHelpEvent* help, QWidget* w, const QString& hint)
{
    if (hint.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), hint, w);
}

// Column F's sizes: two values apart (with a diagonal for "/"), or one.
void PaintSizes(QPainter& p, const QRect& cell, const QString& sizes)
{
    QFont font = p.font();
    font.setPixelSize(9);
    p.setFont(font);
    p.setPen(Qt::black);
    const QFontMetrics fm(font);
    const auto centredAt = [&](int x, int top, const QString& s) {
        p.drawText(QRect(x - 20, top, 40, fm.height()), Qt::AlignHCenter | Qt::AlignTop, s);
    };
    qsizetype at = sizes.indexOf(QLatin1Char('/'));
    const bool diagonal = at >= 0;
    if (!diagonal)
        at = sizes.indexOf(QLatin1Char(';'));
    if (at < 0) {
        centredAt(cell.left() + 11, cell.top() + 6, sizes);
        return;
    }
    if (diagonal)
        p.drawLine(cell.left(), cell.bottom(), cell.right(), cell.top());
    centredAt(cell.left() + 6, cell.top() + 1, sizes.left(at));
    centredAt(cell.right() + 1 - 6, cell.bottom() + 1 - 11, sizes.mid(at + 1));
}

} // namespace

void PaintCsObjRow(QPainter& p, const QString& record)
{
    const int type = CsObjectTypeOf(record);
    const bool lined = type == CsStart || type == CsControl;
    for (int c = 0; c < DescColumns; ++c) {
        const QRect cell(c * CsCellSize, 0, CsCellSize, CsCellSize);
        p.fillRect(cell, Qt::white);
        p.setPen(Qt::black);
        if (lined)
            p.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
        if (c == 0 && type == CsStart) {
            const QPoint pts[] = {{cell.left() + 3, cell.top() + 3},
                                  {cell.left() + 3, cell.bottom() - 3},
                                  {cell.right() - 4, cell.top() + CsCellSize / 2},
                                  {cell.left() + 2, cell.top() + 2}};
            p.drawPolyline(pts, 4);
        } else if (c == 1 && type == CsControl) {
            p.drawText(cell.adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop, CsObjectCode(record));
        }
        if (c == FirstDescColumn || c == SizeColumn)
            p.drawLine(cell.right() - 1, cell.top(), cell.right() - 1, cell.bottom());
        if (c < FirstDescColumn)
            continue;
        const int symbol = CsColumnSymbol(record, c);
        if (symbol > 0)
            p.drawImage(cell.topLeft(), IconOf(symbol));
        else if (c == SizeColumn)
            PaintSizes(p, cell, GetParamText(record, QLatin1Char('s')));
    }
}

// ---- The description row ----

TCsObjGrid::TCsObjGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CsObjGrid"));
    setFixedSize(DescColumns * CsCellSize, CsCellSize);
}

int TCsObjGrid::ColumnAt(QPoint p)
{
    if (p.x() < 0 || p.y() < 0 || p.y() >= CsCellSize)
        return -1;
    const int c = p.x() / CsCellSize;
    return c < DescColumns ? c : -1;
}

bool TCsObjGrid::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        ShowHint(help, this, CsObjGridHint(ColumnAt(help->pos())));
        return true;
    }
    return QWidget::event(e);
}

void TCsObjGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintCsObjRow(p, SelectedCsRecord());
}

void TCsObjGrid::mousePressEvent(QMouseEvent* e)
{
    const int c = ColumnAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && c >= 0)
        ClickCsObjGrid(c);
}

// ---- The picker ----

TCsSelGrid::TCsSelGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CsSelGrid"));
    setAutoFillBackground(true);
    hide();
}

QRect TCsSelGrid::CellRect(int cell)
{
    return {CsPickerBorder + (cell % CsPickerPerRow) * CsPickerPitch,
            CsPickerBorder + (cell / CsPickerPerRow) * CsPickerPitch, CsCellSize, CsCellSize};
}

int TCsSelGrid::CellAt(QPoint p)
{
    const int x = p.x() - CsPickerBorder, y = p.y() - CsPickerBorder;
    if (x < 0 || y < 0 || x % CsPickerPitch >= CsCellSize || y % CsPickerPitch >= CsCellSize)
        return -1;
    const int column = x / CsPickerPitch;
    return column < CsPickerPerRow ? (y / CsPickerPitch) * CsPickerPerRow + column : -1;
}

void TCsSelGrid::Arrange()
{
    const int rows = CsPickerRows(int(CsPickerCandidates(CsObj.PickerColumn).size()));
    setFixedSize(CsPickerPerRow * CsPickerPitch + 2 * CsPickerBorder, rows * CsPickerPitch + 4);
}

bool TCsSelGrid::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        ShowHint(help, this, CsSelGridHint(CellAt(help->pos())));
        return true;
    }
    return QWidget::event(e);
}

void TCsSelGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Mid));
    const std::vector<int> candidates = CsPickerCandidates(CsObj.PickerColumn);
    const int cells = (height() - 4) / CsPickerPitch * CsPickerPerRow;
    for (int cell = 0; cell < cells; ++cell) {
        const QRect r = CellRect(cell);
        if (cell < int(candidates.size()))
            p.drawImage(r.topLeft(), IconAt(candidates[size_t(cell)]));
        else
            p.fillRect(r, Qt::white);
    }
}

void TCsSelGrid::mousePressEvent(QMouseEvent* e)
{
    const int cell = CellAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && cell >= 0)
        ClickCsSelGrid(cell);
}

// ---- The tab ----

TCsObjectTab::TCsObjectTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CsObjectTab"));
    CsDescB = new QLineEdit(this);
    CsDescB->setObjectName(QStringLiteral("CsDescB"));
    CsTextCDB = new QCheckBox(QStringLiteral("Text description"), this);
    CsTextCDB->setObjectName(QStringLiteral("CsTextCDB"));
    CsFunnelB = new QCheckBox(QStringLiteral("Funnel tapes"), this);
    CsFunnelB->setObjectName(QStringLiteral("CsFunnelB"));
    CsObjPropBtn = new QPushButton(Text(TextKey::Properties).remove(QLatin1Char('&')) + QStringLiteral("..."), this);
    CsObjPropBtn->setObjectName(QStringLiteral("CsObjPropBtn"));
    CsObjGrid = new TCsObjGrid(this);
    CsObjectB = new QListWidget(this);
    CsObjectB->setObjectName(QStringLiteral("CsObjectB"));
    CsSizeB = new QWidget(this);
    CsSizeB->setObjectName(QStringLiteral("CsSizeB"));
    CsSizeB->setAutoFillBackground(true);
    auto* sizes = new QHBoxLayout(CsSizeB);
    sizes->setContentsMargins(2, 2, 2, 2);
    CsSize1B = new QLineEdit(CsSizeB);
    CsSize1B->setObjectName(QStringLiteral("CsSize1B"));
    CsSize2B = new QLineEdit(CsSizeB);
    CsSize2B->setObjectName(QStringLiteral("CsSize2B"));
    CsSize3B = new QCheckBox(QStringLiteral("/"), CsSizeB);
    CsSize3B->setObjectName(QStringLiteral("CsSize3B"));
    sizes->addWidget(CsSize1B);
    sizes->addWidget(CsSize3B);
    sizes->addWidget(CsSize2B);
    CsSizeB->hide();
    CsSelGrid = new TCsSelGrid(this);

    // The arrow keys select as a click does: the fields never show one object while the
    // list shows another.
    connect(CsObjectB, &QListWidget::currentRowChanged, this, [this](int row) {
        if (refreshing_ || row < 0 || row == CsObj.Selected)
            return;
        ClickCsObjectList(row);
        if (pressing_)
            selectedRow_ = row;
    });
    CsObjectB->viewport()->installEventFilter(this);
    connect(CsObjectB, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = CsObjectB->row(item);
        // A press on another row selected it already.
        if (std::exchange(selectedRow_, -1) != row)
            ClickCsObjectList(row);
    });
    connect(CsObjPropBtn, &QPushButton::clicked, this, [] { EditCsObjectProps(); });
    connect(CsDescB, &QLineEdit::textEdited, this, [](const QString& s) {
        CsObj.Panel.DescText = s;
        CsObj.Panel.Edited = true;
    });
    connect(CsTextCDB, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_) {
            CsObj.Panel.TextCd = on;
            CsObj.Panel.Edited = true;
        }
    });
    connect(CsFunnelB, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_) {
            CsObj.Panel.Funnel = on;
            CsObj.Panel.Edited = true;
        }
    });
    connect(CsSize1B, &QLineEdit::textEdited, this, [this] { sizesEdited(); });
    connect(CsSize2B, &QLineEdit::textEdited, this, [this] { sizesEdited(); });
    connect(CsSize3B, &QCheckBox::toggled, this, [this] { sizesEdited(); });
    Tabs().push_back(this);
    Refresh();
}

TCsObjectTab::~TCsObjectTab()
{
    auto& tabs = Tabs();
    tabs.erase(std::remove_if(tabs.begin(), tabs.end(),
                              [this](const QPointer<TCsObjectTab>& t) { return !t || t == this; }),
               tabs.end());
    if (tabs.empty())
        CsObj.PanelVisible = false;
}

void TCsObjectTab::sizesEdited()
{
    if (refreshing_)
        return;
    CsObjectPanel& p = CsObj.Panel;
    p.Size1 = CsSize1B->text();
    p.Size2 = CsSize2B->text();
    p.SizeDiagonal = CsSize3B->isChecked();
    StoreCsObjectSize();
}

void TCsObjectTab::Refresh()
{
    refreshing_ = true;
    const TZmd* z = Index.ActiveZmd;
    QStringList codes;
    if (z && z->CourseMap)
        for (int i = 0; i < z->CsObjects.Count(); ++i)
            codes.append(CsObjectCode(z->CsObjects.Strings(i)));
    QStringList shown;
    for (int i = 0; i < CsObjectB->count(); ++i)
        shown.append(CsObjectB->item(i)->text());
    if (shown != codes) {
        CsObjectB->clear();
        CsObjectB->addItems(codes);
    }
    CsObjectB->setCurrentRow(CsObj.Selected < int(codes.size()) ? CsObj.Selected : -1);
    const CsObjectPanel& p = CsObj.Panel;
    CsDescB->setVisible(p.DescVisible);
    if (CsDescB->text() != p.DescText)
        CsDescB->setText(p.DescText);
    CsObjGrid->setVisible(p.GridVisible);
    CsFunnelB->setVisible(p.FunnelVisible);
    CsFunnelB->setChecked(p.Funnel);
    CsTextCDB->setVisible(p.TextCdVisible);
    CsTextCDB->setChecked(p.TextCd);
    CsObjPropBtn->setEnabled(!codes.isEmpty() && CsObj.Selected >= 0);
    CsSizeB->setVisible(p.SizeVisible && CsObj.PickerColumn == SizeColumn);
    if (CsSize1B->text() != p.Size1)
        CsSize1B->setText(p.Size1);
    if (CsSize2B->text() != p.Size2)
        CsSize2B->setText(p.Size2);
    CsSize3B->setChecked(p.SizeDiagonal);
    CsSelGrid->setVisible(CsObj.PickerColumn >= FirstDescColumn);
    CsSelGrid->Arrange();
    setMinimumWidth(neededWidth());
    place();
    CsObjGrid->update();
    CsSelGrid->update();
    refreshing_ = false;
}

int TCsObjectTab::neededWidth() const
{
    // The Properties button shares the first row with the description text, which keeps at
    // least this much; the description row and the picker have rows of their own.
    constexpr int DescMinWidth = 60;
    const int options = std::max(CsTextCDB->sizeHint().width(), CsFunnelB->sizeHint().width());
    const int row = std::max({DescMinWidth + OptionGap + CsObjPropBtn->sizeHint().width(), options,
                              DescColumns * CsCellSize, CsPickerPerRow * CsPickerPitch + 2 * CsPickerBorder});
    return row + 2 * Margin;
}

void TCsObjectTab::place()
{
    const int w = std::max(width(), neededWidth());
    constexpr int RowHeight = 24;
    const int button = CsObjPropBtn->sizeHint().width();
    CsObjPropBtn->setGeometry(w - Margin - button, Margin, button, RowHeight);
    CsDescB->setGeometry(Margin, Margin + 1, w - 2 * Margin - button - OptionGap, RowHeight - 2);
    for (QCheckBox* option : {CsTextCDB, CsFunnelB}) {
        option->adjustSize();
        option->move(Margin, Margin + RowHeight + 4);
    }
    CsObjGrid->move(Margin, RowTop);
    CsObjectB->setGeometry(Margin, CsPickerTop, w - 2 * Margin, std::max(height() - CsPickerTop - Margin, 40));
    CsSizeB->setGeometry(Margin, CsPickerTop, CsPickerPerRow * CsPickerPitch, SizePanelHeight);
    CsSelGrid->move(Margin, CsPickerTop + (CsSizeB->isVisibleTo(this) ? SizePanelHeight + 2 : 0));
    CsSizeB->raise();
    CsSelGrid->raise();
}

bool TCsObjectTab::eventFilter(QObject* watched, QEvent* e)
{
    // Only a press selects the row its click is on: a row the arrow keys reached is clicked anew.
    if (watched == CsObjectB->viewport()) {
        if (e->type() == QEvent::MouseButtonPress) {
            pressing_ = true;
            selectedRow_ = -1;
        } else if (e->type() == QEvent::MouseButtonRelease) {
            pressing_ = false;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TCsObjectTab::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    CsObj.PanelVisible = true;
    Refresh();
}

void TCsObjectTab::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    CsObj.PanelVisible = false;
}

void TCsObjectTab::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    place();
}

void RefreshCsObjectTabs()
{
    for (const QPointer<TCsObjectTab>& t : Tabs())
        if (t)
            t->Refresh();
}

} // namespace zemo
