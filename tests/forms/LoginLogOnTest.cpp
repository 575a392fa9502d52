// The login window's OK and Exit commands driven by their buttons against a real taskstore.
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "LoginTestWindows.h"
#include "Relay.h"
#include "ScriptedMsgBox.h"
#include "TaskStoreProcess.h"
#include "app/ModMain.h"
#include "forms/login/frmLogin.h"
#include "forms/main/frmMain.h"
#include "gui/ErrorReport.h"
#include "gui/LastWindowWatch.h"
#include "runtime/MsgBox.h"

using forms::frmLogin;
using forms::frmMain;

namespace {

using testsupport::ScriptedMsgBox;
using testsupport::TaskStoreOptions;
using testsupport::TaskStoreProcess;

const std::string notInstalled = "请确认该服务器上正确安装了Q6产品！";

// Connection ids the server logged with the given event, e.g. "logged in as SA to master".
std::vector<std::string> connectionsLogged(const TaskStoreProcess& server, const std::string& event)
{
    const std::string log = server.log();
    const std::string prefix = "taskstore: connection ";
    std::vector<std::string> ids;
    for (std::size_t at = log.find(prefix); at != std::string::npos; at = log.find(prefix, at + 1)) {
        const std::size_t id = at + prefix.size();
        const std::size_t end = log.find_first_of(" \t\n\r\f\v", id);
        if (end != id && end != std::string::npos && log.compare(end, event.size() + 1, " " + event) == 0)
            ids.push_back(log.substr(id, end - id));
    }
    return ids;
}

class LoginLogOn : public ::testing::Test {
protected:
    void SetUp() override
    {
        logintest::closeAllWindows();
        ModMain::Conn.release();
        previousReport_ = gui::setErrorReportHandler([](long number, const std::string& description) {
            ADD_FAILURE() << "untrapped error " << number << ": " << description;
        });
        login = frmLogin::Show();
    }

    void TearDown() override
    {
        logintest::closeAllWindows();
        ModMain::Conn.release();
        gui::setErrorReportHandler(previousReport_);
    }

    QLineEdit* box(const char* name) { return login->findChild<QLineEdit*>(QString::fromLatin1(name)); }

    void type(const std::string& server, const std::string& password)
    {
        box("txtServer")->setText(QString::fromStdString(server));
        box("txtPass")->setText(QString::fromStdString(password));
    }

    void click(const char* button)
    {
        QTest::mouseClick(login->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static frmMain* mainWindow()
    {
        for (QWidget* window : logintest::visibleWindows()) {
            if (auto* found = dynamic_cast<frmMain*>(window))
                return found;
        }
        return nullptr;
    }

    // After a failed OK: the login window is still there with what the user typed, nothing else.
    void expectLoginWindowKept(const std::string& server, const std::string& password)
    {
        ASSERT_FALSE(login.isNull());
        EXPECT_TRUE(login->isVisible());
        EXPECT_EQ(box("txtServer")->text().toStdString(), server);
        EXPECT_EQ(box("txtPass")->text().toStdString(), password);
        EXPECT_EQ(mainWindow(), nullptr);
        EXPECT_EQ(logintest::visibleWindows().size(), 1u);
    }

    // The two boxes of a failed open: the connection layer's description, then the fixed message.
    static void expectOpenFailureBoxes(const ScriptedMsgBox& boxes)
    {
        ASSERT_EQ(boxes.boxes().size(), 2u);
        const auto& first = boxes.boxes()[0];
        EXPECT_FALSE(first.text.empty());
        EXPECT_NE(first.text, notInstalled);
        EXPECT_EQ(first.style, 0);
        EXPECT_EQ(first.title, runtime::AppTitle());
        const auto& second = boxes.boxes()[1];
        EXPECT_EQ(second.text, notInstalled);
        EXPECT_EQ(second.style, 64);
        EXPECT_EQ(second.title, "提示");
    }

    QPointer<frmLogin> login;

private:
    gui::ErrorReportHandler previousReport_;
};

}  // namespace

TEST_F(LoginLogOn, EmptyServerIsRefusedWithoutConnecting)
{
    TaskStoreProcess server;
    ScriptedMsgBox boxes;
    boxes.answer(runtime::MsgBoxResult::OK);
    type("", "pw");
    box("txtPass")->setFocus();

    click("Cmd_OK");

    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "请输入服务器名称！");
    EXPECT_EQ(boxes.boxes()[0].style, 0);
    EXPECT_EQ(boxes.boxes()[0].title, "登陆提示");
    EXPECT_EQ(login->focusWidget(), box("txtServer"));
    expectLoginWindowKept("", "pw");
    EXPECT_TRUE(ModMain::Conn.empty());
    EXPECT_TRUE(connectionsLogged(server, "from").empty()) << server.log();
}

TEST_F(LoginLogOn, ServerOfBlanksIsTriedAsTyped)
{
    ScriptedMsgBox boxes;
    boxes.answer(runtime::MsgBoxResult::OK);
    boxes.answer(runtime::MsgBoxResult::OK);
    type("   ", "");

    click("Cmd_OK");

    expectOpenFailureBoxes(boxes);
    expectLoginWindowKept("   ", "");
    EXPECT_NE(ModMain::Conn->State(), 1);
}

TEST_F(LoginLogOn, WrongPasswordShowsTheRefusalThenTheFixedMessage)
{
    TaskStoreOptions options;
    options.saPassword = "Right;pw";
    TaskStoreProcess server(options);
    ScriptedMsgBox boxes;
    boxes.answer(runtime::MsgBoxResult::OK);
    boxes.answer(runtime::MsgBoxResult::OK);
    type(server.serverName(), "wrong");

    click("Cmd_OK");

    expectOpenFailureBoxes(boxes);
    expectLoginWindowKept(server.serverName(), "wrong");
    EXPECT_NE(ModMain::Conn->State(), 1);
    EXPECT_TRUE(server.waitForLog("login failed for SA")) << server.log();
    EXPECT_TRUE(connectionsLogged(server, "logged in").empty()) << server.log();
}

TEST_F(LoginLogOn, UnreachableServerShowsTheConnectionErrorThenTheFixedMessage)
{
    TaskStoreProcess server;
    const std::string name = server.serverName();
    server.kill();
    ScriptedMsgBox boxes;
    boxes.answer(runtime::MsgBoxResult::OK);
    boxes.answer(runtime::MsgBoxResult::OK);
    type(name, "");

    click("Cmd_OK");

    expectOpenFailureBoxes(boxes);
    expectLoginWindowKept(name, "");
}

TEST_F(LoginLogOn, ServerWithoutAUsableSystemDatabaseKeepsTheConnectionOnMasterUntilExit)
{
    // taskstore refuses to start on such a file, so it turns into no usable database while
    // served, before any session has opened it.
    TaskStoreProcess server;
    std::ofstream(server.dataFolder() / "VOZUZODI.sqlite", std::ios::trunc) << "not a database file, only some text\n";
    ScriptedMsgBox boxes;
    boxes.answer(runtime::MsgBoxResult::OK);
    type(server.serverName(), "");

    click("Cmd_OK");

    ASSERT_EQ(boxes.boxes().size(), 1u) << server.log();
    EXPECT_EQ(boxes.boxes()[0].text, notInstalled);
    EXPECT_EQ(boxes.boxes()[0].style, 64);
    EXPECT_EQ(boxes.boxes()[0].title, "提示");
    expectLoginWindowKept(server.serverName(), "");
    EXPECT_EQ(ModMain::Conn->State(), 1);
    EXPECT_EQ(ModMain::Conn->DefaultDatabase(), "master");
    const auto sessions = connectionsLogged(server, "logged in as SA to master");
    ASSERT_EQ(sessions.size(), 1u) << server.log();
    EXPECT_TRUE(connectionsLogged(server, "closed").empty()) << server.log();

    click("Cmd_Exit");

    EXPECT_TRUE(login.isNull());
    EXPECT_TRUE(ModMain::Conn.empty());
    EXPECT_TRUE(server.waitForLog("connection " + sessions[0] + " closed")) << server.log();
}

TEST_F(LoginLogOn, AServerCertificateTheUsersCaDidNotSignFailsTheLogOnWithTheDriversDescription)
{
    // The user's FreeTDS settings for the server name typed: encryption, and a CA file.
    TaskStoreOptions forcing;
    forcing.extraArguments = {"--force-encryption"};
    TaskStoreProcess server(forcing);
    TaskStoreProcess stranger;  // its self-signed certificate is the wrong CA
    const std::filesystem::path conf = server.dataFolder() / "freetds.conf";
    const auto writeConf = [&](const TaskStoreProcess& signer) {
        std::ofstream(conf) << "[q6tls]\n\thost = 127.0.0.1\n\tport = " << server.port()
                            << "\n\tencryption = require\n\tca file = "
                            << (signer.dataFolder() / "tls-certificate.pem").string() << "\n";
    };
    ::setenv("FREETDSCONF", conf.c_str(), 1);
    writeConf(stranger);
    {
        ScriptedMsgBox boxes;
        boxes.answer(runtime::MsgBoxResult::OK);
        boxes.answer(runtime::MsgBoxResult::OK);
        type("q6tls", "");
        click("Cmd_OK");
        expectOpenFailureBoxes(boxes);
        EXPECT_NE(boxes.boxes().at(0).text.find("Adaptive Server connection failed"), std::string::npos)
            << boxes.boxes().at(0).text;
        expectLoginWindowKept("q6tls", "");
        EXPECT_TRUE(connectionsLogged(server, "logged in").empty()) << server.log();
    }
    writeConf(server);
    {
        ScriptedMsgBox boxes;  // no box may appear
        click("Cmd_OK");
        EXPECT_TRUE(boxes.boxes().empty());
        EXPECT_TRUE(login.isNull());
        EXPECT_EQ(ModMain::Conn->DefaultDatabase(), "VOZUZODI");
    }
    ::unsetenv("FREETDSCONF");
}

TEST_F(LoginLogOn, AServerThatCannotEncryptFailsTheLogOnWithTheTwoBoxes)
{
    // Whether the server really cannot encrypt or someone on the path says so, the tool goes no
    // further than the PRELOGIN: no log-on in the clear.
    TaskStoreProcess server;
    testsupport::Relay relay(server.port(), testsupport::Relay::Tamper::AnswerNotSupported);
    ScriptedMsgBox boxes;
    boxes.answer(runtime::MsgBoxResult::OK);
    boxes.answer(runtime::MsgBoxResult::OK);
    const std::string name = "127.0.0.1," + std::to_string(relay.port());
    type(name, "");

    click("Cmd_OK");

    expectOpenFailureBoxes(boxes);
    expectLoginWindowKept(name, "");
    const auto types = relay.clearPacketTypesFromClients();
    EXPECT_EQ(std::count(types.begin(), types.end(), 16), 0);
    EXPECT_TRUE(connectionsLogged(server, "logged in").empty()) << server.log();
}

TEST_F(LoginLogOn, SuccessOpensTheMainWindowAndClosesTheLoginWindow)
{
    TaskStoreOptions options;
    options.demoTasks = 12;
    TaskStoreProcess server(options);
    ScriptedMsgBox boxes;  // no box may appear
    type(server.serverName(), "");

    click("Cmd_OK");

    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(login.isNull());
    const auto windows = logintest::visibleWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_NE(dynamic_cast<frmMain*>(windows.front()), nullptr);
    EXPECT_EQ(ModMain::Conn->State(), 1);
    EXPECT_EQ(ModMain::Conn->DefaultDatabase(), "VOZUZODI");
}

TEST_F(LoginLogOn, LoggingOnAgainClosesTheFirstSessionAtTheServer)
{
    TaskStoreProcess server;
    ScriptedMsgBox boxes;
    type(server.serverName(), "");
    click("Cmd_OK");
    ASSERT_NE(mainWindow(), nullptr);
    const auto first = connectionsLogged(server, "logged in as SA to master");
    ASSERT_EQ(first.size(), 1u) << server.log();

    // What the main window's log-on command does: close itself, then show a new login window.
    mainWindow()->close();
    login = frmLogin::Show();
    type(server.serverName(), "");
    click("Cmd_OK");

    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(login.isNull());
    EXPECT_NE(mainWindow(), nullptr);
    EXPECT_TRUE(server.waitForLog("connection " + first[0] + " closed")) << server.log();
    EXPECT_EQ(connectionsLogged(server, "logged in as SA to master").size(), 2u) << server.log();
    EXPECT_EQ(ModMain::Conn->DefaultDatabase(), "VOZUZODI");
}

TEST_F(LoginLogOn, ExitBeforeAnyLogOnEndsTheProgramQuietly)
{
    ScriptedMsgBox boxes;
    int ends = 0;
    QPointer<QObject> watcher = gui::watchForLastWindow([&ends] { ++ends; });

    click("Cmd_Exit");
    QApplication::processEvents();

    EXPECT_TRUE(login.isNull());
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(ModMain::Conn.empty());
    EXPECT_EQ(ends, 1);
    delete watcher.data();
}
