// The query against Debian's Net-SNMP agent, checked against Net-SNMP's own
// reader.
#include <gtest/gtest.h>

#include "helpers/snmpd.h"
#include "snmp/snmp.h"

namespace upsprobe {
namespace {

using namespace std::chrono_literals;
using testing::AgentObject;
using testing::Snmpd;

class SnmpdPeer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Snmpd::Available()) return;
    agent_ = new Snmpd("ups-lab", {
                                      {"1.3.6.1.4.1.318.1.1.1.3.2.4.0", "unsigned", "50"},
                                      {"1.3.6.1.4.1.318.1.1.1.4.2.3.0", "unsigned", "0"},
                                      {"1.3.6.1.4.1.318.1.1.1.2.2.3.0", "timeticks", "372000"},
                                      {"1.3.6.1.4.1.318.1.1.1.4.2.1.0", "timeticks", "3000000000"},
                                      {"1.3.6.1.4.1.318.1.1.1.2.2.2.0", "integer", "-5"},
                                      {"1.3.6.1.4.1.318.1.1.1.2.2.1.0", "octet_str", "\"9 8\""},
                                  });
  }
  static void TearDownTestSuite() {
    delete agent_;
    agent_ = nullptr;
  }
  void SetUp() override {
    if (!Snmpd::Available()) GTEST_SKIP() << "snmpd or snmpget is not installed (package snmpd, snmp)";
    ASSERT_TRUE(agent_->running()) << "snmpd did not start";
  }
  std::string Query(const std::string& oid) const {
    return QuerySNMPValue({oid, "mirkot", agent_->address()}, agent_->port(), 5s);
  }

  static Snmpd* agent_;
};

Snmpd* SnmpdPeer::agent_ = nullptr;

TEST_F(SnmpdPeer, ReadsWhatSnmpgetReads) {
  const char* oids[] = {
      "1.3.6.1.2.1.1.5.0",              // sysName, OCTET STRING
      "1.3.6.1.4.1.318.1.1.1.3.2.4.0",  // Gauge32 50
      "1.3.6.1.4.1.318.1.1.1.4.2.3.0",  // Gauge32 0
      "1.3.6.1.4.1.318.1.1.1.2.2.3.0",  // TimeTicks
      "1.3.6.1.4.1.318.1.1.1.4.2.1.0",  // TimeTicks over 2^31
      "1.3.6.1.4.1.318.1.1.1.2.2.2.0",  // INTEGER, negative
      "1.3.6.1.4.1.318.1.1.1.2.2.1.0",  // OCTET STRING with a space
      "1.3.6.1.2.1.1.2.0",              // sysObjectID, OBJECT IDENTIFIER
  };
  for (const char* oid : oids) {
    const auto reference = agent_->SnmpGet(oid);
    ASSERT_TRUE(reference) << oid;
    EXPECT_EQ(Query(oid), *reference) << oid;
  }
  EXPECT_EQ(Query("1.3.6.1.2.1.1.5.0"), "ups-lab");
  EXPECT_EQ(Query("1.3.6.1.4.1.318.1.1.1.4.2.1.0"), "3000000000");
}

TEST_F(SnmpdPeer, MissingObjectAndWrongCommunityGiveTheEmptyText) {
  EXPECT_FALSE(agent_->SnmpGet("1.3.6.1.4.1.318.1.1.1.2.2.9.0"));
  EXPECT_EQ(Query("1.3.6.1.4.1.318.1.1.1.2.2.9.0"), "");
  EXPECT_EQ(QuerySNMPValue({"1.3.6.1.2.1.1.5.0", "public", agent_->address()}, agent_->port(),
                           300ms),
            "");
}

}  // namespace
}  // namespace upsprobe
