#include "forms/main/GridLineStyle.h"

#include <QColor>

namespace mainwin {

int GridLineStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const
{
    if (hint == SH_Table_GridLineColor)
        return static_cast<int>(QColor(192, 192, 192).rgba());
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace mainwin
