// The list dialog of the Template menu (TTemplateDlg): the templates a command offers, by their
// file names, one or several to choose; a double click is OK.
#pragma once

#include "external/Ports.h"

#include <QDialog>

#include <vector>

class QListWidget;

namespace zemo {

class TTemplateDlg : public QDialog {
public:
    TTemplateDlg(QWidget* parent, const TemplateListRequest& request);
    // The positions chosen, in list order.
    std::vector<int> Chosen() const;

private:
    QListWidget* list_;
};

std::vector<int> ExecTemplateDlg(QWidget* parent, const TemplateListRequest& request);

} // namespace zemo
