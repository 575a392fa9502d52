// Text read as a datetime: the forms SQL Server accepts, and the errors for the rest.
#include "ErrorOf.h"

#include "taskstore/engine/Engine.h"
#include "taskstore/sql/functions/DateTimeText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tsqltest {
namespace {

using taskstore::SqlError;
using taskstore::sql::textToDateTime;

TEST(DateTimeText, AcceptedFormsAndRefusals)
{
    const std::vector<std::pair<std::string, std::string>> accepted = {
        {"2026-03-04", "2026-03-04 00:00:00.000"},
        {" 2026-3-4 5:06 ", "2026-03-04 05:06:00.000"},
        {"2026-03-04T05:06:07.8", "2026-03-04 05:06:07.800"},
        {"20260304 05:06:07.123", "2026-03-04 05:06:07.123"},
        {"260304", "2026-03-04 00:00:00.000"},
        {"2026", "2026-01-01 00:00:00.000"},
        {"2026/03/04", "2026-03-04 00:00:00.000"},
        {"2026.03.04", "2026-03-04 00:00:00.000"},
        {"03/04/2026", "2026-03-04 00:00:00.000"},
        {"3.4.26", "2026-03-04 00:00:00.000"},
        {"06-01-05", "2005-06-01 00:00:00.000"},  // month-day-year under us_english
        {"03-04-49", "2049-03-04 00:00:00.000"},  // two-digit years end at 2049
        {"03-04-50", "1950-03-04 00:00:00.000"},
        {"", "1900-01-01 00:00:00.000"},
        {"   ", "1900-01-01 00:00:00.000"},
        {"Jan  5 2006 10:20AM", "2006-01-05 10:20:00.000"},  // style 0, as CONVERT writes it
        {"Dec 31 2006 12:05PM", "2006-12-31 12:05:00.000"},
        {"january 5, 2006", "2006-01-05 00:00:00.000"},
        {"5 Jan 2006", "2006-01-05 00:00:00.000"},
        {"05-JAN-2006", "2006-01-05 00:00:00.000"},
        {"2006 Jan 5", "2006-01-05 00:00:00.000"},
        {"Jan 5 06", "2006-01-05 00:00:00.000"},
        {"April 2006", "2006-04-01 00:00:00.000"},
        {"2024-02-29 11:59:59.999", "2024-02-29 12:00:00.000"},
        {"2026-03-04 1:02 PM", "2026-03-04 13:02:00.000"},
        {"2026-03-04 12:30am", "2026-03-04 00:30:00.000"},
        {"4pm", "1900-01-01 16:00:00.000"},
        {"10:11:12", "1900-01-01 10:11:12.000"},
        {"10:20:30:123", "1900-01-01 10:20:30.123"},  // after a colon: thousandths
        {"10:20:30:1", "1900-01-01 10:20:30.000"},
        {"10:20:30.1", "1900-01-01 10:20:30.100"},  // after a period: a decimal fraction
        {"9999-12-31 23:59:59.997", "9999-12-31 23:59:59.997"},
        {"9999-12-31 23:59:59.998", "9999-12-31 23:59:59.997"},
        {"1753-01-01", "1753-01-01 00:00:00.000"},
    };
    for (const auto& [text, stored] : accepted) {
        EXPECT_EQ(textToDateTime(text, "varchar"), stored) << text;
    }
    // Dates and times that exist in no calendar or lie outside datetime's range: 242.
    for (const std::string text : {"2026-02-29", "1900-02-29", "1752-12-31", "2026-13-01", "2026-00-10", "02/30/2026",
                                   "2026-01-01 24:00", "2026-01-01 10:60", "9999-12-31 23:59:59.999", "Feb 30 2026"}) {
        EXPECT_EQ(errorOf([&] { textToDateTime(text, "varchar"); }), 242) << text;
    }
    // Text that is no date at all: 241.
    for (const std::string text : {"2026-01-01x", "abc", "2026-01-01 10:00:00.1234", "2026-01/01", "20260",
                                   "2026-01-01 10", "13:00 PM", "Jan Feb 2006", "10:", "2026-01-01T", "12345-01-01"}) {
        EXPECT_EQ(errorOf([&] { textToDateTime(text, "varchar"); }), 241) << text;
    }
    try {
        textToDateTime("1752-12-31", "nvarchar");
        ADD_FAILURE() << "no error";
    } catch (const SqlError& error) {
        EXPECT_EQ(error.message,
                  "The conversion of a nvarchar data type to a datetime data type resulted in an out-of-range value.");
    }
}

}  // namespace
}  // namespace tsqltest
