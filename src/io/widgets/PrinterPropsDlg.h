// A printer's Properties: the paper, whether the page lies upright or across it, and the
// page's margins in millimetres as the jobs will use them. A margin is never less than the
// printable area's on its side, nor so large that less than 6 mm of page is left between it
// and the opposite one.
#pragma once

#include <QList>
#include <QMarginsF>
#include <QPageSize>
#include <QString>

#include <functional>

class QWidget;

namespace zemo {

struct PageChoice {
    QString Printer;
    QList<QPageSize> Papers;
    int Paper = 0;
    bool Landscape = false;
    QMarginsF Margins;  // points, as the page lies
    // The printable area's margins of a paper, the sheet upright (points).
    std::function<QMarginsF(const QPageSize&)> Upright;
};

// The least page between opposite margins.
inline constexpr double LeastPageMm = 6;

// True with the choice changed when OK was pressed on valid fields.
bool ExecPrinterPropsDlg(QWidget* parent, PageChoice& c);

} // namespace zemo
