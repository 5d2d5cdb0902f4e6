// A stored configuration handed to a device's LoadAttribs: the text of its attribute map in JSON form.
#pragma once

#include <string>

class FileObject {
 public:
  explicit FileObject(std::string text) : text_(std::move(text)) {}

  // Reads the file at path. On failure returns false and says why in error.
  static bool Read(const std::string& path, FileObject& out, std::string& error);

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};
