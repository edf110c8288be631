#include "shell/widgets/Panels.h"

#include "core/LangTexts.h"
#include "core/widgets/OwnControls.h"
#include "core/widgets/QtStatusBar.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/HelpRouting.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Ports.h"
#include "shell/toolbars/widgets/FrameStyle.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <memory>

namespace zemo {

namespace {

struct PanelsState {
    std::map<const TMainFm*, std::unique_ptr<MainFramePanels>> frames;
};

PanelsState& P()
{
    static PanelsState s;
    return s;
}

// Keeps the left status field at half of what the centre field leaves.
class StatusSizer : public QObject {
public:
    explicit StatusSizer(StatusLine* line) : QObject(line), line_(line) {}
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == line_ && e->type() == QEvent::Resize)
            line_->Panel(StatusPanel::Left)->setFixedWidth(LeftStatusWidth(
                line_->width(), line_->Panel(StatusPanel::Center)->width()));
        return false;
    }

private:
    StatusLine* line_;
};

// The splitters are bars of their own laid over the dock's left edge and over the handle
// below the box; they follow those edges whenever the panels move, resize, show or hide.
class SplitterKeeper : public QObject {
public:
    SplitterKeeper(MainFramePanels& p, QObject* owner) : QObject(owner), p_(p) {}
    void Place()
    {
        QDockWidget* dock = p_.SymDock;
        TZSplitter* side = p_.SymSplitter;
        const bool docked = dock->isVisibleTo(dock->parentWidget());
        if (docked) {
            const QRect g = dock->geometry();
            side->setGeometry(g.left(), g.top(), SymSplitterSize, g.height());
            side->raise();
        }
        side->setVisible(docked);

        TZSplitter* bar = p_.SymBoxSplitterBar;
        const bool lower = !p_.CsPanel->isHidden() || !p_.DbPanel->isHidden();
        if (lower) {
            const QWidget* holder = p_.SymbolBoxHolder;
            const QPoint below = holder->mapTo(p_.SymPanel, QPoint(0, holder->height()));
            bar->setGeometry(below.x(), below.y(), holder->width(), SymSplitterSize);
            bar->raise();
        }
        bar->setVisible(lower);
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::Show:
        case QEvent::Hide:
            Place();
            break;
        default:
            break;
        }
        return false;
    }

private:
    MainFramePanels& p_;
};

// A dock's empty title bar. A plain widget has no size hint (-1 x -1), which the dock adds
// to its content's minimum height and then complains about the negative size.
class NoTitleBar : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return {0, 0}; }
    QSize minimumSizeHint() const override { return {0, 0}; }
};

QDockWidget* MakeDock(TMainFm& frame, const QString& name, QWidget* content)
{
    auto* dock = new QDockWidget(&frame);
    dock->setObjectName(name);
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    UseFrameStyle(dock);
    dock->setTitleBarWidget(new NoTitleBar(dock)); // no caption: a panel, not a tool window
    dock->setAllowedAreas(Qt::RightDockWidgetArea);
    dock->setWidget(content);
    frame.addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    return dock;
}

QToolButton* DrawButton(QWidget* parent, const char* name, TextKey hint, const QString& glyph)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(Text(hint));
    b->setText(glyph);
    b->setFixedSize(26, 26);
    // Pressed one at a time: the pressed one is the kind the window draws.
    b->setCheckable(true);
    b->setAutoExclusive(true);
    return b;
}

void BuildSymbolPanel(TMainFm& frame, MainFramePanels& p)
{
    // Made before the panels it watches, so it goes first when the frame is torn down.
    auto* keeper = new SplitterKeeper(p, &frame);
    p.SymPanel = new QWidget;
    p.SymPanel->setObjectName(QStringLiteral("SymPanel"));
    auto* column = new QVBoxLayout(p.SymPanel);
    // Room for the side splitter laid over the left edge.
    column->setContentsMargins(SymSplitterSize, 0, 0, 0);
    column->setSpacing(0);
    p.SymBoxSplitter = new QSplitter(Qt::Vertical, p.SymPanel);
    p.SymBoxSplitter->setObjectName(QStringLiteral("SymBoxSplitter"));
    p.SymBoxSplitter->setHandleWidth(SymSplitterSize);
    p.SymBoxSplitter->setChildrenCollapsible(false);
    p.SymbolBoxHolder = new QWidget(p.SymBoxSplitter);
    p.SymbolBoxHolder->setObjectName(QStringLiteral("SymbolBoxHolder"));
    auto* holder = new QVBoxLayout(p.SymbolBoxHolder);
    holder->setContentsMargins(0, 0, 0, 0);
    p.CsPanel = new QWidget(p.SymBoxSplitter);
    p.CsPanel->setObjectName(QStringLiteral("CsPanel"));
    p.DbPanel = new QWidget(p.SymBoxSplitter);
    p.DbPanel->setObjectName(QStringLiteral("DbPanel"));
    // Course setting and database links bring their panels with them.
    p.CsPanel->hide();
    p.DbPanel->hide();
    column->addWidget(p.SymBoxSplitter);
    // The bar below takes the drags; the splitter only stacks the three parts.
    for (int i = 0; i < p.SymBoxSplitter->count(); ++i)
        p.SymBoxSplitter->handle(i)->setEnabled(false);
    p.SymDock = MakeDock(frame, QStringLiteral("SymDock"), p.SymPanel);
    p.SymDock->setMinimumWidth(40);
    // The panel may take all but 50 pixels of the window; the documents' area must not
    // push the window wider instead.
    if (QWidget* documents = frame.centralWidget())
        documents->setMinimumWidth(1);
    frame.resizeDocks({p.SymDock}, {SymPanelDefaultWidth}, Qt::Horizontal);

    // Right-aligned: the dock on its right grows as the bar moves left; the parent is the
    // frame, so the dock can reach the frame's width less 50.
    p.SymSplitter = new TZSplitter(&frame);
    p.SymSplitter->setObjectName(QStringLiteral("SymSplitter"));
    p.SymSplitter->SetAlignment(TZSplitter::AlignRight);
    p.SymSplitter->SetControl(p.SymDock);
    p.SymSplitter->resize(SymSplitterSize, p.SymSplitter->height());
    p.SymSplitter->hide();

    p.SymBoxSplitterBar = new TZSplitter(p.SymPanel);
    p.SymBoxSplitterBar->setObjectName(QStringLiteral("SymBoxSplitterBar"));
    p.SymBoxSplitterBar->SetAlignment(TZSplitter::AlignTop);
    p.SymBoxSplitterBar->SetControl(p.SymbolBoxHolder);
    p.SymBoxSplitterBar->hide();

    for (QWidget* w : {static_cast<QWidget*>(p.SymDock), p.SymPanel, p.SymbolBoxHolder, p.CsPanel, p.DbPanel})
        w->installEventFilter(keeper);
    keeper->Place();
}

void BuildEditPanel(TMainFm& frame, MainFramePanels& p)
{
    p.SymEditPanel = new QWidget;
    p.SymEditPanel->setObjectName(QStringLiteral("SymEditPanel"));
    auto* column = new QVBoxLayout(p.SymEditPanel);
    column->setContentsMargins(4, 4, 4, 4);
    p.SymEditorL = new QLabel(Text(TextKey::SymbolEditor), p.SymEditPanel);
    p.SymEditorL->setObjectName(QStringLiteral("SymEditorL"));
    column->addWidget(p.SymEditorL);

    auto* buttons = new QHBoxLayout;
    p.SymLineBtn = DrawButton(p.SymEditPanel, "SymLineBtn", TextKey::Line, QStringLiteral("/"));
    p.SymAreaBtn = DrawButton(p.SymEditPanel, "SymAreaBtn", TextKey::Area, QStringLiteral("\u25A0"));
    p.SymCircleBtn = DrawButton(p.SymEditPanel, "SymCircleBtn", TextKey::Circle, QStringLiteral("\u25CB"));
    p.SymDotBtn = DrawButton(p.SymEditPanel, "SymDotBtn", TextKey::Dot, QStringLiteral("\u25CF"));
    for (QToolButton* b : {p.SymLineBtn, p.SymAreaBtn, p.SymCircleBtn, p.SymDotBtn})
        buttons->addWidget(b);
    column->addLayout(buttons);

    auto* form = new QFormLayout;
    p.SymColB = new QComboBox(p.SymEditPanel);
    p.SymColB->setObjectName(QStringLiteral("SymColB"));
    form->addRow(Text(TextKey::Color) + QLatin1Char(':'), p.SymColB);
    p.SymWidthE = new QDoubleSpinBox(p.SymEditPanel);
    p.SymWidthE->setObjectName(QStringLiteral("SymWidthE"));
    p.SymDiamE = new QDoubleSpinBox(p.SymEditPanel);
    p.SymDiamE->setObjectName(QStringLiteral("SymDiamE"));
    for (QDoubleSpinBox* e : {p.SymWidthE, p.SymDiamE}) {
        e->setDecimals(2);
        e->setRange(0, 20);
        e->setSingleStep(0.01);
        e->setSuffix(QStringLiteral(" mm"));
    }
    // A first circle or dot that can be seen.
    p.SymDiamE->setValue(DefaultGraphicsDiameter);
    form->addRow(Text(TextKey::LineWidth) + QLatin1Char(':'), p.SymWidthE);
    form->addRow(Text(TextKey::Diameter) + QLatin1Char(':'), p.SymDiamE);
    // The narrow panel puts a field under its label where both do not fit side by side.
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    column->addLayout(form);

    auto* style = new QGroupBox(Text(TextKey::LineStyle), p.SymEditPanel);
    style->setObjectName(QStringLiteral("SymStyleB"));
    auto* styleColumn = new QVBoxLayout(style);
    p.SymStyleB = new QButtonGroup(style);
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QString::number(i), style);
        r->setObjectName(QStringLiteral("SymStyle%1B").arg(i));
        p.SymStyleB->addButton(r, i);
        styleColumn->addWidget(r);
    }
    p.SymStyleB->button(0)->setChecked(true);
    column->addWidget(style);

    p.SymApplyBtn = new QPushButton(Text(TextKey::Apply), p.SymEditPanel);
    p.SymApplyBtn->setObjectName(QStringLiteral("SymApplyBtn"));
    p.SymCloseBtn = new QPushButton(Text(TextKey::Close), p.SymEditPanel);
    p.SymCloseBtn->setObjectName(QStringLiteral("SymCloseBtn"));
    p.SymHelpBtn = new QPushButton(Text(TextKey::Help), p.SymEditPanel);
    p.SymHelpBtn->setObjectName(QStringLiteral("SymHelpBtn"));
    for (QPushButton* b : {p.SymApplyBtn, p.SymCloseBtn, p.SymHelpBtn})
        column->addWidget(b);
    column->addStretch(1);
    // Wider than designed only where a caption of the language needs it.
    p.SymEditPanel->setFixedWidth(std::max(SymEditPanelWidth, column->minimumSize().width()));
    p.EditDock = MakeDock(frame, QStringLiteral("EditDock"), p.SymEditPanel);

    // Tool route: the element kind becomes the drawing pseudo-symbol.
    const auto toolRoute = [](GraphicsElementKind kind) {
        return [kind] {
            if (IsBusy())
                return;
            EndTool();
            ChooseGraphicsElement(kind);
            StartTool();
        };
    };
    QObject::connect(p.SymLineBtn, &QToolButton::clicked, &frame, toolRoute(GraphicsElementKind::Line));
    QObject::connect(p.SymAreaBtn, &QToolButton::clicked, &frame, toolRoute(GraphicsElementKind::Area));
    QObject::connect(p.SymCircleBtn, &QToolButton::clicked, &frame, toolRoute(GraphicsElementKind::Circle));
    QObject::connect(p.SymDotBtn, &QToolButton::clicked, &frame, [] {
        if (IsBusy())
            return;
        ChooseGraphicsElement(GraphicsElementKind::Dot);
        if (Work.ToolMode == ToolModes::None)
            StartTool();
    });
    QObject::connect(p.SymApplyBtn, &QPushButton::clicked, &frame, [] { RunCommand(Cmd::ChangeBtn); });
    QObject::connect(p.SymCloseBtn, &QPushButton::clicked, &frame, [] {
        RunInFrame([] { ShellWidgetsPorts().EndSymbolGraphicsEdit(); }, "SymCloseBtn");
    });
    QObject::connect(p.SymHelpBtn, &QPushButton::clicked, &frame, [] { ShowHelp(94); });
}

} // namespace

ShellWidgetsPortSet& ShellWidgetsPorts()
{
    static ShellWidgetsPortSet ports;
    return ports;
}

int LeftStatusWidth(int statusWidth, int centerWidth)
{
    if (centerWidth >= statusWidth)
        return 0;
    return (statusWidth - centerWidth) / 2;
}

MainFramePanels& InstallPanels(TMainFm& frame)
{
    auto owned = std::make_unique<MainFramePanels>();
    MainFramePanels& p = *owned;
    P().frames[&frame] = std::move(owned);
    QObject::connect(&frame, &QObject::destroyed, [f = &frame] { P().frames.erase(f); });

    // The edit panel sits left of the symbol panel when both are docked.
    BuildEditPanel(frame, p);
    BuildSymbolPanel(frame, p);

    p.Status = new StatusLine(&frame);
    p.Status->setObjectName(QStringLiteral("Status"));
    p.Status->installEventFilter(new StatusSizer(p.Status));
    frame.statusBar()->addWidget(p.Status, 1);
    frame.statusBar()->setSizeGripEnabled(false);
    p.Status->Install();

    ShellWidgetsPorts().FillSymbolPanel(frame, p);
    ShellWidgetsPorts().FillDbPanel(frame, p);
    ShellWidgetsPorts().FillCsPanel(frame, p);
    return p;
}

MainFramePanels* PanelsOf(const TMainFm& frame)
{
    auto it = P().frames.find(&frame);
    return it == P().frames.end() ? nullptr : it->second.get();
}

void ShowSymbolPanels(MainFramePanels& p, bool symPanel, bool editPanel)
{
    p.SymDock->setVisible(symPanel);
    p.EditDock->setVisible(editPanel);
}

void HideSymbolPanels(MainFramePanels& p)
{
    ShowSymbolPanels(p, false, false);
}

void ChooseGraphicsElement(GraphicsElementKind kind)
{
    MapView* v = Work.ActiveView;
    if (!v)
        return;
    SymbolBytes& rec = v->GraphicsSymbol;
    rec = Index.DefaultSymbol;
    if (rec.size() < size_t(SymbolHeadBytes))
        rec.resize(size_t(SymbolHeadBytes));
    static constexpr int16_t Types[] = {0, 2, 3, 1, 1};
    const int k = static_cast<int>(kind);
    SetSymI16(rec, SymNumber, int16_t(PseudoSymbolBase + k));
    SetSymI16(rec, SymObjectType, Types[k]);
    if (MainFramePanels* p = MainFrame() ? PanelsOf(*MainFrame()) : nullptr) {
        QToolButton* const buttons[] = {p->SymLineBtn, p->SymAreaBtn, p->SymCircleBtn, p->SymDotBtn};
        if (k >= 1 && k <= 4 && buttons[k - 1])
            buttons[k - 1]->setChecked(true);
    }
}

} // namespace zemo
