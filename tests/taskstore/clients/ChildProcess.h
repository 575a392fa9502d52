#pragma once
// Runs a client program with text on its standard input and collects what it prints.
#include <string>
#include <vector>

namespace clienttest {

struct ChildResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string output;  // standard output and standard error, interleaved
};

// Runs argv (argv[0] is looked up on PATH) under a time limit, in a UTF-8 locale.
ChildResult runChild(const std::vector<std::string>& argv, const std::string& input = "", int timeoutSeconds = 30);

}  // namespace clienttest
