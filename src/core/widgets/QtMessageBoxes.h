// The message boxes of the program: captioned "ZEMO", with the icon and buttons of their
// kind, and a Help button (and F1) that opens the message's help topic while the box
// stays open.
#pragma once

#include "core/Messages.h"

#include <QDialog>

class QAbstractButton;
class QDialogButtonBox;

namespace zemo {

class MessageBox : public QDialog {
    Q_OBJECT
public:
    MessageBox(const ShownMessage& m, QWidget* parent);

    // The MsgAnswer of the button that closed the box (the kind's default until then).
    int Answer() const { return answer_; }
    QAbstractButton* ButtonFor(int answer) const;
    QAbstractButton* HelpButton() const { return help_; }
    QString BoxText() const;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void clicked(QAbstractButton* b);

    QDialogButtonBox* buttons_ = nullptr;
    QAbstractButton* help_ = nullptr;
    QString text_;
    int helpContext_ = 0;
    int answer_;
};

// The message service of the running program.
class QtMessageService : public MessageService {
public:
    int Show(const ShownMessage& m) override;
};

} // namespace zemo
