// The four edges of a rectangle as dialog fields (LeftE/LeftB, RightE/RightB, BottomE/BottomB,
// TopE/TopB, each with its unit label mmL0 .. mmL3), shared by the range dialogs.
#pragma once

#include "io/ExpRange.h"

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;

namespace zemo {

class TRealUpDown;

class TRangeRows : public QWidget {
public:
    explicit TRangeRows(QWidget* parent);

    void SetLimits(const RangeLimits& l, const QString& unit);
    void SetFields(const RangeFields& f);
    // The values as the spin controls read them (limited to their ranges).
    RangeFields Fields() const;
    // Every field a number within its range, Right right of Left and Top above Bottom; false
    // with the message shown and the focus on the field that must change.
    bool Check() const;
    QLineEdit* Edit(int i) const { return edits_[size_t(i)]; }

private:
    std::array<QLineEdit*, 4> edits_{};
    std::array<TRealUpDown*, 4> spins_{};
    std::array<QLabel*, 4> units_{};
    std::array<QString, 4> labels_;
};

} // namespace zemo
