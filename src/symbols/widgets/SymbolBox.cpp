#include "symbols/widgets/SymbolBox.h"

#include "core/Status.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "symbols/SymbolMenu.h"
#include "symbols/store/IconCodec.h"

#include <QDockWidget>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QToolTip>

#include <utility>

namespace zemo {

namespace {

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

// Everything drawn over the icon inverts it: exclusive-or with white.
void XorRect(QPainter& p, int x, int y, int w, int h)
{
    p.fillRect(QRect(x, y, w, h), Qt::white);
}

} // namespace

QImage DrawSymbolCell(const QImage& icon, const CellMarks& m)
{
    QImage cell(SymbolCellSize, SymbolCellSize, QImage::Format_RGB32);
    cell.fill(Qt::white);
    {
        QPainter p(&cell);
        p.drawImage(0, 0, icon.convertToFormat(QImage::Format_RGB32));
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        if (m.protectedMark || m.hiddenMark) {
            p.setPen(QPen(QColor(128, 128, 128), 3, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(0, 20, 20, 0);
            if (m.hiddenMark)
                p.drawLine(0, 0, 20, 20);
        }
        if (m.selectedMark) {
            XorRect(p, 0, 0, 5, 5);
            XorRect(p, 17, 0, 5, 5);
            XorRect(p, 0, 17, 5, 5);
            XorRect(p, 17, 17, 5, 5);
        }
        if (m.currentMark) {
            p.setPen(QPen(Qt::white, 1));
            p.setBrush(Qt::NoBrush);
            for (int k = 0; k < 3; ++k)
                p.drawRect(QRect(k, k, 22 - 2 * k, 22 - 2 * k).adjusted(0, 0, -1, -1));
        }
        if (m.insertBar)
            XorRect(p, 0, 3, 5, 16);
    }
    return cell;
}

CellMarks CellMarksOf(int pos)
{
    CellMarks m;
    TZmd* z = Map();
    if (!z || pos < 0 || pos >= z->SymbolCount())
        return m;
    const SymbolBytes& rec = z->Symbols[size_t(pos)];
    const int status = SymU8(rec, SymStatus) & SymbolStatusMask;
    m.protectedMark = status == 1;
    m.hiddenMark = status == 2;
    const int c = CurrentSymbolPos();
    m.selectedMark = c < 0 && SymU8(rec, SymSelected) != 0;
    m.currentMark = pos == c;
    const SymbolBoxState& st = SymBox();
    m.insertBar = st.Dragging && st.InsertMark == pos && pos != c && pos != c + 1;
    return m;
}

TSymbolBox::TSymbolBox(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("SymbolBox"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setMouseTracking(false);
    verticalScrollBar()->setSingleStep(1);
}

TSymbolBox::~TSymbolBox() = default;

int TSymbolBox::SymbolCountNow() const
{
    TZmd* z = Map();
    return z ? z->SymbolCount() : 0;
}

int TSymbolBox::TopRow() const
{
    return verticalScrollBar()->value();
}

int TSymbolBox::PositionAt(QPoint p, bool forDrop) const
{
    const int count = SymbolCountNow();
    if (p.x() < 0 || p.y() < 0)
        return forDrop ? 0 : -1;
    const int column = std::min(p.x() / SymbolCellSize, grid_.columns - 1);
    const int row = p.y() / SymbolCellSize + TopRow();
    const int pos = SymbolAtCell(grid_, column, row, count);
    if (pos < 0 && forDrop)
        return count;
    return pos;
}

QRect TSymbolBox::CellRect(int pos) const
{
    const int row = pos / grid_.columns - TopRow();
    return QRect((pos % grid_.columns) * SymbolCellSize, row * SymbolCellSize, SymbolCellSize,
                 SymbolCellSize);
}

void TSymbolBox::AgainAfterPaint(bool layout)
{
    layoutAgain_ = layoutAgain_ || layout;
    if (againQueued_)
        return;
    againQueued_ = true;
    WhenPaintEnds([self = QPointer<TSymbolBox>(this)] {
        if (!self)
            return;
        self->againQueued_ = false;
        const bool layout = std::exchange(self->layoutAgain_, false);
        if (layout)
            self->LayoutSymbolBox();
        else
            self->viewport()->update();
    });
}

void TSymbolBox::LayoutSymbolBox()
{
    if (Work.PaintBusy) {
        AgainAfterPaint(true);
        return;
    }
    // The viewport's width already lacks a shown scroll bar: count with the whole frame.
    const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int columnsBefore = grid_.columns;
    grid_ = LayoutSymbolGrid(width(), height(), SymbolCountNow(), sb);
    // Other columns move the current symbol to another row: it stays in view.
    scrollPending_ = scrollPending_ || grid_.columns != columnsBefore;
    const int visibleRows = std::max(1, viewport()->height() / SymbolCellSize);
    verticalScrollBar()->setPageStep(visibleRows);
    verticalScrollBar()->setRange(0, std::max(0, grid_.rows - visibleRows));
    if (scrollPending_)
        ScrollToCurrentSymbol();
    viewport()->update();
}

void TSymbolBox::ScrollToCurrentSymbol()
{
    const int c = CurrentSymbolPos();
    scrollPending_ = false;
    if (c < 0)
        return;
    const int row = c / grid_.columns;
    const int visibleRows = std::max(1, viewport()->height() / SymbolCellSize);
    if (row >= TopRow() && row < TopRow() + visibleRows)
        return;
    const int top = std::min(row, std::max(0, grid_.rows - visibleRows));
    verticalScrollBar()->setValue(top);
    // A box not laid out for this map yet cannot scroll that far: the layout does it.
    scrollPending_ = TopRow() != top || grid_.rows <= row;
}

void TSymbolBox::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    if (Work.PaintBusy) {
        if (shown_.size() == viewport()->size())
            p.drawImage(0, 0, shown_);
        else
            p.fillRect(viewport()->rect(), Qt::white);
        AgainAfterPaint(false);
        return;
    }
    shown_ = QImage(viewport()->size(), QImage::Format_RGB32);
    shown_.fill(Qt::white);
    if (TZmd* z = Map()) {
        QPainter cells(&shown_);
        const int count = z->SymbolCount();
        const int visibleRows = viewport()->height() / SymbolCellSize + 1;
        QImage icon;
        for (int row = TopRow(); row < TopRow() + visibleRows && row < grid_.rows; ++row) {
            for (int col = 0; col < grid_.columns; ++col) {
                const int pos = SymbolAtCell(grid_, col, row, count);
                if (pos < 0)
                    break;
                icon = BlankIcon();
                DecodeRecordIcon(z->Symbols[size_t(pos)], icon);
                cells.drawImage(CellRect(pos).topLeft(), DrawSymbolCell(icon, CellMarksOf(pos)));
            }
        }
    }
    p.drawImage(0, 0, shown_);
}

void TSymbolBox::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    LayoutSymbolBox();
}

void TSymbolBox::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TSymbolBox::mousePressEvent(QMouseEvent* e)
{
    if (!Map())
        return;
    EndTool();
    const int pos = PositionAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton) {
        SymbolBoxLeftDown(pos, ClickKeys{(e->modifiers() & Qt::ShiftModifier) != 0,
                                         (e->modifiers() & Qt::ControlModifier) != 0});
        viewport()->update();
    } else if (e->button() == Qt::RightButton) {
        const bool popUp = SymbolBoxRightDown(pos);
        viewport()->update();
        if (popUp && popUp_)
            popUp_->popup(e->globalPosition().toPoint());
    }
}

void TSymbolBox::mouseMoveEvent(QMouseEvent* e)
{
    if (!Map() || !(e->buttons() & Qt::LeftButton))
        return;
    if (SymbolBoxDragMove(PositionAt(e->position().toPoint(), true)))
        viewport()->update();
}

void TSymbolBox::mouseReleaseEvent(QMouseEvent* e)
{
    if (!Map())
        return;
    if (e->button() == Qt::LeftButton) {
        SymbolBoxLeftUp();
        viewport()->update();
    }
    if (Work.ToolMode == ToolModes::None)
        StartTool();
    NotifyStateChanged();
}

bool TSymbolBox::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const QString hint = SymbolBoxHint(PositionAt(help->pos()));
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), hint, viewport(), CellRect(PositionAt(help->pos())));
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

SymbolPanelInput PanelInputOf(const TMainFm& frame, const MainFramePanels& panels,
                              const TSymbolBox& box)
{
    const TZmd* z = Map();
    SymbolPanelInput in;
    in.mapOpen = z != nullptr;
    in.graphicsEditing = Work.ActiveView && Work.ActiveView->SymbolGraphicsMode;
    // An empty lower panel would only take the box's room.
    in.courseMap = z && z->CourseMap && panels.CsPanelBuilt;
    in.datasets = z && z->DatasetsPresent && panels.DbPanelBuilt;
    in.scrollBarWidth = box.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    in.clientWidth = frame.width();
    in.panelHeight = panels.SymPanel->height();
    return in;
}

void RefreshSymbolBox(TMainFm& frame, MainFramePanels& panels, TSymbolBox& box)
{
    TZmd* z = Map();
    const SymbolPanelInput in = PanelInputOf(frame, panels, box);
    PString dummy;
    const int slot = MapSettingsSlot(SymBoxSettingsType);
    PString& settings = z && slot >= 0 ? z->MapSettings[size_t(slot)] : dummy;
    const PString before = settings;
    const SymbolPanelLayout l = ComputeSymbolPanelLayout(in, settings);
    if (z && settings != before) {
        // How the box shows the symbols is no change of the map.
        KeepChangedFlag unchanged(z);
        SaveTypedPString(settings, SymBoxSettingsType);
    }
    ShowSymbolPanels(panels, l.symPanel, l.editPanel);
    if (l.symPanel) {
        panels.CsPanel->setVisible(l.csPanel);
        panels.DbPanel->setVisible(l.dbPanel);
        panels.SymDock->setMinimumWidth(l.minWidth);
        if (panels.SymDock->width() != l.panelWidth)
            frame.resizeDocks({panels.SymDock}, {l.panelWidth}, Qt::Horizontal);
        if (l.boxSplitter)
            panels.SymBoxSplitter->setSizes({l.boxHeight, std::max(0, in.panelHeight - l.boxHeight)});
    }
    box.LayoutSymbolBox();
}

} // namespace zemo
