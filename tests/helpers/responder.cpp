#include "helpers/responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace upsprobe::testing {

namespace {

int BindLoopback(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    throw std::runtime_error("bind");
  }
  return fd;
}

std::uint16_t PortOf(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

}  // namespace

Responder::Responder(Script script) : script_(std::move(script)) {
  socket_ = BindLoopback(0);
  otherSocket_ = BindLoopback(0);
  port_ = PortOf(socket_);
  thread_ = std::thread([this] { Run(); });
}

Responder::~Responder() {
  stop_ = true;
  thread_.join();
  ::close(socket_);
  ::close(otherSocket_);
}

std::vector<std::vector<std::uint8_t>> Responder::received() const {
  const std::lock_guard lock(mutex_);
  return received_;
}

void Responder::Run() {
  std::vector<std::uint8_t> buffer(65536);
  while (!stop_) {
    pollfd wait{socket_, POLLIN, 0};
    if (::poll(&wait, 1, 20) <= 0) continue;
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    const ssize_t n = ::recvfrom(socket_, buffer.data(), buffer.size(), 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (n < 0) continue;
    const std::vector<std::uint8_t> request(buffer.begin(), buffer.begin() + n);
    {
      const std::lock_guard lock(mutex_);
      received_.push_back(request);
    }
    for (const Outgoing& out : script_(request)) {
      if (out.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(out.delayMs));
      ::sendto(out.fromOtherPort ? otherSocket_ : socket_, out.datagram.data(),
               out.datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), fromSize);
    }
  }
}

Responder::Script AgentScript(std::map<std::string, ber::Value> objects) {
  return [objects = std::move(objects)](const std::vector<std::uint8_t>& datagram) {
    const auto request = ber::DecodeRequest(datagram);
    if (!request || request->community != "mirkot") return std::vector<Outgoing>{};
    std::vector<ber::Binding> bindings;
    for (std::size_t i = 0; i < request->oids.size(); ++i) {
      const auto found = objects.find(request->oids[i]);
      if (found == objects.end()) {
        return std::vector<Outgoing>{{ber::EncodeGetResponse(
            request->community, request->requestId, ber::error_status::kNoSuchName,
            static_cast<std::int64_t>(i + 1), {{request->oids[i], ber::Value::Null()}})}};
      }
      bindings.push_back({found->first, found->second});
    }
    return std::vector<Outgoing>{
        {ber::EncodeGetResponse(request->community, request->requestId, 0, 0, bindings)}};
  };
}

std::uint16_t UnusedUdpPort() {
  const int fd = BindLoopback(0);
  const std::uint16_t port = PortOf(fd);
  ::close(fd);
  return port;
}

}  // namespace upsprobe::testing
