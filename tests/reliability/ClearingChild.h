#pragma once
// A second process that runs a clearing through the tool's own database layer and stops between
// its two delete statements, so that a test can kill it exactly there.
#include <string>
#include <sys/types.h>

namespace reliability {

// Child side: logs on to the server, begins the transaction, runs the first delete of the
// command ("DELERROR" or "DELALL"), reports on standard output and waits to be killed.
int runClearingChild(const std::string& server, const std::string& key);

// Parent side: a clearing child of this test program.
class ClearingChild {
public:
    ClearingChild(const std::string& server, const std::string& key);
    ~ClearingChild();
    ClearingChild(const ClearingChild&) = delete;
    ClearingChild& operator=(const ClearingChild&) = delete;

    // Waits for the child's report that the first delete has run; false on time-out or exit.
    bool waitUntilBetweenDeletes(int milliseconds);
    // SIGKILL, and the exit status collected.
    void kill();

private:
    pid_t pid_ = -1;
    int output_ = -1;
    int input_ = -1;
};

}  // namespace reliability
