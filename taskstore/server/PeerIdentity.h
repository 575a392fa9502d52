#pragma once
// Who is behind a client connection, as far as the server can tell without trusting the client.
// On loopback the source address means nothing (any local user may send from any address in
// 127.0.0.0/8 or ::1), but the kernel knows which local user owns the client's socket: that user
// is the client. Elsewhere the client is its address.
#include <asio/ip/tcp.hpp>
#include <optional>
#include <string>

namespace taskstore::server {

// "user 1000" for a loopback peer whose socket's owner the kernel reports, "loopback" for one it
// does not (the socket is already gone, or socket diagnostics are not available), otherwise the
// peer's address; "unknown" when the socket has no peer any more.
std::string clientOf(const asio::ip::tcp::socket& socket);

// The local user owning the TCP socket that has the given local and remote ends, asked of the
// kernel's socket diagnostics (what `ss -e` shows); nothing when there is no such socket.
std::optional<unsigned> ownerOfSocket(const asio::ip::tcp::endpoint& local, const asio::ip::tcp::endpoint& remote);

}  // namespace taskstore::server
