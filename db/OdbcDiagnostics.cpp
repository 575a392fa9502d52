#include "db/OdbcDiagnostics.h"

#include "db/OdbcApi.h"
#include "db/Utf16.h"

namespace db {

namespace {

// "[unixODBC][FreeTDS][SQL Server]" is the longest prefix a driver stack puts in front; a server
// text that itself starts with "[" survives behind it.
constexpr int maxPrefixGroups = 3;

bool isWarning(const DiagnosticRecord& record) { return record.sqlState.rfind("01", 0) == 0; }

int rank(const DiagnosticRecord& record)
{
    if (!isWarning(record) && record.nativeError != 0)
        return 0;
    if (!isWarning(record))
        return 1;
    return 2;
}

}  // namespace

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

rt::RuntimeError errorFromDiagnostics(const std::vector<DiagnosticRecord>& records, std::string_view fallback)
{
    const DiagnosticRecord* best = nullptr;
    for (const auto& record : records) {
        if (!best || rank(record) < rank(*best))
            best = &record;
    }
    if (!best)
        return rt::RuntimeError(rt::ErrorNumber::ProviderFailure, std::string(fallback));
    const long number = best->nativeError != 0 ? best->nativeError : rt::ErrorNumber::ProviderFailure;
    std::string description = stripDriverPrefixes(best->message);
    return rt::RuntimeError(number, description.empty() ? std::string(fallback) : std::move(description));
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

}  // namespace db
