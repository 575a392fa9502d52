#pragma once
// taskstore's command line.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "taskstore/engine/Engine.h"
#include "taskstore/server/ServerConfig.h"

namespace taskstore {

struct CommandLine {
    server::ServerConfig server;
    std::filesystem::path dataFolder;
    long long demoTasks = 0;
    MemoryLimits memory;
    bool varcharTasks = false;  // the task tables' text columns as varchar when they are created
    std::filesystem::path saPasswordFile;
    std::filesystem::path checkFolder;  // --check: check this data folder's databases, serve nothing
    bool help = false;
};

// Throws std::invalid_argument with a message for the user on an unknown option or a bad value.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

std::string helpText();

// Where the databases live when --data is not given.
std::filesystem::path defaultDataFolder();

}  // namespace taskstore
