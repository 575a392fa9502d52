#pragma once
// The SQLite functions registered on every connection (SqlFunctions.cpp), by name and number of
// arguments, and the calls of them that translated statements hold.
#include <string>
#include <string_view>

namespace taskstore::sql {

struct SqliteFunction {
    const char* name;
    int arguments;  // -1: any number
};

// (value, source kind, target kind, target length, style)
inline constexpr SqliteFunction tsConvert{"ts_convert", 5};
// (first, op, kind, operand [, op, kind, operand]...): a chain of + - * / % folded from the left
inline constexpr SqliteFunction tsArith{"ts_arith", -1};
// (op, left kind, left, right kind, right): days added to or taken from a datetime
inline constexpr SqliteFunction tsDateTimeArith{"ts_datetime_arith", 5};
// (a, b): -1, 0 or 1 for two numbers, decimals among them, compared exactly; NULL when one is NULL
inline constexpr SqliteFunction tsCompareDecimals{"ts_compare_decimals", 2};
inline constexpr SqliteFunction tsDecimalSortKey{"ts_decimal_sort_key", 1};  // (decimal): text that sorts as it
inline constexpr SqliteFunction tsLike{"ts_like", 2};                        // (text, pattern)
inline constexpr SqliteFunction tsLen{"ts_len", 1};                          // (text)
inline constexpr SqliteFunction tsSubstring{"ts_substring", 4};              // (text, start, length, mode)
inline constexpr SqliteFunction tsCharIndex{"ts_charindex", 3};              // (sought, text, start)
inline constexpr SqliteFunction tsDataLength{"ts_datalength", 2};            // (text, unicode)
inline constexpr SqliteFunction tsGetDate{"ts_getdate", 0};
inline constexpr SqliteFunction tsServerProperty{"ts_serverproperty", 1};  // (name)
inline constexpr SqliteFunction tsLive{"ts_live", 1};                      // (rowid): fails once a stop is requested
// (position in the primary key, value): the value unchanged, kept as the row's key for a 2627
inline constexpr SqliteFunction tsKey{"ts_key", 2};

// `name(a, b, ...)`; a call whose count differs from the registered one does not compile.
template <const SqliteFunction& function, typename... Arguments>
std::string sqliteCall(const Arguments&... arguments)
{
    static_assert(function.arguments < 0 || sizeof...(Arguments) == static_cast<std::size_t>(function.arguments),
                  "the call must pass the registered number of arguments");
    std::string sql = std::string(function.name) + "(";
    std::string_view separator;
    ((sql += separator, sql += std::string_view(arguments), separator = ", "), ...);
    return sql + ")";
}

}  // namespace taskstore::sql
