// Where the time of a reading goes: the codec, one query's round trip, a
// whole reading against Net-SNMP's agent, and beside them the floor that
// the network stack sets, a bare UDP round trip on a socket kept open.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <thread>

#include "helpers/responder.h"
#include "helpers/snmpd.h"
#include "probe/probe.h"
#include "simulated_ups.h"
#include "snmp/ber.h"
#include "snmp/snmp.h"

namespace upsprobe {
namespace {

using namespace std::chrono_literals;

constexpr const char* kRunTime = "1.3.6.1.4.1.318.1.1.1.2.2.3.0";

void BM_EncodeGetRequest(benchmark::State& state) {
  for (auto _ : state) {
    auto datagram = ber::EncodeGetRequest(kRunTime, "mirkot");
    benchmark::DoNotOptimize(datagram.data());
  }
}
BENCHMARK(BM_EncodeGetRequest);

void BM_DecodeReplyValue(benchmark::State& state) {
  const auto reply = ber::EncodeGetResponse("mirkot", 0, 0, 0,
                                            {{kRunTime, ber::Value::TimeTicks(372000)}});
  for (auto _ : state) {
    auto value = ber::DecodeReplyValue(reply, kRunTime);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_DecodeReplyValue);

// The simulated UPS answering on a loopback port from its own thread.
class SimulatedAgent {
 public:
  SimulatedAgent()
      : responder_([this](const std::vector<std::uint8_t>& datagram) {
          auto answer = ups_.Handle(datagram);
          std::vector<testing::Outgoing> out;
          if (answer.reply) out.push_back({std::move(*answer.reply)});
          return out;
        }) {}
  std::uint16_t port() const { return responder_.port(); }

 private:
  SimulatedUps ups_{1};
  testing::Responder responder_;
};

// Request-reply round trips of the same datagrams on one connected socket:
// what the kernel and the agent cost, with no per-query set-up.
void BareRoundTrips(benchmark::State& state, std::uint16_t port, const std::string& address) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  ::inet_pton(AF_INET, address.c_str(), &peer.sin_addr);
  ::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
  std::vector<ber::Bytes> requests;
  for (const auto& row : kReadings) requests.push_back(ber::EncodeGetRequest(row.oid, "mirkot"));
  std::array<std::uint8_t, 8192> buffer{};
  for (auto _ : state) {
    for (const auto& request : requests) {
      ::send(fd, request.data(), request.size(), 0);
      pollfd wait{fd, POLLIN, 0};
      if (::poll(&wait, 1, 5000) != 1 || ::recv(fd, buffer.data(), buffer.size(), 0) <= 0) {
        state.SkipWithError("no reply");
        break;
      }
    }
  }
  ::close(fd);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(requests.size()));
}

void BM_GetSNMPValueRoundTrip_Simulator(benchmark::State& state) {
  SimulatedAgent agent;
  const tSNMPRec request{kRunTime, "mirkot", "127.0.0.1"};
  for (auto _ : state) {
    auto value = QuerySNMPValue(request, agent.port(), 5s);
    if (value.empty()) state.SkipWithError("no value");
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_GetSNMPValueRoundTrip_Simulator)->UseRealTime();

void BM_NineBareRoundTrips_Simulator(benchmark::State& state) {
  SimulatedAgent agent;
  BareRoundTrips(state, agent.port(), "127.0.0.1");
}
BENCHMARK(BM_NineBareRoundTrips_Simulator)->UseRealTime();

// A view that keeps nothing: the reading's own cost.
class NullView final : public ProbeView {
 public:
  std::string HostText() override { return "127.0.0.1"; }
  void ClearLines() override {}
  void AppendLine(const std::string& line) override { benchmark::DoNotOptimize(line.data()); }
  void SetScreenCursor(ScreenCursor) override {}
};

std::unique_ptr<testing::Snmpd> StartSnmpd() {
  if (!testing::Snmpd::Available()) return nullptr;
  auto agent = std::make_unique<testing::Snmpd>(
      "ups-lab", std::vector<testing::AgentObject>{
                     {"1.3.6.1.4.1.318.1.1.1.3.2.4.0", "unsigned", "50"},
                     {"1.3.6.1.4.1.318.1.1.1.3.2.1.0", "unsigned", "231"},
                     {"1.3.6.1.4.1.318.1.1.1.4.2.1.0", "unsigned", "230"},
                     {"1.3.6.1.4.1.318.1.1.1.4.2.3.0", "unsigned", "18"},
                     {"1.3.6.1.4.1.318.1.1.1.4.2.4.0", "unsigned", "2"},
                     {"1.3.6.1.4.1.318.1.1.1.2.2.2.0", "unsigned", "24"},
                     {"1.3.6.1.4.1.318.1.1.1.2.2.1.0", "unsigned", "100"},
                     {"1.3.6.1.4.1.318.1.1.1.2.2.3.0", "timeticks", "372000"},
                 });
  if (!agent->running()) return nullptr;
  return agent;
}

void BM_ProbeCycle_Snmpd(benchmark::State& state) {
  const auto agent = StartSnmpd();
  if (!agent) {
    state.SkipWithError("snmpd is not available");
    return;
  }
  NullView view;
  const std::uint16_t port = agent->port();
  const SNMPQuery query = [port](const tSNMPRec& r) { return QuerySNMPValue(r, port, 5s); };
  for (auto _ : state) {
    if (!RunProbeCycle(view, query)) state.SkipWithError("incomplete reading");
  }
}
BENCHMARK(BM_ProbeCycle_Snmpd)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_NineBareRoundTrips_Snmpd(benchmark::State& state) {
  const auto agent = StartSnmpd();
  if (!agent) {
    state.SkipWithError("snmpd is not available");
    return;
  }
  BareRoundTrips(state, agent->port(), agent->address());
}
BENCHMARK(BM_NineBareRoundTrips_Snmpd)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace upsprobe

BENCHMARK_MAIN();
