#include "symbols/widgets/DefColorDlg.h"

#include "core/Help.h"
#include "core/StringX.h"
#include "platform/Fonts.h"
#include "symbols/widgets/ColorsDlg.h"
#include "symbols/widgets/SymDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace zemo {

namespace {

constexpr int PreviewWidth = 220;
constexpr int PreviewHeight = 110;
constexpr int TenthsPerPercent = 10;

QFont PreviewFont()
{
    const QString sub = FontService::SubstituteFamily(QStringLiteral("Arial"));
    QFont f(sub.isEmpty() ? QStringLiteral("Arial") : sub);
    f.setPixelSize(40);
    return f;
}

} // namespace

TColorPreview::TColorPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewB"));
    setFixedSize(PreviewWidth, PreviewHeight);
}

void TColorPreview::SetColor(const QColor& c, bool overprint)
{
    color_ = c;
    overprint_ = overprint;
    update();
}

void TColorPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(color_);
    p.setFont(PreviewFont());
    p.drawText(QRect(6, 4, 40, 50), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("A"));
    p.drawLine(54, 10, 54, 100);
    p.fillRect(QRect(64, 10, 8, 91), color_);
    const QRect block(84, 10, 70, 60);
    p.fillRect(block, color_);
    // The hatched block lies over the block and the white beside it: with overprint its
    // colour mixes with the block, without it covers the block.
    const QRect hatch(120, 40, 90, 60);
    p.setCompositionMode(overprint_ ? QPainter::CompositionMode_Multiply
                                    : QPainter::CompositionMode_SourceOver);
    if (!overprint_)
        p.fillRect(hatch, Qt::white);
    p.fillRect(hatch, QBrush(color_, Qt::BDiagPattern));
}

TDefColorDlg::TDefColorDlg(ColorTable& table, int current, QWidget* parent)
    : QDialog(parent), table_(table), current_(std::clamp(current, 0, table.Count() - 1))
{
    setObjectName(QStringLiteral("DefColorDlg"));
    setWindowTitle(SymDlgText(TextKey::DefColor));
    auto* row = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    row->addLayout(left, 1);
    auto* grid = AddFieldGrid(this, left);

    nameB_ = new QLineEdit(this);
    nameB_->setObjectName(QStringLiteral("NameB"));
    nameB_->setMaxLength(MaxColorNameBytes);
    grid->addWidget(new QLabel(SymDlgText(TextKey::Name) + u':', this), 0, 0);
    grid->addWidget(nameB_, 0, 1, 1, 3);
    static constexpr std::array<TextKey, FieldCount> keys = {
        TextKey::Cyan, TextKey::Magenta, TextKey::Yellow, TextKey::Black,
        TextKey::Red,  TextKey::Green,   TextKey::Blue};
    static constexpr std::array<const char*, FieldCount> names = {
        "Cyan", "Magenta", "Yellow", "Black", "Red", "Green", "Blue"};
    for (int f = 0; f < FieldCount; ++f) {
        labels_[size_t(f)] = SymDlgText(keys[size_t(f)]);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(names[size_t(f)]) + u'B');
        edit->setMaximumWidth(60);
        auto* bar = new QSlider(Qt::Horizontal, this);
        bar->setObjectName(QString::fromLatin1(names[size_t(f)]) + QStringLiteral("TB"));
        bar->setRange(0, 100 * TenthsPerPercent);
        bar->setPageStep(10 * TenthsPerPercent);
        bar->setMinimumWidth(160);
        // Black and red start a new group: a gap above them.
        const int r = 1 + f + (f >= Red ? 1 : 0);
        auto* label = new QLabel(labels_[size_t(f)] + u':', this);
        label->setBuddy(edit);
        grid->addWidget(label, r, 0);
        grid->addWidget(edit, r, 1);
        grid->addWidget(new QLabel(QStringLiteral("%"), this), r, 2);
        grid->addWidget(bar, r, 3);
        edits_[size_t(f)] = edit;
        bars_[size_t(f)] = bar;
        connect(edit, &QLineEdit::textChanged, this, [this, f] { FieldEdited(f); });
        connect(bar, &QSlider::valueChanged, this, [this, f](int tenths) {
            if (!filling_)
                edits_[size_t(f)]->setText(FloatToFixedStr(1, double(tenths) / TenthsPerPercent));
        });
    }
    grid->setRowMinimumHeight(5, 8);
    overPrintB_ = new QCheckBox(Text(TextKey::Overprint), this);
    overPrintB_->setObjectName(QStringLiteral("OverPrintB"));
    left->addWidget(overPrintB_);
    connect(overPrintB_, &QCheckBox::toggled, this, [this] { ShowFields(-1); });
    preview_ = new TColorPreview(this);
    left->addWidget(preview_);

    auto* buttons = new QVBoxLayout;
    row->addLayout(buttons);
    const auto button = [&](const char* name, const QString& text) {
        return AddSideButton(this, buttons, QString::fromLatin1(name), text);
    };
    previousBtn_ = button("PreviousBtn", SymDlgText(TextKey::PreviousCol));
    nextBtn_ = button("NextBtn", SymDlgText(TextKey::NextCol));
    newBtn_ = button("NewBtn", SymDlgText(TextKey::NewCol));
    deleteBtn_ = button("DeleteBtn", SymDlgText(TextKey::Delete));
    buttons->addStretch(1);
    QPushButton* close = button("CloseBtn", SymDlgText(TextKey::Close));
    close->setDefault(true);
    QPushButton* help = button("HelpBtn", SymDlgText(TextKey::Help));
    connect(previousBtn_, &QPushButton::clicked, this, &TDefColorDlg::Previous);
    connect(nextBtn_, &QPushButton::clicked, this, &TDefColorDlg::Next);
    connect(newBtn_, &QPushButton::clicked, this, &TDefColorDlg::New);
    connect(deleteBtn_, &QPushButton::clicked, this, &TDefColorDlg::Delete);
    connect(close, &QPushButton::clicked, this, &TDefColorDlg::accept);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(DefColorHelpContext); });

    ShowColor(current_);
}

void TDefColorDlg::ShowColor(int i)
{
    current_ = std::clamp(i, 0, table_.Count() - 1);
    const ColorRecord& c = table_.At(current_);
    fields_ = ColorFields::Of(c);
    filling_ = true;
    nameB_->setText(ColorName(c));
    overPrintB_->setChecked(c.Overprint != 0);
    filling_ = false;
    ShowFields(-1);
    UpdateButtons();
}

void TDefColorDlg::FieldEdited(int field)
{
    if (filling_)
        return;
    double v = 0;
    const QString text = edits_[size_t(field)]->text();
    // Half typed or out of range: the other fields wait; leaving the colour says what is wrong.
    if (!(text.trimmed().isEmpty() || TryPointStrToFloat(text, v)) || v < 0 || v > 100)
        return;
    if (field < Red)
        fields_.SetCmyk(field, v);
    else
        fields_.SetRgb(field - Red, v);
    ShowFields(field);
}

// Every field but the one being typed in, every track bar and the preview.
void TDefColorDlg::ShowFields(int except)
{
    filling_ = true;
    for (int f = 0; f < FieldCount; ++f) {
        const double v = f < Red ? fields_.Cmyk[size_t(f)] : fields_.Rgb[size_t(f - Red)];
        if (f != except)
            edits_[size_t(f)]->setText(FloatToFixedStr(1, v));
        bars_[size_t(f)]->setValue(int(std::lround(v * TenthsPerPercent)));
    }
    filling_ = false;
    ColorRecord shown;
    fields_.StoreCmyk(shown);
    preview_->SetColor(ScreenColorOf(shown.Cmyk), overPrintB_->isChecked());
}

void TDefColorDlg::UpdateButtons()
{
    previousBtn_->setEnabled(current_ > 0);
    nextBtn_->setEnabled(current_ < table_.Count() - 1);
    newBtn_->setEnabled(table_.CanAdd());
    deleteBtn_->setEnabled(table_.CanDelete());
}

bool TDefColorDlg::LeaveColor()
{
    std::array<double, FieldCount> values{};
    for (int f = 0; f < FieldCount; ++f) {
        if (!CheckPercentText(edits_[size_t(f)]->text(), labels_[size_t(f)], &values[size_t(f)])) {
            edits_[size_t(f)]->setFocus();
            edits_[size_t(f)]->selectAll();
            return false;
        }
    }
    ColorRecord& c = table_.At(current_);
    SetColorName(c, nameB_->text());
    // The CMYK as typed; the RGB fields only ever show it.
    ColorFields typed = fields_;
    for (int f = Cyan; f <= Black; ++f)
        typed.Cmyk[size_t(f)] = values[size_t(f)];
    typed.StoreCmyk(c);
    c.Overprint = overPrintB_->isChecked() ? -1 : 0;
    return true;
}

void TDefColorDlg::Previous()
{
    if (current_ > 0 && LeaveColor())
        ShowColor(current_ - 1);
}

void TDefColorDlg::Next()
{
    if (current_ < table_.Count() - 1 && LeaveColor())
        ShowColor(current_ + 1);
}

void TDefColorDlg::New()
{
    if (!table_.CanAdd() || !LeaveColor())
        return;
    ShowColor(table_.AddAfter(current_));
}

void TDefColorDlg::Delete()
{
    const int next = table_.Delete(current_);
    if (next >= 0)
        ShowColor(next);
}

void TDefColorDlg::accept()
{
    if (LeaveColor())
        QDialog::accept();
}

// Closing the window keeps the colour as Close does; the grid's Cancel drops everything.
void TDefColorDlg::reject()
{
    if (LeaveColor())
        QDialog::reject();
}

void ExecDefColorDlg(QWidget* parent, ColorTable& table, int& current)
{
    TDefColorDlg d(table, current, parent);
    d.exec();
    current = d.Current();
}

} // namespace zemo
