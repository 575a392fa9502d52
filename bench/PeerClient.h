#pragma once
// The peer beside the tool's log-on: FreeTDS's command-line client bsqldb (Debian freetds-bin)
// logging on over a connection of its own and fetching the task list, rows written as text.
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// Writes the list query to a file in the folder, for bsqldb's -i, and beside it the FreeTDS
// configuration that makes bsqldb encrypt the whole session, as the tool does; returns the file.
std::filesystem::path writeListQueryFile(const std::filesystem::path& folder);

// The command: SA with an empty password on the task database at 127.0.0.1:port, the query from
// the file, columns separated by a tab and nothing padded.
std::vector<std::string> bsqldbListCommand(int port, const std::filesystem::path& queryFile);

// bsqldb's environment: UTF-8 text, as the tool reads it, and the configuration beside the query.
std::vector<std::pair<std::string, std::string>> bsqldbEnvironment(const std::filesystem::path& queryFile);

// Runs the command with its output thrown away; returns the seconds from start to exit.
double bsqldbListSeconds(int port, const std::filesystem::path& queryFile);

}  // namespace bench
