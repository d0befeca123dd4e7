#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <memory>
#include <optional>

#include "snmp/ber.h"
#include "snmp/snmp.h"

namespace upsprobe {

namespace {

// Owns one socket descriptor.
class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Four dot-separated decimal numbers of 0 to 255, taken as the address as
// they stand, without a lookup.
std::optional<in_addr> DottedQuad(const std::string& text) {
  std::uint32_t address = 0;
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    unsigned value = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
    address = (address << 8) | value;
  }
  if (pos != text.size()) return std::nullopt;
  in_addr result{};
  result.s_addr = htonl(address);
  return result;
}

struct AddrInfoDeleter {
  void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

// The host's IPv4 address: a dotted quad directly, anything else (the empty
// text too) through the system's resolver, first IPv4 answer.
std::optional<in_addr> ResolveIPv4(const std::string& host) {
  if (auto quad = DottedQuad(host)) return quad;
  // A name with a NUL in it would be looked up cut short.
  if (host.find('\0') != std::string::npos) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  const std::unique_ptr<addrinfo, AddrInfoDeleter> owner(found);
  for (const addrinfo* info = found; info != nullptr; info = info->ai_next) {
    if (info->ai_family == AF_INET && info->ai_addr != nullptr &&
        info->ai_addrlen >= sizeof(sockaddr_in)) {
      sockaddr_in address{};
      std::memcpy(&address, info->ai_addr, sizeof address);
      return address.sin_addr;
    }
  }
  return std::nullopt;
}

std::string Exchange(const tSNMPRec& request, std::uint16_t port,
                     std::chrono::milliseconds timeout) {
  const auto address = ResolveIPv4(request.Host);
  if (!address) return {};
  const ber::Bytes datagram = ber::EncodeGetRequest(request.OID, request.Community);

  const Socket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!socket) return {};
  // Connecting makes the kernel drop datagrams from any other address or
  // port, and report an ICMP port-unreachable as ECONNREFUSED.
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr = *address;
  if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    return {};
  }
  ssize_t sent = -1;
  do {
    sent = ::send(socket.fd(), datagram.data(), datagram.size(), MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0 || static_cast<std::size_t>(sent) != datagram.size()) return {};

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  std::array<std::uint8_t, kSNMPReceiveBufferSize> buffer{};
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return {};
    pollfd wait{socket.fd(), POLLIN, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
    if (ready < 0 && errno != EINTR) return {};
    if (ready <= 0) continue;
    // MSG_TRUNC makes recv report the datagram's real length.
    const ssize_t received =
        ::recv(socket.fd(), buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT);
    if (received < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return {};  // ECONNREFUSED and every other socket error
    }
    const auto length = static_cast<std::size_t>(received);
    if (length == 0 || length > buffer.size()) return {};
    return ber::DecodeReplyValue({buffer.data(), length}, request.OID).value_or(std::string());
  }
}

}  // namespace

std::string QuerySNMPValue(const tSNMPRec& request, std::uint16_t port,
                           std::chrono::milliseconds timeout) {
  try {
    return Exchange(request, port, timeout);
  } catch (...) {
    // Out of memory is the only error that can come this far.
    return {};
  }
}

std::string GetSNMPValue(const tSNMPRec& request) {
  return QuerySNMPValue(request, kSNMPPort, kSNMPTimeout);
}

}  // namespace upsprobe
