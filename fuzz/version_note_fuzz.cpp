// Feeds arbitrary files to the ELF version note reader: it may find a note
// or not, but never read outside the image, crash or hang.
#include <cstddef>
#include <cstdint>

#include "support/version_note.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)upsprobe::FindVersionNote({data, size});
  return 0;
}
