// The simulator's executable as a user runs it: answered by Net-SNMP's
// snmpget as a real agent would be, read whole by upsprobe-read, stopped by
// Ctrl+C.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "helpers/responder.h"
#include "helpers/snmpd.h"
#include "probe/probe.h"
#include "snmp/snmp.h"

extern char** environ;

namespace upsprobe {
namespace {

using namespace std::chrono_literals;

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
