// Byte vectors written as hex text in tests, so golden datagrams read like a
// packet dump.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace upsprobe::testing {

// "30 26 02 01" -> {0x30, 0x26, 0x02, 0x01}; spaces and newlines are
// ignored, and so is a note from "#" to the end of its line.
inline std::vector<std::uint8_t> Hex(std::string_view text) {
  std::vector<std::uint8_t> out;
  int high = -1;
  bool inNote = false;
  for (const char c : text) {
    if (c == '#') inNote = true;
    if (c == '\n') inNote = false;
    if (inNote) continue;
    int nibble = -1;
    if (c >= '0' && c <= '9') nibble = c - '0';
    if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
    if (nibble < 0) continue;
    if (high < 0) {
      high = nibble;
    } else {
      out.push_back(static_cast<std::uint8_t>(high * 16 + nibble));
      high = -1;
    }
  }
  return out;
}

inline std::string ToHex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const std::uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

}  // namespace upsprobe::testing
