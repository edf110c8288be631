// The Draw Rectangle dialog: a rectangle from the clicked point by its width and height, or
// one round the whole map. Sizes out of range keep it open with the range message.
#pragma once

#include "edit/Ports.h"
#include "edit/widgets/MapDlgForm.h"

class QRadioButton;
class QShowEvent;

namespace zemo {

// The sizes entered last, offered again.
struct DrRectDlgUnitState {
    double Width = 0;
    double Height = 0;
};
extern DrRectDlgUnitState DrRectDlgState;
void ResetDrRectDlgUnit();

class TDrRectDlg : public TMapDlgForm {
public:
    explicit TDrRectDlg(QWidget* parent = nullptr);

    // With "from the cursor" chosen, checks the width, then the height.
    void accept() override;

    const DrawRectAnswer& Values() const { return answer_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QRadioButton* cursorB_ = nullptr;
    QRadioButton* entireB_ = nullptr;
    SpinField widthB_;
    SpinField heightB_;
    DrawRectAnswer answer_;
};

bool ExecDrRectDlg(QWidget* parent, DrawRectAnswer& answer);

} // namespace zemo
