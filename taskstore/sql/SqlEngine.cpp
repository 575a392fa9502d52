#include "taskstore/engine/Engine.h"

#include "common/SystemNames.h"
#include "taskstore/sql/SqlErrors.h"
#include "taskstore/sql/SqlSession.h"
#include "taskstore/sql/StatementSecrets.h"
#include "taskstore/store/DemoTasks.h"

namespace taskstore {
namespace {

class SqlEngine final : public Engine {
public:
    SqlEngine(const std::filesystem::path& folder, bool varcharTaskText)
        : state_(std::make_shared<sql::EngineState>(folder, varcharTaskText))
    {
        sqlite3_soft_heap_limit64(store::sqliteSoftHeapLimitBytes);
    }

    bool databaseExists(std::string_view name) const override { return state_->dataFolder.find(name).has_value(); }

    std::unique_ptr<Session> newSession(std::string_view database, std::uint16_t spid) override
    {
        const auto canonical = state_->dataFolder.find(database);
        if (!canonical)
            throw makeError<ErrorId::LoginDatabaseUnavailable>(database);
        return std::make_unique<sql::SqlSession>(state_, *canonical, spid);
    }

    std::string_view secretWordIn(std::string_view statement) const override { return sql::secretWordIn(statement); }

    void fillDemoTasks(std::int64_t n) override
    {
        const auto connection = store::DataFolder::openConnection();
        store::DataFolder::attach(connection.get(), state_->dataFolder.fileOf(common::systemDatabase),
                                  common::systemDatabase);
        sqlite3_busy_timeout(connection.get(), 30000);
        store::fillDemoTasks(connection.get(), common::systemDatabase, n);
    }

private:
    std::shared_ptr<sql::EngineState> state_;
};

}  // namespace

std::unique_ptr<Engine> Engine::open(const std::filesystem::path& dataFolder, TaskText taskText)
{
    return std::make_unique<SqlEngine>(dataFolder, taskText == TaskText::VarChar);
}

}  // namespace taskstore
