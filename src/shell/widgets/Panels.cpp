#include "shell/widgets/Panels.h"

#include "core/LangTexts.h"
#include "core/widgets/QtStatusBar.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/HelpRouting.h"
#include "shell/widgets/MainFm.h"

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

#include <map>
#include <memory>

namespace zemo {

namespace {

struct PanelsState {
    std::vector<PanelExtension> extensions;
    std::function<void()> endGraphicsEdit;
    std::map<const TMainFm*, std::unique_ptr<MainFramePanels>> frames;
    SymbolBytes pseudoSymbol;
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

QDockWidget* MakeDock(TMainFm& frame, const QString& name, QWidget* content)
{
    auto* dock = new QDockWidget(&frame);
    dock->setObjectName(name);
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock)); // no caption: a panel, not a tool window
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
    return b;
}

void BuildSymbolPanel(TMainFm& frame, MainFramePanels& p)
{
    p.SymPanel = new QWidget;
    p.SymPanel->setObjectName(QStringLiteral("SymPanel"));
    auto* column = new QVBoxLayout(p.SymPanel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    p.SymBoxSplitter = new QSplitter(Qt::Vertical, p.SymPanel);
    p.SymBoxSplitter->setObjectName(QStringLiteral("SymBoxSplitter"));
    p.SymBoxSplitter->setHandleWidth(6);
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
    p.SymDock = MakeDock(frame, QStringLiteral("SymDock"), p.SymPanel);
    p.SymDock->setMinimumWidth(40);
    frame.resizeDocks({p.SymDock}, {SymPanelDefaultWidth}, Qt::Horizontal);
}

void BuildEditPanel(TMainFm& frame, MainFramePanels& p)
{
    p.SymEditPanel = new QWidget;
    p.SymEditPanel->setObjectName(QStringLiteral("SymEditPanel"));
    p.SymEditPanel->setFixedWidth(SymEditPanelWidth);
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
    form->addRow(Text(TextKey::LineWidth) + QLatin1Char(':'), p.SymWidthE);
    form->addRow(Text(TextKey::Diameter) + QLatin1Char(':'), p.SymDiamE);
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
        if (Work.ToolMode == 0)
            StartTool();
    });
    QObject::connect(p.SymApplyBtn, &QPushButton::clicked, &frame, [] { RunCommand(Cmd::ChangeBtn); });
    QObject::connect(p.SymCloseBtn, &QPushButton::clicked, &frame, [] {
        if (P().endGraphicsEdit)
            RunInFrame(P().endGraphicsEdit, "SymCloseBtn");
    });
    QObject::connect(p.SymHelpBtn, &QPushButton::clicked, &frame, [] { ShowHelp(94); });
}

} // namespace

void AddPanelExtension(PanelExtension extension)
{
    P().extensions.push_back(std::move(extension));
}

void ClearPanelExtensions()
{
    P().extensions.clear();
    P().endGraphicsEdit = nullptr;
}

void SetEndSymbolGraphicsEditHook(std::function<void()> hook)
{
    P().endGraphicsEdit = std::move(hook);
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

    for (const PanelExtension& e : P().extensions)
        e(frame, p);
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
    SymbolBytes& rec = P().pseudoSymbol;
    rec = Index.DefaultSymbol;
    if (rec.size() < size_t(SymbolHeadBytes))
        rec.resize(size_t(SymbolHeadBytes));
    static constexpr int16_t Types[] = {0, 2, 3, 1, 1};
    const int k = static_cast<int>(kind);
    SetSymI16(rec, SymNumber, int16_t(PseudoSymbolBase + k));
    SetSymI16(rec, SymObjectType, Types[k]);
    v->CurrentSymbol = &rec;
}

} // namespace zemo
