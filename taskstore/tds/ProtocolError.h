#pragma once
// Raised for client input that breaks the protocol. It ends the offending session only; the
// message is the reason written to the log.
#include <stdexcept>
#include <string>

namespace taskstore::tds {

class ProtocolError : public std::runtime_error {
public:
    explicit ProtocolError(const std::string& reason) : std::runtime_error(reason) {}
};

}  // namespace taskstore::tds
