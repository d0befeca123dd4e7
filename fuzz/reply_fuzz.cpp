// Feeds arbitrary datagrams to the reply and request decoders: neither may
// crash, read out of bounds or hang, whatever arrives.
#include <cstddef>
#include <cstdint>

#include "snmp/ber.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const upsprobe::ber::ByteView datagram(data, size);
  (void)upsprobe::ber::DecodeReplyValue(datagram, "1.3.6.1.2.1.1.5.0");
  (void)upsprobe::ber::DecodeReplyValue(datagram, "1.3.6.1.4.1.318.1.1.1.2.2.3.0");
  (void)upsprobe::ber::DecodeRequest(datagram);
  return 0;
}
