// upsprobe-read: one reading of a UPS from a terminal, printed as the
// window shows it.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <string>
#include <string_view>

#include "probe/probe.h"
#include "snmp/snmp.h"

namespace {

constexpr const char* kUsage =
    "usage: upsprobe-read [--port PORT] [--timeout MS] HOST\n"
    "Reads the UPS at HOST over SNMPv1 (community \"mirkot\") once and prints\n"
    "the read-out. Exit status: 0 with the run-time line, 1 without it,\n"
    "2 for wrong usage. PORT defaults to 161, MS to 5000.\n";

// Prints each line as soon as it is read, so a slow UPS shows progress.
class StdoutView final : public upsprobe::ProbeView {
 public:
  explicit StdoutView(std::string host) : host_(std::move(host)) {}
  std::string HostText() override { return host_; }
  void ClearLines() override {}
  void AppendLine(const std::string& line) override {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  void SetScreenCursor(upsprobe::ScreenCursor) override {}

 private:
  std::string host_;
};

// A decimal number in [low, high], or -1.
long Number(const char* text, long low, long high) {
  if (text == nullptr || *text < '0' || *text > '9') return -1;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return (*end == '\0' && value >= low && value <= high) ? value : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  long port = upsprobe::kSNMPPort;
  long timeout = upsprobe::kSNMPTimeout.count();
  const char* host = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--port" && i + 1 < argc) {
      port = Number(argv[++i], 1, 65535);
    } else if (arg == "--timeout" && i + 1 < argc) {
      timeout = Number(argv[++i], 0, 3600000);
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (host == nullptr && (arg.empty() || arg[0] != '-')) {
      host = argv[i];
    } else {
      port = -1;
    }
  }
  if (host == nullptr || port < 0 || timeout < 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  StdoutView view(host);
  const auto query = [port, timeout](const upsprobe::tSNMPRec& request) {
    return upsprobe::QuerySNMPValue(request, static_cast<std::uint16_t>(port),
                                    std::chrono::milliseconds(timeout));
  };
  return upsprobe::RunProbeCycle(view, query) ? 0 : 1;
}
