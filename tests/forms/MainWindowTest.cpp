// The main window against a real taskstore: layout, status bar, the date, and the task list.
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "MainWindowFixture.h"
#include "app/ModMain.h"
#include "db/TaskStatements.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "runtime/RuntimeError.h"

using forms::frmMain;

namespace {

using maintest::TaskLogRow;

class MainWindow : public maintest::MainWindowFixture {};

QRect geometryOf(frmMain* window, const char* name)
{
    auto* widget = window->findChild<QWidget*>(QString::fromLatin1(name));
    return widget ? widget->geometry() : QRect();
}

TEST_F(MainWindow, LayoutStatusBarAndDateAsDesigned)
{
    frmMain* window = logOnAndShow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("直接清除异常任务"));
    EXPECT_EQ(window->size(), QSize(631, 450));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(window->windowIcon().isNull());
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    // Centred before the first showing, when the frame's size is not known yet.
    EXPECT_LE((window->geometry().center() - screenCentre).manhattanLength(), 8);

    EXPECT_EQ(geometryOf(window, "Toolbar1"), QRect(0, 0, 631, 38));
    EXPECT_EQ(geometryOf(window, "Frame2"), QRect(2, 42, 627, 377));
    EXPECT_EQ(geometryOf(window, "MSHF_Task"), QRect(6, 14, 615, 357));
    EXPECT_EQ(geometryOf(window, "StatusBar1"), QRect(0, 423, 631, 27));
    EXPECT_EQ(geometryOf(window, "fraProcess"), QRect(90, 168, 377, 69));
    EXPECT_EQ(geometryOf(window, "ImgProcess"), QRect(8, 16, 46, 44));
    EXPECT_EQ(geometryOf(window, "LabCheck"), QRect(56, 40, 313, 17));
    EXPECT_EQ(window->findChild<QGroupBox*>(QStringLiteral("Frame2"))->title(), QStringLiteral("当前任务"));

    // The progress panel is never shown.
    for (const char* name : {"fraProcess", "ImgProcess", "LabCheck"})
        EXPECT_FALSE(window->findChild<QWidget*>(QString::fromLatin1(name))->isVisible()) << name;
    auto* label = window->findChild<QLabel*>(QStringLiteral("LabCheck"));
    EXPECT_EQ(label->text(), QStringLiteral("正在处理数据请稍候") + QString(21, QLatin1Char('.')));
    EXPECT_FALSE(window->findChild<QLabel*>(QStringLiteral("ImgProcess"))->pixmap().isNull());

    const QString texts[] = {QStringLiteral("V62、D65系列年结检测工具"), QStringLiteral("Q6产品支持部"),
                             QStringLiteral("日期：2006-01-05")};
    for (int index = 1; index <= 3; ++index) {
        QLabel* panel = window->Panel(index);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->parentWidget(), window->findChild<QStatusBar*>(QStringLiteral("StatusBar1")));
        EXPECT_EQ(panel->text(), texts[index - 1]);
        EXPECT_GE(panel->width(), 200) << index;
    }
    EXPECT_LT(window->Panel(1)->x(), window->Panel(2)->x());
    EXPECT_LT(window->Panel(2)->x(), window->Panel(3)->x());

    const QFont font = grid(window)->font();
    EXPECT_EQ(font.family(), QStringLiteral("宋体"));
    EXPECT_EQ(font.pointSize(), 9);
}

TEST_F(MainWindow, ListShowsTitlesStatesDatesWidthsAndAlignment)
{
    addTaskLog({{"GL", "总账", "PC-01", "-1", "2006-01-05 10:20:30", "101"},
                {"AR", "应收", "PC-02", "05", "2005-03-23 00:00:00", "102"},
                {"AP", "应付", "PC-03", "0", "2005-12-31 23:59:59", "103"}});
    frmMain* window = logOnAndShow();
    forms::TaskGrid* tasks = grid(window);

    ASSERT_EQ(tasks->Rows(), 4);
    ASSERT_EQ(tasks->Cols(), 5);
    const QString titles[] = {QStringLiteral("子系统"), QStringLiteral("站点"), QStringLiteral("运行状态"),
                              QStringLiteral("注册时间"), QStringLiteral("任务号")};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(tasks->TextMatrix(0, c), titles[c]);
    EXPECT_EQ(column(window, 0),
              (std::vector<QString>{QStringLiteral("总账"), QStringLiteral("应收"), QStringLiteral("应付")}));
    EXPECT_EQ(column(window, 1), (std::vector<QString>{"PC-01", "PC-02", "PC-03"}));
    EXPECT_EQ(
        column(window, 2),
        (std::vector<QString>{QStringLiteral("异常"), QStringLiteral("正常（05）"), QStringLiteral("正常（0）")}));
    EXPECT_EQ(column(window, 3),
              (std::vector<QString>{"2006-01-05 10:20:30", "2005-03-23 00:00:00", "2005-12-31 23:59:59"}));
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"101", "102", "103"}));

    // 1834 twips each, which is 122 pixels.
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(tasks->columnWidth(c), 122) << c;
    for (int c : {0, 1, 2, 4})
        EXPECT_EQ(tasks->model()->index(0, c).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter)) << c;
    EXPECT_FALSE(tasks->model()->index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter);
}

TEST_F(MainWindow, EmptyLogShowsTheTitlesAndNoTask)
{
    frmMain* window = logOnAndShow();
    forms::TaskGrid* tasks = grid(window);
    EXPECT_EQ(tasks->Rows(), 1);
    EXPECT_EQ(tasks->Cols(), 5);
    EXPECT_EQ(tasks->TextMatrix(0, 4), QStringLiteral("任务号"));
}

TEST_F(MainWindow, ListQueryReachesTheServerByteForByte)
{
    logOn();
    const std::size_t mark = store->requests().size();
    frmMain::Show();
    const auto sent = requestsSince(mark);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].kind, "BATCH");
    EXPECT_EQ(sent[0].text, db::TaskStatements::listQuery());
}

TEST_F(MainWindow, StateThatIsNoIntegerFailsTheLoadAndNoWindowRemains)
{
    addTaskLog({{"GL", "总账", "PC-01", "abc", "2006-01-05 10:20:30", "101"}});
    logOn();
    try {
        frmMain::Show();
        ADD_FAILURE() << "the load succeeded";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_EQ(error.Number(), 245);
        EXPECT_NE(error.Description().find("abc"), std::string::npos) << error.Description();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(maintest::openWindows<frmMain>().empty());
    EXPECT_EQ(ModMain::Conn->State(), 1);
}

TEST_F(MainWindow, FailedRefreshKeepsTheRowsShownBefore)
{
    addTaskLog({{"GL", "总账", "PC-01", "1", "2006-01-05 10:20:30", "101"}});
    frmMain* window = logOnAndShow();
    addTaskLog({{"AR", "应收", "PC-02", "x1", "2006-01-05 10:20:30", "102"}});

    click(window, QStringLiteral("REF"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].number, 245);
    EXPECT_EQ(column(window, 4), (std::vector<QString>{"101"}));
    EXPECT_EQ(grid(window)->columnWidth(0), 122);
}

TEST_F(MainWindow, CloseBoxAsksNothingAndKeepsTheConnection)
{
    QPointer<frmMain> window = logOnAndShow();
    EXPECT_TRUE(window->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(boxes->boxes().empty());
    EXPECT_EQ(ModMain::Conn->State(), 1);
}

}  // namespace
