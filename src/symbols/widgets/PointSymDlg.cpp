#include "symbols/widgets/PointSymDlg.h"

#include "document/Index.h"
#include "symbols/PointSym.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

// ---- CsGrid ----

TCsGrid::TCsGrid(QWidget* parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
}

QSize TCsGrid::sizeHint() const
{
    return {CdColumnCount * CellSize + 2, CellSize + 1};
}

void TCsGrid::SetBits(uint8_t bits)
{
    bits_ = bits;
    update();
}

QRect TCsGrid::CellRect(int column) const
{
    return {column * CellSize, 0, CellSize, CellSize};
}

void TCsGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(0, CellSize, width(), CellSize);
    for (int c = 0; c < CdColumnCount; ++c) {
        const QRect r = CellRect(c);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(r.right(), 0, r.right(), CellSize);
        // Columns C and F end their groups with a second line.
        if (c == 0 || c == 3)
            p.drawLine(r.right() + 1, 0, r.right() + 1, CellSize);
        if (bits_ & CdColumnBit(c)) {
            const QRect x = r.adjusted(7, 7, -8, -8);
            p.setPen(QPen(Qt::black, 2));
            p.drawLine(x.topLeft(), x.bottomRight());
            p.drawLine(x.bottomLeft(), x.topRight());
        }
    }
}

void TCsGrid::mousePressEvent(QMouseEvent* e)
{
    const int c = int(e->position().x()) / CellSize;
    if (e->button() != Qt::LeftButton || c < 0 || c >= CdColumnCount)
        return;
    bits_ ^= CdColumnBit(c);
    update();
    Q_EMIT Toggled((bits_ & CdColumnBit(c)) != 0);
}

// ---- The dialog ----

TPointSymDlg::TPointSymDlg(QWidget* parent)
    : TSymbolDlg(parent, QStringLiteral("PointSymDlg"), TextKey::PointSymbol, PointSymbolHelpContext)
{
    auto* grid = new QGridLayout;
    AddNumberRows(grid);
    Column()->addLayout(grid);
    NorthB = new QCheckBox(Text(TextKey::OrientNorth), this);
    NorthB->setObjectName(QStringLiteral("NorthB"));
    Column()->addWidget(NorthB);

    CourseGrp = new QGroupBox(SymDlgText(TextKey::CourseSetting), this);
    CourseGrp->setObjectName(QStringLiteral("CourseGrp"));
    auto* course = new QVBoxLayout(CourseGrp);
    NotUsedCourseB = new QRadioButton(Text(TextKey::NotUsedCourse), CourseGrp);
    NotUsedCourseB->setObjectName(QStringLiteral("NotUsedCourseB"));
    CsSymbolB = new QRadioButton(Text(TextKey::CourseSymbol), CourseGrp);
    CsSymbolB->setObjectName(QStringLiteral("CsSymbolB"));
    CsObjTypeB = new QComboBox(CourseGrp);
    CsObjTypeB->setObjectName(QStringLiteral("CsObjTypeB"));
    for (TextKey k : {TextKey::StartType, TextKey::Control, TextKey::Finish, TextKey::CdType})
        CsObjTypeB->addItem(SymDlgText(k));
    CdSymbolB = new QRadioButton(Text(TextKey::CdSymbol), CourseGrp);
    CdSymbolB->setObjectName(QStringLiteral("CdSymbolB"));
    CsGrid = new TCsGrid(CourseGrp);
    CsGrid->setObjectName(QStringLiteral("CsGrid"));
    auto* letters = new QHBoxLayout;
    letters->setSpacing(0);
    for (int c = 0; c < CdColumnCount; ++c) {
        auto* l = new QLabel(QString(QChar(u'C' + c)), CourseGrp);
        l->setFixedWidth(TCsGrid::CellSize);
        l->setAlignment(Qt::AlignCenter);
        letters->addWidget(l);
    }
    letters->addStretch(1);
    course->addWidget(NotUsedCourseB);
    course->addWidget(CsSymbolB);
    course->addWidget(CsObjTypeB);
    course->addWidget(CdSymbolB);
    course->addLayout(letters);
    course->addWidget(CsGrid);
    Column()->addWidget(CourseGrp);
    // Choosing a type makes the symbol a course symbol; marking a column a description one.
    connect(CsObjTypeB, &QComboBox::activated, this, [this] { CsSymbolB->setChecked(true); });
    connect(CsGrid, &TCsGrid::Toggled, this, [this](bool on) {
        if (on)
            CdSymbolB->setChecked(true);
    });

    EditBtn = MakeEditButton(this, QStringLiteral("EditBtn"), TextKey::Edit, 0);
    auto* row = new QHBoxLayout;
    row->addWidget(EditBtn);
    row->addStretch(1);
    Column()->addLayout(row);
    AddButtons();
}

void TPointSymDlg::FillFields()
{
    const SymbolBytes& w = Work();
    NorthB->setChecked((SymU8(w, SymFlags) & SymRotatableFlag) == 0);
    const bool courseMap = Index.ActiveZmd && Index.ActiveZmd->CourseMap;
    CourseGrp->setVisible(courseMap);
    switch (SymU8(w, SymCsRole)) {
    case CsRoleCourse: CsSymbolB->setChecked(true); break;
    case CsRoleDescription: CdSymbolB->setChecked(true); break;
    default: NotUsedCourseB->setChecked(true); break;
    }
    CsObjTypeB->setCurrentIndex(CsObjTypeEntry(SymU8(w, SymCsType)));
    CsGrid->SetBits(SymU8(w, SymCdColumns));
    EditBtn->setEnabled(Session().Lists[0].Editable);
    adjustSize();
}

void TPointSymDlg::ReadFields()
{
    SymbolBytes& w = Work();
    if (Edited(NorthB))
        SetSymU8(w, SymFlags, WithNorth(SymU8(w, SymFlags), NorthB->isChecked()));
    // On other maps the course fields are not shown and stay as they were.
    if (CourseGrp->isHidden())
        return;
    // The role and the type are one choice: either changed stores both as shown.
    if (Edited(NotUsedCourseB) || Edited(CsSymbolB) || Edited(CdSymbolB) || Edited(CsObjTypeB)) {
        const uint8_t role = CsSymbolB->isChecked() ? CsRoleCourse
                           : CdSymbolB->isChecked() ? CsRoleDescription : CsRoleNone;
        SetSymU8(w, SymCsRole, role);
        SetSymU8(w, SymCsType, uint8_t(CsObjTypeOfEntry(CsObjTypeB->currentIndex())));
    }
    // The grid shows the stored columns until a click changes them.
    if (Session().Position < 0 || CsGrid->Bits() != SymU8(w, SymCdColumns))
        SetSymU8(w, SymCdColumns, CsGrid->Bits());
}

} // namespace zemo
