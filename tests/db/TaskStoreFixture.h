#pragma once
// A fresh taskstore per test, and the log-on string the tool would build for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "TaskStoreProcess.h"
#include "db/OleDbLogOn.h"

namespace dbtest {

inline testsupport::TaskStoreOptions withPassword(std::string password)
{
    testsupport::TaskStoreOptions options;
    options.saPassword = std::move(password);
    return options;
}

class TaskStoreTest : public ::testing::Test {
protected:
    void startServer(testsupport::TaskStoreOptions options = {})
    {
        password_ = options.saPassword;
        server_ = std::make_unique<testsupport::TaskStoreProcess>(std::move(options));
    }
    void SetUp() override { startServer(); }

    testsupport::TaskStoreProcess& server() { return *server_; }
    std::string logOn(const std::string& password) const
    {
        return db::buildLogOnString(server_->serverName(), "SA", password);
    }
    std::string logOn() const { return logOn(password_); }

    // The kinds (and batch texts) the server received, in order, from every connection.
    std::vector<std::string> requestLines() const
    {
        std::vector<std::string> lines;
        for (const auto& request : server_->requests())
            lines.push_back(std::to_string(request.connection) + " " + request.kind
                            + (request.text.empty() ? "" : " " + request.text));
        return lines;
    }

private:
    std::unique_ptr<testsupport::TaskStoreProcess> server_;
    std::string password_;
};

}  // namespace dbtest
