#pragma once
// The operators of the expression tree and how SQL writes them.
#include <string_view>

namespace taskstore::sql {

enum class ArithmeticOperator { Add, Subtract, Multiply, Divide, Modulo };

// Written !=, !< and !> are kept as NotEqual, GreaterOrEqual and LessOrEqual.
enum class Comparison { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };

constexpr std::string_view symbolOf(ArithmeticOperator op)
{
    switch (op) {
    case ArithmeticOperator::Add: return "+";
    case ArithmeticOperator::Subtract: return "-";
    case ArithmeticOperator::Multiply: return "*";
    case ArithmeticOperator::Divide: return "/";
    case ArithmeticOperator::Modulo: return "%";
    }
    return "%";
}

constexpr std::string_view symbolOf(Comparison comparison)
{
    switch (comparison) {
    case Comparison::Equal: return "=";
    case Comparison::NotEqual: return "<>";
    case Comparison::Less: return "<";
    case Comparison::LessOrEqual: return "<=";
    case Comparison::Greater: return ">";
    case Comparison::GreaterOrEqual: return ">=";
    }
    return "=";
}

}  // namespace taskstore::sql
