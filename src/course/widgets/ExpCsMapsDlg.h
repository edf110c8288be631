// File > Export course maps: the courses (and all controls) to write as maps of their own.
#pragma once

#include <QStringList>

#include <vector>

class QWidget;

namespace zemo {

// True on OK with the chosen items; the current course's item is chosen at the start.
bool ExecExpCsMapsDlg(QWidget* parent, const QStringList& items, std::vector<bool>& chosen);

} // namespace zemo
