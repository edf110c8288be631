#include "core/widgets/QtMessageBoxes.h"

#include "core/Help.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zemo {

namespace {

// The texts are loaded at start-up; a box shown before that still needs its buttons named.
QString ButtonText(TextKey key, const char* fallback)
{
    const QString t = Text(key);
    return t.isEmpty() ? QString::fromLatin1(fallback) : t;
}

QStyle::StandardPixmap IconOf(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Error: return QStyle::SP_MessageBoxCritical;
    case MsgKind::Warning: return QStyle::SP_MessageBoxWarning;
    case MsgKind::OkCancel:
    case MsgKind::YesNoCancel: return QStyle::SP_MessageBoxQuestion;
    case MsgKind::Info: break;
    }
    return QStyle::SP_CustomBase; // no icon
}

} // namespace

MessageBox::MessageBox(const ShownMessage& m, QWidget* parent)
    : QDialog(parent), text_(MessageText(m)), helpContext_(m.helpContext),
      answer_(DefaultAnswer(m))
{
    setWindowTitle(QString::fromLatin1(MsgCaption));
    setModal(true);

    auto* row = new QHBoxLayout;
    const QStyle::StandardPixmap icon = IconOf(m.kind);
    if (icon != QStyle::SP_CustomBase) {
        auto* iconLabel = new QLabel(this);
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        iconLabel->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(size, size));
        iconLabel->setAlignment(Qt::AlignTop);
        row->addWidget(iconLabel);
    }
    auto* textLabel = new QLabel(text_, this);
    textLabel->setWordWrap(true);
    textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    textLabel->setObjectName(QStringLiteral("messageText"));
    row->addWidget(textLabel, 1);

    buttons_ = new QDialogButtonBox(this);
    auto add = [&](int answer, TextKey key, const char* fallback, QDialogButtonBox::ButtonRole role) {
        QPushButton* b = buttons_->addButton(ButtonText(key, fallback), role);
        b->setProperty("zemoAnswer", answer);
        return b;
    };
    switch (m.kind) {
    case MsgKind::OkCancel:
        add(IdOk, TextKey::Ok, "OK", QDialogButtonBox::AcceptRole);
        add(IdCancel, TextKey::Cancel, "Cancel", QDialogButtonBox::RejectRole);
        break;
    case MsgKind::YesNoCancel:
        add(IdYes, TextKey::Yes, "&Yes", QDialogButtonBox::YesRole);
        add(IdNo, TextKey::No, "&No", QDialogButtonBox::NoRole);
        add(IdCancel, TextKey::Cancel, "Cancel", QDialogButtonBox::RejectRole);
        break;
    default:
        add(IdOk, TextKey::Ok, "OK", QDialogButtonBox::AcceptRole);
        break;
    }
    if (helpContext_ >= 1) {
        // A help-role button does not close the box.
        help_ = buttons_->addButton(ButtonText(TextKey::Help, "&Help"), QDialogButtonBox::HelpRole);
        help_->setProperty("zemoAnswer", 0);
    }
    for (QAbstractButton* b : buttons_->buttons())
        if (auto* p = qobject_cast<QPushButton*>(b))
            p->setAutoDefault(false);
    auto* def = qobject_cast<QPushButton*>(ButtonFor(answer_));
    def->setDefault(true);
    def->setFocus();
    connect(buttons_, &QDialogButtonBox::clicked, this, &MessageBox::clicked);

    auto* col = new QVBoxLayout(this);
    col->addLayout(row);
    col->addWidget(buttons_);
}

QAbstractButton* MessageBox::ButtonFor(int answer) const
{
    for (QAbstractButton* b : buttons_->buttons())
        if (b->property("zemoAnswer").toInt() == answer)
            return b;
    return nullptr;
}

QString MessageBox::BoxText() const { return text_; }

void MessageBox::clicked(QAbstractButton* b)
{
    if (b == help_) {
        ShowHelpContext(helpContext_);
        return;
    }
    answer_ = b->property("zemoAnswer").toInt();
    done(answer_);
}

void MessageBox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        // Every help request while the box is up opens the message's topic.
        ShowHelpContext(helpContext_ >= 1 ? helpContext_ : MainWindowHelpContext());
        e->accept();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !e->modifiers()) {
        // Enter presses the focused button, else the default one.
        auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
        if (focused && buttons_->buttons().contains(focused)) {
            focused->click();
        } else {
            for (QAbstractButton* b : buttons_->buttons())
                if (auto* p = qobject_cast<QPushButton*>(b); p && p->isDefault())
                    p->click();
        }
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void MessageBox::reject()
{
    // Esc and the close box answer Cancel where there is one, else OK.
    answer_ = ButtonFor(IdCancel) ? int(IdCancel) : int(IdOk);
    done(answer_);
}

int QtMessageService::Show(const ShownMessage& m)
{
    // The owner is the window that is active now; the drawing surface of a map window is
    // a child widget, so its top-level window is the owner.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    MessageBox box(m, owner);
    box.exec();
    return box.Answer();
}

} // namespace zemo
