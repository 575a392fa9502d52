#pragma once
// TDS's data type codes and the markers of partly length-prefixed (PLP) values, as both the
// result encoder and the RPC decoder read and write them.
#include <cstdint>

namespace taskstore::tds {

enum WireType : std::uint8_t {
    Image = 0x22,
    Text = 0x23,
    GuidN = 0x24,
    IntN = 0x26,
    DateN = 0x28,
    TimeN = 0x29,
    DateTime2N = 0x2A,
    DateTimeOffsetN = 0x2B,
    Int1 = 0x30,
    Bit = 0x32,
    Int2 = 0x34,
    Int4 = 0x38,
    DateTim4 = 0x3A,
    Flt4 = 0x3B,
    Money = 0x3C,
    DateTime = 0x3D,
    Flt8 = 0x3E,
    Variant = 0x62,
    NText = 0x63,
    BitN = 0x68,
    DecimalN = 0x6A,
    NumericN = 0x6C,
    FltN = 0x6D,
    MoneyN = 0x6E,
    DateTimN = 0x6F,
    SmallMoney = 0x7A,
    Int8 = 0x7F,
    BigVarBinary = 0xA5,
    BigVarChar = 0xA7,
    BigBinary = 0xAD,
    BigChar = 0xAF,
    NVarChar = 0xE7,
    NChar = 0xEF,
};

// A (max) type's length in its type info, and a PLP value's total length when it is NULL.
constexpr std::uint16_t plpMarker = 0xFFFF;
constexpr std::uint64_t plpNull = ~std::uint64_t{0};

}  // namespace taskstore::tds
