#include <unistd.h>

#include <string>
#include <vector>

#include "support/support.h"

namespace upsprobe {

std::string GetProgramFolder() {
  try {
    // readlink does not say whether it cut the name short: grow until the
    // name fits with room to spare.
    std::vector<char> buffer(256);
    for (;;) {
      const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
      if (n < 0) return {};
      if (static_cast<std::size_t>(n) < buffer.size()) {
        const std::string path(buffer.data(), static_cast<std::size_t>(n));
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos) return {};
        return path.substr(0, slash + 1);
      }
      if (buffer.size() >= (1u << 20)) return {};
      buffer.resize(buffer.size() * 2);
    }
  } catch (...) {
    return {};
  }
}

std::string SetProgramFolder() {
  std::string folder = GetProgramFolder();
  if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
    // Ignored: the host file is then kept in whatever the current directory is.
  }
  return folder;
}

}  // namespace upsprobe
