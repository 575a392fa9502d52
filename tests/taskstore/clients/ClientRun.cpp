#include "ClientRun.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>

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

std::string tediousModules()
{
    const std::filesystem::path folder(TEDIOUS_FOLDER);
    if (!std::filesystem::exists(folder / "node_modules" / "tedious")) {
        const auto installed = runChild(
            {"npm", "install", "--silent", "--no-audit", "--no-fund", "--prefix", folder.string(), "tedious@19"}, "",
            600);
        if (installed.exitCode != 0)
            ADD_FAILURE() << "npm install tedious failed: " << installed.output;
    }
    return (folder / "node_modules").string();
}

}  // namespace clienttest
