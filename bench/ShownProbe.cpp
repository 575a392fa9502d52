// A Qt generic plugin for timing a program's start: loaded into any Qt program through
// QT_QPA_GENERIC_PLUGINS, it prints three readings of the monotonic clock (nanoseconds) on one
// line: when Qt has set up its platform and loads the plugin, when the program's first window is
// exposed, and once that window has been painted; then it ends the program at once.
#include <QCoreApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

long long monotonicNanos()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

class ShownWatch : public QObject {
public:
    explicit ShownWatch(QObject* parent) : QObject(parent), created_(monotonicNanos()) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed() && !exposed_) {
            exposed_ = monotonicNanos();
            // After the expose has been handled, so that the first paint is included.
            QTimer::singleShot(0, [created = created_, exposed = exposed_] {
                std::printf("%lld %lld %lld\n", created, exposed, monotonicNanos());
                std::fflush(stdout);
                _exit(0);
            });
        }
        return false;
    }

private:
    long long created_;
    long long exposed_ = 0;
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
