#pragma once
// Appends wire values to a byte buffer. Length prefixes are written by LengthPrefix, a scope guard
// that reserves the field and fills it with the size of whatever was appended inside its scope.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace taskstore::tds {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16le(std::uint16_t v);
    void u16be(std::uint16_t v);
    void u32le(std::uint32_t v);
    void u64le(std::uint64_t v);
    void f64le(double v);
    void bytes(std::span<const std::uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
    // UTF-16LE text without a length; returns the number of 16-bit units.
    std::size_t utf16(std::string_view utf8, std::size_t maxUnits = static_cast<std::size_t>(-1));
    // B_VARCHAR: a one-byte count of 16-bit units, then the text (at most 255 units).
    void bVarchar(std::string_view utf8);
    // US_VARCHAR: a two-byte count of 16-bit units, then the text, cut before a character that
    // would take it past maxUnits.
    void usVarchar(std::string_view utf8, std::size_t maxUnits = 65535);

    // Overwrites `size` bytes at `at`, written earlier as a placeholder, with `value` little-endian.
    void patchLe(std::size_t at, std::uint64_t value, std::size_t size);

    std::vector<std::uint8_t>& buffer() { return out_; }

private:
    std::vector<std::uint8_t>& out_;
};

// Reserves a little-endian length field of sizeof(Int) bytes; on destruction writes the number of
// bytes appended after the field.
template <typename Int>
class LengthPrefix {
public:
    explicit LengthPrefix(ByteWriter& writer) : writer_(writer), at_(writer.buffer().size())
    {
        writer.buffer().resize(at_ + sizeof(Int));
    }
    ~LengthPrefix() { writer_.patchLe(at_, writer_.buffer().size() - at_ - sizeof(Int), sizeof(Int)); }
    LengthPrefix(const LengthPrefix&) = delete;
    LengthPrefix& operator=(const LengthPrefix&) = delete;

private:
    ByteWriter& writer_;
    std::size_t at_;
};

}  // namespace taskstore::tds
