#include "taskstore/tds/Prelogin.h"

#include "taskstore/tds/ByteReader.h"
#include "taskstore/tds/ProtocolError.h"

namespace taskstore::tds {
namespace {

enum Option : std::uint8_t { Version = 0, Encryption = 1, InstOpt = 2, ThreadId = 3, Mars = 4, Terminator = 0xFF };
constexpr std::uint8_t encryptClientCertificate = 0x80;  // certificate log-on: not offered
constexpr int maxOptions = 64;

}  // namespace

PreloginRequest parsePrelogin(std::span<const std::uint8_t> payload)
{
    PreloginRequest request;
    ByteReader table(payload);
    for (int count = 0;; ++count) {
        if (count > maxOptions)
            throw ProtocolError("PRELOGIN option table without terminator");
        const std::uint8_t token = table.u8();
        if (token == Terminator)
            break;
        const std::uint16_t offset = table.u16be();
        const std::uint16_t length = table.u16be();
        ByteReader data(payload);
        data.seek(offset);
        const auto value = data.bytes(length);
        if (token == Encryption && length >= 1) {
            const auto wish = static_cast<std::uint8_t>(value[0] & ~encryptClientCertificate);
            if (wish > static_cast<std::uint8_t>(Encrypt::Required))
                throw ProtocolError("PRELOGIN encryption value " + std::to_string(wish));
            request.encryption = static_cast<Encrypt>(wish);
        }
        if (token == Mars && length >= 1)
            request.marsRequested = value[0] != 0;
    }
    return request;
}

EncryptionAgreement agreeEncryption(Encrypt client, bool canEncrypt, bool forced)
{
    if (!canEncrypt)
        return {Encrypt::NotSupported, Protection::None};
    switch (client) {
    case Encrypt::On:
    case Encrypt::Required: return {Encrypt::On, Protection::Full};
    case Encrypt::Off:
        return forced ? EncryptionAgreement{Encrypt::Required, Protection::Full}
                      : EncryptionAgreement{Encrypt::Off, Protection::LoginOnly};
    case Encrypt::NotSupported: break;
    }
    return forced ? EncryptionAgreement{Encrypt::Required, Protection::Full}
                  : EncryptionAgreement{Encrypt::NotSupported, Protection::None};
}

std::vector<std::uint8_t> preloginReply(Encrypt answer)
{
    // Five options of five bytes and the terminator make 26 bytes before the data.
    return {
        Version,
        0x00,
        0x1A,
        0x00,
        0x06,
        Encryption,
        0x00,
        0x20,
        0x00,
        0x01,
        InstOpt,
        0x00,
        0x21,
        0x00,
        0x01,
        ThreadId,
        0x00,
        0x22,
        0x00,
        0x00,
        Mars,
        0x00,
        0x22,
        0x00,
        0x01,
        Terminator,
        0x0F,
        0x00,
        0x07,
        0xD0,
        0x00,
        0x00,  // version 15.0.2000
        static_cast<std::uint8_t>(answer),
        0x00,  // instance matches
        0x00,  // MARS off
    };
}

}  // namespace taskstore::tds
