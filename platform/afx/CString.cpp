// CString formatting and buffer sizing.
#include "platform/afx/CString.h"

#include <cstdarg>
#include <cstdio>

#include "platform/afx/DialogTemplate.h"

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed < 0) {
    text_.clear();
    va_end(args);
    return;
  }
  std::string formatted(static_cast<std::size_t>(needed) + 1, '\0');
  std::vsnprintf(formatted.data(), formatted.size(), format, args);
  va_end(args);
  formatted.resize(static_cast<std::size_t>(needed));
  text_ = std::move(formatted);
}

char* CString::GetBufferSetLength(int length) {
  text_.resize(length < 0 ? 0 : static_cast<std::size_t>(length), '\0');
  return text_.data();
}

bool CString::LoadString(unsigned id) {
  return AfxLoadString(static_cast<int>(id), *this);
}
