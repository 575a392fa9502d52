#pragma once
// RPC request bytes for the tests: a call by procedure id and an NTEXT parameter.
#include "Bytes.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tdstest {

inline std::vector<std::uint8_t> ntext(std::string_view ascii)
{
    const auto text = ucs2(ascii);
    const auto n = static_cast<std::uint8_t>(text.size());
    return concat({hex("00 00 63"), {n, 0, 0, 0}, hex("09 04 D0 00 34"), {n, 0, 0, 0}, text});
}

// A call by id with ALL_HEADERS when the version has them.
inline std::vector<std::uint8_t> call(std::uint8_t procId, std::vector<std::uint8_t> parameters, bool allHeaders = true)
{
    return concat({allHeaders ? noTransactionHeaders : std::vector<std::uint8_t>{},
                   {0xFF, 0xFF, procId, 0, 0, 0},
                   std::move(parameters)});
}

inline const std::vector<std::uint8_t> unnamedNullHandle = hex("00 01 26 04 00");

}  // namespace tdstest
