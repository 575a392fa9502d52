// Hostile text in the login window: very long, with connection-string syntax, blanks, control and
// non-BMP characters. Never a crash, and never a log-on to anything but the typed server with the
// typed password; a second server on another port must never hear from the tool.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "TaskStoreProcess.h"
#include "app/ModMain.h"
#include "db/ModFunction.h"
#include "forms/login/frmLogin.h"
#include "forms/main/frmMain.h"
#include "gui/ErrorReport.h"
#include "runtime/MsgBox.h"

using forms::frmLogin;
using forms::frmMain;

namespace {

using testsupport::TaskStoreOptions;
using testsupport::TaskStoreProcess;

void closeAllWindows()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

bool mainWindowOpen()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (dynamic_cast<frmMain*>(widget) && widget->isVisible())
            return true;
    }
    return false;
}

class LoginBadInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        closeAllWindows();
        ModMain::Conn.release();
        previousBox_ = runtime::setMsgBoxPresenter([this](const std::string& text, int, const std::string&) {
            boxes.push_back(text);
            return runtime::MsgBoxResult::OK;
        });
        previousReport_ = gui::setErrorReportHandler([](long number, const std::string& description) {
            ADD_FAILURE() << "untrapped error " << number << ": " << description;
        });
    }

    void TearDown() override
    {
        RecordProperty("log-on attempts", attempts);
        closeAllWindows();
        ModFunction::CloseDB();
        runtime::setMsgBoxPresenter(previousBox_);
        gui::setErrorReportHandler(previousReport_);
    }

    // Types both boxes and presses OK; true when the main window opened.
    bool logOn(const QString& server, const QString& password)
    {
        closeAllWindows();
        ModFunction::CloseDB();
        boxes.clear();
        frmLogin* login = frmLogin::Show();
        login->findChild<QLineEdit*>(QStringLiteral("txtServer"))->setText(server);
        login->findChild<QLineEdit*>(QStringLiteral("txtPass"))->setText(password);
        ++attempts;
        QTest::mouseClick(login->findChild<QPushButton*>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const bool opened = mainWindowOpen();
        // A failed log-on shows the layer's description and then the fixed message; a success none.
        EXPECT_EQ(boxes.size(), opened ? 0u : 2u) << server.left(80).toStdString();
        return opened;
    }

    static QString of(const TaskStoreProcess& store) { return QString::fromStdString(store.serverName()); }
    static bool heardFromAnyone(const TaskStoreProcess& store)
    {
        return store.log().find(" from ") != std::string::npos;
    }

    std::vector<std::string> boxes;
    int attempts = 0;

private:
    runtime::MsgBoxPresenter previousBox_;
    gui::ErrorReportHandler previousReport_;
};

TEST_F(LoginBadInput, PasswordNamingAnotherServerGoesOnlyToTheTypedOne)
{
    TaskStoreProcess other;
    const std::string redirect = "x;Data Source=127.0.0.1," + std::to_string(other.port());
    TaskStoreOptions options;
    options.saPassword = redirect;
    TaskStoreProcess typed(options);

    EXPECT_TRUE(logOn(of(typed), QString::fromStdString(redirect)));
    EXPECT_TRUE(typed.waitForLog("logged in as SA")) << typed.log();
    // The same text with the keyword spellings the reader also knows, and with the value quoted.
    for (const std::string& password :
         {"x;Server=127.0.0.1," + std::to_string(other.port()), "x;Address=127.0.0.1," + std::to_string(other.port()),
          "';Data Source='127.0.0.1," + std::to_string(other.port()),
          "x};Server={127.0.0.1};Port={" + std::to_string(other.port())}) {
        EXPECT_FALSE(logOn(of(typed), QString::fromStdString(password))) << password;
    }
    EXPECT_FALSE(heardFromAnyone(other)) << other.log();
}

TEST_F(LoginBadInput, ServerNamesWithConnectionStringSyntaxNeverReachAnotherServer)
{
    TaskStoreProcess other;
    TaskStoreProcess typed;
    const std::string port = std::to_string(other.port());
    const std::string mine = typed.serverName();
    for (const std::string& server :
         {mine + ";Data Source=127.0.0.1," + port, mine + "';Address='127.0.0.1," + port, "127.0.0.1," + port + "x",
          mine + "};Port={" + port, mine + "\";Server=\"127.0.0.1," + port,
          "127.0.0.1,99999;Data Source=127.0.0.1," + port, mine + "\x01;Address=127.0.0.1," + port,
          mine + ";" + std::string(100000, 'x')}) {
        EXPECT_FALSE(logOn(QString::fromStdString(server), "")) << server.substr(0, 80);
    }
    // Blanks at either end are read as SQL Server clients read them: the same server.
    EXPECT_TRUE(logOn(QString::fromStdString("  " + mine + "  "), ""));
    // The box holds at most 32767 characters.
    EXPECT_TRUE(
        logOn(QString::fromStdString("127.0.0.1" + std::string(30000, ' ') + "," + std::to_string(typed.port())), ""));
    EXPECT_FALSE(heardFromAnyone(other)) << other.log();
}

// Every hostile password is delivered exactly: the server, set to that very password, lets the
// tool in; the same text one character short does not.
TEST_F(LoginBadInput, HostilePasswordsArriveExactlyAsTyped)
{
    const std::vector<QString> passwords = {
        QStringLiteral(";"),
        QStringLiteral("="),
        QStringLiteral("a'b\"c"),
        QStringLiteral("'quoted'"),
        QStringLiteral("\"dq\""),
        QStringLiteral("{braced}"),
        QStringLiteral("a}}b{"),
        QStringLiteral("}"),
        QStringLiteral("  both ends  "),
        QStringLiteral("\tx\x01y\x7f"),
        QStringLiteral("密码\U0001F600\U00020000"),
        QStringLiteral("x;PWD=y;UID=z"),
        QStringLiteral("==;;''"),
        // SQL Server's longest password, counted in UTF-16 units.
        QString(127, QLatin1Char('p')) + QStringLiteral("密"),
        QString(126, QLatin1Char('p')) + QStringLiteral("\U0001F600"),
    };
    for (const QString& password : passwords) {
        TaskStoreOptions options;
        options.saPassword = password.toStdString();
        TaskStoreProcess typed(options);
        EXPECT_TRUE(logOn(of(typed), password)) << password.toStdString();
        EXPECT_FALSE(logOn(of(typed), password.chopped(1))) << password.toStdString();
    }
}

TEST_F(LoginBadInput, VeryLongPasswordsNeverLogOnWithAShortenedPassword)
{
    // The server's password is a prefix of what is typed: any cut on the way would let the tool in.
    for (const int length : {129, 4000, 32767, 100000}) {
        const std::string typedText(static_cast<std::size_t>(length), 'p');
        for (const int prefix : {128, 1000}) {
            TaskStoreOptions options;
            options.saPassword = std::string(static_cast<std::size_t>(prefix), 'p');
            TaskStoreProcess typed(options);
            EXPECT_FALSE(logOn(of(typed), QString::fromStdString(typedText))) << length << " vs " << prefix;
        }
    }
}

}  // namespace
