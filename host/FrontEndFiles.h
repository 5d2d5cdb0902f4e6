// The front end's static files: which file of the front-end folder a request path names, refusing
// every path that would leave the folder, and the content type to serve it with.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

struct FrontEndFile {
  enum class Outcome { kFound, kNotFound, kOutsideFolder };
  Outcome outcome = Outcome::kNotFound;
  std::filesystem::path path;  // the file, when found
};

// The file that the (already percent-decoded) request path names inside folder; "/" and folder paths
// name their index.html. A path with a ".." segment, a backslash or a NUL, or one that leads out of
// the folder through a link, is kOutsideFolder.
FrontEndFile FindFrontEndFile(const std::filesystem::path& folder, std::string_view requestPath);

// The content type for a file by its extension; "application/octet-stream" for unknown ones.
std::string FrontEndContentType(const std::filesystem::path& file);
