#include "course/widgets/CdPrintDlg.h"

#include "core/Help.h"
#include "core/StringX.h"
#include "course/CdPrint.h"
#include "course/CsOptions.h"
#include "edit/widgets/MapDlgForm.h"
#include "io/PrintSys.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

class TCdPrintDlg : public TMapDlgForm {
public:
    TCdPrintDlg(QWidget* parent, const CdPrintOptions& o)
        : TMapDlgForm(parent, QStringLiteral("CdPrintDlg"), TextKey::PrintCds, CdPrintHelpContext), values_(o)
    {
        coursesB_ = new QListWidget(this);
        coursesB_->setObjectName(QStringLiteral("CoursesB"));
        coursesB_->setSelectionMode(QAbstractItemView::MultiSelection);
        coursesB_->addItems(o.Items);
        for (int i = 0; i < coursesB_->count() && size_t(i) < o.Selected.size(); ++i)
            coursesB_->item(i)->setSelected(o.Selected[size_t(i)]);
        auto* all = new QPushButton(Text(TextKey::SelectAll), this);
        all->setObjectName(QStringLiteral("AllBtn"));
        AddRow(TextKey::Courses, coursesB_, all);
        connect(all, &QPushButton::clicked, this, [this] {
            CdPrintOptions chosen = values_;
            SelectAllCourses(chosen);
            ShowSelection(chosen.Selected);
        });

        printerB_ = new QComboBox(this);
        printerB_->setObjectName(QStringLiteral("PrinterB"));
        printerB_->addItems(o.Printers);
        printerB_->setCurrentIndex(o.Printer);
        auto* properties = new QPushButton(Text(TextKey::Properties) + QStringLiteral("..."), this);
        properties->setObjectName(QStringLiteral("PropertiesBtn"));
        AddRow(TextKey::Printer, printerB_, properties);
        connect(properties, &QPushButton::clicked, this, [this] { EditPrinterProperties(printerB_->currentIndex()); });
        // Another printer drops what was set for the one before.
        connect(printerB_, &QComboBox::currentIndexChanged, this, [](int i) { SelectPrinter(i); });

        auto* group = new QGroupBox(PlainText(TextKey::Print), this);
        group->setObjectName(QStringLiteral("PrintGrp"));
        auto* gl = new QVBoxLayout(group);
        const TextKey kinds[] = {TextKey::Cds, TextKey::TextCds};
        for (int i = 0; i < 2; ++i) {
            auto* r = new QRadioButton(Text(kinds[i]), group);
            r->setObjectName(i == SymbolSheets ? QStringLiteral("CdsB") : QStringLiteral("TextCdsB"));
            kind_.addButton(r, i);
            gl->addWidget(r);
        }
        kind_.button(o.Kind == TextSheets ? TextSheets : SymbolSheets)->setChecked(true);
        AddWidget(group);

        size_ = AddSpin(TextKey::BoxSize, QStringLiteral("Size"), MinBoxSize, MaxBoxSize, 2, 1, QStringLiteral("mm"));
        size_.SetValue(o.BoxSize);
        auto* standard = new QPushButton(Text(TextKey::Standard), this);
        standard->setObjectName(QStringLiteral("StandardBtn"));
        AddWidget(standard);
        connect(standard, &QPushButton::clicked, this, [this] { size_.SetValue(StandardBoxSize); });
        titleB_ = new QLineEdit(o.Title, this);
        titleB_->setObjectName(QStringLiteral("TitleB"));
        AddRow(TextKey::Title, titleB_);
        copies_ = AddSpin(TextKey::Copies, QStringLiteral("Copies"), MinCdCopies, MaxCdCopies, 0, 1, QString());
        copies_.SetValue(o.Copies);

        auto* buttons = new QDialogButtonBox(this);
        QPushButton* print = buttons->addButton(PlainText(TextKey::Print), QDialogButtonBox::ActionRole);
        print->setObjectName(QStringLiteral("PrintBtn"));
        print->setDefault(true);
        QPushButton* close = buttons->addButton(PlainText(TextKey::Close), QDialogButtonBox::RejectRole);
        close->setObjectName(QStringLiteral("CloseBtn"));
        QPushButton* help = buttons->addButton(PlainText(TextKey::Help), QDialogButtonBox::HelpRole);
        help->setObjectName(QStringLiteral("HelpBtn"));
        AddWidget(buttons);
        connect(print, &QPushButton::clicked, this, [this] { PrintClick(); });
        connect(close, &QPushButton::clicked, this, [this] { CloseClick(); });
        connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(CdPrintHelpContext); });
    }

private:
    void ShowSelection(const std::vector<bool>& selected)
    {
        for (int i = 0; i < coursesB_->count(); ++i)
            coursesB_->item(i)->setSelected(size_t(i) < selected.size() && selected[size_t(i)]);
    }

    bool Take()
    {
        if (!copies_.Check() || !size_.Check())
            return false;
        values_.Printer = printerB_->currentIndex();
        values_.Selected.assign(size_t(coursesB_->count()), false);
        for (int i = 0; i < coursesB_->count(); ++i)
            values_.Selected[size_t(i)] = coursesB_->item(i)->isSelected();
        values_.Kind = kind_.checkedId() == TextSheets ? TextSheets : SymbolSheets;
        values_.BoxSize = size_.Value();
        values_.Title = titleB_->text();
        values_.Copies = int(copies_.Value());
        return true;
    }

    void PrintClick()
    {
        if (!Take())
            return;
        PrintDescriptionSheets(values_);
        accept();
    }

    void CloseClick()
    {
        if (Take())
            StoreCdPrintSettings(values_);
        reject();
    }

    CdPrintOptions values_;
    QListWidget* coursesB_ = nullptr;
    QComboBox* printerB_ = nullptr;
    QButtonGroup kind_;
    SpinField size_;
    QLineEdit* titleB_ = nullptr;
    SpinField copies_;
};

} // namespace

void ExecCdPrintDlg(QWidget* parent)
{
    TCdPrintDlg dlg(parent, CdPrintDialogOptions());
    dlg.exec();
}

} // namespace zemo
