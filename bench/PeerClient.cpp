#include "bench/PeerClient.h"

#include <fstream>
#include <stdexcept>

#include "bench/RunProgram.h"
#include "common/SystemNames.h"
#include "db/TaskStatements.h"

namespace bench {

namespace fs = std::filesystem;

fs::path writeListQueryFile(const fs::path& folder)
{
    const fs::path file = folder / "list.sql";
    std::ofstream out(file, std::ios::binary);
    out << db::TaskStatements::listQuery() << "\n";
    std::ofstream configuration(folder / "freetds.conf");
    configuration << "[global]\n\tencryption = require\n";
    if (!out.flush() || !configuration.flush())
        throw std::runtime_error("cannot write " + file.string() + " and its configuration");
    return file;
}

std::vector<std::string> bsqldbListCommand(int port, const fs::path& queryFile)
{
    return {"bsqldb",
            "-S",
            "127.0.0.1:" + std::to_string(port),
            "-U",
            "SA",
            "-P",
            "",
            "-D",
            std::string(common::systemDatabase),
            "-i",
            queryFile.string(),
            "-t",
            "\\t"};
}

std::vector<std::pair<std::string, std::string>> bsqldbEnvironment(const fs::path& queryFile)
{
    return {{"LC_ALL", "C.UTF-8"}, {"FREETDSCONF", (queryFile.parent_path() / "freetds.conf").string()}};
}

double bsqldbListSeconds(int port, const fs::path& queryFile)
{
    const auto start = Clock::now();
    runToEnd(bsqldbListCommand(port, queryFile), bsqldbEnvironment(queryFile));
    return secondsSince(start);
}

}  // namespace bench
