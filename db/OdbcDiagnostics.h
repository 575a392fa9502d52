#pragma once
// Turning ODBC diagnostic records into the tool's runtime errors.
#include <string>
#include <string_view>
#include <vector>

#include "runtime/RuntimeError.h"

namespace db {

struct DiagnosticRecord {
    std::string sqlState;
    long nativeError = 0;  // the server's error number; 0 for driver and driver manager messages
    std::string message;   // as the driver gave it, prefixes included
};

// The message without the leading "[vendor][component][data source]" groups.
std::string stripDriverPrefixes(std::string_view message);

// The error that tells the user most: a server error over the driver's specific cause over the
// driver's generic failure over a warning. Carries the server's number, or ProviderFailure when
// the server gave none. With no records at
// all the fallback text is the description.
rt::RuntimeError errorFromDiagnostics(const std::vector<DiagnosticRecord>& records, std::string_view fallback);

// All records of an ODBC handle (SQLGetDiagRecW), in order.
std::vector<DiagnosticRecord> readDiagnostics(short handleType, void* handle);

// Reads the handle's records and throws the error they describe.
[[noreturn]] void throwDiagnostics(short handleType, void* handle, std::string_view fallback);

}  // namespace db
