// Feeds arbitrary datagrams to the simulated UPS: whatever arrives, it
// answers or refuses, and never crashes.
#include <cstddef>
#include <cstdint>

#include "simulated_ups.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  upsprobe::SimulatedUps ups(1);
  (void)ups.Handle({data, size});
  return 0;
}
