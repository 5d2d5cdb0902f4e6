// Little-endian byte access at explicit offsets: writers into a byte span, and a bounds-checked
// reader over untrusted bytes. Records have fields at unaligned offsets, so every access copies
// byte by byte instead of casting a struct over the buffer.
#pragma once

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace le {

template <typename Unsigned>
void PutUnsigned(std::span<std::byte> buffer, std::size_t offset, Unsigned value) {
  assert(offset + sizeof(Unsigned) <= buffer.size() && "little-endian write past the end of the buffer");
  for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
    buffer[offset + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFFu);
  }
}

inline void PutU8(std::span<std::byte> buffer, std::size_t offset, std::uint8_t value) {
  PutUnsigned(buffer, offset, value);
}
inline void PutU16(std::span<std::byte> buffer, std::size_t offset, std::uint16_t value) {
  PutUnsigned(buffer, offset, value);
}
inline void PutU32(std::span<std::byte> buffer, std::size_t offset, std::uint32_t value) {
  PutUnsigned(buffer, offset, value);
}
inline void PutU64(std::span<std::byte> buffer, std::size_t offset, std::uint64_t value) {
  PutUnsigned(buffer, offset, value);
}
inline void PutI32(std::span<std::byte> buffer, std::size_t offset, std::int32_t value) {
  PutU32(buffer, offset, static_cast<std::uint32_t>(value));
}
inline void PutF32(std::span<std::byte> buffer, std::size_t offset, float value) {
  PutU32(buffer, offset, std::bit_cast<std::uint32_t>(value));
}
inline void PutF64(std::span<std::byte> buffer, std::size_t offset, double value) {
  PutU64(buffer, offset, std::bit_cast<std::uint64_t>(value));
}
inline void PutBytes(std::span<std::byte> buffer, std::size_t offset, const void* data, std::size_t length) {
  assert(offset + length <= buffer.size() && "byte copy past the end of the buffer");
  if (length != 0) std::memcpy(buffer.data() + offset, data, length);
}
inline void Zero(std::span<std::byte> buffer, std::size_t offset, std::size_t length) {
  assert(offset + length <= buffer.size() && "zeroing past the end of the buffer");
  std::memset(buffer.data() + offset, 0, length);
}

// Reads fields at explicit offsets of an untrusted byte span. A read that does not fit inside the
// span gives no value; nothing past the end is ever touched.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::byte> bytes) : bytes_(bytes) {}
  explicit ByteReader(std::string_view bytes)
      : bytes_(std::as_bytes(std::span(bytes.data(), bytes.size()))) {}

  std::size_t Size() const { return bytes_.size(); }
  bool Fits(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  std::optional<std::uint8_t> U8(std::size_t offset) const { return ReadUnsigned<std::uint8_t>(offset); }
  std::optional<std::uint16_t> U16(std::size_t offset) const { return ReadUnsigned<std::uint16_t>(offset); }
  std::optional<std::uint32_t> U32(std::size_t offset) const { return ReadUnsigned<std::uint32_t>(offset); }
  std::optional<std::uint64_t> U64(std::size_t offset) const { return ReadUnsigned<std::uint64_t>(offset); }
  std::optional<std::int32_t> I32(std::size_t offset) const {
    const auto raw = U32(offset);
    if (!raw) return std::nullopt;
    return static_cast<std::int32_t>(*raw);
  }
  std::optional<float> F32(std::size_t offset) const {
    const auto raw = U32(offset);
    if (!raw) return std::nullopt;
    return std::bit_cast<float>(*raw);
  }
  std::optional<double> F64(std::size_t offset) const {
    const auto raw = U64(offset);
    if (!raw) return std::nullopt;
    return std::bit_cast<double>(*raw);
  }
  // The bytes [offset, offset + length), or nothing when they do not all lie inside the span.
  std::optional<std::span<const std::byte>> Bytes(std::size_t offset, std::size_t length) const {
    if (!Fits(offset, length)) return std::nullopt;
    return bytes_.subspan(offset, length);
  }

 private:
  template <typename Unsigned>
  std::optional<Unsigned> ReadUnsigned(std::size_t offset) const {
    if (!Fits(offset, sizeof(Unsigned))) return std::nullopt;
    Unsigned value = 0;
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
      value |= static_cast<Unsigned>(std::to_integer<unsigned>(bytes_[offset + i])) << (8 * i);
    }
    return value;
  }

  std::span<const std::byte> bytes_;
};

}  // namespace le
