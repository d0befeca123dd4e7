// The version note the build embeds in each executable: an ELF note named
// "upsprobe" whose descriptor holds the four version numbers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace upsprobe {

inline constexpr char kVersionNoteName[] = "upsprobe";  // with its NUL: 9 octets
inline constexpr std::uint32_t kVersionNoteType = 0x56535055;  // "UPSV" read little-endian

using VersionNumbers = std::array<std::uint32_t, 4>;

// Finds the version note in an ELF image (32- or 64-bit, either byte order)
// through its section headers, else its program headers. The descriptor is
// four 32-bit or four 16-bit numbers. Every offset and size is checked
// against the image; anything malformed gives an empty optional.
std::optional<VersionNumbers> FindVersionNote(std::span<const std::uint8_t> image);

}  // namespace upsprobe
