#include "taskstore/server/PeerIdentity.h"

#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace taskstore::server {
namespace {

// The socket's address in the diagnostics' form: network byte order, IPv4 in the first word.
void putAddress(const asio::ip::address& address, __be32 (&out)[4])
{
    std::memset(out, 0, sizeof out);
    if (address.is_v4()) {
        const auto bytes = address.to_v4().to_bytes();
        std::memcpy(out, bytes.data(), bytes.size());
    } else {
        const auto bytes = address.to_v6().to_bytes();
        std::memcpy(out, bytes.data(), bytes.size());
    }
}

class NetlinkSocket {
public:
    NetlinkSocket() : fd_(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG))
    {
        // The kernel answers at once; the bound only keeps a broken kernel from stalling accepts.
        const timeval bound{0, 200'000};
        if (fd_ >= 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    }
    ~NetlinkSocket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<unsigned> ownerOfSocket(const asio::ip::tcp::endpoint& local, const asio::ip::tcp::endpoint& remote)
{
    const NetlinkSocket netlink;
    if (netlink.fd() < 0)
        return std::nullopt;
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    message.request.sdiag_family = local.address().is_v4() ? AF_INET : AF_INET6;
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~0U;
    // The client's socket: its source is our peer, its destination is us.
    message.request.id.idiag_sport = htons(remote.port());
    message.request.id.idiag_dport = htons(local.port());
    putAddress(remote.address(), message.request.id.idiag_src);
    putAddress(local.address(), message.request.id.idiag_dst);
    message.request.id.idiag_if = 0;
    message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(netlink.fd(), &message, sizeof message, 0, reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel)
        != static_cast<ssize_t>(sizeof message))
        return std::nullopt;
    alignas(nlmsghdr) char answer[1024];
    const ssize_t n = ::recv(netlink.fd(), answer, sizeof answer, 0);
    if (n < static_cast<ssize_t>(NLMSG_LENGTH(sizeof(inet_diag_msg))))
        return std::nullopt;
    const auto* header = reinterpret_cast<const nlmsghdr*>(answer);
    if (header->nlmsg_type != SOCK_DIAG_BY_FAMILY || header->nlmsg_len > static_cast<std::size_t>(n))
        return std::nullopt;
    const auto* found = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
    return found->idiag_uid;
}

std::string clientOf(const asio::ip::tcp::socket& socket)
{
    asio::error_code ec;
    const auto remote = socket.remote_endpoint(ec);
    if (ec)
        return "unknown";
    const auto local = socket.local_endpoint(ec);
    if (ec || !remote.address().is_loopback())
        return remote.address().to_string();
    if (const auto owner = ownerOfSocket(local, remote))
        return "user " + std::to_string(*owner);
    return "loopback";
}

}  // namespace taskstore::server
