#include "symbols/widgets/EditIconDlg.h"

#include "core/Help.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolbarButton97.h"
#include "symbols/store/IconCodec.h"
#include "symbols/widgets/SymDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace zemo {

namespace {

// The tool buttons' pictures: the shape each draws.
QIcon ToolPicture(IconTool tool)
{
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 2));
    const bool filled = tool == IconTool::FullRect || tool == IconTool::FullEllipse;
    p.setBrush(filled ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
    const QRect box(4, 5, 12, 10);
    switch (tool) {
    case IconTool::Pen: p.drawPoint(10, 10); p.drawLine(6, 14, 14, 6); break;
    case IconTool::Line: p.drawLine(3, 16, 16, 3); break;
    case IconTool::Rect:
    case IconTool::FullRect: p.drawRect(box); break;
    case IconTool::Ellipse:
    case IconTool::FullEllipse: p.drawEllipse(box); break;
    }
    return QIcon(pm);
}

int FloorDiv(double v, int d)
{
    return int(std::floor(v / d));
}

} // namespace

// ---- Views ----

TIconView::TIconView(QWidget* parent, IconEditor& editor, int scale)
    : QWidget(parent), editor_(editor), scale_(scale)
{
    setFixedSize(IconSize * scale + (scale > 1 ? 1 : 0), IconSize * scale + (scale > 1 ? 1 : 0));
    if (scale > 1)
        setCursor(Qt::CrossCursor);
}

void TIconView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QImage shown = editor_.Shown();
    if (scale_ == 1) {
        p.drawImage(0, 0, shown);
        return;
    }
    p.fillRect(rect(), QColor(128, 128, 128));
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            p.fillRect(x * scale_ + 1, y * scale_ + 1, scale_ - 1, scale_ - 1, QColor(shown.pixel(x, y)));
}

QPoint TIconView::Pixel(const QPointF& at) const
{
    return {FloorDiv(at.x(), scale_), FloorDiv(at.y(), scale_)};
}

void TIconView::Changed()
{
    if (auto* dlg = dynamic_cast<TEditIconDlg*>(window()))
        dlg->Refresh();
    else
        update();
}

void TIconView::mousePressEvent(QMouseEvent* e)
{
    if (scale_ == 1 || e->button() != Qt::LeftButton)
        return;
    editor_.MouseDown(Pixel(e->position()));
    Changed();
}

void TIconView::mouseMoveEvent(QMouseEvent* e)
{
    if (scale_ == 1 || !(e->buttons() & Qt::LeftButton))
        return;
    editor_.MouseMove(Pixel(e->position()));
    Changed();
}

void TIconView::mouseReleaseEvent(QMouseEvent* e)
{
    if (scale_ == 1 || e->button() != Qt::LeftButton)
        return;
    editor_.MouseUp(Pixel(e->position()));
    Changed();
}

// ---- Colours ----

TColorGrid::TColorGrid(QWidget* parent, IconEditor& editor) : QWidget(parent), editor_(editor)
{
    setFixedSize(IconColorColumns * CellSize + 1, IconColorRows * CellSize + 1);
}

QRect TColorGrid::CellRect(int color) const
{
    return {color / IconColorRows * CellSize, color % IconColorRows * CellSize, CellSize, CellSize};
}

void TColorGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    for (int c = 0; c < int(IconEditorColors.size()); ++c) {
        const QRect r = CellRect(c);
        p.fillRect(r, QColor(IconEditorColors[size_t(c)]));
        p.setPen(Qt::black);
        p.drawRect(r);
    }
}

void TColorGrid::mousePressEvent(QMouseEvent* e)
{
    const int column = int(e->position().x()) / CellSize, row = int(e->position().y()) / CellSize;
    if (column < 0 || column >= IconColorColumns || row < 0 || row >= IconColorRows)
        return;
    editor_.SetColorNumber(column * IconColorRows + row);
    if (auto* dlg = dynamic_cast<TEditIconDlg*>(window()))
        dlg->Refresh();
}

// ---- The dialog ----

TEditIconDlg::TEditIconDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EditIconDlg"));
    setWindowTitle(SymDlgText(TextKey::EditIcon));
    auto* column = new QVBoxLayout(this);

    // The tools in a toolbar of their own, docked at the top of the dialog as the main
    // window's are (the framework docks in main windows); the rest of the dialog is the form's
    // centre.
    auto* form = new QMainWindow(this);
    form->setObjectName(QStringLiteral("ToolForm"));
    // A main window is made a window of its own; this one is a part of the dialog.
    form->setWindowFlags(Qt::Widget);
    auto* dock = new TDock97(form, DockPosition::Top, QStringLiteral("IconDock"));
    auto* toolbar = new TToolbar97(form, QStringLiteral("IconToolbar"), SymDlgText(TextKey::EditIcon));
    static constexpr const char* Names[] = {"PenBtn", "LineBtn", "RectBtn", "FullRectB", "CircleBtn", "FullCircleB"};
    for (int t = 0; t < IconToolCount; ++t) {
        auto* b = new TToolbarButton97;
        b->setObjectName(QLatin1String(Names[t]));
        b->SetGroupIndex(1);
        b->SetGlyph(ToolPicture(IconTool(t)));
        connect(b, &TToolbarButton97::clicked, this, [this, t] { editor_.SetTool(IconTool(t)); });
        toolbar->AddControl(b);
        if (t == 0)
            b->SetDown(true);
    }
    toolbar->AddSeparator();
    const auto turn = [&](const char* name, const QString& caption, void (IconEditor::*step)()) {
        auto* b = new TToolbarButton97;
        b->setObjectName(QLatin1String(name));
        b->SetCaption(caption);
        connect(b, &TToolbarButton97::clicked, this, [this, step] {
            (editor_.*step)();
            Refresh();
        });
        toolbar->AddControl(b);
    };
    turn("RotCCWBtn", QStringLiteral("\u21BA"), &IconEditor::RotateCounterClockwise);
    turn("RotCWBtn", QStringLiteral("\u21BB"), &IconEditor::RotateClockwise);
    toolbar->SetDefaultDock(dock);
    toolbar->SetRowAndPos(0, 0);
    toolbar->SetDockedTo(dock);
    auto* centre = new QWidget(form);
    centre->setObjectName(QStringLiteral("IconPanel"));
    auto* panel = new QVBoxLayout(centre);
    panel->setContentsMargins(0, 0, 0, 0);
    form->setCentralWidget(centre);
    column->addWidget(form);

    auto* views = new QHBoxLayout;
    EnlargedB = new TIconView(centre, editor_, TIconView::Enlarged);
    EnlargedB->setObjectName(QStringLiteral("EnlargedB"));
    RealSizeB = new TIconView(centre, editor_, 1);
    RealSizeB->setObjectName(QStringLiteral("RealSizeB"));
    views->addWidget(EnlargedB);
    auto* side = new QVBoxLayout;
    side->addWidget(RealSizeB);
    SelColorB = new QLabel(centre);
    SelColorB->setObjectName(QStringLiteral("SelColorB"));
    SelColorB->setFixedSize(32, 32);
    SelColorB->setFrameShape(QFrame::Box);
    SelColorB->setAutoFillBackground(true);
    side->addWidget(SelColorB);
    side->addStretch(1);
    views->addLayout(side);
    views->addStretch(1);
    panel->addLayout(views);

    ColorGrid = new TColorGrid(centre, editor_);
    ColorGrid->setObjectName(QStringLiteral("ColorGrid"));
    panel->addWidget(ColorGrid);

    AddDialogButtons(this, column, [] { return EditIconHelpContext; });
    Refresh();
}

void TEditIconDlg::Refresh()
{
    QPalette pal = SelColorB->palette();
    pal.setColor(QPalette::Window, QColor(editor_.Color()));
    SelColorB->setPalette(pal);
    RealSizeB->update();
    EnlargedB->update();
}

bool ExecEditIconDlg(QWidget* parent, SymbolBytes& rec)
{
    if (rec.size() < size_t(SymbolHeadBytes))
        return false;
    TEditIconDlg dlg(parent);
    dlg.Editor().Load(rec);
    dlg.Refresh();
    const QImage loaded = dlg.Editor().Image();
    // The same picture stays in the form the record holds it in.
    if (dlg.exec() != QDialog::Accepted || dlg.Editor().Image() == loaded)
        return false;
    // The map is marked changed by the store that writes the record, not here: an editor's
    // Cancel after Icon... leaves the map as it was.
    const TZmd* z = Index.ActiveZmd;
    return dlg.Editor().Store(rec, z ? z->Header.Version : CurrentMapVersion);
}

} // namespace zemo
