// The main frame's side of closing document windows, without the engine's headers (their
// process-wide names clash with the frame's own).
#pragma once

#include <QList>

#include <functional>

class QWidget;

namespace zemo {

// Asks each document window among the widgets (others are skipped) whether it may close,
// in order; onAsk runs before each question with the widget asked. True when all agreed:
// their answers then hold for their next close. False as soon as one refuses, with every
// answer given so far dropped.
bool QueryCloseDocumentWindows(const QList<QWidget*>& windows,
                               const std::function<void(QWidget*)>& onAsk = {});

} // namespace zemo
