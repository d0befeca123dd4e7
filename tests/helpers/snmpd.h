// Debian's Net-SNMP agent and reader as test peers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace upsprobe::testing {

// One object the agent serves: an `override` line of snmpd.conf.
struct AgentObject {
  std::string oid;   // dotted, without a leading dot
  std::string type;  // "unsigned", "timeticks", "integer", "octet_str"
  std::string value;
};

// A Net-SNMP snmpd on a loopback address and port, with the community
// "mirkot" and the given sysName and objects, stopped when destroyed.
class Snmpd {
 public:
  // Whether snmpd is installed; tests that need it skip when it is not.
  static bool Available();

  Snmpd(std::string sysName, const std::vector<AgentObject>& objects,
        std::string address = "127.0.0.1", std::uint16_t port = 0);
  ~Snmpd();
  Snmpd(const Snmpd&) = delete;
  Snmpd& operator=(const Snmpd&) = delete;

  // False when the agent did not come up (for example the port was taken).
  bool running() const { return running_; }
  const std::string& address() const { return address_; }
  std::uint16_t port() const { return port_; }

  // The value Net-SNMP's snmpget reads for `oid`, in its quick numeric
  // form with string quotes and an OID's leading dot taken off; empty optional when it fails.
  std::optional<std::string> SnmpGet(const std::string& oid) const;

 private:
  std::string directory_;
  std::string address_;
  std::uint16_t port_ = 0;
  int pid_ = -1;
  bool running_ = false;
};

// The output and exit status of a command run through the shell.
struct CommandResult {
  int status = -1;
  std::string output;
};
CommandResult RunCommand(const std::string& command);

// A fresh directory under the system's temporary folder, removed with its
// contents when destroyed.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace upsprobe::testing
