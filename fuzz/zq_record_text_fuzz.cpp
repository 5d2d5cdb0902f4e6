// Feeds arbitrary bytes to the record describer, which must read nothing outside them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/ZqRecordText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = DescribeZqRecord(std::string_view(reinterpret_cast<const char*>(data), size));
  return text.empty() ? 1 : 0;
}
