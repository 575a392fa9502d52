// The toolbar: its buttons and pictures, and the log-on, exit and refresh commands.
#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "MainWindowFixture.h"
#include "app/ModMain.h"
#include "forms/login/frmLogin.h"
#include "forms/main/CommandToolBar.h"
#include "forms/main/ImageList.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "runtime/MsgBox.h"
#include "runtime/RuntimeError.h"

using forms::frmLogin;
using forms::frmMain;

namespace {

using maintest::TaskLogRow;

class Toolbar : public maintest::MainWindowFixture {
protected:
    static forms::CommandToolBar* toolbar(frmMain* window)
    {
        return window->findChild<forms::CommandToolBar*>(QStringLiteral("Toolbar1"));
    }
    // The id the server gave the tool's connection (the only one logged on to master).
    std::string toolConnectionId() const
    {
        const std::string log = store->log();
        const std::string marker = " logged in as SA to master";
        const std::size_t end = log.find(marker);
        const std::size_t begin = log.rfind("connection ", end) + std::string("connection ").size();
        return end == std::string::npos ? std::string() : log.substr(begin, end - begin);
    }
};

TEST_F(Toolbar, SevenItemsInOrderWithCaptionsTipsAndPictures)
{
    frmMain* window = logOnAndShow();
    const QList<QAction*> actions = toolbar(window)->actions();
    ASSERT_EQ(actions.size(), 7);
    const char* keys[] = {"LOGIN", nullptr, "DELETE", nullptr, "REF", nullptr, "EXIT"};
    const QString captions[] = {QStringLiteral("登陆"), {}, QStringLiteral("清除"), {},
                                QStringLiteral("刷新"), {}, QStringLiteral("退出")};
    for (int i = 0; i < 7; ++i) {
        if (!keys[i]) {
            EXPECT_TRUE(actions[i]->isSeparator()) << i;
            continue;
        }
        EXPECT_EQ(actions[i]->objectName(), QString::fromLatin1(keys[i]));
        EXPECT_EQ(actions[i]->text(), captions[i]);
        EXPECT_TRUE(actions[i]->isEnabled() && actions[i]->isVisible());
        QToolButton* face = button(window, actions[i]->objectName());
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_EQ(face->height(), 36);
        EXPECT_GE(face->width(), 31);
        EXPECT_TRUE(face->isVisible());
        EXPECT_TRUE(toolbar(window)->rect().contains(face->geometry())) << i;
    }
    EXPECT_EQ(button(window, QStringLiteral("LOGIN"))->size(), QSize(31, 36));
    EXPECT_EQ(actions[0]->toolTip(), QStringLiteral("重新登陆帐套"));
    EXPECT_EQ(actions[2]->toolTip(), QStringLiteral("清除异常任务"));

    QToolButton* clear = button(window, QStringLiteral("DELETE"));
    EXPECT_EQ(clear->popupMode(), QToolButton::MenuButtonPopup);
    const QList<QAction*> items = clear->defaultAction()->menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->objectName(), QStringLiteral("DELERROR"));
    EXPECT_EQ(items[0]->text(), QStringLiteral("清除异常"));
    EXPECT_EQ(items[1]->objectName(), QStringLiteral("DELALL"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("清除所有"));
}

TEST_F(Toolbar, PicturesAreSixteenSquareWithSilverMaskedOut)
{
    for (int index = 1; index <= forms::ImageList1::Count; ++index) {
        const QImage image = forms::ImageList1::picture(index).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16)) << index;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << index;  // every picture has a silver corner
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
        EXPECT_GT(opaque, 20) << index;
    }
    // The clear button's cross: red on the diagonal.
    const QColor centre = forms::ImageList1::picture(forms::ImageList1::Index::Delete).toImage().pixelColor(7, 7);
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.green(), 60);
}

TEST_F(Toolbar, DeleteFaceSeparatorsAndOtherKeysDoNothing)
{
    addTaskLog({{"GL", "总账", "PC-01", "-1", "2006-01-05 10:20:30", "101"}});
    frmMain* window = logOnAndShow();
    const std::size_t mark = store->requests().size();

    click(window, QStringLiteral("DELETE"));
    for (const char* key : {"login", "Login", "exit", "Ref", "REF ", "DELETE", "", "DELALL"})
        emit toolbar(window)->ButtonClick(QString::fromLatin1(key));

    EXPECT_TRUE(boxes->boxes().empty());
    EXPECT_TRUE(requestsSince(mark).empty());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(reports.empty());
}

TEST_F(Toolbar, LogOnAgainCancelledChangesNothing)
{
    QPointer<frmMain> window = logOnAndShow();
    const std::size_t mark = store->requests().size();
    boxes->answer(runtime::MsgBoxResult::Cancel);
    click(window, QStringLiteral("LOGIN"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_EQ(boxes->boxes().size(), 1u);
    EXPECT_EQ(boxes->boxes()[0].text, "您确定要重新登陆吗？");
    EXPECT_EQ(boxes->boxes()[0].style, 65);
    EXPECT_EQ(boxes->boxes()[0].title, "登陆提示");
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(maintest::openWindows<frmLogin>().empty());
    EXPECT_TRUE(requestsSince(mark).empty());  // no reload
}

TEST_F(Toolbar, LogOnAgainConfirmedShowsAFreshLoginAndKeepsTheConnection)
{
    QPointer<frmMain> window = logOnAndShow();
    boxes->answer(runtime::MsgBoxResult::OK);
    click(window, QStringLiteral("LOGIN"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(maintest::openWindows<frmLogin>().size(), 1u);
    EXPECT_TRUE(maintest::openWindows<frmMain>().empty());
    EXPECT_EQ(ModMain::Conn->State(), 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Toolbar, ExitClosesTheSessionAtTheServerAndTheWindow)
{
    QPointer<frmMain> window = logOnAndShow();
    const std::string id = toolConnectionId();
    ASSERT_FALSE(id.empty()) << store->log();
    EXPECT_EQ(store->log().find("connection " + id + " closed"), std::string::npos);

    click(window, QStringLiteral("EXIT"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(ModMain::Conn.empty());
    EXPECT_TRUE(store->waitForLog("connection " + id + " closed"));
    EXPECT_TRUE(boxes->boxes().empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(Toolbar, RefreshShowsWhatAnotherClientChanged)
{
    addTaskLog({{"GL", "总账", "PC-01", "1", "2006-01-05 10:20:30", "101"},
                {"AR", "应收", "PC-02", "2", "2006-01-05 10:20:31", "102"}});
    frmMain* window = logOnAndShow();
    client->exec("delete from zk_tasklog where cTaskId = '101'");
    addTaskLog({{"AP", "应付", "PC-03", "-3", "2006-01-06 08:00:00", "103"}});
    client->exec("update zk_tasklog set TaskState = '-2' where cTaskId = '102'");

    click(window, QStringLiteral("REF"));

    EXPECT_EQ(column(window, 4), (std::vector<QString>{"102", "103"}));
    EXPECT_EQ(column(window, 2), (std::vector<QString>{QStringLiteral("异常"), QStringLiteral("异常")}));
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(grid(window)->columnWidth(c), 122) << c;
    EXPECT_TRUE(boxes->boxes().empty());
    EXPECT_TRUE(reports.empty());
}

}  // namespace
