// taskstore: wires the command line, the engine and the TDS server together.
#include <asio/ip/address.hpp>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <malloc.h>

#include "common/NoCoreDumps.h"
#include "taskstore/CommandLine.h"
#include "taskstore/server/EventLog.h"
#include "taskstore/server/Server.h"
#include "taskstore/sql/session/SqlEngine.h"
#include "taskstore/store/DataFolder.h"
#include "taskstore/tls/SelfSignedCertificate.h"

namespace {

std::string readPassword(const std::filesystem::path& file)
{
    if (file.empty()) {
        const char* variable = std::getenv("TASKSTORE_SA_PASSWORD");
        return variable ? variable : "";
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read the SA password file " + file.string());
    std::string password;
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

int serve(const taskstore::CommandLine& line)
{
    taskstore::server::ServerConfig config = line.server;
    config.saPassword = readPassword(line.saPasswordFile);
    asio::error_code invalid;
    const auto address = asio::ip::make_address(config.address, invalid);
    if (invalid)
        throw std::invalid_argument("--address needs an IP address, not '" + config.address + "'");
    if (config.saPassword.empty() && !address.is_loopback()) {
        std::cerr << "taskstore: refusing to listen on " << config.address
                  << " with an empty SA password; set TASKSTORE_SA_PASSWORD or use --sa-password-file\n";
        return 2;
    }

    const auto engine = taskstore::sql::openEngine(
        line.dataFolder, line.varcharTasks ? taskstore::sql::TaskText::VarChar : taskstore::sql::TaskText::NVarChar,
        line.memory);
    if (config.tlsCertificate.empty()) {
        const auto files = taskstore::tls::ensureSelfSignedCertificate(line.dataFolder);
        config.tlsCertificate = files.certificate;
        config.tlsKey = files.key;
    }
    taskstore::server::EventLog log;
    // The server takes over SIGINT and SIGTERM from here on, so a stop during the demo fill
    // still ends with a clean exit once the fill's transaction is done.
    taskstore::server::Server server(*engine, config, log);
    if (line.demoTasks > 0)
        engine->fillDemoTasks(line.demoTasks);
    const auto endpoint = server.listen();
    if (config.saPassword.empty())
        log.line("warning: the SA password is empty, so every user and program on this machine can log on as SA "
                 "at "
                 + config.address + ":" + std::to_string(endpoint.port())
                 + " and read or change every database; set TASKSTORE_SA_PASSWORD or use --sa-password-file");
    std::cout << "taskstore: listening on " << config.address << ":" << endpoint.port() << std::endl;
    server.run();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);  // a client that vanishes must not end the server
    common::disableCoreDumps();
    // One heap for all sessions' threads. SQLite takes a process-wide lock for each of its
    // allocations anyway (it counts its memory for the soft heap limit), so per-thread heaps bought
    // little parallelism; each grew a page at a time, one system call per growth, while a big
    // statement filled its page cache.
    mallopt(M_ARENA_MAX, 1);
    // Long values (a client may make them up to the session's memory budget) get pages of their own,
    // returned when freed: left to grow with the largest block freed, the threshold put them on the
    // heap, whose freed pages stayed resident and took the server past its budget.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    try {
        const taskstore::CommandLine line =
            taskstore::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (line.help) {
            std::cout << taskstore::helpText();
            return 0;
        }
        if (!line.checkFolder.empty())
            return taskstore::store::DataFolder::check(line.checkFolder, std::cout) ? 0 : 1;
        return serve(line);
    } catch (const std::invalid_argument& e) {
        std::cerr << "taskstore: " << e.what() << "\n";
        return 2;
    } catch (const taskstore::SqlError& e) {
        std::cerr << "taskstore: error " << e.number << ": " << e.message << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "taskstore: " << e.what() << "\n";
        return 1;
    }
}
