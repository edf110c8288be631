// The main window's status line: four panels (216, 169 and 48 pixels, the rest) and the
// progress box over the centre panel.
#pragma once

#include "core/Status.h"

#include <QWidget>

#include <array>

class QLabel;

namespace zemo {

class ProgressBox : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBox(QWidget* parent);
    void SetBarWidth(int width);
    int BarWidth() const { return width_; }
    int PaintCount() const { return paints_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int width_ = 0;
    int paints_ = 0;
};

class StatusLine : public QWidget, public StatusDisplay {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);
    ~StatusLine() override;

    // Makes this the status display of the program.
    void Install();

    void SetPanelText(StatusPanel panel, const QString& text, bool now) override;
    void ShowProgressBox(bool visible) override;
    int ProgressBoxWidth() const override;
    void DrawProgressBar(int width) override;

    QLabel* Panel(StatusPanel p) const { return panels_[size_t(p)]; }
    ProgressBox* Progress() const { return box_; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    std::array<QLabel*, StatusPanelCount> panels_{};
    ProgressBox* box_ = nullptr;
};

// The hourglass through the application's override cursor.
class QtBusyCursor : public BusyCursor {
public:
    void SetBusy(bool busy) override;
};

} // namespace zemo
