#pragma once
// The task grid's drawing on top of the application's style: grid lines in the grid's silver, and
// plain text cells laid out once where Qt lays each one out three times. A proxy style, not a
// style sheet: a style sheet sends every cell of every repaint through Qt's rule matching.
#include <QProxyStyle>
#include <QRgb>

class QStyleOptionViewItem;

namespace forms {

// The colour of the lines between the grid's cells.
inline constexpr QRgb gridLineColor = qRgb(192, 192, 192);

class TaskGridStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;  // over the application's style unless another is given
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

private:
    // Draws a cell of one line of text with nothing else in it exactly as Qt's common item drawing
    // does; false, having drawn nothing, for any other cell.
    bool drawPlainCell(const QStyleOptionViewItem& cell, QPainter* painter, const QWidget* widget) const;
};

}  // namespace forms
