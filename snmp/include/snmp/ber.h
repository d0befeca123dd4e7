// SNMPv1 messages in BER (X.690, definite lengths), as pure functions over
// byte spans. Decoding never reads outside the span it is given and reports
// malformed input as an empty optional; nothing here throws except
// std::bad_alloc.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace upsprobe::ber {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Identifier octets of the types SNMPv1 uses.
namespace tag {
inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kOctetString = 0x04;
inline constexpr std::uint8_t kNull = 0x05;
inline constexpr std::uint8_t kObjectIdentifier = 0x06;
inline constexpr std::uint8_t kSequence = 0x30;
inline constexpr std::uint8_t kIpAddress = 0x40;
inline constexpr std::uint8_t kCounter32 = 0x41;
inline constexpr std::uint8_t kGauge32 = 0x42;
inline constexpr std::uint8_t kTimeTicks = 0x43;
inline constexpr std::uint8_t kOpaque = 0x44;
inline constexpr std::uint8_t kGetRequest = 0xA0;
inline constexpr std::uint8_t kGetNextRequest = 0xA1;
inline constexpr std::uint8_t kGetResponse = 0xA2;
}  // namespace tag

// error-status values of RFC 1157.
namespace error_status {
inline constexpr std::int64_t kNoError = 0;
inline constexpr std::int64_t kNoSuchName = 2;
inline constexpr std::int64_t kGenErr = 5;
}  // namespace error_status

// Appends identifier, minimal definite length and contents.
void AppendElement(Bytes& out, std::uint8_t identifier, ByteView contents);

// Contents octets of an OBJECT IDENTIFIER written as dotted decimal. A part
// that is not a decimal number of at most 32 bits counts as 0.
Bytes EncodeOid(std::string_view dotted);
// Dotted decimal text of OBJECT IDENTIFIER contents; empty optional when the
// contents are malformed (empty, truncated, non-minimal or over 64 bits).
std::optional<std::string> DecodeOid(ByteView contents);

// Contents of a two's complement INTEGER of at most 8 octets.
std::optional<std::int64_t> DecodeInteger(ByteView contents);
Bytes EncodeInteger(std::int64_t value);
// Contents of a Counter32, Gauge32 or TimeTicks: non-negative, minimal.
Bytes EncodeUnsigned32(std::uint32_t value);

// The whole GetRequest datagram: version 0, the community, request-id,
// error-status and error-index 0, one binding of the OID to an empty
// OCTET STRING.
Bytes EncodeGetRequest(std::string_view oid, std::string_view community);

// The text of a value of the given type: octets unchanged for OCTET STRING
// and Opaque, decimal for INTEGER (signed) and Counter32, Gauge32, TimeTicks
// (unsigned 32-bit), dotted for IpAddress and OBJECT IDENTIFIER, the empty
// text for NULL and every other type. Empty optional when malformed.
std::optional<std::string> ValueText(std::uint8_t type, ByteView contents);

// Reads a reply datagram and returns the value text of the first binding
// whose name equals `oid` as dotted text, or the empty text when no binding
// matches. An empty optional means failure: a malformed or truncated reply,
// or a non-zero error-status. Version, community, request-id and PDU type are
// not checked against the request.
std::optional<std::string> DecodeReplyValue(ByteView datagram,
                                            std::string_view oid);

// The parts of a request that an agent answers.
struct Request {
  std::int64_t version = 0;
  std::string community;
  std::uint8_t pduType = 0;
  std::int64_t requestId = 0;
  std::vector<std::string> oids;  // binding names, in order
};
// Reads a request datagram (any PDU type); empty optional when malformed.
std::optional<Request> DecodeRequest(ByteView datagram);

// A typed value for a response binding.
struct Value {
  std::uint8_t type = tag::kNull;
  Bytes contents;

  static Value OctetString(std::string_view text);
  static Value Integer(std::int64_t number);
  static Value Gauge32(std::uint32_t number);
  static Value TimeTicks(std::uint32_t number);
  static Value Null();
};

struct Binding {
  std::string oid;
  Value value;
};

// A whole GetResponse datagram.
Bytes EncodeGetResponse(std::string_view community, std::int64_t requestId,
                        std::int64_t errorStatus, std::int64_t errorIndex,
                        const std::vector<Binding>& bindings);

}  // namespace upsprobe::ber
