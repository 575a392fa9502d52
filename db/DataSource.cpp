#include "db/DataSource.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "common/Trim.h"
#include "db/WholeNumber.h"
#include "runtime/RuntimeError.h"

namespace db {

namespace {

constexpr int defaultPort = 1433;

// A host or instance name never holds these; a name that does is no server name at all, and
// passing it on would let the driver pick a host or port out of it.
bool isNamePart(std::string_view name)
{
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F || std::string_view(",;={}'\"").find(c) != std::string_view::npos;
    });
}

constexpr std::size_t longestHostName = 253;

}  // namespace

ServerAddress parseDataSource(std::string_view dataSource)
{
    std::string_view rest = trimmedDataSource(dataSource);
    if (rest.size() >= 4 && common::equalIgnoringAsciiCase(rest.substr(0, 4), "tcp:"))
        rest.remove_prefix(4);

    ServerAddress address;
    if (const auto comma = rest.rfind(','); comma != std::string_view::npos) {
        const std::string_view portText = trimmedDataSource(rest.substr(comma + 1));
        const auto port = readWholeNumber(portText);
        if (!port || *port < 1 || *port > 65535)
            throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                        "The server name has no valid TCP port after the comma: \""
                                            + std::string(portText) + "\".");
        address.port = *port;
        rest = rest.substr(0, comma);
    }
    bool namesInstance = false;
    if (const auto slash = rest.find('\\'); slash != std::string_view::npos) {
        address.instance = std::string(trimmedDataSource(rest.substr(slash + 1)));
        rest = rest.substr(0, slash);
        namesInstance = true;
    }
    const std::string_view host = trimmedDataSource(rest);
    const bool local = host.empty() || host == "." || common::equalIgnoringAsciiCase(host, "(local)")
        || common::equalIgnoringAsciiCase(host, "localhost");
    if (host.size() > longestHostName)
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                    "The server name is longer than a host name may be ("
                                        + std::to_string(longestHostName) + " characters).");
    // "host\" names no instance: it is a typing slip, not the default instance.
    if (!isNamePart(host) || !isNamePart(address.instance) || (namesInstance && address.instance.empty()))
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                    "The server name is not valid: use host, host,port or host\\instance.");
    address.host = local ? "127.0.0.1" : std::string(host);
    if (!address.port && address.instance.empty())
        address.port = defaultPort;
    return address;
}

std::string_view trimmedDataSource(std::string_view dataSource) { return common::trimmed(dataSource, " \t"); }

}  // namespace db
