// A UPS with a known value for each of the nine objects, and the read-out
// lines those values make (without the time line).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "snmp/ber.h"

namespace upsprobe::testing {

inline std::map<std::string, ber::Value> FullUpsObjects() {
  using V = ber::Value;
  return {
      {"1.3.6.1.2.1.1.5.0", V::OctetString("ups-lab")},
      {"1.3.6.1.4.1.318.1.1.1.3.2.4.0", V::Gauge32(50)},
      {"1.3.6.1.4.1.318.1.1.1.3.2.1.0", V::Gauge32(230)},
      {"1.3.6.1.4.1.318.1.1.1.4.2.1.0", V::Gauge32(229)},
      {"1.3.6.1.4.1.318.1.1.1.4.2.3.0", V::Gauge32(17)},
      {"1.3.6.1.4.1.318.1.1.1.4.2.4.0", V::Gauge32(3)},
      {"1.3.6.1.4.1.318.1.1.1.2.2.2.0", V::Gauge32(0)},  // a value of 0 still gets its unit
      {"1.3.6.1.4.1.318.1.1.1.2.2.1.0", V::Gauge32(100)},
      {"1.3.6.1.4.1.318.1.1.1.2.2.3.0", V::TimeTicks(372000)},
  };
}

inline const std::vector<std::string> kFullUpsReadOut = {
    "SysName=ups-lab",  "Input Freq=50Hz",   "Input Voltage=230v",
    "Output Voltage=229v", "Output Load=17%", "Output Current=3A",
    "UPS Temp=0c",      "Capacity=100%",     "Runtime=1 hour  2 min  0 sec",
};

}  // namespace upsprobe::testing
