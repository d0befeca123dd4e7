#include "snmp/ber.h"

#include <limits>

#include "ber_reader.h"

namespace upsprobe::ber {

namespace {

void AppendLength(Bytes& out, std::size_t length) {
  if (length < 0x80) {
    out.push_back(static_cast<std::uint8_t>(length));
    return;
  }
  std::uint8_t octets[sizeof(std::size_t)];
  std::size_t count = 0;
  for (std::size_t rest = length; rest != 0; rest >>= 8) {
    octets[count++] = static_cast<std::uint8_t>(rest & 0xFF);
  }
  out.push_back(static_cast<std::uint8_t>(0x80 | count));
  while (count > 0) out.push_back(octets[--count]);
}

void AppendBase128(Bytes& out, std::uint64_t value) {
  std::uint8_t groups[10];
  std::size_t count = 0;
  do {
    groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (count > 1) out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
  out.push_back(groups[0]);
}

// A dotted part as a 32-bit arc; anything else counts as 0.
std::uint64_t ArcValue(std::string_view part) {
  if (part.empty()) return 0;
  std::uint64_t value = 0;
  for (const char c : part) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > std::numeric_limits<std::uint32_t>::max()) return 0;
  }
  return value;
}

Bytes Element(std::uint8_t identifier, ByteView contents) {
  Bytes out;
  AppendElement(out, identifier, contents);
  return out;
}

// The message around a PDU: version 0 and the community.
Bytes Message(std::string_view community, std::uint8_t pduType, ByteView pduContents) {
  Bytes body;
  AppendElement(body, tag::kInteger, EncodeInteger(0));
  AppendElement(body, tag::kOctetString,
                {reinterpret_cast<const std::uint8_t*>(community.data()), community.size()});
  AppendElement(body, pduType, pduContents);
  return Element(tag::kSequence, body);
}

// Reads version, community and the PDU's identifier and contents.
bool ReadMessage(ByteView datagram, std::int64_t& version, std::string& community,
                 std::uint8_t& pduType, Reader& pdu) {
  Reader outer(datagram);
  Reader message;
  Reader versionContents;
  Reader communityContents;
  if (!outer.Read(tag::kSequence, message) ||
      !message.Read(tag::kInteger, versionContents) ||
      !message.Read(tag::kOctetString, communityContents) ||
      !message.ReadAny(pduType, pdu)) {
    return false;
  }
  // Any context-specific constructed identifier is a PDU.
  if ((pduType & 0xE0) != 0xA0) return false;
  const auto v = DecodeInteger(versionContents.bytes());
  if (!v) return false;
  version = *v;
  const auto c = communityContents.bytes();
  community.assign(c.begin(), c.end());
  return true;
}

// Reads request-id, error-status and error-index and leaves `bindings` on
// the variable-bindings list.
bool ReadPduHeader(Reader& pdu, std::int64_t& requestId, std::int64_t& errorStatus,
                   Reader& bindings) {
  Reader id;
  Reader status;
  Reader index;
  if (!pdu.Read(tag::kInteger, id) || !pdu.Read(tag::kInteger, status) ||
      !pdu.Read(tag::kInteger, index) || !pdu.Read(tag::kSequence, bindings)) {
    return false;
  }
  const auto idValue = DecodeInteger(id.bytes());
  const auto statusValue = DecodeInteger(status.bytes());
  if (!idValue || !statusValue || !DecodeInteger(index.bytes())) return false;
  requestId = *idValue;
  errorStatus = *statusValue;
  return true;
}

// Reads one binding: its name as dotted text, its value's type and contents.
bool ReadBinding(Reader& bindings, std::string& name, std::uint8_t& type, Reader& value) {
  Reader binding;
  Reader nameContents;
  if (!bindings.Read(tag::kSequence, binding) ||
      !binding.Read(tag::kObjectIdentifier, nameContents) ||
      !binding.ReadAny(type, value)) {
    return false;
  }
  auto text = DecodeOid(nameContents.bytes());
  if (!text) return false;
  name = std::move(*text);
  return true;
}

}  // namespace

void AppendElement(Bytes& out, std::uint8_t identifier, ByteView contents) {
  out.push_back(identifier);
  AppendLength(out, contents.size());
  out.insert(out.end(), contents.begin(), contents.end());
}

Bytes EncodeOid(std::string_view dotted) {
  std::vector<std::uint64_t> arcs;
  for (;;) {
    const std::size_t dot = dotted.find('.');
    arcs.push_back(ArcValue(dotted.substr(0, dot)));
    if (dot == std::string_view::npos) break;
    dotted.remove_prefix(dot + 1);
  }
  Bytes out;
  const std::uint64_t second = arcs.size() > 1 ? arcs[1] : 0;
  AppendBase128(out, arcs[0] * 40 + second);
  for (std::size_t i = 2; i < arcs.size(); ++i) AppendBase128(out, arcs[i]);
  return out;
}

std::optional<std::string> DecodeOid(ByteView contents) {
  if (contents.empty()) return std::nullopt;
  std::string text;
  bool first = true;
  std::size_t pos = 0;
  while (pos < contents.size()) {
    // A subidentifier may not start with a padding octet 0x80.
    if (contents[pos] == 0x80) return std::nullopt;
    std::uint64_t value = 0;
    for (;;) {
      if (pos >= contents.size()) return std::nullopt;  // cut mid-arc
      if (value > (std::numeric_limits<std::uint64_t>::max() >> 7)) return std::nullopt;
      const std::uint8_t octet = contents[pos++];
      value = (value << 7) | (octet & 0x7F);
      if ((octet & 0x80) == 0) break;
    }
    if (first) {
      // X.690 8.19.4: the first subidentifier joins the first two arcs.
      const std::uint64_t top = value < 80 ? value / 40 : 2;
      text += std::to_string(top);
      text += '.';
      text += std::to_string(value - top * 40);
      first = false;
    } else {
      text += '.';
      text += std::to_string(value);
    }
  }
  return text;
}

std::optional<std::int64_t> DecodeInteger(ByteView contents) {
  if (contents.empty() || contents.size() > 8) return std::nullopt;
  // Sign-extend from the first octet, then shift the rest in.
  std::uint64_t bits = (contents[0] & 0x80) ? ~std::uint64_t{0} : 0;
  for (const std::uint8_t octet : contents) bits = (bits << 8) | octet;
  return static_cast<std::int64_t>(bits);
}

Bytes EncodeInteger(std::int64_t value) {
  auto bits = static_cast<std::uint64_t>(value);
  std::size_t count = 8;
  // Drop leading octets that only repeat the sign of the next one.
  while (count > 1) {
    const auto top = static_cast<std::uint8_t>(bits >> ((count - 1) * 8));
    const auto next = static_cast<std::uint8_t>(bits >> ((count - 2) * 8));
    if ((top == 0x00 && !(next & 0x80)) || (top == 0xFF && (next & 0x80))) {
      --count;
    } else {
      break;
    }
  }
  Bytes out;
  for (std::size_t i = count; i > 0; --i) {
    out.push_back(static_cast<std::uint8_t>(bits >> ((i - 1) * 8)));
  }
  return out;
}

Bytes EncodeUnsigned32(std::uint32_t value) {
  return EncodeInteger(static_cast<std::int64_t>(value));
}

Bytes EncodeGetRequest(std::string_view oid, std::string_view community) {
  Bytes binding;
  AppendElement(binding, tag::kObjectIdentifier, EncodeOid(oid));
  AppendElement(binding, tag::kOctetString, {});
  Bytes pdu;
  const Bytes zero = EncodeInteger(0);
  AppendElement(pdu, tag::kInteger, zero);  // request-id
  AppendElement(pdu, tag::kInteger, zero);  // error-status
  AppendElement(pdu, tag::kInteger, zero);  // error-index
  AppendElement(pdu, tag::kSequence, Element(tag::kSequence, binding));
  return Message(community, tag::kGetRequest, pdu);
}

std::optional<std::string> ValueText(std::uint8_t type, ByteView contents) {
  switch (type) {
    case tag::kOctetString:
    case tag::kOpaque:
      return std::string(contents.begin(), contents.end());
    case tag::kInteger: {
      const auto value = DecodeInteger(contents);
      if (!value) return std::nullopt;
      return std::to_string(*value);
    }
    case tag::kCounter32:
    case tag::kGauge32:
    case tag::kTimeTicks: {
      const auto value = DecodeInteger(contents);
      if (!value) return std::nullopt;
      // Unsigned 32-bit. Some agents drop the leading zero octet of values
      // of 2^31 and more, which then read as negative: take those modulo
      // 2^32, as Net-SNMP does. Anything wider is malformed.
      constexpr std::int64_t kModulus = std::int64_t{1} << 32;
      if (*value >= kModulus || *value < -(kModulus / 2)) return std::nullopt;
      return std::to_string(*value < 0 ? *value + kModulus : *value);
    }
    case tag::kIpAddress: {
      std::string text;
      for (const std::uint8_t octet : contents) {
        if (!text.empty()) text += '.';
        text += std::to_string(octet);
      }
      return text;
    }
    case tag::kObjectIdentifier:
      return DecodeOid(contents);
    default:
      return std::string();
  }
}

std::optional<std::string> DecodeReplyValue(ByteView datagram, std::string_view oid) {
  std::int64_t version = 0;
  std::string community;
  std::uint8_t pduType = 0;
  Reader pdu;
  std::int64_t requestId = 0;
  std::int64_t errorStatus = 0;
  Reader bindings;
  if (!ReadMessage(datagram, version, community, pduType, pdu) ||
      !ReadPduHeader(pdu, requestId, errorStatus, bindings) ||
      errorStatus != error_status::kNoError) {
    return std::nullopt;
  }
  while (!bindings.empty()) {
    std::string name;
    std::uint8_t type = 0;
    Reader value;
    if (!ReadBinding(bindings, name, type, value)) return std::nullopt;
    if (name == oid) return ValueText(type, value.bytes());
  }
  return std::string();
}

std::optional<Request> DecodeRequest(ByteView datagram) {
  Request request;
  Reader pdu;
  std::int64_t errorStatus = 0;
  Reader bindings;
  if (!ReadMessage(datagram, request.version, request.community, request.pduType, pdu) ||
      !ReadPduHeader(pdu, request.requestId, errorStatus, bindings)) {
    return std::nullopt;
  }
  while (!bindings.empty()) {
    std::string name;
    std::uint8_t type = 0;
    Reader value;
    if (!ReadBinding(bindings, name, type, value)) return std::nullopt;
    request.oids.push_back(std::move(name));
  }
  return request;
}

Value Value::OctetString(std::string_view text) {
  return {tag::kOctetString, Bytes(text.begin(), text.end())};
}
Value Value::Integer(std::int64_t number) { return {tag::kInteger, EncodeInteger(number)}; }
Value Value::Gauge32(std::uint32_t number) { return {tag::kGauge32, EncodeUnsigned32(number)}; }
Value Value::TimeTicks(std::uint32_t number) {
  return {tag::kTimeTicks, EncodeUnsigned32(number)};
}
Value Value::Null() { return {tag::kNull, {}}; }

Bytes EncodeGetResponse(std::string_view community, std::int64_t requestId,
                        std::int64_t errorStatus, std::int64_t errorIndex,
                        const std::vector<Binding>& bindings) {
  Bytes list;
  for (const Binding& b : bindings) {
    Bytes binding;
    AppendElement(binding, tag::kObjectIdentifier, EncodeOid(b.oid));
    AppendElement(binding, b.value.type, b.value.contents);
    AppendElement(list, tag::kSequence, binding);
  }
  Bytes pdu;
  AppendElement(pdu, tag::kInteger, EncodeInteger(requestId));
  AppendElement(pdu, tag::kInteger, EncodeInteger(errorStatus));
  AppendElement(pdu, tag::kInteger, EncodeInteger(errorIndex));
  AppendElement(pdu, tag::kSequence, list);
  return Message(community, tag::kGetResponse, pdu);
}

}  // namespace upsprobe::ber
