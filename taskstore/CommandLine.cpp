#include "taskstore/CommandLine.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace taskstore {
namespace {

long long number(const std::string& option, const std::string& text, long long min, long long max)
{
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw std::invalid_argument(option + " needs a whole number from " + std::to_string(min) + " to "
                                    + std::to_string(max) + ", not '" + text + "'");
    return value;
}

}  // namespace

std::filesystem::path defaultDataFolder()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "taskstore";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "taskstore";
    return "taskstore-data";
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    line.dataFolder = defaultDataFolder();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
            inlineValue = option.substr(eq + 1);
            option.resize(eq);
        }
        if (option == "--help" || option == "-h") {
            line.help = true;
            continue;
        }
        if (option == "--force-encryption") {
            line.server.forceEncryption = true;
            continue;
        }
        if (option == "--varchar-tasks") {
            line.varcharTasks = true;
            continue;
        }
        const auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= arguments.size())
                throw std::invalid_argument(option + " needs a value");
            return arguments[++i];
        };
        if (option == "--address")
            line.server.address = value();
        else if (option == "--port")
            line.server.port = static_cast<std::uint16_t>(number(option, value(), 0, 65535));
        else if (option == "--data")
            line.dataFolder = value();
        else if (option == "--demo-tasks")
            line.demoTasks = number(option, value(), 0, 100'000'000);
        else if (option == "--check")
            line.checkFolder = value();
        else if (option == "--sa-password-file")
            line.saPasswordFile = value();
        else if (option == "--lock-timeout")
            line.server.lockTimeout = std::chrono::seconds(number(option, value(), 0, 86'400));
        else if (option == "--login-timeout")
            line.server.loginTimeout = std::chrono::seconds(number(option, value(), 1, 86'400));
        else if (option == "--max-connections")
            line.server.maxConnections = static_cast<int>(number(option, value(), 1, 10'000));
        else if (option == "--session-memory")
            line.memory.session = static_cast<std::size_t>(number(option, value(), 1, 1024)) << 20;
        else if (option == "--server-memory")
            line.memory.server = static_cast<std::size_t>(number(option, value(), 16, 1 << 20)) << 20;
        else if (option == "--request-log")
            line.server.requestLog = value();
        else if (option == "--tls-cert")
            line.server.tlsCertificate = value();
        else if (option == "--tls-key")
            line.server.tlsKey = value();
        else
            throw std::invalid_argument("unknown option '" + arguments[i] + "' (see --help)");
    }
    if (line.server.tlsCertificate.empty() != line.server.tlsKey.empty())
        throw std::invalid_argument("--tls-cert and --tls-key go together");
    if (line.memory.session > line.memory.server)
        throw std::invalid_argument("--session-memory cannot be more than --server-memory");
    return line;
}

std::string helpText()
{
    return "Usage: taskstore [options]\n"
           "A loopback SQL Server stand-in: serves the task database over TDS, stored in SQLite.\n"
           "\n"
           "  --address A             IP address to listen on (default 127.0.0.1)\n"
           "  --port N                port to listen on (default 1433; 0 picks a free port)\n"
           "  --data DIR              folder of the database files, created owner-only if missing\n"
           "                          (default $XDG_DATA_HOME/taskstore, else ~/.local/share/taskstore)\n"
           "  --demo-tasks N          fill an empty task database with N generated tasks\n"
           "  --varchar-tasks         create the task tables with varchar text columns (code page\n"
           "                          936), as some Q6 databases have them, instead of nvarchar\n"
           "  --sa-password-file FILE read the SA password from FILE (first line)\n"
           "  --lock-timeout SECONDS  how long a statement waits for another session's lock or\n"
           "                          uncommitted change (default: until it is released, as on\n"
           "                          SQL Server; SET LOCK_TIMEOUT changes it per session)\n"
           "  --login-timeout SECONDS drop a client that has not logged in by then (default 10)\n"
           "  --max-connections N     sessions logged on at once (default 100); one more log-on\n"
           "                          gets error 17809 and is counted in the log\n"
           "  --session-memory MIB    memory one session may take (default 256): the longest value\n"
           "                          it may build, and a row or request it holds at once\n"
           "  --server-memory MIB     memory all sessions and the database engine may take together\n"
           "                          (default 1024); past either, a statement or request fails\n"
           "                          with error 701 and the session goes on\n"
           "  --request-log FILE      append every request received to FILE\n"
           "  --tls-cert FILE         TLS certificate (PEM, may hold the chain) offered to clients\n"
           "  --tls-key FILE          its private key (PEM)\n"
           "  --force-encryption      encrypt every session; refuse any login outside TLS\n"
           "  --check DIR             check every database of the data folder DIR with SQLite's\n"
           "                          integrity check (our text order registered), one line a file,\n"
           "                          and serve nothing; exit status 0 when all pass, else 1\n"
           "  --help                  show this text\n"
           "\n"
           "The SA password comes from the environment variable TASKSTORE_SA_PASSWORD or from\n"
           "--sa-password-file, never from the command line. It may be empty only when listening on\n"
           "a loopback address.\n"
           "When ready, one line goes to standard output: taskstore: listening on <address>:<port>\n"
           "Encryption works as in SQL Server: a client that asks for it gets TLS 1.2 for the whole\n"
           "session, one that merely can encrypt gets its log-on encrypted, one that cannot stays clear\n"
           "unless --force-encryption is given. Without --tls-cert, taskstore makes a self-signed\n"
           "server certificate (not an authority) for localhost and 127.0.0.1 once and keeps it in\n"
           "the data folder (tls-certificate.pem, tls-key.pem, owner-only); give that file to\n"
           "clients that check certificates. The data folder must belong to the user running\n"
           "taskstore and be writable by that user alone; one taskstore uses it at a time. Every\n"
           "database file is checked before \"listening\" is printed: a file taskstore cannot use\n"
           "(empty, not a database, another program's, truncated, damaged) stops it with status 1\n"
           "and a line naming the file and the fault, and nothing in the folder is changed.\n"
           "SIGINT or SIGTERM stops the server; open transactions are rolled back.\n";
}

}  // namespace taskstore
