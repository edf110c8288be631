// The dialogs of the object links: Link (TDbObjectDlg), Find (TDbFindDlg) and Create links
// (TDbCreateDlg). Their checks are the engine's (AcceptLink).
#pragma once

#include "external/database/Ports.h"

class QWidget;

namespace zemo {

LinkDlgResult ExecDbObjectDlg(QWidget* parent, LinkDlgValues& values);
bool ExecDbFindDlg(QWidget* parent, DatasetChoice& choice);
bool ExecDbCreateDlg(QWidget* parent, DatasetChoice& choice);

} // namespace zemo
