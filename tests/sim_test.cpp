// The simulated UPS: answered by Net-SNMP's snmpget as a real agent would
// be, and unshaken by malformed datagrams.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <thread>

#include "helpers/responder.h"
#include "helpers/snmpd.h"
#include "probe/probe.h"
#include "simulated_ups.h"

extern char** environ;

namespace upsprobe {
namespace {

using namespace std::chrono_literals;

TEST(SimulatedUps, AnswersTheNineObjectsWithinPlausibleRanges) {
  SimulatedUps ups(7);
  for (int round = 0; round < 200; ++round) {
    for (const auto& row : kReadings) {
      const auto answer = ups.Handle(ber::EncodeGetRequest(row.oid, "mirkot"));
      ASSERT_TRUE(answer.reply) << row.oid;
      const auto value = ber::DecodeReplyValue(*answer.reply, row.oid);
      ASSERT_TRUE(value && !value->empty()) << row.oid;
      if (row.oid == kReadings[0].oid) continue;
      const long number = std::stol(*value);
      const std::string_view label = row.label;
      if (label == "Output Load=") {
        EXPECT_TRUE(number >= 10 && number <= 85) << number;
      } else if (label == "UPS Temp=") {
        EXPECT_TRUE(number >= 15 && number <= 40) << number;
      } else if (label == "Runtime=") {
        EXPECT_TRUE(number >= 100 * 60 * 25 && number <= 100 * 60 * 60 * 4) << number;
      }
    }
  }
}

TEST(SimulatedUps, SameSeedSameValues) {
  SimulatedUps a(42);
  SimulatedUps b(42);
  const auto request = ber::EncodeGetRequest(kReadings.back().oid, "mirkot");
  for (int i = 0; i < 20; ++i) EXPECT_EQ(a.Handle(request).reply, b.Handle(request).reply);
}

TEST(SimulatedUps, RefusesWhatIsNotAWellFormedV1GetRequest) {
  SimulatedUps ups(1);
  const auto valid = ber::EncodeGetRequest("1.3.6.1.2.1.1.5.0", "mirkot");
  for (std::size_t size = 0; size < valid.size(); ++size) {
    const auto answer = ups.Handle({valid.data(), size});
    EXPECT_FALSE(answer.reply) << "cut to " << size;
    EXPECT_NE(answer.log.find("refused"), std::string::npos);
  }
  auto v2c = valid;
  v2c[4] = 1;  // the version
  EXPECT_FALSE(ups.Handle(v2c).reply);
  auto getNext = valid;
  getNext[13] = ber::tag::kGetNextRequest;
  EXPECT_FALSE(ups.Handle(getNext).reply);
  EXPECT_FALSE(ups.Handle(ber::EncodeGetRequest("1.3.6.1.2.1.1.5.0", "public")).reply);

  std::mt19937 random(3);
  for (int i = 0; i < 2000; ++i) {
    std::vector<std::uint8_t> noise(random() % 64);
    for (auto& octet : noise) octet = static_cast<std::uint8_t>(random());
    if (!noise.empty() && i % 2 == 0) noise[0] = 0x30;
    (void)ups.Handle(noise);
  }
}

// The simulator's executable on a free loopback port, for the length of a
// test.
class SimProcess {
 public:
  SimProcess() : port_(testing::UnusedUdpPort()) {
    std::vector<std::string> args = {UPSPROBE_SIM, "--port", std::to_string(port_), "--seed", "5"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ::posix_spawn(&pid_, UPSPROBE_SIM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    const tSNMPRec probe{"1.3.6.1.2.1.1.5.0", "mirkot", "127.0.0.1"};
    for (int i = 0; i < 200 && QuerySNMPValue(probe, port_, 100ms).empty(); ++i) {
      std::this_thread::sleep_for(10ms);
    }
  }
  ~SimProcess() {
    ::kill(pid_, SIGINT);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    stoppedCleanly_ = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  std::uint16_t port() const { return port_; }
  static bool stoppedCleanly_;

 private:
  std::uint16_t port_;
  pid_t pid_ = -1;
};
bool SimProcess::stoppedCleanly_ = false;

std::string SnmpGet(std::uint16_t port, const std::string& community, const std::string& oid) {
  return testing::RunCommand("MIBS= snmpget -m '' -v1 -r 0 -t 0.5 -On -c " + community +
                             " 127.0.0.1:" + std::to_string(port) + " " + oid + " 2>&1")
      .output;
}

TEST(UpsprobeSim, SnmpgetReadsTheTypesOfARealUnit) {
  if (!testing::Snmpd::Available()) GTEST_SKIP() << "snmpget is not installed (package snmp)";
  {
    SimProcess sim;
    EXPECT_TRUE(std::regex_match(SnmpGet(sim.port(), "mirkot", ".1.3.6.1.2.1.1.5.0"),
                                 std::regex("\\.1\\.3\\.6\\.1\\.2\\.1\\.1\\.5\\.0 = STRING: \"upsprobe-sim\"\n")));
    for (std::size_t row = 1; row + 1 < kReadings.size(); ++row) {
      const std::string oid = std::string(".") + kReadings[row].oid;
      const std::string output = SnmpGet(sim.port(), "mirkot", oid);
      EXPECT_TRUE(std::regex_match(output, std::regex(".* = Gauge32: [0-9]+\n"))) << output;
    }
    const std::string runTime = SnmpGet(sim.port(), "mirkot", std::string(".") + kReadings[8].oid);
    EXPECT_TRUE(std::regex_match(runTime, std::regex(".* = Timeticks: \\([0-9]+00\\) .*\n"))) << runTime;

    const std::string missing = SnmpGet(sim.port(), "mirkot", ".1.3.6.1.2.1.1.6.0");
    EXPECT_NE(missing.find("noSuchName"), std::string::npos) << missing;
    const std::string wrongCommunity = SnmpGet(sim.port(), "public", ".1.3.6.1.2.1.1.5.0");
    EXPECT_NE(wrongCommunity.find("Timeout"), std::string::npos) << wrongCommunity;

    // The command-line reader reads it whole.
    const auto read = testing::RunCommand(std::string(UPSPROBE_READ) + " --port " +
                                          std::to_string(sim.port()) + " 127.0.0.1");
    EXPECT_EQ(read.status, 0) << read.output;
    EXPECT_NE(read.output.find("SysName=upsprobe-sim\n"), std::string::npos);
  }
  EXPECT_TRUE(SimProcess::stoppedCleanly_) << "Ctrl+C should end it with status 0";
}

TEST(UpsprobeSim, SaysWhyItCannotListen) {
  const auto taken = testing::RunCommand(std::string(UPSPROBE_SIM) + " --address 192.0.2.1 --port 9 2>&1");
  EXPECT_EQ(taken.status, 1);
  EXPECT_NE(taken.output.find("cannot listen on 192.0.2.1 port 9"), std::string::npos)
      << taken.output;
  EXPECT_EQ(testing::RunCommand(std::string(UPSPROBE_SIM) + " --port 0 2>/dev/null").status, 2);
}

}  // namespace
}  // namespace upsprobe
