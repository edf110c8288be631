#include "io/widgets/PrintDlgParts.h"

#include "core/widgets/SpinControls.h"
#include "edit/widgets/MapDlgForm.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

QPushButton* DlgButton(QWidget* parent, TextKey caption, const char* name)
{
    auto* b = Named(new QPushButton(Text(caption), parent), name);
    b->setAutoDefault(false);
    return b;
}

QRadioButton* DlgRadio(QWidget* parent, TextKey caption, const char* name)
{
    return Named(new QRadioButton(Text(caption), parent), name);
}

QLineEdit* DlgEdit(QWidget* parent, const QString& text, const char* name)
{
    return Named(new QLineEdit(text, parent), name);
}

QGroupBox* DlgGroup(QWidget* parent, const char* name, TextKey caption, std::initializer_list<QWidget*> items)
{
    auto* g = Named(new QGroupBox(PlainText(caption), parent), name);
    auto* box = new QVBoxLayout(g);
    auto* exclusive = new QButtonGroup(g);
    for (QWidget* w : items) {
        w->setParent(g);
        box->addWidget(w);
        if (auto* r = qobject_cast<QRadioButton*>(w))
            exclusive->addButton(r);
    }
    return g;
}

void KeepShown(QComboBox* combo)
{
    combo->setProperty("shownText", combo->currentText());
    combo->setProperty("shownIndex", combo->currentIndex());
}

bool LeftAsShown(const QComboBox* combo)
{
    return combo->currentText() == combo->property("shownText").toString()
           && combo->currentIndex() == combo->property("shownIndex").toInt();
}

TIntUpDown* IntRow(QGridLayout* grid, QWidget* parent, TextKey label, const char* name, int min, int max,
                   int step, int value, QLineEdit*& edit, const QString& unit)
{
    edit = Named(new QLineEdit(parent), (QByteArray(name) + 'E').constData());
    auto* spin = Named(new TIntUpDown(parent), (QByteArray(name) + 'B').constData());
    spin->SetAssociate(edit);
    // As tall as its field, not as tall as the page's spare room.
    spin->setFixedHeight(edit->sizeHint().height());
    spin->SetRange(min, max);
    spin->SetIncrement(step);
    spin->SetValue(value);
    edit->setText(QString::number(value));
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(PlainText(label) + u':', parent), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(spin, row, 2);
    if (!unit.isEmpty())
        grid->addWidget(new QLabel(unit, parent), row, 3);
    return spin;
}

} // namespace zemo
