#include "taskstore/tds/TdsVersion.h"

namespace taskstore::tds {
namespace {

constexpr std::uint32_t tds73A = 0x730A0003;
constexpr std::uint32_t tds73B = 0x730B0003;

}  // namespace

TdsVersion negotiateTdsVersion(std::uint32_t clientVersion)
{
    // Clients compare the answer with what they know, so only the exact spellings go back.
    switch (clientVersion >> 24) {
    case 0x72: return tds72;
    case 0x73: return TdsVersion{clientVersion == tds73A ? tds73A : tds73B};
    default: return clientVersion >= 0x74000000 ? tds74 : tds71;
    }
}

}  // namespace taskstore::tds
