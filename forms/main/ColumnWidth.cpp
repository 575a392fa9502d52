#include "forms/main/ColumnWidth.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/RuntimeError.h"

namespace forms {

namespace {
[[noreturn]] void overflow() { throw runtime::RuntimeError(runtime::ErrorNumber::Overflow, "Overflow"); }
}  // namespace

int taskColumnWidth(double gridWidthTwips)
{
    // Narrowing an out-of-range double to float is undefined, so the range is checked first;
    // NaN and infinities fail the same way as a value too large for single precision.
    if (!std::isfinite(gridWidthTwips) || std::fabs(gridWidthTwips) > std::numeric_limits<float>::max())
        overflow();
    const float width = static_cast<float>(gridWidthTwips);
    const float column = width / 5.0F - 11.0F;
    // nearbyint rounds in the current mode, which is to nearest with ties to even.
    const float rounded = std::nearbyint(column);
    if (rounded < static_cast<float>(std::numeric_limits<std::int32_t>::min())
        || rounded >= -static_cast<float>(std::numeric_limits<std::int32_t>::min()))
        overflow();
    return static_cast<int>(rounded);
}

}  // namespace forms
