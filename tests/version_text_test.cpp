// The version note: read from our own executables, and from hand-made ELF
// images of every class and byte order, malformed ones included.
#include <gtest/gtest.h>

#include <fstream>

#include "helpers/snmpd.h"
#include "support/support.h"
#include "support/version_note.h"

namespace upsprobe {
namespace {

using testing::TempDir;

// A minimal ELF image holding one note, reached through a section header
// or a program header.
struct ElfLayout {
  bool is64 = true;
  bool bigEndian = false;
  bool throughSection = true;
  std::uint32_t type = kVersionNoteType;
  std::string name = std::string(kVersionNoteName, sizeof kVersionNoteName);
  std::vector<std::uint32_t> parts = {1, 0, 0, 7};
  std::size_t partWidth = 4;
};

class Image {
 public:
  explicit Image(bool bigEndian) : bigEndian_(bigEndian) {}
  void Put(std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t shift = 8 * (bigEndian_ ? width - 1 - i : i);
      bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }
  void PutAt(std::size_t at, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t shift = 8 * (bigEndian_ ? width - 1 - i : i);
      bytes[at + i] = static_cast<std::uint8_t>(value >> shift);
    }
  }
  void Pad(std::size_t size) { bytes.resize(size, 0); }
  std::vector<std::uint8_t> bytes;

 private:
  bool bigEndian_;
};

std::vector<std::uint8_t> MakeElf(const ElfLayout& layout) {
  const std::size_t word = layout.is64 ? 8 : 4;
  const std::size_t headerSize = layout.is64 ? 64 : 52;
  Image elf(layout.bigEndian);
  elf.bytes = {0x7F, 'E', 'L', 'F', static_cast<std::uint8_t>(layout.is64 ? 2 : 1),
               static_cast<std::uint8_t>(layout.bigEndian ? 2 : 1), 1};
  elf.Pad(headerSize);

  // The note right after the header.
  const std::size_t noteAt = headerSize;
  elf.Put(layout.name.size(), 4);
  elf.Put(layout.parts.size() * layout.partWidth, 4);
  elf.Put(layout.type, 4);
  for (const char c : layout.name) elf.bytes.push_back(static_cast<std::uint8_t>(c));
  elf.Pad((elf.bytes.size() + 3) / 4 * 4);
  for (const auto part : layout.parts) elf.Put(part, layout.partWidth);
  elf.Pad((elf.bytes.size() + 3) / 4 * 4);
  const std::size_t noteSize = elf.bytes.size() - noteAt;

  const std::size_t tableAt = elf.bytes.size();
  if (layout.throughSection) {
    const std::size_t entry = layout.is64 ? 64 : 40;
    elf.Pad(tableAt + 2 * entry);  // a null section, then the note section
    const std::size_t at = tableAt + entry;
    elf.PutAt(at + 4, 7, 4);  // SHT_NOTE
    elf.PutAt(at + 8 + 2 * word, noteAt, word);
    elf.PutAt(at + 8 + 3 * word, noteSize, word);
    elf.PutAt(at + 16 + 4 * word, 4, word);
    elf.PutAt(24 + 2 * word, tableAt, word);  // e_shoff
    elf.PutAt(34 + 3 * word, entry, 2);
    elf.PutAt(36 + 3 * word, 2, 2);
  } else {
    const std::size_t entry = layout.is64 ? 56 : 32;
    elf.Pad(tableAt + entry);
    elf.PutAt(tableAt, 4, 4);  // PT_NOTE
    elf.PutAt(tableAt + (layout.is64 ? 8 : 4), noteAt, word);
    elf.PutAt(tableAt + (layout.is64 ? 32 : 16), noteSize, word);
    elf.PutAt(tableAt + (layout.is64 ? 48 : 28), 4, word);
    elf.PutAt(24 + word, tableAt, word);  // e_phoff
    elf.PutAt(30 + 3 * word, entry, 2);
    elf.PutAt(32 + 3 * word, 1, 2);
  }
  return elf.bytes;
}

std::string VersionOfFile(const std::vector<std::uint8_t>& bytes) {
  TempDir dir;
  const auto file = dir.File("image");
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return GetVersionText(file);
}

TEST(GetVersionText, ReadsOurOwnExecutables) {
  EXPECT_EQ(GetVersionText(), UPSPROBE_VERSION) << "the running program";
  EXPECT_EQ(GetVersionText(VERSIONED_PROGRAM), "1.0.0.7");
  EXPECT_EQ(GetVersionText(UNVERSIONED_PROGRAM), "") << "an executable without the note";
}

TEST(GetVersionText, EveryClassAndByteOrder) {
  for (const bool is64 : {true, false}) {
    for (const bool bigEndian : {false, true}) {
      for (const bool throughSection : {true, false}) {
        ElfLayout layout;
        layout.is64 = is64;
        layout.bigEndian = bigEndian;
        layout.throughSection = throughSection;
        layout.parts = {65535, 0, 12, 4000000000u};
        EXPECT_EQ(VersionOfFile(MakeElf(layout)), "65535.0.12.4000000000")
            << is64 << bigEndian << throughSection;
      }
    }
  }
  ElfLayout sixteenBit;
  sixteenBit.partWidth = 2;
  EXPECT_EQ(VersionOfFile(MakeElf(sixteenBit)), "1.0.0.7");
}

TEST(GetVersionText, NoVersionGivesTheEmptyText) {
  ElfLayout otherName;
  otherName.name = std::string("GNU\0", 4);
  ElfLayout otherType;
  otherType.type = 3;
  ElfLayout threeParts;
  threeParts.parts = {1, 0, 0};
  for (const auto& layout : {otherName, otherType, threeParts}) {
    EXPECT_EQ(VersionOfFile(MakeElf(layout)), "");
  }
  const std::string text = "#!/bin/sh\necho hello\n";
  EXPECT_EQ(VersionOfFile({text.begin(), text.end()}), "") << "a text file";
  EXPECT_EQ(GetVersionText("/no/such/file"), "");
  EXPECT_EQ(GetVersionText("/dev/zero"), "");
}

TEST(FindVersionNote, EveryTruncationIsRefused) {
  for (const bool throughSection : {true, false}) {
    ElfLayout layout;
    layout.throughSection = throughSection;
    const auto image = MakeElf(layout);
    ASSERT_TRUE(FindVersionNote(image));
    for (std::size_t size = 0; size < image.size(); ++size) {
      EXPECT_FALSE(FindVersionNote({image.data(), size})) << "cut to " << size;
    }
  }
}

TEST(FindVersionNote, HostileSizesAreRefused) {
  ElfLayout layout;
  auto image = MakeElf(layout);
  auto descriptorSize = image;
  descriptorSize[64 + 4] = 0xFF;  // the note's descriptor runs past the section
  EXPECT_FALSE(FindVersionNote(descriptorSize));
  auto sectionOffset = image;
  sectionOffset[40 + 7] = 0x7F;  // e_shoff far past the end
  EXPECT_FALSE(FindVersionNote(sectionOffset));
  auto nameSize = image;
  nameSize[64 + 3] = 0xFF;  // name size near 2^32
  EXPECT_FALSE(FindVersionNote(nameSize));
}

}  // namespace
}  // namespace upsprobe
