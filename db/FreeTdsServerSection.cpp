#include "db/FreeTdsServerSection.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/AsciiCase.h"
#include "common/Trim.h"

namespace db {
namespace {

// A line of the file, whose end may carry the carriage return of a Windows-made file.
std::string_view trimmed(std::string_view text) { return common::trimmed(text, " \t\r"); }

std::vector<std::filesystem::path> configurationFiles()
{
    std::vector<std::filesystem::path> files;
    if (const char* named = std::getenv("FREETDSCONF"); named && *named)
        files.emplace_back(named);
    if (const char* home = std::getenv("HOME"); home && *home)
        files.push_back(std::filesystem::path(home) / ".freetds.conf");
    if (const char* prefix = std::getenv("FREETDS"); prefix && *prefix)
        files.push_back(std::filesystem::path(prefix) / "etc" / "freetds.conf");
    files.emplace_back("/etc/freetds/freetds.conf");
    return files;
}

bool hasSection(const std::filesystem::path& file, std::string_view name)
{
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const std::string_view text = trimmed(line);
        if (text.size() > 2 && text.front() == '[' && text.back() == ']'
            && common::equalIgnoringAsciiCase(trimmed(text.substr(1, text.size() - 2)), name))
            return true;
    }
    return false;
}

}  // namespace

bool isFreeTdsServerSection(std::string_view name)
{
    name = trimmed(name);
    if (name.empty() || common::equalIgnoringAsciiCase(name, "global"))
        return false;
    for (const auto& file : configurationFiles())
        if (hasSection(file, name))
            return true;
    return false;
}

}  // namespace db
