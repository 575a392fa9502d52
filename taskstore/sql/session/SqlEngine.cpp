#include "taskstore/sql/session/SqlEngine.h"

#include "common/SystemNames.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/parse/ParameterDeclarations.h"
#include "taskstore/sql/parse/StatementSecrets.h"
#include "taskstore/sql/session/SqlSession.h"
#include "taskstore/store/DemoTasks.h"

#include <algorithm>

namespace taskstore {
namespace {

class SqlEngine final : public Engine {
public:
    SqlEngine(const std::filesystem::path& folder, bool varcharTaskText, MemoryLimits memory)
        : state_(std::make_shared<sql::EngineState>(folder, varcharTaskText, memory.session)),
          memory_(memory),
          serverMemory_(
              memory.server, [] { return static_cast<std::size_t>(sqlite3_memory_used()); },
              [limit = memory.server](std::size_t charged) { limitSqliteHeap(limit - std::min(charged, limit)); },
              memory.server / 4)
    {
        state_->serverMemory = &serverMemory_;
        limitSqliteHeap(memory.server);
    }

    const MemoryLimits& memoryLimits() const override { return memory_; }
    MemoryBudget& serverMemory() override { return serverMemory_; }

    bool databaseExists(std::string_view name) const override { return state_->dataFolder.find(name).has_value(); }

    std::unique_ptr<Session> newSession(std::string_view database, std::uint16_t spid) override
    {
        const auto canonical = state_->dataFolder.find(database);
        if (!canonical)
            throw makeError<ErrorId::LoginDatabaseUnavailable>(database);
        return std::make_unique<sql::SqlSession>(state_, *canonical, spid);
    }

    std::string_view secretWordIn(std::string_view statement) const override { return sql::secretWordIn(statement); }
    std::vector<ParameterDeclaration> parameterDeclarationsIn(std::string_view list) const override
    {
        return sql::parseParameterDeclarations(list);
    }

    void fillDemoTasks(std::int64_t n) override
    {
        const auto connection = store::DataFolder::openConnection();
        store::DataFolder::attach(connection.get(), state_->dataFolder.fileOf(common::systemDatabase),
                                  common::systemDatabase);
        sqlite3_busy_timeout(connection.get(), 30000);
        store::fillDemoTasks(connection.get(), common::systemDatabase, n);
    }

private:
    // SQLite may take what the sessions' charges leave of the server's budget, and they leave it a
    // quarter at least, so that small statements still run while long values fill the rest: past
    // it a statement fails with 701. Caches give pages back well before that.
    static void limitSqliteHeap(std::size_t room)
    {
        const auto hard = static_cast<sqlite3_int64>(std::max<std::size_t>(room, 1));
        sqlite3_hard_heap_limit64(hard);
        // Setting the soft limit makes SQLite give cache pages back at once: only when it changes,
        // not on every charge of a long argument.
        const sqlite3_int64 soft = std::min<sqlite3_int64>(store::sqliteSoftHeapLimitBytes, hard);
        if (sqlite3_soft_heap_limit64(-1) != soft)
            sqlite3_soft_heap_limit64(soft);
    }

    std::shared_ptr<sql::EngineState> state_;
    MemoryLimits memory_;
    MemoryBudget serverMemory_;
};

}  // namespace

std::unique_ptr<Engine> sql::openEngine(const std::filesystem::path& dataFolder, sql::TaskText taskText,
                                        MemoryLimits memory)
{
    return std::make_unique<SqlEngine>(dataFolder, taskText == sql::TaskText::VarChar, memory);
}

}  // namespace taskstore
