#include "MainWindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "app/ModMain.h"
#include "common/SystemNames.h"
#include "db/ModFunction.h"
#include "db/TaskOperations.h"
#include "forms/main/SystemDate.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "gui/ErrorReport.h"

using forms::frmMain;

namespace maintest {

void closeAllWindows()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

void MainWindowFixture::SetUp()
{
    store = std::make_unique<testsupport::TaskStoreProcess>(storeOptions);
    client = std::make_unique<testsupport::OdbcClient>(store->port());
    boxes = std::make_unique<testsupport::ScriptedMsgBox>();
    gui::setErrorReportHandler([this](long number, const std::string& description) {
        reports.push_back({number, description});
    });
    forms::SystemDate::setSource([] { return QDate(2006, 1, 5); });
}

void MainWindowFixture::TearDown()
{
    closeAllWindows();
    ModFunction::CloseDB();
    forms::SystemDate::setSource({});
    gui::setErrorReportHandler({});
    boxes.reset();
    client.reset();
    store.reset();
}

void MainWindowFixture::logOn()
{
    ASSERT_TRUE(ModFunction::ConnectDB(store->serverName(), std::string(common::adminLogin), ""));
    db::TaskOperations::useTaskDatabase(*ModMain::Conn);
}

frmMain* MainWindowFixture::logOnAndShow()
{
    logOn();
    return frmMain::Show();
}

void MainWindowFixture::addTaskLog(const std::vector<TaskLogRow>& rows) { testsupport::insertTaskLog(*client, rows); }

void MainWindowFixture::addTasks(const std::vector<std::string>& subIds)
{
    std::vector<testsupport::TaskRow> rows;
    for (const std::string& subId : subIds)
        rows.push_back({.subId = subId});
    testsupport::insertTasks(*client, rows);
}

std::vector<std::string> MainWindowFixture::taskSubIds()
{
    return testsupport::sortedFirstColumn(client->query("select cSub_Id from zk_task"));
}

std::vector<std::string> MainWindowFixture::taskLogIds()
{
    return testsupport::sortedFirstColumn(client->query("select cTaskId from zk_tasklog"));
}

forms::TaskGrid* MainWindowFixture::grid(frmMain* window)
{
    return window->findChild<forms::TaskGrid*>(QStringLiteral("MSHF_Task"));
}

QToolButton* MainWindowFixture::button(frmMain* window, const QString& key)
{
    auto* toolbar = window->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    auto* action = toolbar ? toolbar->findChild<QAction*>(key, Qt::FindDirectChildrenOnly) : nullptr;
    return action ? qobject_cast<QToolButton*>(toolbar->widgetForAction(action)) : nullptr;
}

void MainWindowFixture::click(frmMain* window, const QString& key)
{
    QToolButton* face = button(window, key);
    ASSERT_NE(face, nullptr) << key.toStdString();
    // Left of a drop-down button's arrow.
    QTest::mouseClick(face, Qt::LeftButton, {}, QPoint(4, face->height() / 2));
}

void MainWindowFixture::choose(frmMain* window, const QString& key)
{
    QToolButton* clear = button(window, QStringLiteral("DELETE"));
    ASSERT_NE(clear, nullptr);
    ASSERT_NE(clear->defaultAction()->menu(), nullptr);
    QAction* item = clear->defaultAction()->menu()->findChild<QAction*>(key);
    ASSERT_NE(item, nullptr) << key.toStdString();
    item->trigger();
}

std::vector<QString> MainWindowFixture::column(frmMain* window, int column)
{
    std::vector<QString> cells;
    forms::TaskGrid* tasks = grid(window);
    for (int row = 1; row < tasks->Rows(); ++row)
        cells.push_back(tasks->TextMatrix(row, column));
    return cells;
}

std::vector<testsupport::Request> MainWindowFixture::requestsSince(std::size_t mark) const
{
    std::vector<testsupport::Request> all = store->requests();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end()};
}

}  // namespace maintest
