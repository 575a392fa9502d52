// Runs the table of T-SQL cases against the engine directly.
#include "EngineFixture.h"
#include "RecordingSink.h"
#include "TsqlCases.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sstream>

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

// Line breaks and runs of blanks folded into one blank, so that wrapping does not matter.
std::string folded(const std::string& text)
{
    std::istringstream words(text);
    std::string out, word;
    while (words >> word)
        out += (out.empty() ? "" : " ") + word;
    return out;
}

TEST(CaseTable, EveryDifferenceIsListedInTheEnginesReadme)
{
    const std::string readme = folded(testsupport::readFile(TASKSTORE_SQL_README));
    for (const TsqlCase& c : tsqlCases()) {
        if (c.error == 50000) {
            EXPECT_FALSE(c.difference.empty())
                << c.name << ": taskstore refuses what SQL Server runs; name the README line";
        }
        if (!c.difference.empty()) {
            EXPECT_NE(readme.find(folded(c.difference)), std::string::npos)
                << c.name << ": the README does not list \"" << c.difference << "\"";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Cases, testing::ValuesIn(tsqlCases()),
                         [](const testing::TestParamInfo<TsqlCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tsqltest
