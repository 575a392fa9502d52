#pragma once
// Exact decimal/numeric arithmetic as SQL Server does it: the precision and scale of a literal and
// of the result of + - * / %, and the operations themselves on values of up to 38 digits, with
// intermediate results of up to 77 digits.
#include "taskstore/engine/ExactValues.h"

#include <optional>
#include <string>
#include <string_view>

namespace taskstore::sql {

struct DecimalType {
    int precision = 18;
    int scale = 0;
};

inline constexpr int maxDecimalPrecision = 38;

// A literal's type: its digits (leading zeros not counted) and those after the point. nullopt
// beyond 38 digits.
std::optional<DecimalType> literalDecimalType(std::string_view literal);

// The type of `a op b` by the rules of "Precision, scale, and length": + - keep the integral
// digits when the result would pass 38, * and / keep at least six decimals.
DecimalType decimalResultType(char op, DecimalType a, DecimalType b);

// `a op b` at `result`'s scale: + - * round half away from zero, / truncates, as SQL Server does.
// Throws SqlError 8115 when the value needs more than result.precision digits, 8134 on a zero divisor.
DecimalValue decimalArithmetic(char op, const DecimalValue& a, const DecimalValue& b, DecimalType result);

int compareDecimals(const DecimalValue& a, const DecimalValue& b);

// Text that sorts byte by byte as the values do.
std::string decimalSortKey(const DecimalValue& value);

}  // namespace taskstore::sql
