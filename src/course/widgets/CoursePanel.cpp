#include "course/widgets/CoursePanel.h"

#include "course/Courses.h"
#include "course/CsObject.h"
#include "course/CsPreview.h"
#include "course/widgets/CsObjectTab.h"
#include "course/widgets/CsOptionsDlg.h"
#include "document/Index.h"
#include "edit/Ports.h"
#include "edit/widgets/MapDlgForm.h"
#include "shell/widgets/Panels.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace zemo {

namespace {

std::vector<QPointer<TCoursePanel>>& Panels()
{
    static std::vector<QPointer<TCoursePanel>> panels;
    return panels;
}

QPushButton* Button(QWidget* parent, const char* name, TextKey caption)
{
    auto* b = new QPushButton(PlainText(caption), parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QToolButton* StepButton(QWidget* parent, const char* name, const char* glyph)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(QLatin1String(glyph));
    return b;
}

// The diagram's text: the dialog font at 8 points, as the panel's other texts.
QFont DiagramFont(const QWidget* w)
{
    QFont f = w->font();
    f.setPixelSize(11);
    return f;
}

} // namespace

TCoursePaint::TCoursePaint(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CoursePaintB"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void TCoursePaint::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(DiagramFont(this));
    const CourseDiagram& d = CsCourses.Diagram;
    const QFontMetrics fm = p.fontMetrics();
    for (const DiagramLineSeg& l : d.Lines) {
        p.setPen(l.Blue ? Qt::blue : Qt::black);
        p.drawLine(l.From, l.To);
    }
    for (const DiagramText& t : d.Texts) {
        p.setPen(t.Blue ? Qt::blue : Qt::black);
        const int w = fm.horizontalAdvance(t.Text);
        p.drawText(t.X - w / 2, t.Y - DiagramLine / 2 + fm.ascent(), t.Text);
    }
    if (!CurrentCourseText().isEmpty()) {
        // Two short strokes of 12 pixels meeting at the caret's place.
        const QPoint c = d.CaretAt - QPoint(0, DiagramLine / 2);
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(c.x() - 12, c.y(), c.x() - 2, c.y());
        p.drawLine(c.x() + 2, c.y(), c.x() + 12, c.y());
    }
}

void TCoursePaint::mousePressEvent(QMouseEvent* e)
{
    SetCourseCaretPoint(e->position().toPoint());
}

TCoursePanel::TCoursePanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CoursePanel"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    CsPageControl = new QTabWidget(this);
    CsPageControl->setObjectName(QStringLiteral("CsPageControl"));
    CsPageControl->addTab(new TCsObjectTab(CsPageControl), PlainText(TextKey::Objects));
    CsPageControl->addTab(coursesTab(), PlainText(TextKey::Courses));
    CsPageControl->addTab(classesTab(), PlainText(TextKey::Classes));
    v->addWidget(CsPageControl);
    connect(CsPageControl, &QTabWidget::currentChanged, this, [this](int page) {
        if (!refreshing_)
            ChangeCsPage(page);
    });
    Panels().push_back(this);
    Refresh();
}

TCoursePanel::~TCoursePanel()
{
    auto& panels = Panels();
    panels.erase(std::remove_if(panels.begin(), panels.end(),
                                [this](const QPointer<TCoursePanel>& t) { return !t || t == this; }),
                 panels.end());
    if (panels.empty())
        CsCourses.PanelShown = false;
}

QWidget* TCoursePanel::coursesTab()
{
    auto* tab = new QWidget(this);
    tab->setObjectName(QStringLiteral("CoursesTab"));
    auto* v = new QVBoxLayout(tab);
    v->setContentsMargins(2, 2, 2, 2);
    auto* select = new QHBoxLayout;
    CourseFirstBtn = StepButton(tab, "CourseFirstBtn", "|<");
    CoursePrevBtn = StepButton(tab, "CoursePrevBtn", "<");
    CourseSelB = new QComboBox(tab);
    CourseSelB->setObjectName(QStringLiteral("CourseSelB"));
    CourseNextBtn = StepButton(tab, "CourseNextBtn", ">");
    CourseLastBtn = StepButton(tab, "CourseLastBtn", ">|");
    select->addWidget(CourseFirstBtn);
    select->addWidget(CoursePrevBtn);
    select->addWidget(CourseSelB, 1);
    select->addWidget(CourseNextBtn);
    select->addWidget(CourseLastBtn);
    v->addLayout(select);
    auto* buttons = new QGridLayout;
    CourseNewBtn = Button(tab, "CourseNewBtn", TextKey::New);
    CoursePropBtn = Button(tab, "CoursePropBtn", TextKey::Properties);
    CourseDupBtn = Button(tab, "CourseDupBtn", TextKey::Duplicate);
    CourseDeleteBtn = Button(tab, "CourseDeleteBtn", TextKey::Delete);
    buttons->addWidget(CourseNewBtn, 0, 0);
    buttons->addWidget(CoursePropBtn, 0, 1);
    buttons->addWidget(CourseDupBtn, 1, 0);
    buttons->addWidget(CourseDeleteBtn, 1, 1);
    v->addLayout(buttons);
    auto* work = new QHBoxLayout;
    CsCodeB = new QListWidget(tab);
    CsCodeB->setObjectName(QStringLiteral("CsCodeB"));
    CsCodeB->setMaximumWidth(70);
    CourseScrollB = new QScrollArea(tab);
    CourseScrollB->setObjectName(QStringLiteral("CourseScrollB"));
    CoursePaintB = new TCoursePaint(CourseScrollB);
    CourseScrollB->setWidget(CoursePaintB);
    CourseScrollB->setWidgetResizable(false);
    CourseScrollB->installEventFilter(this);
    work->addWidget(CsCodeB);
    work->addWidget(CourseScrollB, 1);
    v->addLayout(work, 1);
    CourseLengthB = new QLabel(tab);
    CourseLengthB->setObjectName(QStringLiteral("CourseLengthB"));
    v->addWidget(CourseLengthB);
    auto* edits = new QGridLayout;
    CsInsertBtn = Button(tab, "CsInsertBtn", TextKey::Insert);
    CsRemoveBtn = Button(tab, "CsRemoveBtn", TextKey::Remove);
    VariationBtn = Button(tab, "VariationBtn", TextKey::Variation);
    CoursePreviewBtn = Button(tab, "CoursePreviewBtn", TextKey::Preview);
    CoursePreviewBtn->setCheckable(true);
    CsOptionsBtn = Button(tab, "CsOptionsBtn", TextKey::OptionsBtn);
    edits->addWidget(CsInsertBtn, 0, 0);
    edits->addWidget(CsRemoveBtn, 0, 1);
    edits->addWidget(VariationBtn, 1, 0);
    edits->addWidget(CoursePreviewBtn, 1, 1);
    edits->addWidget(CsOptionsBtn, 2, 0);
    v->addLayout(edits);

    connect(CourseSelB, &QComboBox::activated, this, [](int i) { SelectCourse(i); });
    connect(CourseFirstBtn, &QToolButton::clicked, this, [] { StepCourse(0); });
    connect(CoursePrevBtn, &QToolButton::clicked, this, [] { StepCourse(1); });
    connect(CourseNextBtn, &QToolButton::clicked, this, [] { StepCourse(2); });
    connect(CourseLastBtn, &QToolButton::clicked, this, [] { StepCourse(3); });
    connect(CourseNewBtn, &QPushButton::clicked, this, [] { NewCourse(); });
    connect(CoursePropBtn, &QPushButton::clicked, this, [] { EditCourse(); });
    connect(CourseDupBtn, &QPushButton::clicked, this, [] { DuplicateCourse(); });
    connect(CourseDeleteBtn, &QPushButton::clicked, this, [] { DeleteCurrentCourse(); });
    connect(CsCodeB, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) {
        ClickCsObjectList(CsCodeB->row(it));
        LocateCsObjectInCourse();
    });
    connect(CsCodeB, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
        CsObj.Selected = CsCodeB->row(it);
        InsertSelectedCsObject();
    });
    connect(CsInsertBtn, &QPushButton::clicked, this, [] { InsertCourseControl(); });
    connect(CsRemoveBtn, &QPushButton::clicked, this, [] { RemoveCourseControl(); });
    connect(VariationBtn, &QPushButton::clicked, this, [] { InsertVariationAtCaret(); });
    connect(CoursePreviewBtn, &QPushButton::clicked, this, [this](bool down) {
        EditPorts().RunInFrame([down] {
            CsPreview.ButtonDown = down;
            course::RefreshCoursePreview();
        });
        Refresh();
    });
    connect(CsOptionsBtn, &QPushButton::clicked, this, [] { EditCourseOptions(); });
    return tab;
}

QWidget* TCoursePanel::classesTab()
{
    auto* tab = new QWidget(this);
    tab->setObjectName(QStringLiteral("ClassesTab"));
    auto* v = new QVBoxLayout(tab);
    v->setContentsMargins(2, 2, 2, 2);
    ClassB = new QListWidget(tab);
    ClassB->setObjectName(QStringLiteral("ClassB"));
    v->addWidget(ClassB, 1);
    auto* h = new QHBoxLayout;
    NewClassBtn = Button(tab, "NewClassBtn", TextKey::New);
    ClassPropBtn = Button(tab, "ClassPropBtn", TextKey::Properties);
    ClassDeleteBtn = Button(tab, "ClassDeleteBtn", TextKey::Delete);
    h->addWidget(NewClassBtn);
    h->addWidget(ClassPropBtn);
    h->addWidget(ClassDeleteBtn);
    v->addLayout(h);
    connect(ClassB, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_) {
            CsCourses.SelectedClass = row;
            Refresh();
        }
    });
    connect(ClassB, &QListWidget::itemDoubleClicked, this, [] { EditClass(); });
    connect(NewClassBtn, &QPushButton::clicked, this, [] { NewClass(); });
    connect(ClassPropBtn, &QPushButton::clicked, this, [] { EditClass(); });
    connect(ClassDeleteBtn, &QPushButton::clicked, this, [] { DeleteSelectedClass(); });
    return tab;
}

void TCoursePanel::Refresh()
{
    refreshing_ = true;
    const TZmd* z = CourseSettingMap();
    CsPageControl->setCurrentIndex(CsCourses.Page);
    const QStringList items = CourseListItems();
    CourseSelB->clear();
    CourseSelB->addItems(items);
    CourseSelB->setCurrentIndex(CurrentCourseItem());
    const bool current = z && z->CurrentCourse >= 0;
    CoursePrevBtn->setEnabled(current);
    CourseNextBtn->setEnabled(z && z->CurrentCourse + 1 < z->Courses.Count());
    CoursePropBtn->setEnabled(current);
    CourseDupBtn->setEnabled(current);
    CourseDeleteBtn->setEnabled(current);
    CsInsertBtn->setEnabled(current);
    CsRemoveBtn->setEnabled(current);
    VariationBtn->setEnabled(current && CsCourses.VariationEnabled);
    CoursePreviewBtn->setEnabled(z != nullptr);
    CoursePreviewBtn->setChecked(z && CsPreview.ButtonDown);
    CsCodeB->clear();
    if (z)
        for (int i = 0; i < z->CsObjects.Count(); ++i)
            CsCodeB->addItem(CsObjectCode(z->CsObjects.Strings(i)));
    CsCodeB->setCurrentRow(CsObj.Selected);
    fitDiagram();
    ClassB->clear();
    ClassB->addItems(ClassListItems());
    ClassB->setCurrentRow(CsCourses.SelectedClass);
    ClassPropBtn->setEnabled(CsCourses.SelectedClass >= 0);
    ClassDeleteBtn->setEnabled(CsCourses.SelectedClass >= 0);
    refreshing_ = false;
}

void TCoursePanel::fitDiagram()
{
    // Room is kept for the vertical scroll bar, which a long course brings.
    const int fit = CourseScrollB->maximumViewportSize().width() - CourseScrollB->verticalScrollBar()->sizeHint().width() - 8;
    if (fit != CsCourses.FitWidth) {
        CsCourses.FitWidth = fit;
        LayoutCurrentCourse();
    }
    CourseLengthB->setText(CsCourses.LengthText);
    const CourseDiagram& d = CsCourses.Diagram;
    const QSize area = CourseScrollB->viewport()->size();
    CoursePaintB->resize(std::max(d.Width, area.width() - 8), std::max(d.Height, area.height() - 8));
    CoursePaintB->update();
}

bool TCoursePanel::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == CourseScrollB && e->type() == QEvent::Resize && !refreshing_)
        fitDiagram();
    return QWidget::eventFilter(watched, e);
}

void TCoursePanel::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    CsCourses.PanelShown = true;
    Refresh();
}

void TCoursePanel::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    CsCourses.PanelShown = false;
}

void RefreshCoursePanels()
{
    for (const QPointer<TCoursePanel>& t : Panels())
        if (t)
            t->Refresh();
}

void FillCsPanel(TMainFm&, MainFramePanels& panels)
{
    auto* layout = new QVBoxLayout(panels.CsPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new TCoursePanel(panels.CsPanel));
    panels.CsPanelBuilt = true;
}

} // namespace zemo
