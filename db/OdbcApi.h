#pragma once
// The ODBC headers, with what Windows needs in front of them. Only the db library's own sources
// include this; its public headers stay free of ODBC types.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <string_view>

namespace db {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls must use UTF-16 code units");

inline bool succeeded(SQLRETURN ret) { return ret == SQL_SUCCESS || ret == SQL_SUCCESS_WITH_INFO; }

inline SQLWCHAR* wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

}  // namespace db
