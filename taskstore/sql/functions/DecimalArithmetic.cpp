#include "taskstore/sql/functions/DecimalArithmetic.h"

#include "taskstore/sql/errors/SqlErrors.h"

#include <algorithm>
#include <cstdint>

namespace taskstore::sql {
namespace {

// An unsigned 256-bit integer: enough for a product of two 38-digit numbers, or a 38-digit number
// scaled by 10^38.
struct Wide {
    Uint128 high = 0;
    Uint128 low = 0;

    bool operator==(const Wide&) const = default;
    bool isZero() const { return high == 0 && low == 0; }
    bool bit(int i) const { return ((i >= 128 ? high >> (i - 128) : low >> i) & 1) != 0; }
};

bool less(const Wide& a, const Wide& b) { return a.high != b.high ? a.high < b.high : a.low < b.low; }

Wide add(const Wide& a, const Wide& b)
{
    Wide sum{a.high + b.high, a.low + b.low};
    if (sum.low < a.low)
        ++sum.high;
    return sum;
}

Wide subtract(const Wide& a, const Wide& b)  // a >= b
{
    Wide difference{a.high - b.high, a.low - b.low};
    if (a.low < b.low)
        --difference.high;
    return difference;
}

Wide shiftedLeft(const Wide& a) { return {a.high << 1 | a.low >> 127, a.low << 1}; }

Wide multiply(Uint128 a, Uint128 b)
{
    const std::uint64_t a0 = static_cast<std::uint64_t>(a), a1 = static_cast<std::uint64_t>(a >> 64);
    const std::uint64_t b0 = static_cast<std::uint64_t>(b), b1 = static_cast<std::uint64_t>(b >> 64);
    const Uint128 p00 = static_cast<Uint128>(a0) * b0, p01 = static_cast<Uint128>(a0) * b1;
    const Uint128 p10 = static_cast<Uint128>(a1) * b0, p11 = static_cast<Uint128>(a1) * b1;
    Wide result{p11, p00};
    result = add(result, Wide{p01 >> 64, p01 << 64});
    return add(result, Wide{p10 >> 64, p10 << 64});
}

// a * 10^n; nullopt past 256 bits.
std::optional<Wide> timesPowerOfTen(Wide a, int n)
{
    for (int i = 0; i < n; ++i) {
        const Wide twice = shiftedLeft(a);
        const Wide eightTimes = shiftedLeft(shiftedLeft(twice));
        if (a.high >> 124 != 0)
            return std::nullopt;
        a = add(twice, eightTimes);
    }
    return a;
}

struct Division {
    Wide quotient;
    Wide remainder;
};

// Long division a bit at a time; the divisor is not zero.
Division divide(const Wide& a, const Wide& divisor)
{
    Division result;
    for (int i = 255; i >= 0; --i) {
        const bool carry = result.remainder.high >> 127 != 0;
        result.remainder = shiftedLeft(result.remainder);
        if (a.bit(i))
            result.remainder.low |= 1;
        result.quotient = shiftedLeft(result.quotient);
        if (carry || !less(result.remainder, divisor)) {
            result.remainder = subtract(result.remainder, divisor);
            result.quotient.low |= 1;
        }
    }
    return result;
}

Wide powerOfTen(int n) { return *timesPowerOfTen(Wide{0, 1}, n); }

// A signed value at a scale, its magnitude up to 256 bits.
struct WideDecimal {
    bool negative = false;
    Wide magnitude;
    int scale = 0;
};

WideDecimal widen(const DecimalValue& value) { return {value.negative, Wide{0, value.magnitude}, value.scale}; }

Wide aligned(const WideDecimal& value, int scale)
{
    const auto scaled = timesPowerOfTen(value.magnitude, scale - value.scale);
    return *scaled;  // scales stay within 77 digits: 38 digits at most 38 places up
}

SqlError overflow() { return makeError<ErrorId::ArithmeticOverflow>("expression", "numeric"); }

// To `result`'s scale, rounding half away from zero or truncating, then checked against its precision.
DecimalValue narrowed(WideDecimal value, DecimalType result, bool truncate)
{
    if (value.scale > result.scale) {
        const Division parts = divide(value.magnitude, powerOfTen(value.scale - result.scale));
        value.magnitude = parts.quotient;
        const Wide doubled = shiftedLeft(parts.remainder);
        if (!truncate && !less(doubled, powerOfTen(value.scale - result.scale)))
            value.magnitude = add(value.magnitude, Wide{0, 1});
        value.scale = result.scale;
    } else if (value.scale < result.scale) {
        const auto scaled = timesPowerOfTen(value.magnitude, result.scale - value.scale);
        if (!scaled)
            throw overflow();
        value.magnitude = *scaled;
        value.scale = result.scale;
    }
    if (value.magnitude.high != 0 || !less(value.magnitude, powerOfTen(result.precision)))
        throw overflow();
    return {value.negative && !value.magnitude.isZero(), value.magnitude.low, static_cast<std::uint8_t>(value.scale)};
}

WideDecimal sum(const WideDecimal& a, const WideDecimal& b, bool subtractB)
{
    const int scale = std::max(a.scale, b.scale);
    const Wide x = aligned(a, scale), y = aligned(b, scale);
    const bool bNegative = subtractB ? !b.negative : b.negative;
    if (a.negative == bNegative)
        return {a.negative, add(x, y), scale};
    if (less(x, y))
        return {bNegative, subtract(y, x), scale};
    return {a.negative, subtract(x, y), scale};
}

}  // namespace

std::optional<DecimalType> literalDecimalType(std::string_view literal)
{
    const std::size_t point = literal.find('.');
    const std::string_view whole = literal.substr(0, point);
    const int scale = point == std::string_view::npos ? 0 : static_cast<int>(literal.size() - point - 1);
    const std::size_t firstDigit = whole.find_first_not_of('0');
    const int integral = firstDigit == std::string_view::npos ? 0 : static_cast<int>(whole.size() - firstDigit);
    const int precision = std::max(integral + scale, 1);
    if (precision > maxDecimalPrecision)
        return std::nullopt;
    return DecimalType{precision, scale};
}

DecimalType decimalResultType(char op, DecimalType a, DecimalType b)
{
    const int p1 = a.precision, s1 = a.scale, p2 = b.precision, s2 = b.scale;
    int precision = 0, scale = 0;
    switch (op) {
    case '+':
    case '-': {
        scale = std::max(s1, s2);
        const int integral = std::max(p1 - s1, p2 - s2);
        precision = scale + integral + 1;
        if (precision > maxDecimalPrecision)
            scale = std::max(maxDecimalPrecision - integral, 0);
        return {std::min(precision, maxDecimalPrecision), std::min(scale, maxDecimalPrecision)};
    }
    case '%':
        scale = std::max(s1, s2);
        precision = std::min(p1 - s1, p2 - s2) + scale;
        return {std::min(std::max(precision, 1), maxDecimalPrecision), scale};
    case '*':
        precision = p1 + p2 + 1;
        scale = s1 + s2;
        break;
    default:  // '/'
        scale = std::max(6, s1 + p2 + 1);
        precision = p1 - s1 + s2 + scale;
        break;
    }
    if (precision > maxDecimalPrecision) {
        // Keep the integral digits, but never fewer than six decimals (or the scale, if smaller).
        scale = std::max(maxDecimalPrecision - (precision - scale), std::min(scale, 6));
        precision = maxDecimalPrecision;
    }
    return {precision, scale};
}

DecimalValue decimalArithmetic(char op, const DecimalValue& a, const DecimalValue& b, DecimalType result)
{
    const WideDecimal x = widen(a), y = widen(b);
    switch (op) {
    case '+': return narrowed(sum(x, y, false), result, false);
    case '-': return narrowed(sum(x, y, true), result, false);
    case '*':
        return narrowed({a.negative != b.negative, multiply(a.magnitude, b.magnitude), a.scale + b.scale}, result,
                        false);
    default: break;
    }
    if (b.magnitude == 0)
        throw makeError<ErrorId::DivideByZero>();
    if (op == '%') {
        const int scale = std::max(x.scale, y.scale);
        const Division parts = divide(aligned(x, scale), aligned(y, scale));
        return narrowed({a.negative, parts.remainder, scale}, result, false);
    }
    // a / b at the result's scale: a * 10^(scale + b's scale - a's scale) / b, shifting the
    // divisor instead when that power is negative.
    const int shift = result.scale + y.scale - x.scale;
    const std::optional<Wide> scaled = shift >= 0 ? timesPowerOfTen(x.magnitude, shift) : x.magnitude;
    if (!scaled)  // past 256 bits over a divisor below 2^128: far more than 38 digits
        throw overflow();
    const Wide dividend = *scaled;
    const Wide divisor = shift >= 0 ? y.magnitude : *timesPowerOfTen(y.magnitude, -shift);
    return narrowed({a.negative != b.negative, divide(dividend, divisor).quotient, result.scale}, result, true);
}

int compareDecimals(const DecimalValue& a, const DecimalValue& b)
{
    const WideDecimal difference = sum(widen(a), widen(b), true);
    if (difference.magnitude.isZero())
        return 0;
    return difference.negative ? -1 : 1;
}

std::string decimalSortKey(const DecimalValue& value)
{
    // Sign first ('0' negative, '1' zero or positive), then the digits at scale 38 over 77 places,
    // complemented when negative so that a larger magnitude sorts first.
    const Wide scaled = aligned(widen(value), maxDecimalPrecision);
    std::string digits(77, '0');
    Wide rest = scaled;
    for (std::size_t i = digits.size(); i-- > 0 && !rest.isZero();) {
        const Division parts = divide(rest, Wide{0, 10});
        digits[i] = static_cast<char>('0' + static_cast<int>(parts.remainder.low));
        rest = parts.quotient;
    }
    const bool negative = value.negative && value.magnitude != 0;
    if (negative)
        for (char& c : digits)
            c = static_cast<char>('9' - (c - '0'));
    return (negative ? "0" : "1") + digits;
}

}  // namespace taskstore::sql
