// The server's event lines on standard error.
#include <gtest/gtest.h>

#include <string>

#include "taskstore/server/EventLog.h"

using namespace taskstore::server;

TEST(EventLog, LinesEscapeControlCharactersAndStayShort)
{
    EventLog log;
    testing::internal::CaptureStderr();
    log.line("login failed for a\nforged line\x1b[31m");
    log.line(std::string(100000, 'u'));
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("taskstore: login failed for a\\x0Aforged line\\x1B[31m\n"), std::string::npos) << written;
    const auto second = written.find("taskstore: uuu");
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(written.size() - second, EventLog::maxLine + 100);
    EXPECT_NE(written.find("bytes more)\n", second), std::string::npos);
}
