// Which statements the request log hides, judged by tokens rather than by text.
#include <gtest/gtest.h>

#include "taskstore/sql/parse/StatementSecrets.h"

using taskstore::sql::secretWordIn;

TEST(StatementSecrets, WordsAreFoundAsTheParserReadsThem)
{
    const std::pair<std::string, std::string> cases[] = {
        {"alter  login sa with\n password = 'hunter2'", "ALTER LOGIN"},
        {"ALTER/**/LOGIN sa WITH PASS/**/WORD = 'hunter2'", "ALTER LOGIN"},
        {"alter -- note\nlogin sa with password = 'x'", "ALTER LOGIN"},
        {"exec sp_password NULL, 'x', 'sa'", "SP_PASSWORD"},
        {"exec master..[sp_password] NULL, 'x', 'sa'", "SP_PASSWORD"},
        {"CREATE MASTER KEY ENCRYPTION BY PASSWORD = 'x'", "MASTER KEY"},
        {"exec('ALTER LOGIN sa WITH PASSWORD = ''x''')", "ALTER LOGIN"},
        // Unreadable: judged by its letters, hiding rather than showing.
        {"ALTER/**/LOGIN sa WITH PASSWORD = 'x", "ALTER LOGIN"},
        {"alter login sa with password = 'x' /* never closed", "ALTER LOGIN"},
        // Words inside names or as parts of other words are no secret.
        {"select cTaskId from zk_task", ""},
        {"select PasswordHint from users", ""},
        {"select 1 -- alter login", ""},
    };
    for (const auto& [statement, word] : cases)
        EXPECT_EQ(secretWordIn(statement), word) << statement;
}
