// The BER codec against golden datagrams.
#include "snmp/ber.h"

#include <gtest/gtest.h>

#include "helpers/hex.h"

namespace upsprobe::ber {
namespace {

using testing::Hex;
using testing::ToHex;

struct OidCase {
  const char* dotted;
  const char* encoded;
};

TEST(EncodeOid, WritesArcsInBase128) {
  const OidCase cases[] = {
      {"1.3.6.1.2.1.1.5.0", "2B 06 01 02 01 01 05 00"},
      {"1.3.6.1.4.1.318.1.1.1.2.2.3.0", "2B 06 01 04 01 82 3E 01 01 01 02 02 03 00"},
      {"1.3.127.128", "2B 7F 81 00"},
      {"1.3.16384", "2B 81 80 00"},
      {"1.3.4294967295", "2B 8F FF FF FF 7F"},
      {"1.3.000000000005", "2B 05"},
      {"2.999", "88 37"},  // 80 + 999 in two octets
      // A part that is not a 32-bit decimal number counts as 0.
      {"1.3.x.5", "2B 00 05"},
      {"1.3.-1", "2B 00"},
      {"1.3.4294967296", "2B 00"},
      {"1.3..7", "2B 00 07"},
      {"1", "28"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToHex(EncodeOid(c.dotted)), c.encoded) << c.dotted;
  }
}

TEST(EncodeGetRequest, SysNameRequestIsExact) {
  const auto expected = Hex(R"(
    30 26                                  # message SEQUENCE, 38 octets
       02 01 00                            # version 0 (SNMPv1)
       04 06 6D 69 72 6B 6F 74             # community "mirkot"
       A0 19                               # GetRequest-PDU, 25 octets
          02 01 00                         # request-id 0
          02 01 00                         # error-status 0
          02 01 00                         # error-index 0
          30 0E                            # variable-bindings
             30 0C                         # binding
                06 08 2B 06 01 02 01 01 05 00   # 1.3.6.1.2.1.1.5.0
                04 00                      # empty OCTET STRING
  )");
  EXPECT_EQ(ToHex(EncodeGetRequest("1.3.6.1.2.1.1.5.0", "mirkot")), ToHex(expected));
}

TEST(EncodeGetRequest, LongCommunityUsesLongFormLengths) {
  const std::string community(200, 'c');
  const auto request = EncodeGetRequest("1.3.6.1.2.1.1.5.0", community);
  // 3 (version) + 3 + 200 (community) + 27 (PDU) = 233 = 0xE9.
  ASSERT_EQ(request.size(), 3u + 233u);
  EXPECT_EQ(ToHex({request.begin(), request.begin() + 9}), "30 81 E9 02 01 00 04 81 C8");
}

TEST(EncodeInteger, IsMinimalTwosComplement) {
  EXPECT_EQ(ToHex(EncodeInteger(0)), "00");
  EXPECT_EQ(ToHex(EncodeInteger(127)), "7F");
  EXPECT_EQ(ToHex(EncodeInteger(128)), "00 80");
  EXPECT_EQ(ToHex(EncodeInteger(-1)), "FF");
  EXPECT_EQ(ToHex(EncodeInteger(-129)), "FF 7F");
  EXPECT_EQ(ToHex(EncodeUnsigned32(4294967295u)), "00 FF FF FF FF");
}

// A GetResponse for one binding of `oid` to the element `value`.
Bytes Reply(const Bytes& value, std::string_view oid = "1.3.6.1.2.1.1.5.0",
            std::uint8_t errorStatus = 0) {
  Bytes binding;
  AppendElement(binding, tag::kObjectIdentifier, EncodeOid(oid));
  binding.insert(binding.end(), value.begin(), value.end());
  Bytes list;
  AppendElement(list, tag::kSequence, binding);
  Bytes pdu = Hex("02 01 00 02 01");
  pdu.push_back(errorStatus);
  pdu.insert(pdu.end(), {0x02, 0x01, 0x00});
  AppendElement(pdu, tag::kSequence, list);
  Bytes body = Hex("02 01 00 04 06 6D 69 72 6B 6F 74");
  AppendElement(body, tag::kGetResponse, pdu);
  Bytes message;
  AppendElement(message, tag::kSequence, body);
  return message;
}

struct ValueCase {
  const char* name;
  const char* element;                 // the value's whole TLV, hex
  std::optional<std::string> text;     // empty optional: the reply fails
};

TEST(DecodeReplyValue, ValueTextByType) {
  using namespace std::string_literals;
  const ValueCase cases[] = {
      {"string", "04 07 75 70 73 2D 6C 61 62", "ups-lab"},
      {"string keeps spaces, high and zero octets", "04 05 20 E4 00 FF 20", " \xE4\0\xFF "s},
      {"empty string", "04 00", ""},
      {"opaque", "44 02 00 01", "\0\x01"s},
      {"integer zero", "02 01 00", "0"},
      {"integer negative", "02 01 FF", "-1"},
      {"integer -128", "02 01 80", "-128"},
      {"integer 128", "02 02 00 80", "128"},
      {"integer 64-bit max", "02 08 7F FF FF FF FF FF FF FF", "9223372036854775807"},
      {"integer over 64 bits", "02 09 00 80 00 00 00 00 00 00 00", std::nullopt},
      {"integer without octets", "02 00", std::nullopt},
      {"gauge zero", "42 01 00", "0"},
      {"gauge 2^32-1", "42 05 00 FF FF FF FF", "4294967295"},
      {"gauge over 32 bits", "42 05 01 00 00 00 00", std::nullopt},
      {"timeticks 2^31", "43 05 00 80 00 00 00", "2147483648"},
      {"timeticks 2^31 without its zero octet", "43 04 80 00 00 00", "2147483648"},
      {"counter", "41 02 01 2C", "300"},
      {"ip address", "40 04 C0 A8 01 FE", "192.168.1.254"},
      {"object identifier", "06 03 2B 06 01", "1.3.6.1"},
      {"object identifier, arc 2", "06 02 88 37", "2.999"},
      {"object identifier cut mid-arc", "06 02 2B 86", std::nullopt},
      {"object identifier with padding", "06 03 2B 80 01", std::nullopt},
      {"null", "05 00", ""},
      {"noSuchObject (SNMPv2)", "80 00", ""},
      {"counter64 (SNMPv2)", "46 01 05", ""},
      {"high tag number", "5F 81 00 01 07", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeReplyValue(Reply(Hex(c.element)), "1.3.6.1.2.1.1.5.0"), c.text) << c.name;
  }
}

TEST(DecodeReplyValue, GoldenSysNameReply) {
  const auto reply = Hex(R"(
    30 2D
       02 01 00
       04 06 6D 69 72 6B 6F 74
       A2 20
          02 01 00
          02 01 00
          02 01 00
          30 15
             30 13
                06 08 2B 06 01 02 01 01 05 00
                04 07 75 70 73 2D 6C 61 62        # "ups-lab"
  )");
  EXPECT_EQ(DecodeReplyValue(reply, "1.3.6.1.2.1.1.5.0"), "ups-lab");
  // Only a name equal as dotted text matches.
  EXPECT_EQ(DecodeReplyValue(reply, "1.3.6.1.2.1.1.5"), "");
  EXPECT_EQ(DecodeReplyValue(reply, "1.3.6.1.2.1.1.5.0.0"), "");

  // Every cut of the datagram is a failure, never a read past its end.
  for (std::size_t size = 0; size < reply.size(); ++size) {
    EXPECT_EQ(DecodeReplyValue({reply.data(), size}, "1.3.6.1.2.1.1.5.0"), std::nullopt)
        << "cut to " << size << " octets";
  }
}

TEST(DecodeReplyValue, Failures) {
  const auto value = Hex("04 01 41");
  EXPECT_EQ(DecodeReplyValue({}, "1.3"), std::nullopt) << "empty datagram";
  EXPECT_EQ(DecodeReplyValue(Reply(value, "1.3.6.1.2.1.1.5.0", 2), "1.3.6.1.2.1.1.5.0"),
            std::nullopt)
      << "noSuchName";
  EXPECT_EQ(DecodeReplyValue(Reply(value, "1.3.6.1.2.1.1.5.0", 5), "1.3.6.1.2.1.1.5.0"),
            std::nullopt)
      << "genErr";

  auto outerTooLong = Reply(value);
  outerTooLong[1] = static_cast<std::uint8_t>(outerTooLong[1] + 1);
  EXPECT_EQ(DecodeReplyValue(outerTooLong, "1.3.6.1.2.1.1.5.0"), std::nullopt);

  auto valueTooLong = Reply(value);
  valueTooLong[valueTooLong.size() - 2] = 0x7F;  // the string's length
  EXPECT_EQ(DecodeReplyValue(valueTooLong, "1.3.6.1.2.1.1.5.0"), std::nullopt);

  auto hugeLength = Reply(value);
  hugeLength[hugeLength.size() - 2] = 0x88;  // 8 length octets that are not there
  EXPECT_EQ(DecodeReplyValue(hugeLength, "1.3.6.1.2.1.1.5.0"), std::nullopt);

  auto indefinite = Reply(value);
  indefinite[1] = 0x80;
  EXPECT_EQ(DecodeReplyValue(indefinite, "1.3.6.1.2.1.1.5.0"), std::nullopt);

  auto notAPdu = Reply(value);
  notAPdu[13] = 0x30;  // the PDU's identifier
  EXPECT_EQ(DecodeReplyValue(notAPdu, "1.3.6.1.2.1.1.5.0"), std::nullopt);
}

TEST(DecodeReplyValue, Bindings) {
  const auto sysName = Hex("30 0F 06 08 2B 06 01 02 01 01 05 00 04 03 75 70 73");
  const auto other = Hex("30 0F 06 08 2B 06 01 02 01 01 06 00 04 03 6C 61 62");
  const auto secondName = Hex("30 0F 06 08 2B 06 01 02 01 01 05 00 04 03 74 77 6F");
  auto withList = [](std::initializer_list<Bytes> bindings) {
    Bytes list;
    for (const auto& b : bindings) list.insert(list.end(), b.begin(), b.end());
    Bytes pdu = Hex("02 01 00 02 01 00 02 01 00");
    AppendElement(pdu, tag::kSequence, list);
    Bytes body = Hex("02 01 00 04 00");
    AppendElement(body, tag::kGetResponse, pdu);
    Bytes message;
    AppendElement(message, tag::kSequence, body);
    return message;
  };
  const std::string oid = "1.3.6.1.2.1.1.5.0";
  EXPECT_EQ(DecodeReplyValue(withList({}), oid), "") << "no binding";
  EXPECT_EQ(DecodeReplyValue(withList({other}), oid), "") << "only another OID";
  EXPECT_EQ(DecodeReplyValue(withList({other, sysName}), oid), "ups") << "second binding";
  EXPECT_EQ(DecodeReplyValue(withList({sysName, secondName}), oid), "ups") << "first match";
  EXPECT_EQ(DecodeReplyValue(withList({Hex("30 02 05 00"), sysName}), oid), std::nullopt)
      << "a binding without a name";
}

TEST(DecodeReplyValue, AcceptsAnyDefiniteLengthForm) {
  // The same reply with the message length written in three octets, a
  // GetRequest PDU type, version 1 and trailing octets after the message.
  auto reply = Reply(Hex("04 01 41"));
  const std::uint8_t length = reply[1];
  reply.erase(reply.begin() + 1);
  reply.insert(reply.begin() + 1, {0x82, 0x00, length});
  reply[6] = 0x01;  // version
  reply[15] = tag::kGetRequest;
  reply.push_back(0x00);
  EXPECT_EQ(DecodeReplyValue(reply, "1.3.6.1.2.1.1.5.0"), "A");
}

TEST(DecodeRequest, ReadsWhatAnAgentAnswers) {
  const auto request = DecodeRequest(EncodeGetRequest("1.3.6.1.2.1.1.5.0", "mirkot"));
  ASSERT_TRUE(request);
  EXPECT_EQ(request->version, 0);
  EXPECT_EQ(request->community, "mirkot");
  EXPECT_EQ(request->pduType, tag::kGetRequest);
  EXPECT_EQ(request->requestId, 0);
  EXPECT_EQ(request->oids, std::vector<std::string>{"1.3.6.1.2.1.1.5.0"});

  const auto valid = EncodeGetRequest("1.3.6.1.2.1.1.5.0", "mirkot");
  for (std::size_t size = 0; size < valid.size(); ++size) {
    EXPECT_FALSE(DecodeRequest({valid.data(), size})) << "cut to " << size << " octets";
  }
}

TEST(EncodeGetResponse, RoundTripsThroughTheReplyDecoder) {
  const std::vector<Binding> bindings = {
      {"1.3.6.1.2.1.1.5.0", Value::OctetString("ups-lab")},
      {"1.3.6.1.4.1.318.1.1.1.2.2.3.0", Value::TimeTicks(372000)},
      {"1.3.6.1.4.1.318.1.1.1.2.2.2.0", Value::Gauge32(0)},
      {"1.3.6.1.2.1.1.7.0", Value::Integer(-72)},
  };
  const auto reply = EncodeGetResponse("mirkot", 7, 0, 0, bindings);
  EXPECT_EQ(DecodeReplyValue(reply, "1.3.6.1.2.1.1.5.0"), "ups-lab");
  EXPECT_EQ(DecodeReplyValue(reply, "1.3.6.1.4.1.318.1.1.1.2.2.3.0"), "372000");
  EXPECT_EQ(DecodeReplyValue(reply, "1.3.6.1.4.1.318.1.1.1.2.2.2.0"), "0");
  EXPECT_EQ(DecodeReplyValue(reply, "1.3.6.1.2.1.1.7.0"), "-72");
}

}  // namespace
}  // namespace upsprobe::ber
