// One query's whole exchange against a scripted responder on loopback.
#include <gtest/gtest.h>

#include <chrono>

#include "helpers/responder.h"
#include "snmp/ber.h"
#include "snmp/snmp.h"

namespace upsprobe {
namespace {

using namespace std::chrono_literals;
using testing::Outgoing;
using testing::Responder;

constexpr const char* kSysName = "1.3.6.1.2.1.1.5.0";

// Answers each request's first OID with `value` (and `errorStatus`).
Responder::Script AnswerWith(ber::Value value, std::int64_t errorStatus = 0) {
  return [value, errorStatus](const std::vector<std::uint8_t>& datagram) {
    const auto request = ber::DecodeRequest(datagram);
    if (!request || request->oids.empty()) return std::vector<Outgoing>{};
    return std::vector<Outgoing>{{ber::EncodeGetResponse(request->community, request->requestId,
                                                         errorStatus, errorStatus ? 1 : 0,
                                                         {{request->oids[0], value}})}};
  };
}

tSNMPRec Loopback(const char* oid = kSysName) { return {oid, "mirkot", "127.0.0.1"}; }

// How long a query takes, and its result.
template <typename F>
std::pair<std::string, std::chrono::milliseconds> Timed(F query) {
  const auto start = std::chrono::steady_clock::now();
  std::string value = query();
  return {value, std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)};
}

TEST(QuerySNMPValue, SendsOneExactRequestAndReadsTheValue) {
  Responder agent(AnswerWith(ber::Value::OctetString("ups-lab")));
  EXPECT_EQ(QuerySNMPValue(Loopback(), agent.port(), 5s), "ups-lab");
  const auto received = agent.received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], ber::EncodeGetRequest(kSysName, "mirkot"));
}

TEST(QuerySNMPValue, ErrorReplyEndsTheWaitAtOnce) {
  Responder agent(AnswerWith(ber::Value::Null(), ber::error_status::kNoSuchName));
  const auto [value, took] = Timed([&] { return QuerySNMPValue(Loopback(), agent.port(), 30s); });
  EXPECT_EQ(value, "");
  EXPECT_LT(took, 15s) << "waited for the timeout";
}

TEST(QuerySNMPValue, SilenceEndsAtTheTimeout) {
  Responder agent([](const auto&) { return std::vector<Outgoing>{}; });
  const auto [value, took] = Timed([&] { return QuerySNMPValue(Loopback(), agent.port(), 300ms); });
  EXPECT_EQ(value, "");
  EXPECT_GE(took, 300ms);
  EXPECT_EQ(agent.received().size(), 1u) << "no retry";
}

TEST(QuerySNMPValue, PortUnreachableEndsTheWaitAtOnce) {
  const auto [value, took] =
      Timed([&] { return QuerySNMPValue(Loopback(), testing::UnusedUdpPort(), 30s); });
  EXPECT_EQ(value, "");
  EXPECT_LT(took, 15s) << "waited for the timeout";
}

TEST(QuerySNMPValue, ReceiveBufferHoldsExactly8192Octets) {
  auto replyWith = [](std::size_t octets) {
    return ber::EncodeGetResponse(
        "mirkot", 0, 0, 0, {{kSysName, ber::Value::OctetString(std::string(octets, 'x'))}});
  };
  // The reply's octets beside the value's, for values of 256 to 65535 octets.
  const std::size_t overhead = replyWith(1000).size() - 1000;
  auto replyOfSize = [&](std::size_t size) { return replyWith(size - overhead); };
  ASSERT_EQ(replyOfSize(8192).size(), 8192u);
  for (const std::size_t size : {std::size_t{8192}, std::size_t{8193}, std::size_t{9000}}) {
    const auto reply = replyOfSize(size);
    Responder agent([reply](const auto&) { return std::vector<Outgoing>{{reply}}; });
    const std::string value = QuerySNMPValue(Loopback(), agent.port(), 5s);
    EXPECT_EQ(value.size(), size <= 8192 ? size - overhead : 0u) << size << "-octet reply";
  }
}

TEST(QuerySNMPValue, TakesTheReplyOnlyFromTheQueriedPort) {
  const auto reply = [](const char* text) {
    return ber::EncodeGetResponse("mirkot", 0, 0, 0, {{kSysName, ber::Value::OctetString(text)}});
  };
  Responder agent([&](const auto&) {
    return std::vector<Outgoing>{{reply("stranger"), true}, {reply("agent"), false, 100}};
  });
  EXPECT_EQ(QuerySNMPValue(Loopback(), agent.port(), 5s), "agent");
}

TEST(QuerySNMPValue, EmptyOrMalformedReplyFails) {
  for (const auto& datagram : {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{0x30, 0x05}}) {
    Responder agent([datagram](const auto&) { return std::vector<Outgoing>{{datagram}}; });
    const auto [value, took] = Timed([&] { return QuerySNMPValue(Loopback(), agent.port(), 30s); });
    EXPECT_EQ(value, "");
    EXPECT_LT(took, 15s) << "the first datagram is the reply";
  }
}

TEST(QuerySNMPValue, UnresolvableHostSendsNothing) {
  Responder agent(AnswerWith(ber::Value::OctetString("ups-lab")));
  using namespace std::string_literals;
  for (const std::string& host : {"no-such-host.invalid"s, "256.1.1.1"s, "127.0.0.1\0junk"s,
                                 "127.0.0.1\r\n"s}) {
    EXPECT_EQ(QuerySNMPValue({kSysName, "mirkot", host}, agent.port(), 5s), "") << host;
  }
  EXPECT_TRUE(agent.received().empty());
}

TEST(QuerySNMPValue, HostNamesAreLookedUp) {
  Responder agent(AnswerWith(ber::Value::Gauge32(0)));
  EXPECT_EQ(QuerySNMPValue({kSysName, "mirkot", "localhost"}, agent.port(), 5s), "0");
}

}  // namespace
}  // namespace upsprobe
