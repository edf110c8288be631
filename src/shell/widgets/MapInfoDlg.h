// Help > Map information: the current map's size and the machine's facts.
#pragma once

#include "shell/MapInfo.h"

#include <QDialog>

namespace zemo {

class TMapInfoDlg : public QDialog {
public:
    TMapInfoDlg(QWidget* parent, const MapInfoTexts& values);
};

// Fills the values from the current map and this machine and shows the dialog modally.
void ShowMapInfo(QWidget* parent);

} // namespace zemo
