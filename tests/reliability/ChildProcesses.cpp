#include "ChildProcesses.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace reliability {

pid_t childNamed(const std::string& program)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses of its own, so it
        // runs from the first '(' to the last ')'.
        const std::size_t open = line.find('(');
        const std::size_t close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        std::istringstream rest(line.substr(close + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == getpid() && line.substr(open + 1, close - open - 1) == program)
            return static_cast<pid_t>(std::stol(line.substr(0, open)));
    }
    return -1;
}

long residentKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace reliability
