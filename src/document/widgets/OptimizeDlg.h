// The report of Extras > Optimize and repair: the old and new file sizes and what was
// repaired, deleted and kept.
#pragma once

#include "document/Optimize.h"

#include <QDialog>

class QWidget;

namespace zemo {

class TOptimizeDlg : public QDialog {
public:
    TOptimizeDlg(QWidget* parent, const OptimizeResult& result);
};

void ExecOptimizeDlg(QWidget* parent, const OptimizeResult& result);

// Extras > Optimize and repair: the run, then its report.
void OptimizeAndReport(QWidget* parent);

} // namespace zemo
