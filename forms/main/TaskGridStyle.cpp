#include "forms/main/TaskGridStyle.h"

#include <QPainter>
#include <QStyleOptionViewItem>
#include <QTextLayout>

namespace forms {

namespace {

// Styles that leave item cells to Qt's common drawing, which drawPlainCell repeats step by step.
bool drawsCommonItemCells(const QStyle& style)
{
    const QString name = style.name();
    return name.compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("windows"), Qt::CaseInsensitive) == 0;
}

bool isPlain(const QStyleOptionViewItem& cell)
{
    constexpr auto extras =
        QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    return !(cell.features & extras) && !(cell.state & (QStyle::State_HasFocus | QStyle::State_Editing))
        && cell.showDecorationSelected && cell.decorationPosition == QStyleOptionViewItem::Left
        && cell.direction == Qt::LeftToRight;
}

}  // namespace

int TaskGridStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const
{
    if (hint == SH_Table_GridLineColor)
        return static_cast<int>(gridLineColor);
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void TaskGridStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    if (element == CE_ItemViewItem) {
        const auto* cell = qstyleoption_cast<const QStyleOptionViewItem*>(option);
        if (cell && drawPlainCell(*cell, painter, widget))
            return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

bool TaskGridStyle::drawPlainCell(const QStyleOptionViewItem& cell, QPainter* painter, const QWidget* widget) const
{
    if (!isPlain(cell) || !drawsCommonItemCells(*baseStyle()))
        return false;

    // Qt measures the text, lays it out to see whether it must be elided, and lays it out again to
    // draw it. For one line that fits, the second layout is the one drawn, so it is made once here
    // with the same settings: across the cell less the focus margins, placed by the cell's
    // alignment. Text that needs eliding or more than one line is left to Qt.
    const int margin = pixelMetric(PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = cell.rect.adjusted(margin, 0, -margin, 0);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(cell.direction);
    textOption.setAlignment(QStyle::visualAlignment(cell.direction, cell.displayAlignment));
    QTextLayout layout(cell.text, cell.font);
    layout.setTextOption(textOption);
    // Kept after the layout, so that drawing does not shape the text a second time.
    layout.setCacheEnabled(true);
    QPointF position;
    if (!cell.text.isEmpty()) {
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(textRect.width());
        line.setPosition(QPointF(0, 0));
        const bool moreLines = layout.createLine().isValid();
        layout.endLayout();
        if (moreLines || line.textStart() != 0 || line.textLength() != cell.text.size()
            || line.naturalTextWidth() > textRect.width())
            return false;
        const QRect placed = QStyle::alignedRect(Qt::LayoutDirectionAuto, cell.displayAlignment,
                                                 layout.boundingRect().size().toSize(), textRect);
        if (line.height() + placed.top() <= textRect.top())
            return false;
        position = QPointF(textRect.x(), placed.top());
    }

    painter->save();
    painter->setClipRegion(painter->hasClipping() ? painter->clipRegion() & cell.rect : QRegion(cell.rect));
    drawPrimitive(PE_PanelItemViewItem, &cell, painter, widget);
    if (!cell.text.isEmpty()) {
        QPalette::ColorGroup group = cell.state & State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(cell.state & State_Active))
            group = QPalette::Inactive;
        painter->setPen(
            cell.palette.color(group, cell.state & State_Selected ? QPalette::HighlightedText : QPalette::Text));
        layout.draw(painter, position);
    }
    painter->restore();
    return true;
}

}  // namespace forms
