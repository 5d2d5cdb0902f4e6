// Typed elements of a data block, stored and read as little-endian bytes.
#include "platform/tavrin/CDataBlock.h"

#include <array>
#include <bit>

#include "platform/tavrin/LittleEndian.h"

namespace {

template <typename Unsigned>
void AddUnsigned(CDataBlock& block, unsigned short item, unsigned short key2, int type, Unsigned value,
                 unsigned short status) {
  std::array<std::byte, sizeof(Unsigned)> bytes{};
  le::PutUnsigned<Unsigned>(bytes, 0, value);
  block.Add(COrvBytePtr(item, key2, type, bytes, status));
}

}  // namespace

bool COrvBytePtr::GetValue(std::uint32_t& value) const {
  if (type_ != kTypeU32 || bytes_.size() != 4) return false;
  value = *le::ByteReader(std::span(bytes_)).U32(0);
  return true;
}

bool COrvBytePtr::GetValue(double& value) const {
  if (type_ != kTypeF64 || bytes_.size() != 8) return false;
  value = *le::ByteReader(std::span(bytes_)).F64(0);
  return true;
}

bool COrvBytePtr::GetValue(float& value) const {
  if (type_ != kTypeF32 || bytes_.size() != 4) return false;
  value = *le::ByteReader(std::span(bytes_)).F32(0);
  return true;
}

bool COrvBytePtr::GetValue(std::uint16_t& value) const {
  if (type_ != kTypeU16 || bytes_.size() != 2) return false;
  value = *le::ByteReader(std::span(bytes_)).U16(0);
  return true;
}

bool COrvBytePtr::GetValue(std::vector<std::byte>& value) const {
  if (type_ != kTypeBytes) return false;
  value = bytes_;
  return true;
}

void CDataBlock::AddU32(unsigned short item, unsigned short key2, std::uint32_t value,
                        unsigned short status) {
  AddUnsigned(*this, item, key2, COrvBytePtr::kTypeU32, value, status);
}

void CDataBlock::AddF64(unsigned short item, unsigned short key2, double value, unsigned short status) {
  AddUnsigned(*this, item, key2, COrvBytePtr::kTypeF64, std::bit_cast<std::uint64_t>(value), status);
}

void CDataBlock::AddF32(unsigned short item, unsigned short key2, float value, unsigned short status) {
  AddUnsigned(*this, item, key2, COrvBytePtr::kTypeF32, std::bit_cast<std::uint32_t>(value), status);
}

void CDataBlock::AddU16(unsigned short item, unsigned short key2, std::uint16_t value,
                        unsigned short status) {
  AddUnsigned(*this, item, key2, COrvBytePtr::kTypeU16, value, status);
}

void CDataBlock::AddBytes(unsigned short item, unsigned short key2, std::span<const std::byte> bytes,
                          unsigned short status) {
  Add(COrvBytePtr(item, key2, COrvBytePtr::kTypeBytes, bytes, status));
}

bool CDataBlock::LookUp(unsigned short item, unsigned short key2, int& index) const {
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    if (elements_[i].GetItem() == item && elements_[i].GetKey2() == key2) {
      index = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

const COrvBytePtr* CDataBlock::GetElement(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= elements_.size()) return nullptr;
  return &elements_[static_cast<std::size_t>(index)];
}
