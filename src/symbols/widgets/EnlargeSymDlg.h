// Symbol > Enlarge: the factor in percent (20 to 500) and whether every symbol grows, not
// only the current or the selected ones.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "symbols/EnlargeSym.h"

namespace zemo {

class TEnlargeSymDlg : public TMapDlgForm {
public:
    explicit TEnlargeSymDlg(QWidget* parent = nullptr);
    void accept() override;
    EnlargeValues Values() const { return values_; }

private:
    SpinField factorB_;
    QCheckBox* allSymB_;
    EnlargeValues values_;
};

bool ExecEnlargeSymDlg(QWidget* parent, EnlargeValues& v);

} // namespace zemo
