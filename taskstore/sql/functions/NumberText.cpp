#include "taskstore/sql/functions/NumberText.h"

#include "taskstore/sql/errors/SqlErrors.h"

#include <cstdio>

namespace taskstore::sql {
namespace {

// printf writes at least two exponent digits, SQL Server three: 1.9e+06 is 1.9e+006.
std::string withThreeDigitExponent(std::string text)
{
    const std::size_t e = text.find('e');
    if (e == std::string::npos)
        return text;
    const std::size_t digits = e + 2;  // after the sign
    const std::size_t count = text.size() - digits;
    if (count < 3)
        text.insert(digits, 3 - count, '0');
    return text;
}

std::string withThousandsSeparators(const std::string& text)
{
    const std::size_t start = text.front() == '-' ? 1 : 0;
    const std::size_t point = text.find('.');
    const std::size_t end = point == std::string::npos ? text.size() : point;
    std::string result = text.substr(0, start);
    for (std::size_t i = start; i < end; ++i) {
        if (i > start && (end - i) % 3 == 0)
            result += ',';
        result += text[i];
    }
    return result + text.substr(end);
}

}  // namespace

std::string floatText(double value, int style)
{
    const char* format = nullptr;
    switch (style) {
    case 0: format = "%.6g"; break;   // at most six digits, scientific when the exponent needs it
    case 1: format = "%.7e"; break;   // always eight digits, scientific
    case 2: format = "%.15e"; break;  // always sixteen digits, scientific
    default: throw makeError<ErrorId::StyleUnsupported>(style, "float");
    }
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return withThreeDigitExponent(text);
}

std::string moneyText(const DecimalValue& value, int style)
{
    switch (style) {
    case 0: return formatDecimal(rescaleDecimal(value, 2).value_or(value));
    case 1: return withThousandsSeparators(formatDecimal(rescaleDecimal(value, 2).value_or(value)));
    case 2:
    case 126: return formatDecimal(rescaleDecimal(value, 4).value_or(value));
    default: throw makeError<ErrorId::StyleUnsupported>(style, "money");
    }
}

std::string numberThatDoesNotFit(NumberSource source, store::ColumnType target, double value)
{
    switch (source) {
    case NumberSource::Float: {
        char shown[64];
        std::snprintf(shown, sizeof shown, "%f", value);
        throw makeError<ErrorId::FloatTextOverflow>(target.name(), shown);
    }
    case NumberSource::Decimal: throw makeError<ErrorId::NumericTextOverflow>("numeric", target.name());
    case NumberSource::Money: throw makeError<ErrorId::ArithmeticOverflow>("expression", target.name());
    case NumberSource::Integer: break;
    }
    if (target.isUnicode())
        throw makeError<ErrorId::ArithmeticOverflow>("expression", target.name());
    return "*";
}

}  // namespace taskstore::sql
