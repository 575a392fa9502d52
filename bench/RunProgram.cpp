#include "bench/RunProgram.h"

#include <stdexcept>

#include "ChildProcess.h"

namespace bench {

namespace {

testsupport::ChildSetup quietSetup(const std::vector<std::string>& arguments,
                                   const std::vector<std::pair<std::string, std::string>>& environment)
{
    testsupport::ChildSetup setup;
    setup.arguments = arguments;
    setup.environment = environment;
    setup.output = testsupport::Stream::discarded();
    setup.errors = testsupport::Stream::discarded();
    return setup;
}

void awaitSuccess(testsupport::ChildProcess& child, const std::string& program)
{
    const int exitCode = child.wait();
    if (exitCode != 0)
        throw std::runtime_error(program + " failed (exit code " + std::to_string(exitCode) + ")");
}

}  // namespace

void runToEnd(const std::vector<std::string>& arguments,
              const std::vector<std::pair<std::string, std::string>>& environment)
{
    testsupport::ChildProcess child(quietSetup(arguments, environment));
    awaitSuccess(child, arguments.front());
}

std::string runForOutput(const std::vector<std::string>& arguments,
                         const std::vector<std::pair<std::string, std::string>>& environment)
{
    testsupport::ChildSetup setup = quietSetup(arguments, environment);
    setup.output = testsupport::Stream::piped();
    testsupport::ChildProcess child(setup);
    std::string output = child.readOutputToEnd();
    awaitSuccess(child, arguments.front());
    return output;
}

}  // namespace bench
