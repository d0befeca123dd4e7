#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/support.h"
#include "support/version_note.h"
#include "support/unique_fd.h"

namespace upsprobe {

namespace {

// Larger files are not executables of ours.
constexpr off_t kMaxImageSize = off_t{1} << 30;

std::vector<std::uint8_t> ReadImage(const std::string& fileName) {
  std::vector<std::uint8_t> image;
  const UniqueFd fd(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) return image;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxImageSize) {
    return image;
  }
  image.resize(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < image.size()) {
    const ssize_t n = ::read(fd.get(), image.data() + done, image.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  image.resize(done);
  return image;
}

}  // namespace

std::string GetVersionText(const std::string& fileName) {
  try {
    if (fileName.find('\0') != std::string::npos) return {};
    const auto image = ReadImage(fileName.empty() ? "/proc/self/exe" : fileName);
    const auto numbers = FindVersionNote(image);
    if (!numbers) return {};
    return std::to_string((*numbers)[0]) + "." + std::to_string((*numbers)[1]) + "." +
           std::to_string((*numbers)[2]) + "." + std::to_string((*numbers)[3]);
  } catch (...) {
    return {};
  }
}

}  // namespace upsprobe
