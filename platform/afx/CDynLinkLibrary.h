// An extension module's place in the framework's library chain, through which the framework finds
// the module's resources and run-time classes. A module creates it with new and the framework owns
// it from then on: it is freed when its module is terminated, or at process end.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/afx/AFX_EXTENSION_MODULE.h"

class CDynLinkLibrary {
 public:
  // Joins the chain with the module of state. system marks a module of the framework itself.
  CDynLinkLibrary(const AFX_EXTENSION_MODULE& state, bool system);
  CDynLinkLibrary(const CDynLinkLibrary&) = delete;
  CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

  HMODULE GetModule() const { return module_; }
  HMODULE GetResourceModule() const { return resource_; }
  bool IsSystem() const { return system_; }
  const AfxResourceTable* GetResources() const { return resources_; }

  // How many entries of the chain belong to module.
  static std::size_t CountInChain(HMODULE module);
  // Frees the chain's entries of module; with a null module, every entry.
  static void FreeChain(HMODULE module);
  // Calls find with the resources of each module in the chain, newest first, until it returns true.
  template <typename Find>
  static bool SearchResources(const Find& find);

 private:
  friend struct std::default_delete<CDynLinkLibrary>;  // only the chain frees entries
  ~CDynLinkLibrary() = default;

  HMODULE module_;
  HMODULE resource_;
  bool system_;
  const AfxResourceTable* resources_;

  // The resource tables of the chain, newest first.
  static std::vector<const AfxResourceTable*> ResourceTables();
};

template <typename Find>
bool CDynLinkLibrary::SearchResources(const Find& find) {
  for (const AfxResourceTable* table : ResourceTables()) {
    if (find(*table)) return true;
  }
  return false;
}
