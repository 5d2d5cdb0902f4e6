// The host's registries of views and document templates, its help, and its dialog theme.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/afx/CDocTemplate.h"

// Views registered by name: the run-time class the host creates a view of that name from.
class ViewList {
 public:
  bool RegisterView(const CString& name, const CRuntimeClass* viewClass);
  bool UnRegisterView(const CString& name);
  // Null when no view has that name.
  const CRuntimeClass* Find(const CString& name) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, const CRuntimeClass*> views_;
};
ViewList& GetViewList();

// Document templates by name. The list names them; the application owns them.
class CDocTemplateList {
 public:
  static CDocTemplateList& GetDocTemplates();

  // False (nothing changed) when the name is taken or the template is null.
  bool AddTemplate(const CString& name, CDocTemplate* docTemplate);
  bool RemoveTemplate(const CString& name);
  // Null when no template has that name.
  CDocTemplate* Find(const CString& name) const;
  // The names, in the order added.
  std::vector<std::string> Names() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, CDocTemplate*>> templates_;
};

// The host's help: shows the help of a window, when the host has help to show.
class HelpProvider {
 public:
  using Shower = std::function<bool(CWnd& window)>;
  static HelpProvider& GetInstance();

  // False when the host has no help for the window.
  bool ShowHelpfile(CWnd* window);
  // Set by the host: how help is shown; none shows no help.
  void SetShower(Shower shower);

 private:
  std::mutex mutex_;
  Shower shower_;
};

// Gives a dialog the textured background of a tab page. Without a theme there is nothing to draw:
// the call succeeds and changes nothing.
long RWEnableThemeDialogTexture(CWnd* window, unsigned long flags);
inline constexpr unsigned long ETDT_ENABLETAB = 6;
