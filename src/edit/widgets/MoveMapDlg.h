// Extras > Move map: the distances (mm) the whole map moves by, to the right and up.
#pragma once

#include "edit/MapTrans.h"
#include "edit/widgets/MapDlgForm.h"

namespace zemo {

inline constexpr int MoveMapHelpContext = 176;

class TMoveMapDlg : public TMapDlgForm {
public:
    explicit TMoveMapDlg(QWidget* parent = nullptr);
    // Checks both fields; stays open with a message on the first that fails.
    void accept() override;
    MoveMapValues Values() const { return values_; }

private:
    SpinField hor_;
    SpinField ver_;
    MoveMapValues values_;
};

bool ExecMoveMapDlg(QWidget* parent, MoveMapValues& v);

} // namespace zemo
