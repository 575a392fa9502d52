#include "taskstore/tds/ByteReader.h"

#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/Utf16.h"

namespace taskstore::tds {

std::span<const std::uint8_t> ByteReader::bytes(std::size_t count)
{
    if (count > remaining())
        throw ProtocolError("request ends " + std::to_string(count - remaining()) + " bytes early at offset "
                            + std::to_string(pos_));
    const auto part = bytes_.subspan(pos_, count);
    pos_ += count;
    return part;
}

std::uint8_t ByteReader::u8() { return bytes(1)[0]; }

std::uint16_t ByteReader::u16le()
{
    const auto b = bytes(2);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint16_t ByteReader::u16be()
{
    const auto b = bytes(2);
    return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

std::uint32_t ByteReader::u32le()
{
    const auto b = bytes(4);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8
        | static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::string ByteReader::utf16(std::size_t units)
{
    if (units > remaining() / 2)
        throw ProtocolError("text of " + std::to_string(units) + " characters runs past the request");
    return utf16leToUtf8(bytes(units * 2));
}

void ByteReader::seek(std::size_t position)
{
    if (position > bytes_.size())
        throw ProtocolError("offset " + std::to_string(position) + " lies outside the request");
    pos_ = position;
}

}  // namespace taskstore::tds
