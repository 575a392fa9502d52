#include "taskstore/tds/ByteWriter.h"

#include <algorithm>
#include <bit>

#include "taskstore/tds/Utf16.h"

namespace taskstore::tds {

void ByteWriter::u16le(std::uint16_t v)
{
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::u16be(std::uint16_t v)
{
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    out_.push_back(static_cast<std::uint8_t>(v));
}

void ByteWriter::u32le(std::uint32_t v)
{
    for (int i = 0; i < 4; ++i, v >>= 8)
        out_.push_back(static_cast<std::uint8_t>(v));
}

void ByteWriter::u64le(std::uint64_t v)
{
    for (int i = 0; i < 8; ++i, v >>= 8)
        out_.push_back(static_cast<std::uint8_t>(v));
}

void ByteWriter::patchLe(std::size_t at, std::uint64_t value, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i, value >>= 8)
        out_[at + i] = static_cast<std::uint8_t>(value);
}

void ByteWriter::f64le(double v) { u64le(std::bit_cast<std::uint64_t>(v)); }

std::size_t ByteWriter::utf16(std::string_view utf8, std::size_t maxUnits)
{
    return appendUtf16le(out_, utf8, maxUnits);
}

void ByteWriter::bVarchar(std::string_view utf8)
{
    const std::size_t at = out_.size();
    out_.push_back(0);
    out_[at] = static_cast<std::uint8_t>(utf16(utf8, 255));
}

void ByteWriter::usVarchar(std::string_view utf8, std::size_t maxUnits)
{
    const std::size_t at = out_.size();
    u16le(0);
    patchLe(at, utf16(utf8, std::min<std::size_t>(maxUnits, 65535)), 2);
}

}  // namespace taskstore::tds
