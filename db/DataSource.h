#pragma once
// The server name as SQL Server clients read it: host, instance and port.
#include <optional>
#include <string>
#include <string_view>

namespace db {

// A Data Source as SQL Server clients read it: [tcp:]host[\instance][,port].
struct ServerAddress {
    std::string host;         // "(local)", ".", "localhost" and empty become 127.0.0.1
    std::string instance;     // empty for the default instance
    std::optional<int> port;  // 1433 for the default instance when not given
};

// Throws runtime::RuntimeError when the port after the comma is not a TCP port number, or the host or
// instance holds what no server name holds (blanks, control characters, ",;={}'\"").
ServerAddress parseDataSource(std::string_view dataSource);

// The name without the blanks (spaces, tabs) that readers of server names drop at either end.
std::string_view trimmedDataSource(std::string_view dataSource);

}  // namespace db
