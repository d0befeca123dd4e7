#include "simulated_ups.h"

#include <algorithm>
#include <cmath>

namespace upsprobe {

namespace {

constexpr char kSysName[] = "1.3.6.1.2.1.1.5.0";
constexpr char kInputFrequency[] = "1.3.6.1.4.1.318.1.1.1.3.2.4.0";
constexpr char kInputVoltage[] = "1.3.6.1.4.1.318.1.1.1.3.2.1.0";
constexpr char kOutputVoltage[] = "1.3.6.1.4.1.318.1.1.1.4.2.1.0";
constexpr char kOutputLoad[] = "1.3.6.1.4.1.318.1.1.1.4.2.3.0";
constexpr char kOutputCurrent[] = "1.3.6.1.4.1.318.1.1.1.4.2.4.0";
constexpr char kBatteryTemperature[] = "1.3.6.1.4.1.318.1.1.1.2.2.2.0";
constexpr char kBatteryCapacity[] = "1.3.6.1.4.1.318.1.1.1.2.2.1.0";
constexpr char kRunTimeRemaining[] = "1.3.6.1.4.1.318.1.1.1.2.2.3.0";

std::uint32_t Rounded(double value) { return static_cast<std::uint32_t>(std::lround(value)); }

}  // namespace

namespace {

// About an hour at 40 % load, less as the load grows.
double SettledRunTimeSeconds(double load) { return 3600.0 * 40.0 / load; }

}  // namespace

SimulatedUps::SimulatedUps(std::uint64_t seed)
    : random_(seed), runTimeSeconds_(SettledRunTimeSeconds(load_)) {}

void SimulatedUps::Drift() {
  std::normal_distribution<double> step(0.0, 1.0);
  load_ = std::clamp(load_ + 0.3 * step(random_), 10.0, 85.0);
  // The run time follows the load with some delay: it falls while the load
  // is high and recovers as it drops.
  runTimeSeconds_ += 0.05 * (SettledRunTimeSeconds(load_) - runTimeSeconds_);
  // The batteries warm up under load, slowly.
  const double settled = 22.0 + load_ / 10.0;
  temperature_ += 0.1 * (settled - temperature_) + 0.1 * step(random_);
  inputVoltage_ = std::clamp(inputVoltage_ + 0.5 * step(random_), 220.0, 240.0);
  frequency_ = std::clamp(frequency_ + 0.05 * step(random_), 49.5, 50.5);
}

std::optional<ber::Value> SimulatedUps::ValueOf(const std::string& oid) const {
  using V = ber::Value;
  if (oid == kSysName) return V::OctetString("upsprobe-sim");
  if (oid == kInputFrequency) return V::Gauge32(Rounded(frequency_));
  if (oid == kInputVoltage) return V::Gauge32(Rounded(inputVoltage_));
  if (oid == kOutputVoltage) return V::Gauge32(230);
  if (oid == kOutputLoad) return V::Gauge32(Rounded(load_));
  // A 1500 VA unit at 230 V draws about 6.5 A at full load.
  if (oid == kOutputCurrent) return V::Gauge32(Rounded(load_ * 0.065));
  if (oid == kBatteryTemperature) return V::Gauge32(Rounded(temperature_));
  if (oid == kBatteryCapacity) return V::Gauge32(100);
  if (oid == kRunTimeRemaining) {
    // Whole seconds, in hundredths of a second.
    return V::TimeTicks(static_cast<std::uint32_t>(runTimeSeconds_) * 100);
  }
  return std::nullopt;
}

SimulatedUps::Answer SimulatedUps::Handle(ber::ByteView datagram) {
  const auto request = ber::DecodeRequest(datagram);
  if (!request) return {std::nullopt, "refused: not a well-formed SNMP message"};
  if (request->version != 0) {
    return {std::nullopt, "refused: not SNMPv1 (version field " +
                              std::to_string(request->version) + ")"};
  }
  if (request->pduType != ber::tag::kGetRequest) {
    return {std::nullopt, "refused: not a GetRequest"};
  }
  std::string asked;
  for (const auto& oid : request->oids) asked += " " + oid;
  if (request->community != "mirkot") {
    return {std::nullopt, "get" + asked + " -> no answer: wrong community"};
  }

  Drift();
  std::vector<ber::Binding> bindings;
  std::string answered;
  for (std::size_t i = 0; i < request->oids.size(); ++i) {
    auto value = ValueOf(request->oids[i]);
    if (!value) {
      // noSuchName names the first missing object, counted from 1.
      return {ber::EncodeGetResponse(request->community, request->requestId,
                                     ber::error_status::kNoSuchName,
                                     static_cast<std::int64_t>(i + 1),
                                     {{request->oids[i], ber::Value::Null()}}),
              "get" + asked + " -> noSuchName"};
    }
    const auto text = ber::ValueText(value->type, value->contents);
    answered += " " + text.value_or("");
    bindings.push_back({request->oids[i], std::move(*value)});
  }
  return {ber::EncodeGetResponse(request->community, request->requestId, 0, 0, bindings),
          "get" + asked + " ->" + answered};
}

}  // namespace upsprobe
