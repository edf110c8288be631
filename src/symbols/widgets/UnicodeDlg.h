// Extras > Text script: the script the fonts of the selected text symbols are made in.
#pragma once

#include "edit/widgets/MapDlgForm.h"

#include <QStringList>

class QComboBox;

namespace zemo {

class TUnicodeDlg : public TMapDlgForm {
public:
    TUnicodeDlg(QWidget* parent, const QStringList& scripts);
    int Chosen() const;

private:
    QComboBox* ScriptB;
};

// The entry chosen, -1 on Cancel; the first is chosen on every showing.
int ExecUnicodeDlg(QWidget* parent, const QStringList& scripts);

} // namespace zemo
