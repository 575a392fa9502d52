// Runs the table of T-SQL cases against the engine directly.
#include "EngineFixture.h"
#include "RecordingSink.h"
#include "TsqlCases.h"

#include <gtest/gtest.h>

namespace tsqltest {

void PrintTo(const TsqlCase& c, std::ostream* out);

namespace {

class Cases : public testing::TestWithParam<TsqlCase> {};

TEST_P(Cases, Run)
{
    const TsqlCase& c = GetParam();
    EngineFixture fixture;
    auto session = fixture.session();
    query(*session, fixtureSql);

    const std::vector<std::string> batches = splitBatches(c.sql);
    for (std::size_t i = 0; i + 1 < batches.size(); ++i)
        query(*session, batches[i]);
    const RecordingSink sink = run(*session, batches.back());
    if (c.error != 0) {
        ASSERT_FALSE(sink.errors.empty()) << "expected error " << c.error;
        EXPECT_EQ(sink.errors.front().number, c.error) << sink.errors.front().message;
        if (!c.message.empty()) {
            EXPECT_EQ(sink.errors.front().message, c.message);
        }
        return;
    }
    for (const auto& error : sink.errors) {
        ADD_FAILURE() << "error " << error.number << ": " << error.message;
    }
    ASSERT_FALSE(sink.results.empty());
    EXPECT_EQ(sink.results.front().rows, c.rows);
}

INSTANTIATE_TEST_SUITE_P(Table, Cases, testing::ValuesIn(tsqlCases()),
                         [](const testing::TestParamInfo<TsqlCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tsqltest
