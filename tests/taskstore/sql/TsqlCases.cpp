#include "TsqlCases.h"

#include "db/TaskStatements.h"

namespace tsqltest {
namespace {

using std::nullopt;

TsqlCase rows(std::string name, std::string sql, std::vector<std::vector<std::optional<std::string>>> expected)
{
    return {std::move(name), std::move(sql), std::move(expected), 0, {}, {}};
}

TsqlCase fails(std::string name, std::string sql, int error, std::string message = {})
{
    return {std::move(name), std::move(sql), {}, error, std::move(message), {}};
}

// What SQL Server does and taskstore refuses (50000), with the README's words for it.
TsqlCase refused(std::string name, std::string sql, std::string difference)
{
    return {std::move(name), std::move(sql), {}, 50000, {}, std::move(difference)};
}

std::string statement(std::string_view text) { return std::string(text); }

// `text` with each x standing for the level inside it, `levels` deep around 1.
std::string nested(std::string_view text, int levels)
{
    std::string sql = "1";
    for (int level = 0; level < levels; ++level) {
        std::string outer;
        for (const char c : text)
            outer += c == 'x' ? sql : std::string(1, c);
        sql = std::move(outer);
    }
    return sql;
}

}  // namespace

std::string repeat(std::string_view text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

std::vector<std::string> splitBatches(const std::string& sql)
{
    std::vector<std::string> batches;
    std::size_t start = 0;
    for (;;) {
        const std::size_t separator = sql.find("\nGO\n", start);
        batches.push_back(sql.substr(start, separator - start));
        if (separator == std::string::npos)
            return batches;
        start = separator + 4;
    }
}

std::vector<TsqlCase> tsqlCases()
{
    namespace ts = db::TaskStatements;
    const std::string taskIds = "\nGO\nselect cTaskId from zk_task order by cTaskId";
    const std::string logIds = "\nGO\nselect cTaskId from zk_tasklog order by cTaskId";
    const std::string oneDate =
        "create table d (d datetime)\nGO\ninsert into d values ('2006-01-05 13:04:05.007')\nGO\n";
    return {
        // CONVERT(int, text) and CAST
        rows("convert_leading_zero", "select convert(int, '05')", {{"5"}}),
        rows("convert_blanks_and_sign", "select convert(int, ' -1 '), convert(int, '+3')", {{"-1", "3"}}),
        rows("convert_empty_and_blank", "select convert(int, ''), cast('   ' as int)", {{"0", "0"}}),
        rows("convert_int_limits", "select convert(int, '2147483647'), cast('-2147483648' as int)",
             {{"2147483647", "-2147483648"}}),
        rows("convert_null", "select convert(int, NULL), convert(int, TaskState) from zk_tasklog where cTaskId = 'T4'",
             {{nullopt, nullopt}}),
        fails("convert_decimal_point", "select convert(int, '1.5')", 245,
              "Conversion failed when converting the varchar value '1.5' to data type int."),
        fails("convert_letters", "select convert(int, 'abc')", 245,
              "Conversion failed when converting the varchar value 'abc' to data type int."),
        fails("convert_unicode_source", "select convert(int, N'A')", 245,
              "Conversion failed when converting the nvarchar value 'A' to data type int."),
        fails("convert_keeps_blanks_in_message", "select convert(int, ' 1)')", 245,
              "Conversion failed when converting the varchar value ' 1)' to data type int."),
        fails("convert_exponent", "select convert(int, '1e2')", 245),
        fails("convert_thousands", "select convert(int, '1,000')", 245),
        fails("convert_sign_then_blank", "select convert(int, '- 5')", 245),
        fails("convert_tab", "select convert(int, '\t5')", 245),
        fails("convert_overflow", "select convert(int, '2147483648')", 248,
              "The conversion of the varchar value '2147483648' overflowed an int column."),
        fails("convert_underflow", "select cast('-2147483649' as int)", 248),
        fails("convert_column_names_its_type",
              "update zk_tasklog set TaskState = 'x' where cTaskId = 'T1'"
              "\nGO\nselect convert(int, TaskState) from zk_tasklog",
              245, "Conversion failed when converting the varchar value 'x' to data type int."),
        rows("convert_column_blanks_sign_and_empty",
             "update zk_tasklog set TaskState = ' -7 ' where cTaskId = 'T1'"
             "\nGO\nupdate zk_tasklog set TaskState = '' where cTaskId = 'T2'"
             "\nGO\nselect convert(int, TaskState) from zk_tasklog where cTaskId in ('T1', 'T2') order by cTaskId",
             {{"-7"}, {"0"}}),
        fails("convert_column_overflow",
              "update zk_tasklog set TaskState = '2147483648' where cTaskId = 'T1'"
              "\nGO\ndelete from zk_tasklog where convert(int, TaskState) < 0",
              248, "The conversion of the varchar value '2147483648' overflowed an int column."),
        rows("convert_to_text_and_datetime",
             "select convert(varchar(10), 42), convert(varchar, convert(datetime, '2026-01-02 03:04:05'), 120)",
             {{"42", "2026-01-02 03:04:05"}}),
        fails("convert_bad_datetime", "select convert(datetime, '2026-02-30')", 242),

        // numbers into text as SQL Server writes them
        rows("float_to_text_styles",
             "select convert(varchar, 1900000.0e0), convert(varchar, 123456.0e0), convert(varchar, 0.00001e0),"
             " convert(varchar, 1900000.0e0, 1), convert(nvarchar(30), -1.5e0, 2), cast(1.5e300 as varchar)",
             {{"1.9e+006", "123456", "1e-005", "1.9000000e+006", "-1.500000000000000e+000", "1.5e+300"}}),
        fails("float_too_long_for_text", "select convert(varchar(4), 1.123456789e0)", 232,
              "Arithmetic overflow error for type varchar, value = 1.123457."),
        refused("float_style_taskstore_lacks", "select convert(varchar(30), 1.5e0, 3)",
                "float styles 3, 126, 128 and 129"),
        rows("int_too_long_for_varchar_is_a_star", "select convert(varchar(2), 123), convert(char(1), -5)",
             {{"*", "*"}}),
        fails("int_too_long_for_nvarchar", "select convert(nvarchar(2), 123)", 8115,
              "Arithmetic overflow error converting expression to data type nvarchar."),
        rows("decimal_to_text_keeps_its_scale", "select convert(varchar, 5.0 / 2), convert(nvarchar(6), 99.999)",
             {{"2.500000", "99.999"}}),
        fails("decimal_too_long_for_text", "select convert(varchar(5), 99.999)", 8115,
              "Arithmetic overflow error converting numeric to data type varchar."),

        // datetime into text in every style SQL Server has
        rows("datetime_styles_without_century",
             oneDate
                 + "select convert(varchar, d, 1), convert(varchar, d, 2), convert(varchar, d, 3), convert(varchar, d, "
                   "4),"
                   " convert(varchar, d, 5), convert(varchar, d, 6), convert(varchar, d, 7), convert(varchar, d, 10),"
                   " convert(varchar, d, 11), convert(varchar, d, 12) from d",
             {{"01/05/06", "06.01.05", "05/01/06", "05.01.06", "05-01-06", "05 Jan 06", "Jan 05, 06", "01-05-06",
               "06/01/05", "060105"}}),
        rows("datetime_styles_with_century",
             oneDate
                 + "select convert(varchar, d, 102), convert(varchar, d, 103), convert(varchar, d, 104),"
                   " convert(varchar, d, 105), convert(varchar, d, 106), convert(varchar, d, 107),"
                   " convert(varchar, d, 110) from d",
             {{"2006.01.05", "05/01/2006", "05.01.2006", "05-01-2006", "05 Jan 2006", "Jan 05, 2006", "01-05-2006"}}),
        rows("datetime_styles_with_time",
             oneDate
                 + "select convert(varchar(30), d, 9), convert(varchar(30), d, 109), convert(varchar, d, 113),"
                   " convert(varchar, d, 14), convert(varchar, d, 114), convert(varchar, d, 24),"
                   " convert(varchar, d + 0.375, 22), convert(varchar, d, 127) from d",
             {{"Jan  5 2006  1:04:05:007PM", "Jan  5 2006  1:04:05:007PM", "05 Jan 2006 13:04:05:007", "13:04:05:007",
               "13:04:05:007", "13:04:05", "01/05/06 10:04:05 PM", "2006-01-05T13:04:05.007"}}),
        rows("datetime_style_126_leaves_out_zero_milliseconds",
             "select convert(varchar, convert(datetime, '2006-01-05 13:04:05'), 126),"
             " convert(varchar, convert(datetime, '2006-01-05 13:04:05.5'), 126)",
             {{"2006-01-05T13:04:05", "2006-01-05T13:04:05.500"}}),
        refused("datetime_hijri_styles_are_refused", "select convert(varchar, getdate(), 130)",
                "The Hijri styles 130 and 131 are refused"),
        fails("datetime_style_sql_server_lacks", "select convert(varchar, getdate(), 15)", 281),
        rows("datetime_read_in_a_style_like_us_english",
             "select convert(datetime, '01/05/06', 1), convert(datetime, '2006-01-05T10:20:30', 126)",
             {{"2006-01-05 00:00:00.000", "2006-01-05 10:20:30.000"}}),
        refused("datetime_read_day_first_is_refused", "select convert(datetime, '05/01/2006', 103)",
                "Text read into datetime in a day-first or year-first style"),

        // datetime from text, as SQL Server reads it under us_english
        rows("datetime_iso_odbc_unseparated",
             "select convert(datetime, '2006-01-05T10:20:30.123'), convert(datetime, '2006-01-05 10:20:30.123'),"
             " convert(datetime, '20060105 10:20'), convert(datetime, '060105')",
             {{"2006-01-05 10:20:30.123", "2006-01-05 10:20:30.123", "2006-01-05 10:20:00.000",
               "2006-01-05 00:00:00.000"}}),
        rows("datetime_empty_is_1900", "select convert(datetime, ''), cast('  ' as datetime)",
             {{"1900-01-01 00:00:00.000", "1900-01-01 00:00:00.000"}}),
        rows("datetime_style_0_reads_back",
             "select convert(datetime, 'Jan  5 2006 10:20AM'),"
             " convert(datetime, convert(varchar(30), convert(datetime, '2006-01-05 22:20')))",
             {{"2006-01-05 10:20:00.000", "2006-01-05 22:20:00.000"}}),
        rows("datetime_dots_slashes_and_short_years",
             "select convert(datetime, '2006.01.05'), convert(datetime, '01/05/2006'), convert(datetime, '06-01-05')",
             {{"2006-01-05 00:00:00.000", "2006-01-05 00:00:00.000", "2005-06-01 00:00:00.000"}}),
        rows("datetime_month_names",
             "select convert(datetime, 'January 5, 2006'), convert(datetime, '5 jan 2006'), convert(datetime, 'Jan "
             "2006')",
             {{"2006-01-05 00:00:00.000", "2006-01-05 00:00:00.000", "2006-01-01 00:00:00.000"}}),
        rows("datetime_time_forms",
             "select convert(datetime, '10:20:30:123'), convert(datetime, '10:20:30.5'), convert(datetime, '4pm')",
             {{"1900-01-01 10:20:30.123", "1900-01-01 10:20:30.500", "1900-01-01 16:00:00.000"}}),
        rows("datetime_rounds_into_next_day", "select convert(datetime, '2006-12-31 23:59:59.999')",
             {{"2007-01-01 00:00:00.000"}}),
        rows("datetime_last_moment_is_kept",
             "insert into zk_tasklog (cTaskId, dInTime) values ('T9', '9999-12-31 23:59:59.998')\nGO\n"
             "select dInTime from zk_tasklog where cTaskId = 'T9'",
             {{"9999-12-31 23:59:59.997"}}),
        fails("datetime_year_10000_is_refused",
              "insert into zk_tasklog (cTaskId, dInTime) values ('T9', '9999-12-31 23:59:59.999')", 242,
              "The conversion of a varchar data type to a datetime data type resulted in an out-of-range value."),
        fails("datetime_before_1753", "select convert(datetime, '1752-12-31')", 242),
        fails("datetime_hour_24", "select convert(datetime, '2006-01-05 24:00')", 242),
        fails("datetime_nvarchar_out_of_range", "select convert(datetime, N'2006-02-30')", 242,
              "The conversion of a nvarchar data type to a datetime data type resulted in an out-of-range value."),
        fails("datetime_no_date", "select convert(datetime, '2006-01-05x')", 241,
              "Conversion failed when converting date and/or time from character string."),
        fails("datetime_four_fraction_digits", "select convert(datetime, '2006-01-05 10:00:00.1234')", 241),
        fails("datetime_number_past_the_end", "select convert(datetime, 2958463.999999999)", 8115),

        // + on strings and numbers, NULL propagation
        rows("plus_joins_strings", "select 'a' + 'b', N'正常（' + '05' + '）'", {{"ab", "正常（05）"}}),
        rows("plus_null_gives_null", "select 'a' + NULL, 1 + NULL", {{nullopt, nullopt}}),
        rows("plus_int_converts_string", "select 1 + '5', '5' + 1", {{"6", "6"}}),
        fails("plus_int_with_letters", "select 1 + 'x'", 245),
        rows("arithmetic", "select 7 / 2, 7 % 3, -7 / 2, 2 * 3 - 1, 1.5 * 2", {{"3", "1", "-3", "5", "3.0"}}),

        // decimal literals and arithmetic, exact, with SQL Server's precision and scale
        rows("decimal_division_keeps_six_places", "select 5.0 / 2, 1.0 / 3, 2.0 / 3, -7.5 / 2",
             {{"2.500000", "0.333333", "0.666666", "-3.750000"}}),
        rows("decimal_sums_and_products_are_exact",
             "select 0.1 + 0.2, 1.25 * 1.5, 10.00 - 0.005, 7.5 % 2, 2147483648, -2147483649 + 1",
             {{"0.3", "1.875", "9.995", "1.5", "2147483648", "-2147483648"}}),
        rows("decimal_38_digits",
             "select 12345678901234567890123456789012345678 - 1, 0.1234567890123456789 * 10,"
             " 999999999999999999999999999999 / 3, 1234567890123456789012.123456789 * 1.5",
             {{"12345678901234567890123456789012345677", "1.2345678901234567890",
               "333333333333333333333333333333.000000", "1851851835185185183518.1851851835"}}),
        rows("decimal_product_past_38_digits_gives_up_decimals",
             "select 12345678901234567890.1234567890 * 123.4567890, 1.0000000000000000001 * 1.0000000000000000001",
             {{"1524157875171467887517.14678875019052", "1.00000000000000000020000000000000000"}}),
        fails("decimal_quotient_past_38_digits", "select 99999999999999999999999999999999999999 / 3", 8115),
        fails("decimal_quotient_past_77_digits",
              "select 99999999999999999999999999999999999999 / 0.00000000000000000000000000000000000001", 8115),
        rows("decimal_compares_and_sorts_exactly",
             "select case when 0.1 + 0.2 = 0.3 then 'equal' end, case when 10.5 > 9.75 then 'more' end,"
             " case when 2 in (1.5, 2.0) then 'in' end, case when 100000000000000000001 > 100000000000000000000 then"
             " 'more' end",
             {{"equal", "more", "in", "more"}}),
        rows("decimal_order_by_is_by_value",
             "select cTaskId from zk_tasklog order by 12.5 - convert(int, substring(cTaskId, 2, 1)) * 1.25",
             {{"T5"}, {"T4"}, {"T3"}, {"T2"}, {"T1"}}),
        rows("decimal_case_takes_the_widest_type", "select case when 1 = 1 then 1.5 else 100 end", {{"1.5"}}),
        rows("decimal_with_int_float_and_datetime",
             "select convert(int, 7.9), 1.5 + 1e0, convert(varchar(30), convert(datetime, '2006-01-05') + 0.5, 120)",
             {{"7", "2.5", "2006-01-05 12:00:00"}}),
        rows("decimal_stored_into_columns",
             "create table t (f float, i int, s nvarchar(10))\nGO\ninsert into t values (1.25, -7.9, 5.0 / 2)\nGO\n"
             "select f, i, s, -1.5 * 2, case when f > 1 then 1.5 else 2e0 end from t",
             {{"1.25", "-7", "2.500000", "-3.0", "1.5"}}),
        fails("decimal_overflow", "select 99999999999999999999999999999999999999 + 1", 8115,
              "Arithmetic overflow error converting expression to data type numeric."),
        fails("decimal_divide_by_zero", "select 1.5 / 0", 8134),
        fails("decimal_literal_past_38_digits", "select 123456789012345678901234567890123456789", 1007,
              "The number '123456789012345678901234567890123456789' is out of the range for numeric representation"
              " (maximum precision 38)."),
        refused("decimal_with_text_is_refused", "select '1' + 1.5",
                "`+` and `-` between text and a decimal are refused"),
        fails("divide_by_zero", "select 1 / 0", 8134),
        fails("int_overflow", "select 2147483647 + 1", 8115),

        // Lengths and positions count UTF-16 units: a character outside the BMP is two
        rows("len_and_datalength_count_units", "select len(N'😀'), len(N'a😀 '), datalength(N'😀'), datalength(N'a ')",
             {{"2", "3", "4", "4"}}),
        rows("substring_left_right_in_units",
             "select substring(N'a😀b', 4, 1), left(N'😀b', 3), right(N'a😀', 2), substring(N'abc', 0, 2),"
             " substring(N'abc', 2, 100), right('abc', 5)",
             {{"b", "😀b", "😀", "a", "bc", "abc"}}),
        rows("half_a_pair_is_one_unit",
             "select len(left(N'😀', 1)), len(substring(N'a😀', 3, 5)), len(convert(nvarchar(2), N'a😀'))",
             {{"1", "1", "2"}}),
        rows("charindex_in_units_under_the_collation",
             "select charindex(N'b', N'😀b'), charindex('B', N'abcb', 3), charindex('x', 'abc'), charindex('', 'abc'),"
             " charindex(N'😀', N'😀😀', 2)",
             {{"3", "4", "0", "0", "3"}}),
        fails("left_negative_length", "select left('abc', -1)", 537,
              "Invalid length parameter passed to the LEFT or SUBSTRING function."),
        fails("right_negative_length", "select right('abc', -1)", 536),
        rows("literal_outside_the_bmp_is_sent_whole", "select N'😀😀', N'a' + N'😀'", {{"😀😀", "a😀"}}),
        rows("longest_value_in_units_fits",
             "update zk_tasklog set cStation = N'😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀' where cTaskId = 'T1'\nGO\n"
             "select len(cStation), cStation from zk_tasklog where cTaskId = 'T1'",
             {{"50", "😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀"}}),
        fails("one_unit_too_long_is_refused",
              "update zk_tasklog set cStation = N'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa😀' where cTaskId = "
              "'T1'",
              8152),
        fails("insert_units_too_long", "create table t (s nvarchar(3))\nGO\ninsert into t values (N'ab😀')", 8152),

        // varchar is code page 936: what it lacks becomes '?', lengths count its bytes
        rows("literal_without_n_is_code_page_text",
             "select 'a😀b', N'a😀b', datalength('中a'), len('中a'), datalength(N'中a'), convert(varchar(10), N'总账😀')",
             {{"a??b", "a😀b", "3", "2", "4", "总账??"}}),
        rows("character_outside_the_bmp_is_two_marks_in_varchar",
             "select datalength('😀'), len(convert(varchar(50), N'" + repeat("😀", 25)
                 + "x')), convert(varchar(3), N'😀😀')",
             {{"2", "50", "???"}}),
        rows("fixed_length_text_is_padded",
             "select convert(nchar(5), N'ab') + N'|', datalength(convert(char(4), 'a')), convert(char(3), 5) + '|'",
             {{"ab   |", "4", "5  |"}}),
        rows("fixed_length_columns_are_padded",
             "create table t (n nchar(4), c char(4))\nGO\ninsert into t values (N'ab', '中')\nGO\n"
             "select n + '|', c + '|', len(n), datalength(c) from t",
             {{"ab  |", "中  |", "2", "4"}}),
        rows("varchar_cut_at_whole_characters", "select convert(varchar(3), N'总账'), convert(varchar(4), N'总账x')",
             {{"总", "总账"}}),
        fails("varchar_column_counts_bytes", "create table t (s varchar(3))\nGO\ninsert into t values (N'总账')", 8152),

        // (max) types: whole values in results, CONVERT and tables; 4,000 characters otherwise
        rows("convert_to_nvarchar_max_is_whole", "select convert(nvarchar(max), N'" + repeat("x", 5000) + "')",
             {{repeat("x", 5000)}}),
        rows("max_columns_in_a_table",
             "create table t (c nvarchar(max), v varchar(max), b varbinary(max))\nGO\n"
             "insert into t values (N'"
                 + repeat("中", 5000) + "', '" + repeat("v", 9000) + "', convert(varbinary(max), '" + repeat("b", 9000)
                 + "'))\nGO\nselect len(c), len(v), datalength(b), c from t",
             {{"5000", "9000", "9000", repeat("中", 5000)}}),
        rows("joining_without_max_stops_at_4000",
             "select len(convert(nvarchar(3000), N'" + repeat("a", 3000) + "') + convert(nvarchar(3000), N'"
                 + repeat("b", 3000) + "')), len(convert(nvarchar(max), N'" + repeat("a", 3000) + "') + N'"
                 + repeat("b", 3000) + "')",
             {{"4000", "6000"}}),
        rows("varbinary_conversions",
             "select convert(nvarchar(10), convert(varbinary(4), N'ab')), convert(int, convert(varbinary(4), 258)),"
             " datalength(convert(varbinary(2), 'abc')), datalength(convert(varbinary(max), N'中'))",
             {{"ab", "258", "2", "2"}}),
        fails("varbinary_column_too_long",
              "create table t (b varbinary(2))\nGO\ninsert into t values (convert(varbinary(max), 'abc'))", 8152),

        // datetime arithmetic counts days
        rows("datetime_plus_and_minus_days",
             "select convert(datetime, '2024-01-31 10:00') + 1, convert(datetime, '2024-03-01') - 1.5,"
             " 2 + convert(datetime, '2024-01-01'), convert(datetime, '2024-01-01') + NULL",
             {{"2024-02-01 10:00:00.000", "2024-02-28 12:00:00.000", "2024-01-03 00:00:00.000", nullopt}}),
        rows("datetime_minus_datetime_is_days_since_1900",
             "select convert(datetime, '2024-01-03 06:00') - convert(datetime, '2024-01-01')",
             {{"1900-01-03 06:00:00.000"}}),
        fails("datetime_times_number", "select getdate() * 2", 8117,
              "Operand data type datetime is invalid for multiply operator."),
        fails("datetime_past_the_last_day", "select convert(datetime, '9999-12-31') + 1", 8115),

        // CASE, comparisons, predicates
        rows("case_null_takes_else", "select case when convert(int, NULL) < 0 then 'neg' else 'other' end",
             {{"other"}}),
        rows("case_without_else_is_null", "select case when 1 = 0 then 'x' end", {{nullopt}}),
        rows("case_simple", "select case 2 when 1 then 'one' when 2 then 'two' else 'many' end", {{"two"}}),
        fails("case_branch_types_convert", "select case when 1 = 1 then 'a' else 1 end", 245),
        rows("compare_ignores_case_blanks_width", "select 1 where 'abc' = 'ABC  ' and N'ａｂ' = 'ab'", {{"1"}}),
        rows("compare_kana_width_case_not_accents",
             "select 1 where N'ｶﾀｶﾅ' = N'かたかな' and N'ÉCOLE' = N'école' and N'école' <> N'ecole'", {{"1"}}),
        rows("order_by_pinyin",
             "create table t (s nvarchar(10))\ninsert into t values (N'中'), (N'啊'), (N'总'), ('z'), (N'八'), "
             "(N'账')\nGO\n"
             "select s from t order by s",
             {{"z"}, {"啊"}, {"八"}, {"账"}, {"中"}, {"总"}}),
        rows("compare_string_with_int", "select cTaskId from zk_tasklog where TaskState = 5", {{"T2"}}),
        rows("null_compares_unknown", "select 1 where NULL = NULL or 1 <> 1", {}),
        rows("in_list", "select 1 where 3 in (1, 2, 3) and 4 not in (1, 2)", {{"1"}}),
        rows("not_in_with_null_matches_nothing", "select 1 where 5 not in (1, NULL)", {}),
        rows("in_subquery",
             "select cTaskId from zk_task where cSub_Id in (select cSub_Id from zk_tasklog"
             " where convert(int, TaskState) < 0) order by cTaskId",
             {{"T2"}, {"T5"}}),
        rows("like_and_between",
             "select cTaskId from zk_tasklog where cStation like 'pc-0[1-2]' and"
             " dInTime between '2026-11-01' and '2026-11-01 09:59' order by 1",
             {{"T1"}, {"T2"}}),
        rows("is_null", "select cTaskId from zk_tasklog where TaskState is null", {{"T4"}}),
        rows("functions",
             "select len('ab  '), upper('ab'), lower('AB'), ltrim('  x'), rtrim('x  ') + '|', isnull(NULL, 'y')",
             {{"2", "AB", "ab", "x", "x|", "y"}}),

        // SELECT shapes
        rows("aliases", "select cTaskId as 'a', [cStation] b, c = cSub_Id from zk_tasklog where cTaskId = 'T1'",
             {{"T1", "PC-01", "GL01"}}),
        rows("top_and_order_desc", "select top 2 cTaskId from zk_tasklog order by dInTime desc", {{"T5"}, {"T4"}}),
        rows("qualified_names", "select t.cTaskId from VOZUZODI..zk_tasklog t where t.cTaskId = 'T1'", {{"T1"}}),
        rows("database_qualified", "select cTaskId from VOZUZODI.dbo.zk_task where cTaskId = 'T6'", {{"T6"}}),
        rows("keywords_any_case", "SeLeCt CTASKID FrOm ZK_TASKLOG wHeRe cTaskId = 't1'", {{"T1"}}),
        rows("datetime_precision",
             "select convert(datetime, '2026-01-01 00:00:00.999'),"
             " convert(datetime, '2026-01-01 00:00:00.995')",
             {{"2026-01-01 00:00:01.000", "2026-01-01 00:00:00.997"}}),

        rows("order_by_alias", "select cTaskId as k from zk_tasklog where cTaskId < 'T3' order by k desc",
             {{"T2"}, {"T1"}}),
        fails("order_by_position_out_of_range", "select cTaskId from zk_task order by 2", 108),
        rows("distinct", "select distinct cSub_Name from zk_tasklog where cSub_Id = 'AR01'", {{"应收款管理"}}),
        rows("correlated_subquery",
             "select cTaskId from zk_task t where cTaskId in"
             " (select cTaskId from zk_tasklog l where l.cSub_Id = t.cSub_Id) order by cTaskId",
             {{"T1"}, {"T2"}, {"T4"}, {"T5"}}),
        fails("unbound_qualifier", "select x.cTaskId from zk_task t", 4104),
        fails("star_without_table", "select *", 263),
        rows("set_options_accepted",
             "set ansi_nulls on\nset quoted_identifier, ansi_warnings on\n"
             "set transaction isolation level read committed\nset textsize 2147483647\nGO\nselect 1",
             {{"1"}}),
        fails("set_unknown_option", "set nonsense on", 195),
        rows("set_list_sets_every_option",
             "set xact_abort, nocount, implicit_transactions on\ndelete from zk_task where cTaskId = 'T1'\nGO\n"
             "select @@trancount",
             {{"1"}}),
        rows("set_list_clears_every_option",
             "set implicit_transactions on\nset nocount, implicit_transactions off\n"
             "delete from zk_task where cTaskId = 'T1'\nGO\nselect @@trancount",
             {{"0"}}),
        rows("set_off_only_options_off", "set noexec off\nset ansi_defaults, noexec off\nGO\nselect 1", {{"1"}}),
        fails("set_noexec_on", "set noexec on\nselect 1", 195, "'noexec' is not a recognized SET option."),
        fails("set_ansi_defaults_on_in_a_list", "set nocount, ANSI_Defaults on", 195,
              "'ANSI_Defaults' is not a recognized SET option."),
        fails("set_statistics_without_its_kind", "set statistics on", 195),
        refused("set_dateformat_other_than_mdy", "set dateformat dmy", "other date orders and languages refused"),
        rows("set_us_english_dates",
             "set language us_english\nset dateformat MDY\nset language 'English'\nGO\n"
             "select convert(datetime, '01/05/2006')",
             {{"2006-01-05 00:00:00.000"}}),
        rows("server_identity",
             "select @@spid, db_name(), serverproperty('Collation'), serverproperty('productversion'),"
             " serverproperty('Edition'), serverproperty('nosuch'), case when @@version like 'Microsoft SQL Server "
             "2019 (RTM) - 15.0.2000.0 (X64) %taskstore%'"
             " then 'ok' end",
             {{"51", "VOZUZODI", "Chinese_PRC_CI_AS", "15.0.2000.0", "Express Edition (64-bit)", nullopt, "ok"}}),
        fails("server_property_needs_text", "select serverproperty(1)", 8116),
        rows("lock_timeout_default_and_set", "select @@lock_timeout\nset lock_timeout 500\nGO\nselect @@LOCK_TIMEOUT",
             {{"500"}}),
        rows("lock_timeout_waits_for_ever_by_default", "select @@lock_timeout", {{"-1"}}),
        rows("implicit_transactions",
             "set implicit_transactions on\ndelete from zk_task where cTaskId = 'T1'\nGO\n"
             "select @@trancount",
             {{"1"}}),

        // Databases
        rows("cross_database",
             "create database Other\nGO\ncreate table Other..t (id int)\n"
             "insert into Other.dbo.t values (1)\nGO\nselect id from other..T",
             {{"1"}}),
        fails("create_database_twice", "create database Twice\nGO\ncreate database twice", 1801),
        fails("create_database_in_transaction", "begin tran\nGO\ncreate database Later", 226),
        fails("create_database_bad_name", "create database [a-b]", 102),

        // The tool's own statements
        rows("list_query", ts::listQuery(),
             {{"总账", "PC-01", "正常（0）", "2026-11-01 08:00:00.000", "T1"},
              {"应收款管理", "PC-02", "正常（05）", "2026-11-01 09:30:00.000", "T2"},
              {"应收款管理", "PC-02", "异常", "2026-11-01 10:00:00.123", "T3"},
              {"固定资产", "PC-03", nullopt, "2026-11-02 00:00:00.000", "T4"},
              {"库存管理", "PC-04", "异常", "2026-11-02 12:00:00.000", "T5"}}),
        fails("list_query_bad_state",
              "update zk_tasklog set TaskState = '1.5' where cTaskId = 'T5'\nGO\n" + ts::listQuery(), 245),
        rows("delete_abnormal_tasks", statement(ts::deleteAbnormalTasks) + taskIds, {{"T1"}, {"T4"}, {"T6"}}),
        rows("delete_abnormal_log", statement(ts::deleteAbnormalTaskLog) + logIds, {{"T1"}, {"T2"}, {"T4"}}),
        rows("delete_all_tasks", statement(ts::deleteAllTasks) + taskIds, {}),
        rows("delete_all_log", statement(ts::deleteAllTaskLog) + logIds, {}),
        fails("delete_abnormal_tasks_reads_every_state",
              "delete from zk_task\nupdate zk_tasklog set TaskState = 'x' where cTaskId = 'T1'\nGO\n"
                  + statement(ts::deleteAbnormalTasks),
              245),
        fails("delete_abnormal_with_bad_state",
              "update zk_tasklog set TaskState = 'abc' where cTaskId = 'T1'\nGO\n"
                  + statement(ts::deleteAbnormalTaskLog),
              245),

        // Errors by name and syntax
        fails("unknown_column", "select nosuch from zk_task", 207, "Invalid column name 'nosuch'."),
        fails("unknown_table", "select * from nosuch", 208, "Invalid object name 'nosuch'."),
        fails("unknown_database", "use nosuch", 911),
        fails("syntax_keyword", "select * from", 156, "Incorrect syntax near the keyword 'from'."),
        fails("syntax_token", "select 1 +", 102, "Incorrect syntax near '+'."),
        fails("syntax_unknown_statement", "selec 1", 102, "Incorrect syntax near 'selec'."),
        fails("syntax_stops_whole_batch", "delete from zk_task\nselect 1 1 1", 102),
        fails("unclosed_quote", "select 'abc", 105),
        fails("unsupported_function", "select sum(iProgress) from zk_task", 195),
        rows("count", "select count(*), count(cSub_Id) from zk_task where cTaskId <> 'T1'", {{"4", "3"}}),
        fails("count_with_bare_column", "select cTaskId, count(*) from zk_task", 8120),
        fails("count_with_star", "select *, count(*) from zk_task", 8120),
        fails("count_in_where", "select cTaskId from zk_task where count(*) > 1", 147),
        fails("condition_required", "select 1 where 1", 4145),
        // A condition where a value belongs: SQL Server stops at the first word that makes it one.
        fails("in_list_as_a_value", "select 1 in (1, 2)", 156, "Incorrect syntax near the keyword 'IN'."),
        fails("not_between_as_a_value", "select 1 not between 0 and 2", 156,
              "Incorrect syntax near the keyword 'NOT'."),
        fails("is_null_as_a_value", "select cTaskId, cSub_Id is null from zk_task", 156,
              "Incorrect syntax near the keyword 'IS'."),
        fails("conditions_as_a_value", "select 1 = 1 and 2 = 2", 102, "Incorrect syntax near '='."),
        fails("like_of_a_condition", "select 1 where (1 = 1) like '1'", 156,
              "Incorrect syntax near the keyword 'LIKE'."),
        fails("negative_length", "select convert(varchar(-1), 'abc')", 102, "Incorrect syntax near '-'."),
        rows("max_length", "select convert(varchar(max), 'abc'), cast(N'abc' as nvarchar(2))", {{"abc", "ab"}}),
        fails("nested_too_deeply", "select " + std::string(100000, '(') + "1" + std::string(100000, ')'), 191),
        fails("negated_too_deeply", "select 1 where " + repeat("not ", 300) + "1 = 1", 191),
        fails("minus_too_deeply", "select " + repeat("- ", 300) + "1", 191),
        // Operator chains are parsed in loops; their trees are bounded all the same.
        rows("or_chain_within_limit", "select 1 where 1 = 0" + repeat(" or 1 = 0", 250) + " or 1 = 1", {{"1"}}),
        rows("and_or_chain_within_limit",
             "select 1 where 1 = 1" + repeat(" and 1 = 1", 120) + " and (1 = 0" + repeat(" or 1 = 0", 120)
                 + " or 1 = 1)",
             {{"1"}}),
        // A chain of arithmetic is one call in the translation, whatever its length, with each
        // step in its own type: int until the float, then float.
        rows("sum_chain_within_limit", "select 1" + repeat("+1", 250), {{"251"}}),
        rows("mixed_chain_keeps_each_steps_type", "select 7 / 2" + repeat(" + 1", 100) + " + 0.5e0 * 2 - 7 % 4",
             {{"101"}}),
        fails("int_chain_overflows_as_int", "select 2147483647" + repeat(" - 1", 50) + repeat(" + 1", 51), 8115),
        fails("sum_chain_too_long", "select 1" + repeat("+1", 10000), 191,
              "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into smaller "
              "queries."),
        fails("text_chain_too_long", "select 'x'" + repeat("+'x'", 10000), 191),
        fails("or_chain_too_long", "select 1 where 1 = 0" + repeat(" or 1 = 0", 20000), 191),
        fails("and_chain_too_long", "select 1 where 1 = 1" + repeat(" and 1 = 1", 20000), 191),
        fails("comparison_of_chains_too_deep", "select 1 where 1" + repeat("*1", 200) + " = 1" + repeat("*1", 300),
              191),
        fails("case_nested_too_deeply", "select " + repeat("case when 1 = 1 then ", 300) + "1" + repeat(" end", 300),
              191),
        fails("functions_nested_too_deeply", "select " + repeat("len(", 300) + "'a'" + repeat(")", 300), 191),
        fails("subqueries_nested_too_deeply",
              "select 1 where 1 in (" + repeat("select 1 where 1 in (", 300) + "1" + repeat(")", 301), 191),
        fails("too_many_tokens", "select 1" + repeat(",1", 130000), 701),
        // Nesting writes a CASE operand once per WHEN and a BETWEEN value twice at every level; the
        // growth is refused long before memory runs out.
        rows("case_operand_nested", "select " + nested("case x when 1 then 2 when 2 then 3 when 3 then 1 end", 2),
             {{"3"}}),
        fails("case_operand_nested_too_often",
              "select " + nested("case x when 1 then 1 when 2 then 2 when 3 then 3 when 4 then 4 end", 12), 8623,
              "The query processor ran out of internal resources and could not produce a query plan. This is a "
              "rare event and only expected for extremely complex queries or queries that reference a very large "
              "number of tables or partitions. Please simplify the query. If you believe you have received this "
              "message in error, contact Customer Support Services for more information."),
        rows("between_nested", "select " + nested("case when x between 1 and 2 then x + 1 else 0 end", 2), {{"3"}}),
        fails("between_nested_too_often",
              "select 1 where " + nested("case when x between 1 and 2 then 1 end", 40) + " = 1", 8623),
        fails("order_by_repeating_an_item_too_often",
              "select '" + std::string(1000000, 'a') + "' as a order by a" + repeat(", a", 20), 8623),
        rows("long_in_list_is_flat",
             "select count(*) from zk_task where cTaskId in ('T1'" + repeat(", 'x'", 20000) + ")", {{"1"}}),
        rows("like_many_percents", "select count(*) from zk_task where cTaskId like '" + repeat("%T", 2000) + "%'",
             {{"0"}}),
        rows("like_backtracking_pattern",
             "select case when '" + std::string(60, 'a') + "' like '" + repeat("%a", 14) + "%b' then 1 else 0 end",
             {{"0"}}),

        // Transactions
        rows("trancount_nesting", "begin tran\nbegin transaction t1\nGO\nselect @@TRANCOUNT", {{"2"}}),
        rows("commit_inner_keeps_outer", "begin tran\nbegin tran\ncommit\nGO\nselect @@trancount", {{"1"}}),
        rows("rollback_to_zero",
             "begin tran\nbegin tran\ndelete from zk_task\nrollback\nGO\nselect @@trancount" + taskIds,
             {{"T1"}, {"T2"}, {"T4"}, {"T5"}, {"T6"}}),
        fails("commit_without_begin", "commit transaction", 3902,
              "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."),
        fails("rollback_without_begin", "rollback", 3903),
        // What drivers send to end a transaction only when one is open.
        rows("if_trancount_commit",
             "begin tran\ndelete from zk_task where cTaskId = 'T1'\n"
             "IF @@TRANCOUNT > 0 COMMIT TRAN\nIF @@TRANCOUNT > 0 ROLLBACK TRAN\nGO\nselect @@trancount"
                 + taskIds,
             {{"T2"}, {"T4"}, {"T5"}, {"T6"}}),
        rows("if_trancount_rollback_then_begin",
             "begin tran\ndelete from zk_task\n"
             "IF @@TRANCOUNT > 0 ROLLBACK BEGIN TRANSACTION\nGO\nselect @@trancount",
             {{"1"}}),
        rows("if_false_runs_nothing",
             "IF @@TRANCOUNT > 0 ROLLBACK\nIF 1 = 0 delete from zk_task\nGO\nselect count(*) from zk_task", {{"5"}}),
        fails("if_needs_a_condition", "IF 1 COMMIT", 4145),
        rows("rowcount", "delete from zk_task where cTaskId in ('T1', 'T2')\nGO\nselect @@ROWCOUNT", {{"2"}}),

        // Tables
        rows("create_insert_select",
             "create table t (id int primary key, name nvarchar(10) not null, amount float, flag bit, at datetime)\n"
             "insert into t values (1, N'一', 1.25, 1, '2026-01-01'), (2, 'b', NULL, 0, NULL)\n"
             "update t set name = name + '!' where id = 2\nGO\n"
             "select id, name, amount, flag, at from t order by id",
             {{"1", "一", "1.25", "1", "2026-01-01 00:00:00.000"}, {"2", "b!", nullopt, "0", nullopt}}),
        fails("insert_converts_to_column_type", "create table t (id int)\nGO\ninsert into t values ('x')", 245),
        fails("insert_too_long", "create table t (s varchar(2))\nGO\ninsert into t values ('abc')", 8152),
        fails("insert_null_into_not_null", "create table t (id int not null)\nGO\ninsert into t (id) values (NULL)",
              515,
              "Cannot insert the value NULL into column 'id', table 'VOZUZODI.dbo.t'; column does not allow nulls. "
              "INSERT fails."),
        fails("update_null_into_not_null",
              "create table T (id int, Name nvarchar(5) not null)\ninsert into T values (1, 'a')\nGO\n"
              "update t set name = NULL",
              515,
              "Cannot insert the value NULL into column 'Name', table 'VOZUZODI.dbo.T'; column does not allow nulls. "
              "UPDATE fails."),
        fails("duplicate_key", "create table t (id int primary key)\nGO\ninsert into t values (1), (2), (2)", 2627,
              "Violation of PRIMARY KEY constraint 'PK__t__AF63E94C860202A3'. Cannot insert duplicate key in object "
              "'dbo.t'. The duplicate key value is (2)."),
        fails("duplicate_key_names_a_long_table_cut_to_8_characters",
              "create table TasksToClear (id int primary key)\ninsert into TasksToClear values (7)\nGO\n"
              "insert into taskstoclear values (7)",
              2627,
              "Violation of PRIMARY KEY constraint 'PK__TasksToC__F55B7CCEC06C1DD1'. Cannot insert duplicate key in "
              "object "
              "'dbo.TasksToClear'. The duplicate key value is (7)."),
        fails("duplicate_text_key_under_the_collation",
              "create table t (k nvarchar(5) primary key)\ninsert into t values (N'ab')\nGO\n"
              "insert into t values (N'x'), (N'AB ')",
              2627,
              "Violation of PRIMARY KEY constraint 'PK__t__AF63E94C860202A3'. Cannot insert duplicate key in object "
              "'dbo.t'. The duplicate key value is (AB )."),
        fails("update_to_duplicate_key_quotes_the_whole_key",
              "create table t (a int, b int, primary key (a, b))\ninsert into t values (1, 1), (1, 2)\nGO\n"
              "update t set b = 1 where b = 2",
              2627,
              "Violation of PRIMARY KEY constraint 'PK__t__AF63E94C860202A3'. Cannot insert duplicate key in object "
              "'dbo.t'. The duplicate key value is (1, 1)."),
        rows("update_keeps_a_key_it_does_not_duplicate",
             "create table t (id int primary key, n int)\ninsert into t values (1, 1), (2, 2)\n"
             "update t set id = 3, n = 5 where id = 2\nGO\nselect id, n from t order by id",
             {{"1", "1"}, {"3", "5"}}),
        rows("temporary_table_in_its_session",
             "create table #t (a int)\ninsert into #t values (7)\nuse master\nGO\nselect a from #t", {{"7"}}),
        fails("null_into_temporary_table", "create table #t (a int not null)\nGO\ninsert into #t values (NULL)", 515,
              "Cannot insert the value NULL into column 'a', table 'tempdb.dbo.#t'; column does not allow nulls. "
              "INSERT fails."),
        refused("global_temporary_table_refused", "create table ##t (a int)",
                "Global temporary tables (`##name`) are refused"),
        fails("two_temporary_tables_of_one_name_in_a_batch",
              "select 1\ncreate table #t (a int)\ncreate table #T (b int)", 2714,
              "There is already an object named '#T' in the database."),
        fails("create_existing_table", "create table zk_task (id int)", 2714),
        fails("drop_missing_table", "drop table nosuch", 3701),
        rows("drop_table", "create table t (id int)\ndrop table t\ncreate table t (id int)\nGO\nselect id from t", {}),
        fails("unknown_type", "create table t (id money)", 2715),
        rows("identity_numbers_rows",
             "create table t (id int identity(1,1) primary key, name varchar(10))\n"
             "insert into t (name) values ('a'), ('b')\ndelete from t where id = 2\ninsert into t values ('c')\nGO\n"
             "select id, name from t order by id",
             {{"1", "a"}, {"3", "c"}}),
        fails("identity_explicit_value",
              "create table t (id int identity, name varchar(10))\nGO\n"
              "insert into t (id, name) values (5, 'x')",
              544),
        fails("identity_update", "create table t (id int identity, name varchar(10))\nGO\nupdate t set id = 5", 8102),
    };
}

}  // namespace tsqltest
