// Extras > Convert layers: the grid of layer-to-symbol references (TConvLayDlg) and the row
// editor (TEditRefDlg), views over symbols/ConvLay.h.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "symbols/ConvLay.h"

class QListWidget;
class QTableWidget;

namespace zemo {

class TConvLayDlg : public TMapDlgForm {
public:
    explicit TConvLayDlg(QWidget* parent);

private:
    void Show();
    int SelectedRow() const;   // a reference row, 0-based
    void AddRef();
    void EditRef();
    void RemoveRef();

    QTableWidget* tabB_;
};

bool ExecConvLayDlg(QWidget* parent);

class TEditRefDlg : public TMapDlgForm {
public:
    // Rows of the grid (for the "* " marks) and the reference edited.
    TEditRefDlg(QWidget* parent, const std::vector<LayerRef>& rows, const LayerRef& ref);
    LayerRef Result() const;

private:
    QListWidget* layerB_;
    QListWidget* symbolB_;
};

// False when the map has no layer names (NoImportedLayers shown) or on Cancel.
bool ExecEditRefDlg(QWidget* parent, const std::vector<LayerRef>& rows, LayerRef& ref);

} // namespace zemo
