// Precompiled for the widgets libraries and the wiring root: the engine set and the QtWidgets
// headers the windows and dialogs share.
#pragma once

#include "Engine.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
