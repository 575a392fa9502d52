#include "gui/WindowAccessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace gui {

namespace {
QAccessibleInterface* windowInterface(const QString& className, QObject* object)
{
    // Qt asks once per class from the most derived one up; a class with an interface of its own
    // (a message box, a menu) has been answered before "QWidget" comes.
    auto* widget = qobject_cast<QWidget*>(object);
    if (className == QLatin1String("QWidget") && widget && widget->isWindow())
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}
}  // namespace

void installWindowAccessibility() { QAccessible::installFactory(windowInterface); }

}  // namespace gui
