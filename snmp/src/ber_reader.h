// A non-owning reader over BER octets. A read either succeeds and advances,
// or fails and leaves the reader where it was. Each element's contents come
// back as a child reader, so code that parses them cannot run past them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace upsprobe::ber {

class Reader {
 public:
  Reader() = default;
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

  bool empty() const { return data_.empty(); }
  std::span<const std::uint8_t> bytes() const { return data_; }

  // Reads one element of any type. A high-number tag is skipped over and
  // reported by its first identifier octet, which matches no SNMP type.
  bool ReadAny(std::uint8_t& identifier, Reader& contents) {
    std::size_t pos = 0;
    if (pos >= data_.size()) return false;
    const std::uint8_t id = data_[pos++];
    if ((id & 0x1F) == 0x1F) {
      // Tag number in base 128 over the following octets.
      for (;;) {
        if (pos >= data_.size()) return false;
        if ((data_[pos++] & 0x80) == 0) break;
      }
    }
    if (pos >= data_.size()) return false;
    const std::uint8_t first = data_[pos++];
    std::size_t length = 0;
    if (first < 0x80) {
      length = first;
    } else {
      const std::size_t count = first & 0x7F;
      // 0x80 is the indefinite form, 0xFF is reserved.
      if (count == 0 || count == 0x7F) return false;
      if (count > data_.size() - pos) return false;
      for (std::size_t i = 0; i < count; ++i) {
        if (length > (SIZE_MAX >> 8)) return false;
        length = (length << 8) | data_[pos + i];
      }
      pos += count;
    }
    if (length > data_.size() - pos) return false;
    identifier = id;
    contents = Reader(data_.subspan(pos, length));
    data_ = data_.subspan(pos + length);
    return true;
  }

  // Reads one element that must carry `expected` as its identifier.
  bool Read(std::uint8_t expected, Reader& contents) {
    Reader saved = *this;
    std::uint8_t id = 0;
    if (!ReadAny(id, contents)) return false;
    if (id != expected) {
      *this = saved;
      return false;
    }
    return true;
  }

 private:
  std::span<const std::uint8_t> data_;
};

}  // namespace upsprobe::ber
