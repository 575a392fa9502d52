// A Qt generic plugin for timing a program's start: loaded into any Qt program through
// QT_QPA_GENERIC_PLUGINS, it prints the monotonic clock (nanoseconds) once the program's first
// window has been exposed and painted, then ends the program at once.
#include <QCoreApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

class ShownWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed() && !seen_) {
            seen_ = true;
            // After the expose has been handled, so that the first paint is included.
            QTimer::singleShot(0, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
                std::fflush(stdout);
                _exit(0);
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

}  // namespace

class ShownProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ShownProbe.json")
public:
    QObject* create(const QString&, const QString&) override
    {
        auto* watch = new ShownWatch(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(watch);
        return watch;
    }
};

#include "ShownProbe.moc"
