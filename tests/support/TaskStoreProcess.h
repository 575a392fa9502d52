#pragma once
// Starts the build's taskstore on a free loopback port for one test, and reads what it logged.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TemporaryFolder.h"

namespace testsupport {

class ChildProcess;

struct TaskStoreOptions {
    std::string saPassword;
    long long demoTasks = 0;
    std::filesystem::path dataFolder;           // empty: a fresh temporary folder, removed afterwards
    std::vector<std::string> extraArguments{};  // e.g. --force-encryption
    // The test judges the server's memory. Built with AddressSanitizer, the server then keeps at
    // most 16 MiB of freed memory in quarantine (instead of 256) and gives freed pages back every
    // 100 ms, so that its peak is its own memory plus the sanitizer's shadow and red zones, not
    // memory the sanitizer holds back on purpose. (Giving them back at every free made a statement
    // of many small nodes take minutes.)
    bool memoryJudged = false;
};

// One request as the server recorded it in its request log.
struct Request {
    int connection = 0;
    std::string kind;  // BATCH, RPC <procedure>, TM BEGIN, TM COMMIT, TM ROLLBACK, ATTENTION
    std::string text;  // the batch text or the procedure's first text argument, byte for byte
};

class TaskStoreProcess {
public:
    explicit TaskStoreProcess(TaskStoreOptions options = {});
    ~TaskStoreProcess();
    TaskStoreProcess(const TaskStoreProcess&) = delete;
    TaskStoreProcess& operator=(const TaskStoreProcess&) = delete;

    int port() const { return port_; }
    // The running server's process id, for what /proc says of it.
    int pid() const;
    // Whether the server is still running (an ended one is reaped, so a crash shows here).
    bool running();
    // A memory figure of the server from /proc/<pid>/status ("VmRSS", "VmHWM"), in KiB; -1 if unknown.
    long residentKilobytes(const std::string& field) const;
    // What a user types as the server name to reach it.
    std::string serverName() const;
    const std::filesystem::path& dataFolder() const { return options_.dataFolder; }

    std::string log() const;
    std::vector<Request> requests() const;
    // Waits until the log holds the text, for events the server logs after the client moved on.
    bool waitForLog(const std::string& text, int milliseconds = 5000) const;

    void kill();
    // SIGTERM (SIGKILL after 5 s); the exit code, -1 when a signal ended it or none was running.
    int stop();
    void restart();

private:
    void start();

    TaskStoreOptions options_;
    TemporaryFolder workFolder_{"taskstore-test"};
    std::unique_ptr<ChildProcess> process_;
    int port_ = 0;
};

}  // namespace testsupport
