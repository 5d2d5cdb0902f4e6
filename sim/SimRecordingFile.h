// The file a simulated head records into: made under the recording folder (its folders created as
// needed), written record by record, closed when recording stops or the file goes. A failure comes back
// as a reason, and whether the disk was full, never as an exception.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct SimFileProblem {
  bool diskFull = false;  // no space left on the file system
  std::string reason;
};

class SimRecordingFile {
 public:
  SimRecordingFile() = default;  // closed
  SimRecordingFile(const SimRecordingFile&) = delete;
  SimRecordingFile& operator=(const SimRecordingFile&) = delete;
  ~SimRecordingFile() { Close(); }

  // Closes the file open now, then creates `path` (emptied when it exists) with its missing folders.
  bool Open(const std::filesystem::path& path, SimFileProblem& problem);
  // Appends one whole record. A record that does not fit is taken off again, so that the file holds
  // whole records only.
  bool Write(std::string_view record, SimFileProblem& problem);
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  // The bytes in the file: every record written whole.
  std::uint64_t Size() const { return size_; }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};
