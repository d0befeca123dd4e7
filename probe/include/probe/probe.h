// One reading of the UPS: nine SNMP queries turned into the ten-line
// read-out, written to whatever view the caller gives.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "snmp/snmp.h"

namespace upsprobe {

// One line of the read-out: the object read, the line's label, and the unit
// put after a non-empty value.
struct ReadingRow {
  const char* oid;
  const char* label;
  const char* unit;
};

// MIB-II sysName, then APC PowerNet-MIB (enterprise 318) objects. The last
// one, the remaining run time in TimeTicks, becomes the run-time line.
inline constexpr std::array<ReadingRow, 9> kReadings = {{
    {"1.3.6.1.2.1.1.5.0", "SysName=", ""},
    {"1.3.6.1.4.1.318.1.1.1.3.2.4.0", "Input Freq=", "Hz"},
    {"1.3.6.1.4.1.318.1.1.1.3.2.1.0", "Input Voltage=", "v"},
    {"1.3.6.1.4.1.318.1.1.1.4.2.1.0", "Output Voltage=", "v"},
    {"1.3.6.1.4.1.318.1.1.1.4.2.3.0", "Output Load=", "%"},
    {"1.3.6.1.4.1.318.1.1.1.4.2.4.0", "Output Current=", "A"},
    {"1.3.6.1.4.1.318.1.1.1.2.2.2.0", "UPS Temp=", "c"},
    {"1.3.6.1.4.1.318.1.1.1.2.2.1.0", "Capacity=", "%"},
    {"1.3.6.1.4.1.318.1.1.1.2.2.3.0", "Runtime=", ""},
}};

inline constexpr char kCommunity[] = "mirkot";

// `whenTrue` if `condition` holds, else `whenFalse`.
std::string ChooseText(bool condition, const std::string& whenTrue, const std::string& whenFalse);

// "Time=" and the local time of day `now` in the locale's time format
// (LC_TIME).
std::string TimeLine(std::time_t now);

// A run-time value in TimeTicks read as a signed 32-bit decimal: optional
// leading blanks, an optional sign, digits and nothing after them.
std::optional<std::int32_t> ParseTicks(std::string_view value);

// "Runtime=H hour  M min  S sec" for a run-time value, or nothing when the
// value is not a number of ticks.
std::optional<std::string> RuntimeLine(std::string_view value);

enum class ScreenCursor { Busy, Arrow };

// What a reading needs from the window that shows it.
class ProbeView {
 public:
  virtual ~ProbeView() = default;
  virtual std::string HostText() = 0;
  virtual void ClearLines() = 0;
  virtual void AppendLine(const std::string& line) = 0;
  virtual void SetScreenCursor(ScreenCursor cursor) = 0;
};

// Asks one object; GetSNMPValue, or another port and timeout in tests.
using SNMPQuery = std::function<std::string(const tSNMPRec&)>;

// One whole reading: busy cursor, clear, the time line, a line per reading
// row in order, then the arrow cursor again whatever happened. A reading
// that fails shows its label alone. An error, or a run time that is not a
// number, ends the reading where it is and keeps the lines written so far.
// Returns whether the run-time line was written.
bool RunProbeCycle(ProbeView& view, const SNMPQuery& query = GetSNMPValue);

}  // namespace upsprobe
