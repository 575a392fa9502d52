// Text clipped for the logs.
#include <gtest/gtest.h>

#include <string>

#include "taskstore/server/LogText.h"

using namespace taskstore::server;

TEST(LogText, ClippedTextsKeepWholeCharactersAndSayWhatIsLeftOut)
{
    EXPECT_EQ(clipped("short", 10), "short");
    EXPECT_EQ(clipped(std::string(100, 'a'), 10), std::string(10, 'a') + "...(90 bytes more)");
    // 总 is three bytes: a cut inside it moves before it.
    EXPECT_EQ(clipped("ab总账", 4), "ab...(6 bytes more)");
}
