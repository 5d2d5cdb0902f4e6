// Data identifier of the host: four 16-bit numbers naming a device and its data. The second is the
// data group (78 for sonar devices, 40 for sensor data), the fourth the vessel.
#pragma once

#include <compare>
#include <cstdint>

#include "platform/afx/CString.h"

class CDataId {
 public:
  static constexpr std::uint16_t kUndefined = 0xFFFF;

  CDataId() = default;
  CDataId(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) : a_(a), b_(b), c_(c), d_(d) {}

  std::uint16_t GetA() const { return a_; }
  std::uint16_t GetGroupId() const { return b_; }
  std::uint16_t GetC() const { return c_; }
  std::uint16_t GetVesselId() const { return d_; }
  void SetGroupId(std::uint16_t group) { b_ = group; }

  // The text key under which notifications for this identifier are published: the four numbers
  // joined by dots in constructor order, for example "1.78.1.1".
  CString GetKey() const;

  void SetUndefined() { a_ = b_ = c_ = d_ = kUndefined; }
  bool IsUndefined() const {
    return a_ == kUndefined && b_ == kUndefined && c_ == kUndefined && d_ == kUndefined;
  }

  friend bool operator==(const CDataId&, const CDataId&) = default;
  friend auto operator<=>(const CDataId&, const CDataId&) = default;

 private:
  std::uint16_t a_ = kUndefined;
  std::uint16_t b_ = kUndefined;
  std::uint16_t c_ = kUndefined;
  std::uint16_t d_ = kUndefined;
};
