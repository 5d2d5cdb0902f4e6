// Recording on the sonar: start and stop in step with the host's logging, the recording directory,
// the record types to record, and the names of the recording files.
#include <algorithm>
#include <array>
#include <ctime>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "control/RequestKeys.h"
#include "control/RequestValues.h"
#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/LittleEndian.h"

using namespace request_keys;

namespace {

constexpr unsigned long kStartRecordingId = 1200;
constexpr unsigned long kStopRecordingId = 1201;
constexpr unsigned long kRecordingDirectoryId = 1207;
constexpr unsigned long kRecordTypesId = 1209;

// Start recording: u32 0, then a 256-byte file-name field (at most 255 characters, the rest zero).
constexpr std::size_t kFileNameOffset = 4;
constexpr std::size_t kNameFieldSize = 256;
constexpr std::size_t kStartRecordingSize = kFileNameOffset + kNameFieldSize;
// Record types: u16 0, u16 1, u16 count, then 128 u32 slots from byte 6.
constexpr std::size_t kMaxRecordTypes = 128;
constexpr std::size_t kRecordTypesSize = 6 + 4 * kMaxRecordTypes;

}  // namespace

CString KavoSonarConfigurationControlDevice::CreateZQRecordFilename() const {
  const std::time_t now = CExTime::ConvertToCTime(CExTime::GetCurTime());
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return {};
  std::array<char, 128> name{};
  if (std::strftime(name.data(), name.size(), "%Y%m%d_%H%M%S_ORV", &local) == 0) return {};
  return {name.data()};
}

void KavoSonarConfigurationControlDevice::SendStartRecording(const CString& fileName) {
  std::array<std::byte, kStartRecordingSize> payload{};
  const std::size_t length =
      std::min<std::size_t>(static_cast<std::size_t>(fileName.GetLength()), kNameFieldSize - 1);
  le::PutBytes(payload, kFileNameOffset, fileName.GetString(), length);
  SendRemoteControlRecord(kStartRecordingId, payload.data(), payload.size(), -1);
}

void KavoSonarConfigurationControlDevice::StartLogging() {
  loggingActive_.store(true);
  bool synchronised = false;
  unsigned flags = 0;
  if (GetAttribValue(kSyncKey, synchronised, flags) && synchronised)
    SendStartRecording(CreateZQRecordFilename());
}

void KavoSonarConfigurationControlDevice::StopLogging() {
  loggingActive_.store(false);
  bool synchronised = false;
  unsigned flags = 0;
  if (GetAttribValue(kSyncKey, synchronised, flags) && synchronised) {
    SendRemoteControlRecord(kStopRecordingId, nullptr, 0, -1);
  }
}

void KavoSonarConfigurationControlDevice::RequestSyncDataRecording() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  bool synchronise = false;
  if (!values.FromRequest(kSyncKey, synchronise)) return;

  // Switching synchronisation on starts or stops the sonar's recording to match the host's logging;
  // switching it off leaves the recording as it is.
  if (synchronise && loggingActive_.load()) {
    SendStartRecording(CreateZQRecordFilename());
  } else if (synchronise) {
    SendRemoteControlRecord(kStopRecordingId, nullptr, 0, -1);
  }
  values.Consume({kSyncKey});
  values.Store(kSyncKey, synchronise);
}

void KavoSonarConfigurationControlDevice::RequestRDRFiltering() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  std::vector<int> recordTypes;
  if (!values.FromRequest(kFilterListKey, recordTypes)) return;

  const std::size_t count = std::min(recordTypes.size(), kMaxRecordTypes);
  std::array<std::byte, kRecordTypesSize> payload{};
  le::PutU16(payload, 2, 1);
  le::PutU16(payload, 4, static_cast<std::uint16_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    // The sonar's record types are 16-bit numbers, carried in 32-bit slots.
    le::PutU32(payload, 6 + 4 * i, static_cast<std::uint16_t>(recordTypes[i]));
  }
  SendRemoteControlRecord(kRecordTypesId, payload.data(), payload.size(), -1);

  values.Store(kFilterListKey, recordTypes);  // every entry, also those past the 128 sent
  values.Consume({kFilterListKey});
}

void KavoSonarConfigurationControlDevice::RequestRDRRecordingDirectory() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  CString directory;
  if (!values.FromRequest(kDirectoryKey, directory)) return;
  // The name and its terminating zero must fit the 256-byte field; a longer one waits in "Request".
  if (directory.GetLength() >= static_cast<int>(kNameFieldSize)) return;

  std::array<std::byte, kNameFieldSize> payload{};
  le::PutBytes(payload, 0, directory.GetString(), static_cast<std::size_t>(directory.GetLength()));
  SendRemoteControlRecord(kRecordingDirectoryId, payload.data(), payload.size(), -1);

  values.Consume({kDirectoryKey});
  values.Store(kDirectoryKey, directory);
}
