#include "ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
};

Pipe pipeFor(const Stream& stream)
{
    Pipe ends;
    if (stream.kind == Stream::Kind::Piped) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        ends = {fds[0], fds[1]};
    }
    return ends;
}

void closeIfOpen(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// In the child: makes `target` (0, 1 or 2) what the stream says; `pipeEnd` is the child's end of
// the stream's pipe.
void redirect(int target, const Stream& stream, int pipeEnd, bool forWriting)
{
    int fd = -1;
    switch (stream.kind) {
    case Stream::Kind::Inherited: return;
    case Stream::Kind::Discarded: fd = open("/dev/null", forWriting ? O_WRONLY : O_RDONLY); break;
    case Stream::Kind::Piped: fd = pipeEnd; break;
    case Stream::Kind::File:
        fd = open(stream.file.c_str(), O_WRONLY | O_CREAT | (stream.append ? O_APPEND : O_TRUNC), 0600);
        break;
    case Stream::Kind::IntoOutput: fd = STDOUT_FILENO; break;
    }
    if (fd < 0)
        _exit(127);
    dup2(fd, target);
}

}  // namespace

ChildProcess::ChildProcess(const ChildSetup& setup)
{
    Pipe input = pipeFor(setup.input);
    Pipe output = pipeFor(setup.output);
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that crashed
        redirect(STDIN_FILENO, setup.input, input.read, false);
        redirect(STDOUT_FILENO, setup.output, output.write, true);
        redirect(STDERR_FILENO, setup.errors, -1, true);
        for (const auto& [name, value] : setup.environment)
            setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        for (const std::string& argument : setup.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    closeIfOpen(input.read);
    closeIfOpen(output.write);
    input_ = input.write;
    output_ = output.read;
}

ChildProcess::~ChildProcess()
{
    kill();
    closeIfOpen(input_);
    closeIfOpen(output_);
}

void ChildProcess::writeInputAndClose(std::string_view text)
{
    // A child that ends without reading makes the write fail instead of raising SIGPIPE here.
    std::signal(SIGPIPE, SIG_IGN);
    while (!text.empty() && input_ >= 0) {
        const ssize_t written = write(input_, text.data(), text.size());
        if (written <= 0)
            break;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    closeIfOpen(input_);
}

std::string ChildProcess::readOutputToEnd()
{
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while (output_ >= 0 && (got = read(output_, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    closeIfOpen(output_);
    return text;
}

bool ChildProcess::waitForOutput(std::string_view text, std::chrono::milliseconds quiet)
{
    std::string seen;
    pollfd wanted{output_, POLLIN, 0};
    while (seen.find(text) == std::string::npos) {
        if (output_ < 0 || poll(&wanted, 1, static_cast<int>(quiet.count())) <= 0)
            return false;
        char buffer[64];
        const ssize_t got = read(output_, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        seen.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

void ChildProcess::reaped(int status)
{
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
}

bool ChildProcess::ended()
{
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_)
        reaped(status);
    return pid_ <= 0;
}

int ChildProcess::wait()
{
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_)
        reaped(status);
    return exitCode_;
}

void ChildProcess::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    wait();
}

void ChildProcess::terminate(std::chrono::milliseconds grace)
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (!ended() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill();
}

}  // namespace testsupport
