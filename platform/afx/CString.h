// Narrow-character string of the window framework: text with printf-style Format, and a byte buffer
// that may hold zero bytes (records are built and sent in it).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CString {
 public:
  CString() = default;
  CString(const char* text) : text_(text == nullptr ? "" : text) {}  // NOLINT(google-explicit-constructor)
  CString(std::string text) : text_(std::move(text)) {}              // NOLINT(google-explicit-constructor)
  CString(std::string_view text) : text_(text) {}                    // NOLINT(google-explicit-constructor)
  CString(const char* bytes, std::size_t length) : text_(bytes, length) {}

  // Replaces the contents with printf-style formatted text.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Replaces the contents with the string of that id from the modules' string tables; false (contents
  // unchanged) when no module has it.
  bool LoadString(unsigned id);

  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }

  // Sets the length to `length` bytes (new bytes are zero) and returns the first byte for writing.
  char* GetBufferSetLength(int length);
  // The first byte, for writing in place (the length stays as it is).
  char* GetBuffer() { return text_.data(); }

  char operator[](int index) const { return text_[static_cast<std::size_t>(index)]; }
  CString& operator+=(const CString& other) {
    text_ += other.text_;
    return *this;
  }

  const char* GetString() const { return text_.c_str(); }
  std::string_view View() const { return text_; }
  const std::string& Str() const { return text_; }

  friend bool operator==(const CString& a, const CString& b) = default;
  friend auto operator<=>(const CString& a, const CString& b) = default;

 private:
  std::string text_;
};
