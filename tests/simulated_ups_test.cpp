// The simulated UPS in-process: plausible values that drift, the same
// values for the same seed, and refusal of anything malformed.
#include "simulated_ups.h"

#include <gtest/gtest.h>

#include <random>

#include "probe/probe.h"

namespace upsprobe {
namespace {

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

}  // namespace
}  // namespace upsprobe
