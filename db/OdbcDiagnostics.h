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
runtime::RuntimeError errorFromDiagnostics(const std::vector<DiagnosticRecord>& records, std::string_view fallback);

// Whether a record is an error rather than a warning or an informational message. A driver may
// return "success with info" and still carry an error (FreeTDS does so for an error that arrives
// after rows of a block fetch).
bool isErrorRecord(const DiagnosticRecord& record);

// All records of an ODBC handle (SQLGetDiagRecW), in order.
std::vector<DiagnosticRecord> readDiagnostics(short handleType, void* handle);

// Reads the handle's records and throws the error they describe.
[[noreturn]] void throwDiagnostics(short handleType, void* handle, std::string_view fallback);

// Throws like throwDiagnostics when the handle's records hold an error; used after a call
// returned "success with info".
void throwIfErrorRecorded(short handleType, void* handle, std::string_view fallback);

}  // namespace db
