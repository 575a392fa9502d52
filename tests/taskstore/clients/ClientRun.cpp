#include "ClientRun.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace clienttest {

ChildResult runChild(const std::vector<std::string>& argv, const std::string& input, int timeoutSeconds,
                     const std::vector<std::pair<std::string, std::string>>& environment)
{
    testsupport::ChildSetup setup;
    setup.arguments = {"timeout", "-s", "KILL", std::to_string(timeoutSeconds)};
    setup.arguments.insert(setup.arguments.end(), argv.begin(), argv.end());
    setup.environment = {{"LC_ALL", "C.UTF-8"}};
    setup.environment.insert(setup.environment.end(), environment.begin(), environment.end());
    setup.input = testsupport::Stream::piped();
    setup.output = testsupport::Stream::piped();
    setup.errors = testsupport::Stream::intoOutput();
    testsupport::ChildProcess child(setup);
    // Inputs are small scripts: they fit the pipe, so writing first cannot block on our reading.
    child.writeInputAndClose(input);
    ChildResult result;
    result.output = child.readOutputToEnd();
    result.exitCode = child.wait();
    return result;
}

// Well inside the tests' own time limit, also for a test that first waits for another's install,
// so that a slow or absent registry is reported as a failed install, not as a timed-out test.
constexpr int npmSeconds = 100;

std::string tediousModules()
{
    const std::filesystem::path folder(TEDIOUS_FOLDER);
    std::filesystem::create_directories(folder);
    // Test programs run side by side: one installs while the others wait, and the packages count
    // as there only once npm has finished (a half-written node_modules lacks tedious' own packages).
    const int lock = ::open((folder / "install.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0)
        ADD_FAILURE() << "cannot lock the tedious folder " << folder;
    const std::filesystem::path installed = folder / "installed";
    if (!std::filesystem::exists(installed)) {
        const auto run = runChild(
            {"npm", "install", "--silent", "--no-audit", "--no-fund", "--prefix", folder.string(), "tedious@19"}, "",
            npmSeconds);
        if (run.exitCode == 0)
            std::ofstream(installed) << "tedious@19\n";
        else
            ADD_FAILURE() << "npm install tedious failed: " << run.output;
    }
    if (lock >= 0)
        ::close(lock);  // also releases the lock
    return (folder / "node_modules").string();
}

}  // namespace clienttest
