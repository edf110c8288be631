// Extras > Change symbols: which objects change (those of a symbol number, or the imported
// objects of a layer) and the symbol they get. It opens on the selected object and the
// current symbol, and refuses a target the map has no symbol for.
#pragma once

#include "edit/ChangeSym.h"
#include "edit/widgets/MapDlgForm.h"

class QRadioButton;

namespace zemo {

inline constexpr int ChangeSymHelpContext = 179;

class TChangeSymDlg : public TMapDlgForm {
public:
    explicit TChangeSymDlg(QWidget* parent = nullptr);
    void accept() override;
    ChangeSymValues Values() const { return values_; }

protected:
    void showEvent(QShowEvent* event) override;
    // A click into an edit chooses its item.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRadioButton* symNumItem_;
    QRadioButton* layerItem_;
    QLineEdit* fromSymNumB_;
    QLineEdit* dxfLayerB_;
    QLineEdit* toSymB_;
    ChangeSymValues values_;
};

bool ExecChangeSymDlg(QWidget* parent, ChangeSymValues& v);

} // namespace zemo
