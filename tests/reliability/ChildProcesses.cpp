#include "ChildProcesses.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace reliability {

pid_t childNamed(const std::string& program)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state, parent;
        if (stat >> pid >> name >> state >> parent && std::stol(parent) == getpid() && name == "(" + program + ")")
            return static_cast<pid_t>(std::stol(pid));
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
