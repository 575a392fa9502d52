#include "gui/WaitCursor.h"

#include <QApplication>
#include <QCursor>

namespace gui {

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

NormalCursorForDialog::NormalCursorForDialog() : pushed_(QApplication::overrideCursor() != nullptr)
{
    if (pushed_)
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
}

NormalCursorForDialog::~NormalCursorForDialog()
{
    if (pushed_)
        QApplication::restoreOverrideCursor();
}

}  // namespace gui
