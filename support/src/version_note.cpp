#include "support/version_note.h"

#include <cstring>
#include <string_view>

namespace upsprobe {

namespace {

constexpr std::uint32_t kSectionNote = 7;  // SHT_NOTE
constexpr std::uint32_t kSegmentNote = 4;  // PT_NOTE

// Bounds-checked reads of fixed-size integers in the image's byte order.
class ElfImage {
 public:
  ElfImage(std::span<const std::uint8_t> image, bool bigEndian)
      : image_(image), bigEndian_(bigEndian) {}

  std::size_t size() const { return image_.size(); }

  bool Read(std::uint64_t offset, std::size_t width, std::uint64_t& value) const {
    if (offset > image_.size() || width > image_.size() - offset) return false;
    value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t at = static_cast<std::size_t>(offset) + (bigEndian_ ? i : width - 1 - i);
      value = (value << 8) | image_[at];
    }
    return true;
  }

  // Whether [offset, offset + length) lies inside the image.
  bool Contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= image_.size() && length <= image_.size() - offset;
  }

  const std::uint8_t* At(std::uint64_t offset) const {
    return image_.data() + static_cast<std::size_t>(offset);
  }

 private:
  std::span<const std::uint8_t> image_;
  bool bigEndian_;
};

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// Walks the notes in [offset, offset + length) for ours.
std::optional<VersionNumbers> FindInNotes(const ElfImage& elf, std::uint64_t offset,
                                          std::uint64_t length, std::uint64_t alignment) {
  if (!elf.Contains(offset, length)) return std::nullopt;
  alignment = alignment == 8 ? 8 : 4;
  const std::uint64_t end = offset + length;
  std::uint64_t at = offset;
  while (end - at >= 12) {
    std::uint64_t nameSize = 0;
    std::uint64_t descSize = 0;
    std::uint64_t type = 0;
    if (!elf.Read(at, 4, nameSize) || !elf.Read(at + 4, 4, descSize) ||
        !elf.Read(at + 8, 4, type)) {
      return std::nullopt;
    }
    // Sizes are 32-bit, so none of these sums can overflow 64 bits.
    const std::uint64_t nameAt = at + 12;
    const std::uint64_t descAt = nameAt + AlignUp(nameSize, alignment);
    const std::uint64_t next = descAt + AlignUp(descSize, alignment);
    if (descAt + descSize > end) return std::nullopt;
    if (nameSize == sizeof kVersionNoteName && type == kVersionNoteType &&
        std::memcmp(elf.At(nameAt), kVersionNoteName, sizeof kVersionNoteName) == 0 &&
        (descSize == 16 || descSize == 8)) {
      const std::size_t width = descSize == 16 ? 4 : 2;
      VersionNumbers numbers{};
      for (std::size_t i = 0; i < 4; ++i) {
        std::uint64_t part = 0;
        if (!elf.Read(descAt + i * width, width, part)) return std::nullopt;
        numbers[i] = static_cast<std::uint32_t>(part);
      }
      return numbers;
    }
    if (next >= end) break;
    at = next;
  }
  return std::nullopt;
}

}  // namespace

std::optional<VersionNumbers> FindVersionNote(std::span<const std::uint8_t> image) {
  if (image.size() < 16 || std::memcmp(image.data(), "\x7F" "ELF", 4) != 0) return std::nullopt;
  const std::uint8_t elfClass = image[4];
  const std::uint8_t encoding = image[5];
  if ((elfClass != 1 && elfClass != 2) || (encoding != 1 && encoding != 2)) return std::nullopt;
  const bool is64 = elfClass == 2;
  const ElfImage elf(image, encoding == 2);
  const std::size_t word = is64 ? 8 : 4;  // Elf_Addr and Elf_Off

  // ELF header: e_phoff and e_shoff, then e_phentsize, e_phnum,
  // e_shentsize and e_shnum after e_flags and e_ehsize.
  const std::uint64_t phOffAt = 24 + word;
  const std::uint64_t shOffAt = 24 + 2 * word;
  const std::uint64_t sizesAt = 30 + 3 * word;
  std::uint64_t phOff = 0, shOff = 0, phEntSize = 0, phNum = 0, shEntSize = 0, shNum = 0;
  if (!elf.Read(phOffAt, word, phOff) || !elf.Read(shOffAt, word, shOff) ||
      !elf.Read(sizesAt, 2, phEntSize) || !elf.Read(sizesAt + 2, 2, phNum) ||
      !elf.Read(sizesAt + 4, 2, shEntSize) || !elf.Read(sizesAt + 6, 2, shNum)) {
    return std::nullopt;
  }

  // Section headers: sh_name, sh_type, sh_flags, sh_addr, sh_offset,
  // sh_size, sh_link, sh_info, sh_addralign.
  const std::uint64_t shMin = is64 ? 64 : 40;
  if (shOff != 0 && shEntSize >= shMin && elf.Contains(shOff, shNum * shEntSize)) {
    for (std::uint64_t i = 0; i < shNum; ++i) {
      const std::uint64_t at = shOff + i * shEntSize;
      std::uint64_t type = 0, offset = 0, size = 0, align = 0;
      if (!elf.Read(at + 4, 4, type)) return std::nullopt;
      if (type != kSectionNote) continue;
      if (!elf.Read(at + 8 + 2 * word, word, offset) ||
          !elf.Read(at + 8 + 3 * word, word, size) ||
          !elf.Read(at + 16 + 4 * word, word, align)) {
        return std::nullopt;
      }
      if (auto found = FindInNotes(elf, offset, size, align)) return found;
    }
  }

  // Program headers: 64-bit p_type, p_flags, p_offset, p_vaddr, p_paddr,
  // p_filesz, p_memsz, p_align; 32-bit p_type, p_offset, p_vaddr, p_paddr,
  // p_filesz, p_memsz, p_flags, p_align.
  const std::uint64_t phMin = is64 ? 56 : 32;
  if (phOff != 0 && phEntSize >= phMin && elf.Contains(phOff, phNum * phEntSize)) {
    for (std::uint64_t i = 0; i < phNum; ++i) {
      const std::uint64_t at = phOff + i * phEntSize;
      std::uint64_t type = 0, offset = 0, size = 0, align = 0;
      if (!elf.Read(at, 4, type)) return std::nullopt;
      if (type != kSegmentNote) continue;
      const bool ok = is64 ? elf.Read(at + 8, 8, offset) && elf.Read(at + 32, 8, size) &&
                                 elf.Read(at + 48, 8, align)
                           : elf.Read(at + 4, 4, offset) && elf.Read(at + 16, 4, size) &&
                                 elf.Read(at + 28, 4, align);
      if (!ok) return std::nullopt;
      if (auto found = FindInNotes(elf, offset, size, align)) return found;
    }
  }
  return std::nullopt;
}

}  // namespace upsprobe
