#include "probe/probe.h"

#include <limits>

namespace upsprobe {

namespace {

// Shows the busy cursor for its lifetime and forces the arrow afterwards.
class BusyCursor {
 public:
  explicit BusyCursor(ProbeView& view) : view_(view) { view_.SetScreenCursor(ScreenCursor::Busy); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
  ~BusyCursor() {
    try {
      view_.SetScreenCursor(ScreenCursor::Arrow);
    } catch (...) {
      // Nothing more can be done for the cursor.
    }
  }

 private:
  ProbeView& view_;
};

}  // namespace

std::string ChooseText(bool condition, const std::string& whenTrue, const std::string& whenFalse) {
  return condition ? whenTrue : whenFalse;
}

std::string TimeLine(std::time_t now) {
  std::tm local{};
  char text[128] = {};
  if (::localtime_r(&now, &local) == nullptr ||
      std::strftime(text, sizeof text, "%X", &local) == 0) {
    return "Time=";
  }
  return std::string("Time=") + text;
}

std::optional<std::int32_t> ParseTicks(std::string_view value) {
  std::size_t pos = 0;
  while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < value.size() && (value[pos] == '+' || value[pos] == '-')) {
    negative = value[pos] == '-';
    ++pos;
  }
  if (pos == value.size()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (; pos < value.size(); ++pos) {
    if (value[pos] < '0' || value[pos] > '9') return std::nullopt;
    magnitude = magnitude * 10 + (value[pos] - '0');
    if (magnitude > std::int64_t{1} << 31) return std::nullopt;
  }
  const std::int64_t ticks = negative ? -magnitude : magnitude;
  if (ticks > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(ticks);
}

std::optional<std::string> RuntimeLine(std::string_view value) {
  const auto ticks = ParseTicks(value);
  if (!ticks) return std::nullopt;
  // Hundredths to whole seconds; all divisions truncate toward zero.
  const std::int32_t seconds = *ticks / 100;
  const std::int32_t hours = seconds / 3600;
  const std::int32_t rest = seconds - hours * 3600;
  const std::int32_t minutes = rest / 60;
  const std::int32_t secs = rest - minutes * 60;
  return "Runtime=" + std::to_string(hours) + " hour " + " " + std::to_string(minutes) + " min " +
         " " + std::to_string(secs) + " sec";
}

bool RunProbeCycle(ProbeView& view, const SNMPQuery& query) {
  const BusyCursor cursor(view);
  try {
    view.ClearLines();
    view.AppendLine(TimeLine(std::time(nullptr)));
    tSNMPRec request{"", kCommunity, view.HostText()};
    for (std::size_t row = 0; row + 1 < kReadings.size(); ++row) {
      request.OID = kReadings[row].oid;
      const std::string value = query(request);
      view.AppendLine(kReadings[row].label + value +
                      ChooseText(value.empty(), "", kReadings[row].unit));
    }
    request.OID = kReadings.back().oid;
    const auto runtime = RuntimeLine(query(request));
    if (!runtime) return false;
    view.AppendLine(*runtime);
    return true;
  } catch (...) {
    // A reading that cannot go on stops quietly with what it has shown.
    return false;
  }
}

}  // namespace upsprobe
