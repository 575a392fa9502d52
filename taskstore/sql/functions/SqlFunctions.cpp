#include "taskstore/sql/functions/SqlFunctions.h"

#include "taskstore/engine/CodePage.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/Conversions.h"
#include "taskstore/sql/functions/DecimalArithmetic.h"
#include "taskstore/sql/functions/LikeMatch.h"
#include "taskstore/sql/functions/ParameterConversions.h"
#include "taskstore/sql/functions/ServerIdentity.h"
#include "taskstore/sql/functions/SqliteFunctionCalls.h"
#include "taskstore/sql/functions/TextUnits.h"
#include "taskstore/store/StoredDateTime.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <limits>
#include <optional>

namespace taskstore::sql {
namespace {

FunctionContext& contextOf(sqlite3_context* ctx) { return *static_cast<FunctionContext*>(sqlite3_user_data(ctx)); }

SqlValue read(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL: return SqlValue::null();
    case SQLITE_INTEGER: return SqlValue::ofInteger(sqlite3_value_int64(value));
    case SQLITE_FLOAT: return SqlValue::ofReal(sqlite3_value_double(value));
    case SQLITE_BLOB:
        return SqlValue::ofBlob(std::string(static_cast<const char*>(sqlite3_value_blob(value)),
                                            static_cast<std::size_t>(sqlite3_value_bytes(value))));
    default:
        return SqlValue::ofText(std::string(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                            static_cast<std::size_t>(sqlite3_value_bytes(value))));
    }
}

std::string_view textOf(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return {text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

void fail(sqlite3_context* ctx, const SqlError& error)
{
    contextOf(ctx).error = error;
    sqlite3_result_error(ctx, error.message.c_str(), static_cast<int>(error.message.size()));
}

// A value longer than the session may build fails the statement before SQLite copies it.
bool fitsSession(sqlite3_context* ctx, const SqlValue& value)
{
    const bool fits = (value.kind != SqlValue::Kind::Text && value.kind != SqlValue::Kind::Blob)
        || value.text.size() <= contextOf(ctx).maxValueBytes;
    if (!fits)
        fail(ctx, makeError<ErrorId::OutOfMemory>());
    return fits;
}

// Calls on short values are not charged: asking the budget costs more than they take.
constexpr std::size_t uncountedCallBytes = 64 * 1024;

// A call that copies, widens or indexes long arguments outside SQLite's heap charges that memory
// to the server's budget first; false (the statement failing with 701) when it is not there.
bool reserveWorkingMemory(sqlite3_context* ctx, std::size_t bytes, MemoryCharge& charge)
{
    FunctionContext& context = contextOf(ctx);
    if (bytes <= uncountedCallBytes || !context.workingMemory)
        return true;
    charge = MemoryCharge(nullptr, context.workingMemory, bytes);
    if (!charge.ok())
        fail(ctx, makeError<ErrorId::OutOfMemory>());
    return charge.ok();
}

std::size_t bytesOf(sqlite3_value* value)
{
    const int type = sqlite3_value_type(value);
    return type == SQLITE_TEXT || type == SQLITE_BLOB ? static_cast<std::size_t>(sqlite3_value_bytes(value)) : 0;
}

std::size_t argumentBytes(int count, sqlite3_value** args)
{
    std::size_t bytes = 0;
    for (int i = 0; i < count; ++i)
        bytes += bytesOf(args[i]);
    return bytes;
}

void write(sqlite3_context* ctx, const SqlValue& value)
{
    if (!fitsSession(ctx, value))
        return;
    switch (value.kind) {
    case SqlValue::Kind::Null: sqlite3_result_null(ctx); break;
    case SqlValue::Kind::Integer: sqlite3_result_int64(ctx, value.integer); break;
    case SqlValue::Kind::Real: sqlite3_result_double(ctx, value.real); break;
    case SqlValue::Kind::Text:
        sqlite3_result_text(ctx, value.text.data(), static_cast<int>(value.text.size()), SQLITE_TRANSIENT);
        break;
    case SqlValue::Kind::Blob:
        sqlite3_result_blob(ctx, value.text.data(), static_cast<int>(value.text.size()), SQLITE_TRANSIENT);
        break;
    }
}

ColumnType typeArgument(sqlite3_value* kind, sqlite3_value* length)
{
    return typeOfCode(sqlite3_value_int(kind), length ? sqlite3_value_int(length) : 0);
}

// Text to int is what a filter such as convert(int, TaskState) < 0 asks of every row: parsed in
// place, nothing copied and so nothing to charge. False (nothing done) for other conversions and
// for text that fails, which the general path reports.
bool convertedTextToInt(sqlite3_context* ctx, sqlite3_value** args)
{
    if (typeOfCode(sqlite3_value_int(args[2])).kind != SqlType::Int || !typeOfCode(sqlite3_value_int(args[1])).isText()
        || sqlite3_value_type(args[0]) != SQLITE_TEXT)
        return false;
    const std::optional<std::int32_t> value = textToIntIfValid(textOf(args[0]));
    if (value)
        sqlite3_result_int64(ctx, *value);
    return value.has_value();
}

void convertFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (convertedTextToInt(ctx, args))
        return;
    // The argument's copy and a result up to twice as long (text as UTF-16 bytes), with room.
    MemoryCharge charge;
    if (!reserveWorkingMemory(ctx, 4 * bytesOf(args[0]), charge))
        return;
    try {
        const ColumnType source = typeArgument(args[1], nullptr);
        const ColumnType target = typeArgument(args[2], args[3]);
        write(ctx, convertValue(read(args[0]), source, target, sqlite3_value_int(args[4])));
    } catch (const SqlError& error) {
        fail(ctx, error);
    }
}

// ts_arith(first, op, kind, operand [, op, kind, operand]...): a chain of + - * / % folded from the
// left, each step in its own kind. One call for a whole chain: SQLite's parser holds only about 30
// nested calls.
void arithmeticFunction(sqlite3_context* ctx, int count, sqlite3_value** args)
{
    MemoryCharge charge;  // the arguments' copies and the result
    if (!reserveWorkingMemory(ctx, 2 * argumentBytes(count, args), charge))
        return;
    try {
        SqlValue result = read(args[0]);
        for (int step = 1; step + 3 <= count; step += 3) {
            const char op = textOf(args[step]).empty() ? '+' : textOf(args[step]).front();
            result = arithmetic(op, typeArgument(args[step + 1], nullptr), result, read(args[step + 2]));
        }
        write(ctx, result);
    } catch (const SqlError& error) {
        fail(ctx, error);
    }
}

// ts_datetime_arith(op, left kind, left, right kind, right)
void dateTimeArithmeticFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    try {
        const char op = textOf(args[0]).empty() ? '+' : textOf(args[0]).front();
        write(ctx,
              dateTimeArithmetic(op, static_cast<SqlType>(sqlite3_value_int(args[1])), read(args[2]),
                                 static_cast<SqlType>(sqlite3_value_int(args[3])), read(args[4])));
    } catch (const SqlError& error) {
        fail(ctx, error);
    }
}

DecimalValue exactValue(sqlite3_value* value)
{
    return decimalOf(read(value), {SqlType::Decimal, maxDecimalPrecision, -1});
}

void compareDecimalsFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    try {
        sqlite3_result_int(ctx, compareDecimals(exactValue(args[0]), exactValue(args[1])));
    } catch (const SqlError& error) {
        fail(ctx, error);
    }
}

void decimalSortKeyFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    try {
        write(ctx, SqlValue::ofText(decimalSortKey(exactValue(args[0]))));
    } catch (const SqlError& error) {
        fail(ctx, error);
    }
}

void stopStatement(sqlite3_context* ctx, FunctionContext& context)
{
    context.stopped = true;
    sqlite3_result_error(ctx, "statement stopped", -1);
}

// Long texts and patterns make one call long, so the match itself looks at the stop flag.
void likeFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    // The text and pattern as code points, two flags per text character, an element per pattern's.
    MemoryCharge charge;
    if (!reserveWorkingMemory(ctx, 6 * bytesOf(args[0]) + 44 * bytesOf(args[1]), charge))
        return;
    FunctionContext& context = contextOf(ctx);
    try {
        sqlite3_result_int(ctx, likeMatches(textOf(args[0]), textOf(args[1]), context.stopRequested) ? 1 : 0);
    } catch (const ScanStopped&) {
        stopStatement(ctx, context);
    }
}

void lengthFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_int64(ctx, textLength(textOf(args[0])));
}

bool anyNull(int count, sqlite3_value** args)
{
    for (int i = 0; i < count; ++i)
        if (sqlite3_value_type(args[i]) == SQLITE_NULL)
            return true;
    return false;
}

// ts_substring(text, start, length, mode): mode 0 SUBSTRING, 1 LEFT, 2 RIGHT (start unused).
void substringFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (anyNull(4, args)) {
        sqlite3_result_null(ctx);
        return;
    }
    MemoryCharge charge;  // the part, as long as the text at most
    if (!reserveWorkingMemory(ctx, bytesOf(args[0]), charge))
        return;
    const std::string_view text = textOf(args[0]);
    const std::int64_t length = sqlite3_value_int64(args[2]);
    const int mode = sqlite3_value_int(args[3]);
    if (length < 0) {
        fail(ctx,
             mode == 2 ? makeError<ErrorId::InvalidRightLength>() : makeError<ErrorId::InvalidLeftOrSubstringLength>());
        return;
    }
    const auto units = static_cast<std::int64_t>(utf16Units(text));
    std::int64_t first = mode == 2 ? std::max<std::int64_t>(units - length, 0) : sqlite3_value_int64(args[1]) - 1;
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    const std::int64_t end = mode == 2 ? units : first > most - length ? most : first + length;
    first = std::max<std::int64_t>(first, 0);
    const std::string part = end <= first
        ? std::string()
        : utf16Slice(text, static_cast<std::size_t>(first), static_cast<std::size_t>(end - first));
    sqlite3_result_text(ctx, part.data(), static_cast<int>(part.size()), SQLITE_TRANSIENT);
}

void charIndexFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (anyNull(3, args)) {
        sqlite3_result_null(ctx);
        return;
    }
    MemoryCharge charge;  // the pattern as code points and its border table
    if (!reserveWorkingMemory(ctx, 8 * bytesOf(args[0]), charge))
        return;
    FunctionContext& context = contextOf(ctx);
    try {
        sqlite3_result_int64(
            ctx, utf16Find(textOf(args[0]), textOf(args[1]), sqlite3_value_int64(args[2]), context.stopRequested));
    } catch (const ScanStopped&) {
        stopStatement(ctx, context);
    }
}

// ts_datalength(text, unicode): bytes in UTF-16 or in the database's code page; trailing blanks
// count, unlike LEN.
void dataLengthFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (anyNull(1, args))
        sqlite3_result_null(ctx);
    else if (sqlite3_value_int(args[1]) != 0)
        sqlite3_result_int64(ctx, 2 * static_cast<std::int64_t>(utf16Units(textOf(args[0]))));
    else
        sqlite3_result_int64(ctx, static_cast<std::int64_t>(databaseCodePageBytes(textOf(args[0]))));
}

void getDateFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::int32_t days = store::daysFromCivil({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
    const std::int64_t msOfDay = ((local.tm_hour * 60LL + local.tm_min) * 60 + local.tm_sec) * 1000 + ms;
    const std::string text = store::formatStored(store::fromMilliseconds(days, msOfDay));
    sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void serverPropertyFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    const auto value = sqlite3_value_type(args[0]) == SQLITE_NULL ? std::nullopt : serverProperty(textOf(args[0]));
    if (value)
        sqlite3_result_text(ctx, value->data(), static_cast<int>(value->size()), SQLITE_TRANSIENT);
    else
        sqlite3_result_null(ctx);
}

void liveFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    FunctionContext& context = contextOf(ctx);
    if (context.stopRequested && context.stopRequested->load()) {
        stopStatement(ctx, context);
        return;
    }
    sqlite3_result_int(ctx, 1);
}

// The text SQL Server's 2627 gives a key value: integers and text as they are, without quotes;
// other types as taskstore stores them.
std::string keyValueText(sqlite3_value* value)
{
    return sqlite3_value_type(value) == SQLITE_NULL ? "<NULL>" : std::string(textOf(value));
}

void keyFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    std::vector<std::string>& key = contextOf(ctx).keyValues;
    const auto position = static_cast<std::size_t>(std::max(0, sqlite3_value_int(args[0])));
    if (key.size() <= position)
        key.resize(position + 1);
    key[position] = keyValueText(args[1]);
    sqlite3_result_value(ctx, args[1]);
}

}  // namespace

void registerFunctions(sqlite3* db, FunctionContext* context)
{
    constexpr int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    using Body = void (*)(sqlite3_context*, int, sqlite3_value**);
    const auto add = [&](const SqliteFunction& function, int flags, Body body) {
        sqlite3_create_function_v2(db, function.name, function.arguments, flags, context, body, nullptr, nullptr,
                                   nullptr);
    };
    add(tsConvert, pure, convertFunction);
    add(tsArith, pure, arithmeticFunction);
    add(tsDateTimeArith, pure, dateTimeArithmeticFunction);
    add(tsCompareDecimals, pure, compareDecimalsFunction);
    add(tsDecimalSortKey, pure, decimalSortKeyFunction);
    add(tsLike, pure, likeFunction);
    add(tsLen, pure, lengthFunction);
    add(tsSubstring, pure, substringFunction);
    add(tsCharIndex, pure, charIndexFunction);
    add(tsDataLength, pure, dataLengthFunction);
    add(tsGetDate, SQLITE_UTF8, getDateFunction);
    add(tsServerProperty, pure, serverPropertyFunction);
    add(tsLive, SQLITE_UTF8, liveFunction);
    add(tsKey, SQLITE_UTF8, keyFunction);
}

}  // namespace taskstore::sql
