// A simulated APC UPS that answers SNMPv1 GetRequests for the objects the
// read-out shows, with values that drift a little from one request to the
// next.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "snmp/ber.h"

namespace upsprobe {

class SimulatedUps {
 public:
  explicit SimulatedUps(std::uint64_t seed);

  struct Answer {
    std::optional<ber::Bytes> reply;  // nothing: the request gets no answer
    std::string log;                  // one line saying what was asked and done
  };

  // Answers one request datagram. A well-formed v1 GetRequest with the
  // community "mirkot" gets the values, or noSuchName for an object the UPS
  // lacks; another community gets silence, as from a real agent; anything
  // else is refused without an answer.
  Answer Handle(ber::ByteView datagram);

 private:
  // Moves the state one small step: the load wanders, the temperature
  // follows it, the run time shrinks as the load grows.
  void Drift();
  std::optional<ber::Value> ValueOf(const std::string& oid) const;

  std::mt19937_64 random_;
  double load_ = 35.0;         // percent
  double temperature_ = 26.0;  // degrees Celsius
  double runTimeSeconds_;
  double inputVoltage_ = 230.0;
  double frequency_ = 50.0;
};

}  // namespace upsprobe
