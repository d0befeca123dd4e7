#include "helpers/snmpd.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "helpers/responder.h"
#include "snmp/snmp.h"

extern char** environ;

namespace upsprobe::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "upsprobe-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool Snmpd::Available() {
  return RunCommand("command -v snmpd >/dev/null 2>&1 && command -v snmpget >/dev/null 2>&1")
             .status == 0;
}

Snmpd::Snmpd(std::string sysName, const std::vector<AgentObject>& objects, std::string address,
             std::uint16_t port)
    : address_(std::move(address)), port_(port) {
  char pattern[] = "/tmp/upsprobe-snmpd-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return;
  directory_ = pattern;
  const std::string config = directory_ + "/snmpd.conf";
  {
    std::ofstream out(config);
    // Requests to any loopback address leave from 127.0.0.1.
    out << "rocommunity mirkot 127.0.0.0/8\n";
    out << "sysName " << sysName << "\n";
    for (const AgentObject& o : objects) {
      out << "override ." << o.oid << " " << o.type << " " << o.value << "\n";
    }
  }
  if (port_ == 0) port_ = UnusedUdpPort();
  const std::string endpoint = "udp:" + address_ + ":" + std::to_string(port_);
  const std::string log = directory_ + "/snmpd.log";
  std::vector<std::string> args = {"snmpd", "-f", "-Lf", log, "-C", "-c", config,
                                   "-p", directory_ + "/snmpd.pid", endpoint};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::setenv("MIBS", "", 1);
  ::setenv("SNMP_PERSISTENT_DIR", directory_.c_str(), 1);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, "snmpd", nullptr, nullptr, argv.data(), environ) != 0) return;
  pid_ = pid;
  // Up when it answers; it fails fast when its endpoint cannot be opened.
  const tSNMPRec probe{"1.3.6.1.2.1.1.5.0", "mirkot", address_};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline) {
    if (!QuerySNMPValue(probe, port_, std::chrono::milliseconds(100)).empty()) {
      running_ = true;
      return;
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    // Before snmpd binds, the query ends at once with port-unreachable.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

Snmpd::~Snmpd() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  if (!directory_.empty()) {
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
  }
}

std::optional<std::string> Snmpd::SnmpGet(const std::string& oid) const {
  const auto result = RunCommand("MIBS= snmpget -m '' -v1 -c mirkot -r 0 -t 5 -On -Oqvt " +
                                 address_ + ":" + std::to_string(port_) + " ." + oid +
                                 " 2>/dev/null");
  if (result.status != 0) return std::nullopt;
  std::string text = result.output;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  } else if (text.size() >= 2 && text[0] == '.' && text[1] >= '0' && text[1] <= '9') {
    text.erase(0, 1);  // OBJECT IDENTIFIER values are printed with a leading dot
  }
  return text;
}

}  // namespace upsprobe::testing
