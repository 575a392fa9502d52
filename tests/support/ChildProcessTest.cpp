// The child-process helper every test and benchmark starts programs with: where each stream
// goes, what the exit code says, and that a child never outlives its object.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "ChildProcess.h"
#include "TemporaryFolder.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::ChildSetup;
using testsupport::readFile;
using testsupport::Stream;

ChildSetup shell(const std::string& script)
{
    ChildSetup setup;
    setup.arguments = {"sh", "-c", script};
    return setup;
}

TEST(ChildProcess, StreamsGoThroughPipesIntoFilesOrNowhere)
{
    ChildSetup echo = shell("cat; echo \"$CHILD_VALUE\"; echo error >&2");
    echo.environment = {{"CHILD_VALUE", "set"}};
    echo.input = Stream::piped();
    echo.output = Stream::piped();
    echo.errors = Stream::intoOutput();
    ChildProcess piped(echo);
    piped.writeInputAndClose("typed\n");
    EXPECT_EQ(piped.readOutputToEnd(), "typed\nset\nerror\n");
    EXPECT_EQ(piped.wait(), 0);

    const testsupport::TemporaryFolder folder{"child-process-test"};
    const auto file = folder / "streams.txt";
    std::ofstream(file) << "kept\n";
    ChildSetup appended = shell("echo out; echo more >&2");
    appended.output = Stream::discarded();
    appended.errors = Stream::toFile(file, true);
    EXPECT_EQ(ChildProcess(appended).wait(), 0);
    const std::string afterAppend = readFile(file);
    ChildSetup replaced = shell("echo new");
    replaced.output = Stream::toFile(file);
    EXPECT_EQ(ChildProcess(replaced).wait(), 0);
    const std::string afterReplace = readFile(file);
    EXPECT_EQ(afterAppend, "kept\nmore\n");
    EXPECT_EQ(afterReplace, "new\n");
}

TEST(ChildProcess, ExitCodesSayHowTheChildEnded)
{
    EXPECT_EQ(ChildProcess(shell("exit 3")).wait(), 3);
    EXPECT_EQ(ChildProcess({{"/nonexistent/program"}, {}, {}, {}, {}}).wait(), 127);

    ChildProcess sleeper(shell("sleep 30"));
    EXPECT_FALSE(sleeper.ended());
    sleeper.kill();
    EXPECT_TRUE(sleeper.ended());
    EXPECT_EQ(sleeper.exitCode(), -1);
}

TEST(ChildProcess, TerminateEndsEvenAChildThatIgnoresSigterm)
{
    ChildSetup stubborn = shell("trap '' TERM; echo ready; while :; do sleep 1; done");
    stubborn.output = Stream::piped();
    ChildProcess child(stubborn);
    ASSERT_TRUE(child.waitForOutput("ready", 5s));
    const auto start = std::chrono::steady_clock::now();
    child.terminate(300ms);
    EXPECT_TRUE(child.ended());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(ChildProcess, WaitingForOutputStopsWhenTheOutputEnds)
{
    ChildSetup brief = shell("echo other");
    brief.output = Stream::piped();
    ChildProcess child(brief);
    EXPECT_FALSE(child.waitForOutput("never printed", 5s));
}

}  // namespace
