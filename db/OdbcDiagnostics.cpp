#include "db/OdbcDiagnostics.h"

#include <algorithm>

#include "db/OdbcApi.h"
#include "db/Utf16.h"

namespace db {

namespace {

// "[unixODBC][FreeTDS][SQL Server]" is the longest prefix a driver stack puts in front; a server
// text that itself starts with "[" survives behind it.
constexpr int maxPrefixGroups = 3;

bool isWarning(const DiagnosticRecord& record) { return record.sqlState.rfind("01", 0) == 0; }

// FreeTDS numbers its own client-side messages in the db-library range; they name the cause
// ("Unknown host machine name.") but are not the server's numbers, even when flagged as warnings.
bool isDriverNumber(long number) { return number >= 20000 && number <= 20999; }

// Lower is more telling: the server's error, then the driver's specific cause, then the driver's
// generic failure, then warnings.
int rank(const DiagnosticRecord& record)
{
    if (isDriverNumber(record.nativeError))
        return 1;
    if (isWarning(record))
        return 3;
    return record.nativeError != 0 ? 0 : 2;
}

}  // namespace

bool isErrorRecord(const DiagnosticRecord& record) { return !isWarning(record); }

std::string stripDriverPrefixes(std::string_view message)
{
    for (int group = 0; group < maxPrefixGroups && !message.empty() && message.front() == '['; ++group) {
        const auto close = message.find(']');
        if (close == std::string_view::npos)
            break;
        message.remove_prefix(close + 1);
    }
    return std::string(message);
}

runtime::RuntimeError errorFromDiagnostics(const std::vector<DiagnosticRecord>& records, std::string_view fallback)
{
    const DiagnosticRecord* best = nullptr;
    for (const auto& record : records) {
        if (!best || rank(record) < rank(*best))
            best = &record;
    }
    if (!best)
        return runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure, std::string(fallback));
    const bool serverNumber = best->nativeError != 0 && !isDriverNumber(best->nativeError);
    const long number = serverNumber ? best->nativeError : runtime::ErrorNumber::ProviderFailure;
    std::string description = stripDriverPrefixes(best->message);
    return runtime::RuntimeError(number, description.empty() ? std::string(fallback) : std::move(description));
}

std::vector<DiagnosticRecord> readDiagnostics(short handleType, void* handle)
{
    std::vector<DiagnosticRecord> records;
    if (!handle)
        return records;
    for (SQLSMALLINT number = 1;; ++number) {
        std::u16string state(6, u'\0');
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::u16string text(1024, u'\0');
        SQLRETURN ret = SQLGetDiagRecW(handleType, handle, number, wide(state), &native, wide(text),
                                       static_cast<SQLSMALLINT>(text.size()), &length);
        if (ret == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            text.assign(static_cast<std::size_t>(length) + 1, u'\0');
            ret = SQLGetDiagRecW(handleType, handle, number, wide(state), &native, wide(text),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!succeeded(ret))
            break;
        text.resize(std::min<std::size_t>(static_cast<std::size_t>(length), text.size()));
        state.resize(5);
        records.push_back({toUtf8(state), static_cast<long>(native), toUtf8(text)});
    }
    return records;
}

void throwDiagnostics(short handleType, void* handle, std::string_view fallback)
{
    throw errorFromDiagnostics(readDiagnostics(handleType, handle), fallback);
}

void throwIfErrorRecorded(short handleType, void* handle, std::string_view fallback)
{
    const std::vector<DiagnosticRecord> records = readDiagnostics(handleType, handle);
    if (std::any_of(records.begin(), records.end(), isErrorRecord))
        throw errorFromDiagnostics(records, fallback);
}

}  // namespace db
