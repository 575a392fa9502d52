#pragma once
// Another program started by a test or a benchmark: each of its standard streams stays this
// process's own, goes nowhere, into a file, or through a pipe to this process. It never outlives
// this process, and a child still running when its object goes is killed.
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace testsupport {

// Where one of the child's standard streams goes.
struct Stream {
    enum class Kind { Inherited, Discarded, Piped, File, IntoOutput };
    Kind kind = Kind::Inherited;
    std::filesystem::path file;
    bool append = false;

    static Stream discarded() { return {Kind::Discarded, {}, false}; }
    static Stream piped() { return {Kind::Piped, {}, false}; }
    static Stream toFile(std::filesystem::path file, bool append = false)
    {
        return {Kind::File, std::move(file), append};
    }
    // For standard error: wherever standard output goes.
    static Stream intoOutput() { return {Kind::IntoOutput, {}, false}; }
};

struct ChildSetup {
    std::vector<std::string> arguments;  // the program first: looked up on PATH unless it holds a '/'
    std::vector<std::pair<std::string, std::string>> environment;  // added to this process's own
    Stream input;
    Stream output;
    Stream errors;
};

class ChildProcess {
public:
    // Throws std::runtime_error when the child cannot be started; a program that cannot be run
    // ends the child with exit code 127.
    explicit ChildProcess(const ChildSetup& setup);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Writes the text to the piped input, then closes it.
    void writeInputAndClose(std::string_view text);
    // Reads the piped output until the child closes it.
    std::string readOutputToEnd();
    // Reads the piped output until it has held the text; false when the output ends first or
    // nothing arrives for `quiet`.
    bool waitForOutput(std::string_view text, std::chrono::milliseconds quiet);

    // Whether the child has ended, without waiting; an ended child is reaped.
    bool ended();
    // Waits for the end and returns exitCode().
    int wait();
    // The exit code of an ended child; -1 when a signal ended it.
    int exitCode() const { return exitCode_; }

    // SIGKILL, then reaped.
    void kill();
    // SIGTERM; SIGKILL when it has not ended after the grace period.
    void terminate(std::chrono::milliseconds grace);

private:
    void reaped(int status);

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int exitCode_ = -1;
};

}  // namespace testsupport
