#pragma once
// A plain ODBC client over the FreeTDS driver, independent of the tool's own database layer, to
// seed and inspect taskstore's data in tests.
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace testsupport {

using Rows = std::vector<std::vector<std::optional<std::string>>>;
// A parameter value: NULL, int or text.
using Value = std::variant<std::monostate, int, std::string>;

class OdbcClient {
public:
    // tdsVersion as the FreeTDS driver's TDS_Version keyword takes it.
    OdbcClient(int port, std::string database = "VOZUZODI", std::string password = "", std::string tdsVersion = "7.4");
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    // Runs a statement, discarding any result. Throws std::runtime_error with the server's message.
    void exec(std::string_view sql);
    // Runs a query and returns its first result set as text (NULL as nullopt).
    Rows query(std::string_view sql);

    // Prepares sql once (SQLPrepare) and runs it once per entry of executions with its values bound
    // (SQLBindParameter, SQLExecute). Returns the rows of every run, in order.
    Rows executePrepared(std::string_view sql, const std::vector<std::vector<Value>>& executions);

    // Prepares sql (SQLPrepare) and asks for its result columns (SQLNumResultCols) without running it.
    int preparedColumnCount(std::string_view sql);

    void setAutocommit(bool on);
    void commit();
    void rollback();

private:
    void* env_ = nullptr;
    void* dbc_ = nullptr;
};

}  // namespace testsupport
