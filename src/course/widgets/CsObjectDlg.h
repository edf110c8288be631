// The Course Object dialog: the code of a new or renamed course object, with buttons for the
// first and the next free code.
#pragma once

#include "edit/widgets/MapDlgForm.h"

class QLineEdit;
class QToolButton;

namespace zemo {

class TCsObjectDlg : public TMapDlgForm {
public:
    // type: the course-object type (0..6); editedIndex: the list index of the renamed
    // object, -1 for a new one.
    TCsObjectDlg(QWidget* parent, int type, int editedIndex, const QString& code);
    void accept() override;
    QString Code() const { return code_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    int type_;
    int editedIndex_;
    QString code_;
    QLineEdit* codeB_;
};

bool ExecCsObjectDlg(QWidget* parent, int type, int editedIndex, QString& code);

} // namespace zemo
