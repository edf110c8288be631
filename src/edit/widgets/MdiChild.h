// TMdiChild: the document window of one open map. It owns an RGB32 image that stands for its
// drawing surface; the map, the grid and the edit marks are drawn into the image by the
// engine (edit/Work.h), and the surface's paint event only copies the exposed part. A map
// paint starts only from the program's own invalidations: an own update region and a posted
// paint event stand in for the window system's paint message.
#pragma once

#include "core/widgets/OwnControls.h"
#include "edit/Work.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <vector>

class QTimer;

namespace zemo {

class TMdiChild;

// One ruler beside the surface.
class TRulerBox : public QWidget {
    Q_OBJECT
public:
    TRulerBox(TMdiChild* form, bool horizontal);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TMdiChild* form_;
    bool horizontal_;
};

class TMdiChild : public QWidget, public MapWindow {
    Q_OBJECT
public:
    // The window shows the current map (Index.ActiveZmd).
    explicit TMdiChild(QWidget* parent = nullptr);
    ~TMdiChild() override;

    MapView& View() { return view_; }
    TWorkWin* WorkWin() const { return workWin_; }
    TZScrollBar* HScroll() const { return hScroll_; }
    TZScrollBar* VScroll() const { return vScroll_; }
    QTimer* ScrollTimer() const { return scrollTimer_; }
    TRulerBox* HorScale() const { return horScale_; }
    TRulerBox* VerScale() const { return verScale_; }

    // The window became the main frame's active document window (taken on once a running
    // paint has ended).
    void Activate();
    // The posted paint message handled now (tests).
    void HandlePaintMessage();
    // On: the map painted and shown now and whenever needed inside the running command (the
    // opening of the map, while it asks something); off: paints wait for a command's end.
    void PaintDuringCommand(bool on);
    const QRegion& UpdateRegion() const { return updateRegion_; }
    bool PaintMessagePosted() const { return paintPosted_; }

    // MapWindow
    QImage& Surface() override;
    QImage& SurfaceToFill(const PixRect& r) override;
    void InvalidateRect(const PixRect& r) override;
    void SurfaceChanged(const PixRect& r) override;
    void InvalidateRulers() override;
    void SetSurfaceCursor(int index) override;
    void FocusSurface() override;
    void BringToFront() override;
    void SetScrollTimer(bool on) override;
    bool ScrollTimerOn() const override;
    bool HasMouseCapture() const override;
    void SetScrollPositions(int h, int v) override;
    void ShowPopUp(QPoint clientPoint) override;

    // Windows whose paint message came while another paint ran get it again.
    static void RepostDeferred();

    // The question before closing (FormCloseQuery). True when the window may close; the
    // answer holds for the next close, so that a caller asking every window first (the
    // main frame) does not ask twice. ForgetCloseAnswer drops it when that close is off.
    bool QueryClose();
    void ForgetCloseAnswer() { closeAgreed_ = false; }

    // Keys of the surface and of the form.
    void SurfaceKeyPress(QKeyEvent* event);
    void SurfaceKeyRelease(QKeyEvent* event);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Layout();
    void ScrollRequest(bool vertical, int code, int pos);
    void WireSurface();
    void PostPaint();

    // The image at the size of the surface, made when first drawn into or shown: a window
    // resized a few times while the frame lays itself out makes its image once.
    QImage& SizedImage(bool white);

    MapView view_;
    QImage image_;
    QSize imageSize_{1, 1};
    QRegion updateRegion_;
    bool paintPosted_ = false;
    bool deferred_ = false;
    bool closeAgreed_ = false;
    bool layoutAfterPaint_ = false;
    TRulerBox* verScale_ = nullptr;
    TRulerBox* horScale_ = nullptr;
    TWorkWin* workWin_ = nullptr;
    TZScrollBar* vScroll_ = nullptr;
    TZScrollBar* hScroll_ = nullptr;
    QTimer* scrollTimer_ = nullptr;
};

// A new document window on the current map, placed by the main frame and made the active
// view.
bool CreateDocumentWindow(const QString& caption);
// The active view's window, if it is one.
TMdiChild* ActiveDocumentWindow();
// While a map paints: true when a key or a press waits (they are held for after the paint).
bool PollHeldInput();
// After a paint: the held input and the deferred paint messages go out again.
void ReleaseHeldInput();

// The document windows of a map, oldest first.
std::vector<QPointer<TMdiChild>> WindowsOf(const TZmd& doc);

} // namespace zemo
