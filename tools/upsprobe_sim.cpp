// upsprobe-sim: a simulated UPS on UDP, for trying upsprobe without one.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "simulated_ups.h"
#include "support/unique_fd.h"

namespace {

constexpr const char* kUsage =
    "usage: upsprobe-sim [--address IPV4] [--port PORT] [--seed N]\n"
    "Answers SNMPv1 GetRequests (community \"mirkot\") for the objects upsprobe\n"
    "reads, like an APC UPS. Defaults: 127.0.0.1, port 161, a random seed.\n"
    "Logs each request to standard error; Ctrl+C stops it.\n";

volatile sig_atomic_t stopRequested = 0;
void RequestStop(int) { stopRequested = 1; }

bool ParseNumber(const char* text, unsigned long long max, unsigned long long& value) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text, &end, 10);
  return errno == 0 && *end == '\0' && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
  std::string address = "127.0.0.1";
  unsigned long long port = 161;
  unsigned long long seed = std::random_device{}();
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = next != nullptr;
    if (arg == "--address" && ok) {
      address = argv[++i];
    } else if (arg == "--port" && ok) {
      ok = ParseNumber(argv[++i], 65535, port) && port > 0;
    } else if (arg == "--seed" && ok) {
      ok = ParseNumber(argv[++i], ~0ull, seed);
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      ok = false;
    }
    if (!ok) {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }

  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    std::fprintf(stderr, "upsprobe-sim: '%s' is not an IPv4 address\n", address.c_str());
    return 2;
  }
  const upsprobe::UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (socket.get() < 0 ||
      ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    std::fprintf(stderr, "upsprobe-sim: cannot listen on %s port %llu: %s\n", address.c_str(),
                 port, std::strerror(errno));
    return 1;
  }

  // Without SA_RESTART, so that Ctrl+C interrupts the wait.
  struct sigaction stop {};
  stop.sa_handler = RequestStop;
  ::sigemptyset(&stop.sa_mask);
  ::sigaction(SIGINT, &stop, nullptr);
  ::sigaction(SIGTERM, &stop, nullptr);

  std::fprintf(stderr, "upsprobe-sim: serving on %s port %llu (seed %llu)\n", address.c_str(),
               port, seed);
  upsprobe::SimulatedUps ups(seed);
  std::array<std::uint8_t, 65536> buffer{};
  while (stopRequested == 0) {
    pollfd wait{socket.get(), POLLIN, 0};
    if (::poll(&wait, 1, -1) <= 0) continue;
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    const ssize_t n = ::recvfrom(socket.get(), buffer.data(), buffer.size(), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (n < 0) continue;
    const auto answer = ups.Handle({buffer.data(), static_cast<std::size_t>(n)});
    char peer[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &from.sin_addr, peer, sizeof peer);
    std::fprintf(stderr, "%s:%u %s\n", peer, ntohs(from.sin_port), answer.log.c_str());
    if (answer.reply) {
      ::sendto(socket.get(), answer.reply->data(), answer.reply->size(), 0,
               reinterpret_cast<const sockaddr*>(&from), fromSize);
    }
  }
  std::fputs("upsprobe-sim: stopped\n", stderr);
  return 0;
}
