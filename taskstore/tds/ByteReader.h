#pragma once
// A bounds-checked cursor over a reassembled request payload. Every read that would go past the
// end throws ProtocolError, so malformed input can never read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace taskstore::tds {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t u8();
    std::uint16_t u16le();
    std::uint16_t u16be();
    std::uint32_t u32le();
    std::span<const std::uint8_t> bytes(std::size_t count);
    void skip(std::size_t count) { bytes(count); }
    // A string of `units` UTF-16LE code units.
    std::string utf16(std::size_t units);

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    void seek(std::size_t position);

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

}  // namespace taskstore::tds
