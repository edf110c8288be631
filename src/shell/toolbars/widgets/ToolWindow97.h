// A tool window's life off its dock: the small captioned window it floats in (its frame,
// caption, close button and sizing edges), the drag and sizing loops that move it between the
// docks and the screen with an outline following the pointer, and the saving and restoring of
// every tool window's place with the form's settings.
#pragma once

#include "shell/toolbars/ToolbarLayout.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <vector>

namespace zemo {

class Settings;
class TDock97;
class TToolbar97;

// The floating toolbar's client: its controls and the lines between its wrapped lines.
class TFloatingClient : public QWidget {
    Q_OBJECT
public:
    TFloatingClient(TToolbar97* bar, QWidget* parent);
    void SetLineSeps(std::vector<LineSep> seps);
    const std::vector<LineSep>& LineSeps() const { return seps_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TToolbar97* bar_;
    std::vector<LineSep> seps_;
};

// The frameless window a toolbar floats in, owned by its form and kept above it. A click on
// it activates the form, never itself.
class TFloatingWindow : public QWidget {
    Q_OBJECT
public:
    TFloatingWindow(TToolbar97* bar, QWidget* owner);
    TToolbar97* Bar() const { return bar_; }
    TFloatingClient* Client() const { return client_; }
    // The client size it must show; the window takes that plus its frame.
    void SetClientSize(QSize size);
    // The caption as drawn, cut to its bar.
    QString ShownCaption() const;
    bool ClosePressed() const { return closeDown_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TToolbar97* bar_;
    TFloatingClient* client_;
    bool closeTracking_ = false;
    bool closeDown_ = false;
};

// The outline a drag or a sizing shows: a frame of the given thickness in a 50 % pattern, in a
// window of its own above everything that lets the pointer through.
class TToolWindowOutline : public QWidget {
    Q_OBJECT
public:
    TToolWindowOutline();
    void SetOutline(QRect screenRect, int thickness);
    QRect Outline() const { return outline_; }
    int Thickness() const { return thickness_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect outline_;
    int thickness_ = 1;
};

// What a drag or sizing shows at this moment (for tests and the screenshots); null when none
// runs. dock: the dock the drop would go to, null for floating.
struct ToolWindowTracking {
    QRect outline;
    TDock97* dock = nullptr;
    bool sizing = false;
};
const ToolWindowTracking* CurrentTracking();

// Starts the drag loop of a toolbar: grabber holds the mouse and the keyboard until the left
// button comes up (the drop), or Esc, another left press or the application's deactivation
// cancels it.
void StartDrag(TToolbar97* bar, QWidget* grabber, QPoint pressGlobal, Qt::KeyboardModifiers mods);
// Starts the sizing loop of a floating toolbar by one of its edges (a FloatHit value).
void StartSizing(TToolbar97* bar, QWidget* grabber, QPoint pressGlobal, int edge);

// The saved places of every toolbar of the form, in sections under key (one per toolbar,
// named after it). A toolbar without a name is a programming error.
void LoadToolbarLayout(QObject* form, const Settings& store, const QString& key);
void SaveToolbarLayout(QObject* form, Settings& store, const QString& key);

} // namespace zemo
