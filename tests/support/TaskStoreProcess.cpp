#include "TaskStoreProcess.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <fstream>
#include <thread>

#include "ChildProcess.h"

namespace testsupport {

namespace fs = std::filesystem;

namespace {

constexpr const char readyPrefix[] = "taskstore: listening on ";

}  // namespace

TaskStoreProcess::TaskStoreProcess(TaskStoreOptions options) : options_(std::move(options))
{
    if (options_.dataFolder.empty())
        options_.dataFolder = workFolder_.path() / "data";
    start();
}

TaskStoreProcess::~TaskStoreProcess() { stop(); }

std::string TaskStoreProcess::serverName() const { return "127.0.0.1," + std::to_string(port_); }

void TaskStoreProcess::start()
{
    const fs::path out = workFolder_.path() / "stdout.txt";
    const fs::path err = workFolder_.path() / "stderr.txt";
    fs::remove(out);
    ChildSetup setup;
    setup.arguments = {TASKSTORE_BIN,
                       "--address",
                       "127.0.0.1",
                       "--port",
                       "0",
                       "--data",
                       options_.dataFolder.string(),
                       "--request-log",
                       (workFolder_.path() / "requests.log").string()};
    if (options_.demoTasks > 0) {
        setup.arguments.push_back("--demo-tasks");
        setup.arguments.push_back(std::to_string(options_.demoTasks));
    }
    setup.arguments.insert(setup.arguments.end(), options_.extraArguments.begin(), options_.extraArguments.end());
    setup.environment = {{"TASKSTORE_SA_PASSWORD", options_.saPassword}};
#if defined(__SANITIZE_ADDRESS__)
    if (options_.memoryJudged) {
        const char* inherited = std::getenv("ASAN_OPTIONS");
        setup.environment.emplace_back("ASAN_OPTIONS",
                                       std::string(inherited ? inherited : "")
                                           + ":quarantine_size_mb=16:allocator_release_to_os_interval_ms=100");
    }
#endif
    setup.output = Stream::toFile(out);
    setup.errors = Stream::toFile(err, true);  // the log runs on across restarts
    process_ = std::make_unique<ChildProcess>(setup);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = readFile(out);
        const auto at = text.find(readyPrefix);
        const auto end = at == std::string::npos ? at : text.find('\n', at);
        if (end != std::string::npos) {
            const std::string address = text.substr(at + sizeof readyPrefix - 1, end - at - sizeof readyPrefix + 1);
            port_ = std::stoi(address.substr(address.rfind(':') + 1));
            return;
        }
        if (process_->ended()) {
            process_.reset();
            throw std::runtime_error("taskstore exited before it was ready: " + readFile(err));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill();
    throw std::runtime_error("taskstore did not get ready in time");
}

std::string TaskStoreProcess::log() const { return readFile(workFolder_.path() / "stderr.txt"); }

bool TaskStoreProcess::waitForLog(const std::string& text, int milliseconds) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        if (log().find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

std::vector<Request> TaskStoreProcess::requests() const
{
    // Records: "<id> BATCH <n>\n<n bytes>\n", "<id> RPC <procedure> <n>\n<n bytes>\n" or "<id> <KIND...>\n".
    const std::string text = readFile(workFolder_.path() / "requests.log");
    std::vector<Request> result;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lineEnd = text.find('\n', at);
        if (lineEnd == std::string::npos)
            break;
        const std::string line = text.substr(at, lineEnd - at);
        at = lineEnd + 1;
        const auto space = line.find(' ');
        Request request;
        request.connection = std::stoi(line.substr(0, space));
        request.kind = line.substr(space + 1);
        if (request.kind.rfind("BATCH ", 0) == 0 || request.kind.rfind("RPC ", 0) == 0) {
            const auto last = request.kind.rfind(' ');
            const std::size_t length = std::stoul(request.kind.substr(last + 1));
            request.kind.resize(last);
            request.text = text.substr(at, length);
            at += length + 1;
        }
        result.push_back(std::move(request));
    }
    return result;
}

void TaskStoreProcess::kill() { process_.reset(); }

int TaskStoreProcess::pid() const { return process_ ? process_->pid() : -1; }

bool TaskStoreProcess::running() { return process_ && !process_->ended(); }

long TaskStoreProcess::residentKilobytes(const std::string& field) const
{
    std::ifstream status("/proc/" + std::to_string(pid()) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with(field + ":"))
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

int TaskStoreProcess::stop()
{
    int exitCode = -1;
    if (process_) {
        process_->terminate(std::chrono::seconds(5));
        exitCode = process_->exitCode();
    }
    process_.reset();
    return exitCode;
}

void TaskStoreProcess::restart()
{
    stop();
    start();
}

}  // namespace testsupport
