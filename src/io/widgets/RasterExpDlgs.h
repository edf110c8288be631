// The dialogs of the BMP, GIF and JPEG exports: resolution, anti-aliasing and colour
// correction; the BMP dialog also shows the file size the resolution gives.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "io/ExpGif.h"
#include "io/ExpSvg.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace zemo {

class TRasterExpDlg : public TMapDlgForm {
public:
    TRasterExpDlg(QWidget* parent, const QString& name, TextKey caption, int helpContext,
                  RasterExpOptions& options);
    void accept() override;

protected:
    RasterExpOptions& options_;
    QComboBox* resolB_;
    QCheckBox* antialiasB_;
    QCheckBox* colorCorB_;
};

class TExpGifDlg : public TRasterExpDlg {
public:
    TExpGifDlg(QWidget* parent, RasterExpOptions& options);
};

class TExpBmpDlg : public TRasterExpDlg {
public:
    TExpBmpDlg(QWidget* parent, RasterExpOptions& options);

private:
    void ShowBmpFileSize();
    QLabel* fileSizeB_;
};

class TExpJpegDlg : public TRasterExpDlg {
public:
    TExpJpegDlg(QWidget* parent, RasterExpOptions& options);
};

// File > Export SVG: whether to compress. Its captions are the form's own.
class TExpSvgDlg : public QDialog {
public:
    TExpSvgDlg(QWidget* parent, SvgOptions& options);
    void accept() override;

private:
    SvgOptions& options_;
    QCheckBox* comprSvg_;
};

bool ExecExpSvgDlg(QWidget* parent, SvgOptions& options);

bool ExecExpGifDlg(QWidget* parent, RasterExpOptions& options);
bool ExecExpBmpDlg(QWidget* parent, RasterExpOptions& options);
bool ExecExpJpegDlg(QWidget* parent, RasterExpOptions& options);

} // namespace zemo
