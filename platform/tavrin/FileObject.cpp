// Reading a stored configuration from disk.
#include "platform/tavrin/FileObject.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

bool FileObject::Read(const std::string& path, FileObject& out, std::string& error) {
  std::error_code status;
  if (std::filesystem::is_directory(path, status)) {
    error = path + ": is a folder, not a file";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) {
    error = path + ": cannot read";
    return false;
  }
  out = FileObject(text.str());
  return true;
}
