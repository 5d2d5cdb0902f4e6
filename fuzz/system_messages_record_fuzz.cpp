// Feeds arbitrary bytes to an open system messages view as one record of a sonar named after a vessel,
// whose configuration has been loaded, as the host hands the view a sonar's records. The first byte
// chooses: bits 0-1 the record type written into the type field (configuration, BITE results, stored
// events, an event), bits 2-3 whether the size field is made to match the bytes (three times in four)
// or left to say what it likes, bits 4 and 5 whether the event and BITE pages' show-errors-only switches
// flip first. The pages must stay as their own rules keep them, and the sonar be sent nothing but
// configuration requests.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/afx/Controls.h"
#include "platform/tavrin/BaseIOHandler.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/DisplayViews.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/tavrin/VesselManager.h"
#include "views/messages/KavoSystemMessages.h"

namespace {

constexpr const char* kSonar = "Survey Vessel";
constexpr std::uint32_t kRecordTypes[] = {7003, 7021, 7050, 7051};
constexpr std::size_t kSizeOffset = 8;
constexpr std::size_t kTypeOffset = 32;
// The remote control asking for the configuration record, the only record the view sends.
constexpr int kConfigurationRequestSize = 96;

// Boards with and without values, a projector at 400 kHz and one at an angle.
constexpr std::string_view kConfiguration =
    R"(<ZqConfiguration><HARDWARE><Device name="TX1" id="36" available="1"><Frequency>396000</Frequency>)"
    R"(</Device><Device name="TX2" id="37" available="1" angle="1"><Frequency>200000</Frequency></Device>)"
    R"(<Device name="RX1" id="40" available="1"/><Device name="SYS1" id="46" available="1" displayName="Power"/>)"
    "</HARDWARE><TX1/><TX2/><RX1/><SYS1/></ZqConfiguration>";

struct RequestsOnly : BaseIOHandler {
  bool Send(const CString& record) override {
    if (record.GetLength() != kConfigurationRequestSize) std::abort();
    return true;
  }
};

// The view, open for the whole run, on the sonar's device.
struct OpenView {
  OpenView() {
    VesselManager::GetVesselManager().AddVessel(1, kSonar);
    auto device = std::make_unique<Device>();
    device->SetDataId(id);
    device->SetPortPtr(&port);
    DataManager::GetDataManager().AddDevice(std::move(device));
    document = display.OpenDisplay({});
    view = static_cast<KavoSystemMessages*>(document->GetViews().front());
    // Frame header, serial number, the text's length with its zero, the text, trailer.
    std::string configuration(64 + 8 + kConfiguration.size() + 1 + 4, '\0');
    const auto bytes = std::as_writable_bytes(std::span(configuration));
    le::PutU32(bytes, kSizeOffset, static_cast<std::uint32_t>(configuration.size()));
    le::PutU32(bytes, kTypeOffset, 7003);
    le::PutU32(bytes, 68, static_cast<std::uint32_t>(kConfiguration.size() + 1));
    le::PutBytes(bytes, 72, kConfiguration.data(), kConfiguration.size());
    Deliver(configuration);
  }
  // Closed before the window framework's own statics go, which would otherwise take the windows along.
  ~OpenView() {
    document->OnCloseDocument();
    DataManager::GetDataManager().RemoveDevice(id);
  }
  OpenView(const OpenView&) = delete;
  OpenView& operator=(const OpenView&) = delete;

  void Deliver(const std::string& record) {
    view->DeliverRecord(kSonar, id, std::as_bytes(std::span(record)));
  }
  static void Flip(CWnd* page, int checkBox) {
    auto* box = dynamic_cast<CButton*>(page->GetDlgItem(checkBox));
    box->SetCheck(box->GetCheck() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
  }

  const CDataId id{1, 78, 1, 1};
  RequestsOnly port;
  ORVMultiDocTemplateAttr1 display{RUNTIME_CLASS(CDisplayDocAttr1), RUNTIME_CLASS(CDisplayFrmAttr1),
                                   RUNTIME_CLASS(KavoSystemMessages), RUNTIME_CLASS(CDisplayDockFrmAttr1)};
  CDisplayDoc* document = nullptr;
  KavoSystemMessages* view = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static OpenView open;  // one view for the whole run, as the host keeps a view open
  if (size == 0) return 0;
  const std::uint8_t choice = data[0];
  std::string record(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto bytes = std::as_writable_bytes(std::span(record));
  if (record.size() >= kTypeOffset + 4) le::PutU32(bytes, kTypeOffset, kRecordTypes[choice & 3]);
  if (((choice >> 2) & 3) != 3 && record.size() >= kSizeOffset + 4)
    le::PutU32(bytes, kSizeOffset, static_cast<std::uint32_t>(record.size()));

  KavoSystemMessages& view = *open.view;
  if ((choice & 0x10) != 0) {
    OpenView::Flip(view.GetEventPage(), IDC_MBS_EVENT_ERRORS_ONLY);
    view.ShowEventsAnew();
  }
  if ((choice & 0x20) != 0) {
    OpenView::Flip(view.GetBITEPage(), IDC_MBS_BITE_ERRORS_ONLY);
    view.ShowBITEAnew();
  }
  open.Deliver(record);

  // One sonar: one row at most; the event list holds the page's messages; the BITE list its lines.
  if (view.GetMainPage()->GetListCtrl().GetItemCount() > 1) std::abort();
  MbsSystemMessagesEventPage& events = *view.GetEventPage();
  if (events.GetListCtrl().GetItemCount() != events.GetMessageCount()) std::abort();
  MbsSystemMessagesBITEPage& bite = *view.GetBITEPage();
  if (bite.GetListCtrl().GetItemCount() != bite.BITEMessageListCount()) std::abort();
  return 0;
}
