// The TIFF export dialog and the tile size dialog: thin views over io/ExpTiff.h.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "io/ExpTiff.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;

namespace zemo {

class TExpTiffDlg : public TMapDlgForm {
public:
    TExpTiffDlg(QWidget* parent, TiffOptions& options);
    void accept() override;

private:
    bool Validate();
    void Collect(TiffOptions& o) const;
    void SetupRange();

    TiffOptions& options_;
    QRadioButton* colorB_;
    QRadioButton* spotB_;
    QCheckBox* combineB_;
    QListWidget* separationB_;
    QRadioButton* noGeoB_;
    QRadioButton* geoB_;
    QComboBox* resolB_;
    QLineEdit* pixelSizeB_;
    QCheckBox* tfwB_;
    QCheckBox* partialB_;
    QCheckBox* tilesB_;
    QCheckBox* antialiasB_;
    QCheckBox* bwB_;
    QCheckBox* colorCorB_;
    QCheckBox* lzwB_;
};

bool ExecExpTiffDlg(QWidget* parent, TiffOptions& options);

class TTilesDlg : public TMapDlgForm {
public:
    TTilesDlg(QWidget* parent, TileSize& size);
    void accept() override;

private:
    TileSize& size_;
    QSpinBox* widthB_;
    QSpinBox* heightB_;
};

bool ExecTilesDlg(QWidget* parent, TileSize& size);

} // namespace zemo
