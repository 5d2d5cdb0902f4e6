// View and template registries, help and theme.
#include "platform/tavrin/HostViews.h"

#include <algorithm>

bool ViewList::RegisterView(const CString& name, const CRuntimeClass* viewClass) {
  if (viewClass == nullptr) return false;
  std::lock_guard lock(mutex_);
  views_.insert_or_assign(name.Str(), viewClass);
  return true;
}

bool ViewList::UnRegisterView(const CString& name) {
  std::lock_guard lock(mutex_);
  return views_.erase(name.Str()) == 1;
}

const CRuntimeClass* ViewList::Find(const CString& name) const {
  std::lock_guard lock(mutex_);
  const auto found = views_.find(name.Str());
  return found == views_.end() ? nullptr : found->second;
}

ViewList& GetViewList() {
  static ViewList list;
  return list;
}

CDocTemplateList& CDocTemplateList::GetDocTemplates() {
  static CDocTemplateList list;
  return list;
}

bool CDocTemplateList::AddTemplate(const CString& name, CDocTemplate* docTemplate) {
  if (docTemplate == nullptr) return false;
  std::lock_guard lock(mutex_);
  if (std::ranges::any_of(templates_, [&name](const auto& entry) { return entry.first == name.Str(); })) {
    return false;
  }
  templates_.emplace_back(name.Str(), docTemplate);
  return true;
}

bool CDocTemplateList::RemoveTemplate(const CString& name) {
  std::lock_guard lock(mutex_);
  return std::erase_if(templates_, [&name](const auto& entry) { return entry.first == name.Str(); }) > 0;
}

CDocTemplate* CDocTemplateList::Find(const CString& name) const {
  std::lock_guard lock(mutex_);
  const auto found =
      std::ranges::find_if(templates_, [&name](const auto& entry) { return entry.first == name.Str(); });
  return found == templates_.end() ? nullptr : found->second;
}

std::vector<std::string> CDocTemplateList::Names() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& entry : templates_) names.push_back(entry.first);
  return names;
}

HelpProvider& HelpProvider::GetInstance() {
  static HelpProvider provider;
  return provider;
}

bool HelpProvider::ShowHelpfile(CWnd* window) {
  Shower shower;
  {
    std::lock_guard lock(mutex_);
    shower = shower_;
  }
  return window != nullptr && shower && shower(*window);
}

void HelpProvider::SetShower(Shower shower) {
  std::lock_guard lock(mutex_);
  shower_ = std::move(shower);
}

long RWEnableThemeDialogTexture(CWnd* /*window*/, unsigned long /*flags*/) {
  return 0;
}
