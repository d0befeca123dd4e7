// The host file store: bytes kept exactly, and never lost half-written.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "helpers/snmpd.h"
#include "support/support.h"

namespace upsprobe {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

void Write(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(SaveTextFile, ReplaceWritesExactlyTheText) {
  TempDir dir;
  const auto file = dir.File("Veltrum-Host.txt");
  Write(file, "ups-basement.example.org");
  EXPECT_TRUE(SaveTextFile("x", file, false));
  EXPECT_EQ(Read(file), "x");
  using namespace std::string_literals;
  const std::string raw = "10.0.0.7\r\n\xE4\xFF\0end"s;
  EXPECT_TRUE(SaveTextFile(raw, file, false));
  EXPECT_EQ(Read(file), raw);
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"Veltrum-Host.txt"})
      << "no temporary file is left behind";
}

TEST(SaveTextFile, AppendAddsToTheEnd) {
  TempDir dir;
  const auto file = dir.File("log.txt");
  EXPECT_TRUE(SaveTextFile("first", file, true)) << "append creates a missing file";
  EXPECT_TRUE(SaveTextFile("second", file, true));
  EXPECT_EQ(Read(file), "firstsecond");
}

TEST(SaveTextFile, EmptyTextRemovesTheFileInReplaceModeOnly) {
  TempDir dir;
  const auto file = dir.File("Veltrum-Host.txt");
  Write(file, "10.0.0.7");
  EXPECT_TRUE(SaveTextFile("", file, true));
  EXPECT_EQ(Read(file), "10.0.0.7");
  EXPECT_TRUE(SaveTextFile("", file, false));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(SaveTextFile("", file, false)) << "nothing to remove";
}

TEST(SaveTextFile, ReplaceIsAtomic) {
  TempDir dir;
  const auto file = dir.File("Veltrum-Host.txt");
  Write(file, "10.0.0.7");
  ::chmod(file.c_str(), 0640);
  // A reader that has the file open keeps seeing the whole old content.
  const int reader = ::open(file.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(SaveTextFile("10.0.0.8", file, false));
  char buffer[32] = {};
  EXPECT_EQ(::pread(reader, buffer, sizeof buffer, 0), 8);
  EXPECT_STREQ(buffer, "10.0.0.7");
  ::close(reader);
  EXPECT_EQ(Read(file), "10.0.0.8");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A disk that fills up while the new address is written: the old address
// stays whole, the answer is false and no temporary file is left behind.
TEST(SaveTextFile, FailedWriteKeepsTheOldContent) {
  TempDir dir;
  const auto file = dir.File("Veltrum-Host.txt");
  Write(file, "10.0.0.7");

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4;  // files may grow to 4 octets only
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool replaced = SaveTextFile("ups-basement.example.org", file, false);
  const bool appended = SaveTextFile("ups-basement.example.org", file, true);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(replaced);
  EXPECT_FALSE(appended);
  EXPECT_EQ(Read(file), "10.0.0.7");
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"Veltrum-Host.txt"});
}

TEST(SaveTextFile, UnwritablePlacesAnswerFalse) {
  TempDir dir;
  EXPECT_FALSE(SaveTextFile("10.0.0.7", dir.File("no-such-folder/host.txt"), false));
  EXPECT_FALSE(SaveTextFile("10.0.0.7", dir.path(), false)) << "a folder of that name";
  EXPECT_TRUE(fs::is_directory(dir.path()));
  if (::geteuid() != 0) {
    const auto file = dir.File("host.txt");
    Write(file, "10.0.0.7");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(SaveTextFile("10.0.0.8", file, false));
    EXPECT_EQ(Read(file), "10.0.0.7");
  }
}

TEST(LoadTextFile, ReadsEveryByteOfAnySize) {
  TempDir dir;
  const auto file = dir.File("f");
  for (const std::size_t size : {0u, 1u, 2047u, 2048u, 2049u, 4096u, 5000u}) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 + 1);
    Write(file, content);
    EXPECT_EQ(LoadTextFile(file), content) << size << " octets";
  }
  Write(file, "10.0.0.7\r\n");
  EXPECT_EQ(LoadTextFile(file), "10.0.0.7\r\n");
}

TEST(LoadTextFile, AnythingButARegularFileGivesTheEmptyText) {
  TempDir dir;
  EXPECT_EQ(LoadTextFile(dir.File("missing")), "");
  EXPECT_EQ(LoadTextFile(dir.path()), "") << "a folder";
  const auto fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LoadTextFile(fifo), "") << "a FIFO without a writer, read without waiting";
  EXPECT_EQ(LoadTextFile("/dev/zero"), "") << "an endless device";
}

TEST(ProgramFolder, IsTheExecutablesFolder) {
  const std::string folder = GetProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(fs::exists(folder + "support_test"));

  // Started from elsewhere, the host file is still found next to the program.
  const auto hostFile = folder + "Veltrum-Host.txt";
  Write(hostFile, "10.0.0.9");
  TempDir elsewhere;
  const auto started = fs::current_path();
  fs::current_path(elsewhere.path());
  EXPECT_EQ(SetProgramFolder(), folder);
  EXPECT_EQ(fs::current_path().string() + "/", folder);
  EXPECT_EQ(LoadTextFile("Veltrum-Host.txt"), "10.0.0.9");
  fs::current_path(started);
  fs::remove(hostFile);
}

}  // namespace
}  // namespace upsprobe
