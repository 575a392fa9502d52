// The transaction object alone: its levels, what it reports of them, and the write it holds
// until the outermost level ends.
#include "EngineFixture.h"
#include "ErrorOf.h"
#include "RecordingSink.h"

#include "taskstore/sql/session/Transaction.h"
#include "taskstore/store/SqliteHandle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace tsqltest {
namespace {

using namespace std::chrono_literals;
using taskstore::sql::EngineState;
using taskstore::sql::SessionConnection;
using taskstore::sql::SessionState;
using taskstore::sql::Transaction;

const std::string changeKey = "vozuzodi.t";

// One session's connection, state and transaction, without the statements around them.
struct SessionParts {
    explicit SessionParts(EngineState& engine)
        : connection(engine.dataFolder, state.options), transaction(engine, connection, state)
    {
        connection.attached("VOZUZODI");
    }

    std::int64_t write(const char* sql)
    {
        return transaction.write("VOZUZODI", changeKey, false, false,
                                 [&] { return sqlite3_exec(connection.get(), sql, nullptr, nullptr, nullptr); });
    }

    // As this session sees the table: its own uncommitted changes, the others' committed ones.
    int rows()
    {
        const auto statement = taskstore::store::prepare(connection.get(), "SELECT count(*) FROM VOZUZODI.t");
        return sqlite3_step(statement.get()) == SQLITE_ROW ? sqlite3_column_int(statement.get(), 0) : -1;
    }

    SessionState state;
    SessionConnection connection;
    Transaction transaction;
};

TEST(TransactionObject, NestedLevelsReportOneBeginAndOneEndUnderOneDescriptor)
{
    TemporaryFolder folder;
    EngineState engine(folder.path() / "data", false);
    SessionParts session(engine);
    Transaction& transaction = session.transaction;
    RecordingSink sink;

    transaction.begin(sink);
    transaction.begin(sink);
    transaction.commit(sink);
    EXPECT_EQ(transaction.count(), 1);
    transaction.commit(sink);
    EXPECT_EQ(transaction.count(), 0);
    ASSERT_EQ(sink.events.size(), 2u);
    const std::string first = sink.events[0].substr(std::string("begin ").size());
    EXPECT_NE(first, "0");
    EXPECT_EQ(sink.events[1], "commit " + first);

    // ROLLBACK ends every level at once, under the next transaction's own descriptor.
    for (int level = 0; level < 3; ++level)
        transaction.begin(sink);
    transaction.rollback(sink);
    EXPECT_EQ(transaction.count(), 0);
    ASSERT_EQ(sink.events.size(), 4u);
    const std::string second = sink.events[2].substr(std::string("begin ").size());
    EXPECT_NE(second, first);
    EXPECT_EQ(sink.events[3], "rollback " + second);

    EXPECT_EQ(errorOf([&] { transaction.commit(sink); }), 3902);
    EXPECT_EQ(errorOf([&] { transaction.rollback(sink); }), 3903);
    EXPECT_EQ(sink.events.size(), 4u);
}

TEST(TransactionObject, TheWriteIsHeldUntilTheOutermostLevelEnds)
{
    TemporaryFolder folder;
    EngineState engine(folder.path() / "data", false);
    auto writer = std::make_unique<SessionParts>(engine);
    SessionParts reader(engine);
    reader.state.options.lockTimeout = 0ms;
    // 0 when the reader may go on, 1222 when it would wait.
    const auto readerWaits = [&] { return errorOf([&] { reader.transaction.waitForCommittedTables({changeKey}); }); };

    // Without a transaction a write commits at once and holds nothing.
    writer->write("CREATE TABLE VOZUZODI.t (a INTEGER)");
    EXPECT_EQ(writer->write("INSERT INTO VOZUZODI.t VALUES (1), (2)"), 2);
    EXPECT_EQ(readerWaits(), 0);

    RecordingSink sink;
    writer->transaction.begin(sink);
    writer->transaction.begin(sink);
    EXPECT_EQ(writer->write("DELETE FROM VOZUZODI.t"), 2);
    writer->transaction.commit(sink);
    EXPECT_EQ(readerWaits(), 1222);
    EXPECT_EQ(writer->rows(), 0);
    EXPECT_EQ(reader.rows(), 2);

    writer->transaction.rollback(sink);
    EXPECT_EQ(readerWaits(), 0);
    EXPECT_EQ(writer->rows(), 2);

    // A session that ends inside its transaction undoes it and frees the readers.
    writer->transaction.begin(sink);
    writer->write("DELETE FROM VOZUZODI.t");
    EXPECT_EQ(readerWaits(), 1222);
    writer.reset();
    EXPECT_EQ(readerWaits(), 0);
    EXPECT_EQ(reader.rows(), 2);
}

}  // namespace
}  // namespace tsqltest
