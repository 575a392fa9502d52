// The pieces the windows stand on: the guard around handlers, the top-level error report, the
// rule that ends the program, and the start-up routine.
#include <QApplication>
#include <QMessageBox>
#include <QMessageBox>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <stdexcept>

#include "LoginTestWindows.h"
#include "app/ModMain.h"
#include "forms/login/frmLogin.h"
#include "gui/ErrorReport.h"
#include "gui/EventGuard.h"
#include "gui/LastWindowWatch.h"
#include "runtime/RuntimeError.h"

using forms::frmLogin;

namespace {

struct Report {
    long number;
    std::string description;
};

class RecordedReports {
public:
    RecordedReports()
    {
        previous_ = gui::setErrorReportHandler([this](long number, const std::string& description) {
            reports.push_back({number, description});
        });
    }
    ~RecordedReports() { gui::setErrorReportHandler(previous_); }
    std::vector<Report> reports;

private:
    gui::ErrorReportHandler previous_;
};

}  // namespace

TEST(LoginEventGuard, EscapedErrorsReachTheReportWithNumberAndDescription)
{
    RecordedReports recorded;
    bool after = false;
    gui::runGuarded([&] {
        throw runtime::RuntimeError(-2147217900, "对象名 'zk_tasklog' 无效。");
        after = true;
    });
    gui::runGuarded([] { throw std::bad_alloc(); });
    gui::runGuarded([] { throw std::logic_error("broken"); });
    gui::runGuarded([] { throw 42; });
    gui::runGuarded([] {});

    EXPECT_FALSE(after);
    ASSERT_EQ(recorded.reports.size(), 4u);
    EXPECT_EQ(recorded.reports[0].number, -2147217900);
    EXPECT_EQ(recorded.reports[0].description, "对象名 'zk_tasklog' 无效。");
    EXPECT_EQ(recorded.reports[1].number, runtime::ErrorNumber::OutOfMemory);
    EXPECT_EQ(recorded.reports[2].description, "broken");
    for (const Report& report : recorded.reports)
        EXPECT_NE(report.number, 0);
}

TEST(LoginEventGuardDeathTest, DefaultReportShowsNumberAndDescriptionThenExitsWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto reportAndEcho = [] {
        gui::setErrorReportHandler({});
        logintest::onNextMessageBox([](QMessageBox& box) {
            std::fprintf(stderr, "[%s|%s]\n", box.windowTitle().toUtf8().constData(), box.text().toUtf8().constData());
            box.accept();
        });
        gui::reportUntrappedError(3704, "对象关闭时，不允许操作。");
    };
    EXPECT_EXIT(reportAndEcho(), ::testing::ExitedWithCode(1),
                "\\[直接清除异常任务\\|运行时错误 '3704':\n\n对象关闭时，不允许操作。\\]");
}

class LoginLastWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        logintest::closeAllWindows();
        watcher_ = gui::watchForLastWindow([this] { ++quits; });
    }
    void TearDown() override
    {
        delete watcher_.data();
        QApplication::setQuitOnLastWindowClosed(false);
        logintest::closeAllWindows();
    }
    void settle()
    {
        QApplication::processEvents();
        QApplication::processEvents();
    }

    int quits = 0;

private:
    QPointer<QObject> watcher_;
};

TEST_F(LoginLastWindow, EndsOnlyWhenNoWindowRemainsAfterTheEvent)
{
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    auto* first = new QWidget;
    first->setAttribute(Qt::WA_DeleteOnClose);
    first->show();
    auto* other = new QWidget;
    other->setAttribute(Qt::WA_DeleteOnClose);
    other->show();

    other->close();
    settle();
    EXPECT_EQ(quits, 0) << "a window is still open";

    // Log on again: one handler closes the only window, then shows a new one.
    QWidget* second = nullptr;
    QTimer::singleShot(0, [&] {
        first->close();
        second = new QWidget;
        second->setAttribute(Qt::WA_DeleteOnClose);
        second->show();
    });
    settle();
    EXPECT_EQ(quits, 0) << "ended in the gap between the two windows";
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(gui::anyWindowOpen());

    second->close();
    settle();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(gui::anyWindowOpen());
}

TEST_F(LoginLastWindow, StartUpShowsAFreshLoginWindowWhoseCloseBoxEndsTheProgram)
{
    ModMain::Main();
    const auto windows = logintest::visibleWindows();
    ASSERT_EQ(windows.size(), 1u);
    auto* login = dynamic_cast<frmLogin*>(windows.front());
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(login->findChild<QLineEdit*>("txtServer")->text(), QStringLiteral("(local)"));

    // The close box runs no code of ours, and with no other window the program ends.
    login->close();
    settle();
    EXPECT_EQ(quits, 1);
}
