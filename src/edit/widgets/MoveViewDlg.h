// The dialog of View > Move view to: asks for a real-world position (metres) and refuses one
// that lies outside the map area, keeping itself open on the offending field.
#pragma once

#include <QDialog>

class QLineEdit;
class QShowEvent;

namespace zemo {

// The fields' last accepted values, shown again the next time.
struct MoveViewDlgUnitState {
    double East = 0;
    double North = 0;
};
extern MoveViewDlgUnitState MoveViewDlgState;
void ResetMoveViewDlgUnit();

class TViewDlg : public QDialog {
public:
    explicit TViewDlg(QWidget* parent = nullptr);

    // Checks both fields and the position; stays open with a message when one fails.
    void accept() override;

    double East() const { return east_; }
    double North() const { return north_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* horB_ = nullptr;
    QLineEdit* verB_ = nullptr;
    double east_ = 0;
    double north_ = 0;
};

// Runs the dialog; true on OK with the position entered.
bool ExecViewDlg(QWidget* parent, double& east, double& north);

} // namespace zemo
