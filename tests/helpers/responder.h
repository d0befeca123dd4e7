// A scripted SNMP responder on a loopback UDP port, run on its own thread
// for the length of a test.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "snmp/ber.h"

namespace upsprobe::testing {

struct Outgoing {
  std::vector<std::uint8_t> datagram;
  bool fromOtherPort = false;  // sent from a second socket, another port
  int delayMs = 0;             // waited before sending
};

class Responder {
 public:
  using Script = std::function<std::vector<Outgoing>(const std::vector<std::uint8_t>&)>;

  // Binds 127.0.0.1 on a free port and answers every datagram with what
  // `script` returns for it.
  explicit Responder(Script script);
  ~Responder();
  Responder(const Responder&) = delete;
  Responder& operator=(const Responder&) = delete;

  std::uint16_t port() const { return port_; }
  // Every datagram received so far, in order.
  std::vector<std::vector<std::uint8_t>> received() const;

 private:
  void Run();

  Script script_;
  int socket_ = -1;
  int otherSocket_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::vector<std::uint8_t>> received_;
  std::thread thread_;
};

// Answers like an agent that has `objects`: their values, noSuchName for
// any other OID, silence for a community other than "mirkot".
Responder::Script AgentScript(std::map<std::string, ber::Value> objects);

// A port on 127.0.0.1 where nothing listens right now.
std::uint16_t UnusedUdpPort();

}  // namespace upsprobe::testing
