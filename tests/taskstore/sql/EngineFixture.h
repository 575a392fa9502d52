#pragma once
// An engine on a fresh temporary data folder, removed afterwards.
#include "support/TemporaryFolder.h"
#include "taskstore/sql/session/SqlEngine.h"

#include <filesystem>
#include <memory>

namespace tsqltest {

using testsupport::TemporaryFolder;

struct EngineFixture {
    TemporaryFolder folder{"tsql"};
    std::unique_ptr<taskstore::Engine> engine = taskstore::sql::openEngine(folder.path() / "data");

    std::unique_ptr<taskstore::Session> session(std::string_view database = "VOZUZODI", std::uint16_t spid = 51)
    {
        return engine->newSession(database, spid);
    }
};

}  // namespace tsqltest
