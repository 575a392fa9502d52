#pragma once
// taskstore started with exactly the arguments given, for the start-up rules the shared fixture
// (TaskStoreProcess) does not reach: what it prints, how it ends. Killed when the object goes.
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

#include "ChildProcess.h"
#include "TemporaryFolder.h"

namespace testsupport {

class TaskStoreRun {
public:
    // Without --data among the arguments, taskstore gets a fresh data folder of the run's own.
    // `launcher`: a program and its arguments that run taskstore (nsenter, unshare), if any.
    explicit TaskStoreRun(std::vector<std::string> arguments, const std::string& saPassword = "",
                          std::vector<std::string> launcher = {});
    ~TaskStoreRun();
    TaskStoreRun(const TaskStoreRun&) = delete;
    TaskStoreRun& operator=(const TaskStoreRun&) = delete;

    // The port once it is listening, or 0 when it ended first (its exit status kept) or took too long.
    int waitUntilListening();
    // Waits for the end (at most 30 s, then kills it); the exit status, -1 when a signal ended it.
    int waitForExit();
    // SIGTERM; the exit status.
    int stop();

    pid_t pid() const { return process_.pid(); }
    std::string output() const { return readFile(folder_ / "out"); }
    std::string errors() const { return readFile(folder_ / "err"); }
    int exitStatus = -1;

private:
    ChildSetup setup(std::vector<std::string> arguments, const std::string& saPassword,
                     std::vector<std::string> launcher) const;

    TemporaryFolder folder_{"taskstore-run"};
    ChildProcess process_;
};

}  // namespace testsupport
