#pragma once
// Runs a client program to its end with text on its standard input and collects what it prints.
#include <string>
#include <utility>
#include <vector>

namespace clienttest {

struct ChildResult {
    int exitCode = -1;   // 137 when the time limit killed it (timeout -s KILL), -1 when it did not exit normally
    std::string output;  // standard output and standard error, interleaved
};

// Runs argv (argv[0] looked up on PATH) in a UTF-8 locale, killed after the time limit, with the
// given variables added to the environment.
ChildResult runChild(const std::vector<std::string>& argv, const std::string& input = "", int timeoutSeconds = 30,
                     const std::vector<std::pair<std::string, std::string>>& environment = {});

// The node_modules folder that holds tedious, installed from npm into the build folder the first
// time; a failed install fails the calling test.
std::string tediousModules();

}  // namespace clienttest
