#include "TaskStoreRun.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace testsupport {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TaskStoreRun::TaskStoreRun(std::vector<std::string> arguments, const std::string& saPassword,
                           std::vector<std::string> launcher)
    : process_(setup(std::move(arguments), saPassword, std::move(launcher)))
{}

TaskStoreRun::~TaskStoreRun() { process_.kill(); }

ChildSetup TaskStoreRun::setup(std::vector<std::string> arguments, const std::string& saPassword,
                               std::vector<std::string> launcher) const
{
    ChildSetup setup;
    setup.arguments = std::move(launcher);
    setup.arguments.push_back(TASKSTORE_BIN);
    if (std::find(arguments.begin(), arguments.end(), "--data") == arguments.end())
        arguments.insert(arguments.end(), {"--data", (folder_ / "data").string()});
    setup.arguments.insert(setup.arguments.end(), arguments.begin(), arguments.end());
    setup.environment = {{"TASKSTORE_SA_PASSWORD", saPassword}};
    setup.output = Stream::toFile(folder_ / "out");
    setup.errors = Stream::toFile(folder_ / "err");
    return setup;
}

int TaskStoreRun::waitUntilListening()
{
    const auto deadline = Clock::now() + 30s;
    while (Clock::now() < deadline) {
        const std::string out = output();
        if (const auto colon = out.rfind(':'); out.find('\n') != std::string::npos && colon != std::string::npos)
            return std::stoi(out.substr(colon + 1));
        if (process_.ended()) {
            exitStatus = process_.exitCode();
            return 0;
        }
        std::this_thread::sleep_for(20ms);
    }
    return 0;
}

int TaskStoreRun::waitForExit()
{
    const auto deadline = Clock::now() + 30s;
    while (!process_.ended() && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    if (!process_.ended())
        process_.kill();
    exitStatus = process_.exitCode();
    return exitStatus;
}

int TaskStoreRun::stop()
{
    process_.terminate(10s);
    exitStatus = process_.exitCode();
    return exitStatus;
}

}  // namespace testsupport
