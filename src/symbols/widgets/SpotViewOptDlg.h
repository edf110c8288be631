// View > Spot colour options: a check list of the map's separations; the checked ones show in
// the spot-colour view.
#pragma once

#include <QDialog>
#include <QStringList>

#include <vector>

class QListWidget;

namespace zemo {

class TSpotViewOptDlg : public QDialog {
public:
    TSpotViewOptDlg(const QStringList& names, const std::vector<bool>& shown,
                    QWidget* parent = nullptr);
    QListWidget* List() const { return listB_; }
    // One flag per name, as checked now.
    std::vector<bool> Shown() const;

private:
    QListWidget* listB_;
};

bool ExecSpotViewOptDlg(QWidget* parent, const QStringList& names, std::vector<bool>& shown);

} // namespace zemo
