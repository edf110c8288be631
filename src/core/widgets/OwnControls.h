// The program's own controls: the drawing surface of a map window, a scroll bar that only
// reports scroll requests, a grid with a tooltip per cell, and a splitter.
#pragma once

#include "core/ControlRules.h"

#include <QPointer>
#include <QScrollBar>
#include <QTableWidget>
#include <QWidget>

#include <functional>
#include <stdexcept>

class QLabel;
class QRubberBand;
class QTimer;

namespace zemo {

// A setter asked for something the control cannot be.
struct EInvalidOperation : std::logic_error {
    explicit EInvalidOperation(const char* what) : std::logic_error(what) {}
};

// ---- Drawing surface ----
class TWorkWin : public QWidget {
    Q_OBJECT
public:
    explicit TWorkWin(QWidget* parent = nullptr);

    // When set, it does all painting of the window.
    std::function<void(QPaintEvent*)> OnWmPaint;
    std::function<void(QMouseEvent*)> OnMouseDown, OnMouseMove, OnMouseUp, OnDblClick;
    std::function<void(QWheelEvent*)> OnMouseWheel;
    std::function<void(QKeyEvent*)> OnKeyDown;
    std::function<void()> OnExit;

    // 1 and up: the program's own cursor of that number (the port OwnCursor); else a
    // standard cursor (0 the arrow, -2 arrow, -3 cross, -4 I-beam, -11 hourglass, -21 hand, ...).
    void SetCursorNumber(int n);
    int CursorNumber() const { return cursorNumber_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    // Tab belongs to the map window's key handling.
    bool focusNextPrevChild(bool) override { return false; }

private:
    int cursorNumber_ = 0;
};

// ---- Scroll bar ----
class TZScrollBar : public QScrollBar {
    Q_OBJECT
public:
    enum ScrollCode {
        LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, ThumbPosition = 4,
        ThumbTrack = 5, Top = 6, Bottom = 7, EndScroll = 8,
    };

    explicit TZScrollBar(QWidget* parent = nullptr);

    int Position() const { return position_; }
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetPosition(int p) { SetParams(p, min_, max_); }
    void SetMin(int m) { SetParams(position_, m, max_); }
    void SetMax(int m) { SetParams(position_, min_, m); }
    // min above max throws EInvalidOperation("Invalid Scroll Range.") and changes nothing;
    // the position is limited to the range; OnChange follows a changed position.
    void SetParams(int position, int min, int max);
    Qt::Orientation Kind() const { return orientation(); }
    void SetKind(Qt::Orientation kind);

    std::function<void()> OnChange;
    // The owner decides where to go and sets Position; the bar does not move by itself.
    std::function<void(int code, int& pos)> OnScroll;

private:
    void action(int a);
    void scroll(int code, int pos);

    int position_ = 0;
    int min_ = 0;
    int max_ = 100;
};

// ---- Grid with cell hints ----
class THintGrid : public QTableWidget, private GridHintTimer::Host {
    Q_OBJECT
public:
    explicit THintGrid(QWidget* parent = nullptr);
    ~THintGrid() override;

    std::function<void(int col, int row, QString& text)> OnGridHint;

    GridHintTimer& Hints() { return hints_; }
    QLabel* HintWindow() const { return tip_; }
    // One timer tick as if the mouse were at globalPos (the timer calls it with the cursor).
    void TickAt(QPoint globalPos);

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void StartTimer() override;
    void StopTimer() override;
    QString HintText(int col, int row) override;
    void ShowHint(const QString& text, QPoint screenPos) override;
    void HideHint() override;
    void buttonAt(QPoint viewportPos);

    GridHintTimer hints_;
    QTimer* timer_;
    QLabel* tip_;
};

// ---- Splitter ----
class TZSplitter : public QWidget {
    Q_OBJECT
public:
    enum Align { AlignLeft, AlignRight, AlignTop, AlignBottom };
    enum ResizeStyle { RsNone, RsLine, RsUpdate, RsPattern };

    explicit TZSplitter(QWidget* parent = nullptr);

    Align Alignment() const { return align_; }
    void SetAlignment(Align a);
    int MinSize = 30;
    bool AutoSnap = true;
    bool Beveled = false;
    ResizeStyle Style = RsPattern;
    QColor Color;

    // The neighbour resized; found among the siblings on the aligned side when not set.
    void SetControl(QWidget* w) { control_ = w; }
    QWidget* FindControl() const;

    std::function<void(int& newSize, bool& accept)> OnCanResize;
    std::function<void()> OnMoved;
    std::function<void(QPainter&)> OnPaint;

    // A drag from the outside (tests and keyboard use): start, move by delta pixels along
    // the split direction, end or cancel.
    bool BeginDrag();
    void DragBy(int delta);
    void EndDrag();
    void CancelDrag();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool horizontalSplit() const { return align_ == AlignLeft || align_ == AlignRight; }
    int sizeOf(QWidget* w) const;
    void apply(int size);

    Align align_ = AlignLeft;
    QPointer<QWidget> control_;
    QPointer<QWidget> dragging_;
    QRubberBand* line_ = nullptr;
    int startSize_ = 0;
    int newSize_ = 0;
    QPoint pressPos_;
};

} // namespace zemo
