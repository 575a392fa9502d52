#include "bench/ChildProcess.h"

#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

namespace {

pid_t start(const std::vector<std::string>& arguments, const std::vector<std::pair<std::string, std::string>>& environment,
            int outputFd)
{
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(outputFd >= 0 ? outputFd : null, 1);
        dup2(null, 2);
        for (const auto& [name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void awaitSuccess(pid_t pid, const std::string& program)
{
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(program + " failed (status " + std::to_string(status) + ")");
}

}  // namespace

void runToEnd(const std::vector<std::string>& arguments,
              const std::vector<std::pair<std::string, std::string>>& environment)
{
    awaitSuccess(start(arguments, environment, -1), arguments.front());
}

std::string runForOutput(const std::vector<std::string>& arguments,
                         const std::vector<std::pair<std::string, std::string>>& environment)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = start(arguments, environment, pipeFds[1]);
    close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    awaitSuccess(pid, arguments.front());
    return output;
}

}  // namespace bench
