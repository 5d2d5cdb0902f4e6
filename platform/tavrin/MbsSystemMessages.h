// The host's system messages view: a form with the system page (one row per multibeam system and its
// state) above the multibeam selection and the tabs of the event and BITE pages of the selected
// multibeam. The multibeam family's view derives from it and supplies the pages, the BITE info and
// the per-sonar settings infos through its factories, and decides what each record means
// (HandleRecord). The host hands every record its sonars send to every open view (DeliverToOpenViews)
// under the sonar device's name; the view keeps one settings info per sonar, asks a sonar for its
// configuration when it first appears, and keeps each sonar's latest records so that the pages can be
// shown anew when the operator chooses another multibeam or switch. Everything runs on the UI thread.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/afx/Controls.h"
#include "platform/afx/DocView.h"
#include "platform/tavrin/CDataBlock.h"
#include "platform/tavrin/CDataId.h"
#include "platform/tavrin/MbsSystemMessagesBITEPage.h"
#include "platform/tavrin/MbsSystemMessagesEventPage.h"
#include "platform/tavrin/MbsSystemMessagesMainPage.h"
#include "platform/tavrin/MultiBeamInfo.h"

class MbsSystemMessages : public CFormView {
  DECLARE_DYNAMIC(MbsSystemMessages)

 public:
  // Items of the data block that holds the record being handed to the view (second key 1).
  static constexpr unsigned short kRecordTypeItem = 0;  // u32, host type 102
  static constexpr unsigned short kRecordItem = 3;      // the whole record, host type 608
  static constexpr unsigned short kRecordKey2 = 1;
  // The record types the view keeps per sonar: configuration, BITE results, stored events, an event.
  static constexpr std::uint32_t kConfigurationRecord = 7003;
  static constexpr std::uint32_t kBiteRecord = 7021;
  static constexpr std::uint32_t kEventListRecord = 7050;
  static constexpr std::uint32_t kEventRecord = 7051;
  // Event records kept per sonar after its latest stored-events record, to show the events anew.
  static constexpr std::size_t kEventsKeptPerSonar = 100;
  // Below this size the view scrolls rather than shrink its pages.
  static constexpr int kMinimumWidth = 420;
  static constexpr int kMinimumHeight = 400;

  // A record the host kept from before the view opened.
  struct SonarRecord {
    CString name;
    CDataId id;
    std::string record;
  };
  // The host's kept records, in the order the view is to take them (configuration first).
  using KeptRecords = std::function<std::vector<SonarRecord>()>;
  static void SetKeptRecords(KeptRecords source);
  // Hands a record of a sonar to every open system messages view (UI thread).
  static void DeliverToOpenViews(const CString& name, const CDataId& id, std::span<const std::byte> record);

  MbsSystemMessages();
  ~MbsSystemMessages() override;

  // One record of sonar name has been put into the data block.
  virtual void HandleRecord(CString name, int unused, MultiBeamSettingsInfo* info) = 0;
  virtual MbsSystemMessagesMainPage* CreateMainPage() = 0;
  virtual MbsSystemMessagesBITEPage* CreateBITEPage() = 0;
  virtual MbsSystemMessagesEventPage* CreateEventPage() = 0;
  virtual MultiBeamBITEInfo* CreateBITEInfo() = 0;
  virtual MultiBeamSettingsInfo* CreateSettingsInfo() = 0;
  // Asks the sonar of info for its configuration record.
  virtual void RequestBiteConfig(MultiBeamSettingsInfo* info) = 0;

  // The system page; none while the view hands a sonar's records again to show them anew on the event
  // or BITE page: the system page counted them when they came.
  MbsSystemMessagesMainPage* GetMainPage() const { return showingAnew_ ? nullptr : mainPage_.get(); }
  MbsSystemMessagesEventPage* GetEventPage() const { return eventPage_.get(); }
  MbsSystemMessagesBITEPage* GetBITEPage() const { return bitePage_.get(); }
  MultiBeamBITEInfo* GetMultiBeamBITEInfo() const { return biteInfo_.get(); }
  // The multibeam whose events and BITE results the pages show; empty before a sonar appeared.
  const CString& SelectedMultiBeam() const { return selected_; }
  void SelectedMultiBeam(const CString& name);

  // A record of sonar name (whose device is id): kept, put into the data block and handed to
  // HandleRecord. A sonar seen for the first time joins the multibeam selection (selected when it is
  // the first) and is asked for its configuration.
  void DeliverRecord(const CString& name, const CDataId& id, std::span<const std::byte> record);
  // The event page empties and shows the selected sonar's events again: its latest stored events and
  // the event records since.
  void ShowEventsAnew();
  // The BITE page shows the selected sonar's latest BITE results again.
  void ShowBITEAnew();

  const CDataBlock& GetDataBlock() const { return dataBlock_; }

  void OnInitialUpdate() override;

 protected:
  void OnSize(UINT type, int cx, int cy);
  void OnSelchangeMultiBeam();
  void OnSelchangeTabs(NMHDR* header, LRESULT* result);

  DECLARE_MESSAGE_MAP()

 private:
  struct Sonar {
    CString name;
    CDataId id;
    std::unique_ptr<MultiBeamSettingsInfo> info;
    std::string lastBite;
    std::string lastEventList;
    std::deque<std::string> eventsSince;  // event records since the latest stored events, oldest first
  };

  Sonar* FindSonar(const CString& name);
  Sonar& Join(const CString& name, const CDataId& id, bool askConfiguration);
  void Keep(Sonar& sonar, std::uint32_t recordType, std::span<const std::byte> record);
  void Hand(Sonar& sonar, std::span<const std::byte> record);
  void ShowSelectedPage();

  CDataBlock dataBlock_;
  CString selected_;
  std::unique_ptr<MbsSystemMessagesMainPage> mainPage_;
  std::unique_ptr<MbsSystemMessagesEventPage> eventPage_;
  std::unique_ptr<MbsSystemMessagesBITEPage> bitePage_;
  std::unique_ptr<MultiBeamBITEInfo> biteInfo_;
  std::vector<Sonar> sonars_;  // in order of appearance
  CStatic caption_;
  CComboBox multiBeams_;
  CTabCtrl tabs_;
  bool initialised_ = false;
  bool showingAnew_ = false;  // while ShowEventsAnew or ShowBITEAnew hands kept records again
};
