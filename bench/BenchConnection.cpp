#include "bench/BenchConnection.h"

#include <cstddef>
#include <stdexcept>

#include "app/ModMain.h"
#include "bench/BareOdbcRead.h"
#include "bench/RunProgram.h"
#include "bench/ToolSide.h"

namespace bench {

namespace {
void expectEveryRow(std::size_t read, long long rows)
{
    if (read != static_cast<std::size_t>(rows))
        throw std::runtime_error("the bare read did not return every row");
}
}  // namespace

db::OdbcConnection benchConnection(int port, const std::string& options)
{
    return db::OdbcConnection("DRIVER={" FREETDS_ODBC_DRIVER "};Server=127.0.0.1;Port=" + std::to_string(port)
                                  + ";Database=VOZUZODI;UID=SA;PWD=;TDS_Version=7.4;ClientCharset=UTF-8;" + options,
                              15);
}

double bareReadSeconds(long long rows)
{
    const auto started = Clock::now();
    const std::size_t read = readListBare(*ModMain::Conn);
    const double seconds = secondsSince(started);
    expectEveryRow(read, rows);
    return seconds;
}

double bareReadSeconds(const std::string& server, long long rows)
{
    logOnTo(server);
    const double seconds = bareReadSeconds(rows);
    logOff();
    return seconds;
}

double clearReadSeconds(int port, long long rows)
{
    db::OdbcConnection connection = benchConnection(port, "Encryption=off;");
    const auto started = Clock::now();
    const std::size_t read = readListBare(connection, 3600);
    const double seconds = secondsSince(started);
    expectEveryRow(read, rows);
    return seconds;
}

}  // namespace bench
