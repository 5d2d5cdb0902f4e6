// The system messages view: its form, the pages the family's view makes, the multibeam selection,
// and the records handed to it.
#include "platform/tavrin/MbsSystemMessages.h"

#include <algorithm>

#include "platform/afx/CDataExchange.h"
#include "platform/tavrin/LittleEndian.h"

IMPLEMENT_DYNAMIC(MbsSystemMessages, CFormView)

BEGIN_MESSAGE_MAP(MbsSystemMessages, CFormView)
ON_WM_SIZE()
ON_CBN_SELCHANGE(IDC_MBS_MULTIBEAM, &MbsSystemMessages::OnSelchangeMultiBeam)
ON_NOTIFY(TCN_SELCHANGE, IDC_MBS_PAGE_TABS, &MbsSystemMessages::OnSelchangeTabs)
END_MESSAGE_MAP()

namespace {

// The record type in a record's frame header.
constexpr std::size_t kFrameRecordTypeOffset = 32;

constexpr DialogControlTemplate kFormControls[] = {
    {IDC_MBS_MULTIBEAM_CAPTION, AfxWindowKind::kStatic, "Multibeam:", 4, 0, 40, 9, WS_CHILD | WS_VISIBLE},
    {IDC_MBS_MULTIBEAM, AfxWindowKind::kComboBox, "Multibeam", 46, 0, 140, 12,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST},
    {IDC_MBS_PAGE_TABS, AfxWindowKind::kTab, "", 4, 16, 272, 120, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
// The form at its smallest (kMinimumWidth by kMinimumHeight pixels); OnSize places the controls.
constexpr DialogTemplate kSystemMessagesForm{0, "System Messages", 280, 247, WS_CHILD, kFormControls, {}};

// Layout, in pixels.
constexpr int kMargin = 7;
constexpr int kSystemPageMinHeight = 96;
constexpr int kSystemPageMaxHeight = 220;
constexpr int kSelectionHeight = 22;
constexpr int kCaptionWidth = 70;
constexpr int kSelectionWidth = 240;

std::vector<MbsSystemMessages*>& OpenViews() {
  static std::vector<MbsSystemMessages*> views;
  return views;
}

MbsSystemMessages::KeptRecords& KeptRecordSource() {
  static MbsSystemMessages::KeptRecords source;
  return source;
}

std::span<const std::byte> Bytes(const std::string& record) {
  return std::as_bytes(std::span(record.data(), record.size()));
}

}  // namespace

void MbsSystemMessages::SetKeptRecords(KeptRecords source) {
  KeptRecordSource() = std::move(source);
}

void MbsSystemMessages::DeliverToOpenViews(const CString& name, const CDataId& id,
                                           std::span<const std::byte> record) {
  // A view may close while it handles a record (never in practice): deliver to a copy of the list.
  const std::vector<MbsSystemMessages*> views = OpenViews();
  for (MbsSystemMessages* view : views) {
    if (std::ranges::find(OpenViews(), view) != OpenViews().end()) view->DeliverRecord(name, id, record);
  }
}

MbsSystemMessages::MbsSystemMessages() : CFormView(&kSystemMessagesForm) {}

MbsSystemMessages::~MbsSystemMessages() {
  std::erase(OpenViews(), this);
}

void MbsSystemMessages::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  if (CDocument* document = GetDocument()) document->SetTitle("System Messages");
  if (CWnd* caption = GetDlgItem(IDC_MBS_MULTIBEAM_CAPTION)) caption_.Attach(caption->m_hWnd);
  if (CWnd* list = GetDlgItem(IDC_MBS_MULTIBEAM)) multiBeams_.Attach(list->m_hWnd);
  if (CWnd* tabs = GetDlgItem(IDC_MBS_PAGE_TABS)) tabs_.Attach(tabs->m_hWnd);
  tabs_.InsertItem(0, "Events");
  tabs_.InsertItem(1, "BITE");
  tabs_.SetCurSel(0);

  biteInfo_.reset(CreateBITEInfo());
  mainPage_.reset(CreateMainPage());
  eventPage_.reset(CreateEventPage());
  bitePage_.reset(CreateBITEPage());
  for (MbsSystemMessagesPage* page : {static_cast<MbsSystemMessagesPage*>(mainPage_.get()),
                                      static_cast<MbsSystemMessagesPage*>(eventPage_.get()),
                                      static_cast<MbsSystemMessagesPage*>(bitePage_.get())}) {
    if (page != nullptr) page->CreatePage();
  }
  if (mainPage_) mainPage_->SetBITEInfo(biteInfo_.get());
  if (bitePage_) bitePage_->SetBITEInfo(biteInfo_.get());
  ShowSelectedPage();
  initialised_ = true;
  CRect client;
  GetClientRect(&client);
  OnSize(SIZE_RESTORED, client.Width(), client.Height());

  OpenViews().push_back(this);
  if (KeptRecordSource()) {
    for (const SonarRecord& kept : KeptRecordSource()())
      DeliverRecord(kept.name, kept.id, Bytes(kept.record));
  }
}

void MbsSystemMessages::SelectedMultiBeam(const CString& name) {
  if (name == selected_) return;
  selected_ = name;
  for (int i = 0; i < multiBeams_.GetCount(); ++i) {
    CString item;
    multiBeams_.GetLBText(i, item);
    if (item == name) multiBeams_.SetCurSel(i);
  }
  ShowEventsAnew();
  ShowBITEAnew();
}

void MbsSystemMessages::DeliverRecord(const CString& name, const CDataId& id,
                                      std::span<const std::byte> record) {
  if (!initialised_ || name.IsEmpty()) return;
  const std::uint32_t recordType = le::ByteReader(record).U32(kFrameRecordTypeOffset).value_or(0);
  Sonar* sonar = FindSonar(name);
  if (sonar == nullptr) sonar = &Join(name, id, recordType != kConfigurationRecord);
  Keep(*sonar, recordType, record);
  Hand(*sonar, record);
}

void MbsSystemMessages::ShowEventsAnew() {
  if (!eventPage_) return;
  eventPage_->ResetPage();
  Sonar* sonar = FindSonar(selected_);
  if (sonar == nullptr) return;
  showingAnew_ = true;
  if (!sonar->lastEventList.empty()) Hand(*sonar, Bytes(sonar->lastEventList));
  for (const std::string& event : sonar->eventsSince) Hand(*sonar, Bytes(event));
  showingAnew_ = false;
}

void MbsSystemMessages::ShowBITEAnew() {
  if (!bitePage_) return;
  bitePage_->ResetPage();
  Sonar* sonar = FindSonar(selected_);
  if (sonar == nullptr || sonar->lastBite.empty()) return;
  showingAnew_ = true;
  Hand(*sonar, Bytes(sonar->lastBite));
  showingAnew_ = false;
}

MbsSystemMessages::Sonar* MbsSystemMessages::FindSonar(const CString& name) {
  const auto found = std::ranges::find(sonars_, name, &Sonar::name);
  return found == sonars_.end() ? nullptr : &*found;
}

MbsSystemMessages::Sonar& MbsSystemMessages::Join(const CString& name, const CDataId& id,
                                                  bool askConfiguration) {
  Sonar sonar;
  sonar.name = name;
  sonar.id = id;
  sonar.info.reset(CreateSettingsInfo());
  if (sonar.info) {
    sonar.info->SetDataId(id);
    sonar.info->SetName(name);
  }
  sonars_.push_back(std::move(sonar));
  multiBeams_.AddString(name.GetString());
  if (selected_.IsEmpty()) SelectedMultiBeam(name);
  Sonar& joined = sonars_.back();
  if (askConfiguration && joined.info) RequestBiteConfig(joined.info.get());
  return joined;
}

void MbsSystemMessages::Keep(Sonar& sonar, std::uint32_t recordType, std::span<const std::byte> record) {
  const std::string bytes(reinterpret_cast<const char*>(record.data()), record.size());
  switch (recordType) {
    case kBiteRecord:
      sonar.lastBite = bytes;
      break;
    case kEventListRecord:
      sonar.lastEventList = bytes;
      sonar.eventsSince.clear();
      break;
    case kEventRecord:
      sonar.eventsSince.push_back(bytes);
      if (sonar.eventsSince.size() > kEventsKeptPerSonar) sonar.eventsSince.pop_front();
      break;
    default:
      break;
  }
}

void MbsSystemMessages::Hand(Sonar& sonar, std::span<const std::byte> record) {
  dataBlock_ = CDataBlock();
  dataBlock_.AddU32(kRecordTypeItem, kRecordKey2,
                    le::ByteReader(record).U32(kFrameRecordTypeOffset).value_or(0));
  dataBlock_.AddBytes(kRecordItem, kRecordKey2, record);
  HandleRecord(sonar.name, 0, sonar.info.get());
}

void MbsSystemMessages::OnSelchangeMultiBeam() {
  const int index = multiBeams_.GetCurSel();
  if (index < 0) return;
  CString name;
  multiBeams_.GetLBText(index, name);
  SelectedMultiBeam(name);
}

void MbsSystemMessages::OnSelchangeTabs(NMHDR* /*header*/, LRESULT* result) {
  ShowSelectedPage();
  *result = 0;
}

void MbsSystemMessages::ShowSelectedPage() {
  const bool events = tabs_.GetCurSel() != 1;
  if (eventPage_ && eventPage_->m_hWnd != nullptr) eventPage_->ShowWindow(events ? SW_SHOW : SW_HIDE);
  if (bitePage_ && bitePage_->m_hWnd != nullptr) bitePage_->ShowWindow(events ? SW_HIDE : SW_SHOW);
}

// The system page across the top, the multibeam selection under it, and the tabs with the event and
// BITE pages filling the rest.
void MbsSystemMessages::OnSize(UINT type, int cx, int cy) {
  if (!initialised_) return;
  cx = std::max(cx, kMinimumWidth);
  cy = std::max(cy, kMinimumHeight);
  const int width = cx - 2 * kMargin;
  const int systemHeight = std::clamp(cy * 3 / 10, kSystemPageMinHeight, kSystemPageMaxHeight);
  if (mainPage_ && mainPage_->m_hWnd != nullptr) mainPage_->MoveWindow(kMargin, kMargin, width, systemHeight);
  const int selectionTop = kMargin + systemHeight + kMargin;
  caption_.MoveWindow(kMargin, selectionTop + 4, kCaptionWidth, kSelectionHeight - 4);
  multiBeams_.MoveWindow(kMargin + kCaptionWidth, selectionTop, kSelectionWidth, kSelectionHeight);
  const int tabsTop = selectionTop + kSelectionHeight + kMargin;
  CRect area(kMargin, tabsTop, cx - kMargin, cy - kMargin);
  tabs_.MoveWindow(area);
  tabs_.AdjustRect(FALSE, &area);
  for (CWnd* page : {static_cast<CWnd*>(eventPage_.get()), static_cast<CWnd*>(bitePage_.get())}) {
    if (page != nullptr && page->m_hWnd != nullptr) page->MoveWindow(area);
  }
  SetScrollSizes(MM_TEXT, CSize{cx, cy});
  CFormView::OnSize(type, cx, cy);
}
