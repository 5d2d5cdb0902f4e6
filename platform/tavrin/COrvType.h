// Typed attribute values. A COrvType holds one value of one kind, or nothing. Typed reads succeed
// only for a value of exactly that kind; typed writes replace the value and its kind. The kind
// classes (COrvInt, COrvDouble, ...) only construct a COrvType of their kind, so values stay plain
// copyable objects.
#pragma once

#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/tavrin/CDataId.h"

// A data identifier with the two extra words that the host stores beside it.
struct OrvDataInfo {
  CDataId id;
  std::uint32_t a = 0xFFFF;
  std::uint32_t b = 0xFFFF;
  friend bool operator==(const OrvDataInfo&, const OrvDataInfo&) = default;
};

class COrvType {
 public:
  enum class Kind { kNone, kInt, kInt64, kBool, kDouble, kDouble2D, kText, kIntList, kDoubleList, kDataInfo };

  COrvType() = default;

  Kind GetKind() const { return static_cast<Kind>(value_.index()); }
  bool IsEmpty() const { return GetKind() == Kind::kNone; }

  bool GetValue(int& out) const { return Read(out); }
  bool GetValue(std::int64_t& out) const { return Read(out); }
  bool GetValue(bool& out) const { return Read(out); }
  bool GetValue(double& out) const { return Read(out); }
  bool GetValue(double& first, double& second) const;
  bool GetValue(CString& out) const { return Read(out); }
  bool GetValue(std::vector<int>& out) const { return Read(out); }
  bool GetValue(std::vector<double>& out) const { return Read(out); }
  bool GetValue(OrvDataInfo& out) const { return Read(out); }

  void SetValue(int value) { value_.emplace<int>(value); }
  void SetValue(std::int64_t value) { value_.emplace<std::int64_t>(value); }
  void SetValue(bool value) { value_.emplace<bool>(value); }
  void SetValue(double value) { value_.emplace<double>(value); }
  void SetValue(double first, double second) { value_.emplace<Pair>(Pair{first, second}); }
  void SetValue(const CString& value) { value_.emplace<CString>(value); }
  void SetValue(const char* value) { value_.emplace<CString>(value); }
  void SetValue(std::vector<int> value) { value_.emplace<std::vector<int>>(std::move(value)); }
  void SetValue(std::vector<double> value) { value_.emplace<std::vector<double>>(std::move(value)); }
  void SetValue(const OrvDataInfo& value) { value_.emplace<OrvDataInfo>(value); }

  friend bool operator==(const COrvType&, const COrvType&) = default;

 private:
  // Writes use emplace: assigning a value to the variant makes GCC 12 warn falsely about freeing.
  struct Pair {
    double first = 0.0;
    double second = 0.0;
    friend bool operator==(const Pair&, const Pair&) = default;
  };
  // The order of the alternatives is the order of Kind.
  using Value = std::variant<std::monostate, int, std::int64_t, bool, double, Pair, CString, std::vector<int>,
                             std::vector<double>, OrvDataInfo>;

  template <typename T>
  bool Read(T& out) const {
    const T* held = std::get_if<T>(&value_);
    if (held == nullptr) return false;
    out = *held;
    return true;
  }

  Value value_;
};

class COrvInt : public COrvType {
 public:
  explicit COrvInt(int value) { SetValue(value); }
};

class COrvInt64 : public COrvType {
 public:
  explicit COrvInt64(std::int64_t value) { SetValue(value); }
};

class COrvBool : public COrvType {
 public:
  explicit COrvBool(bool value) { SetValue(value); }
};

class COrvDouble : public COrvType {
 public:
  explicit COrvDouble(double value) { SetValue(value); }
};

class COrvDouble2D : public COrvType {
 public:
  COrvDouble2D(double first, double second) { SetValue(first, second); }
};

class COrvString : public COrvType {
 public:
  explicit COrvString(const CString& value) { SetValue(value); }
};

class COrvIntList : public COrvType {
 public:
  explicit COrvIntList(std::vector<int> values) { SetValue(std::move(values)); }
};

class COrvDoubleList : public COrvType {
 public:
  explicit COrvDoubleList(std::vector<double> values) { SetValue(std::move(values)); }
};

class COrvDataInfo : public COrvType {
 public:
  COrvDataInfo(const CDataId& id, std::uint32_t a, std::uint32_t b) { SetValue(OrvDataInfo{id, a, b}); }
};
