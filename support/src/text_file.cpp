#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "support/support.h"
#include "support/unique_fd.h"

namespace upsprobe {

namespace {

constexpr std::size_t kBlockSize = 2048;

bool Exists(const std::string& fileName) {
  struct stat info {};
  return ::stat(fileName.c_str(), &info) == 0;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The folder part of a name, for the temporary file and the folder sync.
std::string FolderOf(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

// Makes a rename in `folder` durable; best effort, as some file systems
// cannot sync a directory.
void SyncFolder(const std::string& folder) {
  const UniqueFd fd(::open(folder.empty() ? "." : folder.c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd) ::fsync(fd.get());
}

bool Append(const std::string& text, const std::string& fileName) {
  UniqueFd fd(::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (!fd) return false;
  if (!WriteAll(fd.get(), text) || ::fsync(fd.get()) != 0) return false;
  if (!fd.Close()) return false;
  return Exists(fileName);
}

// Writes a sibling temporary file and renames it over `fileName`, so that
// readers see either the old or the new content, never a mix or a part.
bool Replace(const std::string& text, const std::string& fileName) {
  const std::string base = fileName.substr(FolderOf(fileName).size());
  std::random_device random;
  std::string temporary;
  UniqueFd fd;
  for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
    temporary = FolderOf(fileName) + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                std::to_string(random());
    fd = UniqueFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd && errno != EEXIST) return false;
  }
  if (!fd) return false;
  // Keep the permissions of the file being replaced.
  struct stat old {};
  if (::stat(fileName.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd.get(), old.st_mode & 07777);
  }
  const bool written = WriteAll(fd.get(), text) && ::fsync(fd.get()) == 0 && fd.Close();
  if (!written || ::rename(temporary.c_str(), fileName.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(FolderOf(fileName));
  return Exists(fileName);
}

}  // namespace

bool SaveTextFile(const std::string& text, const std::string& fileName, bool append) {
  try {
    if (fileName.empty() || fileName.find('\0') != std::string::npos) return false;
    if (text.empty()) {
      // Emptying a file in replace mode removes it; a failed removal is not
      // reported.
      if (!append) ::unlink(fileName.c_str());
      return true;
    }
    return append ? Append(text, fileName) : Replace(text, fileName);
  } catch (...) {
    return false;
  }
}

std::string LoadTextFile(const std::string& fileName) {
  std::string result;
  try {
    if (fileName.find('\0') != std::string::npos) return result;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const UniqueFd fd(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) return result;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return result;
    char block[kBlockSize];
    for (;;) {
      const ssize_t n = ::read(fd.get(), block, sizeof block);
      if (n < 0) {
        if (errno == EINTR) continue;
        break;  // keep what was read so far
      }
      result.append(block, static_cast<std::size_t>(n));
      if (static_cast<std::size_t>(n) < kBlockSize) break;
    }
  } catch (...) {
    // Out of memory: what was read so far.
  }
  return result;
}

}  // namespace upsprobe
