#include "host/FrontEndFiles.h"

#include <array>
#include <utility>

namespace fs = std::filesystem;

namespace {

bool LeavesFolder(std::string_view requestPath) {
  if (requestPath.find('\\') != std::string_view::npos || requestPath.find('\0') != std::string_view::npos) {
    return true;
  }
  std::size_t start = 0;
  while (start <= requestPath.size()) {
    const std::size_t end = std::min(requestPath.find('/', start), requestPath.size());
    if (requestPath.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

// True when inner is folder itself or lies below it; both are canonical.
bool IsWithin(const fs::path& folder, const fs::path& inner) {
  auto f = folder.begin();
  auto i = inner.begin();
  for (; f != folder.end(); ++f, ++i) {
    if (i == inner.end() || *f != *i) return false;
  }
  return true;
}

}  // namespace

FrontEndFile FindFrontEndFile(const fs::path& folder, std::string_view requestPath) {
  FrontEndFile result;
  if (requestPath.empty() || requestPath.front() != '/' || LeavesFolder(requestPath)) {
    result.outcome = FrontEndFile::Outcome::kOutsideFolder;
    return result;
  }
  std::error_code error;
  const fs::path root = fs::canonical(folder, error);
  if (error) return result;
  fs::path file = root / fs::path(requestPath.substr(1)).relative_path();
  if (fs::is_directory(file, error)) file /= "index.html";
  const fs::path real = fs::canonical(file, error);
  if (error) return result;
  if (!IsWithin(root, real)) {
    result.outcome = FrontEndFile::Outcome::kOutsideFolder;
    return result;
  }
  if (!fs::is_regular_file(real, error)) return result;
  result.outcome = FrontEndFile::Outcome::kFound;
  result.path = real;
  return result;
}

std::string FrontEndContentType(const fs::path& file) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kTypes{{
      {".html", "text/html; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".mjs", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".json", "application/json"},
      {".svg", "image/svg+xml"},
      {".png", "image/png"},
      {".ico", "image/x-icon"},
      {".txt", "text/plain; charset=utf-8"},
      {".map", "application/json"},
  }};
  const std::string extension = file.extension().string();
  for (const auto& [suffix, type] : kTypes) {
    if (extension == suffix) return std::string(type);
  }
  return "application/octet-stream";
}
