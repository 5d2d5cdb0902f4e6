// Records to pages, and the factories of the system messages view.
#include "views/messages/KavoSystemMessages.h"

#include <vector>

#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/zq/ZqWireFormat.h"
#include "views/messages/KavoBITEInfo.h"
#include "views/messages/KavoMessageRecord.h"
#include "views/messages/KavoSettingsInfo.h"
#include "views/messages/KavoSystemMessagesBITEPage.h"
#include "views/messages/KavoSystemMessagesEventPage.h"
#include "views/messages/KavoSystemMessagesMainPage.h"

IMPLEMENT_DYNCREATE(KavoSystemMessages, MbsSystemMessages)

namespace {

// Hands the configuration request of info to its sonar's device.
void SendConfigurationRequest(const KavoSettingsInfo& info) {
  Device* device = DataManager::GetDataManager().FindDevice(info.GetDataId());
  if (device != nullptr) device->SendMessage(info.configRequest, false);
}

}  // namespace

void KavoSystemMessages::HandleRecord(CString name, int /*unused*/, MultiBeamSettingsInfo* info) {
  const CDataBlock& block = GetDataBlock();
  std::uint32_t recordType = 0;
  int index = 0;
  if (block.LookUp(kRecordTypeItem, kRecordKey2, index)) block.GetElement(index)->GetValue(recordType);
  std::vector<std::byte> bytes;
  if (!block.LookUp(kRecordItem, kRecordKey2, index) || !block.GetElement(index)->GetValue(bytes) ||
      bytes.empty()) {
    return;
  }
  // The pages read a record as far as its own size says: it must lie within what was delivered.
  if (!kavomsg::IsWholeRecord(bytes)) return;
  auto* record = reinterpret_cast<unsigned char*>(bytes.data());
  MbsSystemMessagesMainPage* mainPage = GetMainPage();
  MbsSystemMessagesEventPage* eventPage = GetEventPage();
  MbsSystemMessagesBITEPage* bitePage = GetBITEPage();
  const bool selected = name == SelectedMultiBeam();

  switch (recordType) {
    case zqwire::kConfigurationRecordType: {
      auto* settings = dynamic_cast<KavoSettingsInfo*>(info);
      MultiBeamBITEInfo* bite = GetMultiBeamBITEInfo();
      if (settings == nullptr || bite == nullptr) return;
      settings->biteConfigLoaded = bite->LoadBoardConfig(record, name);
      if (mainPage != nullptr) mainPage->SetBITEInfo(bite);
      if (bitePage != nullptr) bitePage->SetBITEInfo(bite);
      break;
    }
    case zqwire::kBiteRecordType: {
      auto* settings = dynamic_cast<KavoSettingsInfo*>(info);
      if (settings == nullptr) return;
      if (!settings->biteConfigLoaded) {
        // The boards cannot be named yet: ask for the configuration instead of showing the results.
        SendConfigurationRequest(*settings);
        return;
      }
      if (mainPage != nullptr) mainPage->ShowBITESummary(record, name);
      if (selected && bitePage != nullptr) bitePage->ShowBITE(record, name);
      break;
    }
    case zqwire::kEventListRecordType:
      if (selected && eventPage != nullptr)
        eventPage->HandleRecord(zqwire::kEventListRecordType, record, name);
      break;
    case zqwire::kEventRecordType:
      if (mainPage != nullptr) mainPage->HandleRecord(zqwire::kEventRecordType, record, name);
      if (selected && eventPage != nullptr) eventPage->HandleRecord(zqwire::kEventRecordType, record, name);
      break;
    default:
      break;
  }
}

MbsSystemMessagesMainPage* KavoSystemMessages::CreateMainPage() {
  return new KavoSystemMessagesMainPage(this);
}

MbsSystemMessagesBITEPage* KavoSystemMessages::CreateBITEPage() {
  return new KavoSystemMessagesBITEPage(this);
}

MbsSystemMessagesEventPage* KavoSystemMessages::CreateEventPage() {
  return new KavoSystemMessagesEventPage(this);
}

MultiBeamBITEInfo* KavoSystemMessages::CreateBITEInfo() {
  return new KavoBITEInfo();
}

MultiBeamSettingsInfo* KavoSystemMessages::CreateSettingsInfo() {
  auto* info = new KavoSettingsInfo();
  info->biteConfigLoaded = false;
  info->configRequest = BuildConfigurationRequest();
  return info;
}

void KavoSystemMessages::RequestBiteConfig(MultiBeamSettingsInfo* info) {
  const auto* settings = dynamic_cast<const KavoSettingsInfo*>(info);
  if (settings != nullptr) SendConfigurationRequest(*settings);
}
