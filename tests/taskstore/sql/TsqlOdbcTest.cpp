// Runs the table of T-SQL cases through the taskstore server over the FreeTDS ODBC driver, so the
// engine's answers are checked as a client receives them.
#include "TsqlCases.h"

#include "OdbcClient.h"
#include "TaskStoreProcess.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tsqltest {

void PrintTo(const TsqlCase& c, std::ostream* out);

namespace {

class OdbcCases : public testing::TestWithParam<TsqlCase> {};

TEST_P(OdbcCases, Run)
{
    const TsqlCase& c = GetParam();
    testsupport::TaskStoreProcess server;
    testsupport::OdbcClient client(server.port());
    client.exec(fixtureSql);
    const std::vector<std::string> batches = splitBatches(c.sql);
    for (std::size_t i = 0; i + 1 < batches.size(); ++i)
        client.exec(batches[i]);
    if (c.error == 0) {
        EXPECT_EQ(client.query(batches.back()), c.rows);
        return;
    }
    try {
        client.query(batches.back());
        ADD_FAILURE() << "expected error " << c.error;
    } catch (const std::runtime_error& error) {
        // The driver puts its own bracketed prefixes before the server's text.
        if (!c.message.empty()) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, OdbcCases, testing::ValuesIn(tsqlCases()),
                         [](const testing::TestParamInfo<TsqlCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tsqltest
