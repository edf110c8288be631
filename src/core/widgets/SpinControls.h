// The spin buttons beside dialog edits. The edit holds the value as text; the arrows (and
// the Up and Down keys in the edit) change it by the controls' own rules, not Qt's.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace zemo {

class UpDownBase : public QWidget {
    Q_OBJECT
public:
    explicit UpDownBase(QWidget* parent = nullptr);

    // The edit the control belongs to; the control sits at its right.
    void SetAssociate(QLineEdit* edit);
    QLineEdit* Associate() const { return watched_ ? edit_ : nullptr; }

    // Presses the up or down arrow.
    void Click(bool up);

Q_SIGNALS:
    void Clicked(bool up);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    virtual void Step(bool up) = 0;

private:
    // A QPointer of the base type: the edit may be half destroyed when it sends its last
    // events through the filter.
    QPointer<QWidget> watched_;
    QLineEdit* edit_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
};

class TIntUpDown : public UpDownBase {
    Q_OBJECT
public:
    explicit TIntUpDown(QWidget* parent = nullptr) : UpDownBase(parent) {}

    int Min() const { return min_; }
    int Max() const { return max_; }
    // A range above the 16-bit position is cut to it.
    void SetRange(int min, int max);
    int Increment() const { return increment_; }
    void SetIncrement(int inc) { increment_ = inc; }
    // The edit's integer when it holds one in range, else the last position.
    int Value() const;
    void SetValue(int v);

protected:
    void Step(bool up) override;

private:
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
    int position_ = 0;
};

class TRealUpDown : public UpDownBase {
    Q_OBJECT
public:
    explicit TRealUpDown(QWidget* parent = nullptr) : UpDownBase(parent) {}

    double MinValue() const { return minValue_; }
    double MaxValue() const { return maxValue_; }
    double Increment() const { return increment_; }
    int Decimals() const { return decimals_; }
    void SetMinValue(double v) { minValue_ = v; }
    void SetMaxValue(double v) { maxValue_ = v; }
    void SetIncrement(double v) { increment_ = v; }
    void SetDecimals(int d) { decimals_ = d; }

    // 0 without an edit; else the edit's text read by the spin rules.
    double Value() const;
    void SetValue(double v);

protected:
    void Step(bool up) override;

private:
    double minValue_ = 0.0;
    double maxValue_ = 50.0;
    double increment_ = 0.0;
    int decimals_ = 2;
};

} // namespace zemo
