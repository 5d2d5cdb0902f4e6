// Plain POSIX calls, so that a failed write says why (a full disk is told apart from other errors).
#include "sim/SimRecordingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

SimFileProblem ProblemOf(std::error_code code) {
  return {code == std::errc::no_space_on_device, code.message()};
}

SimFileProblem ProblemOfErrno() {
  return ProblemOf(std::error_code(errno, std::generic_category()));
}

}  // namespace

bool SimRecordingFile::Open(const std::filesystem::path& path, SimFileProblem& problem) {
  Close();
  std::error_code code;
  std::filesystem::create_directories(path.parent_path(), code);
  if (code) {
    problem = ProblemOf(code);
    return false;
  }
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    problem = ProblemOfErrno();
    return false;
  }
  size_ = 0;
  return true;
}

bool SimRecordingFile::Write(std::string_view record, SimFileProblem& problem) {
  if (fd_ < 0) {
    problem = {false, "the file is not open"};
    return false;
  }
  std::size_t written = 0;
  while (written < record.size()) {
    const ssize_t n = ::write(fd_, record.data() + written, record.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      problem = n < 0 ? ProblemOfErrno() : SimFileProblem{false, "nothing could be written"};
      // Whatever part of the record went in is cut off again (best effort: the file may refuse).
      if (written > 0 && ::ftruncate(fd_, static_cast<off_t>(size_)) != 0) size_ += written;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  size_ += written;
  return true;
}

void SimRecordingFile::Close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}
