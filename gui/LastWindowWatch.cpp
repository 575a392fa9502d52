#include "gui/LastWindowWatch.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace gui {

namespace {

bool isWindow(const QWidget& widget)
{
    const Qt::WindowType type = widget.windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

class LastWindowWatcher : public QObject {
public:
    LastWindowWatcher(std::function<void()> whenNoneRemains, QObject* parent)
        : QObject(parent), whenNoneRemains_(std::move(whenNoneRemains))
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched->isWidgetType()) {
            const auto* widget = static_cast<const QWidget*>(watched);
            if (widget->isWindow() && isWindow(*widget) && !checkPending_) {
                checkPending_ = true;
                // A zero timer fires once the event that hid the window has been handled.
                QTimer::singleShot(0, this, [this] {
                    checkPending_ = false;
                    if (!anyWindowOpen())
                        whenNoneRemains_();
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> whenNoneRemains_;
    bool checkPending_ = false;
};

}  // namespace

bool anyWindowOpen()
{
    const auto widgets = QApplication::topLevelWidgets();
    for (const QWidget* widget : widgets) {
        if (widget->isVisible() && isWindow(*widget))
            return true;
    }
    return false;
}

QObject* watchForLastWindow(std::function<void()> whenNoneRemains)
{
    if (!whenNoneRemains)
        whenNoneRemains = [] { QCoreApplication::quit(); };
    QApplication::setQuitOnLastWindowClosed(false);
    auto* watcher = new LastWindowWatcher(std::move(whenNoneRemains), qApp);
    qApp->installEventFilter(watcher);
    return watcher;
}

}  // namespace gui
