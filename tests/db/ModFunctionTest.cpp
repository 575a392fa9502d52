// ConnectDB and CloseDB on the shared connection, with the boxes the user would see.
#include <gtest/gtest.h>

#include "ScriptedMsgBox.h"
#include "TaskStoreFixture.h"
#include "db/ModFunction.h"
#include "db/SharedConnection.h"
#include "runtime/MsgBox.h"

namespace {

class ConnectRoutines : public dbtest::TaskStoreTest {
protected:
    void TearDown() override { ModMain::Conn.release(); }
    testsupport::ScriptedMsgBox boxes;
};

TEST_F(ConnectRoutines, ConnectDBOpensOnMasterWithoutABox)
{
    EXPECT_TRUE(ModFunction::ConnectDB(server().serverName(), "SA", ""));
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(ModMain::Conn->State(), db::ObjectState::Open);
    EXPECT_EQ(ModMain::Conn->DefaultDatabase(), "master");
    EXPECT_EQ(ModMain::Conn->cursorLocation(), db::CursorLocation::Client);
    EXPECT_EQ(ModMain::Conn->commandTimeout(), 3600);
}

TEST_F(ConnectRoutines, ConnectDBShowsExactlyOneBoxOnFailure)
{
    startServer(dbtest::withPassword("right"));
    boxes.answer(runtime::MsgBoxResult::OK);
    EXPECT_FALSE(ModFunction::ConnectDB(server().serverName(), "SA", "wrong"));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Login failed for user 'SA'.");
    EXPECT_EQ(boxes.boxes()[0].style, runtime::MsgBoxStyle::OkOnly);
    EXPECT_EQ(boxes.boxes()[0].title, runtime::AppTitle());
    EXPECT_EQ(ModMain::Conn->State(), db::ObjectState::Closed);
}

TEST_F(ConnectRoutines, ConnectDBWhileOpenClosesTheFirstSessionAndAFailedReopenLeavesNoneOpen)
{
    ASSERT_TRUE(ModFunction::ConnectDB(server().serverName(), "SA", ""));
    ASSERT_TRUE(ModFunction::ConnectDB(server().serverName(), "SA", ""));
    ASSERT_TRUE(server().waitForLog("connection 2 logged in"));
    // The server notices the first socket's end on its own time, so only that it ends is certain.
    EXPECT_TRUE(server().waitForLog("connection 1 closed")) << server().log();

    boxes.answer(runtime::MsgBoxResult::OK);
    EXPECT_FALSE(ModFunction::ConnectDB(server().serverName(), "SA", "not the password"));
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(ModMain::Conn->State(), db::ObjectState::Closed);
    EXPECT_TRUE(server().waitForLog("connection 2 closed"));
}

TEST_F(ConnectRoutines, CloseDBClosesReleasesAndCanRunTwice)
{
    ModFunction::CloseDB();  // never used: creates and releases a closed connection
    EXPECT_TRUE(ModMain::Conn.empty());
    ASSERT_TRUE(ModFunction::ConnectDB(server().serverName(), "SA", ""));
    ModFunction::CloseDB();
    EXPECT_TRUE(ModMain::Conn.empty());
    EXPECT_TRUE(server().waitForLog("connection 1 closed"));
    ModFunction::CloseDB();
    EXPECT_TRUE(ModMain::Conn.empty());
    EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
