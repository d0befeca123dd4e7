// Whole readings against agents on loopback, and the run-time arithmetic.
#include "probe/probe.h"

#include <gtest/gtest.h>

#include <regex>

#include "helpers/responder.h"
#include "helpers/ups_fixture.h"

namespace upsprobe {
namespace {

using namespace std::chrono_literals;
using testing::AgentScript;
using testing::Responder;
using V = ber::Value;

// Records what a reading does to its window.
class FakeView final : public ProbeView {
 public:
  explicit FakeView(std::string host) : host_(std::move(host)) {}
  std::string HostText() override {
    ++hostReads;
    return host_;
  }
  void ClearLines() override {
    lines.clear();
    events.push_back("clear");
  }
  void AppendLine(const std::string& line) override {
    lines.push_back(line);
    events.push_back("line");
  }
  void SetScreenCursor(ScreenCursor shape) override {
    cursor = shape;
    events.push_back(shape == ScreenCursor::Busy ? "busy" : "arrow");
  }

  std::vector<std::string> lines{"left from the last reading"};
  std::vector<std::string> events;
  std::optional<ScreenCursor> cursor;
  int hostReads = 0;

 private:
  std::string host_;
};

SNMPQuery QueryPort(std::uint16_t port, std::chrono::milliseconds timeout = 5s) {
  return [port, timeout](const tSNMPRec& request) { return QuerySNMPValue(request, port, timeout); };
}

// Everything but the time line, which is checked on its own.
std::vector<std::string> Readings(const FakeView& view) {
  EXPECT_FALSE(view.lines.empty());
  if (view.lines.empty()) return {};
  EXPECT_TRUE(std::regex_match(view.lines[0], std::regex("Time=.*[0-9]{2}.*[0-9]{2}.*")))
      << view.lines[0];
  return {view.lines.begin() + 1, view.lines.end()};
}

TEST(RunProbeCycle, FullReading) {
  Responder ups(AgentScript(testing::FullUpsObjects()));
  FakeView view("127.0.0.1");
  EXPECT_TRUE(RunProbeCycle(view, QueryPort(ups.port())));
  EXPECT_EQ(Readings(view), testing::kFullUpsReadOut);

  // Busy first, the arrow last; the old lines cleared before anything else.
  ASSERT_GE(view.events.size(), 3u);
  EXPECT_EQ(view.events.front(), "busy");
  EXPECT_EQ(view.events[1], "clear");
  EXPECT_EQ(view.events.back(), "arrow");
  EXPECT_EQ(view.hostReads, 1);

  // Nine requests, one per row in table order, all with the community.
  const auto received = ups.received();
  ASSERT_EQ(received.size(), kReadings.size());
  for (std::size_t i = 0; i < kReadings.size(); ++i) {
    EXPECT_EQ(received[i], ber::EncodeGetRequest(kReadings[i].oid, "mirkot")) << "row " << i + 1;
  }
}

TEST(RunProbeCycle, SilentHostGivesBareLabels) {
  Responder silent([](const auto&) { return std::vector<testing::Outgoing>{}; });
  FakeView view("127.0.0.1");
  EXPECT_FALSE(RunProbeCycle(view, QueryPort(silent.port(), 50ms)));
  EXPECT_EQ(Readings(view),
            (std::vector<std::string>{"SysName=", "Input Freq=", "Input Voltage=",
                                      "Output Voltage=", "Output Load=", "Output Current=",
                                      "UPS Temp=", "Capacity="}));
  EXPECT_EQ(view.cursor, ScreenCursor::Arrow);
}

TEST(RunProbeCycle, DeviceWithoutPowerNet) {
  Responder device(AgentScript({{"1.3.6.1.2.1.1.5.0", V::OctetString("switch-7")}}));
  FakeView view("127.0.0.1");
  EXPECT_FALSE(RunProbeCycle(view, QueryPort(device.port())));
  EXPECT_EQ(Readings(view),
            (std::vector<std::string>{"SysName=switch-7", "Input Freq=", "Input Voltage=",
                                      "Output Voltage=", "Output Load=", "Output Current=",
                                      "UPS Temp=", "Capacity="}));
}

TEST(RunProbeCycle, ErrorStopsTheReadingAndRestoresTheArrow) {
  int calls = 0;
  const SNMPQuery failing = [&calls](const tSNMPRec&) -> std::string {
    if (++calls == 3) throw std::runtime_error("lost");
    return "1";
  };
  FakeView view("ups");
  EXPECT_FALSE(RunProbeCycle(view, failing));
  EXPECT_EQ(Readings(view), (std::vector<std::string>{"SysName=1", "Input Freq=1Hz"}));
  EXPECT_EQ(view.events.back(), "arrow");
}

TEST(RunProbeCycle, EachLineShowsOnlyItsOwnValue) {
  std::vector<tSNMPRec> requests;
  const SNMPQuery alternate = [&requests](const tSNMPRec& request) {
    requests.push_back(request);
    return requests.size() % 2 == 1 ? std::string("7") : std::string();
  };
  FakeView view("ups.example.org");
  RunProbeCycle(view, alternate);
  EXPECT_EQ(Readings(view),
            (std::vector<std::string>{"SysName=7", "Input Freq=", "Input Voltage=7v",
                                      "Output Voltage=", "Output Load=7%", "Output Current=",
                                      "UPS Temp=7c", "Capacity=", "Runtime=0 hour  0 min  0 sec"}));
  for (const auto& r : requests) {
    EXPECT_EQ(r.Host, "ups.example.org");
    EXPECT_EQ(r.Community, "mirkot");
  }
}

TEST(RuntimeLine, TicksToHoursMinutesSeconds) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"0", "Runtime=0 hour  0 min  0 sec"},
      {"99", "Runtime=0 hour  0 min  0 sec"},
      {"999", "Runtime=0 hour  0 min  9 sec"},
      {"372000", "Runtime=1 hour  2 min  0 sec"},
      {"-6000", "Runtime=0 hour  -1 min  0 sec"},
      {"2147483647", "Runtime=5965 hour  13 min  56 sec"},
      {"-2147483648", "Runtime=-5965 hour  -13 min  -56 sec"},
      {" 42", "Runtime=0 hour  0 min  0 sec"},
      {"\t+4200", "Runtime=0 hour  0 min  42 sec"},
      {"2147483648", std::nullopt},  // over 32 bits
      {"-2147483649", std::nullopt},
      {"42 ", std::nullopt},
      {"4 2", std::nullopt},
      {"+", std::nullopt},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"0x10", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto& [value, line] : cases) {
    EXPECT_EQ(RuntimeLine(value), line) << '"' << value << '"';
  }
}

TEST(ChooseText, PicksByCondition) {
  EXPECT_EQ(ChooseText(true, "", "v"), "");
  EXPECT_EQ(ChooseText(false, "", "v"), "v");
}

}  // namespace
}  // namespace upsprobe
