#pragma once
// Draws the task grid's lines in the grid's silver instead of the style's own colour. A proxy
// style, not a style sheet: a style sheet sends every cell of every repaint through Qt's rule
// matching, which made the first screen of a refresh a quarter slower.
#include <QProxyStyle>

namespace mainwin {

class GridLineStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace mainwin
