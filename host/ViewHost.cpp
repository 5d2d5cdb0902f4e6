// Opening, showing, driving, storing and closing the host's views.
#include "host/ViewHost.h"

#include <map>
#include <mutex>
#include <nlohmann/json.hpp>

#include "host/JsonText.h"
#include "host/StateStore.h"
#include "host/UiThread.h"
#include "host/WindowTreeJson.h"
#include "platform/afx/Controls.h"
#include "platform/afx/OperatorInput.h"
#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/DisplayViews.h"
#include "platform/tavrin/HostViews.h"
#include "platform/tavrin/TimerQueue.h"

namespace {

using Json = nlohmann::ordered_json;

// Room for a configuration view's tree, so that writing it seldom grows the text.
constexpr std::size_t kTreeTextReserve = std::size_t{16} * 1024;

// The file of the state folder that lists the open views.
constexpr const char* kViewsFile = "views.json";

// The window kind each action takes.
bool TakesAction(AfxWindowKind kind, ViewAction::Kind action) {
  switch (action) {
    case ViewAction::Kind::kScroll:
      return kind == AfxWindowKind::kScrollBar;
    case ViewAction::Kind::kSelect:
      return kind == AfxWindowKind::kComboBox || kind == AfxWindowKind::kList;
    case ViewAction::Kind::kClick:
      return kind == AfxWindowKind::kButton || kind == AfxWindowKind::kCheckBox ||
             kind == AfxWindowKind::kRadio;
    case ViewAction::Kind::kTab:
      return kind == AfxWindowKind::kTab;
    case ViewAction::Kind::kText:
      return kind == AfxWindowKind::kEdit;
    case ViewAction::Kind::kSize:
    case ViewAction::Kind::kHelp:
      return true;
  }
  return false;
}

// A text member of a stored entry; empty when it is missing or no text.
std::string StringMember(const Json& entry, const char* member) {
  const auto found = entry.find(member);
  return found != entry.end() && found->is_string() ? found->get<std::string>() : std::string();
}

}  // namespace

struct ViewHost::Impl {
  // A view as the UI thread holds it.
  struct Open {
    std::string templateName;
    CDisplayDoc* document = nullptr;
    CAttributeMap stored;  // the stored map as last written
    CString storedGroup;
    CString storedTitle;
  };
  // What other threads read of a view: taken anew on the UI thread whenever its tree changes.
  struct Shown {
    std::string templateName;
    std::string title;
    std::uint64_t version = 0;
    std::string tree;
    std::uint64_t announced = 0;  // the version the listener last heard of
    std::chrono::steady_clock::time_point announcedAt;
    std::unique_ptr<TimerQueue::Timer> announce;  // a later event, when one came too soon
  };

  Impl(UiThread& uiThread, TimerQueue& timerQueue, StateStore* stateStore,
       std::function<void(const std::string&)> reporter)
      : ui(uiThread), timers(timerQueue), state(stateStore), report(std::move(reporter)) {}

  // UI thread.
  static CView* ViewOf(const Open& view) {
    return view.document->GetViews().empty() ? nullptr : view.document->GetViews().front();
  }
  std::optional<int> OpenOnUi(const std::string& templateName, const CAttributeMap& attributes, int id,
                              Opened::Outcome& outcome);
  void TakeTree(int id, const Open& view);
  void Announce(int id);
  // Writes the list of views when it changed (listChanged) or a view's stored map did.
  void Store(bool listChanged);
  int IdOf(const CWnd& window) const;

  UiThread& ui;
  TimerQueue& timers;
  StateStore* state;
  std::function<void(const std::string&)> report;

  std::map<int, Open> open;  // UI thread only
  int nextId = 1;            // UI thread only
  bool closed = false;

  mutable std::mutex mutex;  // guards shown and listener
  std::map<int, Shown> shown;
  Listener* listener = nullptr;
};

std::optional<int> ViewHost::Impl::OpenOnUi(const std::string& templateName, const CAttributeMap& attributes,
                                            int id, Opened::Outcome& outcome) {
  auto* docTemplate = dynamic_cast<ORVMultiDocTemplateAttr1*>(
      CDocTemplateList::GetDocTemplates().Find(CString(templateName)));
  if (docTemplate == nullptr) {
    outcome = Opened::Outcome::kNoTemplate;
    return std::nullopt;
  }
  CDisplayDoc* document = docTemplate->OpenDisplay(attributes);
  if (document == nullptr || document->GetViews().empty()) {
    if (document != nullptr) document->OnCloseDocument();
    outcome = Opened::Outcome::kFailed;
    return std::nullopt;
  }
  // A display the view has not named is named after its template.
  if (document->GetTitle().IsEmpty()) document->SetTitle(templateName.c_str());
  nextId = std::max(nextId, id + 1);
  Open& added = open[id];
  added.templateName = templateName;
  added.document = document;
  {
    std::lock_guard lock(mutex);
    shown[id].templateName = templateName;
  }
  TakeTree(id, added);
  outcome = Opened::Outcome::kOpened;
  return id;
}

void ViewHost::Impl::TakeTree(int id, const Open& view) {
  CView* shownView = ViewOf(view);
  if (shownView == nullptr || shownView->m_hWnd == nullptr) return;
  const std::uint64_t version = shownView->m_hWnd->Root()->version;
  {
    std::lock_guard lock(mutex);
    Shown& s = shown[id];
    if (s.version == version && !s.tree.empty()) return;
  }
  const std::string title = view.document->GetTitle().Str();
  std::string text;
  text.reserve(kTreeTextReserve);
  text += "{\"id\":" + std::to_string(id) + ",\"template\":";
  AppendJsonString(text, view.templateName);
  text += ",\"title\":";
  AppendJsonString(text, title);
  text += ",\"version\":" + std::to_string(version) + ",\"root\":";
  AppendWindowTreeJson(*shownView->m_hWnd, text);
  text += '}';
  {
    std::lock_guard lock(mutex);
    Shown& s = shown[id];
    s.title = title;
    s.version = version;
    s.tree = std::move(text);
  }
  Announce(id);
}

void ViewHost::Impl::Announce(int id) {
  std::lock_guard lock(mutex);
  const auto found = shown.find(id);
  if (found == shown.end() || listener == nullptr) return;
  Shown& s = found->second;
  if (s.announced == s.version) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - s.announcedAt >= kEventInterval) {
    s.announced = s.version;
    s.announcedAt = now;
    listener->ViewChanged(id, s.version, false);
    return;
  }
  // Too soon after the last event: one event at the end of the interval tells of the latest version.
  if (!s.announce) {
    s.announce = std::make_unique<TimerQueue::Timer>(timers, [this, id] { Announce(id); });
  }
  s.announce->Arm(s.announcedAt + kEventInterval);
}

int ViewHost::Impl::IdOf(const CWnd& window) const {
  if (window.m_hWnd == nullptr) return 0;
  const AfxWindow* root = window.m_hWnd->Root();
  for (const auto& [id, view] : open) {
    const CView* shownView = ViewOf(view);
    if (shownView != nullptr && shownView->m_hWnd != nullptr && shownView->m_hWnd->Root() == root) return id;
  }
  return 0;
}

void ViewHost::Impl::Store(bool listChanged) {
  if (state == nullptr) return;
  bool changed = listChanged;
  for (auto& [id, view] : open) {
    if (view.stored == view.document->GetViewAttributes() &&
        view.storedGroup == view.document->GetViewAttributeGroup() &&
        view.storedTitle == view.document->GetTitle()) {
      continue;
    }
    view.stored = view.document->GetViewAttributes();
    view.storedGroup = view.document->GetViewAttributeGroup();
    view.storedTitle = view.document->GetTitle();
    changed = true;
  }
  if (!changed) return;
  Json views = Json::array();
  for (const auto& [id, view] : open) {
    views.push_back(Json{{"id", id},
                         {"template", view.templateName},
                         {"title", view.storedTitle.Str()},
                         {"group", view.storedGroup.Str()},
                         {"attributes", Json::parse(WriteAttributeMapJson(view.stored))}});
  }
  std::string error;
  if (!state->WriteNamed(kViewsFile, Json{{"views", views}}.dump(1) + "\n", error)) report("views: " + error);
}

ViewHost::ViewHost(UiThread& ui, TimerQueue& timers, StateStore* state,
                   std::function<void(const std::string&)> report)
    : impl_(std::make_unique<Impl>(ui, timers, state, std::move(report))) {
  HelpProvider::GetInstance().SetShower([impl = impl_.get()](CWnd& window) {
    const int id = impl->IdOf(window);
    CWnd* view = nullptr;
    if (const auto found = impl->open.find(id); found != impl->open.end()) view = Impl::ViewOf(found->second);
    if (id == 0 || view == nullptr) return false;
    std::lock_guard lock(impl->mutex);
    if (impl->listener != nullptr) impl->listener->HelpAsked(id, view->GetRuntimeClass()->m_lpszClassName);
    return true;
  });
}

ViewHost::~ViewHost() {
  CloseAll();
  HelpProvider::GetInstance().SetShower(nullptr);
}

void ViewHost::SetListener(Listener* listener) {
  std::lock_guard lock(impl_->mutex);
  impl_->listener = listener;
}

void ViewHost::Restore() {
  if (impl_->state == nullptr) return;
  std::string text;
  std::string problem;
  if (!impl_->state->ReadNamed(kViewsFile, text, problem)) {
    if (!problem.empty()) impl_->report(problem);
    return;
  }
  const Json stored = Json::parse(text, nullptr, false);
  if (stored.is_discarded() || !stored.is_object() || !stored.contains("views") ||
      !stored["views"].is_array()) {
    impl_->report(impl_->state->SetAsideNamed(kViewsFile, "not a list of views"));
    return;
  }
  impl_->ui.Run([&] {
    for (const Json& entry : stored["views"]) {
      const Json* id = entry.is_object() && entry.contains("id") ? &entry["id"] : nullptr;
      const Json* name = id != nullptr && entry.contains("template") ? &entry["template"] : nullptr;
      CAttributeMap attributes;
      const bool readable =
          name != nullptr && id->is_number_integer() && id->get<std::int64_t>() > 0 &&
          id->get<std::int64_t>() < 1'000'000 && name->is_string() &&
          ReadAttributeMapJson(entry.value("attributes", Json::array()).dump(), attributes).ok;
      if (!readable) {
        impl_->report("views: a stored view cannot be read and is not opened again: " + entry.dump());
        continue;
      }
      const int viewId = id->get<int>();
      if (impl_->open.contains(viewId)) continue;
      Opened::Outcome outcome = Opened::Outcome::kOpened;
      if (!impl_->OpenOnUi(name->get<std::string>(), attributes, viewId, outcome)) {
        impl_->report("views: view " + std::to_string(viewId) + " (" + name->get<std::string>() +
                      ") cannot be opened again");
        continue;
      }
      // The display keeps the name it had, unless its view named it anew as it opened.
      Impl::Open& view = impl_->open[viewId];
      const std::string title = StringMember(entry, "title");
      if (!title.empty() && view.document->GetTitle() == CString(name->get<std::string>())) {
        view.document->SetTitle(title.c_str());
      }
      view.stored = attributes;
      view.storedGroup = CString(StringMember(entry, "group"));
      view.document->SetViewAttributeGroup(view.storedGroup);
      view.storedTitle = view.document->GetTitle();
    }
    impl_->Store(false);
  });
}

void ViewHost::CloseAll() {
  if (impl_->closed) return;
  impl_->closed = true;
  impl_->ui.Run([&] {
    for (auto& [id, view] : impl_->open) view.document->OnCloseDocument();
    impl_->open.clear();
  });
  std::map<int, Impl::Shown> gone;
  {
    std::lock_guard lock(impl_->mutex);
    gone.swap(impl_->shown);
  }
  // Their timers go with them, outside the lock that a timer's task takes.
}

void ViewHost::AfterUiWork() {
  if (impl_->open.empty()) return;
  for (const auto& [id, view] : impl_->open) impl_->TakeTree(id, view);
  impl_->Store(false);
}

ViewHost::Opened ViewHost::Open(const std::string& templateName, const CAttributeMap& attributes) {
  Opened opened{Opened::Outcome::kStopping, 0};
  impl_->ui.Run([&] {
    if (impl_->closed) return;
    const auto id = impl_->OpenOnUi(templateName, attributes, impl_->nextId, opened.outcome);
    if (!id) return;
    opened.id = *id;
    impl_->Store(true);
  });
  return opened;
}

bool ViewHost::Close(int id) {
  bool found = false;
  impl_->ui.Run([&] {
    const auto view = impl_->open.find(id);
    if (view == impl_->open.end()) return;
    found = true;
    view->second.document->OnCloseDocument();
    impl_->open.erase(view);
    impl_->Store(true);
  });
  if (!found) return false;
  std::map<int, Impl::Shown>::node_type gone;
  std::lock_guard lock(impl_->mutex);
  gone = impl_->shown.extract(id);
  if (impl_->listener != nullptr) impl_->listener->ViewChanged(id, gone ? gone.mapped().version : 0, true);
  return true;
}

std::vector<ViewHost::Listing> ViewHost::List() const {
  std::lock_guard lock(impl_->mutex);
  std::vector<Listing> listing;
  for (const auto& [id, shown] : impl_->shown) listing.push_back({id, shown.templateName, shown.title});
  return listing;
}

std::optional<std::string> ViewHost::Tree(int id) const {
  std::lock_guard lock(impl_->mutex);
  const auto found = impl_->shown.find(id);
  if (found == impl_->shown.end()) return std::nullopt;
  return found->second.tree;
}

ViewHost::Acted ViewHost::Act(int id, const std::vector<ViewAction>& actions) {
  Acted acted{Acted::Outcome::kStopping, 0, 0};
  impl_->ui.Run([&] {
    const auto found = impl_->open.find(id);
    CView* view = found == impl_->open.end() ? nullptr : impl_->ViewOf(found->second);
    if (view == nullptr || view->m_hWnd == nullptr) {
      acted.outcome = Acted::Outcome::kNoView;
      return;
    }
    // Every control is found before anything is done, so that a refused batch changes nothing.
    std::vector<CWnd*> controls;
    for (std::size_t i = 0; i < actions.size(); ++i) {
      const ViewAction& action = actions[i];
      CWnd* control = nullptr;
      if (action.kind != ViewAction::Kind::kSize && action.kind != ViewAction::Kind::kHelp) {
        control = view->GetDlgItem(action.control);
        if (control == nullptr) {
          acted = {Acted::Outcome::kNoControl, 0, i};
          return;
        }
        if (!TakesAction(control->m_hWnd->kind, action.kind)) {
          acted = {Acted::Outcome::kWrongKind, 0, i};
          return;
        }
      }
      controls.push_back(control);
    }
    for (std::size_t i = 0; i < actions.size(); ++i) {
      const ViewAction& action = actions[i];
      // A control may have gone with an earlier action of the batch; then it takes no more.
      if (controls[i] != nullptr && controls[i]->m_hWnd == nullptr) continue;
      switch (action.kind) {
        case ViewAction::Kind::kScroll:
          AfxOperatorScroll(*controls[i], action.code, action.value);
          break;
        case ViewAction::Kind::kSelect:
          AfxOperatorSelect(*controls[i], action.value);
          break;
        case ViewAction::Kind::kClick:
          AfxOperatorClick(*controls[i]);
          break;
        case ViewAction::Kind::kTab:
          AfxOperatorSelectTab(*controls[i], action.value);
          break;
        case ViewAction::Kind::kText:
          AfxOperatorEditText(*controls[i], action.text.c_str());
          break;
        case ViewAction::Kind::kSize:
          if (CWnd* frame = view->GetParent()) frame->MoveWindow(0, 0, action.width, action.height);
          view->MoveWindow(0, 0, action.width, action.height);
          break;
        case ViewAction::Kind::kHelp: {
          HELPINFO help;
          view->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
          break;
        }
      }
    }
    impl_->TakeTree(id, found->second);
    acted = {Acted::Outcome::kDone, view->m_hWnd->Root()->version, 0};
  });
  return acted;
}
