// The program as a user starts it, offscreen: the wiring root binds every port, the units
// start, the main frame is made and shown, with its configuration and state folders in a
// temporary folder. Input reaches the windows as synthesized events.
#pragma once

#include "core/FileDialogs.h"
#include "core/Messages.h"
#include "shell/MenuModel.h"
#include "TestMapWriter.h"

#include <QPoint>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class QMdiSubWindow;
class QSplashScreen;
class QWidget;

namespace zemo {
class TMainFm;
class TMdiChild;
}

namespace zemo::test {

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    zemo::TMainFm& Frame() const { return *frame_; }
    // The program ends and starts again on the same folders (close the frame first). With a
    // splash screen the frame is shown as the program shows it: maximised, after the splash
    // screen and its wait cursor, which alone makes it the active window; commandLineFile is
    // the map named on the command line.
    void Restart(QSplashScreen* splash = nullptr, const QString& commandLineFile = QString());
    // Posted events and timers of this moment run, a few rounds.
    static void Settle(int rounds = 10);
    // Makes the map window active and waits until the window system has done it (it does so
    // when it gets to it, later under load).
    void Activate(QMdiSubWindow* window);
    // The active document window (the last one when none is active), and its surface.
    zemo::TMdiChild* ActiveChild() const;
    QWidget* Surface() const;
    // How many map windows the frame holds.
    int Windows() const;
    // A menu item, button or pop-up item, as a click on it.
    void Trigger(zemo::Cmd c);
    // File > New with the shipped symbol set of this file name (of either map type); true
    // when a map opened.
    bool NewMapFrom(const QString& setFileName);
    // File > Open of this file through the open dialog; true when a map opened.
    bool OpenMap(const QString& path);
    // The map written into the temporary folder under this name, then opened by File > Open.
    bool OpenWritten(const TestMapWriter& w, const QString& name);
    // The active map at 1 pixel = 0.1 mm with its origin in the window's middle (half a pixel
    // off when the window is an odd number of pixels wide or high, so that every tenth of a
    // millimetre falls on a pixel); the click a newly active window swallows is spent.
    void ShowAtTenthMillimetres();
    // The window point of the map position (x, y) in millimetres.
    static QPoint At(double x, double y);

    static void Mouse(QWidget* w, int type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held, Qt::KeyboardModifiers mods = Qt::NoModifier);
    static void Click(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton);
    static void DragPoint(QWidget* w, QPoint at, QPoint to);
    // A key pressed and released on the widget that has the keyboard (or w).
    static void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);

    QString TempPath(const QString& name) const { return dir_.filePath(name); }

private:
    // First: the root installs the real services, which the recorders below then stand in for.
    struct Installed {
        Installed();
    } installed_;

protected:
    RecordingMessages messages;
    RecordingFileDialogs dialogs;

private:
    void Start(QSplashScreen* splash = nullptr, const QString& commandLineFile = QString());

    QTemporaryDir dir_;
    std::unique_ptr<zemo::TMainFm> frame_;
};

} // namespace zemo::test
