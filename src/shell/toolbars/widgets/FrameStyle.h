// The style of the widgets the main window lays out itself (dock holders, panels, the map
// area): the program's own style, but placed at once instead of through a layout animation.
#pragma once

#include <QProxyStyle>

namespace zemo {

class FrameStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};

// Gives w a frame style of its own, owned by w.
void UseFrameStyle(QWidget* w);

} // namespace zemo
