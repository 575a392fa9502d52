#include "TaskStoreProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path makeTemporaryFolder()
{
    std::string pattern = (fs::temp_directory_path() / "taskstore-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    return pattern;
}

constexpr const char readyPrefix[] = "taskstore: listening on ";

}  // namespace

TaskStoreProcess::TaskStoreProcess(TaskStoreOptions options) : options_(std::move(options))
{
    workFolder_ = makeTemporaryFolder();
    if (options_.dataFolder.empty()) {
        options_.dataFolder = workFolder_ / "data";
        ownsFolder_ = true;
    }
    start();
}

TaskStoreProcess::~TaskStoreProcess()
{
    stop();
    std::error_code ignored;
    fs::remove_all(workFolder_, ignored);
}

std::string TaskStoreProcess::serverName() const
{
    return "127.0.0.1," + std::to_string(port_);
}

void TaskStoreProcess::start()
{
    const fs::path out = workFolder_ / "stdout.txt";
    const fs::path err = workFolder_ / "stderr.txt";
    fs::remove(out);
    std::vector<std::string> args = {TASKSTORE_BIN, "--address", "127.0.0.1", "--port", "0",
                                     "--data", options_.dataFolder.string(),
                                     "--request-log", (workFolder_ / "requests.log").string()};
    if (options_.demoTasks > 0) {
        args.push_back("--demo-tasks");
        args.push_back(std::to_string(options_.demoTasks));
    }
    args.insert(args.end(), options_.extraArguments.begin(), options_.extraArguments.end());

    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that crashed
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(o, 1);
        dup2(e, 2);
        setenv("TASKSTORE_SA_PASSWORD", options_.saPassword.c_str(), 1);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }

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
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("taskstore exited before it was ready: " + readFile(err));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill();
    throw std::runtime_error("taskstore did not get ready in time");
}

std::string TaskStoreProcess::log() const
{
    return readFile(workFolder_ / "stderr.txt");
}

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
    const std::string text = readFile(workFolder_ / "requests.log");
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

void TaskStoreProcess::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void TaskStoreProcess::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill();
}

void TaskStoreProcess::restart()
{
    stop();
    start();
}

}  // namespace testsupport
