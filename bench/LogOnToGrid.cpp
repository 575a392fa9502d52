#include "bench/LogOnToGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "bench/RunProgram.h"
#include "forms/login/frmLogin.h"
#include "runtime/MsgBox.h"

using forms::frmLogin;

namespace bench {

namespace {

constexpr int patienceMs = 600'000;

// Notes when a widget that matches has been painted.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::function<bool(const QObject&)> matches) : matches_(std::move(matches))
    {
        qApp->installEventFilter(this);
    }
    bool seen() const { return seen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && matches_(*watched))
            seen_ = true;
        return false;
    }

private:
    std::function<bool(const QObject&)> matches_;
    bool seen_ = false;
};

void processEventsUntilPainted(const PaintWatch& watch, const char* what)
{
    QElapsedTimer waited;
    waited.start();
    while (!watch.seen()) {
        if (waited.elapsed() > patienceMs)
            throw std::runtime_error(std::string("gave up waiting for ") + what + " to be painted");
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

template <typename T>
T& control(QWidget& window, const char* name)
{
    auto* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("the login window has no ") + name);
    return *found;
}

}  // namespace

double logOnToGridSeconds(const std::string& server)
{
    // Any box means the log-on failed; the grid would never come.
    runtime::setMsgBoxPresenter([](const std::string& text, int, const std::string&) -> int {
        std::fprintf(stderr, "bench: the log-on showed a message box: %s\n", text.c_str());
        std::_Exit(2);
    });
    frmLogin* login = frmLogin::Show();
    processEventsUntilPainted(PaintWatch([login](const QObject& object) { return &object == login; }),
                              "the login window");
    control<QLineEdit>(*login, "txtServer").setText(QString::fromStdString(server));

    const PaintWatch grid([](const QObject& object) {
        return object.parent() && object.parent()->objectName() == QLatin1String("MSHF_Task");
    });
    const auto pressed = Clock::now();
    control<QPushButton>(*login, "Cmd_OK").click();
    processEventsUntilPainted(grid, "the task grid");
    return secondsSince(pressed);
}

}  // namespace bench
