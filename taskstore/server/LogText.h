#pragma once
// What client texts may look like in the logs: statements that carry a password are replaced as
// SQL Server's traces replace them, and texts in the logs' lines are cut short and escaped.
#include <cstddef>
#include <string>
#include <string_view>

namespace taskstore::server {

// What SQL Server's traces record in place of a statement that holds a password or a secret
// (ALTER LOGIN ... PASSWORD, sp_password, keys and credentials), naming the word found.
std::string traceComment(std::string_view word);

// At most `limit` bytes of the text, cut on a character boundary, with how much was left out.
std::string clipped(std::string_view text, std::size_t limit);

// The text clipped, its control characters escaped (\x0A): it cannot break or forge a log line.
std::string oneLine(std::string_view text, std::size_t limit);

}  // namespace taskstore::server
