#pragma once
// Numbers as CONVERT writes them into character strings: float in its styles 0, 1 and 2 with
// three-digit exponents, money in its styles 0, 1 and 2, and what happens when the text does not
// fit the target's length (`*`, or an error, by the source type).
#include "taskstore/engine/ExactValues.h"
#include "taskstore/store/ColumnType.h"

#include <cstdint>
#include <string>

namespace taskstore::sql {

// Throws SqlError 50000 for a style taskstore does not write.
std::string floatText(double value, int style);
// money: style 0 two decimals, 1 with thousands separators, 2 (and 126) four decimals.
std::string moneyText(const DecimalValue& value, int style);

// Which rule a number's text follows when it does not fit its target.
enum class NumberSource { Integer, Float, Decimal, Money };

// Throws SqlError when SQL Server refuses text that does not fit: 232 for float, 8115 for
// decimal, money and integers into nchar or nvarchar; integers into char or varchar become `*`.
// `value` is the float shown in 232's text.
std::string numberThatDoesNotFit(NumberSource source, store::ColumnType target, double value);

}  // namespace taskstore::sql
