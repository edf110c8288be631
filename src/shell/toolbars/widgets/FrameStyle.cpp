#include "shell/toolbars/widgets/FrameStyle.h"

#include <QWidget>

namespace zemo {

int FrameStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const
{
    // Each animation of a layout, even one of no length, leaves a deferred deletion behind;
    // made inside a command, those wait for its end, and every input poll of a long paint
    // walks over them again.
    if (hint == SH_Widget_Animation_Duration)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void UseFrameStyle(QWidget* w)
{
    auto* style = new FrameStyle;
    style->setParent(w);
    w->setStyle(style);
}

} // namespace zemo
