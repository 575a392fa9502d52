#pragma once
// A second process that runs a clearing through the tool's code and stops between its two
// delete statements, so that a test can kill it exactly there.
#include <string>

#include "ChildProcess.h"

namespace reliability {

// Child side. mode "windows": the main window's clear menu item, as a user picks it; mode
// "database": the same calls through the database layer alone. key: "DELERROR" or "DELALL".
// Logs on, starts the clearing and stops before the second delete reaches the driver.
int runClearingChild(const std::string& mode, const std::string& server, const std::string& key);

// Parent side: a clearing child of this test program.
class ClearingChild {
public:
    ClearingChild(const std::string& mode, const std::string& server, const std::string& key);

    // Waits for the child's report that it stopped before the second delete; false on time-out
    // or when it ended instead.
    bool waitUntilBetweenDeletes(int milliseconds);
    // SIGKILL, and the exit status collected.
    void kill();

private:
    testsupport::ChildProcess process_;
};

}  // namespace reliability
