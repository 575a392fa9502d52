#include "ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace clienttest {

ChildResult runChild(const std::vector<std::string>& argv, const std::string& input, int timeoutSeconds)
{
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(toChild[0], 0);
        dup2(fromChild[1], 1);
        dup2(fromChild[1], 2);
        close(toChild[1]);
        close(fromChild[0]);
        setenv("LC_ALL", "C.UTF-8", 1);
        std::vector<std::string> full{"timeout", "-s", "KILL", std::to_string(timeoutSeconds)};
        full.insert(full.end(), argv.begin(), argv.end());
        std::vector<char*> args;
        for (auto& a : full)
            args.push_back(a.data());
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    // Inputs are small scripts: they fit the pipe, so writing first cannot block on our reading.
    // A child that ends without reading makes the write fail; its output says why.
    std::signal(SIGPIPE, SIG_IGN);
    if (!input.empty()) {
        [[maybe_unused]] const ssize_t written = write(toChild[1], input.data(), input.size());
    }
    close(toChild[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fromChild[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, static_cast<std::size_t>(n));
    close(fromChild[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

}  // namespace clienttest
