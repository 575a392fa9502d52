#pragma once
// An engine on a fresh temporary data folder, removed afterwards.
#include "taskstore/engine/Engine.h"

#include <filesystem>
#include <memory>

namespace tsqltest {

class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct EngineFixture {
    TemporaryFolder folder;
    std::unique_ptr<taskstore::Engine> engine = taskstore::Engine::open(folder.path() / "data");

    std::unique_ptr<taskstore::Session> session(std::string_view database = "VOZUZODI", std::uint16_t spid = 51)
    {
        return engine->newSession(database, spid);
    }
};

}  // namespace tsqltest
