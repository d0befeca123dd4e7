// The command-line reader as a user runs it, against Net-SNMP's agent.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "helpers/responder.h"
#include "helpers/snmpd.h"

namespace upsprobe {
namespace {

// The command-line reader against Net-SNMP's agent.
TEST(UpsprobeRead, PrintsTheReadOutOfARealAgent) {
  if (!testing::Snmpd::Available()) GTEST_SKIP() << "snmpd is not installed (package snmpd)";
  testing::Snmpd agent("ups-lab", {
                                      {"1.3.6.1.4.1.318.1.1.1.3.2.4.0", "unsigned", "50"},
                                      {"1.3.6.1.4.1.318.1.1.1.3.2.1.0", "unsigned", "231"},
                                      {"1.3.6.1.4.1.318.1.1.1.4.2.1.0", "unsigned", "230"},
                                      {"1.3.6.1.4.1.318.1.1.1.4.2.3.0", "unsigned", "42"},
                                      {"1.3.6.1.4.1.318.1.1.1.4.2.4.0", "unsigned", "4"},
                                      {"1.3.6.1.4.1.318.1.1.1.2.2.2.0", "unsigned", "0"},
                                      {"1.3.6.1.4.1.318.1.1.1.2.2.1.0", "unsigned", "97"},
                                      {"1.3.6.1.4.1.318.1.1.1.2.2.3.0", "timeticks", "372099"},
                                  });
  ASSERT_TRUE(agent.running());
  const std::string reader = UPSPROBE_READ " --port " + std::to_string(agent.port());
  const auto result = testing::RunCommand("LC_ALL=C " + reader + " 127.0.0.1");
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(std::regex_match(result.output,
                               std::regex("Time=[0-9]{2}:[0-9]{2}:[0-9]{2}\n"
                                          "SysName=ups-lab\n"
                                          "Input Freq=50Hz\n"
                                          "Input Voltage=231v\n"
                                          "Output Voltage=230v\n"
                                          "Output Load=42%\n"
                                          "Output Current=4A\n"
                                          "UPS Temp=0c\n"
                                          "Capacity=97%\n"
                                          "Runtime=1 hour  2 min  0 sec\n")))
      << result.output;

  // A silent port: no run-time line. Then wrong usage.
  const auto silent = testing::RunCommand(std::string(UPSPROBE_READ) + " --timeout 50 --port " +
                                          std::to_string(testing::UnusedUdpPort()) + " 127.0.0.1");
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(std::count(silent.output.begin(), silent.output.end(), '\n'), 9);
  EXPECT_EQ(testing::RunCommand(std::string(UPSPROBE_READ) + " 2>/dev/null").status, 2);
  EXPECT_EQ(testing::RunCommand(std::string(UPSPROBE_READ) + " --port x h 2>/dev/null").status, 2);
}

}  // namespace
}  // namespace upsprobe
