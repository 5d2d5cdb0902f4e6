// The host's data block: typed elements keyed by item number and a second key, as a device's data
// buffer holds them. Each element carries a host type code, a status (0 = valid) and its value as
// little-endian bytes; a typed read succeeds only when type code and size both match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class COrvBytePtr {
 public:
  // Host type codes.
  static constexpr int kTypeU32 = 102;
  static constexpr int kTypeF64 = 103;
  static constexpr int kTypeF32 = 109;
  static constexpr int kTypeU16 = 111;
  static constexpr int kTypeBytes = 608;

  COrvBytePtr(unsigned short item, unsigned short key2, int type, std::span<const std::byte> bytes,
              unsigned short status = 0)
      : item_(item), key2_(key2), type_(type), status_(status), bytes_(bytes.begin(), bytes.end()) {}

  unsigned short GetItem() const { return item_; }
  unsigned short GetKey2() const { return key2_; }
  int GetType() const { return type_; }
  unsigned short GetStatus() const { return status_; }
  std::span<const std::byte> GetBytes() const { return bytes_; }

  bool GetValue(std::uint32_t& value) const;           // type 102, 4 bytes
  bool GetValue(double& value) const;                  // type 103, 8 bytes
  bool GetValue(float& value) const;                   // type 109, 4 bytes
  bool GetValue(std::uint16_t& value) const;           // type 111, 2 bytes
  bool GetValue(std::vector<std::byte>& value) const;  // type 608, any size

  friend bool operator==(const COrvBytePtr&, const COrvBytePtr&) = default;

 private:
  unsigned short item_;
  unsigned short key2_;
  int type_;
  unsigned short status_;
  std::vector<std::byte> bytes_;
};

class CDataBlock {
 public:
  // The status of the block as a whole; 0 = valid.
  unsigned short GetStatus() const { return status_; }
  void SetStatus(unsigned short status) { status_ = status; }

  void Add(COrvBytePtr element) { elements_.push_back(std::move(element)); }
  void AddU32(unsigned short item, unsigned short key2, std::uint32_t value, unsigned short status = 0);
  void AddF64(unsigned short item, unsigned short key2, double value, unsigned short status = 0);
  void AddF32(unsigned short item, unsigned short key2, float value, unsigned short status = 0);
  void AddU16(unsigned short item, unsigned short key2, std::uint16_t value, unsigned short status = 0);
  void AddBytes(unsigned short item, unsigned short key2, std::span<const std::byte> bytes,
                unsigned short status = 0);

  // The index of the first element with that item and second key.
  bool LookUp(unsigned short item, unsigned short key2, int& index) const;
  // The element at index; null outside the block.
  const COrvBytePtr* GetElement(int index) const;
  int GetCount() const { return static_cast<int>(elements_.size()); }

  friend bool operator==(const CDataBlock&, const CDataBlock&) = default;

 private:
  unsigned short status_ = 0;
  std::vector<COrvBytePtr> elements_;
};
